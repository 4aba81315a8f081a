#include "controls/composites.h"

#include <new>

#include "controls/buttons.h"
#include "controls/def_pot.h"
#include "controls/label.h"
#include "controls/value.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

// ---------------------------------------------------------------- ZKnobComposite

ZKnobComposite::ZKnobComposite(ZEffectLink* effect, int32_t index, ZFont* font, const ZColour& c1, const ZColour& c2,
                               const ZColour& c3)
    : ZCompositeControl(effect), index(index), font(font), c1(c1), c2(c2), c3(c3)
{}

void ZKnobComposite::reset()
{
    clearChildren();
    build();
}

int32_t ZKnobComposite::fontHeight() const { return font ? font->height() : 0; }

void ZKnobComposite::place(ZControl* child, const ZBox& box)
{
    if (!child) return;
    child->attach(window);
    const ZBox at = orderedBox(int64_t(x) + box.x0, int64_t(y) + box.y0, int64_t(x) + box.x1, int64_t(y) + box.y1);
    child->x = at.x0;
    child->y = at.y0;
    child->width = at.width();
    child->height = at.height();
    child->page = page;
    child->reset();
    addChild(child);
}

// ---------------------------------------------------------------- stacked composites

void ZStackLayout::compute(int32_t width, int32_t height, int32_t fh)
{
    const int64_t w = width, h = height, f = fh;
    const int64_t c = h - (f + 4);
    topStrip = orderedBox(0, 0, w, f + 4);
    topBox = orderedBox(2, 2, w - 2, f + 2);
    middleBox = orderedBox(0, f + 7, w, c - 3);
    bottomStrip = orderedBox(0, c, w, h);
    bottomBox = orderedBox(2, c + 2, w - 2, h - 2);
}

void ZStackedComposite::reset()
{
    layout.compute(width, height, fontHeight());
    ZKnobComposite::reset();
}

void ZStackedComposite::prepare(ZSurface& surface)
{
    fillBox(surface, c1, layout.topStrip);
    fillBox(surface, c1, layout.bottomStrip);
    fillBox(surface, c2, layout.topBox);
    fillBox(surface, c2, layout.bottomBox);
    ZCompositeControl::prepare(surface);
}

ZKnob::ZKnob(ZEffectLink* effect, int32_t parameterIndex, ZFont* font, const ZColour& c1, const ZColour& c2,
             const ZColour& c3)
    : ZStackedComposite(effect, parameterIndex, font, c1, c2, c3)
{}

void ZKnob::build()
{
    place(new (std::nothrow) ZLabel(effect, parameterTitle(effect, index), font), layout.topBox);
    place(new (std::nothrow) ZDefPot(effect, index, c1, c2, c3), layout.middleBox);
    place(new (std::nothrow) ZValue(effect, index, font), layout.bottomBox);
}

ZKnobButton::ZKnobButton(ZEffectLink* effect, int32_t parameterIndex, const char* text, ZFont* font, const ZColour& c1,
                         const ZColour& c2, const ZColour& c3)
    : ZStackedComposite(effect, parameterIndex, font, c1, c2, c3), label(text ? text : "")
{}

void ZKnobButton::build()
{
    place(new (std::nothrow) ZLabel(effect, label.c_str(), font), layout.topBox);
    place(new (std::nothrow) ZRoundButton(effect, index, c1, c2, c3), layout.middleBox);
    place(new (std::nothrow) ZLabel(effect, label.c_str(), font), layout.bottomBox);
}

ZKnobCommand::ZKnobCommand(ZEffectLink* effect, int32_t commandIndex, const char* text, ZFont* font, const ZColour& c1,
                           const ZColour& c2, const ZColour& c3)
    : ZStackedComposite(effect, commandIndex, font, c1, c2, c3), label(text ? text : "")
{}

void ZKnobCommand::build()
{
    place(new (std::nothrow) ZLabel(effect, label.c_str(), font), layout.topBox);
    place(new (std::nothrow) ZRoundCommand(effect, index, c1, c2, c3), layout.middleBox);
    place(new (std::nothrow) ZLabel(effect, label.c_str(), font), layout.bottomBox);
}

// ---------------------------------------------------------------- ZField

ZField::ZField(ZEffectLink* effect, int32_t parameterIndex, int32_t labelWidth, ZFont* font, const ZColour& c1,
               const ZColour& c2, const ZColour& c3)
    : ZKnobComposite(effect, parameterIndex, font, c1, c2, c3), labelWidth(labelWidth)
{}

void ZField::reset()
{
    const int64_t w = width, h = height, lw = labelWidth;
    labelBox = orderedBox(2, 2, lw - 1, h - 2);
    valueBox = orderedBox(lw + 1, 2, w - 2, h - 2);
    ZKnobComposite::reset();
}

void ZField::prepare(ZSurface& surface)
{
    fillBox(surface, c1, orderedBox(0, 0, width, height));
    fillBox(surface, c2, labelBox);
    fillBox(surface, c2, valueBox);
    ZCompositeControl::prepare(surface);
}

void ZField::build()
{
    place(new (std::nothrow) ZLabel(effect, parameterTitle(effect, index), font), labelBox);
    place(new (std::nothrow) ZValue(effect, index, font), valueBox);
}

// ---------------------------------------------------------------- ZDialField

ZDialField::ZDialField(ZEffectLink* effect, int32_t parameterIndex, int32_t labelWidth, ZFont* font, const ZColour& c1,
                       const ZColour& c2, const ZColour& c3)
    : ZKnobComposite(effect, parameterIndex, font, c1, c2, c3), labelWidth(labelWidth)
{}

void ZDialField::reset()
{
    const int64_t w = width, h = height, lw = labelWidth;
    dialBox = orderedBox(2, 2, h - 2, h - 2);
    labelBox = orderedBox(h, 2, h + lw, h - 2);
    valueBox = orderedBox(h + lw + 2, 2, w - 2, h - 2);
    ZKnobComposite::reset();
}

void ZDialField::prepare(ZSurface& surface)
{
    fillBox(surface, c1, orderedBox(0, 0, width, height));
    fillBox(surface, c2, labelBox);
    fillBox(surface, c2, valueBox);
    ZCompositeControl::prepare(surface);
}

void ZDialField::build()
{
    place(new (std::nothrow) ZLabel(effect, parameterTitle(effect, index), font), labelBox);
    place(new (std::nothrow) ZValue(effect, index, font), valueBox);
    place(new (std::nothrow) ZDial(effect, index, c1, c2, c3), dialBox);
}
