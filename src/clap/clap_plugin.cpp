// One CLAP plug-in instance over the format-neutral plug-in.
//
// Parameters. Ids 0-3 are the effect's parameters (the VST 2.x indices) with their display ranges
// as CLAP's plain values (Gain 0..12 dB, Clip and Softness 0..100 %, Oversmp 0..1, stepped); id 4
// is the host's bypass (CLAP's bypass flag); id 5 selects one of the ten programs (stepped). CLAP
// 1.1.1 has no stable preset mechanism, so the program parameter is how a host reaches the
// programs: a change made in process is applied on the main thread (asked for with request_callback,
// or at the next main-thread call, as not every host answers that request), then the host hears the
// new values as events from the next process or flush call and is asked to read them again.
//
// Events in process are applied at their frames: the block is split there. The editor's gestures
// come on the main thread; they wait in a lock-free queue and go to the host as gesture-begin,
// value and gesture-end events from the next process or flush call (asked for with request_flush).
//
// State: the plug-in's own state (a version first, then the bank and the current program), read
// and written through streams that may move any number of bytes per call. Anything but exactly one
// state of this layout is refused and changes nothing.
//
// Editor: embedded in the host's window (X11 on Linux, Win32 on Windows), of one size. On Linux it
// is driven from the host's main loop only: the host's timer and its watch on the X connection
// (timer-support, posix-fd-support); there is no thread of our own.
#include "clap/clap_abi.h"
#include "clap/clap_plugin.h"
#include "plugin/plugin.h"

#include <atomic>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sarvo_clap {
namespace {

constexpr uint32_t kEffectParameters = 4;
constexpr clap::Id kBypassId = 4;
constexpr clap::Id kProgramId = 5;
constexpr uint32_t kParameterCount = 6;
constexpr uint32_t kIdleMs = 30;

#if defined(_WIN32)
const char* const kWindowApi = clap::kWindowApiWin32;
#else
const char* const kWindowApi = clap::kWindowApiX11;
#endif

void copyCut(char* out, size_t size, const char* text)
{
    if (!out || size == 0) return;
    size_t n = text ? std::strlen(text) : 0;
    if (n >= size) n = size - 1;
    if (n) std::memcpy(out, text, n);
    out[n] = '\0';
}

bool startsWithWord(const char* text, const char* word)
{
    for (; *word; ++text, ++word)
        if (std::tolower(static_cast<unsigned char>(*text)) != *word) return false;
    return true;
}

const char* skipBlanks(const char* text)
{
    while (*text == ' ' || *text == '\t') ++text;
    return text;
}

// A number at the start of the text (a unit may follow); false when there is none.
bool leadingNumber(const char* text, double& out)
{
    char* end = nullptr;
    out = std::strtod(text, &end);
    return end != text && std::isfinite(out);
}

// The editor's gestures on their way from the main thread to the audio thread: one writer (the
// main thread) and one reader (process or flush), without locks.
class GestureQueue {
public:
    struct Item {
        uint16_t type;  // a clap::EventType
        clap::Id id;
        double value;
    };
    bool push(const Item& item)
    {
        const uint32_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= kSize) return false;
        items_[head % kSize] = item;
        head_.store(head + 1, std::memory_order_release);
        return true;
    }
    bool peek(Item& item) const
    {
        const uint32_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return false;
        item = items_[tail % kSize];
        return true;
    }
    void pop() { tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release); }

private:
    static constexpr uint32_t kSize = 512;
    Item items_[kSize] = {};
    std::atomic<uint32_t> head_{0}, tail_{0};
};

class Instance final : public sarvo::PluginListener {
public:
    explicit Instance(const clap::Host* host);
    ~Instance() override;
    const clap::Plugin* record() const { return &record_; }

    // ---------------------------------------------------------------- plug-in
    bool init();
    bool activate(double rate, uint32_t maxFrames);
    void deactivate();
    int32_t process(const clap::Process* p);
    const void* extension(const char* id) const;
    void onMainThread();

