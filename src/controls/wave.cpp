#include "controls/wave.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "dsp/history.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"

namespace {

// L(99.99999850988391): the zoom slider's full travel in the fast logarithm's units.
const double kZoomTravelLog = fastLog2(99.99999850988391);

}  // namespace

// ---------------------------------------------------------------- helpers

int32_t waveRound(double v)
{
    if (!(v == v)) return 0;
    const double r = v > 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
    if (r >= 2147483647.0) return 2147483647;
    if (r <= -2147483648.0) return static_cast<int32_t>(-2147483647 - 1);
    return static_cast<int32_t>(r);
}

int32_t waveRow(double value, int32_t mid, double scale, int32_t height)
{
    const double v = scale * value;
    if (!(v == v)) return mid < 0 ? 0 : (mid > height ? height : mid);
    // The row in double precision first: values far outside the display stay at its edges.
    const double r = v > 0.0 ? std::trunc(v + 0.5) : std::trunc(v - 0.5);
    const double row = static_cast<double>(mid) - r;
    if (!(row > 0.0)) return 0;
    if (row >= static_cast<double>(height)) return height;
    return static_cast<int32_t>(row);
}

double fastLog2(double x)
{
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int32_t exponentField = static_cast<int32_t>((bits >> 52) & 0x7FF);
    if (exponentField == 0) return -HUGE_VAL;
    const int32_t e = exponentField - 1023;
    // The mantissa with a zero exponent: m in [1, 2).
    bits = (bits & 0x000FFFFFFFFFFFFFull) | 0x3FF0000000000000ull;
    double m;
    std::memcpy(&m, &bits, sizeof m);
    return static_cast<double>(e) + m * m * m / 7.0 - m * m + 3.0 * m - 15.0 / 7.0;
}

namespace {

// A display area's rows in device pixels, relative to the device clip origin: its top and bottom
// edges, the axis row, the scale (pixels per full scale) and the thickness of its lines. At scale
// 1 these are the skin's own numbers, so the rows are exactly those of the skin's formula.
struct DeviceRows {
    int32_t top;
    int32_t bottom;
    int32_t mid;
    double scale;
    int32_t line;

    DeviceRows(const ZSurface& surface, int32_t height, int32_t skinMid, double skinScale)
        : top(surface.deviceY(0)), bottom(surface.deviceY(height)), mid(surface.deviceY(skinMid)),
          scale(skinScale * surface.scale()), line(static_cast<int32_t>(std::floor(surface.scale() + 0.5)))
    {
        if (line < 1) line = 1;
    }
    // mid - round(scale x value), held inside the area.
    int32_t row(double value) const { return top + waveRow(value, mid - top, scale, bottom - top); }
};

// A horizontal line across the first `width` skin columns at a device row: the skin's one-pixel
// line at scale 1, a line as thick as a skin pixel (rounded) at the device resolution otherwise.
void levelLine(ZSurface& surface, const ZColour& colour, const DeviceRows& rows, int32_t row, int32_t width)
{
    if (surface.scale() == 1.0) {
        surface.drawHLine(colour, row, 0, width);
        return;
    }
    if (row < rows.top || row >= rows.bottom) return;
    const int32_t end = row + rows.line < rows.bottom ? row + rows.line : rows.bottom;
    surface.fillDeviceRect(colour, surface.deviceX(0), row, surface.deviceX(width), end);
}

}  // namespace

int32_t ZWaveSource::entriesWritten() const
{
    return history ? history->entriesWritten.load(std::memory_order_acquire) : 0;
}

