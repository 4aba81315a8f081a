#include "controls/img_pot.h"

#include "gui/surface.h"
#include "skin_resources/resources.h"

ZImgPot::ZImgPot(ZEffectLink* effect, int32_t index, ZImageResource* image) : ZPotControl(effect, index), image(image) {}

int32_t ZImgPot::frameFor(double position, int32_t frameCount)
{
    if (frameCount < 1) return 0;
    // Knob positions are within 0..1; anything else (or NaN) is held at the nearer end.
    if (!(position >= 0.0)) position = 0.0;
    if (position > 1.0) position = 1.0;
    const int32_t frame = static_cast<int32_t>(static_cast<double>(frameCount - 1) * position + 0.5);
    return frame < frameCount ? frame : frameCount - 1;
}

void ZImgPot::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZImgPot::draw(ZSurface& surface)
{
    const int32_t frame = frameFor(knobPosition(parameterIndex), image ? image->frameCount : 0);
    if (frame == lastFrame && !dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    dirty = false;
}

void ZImgPot::mouseMove(bool shift, bool ctrl, int32_t x, int32_t y)
{
    const bool wasDirty = dirty;
    ZPotControl::mouseMove(shift, ctrl, x, y);
    dirty = wasDirty;
}