    // ---------------------------------------------------------------- params
    bool paramInfo(uint32_t index, clap::ParamInfo* info) const;
    bool paramValue(clap::Id id, double* value);
    bool valueToText(clap::Id id, double value, char* text, uint32_t size) const;
    bool textToValue(clap::Id id, const char* text, double* value) const;
    void flush(const clap::InputEvents* in, const clap::OutputEvents* out);

    // ---------------------------------------------------------------- state
    bool save(const clap::OutputStream* stream);
    bool load(const clap::InputStream* stream);

    // ---------------------------------------------------------------- gui
    bool guiSupported(const char* api, bool floating) const;
    bool guiCreate(const char* api, bool floating);
    void guiDestroy();
    bool guiSize(uint32_t* width, uint32_t* height) const;
    bool guiSetScale(double scale);
    bool guiSetParent(const clap::Window* window);
    bool guiShow();
    bool guiHide();
    void guiTick();

    // ---------------------------------------------------------------- editor gestures
    void gestureBegan(uint32_t id) override;
    void parameterEdited(uint32_t id, double normalised) override;
    void gestureEnded(uint32_t id) override;

private:
    void applyEvent(const clap::EventHeader* event);
    void setParam(clap::Id id, double value);
    void emitGestures(const clap::OutputEvents* out);
    void queueGesture(uint16_t type, clap::Id id, double value);
    template <class T>
    void render(const clap::AudioBuffer& in, clap::AudioBuffer& out, T** inData, T** outData, uint32_t from,
                uint32_t to);
    bool openEditor();
    void closeEditor();
    void startIdle();
    void stopIdle();
    template <class T>
    const T* hostExtension(const char* id) const
    {
        return host_->get_extension ? static_cast<const T*>(host_->get_extension(host_, id)) : nullptr;
    }

    // [main] Asks the host for the extensions it did not give yet: some hosts answer only once
    // init has returned.
    void findHostExtensions() const;

    clap::Plugin record_;
    const clap::Host* host_;
    mutable const clap::HostParams* hostParams_ = nullptr;
    mutable const clap::HostState* hostState_ = nullptr;
    mutable const clap::HostTimerSupport* hostTimers_ = nullptr;
    mutable const clap::HostPosixFdSupport* hostFds_ = nullptr;
    std::unique_ptr<sarvo::Plugin> effect_;
    sarvo::ParameterInfo info_[kEffectParameters] = {};
    bool active_ = false;

    GestureQueue gestures_;
    // A program chosen on the audio thread, selected at the next call on the main thread (the
    // host's callback, its timer, a parameter query; some hosts never call on_main_thread).
    void selectPendingProgram();
    void valuesChangedByProgram();
    std::atomic<int32_t> pendingProgram_{-1};
    std::atomic<bool> valuesChanged_{false};  // the host is to read the values again (rescan)
    std::atomic<bool> announceValues_{false};  // ... and hears them as events from process or flush

    bool guiCreated_ = false;
    void* parent_ = nullptr;
    clap::Id timer_ = clap::kInvalidId;
    int fd_ = -1;
#if defined(_WIN32)
    UINT_PTR ownTimer_ = 0;
#endif
};

Instance* self(const clap::Plugin* plugin) { return static_cast<Instance*>(plugin->plugin_data); }

// ==================================================================== the records the host calls

const clap::PluginAudioPorts kAudioPorts = {
    [](const clap::Plugin*, bool) -> uint32_t { return 1; },
    [](const clap::Plugin*, uint32_t index, bool isInput, clap::AudioPortInfo* info) -> bool {
        if (index != 0 || !info) return false;
        std::memset(info, 0, sizeof *info);
        info->id = isInput ? 0 : 1;
        copyCut(info->name, sizeof info->name, isInput ? "Input" : "Output");
        info->flags =
            clap::kAudioPortIsMain | clap::kAudioPortSupports64Bits | clap::kAudioPortRequiresCommonSampleSize;
        info->channel_count = 2;
        info->port_type = clap::kPortStereo;
        info->in_place_pair = isInput ? 1 : 0;
        return true;
    },
};

