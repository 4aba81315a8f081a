// The clipper's four parameters: names, units, ranges, steps, defaults and decimals. The effect
// defines its parameters from this table, and the curve mapping turns stored values into display
// values with the same ranges and steps.
#pragma once

struct ClipperParameterInfo {
    const char* name;
    const char* unitLabel;
    double minimum;  // display value at 0.0
    double maximum;  // display value at 1.0
    int steps;  // grid points minus one; 0 for the switch
    double defaultDisplay;
    int decimals;
};

namespace clipper {

constexpr ClipperParameterInfo kGain{"Gain", "dB", 0.0, 12.0, 120, 0.0, 1};
constexpr ClipperParameterInfo kClip{"Clip", "%", 0.0, 100.0, 100, 100.0, 0};
constexpr ClipperParameterInfo kSoftness{"Softness", "%", 0.0, 100.0, 100, 0.0, 0};
// The switch: off below 0.5, on from 0.5.
constexpr ClipperParameterInfo kOversample{"Oversmp", "", 0.0, 1.0, 0, 0.0, 0};
constexpr const char* kOversampleCaption = "2x Oversample";

}  // namespace clipper
