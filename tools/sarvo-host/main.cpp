// sarvo-host: loads the plug-in as a host does and shows or drives it from the command line.
#include "host.h"

#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

int commandInfo(const std::vector<std::string>& args);
int commandRender(const std::vector<std::string>& args);
int commandScreenshot(const std::vector<std::string>& args);
int commandGenerate(const std::vector<std::string>& args);

namespace {

void usage(FILE* out)
{
    std::fprintf(out,
                 "usage: sarvo-host COMMAND [OPTIONS]\n"
                 "\n"
                 "Loads the Sarvo plug-in (or any VST 2.x plug-in module) through its VSTPluginMain entry\n"
                 "point, exactly as a music host does, and works with it from the command line.\n"
                 "\n"
                 "commands:\n"
                 "  info [--plugin PATH] [NAME=VALUE ...] [--program N] [--chunk FILE] [--save-chunk FILE]\n"
                 "       [--save-program FILE]\n"
                 "      Prints the descriptor, every parameter (name, value text, unit), the program names\n"
                 "      and the plug-in's canDo answers, after applying the given settings.\n"
                 "  render IN OUT [--plugin PATH] [NAME=VALUE ...] [--program N] [--chunk FILE] [--bypass]\n"
                 "       [--block N] [--double] [--rate HZ] [--quiet]\n"
                 "      Runs an audio file (WAV, FLAC, AIFF, OGG, ...) through the plug-in in blocks of N frames\n"
                 "      (default 512) and writes OUT in the input's format, or the one OUT's extension names.\n"
                 "      Mono input feeds both plug-in inputs and is written as mono. --double uses the\n"
                 "      double-precision entry, --rate tells the plug-in another sample rate, --bypass\n"
                 "      switches the effect's bypass on. Prints peak and RMS per channel in and out.\n"
                 "  screenshot OUT.png [--plugin PATH] [NAME=VALUE ...] [--audio FILE]\n"
                 "      Renders the plug-in's editor off-screen and writes it as a PNG picture. --audio plays\n"
                 "      an audio file through the effect with the editor open first (the wave displays).\n"
                 "  generate OUT.wav [--seconds S] [--rate HZ] [--channels N]\n"
                 "      Writes the built-in demo signal: drums over a bass line, peaking above full scale.\n"
                 "\n"
                 "options shared by the commands:\n"
                 "  --plugin PATH     the module to load (default: the Sarvo.so built with this program)\n"
                 "  NAME=VALUE        sets a parameter by its display value, as typed into the editor:\n"
                 "                    Gain=6  Clip=80  Softness=50  Oversmp=on\n"
                 "  --program N       selects program N (0..9) before applying settings\n"
                 "  --chunk FILE      loads a program (57 bytes) or bank (570 bytes) chunk file\n"
                 "  --save-chunk FILE writes the whole bank as a chunk file after the settings\n"
                 "  --save-program FILE  writes the current program as a chunk file\n");
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || !std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "help")) {
        usage(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    const std::string command = argv[1];
    std::vector<std::string> args(argv + 2, argv + argc);
    for (const std::string& a : args)
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        }
    static const std::map<std::string, std::function<int(const std::vector<std::string>&)>> commands = {
        {"info", commandInfo},
        {"render", commandRender},
        {"screenshot", commandScreenshot},
        {"generate", commandGenerate}};
    auto it = commands.find(command);
    if (it == commands.end()) {
        std::fprintf(stderr, "sarvo-host: unknown command '%s' (try --help)\n", command.c_str());
        return 2;
    }
    return it->second(args);
}