const clap::PluginParams kParams = {
    [](const clap::Plugin*) -> uint32_t { return kParameterCount; },
    [](const clap::Plugin* p, uint32_t index, clap::ParamInfo* info) { return self(p)->paramInfo(index, info); },
    [](const clap::Plugin* p, clap::Id id, double* value) { return self(p)->paramValue(id, value); },
    [](const clap::Plugin* p, clap::Id id, double value, char* text, uint32_t size) {
        return self(p)->valueToText(id, value, text, size);
    },
    [](const clap::Plugin* p, clap::Id id, const char* text, double* value) {
        return self(p)->textToValue(id, text, value);
    },
    [](const clap::Plugin* p, const clap::InputEvents* in, const clap::OutputEvents* out) { self(p)->flush(in, out); },
};

const clap::PluginState kState = {
    [](const clap::Plugin* p, const clap::OutputStream* stream) { return self(p)->save(stream); },
    [](const clap::Plugin* p, const clap::InputStream* stream) { return self(p)->load(stream); },
};

const clap::PluginLatency kLatency = {[](const clap::Plugin*) -> uint32_t { return 0; }};

const clap::PluginGui kGui = {
    [](const clap::Plugin* p, const char* api, bool floating) { return self(p)->guiSupported(api, floating); },
    [](const clap::Plugin* p, const char** api, bool* floating) {
        if (!api || !floating || !self(p)->guiSupported(kWindowApi, false)) return false;
        *api = kWindowApi;
        *floating = false;
        return true;
    },
    [](const clap::Plugin* p, const char* api, bool floating) { return self(p)->guiCreate(api, floating); },
    [](const clap::Plugin* p) { self(p)->guiDestroy(); },
    [](const clap::Plugin* p, double scale) { return self(p)->guiSetScale(scale); },
    [](const clap::Plugin* p, uint32_t* width, uint32_t* height) { return self(p)->guiSize(width, height); },
    [](const clap::Plugin*) { return false; },
    [](const clap::Plugin*, clap::GuiResizeHints* hints) {  // one size (some hosts ask all the same)
        if (!hints) return false;
        *hints = clap::GuiResizeHints{false, false, false, 1, 1};
        return true;
    },
    [](const clap::Plugin*, uint32_t*, uint32_t*) { return false; },
    [](const clap::Plugin* p, uint32_t width, uint32_t height) {
        uint32_t w = 0, h = 0;
        return self(p)->guiSize(&w, &h) && w == width && h == height;
    },
    [](const clap::Plugin* p, const clap::Window* window) { return self(p)->guiSetParent(window); },
    [](const clap::Plugin*, const clap::Window*) { return false; },
    [](const clap::Plugin*, const char*) {},
    [](const clap::Plugin* p) { return self(p)->guiShow(); },
    [](const clap::Plugin* p) { return self(p)->guiHide(); },
};

const clap::PluginTimerSupport kTimers = {[](const clap::Plugin* p, clap::Id) { self(p)->guiTick(); }};
const clap::PluginPosixFdSupport kFds = {[](const clap::Plugin* p, int, uint32_t) { self(p)->guiTick(); }};

// ==================================================================== instance

Instance::Instance(const clap::Host* host) : host_(host)
{
    record_.desc = &kDescriptor;
    record_.plugin_data = this;
    record_.init = [](const clap::Plugin* p) { return self(p)->init(); };
    record_.destroy = [](const clap::Plugin* p) { delete self(p); };
    record_.activate = [](const clap::Plugin* p, double rate, uint32_t, uint32_t maxFrames) {
        return self(p)->activate(rate, maxFrames);
    };
    record_.deactivate = [](const clap::Plugin* p) { self(p)->deactivate(); };
    record_.start_processing = [](const clap::Plugin*) { return true; };
    record_.stop_processing = [](const clap::Plugin*) {};
    record_.reset = [](const clap::Plugin*) {};
    record_.process = [](const clap::Plugin* p, const clap::Process* process) { return self(p)->process(process); };
    record_.get_extension = [](const clap::Plugin* p, const char* id) { return self(p)->extension(id); };
    record_.on_main_thread = [](const clap::Plugin* p) { self(p)->onMainThread(); };
}

