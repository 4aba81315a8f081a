#include "host.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifndef SARVO_HOST_VERSION
#define SARVO_HOST_VERSION "0"
#endif
const char* const kHostVersion = SARVO_HOST_VERSION;

namespace {

constexpr VstInt32 kHostVstVersion = 2400;

bool equalNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string trim(const std::string& s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// A number, optionally followed by the parameter's unit ("6", "6dB", "6 dB"). NaN is no number.
bool numberWithUnit(const std::string& text, const std::string& unit, double& out)
{
    const std::string t = trim(text);
    if (t.empty()) return false;
    errno = 0;
    char* end = nullptr;
    const double v = std::strtod(t.c_str(), &end);
    if (end == t.c_str() || std::isnan(v)) return false;
    const std::string rest = trim(end);
    if (!rest.empty() && !(unit.size() && equalNoCase(rest, trim(unit)))) return false;
    out = v;
    return true;
}

// Half a unit of the last digit the display shows: how far a shown number may be from the one asked for
// before it counts as a different value.
double displayTolerance(const std::string& display)
{
    const std::size_t dot = display.find('.');
    int decimals = 0;
    if (dot != std::string::npos)
        while (dot + 1 + decimals < display.size() &&
               std::isdigit(static_cast<unsigned char>(display[dot + 1 + decimals])))
            ++decimals;
    return 0.5 * std::pow(10.0, -decimals);
}

// Offline rendering state the callback reports; a command-line host runs one plug-in at a time.
float gSampleRate = 44100.0f;
VstIntPtr gBlockSize = 512;

}  // namespace

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    switch (opcode) {
        case audioMasterVersion: return kHostVstVersion;
        case audioMasterGetSampleRate: return static_cast<VstIntPtr>(gSampleRate);
        case audioMasterGetBlockSize: return gBlockSize;
        case audioMasterGetCurrentProcessLevel: return 4;  // offline
        case audioMasterGetVendorString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "sarvo-host");
            return 1;
        case audioMasterGetProductString:
            if (ptr) std::strcpy(static_cast<char*>(ptr), "sarvo-host");
            return 1;
        case audioMasterGetVendorVersion: return 1000;
        default: return 0;
    }
}

bool parseInteger(const std::string& text, long minValue, long maxValue, long& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (*end || errno == ERANGE || v < minValue || v > maxValue) return false;
    out = v;
    return true;
}

