#include "dsp/clip_curve.h"

#include <cmath>

#include "dsp/clipper_parameters.h"

namespace {

// Display value of a range parameter: snap to the nearest of steps + 1 grid
// points (an exact half goes up), then map linearly; no clamping.
double rangeToDisplay(double x, const ClipperParameterInfo& range)
{
    if (range.steps > 0) {
        x = std::floor(x * range.steps + 0.5) / range.steps;
    }
    return range.minimum + x * (range.maximum - range.minimum);
}

constexpr auto kRelaxed = std::memory_order_relaxed;

}  // namespace

ClipCurveValues clipCurveFromDisplay(double gainDb, double clipPercent, double softnessPercent)
{
    ClipCurveValues c;
    c.gainFactor = std::pow(10.0, gainDb * 0.05);
    c.clipLevel = clipPercent * 0.01;
    c.softness = softnessPercent * 0.01;
    c.kneeStart = c.clipLevel * (1.0 - c.softness);
    const double d = c.clipLevel - c.kneeStart;
    c.kneeEnd = c.kneeStart + 2.0 * d;
    const double f = d > 0.0 ? 1.0 / (4.0 * d) : 0.0;
    c.quadA = -f;
    c.quadB = 1.0 + 2.0 * f * c.kneeStart;
    c.quadC = -(c.kneeStart * c.kneeStart * f);
    return c;
}

ClipCurveValues clipCurveFromNormalised(double gainNorm, double clipNorm, double softnessNorm)
{
    return clipCurveFromDisplay(rangeToDisplay(gainNorm, clipper::kGain), rangeToDisplay(clipNorm, clipper::kClip),
                                rangeToDisplay(softnessNorm, clipper::kSoftness));
}

bool oversamplingFromNormalised(double oversmpNorm)
{
    const double display = oversmpNorm >= 0.5 ? 1.0 : 0.0;
    return display >= 0.5;
}

void ClipCurve::store(const ClipCurveValues& v)
{
    gainFactor.store(v.gainFactor, kRelaxed);
    clipLevel.store(v.clipLevel, kRelaxed);
    softness.store(v.softness, kRelaxed);
    kneeStart.store(v.kneeStart, kRelaxed);
    kneeEnd.store(v.kneeEnd, kRelaxed);
    quadA.store(v.quadA, kRelaxed);
    quadB.store(v.quadB, kRelaxed);
    quadC.store(v.quadC, kRelaxed);
    changeCount.fetch_add(1, std::memory_order_release);
}

ClipCurveValues ClipCurve::load() const
{
    ClipCurveValues v;
    v.gainFactor = gainFactor.load(kRelaxed);
    v.clipLevel = clipLevel.load(kRelaxed);
    v.softness = softness.load(kRelaxed);
    v.kneeStart = kneeStart.load(kRelaxed);
    v.kneeEnd = kneeEnd.load(kRelaxed);
    v.quadA = quadA.load(kRelaxed);
    v.quadB = quadB.load(kRelaxed);
    v.quadC = quadC.load(kRelaxed);
    return v;
}

double ClipCurve::clipSample(double v) const
{
    return clipSampleWith(v, clipLevel.load(kRelaxed), kneeStart.load(kRelaxed), kneeEnd.load(kRelaxed),
                          quadA.load(kRelaxed), quadB.load(kRelaxed), quadC.load(kRelaxed));
}
