// The module's only exports: VSTPluginMain, also exported as "main".
#include "host/effect_base.h"
#include "plugin/effect_factory.h"
#include "platform/module_lifetime.h"

#if defined(_WIN32)
#include <windows.h>
#define SARVO_EXPORT extern "C" __declspec(dllexport)
#else
#define SARVO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

SARVO_EXPORT AEffect* VSTPluginMain(audioMasterCallback hostCallback)
{
    if (!hostCallback) return nullptr;  // the version question needs a callback
    if (hostCallback(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    EffectBase* effect = createEffectInstance(hostCallback);
    return effect ? effect->getDescriptor() : nullptr;
}

// On Windows the module definition file exports "main" as another name of VSTPluginMain.
#if !defined(_WIN32)
// The classic second name of the entry point. C++ reserves the name main for the program's entry, so
// the symbol is given by its assembler name.
extern "C" AEffect* sarvoMainEntry(audioMasterCallback hostCallback) __asm__("main")
    __attribute__((visibility("default"), alias("VSTPluginMain")));
#endif
