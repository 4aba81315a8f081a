// sarvo-host: loads a VST 2.x plug-in as a host does and shows or drives it from the command line.
#include "audio_file.h"
#include "options.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

int commandInfo(const std::vector<std::string>& args);
int commandRender(const std::vector<std::string>& args);
int commandScreenshot(const std::vector<std::string>& args);
int commandGenerate(const std::vector<std::string>& args);

namespace {

struct Command {
    const char* name;
    const char* synopsis;
    const char* summary;
    const char* text;  // description and the command's own options
    bool pluginOptions;
    int (*run)(const std::vector<std::string>&);
};

#if defined(SARVO_HOST_SCREENSHOT)
int screenshot(const std::vector<std::string>& args) { return commandScreenshot(args); }
#else
int screenshot(const std::vector<std::string>&)
{
    printError("this build of sarvo-host has no screenshot command");
    return kExitFailed;
}
#endif

const Command kCommands[] = {
    {"info", "info [OPTION]...", "print what the plug-in reports",
     "Prints the plug-in's descriptor (names, id, version, flags, inputs and outputs, editor size,\n"
     "chunk sizes), every parameter with its display text and unit, the program names and the answers\n"
     "to the usual canDo questions, after the loads and settings given.\n"
     "\n"
     "  --json             print the same as one JSON object\n",
     true, commandInfo},
    {"render", "render [OPTION]... IN OUT", "run an audio file through the plug-in",
     "Runs the audio file IN (WAV, FLAC, AIFF, Ogg and whatever else libsndfile reads; '-' reads\n"
     "standard input) through the plug-in and writes OUT ('-' writes standard output). A file with as\n"
     "many channels as the plug-in has inputs is processed as it is; a mono file feeds every input and\n"
     "the first output is written as mono. The sample rate is the input's. Prints the peak and RMS\n"
     "levels per channel in and out (on standard error when OUT is '-').\n"
     "\n"
     "  --block=N          frames per processing call, 1 to 65536 (default 512)\n"
     "  --double           use the plug-in's double-precision entry\n"
     "  --bypass           switch the plug-in's own bypass on\n"
     "  --format=NAME      the output format (default: from OUT's extension; a name without extension,\n"
     "                     such as '-' or a device, gets the input's)\n"
     "  --bits=16|24|32|float\n"
     "                     the output's sample format (default: the input's, where the format takes it)\n"
     "  --quiet            print nothing but errors and warnings\n",
     true, commandRender},
    {"screenshot", "screenshot [OPTION]... OUT.png", "write a picture of the plug-in's editor",
     "Opens the plug-in's editor and writes what it shows as a PNG picture.\n"
     "\n"
     "  --audio=FILE       first play an audio file through the effect with the editor open\n"
     "  --display=NAME     the X server to open the editor on (default: $DISPLAY, else an Xvfb of\n"
     "                     its own)\n"
     "  --scale=S          show the editor at the scale S, 1 to 3: Sarvo's own plug-in code linked\n"
     "                     into this program draws it, with the module's programs and settings (the\n"
     "                     VST 2.x module itself always shows its editor at scale 1)\n",
     true, screenshot},
    {"generate", "generate [OPTION]... OUT", "write a test signal",
     "Writes a test signal: drums over a bass line, peaking above full scale.\n"
     "\n"
     "  --seconds=S        length in seconds, up to 600 (default 6)\n"
     "  --rate=HZ          sample rate, 8000 to 384000 (default 44100)\n"
     "  --channels=N       1 (the average of both sides) to 8 (the pair repeated; default 2)\n"
     "  --format=NAME      the output format (default: from OUT's extension, else WAV)\n"
     "  --bits=16|24|32|float\n"
     "                     the sample format (default float where the format takes it)\n",
     false, commandGenerate},
};

const char* const kPluginOptions =
    "Plug-in options (info, render, screenshot):\n"
    "  --plugin=PATH      the VST 2.x module to load (default: $SARVO_PLUGIN, else the Sarvo.so\n"
    "                     installed with this program in ../lib/vst/, else the one beside it)\n"
    "  --load=FILE        load a preset file: a program (.fxp) or a bank (.fxb), told by its content\n"
    "  --chunk=FILE       load a raw chunk file: a program or a bank, told by the plug-in's sizes\n"
    "  --program=N        select program N (numbered from 0)\n"
    "  --set NAME=VALUE, NAME=VALUE\n"
    "                     set a parameter by its display value, as typed into the plug-in's editor,\n"
    "                     through effString2Parameter; the display is read back. A value the plug-in\n"
    "                     does not take is a usage error; one it clamps gives a warning. A file name\n"
    "                     with '=' goes after -- or as ./NAME\n"
    "  --save=FILE        save the state as a preset file: FILE.fxp the current program, FILE.fxb the\n"
    "                     bank\n"
    "  --save-chunk=FILE  save the plug-in's bank chunk as a raw chunk file\n"
    "  --save-program=FILE\n"
    "                     save the current program's chunk as a raw chunk file\n"
    "Bank files are applied first, then --program, then program files, then the settings in order;\n"
    "the files are saved after them. A file that is refused changes nothing.\n";

const char* const kCommonText =
    "Options take their value as --option=VALUE or --option VALUE; -- ends the options.\n"
    "  -h, --help         show this help (COMMAND --help: the command's own)\n"
    "  --version          show the version\n"
    "\n"
    "Files:\n"
    "  '-' is standard input or output (./- is a file of that name). An existing file is replaced\n"
    "  only when the new one is complete; a symbolic link is followed; a device or FIFO is written\n"
    "  directly. Audio formats: ";

const char* const kExitText = "\n"
                              "Environment:\n"
                              "  SARVO_PLUGIN       the module to load when --plugin is not given\n"
                              "\n"
                              "Exit status:\n"
                              "  0  done\n"
                              "  1  failed (a file could not be read or written, the plug-in refused something)\n"
                              "  2  usage error (unknown option, bad number, a setting the plug-in does not take)\n";

void printFormats(FILE* out) { std::fprintf(out, "%s.\n", knownFormats().c_str()); }

void usage(FILE* out)
{
    std::fprintf(out,
                 "Usage: sarvo-host COMMAND [OPTION]... [FILE]...\n"
                 "  or:  sarvo-host help [COMMAND]\n"
                 "Load a VST 2.x plug-in module through its VSTPluginMain entry point, as a music host does,\n"
                 "and work with it from the command line: show what it reports, run audio files through it,\n"
                 "and read and write its presets.\n"
                 "\n"
                 "Commands:\n");
    for (const Command& c : kCommands) std::fprintf(out, "  %-12s %s\n", c.name, c.summary);
    for (const Command& c : kCommands)
        std::fprintf(out, "\nThe %s command:\n  sarvo-host %s\n\n%s", c.name, c.synopsis, c.text);
    std::fprintf(out, "\n%s\n%s", kPluginOptions, kCommonText);
    printFormats(out);
    std::fprintf(out, "%s", kExitText);
}

void commandUsage(const Command& c, FILE* out)
{
    std::fprintf(out, "Usage: sarvo-host %s\n%s\n", c.synopsis, c.text);
    if (c.pluginOptions) std::fprintf(out, "%s\n", kPluginOptions);
    std::fprintf(out, "%s", kCommonText);
    printFormats(out);
    std::fprintf(out, "%s", kExitText);
}

const Command* findCommand(const std::string& name)
{
    for (const Command& c : kCommands)
        if (name == c.name) return &c;
    return nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        usage(stderr);
        return kExitUsage;
    }
    const std::string first = args[0];
    if (first == "--help" || first == "-h") {
        usage(stdout);
        return kExitDone;
    }
    if (first == "--version") {
        std::printf("sarvo-host %s\n", kHostVersion);
        return kExitDone;
    }
    if (first == "help") {
        if (args.size() == 1) {
            usage(stdout);
            return kExitDone;
        }
        const Command* c = findCommand(args[1]);
        if (!c || args.size() > 2) {
            printError("help: unknown command '" + args[1] + "' (commands: info, render, screenshot, generate)");
            return kExitUsage;
        }
        commandUsage(*c, stdout);
        return kExitDone;
    }
    const Command* command = findCommand(first);
    if (!command) {
        printError("unknown command '" + first + "' (try --help)");
        return kExitUsage;
    }
    args.erase(args.begin());
    for (const std::string& a : args) {
        if (a == "--") break;
        if (a == "--help" || a == "-h") {
            commandUsage(*command, stdout);
            return kExitDone;
        }
    }
    const int rc = command->run(args);
    if (std::fflush(stdout) != 0 && rc == kExitDone) {
        printError(std::string("cannot write standard output: ") + std::strerror(errno));
        return kExitFailed;
    }
    return rc;
}
