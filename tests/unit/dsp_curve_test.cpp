// Clip curve: parameter mapping, the curve itself and its two-lane form.
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/clip_curve.h"
#include "model/parameter.h"
#include "effect/sarvo_effect.h"

namespace {

uint64_t bitsOf(double v)
{
    uint64_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

}  // namespace

TEST(DspCurve, WorkedExampleClip80Softness50)
{
    ClipCurve c;
    c.applyDisplay(0.0, 80.0, 50.0);
    const ClipCurveValues v = c.load();
    EXPECT_EQ(v.gainFactor, 1.0);
    EXPECT_DOUBLE_EQ(v.clipLevel, 0.8);
    EXPECT_DOUBLE_EQ(v.kneeStart, 0.4);
    EXPECT_DOUBLE_EQ(v.kneeEnd, 1.2);
    EXPECT_DOUBLE_EQ(v.quadA, -0.625);
    EXPECT_DOUBLE_EQ(v.quadB, 1.5);
    EXPECT_DOUBLE_EQ(v.quadC, -0.1);

    const double in[] = {0.3, 0.4, 0.5, 0.8, 1.3, -0.5};
    const double want[] = {0.3, 0.4, 0.49375, 0.7, 0.8, -0.49375};
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(c.clipSample(in[i]), want[i], 1e-15) << in[i];
    }
    // Linear branch up to and including kneeStart: exact identity.
    EXPECT_EQ(c.clipSample(0.3), 0.3);
    EXPECT_EQ(c.clipSample(0.4), 0.4);
    EXPECT_EQ(c.clipSample(1.3), 0.8);
}

TEST(DspCurve, DefaultsPassFullScaleAndHoldAbove)
{
    ClipCurve c;
    c.applyNormalised(0.0, 1.0, 0.0);
    EXPECT_EQ(c.clipSample(0.5), 0.5);
    EXPECT_EQ(c.clipSample(-0.999), -0.999);
    EXPECT_EQ(c.clipSample(1.0), 1.0);
    EXPECT_EQ(c.clipSample(1.5), 1.0);
    EXPECT_EQ(c.clipSample(-7.0), -1.0);
}

TEST(DspCurve, EdgeSettings)
{
    // Softness 0: hard clip; the flat branch wins at exactly the clip level.
    ClipCurve hard;
    hard.applyDisplay(0.0, 60.0, 0.0);
    ClipCurveValues h = hard.load();
    EXPECT_EQ(h.kneeStart, h.clipLevel);
    EXPECT_EQ(h.kneeEnd, h.clipLevel);
    EXPECT_EQ(h.quadA, 0.0);
    EXPECT_EQ(h.quadB, 1.0);
    EXPECT_EQ(h.quadC, 0.0);
    EXPECT_EQ(hard.clipSample(0.6), h.clipLevel);
    EXPECT_EQ(hard.clipSample(0.61), h.clipLevel);
    EXPECT_EQ(hard.clipSample(0.59), 0.59);

    // Clip 0: everything becomes zero, negative inputs negative zero.
    ClipCurve zero;
    zero.applyDisplay(0.0, 0.0, 50.0);
    ClipCurveValues z = zero.load();
    EXPECT_EQ(z.clipLevel, 0.0);
    EXPECT_EQ(z.kneeStart, 0.0);
    EXPECT_EQ(z.kneeEnd, 0.0);
    EXPECT_EQ(bitsOf(zero.clipSample(0.3)), bitsOf(0.0));
    EXPECT_EQ(bitsOf(zero.clipSample(-0.3)), bitsOf(-0.0));
    EXPECT_EQ(bitsOf(zero.clipSample(-0.0)), bitsOf(0.0));  // zero counts as positive

    // Softness 100: quadratic from 0 with slope 1, reaching the clip level
    // with slope 0 at twice the clip level.
    ClipCurve soft;
    soft.applyDisplay(0.0, 50.0, 100.0);
    ClipCurveValues s = soft.load();
    EXPECT_EQ(s.kneeStart, 0.0);
    EXPECT_EQ(s.kneeEnd, 1.0);
    const double e = 1e-6;
    EXPECT_NEAR(soft.clipSample(e) / e, 1.0, 1e-5);
    EXPECT_NEAR(soft.clipSample(1.0 - e), 0.5, 1e-11);
    EXPECT_NEAR((soft.clipSample(1.0 - e) - soft.clipSample(1.0 - 2 * e)) / e, 0.0, 1e-5);
    EXPECT_EQ(soft.clipSample(1.0), 0.5);
    EXPECT_EQ(soft.clipSample(0.0), 0.0);
}

