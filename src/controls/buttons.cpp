#include "controls/buttons.h"

#include "gui/surface.h"
#include "model/effect_link.h"
#include "skin_resources/resources.h"

const char* parameterTitle(ZEffectLink* effect, int32_t index)
{
    ZParameter* p = effect ? effect->parameter(index) : nullptr;
    if (!p) return "";
    return p->caption()[0] ? p->caption() : p->name();
}

// ---------------------------------------------------------------- ZTextSwitch

ZTextSwitch::ZTextSwitch(ZEffectLink* effect, int32_t index, const char* text, ZFont* font, const ZColour& border,
                         const ZColour& off, const ZColour& on, const ZColour& onHeld)
    : ZSwitchControl(effect, index), label(text ? text : ""), font(font), border(border), off(off), on(on),
      onHeld(onHeld)
{}

void ZTextSwitch::reset()
{
    ZSwitchControl::reset();
    layout.compute(width, height);
}

void ZTextSwitch::prepare(ZSurface& surface)
{
    fillBox(surface, border, layout.outer);
    dirty = true;
}

void ZTextSwitch::draw(ZSurface& surface)
{
    const bool isOn = selected();
    if (isOn == (lastOn == 1) && lastOn >= 0 && !dirty) return;
    fillBox(surface, isOn ? (held ? onHeld : on) : off, layout.inner);
    drawTextInBox(surface, font, label.c_str(), layout.inner, kAlignCentre);
    lastOn = isOn ? 1 : 0;
    dirty = false;
}

// ---------------------------------------------------------------- ZDefSwitch

ZDefSwitch::ZDefSwitch(ZEffectLink* effect, int32_t index, ZFont* font, const ZMarkColours& colours)
    : ZSwitchControl(effect, index), font(font), colours(colours)
{}

void ZDefSwitch::reset()
{
    ZSwitchControl::reset();
    layout.compute(width, height);
}

void ZDefSwitch::prepare(ZSurface&) { dirty = true; }

void ZDefSwitch::draw(ZSurface& surface)
{
    const bool isOn = selected();
    if (isOn == (lastOn == 1) && lastOn >= 0 && !dirty) return;
    drawMarkControl(surface, layout, colours, height, isOn, held, font, parameterTitle(effect, parameterIndex));
    lastOn = isOn ? 1 : 0;
    dirty = false;
}

// ---------------------------------------------------------------- ZTextButton

ZTextButton::ZTextButton(ZEffectLink* effect, int32_t index, const char* text, ZFont* font, const ZColour& border,
                         const ZColour& off, const ZColour& on)
    : ZButtonControl(effect, index), label(text ? text : ""), font(font), border(border), off(off), on(on)
{}

void ZTextButton::reset()
{
    ZButtonControl::reset();
    layout.compute(width, height);
}

void ZTextButton::prepare(ZSurface& surface)
{
    fillBox(surface, border, layout.outer);
    dirty = true;
}

void ZTextButton::draw(ZSurface& surface)
{
    const bool isOn = held || parameterValue(parameterIndex) >= 0.5;
    if (isOn == (lastOn == 1) && lastOn >= 0 && !dirty) return;
    fillBox(surface, isOn ? on : off, layout.inner);
    drawTextInBox(surface, font, label.c_str(), layout.inner, kAlignCentre);
    lastOn = isOn ? 1 : 0;
    dirty = false;
}

// ---------------------------------------------------------------- ZImgCommand

ZImgCommand::ZImgCommand(ZEffectLink* effect, int32_t index, ZImageResource* image)
    : ZCommandControl(effect, index), image(image)
{}

void ZImgCommand::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZImgCommand::draw(ZSurface& surface)
{
    if (!dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, image->frameCount >= 1 && held ? 1 : 0);
    dirty = false;
}

// ---------------------------------------------------------------- ZTextCommand

ZTextCommand::ZTextCommand(ZEffectLink* effect, int32_t index, const char* text, ZFont* font, const ZColour& border,
                           const ZColour& up, const ZColour& down)
    : ZCommandControl(effect, index), label(text ? text : ""), font(font), border(border), up(up), down(down)
{}

void ZTextCommand::reset()
{
    ZCommandControl::reset();
    layout.compute(width, height);
}

void ZTextCommand::prepare(ZSurface& surface)
{
    fillBox(surface, border, layout.outer);
    dirty = true;
}

void ZTextCommand::draw(ZSurface& surface)
{
    if (!dirty) return;
    fillBox(surface, held ? down : up, layout.inner);
    drawTextInBox(surface, font, label.c_str(), layout.inner, kAlignCentre);
    dirty = false;
}