Instance::~Instance()
{
    if (!effect_) return;
    guiDestroy();
    if (active_) effect_->deactivate();
    effect_->setListener(nullptr);
}

void Instance::findHostExtensions() const
{
    if (!hostParams_) hostParams_ = hostExtension<clap::HostParams>(clap::kExtParams);
    if (!hostState_) hostState_ = hostExtension<clap::HostState>(clap::kExtState);
    if (!hostTimers_) hostTimers_ = hostExtension<clap::HostTimerSupport>(clap::kExtTimerSupport);
#if !defined(_WIN32)
    if (!hostFds_) hostFds_ = hostExtension<clap::HostPosixFdSupport>(clap::kExtPosixFdSupport);
#endif
}

bool Instance::init()
{
    if (effect_) return true;
    findHostExtensions();
    std::unique_ptr<sarvo::Plugin> effect(sarvo::createPlugin());
    if (!effect || effect->parameterCount() != kEffectParameters) return false;
    for (uint32_t i = 0; i < kEffectParameters; ++i)
        if (!effect->parameterInfo(i, info_[i])) return false;
    effect_ = std::move(effect);
    effect_->setListener(this);
    return true;
}

bool Instance::activate(double rate, uint32_t maxFrames)
{
    if (!effect_ || active_ || !effect_->setSampleRate(rate)) return false;
    effect_->setMaxBlockSize(maxFrames);
    effect_->activate();
    active_ = true;
    return true;
}

void Instance::deactivate()
{
    if (!active_) return;
    effect_->deactivate();
    active_ = false;
}

const void* Instance::extension(const char* id) const
{
    if (!id) return nullptr;
    if (std::strcmp(id, clap::kExtAudioPorts) == 0) return &kAudioPorts;
    if (std::strcmp(id, clap::kExtParams) == 0) return &kParams;
    if (std::strcmp(id, clap::kExtState) == 0) return &kState;
    if (std::strcmp(id, clap::kExtLatency) == 0) return &kLatency;
    if (std::strcmp(id, clap::kExtGui) == 0) return effect_ && effect_->hasEditor() ? &kGui : nullptr;
    if (std::strcmp(id, clap::kExtTimerSupport) == 0) return &kTimers;
#if !defined(_WIN32)
    if (std::strcmp(id, clap::kExtPosixFdSupport) == 0) return &kFds;
#endif
    return nullptr;
}

void Instance::valuesChangedByProgram()
{
    valuesChanged_ = true;
    announceValues_ = true;
}

void Instance::selectPendingProgram()
{
    const int32_t program = pendingProgram_.exchange(-1);
    if (program >= 0 && effect_ && effect_->selectProgram(static_cast<uint32_t>(program))) valuesChangedByProgram();
}

void Instance::onMainThread()
{
    if (!effect_) return;
    findHostExtensions();
    selectPendingProgram();
    if (valuesChanged_.exchange(false)) {
        if (hostParams_) hostParams_->rescan(host_, clap::kParamRescanValues);
        if (hostState_) hostState_->mark_dirty(host_);
    }
}

// -------------------------------------------------------------------- processing

template <class T>
void Instance::render(const clap::AudioBuffer&, clap::AudioBuffer&, T** inData, T** outData, uint32_t from, uint32_t to)
{
    if (to <= from) return;
    const T* in[2] = {inData[0] + from, inData[1] + from};
    T* out[2] = {outData[0] + from, outData[1] + from};
    effect_->process(in, out, to - from);
}

