// Wave displays: the recent history of a signal as a scrolling min/max envelope, one pixel column
// per history entry with the newest at the right, over a zero axis and a pair of lines at plus
// and minus a level (the clip level). ZZoomWave adds a slider along its bottom edge that scales
// the envelope between 0.1x and 10x.
//
// The history is read while the audio thread writes it: the display redraws whenever the count of
// entries written changes, so an entry met half-written is corrected at the next paint.
#pragma once

#include <atomic>
#include <cstdint>

#include "controls/control.h"
#include "gui/bitmap.h"

struct ZHistory;
class ZFont;

// Rounding of the displays: half away from zero, then truncation toward zero.
int32_t waveRound(double v);
// Row of a value in a display area: mid - round(scale * value), held inside 0..height. A value
// that is not a number lies on the axis.
int32_t waveRow(double value, int32_t mid, double scale, int32_t height);
// The system's fast base-2 logarithm: for x = m * 2^e with m in [1, 2),
// e + m^3/7 - m^2 + 3m - 15/7 (exact at powers of two); minus infinity for zero and subnormal
// values.
double fastLog2(double x);

// What the two displays share: the data they read and the envelope drawing.
struct ZWaveSource {
    const ZHistory* history = nullptr;  // not owned
    const std::atomic<double>* levelA = nullptr;  // not owned; null when absent
    const std::atomic<double>* levelB = nullptr;
    const ZColour* colour1 = nullptr;  // input envelope
    const ZColour* colour2 = nullptr;  // output envelope
    const ZColour* axis = nullptr;  // axis and level lines

    double levelValue(const std::atomic<double>* level) const
    {
        return level ? level->load(std::memory_order_relaxed) : 0.0;
    }
    int32_t entriesWritten() const;
    // The envelope of the newest min(length, width) entries, newest in column width - 1, values
    // multiplied by zoom, rows held inside 0..height.
    void drawEnvelope(ZSurface& surface, int32_t width, int32_t height, int32_t mid, double scale, double zoom) const;
};

class ZWave : public ZControl {
public:
    // history must not be null; the levels may be (absent levels count as 0).
    ZWave(ZEffectLink* effect, const ZHistory* history, const std::atomic<double>* levelA,
          const std::atomic<double>* levelB, const ZColour* colour1, const ZColour* colour2, const ZColour* axis);

    // mid = height / 2, scale = height * 0.5, dirty.
    void reset() override;
    void prepare(ZSurface& surface) override;
    // Redraws when dirty, when an entry was written, or when a level moved by more than 0.001.
    void draw(ZSurface& surface) override;

    ZWaveSource source;
    int32_t mid = 0;
    double scale = 0.0;
    int32_t lastCount = 0;
    double lastLevelA = 0.0;
    double lastLevelB = 0.0;
    bool dirty = true;
};

class ZZoomWave : public ZControl {
public:
    static constexpr int32_t kSliderHeight = 16;
    static constexpr int32_t kHandleWidth = 40;

    enum SliderState : int32_t { kIdle = 0, kDragging = 1, kResetByCtrlClick = 2 };

    ZZoomWave(ZEffectLink* effect, const ZHistory* history, const std::atomic<double>* levelA,
              const std::atomic<double>* levelB, const ZColour* colour1, const ZColour* colour2, const ZColour* axis,
              ZFont* font, const ZColour* handleColour, const ZColour* heldHandleColour);

    // Lays out the wave area, the slider strip and the handle, zoom 1.0, dirty.
    void reset() override;
    void prepare(ZSurface& surface) override;
    void draw(ZSurface& surface) override;
    // A press on the slider strip sets the zoom from the column (ctrl: back to 1.0) and captures
    // the mouse; anywhere else it does nothing.
    bool leftDown(bool shift, bool ctrl, int32_t x, int32_t y) override;
    bool leftUp(bool shift, bool ctrl, int32_t x, int32_t y) override;
    void mouseMove(bool shift, bool ctrl, int32_t x, int32_t y) override;

    // Stores the zoom, moves the handle to it and sets the zoom text.
    void setZoom(float z);
    // The zoom a mouse column selects: 100^f * 0.1 with f = (x - 20 - strip left) / track length,
    // held inside 0.1..10.
    float zoomFromColumn(int32_t x) const;

    struct Rect {
        int32_t left, top, right, bottom;  // right and bottom excluded
    };

    ZWaveSource source;
    ZFont* font;  // not owned
    const ZColour* handleColour;
    const ZColour* heldHandleColour;
    float zoom = 1.0f;
    char zoomText[8] = {};
    Rect waveArea{};
    Rect sliderStrip{};
    Rect handleRest{};
    Rect handle{};
    int32_t handleWidth = kHandleWidth;
    int32_t trackLength = 0;
    int32_t sliderState = kIdle;
    int32_t mid = 0;
    double scale = 0.0;
    int32_t lastCount = 0;
    double lastLevelA = 0.0;
    double lastLevelB = 0.0;
    bool dirty = true;
};
