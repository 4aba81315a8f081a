#pragma once
// A small VST 2.x host for the command line: loads a plug-in module, instantiates it and talks to it
// only through the entry point and the descriptor, as any host does. Nothing of a particular plug-in is
// known here: counts, names, ranges and chunk sizes all come from the loaded module.
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
    const std::string& path() const { return path_; }
    AEffect* effect() const { return effect_; }

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f) const;
    // A text answer (names, displays), read into a generous zeroed buffer and cut at its end.
    std::string text(VstInt32 opcode, VstInt32 index = 0) const;

    int numParams() const { return effect_ ? effect_->numParams : 0; }
    int numPrograms() const { return effect_ ? effect_->numPrograms : 0; }
    bool programChunks() const { return effect_ && (effect_->flags & effFlagsProgramChunks); }
    std::string paramName(int index) const { return text(effGetParamName, index); }
    std::string paramDisplay(int index) const { return text(effGetParamDisplay, index); }
    std::string paramLabel(int index) const { return text(effGetParamLabel, index); }
    std::string programName(int index) const;
    float getParameter(int index) const;
    void setParameter(int index, float value) const;
    // Index of the parameter whose name equals `name` ignoring case, or -1.
    int findParam(const std::string& name) const;

    // The plug-in's chunk: a program (current) or the whole bank; empty when it gives none.
    std::vector<unsigned char> chunk(bool program) const;

    // Opens and closes processing the way hosts do before and after rendering.
    void start(float sampleRate, int blockSize);
    void stop();
    float sampleRate() const { return sampleRate_; }
    int blockSize() const { return blockSize_; }

private:
    void* module_ = nullptr;
    AEffect* effect_ = nullptr;
    std::string error_;
    std::string path_;
    float sampleRate_ = 44100.0f;
    int blockSize_ = 512;
};

// Result of a NAME=VALUE setting.
enum class SettingResult { Ok, Clamped, Refused };

// Applies "NAME=VALUE" through effString2Parameter and reads the display back. Refused (a usage error)
// when the name is unknown or the plug-in does not take the value; the parameter then keeps its value.
// Clamped when the plug-in took a number other than the one asked for; `message` says what it took.
SettingResult applySetting(LoadedPlugin& plugin, const std::string& assignment, std::string& message);

// The host callback: answers the version request and what a plug-in may ask an offline host.
VstIntPtr hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

// The module to load when --plugin is not given: $SARVO_PLUGIN, else the plug-in installed with this
// program (../lib/vst/Sarvo.so beside its bin/ directory), else Sarvo.so in this program's directory
// (the build tree). Empty with the places tried in `tried` when none exists.
std::string defaultPluginPath(std::string* tried = nullptr);

// Strict number parsing: the whole text, no blanks, within the range.
bool parseInteger(const std::string& text, long minValue, long maxValue, long& out);
bool parseNumber(const std::string& text, double minValue, double maxValue, double& out);

// Printed by --version and used in the files this host writes.
extern const char* const kHostVersion;
