#include "effect_editor/graph.h"

#include <cmath>
#include <new>

#include "effect/sarvo_effect.h"

SarvoGraph::SarvoGraph(SarvoEffect* effect, int32_t left, int32_t top, int32_t w, int32_t h, const ZColour* colour)
    : ZControl(effect), clipper(effect), colour(colour), plotLeft(left),
      plotBottom(static_cast<int32_t>(static_cast<int64_t>(top) + h)), plotHeight(static_cast<double>(h)),
      plotWidth(static_cast<double>(w)), levelStep(5.0 / static_cast<double>(h)), pointCount(w > 0 ? w / 5 : 0)
{
    if (pointCount > kMaxPoints) {
        pointCount = kMaxPoints + 1;  // not valid: no array
        return;
    }
    if (pointCount > 0) {
        // Room for 32 points, grown by 32 until it holds them all.
        pointCapacity = ((pointCount + 31) / 32) * 32;
        points = new (std::nothrow) ZPointD[pointCapacity]();
        if (!points) pointCapacity = 0;
    }
}

SarvoGraph::~SarvoGraph()
{
    delete[] points;
    points = nullptr;
}

void SarvoGraph::reset() { dirty = true; }

void SarvoGraph::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

void SarvoGraph::computePoints(const ClipCurveValues& curve)
{
    if (!points) return;
    const double g = curve.gainFactor;
    double level = 0.0;
    for (int32_t i = 0; i < pointCount; ++i) {
        points[i].x = plotLeft + level * plotHeight;
        points[i].y = plotBottom - clipSample(curve, g * level) * plotHeight;
        level += levelStep;
    }
}

void SarvoGraph::draw(ZSurface& surface)
{
    if (!clipper) return;
    // One reading of the curve per paint: the line is drawn from the same numbers it is compared by.
    const ClipCurveValues curve = clipper->curveValues();
    const double g = curve.gainFactor;
    const double c = curve.clipLevel;
    const double s = curve.softness;
    if (!dirty && !(std::fabs(g - lastGain) > 0.001) && !(std::fabs(c - lastClipLevel) > 0.001) &&
        !(std::fabs(s - lastSoftness) > 0.001))
        return;
    restoreSnapshot(surface);
    // A plot without height has no scale: the background alone is shown.
    if (points && plotHeight > 0.0 && colour) {
        computePoints(curve);
        surface.drawPolyline(*colour, points, pointCount);
    }
    lastGain = g;
    lastClipLevel = c;
    lastSoftness = s;
    dirty = false;
}