bool parseNumber(const std::string& text, double minValue, double maxValue, double& out)
{
    if (text.empty() || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (*end || !std::isfinite(v) || v < minValue || v > maxValue) return false;
    out = v;
    return true;
}

std::string defaultPluginPath(std::string* tried)
{
    if (const char* env = std::getenv("SARVO_PLUGIN")) {
        if (*env) return env;
    }
    std::vector<std::string> places;
    char self[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        std::string dir(self, static_cast<std::size_t>(n));
        dir = dir.substr(0, dir.rfind('/'));
        places.push_back(dir + "/../lib/vst/Sarvo.so");
        places.push_back(dir + "/Sarvo.so");
    }
    for (const std::string& p : places) {
        struct stat st;
        if (stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return p;
    }
    if (tried) {
        tried->clear();
        for (const std::string& p : places) *tried += (tried->empty() ? "" : ", ") + p;
    }
    return std::string();
}

LoadedPlugin::~LoadedPlugin()
{
    if (effect_) effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
    effect_ = nullptr;
    if (module_) dlclose(module_);
}

bool LoadedPlugin::load(const std::string& path)
{
    path_ = path;
    // A bare file name would make the loader search the library path instead of this directory.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    struct stat st;
    if (stat(file.c_str(), &st) != 0) {
        error_ = "cannot load plug-in '" + path + "': " + std::strerror(errno);
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        error_ = "cannot load plug-in '" + path + "': " + std::strerror(EISDIR);
        return false;
    }
    module_ = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module_) {
        const char* why = dlerror();
        error_ = "cannot load plug-in '" + path + "': " + (why ? why : "unknown error");
        return false;
    }
    typedef AEffect* (*Entry)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(module_, "VSTPluginMain"));
    if (!entry) entry = reinterpret_cast<Entry>(dlsym(module_, "main"));
    if (!entry) {
        error_ = "'" + path + "' is not a VST 2.x plug-in: it has no VSTPluginMain entry point";
        return false;
    }
    effect_ = entry(hostCallback);
    if (!effect_ || effect_->magic != kEffectMagic) {
        effect_ = nullptr;
        error_ = "'" + path + "' did not create an effect";
        return false;
    }
    if (effect_->numParams < 0 || effect_->numPrograms < 0 || effect_->numInputs < 0 || effect_->numOutputs < 0 ||
        effect_->numParams > 100000 || effect_->numPrograms > 100000 || effect_->numInputs > 256 ||
        effect_->numOutputs > 256) {
        error_ = "'" + path + "' reports impossible counts";
        effect_->dispatcher(effect_, effClose, 0, 0, nullptr, 0.0f);
        effect_ = nullptr;
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
    char buffer[1024];
    std::memset(buffer, 0, sizeof buffer);
    dispatch(opcode, index, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

std::string LoadedPlugin::programName(int index) const
{
    char buffer[1024];
    std::memset(buffer, 0, sizeof buffer);
    if (!dispatch(effGetProgramNameIndexed, index, -1, buffer) && index == dispatch(effGetProgram))
        dispatch(effGetProgramName, 0, 0, buffer);
    buffer[sizeof buffer - 1] = 0;
    return buffer;
}

float LoadedPlugin::getParameter(int index) const
{
    return effect_ && effect_->getParameter ? effect_->getParameter(effect_, index) : 0.0f;
}

void LoadedPlugin::setParameter(int index, float value) const
{
    if (effect_ && effect_->setParameter) effect_->setParameter(effect_, index, value);
}

int LoadedPlugin::findParam(const std::string& name) const
{
    for (int i = 0; i < numParams(); ++i)
        if (equalNoCase(paramName(i), name)) return i;
    return -1;
}

std::vector<unsigned char> LoadedPlugin::chunk(bool program) const
{
    void* data = nullptr;
    const VstIntPtr size = dispatch(effGetChunk, program ? 1 : 0, 0, &data);
    if (size <= 0 || !data) return {};
    const unsigned char* p = static_cast<const unsigned char*>(data);
    return std::vector<unsigned char>(p, p + size);
}

void LoadedPlugin::start(float sampleRate, int blockSize)
{
    sampleRate_ = gSampleRate = sampleRate;
    blockSize_ = blockSize;
    gBlockSize = blockSize;
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

SettingResult applySetting(LoadedPlugin& plugin, const std::string& assignment, std::string& message)
{
    const std::size_t eq = assignment.find('=');
    if (eq == std::string::npos) {
        message = "setting '" + assignment + "' is not of the form NAME=VALUE";
        return SettingResult::Refused;
    }
    const std::string name = assignment.substr(0, eq);
    const std::string value = assignment.substr(eq + 1);
    if (name.empty()) {
        message = "setting '" + assignment + "' names no parameter";
        return SettingResult::Refused;
    }
    const int index = plugin.findParam(name);
    if (index < 0) {
        message = "unknown parameter '" + name + "' (the plug-in has:";
        for (int i = 0; i < plugin.numParams(); ++i) message += " " + plugin.paramName(i);
        if (plugin.numParams() == 0) message += " none";
        message += ")";
        return SettingResult::Refused;
    }
    const std::string pname = plugin.paramName(index);
    const std::string unit = plugin.paramLabel(index);
    auto shown = [&]() {
        std::string d = trim(plugin.paramDisplay(index));
        const std::string u = trim(unit);
        return u.empty() ? d : d + " " + u;
    };
    if (trim(value).empty()) {
        message = "setting '" + assignment + "' gives no value (" + pname + " shows " + shown() + ")";
        return SettingResult::Refused;
    }
    double asked = 0.0;
    const bool askedNumber = numberWithUnit(value, unit, asked);
    if (!askedNumber) {
        const std::string t = trim(value);
        const std::size_t end = t.find_first_of(" \t");
        char* stop = nullptr;
        if (std::isnan(std::strtod(t.substr(0, end).c_str(), &stop)) && *stop == 0) {
            message = "setting '" + assignment + "': not a number";
            return SettingResult::Refused;
        }
    }
    const float before = plugin.getParameter(index);
    std::vector<char> buffer(value.begin(), value.end());
    buffer.push_back(0);
    if (plugin.dispatch(effString2Parameter, index, 0, buffer.data()) == 0) {
        plugin.setParameter(index, before);
        message = "the plug-in does not take '" + value + "' for " + pname + " (it shows " + shown() + ")";
        return SettingResult::Refused;
    }
    const std::string display = trim(plugin.paramDisplay(index));
    double got = 0.0;
    const bool gotNumber = numberWithUnit(display, unit, got);
    if (askedNumber && gotNumber) {
        const double tolerance = displayTolerance(display) * (1.0 + 1e-6) + 1e-12 * std::fabs(got);
        if (std::fabs(asked - got) <= tolerance || (std::isinf(asked) && asked == got)) return SettingResult::Ok;
        message = name + "=" + value + ": the plug-in took " + shown();
        return SettingResult::Clamped;
    }
    if (!askedNumber && (equalNoCase(display, trim(value)) || equalNoCase(shown(), trim(value))))
        return SettingResult::Ok;
    const std::string took = shown();
    plugin.setParameter(index, before);
    message = "the plug-in does not take '" + value + "' for " + pname + ": it reads it as '" + took + "'";
    return SettingResult::Refused;
}
