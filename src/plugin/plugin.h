// The one effect as every plug-in format sees it: parameters, programs, state, processing and the
// editor, with no type of any plug-in format. Each format's front (VST 2.x, LV2, CLAP, VST3) is a
// thin wrapper over this interface; the composition root makes the object.
//
// Threads. Each call names who may make it:
//   [main]  the host's main (user-interface) thread;
//   [audio] the host's audio thread, while the effect is active;
//   [any]   either, also at the same time as the other.
// [rt] marks the calls that are real-time safe: no allocation, lock or system call. Calls that
// change parameters may come from [main] and [audio] at once; the audio thread always sees one
// consistent state. A bad index, a null pointer or a value that is not finite changes nothing
// (or is held to the parameter's range) and never makes the output non-finite.
#pragma once

#include <cstddef>
#include <cstdint>

namespace sarvo {

// What a front learns about one parameter. Parameter ids are the indices 0 .. count-1 and never
// change.
struct ParameterInfo {
    uint32_t id = 0;
    char name[32] = {};  // as the effect names it ("Gain")
    char unit[32] = {};  // the unit label of its display value ("dB", "%", "" for a switch)
    double defaultNormalised = 0.0;
    double minDisplay = 0.0;  // the display range, in the unit
    double maxDisplay = 1.0;
    double defaultDisplay = 0.0;
    uint32_t steps = 0;  // 0: continuous; n: n + 1 distinct values (a switch has 1)
};

// What the effect tells its front. Calls come on the thread the editor runs on ([main]); a front
// that passes them to its host does so at once.
class PluginListener {
public:
    virtual ~PluginListener() = default;
    // The editor's user grabs a control of parameter `id`, moves it, lets go.
    virtual void gestureBegan(uint32_t id) = 0;
    virtual void parameterEdited(uint32_t id, double normalised) = 0;
    virtual void gestureEnded(uint32_t id) = 0;
};

class Plugin {
public:
    virtual ~Plugin() = default;

    // ------------------------------------------------------------------ identity
    static constexpr const char* kName = "Sarvo";
    static constexpr const char* kVendor = "ONDX";
    static constexpr const char* kVersion = "1.0.0";
    static constexpr uint32_t kVersionNumber = 1000;  // as the VST 2.x module reports it

    // ------------------------------------------------------------------ parameters
    // [any][rt]
    virtual uint32_t parameterCount() const = 0;
    // [any][rt] false for a bad id.
    virtual bool parameterInfo(uint32_t id, ParameterInfo& info) const = 0;
    // [any][rt] The normalised value (0..1) in the current program; 0 for a bad id.
    virtual double parameterValue(uint32_t id) const = 0;
    // [any][rt] Stores a normalised value in the current program (held to 0..1, a switch rounded)
    // and updates the signal path; the editor follows at its next idle.
    virtual void setParameterValue(uint32_t id, double normalised) = 0;
    // [any][rt] Display value (in the unit) <-> normalised, by the parameter's own mapping.
    virtual double toDisplay(uint32_t id, double normalised) const = 0;
    virtual double toNormalised(uint32_t id, double display) const = 0;
    // [main] The effect's own text of a normalised value, without (valueText) or with the unit
    // (displayText). False for a bad id or a null or empty buffer; the text is cut to fit.
    virtual bool valueText(uint32_t id, double normalised, char* text, size_t size) const = 0;
    virtual bool displayText(uint32_t id, double normalised, char* text, size_t size) const = 0;
    // [main] Parses a text as the editor's text entry does (a trailing unit is ignored); false
    // for a bad id or a null text.
    virtual bool textToValue(uint32_t id, const char* text, double& normalised) const = 0;

    // ------------------------------------------------------------------ programs
    // [any][rt]
    virtual uint32_t programCount() const = 0;
    virtual uint32_t currentProgram() const = 0;
    // [main] False for a bad index. The text is cut to fit.
    virtual bool programName(uint32_t index, char* text, size_t size) const = 0;
    // [any][rt] Makes `index` the current program (its values reach the signal path at once, the
    // editor follows at its next idle); false for a bad index.
    virtual bool selectProgram(uint32_t index) = 0;