int32_t Instance::process(const clap::Process* p)
{
    if (!effect_ || !active_ || !p) return clap::kProcessError;
    const uint32_t frames = p->frames_count;
    const clap::AudioBuffer* in = p->audio_inputs_count > 0 ? p->audio_inputs : nullptr;
    clap::AudioBuffer* out = p->audio_outputs_count > 0 ? p->audio_outputs : nullptr;
    bool doubles = false;
    if (frames > 0) {
        if (!in || !out || in->channel_count < 2 || out->channel_count < 2) return clap::kProcessError;
        doubles = out->data64 != nullptr;
        if (doubles
                ? !(in->data64 && in->data64[0] && in->data64[1] && out->data64[0] && out->data64[1])
                : !(in->data32 && out->data32 && in->data32[0] && in->data32[1] && out->data32[0] && out->data32[1]))
            return clap::kProcessError;
        out->constant_mask = 0;
    }

    // Events split the block at their frames.
    uint32_t done = 0;
    const uint32_t count = p->in_events ? p->in_events->size(p->in_events) : 0;
    for (uint32_t i = 0; i <= count; ++i) {
        const clap::EventHeader* e = i < count ? p->in_events->get(p->in_events, i) : nullptr;
        if (i < count && !e) continue;
        const uint32_t at = e ? (e->time < frames ? e->time : frames) : frames;
        if (at > done) {
            if (doubles)
                render(*in, *out, in->data64, out->data64, done, at);
            else
                render(*in, *out, in->data32, out->data32, done, at);
            done = at;
        }
        if (e) applyEvent(e);
    }
    emitGestures(p->out_events);
    return clap::kProcessContinue;
}

void Instance::applyEvent(const clap::EventHeader* e)
{
    if (e->space_id != clap::kCoreEventSpace || e->type != clap::kEventParamValue ||
        e->size < sizeof(clap::ParamValueEvent))
        return;
    const auto* v = reinterpret_cast<const clap::ParamValueEvent*>(e);
    setParam(v->param_id, v->value);
}

// Any value: a number outside the range is held to it, one that is none changes nothing.
void Instance::setParam(clap::Id id, double value)
{
    if (std::isnan(value)) return;
    if (id < kEffectParameters) {
        const sarvo::ParameterInfo& info = info_[id];
        if (value < info.minDisplay) value = info.minDisplay;
        if (value > info.maxDisplay) value = info.maxDisplay;
        effect_->setParameterValue(id, effect_->toNormalised(id, value));
    } else if (id == kBypassId) {
        effect_->setBypass(value >= 0.5);
    } else if (id == kProgramId) {
        const double last = effect_->programCount() - 1.0;
        const double index = std::floor((value < 0.0 ? 0.0 : (value > last ? last : value)) + 0.5);
        if (!active_) {  // flush on the main thread
            if (effect_->selectProgram(static_cast<uint32_t>(index))) valuesChangedByProgram();
        } else {  // the audio thread: the main thread selects it
            pendingProgram_.store(static_cast<int32_t>(index));
        }
        if (host_->request_callback) host_->request_callback(host_);
    }
}

void Instance::flush(const clap::InputEvents* in, const clap::OutputEvents* out)
{
    if (!effect_) return;
    if (!active_) selectPendingProgram();  // on the main thread
    const uint32_t count = in ? in->size(in) : 0;
    for (uint32_t i = 0; i < count; ++i)
        if (const clap::EventHeader* e = in->get(in, i)) applyEvent(e);
    emitGestures(out);
}

void Instance::emitGestures(const clap::OutputEvents* out)
{
    if (!out || !out->try_push) return;
    if (announceValues_.exchange(false)) {  // a new program's values
        for (clap::Id id = 0; id < kParameterCount; ++id) {
            if (id == kBypassId) continue;
            clap::ParamValueEvent e{};
            e.header = {sizeof e, 0, clap::kCoreEventSpace, clap::kEventParamValue, 0};
            e.param_id = id;
            e.note_id = -1;
            e.port_index = e.channel = e.key = -1;
            e.value = id < kEffectParameters ? effect_->toDisplay(id, effect_->parameterValue(id))
                                             : static_cast<double>(effect_->currentProgram());
            if (!out->try_push(out, &e.header)) {
                announceValues_ = true;  // the rest next time
                return;
            }
        }
    }
    GestureQueue::Item item;
    while (gestures_.peek(item)) {
        bool pushed;
        if (item.type == clap::kEventParamValue) {
            clap::ParamValueEvent e{};
            e.header = {sizeof e, 0, clap::kCoreEventSpace, clap::kEventParamValue, clap::kEventIsLive};
            e.param_id = item.id;
            e.note_id = -1;
            e.port_index = e.channel = e.key = -1;
            e.value = item.value;
            pushed = out->try_push(out, &e.header);
        } else {
            clap::ParamGestureEvent e{};
            e.header = {sizeof e, 0, clap::kCoreEventSpace, item.type, clap::kEventIsLive};
            e.param_id = item.id;
            pushed = out->try_push(out, &e.header);
        }
        if (!pushed) return;  // the host's list is full: the rest go out next time
        gestures_.pop();
    }
}

