// sarvo-host info: what the plug-in tells a host about itself.
#include "options.h"

#include <cstdio>

int commandInfo(const std::vector<std::string>& args)
{
    CommonOptions options;
    std::string message;
    if (!parseOptions(args, {}, {}, options, message)) {
        std::fprintf(stderr, "sarvo-host: %s\n", message.c_str());
        return 2;
    }
    if (!options.positional.empty()) {
        std::fprintf(stderr, "sarvo-host: info takes no file argument ('%s')\n", options.positional[0].c_str());
        return 2;
    }
    LoadedPlugin plugin;
    if (!preparePlugin(options, plugin)) return 1;
    AEffect* e = plugin.effect();
    const VstInt32 id = e->uniqueID;
    std::printf("plug-in        %s\n", options.plugin.c_str());
    std::printf("effect         %s\n", plugin.text(effGetEffectName).c_str());
    std::printf("vendor         %s\n", plugin.text(effGetVendorString).c_str());
    std::printf("product        %s\n", plugin.text(effGetProductString).c_str());
    std::printf("vendor version %ld\n", static_cast<long>(plugin.dispatch(effGetVendorVersion)));
    std::printf("VST version    %ld\n", static_cast<long>(plugin.dispatch(effGetVstVersion)));
    std::printf("category       %ld\n", static_cast<long>(plugin.dispatch(effGetPlugCategory)));
    std::printf("unique id      0x%08X '%c%c%c%c'\n", static_cast<unsigned>(id), (id >> 24) & 0xFF, (id >> 16) & 0xFF,
                (id >> 8) & 0xFF, id & 0xFF);
    std::printf("version        %d\n", e->version);
    std::printf("flags          0x%04X%s%s%s\n", static_cast<unsigned>(e->flags),
                (e->flags & effFlagsHasEditor) ? " editor" : "", (e->flags & effFlagsCanReplacing) ? " replacing" : "",
                (e->flags & effFlagsCanDoubleReplacing) ? " double" : "");
    std::printf("inputs         %d\n", e->numInputs);
    std::printf("outputs        %d\n", e->numOutputs);
    std::printf("initial delay  %d\n", e->initialDelay);
    ERect* rect = nullptr;
    if (plugin.dispatch(effEditGetRect, 0, 0, &rect) && rect)
        std::printf("editor size    %d x %d\n", rect->right - rect->left, rect->bottom - rect->top);

    std::printf("\nparameters (%d)\n", e->numParams);
    for (int i = 0; i < e->numParams; ++i) {
        const float v = e->getParameter(e, i);
        std::printf("  %d  %-8s  %-8s %-4s  (%.6f)\n", i, plugin.paramName(i).c_str(), plugin.paramDisplay(i).c_str(),
                    plugin.paramLabel(i).c_str(), v);
    }
    std::printf("\nprograms (%d, current %ld)\n", e->numPrograms, static_cast<long>(plugin.dispatch(effGetProgram)));
    for (int i = 0; i < e->numPrograms; ++i) {
        char name[256] = {0};
        plugin.dispatch(effGetProgramNameIndexed, i, 0, name);
        std::printf("  %d  %s\n", i, name);
    }
    static const char* const kCanDo[] = {"sendVstEvents",
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
    std::printf("\ncanDo\n");
    for (const char* text : kCanDo) {
        const long answer = static_cast<long>(plugin.dispatch(effCanDo, 0, 0, const_cast<char*>(text)));
        std::printf("  %-22s %2ld\n", text, answer);
    }
    return saveChunks(options, plugin) ? 0 : 1;
}
