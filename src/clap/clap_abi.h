// The CLAP binary interface as this plug-in uses it, written from the CLAP format's documentation
// (version 1.1.1). Plain C records and function pointers: a host and a plug-in built by any compiler
// agree on them by the platform's C layout. Type names are ours; field names follow the CLAP format's
// own, so that a reader of the CLAP documentation finds each field where it expects it.
//
// What is here: the version record, the module's entry record and the plug-in factory, the
// descriptor, the plug-in and host records, one process call with its audio buffers and event
// lists, the byte streams, and the extensions this plug-in offers or asks for: audio-ports,
// params, state, latency, gui, timer-support and posix-fd-support. The note, MIDI and transport
// records are left out except for the transport record's layout, which a process call points to.
//
// Presets. CLAP 1.1.1 has no stable preset mechanism: its only one is the draft "preset-load"
// extension, which loads a file by path and comes with no way for a host to list presets. This
// plug-in offers its programs through a stepped "Program" parameter instead (see clap_plugin.cpp);
// the draft id is kept below only so that the ABI test can confirm what the version offered.
#pragma once

#include <cstddef>
#include <cstdint>

// Every function of the interface uses the C calling convention of the platform; on 32-bit
// Windows that is cdecl, named here because a compiler may be told to default to another.
#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define SARVO_CLAP_CALL __cdecl
#else
#define SARVO_CLAP_CALL
#endif

