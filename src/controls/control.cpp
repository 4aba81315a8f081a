#include "controls/control.h"

#include <cstddef>
#include <new>

#include "gui/surface.h"
#include "model/effect_link.h"

// ---------------------------------------------------------------- ZControl

ZControl::ZControl(ZEffectLink* effect) : effect(effect) {}

ZControl::~ZControl()
{
    delete background;
    background = nullptr;
}

void ZControl::attach(ZControlHost* w) { window = w; }

void ZControl::prepare(ZSurface& /*surface*/) {}

bool ZControl::leftDown(bool, bool, int32_t, int32_t) { return false; }
bool ZControl::leftUp(bool, bool, int32_t, int32_t) { return false; }
bool ZControl::rightDown(bool, bool, int32_t, int32_t) { return false; }
bool ZControl::rightUp(bool, bool, int32_t, int32_t) { return false; }
void ZControl::mouseMove(bool, bool, int32_t, int32_t) {}
void ZControl::cancel() {}

void ZControl::takeSnapshot(ZSurface& surface)
{
    delete background;
    background = nullptr;
    if (width < 1 || height < 1 || width > surface.clipWidth() || height > surface.clipHeight()) return;
    // The device pixels under the rectangle: at a scale the snapshot has the surface's resolution.
    background = surface.copyDeviceArea(width, height);
}

void ZControl::restoreSnapshot(ZSurface& surface)
{
    if (background) surface.blendDeviceBitmap(0, 0, background->width, background->height, 0, 0, background);
}

void ZControl::invalidate()
{
    if (window) window->invalidate();
}

void ZControl::automate(int32_t index)
{
    if (effect) effect->reportValue(index);
}

void ZControl::beginGesture(int32_t index)
{
    if (effect) effect->beginGesture(index);
}

void ZControl::changeValue(int32_t index, double normalised)
{
    if (!effect || !effect->parameter(index)) return;
    effect->setParameterValue(index, normalised);
    automate(index);
}

void ZControl::endGesture(int32_t index)
{
    if (effect) effect->endGesture(index);
}

double ZControl::parameterValue(int32_t index) const
{
    return effect && effect->parameter(index) ? effect->parameterValue(index) : 0.0;
}

double ZControl::knobPosition(int32_t index) const
{
    return effect && effect->parameter(index) ? effect->knobPosition(index) : 0.0;
}

double ZControl::defaultValue(int32_t index) const
{
    ZParameter* p = effect ? effect->parameter(index) : nullptr;
    return p ? p->defaultValue() : 0.0;
}

// ---------------------------------------------------------------- ZCompositeControl

ZCompositeControl::ZCompositeControl(ZEffectLink* effect) : ZControl(effect) { children.reserve(32); }

ZCompositeControl::~ZCompositeControl() { clearChildren(); }

void ZCompositeControl::addChild(ZControl* child)
{
    if (!child) return;
    if (children.size() == children.capacity()) children.reserve(children.capacity() + 32);
    children.push_back(child);
    if (window) child->attach(window);
}

void ZCompositeControl::clearChildren()
{
    for (ZControl* child : children) delete child;
    children.clear();
    capturedChild = -1;
}

int32_t ZCompositeControl::childAt(int32_t px, int32_t py) const
{
    for (std::size_t i = 0; i < children.size(); ++i)
        if (children[i]->contains(px, py)) return static_cast<int32_t>(i);
    return -1;
}

void ZCompositeControl::attach(ZControlHost* w)
{
    window = w;
    for (ZControl* child : children) child->attach(w);
}

void ZCompositeControl::prepare(ZSurface& surface)
{
    for (ZControl* child : children) {
        surface.setClip(child->x, child->y, child->width, child->height);
        child->prepare(surface);
    }
    surface.setClip(x, y, width, height);
}

void ZCompositeControl::draw(ZSurface& surface)
{
    for (ZControl* child : children) {
        surface.setClip(child->x, child->y, child->width, child->height);
        child->draw(surface);
    }
    surface.setClip(x, y, width, height);
}

// Presses: a captured child gets the press and keeps the capture (false: nothing changes for the
// window); otherwise the first child hit, which may take the capture.
#define SARVO_COMPOSITE_PRESS(name)                                                                                    \
    bool ZCompositeControl::name(bool shift, bool ctrl, int32_t lx, int32_t ly)                                        \
    {                                                                                                                  \
        const int32_t px = lx + x, py = ly + y;                                                                        \
        if (capturedChild >= 0 && capturedChild < static_cast<int32_t>(children.size())) {                             \
            ZControl* c = children[capturedChild];                                                                     \
            c->name(shift, ctrl, px - c->x, py - c->y);                                                                \
            return false;                                                                                              \
        }                                                                                                              \
        const int32_t hit = childAt(px, py);                                                                           \
        if (hit < 0) return false;                                                                                     \
        ZControl* c = children[hit];                                                                                   \
        if (!c->name(shift, ctrl, px - c->x, py - c->y)) return false;                                                 \
        capturedChild = hit;                                                                                           \
        return true;                                                                                                   \
    }

