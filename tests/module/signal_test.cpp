// The signal path through the loaded module: both process entries, bypass, oversampling, host call orders.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace {

class SignalThroughHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        RecordingHost::instance().clear();
        RecordingHost::instance().answer = nullptr;
        ASSERT_NE(fx.effect(), nullptr);
        fx.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
        fx.dispatch(effMainsChanged, 0, 1);
    }
    void type(int index, const char* text)
    {
        std::string copy(text);
        fx.dispatch(effString2Parameter, index, 0, &copy[0]);
    }
    // Runs a block through one of the entries; the same input on both channels unless `right` is given.
    std::vector<double> run(const std::vector<double>& in, bool useDouble, std::vector<double>* rightOut = nullptr,
                            const std::vector<double>* right = nullptr)
    {
        const int n = static_cast<int>(in.size());
        const std::vector<double>& inR = right ? *right : in;
        std::vector<double> outL(n), outR(n);
        if (useDouble) {
            std::vector<double> a(in), b(inR);
            double* ins[2] = {a.data(), b.data()};
            double* outs[2] = {outL.data(), outR.data()};
            fx->processDoubleReplacing(fx.effect(), ins, outs, n);
        } else {
            std::vector<float> a(in.begin(), in.end()), b(inR.begin(), inR.end()), oa(n), ob(n);
            float* ins[2] = {a.data(), b.data()};
            float* outs[2] = {oa.data(), ob.data()};
            fx->processReplacing(fx.effect(), ins, outs, n);
            for (int i = 0; i < n; ++i) {
                outL[i] = oa[i];
                outR[i] = ob[i];
            }
        }
        if (rightOut) *rightOut = outR;
        return outL;
    }

    Instance fx;
};

TEST_F(SignalThroughHost, DefaultsPassBelowFullScaleAndClipAbove)
{
    for (bool useDouble : {false, true}) {
        const std::vector<double> out = run({0.5, 1.5, -1.5, -0.25, 1.0}, useDouble);
        EXPECT_EQ(out[0], 0.5);
        EXPECT_EQ(out[1], 1.0);
        EXPECT_EQ(out[2], -1.0);
        EXPECT_EQ(out[3], -0.25);
        EXPECT_EQ(out[4], 1.0);
    }
}

TEST_F(SignalThroughHost, SoftKneeWorkedExample)
{
    type(1, "80");
    type(2, "50");
    const std::vector<double> in = {0.3, 0.4, 0.5, 0.8, 1.3, -0.5};
    const std::vector<double> expected = {0.3, 0.4, 0.49375, 0.7, 0.8, -0.49375};
    const std::vector<double> outD = run(in, true);
    for (size_t i = 0; i < in.size(); ++i) EXPECT_NEAR(outD[i], expected[i], 1e-12) << "input " << in[i];
    const std::vector<double> outF = run(in, false);
    for (size_t i = 0; i < in.size(); ++i) EXPECT_NEAR(outF[i], expected[i], 1e-6) << "input " << in[i];
}

TEST_F(SignalThroughHost, BypassReturnsTheInputExactly)
{
    type(0, "12");
    type(1, "30");
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> dist(-3.0, 3.0);
    std::vector<double> in(300);
    for (double& x : in) x = dist(rng);
    fx.dispatch(effSetBypass, 0, 1);
    for (const char* over : {"off", "on"}) {
        type(3, over);
        const std::vector<double> outD = run(in, true);
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(outD[i], in[i]) << over << " frame " << i;
        const std::vector<double> outF = run(in, false);
        for (size_t i = 0; i < in.size(); ++i) ASSERT_EQ(outF[i], static_cast<double>(static_cast<float>(in[i])));
    }
}

TEST_F(SignalThroughHost, OversampledImpulse)
{
    type(3, "on");
    std::vector<double> in(8, 0.0);
    in[0] = 1.0;
    for (bool useDouble : {true, false}) {
        fx.dispatch(effMainsChanged, 0, 0);
        fx.dispatch(effMainsChanged, 0, 1);
        const std::vector<double> out = run(in, useDouble);
        const double tolerance = useDouble ? 5e-4 : 1e-3;
        EXPECT_NEAR(out[0], 0.00095, tolerance / 5);
        EXPECT_NEAR(out[1], 0.054, tolerance);
        EXPECT_NEAR(out[2], 0.408, tolerance);
        EXPECT_NEAR(out[3], 0.717, tolerance);
        for (int i = 0; i < 8; ++i) {
            if (i != 3) {
                EXPECT_LT(std::fabs(out[i]), out[3]);
            }
        }
    }
}

