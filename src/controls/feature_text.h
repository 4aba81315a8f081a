// A text data item of the effect (a character pointer), shown centred over the background.
#pragma once

#include <cstdint>

#include "controls/control.h"

class ZFont;

class ZFeatureText : public ZControl {
public:
    static constexpr int32_t kMaxLength = 63;

    // value: the item's data, a pointer to the string pointer (a null string shows as empty).
    ZFeatureText(ZEffectLink* effect, const char* const* value, ZFont* font);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    const char* const* value;
    ZFont* font;
    char currentText[kMaxLength + 1] = {};
    char lastText[kMaxLength + 1] = {};
    bool dirty = true;
};