namespace clap {

// ====================================================================== basics

// The interface version a record was made for. A host loads a module whose major version is 1
// and whose minor version is any.
struct Version {
    uint32_t major;
    uint32_t minor;
    uint32_t revision;
};
constexpr Version kVersion = {1, 1, 1};
constexpr bool versionIsCompatible(const Version& v) { return v.major >= 1; }

// Identifies parameters, timers, ports. kInvalidId is "none".
using Id = uint32_t;
constexpr Id kInvalidId = UINT32_MAX;

// Text fields of fixed size that the other side fills (port and parameter names, module paths).
constexpr std::size_t kNameSize = 256;
constexpr std::size_t kPathSize = 1024;

struct Host;
struct Plugin;

// ====================================================================== entry and factory

// The one symbol a module exports, named "clap_entry": a record (data, not a function).
// init(path) is called first with the module's own path, deinit() last; a host may call them
// more than once, so the module counts them. get_factory hands out a factory by id, or null.
struct PluginEntry {
    Version clap_version;
    bool(SARVO_CLAP_CALL* init)(const char* plugin_path);
    void(SARVO_CLAP_CALL* deinit)();
    const void*(SARVO_CLAP_CALL* get_factory)(const char* factory_id);
};
constexpr char kEntrySymbol[] = "clap_entry";

// What a plug-in tells about itself before it exists. Strings are UTF-8; id and name may not be
// empty; features is a null-terminated array of words (see the feature words below).
struct PluginDescriptor {
    Version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char** features;
};

// Feature words a descriptor may carry (a few of those the CLAP format defines).
constexpr char kFeatureAudioEffect[] = "audio-effect";
constexpr char kFeatureInstrument[] = "instrument";
constexpr char kFeatureDistortion[] = "distortion";
constexpr char kFeatureStereo[] = "stereo";
constexpr char kFeatureMono[] = "mono";

// The factory that lists and makes plug-ins; get_factory(kPluginFactoryId) returns one.
// create_plugin returns null for an unknown id or a host whose version is not compatible.
struct PluginFactory {
    uint32_t(SARVO_CLAP_CALL* get_plugin_count)(const PluginFactory* factory);
    const PluginDescriptor*(SARVO_CLAP_CALL* get_plugin_descriptor)(const PluginFactory* factory, uint32_t index);
    const Plugin*(SARVO_CLAP_CALL* create_plugin)(const PluginFactory* factory, const Host* host,
                                                  const char* plugin_id);
};
constexpr char kPluginFactoryId[] = "clap.plugin-factory";

// ====================================================================== events

// Every event starts with this header; `size` is the whole event's size in bytes, `time` the frame
// within the block it applies at. Events of a list come in time order.
struct EventHeader {
    uint32_t size;
    uint32_t time;
    uint16_t space_id;
    uint16_t type;
    uint32_t flags;
};
constexpr uint16_t kCoreEventSpace = 0;

// Header flags.
constexpr uint32_t kEventIsLive = 1u << 0;  // a live user edit, not playback of automation
constexpr uint32_t kEventDontRecord = 1u << 1;  // the host should not record it

// Event types of the core space.
enum EventType : uint16_t {
    kEventNoteOn = 0,
    kEventNoteOff = 1,
    kEventNoteChoke = 2,
    kEventNoteEnd = 3,
    kEventNoteExpression = 4,
    kEventParamValue = 5,
    kEventParamMod = 6,
    kEventParamGestureBegin = 7,
    kEventParamGestureEnd = 8,
    kEventTransport = 9,
    kEventMidi = 10,
    kEventMidiSysex = 11,
    kEventMidi2 = 12,
};

// A parameter takes a new plain value (in the parameter's own range). note_id, port_index,
// channel and key narrow it to one voice; -1 means all. cookie is what the plug-in put in the
// parameter's info, or null.
struct ParamValueEvent {
    EventHeader header;
    Id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double value;
};

// A modulation offset for a parameter (not used by this plug-in; its layout is part of the list).
struct ParamModEvent {
    EventHeader header;
    Id param_id;
    void* cookie;
    int32_t note_id;
    int16_t port_index;
    int16_t channel;
    int16_t key;
    double amount;
};

// The user grabs (begin) or lets go (end) of a parameter's control.
struct ParamGestureEvent {
    EventHeader header;
    Id param_id;
};

// Musical time: beats and seconds are fixed point numbers with 31 fractional bits.
using BeatTime = int64_t;
using SecTime = int64_t;
constexpr int64_t kFixedPointOne = int64_t(1) << 31;

struct TransportEvent {
    EventHeader header;
    uint32_t flags;
    BeatTime song_pos_beats;
    SecTime song_pos_seconds;
    double tempo;
    double tempo_inc;
    BeatTime loop_start_beats;
    BeatTime loop_end_beats;
    SecTime loop_start_seconds;
    SecTime loop_end_seconds;
    BeatTime bar_start;
    int32_t bar_number;
    uint16_t tsig_num;
    uint16_t tsig_denom;
};

// The events a host hands in, in time order, and the list a plug-in pushes its own into.
struct InputEvents {
    void* ctx;
    uint32_t(SARVO_CLAP_CALL* size)(const InputEvents* list);
    const EventHeader*(SARVO_CLAP_CALL* get)(const InputEvents* list, uint32_t index);
};
struct OutputEvents {
    void* ctx;
    bool(SARVO_CLAP_CALL* try_push)(const OutputEvents* list, const EventHeader* event);
};

// ====================================================================== processing

// One port's channels for one block. Exactly one of data32 and data64 is set. constant_mask bit n
// says channel n holds one value for the whole block.
struct AudioBuffer {
    float** data32;
    double** data64;
    uint32_t channel_count;
    uint32_t latency;
    uint64_t constant_mask;
};

// One call of Plugin::process: frames_count frames of every port, and the events for the block.
struct Process {
    int64_t steady_time;  // a running frame count, or -1
    uint32_t frames_count;
    const TransportEvent* transport;  // null while the transport is free-running
    const AudioBuffer* audio_inputs;
    AudioBuffer* audio_outputs;
    uint32_t audio_inputs_count;
    uint32_t audio_outputs_count;
    const InputEvents* in_events;
    const OutputEvents* out_events;
};

// What process answers.
enum ProcessStatus : int32_t {
    kProcessError = 0,
    kProcessContinue = 1,
    kProcessContinueIfNotQuiet = 2,
    kProcessTail = 3,
    kProcessSleep = 4,
};

// ====================================================================== plug-in and host

// An instance as the host sees it. Threads, as the CLAP format sets them: init, destroy, activate, deactivate,
// get_extension and on_main_thread on the main thread; start_processing, stop_processing, reset
// and process on the audio thread while active.
struct Plugin {
    const PluginDescriptor* desc;
    void* plugin_data;  // the plug-in's own
    bool(SARVO_CLAP_CALL* init)(const Plugin* plugin);
    void(SARVO_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* activate)(const Plugin* plugin, double sample_rate, uint32_t min_frames_count,
                                    uint32_t max_frames_count);
    void(SARVO_CLAP_CALL* deactivate)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* start_processing)(const Plugin* plugin);
    void(SARVO_CLAP_CALL* stop_processing)(const Plugin* plugin);
    void(SARVO_CLAP_CALL* reset)(const Plugin* plugin);
    int32_t(SARVO_CLAP_CALL* process)(const Plugin* plugin, const Process* process);  // a ProcessStatus
    const void*(SARVO_CLAP_CALL* get_extension)(const Plugin* plugin, const char* id);
    void(SARVO_CLAP_CALL* on_main_thread)(const Plugin* plugin);
};

