// Half-band 2x interpolator and decimator built from allpass sections in z^-2.
//
// Two lanes (index 0 = left, 1 = right) share every coefficient; each state
// field holds the two lanes side by side so that a lane pair loads as one
// register. Stages and chains are stored inline: building or resetting a
// filter never allocates. The processing loops keep this state in registers
// in polyphase form while a block runs (dsp/clipper_avx_kernels.h).
#pragma once

#include <cstdint>

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
