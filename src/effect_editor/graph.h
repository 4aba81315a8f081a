// The clipper's transfer-curve graph: output level against input level, drawn as a 2-pixel
// anti-aliased line through one point every 5 pixels of the plot, from the effect's current
// curve fields. One level unit is `plot height` pixels on both axes; the input axis is the level
// before the gain, so the curve bends earlier as Gain rises. The axes themselves belong to the
// skin's background picture.
#pragma once

#include <cstdint>

#include "controls/control.h"
#include "gui/surface.h"

class SarvoEffect;
struct ClipCurveValues;

class SarvoGraph : public ZControl {
public:
    // Most points a graph keeps (a plot 327,680 pixels wide); wider plots make no graph.
    static constexpr int32_t kMaxPoints = 65536;

    // effect: the clipper (its curve is read on every paint). The point array is made here, once.
    SarvoGraph(SarvoEffect* effect, int32_t plotLeft, int32_t plotTop, int32_t plotWidth, int32_t plotHeight,
               const ZColour* colour);
    ~SarvoGraph() override;

    // False when the point array could not be made (the factory then makes no graph).
    bool valid() const { return pointCount == 0 || points != nullptr; }

    void reset() override;
    void prepare(ZSurface& surface) override;
    // Redraws when dirty or when gain, clip level or softness moved by more than 0.001.
    void draw(ZSurface& surface) override;

    // Fills the points from a reading of the curve (what draw plots).
    void computePoints(const ClipCurveValues& curve);

    SarvoEffect* clipper;  // not owned
    const ZColour* colour;  // not owned
    int32_t plotLeft;
    int32_t plotBottom;
    double plotHeight;
    double plotWidth;
    double levelStep;
    int32_t pointCount;
    ZPointD* points = nullptr;  // owned, pointCount entries (capacity a multiple of 32)
    int32_t pointCapacity = 0;
    bool dirty = true;
    double lastGain = 0.0;
    double lastClipLevel = 0.0;
    double lastSoftness = 0.0;
};
