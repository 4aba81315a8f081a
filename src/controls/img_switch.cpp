#include "controls/img_switch.h"

#include "gui/surface.h"
#include "skin/resources.h"

ZImgSwitch::ZImgSwitch(ZPlugin* effect, int32_t index, ZImageResource* image)
    : ZSwitchControl(effect, index), image(image)
{}

int32_t ZImgSwitch::currentFrame() const
{
    int32_t frame = knobPosition(parameterIndex) >= 0.5 ? 1 : 0;
    if (image && image->frameCount == 3 && held) frame = 2;
    return frame;
}

void ZImgSwitch::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZImgSwitch::draw(ZSurface& surface)
{
    const int32_t frame = currentFrame();
    if (frame == lastFrame && !dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    dirty = false;
}
