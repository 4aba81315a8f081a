#include "controls/radios.h"

#include "gui/surface.h"
#include "skin/resources.h"

// ---------------------------------------------------------------- ZImgRadio

ZImgRadio::ZImgRadio(ZPlugin* effect, int32_t index, int32_t a, int32_t b, ZImageResource* image)
    : ZRadioControl(effect, index, a, b), image(image)
{}

void ZImgRadio::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

int32_t ZImgRadio::currentFrame() const
{
    if (image && image->frameCount == 3 && held) return 2;
    return selected() ? 1 : 0;
}

void ZImgRadio::draw(ZSurface& surface)
{
    const int32_t frame = currentFrame();
    if (frame == lastFrame && !dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    dirty = false;
}

// ---------------------------------------------------------------- ZDefRadio

ZDefRadio::ZDefRadio(ZPlugin* effect, int32_t index, int32_t a, int32_t b, const char* text, ZFont* font,
                     const ZMarkColours& colours)
    : ZRadioControl(effect, index, a, b), label(text ? text : ""), font(font), colours(colours)
{}

void ZDefRadio::reset()
{
    ZRadioControl::reset();
    layout.compute(width, height);
}

void ZDefRadio::prepare(ZSurface&) { dirty = true; }

void ZDefRadio::draw(ZSurface& surface)
{
    const bool isSelected = selected();
    if (isSelected == (lastSelected == 1) && lastSelected >= 0 && !dirty) return;
    drawMarkControl(surface, layout, colours, height, isSelected, held, font, label.c_str());
    lastSelected = isSelected ? 1 : 0;
    dirty = false;
}
