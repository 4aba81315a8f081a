#include "controls/radios.h"

#include "gui/surface.h"
#include "skin_resources/resources.h"

// ---------------------------------------------------------------- ZImgRadio

ZImgRadio::ZImgRadio(ZEffectLink* effect, int32_t index, int32_t a, int32_t b, ZImageResource* image)
    : ZStripSelector(image, effect, index, a, b)
{}

// ---------------------------------------------------------------- ZDefRadio

ZDefRadio::ZDefRadio(ZEffectLink* effect, int32_t index, int32_t a, int32_t b, const char* text, ZFont* font,
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