// The host as a plug-in sees it. request_callback asks for one on_main_thread call soon; it may
// be called from any thread.
struct Host {
    Version clap_version;
    void* host_data;  // the host's own
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    const void*(SARVO_CLAP_CALL* get_extension)(const Host* host, const char* extension_id);
    void(SARVO_CLAP_CALL* request_restart)(const Host* host);
    void(SARVO_CLAP_CALL* request_process)(const Host* host);
    void(SARVO_CLAP_CALL* request_callback)(const Host* host);
};

// ====================================================================== streams

// Byte streams for state. read and write may move fewer bytes than asked; they answer the count
// moved, 0 at the end of the input, and a negative number on an error.
struct InputStream {
    void* ctx;
    int64_t(SARVO_CLAP_CALL* read)(const InputStream* stream, void* buffer, uint64_t size);
};
struct OutputStream {
    void* ctx;
    int64_t(SARVO_CLAP_CALL* write)(const OutputStream* stream, const void* buffer, uint64_t size);
};

// ====================================================================== extension: audio-ports

constexpr char kExtAudioPorts[] = "clap.audio-ports";
constexpr char kPortMono[] = "mono";
constexpr char kPortStereo[] = "stereo";

enum AudioPortFlags : uint32_t {
    kAudioPortIsMain = 1u << 0,
    kAudioPortSupports64Bits = 1u << 1,
    kAudioPortPrefers64Bits = 1u << 2,
    kAudioPortRequiresCommonSampleSize = 1u << 3,
};

// in_place_pair: the id of the port on the other side whose buffer this one may share, or
// kInvalidId.
struct AudioPortInfo {
    Id id;
    char name[kNameSize];
    uint32_t flags;
    uint32_t channel_count;
    const char* port_type;
    Id in_place_pair;
};

struct PluginAudioPorts {
    uint32_t(SARVO_CLAP_CALL* count)(const Plugin* plugin, bool is_input);
    bool(SARVO_CLAP_CALL* get)(const Plugin* plugin, uint32_t index, bool is_input, AudioPortInfo* info);
};
struct HostAudioPorts {
    bool(SARVO_CLAP_CALL* is_rescan_flag_supported)(const Host* host, uint32_t flag);
    void(SARVO_CLAP_CALL* rescan)(const Host* host, uint32_t flags);
};

// ====================================================================== extension: params

constexpr char kExtParams[] = "clap.params";

