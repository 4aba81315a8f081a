// The three pictures of the built-in skin: the page background, the knob film strip and the
// oversampling switch strip. Each is drawn for a scale: 1 gives the pictures at the skin's own
// size, 2 and 3 the sets the editor shows at those scales (every size times the scale).
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
Canvas renderBackground(const Layout& layout, const FontFiles& fonts, int scale = 1);
// One knob frame at the knob strip's frame size; frame 0 points lower left, the last frame
// lower right.
Canvas renderKnobFrame(const Layout& layout, int frame, int frameCount, int scale = 1);
// The whole knob strip: frames left to right, then top to bottom, in the given number of columns.
Canvas renderKnobStrip(const Layout& layout, int scale = 1, int columns = 1);
// One switch frame at the switch strip's frame size.
Canvas renderSwitchFrame(const Layout& layout, bool on, const FontFiles& fonts, int scale = 1);
// Both switch frames in one column, off above on.
Canvas renderSwitchStrip(const Layout& layout, const FontFiles& fonts, int scale = 1);

}  // namespace art
