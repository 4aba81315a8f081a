// The film-strip knob: a pot whose picture is one frame of a strip image, chosen from the bound
// parameter's knob position.
#pragma once

#include <cstdint>

#include "controls/control.h"

class ZImageResource;

class ZImgPot : public ZPotControl {
public:
    // image: the strip (not owned; frames laid out row by row).
    ZImgPot(ZEffectLink* effect, int32_t parameterIndex, ZImageResource* image);

    // Snapshot of the background, dirty.
    void prepare(ZSurface& surface) override;
    // Restores the snapshot and draws the knob's frame, only when the frame changed or after
    // something marked the control dirty.
    void draw(ZSurface& surface) override;
    // The pot's drag; a step that keeps the frame leaves the knob as it is on screen (the frame
    // alone decides what the knob shows).
    void mouseMove(bool shift, bool ctrl, int32_t x, int32_t y) override;

    // Frame of a knob position in a strip of frameCount frames: (frameCount - 1) * position + 0.5,
    // truncated, kept inside 0 .. frameCount - 1 (0 for an empty strip).
    static int32_t frameFor(double position, int32_t frameCount);

    ZImageResource* image;  // not owned
    int32_t lastFrame = -1;
};
