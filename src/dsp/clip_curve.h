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
// Softness in percent): gain factor, clip level and softness first, then the
// knee bounds and the knee's quadratic from them. The order and the exact
// operations are kept fixed because the processing loops are held bit for bit
// against results computed this way.
ClipCurveValues clipCurveFromDisplay(double gainDb, double clipPercent, double softnessPercent);

// The same from the stored normalised values: each is first snapped to its
// parameter's grid and mapped onto its display range (Gain 0..12 dB in 120
// steps, Clip and Softness 0..100 % in 100 steps), exactly as the range
// parameters do; values outside 0..1 are not clamped.
ClipCurveValues clipCurveFromNormalised(double gainNorm, double clipNorm, double softnessNorm);

// Oversampling switch from the stored normalised value of "Oversmp".
bool oversamplingFromNormalised(double oversmpNorm);

// One published state of the signal path: the curve and the oversampling
// switch, both computed from one set of parameter values.
struct ClipCurveState {
    ClipCurveValues values;
    bool oversampling;
};

// The curve as the effect holds it. Any thread may publish a new curve
// (the host's automation on the audio thread, the user's knob on the
// interface thread) while the audio thread reads it, and nobody waits:
//
// - A writer computes the whole curve from one reading of the parameters and
//   publishes it with the version of the values it read. It fills a slot that
//   is not the current one and then swings `current` (version and slot) to it,
//   unless a curve of the same or a newer version is already current: an older
//   computation never replaces a newer one.
// - A reader loads `current`, copies that slot and checks that neither the
//   slot's sequence number nor `current` moved meanwhile. `tryLoad` never
//   waits: when a publication overlaps the copy it answers false and the
//   audio loop keeps the complete curve it has. `load` repeats until it has a
//   whole curve (only another publication makes it repeat).
//
// The fields below mirror the current curve one by one for readers that want
// a single number (the "ClipLevel" data item, the tests). Every successful
// publisher rewrites them until `current` stays put, so once publishing stops
// they hold the current curve.
class ClipCurve {
public:
    ClipCurve();
    ClipCurve(const ClipCurve&) = delete;
    ClipCurve& operator=(const ClipCurve&) = delete;

    std::atomic<double> gainFactor{1.0};
    std::atomic<double> clipLevel{1.0};
    std::atomic<double> softness{0.0};
    std::atomic<double> kneeStart{1.0};
    std::atomic<double> kneeEnd{1.0};
    std::atomic<double> quadA{0.0};
    std::atomic<double> quadB{1.0};
    std::atomic<double> quadC{0.0};
    std::atomic<bool> oversampling{false};

    // Publishes a state computed from the parameter values of `version`;
    // answers false (and changes nothing) when a state of this or a newer
    // version is current. Versions start above 0.
    bool publish(uint64_t version, const ClipCurveValues& values, bool oversampling);
    // Publishes as the newest version; for a single writer.
    void publishNext(const ClipCurveValues& values, bool oversampling);
    // The curve as the newest version, keeping the current switch.
    void store(const ClipCurveValues& values);
    void applyDisplay(double gainDb, double clipPercent, double softnessPercent)
    {
        store(clipCurveFromDisplay(gainDb, clipPercent, softnessPercent));
    }
    void applyNormalised(double gainNorm, double clipNorm, double softnessNorm)
    {
        store(clipCurveFromNormalised(gainNorm, clipNorm, softnessNorm));
    }

    // Changes with every publication.
    uint64_t stamp() const { return current_.load(std::memory_order_acquire); }
    uint64_t version() const { return stamp() >> kSlotBits; }
    // Wait-free: fills `out` and `stamp` with one complete published state, or
    // answers false when a publication overlapped the copy.
    bool tryLoad(ClipCurveState& out, uint64_t& stamp) const;
    ClipCurveState loadState(uint64_t* stamp = nullptr) const;
    ClipCurveValues load() const { return loadState().values; }

    // For the graph and other readers outside the audio loop.
    double clipSample(double v) const { return ::clipSample(load(), v); }

private:
    static constexpr int kSlotBits = 3;
    static constexpr int kSlots = 1 << kSlotBits;  // more than the writers that ever overlap

    struct Slot {
        std::atomic<uint32_t> busy{0};  // claimed by a writer
        std::atomic<uint32_t> sequence{0};  // odd while the numbers are rewritten
        std::atomic<double> numbers[8];
        std::atomic<bool> oversampling{false};
    };

    int claimSlot();
    void writeSlot(Slot& slot, const ClipCurveValues& values, bool oversampling);
    void updateMirrors();

    Slot slots_[kSlots];
    std::atomic<uint64_t> current_{0};  // version << kSlotBits | slot
};

static_assert(std::atomic<uint64_t>::is_always_lock_free, "the curve's version must be lock-free");

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