TEST(DspCurve, GainMapping)
{
    EXPECT_EQ(clipCurveFromNormalised(0.0, 1.0, 0.0).gainFactor, 1.0);
    EXPECT_NEAR(clipCurveFromNormalised(1.0, 1.0, 0.0).gainFactor, 3.98107170553497, 1e-13);
    EXPECT_NEAR(clipCurveFromNormalised(1.0 / 120.0, 1.0, 0.0).gainFactor, 1.0115794542598986, 1e-15);
    // Stored 0.123 snaps to 1.5 dB; half a step snaps up.
    EXPECT_EQ(clipCurveFromNormalised(0.123, 1.0, 0.0).gainFactor, std::pow(10.0, 1.5 * 0.05));
    EXPECT_EQ(clipCurveFromNormalised(0.5 / 120.0, 1.0, 0.0).gainFactor,
              clipCurveFromDisplay(0.1, 100.0, 0.0).gainFactor);
    // Values outside 0..1 are not clamped: 2.0 means 24 dB.
    EXPECT_EQ(clipCurveFromNormalised(2.0, 1.0, 0.0).gainFactor, std::pow(10.0, 24.0 * 0.05));
}

TEST(DspCurve, OversamplingSwitchAtHalf)
{
    EXPECT_FALSE(oversamplingFromNormalised(0.0));
    EXPECT_FALSE(oversamplingFromNormalised(0.3));
    EXPECT_FALSE(oversamplingFromNormalised(std::nextafter(0.5, 0.0)));
    EXPECT_TRUE(oversamplingFromNormalised(0.5));
    EXPECT_TRUE(oversamplingFromNormalised(1.0));
    EXPECT_FALSE(oversamplingFromNormalised(std::numeric_limits<double>::quiet_NaN()));
}

// The curve snaps stored values to the parameters' grid itself; it must agree with the display
// values the effect's own parameters show.
TEST(DspCurve, NormalisedMappingAgreesWithTheEffectsParameters)
{
    SarvoEffect effect(nullptr);
    const ZParameter& gain = *effect.parameter(SarvoEffect::kGain);
    const ZParameter& clip = *effect.parameter(SarvoEffect::kClip);
    const ZParameter& soft = *effect.parameter(SarvoEffect::kSoftness);
    std::mt19937_64 rng(7);
    std::uniform_real_distribution<double> dist(-0.1, 1.1);
    for (int i = 0; i < 2000; ++i) {
        const double n[3] = {dist(rng), dist(rng), dist(rng)};
        const ClipCurveValues a = clipCurveFromNormalised(n[0], n[1], n[2]);
        const ClipCurveValues b =
            clipCurveFromDisplay(gain.toDisplay(n[0]), clip.toDisplay(n[1]), soft.toDisplay(n[2]));
        ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << n[0] << " " << n[1] << " " << n[2];
    }
}

