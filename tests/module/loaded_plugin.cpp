#include "loaded_plugin.h"

#include "support/test_paths.h"

#include <cstdlib>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>
#include <unistd.h>
#endif

RecordingHost& RecordingHost::instance()
{
    static RecordingHost host;
    return host;
}

std::vector<HostCall> RecordingHost::callsWith(VstInt32 opcode) const
{
    std::vector<HostCall> out;
    for (const HostCall& c : calls)
        if (c.opcode == opcode) out.push_back(c);
    return out;
}

VstIntPtr RecordingHost::callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void*, float opt)
{
    RecordingHost& host = instance();
    const HostCall call{effect, opcode, index, value, opt};
    host.calls.push_back(call);
    if (opcode == audioMasterVersion) return host.versionAnswer;
    return host.answer ? host.answer(call) : 0;
}

std::string testProgramFolder()
{
#if defined(_WIN32)
    char path[MAX_PATH + 1] = {0};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
#else
    char path[4096] = {0};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s(path, n > 0 ? static_cast<std::size_t>(n) : 0);
#endif
    return s.substr(0, s.find_last_of("\\/") + 1);
}

std::string pluginPath()
{
    if (const char* env = std::getenv("SARVO_PLUGIN")) {
        if (*env) return env;
    }
#if defined(_WIN32)
    return testProgramFolder() + "Sarvo.dll";
#else
    return testProgramFolder() + "Sarvo.so";
#endif
}

PluginModule::PluginModule(const std::string& path)
{
#if defined(_WIN32)
    handle_ = reinterpret_cast<void*>(LoadLibraryA(path.c_str()));
    if (!handle_) error_ = "LoadLibrary failed for " + path;
#else
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) error_ = dlerror();
#endif
}

PluginModule::~PluginModule()
{
    if (!handle_) return;
#if defined(_WIN32)
    FreeLibrary(static_cast<HMODULE>(handle_));
#else
    dlclose(handle_);
#endif
}

void* PluginModule::symbol(const char* name) const
{
    if (!handle_) return nullptr;
#if defined(_WIN32)
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
#else
    return dlsym(handle_, name);
#endif
}

AEffect* PluginModule::instantiate(audioMasterCallback callback) const
{
    typedef AEffect* (*Entry)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(symbol("VSTPluginMain"));
    return entry ? entry(callback) : nullptr;
}

PluginModule& sharedModule()
{
    static PluginModule module;
    return module;
}

Instance::Instance() { effect_ = sharedModule().instantiate(); }

Instance::~Instance() { close(); }

VstIntPtr Instance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
    return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string Instance::text(VstInt32 opcode, VstInt32 index, VstIntPtr value) const
{
    char buffer[512];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, value, buffer);
    return buffer;
}

VstIntPtr Instance::close()
{
    if (!effect_) return 0;
    const VstIntPtr answer = effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    return answer;
}
