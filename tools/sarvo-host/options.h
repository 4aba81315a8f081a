#pragma once
#include "host.h"
#include "output_file.h"

#include <string>
#include <vector>

// Exit codes of every command.
constexpr int kExitDone = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

// Options shared by the commands, parsed from the command line.
struct CommonOptions {
    std::string plugin;
    std::vector<std::string> settings;  // NAME=VALUE, in command-line order
    int program = -1;
    struct Load {
        std::string path;
        bool raw;  // --chunk (raw chunk file) rather than --load (preset file)
    };
    std::vector<Load> loads;
    std::string save;  // .fxp or .fxb
    std::string saveChunk;
    std::string saveProgram;
    std::vector<std::string> positional;
    // Command-specific options: name -> value ("" for a flag).
    std::vector<std::pair<std::string, std::string>> extra;

    bool has(const std::string& name) const;
    std::string value(const std::string& name, const std::string& fallback = "") const;
    // True when any output of the command is standard output: reports then go to standard error.
    bool writesStdout() const;
};

// Parses args: the plug-in options (when `pluginOptions`), `valued` lists the command's own options that
// take a value (--name VALUE or --name=VALUE), `flags` those that do not. "--" ends the options; after
// it every argument is a file. NAME=VALUE before it is a setting unless NAME contains a '/'. False with
// a message for unknown options, missing or malformed values: a usage error.
bool parseCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                      const std::vector<std::string>& flags, bool pluginOptions, CommonOptions& out,
                      std::string& message);
// The same with the plug-in options.
bool parseOptions(const std::vector<std::string>& args, const std::vector<std::string>& valued,
                  const std::vector<std::string>& flags, CommonOptions& out, std::string& message);

// Loads the plug-in and brings it into the asked-for state, in this order: bank files, --program,
// program files, settings. Prints what went wrong and answers an exit code: kExitDone, kExitFailed, or
// kExitUsage for a setting the plug-in does not take. A file that is refused changes nothing.
int preparePluginState(const CommonOptions& options, LoadedPlugin& plugin);
bool preparePlugin(const CommonOptions& options, LoadedPlugin& plugin);

// The preset and chunk outputs, checked and opened before any work is done.
struct SaveOutputs {
    OutputFile save, chunk, program;
};
// Opens the outputs of --save, --save-chunk and --save-program; prints the error and answers an exit code.
int openSaveOutputs(const CommonOptions& options, SaveOutputs& outputs);
// Writes the preset and chunk files asked for; prints the error and returns false on failure.
bool saveChunks(const CommonOptions& options, LoadedPlugin& plugin, SaveOutputs& outputs);

// Prints "sarvo-host: MESSAGE" on standard error.
void printError(const std::string& message);