    // ------------------------------------------------------------------ state
    // The state every front stores: a version first, then the bank (all programs: the bytes of the
    // VST 2.x bank chunk), then the current program. Little-endian:
    //     offset 0    4 bytes  "SrvS"
    //     offset 4    4 bytes  kStateVersion
    //     offset 8    bankSize() bytes  the bank
    //     then        4 bytes  current program
    static constexpr uint32_t kStateVersion = 1;
    static constexpr size_t kStateBankOffset = 8;
    // [main]
    virtual size_t stateSize() const = 0;
    // [main] Writes stateSize() bytes; false (nothing written) when `size` is smaller.
    virtual bool saveState(void* out, size_t size) const = 0;
    // [main] Takes exactly stateSize() bytes of this layout and version, whose program names are
    // ended within their field, whose values all lie in 0..1 and whose current program exists.
    // Anything else is refused (false) and changes nothing.
    virtual bool loadState(const void* data, size_t size) = 0;
    // [main] The program record (one program) and bank chunks as the VST 2.x module gives them.
    virtual size_t programChunkSize() const = 0;
    virtual size_t bankSize() const = 0;

    // ------------------------------------------------------------------ processing
    // [main] While inactive. False (nothing changed) for a rate that is not finite, not above 0 or
    // above 10 MHz. Sizes the histories and filters, and resets them.
    virtual bool setSampleRate(double rate) = 0;
    // [main] While inactive: the most frames one process call will hand over (a hint).
    virtual void setMaxBlockSize(uint32_t frames) = 0;
    // [main] Processing starts (the filters start from silence) and stops.
    virtual void activate() = 0;
    virtual void deactivate() = 0;
    // [audio][rt] Two channels in, two out, any number of frames including 0. Input and output
    // may be the same buffers (in place). Double precision runs the signal path in doubles.
    virtual void process(const float* const* inputs, float* const* outputs, uint32_t frames) = 0;
    virtual void process(const double* const* inputs, double* const* outputs, uint32_t frames) = 0;
    // [any][rt] Bypass: the input is passed to the output unchanged.
    virtual void setBypass(bool bypassed) = 0;
    virtual bool bypassed() const = 0;

    // ------------------------------------------------------------------ editor
    // [main] Whether there is an editor at all (the skin parsed and a window system can show it).
    virtual bool hasEditor() const = 0;
    // [main] The editor's size in pixels at its scale: round(402 x scale) x round(333 x scale)
    // for the built-in skin; false without an editor.
    virtual bool editorSize(uint32_t& width, uint32_t& height) const = 0;
    // [main] Shows the editor at the scale (1 to 3: its pixels per skin pixel; 1 until set), drawn
    // at that resolution, not stretched. False (nothing changed) outside 1..3 or without an
    // editor. An open editor's window takes the new size at once; the caller tells its host.
    virtual bool setEditorScale(double scale) = 0;
    // [main] The scale the editor is shown at.
    virtual double editorScale() const = 0;
    // [main] Opens the editor as a child of the host's window (an X11 window id or an HWND);
    // false when no window could be made. Opening an open editor reopens it in the new parent.
    virtual bool openEditor(void* parent) = 0;
    // [main] Delivers the window's waiting events and repaints what changed (at most every 40 ms
    // for the signal displays); call it from the host's timer (every 16 to 40 ms) and when the
    // connection below becomes readable.
    virtual void editorIdle() = 0;
    // [main] The window system's connection to watch for events (an X11 file descriptor); -1
    // when there is none or the events arrive otherwise (Win32).
    virtual int editorEventFd() const = 0;
    // [main] Destroys the window; the editor can be opened again.
    virtual void closeEditor() = 0;
    virtual bool editorOpen() const = 0;
    // [main] The open editor's own window (an X11 window id or an HWND); null when closed.
    virtual void* editorWindow() const = 0;

    // [main] Whether an editor made elsewhere with this plug-in as its data source is showing: the
    // effect records its signal history while it is (as while its own editor is open).
    virtual void setWatched(bool watched) = 0;

    // [main] Where the effect's editor gestures go; null for nowhere. Not owned.
    virtual void setListener(PluginListener* listener) = 0;
};

struct PluginOptions {
    // An editor, when the window system can show one. Without it no window system is selected and
    // no skin is parsed (a plug-in whose editor is a separate module).
    bool editor = true;
    // The plug-in whose signal-path displays (histories, clip level) the editor shows instead of
    // its own, for an editor in another module than the audio; null for its own. It must outlive
    // the new plug-in.
    Plugin* dataSource = nullptr;
};

// [main] Makes the effect at 44100 Hz, inactive, program 0; null when it could not be made.
Plugin* createPlugin(const PluginOptions& options = PluginOptions());

}  // namespace sarvo
