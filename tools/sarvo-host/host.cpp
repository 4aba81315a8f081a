#include "host.h"

#include <dlfcn.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "ONDX");
            return 1;
        case audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "sarvo-host");
            return 1;
        case audioMasterGetVendorVersion: return 1000;
        default: return 0;
    }
}

std::string defaultPluginPath()
{
    if (const char* env = std::getenv("SARVO_PLUGIN")) {
        if (*env) return env;
    }
    return SARVO_DEFAULT_PLUGIN;
}

LoadedPlugin::~LoadedPlugin()
{
    if (effect_) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    if (module_) dlclose(module_);
}

bool LoadedPlugin::load(const std::string& path)
{
    module_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        error_ = "cannot load plug-in '" + path + "': " + (why ? why : "unknown error");
        return false;
    }
    typedef AEffect* (*Entry)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(module_, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(dlsym(module_, "main"));
    if (!entry) {
        error_ = "'" + path + "' has no VSTPluginMain entry point";
        return false;
    }
    effect_ = entry(hostCallback);
    if (!effect_ || effect_->magic != kEffectMagic) {
        effect_ = nullptr;
        error_ = "'" + path + "' did not create an effect";
        return false;
    }
    dispatch(effOpen);
    return true;
}

VstIntPtr LoadedPlugin::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
    return effect_ ? effect_->dispatcher(effect_, opcode, index, value, ptr, opt) : 0;
}

std::string LoadedPlugin::text(VstInt32 opcode, VstInt32 index) const
{
    char buffer[512];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

int LoadedPlugin::findParam(const std::string& name) const
{
    for (int i = 0; i < numParams(); ++i) {
        const std::string n = paramName(i);
        if (n.size() == name.size() && std::equal(n.begin(), n.end(), name.begin(), [](char a, char b) {
                return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
            }))
            return i;
    }
    return -1;
}

bool LoadedPlugin::applySetting(const std::string& assignment, std::string& message)
{
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos || eq == 0) {
        message = "setting '" + assignment + "' is not of the form NAME=VALUE";
        return false;
    }
    const std::string name = assignment.substr(0, eq);
    std::string value = assignment.substr(eq + 1);
    const int index = findParam(name);
    if (index < 0) {
        message = "unknown parameter '" + name + "' (parameters:";
        for (int i = 0; i < numParams(); ++i) message += " " + paramName(i);
        message += ")";
        return false;
    }
    std::vector<char> buffer(value.begin(), value.end());
    buffer.push_back(0);
    if (dispatch(effString2Parameter, index, 0, buffer.data()) == 0) {
        message = "parameter '" + name + "' does not take text";
        return false;
    }
    return true;
}

bool LoadedPlugin::saveChunk(const std::string& path, bool preset, std::string& message) const
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, preset ? 1 : 0, 0, &data);
    if (size <= 0 || !data) {
        message = "the plug-in gave no chunk";
        return false;
    }
    const std::string tmp = path + ".part";
    FILE* f = std::fopen(tmp.c_str(), "wb");
    if (!f) {
        message = "cannot write '" + path + "'";
        return false;
    }
    const bool ok = std::fwrite(data, 1, static_cast<std::size_t>(size), f) == static_cast<std::size_t>(size);
    if (std::fclose(f) != 0 || !ok || std::rename(tmp.c_str(), path.c_str()) != 0) {
        std::remove(tmp.c_str());
        message = "cannot write '" + path + "'";
        return false;
    }
    return true;
}

bool LoadedPlugin::loadChunk(const std::string& path, std::string& message)
{
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        message = "cannot read chunk file '" + path + "'";
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The plug-in tells its own sizes: a program chunk and a bank chunk.
    void* data = nullptr;
    const VstIntPtr presetSize = dispatch(effGetChunk, 1, 0, &data);
    const VstIntPtr bankSize = dispatch(effGetChunk, 0, 0, &data);
    bool preset;
    if (bankSize > 0 && static_cast<VstIntPtr>(bytes.size()) == bankSize)
        preset = false;
    else if (presetSize > 0 && static_cast<VstIntPtr>(bytes.size()) == presetSize)
        preset = true;
    else {
        message = "'" + path + "' is " + std::to_string(bytes.size()) + " bytes: neither a program (" +
            std::to_string(presetSize) + " bytes) nor a bank (" + std::to_string(bankSize) + " bytes)";
        return false;
    }
    const VstIntPtr taken = dispatch(effSetChunk, preset ? 1 : 0, static_cast<VstIntPtr>(bytes.size()), bytes.data());
    if (taken <= 0) {
        message = "the plug-in refused '" + path + "'";
        return false;
    }
    return true;
}

void LoadedPlugin::start(float sampleRate, int blockSize)
{
    dispatch(effSetSampleRate, 0, 0, nullptr, sampleRate);
    dispatch(effSetBlockSize, 0, blockSize);
    dispatch(effMainsChanged, 0, 1);
    dispatch(effStartProcess);
}

void LoadedPlugin::stop()
{
    dispatch(effStopProcess);
    dispatch(effMainsChanged, 0, 0);
}
