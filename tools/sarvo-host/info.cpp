// sarvo-host info: what the plug-in tells a host about itself, as text or JSON.
#include "options.h"
#include "presets.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const kCanDo[] = {"sendVstEvents",
                              "sendVstMidiEvent",
                              "sendVstTimeInfo",
                              "receiveVstEvents",
                              "receiveVstMidiEvent",
                              "receiveVstTimeInfo",
                              "offline",
                              "plugAsChannelInsert",
                              "plugAsSend",
                              "mixDryWet",
                              "noRealTime",
                              "multipass",
                              "metapass",
                              "1in1out",
                              "1in2out",
                              "2in1out",
                              "2in2out",
                              "2in4out",
                              "4in2out",
                              "4in4out",
                              "4in8out",
                              "8in4out",
                              "8in8out",
                              "midiProgramNames",
                              "conformsToWindowRules",
                              "bypass"};

struct Flag {
    VstInt32 bit;
    const char* name;
};
const Flag kFlags[] = {{effFlagsHasEditor, "editor"},
                       {effFlagsHasClip, "clip"},
                       {effFlagsHasVu, "vu"},
                       {effFlagsCanMono, "mono"},
                       {effFlagsCanReplacing, "replacing"},
                       {effFlagsProgramChunks, "program-chunks"},
                       {effFlagsIsSynth, "synth"},
                       {effFlagsNoSoundInStop, "no-sound-in-stop"},
                       {effFlagsCanDoubleReplacing, "double"}};

// A JSON string: valid UTF-8 passes, other bytes are taken as Latin-1.
std::string json(const std::string& s)
{
    std::string out = "\"";
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        int len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool valid = len > 0 && i + len <= n && !(len == 2 && c < 0xC2);
        for (int k = 1; valid && k < len; ++k) valid = (p[i + k] & 0xC0) == 0x80;
        if (!valid || len == 1) {
            if (c == '"' || c == '\\') {
                out += '\\';
                out += static_cast<char>(c);
            } else if (c < 0x20 || c >= 0x7F) {
                char buffer[8];
                std::snprintf(buffer, sizeof buffer, "\\u%04x", c);
                out += buffer;
            } else {
                out += static_cast<char>(c);
            }
            ++i;
        } else {
            out.append(s, i, static_cast<std::size_t>(len));
            i += static_cast<std::size_t>(len);
        }
    }
    return out + "\"";
}

std::string number(double v)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.9g", v);
    const std::string s = buffer;
    return (s.find_first_of("0123456789") == std::string::npos || s.find("inf") != std::string::npos ||
            s.find("nan") != std::string::npos)
        ? "null"
        : s;
}

struct Facts {
    std::string effectName, vendor, product;
    long vendorVersion = 0, vstVersion = 0, category = 0, program = 0;
    int width = -1, height = -1;
    std::vector<std::string> names, displays, labels, programs;
    std::vector<float> values;
    std::vector<long> canDo;
    std::size_t programChunk = 0, bankChunk = 0;
};

Facts gather(LoadedPlugin& plugin)
{
    Facts f;
    f.effectName = plugin.text(effGetEffectName);
    f.vendor = plugin.text(effGetVendorString);
    f.product = plugin.text(effGetProductString);
    f.vendorVersion = static_cast<long>(plugin.dispatch(effGetVendorVersion));
    f.vstVersion = static_cast<long>(plugin.dispatch(effGetVstVersion));
    f.category = static_cast<long>(plugin.dispatch(effGetPlugCategory));
    ERect* rect = nullptr;
    if (plugin.effect()->flags & effFlagsHasEditor)
        if (plugin.dispatch(effEditGetRect, 0, 0, &rect) && rect) {
            f.width = rect->right - rect->left;
            f.height = rect->bottom - rect->top;
        }
    for (int i = 0; i < plugin.numParams(); ++i) {
        f.names.push_back(plugin.paramName(i));
        f.displays.push_back(plugin.paramDisplay(i));
        f.labels.push_back(plugin.paramLabel(i));
        f.values.push_back(plugin.getParameter(i));
    }
    f.program = static_cast<long>(plugin.dispatch(effGetProgram));
    for (int i = 0; i < plugin.numPrograms(); ++i) f.programs.push_back(plugin.programName(i));
    for (const char* text : kCanDo)
        f.canDo.push_back(static_cast<long>(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(text))));
    f.programChunk = plugin.chunk(true).size();
    f.bankChunk = plugin.chunk(false).size();
    return f;
}