enum ParamInfoFlags : uint32_t {
    kParamIsStepped = 1u << 0,
    kParamIsPeriodic = 1u << 1,
    kParamIsHidden = 1u << 2,
    kParamIsReadonly = 1u << 3,
    kParamIsBypass = 1u << 4,
    kParamIsAutomatable = 1u << 5,
    kParamIsAutomatablePerNoteId = 1u << 6,
    kParamIsAutomatablePerKey = 1u << 7,
    kParamIsAutomatablePerChannel = 1u << 8,
    kParamIsAutomatablePerPort = 1u << 9,
    kParamIsModulatable = 1u << 10,
    kParamIsModulatablePerNoteId = 1u << 11,
    kParamIsModulatablePerKey = 1u << 12,
    kParamIsModulatablePerChannel = 1u << 13,
    kParamIsModulatablePerPort = 1u << 14,
    kParamRequiresProcess = 1u << 15,
};

// Values are plain numbers in min_value .. max_value (not normalised). module is a path of
// groups separated by "/" ("" for none).
struct ParamInfo {
    Id id;
    uint32_t flags;
    void* cookie;
    char name[kNameSize];
    char module[kPathSize];
    double min_value;
    double max_value;
    double default_value;
};

// get_info takes an index (0 .. count-1), the others an id. flush delivers events without audio:
// on the main thread while inactive, on the audio thread while active and not processing.
struct PluginParams {
    uint32_t(SARVO_CLAP_CALL* count)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* get_info)(const Plugin* plugin, uint32_t param_index, ParamInfo* info);
    bool(SARVO_CLAP_CALL* get_value)(const Plugin* plugin, Id param_id, double* value);
    bool(SARVO_CLAP_CALL* value_to_text)(const Plugin* plugin, Id param_id, double value, char* display, uint32_t size);
    bool(SARVO_CLAP_CALL* text_to_value)(const Plugin* plugin, Id param_id, const char* display, double* value);
    void(SARVO_CLAP_CALL* flush)(const Plugin* plugin, const InputEvents* in, const OutputEvents* out);
};

enum ParamRescanFlags : uint32_t {
    kParamRescanValues = 1u << 0,
    kParamRescanText = 1u << 1,
    kParamRescanInfo = 1u << 2,
    kParamRescanAll = 1u << 3,
};
enum ParamClearFlags : uint32_t {
    kParamClearAll = 1u << 0,
    kParamClearAutomations = 1u << 1,
    kParamClearModulations = 1u << 2,
};

struct HostParams {
    void(SARVO_CLAP_CALL* rescan)(const Host* host, uint32_t flags);
    void(SARVO_CLAP_CALL* clear)(const Host* host, Id param_id, uint32_t flags);
    void(SARVO_CLAP_CALL* request_flush)(const Host* host);
};

// ====================================================================== extension: state

constexpr char kExtState[] = "clap.state";

struct PluginState {
    bool(SARVO_CLAP_CALL* save)(const Plugin* plugin, const OutputStream* stream);
    bool(SARVO_CLAP_CALL* load)(const Plugin* plugin, const InputStream* stream);
};
struct HostState {
    void(SARVO_CLAP_CALL* mark_dirty)(const Host* host);
};

// ====================================================================== extension: latency

constexpr char kExtLatency[] = "clap.latency";

struct PluginLatency {
    uint32_t(SARVO_CLAP_CALL* get)(const Plugin* plugin);
};
struct HostLatency {
    void(SARVO_CLAP_CALL* changed)(const Host* host);
};

// ====================================================================== extension: gui

constexpr char kExtGui[] = "clap.gui";
constexpr char kWindowApiWin32[] = "win32";
constexpr char kWindowApiCocoa[] = "cocoa";
constexpr char kWindowApiX11[] = "x11";
constexpr char kWindowApiWayland[] = "wayland";

// A window of the host's: api names which member of the union holds it.
struct Window {
    const char* api;
    union {
        void* cocoa;  // an NSView
        unsigned long x11;  // an X11 Window id
        void* win32;  // an HWND
        void* ptr;  // any other
    };
};

struct GuiResizeHints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    uint32_t aspect_ratio_width;
    uint32_t aspect_ratio_height;
};