void ZWaveSource::drawEnvelope(ZSurface& surface, int32_t width, int32_t height, int32_t mid, double scale,
                               double zoom) const
{
    if (!history || width < 1 || height < 1) return;
    const int32_t length = history->length;
    if (length < 1 || !history->inputMin || !history->inputMax || !history->outputMin || !history->outputMax) return;
    const int32_t count = length < width ? length : width;
    int32_t position = history->writePosition.load(std::memory_order_acquire);
    if (position < 0 || position >= length) position = 0;
    // One skin column per entry; at a scale the rows are those of the device pixels, so the
    // envelope's height has the device's resolution.
    const DeviceRows rows(surface, height, mid, scale);
    const bool scaled = surface.scale() != 1.0;
    const auto column = [&](const ZColour& colour, int32_t x, int32_t y1, int32_t y2) {
        if (!scaled) {
            surface.drawVLine(colour, x, y2, y1);
            return;
        }
        surface.fillDeviceRect(colour, surface.deviceX(x), y1 < y2 ? y1 : y2, surface.deviceX(x + 1),
                               y1 < y2 ? y2 : y1);
    };
    for (int32_t k = 0; k < count; ++k) {
        int32_t i = position - k - 1;
        if (i < 0) i += length;
        const int32_t x = width - k - 1;
        if (colour1) column(*colour1, x, rows.row(zoom * history->inputMinAt(i)), rows.row(zoom * history->inputMaxAt(i)));
        if (colour2)
            column(*colour2, x, rows.row(zoom * history->outputMinAt(i)), rows.row(zoom * history->outputMaxAt(i)));
    }
}

// ---------------------------------------------------------------- ZWave

ZWave::ZWave(ZEffectLink* effect, const ZHistory* history, const std::atomic<double>* levelA,
             const std::atomic<double>* levelB, const ZColour* colour1, const ZColour* colour2, const ZColour* axis)
    : ZControl(effect)
{
    source.history = history;
    source.levelA = levelA;
    source.levelB = levelB;
    source.colour1 = colour1;
    source.colour2 = colour2;
    source.axis = axis;
}

void ZWave::reset()
{
    mid = height / 2;
    scale = height * 0.5;
    dirty = true;
}

void ZWave::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void ZWave::draw(ZSurface& surface)
{
    const double a = source.levelValue(source.levelA);
    const double b = source.levelValue(source.levelB);
    const int32_t n = source.entriesWritten();
    if (!dirty && n == lastCount && !(std::fabs(a - lastLevelA) > 0.001) && !(std::fabs(b - lastLevelB) > 0.001))
        return;
    restoreSnapshot(surface);
    source.drawEnvelope(surface, width, height, mid, scale, 1.0);
    if (source.axis) {
        const DeviceRows rows(surface, height, mid, scale);
        levelLine(surface, *source.axis, rows, rows.mid, width);
        for (const double level : {a, b}) {
            if (!(level >= 0.0 && level <= 1.0)) continue;
            const int32_t r = waveRound(rows.scale * level);
            levelLine(surface, *source.axis, rows, rows.mid - r, width);
            levelLine(surface, *source.axis, rows, rows.mid + r, width);
        }
    }
    lastCount = n;
    lastLevelA = a;
    lastLevelB = b;
    dirty = false;
}

// ---------------------------------------------------------------- ZZoomWave

ZZoomWave::ZZoomWave(ZEffectLink* effect, const ZHistory* history, const std::atomic<double>* levelA,
                     const std::atomic<double>* levelB, const ZColour* colour1, const ZColour* colour2,
                     const ZColour* axis, ZFont* font, const ZColour* handleColour, const ZColour* heldHandleColour)
    : ZControl(effect), font(font), handleColour(handleColour), heldHandleColour(heldHandleColour)
{
    source.history = history;
    source.levelA = levelA;
    source.levelB = levelB;
    source.colour1 = colour1;
    source.colour2 = colour2;
    source.axis = axis;
}

void ZZoomWave::reset()
{
    const int32_t waveHeight = height - kSliderHeight;
    waveArea = Rect{0, 0, width, waveHeight};
    sliderStrip = Rect{0, waveHeight, width, height};
    handleRest = Rect{1, height - 15, kHandleWidth, height - 1};
    handleWidth = kHandleWidth;
    trackLength = width - (kHandleWidth + 1);
    mid = waveHeight / 2;
    scale = waveHeight * 0.5;
    sliderState = kIdle;
    setZoom(1.0f);
    dirty = true;
}