TEST(DspCurve, InvariantsOverTheParameterGrid)
{
    for (int clip = 0; clip <= 100; ++clip) {
        for (int soft = 0; soft <= 100; ++soft) {
            const ClipCurveValues c = clipCurveFromDisplay(0.0, clip, soft);
            ASSERT_LE(0.0, c.kneeStart);
            ASSERT_LE(c.kneeStart, c.clipLevel);
            ASSERT_LE(c.clipLevel, c.kneeEnd);
            ASSERT_NEAR(c.kneeEnd - c.clipLevel, c.clipLevel - c.kneeStart, 1e-15);
            // Continuous at both knee ends, never above the clip level.
            const double tol = 1e-12;
            if (c.kneeEnd > c.kneeStart) {
                const double ks = c.kneeStart, ke = c.kneeEnd;
                ASSERT_NEAR(ks * (c.quadA * ks + c.quadB) + c.quadC, ks, tol);
                ASSERT_NEAR(ke * (c.quadA * ke + c.quadB) + c.quadC, c.clipLevel, tol);
                ASSERT_NEAR(2.0 * c.quadA * ks + c.quadB, 1.0, tol);
                ASSERT_NEAR(2.0 * c.quadA * ke + c.quadB, 0.0, tol);
            }
            // Near kneeEnd of a narrow knee the rounded polynomial may pass
            // the clip level by a few dozen ulps (large quadB and quadC
            // cancel); the oversampled path clamps exactly.
            for (double v = -2.5; v <= 2.5; v += 0.01) {
                ASSERT_LE(std::fabs(clipSample(c, v)), c.clipLevel * (1.0 + 64.0 * DBL_EPSILON)) << clip << " " << soft;
            }
        }
    }
}

// The knee polynomial is rounded after every operation (no fused
// multiply-add), in the nesting u * (quadA * u + quadB) + quadC.
TEST(DspCurve, KneeRoundsEveryOperation)
{
    ClipCurve c;
    c.applyDisplay(0.0, 77.0, 63.0);
    const ClipCurveValues v = c.load();
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> dist(v.kneeStart, v.kneeEnd);
    for (int i = 0; i < 10000; ++i) {
        const double u = dist(rng);
        if (!(u > v.kneeStart && u < v.kneeEnd)) continue;
        volatile double t = v.quadA * u;
        t = t + v.quadB;
        t = u * t;
        t = t + v.quadC;
        ASSERT_EQ(bitsOf(c.clipSample(u)), bitsOf(t));
        ASSERT_EQ(bitsOf(c.clipSample(-u)), bitsOf(-t));
    }
}

// The two-lane form gives the same bits as the scalar curve in every branch,
// at the branch boundaries, for zeros of both signs and for non-finite input.
TEST(DspCurve, PairFormMatchesScalarBitForBit)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double settings[][3] = {{0, 100, 0}, {0, 80, 50}, {6, 37, 100}, {12, 0, 40}, {3.3, 100, 1}};
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    for (const auto& s : settings) {
        const ClipCurveValues c = clipCurveFromDisplay(s[0], s[1], s[2]);
        const sarvo_dsp::PairCurve pc(c);
        std::vector<double> values = {0.0,        -0.0,        c.kneeStart,  -c.kneeStart, c.kneeEnd,
                                      -c.kneeEnd, c.clipLevel, -c.clipLevel, inf,          -inf,
                                      nan,        1e-310,      -1e-310,      1e300,        -1e300};
        values.push_back(std::nextafter(c.kneeStart, 9.0));
        values.push_back(std::nextafter(c.kneeEnd, -9.0));
        for (int i = 0; i < 5000; ++i) values.push_back(dist(rng));
        for (size_t i = 0; i + 1 < values.size(); ++i) {
            const sarvo_dsp::LanePair r = sarvo_dsp::clipPair(pc, sarvo_dsp::pairOf(values[i], values[i + 1]));
            ASSERT_EQ(bitsOf(sarvo_dsp::pairLeft(r)), bitsOf(clipSample(c, values[i]))) << values[i];
            ASSERT_EQ(bitsOf(sarvo_dsp::pairRight(r)), bitsOf(clipSample(c, values[i + 1]))) << values[i + 1];
        }
    }
}
