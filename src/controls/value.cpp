#include "controls/value.h"

#include <cmath>
#include <new>

#include "gui/surface.h"
#include "gui/text_entry.h"
#include "model/effect_link.h"
#include "skin_resources/resources.h"

ZValue::ZValue(ZEffectLink* effect, int32_t index, ZFont* font)
    : ZControl(effect), parameterIndex(index), font(font), entry_(new (std::nothrow) ZTextEntry)
{
    if (entry_) {
        entry_->effect = effect;
        entry_->parameterIndex = index;
    }
}

ZValue::~ZValue()
{
    if (entry_) {
        // Closing the field must not commit into an editor that is going away.
        entry_->cancelled = true;
        entry_->destroy();
        delete entry_;
        entry_ = nullptr;
    }
}

void ZValue::attach(ZControlHost* w)
{
    window = w;
    if (entry_) entry_->editorWindow = w;
}

void ZValue::reset() { dirty = true; }

void ZValue::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZValue::draw(ZSurface& surface)
{
    const double q = knobPosition(parameterIndex);
    if (!(std::fabs(q - lastValue) > 0.001) && !dirty) return;
    restoreSnapshot(surface);
    if (font && effect) {
        const ZCellText text = effect->displayText(parameterIndex);
        font->drawText(&surface, text.text, 0, 0, width, height, kAlignCentre);
    }
    lastValue = q;
    dirty = false;
}

bool ZValue::leftDown(bool /*shift*/, bool /*ctrl*/, int32_t /*x*/, int32_t /*y*/)
{
    ZParameter* parameter = effect ? effect->parameter(parameterIndex) : nullptr;
    // The entry is a child of the editor window: without one there is nothing to open it in.
    if (!entry_ || !window || !parameter || !parameter->acceptsTextEntry()) return false;
    entry_->effect = effect;
    entry_->editorWindow = window;
    entry_->parameterIndex = parameterIndex;
    // At a scale the field covers the control's window pixels with the font of the scaled height.
    entry_->font = font ? font->gdiFontAt(window->scale()) : nullptr;
    entry_->open(window->windowPixel(x), window->windowPixel(y), window->windowPixel(x + width),
                 window->windowPixel(y + height));
    return false;
}
