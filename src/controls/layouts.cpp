#include "controls/layouts.h"

#include "gui/shapes.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

namespace {

int32_t saturate(int64_t v)
{
    if (v < INT32_MIN) return INT32_MIN;
    if (v > INT32_MAX) return INT32_MAX;
    return static_cast<int32_t>(v);
}

}  // namespace

ZBox orderedBox(int64_t x0, int64_t y0, int64_t x1, int64_t y1)
{
    ZBox b;
    b.x0 = saturate(x0 < x1 ? x0 : x1);
    b.x1 = saturate(x0 < x1 ? x1 : x0);
    b.y0 = saturate(y0 < y1 ? y0 : y1);
    b.y1 = saturate(y0 < y1 ? y1 : y0);
    return b;
}

void fillBox(ZSurface& surface, const ZColour& colour, const ZBox& box)
{
    surface.fillRect(colour, box.x0, box.y0, box.width(), box.height());
}

void drawTextInBox(ZSurface& surface, ZFont* font, const char* text, const ZBox& box, int32_t alignment)
{
    if (!font || !text) return;
    font->drawTextInRect(&surface, text, box.x0, box.y0, box.x1, box.y1, alignment);
}

void ZBoxLayout::compute(int32_t width, int32_t height)
{
    outer = orderedBox(0, 0, width, height);
    inner = orderedBox(2, 2, int64_t(width) - 2, int64_t(height) - 2);
}

void ZMarkLayout::compute(int32_t width, int32_t height)
{
    outer = orderedBox(0, 0, width, height);
    centreX = height / 2.0;
    centreY = height / 2.0;
    radius = height / 2.0 - 2.0;
    const int64_t a = int64_t(width) - 2;
    const int64_t b = height;
    labelBox = orderedBox(a < b ? a : b, 2, a < b ? b : a, int64_t(height) - 2);
    textBox = labelBox;
    textBox.x0 = saturate(int64_t(labelBox.x0) + 5);
}

void drawMarkControl(ZSurface& surface, const ZMarkLayout& layout, const ZMarkColours& colours, int32_t height, bool on,
                     bool held, ZFont* font, const char* label)
{
    fillBox(surface, colours.background, layout.outer);
    fillBox(surface, held ? colours.held : colours.box, layout.labelBox);
    if (on) {
        if (layout.radius > 0.0)
            surface.fillDisc(held ? colours.held : colours.box, layout.centreX, layout.centreY, layout.radius);
    } else {
        const double far = height - 6.0;
        const ZColour& c = held ? colours.held : colours.cross;
        surface.fillShape(c, ZSegmentShape(6.0, 6.0, far, far, 1.5));
        surface.fillShape(c, ZSegmentShape(far, 6.0, 6.0, far, 1.5));
    }
    drawTextInBox(surface, font, label, layout.textBox, kAlignLeft);
}
