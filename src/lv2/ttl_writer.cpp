// Writes the bundle's manifest.ttl and Sarvo.ttl from the effect's parameter table, so that the
// ports' ranges, defaults and units are never copied by hand. Run at build time:
//   sarvo_lv2_ttl OUTPUT_DIRECTORY
#include "dsp/clipper_parameters.h"
#include "lv2/lv2_shared.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* kPrefixes =
    "@prefix doap:  <http://usefulinc.com/ns/doap#> .\n"
    "@prefix foaf:  <http://xmlns.com/foaf/0.1/> .\n"
    "@prefix lv2:   <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix opts:  <http://lv2plug.in/ns/ext/options#> .\n"
    "@prefix rdfs:  <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
    "@prefix ui:    <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix units: <http://lv2plug.in/ns/extensions/units#> .\n"
    "@prefix urid:  <http://lv2plug.in/ns/ext/urid#> .\n"
    "\n";

std::string number(double v)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", v);
    std::string s = text;
    if (s.find_first_of(".eE") == std::string::npos) s += ".0";  // a decimal, not an integer
    return s;
}

std::string symbolOf(const char* name)
{
    std::string s;
    for (const char* c = name; *c; ++c) s += static_cast<char>(std::tolower(static_cast<unsigned char>(*c)));
    return s;
}

const char* unitOf(const char* label)
{
    if (std::strcmp(label, "dB") == 0) return "units:db";
    if (std::strcmp(label, "%") == 0) return "units:pc";
    return nullptr;
}

std::string audioPort(uint32_t index, bool input, const char* symbol, const char* name)
{
    char text[256];
    std::snprintf(text, sizeof text,
                  "    [\n        a lv2:AudioPort , lv2:%s ;\n        lv2:index %u ;\n        lv2:symbol \"%s\" ;\n"
                  "        lv2:name \"%s\"\n    ]",
                  input ? "InputPort" : "OutputPort", index, symbol, name);
    return text;
}

std::string controlPort(uint32_t index, const ClipperParameterInfo& info)
{
    std::string s = "    [\n        a lv2:InputPort , lv2:ControlPort ;\n";
    s += "        lv2:index " + std::to_string(index) + " ;\n";
    s += "        lv2:symbol \"" + symbolOf(info.name) + "\" ;\n";
    s += "        lv2:name \"" + std::string(info.name) + "\" ;\n";
    s += "        lv2:default " + number(info.defaultDisplay) + " ;\n";
    s += "        lv2:minimum " + number(info.minimum) + " ;\n";
    s += "        lv2:maximum " + number(info.maximum);
    if (const char* unit = unitOf(info.unitLabel)) s += " ;\n        units:unit " + std::string(unit);
    if (info.steps == 0) s += " ;\n        lv2:portProperty lv2:toggled";
    return s + "\n    ]";
}

std::string joined(const std::vector<std::string>& parts, const char* separator)
{
    std::string s;
    for (size_t i = 0; i < parts.size(); ++i) s += (i ? separator : "") + parts[i];
    return s;
}

bool writeFile(const std::string& path, const std::string& text)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIRECTORY\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    const std::string plugin = std::string("<") + sarvo_lv2::kPluginUri + ">";
    const std::string ui = std::string("<") + sarvo_lv2::kUiUri + ">";

    std::string manifest = kPrefixes;
    manifest += plugin + "\n    a lv2:Plugin ;\n    lv2:binary <" + sarvo_lv2::kPluginBinary +
                "> ;\n    rdfs:seeAlso <Sarvo.ttl> .\n\n";
    manifest += ui + "\n    a ui:X11UI ;\n    ui:binary <" + sarvo_lv2::kUiBinary + "> ;\n    rdfs:seeAlso <Sarvo.ttl> .\n";

    const ClipperParameterInfo* table[sarvo_lv2::kParameterCount] = {&clipper::kGain, &clipper::kClip,
                                                                     &clipper::kSoftness, &clipper::kOversample};
    std::vector<std::string> ports = {audioPort(sarvo_lv2::kInLeft, true, "in_l", "Left in"),
                                      audioPort(sarvo_lv2::kInRight, true, "in_r", "Right in"),
                                      audioPort(sarvo_lv2::kOutLeft, false, "out_l", "Left out"),
                                      audioPort(sarvo_lv2::kOutRight, false, "out_r", "Right out")};
    for (uint32_t i = 0; i < sarvo_lv2::kParameterCount; ++i)
        ports.push_back(controlPort(sarvo_lv2::kFirstParameter + i, *table[i]));
    ports.push_back("    [\n        a lv2:InputPort , lv2:ControlPort ;\n        lv2:index " +
                    std::to_string(sarvo_lv2::kEnable) +
                    " ;\n        lv2:symbol \"enabled\" ;\n        lv2:name \"Enabled\" ;\n"
                    "        lv2:designation lv2:enabled ;\n        lv2:default " + number(1.0) +
                    " ;\n        lv2:minimum " + number(0.0) + " ;\n        lv2:maximum " + number(1.0) +
                    " ;\n        lv2:portProperty lv2:toggled\n    ]");

    std::vector<std::string> notifications;
    for (uint32_t i = 0; i < sarvo_lv2::kParameterCount; ++i)
        notifications.push_back("    [\n        ui:plugin " + plugin + " ;\n        lv2:symbol \"" +
                                symbolOf(table[i]->name) + "\" ;\n        ui:protocol ui:floatProtocol\n    ]");

    std::string main = kPrefixes;
    main += plugin +
            "\n    a lv2:Plugin , lv2:WaveshaperPlugin , doap:Project ;\n"
            "    doap:name \"Sarvo\" ;\n"
            "    doap:maintainer [ foaf:name \"ONDX\" ] ;\n"
            "    rdfs:comment \"Stereo soft clipper: input gain, a knee curve up to the clip level, optional 2x oversampling.\" ;\n"
            "    lv2:minorVersion 0 ;\n    lv2:microVersion 0 ;\n"
            "    lv2:optionalFeature lv2:hardRTCapable , urid:map ;\n"
            "    lv2:extensionData state:interface ;\n"
            "    ui:ui " + ui + " ;\n"
            "    lv2:port\n" + joined(ports, " ,\n") + " .\n\n";
    main += ui +
            "\n    a ui:X11UI ;\n"
            "    lv2:requiredFeature ui:parent ;\n"
            "    lv2:optionalFeature ui:idleInterface , ui:touch , urid:map , opts:options , "
            "<http://lv2plug.in/ns/ext/instance-access> ;\n"
            "    lv2:extensionData ui:idleInterface , opts:interface ;\n"
            "    opts:supportedOption ui:scaleFactor ;\n"
            "    ui:portNotification\n" + joined(notifications, " ,\n") + " .\n";

    if (!writeFile(dir + "/manifest.ttl", manifest) || !writeFile(dir + "/Sarvo.ttl", main)) {
        std::fprintf(stderr, "sarvo_lv2_ttl: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
