#pragma once
// Loads the built plug-in module the way a host does and records every request it sends back.
#include "host/vst_abi.h"

#include <functional>
#include <string>
#include <vector>

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    float opt;
};

// The host side: one recorder for the whole test program (the callback carries no context).
struct RecordingHost {
    std::vector<HostCall> calls;
    VstIntPtr versionAnswer = 2400;
    // Optional answer for every other request (default 0).
    std::function<VstIntPtr(const HostCall&)> answer;

    void clear() { calls.clear(); }
    std::vector<HostCall> callsWith(VstInt32 opcode) const;
    static RecordingHost& instance();
    static VstIntPtr callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
};

// The folder of the running test program, with its separator at the end.
std::string testProgramFolder();
// The plug-in module file: $SARVO_PLUGIN, or Sarvo.so / Sarvo.dll beside the test program.
std::string pluginPath();

// A module file loaded into the process (LoadLibrary or dlopen) and unloaded with the object. Any
// format's test host reaches the module's exports through it.
class PluginModule {
public:
    explicit PluginModule(const std::string& path = pluginPath());
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* handle() const { return handle_; }
    const std::string& error() const { return error_; }
    // Looks up an exported function by name; null when absent.
    void* symbol(const char* name) const;
    // Calls VSTPluginMain with the given callback.
    AEffect* instantiate(audioMasterCallback callback = &RecordingHost::callback) const;

private:
    void* handle_ = nullptr;
    std::string error_;
};

// The module, loaded once for the whole test program.
PluginModule& sharedModule();

// An effect instance made through the loaded module and closed through its dispatcher.
class Instance {
public:
    Instance();
    ~Instance();
    Instance(const Instance&) = delete;
    Instance& operator=(const Instance&) = delete;

    AEffect* effect() const { return effect_; }
    AEffect* operator->() const { return effect_; }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    std::string text(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0) const;
    // Closes now (effClose); answers what the dispatcher answered.
    VstIntPtr close();

private:
    AEffect* effect_ = nullptr;
};
