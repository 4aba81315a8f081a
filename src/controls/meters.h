// Meters that show a data item of the effect: film-strip meters that pick a frame from a number,
// and segment meters drawn as a row or column of 4-pixel bars with 1-pixel gaps.
//
// Items of type "long" are lock-free atomic 32-bit integers and items of type "double" lock-free
// atomic doubles (the layouts of int32_t and double), which the audio thread may write while a
// meter reads them; the meters load them with relaxed order.
#pragma once

#include <atomic>
#include <cstdint>

#include "controls/control.h"

class ZImageResource;

// Orientation of a segment meter (skin words "RightToLeft", "TopToBottom", "BottomToTop", or
// anything else for left to right).
enum ZMeterOrientation : int32_t {
    kLeftToRight = 0,
    kRightToLeft = 1,
    kTopToBottom = 2,
    kBottomToTop = 3,
};

// Frame = value x scale + offset, rounded half up, limited to the image's frames.
class ZImgMeter : public ZControl {
public:
    // value may be null (frame 0 then).
    ZImgMeter(ZEffectLink* effect, const std::atomic<int32_t>* value, double scale, double offset, ZImageResource* image);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    int32_t currentFrame() const;

    ZImageResource* image;
    const std::atomic<int32_t>* value;
    double scale;
    double offset;
    int32_t lastFrame = -1;
    bool dirty = true;
};

// Frame = (frames - 1) x value truncated: the last frame only at 1.0.
class ZImgFracMeter : public ZControl {
public:
    // value may be null (frame 0 then).
    ZImgFracMeter(ZEffectLink* effect, const std::atomic<double>* value, ZImageResource* image);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    int32_t currentFrame() const;

    ZImageResource* image;
    const std::atomic<double>* value;
    int32_t lastFrame = -1;
    bool dirty = true;
};

// What the two segment meters share: the layout, the colours and the drawing.
class ZSegmentMeter : public ZControl {
public:
    ZSegmentMeter(ZEffectLink* effect, int32_t orientation, const ZColour& segment, const ZColour& off, const ZColour& on);

    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;

    // Segments lit for the item's current value (0 .. segmentCount).
    virtual int32_t litCount() const = 0;
    // Whether segment i (counted from the left or top) is lit when `lit` segments are.
    bool segmentLit(int32_t i, int32_t lit) const;

    int32_t orientation;
    ZColour segment, off, on;
    int32_t segmentCount = 0;
    int32_t lastLit = -1;
    bool dirty = true;
};

// Lit count = the item's integer value, limited to 0 .. segments.
class ZDefMeter : public ZSegmentMeter {
public:
    ZDefMeter(ZEffectLink* effect, const std::atomic<int32_t>* value, int32_t orientation, const ZColour& segment,
              const ZColour& off, const ZColour& on);
    int32_t litCount() const override;

    const std::atomic<int32_t>* value;
};

// Lit count = segments x value (limited to 0..1), rounded half up.
class ZDefFracMeter : public ZSegmentMeter {
public:
    ZDefFracMeter(ZEffectLink* effect, const std::atomic<double>* value, int32_t orientation, const ZColour& segment,
                  const ZColour& off, const ZColour& on);
    int32_t litCount() const override;

    const std::atomic<double>* value;
};