// All on the main thread. An embedded editor goes: create(api, false), set_scale, get_size,
// set_parent, show ... hide, destroy.
struct PluginGui {
    bool(SARVO_CLAP_CALL* is_api_supported)(const Plugin* plugin, const char* api, bool is_floating);
    bool(SARVO_CLAP_CALL* get_preferred_api)(const Plugin* plugin, const char** api, bool* is_floating);
    bool(SARVO_CLAP_CALL* create)(const Plugin* plugin, const char* api, bool is_floating);
    void(SARVO_CLAP_CALL* destroy)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* set_scale)(const Plugin* plugin, double scale);
    bool(SARVO_CLAP_CALL* get_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(SARVO_CLAP_CALL* can_resize)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* get_resize_hints)(const Plugin* plugin, GuiResizeHints* hints);
    bool(SARVO_CLAP_CALL* adjust_size)(const Plugin* plugin, uint32_t* width, uint32_t* height);
    bool(SARVO_CLAP_CALL* set_size)(const Plugin* plugin, uint32_t width, uint32_t height);
    bool(SARVO_CLAP_CALL* set_parent)(const Plugin* plugin, const Window* window);
    bool(SARVO_CLAP_CALL* set_transient)(const Plugin* plugin, const Window* window);
    void(SARVO_CLAP_CALL* suggest_title)(const Plugin* plugin, const char* title);
    bool(SARVO_CLAP_CALL* show)(const Plugin* plugin);
    bool(SARVO_CLAP_CALL* hide)(const Plugin* plugin);
};

struct HostGui {
    void(SARVO_CLAP_CALL* resize_hints_changed)(const Host* host);
    bool(SARVO_CLAP_CALL* request_resize)(const Host* host, uint32_t width, uint32_t height);
    bool(SARVO_CLAP_CALL* request_show)(const Host* host);
    bool(SARVO_CLAP_CALL* request_hide)(const Host* host);
    void(SARVO_CLAP_CALL* closed)(const Host* host, bool was_destroyed);
};

// ====================================================================== extension: timer-support

constexpr char kExtTimerSupport[] = "clap.timer-support";

// The host calls on_timer on the main thread every period_ms (roughly) until unregistered.
struct PluginTimerSupport {
    void(SARVO_CLAP_CALL* on_timer)(const Plugin* plugin, Id timer_id);
};
struct HostTimerSupport {
    bool(SARVO_CLAP_CALL* register_timer)(const Host* host, uint32_t period_ms, Id* timer_id);
    bool(SARVO_CLAP_CALL* unregister_timer)(const Host* host, Id timer_id);
};

// ====================================================================== extension: posix-fd-support

constexpr char kExtPosixFdSupport[] = "clap.posix-fd-support";

enum PosixFdFlags : uint32_t {
    kFdRead = 1u << 0,
    kFdWrite = 1u << 1,
    kFdError = 1u << 2,
};

// The host watches a file descriptor in its main loop and calls on_fd on the main thread when it
// is ready in one of the registered ways.
struct PluginPosixFdSupport {
    void(SARVO_CLAP_CALL* on_fd)(const Plugin* plugin, int fd, uint32_t flags);
};
struct HostPosixFdSupport {
    bool(SARVO_CLAP_CALL* register_fd)(const Host* host, int fd, uint32_t flags);
    bool(SARVO_CLAP_CALL* modify_fd)(const Host* host, int fd, uint32_t flags);
    bool(SARVO_CLAP_CALL* unregister_fd)(const Host* host, int fd);
};

// ====================================================================== draft: preset-load

// The draft of CLAP 1.1.1 (not offered by this plug-in; see the top of this file).
constexpr char kExtPresetLoadDraft[] = "clap.preset-load.draft/0";
struct PluginPresetLoadDraft {
    bool(SARVO_CLAP_CALL* from_file)(const Plugin* plugin, const char* path);
};

}  // namespace clap
