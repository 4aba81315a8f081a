#include "vst3/vst3_effect.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace sarvo_vst3 {

namespace {

// The controller's own state: the bypass, which the component's state (the effect's) leaves out.
//     offset 0  4 bytes  "SrvC"
//     offset 4  4 bytes  version 1, little-endian
//     offset 8  4 bytes  bypass: 0 or 1, little-endian
constexpr char kControllerMagic[4] = {'S', 'r', 'v', 'C'};
constexpr uint32_t kControllerVersion = 1;
constexpr size_t kControllerStateSize = 12;

void putU32(unsigned char* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getU32(const unsigned char* in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

// Reads up to `size` bytes; the count read (a stream may hand them over in pieces).
size_t readAll(IBStream* stream, unsigned char* out, size_t size)
{
    size_t done = 0;
    while (done < size) {
        int32_t got = 0;
        const int32_t want = static_cast<int32_t>(size - done < 0x40000000 ? size - done : 0x40000000);
        if (stream->read(out + done, want, &got) != kResultOk || got <= 0) break;
        done += static_cast<size_t>(got);
    }
    return done;
}

// Reads exactly `size` bytes and finds the stream ended after them.
bool readExactly(IBStream* stream, unsigned char* out, size_t size)
{
    if (!stream || readAll(stream, out, size) != size) return false;
    unsigned char more = 0;
    return readAll(stream, &more, 1) == 0;
}

bool writeAll(IBStream* stream, const unsigned char* data, size_t size)
{
    size_t done = 0;
    while (done < size) {
        int32_t wrote = 0;
        const int32_t want = static_cast<int32_t>(size - done < 0x40000000 ? size - done : 0x40000000);
        if (stream->write(const_cast<unsigned char*>(data + done), want, &wrote) != kResultOk || wrote <= 0)
            return false;
        done += static_cast<size_t>(wrote);
    }
    return true;
}

double unit(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

bool sameText(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) != std::tolower(static_cast<unsigned char>(*b))) return false;
    return *a == *b;
}

}  // namespace

void toText16(const char* text, char16* out, size_t size)
{
    if (!out || size == 0) return;
    size_t n = 0;
    for (; text && text[n] && n + 1 < size; ++n) out[n] = static_cast<char16>(static_cast<unsigned char>(text[n]));
    out[n] = 0;
}

bool fromText16(const char16* text, char* out, size_t size)
{
    if (!text || !out || size == 0) return false;
    size_t n = 0;
    for (; text[n] && n + 1 < size; ++n) {
        if (text[n] > 0xFF) return false;
        out[n] = static_cast<char>(text[n]);
    }
    out[n] = '\0';
    return true;
}

// ------------------------------------------------------------------------------------------------
// Making, references, interfaces

Effect* Effect::make()
{
    sarvo::Plugin* plugin = sarvo::createPlugin();
    if (!plugin) return nullptr;
    auto* buffer = new (std::nothrow) unsigned char[plugin->stateSize()];
    Effect* effect = buffer ? new (std::nothrow) Effect(plugin, buffer) : nullptr;
    if (!effect) {
        delete[] buffer;
        delete plugin;
    }
    return effect;
}

Effect::Effect(sarvo::Plugin* plugin, unsigned char* stateBuffer) : plugin_(plugin), stateBuffer_(stateBuffer)
{
    plugin_->setListener(this);
}

Effect::~Effect()
{
    terminate();
    plugin_->setListener(nullptr);
    delete plugin_;
    delete[] stateBuffer_;
}

tresult Effect::queryInterface(const char* iid, void** object)
{
    if (!object) return kInvalidArgument;
    *object = nullptr;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPluginBase::iid) || sameUid(iid, IComponent::iid))
        *object = static_cast<IComponent*>(this);
    else if (sameUid(iid, IAudioProcessor::iid))
        *object = static_cast<IAudioProcessor*>(this);
    else if (sameUid(iid, IProcessContextRequirements::iid))
        *object = static_cast<IProcessContextRequirements*>(this);
    else if (sameUid(iid, IEditController::iid))
        *object = static_cast<IEditController*>(this);
    else if (sameUid(iid, IUnitInfo::iid))
        *object = static_cast<IUnitInfo*>(this);
    else
        return kNoInterface;
    addRef();
    return kResultOk;
}

