// A fixed text, painted into the page on every full redraw so that it becomes part of the
// background the other controls snapshot. Used as a child of the composite knobs.
#pragma once

#include <string>

#include "controls/control.h"

class ZFont;

class ZLabel : public ZControl {
public:
    ZLabel(ZEffectLink* effect, const char* text, ZFont* font);

    void reset() override;
    // Draws the text centred in the rectangle.
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string text;
    ZFont* font;
};
