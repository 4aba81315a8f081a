// Geometry of the built-in skin (src/resources/sarvo.skin) and the artwork's palette.
#pragma once

#include "canvas.h"

namespace art {

constexpr int kSkinWidth = 402;
constexpr int kSkinHeight = 321;

struct Rect {
    int x, y, w, h;
};

// Knobs (film strip frames) and the value texts under them.
constexpr int kKnobWidth = 42;
constexpr int kKnobHeight = 44;
constexpr int kKnobFrames = 91;
constexpr Rect kKnobs[3] = {{22, 18, 42, 44}, {97, 18, 42, 44}, {170, 18, 42, 44}};
constexpr Rect kValues[3] = {{16, 61, 56, 14}, {91, 61, 56, 14}, {164, 61, 56, 14}};
constexpr const char* kKnobLabels[3] = {"Gain", "Clip", "Softness"};

// Oversampling switch: two frames, off above on.
constexpr int kSwitchWidth = 101;
constexpr int kSwitchHeight = 21;
constexpr Rect kSwitch = {68, 281, 101, 21};
constexpr const char* kSwitchText = "2x Oversample";

// Wave displays, left and right channel.
constexpr Rect kWaves[2] = {{249, 86, 136, 93}, {249, 199, 136, 93}};

// Transfer-curve graph and its plot area (control-local); the input axis lies along the plot's
// bottom row, the output axis along its left column.
constexpr Rect kGraph = {17, 109, 203, 136};
constexpr Rect kPlot = {10, 10, 183, 116};

// Knob geometry inside a frame; pointer angles in degrees clockwise from straight up.
constexpr double kKnobCentreX = 21.0;
constexpr double kKnobCentreY = 21.0;
constexpr double kKnobStartAngle = -135.0;
constexpr double kKnobEndAngle = 135.0;

// Skin colours the artwork is matched to.
inline Colour skinTextColour() { return rgb8(145, 152, 159); }
inline Colour skinDark() { return rgb8(64, 76, 86); }
inline Colour skinLight() { return rgb8(125, 146, 163); }
inline Colour skinBack() { return rgb8(65, 75, 85); }
inline Colour skinFore() { return rgb8(110, 125, 130); }
inline Colour skinAxis() { return rgb8(125, 145, 160); }

// Artwork palette.
inline Colour panelTop() { return rgb8(71, 82, 92); }
inline Colour panelBottom() { return rgb8(58, 68, 77); }
inline Colour screenColour() { return rgb8(33, 39, 46); }
inline Colour screenEdge() { return rgb8(22, 26, 31); }
inline Colour bevelLight() { return rgb8(96, 110, 122); }
inline Colour labelColour() { return rgb8(145, 152, 159); }
inline Colour captionColour() { return rgb8(120, 134, 146); }
inline Colour accentColour() { return rgb8(150, 186, 214); }
inline Colour ledColour() { return rgb8(160, 214, 246); }

}  // namespace art