uint32_t Effect::addRef() { return references_.fetch_add(1) + 1; }

uint32_t Effect::release()
{
    const uint32_t left = references_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
}

tresult Effect::initialize(FUnknown* context)
{
    if (initialised_) return kResultFalse;
    initialised_ = true;
    hostContext_ = context;
    if (hostContext_) hostContext_->addRef();
    return kResultOk;
}

tresult Effect::terminate()
{
    if (active_) setActive(0);
    plugin_->closeEditor();
    editorOwner_ = nullptr;
    setComponentHandler(nullptr);
    if (hostContext_) hostContext_->release();
    hostContext_ = nullptr;
    initialised_ = false;
    return kResultOk;
}

// ------------------------------------------------------------------------------------------------
// Component: buses, activation, state

tresult Effect::getControllerClassId(unsigned char*)
{
    return kResultFalse;  // no controller class of its own: this object is its controller
}

tresult Effect::setIoMode(IoMode) { return kResultOk; }

int32_t Effect::getBusCount(MediaType type, BusDirection direction)
{
    return type == kAudio && (direction == kInput || direction == kOutput) ? 1 : 0;
}

tresult Effect::getBusInfo(MediaType type, BusDirection direction, int32_t index, BusInfo& info)
{
    if (type != kAudio || index != 0 || (direction != kInput && direction != kOutput)) return kInvalidArgument;
    info = BusInfo();
    info.mediaType = kAudio;
    info.direction = direction;
    info.channelCount = 2;
    toText16(direction == kInput ? "Stereo In" : "Stereo Out", info.name, 128);
    info.busType = kMain;
    info.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult Effect::getRoutingInfo(RoutingInfo&, RoutingInfo&) { return kNotImplemented; }

tresult Effect::activateBus(MediaType type, BusDirection direction, int32_t index, TBool)
{
    // A process call looks at the buffers it gets, so an inactive bus needs no state here.
    return type == kAudio && index == 0 && (direction == kInput || direction == kOutput) ? kResultOk
                                                                                       : kInvalidArgument;
}

tresult Effect::setActive(TBool state)
{
    if ((state != 0) == active_) return kResultOk;
    active_ = state != 0;
    if (active_)
        plugin_->activate();
    else
        plugin_->deactivate();
    return kResultOk;
}

bool Effect::loadComponentState(IBStream* stream)
{
    const size_t size = plugin_->stateSize();
    return readExactly(stream, stateBuffer_, size) && plugin_->loadState(stateBuffer_, size);
}

tresult Effect::setComponentStateFromHost(IBStream* state)
{
    return loadComponentState(state) ? kResultOk : kResultFalse;
}

tresult Effect::componentState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    const size_t size = plugin_->stateSize();
    if (!plugin_->saveState(stateBuffer_, size)) return kInternalError;
    return writeAll(state, stateBuffer_, size) ? kResultOk : kResultFalse;
}

// ------------------------------------------------------------------------------------------------
// Audio processor

tresult Effect::setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount, SpeakerArrangement* outputs,
                                   int32_t outputCount)
{
    if (inputCount != 1 || outputCount != 1 || !inputs || !outputs) return kResultFalse;
    return inputs[0] == kArrStereo && outputs[0] == kArrStereo ? kResultOk : kResultFalse;
}

tresult Effect::getBusArrangement(BusDirection direction, int32_t index, SpeakerArrangement& arrangement)
{
    if (index != 0 || (direction != kInput && direction != kOutput)) return kInvalidArgument;
    arrangement = kArrStereo;
    return kResultOk;
}

tresult Effect::canProcessSampleSize(int32_t size)
{
    return size == kSample32 || size == kSample64 ? kResultOk : kResultFalse;
}

uint32_t Effect::getLatencySamples() { return 0; }
uint32_t Effect::getTailSamples() { return kNoTail; }

