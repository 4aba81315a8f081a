#include "options.h"

#include "presets.h"

#include <algorithm>
#include <cstdio>

void printError(const std::string& message) { std::fprintf(stderr, "sarvo-host: %s\n", message.c_str()); }

bool CommonOptions::has(const std::string& name) const
{
    return std::any_of(extra.begin(), extra.end(), [&](const auto& e) { return e.first == name; });
}

std::string CommonOptions::value(const std::string& name, const std::string& fallback) const
{
    std::string v = fallback;
    for (const auto& e : extra)
        if (e.first == name) v = e.second;  // the last one given counts
    return v;
}

bool CommonOptions::writesStdout() const
{
    if (save == "-" || saveChunk == "-" || saveProgram == "-") return true;
    return positional.size() >= 2 && positional.back() == "-";
}

bool parseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, bool pluginOptions, CommonOptions& out,
                      std::string& message)
{
    static const std::vector<std::string> kPluginValued = {"--plugin", "--program",    "--chunk",        "--load",
                                                           "--save",   "--save-chunk", "--save-program", "--set"};
    auto contains = [](const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    auto addSetting = [&](const std::string& s) {
        if (s.find('=') == std::string::npos) {
            message = "--set needs NAME=VALUE, got '" + s + "'";
            return false;
        }
        if (s[0] == '=') {
            message = "setting '" + s + "' names no parameter";
            return false;
        }
        out.settings.push_back(s);
        return true;
    };
    bool optionsEnded = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (optionsEnded || a == "-" || a.empty()) {
            out.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            optionsEnded = true;
            continue;
        }
        if (a.size() > 1 && a[0] == '-') {
            const std::size_t eq = a.find('=');
            const bool isLong = a.compare(0, 2, "--") == 0;
            const std::string name = isLong ? a.substr(0, eq) : a;
            const bool inlineValue = isLong && eq != std::string::npos;
            const bool pluginValued = pluginOptions && contains(kPluginValued, name);
            if (pluginValued || contains(valued, name)) {
                std::string v;
                if (inlineValue) {
                    v = a.substr(eq + 1);
                } else if (i + 1 < args.size()) {
                    v = args[++i];
                } else {
                    message = "option " + name + " needs a value";
                    return false;
                }
                if (!pluginValued) {
                    out.extra.emplace_back(name, v);
                } else if (name == "--plugin") {
                    out.plugin = v;
                } else if (name == "--program") {
                    long n = 0;
                    if (!parseInteger(v, 0, 1 << 30, n)) {
                        message = "--program needs a program number, got '" + v + "'";
                        return false;
                    }
                    out.program = static_cast<int>(n);
                } else if (name == "--chunk" || name == "--load") {
                    out.loads.push_back({v, name == "--chunk"});
                } else if (name == "--save") {
                    out.save = v;
                } else if (name == "--save-chunk") {
                    out.saveChunk = v;
                } else if (name == "--save-program") {
                    out.saveProgram = v;
                } else if (!addSetting(v)) {
                    return false;
                }
                continue;
            }
            if (contains(flags, name)) {
                if (inlineValue) {
                    message = "option " + name + " takes no value";
                    return false;
                }
                out.extra.emplace_back(name, "");
                continue;
            }
            message = "unknown option '" + name + "' (try --help)";
            return false;
        }
        const std::size_t eq = a.find('=');
        if (eq != std::string::npos && a.substr(0, eq).find('/') == std::string::npos) {
            if (!pluginOptions) {
                message = "'" + a +
                    "' looks like a setting, and this command takes none (a file name with '=' goes "
                    "after -- or as ./" +
                    a + ")";
                return false;
            }
            if (!addSetting(a)) return false;
            continue;
        }
        out.positional.push_back(a);
    }
    if (pluginOptions) {
        if (out.plugin.empty()) out.plugin = defaultPluginPath();
        int fromStdin = 0;
        for (const auto& l : out.loads) fromStdin += l.path == "-";
        for (const auto& p : out.positional) fromStdin += p == "-" && &p == &out.positional.front();
        if (fromStdin > 1) {
            message = "standard input ('-') can be read only once";
            return false;
        }
        int toStdout = (out.save == "-") + (out.saveChunk == "-") + (out.saveProgram == "-");
        if (out.positional.size() >= 2 && out.positional.back() == "-") ++toStdout;
        if (toStdout > 1) {
            message = "standard output ('-') can take only one of the outputs";
            return false;
        }
    }
    return true;
}

bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, CommonOptions& out, std::string& message)
{
    return parseCommandLine(args, valued, flags, true, out, message);
}

int preparePluginState(const CommonOptions& options, LoadedPlugin& plugin)
{
    if (options.plugin.empty()) {
        std::string tried;
        defaultPluginPath(&tried);
        printError("no plug-in found (looked for " + tried + "); give --plugin PATH or set SARVO_PLUGIN");
        return kExitFailed;
    }
    if (!plugin.load(options.plugin)) {
        printError(plugin.error());
        return kExitFailed;
    }
    std::string message;
    // Every file is read and checked before anything is applied.
    std::vector<Preset> presets(options.loads.size());
    for (std::size_t i = 0; i < options.loads.size(); ++i)
        if (!readPreset(options.loads[i].path, options.loads[i].raw, plugin, presets[i], message)) {
            printError(message);
            return kExitFailed;
        }
    if (options.program >= 0 && options.program >= plugin.numPrograms()) {
        printError("program " + std::to_string(options.program) + " does not exist (the plug-in has " +
                   std::to_string(plugin.numPrograms()) + ", numbered from 0)");
        return kExitUsage;
    }
    for (const Preset& p : presets)
        if (p.bank && !applyPreset(p, plugin, message)) {
            printError(message);
            return kExitFailed;
        }
    if (options.program >= 0) {
        plugin.dispatch(effBeginSetProgram);
        plugin.dispatch(effSetProgram, 0, options.program);
        plugin.dispatch(effEndSetProgram);
    }
    for (const Preset& p : presets)
        if (!p.bank && !applyPreset(p, plugin, message)) {
            printError(message);
            return kExitFailed;
        }
    for (const std::string& s : options.settings) {
        switch (applySetting(plugin, s, message)) {
            case SettingResult::Ok: break;
            case SettingResult::Clamped: std::fprintf(stderr, "sarvo-host: warning: %s\n", message.c_str()); break;
            case SettingResult::Refused: printError(message); return kExitUsage;
        }
    }
    return kExitDone;
}

bool preparePlugin(const CommonOptions& options, LoadedPlugin& plugin)
{
    return preparePluginState(options, plugin) == kExitDone;
}

int openSaveOutputs(const CommonOptions& options, SaveOutputs& outputs)
{
    std::string message;
    if (!options.save.empty()) {
        const std::string ext = lowerExtension(options.save);
        if (ext != "fxp" && ext != "fxb") {
            printError("--save " + options.save + ": the name must end in .fxp (a program) or .fxb (a bank)");
            return kExitUsage;
        }
        if (!outputs.save.open(options.save, message)) {
            printError(message);
            return kExitFailed;
        }
    }
    if (!options.saveChunk.empty() && !outputs.chunk.open(options.saveChunk, message)) {
        printError(message);
        return kExitFailed;
    }
    if (!options.saveProgram.empty() && !outputs.program.open(options.saveProgram, message)) {
        printError(message);
        return kExitFailed;
    }
    return kExitDone;
}

bool saveChunks(const CommonOptions& options, LoadedPlugin& plugin, SaveOutputs& outputs)
{
    std::string message;
    auto put = [&](OutputFile& out, const std::vector<unsigned char>& bytes) {
        if (!out.write(bytes.data(), bytes.size())) {
            printError(out.error());
            return false;
        }
        if (!out.finish(message)) {
            printError(message);
            return false;
        }
        return true;
    };
    if (!options.saveChunk.empty() || !options.saveProgram.empty()) {
        for (bool program : {false, true}) {
            const std::string& path = program ? options.saveProgram : options.saveChunk;
            if (path.empty()) continue;
            const std::vector<unsigned char> bytes = plugin.chunk(program);
            if (bytes.empty()) {
                printError("the plug-in gives no " + std::string(program ? "program" : "bank") + " chunk for '" + path +
                           "'");
                return false;
            }
            if (!put(program ? outputs.program : outputs.chunk, bytes)) return false;
        }
    }
    if (!options.save.empty()) {
        std::vector<unsigned char> bytes;
        if (!buildPresetFile(plugin, lowerExtension(options.save) == "fxb", bytes, message)) {
            printError(message);
            return false;
        }
        if (!put(outputs.save, bytes)) return false;
    }
    return true;
}