SARVO_COMPOSITE_PRESS(leftDown)
SARVO_COMPOSITE_PRESS(rightDown)
#undef SARVO_COMPOSITE_PRESS

#define SARVO_COMPOSITE_RELEASE(name)                                                                                  \
    bool ZCompositeControl::name(bool shift, bool ctrl, int32_t lx, int32_t ly)                                        \
    {                                                                                                                  \
        const int32_t px = lx + x, py = ly + y;                                                                        \
        int32_t target = capturedChild;                                                                                \
        if (target < 0 || target >= static_cast<int32_t>(children.size())) target = childAt(px, py);                   \
        if (target < 0) return false;                                                                                  \
        ZControl* c = children[target];                                                                                \
        if (!c->name(shift, ctrl, px - c->x, py - c->y)) return false;                                                 \
        capturedChild = -1;                                                                                            \
        return true;                                                                                                   \
    }

SARVO_COMPOSITE_RELEASE(leftUp)
SARVO_COMPOSITE_RELEASE(rightUp)
#undef SARVO_COMPOSITE_RELEASE

void ZCompositeControl::mouseMove(bool shift, bool ctrl, int32_t lx, int32_t ly)
{
    const int32_t px = lx + x, py = ly + y;
    int32_t target = capturedChild;
    if (target < 0 || target >= static_cast<int32_t>(children.size())) target = childAt(px, py);
    if (target < 0) return;
    ZControl* c = children[target];
    c->mouseMove(shift, ctrl, px - c->x, py - c->y);
}

void ZCompositeControl::cancel()
{
    const int32_t target = capturedChild;
    capturedChild = -1;
    if (target >= 0 && target < static_cast<int32_t>(children.size())) children[target]->cancel();
}

// ---------------------------------------------------------------- ZPotControl

ZPotControl::ZPotControl(ZEffectLink* effect, int32_t index) : ZControl(effect), parameterIndex(index) {}

void ZPotControl::reset()
{
    held = false;
    dragging = false;
    dirty = true;
}

bool ZPotControl::leftDown(bool /*shift*/, bool ctrl, int32_t lx, int32_t ly)
{
    held = true;
    if (ctrl) {
        dragging = false;
        beginGesture(parameterIndex);
        changeValue(parameterIndex, defaultValue(parameterIndex));
    } else {
        lastX = lx;
        lastY = ly;
        dragging = true;
        beginGesture(parameterIndex);
    }
    dirty = true;
    invalidate();
    return true;
}

void ZPotControl::mouseMove(bool shift, bool /*ctrl*/, int32_t lx, int32_t ly)
{
    if (!dragging) return;
    double delta = (static_cast<double>(lastY - ly) + static_cast<double>(lx - lastX) * 0.25) * 0.01;
    if (shift) delta *= 0.1;
    double value = parameterValue(parameterIndex) + delta;
    if (value < 0.0) value = 0.0;
    if (value > 1.0) value = 1.0;
    changeValue(parameterIndex, value);
    lastX = lx;
    lastY = ly;
    dirty = true;
    invalidate();
}

bool ZPotControl::leftUp(bool, bool, int32_t, int32_t)
{
    if (!held) return false;
    held = false;
    dragging = false;
    endGesture(parameterIndex);
    dirty = true;
    invalidate();
    return true;
}

void ZPotControl::cancel()
{
    if (held) leftUp(false, false, 0, 0);
}

// ---------------------------------------------------------------- ZParameterClickControl

ZParameterClickControl::ZParameterClickControl(ZEffectLink* effect, int32_t index) : ZControl(effect), parameterIndex(index)
{}

void ZParameterClickControl::reset()
{
    held = false;
    dirty = true;
}

bool ZParameterClickControl::press(double value)
{
    held = true;
    beginGesture(parameterIndex);
    changeValue(parameterIndex, value);
    invalidate();
    dirty = true;
    return true;
}

bool ZParameterClickControl::leftUp(bool, bool, int32_t, int32_t)
{
    if (!held) return false;
    held = false;
    endGesture(parameterIndex);
    invalidate();
    dirty = true;
    return true;
}

// ---------------------------------------------------------------- ZSwitchControl

ZSwitchControl::ZSwitchControl(ZEffectLink* effect, int32_t index) : ZParameterClickControl(effect, index) {}

bool ZSwitchControl::selected() const { return knobPosition(parameterIndex) >= 0.5; }

bool ZSwitchControl::leftDown(bool /*shift*/, bool ctrl, int32_t, int32_t)
{
    return press(ctrl ? defaultValue(parameterIndex) : selected() ? 0.0 : 1.0);
}