tresult Effect::setupProcessing(ProcessSetup& setup)
{
    if (setup.symbolicSampleSize != kSample32 && setup.symbolicSampleSize != kSample64) return kResultFalse;
    if (!(setup.sampleRate > 0.0) || !(setup.sampleRate <= 1.0e7)) return kResultFalse;
    // The effect takes a new rate only while inactive.
    const bool wasActive = active_;
    if (wasActive) setActive(0);
    const bool taken = plugin_->setSampleRate(setup.sampleRate);
    if (taken && setup.maxSamplesPerBlock > 0) plugin_->setMaxBlockSize(static_cast<uint32_t>(setup.maxSamplesPerBlock));
    if (wasActive) setActive(1);
    return taken ? kResultOk : kResultFalse;
}

tresult Effect::setProcessing(TBool) { return kResultOk; }

void Effect::applyFromAudio(ParamID id, double normalised)
{
    if (isEffectParameter(id)) {
        plugin_->setParameterValue(id, normalised);  // it ignores what is not a number, holds the rest to 0..1
    } else if (id == kBypassId) {
        if (std::isfinite(normalised)) plugin_->setBypass(normalised >= 0.5);
    } else if (id == kProgramId) {
        if (std::isfinite(normalised)) plugin_->selectProgram(programOf(normalised));
    }
}

namespace {
// Tells the host which output channels came out all zeros (the look stops at the first sound).
template <class Sample>
void markSilence(AudioBusBuffers& out, uint32_t frames)
{
    out.silenceFlags = 0;
    Sample** channels = reinterpret_cast<Sample**>(out.channelBuffers32);
    if (!channels || frames == 0) return;
    for (int32_t c = 0; c < out.numChannels && c < 64; ++c) {
        const Sample* samples = channels[c];
        if (!samples) continue;
        uint32_t i = 0;
        while (i < frames && samples[i] == Sample(0)) ++i;
        if (i == frames) out.silenceFlags |= uint64_t(1) << c;
    }
}
}  // namespace

template <class Sample>
void Effect::processAudio(ProcessData& data, uint32_t from, uint32_t to)
{
    if (to <= from || data.numOutputs < 1 || !data.outputs) return;
    AudioBusBuffers& out = data.outputs[0];
    Sample** outChannels = reinterpret_cast<Sample**>(out.channelBuffers32);
    if (out.numChannels < 2 || !outChannels || !outChannels[0] || !outChannels[1]) return;
    Sample* outputs[2] = {outChannels[0] + from, outChannels[1] + from};
    const Sample* inputs[2] = {outputs[0], outputs[1]};
    Sample** inChannels =
        data.numInputs >= 1 && data.inputs ? reinterpret_cast<Sample**>(data.inputs[0].channelBuffers32) : nullptr;
    if (inChannels && data.inputs[0].numChannels >= 2 && inChannels[0] && inChannels[1]) {
        inputs[0] = inChannels[0] + from;
        inputs[1] = inChannels[1] + from;
    } else {
        // No input: silence in.
        for (uint32_t i = 0; i < to - from; ++i) outputs[0][i] = outputs[1][i] = Sample(0);
    }
    plugin_->process(inputs, outputs, to - from);
}