void printText(FILE* out, const LoadedPlugin& plugin, const Facts& f)
{
    const AEffect* e = plugin.effect();
    const VstInt32 id = e->uniqueID;
    std::fprintf(out, "plug-in        %s\n", plugin.path().c_str());
    std::fprintf(out, "effect         %s\n", f.effectName.c_str());
    std::fprintf(out, "vendor         %s\n", f.vendor.c_str());
    std::fprintf(out, "product        %s\n", f.product.c_str());
    std::fprintf(out, "vendor version %ld\n", f.vendorVersion);
    std::fprintf(out, "VST version    %ld\n", f.vstVersion);
    std::fprintf(out, "category       %ld\n", f.category);
    std::fprintf(out, "unique id      0x%08X '%s'\n", static_cast<unsigned>(id), fourCharacters(id).c_str());
    std::fprintf(out, "version        %d\n", e->version);
    std::fprintf(out, "flags          0x%04X", static_cast<unsigned>(e->flags));
    for (const Flag& fl : kFlags)
        if (e->flags & fl.bit) std::fprintf(out, " %s", fl.name);
    std::fprintf(out, "\n");
    std::fprintf(out, "inputs         %d\n", e->numInputs);
    std::fprintf(out, "outputs        %d\n", e->numOutputs);
    std::fprintf(out, "initial delay  %d\n", e->initialDelay);
    // Why a module offers no editor (a skin that does not parse, no window system) stays inside it.
    if (f.width >= 0)
        std::fprintf(out, "editor size    %d x %d\n", f.width, f.height);
    else
        std::fprintf(out, "editor         none: the module offers no editor\n");
    if (f.programChunk || f.bankChunk)
        std::fprintf(out, "chunks         program %zu bytes, bank %zu bytes\n", f.programChunk, f.bankChunk);

    std::fprintf(out, "\nparameters (%d)\n", e->numParams);
    for (int i = 0; i < e->numParams; ++i)
        std::fprintf(out, "  %d  %-8s  %-8s %-4s  (%.6f)\n", i, f.names[i].c_str(), f.displays[i].c_str(),
                     f.labels[i].c_str(), f.values[i]);
    std::fprintf(out, "\nprograms (%d, current %ld)\n", e->numPrograms, f.program);
    for (int i = 0; i < e->numPrograms; ++i) std::fprintf(out, "  %d  %s\n", i, f.programs[i].c_str());
    std::fprintf(out, "\ncanDo\n");
    for (std::size_t i = 0; i < f.canDo.size(); ++i) std::fprintf(out, "  %-22s %2ld\n", kCanDo[i], f.canDo[i]);
}

void printJson(FILE* out, const LoadedPlugin& plugin, const Facts& f)
{
    const AEffect* e = plugin.effect();
    std::fprintf(out, "{\n");
    std::fprintf(out, "  \"plugin\": %s,\n", json(plugin.path()).c_str());
    std::fprintf(out, "  \"effect\": %s,\n", json(f.effectName).c_str());
    std::fprintf(out, "  \"vendor\": %s,\n", json(f.vendor).c_str());
    std::fprintf(out, "  \"product\": %s,\n", json(f.product).c_str());
    std::fprintf(out, "  \"vendorVersion\": %ld,\n", f.vendorVersion);
    std::fprintf(out, "  \"vstVersion\": %ld,\n", f.vstVersion);
    std::fprintf(out, "  \"category\": %ld,\n", f.category);
    std::fprintf(out, "  \"uniqueId\": %ld,\n", static_cast<long>(e->uniqueID));
    std::fprintf(out, "  \"uniqueIdText\": %s,\n", json(fourCharacters(e->uniqueID)).c_str());
    std::fprintf(out, "  \"version\": %d,\n", e->version);
    std::fprintf(out, "  \"flags\": %d,\n  \"flagNames\": [", e->flags);
    bool first = true;
    for (const Flag& fl : kFlags)
        if (e->flags & fl.bit) {
            std::fprintf(out, "%s\"%s\"", first ? "" : ", ", fl.name);
            first = false;
        }
    std::fprintf(out, "],\n");
    std::fprintf(out, "  \"inputs\": %d,\n  \"outputs\": %d,\n  \"initialDelay\": %d,\n", e->numInputs, e->numOutputs,
                 e->initialDelay);
    if (f.width >= 0)
        std::fprintf(out, "  \"editor\": {\"width\": %d, \"height\": %d},\n", f.width, f.height);
    else
        std::fprintf(out, "  \"editor\": null,\n");
    std::fprintf(out, "  \"chunks\": {\"program\": %zu, \"bank\": %zu},\n", f.programChunk, f.bankChunk);
    std::fprintf(out, "  \"parameters\": [");
    for (int i = 0; i < e->numParams; ++i)
        std::fprintf(out, "%s\n    {\"index\": %d, \"name\": %s, \"display\": %s, \"label\": %s, \"value\": %s}",
                     i ? "," : "", i, json(f.names[i]).c_str(), json(f.displays[i]).c_str(), json(f.labels[i]).c_str(),
                     number(f.values[i]).c_str());
    std::fprintf(out, "%s],\n", e->numParams ? "\n  " : "");
    std::fprintf(out, "  \"currentProgram\": %ld,\n  \"programs\": [", f.program);
    for (int i = 0; i < e->numPrograms; ++i)
        std::fprintf(out, "%s\n    {\"index\": %d, \"name\": %s}", i ? "," : "", i, json(f.programs[i]).c_str());
    std::fprintf(out, "%s],\n", e->numPrograms ? "\n  " : "");
    std::fprintf(out, "  \"canDo\": {");
    for (std::size_t i = 0; i < f.canDo.size(); ++i)
        std::fprintf(out, "%s\n    \"%s\": %ld", i ? "," : "", kCanDo[i], f.canDo[i]);
    std::fprintf(out, "\n  }\n}\n");
}

}  // namespace

int commandInfo(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {}, {"--json"}, options, message)) {
        printError(message);
        return kExitUsage;
    }
    if (!options.positional.empty()) {
        printError("info takes no file argument ('" + options.positional[0] + "')");
        return kExitUsage;
    }
    SaveOutputs outputs;
    if (const int rc = openSaveOutputs(options, outputs)) return rc;
    LoadedPlugin plugin;
    if (const int rc = preparePluginState(options, plugin)) return rc;
    const Facts facts = gather(plugin);
    if (!saveChunks(options, plugin, outputs)) return kExitFailed;
    FILE* out = options.writesStdout() ? stderr : stdout;
    if (options.has("--json"))
        printJson(out, plugin, facts);
    else
        printText(out, plugin, facts);
    return std::fflush(out) == 0 ? kExitDone : kExitFailed;
}
