// Page selectors: a click shows another page of the skin. Drawn from a film strip (frame 0 another
// page, 1 this page, an optional frame 2 held), as a text box with a border, or as a plain coloured
// field with a label.
#pragma once

#include <cstdint>
#include <string>

#include "controls/button_behaviours.h"
#include "controls/layouts.h"
#include "controls/strip_selector.h"

class ZFont;

extern template class ZStripSelector<ZPageSelControl>;

class ZImgPageSel : public ZStripSelector<ZPageSelControl> {
public:
    ZImgPageSel(ZEffectLink* effect, ZImageResource* image, int32_t page);
};

class ZTextPageSel : public ZPageSelControl {
public:
    ZTextPageSel(ZEffectLink* effect, int32_t page, const char* label, ZFont* font, const ZColour& border,
                 const ZColour& normal, const ZColour& current, const ZColour& heldColour);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZColour border, normal, current, heldColour;
    ZBoxLayout layout;
    int8_t lastSelected = -1;
};

class ZDefPageSel : public ZPageSelControl {
public:
    ZDefPageSel(ZEffectLink* effect, const char* label, int32_t page, ZFont* font, const ZColour& normal,
                const ZColour& current, const ZColour& heldColour);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZColour normal, current, heldColour;
    ZBox whole;
    int8_t lastSelected = -1;
    int8_t lastHeld = -1;
};
