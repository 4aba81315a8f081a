#include "controls/credit_strip.h"

#include <cstdio>
#include <cstring>

#include "gui/surface.h"
#include "model/effect_link.h"
#include "skin_resources/resources.h"

const char kCopyrightLong[] = "(c) 2026 ONDX Sarvo 1.0";
const char kCopyrightShort[] = "(c)2026 ONDX Sarvo";
static_assert(sizeof kCopyrightLong == 24, "the long copyright form has 23 characters");
static_assert(sizeof kCopyrightShort == 19, "the short copyright form has 18 characters");

void drawCreditStrip(ZSurface& surface, ZEffectLink* effect, int32_t skinWidth, int32_t skinHeight)
{
    surface.fillRect(ZColour{0, 0, 0, 255}, 0, skinHeight, skinWidth, kCreditStripHeight);

    char names[128];
    const char* vendor = effect ? effect->vendorName() : nullptr;
    const char* product = effect ? effect->productName() : nullptr;
    std::snprintf(names, sizeof names, "%s %s", vendor ? vendor : "", product ? product : "");

    ZDefFont* font = ZDefFont::create(kCreditStripHeight, ZColour{127, 127, 127, 255});
    if (!font) return;
    const int32_t textX = 2;
    const int32_t textWidth = skinWidth - 4;
    const int32_t namesWidth = font->textWidth(&surface, names);
    const int32_t longWidth = font->textWidth(&surface, kCopyrightLong);
    const int32_t shortWidth = font->textWidth(&surface, kCopyrightShort);
    if (namesWidth + longWidth < textWidth)
        font->drawText(&surface, names, textX, skinHeight, textWidth, kCreditStripHeight, kAlignLeft);
    if (longWidth < textWidth)
        font->drawText(&surface, kCopyrightLong, textX, skinHeight, textWidth, kCreditStripHeight, kAlignRight);
    else if (shortWidth < textWidth)
        font->drawText(&surface, kCopyrightShort, textX, skinHeight, textWidth, kCreditStripHeight, kAlignRight);
    delete font;
}
