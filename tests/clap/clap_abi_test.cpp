// Our CLAP header against the format's own headers of version 1.1.1, as Debian's dpf-source
// package installs them (SARVO_CLAP_REFERENCE_INCLUDE, a test-only dependency): every record's size
// and alignment, every field's offset, size and type (a function pointer's whole signature, with
// our records mapped to theirs), and every identifier and constant. Built by each configuration,
// so the 32-bit and 64-bit Windows layouts are compared by the same compiler that builds the module.
#include "clap/clap_abi.h"

#include <clap/entry.h>
#include <clap/plugin-factory.h>
#include <clap/plugin-features.h>
#include <clap/ext/audio-ports.h>
#include <clap/ext/gui.h>
#include <clap/ext/latency.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>

namespace {

// ---------------------------------------------------------------- our types, mapped to theirs
// Theirs<T> names the packaged type that stands where our T stands. Primitive types map to
// themselves; pointers, const and function pointers map part by part.
template <class T>
struct MapType {
    using type = T;
};
template <class T>
using Theirs = typename MapType<T>::type;
template <class T>
struct MapType<const T> {
    using type = const Theirs<T>;
};
template <class T>
struct MapType<T*> {
    using type = Theirs<T>*;
};
template <class T, std::size_t N>
struct MapType<T[N]> {
    using type = Theirs<T>[N];
};
template <class R, class... A>
struct MapType<R (*)(A...)> {
    using type = Theirs<R> (*)(Theirs<A>...);
};

#define SARVO_MAP(ours, theirs)                                                                                        \
    template <>                                                                                                        \
    struct MapType<ours> {                                                                                             \
        using type = theirs;                                                                                           \
    };
SARVO_MAP(clap::Version, clap_version_t)
SARVO_MAP(clap::PluginEntry, clap_plugin_entry_t)
SARVO_MAP(clap::PluginDescriptor, clap_plugin_descriptor_t)
SARVO_MAP(clap::PluginFactory, clap_plugin_factory_t)
SARVO_MAP(clap::EventHeader, clap_event_header_t)
SARVO_MAP(clap::ParamValueEvent, clap_event_param_value_t)
SARVO_MAP(clap::ParamModEvent, clap_event_param_mod_t)
SARVO_MAP(clap::ParamGestureEvent, clap_event_param_gesture_t)
SARVO_MAP(clap::TransportEvent, clap_event_transport_t)
SARVO_MAP(clap::InputEvents, clap_input_events_t)
SARVO_MAP(clap::OutputEvents, clap_output_events_t)
SARVO_MAP(clap::AudioBuffer, clap_audio_buffer_t)
SARVO_MAP(clap::Process, clap_process_t)
SARVO_MAP(clap::Plugin, clap_plugin_t)
SARVO_MAP(clap::Host, clap_host_t)
SARVO_MAP(clap::InputStream, clap_istream_t)
SARVO_MAP(clap::OutputStream, clap_ostream_t)
SARVO_MAP(clap::AudioPortInfo, clap_audio_port_info_t)
SARVO_MAP(clap::PluginAudioPorts, clap_plugin_audio_ports_t)
SARVO_MAP(clap::HostAudioPorts, clap_host_audio_ports_t)
SARVO_MAP(clap::ParamInfo, clap_param_info_t)
SARVO_MAP(clap::PluginParams, clap_plugin_params_t)
SARVO_MAP(clap::HostParams, clap_host_params_t)
SARVO_MAP(clap::PluginState, clap_plugin_state_t)
SARVO_MAP(clap::HostState, clap_host_state_t)
SARVO_MAP(clap::PluginLatency, clap_plugin_latency_t)
SARVO_MAP(clap::HostLatency, clap_host_latency_t)
SARVO_MAP(clap::Window, clap_window_t)
SARVO_MAP(clap::GuiResizeHints, clap_gui_resize_hints_t)
SARVO_MAP(clap::PluginGui, clap_plugin_gui_t)
SARVO_MAP(clap::HostGui, clap_host_gui_t)
SARVO_MAP(clap::PluginTimerSupport, clap_plugin_timer_support_t)
SARVO_MAP(clap::HostTimerSupport, clap_host_timer_support_t)
#undef SARVO_MAP

// Collects every mismatch of a record, so one failure names them all.
struct Layout {
    std::string failures;
    void fail(const std::string& what) { failures += "  " + what + "\n"; }
};

template <class Ours, class TheirsT>
void compareRecord(Layout& layout, const char* name)
{
    static_assert(std::is_same<Theirs<Ours>, TheirsT>::value, "record mapped");
    if (sizeof(Ours) != sizeof(TheirsT))
        layout.fail(std::string(name) + ": size " + std::to_string(sizeof(Ours)) + ", theirs " +
                    std::to_string(sizeof(TheirsT)));
    if (alignof(Ours) != alignof(TheirsT))
        layout.fail(std::string(name) + ": alignment " + std::to_string(alignof(Ours)) + ", theirs " +
                    std::to_string(alignof(TheirsT)));
}

// One field: the same offset, the same size and, mapped, the same type.
#define SARVO_FIELD(ours, ourField, theirs, theirField)                                                                \
    do {                                                                                                               \
        using OurType = decltype(ours::ourField);                                                                      \
        using TheirType = decltype(theirs::theirField);                                                                \
        if (offsetof(ours, ourField) != offsetof(theirs, theirField))                                                  \
            layout.fail(#ours "::" #ourField ": offset " + std::to_string(offsetof(ours, ourField)) + ", theirs " +    \
                        std::to_string(offsetof(theirs, theirField)));                                                 \
        if (sizeof(OurType) != sizeof(TheirType)) layout.fail(#ours "::" #ourField ": size differs");                  \
        if (!std::is_same<Theirs<OurType>, TheirType>::value) layout.fail(#ours "::" #ourField ": type differs");      \
    } while (0)
#define SARVO_SAME(ours, theirs, field) SARVO_FIELD(ours, field, theirs, field)

TEST(ClapAbi, RecordsHaveTheLayoutOfThePackagedHeaders)
{
    Layout layout;
    using namespace clap;

    compareRecord<Version, clap_version_t>(layout, "Version");
    SARVO_SAME(Version, clap_version_t, major);
    SARVO_SAME(Version, clap_version_t, minor);
    SARVO_SAME(Version, clap_version_t, revision);

    compareRecord<PluginEntry, clap_plugin_entry_t>(layout, "PluginEntry");
    SARVO_SAME(PluginEntry, clap_plugin_entry_t, clap_version);
    SARVO_SAME(PluginEntry, clap_plugin_entry_t, init);
    SARVO_SAME(PluginEntry, clap_plugin_entry_t, deinit);
    SARVO_SAME(PluginEntry, clap_plugin_entry_t, get_factory);

    compareRecord<PluginDescriptor, clap_plugin_descriptor_t>(layout, "PluginDescriptor");
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, clap_version);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, id);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, name);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, vendor);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, url);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, manual_url);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, support_url);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, version);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, description);
    SARVO_SAME(PluginDescriptor, clap_plugin_descriptor_t, features);

    compareRecord<PluginFactory, clap_plugin_factory_t>(layout, "PluginFactory");
    SARVO_SAME(PluginFactory, clap_plugin_factory_t, get_plugin_count);
    SARVO_SAME(PluginFactory, clap_plugin_factory_t, get_plugin_descriptor);
    SARVO_SAME(PluginFactory, clap_plugin_factory_t, create_plugin);

    compareRecord<EventHeader, clap_event_header_t>(layout, "EventHeader");
    SARVO_SAME(EventHeader, clap_event_header_t, size);
    SARVO_SAME(EventHeader, clap_event_header_t, time);
    SARVO_SAME(EventHeader, clap_event_header_t, space_id);
    SARVO_SAME(EventHeader, clap_event_header_t, type);
    SARVO_SAME(EventHeader, clap_event_header_t, flags);

    compareRecord<ParamValueEvent, clap_event_param_value_t>(layout, "ParamValueEvent");
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, header);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, param_id);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, cookie);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, note_id);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, port_index);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, channel);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, key);
    SARVO_SAME(ParamValueEvent, clap_event_param_value_t, value);

    compareRecord<ParamModEvent, clap_event_param_mod_t>(layout, "ParamModEvent");
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, header);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, param_id);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, cookie);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, note_id);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, port_index);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, channel);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, key);
    SARVO_SAME(ParamModEvent, clap_event_param_mod_t, amount);

    compareRecord<ParamGestureEvent, clap_event_param_gesture_t>(layout, "ParamGestureEvent");
    SARVO_SAME(ParamGestureEvent, clap_event_param_gesture_t, header);
    SARVO_SAME(ParamGestureEvent, clap_event_param_gesture_t, param_id);

    compareRecord<TransportEvent, clap_event_transport_t>(layout, "TransportEvent");
    SARVO_SAME(TransportEvent, clap_event_transport_t, header);
    SARVO_SAME(TransportEvent, clap_event_transport_t, flags);
    SARVO_SAME(TransportEvent, clap_event_transport_t, song_pos_beats);
    SARVO_SAME(TransportEvent, clap_event_transport_t, song_pos_seconds);
    SARVO_SAME(TransportEvent, clap_event_transport_t, tempo);
    SARVO_SAME(TransportEvent, clap_event_transport_t, tempo_inc);
    SARVO_SAME(TransportEvent, clap_event_transport_t, loop_start_beats);
    SARVO_SAME(TransportEvent, clap_event_transport_t, loop_end_beats);
    SARVO_SAME(TransportEvent, clap_event_transport_t, loop_start_seconds);
    SARVO_SAME(TransportEvent, clap_event_transport_t, loop_end_seconds);
    SARVO_SAME(TransportEvent, clap_event_transport_t, bar_start);
    SARVO_SAME(TransportEvent, clap_event_transport_t, bar_number);
    SARVO_SAME(TransportEvent, clap_event_transport_t, tsig_num);
    SARVO_SAME(TransportEvent, clap_event_transport_t, tsig_denom);

    compareRecord<InputEvents, clap_input_events_t>(layout, "InputEvents");
    SARVO_SAME(InputEvents, clap_input_events_t, ctx);
    SARVO_SAME(InputEvents, clap_input_events_t, size);
    SARVO_SAME(InputEvents, clap_input_events_t, get);
    compareRecord<OutputEvents, clap_output_events_t>(layout, "OutputEvents");
    SARVO_SAME(OutputEvents, clap_output_events_t, ctx);
    SARVO_SAME(OutputEvents, clap_output_events_t, try_push);

    compareRecord<AudioBuffer, clap_audio_buffer_t>(layout, "AudioBuffer");
    SARVO_SAME(AudioBuffer, clap_audio_buffer_t, data32);
    SARVO_SAME(AudioBuffer, clap_audio_buffer_t, data64);
    SARVO_SAME(AudioBuffer, clap_audio_buffer_t, channel_count);
    SARVO_SAME(AudioBuffer, clap_audio_buffer_t, latency);
    SARVO_SAME(AudioBuffer, clap_audio_buffer_t, constant_mask);

    compareRecord<Process, clap_process_t>(layout, "Process");
    SARVO_SAME(Process, clap_process_t, steady_time);
    SARVO_SAME(Process, clap_process_t, frames_count);
    SARVO_SAME(Process, clap_process_t, transport);
    SARVO_SAME(Process, clap_process_t, audio_inputs);
    SARVO_SAME(Process, clap_process_t, audio_outputs);
    SARVO_SAME(Process, clap_process_t, audio_inputs_count);
    SARVO_SAME(Process, clap_process_t, audio_outputs_count);
    SARVO_SAME(Process, clap_process_t, in_events);
    SARVO_SAME(Process, clap_process_t, out_events);

    compareRecord<Plugin, clap_plugin_t>(layout, "Plugin");
    SARVO_SAME(Plugin, clap_plugin_t, desc);
    SARVO_SAME(Plugin, clap_plugin_t, plugin_data);
    SARVO_SAME(Plugin, clap_plugin_t, init);
    SARVO_SAME(Plugin, clap_plugin_t, destroy);
    SARVO_SAME(Plugin, clap_plugin_t, activate);
    SARVO_SAME(Plugin, clap_plugin_t, deactivate);
    SARVO_SAME(Plugin, clap_plugin_t, start_processing);
    SARVO_SAME(Plugin, clap_plugin_t, stop_processing);
    SARVO_SAME(Plugin, clap_plugin_t, reset);
    SARVO_SAME(Plugin, clap_plugin_t, process);
    SARVO_SAME(Plugin, clap_plugin_t, get_extension);
    SARVO_SAME(Plugin, clap_plugin_t, on_main_thread);

    compareRecord<Host, clap_host_t>(layout, "Host");
    SARVO_SAME(Host, clap_host_t, clap_version);
    SARVO_SAME(Host, clap_host_t, host_data);
    SARVO_SAME(Host, clap_host_t, name);
    SARVO_SAME(Host, clap_host_t, vendor);
    SARVO_SAME(Host, clap_host_t, url);
    SARVO_SAME(Host, clap_host_t, version);
    SARVO_SAME(Host, clap_host_t, get_extension);
    SARVO_SAME(Host, clap_host_t, request_restart);
    SARVO_SAME(Host, clap_host_t, request_process);
    SARVO_SAME(Host, clap_host_t, request_callback);

    compareRecord<InputStream, clap_istream_t>(layout, "InputStream");
    SARVO_SAME(InputStream, clap_istream_t, ctx);
    SARVO_SAME(InputStream, clap_istream_t, read);
    compareRecord<OutputStream, clap_ostream_t>(layout, "OutputStream");
    SARVO_SAME(OutputStream, clap_ostream_t, ctx);
    SARVO_SAME(OutputStream, clap_ostream_t, write);

    compareRecord<AudioPortInfo, clap_audio_port_info_t>(layout, "AudioPortInfo");
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, id);
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, name);
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, flags);
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, channel_count);
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, port_type);
    SARVO_SAME(AudioPortInfo, clap_audio_port_info_t, in_place_pair);
    compareRecord<PluginAudioPorts, clap_plugin_audio_ports_t>(layout, "PluginAudioPorts");
    SARVO_SAME(PluginAudioPorts, clap_plugin_audio_ports_t, count);
    SARVO_SAME(PluginAudioPorts, clap_plugin_audio_ports_t, get);
    compareRecord<HostAudioPorts, clap_host_audio_ports_t>(layout, "HostAudioPorts");
    SARVO_SAME(HostAudioPorts, clap_host_audio_ports_t, is_rescan_flag_supported);
    SARVO_SAME(HostAudioPorts, clap_host_audio_ports_t, rescan);

    compareRecord<ParamInfo, clap_param_info_t>(layout, "ParamInfo");
    SARVO_SAME(ParamInfo, clap_param_info_t, id);
    SARVO_SAME(ParamInfo, clap_param_info_t, flags);
    SARVO_SAME(ParamInfo, clap_param_info_t, cookie);
    SARVO_SAME(ParamInfo, clap_param_info_t, name);
    SARVO_SAME(ParamInfo, clap_param_info_t, module);
    SARVO_SAME(ParamInfo, clap_param_info_t, min_value);
    SARVO_SAME(ParamInfo, clap_param_info_t, max_value);
    SARVO_SAME(ParamInfo, clap_param_info_t, default_value);
    compareRecord<PluginParams, clap_plugin_params_t>(layout, "PluginParams");
    SARVO_SAME(PluginParams, clap_plugin_params_t, count);
    SARVO_SAME(PluginParams, clap_plugin_params_t, get_info);
    SARVO_SAME(PluginParams, clap_plugin_params_t, get_value);
    SARVO_SAME(PluginParams, clap_plugin_params_t, value_to_text);
    SARVO_SAME(PluginParams, clap_plugin_params_t, text_to_value);
    SARVO_SAME(PluginParams, clap_plugin_params_t, flush);
    compareRecord<HostParams, clap_host_params_t>(layout, "HostParams");
    SARVO_SAME(HostParams, clap_host_params_t, rescan);
    SARVO_SAME(HostParams, clap_host_params_t, clear);
    SARVO_SAME(HostParams, clap_host_params_t, request_flush);

    compareRecord<PluginState, clap_plugin_state_t>(layout, "PluginState");
    SARVO_SAME(PluginState, clap_plugin_state_t, save);
    SARVO_SAME(PluginState, clap_plugin_state_t, load);
    compareRecord<HostState, clap_host_state_t>(layout, "HostState");
    SARVO_SAME(HostState, clap_host_state_t, mark_dirty);

    compareRecord<PluginLatency, clap_plugin_latency_t>(layout, "PluginLatency");
    SARVO_SAME(PluginLatency, clap_plugin_latency_t, get);
    compareRecord<HostLatency, clap_host_latency_t>(layout, "HostLatency");
    SARVO_SAME(HostLatency, clap_host_latency_t, changed);

    compareRecord<Window, clap_window_t>(layout, "Window");
    SARVO_SAME(Window, clap_window_t, api);
    SARVO_SAME(Window, clap_window_t, cocoa);
    SARVO_SAME(Window, clap_window_t, x11);
    SARVO_SAME(Window, clap_window_t, win32);
    SARVO_SAME(Window, clap_window_t, ptr);
    compareRecord<GuiResizeHints, clap_gui_resize_hints_t>(layout, "GuiResizeHints");
    SARVO_SAME(GuiResizeHints, clap_gui_resize_hints_t, can_resize_horizontally);
    SARVO_SAME(GuiResizeHints, clap_gui_resize_hints_t, can_resize_vertically);
    SARVO_SAME(GuiResizeHints, clap_gui_resize_hints_t, preserve_aspect_ratio);
    SARVO_SAME(GuiResizeHints, clap_gui_resize_hints_t, aspect_ratio_width);
    SARVO_SAME(GuiResizeHints, clap_gui_resize_hints_t, aspect_ratio_height);
    compareRecord<PluginGui, clap_plugin_gui_t>(layout, "PluginGui");
    SARVO_SAME(PluginGui, clap_plugin_gui_t, is_api_supported);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, get_preferred_api);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, create);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, destroy);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, set_scale);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, get_size);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, can_resize);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, get_resize_hints);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, adjust_size);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, set_size);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, set_parent);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, set_transient);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, suggest_title);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, show);
    SARVO_SAME(PluginGui, clap_plugin_gui_t, hide);
    compareRecord<HostGui, clap_host_gui_t>(layout, "HostGui");
    SARVO_SAME(HostGui, clap_host_gui_t, resize_hints_changed);
    SARVO_SAME(HostGui, clap_host_gui_t, request_resize);
    SARVO_SAME(HostGui, clap_host_gui_t, request_show);
    SARVO_SAME(HostGui, clap_host_gui_t, request_hide);
    SARVO_SAME(HostGui, clap_host_gui_t, closed);

    compareRecord<PluginTimerSupport, clap_plugin_timer_support_t>(layout, "PluginTimerSupport");
    SARVO_SAME(PluginTimerSupport, clap_plugin_timer_support_t, on_timer);
    compareRecord<HostTimerSupport, clap_host_timer_support_t>(layout, "HostTimerSupport");
    SARVO_SAME(HostTimerSupport, clap_host_timer_support_t, register_timer);
    SARVO_SAME(HostTimerSupport, clap_host_timer_support_t, unregister_timer);

    EXPECT_TRUE(layout.failures.empty()) << "layouts that differ:\n" << layout.failures;
}

