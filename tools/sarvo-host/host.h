#pragma once
// A small VST 2.x host for the command line: loads a plug-in module, instantiates it and talks to it
// only through the descriptor, as any host would.
#include "host/vst_abi.h"

#include <string>
#include <vector>

class LoadedPlugin {
public:
    LoadedPlugin() = default;
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    // Loads the module and calls its entry point; false with a message in error() on failure.
    bool load(const std::string& path);
    const std::string& error() const { return error_; }
    AEffect* effect() const { return effect_; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;

    int numParams() const { return effect_ ? effect_->numParams : 0; }
    int numPrograms() const { return effect_ ? effect_->numPrograms : 0; }
    std::string paramName(int index) const { return text(effGetParamName, index); }
    std::string paramDisplay(int index) const { return text(effGetParamDisplay, index); }
    std::string paramLabel(int index) const { return text(effGetParamLabel, index); }
    // Index of the parameter whose name equals `name` ignoring case, or -1.
    int findParam(const std::string& name) const;

    // Applies "NAME=TEXT" through effString2Parameter; false with a message for a bad name.
    bool applySetting(const std::string& assignment, std::string& message);

    // Chunk files: the plug-in's own program (57 bytes) or bank (570 bytes) records.
    bool saveChunk(const std::string& path, bool preset, std::string& message) const;
    bool loadChunk(const std::string& path, std::string& message);

    // Opens and closes processing the way hosts do before and after rendering.
    void start(float sampleRate, int blockSize);
    void stop();

private:
    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
    std::string error_;
};

// The host callback: answers the version request and the few requests a plug-in may send.
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// Default module path: beside this program's build, or $SARVO_PLUGIN.
std::string defaultPluginPath();
