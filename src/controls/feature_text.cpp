#include "controls/feature_text.h"

#include <cstring>

#include "controls/layouts.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

ZFeatureText::ZFeatureText(ZEffectLink* effect, const char* const* value, ZFont* font)
    : ZControl(effect), value(value), font(font)
{}

void ZFeatureText::reset() { dirty = true; }

void ZFeatureText::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZFeatureText::draw(ZSurface& surface)
{
    const char* source = value ? *value : nullptr;
    int32_t n = 0;
    if (source)
        for (; n < kMaxLength && source[n]; ++n) currentText[n] = source[n];
    currentText[n] = 0;
    if (std::strcmp(currentText, lastText) == 0 && !dirty) return;
    restoreSnapshot(surface);
    drawTextInBox(surface, font, currentText, orderedBox(0, 0, width, height), kAlignCentre);
    std::memcpy(lastText, currentText, sizeof lastText);
    dirty = false;
}