// Identifiers and constants: strings compared as text, numbers as values.
TEST(ClapAbi, IdentifiersAndConstantsAreThoseOfThePackagedHeaders)
{
    std::string failures;
    auto text = [&](const char* name, const char* ours, const char* theirs) {
        if (std::strcmp(ours, theirs) != 0)
            failures += std::string("  ") + name + ": \"" + ours + "\", theirs \"" + theirs + "\"\n";
    };
    auto number = [&](const char* name, long long ours, long long theirs) {
        if (ours != theirs)
            failures +=
                std::string("  ") + name + ": " + std::to_string(ours) + ", theirs " + std::to_string(theirs) + "\n";
    };
#define SARVO_TEXT(ours, theirs) text(#ours, clap::ours, theirs)
#define SARVO_NUMBER(ours, theirs) number(#ours, (long long)(clap::ours), (long long)(theirs))

    SARVO_NUMBER(kVersion.major, CLAP_VERSION_MAJOR);
    SARVO_NUMBER(kVersion.minor, CLAP_VERSION_MINOR);
    SARVO_NUMBER(kVersion.revision, CLAP_VERSION_REVISION);
    const clap_version_t older = {1, 0, 0}, newer = {1, 7, 3}, prerelease = {0, 9, 0};
    for (const clap_version_t& v : {older, newer, prerelease})
        number("versionIsCompatible", clap::versionIsCompatible({v.major, v.minor, v.revision}),
               clap_version_is_compatible(v));
    SARVO_NUMBER(kInvalidId, CLAP_INVALID_ID);
    SARVO_NUMBER(kNameSize, CLAP_NAME_SIZE);
    SARVO_NUMBER(kPathSize, CLAP_PATH_SIZE);

    SARVO_TEXT(kPluginFactoryId, CLAP_PLUGIN_FACTORY_ID);
    SARVO_TEXT(kFeatureAudioEffect, CLAP_PLUGIN_FEATURE_AUDIO_EFFECT);
    SARVO_TEXT(kFeatureInstrument, CLAP_PLUGIN_FEATURE_INSTRUMENT);
    SARVO_TEXT(kFeatureDistortion, CLAP_PLUGIN_FEATURE_DISTORTION);
    SARVO_TEXT(kFeatureStereo, CLAP_PLUGIN_FEATURE_STEREO);
    SARVO_TEXT(kFeatureMono, CLAP_PLUGIN_FEATURE_MONO);

    SARVO_NUMBER(kCoreEventSpace, CLAP_CORE_EVENT_SPACE_ID);
    SARVO_NUMBER(kEventIsLive, CLAP_EVENT_IS_LIVE);
    SARVO_NUMBER(kEventDontRecord, CLAP_EVENT_DONT_RECORD);
    SARVO_NUMBER(kEventNoteOn, CLAP_EVENT_NOTE_ON);
    SARVO_NUMBER(kEventNoteOff, CLAP_EVENT_NOTE_OFF);
    SARVO_NUMBER(kEventNoteChoke, CLAP_EVENT_NOTE_CHOKE);
    SARVO_NUMBER(kEventNoteEnd, CLAP_EVENT_NOTE_END);
    SARVO_NUMBER(kEventNoteExpression, CLAP_EVENT_NOTE_EXPRESSION);
    SARVO_NUMBER(kEventParamValue, CLAP_EVENT_PARAM_VALUE);
    SARVO_NUMBER(kEventParamMod, CLAP_EVENT_PARAM_MOD);
    SARVO_NUMBER(kEventParamGestureBegin, CLAP_EVENT_PARAM_GESTURE_BEGIN);
    SARVO_NUMBER(kEventParamGestureEnd, CLAP_EVENT_PARAM_GESTURE_END);
    SARVO_NUMBER(kEventTransport, CLAP_EVENT_TRANSPORT);
    SARVO_NUMBER(kEventMidi, CLAP_EVENT_MIDI);
    SARVO_NUMBER(kEventMidiSysex, CLAP_EVENT_MIDI_SYSEX);
    SARVO_NUMBER(kEventMidi2, CLAP_EVENT_MIDI2);
    SARVO_NUMBER(kFixedPointOne, CLAP_BEATTIME_FACTOR);
    SARVO_NUMBER(kFixedPointOne, CLAP_SECTIME_FACTOR);

    SARVO_NUMBER(kProcessError, CLAP_PROCESS_ERROR);
    SARVO_NUMBER(kProcessContinue, CLAP_PROCESS_CONTINUE);
    SARVO_NUMBER(kProcessContinueIfNotQuiet, CLAP_PROCESS_CONTINUE_IF_NOT_QUIET);
    SARVO_NUMBER(kProcessTail, CLAP_PROCESS_TAIL);
    SARVO_NUMBER(kProcessSleep, CLAP_PROCESS_SLEEP);

    SARVO_TEXT(kExtAudioPorts, CLAP_EXT_AUDIO_PORTS);
    SARVO_TEXT(kPortMono, CLAP_PORT_MONO);
    SARVO_TEXT(kPortStereo, CLAP_PORT_STEREO);
    SARVO_NUMBER(kAudioPortIsMain, CLAP_AUDIO_PORT_IS_MAIN);
    SARVO_NUMBER(kAudioPortSupports64Bits, CLAP_AUDIO_PORT_SUPPORTS_64BITS);
    SARVO_NUMBER(kAudioPortPrefers64Bits, CLAP_AUDIO_PORT_PREFERS_64BITS);
    SARVO_NUMBER(kAudioPortRequiresCommonSampleSize, CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE);

    SARVO_TEXT(kExtParams, CLAP_EXT_PARAMS);
    SARVO_NUMBER(kParamIsStepped, CLAP_PARAM_IS_STEPPED);
    SARVO_NUMBER(kParamIsPeriodic, CLAP_PARAM_IS_PERIODIC);
    SARVO_NUMBER(kParamIsHidden, CLAP_PARAM_IS_HIDDEN);
    SARVO_NUMBER(kParamIsReadonly, CLAP_PARAM_IS_READONLY);
    SARVO_NUMBER(kParamIsBypass, CLAP_PARAM_IS_BYPASS);
    SARVO_NUMBER(kParamIsAutomatable, CLAP_PARAM_IS_AUTOMATABLE);
    SARVO_NUMBER(kParamIsAutomatablePerNoteId, CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID);
    SARVO_NUMBER(kParamIsAutomatablePerKey, CLAP_PARAM_IS_AUTOMATABLE_PER_KEY);
    SARVO_NUMBER(kParamIsAutomatablePerChannel, CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL);
    SARVO_NUMBER(kParamIsAutomatablePerPort, CLAP_PARAM_IS_AUTOMATABLE_PER_PORT);
    SARVO_NUMBER(kParamIsModulatable, CLAP_PARAM_IS_MODULATABLE);
    SARVO_NUMBER(kParamIsModulatablePerNoteId, CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID);
    SARVO_NUMBER(kParamIsModulatablePerKey, CLAP_PARAM_IS_MODULATABLE_PER_KEY);
    SARVO_NUMBER(kParamIsModulatablePerChannel, CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL);
    SARVO_NUMBER(kParamIsModulatablePerPort, CLAP_PARAM_IS_MODULATABLE_PER_PORT);
    SARVO_NUMBER(kParamRequiresProcess, CLAP_PARAM_REQUIRES_PROCESS);
    SARVO_NUMBER(kParamRescanValues, CLAP_PARAM_RESCAN_VALUES);
    SARVO_NUMBER(kParamRescanText, CLAP_PARAM_RESCAN_TEXT);
    SARVO_NUMBER(kParamRescanInfo, CLAP_PARAM_RESCAN_INFO);
    SARVO_NUMBER(kParamRescanAll, CLAP_PARAM_RESCAN_ALL);
    SARVO_NUMBER(kParamClearAll, CLAP_PARAM_CLEAR_ALL);
    SARVO_NUMBER(kParamClearAutomations, CLAP_PARAM_CLEAR_AUTOMATIONS);
    SARVO_NUMBER(kParamClearModulations, CLAP_PARAM_CLEAR_MODULATIONS);

    SARVO_TEXT(kExtState, CLAP_EXT_STATE);
    SARVO_TEXT(kExtLatency, CLAP_EXT_LATENCY);
    SARVO_TEXT(kExtGui, CLAP_EXT_GUI);
    SARVO_TEXT(kWindowApiWin32, CLAP_WINDOW_API_WIN32);
    SARVO_TEXT(kWindowApiCocoa, CLAP_WINDOW_API_COCOA);
    SARVO_TEXT(kWindowApiX11, CLAP_WINDOW_API_X11);
    SARVO_TEXT(kWindowApiWayland, CLAP_WINDOW_API_WAYLAND);
    SARVO_TEXT(kExtTimerSupport, CLAP_EXT_TIMER_SUPPORT);
#undef SARVO_TEXT
#undef SARVO_NUMBER

    EXPECT_TRUE(failures.empty()) << "identifiers and constants that differ:\n" << failures;
}

}  // namespace
