// Composite knobs: a labelled pot, button, command button or value field assembled from child
// controls. A composite paints its own strips and boxes in prepare, then its children paint over
// them; the children are built in reset (when the window binds the skin) and get the mouse
// through ZCompositeControl.
#pragma once

#include <cstdint>
#include <string>

#include "controls/control.h"
#include "controls/layouts.h"

class ZFont;

// What every composite keeps from its skin line.
class ZKnobComposite : public ZCompositeControl {
public:
    ZKnobComposite(ZEffectLink* effect, int32_t index, ZFont* font, const ZColour& c1, const ZColour& c2,
                   const ZColour& c3);

    // Creates the children anew (see build) in list order.
    void reset() override;

    int32_t index;  // parameter or command
    ZFont* font;
    ZColour c1, c2, c3;

protected:
    // Creates the children in list order with place().
    virtual void build() = 0;
    // Gives a new child its window, its rectangle (the box, moved to window coordinates) and the
    // composite's page, resets it and appends it.
    void place(ZControl* child, const ZBox& box);
    // The font's height, 0 without a font.
    int32_t fontHeight() const;
};

// Title strip, middle box and bottom strip of ZKnob, ZKnobButton and ZKnobCommand.
struct ZStackLayout {
    ZBox topStrip, topBox, middleBox, bottomStrip, bottomBox;

    void compute(int32_t width, int32_t height, int32_t fontHeight);
};

// Layout and painting shared by the three stacked composites.
class ZStackedComposite : public ZKnobComposite {
public:
    using ZKnobComposite::ZKnobComposite;
    void reset() override;
    // Strips in c1, boxes in c2, then the children.
    void prepare(ZSurface& surface) override;

    ZStackLayout layout;
};

// Title, drawn pot, value text.
class ZKnob : public ZStackedComposite {
public:
    ZKnob(ZEffectLink* effect, int32_t parameterIndex, ZFont* font, const ZColour& c1, const ZColour& c2,
          const ZColour& c3);

protected:
    void build() override;
};

// Label, momentary round button, the same label again.
class ZKnobButton : public ZStackedComposite {
public:
    ZKnobButton(ZEffectLink* effect, int32_t parameterIndex, const char* label, ZFont* font, const ZColour& c1,
                const ZColour& c2, const ZColour& c3);

    std::string label;

protected:
    void build() override;
};

// Label, round command button, the same label again.
class ZKnobCommand : public ZStackedComposite {
public:
    ZKnobCommand(ZEffectLink* effect, int32_t commandIndex, const char* label, ZFont* font, const ZColour& c1,
                 const ZColour& c2, const ZColour& c3);

    std::string label;

protected:
    void build() override;
};

// Title and value text side by side; the label column is `labelWidth` wide.
class ZField : public ZKnobComposite {
public:
    ZField(ZEffectLink* effect, int32_t parameterIndex, int32_t labelWidth, ZFont* font, const ZColour& c1,
           const ZColour& c2, const ZColour& c3);

    void reset() override;
    // The whole rectangle in c1, the label and value boxes in c2, then the children.
    void prepare(ZSurface& surface) override;

    int32_t labelWidth;
    ZBox labelBox, valueBox;

protected:
    void build() override;
};

// Small dial, title and value text in one row.
class ZDialField : public ZKnobComposite {
public:
    ZDialField(ZEffectLink* effect, int32_t parameterIndex, int32_t labelWidth, ZFont* font, const ZColour& c1,
               const ZColour& c2, const ZColour& c3);

    void reset() override;
    void prepare(ZSurface& surface) override;

    int32_t labelWidth;
    ZBox dialBox, labelBox, valueBox;

protected:
    void build() override;
};
