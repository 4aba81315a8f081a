// The module's only exports: VSTPluginMain, also exported as "main".
#include "host/effect_base.h"
#include "host/effect_factory.h"
#include "platform/platform.h"

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

#if defined(_WIN32)
// "main" is exported through the module definition file as another name of VSTPluginMain.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/)
{
    platform::setModuleHandle(instance);
    return TRUE;
}
#else
// The classic second name of the entry point. C++ reserves the name main for the program's entry, so
// the symbol is given by its assembler name.
extern "C" AEffect* sarvoMainEntry(audioMasterCallback hostCallback) __asm__("main")
    __attribute__((visibility("default"), alias("VSTPluginMain")));

namespace {
// Any address inside the module identifies it; the resource and directory lookups use it.
struct ModuleRecorder {
    ModuleRecorder() { platform::setModuleHandle(reinterpret_cast<void*>(&VSTPluginMain)); }
} gModuleRecorder;
}  // namespace
#endif
