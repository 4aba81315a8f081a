// The value text: a parameter's display text (value and unit) centred in the control; a click
// opens a one-line text entry over it for typing a new value.
#pragma once

#include <cstdint>

#include "controls/control.h"

class ZFont;
class ZTextEntry;

class ZValue : public ZControl {
public:
    // font: drawing font (not owned; its system font is the entry's font).
    ZValue(ZEffectLink* effect, int32_t parameterIndex, ZFont* font);
    // Closes an open entry's window, then frees the entry.
    ~ZValue() override;

    // The window is also the entry's parent and the window it suppresses while open.
    void attach(ZControlHost* window) override;
    void reset() override;
    void prepare(ZSurface& surface) override;
    // Redraws the text when the knob position moved by more than 0.001 or the control is dirty.
    void draw(ZSurface& surface) override;
    // Opens the text entry over the control when the parameter takes typed values; never
    // captures the mouse.
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;

    ZTextEntry* textEntry() const { return entry_; }

    int32_t parameterIndex;
    ZFont* font;  // not owned
    bool dirty = true;
    double lastValue = 0.0;

private:
    ZTextEntry* entry_;  // owned; null if it could not be made
};
