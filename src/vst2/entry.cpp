// The module's only exports: VSTPluginMain, also exported as "main".
#include "host/effect_base.h"
#include "plugin/effect_factory.h"
#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#define SARVO_EXPORT extern "C" __declspec(dllexport)
#else
#define SARVO_EXPORT extern "C" __attribute__((visibility("default")))
#endif

#if defined(SARVO_OWN_CXX_RUNTIME)
// The module carries its own copy of the C++ runtime. That copy sets aside an arena for exceptions
// thrown when memory is short (malloc'd while the module loads) and never gives it back itself;
// the runtime's __freeres does, and the module calls it when it is unloaded, so a host that loads
// and unloads the module loses nothing. Only this module's own copy may be told so: where the
// runtime is the process's shared one, the arena is the process's and stays.
namespace __gnu_cxx {
void __freeres();
}
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
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    platform::setModuleHandle(instance);
#if defined(SARVO_OWN_CXX_RUNTIME)
    // Unloaded by FreeLibrary (not the process ending, when the heap may be held by a thread that
    // is already gone).
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) __gnu_cxx::__freeres();
#else
    (void)reason;
    (void)reserved;
#endif
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

#if defined(SARVO_OWN_CXX_RUNTIME)
__attribute__((destructor)) void releaseRuntime() { __gnu_cxx::__freeres(); }
#endif
}  // namespace
#endif
