// Where the built-in skin puts everything, read from its skin text, and what the artwork adds of
// its own: the knob's centre and travel, the label texts and the artwork's palette.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

struct Rect {
    int x, y, w, h;
};

// A picture resource of the skin: frames of frameWidth x frameHeight in one column.
struct Strip {
    int frameWidth = 0, frameHeight = 0, frames = 0;
};

struct Rgb {
    int r = 0, g = 0, b = 0;
    Colour colour() const { return rgb8(r, g, b); }
};

// The editor as the skin describes it. Knobs and value texts are the skin's ZImgPot and ZValue
// controls in the order of their lines; the switch is its ZImgSwitch, the displays its two
// ZWave controls, the graph its SarvoGraph with the plot area (control-local) from its
// arguments. The input axis lies along the plot's bottom row, the output axis along its left
// column.
struct Layout {
    int width = 0, height = 0;  // the skin's area, without the credit strip
    Strip background, knob, toggle;
    Rect knobs[3] = {}, values[3] = {};
    Rect toggleRect = {};
    Rect waves[2] = {};
    Rect graph = {}, plot = {};
    Rgb valueText;  // colour of the value texts' font
    Rgb curve;  // the graph's curve colour
    Rgb back, fore, axis;  // the displays' input envelope, output envelope and level lines
};

// Reads the layout from the skin text at path; false with a message in error when the skin
// lacks a line the artwork needs or a line has fewer arguments than it should.
bool loadLayout(const std::string& path, Layout& layout, std::string& error);

// The skin text the build was configured with (src/resources/sarvo.skin, set by CMakeLists.txt).
constexpr const char* kDefaultSkin = SARVO_ARTWORK_SKIN;

// Label texts over the knobs and on the switch.
constexpr const char* kKnobLabels[3] = {"Gain", "Clip", "Softness"};
constexpr const char* kSwitchText = "2x Oversample";

// Knob geometry inside a frame; pointer angles in degrees clockwise from straight up.
constexpr double kKnobCentreX = 21.0;
constexpr double kKnobCentreY = 21.0;
constexpr double kKnobStartAngle = -135.0;
constexpr double kKnobEndAngle = 135.0;

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
