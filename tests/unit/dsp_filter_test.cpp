// Half-band filter: response, exact step arithmetic, lanes, reset.
#include <cmath>
#include <complex>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/halfband.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

bool sameFilter(const HalfBandFilter& a, const HalfBandFilter& b)
{
    return a.branchA.stageCount == b.branchA.stageCount &&
        sameBytes(a.branchA.stages, b.branchA.stages, sizeof a.branchA.stages) &&
        sameBytes(a.branchB.stages, b.branchB.stages, sizeof a.branchB.stages) &&
        sameBytes(a.branchA.value, b.branchA.value, sizeof a.branchA.value) &&
        sameBytes(a.branchB.value, b.branchB.value, sizeof a.branchB.value) && sameBytes(a.out, b.out, sizeof a.out) &&
        sameBytes(a.delayedB, b.delayedB, sizeof a.delayedB);
}

// Gain in dB of the filter at a frequency given as a fraction of its rate,
// measured by running a long sine through lane 0 and fitting its amplitude.
double measuredGainDb(double freq)
{
    HalfBandFilter f;
    const double w = 2.0 * kPi * freq;
    const int settle = 4000, n = 8000;
    std::complex<double> acc(0.0, 0.0);
    for (int i = 0; i < settle + n; ++i) {
        const double y = f.step(0, std::sin(w * i));
        if (i >= settle) acc += y * std::polar(1.0, -w * i);
    }
    // Correlating over a whole number of periods would be exact; over n
    // samples the leakage is tiny for the frequencies used here.
    return 20.0 * std::log10(2.0 * std::abs(acc) / n);
}

// Exact response from the structure 0.5 * (A(z^2) + z^-1 B(z^2)).
double analyticGainDb(double freq)
{
    const std::complex<double> z1 = std::polar(1.0, -2.0 * kPi * freq);
    const std::complex<double> z2 = z1 * z1;
    auto branch = [&](const double* c) {
        std::complex<double> h = 1.0;
        for (int i = 0; i < 2; ++i) h *= (c[i] + z2) / (1.0 + c[i] * z2);
        return h;
    };
    const std::complex<double> h = 0.5 * (branch(kHalfBandCoefsA) + z1 * branch(kHalfBandCoefsB));
    return 20.0 * std::log10(std::abs(h));
}

}  // namespace

TEST(DspHalfBand, ResponseMatchesTheDesign)
{
    // The running filter follows its transfer function.
    for (double f : {0.01, 0.1, 0.2, 0.25, 0.3, 0.4}) {
        EXPECT_NEAR(measuredGainDb(f), analyticGainDb(f), 0.02) << f;
    }
    EXPECT_NEAR(analyticGainDb(0.0), 0.0, 1e-12);
    EXPECT_NEAR(analyticGainDb(0.25), -3.0103, 0.001);
    EXPECT_LT(analyticGainDb(0.5), -200.0);
    for (double f = 0.0; f <= 0.22; f += 0.001) {
        ASSERT_LT(std::fabs(analyticGainDb(f)), 0.0035) << f;
    }
    for (double f = 0.3; f < 0.5; f += 0.001) {
        ASSERT_LT(analyticGainDb(f), -68.0) << f;
    }
}

// One stage is the allpass recursion y = (x - y2) * a + x2, with the denormal
// guard added to the older output, bit for bit.
TEST(DspHalfBand, StageStepIsTheAllpassRecursionWithItsDenormalGuard)
{
    AllpassStage s;
    s.a = 0.5453536510711322;
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> dist(-1.0, 1.0);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int i = 0; i < 1000; ++i) {
        const double x = dist(rng);
        const double y = (x - y2) * s.a + x2;
        x2 = x1;
        x1 = x;
        y2 = y1 + 1e-25;
        y1 = y;
        ASSERT_TRUE(sameBits(s.step(1, x), y));
        ASSERT_TRUE(sameBits(s.out[1], y));
    }
    // Lane 0 was never touched.
    EXPECT_EQ(s.x1[0], 0.0);
    EXPECT_EQ(s.y2[0], 0.0);
}