tresult Effect::process(ProcessData& data)
{
    const uint32_t frames = data.numSamples > 0 ? static_cast<uint32_t>(data.numSamples) : 0u;
    // The queues of this effect's parameters, and how far each has been applied.
    constexpr uint32_t kMaxIds = 8;
    IParamValueQueue* queues[kMaxIds] = {};
    int32_t next[kMaxIds] = {}, count[kMaxIds] = {};
    const uint32_t ids = plugin_->parameterCount() + kHostParameters;
    if (IParameterChanges* changes = data.inputParameterChanges) {
        const int32_t n = changes->getParameterCount();
        for (int32_t i = 0; i < n; ++i) {
            IParamValueQueue* q = changes->getParameterData(i);
            if (!q) continue;
            const ParamID id = q->getParameterId();
            if (id >= ids || id >= kMaxIds || queues[id]) continue;
            queues[id] = q;
            count[id] = q->getPointCount();
        }
    }
    // Applies every point at or before frame `upTo`; answers the frame of the next point (or `end`).
    auto applyUpTo = [&](int64_t upTo, uint32_t end) {
        uint32_t nextFrame = end;
        for (uint32_t id = 0; id < ids && id < kMaxIds; ++id) {
            while (next[id] < count[id]) {
                int32_t offset = 0;
                double value = 0.0;
                if (queues[id]->getPoint(next[id], offset, value) != kResultOk) {
                    next[id] = count[id];
                    break;
                }
                if (offset > upTo) {
                    if (static_cast<uint32_t>(offset) < nextFrame) nextFrame = static_cast<uint32_t>(offset);
                    break;
                }
                applyFromAudio(id, value);
                ++next[id];
            }
        }
        return nextFrame;
    };
    // The block is split where a parameter changes.
    const bool doubles = data.symbolicSampleSize == kSample64;
    uint32_t at = 0;
    do {
        const uint32_t until = applyUpTo(at, frames);
        if (doubles)
            processAudio<double>(data, at, until);
        else
            processAudio<float>(data, at, until);
        at = until;
    } while (at < frames);
    applyUpTo(INT64_MAX, frames);  // points beyond the block hold from now on
    if (data.numOutputs >= 1 && data.outputs) {
        if (doubles)
            markSilence<double>(data.outputs[0], frames);
        else
            markSilence<float>(data.outputs[0], frames);
    }
    return kResultOk;
}

// ------------------------------------------------------------------------------------------------
// Edit controller

tresult Effect::setComponentState(IBStream* state)
{
    // The component is this object: taking the state again leaves it as it is, and a host that
    // hands the controller a state of its own gets it taken.
    return loadComponentState(state) ? kResultOk : kResultFalse;
}

tresult Effect::setControllerState(IBStream* state)
{
    unsigned char bytes[kControllerStateSize];
    if (!readExactly(state, bytes, sizeof bytes)) return kResultFalse;
    if (std::memcmp(bytes, kControllerMagic, 4) != 0 || getU32(bytes + 4) != kControllerVersion) return kResultFalse;
    const uint32_t bypass = getU32(bytes + 8);
    if (bypass > 1) return kResultFalse;
    plugin_->setBypass(bypass == 1);
    return kResultOk;
}

tresult Effect::controllerState(IBStream* state)
{
    if (!state) return kInvalidArgument;
    unsigned char bytes[kControllerStateSize];
    std::memcpy(bytes, kControllerMagic, 4);
    putU32(bytes + 4, kControllerVersion);
    putU32(bytes + 8, plugin_->bypassed() ? 1u : 0u);
    return writeAll(state, bytes, sizeof bytes) ? kResultOk : kResultFalse;
}

int32_t Effect::getParameterCount() { return static_cast<int32_t>(plugin_->parameterCount() + kHostParameters); }

tresult Effect::getParameterInfo(int32_t index, ParameterInfo& info)
{
    if (index < 0) return kInvalidArgument;
    info = ParameterInfo();
    info.unitId = kRootUnitId;
    const auto id = static_cast<ParamID>(index);
    if (isEffectParameter(id)) {
        sarvo::ParameterInfo p;
        if (!plugin_->parameterInfo(id, p)) return kInvalidArgument;
        info.id = id;
        toText16(p.name, info.title, 128);
        toText16(p.name, info.shortTitle, 128);
        toText16(p.unit, info.units, 128);
        info.stepCount = static_cast<int32_t>(p.steps);
        info.defaultNormalizedValue = p.defaultNormalised;
        info.flags = ParameterInfo::kCanAutomate;
        return kResultOk;
    }
    if (id == kBypassId) {
        info.id = kBypassId;
        toText16("Bypass", info.title, 128);
        toText16("Bypass", info.shortTitle, 128);
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass | ParameterInfo::kIsList;
        return kResultOk;
    }
    if (id == kProgramId) {
        info.id = kProgramId;
        toText16("Program", info.title, 128);
        toText16("Program", info.shortTitle, 128);
        info.stepCount = static_cast<int32_t>(programCount()) - 1;
        info.defaultNormalizedValue = 0.0;
        info.flags = ParameterInfo::kIsProgramChange | ParameterInfo::kIsList;
        return kResultOk;
    }
    return kInvalidArgument;
}

