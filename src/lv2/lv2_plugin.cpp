// The LV2 plug-in: a thin wrapper that drives one effect made by the composition root, through the
// operations the VST 2.x descriptor offers (sample rate, mains on and off, bypass, processing,
// chunks, programs) and the parameters' own display-value conversion. The module exports only
// lv2_descriptor.
#include "host/effect_base.h"
#include "host/effect_factory.h"
#include "lv2/lv2_shared.h"
#include "model/sarvo_effect.h"
#include "platform/platform.h"

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

using sarvo_lv2::kParameterCount;

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Instance {
    sarvo_lv2::SharedInstance shared;  // first: the UI reaches it through the handle
    SarvoEffect* effect = nullptr;
    AEffect* descriptor = nullptr;

    const float* audioIn[2] = {nullptr, nullptr};
    float* audioOut[2] = {nullptr, nullptr};
    const float* control[kParameterCount] = {};
    const float* enable = nullptr;
    // The last value seen on each control port and on the enable port; NaN before the first.
    float seen[kParameterCount];
    float seenEnable;

    LV2_URID bankKey = 0, bankType = 0, programKey = 0, atomInt = 0;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        return descriptor->dispatcher(descriptor, opcode, index, value, ptr, opt);
    }
    // A display value through the parameter's own conversion (which holds it inside the range).
    void setDisplay(uint32_t index, double display)
    {
        const ZParameter* p = effect->parameter(static_cast<VstInt32>(index));
        if (p) effect->setParameterValue(static_cast<VstInt32>(index), p->toNormalised(display));
    }
    // What the effect's current program holds, as a port shows it.
    void rememberProgram()
    {
        for (uint32_t i = 0; i < kParameterCount; ++i)
            seen[i] = static_cast<float>(effect->displayValue(static_cast<VstInt32>(i)));
    }
};

// A toggled port is on above zero.
bool isToggled(uint32_t index) { return index == static_cast<uint32_t>(SarvoEffect::kOversample); }

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    if (!(rate > 0.0) || !(rate < 1.0e7)) return nullptr;
    Instance* self = new (std::nothrow) Instance();
    if (!self) return nullptr;
    EffectOptions options;
    options.editor = false;  // the editor lives in the UI module
    EffectBase* base = createEffectInstance(quietHost, options);
    if (!base) {
        delete self;
        return nullptr;
    }
    self->effect = static_cast<SarvoEffect*>(base);
    self->shared.effect = self->effect;
    self->descriptor = base->getDescriptor();
    self->dispatch(effOpen);
    self->dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    for (float& v : self->seen) v = NAN;
    self->seenEnable = NAN;

    for (int i = 0; features && features[i]; ++i) {
        if (std::strcmp(features[i]->URI, LV2_URID__map) == 0 && features[i]->data) {
            const auto* map = static_cast<const LV2_URID_Map*>(features[i]->data);
            self->bankKey = map->map(map->handle, sarvo_lv2::kBankKey);
            self->bankType = map->map(map->handle, sarvo_lv2::kBankType);
            self->programKey = map->map(map->handle, sarvo_lv2::kProgramKey);
            self->atomInt = map->map(map->handle, LV2_ATOM__Int);
        }
    }
    return self;
}

void connectPort(LV2_Handle handle, uint32_t port, void* data)
{
    Instance* self = static_cast<Instance*>(handle);
    switch (port) {
        case sarvo_lv2::kInLeft: self->audioIn[0] = static_cast<const float*>(data); break;
        case sarvo_lv2::kInRight: self->audioIn[1] = static_cast<const float*>(data); break;
        case sarvo_lv2::kOutLeft: self->audioOut[0] = static_cast<float*>(data); break;
        case sarvo_lv2::kOutRight: self->audioOut[1] = static_cast<float*>(data); break;
        case sarvo_lv2::kEnable: self->enable = static_cast<const float*>(data); break;
        default:
            if (port >= sarvo_lv2::kFirstParameter && port < sarvo_lv2::kFirstParameter + kParameterCount)
                self->control[port - sarvo_lv2::kFirstParameter] = static_cast<const float*>(data);
            break;
    }
}

void activate(LV2_Handle handle) { static_cast<Instance*>(handle)->dispatch(effMainsChanged, 0, 1); }
void deactivate(LV2_Handle handle) { static_cast<Instance*>(handle)->dispatch(effMainsChanged, 0, 0); }

