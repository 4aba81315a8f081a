// Half-band 2x interpolator and decimator built from allpass sections in z^-2.
//
// Two lanes (index 0 = left, 1 = right) share every coefficient; each state
// field holds the two lanes side by side so that a lane pair loads as one SSE2
// register. Stages and chains are stored inline: building or resetting a
// filter never allocates.
#pragma once

#include <cstdint>

#include "dsp/lane_pair.h"

// Added to the older output on every step; keeps the recursion away from
// denormal numbers and is part of the filter's exact result.
constexpr double kAllpassDenormalGuard = 1e-25;

// Branch coefficients, in processing order.
constexpr double kHalfBandCoefsA[2] = {0.07986642623635751, 0.5453536510711322};
constexpr double kHalfBandCoefsB[2] = {0.28382934487410993, 0.8344118914807379};

struct AllpassStage {
    double a = 0.0;
    double x1[2] = {0.0, 0.0};  // previous input
    double x2[2] = {0.0, 0.0};  // input before that
    double y1[2] = {0.0, 0.0};  // previous output
    double y2[2] = {0.0, 0.0};  // output before that, plus the denormal guard
    double out[2] = {0.0, 0.0};  // last output

    void reset();
    // One step of lane 0 or 1: y = (x - y2) * a + x2.
    double step(int lane, double x);
};

struct AllpassChain {
    static constexpr int32_t kMaxStages = 2;

    int32_t stageCount = 0;
    AllpassStage stages[kMaxStages];
    double value[2] = {0.0, 0.0};  // last output of the chain per lane

    // One stage per coefficient, in order (at most kMaxStages), state zero.
    void build(const double* coefs, int32_t count);
    void reset();
    double step(int lane, double x);
};

struct HalfBandFilter {
    AllpassChain branchA;
    AllpassChain branchB;
    double out[2] = {0.0, 0.0};
    double delayedB[2] = {0.0, 0.0};

    HalfBandFilter() { rebuild(); }

    // Both branches built again from the coefficient table, all state zero.
    void rebuild();
    // All state of both branches and of the filter to zero; coefficients stay.
    void reset();
    // output = (A(x) + delayed B) * 0.5; then delayed B = B(x).
    double step(int lane, double x);
};

struct Upsampler2x {
    HalfBandFilter filter;
    double first[2] = {0.0, 0.0};  // first high-rate output per lane
    double second[2] = {0.0, 0.0};  // second high-rate output per lane

    void rebuild();
    void reset();
    // first = step(0), second = step(2 g).
    void upsample(int lane, double g);
};

struct Downsampler2x {
    HalfBandFilter filter;
    double result[2] = {0.0, 0.0};

    void rebuild();
    void reset();
    // step(p) is computed and discarded; result = step(q).
    void downsample(int lane, double p, double q);
};

