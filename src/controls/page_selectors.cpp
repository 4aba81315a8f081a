#include "controls/page_selectors.h"

#include "gui/surface.h"
#include "skin_resources/resources.h"

// ---------------------------------------------------------------- ZImgPageSel

ZImgPageSel::ZImgPageSel(ZEffectLink* effect, ZImageResource* image, int32_t page) : ZStripSelector(image, effect, page) {}

// ---------------------------------------------------------------- ZTextPageSel

ZTextPageSel::ZTextPageSel(ZEffectLink* effect, int32_t page, const char* text, ZFont* font, const ZColour& border,
                           const ZColour& normal, const ZColour& current, const ZColour& heldColour)
    : ZPageSelControl(effect, page), label(text ? text : ""), font(font), border(border), normal(normal),
      current(current), heldColour(heldColour)
{}

void ZTextPageSel::reset()
{
    ZPageSelControl::reset();
    layout.compute(width, height);
}

void ZTextPageSel::prepare(ZSurface& surface)
{
    fillBox(surface, border, layout.outer);
    dirty = true;
}

void ZTextPageSel::draw(ZSurface& surface)
{
    const bool isSelected = selected();
    if (isSelected == (lastSelected == 1) && lastSelected >= 0 && !dirty) return;
    fillBox(surface, held ? heldColour : isSelected ? current : normal, layout.inner);
    drawTextInBox(surface, font, label.c_str(), layout.inner, kAlignCentre);
    lastSelected = isSelected ? 1 : 0;
    dirty = false;
}

// ---------------------------------------------------------------- ZDefPageSel

ZDefPageSel::ZDefPageSel(ZEffectLink* effect, const char* text, int32_t page, ZFont* font, const ZColour& normal,
                         const ZColour& current, const ZColour& heldColour)
    : ZPageSelControl(effect, page), label(text ? text : ""), font(font), normal(normal), current(current),
      heldColour(heldColour)
{}

void ZDefPageSel::reset()
{
    ZPageSelControl::reset();
    whole = orderedBox(0, 0, width, height);
}

void ZDefPageSel::prepare(ZSurface&) { dirty = true; }

void ZDefPageSel::draw(ZSurface& surface)
{
    const bool isSelected = selected();
    if (isSelected == (lastSelected == 1) && held == (lastHeld == 1) && lastSelected >= 0 && !dirty) return;
    fillBox(surface, held ? heldColour : isSelected ? current : normal, whole);
    drawTextInBox(surface, font, label.c_str(), whole, kAlignCentre);
    lastSelected = isSelected ? 1 : 0;
    lastHeld = held ? 1 : 0;
    dirty = false;
}
