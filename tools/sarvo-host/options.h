#pragma once
#include "host.h"

#include <string>
#include <vector>

// Options shared by the commands, parsed from the command line.
struct CommonOptions {
    std::string plugin;
    std::vector<std::string> settings;  // NAME=VALUE
    int program = -1;
    std::string chunk;
    std::string saveChunk;
    std::string saveProgram;
    std::vector<std::string> positional;
    // Command-specific flags: name -> value ("" for a flag without a value).
    std::vector<std::pair<std::string, std::string>> extra;

    bool has(const std::string& name) const;
    std::string value(const std::string& name, const std::string& fallback = "") const;
};

// Parses args; `valued` lists the command's own options that take a value, `flags` those that do not.
// Returns false with a message on unknown options or missing values.
bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, CommonOptions& out, std::string& message);

// Loads the plug-in and applies program, chunk and settings in that order. Prints the error and
// returns false on failure.
bool preparePlugin(const CommonOptions& options, LoadedPlugin& plugin);

// Writes the chunk files asked for; prints the error and returns false on failure.
bool saveChunks(const CommonOptions& options, const LoadedPlugin& plugin);
