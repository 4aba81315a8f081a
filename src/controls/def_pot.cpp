#include "controls/def_pot.h"

#include <cmath>

#include "gui/shapes.h"
#include "gui/surface.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool changed(double q, double last) { return std::fabs(q - last) > 0.001; }

}  // namespace

void ZRoundGeometry::compute(int32_t width, int32_t height)
{
    centreX = width * 0.5;
    centreY = height * 0.5;
    radius = (width < height ? width : height) * 0.5;
}

void ZRoundGeometry::pointer(double q, double distance, double& px, double& py) const
{
    const double t = q * 1.5 * kPi + kPi / 4.0;
    px = centreX - std::sin(t) * distance;
    py = centreY + std::cos(t) * distance;
}

// ---------------------------------------------------------------- ZDefPot

ZDefPot::ZDefPot(ZEffectLink* effect, int32_t index, const ZColour& mark, const ZColour& body, const ZColour& heldBody)
    : ZPotControl(effect, index), mark(mark), body(body), heldBody(heldBody)
{}

void ZDefPot::reset()
{
    ZPotControl::reset();
    geometry.compute(width, height);
    bodyRadius = geometry.radius - 2.0;
    dotDistance = (geometry.radius - 2.0) * 0.7;
}

void ZDefPot::prepare(ZSurface& surface)
{
    const double cx = geometry.centreX, cy = geometry.centreY, r = geometry.radius;
    surface.fillShape(mark, ZSegmentShape(cx, cy, cx - r + 1.0, cy + r - 1.0, 2.0));
    surface.fillShape(mark, ZSegmentShape(cx, cy, cx + r - 1.0, cy + r - 1.0, 2.0));
    surface.fillDisc(mark, cx, cy, r);
    takeSnapshot(surface);
    dirty = true;
}

void ZDefPot::draw(ZSurface& surface)
{
    const double q = knobPosition(parameterIndex);
    if (!changed(q, lastValue) && !dirty) return;
    restoreSnapshot(surface);
    if (bodyRadius > 0.0) surface.fillDisc(held ? heldBody : body, geometry.centreX, geometry.centreY, bodyRadius);
    double px = 0.0, py = 0.0;
    geometry.pointer(q, dotDistance, px, py);
    surface.fillDisc(mark, px, py, 2.0);
    lastValue = q;
    dirty = false;
}

// ---------------------------------------------------------------- ZRoundButton

ZRoundButton::ZRoundButton(ZEffectLink* effect, int32_t index, const ZColour& ring, const ZColour& off, const ZColour& on)
    : ZButtonControl(effect, index), ring(ring), off(off), on(on)
{}

void ZRoundButton::reset()
{
    ZButtonControl::reset();
    geometry.compute(width, height);
}

void ZRoundButton::prepare(ZSurface& surface)
{
    surface.fillDisc(ring, geometry.centreX, geometry.centreY, geometry.radius);
    takeSnapshot(surface);
    dirty = true;
}

void ZRoundButton::draw(ZSurface& surface)
{
    const bool isOn = held || parameterValue(parameterIndex) >= 0.5;
    if (isOn == (lastOn == 1) && lastOn >= 0 && !dirty) return;
    restoreSnapshot(surface);
    if (geometry.radius > 4.0)
        surface.fillDisc(isOn ? on : off, geometry.centreX, geometry.centreY, geometry.radius - 4.0);
    lastOn = isOn ? 1 : 0;
    dirty = false;
}

// ---------------------------------------------------------------- ZRoundCommand

ZRoundCommand::ZRoundCommand(ZEffectLink* effect, int32_t index, const ZColour& ring, const ZColour& up,
                             const ZColour& down)
    : ZCommandControl(effect, index), ring(ring), up(up), down(down)
{}

void ZRoundCommand::reset()
{
    ZCommandControl::reset();
    geometry.compute(width, height);
}

void ZRoundCommand::prepare(ZSurface& surface)
{
    surface.fillDisc(ring, geometry.centreX, geometry.centreY, geometry.radius);
    takeSnapshot(surface);
    dirty = true;
}

void ZRoundCommand::draw(ZSurface& surface)
{
    if (!dirty) return;
    restoreSnapshot(surface);
    if (geometry.radius > 4.0)
        surface.fillDisc(held ? down : up, geometry.centreX, geometry.centreY, geometry.radius - 4.0);
    dirty = false;
}

// ---------------------------------------------------------------- ZDial

ZDial::ZDial(ZEffectLink* effect, int32_t index, const ZColour& pointerColour, const ZColour& body, const ZColour& heldBody)
    : ZPotControl(effect, index), pointerColour(pointerColour), body(body), heldBody(heldBody)
{}

void ZDial::reset()
{
    ZPotControl::reset();
    geometry.compute(width, height);
}

void ZDial::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZDial::draw(ZSurface& surface)
{
    const double q = knobPosition(parameterIndex);
    if (!changed(q, lastValue) && !dirty) return;
    restoreSnapshot(surface);
    surface.fillDisc(held ? heldBody : body, geometry.centreX, geometry.centreY, geometry.radius);
    double px = 0.0, py = 0.0;
    geometry.pointer(q, geometry.radius, px, py);
    surface.fillShape(pointerColour, ZSegmentShape(geometry.centreX, geometry.centreY, px, py, 1.0));
    lastValue = q;
    dirty = false;
}
