// Controls drawn with anti-aliased shapes only: the drawn pot, and the round button, round command
// button and dial that the composite knobs are made of.
#pragma once

#include <cstdint>

#include "controls/button_behaviours.h"
#include "controls/control.h"

// Round geometry shared by the drawn controls: centre of the rectangle and half its shorter side.
struct ZRoundGeometry {
    double centreX = 0.0;
    double centreY = 0.0;
    double radius = 0.0;

    void compute(int32_t width, int32_t height);
    // The point at `distance` from the centre in the direction of knob position q: lower left at
    // 0, top at 0.5, lower right at 1 (clockwise over 270 degrees).
    void pointer(double q, double distance, double& px, double& py) const;
};

// A round knob: a ring in the mark colour with two ticks at the ends of its travel, a body and a
// dot that points at the value.
class ZDefPot : public ZPotControl {
public:
    ZDefPot(ZEffectLink* effect, int32_t parameterIndex, const ZColour& mark, const ZColour& body, const ZColour& heldBody);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZColour mark, body, heldBody;
    ZRoundGeometry geometry;
    double bodyRadius = 0.0;
    double dotDistance = 0.0;
    double lastValue = -1.0;
};

// Momentary round button: a ring and an inner disc in the on or off colour.
class ZRoundButton : public ZButtonControl {
public:
    ZRoundButton(ZEffectLink* effect, int32_t parameterIndex, const ZColour& ring, const ZColour& off, const ZColour& on);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZColour ring, off, on;
    ZRoundGeometry geometry;
    int8_t lastOn = -1;
};

// Round command button: a ring and an inner disc in the up or down colour.
class ZRoundCommand : public ZCommandControl {
public:
    ZRoundCommand(ZEffectLink* effect, int32_t commandIndex, const ZColour& ring, const ZColour& up, const ZColour& down);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZColour ring, up, down;
    ZRoundGeometry geometry;
};

// Small pot: a disc with a pointer line from the centre to the edge.
class ZDial : public ZPotControl {
public:
    ZDial(ZEffectLink* effect, int32_t parameterIndex, const ZColour& pointerColour, const ZColour& body,
          const ZColour& heldBody);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    ZColour pointerColour, body, heldBody;
    ZRoundGeometry geometry;
    double lastValue = -1.0;
};