// The interpolator's first step of every frame takes 0, so that half of its
// state never sees the signal: two interpolators fed different signals hold
// the same values there, and within 200 frames of a reset those values repeat
// every two frames. The oversampled loop takes that half's outputs from the
// cycle once it finds the repetition (and computes them until then).
TEST(DspHalfBand, InterpolatorZeroStepsFallIntoACycle)
{
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    Upsampler2x a, b;
    // The fields an even step last wrote: x2 and y2 of every stage.
    auto evenHalf = [](const Upsampler2x& u) {
        std::vector<double> v;
        for (const AllpassChain* c : {&u.filter.branchA, &u.filter.branchB}) {
            for (const AllpassStage& s : c->stages) v.insert(v.end(), {s.x2[0], s.x2[1], s.y2[0], s.y2[1]});
        }
        return v;
    };
    std::vector<std::vector<double>> seen;
    for (int frame = 0; frame < 400; ++frame) {
        for (int lane = 0; lane < 2; ++lane) {
            a.upsample(lane, dist(rng));
            b.upsample(lane, frame % 7 == 0 ? 1e-300 : 0.0);
        }
        const std::vector<double> ea = evenHalf(a);
        ASSERT_EQ(0, std::memcmp(ea.data(), evenHalf(b).data(), ea.size() * sizeof(double))) << frame;
        seen.push_back(ea);
    }
    int repeatsFrom = -1;
    for (int f = 0; f + 2 < 400 && repeatsFrom < 0; ++f) {
        if (std::memcmp(seen[f].data(), seen[f + 2].data(), seen[f].size() * sizeof(double)) == 0) repeatsFrom = f;
    }
    ASSERT_GE(repeatsFrom, 0);
    EXPECT_LT(repeatsFrom, 200);
    for (int f = repeatsFrom; f + 2 < 400; ++f) {
        ASSERT_EQ(0, std::memcmp(seen[f].data(), seen[f + 2].data(), seen[f].size() * sizeof(double))) << f;
    }
}

TEST(DspHalfBand, ResetKeepsCoefficientsRebuildRestoresThem)
{
    HalfBandFilter fresh, f;
    for (int i = 0; i < 100; ++i) f.step(i & 1, std::sin(i * 0.3));
    f.reset();
    EXPECT_TRUE(sameFilter(fresh, f));

    f.branchA.stages[1].a = 0.25;
    f.step(0, 1.0);
    f.rebuild();
    EXPECT_TRUE(sameFilter(fresh, f));
    EXPECT_EQ(f.branchA.stageCount, 2);
    EXPECT_EQ(f.branchA.stages[0].a, 0.07986642623635751);
    EXPECT_EQ(f.branchA.stages[1].a, 0.5453536510711322);
    EXPECT_EQ(f.branchB.stages[0].a, 0.28382934487410993);
    EXPECT_EQ(f.branchB.stages[1].a, 0.8344118914807379);
}

// After a signal dies away the guard constant keeps every state value a
// normal number (or zero) instead of decaying into denormals.
TEST(DspHalfBand, SilenceNeverLeavesDenormalState)
{
    Upsampler2x up;
    up.upsample(0, 1.0);
    up.upsample(1, -1e-3);
    for (int i = 0; i < 200000; ++i) {
        up.upsample(0, 0.0);
        up.upsample(1, 0.0);
    }
    const HalfBandFilter& f = up.filter;
    for (const AllpassChain* c : {&f.branchA, &f.branchB}) {
        for (const AllpassStage& s : c->stages) {
            for (int lane = 0; lane < 2; ++lane) {
                for (double v : {s.x1[lane], s.x2[lane], s.y1[lane], s.y2[lane]}) {
                    ASSERT_NE(std::fpclassify(v), FP_SUBNORMAL);
                }
            }
            EXPECT_GT(std::fabs(s.y2[0]), 1e-26);  // the guard is present
        }
    }
}
