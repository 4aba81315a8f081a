// Radio buttons: one option of a parameter split into equal bands, drawn from a film strip
// (frame 0 off, 1 on, an optional frame 2 held) or as a drawn mark with a label.
#pragma once

#include <cstdint>
#include <string>

#include "controls/button_behaviours.h"
#include "controls/layouts.h"
#include "controls/strip_selector.h"

class ZFont;

extern template class ZStripSelector<ZRadioControl>;

class ZImgRadio : public ZStripSelector<ZRadioControl> {
public:
    ZImgRadio(ZEffectLink* effect, int32_t parameterIndex, int32_t option, int32_t lastOption, ZImageResource* image);
};

class ZDefRadio : public ZRadioControl {
public:
    ZDefRadio(ZEffectLink* effect, int32_t parameterIndex, int32_t option, int32_t lastOption, const char* label,
              ZFont* font, const ZMarkColours& colours);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZMarkColours colours;
    ZMarkLayout layout;
    int8_t lastSelected = -1;
};
