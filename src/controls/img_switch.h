// The film-strip switch: an on/off button whose picture is frame 0 (off) or 1 (on) of a strip
// image; a strip of exactly three frames shows frame 2 while the button is held.
#pragma once

#include <cstdint>

#include "controls/control.h"

class ZImageResource;

class ZImgSwitch : public ZSwitchControl {
public:
    ZImgSwitch(ZPlugin* effect, int32_t parameterIndex, ZImageResource* image);

    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    // The frame shown: 1 when the knob position is 0.5 or more, else 0; 2 while held with a
    // three-frame strip. A frame the strip lacks is not drawn (the background shows).
    int32_t currentFrame() const;

    ZImageResource* image;  // not owned
    int32_t lastFrame = -1;
};
