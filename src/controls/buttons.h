// Switches, momentary buttons and command buttons drawn as text boxes, drawn marks or film strips.
//
// Text boxes (ZTextSwitch, ZTextButton, ZTextCommand) paint their border into the page in prepare
// and fill the inner field with a state colour and the centred label on every change. The drawn
// switch (ZDefSwitch) paints a disc or a cross and the parameter's title. The film-strip command
// (ZImgCommand) shows frame 0 up and frame 1 down over its background snapshot.
#pragma once

#include <cstdint>
#include <string>

#include "controls/button_behaviours.h"
#include "controls/control.h"
#include "controls/layouts.h"

class ZFont;
class ZImageResource;

// On/off switch as a text box: on is a knob position of 0.5 or more.
class ZTextSwitch : public ZSwitchControl {
public:
    ZTextSwitch(ZEffectLink* effect, int32_t parameterIndex, const char* label, ZFont* font, const ZColour& border,
                const ZColour& off, const ZColour& on, const ZColour& onHeld);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZColour border, off, on, onHeld;
    ZBoxLayout layout;
    int8_t lastOn = -1;
};

// On/off switch as a drawn mark with the parameter's caption (or name) as its label.
class ZDefSwitch : public ZSwitchControl {
public:
    ZDefSwitch(ZEffectLink* effect, int32_t parameterIndex, ZFont* font, const ZMarkColours& colours);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZFont* font;
    ZMarkColours colours;
    ZMarkLayout layout;
    int8_t lastOn = -1;
};

// Momentary button as a text box: on while held or while the parameter's value is 0.5 or more.
class ZTextButton : public ZButtonControl {
public:
    ZTextButton(ZEffectLink* effect, int32_t parameterIndex, const char* label, ZFont* font, const ZColour& border,
                const ZColour& off, const ZColour& on);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZColour border, off, on;
    ZBoxLayout layout;
    int8_t lastOn = -1;
};

// Command button from a film strip: frame 0 up, frame 1 down.
class ZImgCommand : public ZCommandControl {
public:
    ZImgCommand(ZEffectLink* effect, int32_t commandIndex, ZImageResource* image);

    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZImageResource* image;
};

// Command button as a text box.
class ZTextCommand : public ZCommandControl {
public:
    ZTextCommand(ZEffectLink* effect, int32_t commandIndex, const char* label, ZFont* font, const ZColour& border,
                 const ZColour& up, const ZColour& down);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    std::string label;
    ZFont* font;
    ZColour border, up, down;
    ZBoxLayout layout;
};

// The parameter's caption when it has one, else its name; empty for a bad index.
const char* parameterTitle(ZEffectLink* effect, int32_t parameterIndex);
