#include "controls/button_behaviours.h"

#include "model/effect_link.h"

// ---------------------------------------------------------------- ZButtonControl

ZButtonControl::ZButtonControl(ZEffectLink* effect, int32_t index) : ZControl(effect), parameterIndex(index) {}

void ZButtonControl::reset()
{
    held = false;
    dirty = true;
}

bool ZButtonControl::leftDown(bool, bool, int32_t, int32_t)
{
    held = true;
    if (effect && effect->parameter(parameterIndex)) {
        automate(parameterIndex);
        changeValue(parameterIndex, 1.0);
    }
    dirty = true;
    invalidate();
    return true;
}

void ZButtonControl::release()
{
    held = false;
    if (effect && effect->parameter(parameterIndex)) {
        automate(parameterIndex);
        changeValue(parameterIndex, 0.0);
    }
    dirty = true;
    invalidate();
}

bool ZButtonControl::leftUp(bool, bool, int32_t, int32_t)
{
    if (!held) return false;
    release();
    return true;
}

void ZButtonControl::cancel()
{
    if (held) release();
}

// ---------------------------------------------------------------- ZCommandControl

ZCommandControl::ZCommandControl(ZEffectLink* effect, int32_t index) : ZControl(effect), commandIndex(index) {}

void ZCommandControl::reset()
{
    held = false;
    dirty = true;
}

bool ZCommandControl::leftDown(bool shift, bool ctrl, int32_t, int32_t)
{
    ctrlSeen = ctrl;
    held = true;
    shiftSeen = shift;
    dirty = true;
    invalidate();
    return true;
}

bool ZCommandControl::leftUp(bool shift, bool ctrl, int32_t, int32_t)
{
    if (!held) return false;
    held = false;
    dirty = true;
    invalidate();
    shiftSeen = shiftSeen || shift;
    ctrlSeen = ctrlSeen || ctrl;
    if (effect) effect->command(commandIndex, shiftSeen, ctrlSeen);
    return true;
}

void ZCommandControl::cancel()
{
    if (!held) return;
    held = false;
    dirty = true;
    invalidate();
}

// ---------------------------------------------------------------- ZPageSelControl

ZPageSelControl::ZPageSelControl(ZEffectLink* effect, int32_t page) : ZControl(effect), targetPage(page) {}

void ZPageSelControl::reset()
{
    held = false;
    dirty = true;
}

bool ZPageSelControl::selected() const { return window && window->currentPage() == targetPage; }

bool ZPageSelControl::leftDown(bool, bool, int32_t, int32_t)
{
    if (window) window->setPage(targetPage);
    held = true;
    dirty = true;
    invalidate();
    return true;
}

bool ZPageSelControl::leftUp(bool, bool, int32_t, int32_t)
{
    if (!held) return false;
    held = false;
    dirty = true;
    invalidate();
    return true;
}

// ---------------------------------------------------------------- ZRadioControl

ZRadioControl::ZRadioControl(ZEffectLink* effect, int32_t index, int32_t a, int32_t b)
    : ZParameterClickControl(effect, index), option(a), lastOption(b)
{
    if (a >= 0 && b >= a) {
        // In doubles: 2b + 2 does not overflow for any 32-bit b.
        const double span = 2.0 * b + 2.0;
        bandLow = 2.0 * a / span;
        bandCentre = (2.0 * a + 1.0) / span;
        bandHigh = (2.0 * a + 2.0) / span;
    }
}

bool ZRadioControl::selected() const
{
    const double q = knobPosition(parameterIndex);
    return (bandLow <= q && q < bandHigh) || (q == 1.0 && bandHigh == 1.0);
}

bool ZRadioControl::leftDown(bool, bool ctrl, int32_t, int32_t)
{
    return press(ctrl ? defaultValue(parameterIndex) : bandCentre);
}
