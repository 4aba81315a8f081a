// Rectangles and layouts shared by the drawn controls: the box of the text-style buttons (a border
// around an inner field), the mark of the drawn switches and radios (a disc or a cross in a square
// at the left, then a label box), and the drawing of such a mark control.
#pragma once

#include <cstdint>

#include "gui/bitmap.h"

class ZSurface;
class ZFont;

// A rectangle by its edges: columns x0 <= x < x1, rows y0 <= y < y1, in control-local pixels.
struct ZBox {
    int32_t x0 = 0;
    int32_t y0 = 0;
    int32_t x1 = 0;
    int32_t y1 = 0;

    int32_t width() const { return x1 - x0; }
    int32_t height() const { return y1 - y0; }
};

// The box with corners (x0, y0) and (x1, y1); a pair of edges in the wrong order is exchanged, and
// edges beyond the 32-bit range are held at its ends.
ZBox orderedBox(int64_t x0, int64_t y0, int64_t x1, int64_t y1);

// fillRect of the box.
void fillBox(ZSurface& surface, const ZColour& colour, const ZBox& box);
// The font's text on one line in the box, vertically centred; nothing without a font or text.
void drawTextInBox(ZSurface& surface, ZFont* font, const char* text, const ZBox& box, int32_t alignment);

// Text-style buttons: the whole control, and the field 2 pixels inside it that shows the state.
struct ZBoxLayout {
    ZBox outer;
    ZBox inner;

    void compute(int32_t width, int32_t height);
};

// Drawn switches and radios: a mark in the height x height square at the left, then a label box.
struct ZMarkLayout {
    ZBox outer;
    double centreX = 0.0;
    double centreY = 0.0;
    double radius = 0.0;  // of the disc shown when on
    ZBox labelBox;
    ZBox textBox;  // the label box without its first 5 columns

    void compute(int32_t width, int32_t height);
};

// The colours of a drawn switch or radio.
struct ZMarkColours {
    ZColour background;
    ZColour cross;
    ZColour box;
    ZColour held;
};

// Paints a drawn switch or radio: the background, the label box (held colour while held), a disc
// when on or a cross when off, and the label left-aligned in the text box.
void drawMarkControl(ZSurface& surface, const ZMarkLayout& layout, const ZMarkColours& colours, int32_t height, bool on,
                     bool held, ZFont* font, const char* label);
