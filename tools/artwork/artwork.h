// The three pictures of the built-in skin: the page background, the knob film strip and the
// oversampling switch strip.
#pragma once

#include <string>

#include "canvas.h"
#include "layout.h"

namespace art {

struct FontFiles {
    std::string regular;  // DejaVuSans.ttf
    std::string bold;  // DejaVuSans-Bold.ttf
};

// The page background at the skin's size, opaque.
Canvas renderBackground(const Layout& layout, const FontFiles& fonts);
// One knob frame at the knob strip's frame size; frame 0 points lower left, the last frame
// lower right.
Canvas renderKnobFrame(const Layout& layout, int frame, int frameCount);
// The whole knob strip, frames in one column.
Canvas renderKnobStrip(const Layout& layout);
// One switch frame at the switch strip's frame size.
Canvas renderSwitchFrame(const Layout& layout, bool on, const FontFiles& fonts);
// Both switch frames in one column, off above on.
Canvas renderSwitchStrip(const Layout& layout, const FontFiles& fonts);

}  // namespace art