// -------------------------------------------------------------------- editor gestures

void Instance::queueGesture(uint16_t type, clap::Id id, double value)
{
    findHostExtensions();
    if (!gestures_.push({type, id, value})) return;
    if (hostParams_) hostParams_->request_flush(host_);
}

void Instance::gestureBegan(uint32_t id) { queueGesture(clap::kEventParamGestureBegin, id, 0.0); }
void Instance::gestureEnded(uint32_t id) { queueGesture(clap::kEventParamGestureEnd, id, 0.0); }
void Instance::parameterEdited(uint32_t id, double normalised)
{
    queueGesture(clap::kEventParamValue, id, effect_->toDisplay(id, normalised));
}

// -------------------------------------------------------------------- params

bool Instance::paramInfo(uint32_t index, clap::ParamInfo* info) const
{
    if (!effect_ || !info || index >= kParameterCount) return false;
    std::memset(info, 0, sizeof *info);
    info->id = index;
    if (index < kEffectParameters) {
        const sarvo::ParameterInfo& p = info_[index];
        copyCut(info->name, sizeof info->name, p.name);
        info->flags = clap::kParamIsAutomatable | (p.steps > 0 ? clap::kParamIsStepped : 0u);
        info->min_value = p.minDisplay;
        info->max_value = p.maxDisplay;
        info->default_value = p.defaultDisplay;
    } else if (index == kBypassId) {
        copyCut(info->name, sizeof info->name, "Bypass");
        info->flags = clap::kParamIsAutomatable | clap::kParamIsStepped | clap::kParamIsBypass;
        info->max_value = 1.0;
    } else {
        copyCut(info->name, sizeof info->name, "Program");
        // Automatable too: hosts list only such parameters in their own controls (Qtractor).
        info->flags = clap::kParamIsAutomatable | clap::kParamIsStepped;
        info->max_value = effect_->programCount() - 1.0;
    }
    return true;
}

bool Instance::paramValue(clap::Id id, double* value)
{
    if (!effect_ || !value || id >= kParameterCount) return false;
    selectPendingProgram();
    if (id < kEffectParameters)
        *value = effect_->toDisplay(id, effect_->parameterValue(id));
    else if (id == kBypassId)
        *value = effect_->bypassed() ? 1.0 : 0.0;
    else
        *value = effect_->currentProgram();
    return true;
}

bool Instance::valueToText(clap::Id id, double value, char* text, uint32_t size) const
{
    if (!effect_ || !text || size == 0 || id >= kParameterCount || std::isnan(value)) return false;
    if (id < kEffectParameters) {
        const sarvo::ParameterInfo& p = info_[id];
        value = value < p.minDisplay ? p.minDisplay : (value > p.maxDisplay ? p.maxDisplay : value);
        return effect_->displayText(id, effect_->toNormalised(id, value), text, size);
    }
    if (id == kBypassId) {
        copyCut(text, size, value >= 0.5 ? "On" : "Off");
        return true;
    }
    const double last = effect_->programCount() - 1.0;
    const auto index = static_cast<uint32_t>(std::floor((value < 0.0 ? 0.0 : (value > last ? last : value)) + 0.5));
    char name[64];
    if (!effect_->programName(index, name, sizeof name)) return false;
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%u: %s", index, name);
    copyCut(text, size, buffer);
    return true;
}