TEST_F(SignalThroughHost, OversampledOutputNeverExceedsTheClipLevel)
{
    type(3, "on");
    type(0, "12");
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> dist(-2.0, 2.0);
    for (const char* clip : {"100", "63", "10"}) {
        type(1, clip);
        const double level = std::atof(clip) / 100.0;
        std::vector<double> in(4096);
        for (size_t i = 0; i < in.size(); ++i) in[i] = (i / 37) % 2 ? dist(rng) : 1.9 * std::sin(i * 0.7);
        const std::vector<double> out = run(in, true);
        for (double y : out) ASSERT_LE(std::fabs(y), level) << "clip " << clip;
    }
}

TEST_F(SignalThroughHost, AccumulatingEntryAddsToTheOutput)
{
    type(1, "50");
    std::vector<float> inL = {0.2f, 0.9f, -0.9f}, inR = {0.1f, 0.0f, -0.3f};
    std::vector<float> outL = {1.0f, 1.0f, 1.0f}, outR = {-1.0f, 0.5f, 0.0f};
    float* ins[2] = {inL.data(), inR.data()};
    float* outs[2] = {outL.data(), outR.data()};
    fx->process(fx.effect(), ins, outs, 3);
    EXPECT_FLOAT_EQ(outL[0], 1.2f);
    EXPECT_FLOAT_EQ(outL[1], 1.5f);
    EXPECT_FLOAT_EQ(outL[2], 0.5f);
    EXPECT_FLOAT_EQ(outR[0], -0.9f);
    EXPECT_FLOAT_EQ(outR[1], 0.5f);
    EXPECT_FLOAT_EQ(outR[2], -0.3f);
}

TEST_F(SignalThroughHost, EmptyBlocksAndNullBuffersAreHarmless)
{
    std::vector<float> a(4, 0.9f), b(4, 0.9f);
    float* bufs[2] = {a.data(), b.data()};
    fx->processReplacing(fx.effect(), bufs, bufs, 0);
    fx->processReplacing(fx.effect(), bufs, bufs, -5);
    fx->processReplacing(fx.effect(), nullptr, nullptr, 4);
    EXPECT_EQ(a[0], 0.9f);
    // In-place processing works (hosts often hand the same buffers).
    type(1, "50");
    fx->processReplacing(fx.effect(), bufs, bufs, 4);
    EXPECT_EQ(a[3], 0.5f);
    EXPECT_EQ(b[3], 0.5f);
}

TEST_F(SignalThroughHost, NonFiniteInputDoesNotPoisonTheFilters)
{
    type(3, "on");
    const double bad[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                          -std::numeric_limits<double>::infinity()};
    for (double x : bad) {
        std::vector<double> in(64, 0.25);
        in[10] = x;
        const std::vector<double> out = run(in, true);
        for (int i = 11; i < 64; ++i) ASSERT_TRUE(std::isfinite(out[i])) << "frame " << i;
        // A while later, the steady input comes out unchanged again.
        const std::vector<double> later = run(std::vector<double>(64, 0.25), true);
        EXPECT_NEAR(later[63], 0.25, 1e-6);
    }
}

// Hosts call in many orders: processing before any resume, suspending without a resume, a new rate
// between suspend and resume, the category before open.
TEST_F(SignalThroughHost, AnyHostCallOrderWorks)
{
    Instance fresh;
    std::vector<float> silence(512, 0.0f), out(512, 1.0f);
    float* ins[2] = {silence.data(), silence.data()};
    float* outs[2] = {out.data(), out.data()};
    EXPECT_EQ(fresh.dispatch(effGetPlugCategory), 1);
    fresh->processReplacing(fresh.effect(), ins, outs, 512);  // straight after instantiation
    EXPECT_EQ(out[511], 0.0f);
    fresh.dispatch(effOpen);
    fresh.dispatch(effMainsChanged, 0, 0);  // suspend without resume
    fresh.dispatch(effSetSampleRate, 0, 0, nullptr, 96000.0f);
    fresh.dispatch(effSetBlockSize, 0, 64);
    fresh.dispatch(effMainsChanged, 0, 1);
    std::string on = "on";
    fresh.dispatch(effString2Parameter, 3, 0, &on[0]);
    std::vector<float> tone(512);
    for (int i = 0; i < 512; ++i) tone[i] = static_cast<float>(0.5 * std::sin(i * 0.05));
    float* toneIns[2] = {tone.data(), tone.data()};
    fresh->processReplacing(fresh.effect(), toneIns, outs, 512);
    for (float y : out) ASSERT_TRUE(std::isfinite(y));
    fresh.dispatch(effMainsChanged, 0, 0);
    fresh.dispatch(effMainsChanged, 0, 0);
    fresh->processReplacing(fresh.effect(), toneIns, outs, 512);  // processing after suspend
    for (float y : out) ASSERT_LE(std::fabs(y), 1.0f);
    EXPECT_EQ(fresh.close(), 1);
}

}  // namespace
