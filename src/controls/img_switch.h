// The film-strip switch: an on/off button whose picture is frame 0 (off) or 1 (on) of a strip
// image; a strip of exactly three frames shows frame 2 while the button is held.
#pragma once

#include <cstdint>

#include "controls/control.h"
#include "controls/strip_selector.h"

extern template class ZStripSelector<ZSwitchControl>;

// The frame shown (currentFrame): 1 when the knob position is 0.5 or more, else 0; 2 while held
// with a three-frame strip.
class ZImgSwitch : public ZStripSelector<ZSwitchControl> {
public:
    ZImgSwitch(ZEffectLink* effect, int32_t parameterIndex, ZImageResource* image);
};
