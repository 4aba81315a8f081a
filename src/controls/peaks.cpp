#include "controls/peaks.h"

#include <cmath>
#include <cstdio>
#include <limits>

#include "gui/surface.h"
#include "model/formatters.h"
#include "skin_resources/resources.h"

double peakText(double value, char* text, int32_t size)
{
    if (!(value >= 1e-6)) value = 0.0;
    const double level = value > 0.0 ? 20.0 * std::log10(value) : -std::numeric_limits<double>::infinity();
    if (text && size > 0) {
        char number[20];  // levels stay within -120.0 .. 6165.1 dB
        formatNumberText(1, level, number, sizeof number);
        std::snprintf(text, static_cast<std::size_t>(size), "Peak: %s dB", number);
    }
    return level;
}

ZPeakControl::ZPeakControl(ZEffectLink* effect, std::atomic<double>* value, ZFont* fontLow, ZFont* fontHigh)
    : ZControl(effect), value(value), fontLow(fontLow), fontHigh(fontHigh)
{}

void ZPeakControl::reset() { dirty = true; }

double ZPeakControl::currentValue() const
{
    const double v = value ? value->load(std::memory_order_relaxed) : 0.0;
    return v >= 1e-6 ? v : 0.0;
}

bool ZPeakControl::leftDown(bool, bool, int32_t, int32_t)
{
    if (value) value->store(0.0, std::memory_order_relaxed);
    dirty = true;
    invalidate();
    return false;
}

void ZPeakControl::draw(ZSurface& surface)
{
    const double v = currentValue();
    if (!(std::fabs(v - lastValue) > 0.001) && !dirty) return;
    char text[32];
    const double level = peakText(v, text, sizeof text);
    paint(surface, text, level > 0.0);
    lastValue = v;
    dirty = false;
}

// ---------------------------------------------------------------- ZTextPeak

ZTextPeak::ZTextPeak(ZEffectLink* effect, std::atomic<double>* value, ZFont* fontLow, ZFont* fontHigh)
    : ZPeakControl(effect, value, fontLow, fontHigh)
{}

void ZTextPeak::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZTextPeak::paint(ZSurface& surface, const char* text, bool above)
{
    restoreSnapshot(surface);
    drawTextInBox(surface, above ? fontHigh : fontLow, text, orderedBox(0, 0, width, height), kAlignLeft);
}

// ---------------------------------------------------------------- ZDefPeak

ZDefPeak::ZDefPeak(ZEffectLink* effect, std::atomic<double>* value, const ZColour& frame, const ZColour& fillLow,
                   const ZColour& fillHigh, ZFont* fontLow, ZFont* fontHigh)
    : ZPeakControl(effect, value, fontLow, fontHigh), frame(frame), fillLow(fillLow), fillHigh(fillHigh)
{}

void ZDefPeak::reset()
{
    ZPeakControl::reset();
    layout.compute(width, height);
}

void ZDefPeak::prepare(ZSurface& surface)
{
    fillBox(surface, frame, layout.outer);
    dirty = true;
}

void ZDefPeak::paint(ZSurface& surface, const char* text, bool above)
{
    fillBox(surface, above ? fillHigh : fillLow, layout.inner);
    drawTextInBox(surface, above ? fontHigh : fontLow, text, layout.inner, kAlignCentre);
}
