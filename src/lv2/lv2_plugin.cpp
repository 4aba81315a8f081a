// The LV2 plug-in: a thin wrapper over the format-neutral plug-in made by the composition root.
// Control ports carry display values; the state is the bank image and the current program. The
// module exports only lv2_descriptor.
#include "lv2/lv2_shared.h"
#include "platform/module_lifetime.h"
#include "plugin/plugin.h"

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/state/state.h"
#include "lv2/urid/urid.h"

#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

using sarvo_lv2::kParameterCount;

struct Instance {
    sarvo_lv2::SharedInstance shared;  // first: the UI reaches it through the handle
    sarvo::Plugin* plugin = nullptr;

    const float* audioIn[2] = {nullptr, nullptr};
    float* audioOut[2] = {nullptr, nullptr};
    const float* control[kParameterCount] = {};
    const float* enable = nullptr;
    bool toggled[kParameterCount] = {};
    // The last value seen on each control port and on the enable port; NaN before the first.
    float seen[kParameterCount];
    float seenEnable;

    LV2_URID bankKey = 0, bankType = 0, programKey = 0, atomInt = 0;

    // What the current program holds, as a port shows it.
    void rememberProgram()
    {
        for (uint32_t i = 0; i < kParameterCount; ++i)
            seen[i] = static_cast<float>(plugin->toDisplay(i, plugin->parameterValue(i)));
    }
};

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    if (!(rate > 0.0) || !(rate < 1.0e7)) return nullptr;
    Instance* self = new (std::nothrow) Instance();
    if (!self) return nullptr;
    sarvo::PluginOptions options;
    options.editor = false;  // the editor lives in the UI module
    self->plugin = sarvo::createPlugin(options);
    if (!self->plugin || self->plugin->parameterCount() != kParameterCount) {
        delete self->plugin;
        delete self;
        return nullptr;
    }
    self->shared.plugin = self->plugin;
    self->plugin->setSampleRate(rate);
    for (uint32_t i = 0; i < kParameterCount; ++i) {
        sarvo::ParameterInfo info;
        self->toggled[i] = self->plugin->parameterInfo(i, info) && info.steps == 1;
    }
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

void activate(LV2_Handle handle) { static_cast<Instance*>(handle)->plugin->activate(); }
void deactivate(LV2_Handle handle) { static_cast<Instance*>(handle)->plugin->deactivate(); }

// Real-time: a changed control goes to the plug-in as a parameter change (no allocation, lock or
// system call), then the block is processed.
void run(LV2_Handle handle, uint32_t frames)
{
    Instance* self = static_cast<Instance*>(handle);
    sarvo::Plugin* plugin = self->plugin;
    for (uint32_t i = 0; i < kParameterCount; ++i) {
        if (!self->control[i]) continue;
        const float v = *self->control[i];
        if (std::isnan(v) || v == self->seen[i]) continue;  // a NaN keeps the last good value
        self->seen[i] = v;
        const double display = self->toggled[i] ? (v > 0.0f ? 1.0 : 0.0) : static_cast<double>(v);
        plugin->setParameterValue(i, plugin->toNormalised(i, display));
    }
    if (self->enable) {
        const float v = *self->enable;
        if (!std::isnan(v) && v != self->seenEnable) {
            self->seenEnable = v;
            plugin->setBypass(!(v > 0.0f));
        }
    }
    if (!self->audioIn[0] || !self->audioIn[1] || !self->audioOut[0] || !self->audioOut[1]) return;
    plugin->process(self->audioIn, self->audioOut, frames);
}

void cleanup(LV2_Handle handle)
{
    Instance* self = static_cast<Instance*>(handle);
    delete self->plugin;
    delete self;
}

// ------------------------------------------------------------------ state

LV2_State_Status save(LV2_Handle handle, LV2_State_Store_Function store, LV2_State_Handle state, uint32_t,
                      const LV2_Feature* const*)
{
    Instance* self = static_cast<Instance*>(handle);
    if (!self->bankKey) return LV2_STATE_ERR_NO_FEATURE;
    sarvo::Plugin* plugin = self->plugin;
    std::vector<unsigned char> image(plugin->stateSize());
    if (!plugin->saveState(image.data(), image.size())) return LV2_STATE_ERR_UNKNOWN;
    const uint32_t flags = LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE;
    LV2_State_Status status = store(state, self->bankKey, image.data() + sarvo::Plugin::kStateBankOffset, plugin->bankSize(),
                                    self->bankType, flags);
    if (status != LV2_STATE_SUCCESS) return status;
    const int32_t program = static_cast<int32_t>(plugin->currentProgram());
    return store(state, self->programKey, &program, sizeof program, self->atomInt, flags);
}

// The bank must be exactly one sound bank image of this layout and the program one of the bank's;
// anything else changes nothing.
LV2_State_Status restore(LV2_Handle handle, LV2_State_Retrieve_Function retrieve, LV2_State_Handle state, uint32_t,
                         const LV2_Feature* const*)
{
    Instance* self = static_cast<Instance*>(handle);
    if (!self->bankKey) return LV2_STATE_ERR_NO_FEATURE;
    sarvo::Plugin* plugin = self->plugin;
    size_t size = 0, programSize = 0;
    uint32_t type = 0, programType = 0, flags = 0;
    const void* bank = retrieve(state, self->bankKey, &size, &type, &flags);
    const void* program = retrieve(state, self->programKey, &programSize, &programType, &flags);
    if (!bank || !program) return LV2_STATE_ERR_NO_PROPERTY;
    if (type != self->bankType || programType != self->atomInt || programSize != sizeof(int32_t))
        return LV2_STATE_ERR_BAD_TYPE;
    if (size != plugin->bankSize()) return LV2_STATE_ERR_UNKNOWN;
    // The plug-in's own state image: its header, this bank, this program.
    std::vector<unsigned char> image(plugin->stateSize());
    if (!plugin->saveState(image.data(), image.size())) return LV2_STATE_ERR_UNKNOWN;
    std::memcpy(image.data() + sarvo::Plugin::kStateBankOffset, bank, size);
    std::memcpy(image.data() + sarvo::Plugin::kStateBankOffset + size, program, sizeof(int32_t));
    if (!plugin->loadState(image.data(), image.size())) return LV2_STATE_ERR_UNKNOWN;
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


}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2_Descriptor* lv2_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