bool Instance::textToValue(clap::Id id, const char* text, double* value) const
{
    if (!effect_ || !text || !value || id >= kParameterCount) return false;
    text = skipBlanks(text);
    if (!*text) return false;
    double number = 0.0;
    const bool isNumber = leadingNumber(text, number);
    const bool onOff = startsWithWord(text, "on") || startsWithWord(text, "off");
    if (id < kEffectParameters) {
        if (info_[id].steps > 0) {
            if (!onOff && !isNumber) return false;
            const double display =
                onOff ? (startsWithWord(text, "on") && !startsWithWord(text, "off") ? 1.0 : 0.0) : number;
            *value = effect_->toDisplay(id, effect_->toNormalised(id, display));
            return true;
        }
        // The effect's own reading: a number with any unit after it, or -Inf / Inf.
        const bool infinite = startsWithWord(text, "inf") || startsWithWord(text, "-inf");
        double normalised = 0.0;
        if ((!isNumber && !infinite) || !effect_->textToValue(id, text, normalised)) return false;
        *value = effect_->toDisplay(id, normalised);
        return true;
    }
    if (id == kBypassId) {
        if (!onOff && !isNumber) return false;
        *value = onOff ? (startsWithWord(text, "off") ? 0.0 : 1.0) : (number >= 0.5 ? 1.0 : 0.0);
        return true;
    }
    // A program: its number, or its name.
    const uint32_t count = effect_->programCount();
    if (isNumber) {
        if (number < 0.0 || number > count - 1.0) return false;
        *value = std::floor(number + 0.5);
        return true;
    }
    for (uint32_t i = 0; i < count; ++i) {
        char name[64];
        if (!effect_->programName(i, name, sizeof name)) continue;
        size_t n = 0;
        while (name[n] && text[n] &&
               std::tolower(static_cast<unsigned char>(name[n])) == std::tolower(static_cast<unsigned char>(text[n])))
            ++n;
        if (!name[n] && !text[n]) {
            *value = i;
            return true;
        }
    }
    return false;
}

// -------------------------------------------------------------------- state

