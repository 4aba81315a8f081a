// The mouse behaviours of the clickable controls that are not pots or toggles: the momentary
// button, the command button, the page selector and the radio button. Each style of a family
// (film strip, text box, drawn mark) derives from one of these and adds only its drawing.
#pragma once

#include <cstdint>

#include "controls/control.h"

// Momentary: the parameter is 1.0 while the button is held and 0.0 after the release. Every
// change is reported to the host with automate calls only (no begin or end of an edit).
class ZButtonControl : public ZControl {
public:
    ZButtonControl(ZEffectLink* effect, int32_t parameterIndex);

    void reset() override;
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void cancel() override;

    int32_t parameterIndex;
    bool held = false;
    bool dirty = true;

protected:
    // The release: automate, 0.0, automate.
    void release();
};

// Command: runs the effect's command on the release, with the modifiers seen at the press or at
// the release. A gesture that loses the capture runs nothing.
class ZCommandControl : public ZControl {
public:
    ZCommandControl(ZEffectLink* effect, int32_t commandIndex);

    void reset() override;
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void cancel() override;

    int32_t commandIndex;
    bool held = false;
    bool shiftSeen = false;
    bool ctrlSeen = false;
    bool dirty = true;
};

// Page selector: shows its page on the press. It has no cancel: one that loses the capture stays
// held until a left-button release reaches it.
class ZPageSelControl : public ZControl {
public:
    ZPageSelControl(ZEffectLink* effect, int32_t page);

    void reset() override;
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;

    // Whether the window shows this selector's page.
    bool selected() const;

    int32_t targetPage;
    bool held = false;
    bool dirty = true;
};

// Radio: option a of the options 0..b on one parameter owns the band [a / (b + 1), (a + 1) / (b + 1))
// of the knob position (the last option also owns 1.0); a click sets the band's centre.
// Ctrl-click sets the parameter's default.
class ZRadioControl : public ZParameterClickControl {
public:
    // Needs 0 <= option <= lastOption (the factory checks it); other values give an empty band.
    ZRadioControl(ZEffectLink* effect, int32_t parameterIndex, int32_t option, int32_t lastOption);

    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;

    // Whether the parameter's knob position lies in this option's band.
    bool selected() const;

    int32_t option;
    int32_t lastOption;
    double bandLow = 0.0;
    double bandCentre = 0.0;
    double bandHigh = 0.0;
};
