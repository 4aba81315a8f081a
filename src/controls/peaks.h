// Peak readouts: "Peak: <level> dB" for a linear peak value kept in a data item of the effect,
// with one font (and, for the drawn readout, one fill) for levels up to 0 dB and another above.
// A click sets the item back to 0. The item is a lock-free atomic double (the layout of a double).
#pragma once

#include <atomic>
#include <cstdint>

#include "controls/control.h"
#include "controls/layouts.h"

class ZFont;

// The readout text of a linear peak value: values below 1e-6 count as silence ("-Inf").
// `text` holds at least 32 bytes. Answers the level in dB (minus infinity for silence).
double peakText(double value, char* text, int32_t size);

class ZPeakControl : public ZControl {
public:
    ZPeakControl(ZEffectLink* effect, std::atomic<double>* value, ZFont* fontLow, ZFont* fontHigh);

    void reset() override;
    // Sets the item to 0 and asks for a repaint; no capture.
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void draw(ZSurface& surface) override;

    // The item's value, with anything below 1e-6 (or not a number) as 0.
    double currentValue() const;

    std::atomic<double>* value;
    ZFont* fontLow;  // 0 dB and below
    ZFont* fontHigh;  // above 0 dB
    double lastValue = -1.0;
    bool dirty = true;

protected:
    // Draws the text of a level (after the readout decided to draw).
    virtual void paint(ZSurface& surface, const char* text, bool above) = 0;
};

// The text left-aligned over the background snapshot.
class ZTextPeak : public ZPeakControl {
public:
    ZTextPeak(ZEffectLink* effect, std::atomic<double>* value, ZFont* fontLow, ZFont* fontHigh);
    void prepare(ZSurface& surface) override;

protected:
    void paint(ZSurface& surface, const char* text, bool above) override;
};

// A framed field filled by level, with the text centred.
class ZDefPeak : public ZPeakControl {
public:
    ZDefPeak(ZEffectLink* effect, std::atomic<double>* value, const ZColour& frame, const ZColour& fillLow,
             const ZColour& fillHigh, ZFont* fontLow, ZFont* fontHigh);
    void reset() override;
    void prepare(ZSurface& surface) override;

    ZColour frame, fillLow, fillHigh;
    ZBoxLayout layout;

protected:
    void paint(ZSurface& surface, const char* text, bool above) override;
};