uint32_t Effect::programCount() const
{
    const uint32_t n = plugin_->programCount();
    return n > 0 ? n : 1;
}

uint32_t Effect::programOf(double normalised) const
{
    const double steps = programCount() - 1;
    const double v = std::isfinite(normalised) ? unit(normalised) : 0.0;
    return static_cast<uint32_t>(std::lround(v * steps));
}

tresult Effect::getParamStringByValue(ParamID id, ParamValue normalised, char16* text)
{
    if (!text) return kInvalidArgument;
    char buffer[64] = {};
    if (isEffectParameter(id)) {
        if (!plugin_->valueText(id, normalised, buffer, sizeof buffer)) return kResultFalse;
    } else if (id == kBypassId) {
        std::strcpy(buffer, std::isfinite(normalised) && normalised >= 0.5 ? "On" : "Off");
    } else if (id == kProgramId) {
        if (!plugin_->programName(programOf(normalised), buffer, sizeof buffer)) return kResultFalse;
    } else {
        return kInvalidArgument;
    }
    toText16(buffer, text, 128);
    return kResultOk;
}

tresult Effect::getParamValueByString(ParamID id, char16* text, ParamValue& normalised)
{
    char buffer[128];
    if (!fromText16(text, buffer, sizeof buffer)) return kResultFalse;
    if (isEffectParameter(id)) {
        double v = 0.0;
        if (!plugin_->textToValue(id, buffer, v) || !std::isfinite(v)) return kResultFalse;
        normalised = v;
        return kResultOk;
    }
    if (id == kBypassId) {
        if (sameText(buffer, "on") || sameText(buffer, "1")) normalised = 1.0;
        else if (sameText(buffer, "off") || sameText(buffer, "0")) normalised = 0.0;
        else return kResultFalse;
        return kResultOk;
    }
    if (id == kProgramId) {
        const uint32_t n = programCount();
        for (uint32_t p = 0; p < n; ++p) {
            char name[64];
            if (plugin_->programName(p, name, sizeof name) && sameText(name, buffer)) {
                normalised = n > 1 ? static_cast<double>(p) / (n - 1) : 0.0;
                return kResultOk;
            }
        }
        char* end = nullptr;
        const long p = std::strtol(buffer, &end, 10);
        if (end == buffer || *end || p < 0 || static_cast<unsigned long>(p) >= n) return kResultFalse;
        normalised = n > 1 ? static_cast<double>(p) / (n - 1) : 0.0;
        return kResultOk;
    }
    return kInvalidArgument;
}

ParamValue Effect::normalizedParamToPlain(ParamID id, ParamValue normalised)
{
    if (isEffectParameter(id)) return plugin_->toDisplay(id, normalised);
    if (id == kBypassId) return std::isfinite(normalised) && normalised >= 0.5 ? 1.0 : 0.0;
    if (id == kProgramId) return programOf(normalised);
    return 0.0;
}

ParamValue Effect::plainParamToNormalized(ParamID id, ParamValue plain)
{
    if (isEffectParameter(id)) return plugin_->toNormalised(id, plain);
    if (!std::isfinite(plain)) return 0.0;
    if (id == kBypassId) return plain >= 0.5 ? 1.0 : 0.0;
    if (id == kProgramId) {
        const double steps = programCount() - 1;
        return steps > 0 ? unit(std::round(plain) / steps) : 0.0;
    }
    return 0.0;
}

ParamValue Effect::getParamNormalized(ParamID id)
{
    if (isEffectParameter(id)) return plugin_->parameterValue(id);
    if (id == kBypassId) return plugin_->bypassed() ? 1.0 : 0.0;
    if (id == kProgramId) {
        const uint32_t n = programCount();
        return n > 1 ? static_cast<double>(plugin_->currentProgram()) / (n - 1) : 0.0;
    }
    return 0.0;
}