void ZZoomWave::setZoom(float z)
{
    zoom = z;
    int32_t offset = 0;
    if (trackLength > 0) offset = waveRound(fastLog2(10.0 * static_cast<double>(z)) * trackLength / kZoomTravelLog);
    handle = Rect{handleRest.left + offset, handleRest.top, handleRest.right + offset, handleRest.bottom};
    std::snprintf(zoomText, sizeof zoomText, "%.2fx", static_cast<double>(z));
    dirty = true;
}

float ZZoomWave::zoomFromColumn(int32_t x) const
{
    // Without travel (a display narrower than the handle) every column means 1.0x.
    if (trackLength < 1) return 1.0f;
    const float f = static_cast<float>(x - handleWidth / 2 - sliderStrip.left) / static_cast<float>(trackLength);
    float z = std::pow(100.0f, f) * 0.1f;
    if (!(z > 0.1f)) z = 0.1f;
    if (z >= 10.0f) z = 10.0f;
    return z;
}

void ZZoomWave::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

bool ZZoomWave::leftDown(bool /*shift*/, bool ctrl, int32_t x, int32_t y)
{
    if (x < sliderStrip.left || x >= sliderStrip.right || y < sliderStrip.top || y >= sliderStrip.bottom) return false;
    if (ctrl) {
        setZoom(1.0f);
        sliderState = kResetByCtrlClick;
    } else {
        setZoom(zoomFromColumn(x));
        sliderState = kDragging;
    }
    invalidate();
    dirty = true;
    return true;
}

void ZZoomWave::mouseMove(bool /*shift*/, bool /*ctrl*/, int32_t x, int32_t /*y*/)
{
    if (sliderState != kDragging) return;
    setZoom(zoomFromColumn(x));
    invalidate();
    dirty = true;
}

bool ZZoomWave::leftUp(bool, bool, int32_t, int32_t)
{
    if (sliderState == kIdle) return false;
    sliderState = kIdle;
    invalidate();
    dirty = true;
    return true;
}

void ZZoomWave::draw(ZSurface& surface)
{
    const double a = source.levelValue(source.levelA);
    const double b = source.levelValue(source.levelB);
    const int32_t n = source.entriesWritten();
    if (!dirty && n == lastCount && !(std::fabs(a - lastLevelA) > 0.001) && !(std::fabs(b - lastLevelB) > 0.001))
        return;
    restoreSnapshot(surface);

    const ZColour* knob = sliderState != kIdle ? heldHandleColour : handleColour;
    const int32_t hw = handle.right - handle.left;
    const int32_t hh = handle.bottom - handle.top;
    if (knob) surface.fillRect(*knob, handle.left, handle.top, hw, hh);
    if (font) font->drawText(&surface, zoomText, handle.left, handle.top, hw, hh, kAlignCentre);

    const int32_t waveWidth = waveArea.right - waveArea.left;
    const int32_t waveHeight = waveArea.bottom - waveArea.top;
    if (waveHeight > 0) {
        const double z = static_cast<double>(zoom);
        source.drawEnvelope(surface, waveWidth, waveHeight, mid, scale, z);
        if (source.axis) {
            const DeviceRows rows(surface, waveHeight, mid, scale);
            levelLine(surface, *source.axis, rows, rows.mid, waveWidth);
            for (const double level : {a, b}) {
                if (!(level == level)) continue;
                const int32_t r = waveRound(z * level * rows.scale);
                if (!(r >= 0 && r < rows.scale)) continue;
                levelLine(surface, *source.axis, rows, rows.mid - r, waveWidth);
                levelLine(surface, *source.axis, rows, rows.mid + r, waveWidth);
            }
        }
    }
    lastCount = n;
    lastLevelA = a;
    lastLevelB = b;
    dirty = false;
}