bool Instance::save(const clap::OutputStream* stream)
{
    if (!effect_ || !stream || !stream->write) return false;
    selectPendingProgram();
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(effect_->stateSize());
    } catch (...) {
        return false;
    }
    if (!effect_->saveState(bytes.data(), bytes.size())) return false;
    for (size_t done = 0; done < bytes.size();) {
        const int64_t n = stream->write(stream, bytes.data() + done, bytes.size() - done);
        if (n <= 0 || static_cast<uint64_t>(n) > bytes.size() - done) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

bool Instance::load(const clap::InputStream* stream)
{
    if (!effect_ || !stream || !stream->read) return false;
    const size_t size = effect_->stateSize();
    std::vector<uint8_t> bytes;
    try {
        bytes.resize(size + 1);  // one more: a longer state is not ours
    } catch (...) {
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const int64_t n = stream->read(stream, bytes.data() + done, bytes.size() - done);
        if (n < 0 || static_cast<uint64_t>(n) > bytes.size() - done) return false;
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    if (done != size || !effect_->loadState(bytes.data(), size)) return false;
    pendingProgram_ = -1;
    valuesChangedByProgram();
    if (host_->request_callback) host_->request_callback(host_);
    return true;
}

// -------------------------------------------------------------------- gui

bool Instance::guiSupported(const char* api, bool floating) const
{
    return effect_ && effect_->hasEditor() && !floating && api && std::strcmp(api, kWindowApi) == 0;
}

bool Instance::guiCreate(const char* api, bool floating)
{
    if (guiCreated_ || !guiSupported(api, floating)) return false;
#if !defined(_WIN32)
    // Driven from the host's main loop only: without the host's timer there is no editor. (A host
    // may ask is_api_supported before it offers its timers, as a plug-in scanner does.)
    findHostExtensions();
    if (!hostTimers_) return false;
#endif
    guiCreated_ = true;
    return true;
}

void Instance::guiDestroy()
{
    closeEditor();
    guiCreated_ = false;
    parent_ = nullptr;
}

bool Instance::guiSize(uint32_t* width, uint32_t* height) const
{
    uint32_t w = 0, h = 0;
    if (!effect_ || !width || !height || !effect_->editorSize(w, h)) return false;
    *width = w;
    *height = h;
    return true;
}

// The editor draws at the host's scale (1 to 3) itself; an open editor takes its new size at once and
// the host is asked to follow.
bool Instance::guiSetScale(double scale)
{
    if (!effect_ || !effect_->setEditorScale(scale)) return false;
    uint32_t w = 0, h = 0;
    if (effect_->editorOpen() && effect_->editorSize(w, h))
        if (const auto* gui = hostExtension<clap::HostGui>(clap::kExtGui))
            if (gui->request_resize) gui->request_resize(host_, w, h);
    return true;
}

bool Instance::guiSetParent(const clap::Window* window)
{
    if (!guiCreated_ || !window || !window->api || std::strcmp(window->api, kWindowApi) != 0) return false;
#if defined(_WIN32)
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<uintptr_t>(window->x11));
#endif
    if (!parent) return false;
    parent_ = parent;
    return openEditor();
}

bool Instance::guiShow()
{
    if (!guiCreated_ || !parent_) return false;
    return effect_->editorOpen() || openEditor();
}

bool Instance::guiHide()
{
    if (!guiCreated_) return false;
    closeEditor();
    return true;
}

void Instance::guiTick()
{
    selectPendingProgram();
    if (effect_ && effect_->editorOpen()) effect_->editorIdle();
}

bool Instance::openEditor()
{
    if (!effect_->openEditor(parent_)) {
        stopIdle();
        return false;
    }
    startIdle();
    return true;
}

void Instance::closeEditor()
{
    stopIdle();
    if (effect_ && effect_->editorOpen()) effect_->closeEditor();
}

#if defined(_WIN32)
// Without the host's timer the editor repaints from a window timer of its own window, which the
// host's message loop delivers (no thread either).
void CALLBACK windowTimer(HWND, UINT, UINT_PTR id, DWORD) { reinterpret_cast<Instance*>(id)->guiTick(); }
#endif

void Instance::startIdle()
{
    if (hostTimers_ && timer_ == clap::kInvalidId && !hostTimers_->register_timer(host_, kIdleMs, &timer_))
        timer_ = clap::kInvalidId;
#if defined(_WIN32)
    if (timer_ == clap::kInvalidId && !ownTimer_) {
        HWND window = static_cast<HWND>(effect_->editorWindow());
        if (window && SetTimer(window, reinterpret_cast<UINT_PTR>(this), kIdleMs, windowTimer))
            ownTimer_ = reinterpret_cast<UINT_PTR>(this);
    }
#else
    const int fd = effect_->editorEventFd();
    if (fd != fd_) {
        if (fd_ >= 0 && hostFds_) hostFds_->unregister_fd(host_, fd_);
        fd_ = -1;
        if (fd >= 0 && hostFds_ && hostFds_->register_fd(host_, fd, clap::kFdRead | clap::kFdError)) fd_ = fd;
    }
#endif
}

void Instance::stopIdle()
{
    if (timer_ != clap::kInvalidId && hostTimers_) hostTimers_->unregister_timer(host_, timer_);
    timer_ = clap::kInvalidId;
    if (fd_ >= 0 && hostFds_) hostFds_->unregister_fd(host_, fd_);
    fd_ = -1;
#if defined(_WIN32)
    if (ownTimer_) KillTimer(static_cast<HWND>(effect_->editorWindow()), ownTimer_);
    ownTimer_ = 0;
#endif
}

}  // namespace

const clap::Plugin* createInstance(const clap::Host* host)
{
    if (!host || !clap::versionIsCompatible(host->clap_version)) return nullptr;
    Instance* instance = new (std::nothrow) Instance(host);
    return instance ? instance->record() : nullptr;
}

}  // namespace sarvo_clap