namespace sarvo_dsp {

// A filter's state seen as two interleaved half-rate recursions (the even
// and the odd steps of each frame), held in locals while a block runs. Every
// value is updated once per frame, so nothing is copied around; the
// arithmetic is exactly that of two successive step() calls.
//
// It relies on what the filter's own step guarantees: both branches see the
// same input, and a stage's previous input is the previous stage's previous
// output; and it takes the filter between frames (after whole upsample or
// downsample calls), the next step being an even one. So per branch only five values are kept:
//   qe0  stage 0: last even output + guard   yo0  stage 0: last odd output
//   pe1  stage 1: last even input            qe1  stage 1: last even output + guard
//   yo1  stage 1: last odd output (also the branch's, and for B the delayed value)
struct PolyBranch {
    LanePair qe0, yo0, pe1, qe1, yo1;
};

struct PolyFilter {
    PolyBranch a, b;
    LanePair pe0;  // last even input of the filter
    LanePair po0;  // last odd input of the filter
};

inline PolyBranch loadPolyBranch(const AllpassChain& c)
{
    return {pairLoad(c.stages[0].y2), pairLoad(c.stages[0].y1), pairLoad(c.stages[1].x2), pairLoad(c.stages[1].y2),
            pairLoad(c.stages[1].y1)};
}

inline void storePolyBranch(const PolyBranch& p, LanePair pe0, LanePair po0, AllpassChain& c)
{
    AllpassStage& s0 = c.stages[0];
    AllpassStage& s1 = c.stages[1];
    pairStore(s0.x1, po0);
    pairStore(s0.x2, pe0);
    pairStore(s0.y1, p.yo0);
    pairStore(s0.y2, p.qe0);
    pairStore(s0.out, p.yo0);
    pairStore(s1.x1, p.yo0);
    pairStore(s1.x2, p.pe1);
    pairStore(s1.y1, p.yo1);
    pairStore(s1.y2, p.qe1);
    pairStore(s1.out, p.yo1);
    pairStore(c.value, p.yo1);
}

inline PolyFilter loadPoly(const HalfBandFilter& f)
{
    return {loadPolyBranch(f.branchA), loadPolyBranch(f.branchB), pairLoad(f.branchA.stages[0].x2),
            pairLoad(f.branchA.stages[0].x1)};
}

// `lastOutput` is the filter's output of the last step.
inline void storePoly(const PolyFilter& p, LanePair lastOutput, HalfBandFilter& f)
{
    storePolyBranch(p.a, p.pe0, p.po0, f.branchA);
    storePolyBranch(p.b, p.pe0, p.po0, f.branchB);
    pairStore(f.out, lastOutput);
    pairStore(f.delayedB, p.b.yo1);
}

// One frame of one branch: an even step with input e, then an odd step with
// input o. Gives the branch's two outputs.
SARVO_HOT_INLINE void polyBranchFrame(PolyBranch& s, LanePair c0, LanePair c1, LanePair e, LanePair pe0, LanePair o,
                                      LanePair po0, LanePair& evenOut, LanePair& oddOut)
{
    const LanePair guard = pairSplat(kAllpassDenormalGuard);
    const LanePair ye0 = (e - s.qe0) * c0 + pe0;
    const LanePair ye1 = (ye0 - s.qe1) * c1 + s.pe1;
    const LanePair yo0 = (o - (s.yo0 + guard)) * c0 + po0;
    const LanePair yo1 = (yo0 - (s.yo1 + guard)) * c1 + s.yo0;
    s.qe0 = ye0 + guard;
    s.pe1 = ye0;
    s.qe1 = ye1 + guard;
    s.yo0 = yo0;
    s.yo1 = yo1;
    evenOut = ye1;
    oddOut = yo1;
}

// Two filter steps with inputs e then o; gives both outputs. The filter is
// always built from the coefficient table, so the table's constants are used.
SARVO_HOT_INLINE void polyFrame(PolyFilter& f, LanePair e, LanePair o, LanePair& first, LanePair& second)
{
    const LanePair delayed = f.b.yo1;
    LanePair ea, oa, eb, ob;
    polyBranchFrame(f.a, pairSplat(kHalfBandCoefsA[0]), pairSplat(kHalfBandCoefsA[1]), e, f.pe0, o, f.po0, ea, oa);
    polyBranchFrame(f.b, pairSplat(kHalfBandCoefsB[0]), pairSplat(kHalfBandCoefsB[1]), e, f.pe0, o, f.po0, eb, ob);
    f.pe0 = e;
    f.po0 = o;
    const LanePair half = pairSplat(0.5);
    first = (ea + delayed) * half;
    second = (oa + eb) * half;
}

// polyFrame for the interpolator, whose even input is always 0 (so is the
// remembered even input, pe0, which stays untouched).
SARVO_HOT_INLINE void polyFrameZeroEven(PolyFilter& f, LanePair o, LanePair& first, LanePair& second)
{
    const LanePair zero = pairSplat(0.0);
    const LanePair delayed = f.b.yo1;
    LanePair ea, oa, eb, ob;
    polyBranchFrame(f.a, pairSplat(kHalfBandCoefsA[0]), pairSplat(kHalfBandCoefsA[1]), zero, zero, o, f.po0, ea, oa);
    polyBranchFrame(f.b, pairSplat(kHalfBandCoefsB[0]), pairSplat(kHalfBandCoefsB[1]), zero, zero, o, f.po0, eb, ob);
    f.po0 = o;
    const LanePair half = pairSplat(0.5);
    first = (ea + delayed) * half;
    second = (oa + eb) * half;
}

}  // namespace sarvo_dsp
