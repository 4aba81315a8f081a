// The clipper's static transfer curve and the mapping from parameters to it.
//
// Shape: linear up to kneeStart, the quadratic u - (u - kneeStart)^2 / (4 d)
// from kneeStart to kneeEnd, flat at clipLevel above; symmetric about 0.
#pragma once

#include <atomic>
#include <cmath>
#include <cstdint>

#include "dsp/lane_pair.h"

// Plain copy of the curve numbers, as the audio loop and the tests use them.
struct ClipCurveValues {
    double gainFactor;
    double clipLevel;
    double softness;
    double kneeStart;
    double kneeEnd;
    double quadA;
    double quadB;
    double quadC;
};

// The curve applied to one value that already carries the input gain.
// Branch order and evaluation nesting are part of the result: with
// kneeStart == kneeEnd a magnitude equal to the clip level is flat, and a
// magnitude exactly at kneeStart is linear.
inline double clipSampleWith(double v, double clipLevel, double kneeStart, double kneeEnd, double quadA, double quadB,
                             double quadC)
{
    const double sign = v < 0.0 ? -1.0 : 1.0;
    const double u = std::fabs(v);
    double w;
    if (u >= kneeEnd) {
        w = clipLevel;
    } else if (u > kneeStart) {
        w = u * (quadA * u + quadB) + quadC;
    } else {
        w = u;
    }
    return sign * w;
}

inline double clipSample(const ClipCurveValues& c, double v)
{
    return clipSampleWith(v, c.clipLevel, c.kneeStart, c.kneeEnd, c.quadA, c.quadB, c.quadC);
}

// Computes every curve number from the display values (Gain in dB, Clip and
// Softness in percent), in the documented order and arithmetic.
ClipCurveValues clipCurveFromDisplay(double gainDb, double clipPercent, double softnessPercent);

// The same from the stored normalised values: each is first snapped to its
// parameter's grid and mapped onto its display range (Gain 0..12 dB in 120
// steps, Clip and Softness 0..100 % in 100 steps), exactly as the range
// parameters do; values outside 0..1 are not clamped.
ClipCurveValues clipCurveFromNormalised(double gainNorm, double clipNorm, double softnessNorm);

// Oversampling switch from the stored normalised value of "Oversmp".
bool oversamplingFromNormalised(double oversmpNorm);

// The curve fields as the effect holds them. They are written by the thread
// that changes a parameter and read by the audio thread and the editor's
// graph without a lock, so each is a lock-free atomic accessed with relaxed
// ordering (a plain load or store on x86). `changeCount` is raised after every
// rewrite so that the audio loop can skip re-reading unchanged numbers.
struct ClipCurve {
    std::atomic<double> gainFactor{1.0};
    std::atomic<double> clipLevel{1.0};
    std::atomic<double> softness{0.0};
    std::atomic<double> kneeStart{1.0};
    std::atomic<double> kneeEnd{1.0};
    std::atomic<double> quadA{0.0};
    std::atomic<double> quadB{1.0};
    std::atomic<double> quadC{0.0};
    std::atomic<uint32_t> changeCount{0};

    // Rewrites the fields one after another, then raises changeCount.
    void store(const ClipCurveValues& values);
    void applyDisplay(double gainDb, double clipPercent, double softnessPercent)
    {
        store(clipCurveFromDisplay(gainDb, clipPercent, softnessPercent));
    }
    void applyNormalised(double gainNorm, double clipNorm, double softnessNorm)
    {
        store(clipCurveFromNormalised(gainNorm, clipNorm, softnessNorm));
    }

    ClipCurveValues load() const;

    // For the graph and other readers outside the audio loop.
    double clipSample(double v) const;
};

namespace sarvo_dsp {

// The curve numbers prepared for two lanes at once.
struct PairCurve {
    LanePair gainFactor;
    LanePair clipLevel;
    LanePair kneeStart;
    LanePair kneeEnd;
    LanePair quadA;
    LanePair quadB;
    LanePair quadC;

    explicit PairCurve(const ClipCurveValues& c)
        : gainFactor(pairSplat(c.gainFactor)), clipLevel(pairSplat(c.clipLevel)), kneeStart(pairSplat(c.kneeStart)),
          kneeEnd(pairSplat(c.kneeEnd)), quadA(pairSplat(c.quadA)), quadB(pairSplat(c.quadB)), quadC(pairSplat(c.quadC))
    {}
};

// clipSampleWith on both lanes, without branches; same bits per lane.
SARVO_HOT_INLINE LanePair clipPair(const PairCurve& c, LanePair v)
{
#if defined(__SSE2__)
    const LaneMask negative = pairLess(v, pairSplat(0.0));
    const LanePair sign = pairSignFromMask(negative);
    const LanePair u = pairAbs(v);
    const LanePair knee = u * (c.quadA * u + c.quadB) + c.quadC;
    LanePair w = pairSelect(pairGreater(u, c.kneeStart), knee, u);
    w = pairSelect(pairGreaterEqual(u, c.kneeEnd), c.clipLevel, w);
    return sign * w;
#else
    const double cl = pairLeft(c.clipLevel), ks = pairLeft(c.kneeStart), ke = pairLeft(c.kneeEnd);
    const double a = pairLeft(c.quadA), b = pairLeft(c.quadB), q = pairLeft(c.quadC);
    return pairOf(clipSampleWith(pairLeft(v), cl, ks, ke, a, b, q), clipSampleWith(pairRight(v), cl, ks, ke, a, b, q));
#endif
}

}  // namespace sarvo_dsp
