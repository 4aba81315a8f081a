// The control base: every element the skin places on the editor.
//
// A control has a rectangle in editor-window pixels, a page (0: every page), a background
// snapshot and a fixed set of virtual operations. The window that shows the controls owns
// nothing of this protocol but the calls:
//   binding     attach(window) then reset(), once, in list order;
//   full redraw prepare(surface), surface clipped to the control's rectangle;
//   paint       draw(surface), surface clipped to the control's rectangle;
//   mouse       leftDown/leftUp/rightDown/rightUp/mouseMove(shift, ctrl, x, y) with control-local
//               coordinates; a true result of a press captures the mouse for the control, a true
//               result of a release frees it; cancel() when the capture or the focus is lost.
// Since the surface's clip origin is the control's top-left corner, (0, 0) in every drawing call
// is the control's own top-left pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "gui/control_host.h"
#include "gui/bitmap.h"

class ZSurface;
class ZEffectLink;

class ZControl {
public:
    explicit ZControl(ZEffectLink* effect);
    virtual ~ZControl();
    ZControl(const ZControl&) = delete;
    ZControl& operator=(const ZControl&) = delete;

    // Stores the window (the controls' way to invalidate, suppress painting and change pages).
    virtual void attach(ZControlHost* window);
    // Clears the gesture state, computes the layout and marks the control dirty.
    virtual void reset() = 0;
    // Called on every full redraw, after the page background; most controls take their snapshot.
    virtual void prepare(ZSurface& surface);
    // Called on every paint; must return at once when nothing shown has changed.
    virtual void draw(ZSurface& surface) = 0;
    virtual bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y);
    virtual bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y);
    virtual bool rightDown(bool shift, bool ctrl, int32_t x, int32_t y);
    virtual bool rightUp(bool shift, bool ctrl, int32_t x, int32_t y);
    virtual void mouseMove(bool shift, bool ctrl, int32_t x, int32_t y);
    virtual void cancel();

    // Whether the window point (px, py) lies in the rectangle, right and bottom edges included.
    bool contains(int32_t px, int32_t py) const { return x <= px && px <= x + width && y <= py && py <= y + height; }
    // Whether the control is shown while `currentPage` is (page 0 on either side: always).
    bool onPage(int32_t currentPage) const { return currentPage == 0 || page == 0 || page == currentPage; }

    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t page = 0;
    ZBitmap* background = nullptr;  // owned snapshot, null when none
    ZEffectLink* effect;  // not owned
    ZControlHost* window = nullptr;  // not owned; null until attach

protected:
    // Replaces the snapshot by a copy of the surface's pixels under the width x height rectangle
    // at the clip origin (device pixels at the surface's scale; alpha forced to 255); keeps none
    // when the control does not fit in the clip.
    void takeSnapshot(ZSurface& surface);
    // Blends the snapshot back at (0, 0); nothing without one.
    void restoreSnapshot(ZSurface& surface);
    // Asks the window for a repaint (nothing before attach).
    void invalidate();

    // The host side of a parameter gesture: its beginning (the host told of the current value);
    // each change setParameterValue + automate; its end. Invalid indices do nothing.
    void beginGesture(int32_t index);
    void changeValue(int32_t index, double normalised);
    void endGesture(int32_t index);
    // Tells the host the parameter's current value.
    void automate(int32_t index);

    // Reading a parameter of the current program; 0 for a bad index.
    double parameterValue(int32_t index) const;
    double knobPosition(int32_t index) const;
    double defaultValue(int32_t index) const;
};

// A control made of child controls with absolute window rectangles. Routes the mouse to its
// children by the window's rules (first hit in list order, edges included, a captured child).
class ZCompositeControl : public ZControl {
public:
    explicit ZCompositeControl(ZEffectLink* effect);
    ~ZCompositeControl() override;

    void attach(ZControlHost* window) override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool rightDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool rightUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void mouseMove(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void cancel() override;

    // Takes ownership; the child gets the composite's window if it has one. Null is ignored.
    void addChild(ZControl* child);
    // Destroys every child (concrete composites rebuild them in reset).
    void clearChildren();

    std::vector<ZControl*> children;  // owned
    int32_t capturedChild = -1;

protected:
    // First child containing the window point, -1 for none.
    int32_t childAt(int32_t px, int32_t py) const;
};

// Pot behaviour: vertical or horizontal drag with a fine mode, ctrl-click for the default.
class ZPotControl : public ZControl {
public:
    ZPotControl(ZEffectLink* effect, int32_t parameterIndex);

    void reset() override;
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void mouseMove(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void cancel() override;

    int32_t parameterIndex;
    int32_t lastX = 0;
    int32_t lastY = 0;
    bool held = false;
    bool dragging = false;
    bool dirty = true;
};

// A click that sets a parameter: the press begins a gesture and sets the value, the release ends
// it. The toggle and the radio button share it and differ only in the value a press sets.
class ZParameterClickControl : public ZControl {
public:
    ZParameterClickControl(ZEffectLink* effect, int32_t parameterIndex);

    void reset() override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;

    int32_t parameterIndex;
    bool held = false;
    bool dirty = true;

protected:
    // The press: held, the gesture begun, the parameter set to value, a repaint asked for.
    bool press(double value);
};

// Toggle behaviour: a click flips the parameter's knob position, ctrl-click sets the default.
class ZSwitchControl : public ZParameterClickControl {
public:
    ZSwitchControl(ZEffectLink* effect, int32_t parameterIndex);

    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;

    // Whether the switch is on: the knob position is 0.5 or more.
    bool selected() const;
};
