#include "controls/label.h"

#include "controls/layouts.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

ZLabel::ZLabel(ZEffectLink* effect, const char* t, ZFont* font) : ZControl(effect), text(t ? t : ""), font(font) {}

void ZLabel::reset() {}

void ZLabel::prepare(ZSurface& surface)
{
    drawTextInBox(surface, font, text.c_str(), orderedBox(0, 0, width, height), kAlignCentre);
}

void ZLabel::draw(ZSurface&) {}