tresult Effect::setParamNormalized(ParamID id, ParamValue normalised)
{
    if (!std::isfinite(normalised)) return kResultFalse;
    if (isEffectParameter(id)) {
        plugin_->setParameterValue(id, normalised);
        return kResultOk;
    }
    if (id == kBypassId) {
        plugin_->setBypass(normalised >= 0.5);
        return kResultOk;
    }
    if (id == kProgramId) {
        const uint32_t program = programOf(normalised);
        if (program == plugin_->currentProgram()) return kResultOk;
        if (!plugin_->selectProgram(program)) return kResultFalse;
        // Every parameter may have changed: the host reads them again.
        if (handler_) handler_->restartComponent(IComponentHandler::kParamValuesChanged);
        return kResultOk;
    }
    return kInvalidArgument;
}

tresult Effect::setComponentHandler(IComponentHandler* handler)
{
    if (handler == handler_) return kResultOk;
    if (handler) handler->addRef();
    if (handler_) handler_->release();
    handler_ = handler;
    return kResultOk;
}

IPlugView* Effect::createView(FIDString name)
{
    if (!name || std::strcmp(name, kEditorViewName) != 0) return nullptr;
    return makeEditorView(*this);
}

void Effect::gestureBegan(uint32_t id)
{
    if (handler_) handler_->beginEdit(id);
}

void Effect::parameterEdited(uint32_t id, double normalised)
{
    if (handler_) handler_->performEdit(id, normalised);
}

void Effect::gestureEnded(uint32_t id)
{
    if (handler_) handler_->endEdit(id);
}

// ------------------------------------------------------------------------------------------------
// Units and programs: the root unit, with the effect's programs as its one list

int32_t Effect::getUnitCount() { return 1; }

tresult Effect::getUnitInfo(int32_t index, UnitInfo& info)
{
    if (index != 0) return kInvalidArgument;
    info = UnitInfo();
    info.id = kRootUnitId;
    info.parentUnitId = kNoParentUnitId;
    toText16("Sarvo", info.name, 128);
    info.programListId = kProgramListId;
    return kResultOk;
}

int32_t Effect::getProgramListCount() { return 1; }

tresult Effect::getProgramListInfo(int32_t index, ProgramListInfo& info)
{
    if (index != 0) return kInvalidArgument;
    info = ProgramListInfo();
    info.id = kProgramListId;
    toText16("Programs", info.name, 128);
    info.programCount = static_cast<int32_t>(plugin_->programCount());
    return kResultOk;
}

tresult Effect::getProgramName(ProgramListID list, int32_t program, char16* name)
{
    char buffer[64];
    if (list != kProgramListId || program < 0 || !name ||
        !plugin_->programName(static_cast<uint32_t>(program), buffer, sizeof buffer))
        return kInvalidArgument;
    toText16(buffer, name, 128);
    return kResultOk;
}

tresult Effect::getProgramInfo(ProgramListID, int32_t, CString, char16*) { return kResultFalse; }
tresult Effect::hasProgramPitchNames(ProgramListID, int32_t) { return kResultFalse; }
tresult Effect::getProgramPitchName(ProgramListID, int32_t, int16_t, char16*) { return kResultFalse; }
UnitID Effect::getSelectedUnit() { return kRootUnitId; }
tresult Effect::selectUnit(UnitID unit) { return unit == kRootUnitId ? kResultOk : kResultFalse; }

tresult Effect::getUnitByBus(MediaType type, BusDirection direction, int32_t bus, int32_t channel, UnitID& unit)
{
    if (type != kAudio || bus != 0 || (direction != kInput && direction != kOutput) || channel < 0 || channel > 1)
        return kResultFalse;
    unit = kRootUnitId;
    return kResultOk;
}

tresult Effect::setUnitProgramData(int32_t, int32_t, IBStream*) { return kResultFalse; }

}  // namespace sarvo_vst3