// Real-time: a changed control goes to the effect as a parameter change (no allocation, lock or
// system call, as the VST 2.x parameter request), then the block is processed, in slices the
// effect's frame count can hold.
void run(LV2_Handle handle, uint32_t frames)
{
    Instance* self = static_cast<Instance*>(handle);
    for (uint32_t i = 0; i < kParameterCount; ++i) {
        if (!self->control[i]) continue;
        const float v = *self->control[i];
        if (std::isnan(v) || v == self->seen[i]) continue;  // a NaN keeps the last good value
        self->seen[i] = v;
        self->setDisplay(i, isToggled(i) ? (v > 0.0f ? 1.0 : 0.0) : static_cast<double>(v));
    }
    if (self->enable) {
        const float v = *self->enable;
        if (!std::isnan(v) && v != self->seenEnable) {
            self->seenEnable = v;
            self->dispatch(effSetBypass, 0, v > 0.0f ? 0 : 1);
        }
    }
    if (!self->audioIn[0] || !self->audioIn[1] || !self->audioOut[0] || !self->audioOut[1]) return;
    constexpr uint32_t kSlice = 1u << 30;
    for (uint32_t done = 0; done < frames;) {
        const uint32_t n = frames - done < kSlice ? frames - done : kSlice;
        float* in[2] = {const_cast<float*>(self->audioIn[0]) + done, const_cast<float*>(self->audioIn[1]) + done};
        float* out[2] = {self->audioOut[0] + done, self->audioOut[1] + done};
        self->descriptor->processReplacing(self->descriptor, in, out, static_cast<VstInt32>(n));
        done += n;
    }
}

void cleanup(LV2_Handle handle)
{
    Instance* self = static_cast<Instance*>(handle);
    self->dispatch(effClose);  // deletes the effect
    delete self;
}

// ------------------------------------------------------------------ state

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
    Instance* self = static_cast<Instance*>(handle);
    if (!self->bankKey) return LV2_STATE_ERR_NO_FEATURE;
    void* bank = nullptr;
    const VstIntPtr size = self->dispatch(effGetChunk, 0, 0, &bank);
    if (size <= 0 || !bank) return LV2_STATE_ERR_UNKNOWN;
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(state, self->bankKey, bank, static_cast<size_t>(size), self->bankType, flags);
    if (status != LV2_STATE_SUCCESS) return status;
    const int32_t program = static_cast<int32_t>(self->dispatch(effGetProgram));
    return store(state, self->programKey, &program, sizeof program, self->atomInt, flags);
}

// The bank must be exactly one bank image of this layout and the program one of the bank's;
// anything else changes nothing.
LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
    Instance* self = static_cast<Instance*>(handle);
    if (!self->bankKey) return LV2_STATE_ERR_NO_FEATURE;
    size_t size = 0, programSize = 0;
    uint32_t type = 0, programType = 0, flags = 0;
    const void* bank = retrieve(state, self->bankKey, &size, &type, &flags);
    const void* program = retrieve(state, self->programKey, &programSize, &programType, &flags);
    if (!bank || !program) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != self->bankType || programType != self->atomInt || programSize != sizeof(int32_t))
        return LV2_STATE_ERR_BAD_TYPE;
    void* current = nullptr;
    const VstIntPtr expected = self->dispatch(effGetChunk, 0, 0, &current);
    int32_t number = 0;
    std::memcpy(&number, program, sizeof number);
    if (expected <= 0 || size != static_cast<size_t>(expected) || number < 0 || number >= SarvoEffect::kNumPrograms)
        return LV2_STATE_ERR_UNKNOWN;
    if (self->dispatch(effSetChunk, 0, static_cast<VstIntPtr>(size), const_cast<void*>(bank)) <= 0)
        return LV2_STATE_ERR_UNKNOWN;
    self->dispatch(effSetProgram, 0, number);
    // The ports keep what they hold until the host writes them again: a port the host then changes
    // wins, one it leaves alone does not undo the restored program.
    self->rememberProgram();
    return LV2_STATE_SUCCESS;
}

const void* extensionData(const char* uri)
{
    static const LV2_State_Interface state = {save, restore};
    if (std::strcmp(uri, LV2_STATE__interface) == 0) return &state;
    return nullptr;
}

const LV2_Descriptor kDescriptor = {
    sarvo_lv2::kPluginUri, instantiate, connectPort, activate, run, deactivate, cleanup, extensionData,
};

// Any address inside the module identifies it; the resource and directory lookups use it.
struct ModuleRecorder {
    ModuleRecorder() { platform::setModuleHandle(reinterpret_cast<void*>(&instantiate)); }
} gModuleRecorder;

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
