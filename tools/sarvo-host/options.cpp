#include "options.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

bool CommonOptions::has(const std::string& name) const
{
    return std::any_of(extra.begin(), extra.end(), [&](const auto& e) { return e.first == name; });
}

std::string CommonOptions::value(const std::string& name, const std::string& fallback) const
{
    for (const auto& e : extra)
        if (e.first == name) return e.second;
    return fallback;
}

bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, CommonOptions& out, std::string& message)
{
    auto contains = [](const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto next = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                message = "option " + a + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (a == "--plugin") {
            if (!next(out.plugin)) return false;
        } else if (a == "--program") {
            std::string v;
            if (!next(v)) return false;
            char* end = nullptr;
            const long n = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end || n < 0) {
                message = "--program needs a program number, got '" + v + "'";
                return false;
            }
            out.program = static_cast<int>(n);
        } else if (a == "--chunk") {
            if (!next(out.chunk)) return false;
        } else if (a == "--save-chunk") {
            if (!next(out.saveChunk)) return false;
        } else if (a == "--save-program") {
            if (!next(out.saveProgram)) return false;
        } else if (contains(valued, a)) {
            std::string v;
            if (!next(v)) return false;
            out.extra.emplace_back(a, v);
        } else if (contains(flags, a)) {
            out.extra.emplace_back(a, "");
        } else if (a.size() > 1 && a[0] == '-') {
            message = "unknown option '" + a + "' (try --help)";
            return false;
        } else if (a.find('=') != std::string::npos) {
            out.settings.push_back(a);
        } else {
            out.positional.push_back(a);
        }
    }
    if (out.plugin.empty()) out.plugin = defaultPluginPath();
    return true;
}

bool preparePlugin(const CommonOptions& options, LoadedPlugin& plugin)
{
    if (!plugin.load(options.plugin)) {
        std::fprintf(stderr, "sarvo-host: %s\n", plugin.error().c_str());
        return false;
    }
    if (options.program >= 0) {
        if (options.program >= plugin.numPrograms()) {
            std::fprintf(stderr, "sarvo-host: program %d does not exist (the plug-in has %d)\n", options.program,
                         plugin.numPrograms());
            return false;
        }
        plugin.dispatch(effSetProgram, 0, options.program);
    }
    std::string message;
    if (!options.chunk.empty() && !plugin.loadChunk(options.chunk, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return false;
    }
    for (const std::string& s : options.settings) {
        if (!plugin.applySetting(s, message)) {
            std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
            return false;
        }
    }
    return true;
}

bool saveChunks(const CommonOptions& options, const LoadedPlugin& plugin)
{
    std::string message;
    if (!options.saveChunk.empty() && !plugin.saveChunk(options.saveChunk, false, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return false;
    }
    if (!options.saveProgram.empty() && !plugin.saveChunk(options.saveProgram, true, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return false;
    }
    return true;
}
