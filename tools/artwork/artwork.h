// The three pictures of the built-in skin: the page background, the knob film strip and the
// oversampling switch strip.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

struct FontFiles {
    std::string regular;  // DejaVuSans.ttf
    std::string bold;  // DejaVuSans-Bold.ttf
};

// The 402 x 321 page background, opaque.
Canvas renderBackground(const FontFiles& fonts);
// One 42 x 44 knob frame; frame 0 points lower left, the last frame lower right.
Canvas renderKnobFrame(int frame, int frameCount);
// The whole knob strip, frames in one column.
Canvas renderKnobStrip();
// One 101 x 21 switch frame.
Canvas renderSwitchFrame(bool on, const FontFiles& fonts);
// Both switch frames in one column, off above on.
Canvas renderSwitchStrip(const FontFiles& fonts);

}  // namespace art
