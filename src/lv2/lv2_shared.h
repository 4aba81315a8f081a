// What the LV2 plug-in, its UI and the turtle writer share: the URIs, the port numbers and the
// record the UI reaches through instance access.
//
// Ports: 0 and 1 audio in (left, right), 2 and 3 audio out, 4 to 7 the effect's four parameters in
// their display units (port 4 + i is parameter i), 8 the enable port (lv2:enabled).
#pragma once

#include <atomic>
#include <cstdint>

namespace sarvo {
class Plugin;
}

namespace sarvo_lv2 {

constexpr const char* kPluginUri = "urn:ondx:sarvo";
constexpr const char* kUiUri = "urn:ondx:sarvo#ui";
// State: the bank image (all programs, exactly the bytes of the VST 2.x bank chunk) under kBankKey
// with the type kBankType, which names the layout and its version; the current program under
// kProgramKey as an atom:Int.
constexpr const char* kBankKey = "urn:ondx:sarvo#bank";
constexpr const char* kBankType = "urn:ondx:sarvo#Bank1";
constexpr const char* kProgramKey = "urn:ondx:sarvo#program";

constexpr const char* kPluginBinary = "Sarvo.so";
constexpr const char* kUiBinary = "Sarvo_ui.so";

enum Port : uint32_t {
    kInLeft = 0,
    kInRight = 1,
    kOutLeft = 2,
    kOutRight = 3,
    kFirstParameter = 4,  // four parameters
    kEnable = 8,
    kPortCount = 9,
};
constexpr uint32_t kParameterCount = 4;

// The head of the plug-in's instance: what a UI given the instance (instance access) may use.
// The UI checks the tag before it trusts anything else.
struct SharedInstance {
    static constexpr uint32_t kTag = 0x53724C32;  // "SrL2"
    uint32_t tag = kTag;
    sarvo::Plugin* plugin = nullptr;
    // Editors showing this instance's histories; the effect records them while there is one.
    std::atomic<int> viewers{0};
};

}  // namespace sarvo_lv2
