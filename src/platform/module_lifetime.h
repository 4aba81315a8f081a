// What every plug-in module does as it is loaded and unloaded. Exactly one source file of each
// module includes this (on Windows it defines the module's DllMain):
// - the module is recorded: its resources and its directory are found through it;
// - where the module carries its own copy of the C++ runtime (SARVO_OWN_CXX_RUNTIME), that copy
//   sets aside an arena for exceptions thrown when memory is short and never gives it back itself;
//   the runtime's __freeres does, and it is called when the module is unloaded, so a host that
//   loads and unloads the module loses nothing. Only the module's own copy may be told so: where
//   the runtime is the process's shared one, the arena is the process's and stays.
#pragma once

#include "platform/platform.h"

#if defined(_WIN32)
#include <windows.h>
#endif

#if defined(SARVO_OWN_CXX_RUNTIME)
namespace __gnu_cxx {
void __freeres();
}
#endif

#if defined(_WIN32)
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
namespace sarvo_module {
namespace {
// Any address inside the module identifies it.
void anchor() {}
struct Recorder {
    Recorder() { platform::setModuleHandle(reinterpret_cast<void*>(&anchor)); }
} gRecorder;

#if defined(SARVO_OWN_CXX_RUNTIME)
__attribute__((destructor)) void releaseRuntime() { __gnu_cxx::__freeres(); }
#endif
}  // namespace
}  // namespace sarvo_module
#endif
