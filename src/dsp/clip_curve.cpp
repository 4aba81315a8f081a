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

namespace {

void toNumbers(const ClipCurveValues& v, double (&n)[8])
{
    n[0] = v.gainFactor;
    n[1] = v.clipLevel;
    n[2] = v.softness;
    n[3] = v.kneeStart;
    n[4] = v.kneeEnd;
    n[5] = v.quadA;
    n[6] = v.quadB;
    n[7] = v.quadC;
}

ClipCurveValues fromNumbers(const double (&n)[8]) { return {n[0], n[1], n[2], n[3], n[4], n[5], n[6], n[7]}; }

constexpr auto kSeqCst = std::memory_order_seq_cst;

}  // namespace

ClipCurve::ClipCurve()
{
    // Slot 0 holds the curve of the defaults until the first publication.
    double n[8];
    toNumbers({1.0, 1.0, 0.0, 1.0, 1.0, 0.0, 1.0, 0.0}, n);
    for (int i = 0; i < 8; ++i) slots_[0].numbers[i].store(n[i], kRelaxed);
}

int ClipCurve::claimSlot()
{
    for (;;) {
        for (int i = 0; i < kSlots; ++i) {
            uint32_t free = 0;
            if (!slots_[i].busy.compare_exchange_strong(free, 1, std::memory_order_acquire)) continue;
            // The current slot may still be read; only its claimant publishes a slot, so one
            // that is not current now cannot become current while this writer holds it.
            if (static_cast<int>(current_.load(kSeqCst) & (kSlots - 1)) != i) return i;
            slots_[i].busy.store(0, std::memory_order_release);
        }
    }
}

void ClipCurve::writeSlot(Slot& slot, const ClipCurveValues& values, bool over)
{
    double n[8];
    toNumbers(values, n);
    const uint32_t q = slot.sequence.load(kRelaxed);
    slot.sequence.store(q + 1, kRelaxed);
    std::atomic_thread_fence(std::memory_order_release);
    for (int i = 0; i < 8; ++i) slot.numbers[i].store(n[i], kRelaxed);
    slot.oversampling.store(over, kRelaxed);
    slot.sequence.store(q + 2, std::memory_order_release);
}

bool ClipCurve::publish(uint64_t version, const ClipCurveValues& values, bool over)
{
    uint64_t cur = current_.load(kSeqCst);
    if ((cur >> kSlotBits) >= version) return false;
    const int s = claimSlot();
    writeSlot(slots_[s], values, over);
    const uint64_t mine = version << kSlotBits | static_cast<uint64_t>(s);
    cur = current_.load(kSeqCst);
    bool published = false;
    while ((cur >> kSlotBits) < version) {
        if (current_.compare_exchange_weak(cur, mine, kSeqCst)) {
            published = true;
            break;
        }
    }
    slots_[s].busy.store(0, std::memory_order_release);
    if (published) updateMirrors();
    return published;
}

void ClipCurve::publishNext(const ClipCurveValues& values, bool over) { publish(version() + 1, values, over); }

void ClipCurve::store(const ClipCurveValues& values) { publishNext(values, loadState().oversampling); }

bool ClipCurve::tryLoad(ClipCurveState& out, uint64_t& stamp) const
{
    const uint64_t cur = current_.load(std::memory_order_acquire);
    const Slot& slot = slots_[cur & (kSlots - 1)];
    const uint32_t q = slot.sequence.load(std::memory_order_acquire);
    if (q & 1u) return false;
    double n[8];
    for (int i = 0; i < 8; ++i) n[i] = slot.numbers[i].load(kRelaxed);
    const bool over = slot.oversampling.load(kRelaxed);
    std::atomic_thread_fence(std::memory_order_acquire);
    if (slot.sequence.load(kRelaxed) != q || current_.load(kRelaxed) != cur) return false;
    out.values = fromNumbers(n);
    out.oversampling = over;
    stamp = cur;
    return true;
}

ClipCurveState ClipCurve::loadState(uint64_t* stamp) const
{
    ClipCurveState state;
    uint64_t s = 0;
    while (!tryLoad(state, s)) {}
    if (stamp) *stamp = s;
    return state;
}

// Seq-cst stores and loads: a publisher that sees `current` unchanged after its stores knows that
// any later publication rewrites the mirrors after it.
void ClipCurve::updateMirrors()
{
    for (;;) {
        uint64_t s = 0;
        const ClipCurveState state = loadState(&s);
        const ClipCurveValues& v = state.values;
        gainFactor.store(v.gainFactor, kSeqCst);
        clipLevel.store(v.clipLevel, kSeqCst);
        softness.store(v.softness, kSeqCst);
        kneeStart.store(v.kneeStart, kSeqCst);
        kneeEnd.store(v.kneeEnd, kSeqCst);
        quadA.store(v.quadA, kSeqCst);
        quadB.store(v.quadB, kSeqCst);
        quadC.store(v.quadC, kSeqCst);
        oversampling.store(state.oversampling, kSeqCst);
        if (current_.load(kSeqCst) == s) return;
    }
}
