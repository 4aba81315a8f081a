// The clipper's processing loops: gain, clip curve and history per frame,
// held bit for bit against the one-sample-at-a-time reference, plus bypass,
// oversampling, history capture and the mending of non-finite input.
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/clipper_engine.h"
#include "support/clipper_reference.h"

namespace {

const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

template <typename T>
bool sameBits(T a, T b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

template <typename Sample>
struct Stereo {
    std::vector<Sample> l, r;
    explicit Stereo(size_t n, Sample fill = 0) : l(n, fill), r(n, fill) {}
    const Sample* in[2];
    Sample* out[2];
    const Sample* const* inputs()
    {
        in[0] = l.data();
        in[1] = r.data();
        return in;
    }
    Sample* const* outputs()
    {
        out[0] = l.data();
        out[1] = r.data();
        return out;
    }
    size_t size() const { return l.size(); }
};

// Which of the engine's loops the current test runs.
ClipperLoops gLoops = ClipperLoops::TwoLane;

std::unique_ptr<ClipperEngine> makeEngine(double gain, double clip, double soft, double oversmp, double rate = 44100.0)
{
    auto e = std::make_unique<ClipperEngine>();
    e->loops = gLoops;
    e->setSampleRate(rate);
    e->reset();
    e->applyParameters(gain, clip, soft, oversmp);
    return e;
}

template <typename Sample>
Stereo<Sample> noise(size_t n, double amplitude, uint64_t seed)
{
    Stereo<Sample> s(n);
    std::mt19937_64 rng(seed);
    std::uniform_real_distribution<double> dist(-amplitude, amplitude);
    for (size_t i = 0; i < n; ++i) {
        // A loud sine under the noise gives long runs in every curve branch.
        const double sine = std::sin(0.013 * static_cast<double>(i)) * amplitude;
        s.l[i] = static_cast<Sample>(0.7 * sine + 0.3 * dist(rng));
        s.r[i] = static_cast<Sample>(dist(rng));
    }
    return s;
}

bool sameBytes(const void* a, const void* b, size_t n) { return std::memcmp(a, b, n) == 0; }

bool sameFilter(const HalfBandFilter& a, const HalfBandFilter& b)
{
    return sameBytes(a.branchA.stages, b.branchA.stages, sizeof a.branchA.stages) &&
        sameBytes(a.branchB.stages, b.branchB.stages, sizeof a.branchB.stages) &&
        sameBytes(a.branchA.value, b.branchA.value, sizeof a.branchA.value) &&
        sameBytes(a.branchB.value, b.branchB.value, sizeof a.branchB.value) && sameBytes(a.out, b.out, sizeof a.out) &&
        sameBytes(a.delayedB, b.delayedB, sizeof a.delayedB);
}

// The decimator's state that any later output depends on: branch A's odd
// steps and branch B's even steps. Its other two recursions feed only the
// discarded half of each frame's output.
bool sameDecimatorState(const HalfBandFilter& a, const HalfBandFilter& b)
{
    bool same = sameBytes(a.branchA.value, b.branchA.value, sizeof a.branchA.value) &&
        sameBytes(a.out, b.out, sizeof a.out);
    for (int s = 0; s < 2; ++s) {
        const AllpassStage& pa = a.branchA.stages[s];
        const AllpassStage& qa = b.branchA.stages[s];
        const AllpassStage& pb = a.branchB.stages[s];
        const AllpassStage& qb = b.branchB.stages[s];
        same = same && sameBytes(pa.x1, qa.x1, sizeof pa.x1) && sameBytes(pa.y1, qa.y1, sizeof pa.y1) &&
            sameBytes(pa.out, qa.out, sizeof pa.out) && sameBytes(pb.x2, qb.x2, sizeof pb.x2) &&
            sameBytes(pb.y2, qb.y2, sizeof pb.y2);
    }
    return same;
}

bool sameHistory(const ZHistory& a, const ZHistory& b)
{
    bool same = a.length == b.length && a.writePosition.load() == b.writePosition.load() &&
        a.samplesInEntry.load() == b.samplesInEntry.load() && a.entriesWritten.load() == b.entriesWritten.load() &&
        sameBits(a.runningInputMin.load(), b.runningInputMin.load()) &&
        sameBits(a.runningInputMax.load(), b.runningInputMax.load()) &&
        sameBits(a.runningOutputMin.load(), b.runningOutputMin.load()) &&
        sameBits(a.runningOutputMax.load(), b.runningOutputMax.load());
    for (int32_t i = 0; same && i < a.length; ++i) {
        same = sameBits(a.inputMinAt(i), b.inputMinAt(i)) && sameBits(a.inputMaxAt(i), b.inputMaxAt(i)) &&
            sameBits(a.outputMinAt(i), b.outputMinAt(i)) && sameBits(a.outputMaxAt(i), b.outputMaxAt(i));
    }
    return same;
}

void expectSameState(const ClipperEngine& a, const ClipperEngine& b)
{
    EXPECT_TRUE(sameFilter(a.upsampler.filter, b.upsampler.filter));
    EXPECT_TRUE(sameDecimatorState(a.downsampler.filter, b.downsampler.filter));
    for (int k = 0; k < 2; ++k) {
        EXPECT_TRUE(sameBits(a.upsampler.first[k], b.upsampler.first[k]));
        EXPECT_TRUE(sameBits(a.upsampler.second[k], b.upsampler.second[k]));
        EXPECT_TRUE(sameBits(a.downsampler.result[k], b.downsampler.result[k]));
    }
    EXPECT_TRUE(sameBits(a.lastCurveL, b.lastCurveL));
    EXPECT_TRUE(sameBits(a.lastCurveR, b.lastCurveR));
    EXPECT_TRUE(sameHistory(a.historyL, b.historyL));
    EXPECT_TRUE(sameHistory(a.historyR, b.historyR));
}

template <typename Sample>
void expectSameOutput(const Stereo<Sample>& a, const Stereo<Sample>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_TRUE(sameBits(a.l[i], b.l[i])) << "frame " << i << ": " << a.l[i] << " vs " << b.l[i];
        ASSERT_TRUE(sameBits(a.r[i], b.r[i])) << "frame " << i << ": " << a.r[i] << " vs " << b.r[i];
    }
}

// Runs the same input through the engine's entry and through the reference,
// block by block, changing parameters and switches between blocks.
template <typename Sample, bool Accumulate>
void compareWithReference(uint64_t seed)
{
    auto fast = makeEngine(0.3, 0.8, 0.5, 1.0);
    auto ref = makeEngine(0.3, 0.8, 0.5, 1.0);
    std::atomic<bool> captureFlag{false};
    std::mt19937_64 rng(seed);
    Stereo<Sample> in = noise<Sample>(60000, 1.6, seed);
    Stereo<Sample> outFast(in.size(), Sample(0.25)), outRef(in.size(), Sample(0.25));

    size_t pos = 0;
    while (pos < in.size()) {
        const int32_t block =
            static_cast<int32_t>(std::min<size_t>(in.size() - pos, std::uniform_int_distribution<int>(0, 700)(rng)));
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        if (unit(rng) < 0.3) {
            const double p[4] = {unit(rng), unit(rng), unit(rng), unit(rng)};
            fast->applyParameters(p[0], p[1], p[2], p[3]);
            ref->applyParameters(p[0], p[1], p[2], p[3]);
        }
        if (unit(rng) < 0.1) {
            const bool b = unit(rng) < 0.5;
            fast->setBypass(b);
            ref->setBypass(b);
        }
        if (unit(rng) < 0.1) captureFlag = !captureFlag;

        const Sample* inPtr[2] = {in.l.data() + pos, in.r.data() + pos};
        Sample* fastPtr[2] = {outFast.l.data() + pos, outFast.r.data() + pos};
        Sample* refPtr[2] = {outRef.l.data() + pos, outRef.r.data() + pos};
        if constexpr (Accumulate) {
            fast->processAccumulating(inPtr, fastPtr, block, captureFlag);
        } else if constexpr (std::is_same<Sample, float>::value) {
            fast->processReplacing(inPtr, fastPtr, block, captureFlag);
        } else {
            fast->processDoubleReplacing(inPtr, fastPtr, block, captureFlag);
        }
        referenceProcess(*ref, inPtr, refPtr, block, captureFlag.load(), Accumulate);
        pos += static_cast<size_t>(block);
    }
    expectSameOutput(outFast, outRef);
    expectSameState(*fast, *ref);
}

class DspEngine : public ::testing::TestWithParam<ClipperLoops> {
protected:
    void SetUp() override { gLoops = GetParam(); }
    void TearDown() override { gLoops = ClipperLoops::TwoLane; }
};

// Every kind of loop this processor can run.
std::vector<ClipperLoops> availableLoops()
{
    std::vector<ClipperLoops> loops = {ClipperLoops::TwoLane};
    const ClipperLoops best = clipperBestLoops();
    if (best != ClipperLoops::TwoLane) loops.push_back(ClipperLoops::Avx);
    if (best == ClipperLoops::Avx512) loops.push_back(ClipperLoops::Avx512);
    return loops;
}

std::string loopsName(const ::testing::TestParamInfo<ClipperLoops>& info)
{
    switch (info.param) {
        case ClipperLoops::Avx: return "Avx";
        case ClipperLoops::Avx512: return "Avx512";
        default: return "TwoLane";
    }
}

INSTANTIATE_TEST_SUITE_P(Loops, DspEngine, ::testing::ValuesIn(availableLoops()), loopsName);

}  // namespace

TEST_P(DspEngine, MatchesTheReferenceBitForBit)
{
    compareWithReference<float, false>(1);
    compareWithReference<double, false>(2);
    compareWithReference<float, true>(3);
}

// Every block length from 1 to 80 frames, with and without oversampling,
// starting from a reset (so the first blocks run before the interpolator's
// input-free half repeats, the later ones after): output and state equal the
// reference's after every block.
template <typename Sample, bool Accumulate>
void compareEveryBlockLength(double oversmp)
{
    std::atomic<bool> off{false};
    for (int32_t block = 1; block <= 80; ++block) {
        auto fast = makeEngine(0.4, 0.7, 0.6, oversmp);
        auto ref = makeEngine(0.4, 0.7, 0.6, oversmp);
        const int32_t frames = block * (600 / block + 1);
        Stereo<Sample> in = noise<Sample>(static_cast<size_t>(frames), 1.5, static_cast<uint64_t>(block));
        // Stretches of silence, where the filters' guard-sized values decide
        // the output bits.
        for (size_t i = 0; i < in.size(); ++i) {
            if ((i / 60) % 2) in.l[i] = in.r[i] = 0;
        }
        Stereo<Sample> outFast(in.size(), Sample(0.5)), outRef(in.size(), Sample(0.5));
        for (int32_t pos = 0; pos < frames; pos += block) {
            const Sample* inPtr[2] = {in.l.data() + pos, in.r.data() + pos};
            Sample* fastPtr[2] = {outFast.l.data() + pos, outFast.r.data() + pos};
            Sample* refPtr[2] = {outRef.l.data() + pos, outRef.r.data() + pos};
            if constexpr (Accumulate) {
                fast->processAccumulating(inPtr, fastPtr, block, off);
            } else if constexpr (std::is_same<Sample, float>::value) {
                fast->processReplacing(inPtr, fastPtr, block, off);
            } else {
                fast->processDoubleReplacing(inPtr, fastPtr, block, off);
            }
            referenceProcess(*ref, inPtr, refPtr, block, false, Accumulate);
            ASSERT_NO_FATAL_FAILURE(expectSameState(*fast, *ref)) << "block " << block << " at " << pos;
        }
        ASSERT_NO_FATAL_FAILURE(expectSameOutput(outFast, outRef)) << "block " << block;
    }
}

TEST_P(DspEngine, EveryBlockLengthMatchesTheReference)
{
    for (double oversmp : {1.0, 0.0}) {
        compareEveryBlockLength<float, false>(oversmp);
        compareEveryBlockLength<double, false>(oversmp);
        compareEveryBlockLength<float, true>(oversmp);
    }
}

// Subnormal and signed-zero input, and gains that make subnormal products:
// the same bits as the reference (whose every operation is the processor's
// plain IEEE arithmetic on the same values).
TEST_P(DspEngine, SubnormalInputMatchesTheReference)
{
    std::atomic<bool> off{false};
    const double tinyD = std::numeric_limits<double>::denorm_min();
    const float tinyF = std::numeric_limits<float>::denorm_min();
    for (double oversmp : {1.0, 0.0}) {
        for (double gain : {0.0, 0.5, 1.0}) {
            auto fast = makeEngine(gain, 0.9, 0.4, oversmp);
            auto ref = makeEngine(gain, 0.9, 0.4, oversmp);
            Stereo<double> d(1500);
            Stereo<float> f(1500);
            std::mt19937_64 rng(77);
            for (size_t i = 0; i < d.size(); ++i) {
                const uint64_t r = rng();
                const double scale = (r & 1) ? -1.0 : 1.0;
                // Runs of silence, of subnormals, of signed zeros and of loud frames.
                switch ((i / 100) % 4) {
                    case 0: d.l[i] = d.r[i] = 0.0; break;
                    case 1: d.l[i] = scale * tinyD * static_cast<double>(r % 1000); d.r[i] = -d.l[i] * 3; break;
                    case 2: d.l[i] = -0.0; d.r[i] = scale * 2.2e-308; break;
                    default: d.l[i] = scale * 1.3; d.r[i] = -scale * 1e-310; break;
                }
                f.l[i] = (i / 100) % 2 ? scale * tinyF * static_cast<float>(r % 100) : static_cast<float>(d.l[i]);
                f.r[i] = (i / 100) % 3 ? -0.0f : static_cast<float>(d.r[i]);
            }
            Stereo<double> outD(d.size()), refD(d.size());
            Stereo<float> outF(f.size()), refF(f.size());
            for (size_t pos = 0; pos < d.size(); pos += 100) {
                const double* di[2] = {d.l.data() + pos, d.r.data() + pos};
                double* dof[2] = {outD.l.data() + pos, outD.r.data() + pos};
                double* dor[2] = {refD.l.data() + pos, refD.r.data() + pos};
                fast->processDoubleReplacing(di, dof, 100, off);
                referenceProcess(*ref, di, dor, 100, false);
                const float* fi[2] = {f.l.data() + pos, f.r.data() + pos};
                float* fof[2] = {outF.l.data() + pos, outF.r.data() + pos};
                float* forr[2] = {refF.l.data() + pos, refF.r.data() + pos};
                fast->processReplacing(fi, fof, 100, off);
                referenceProcess(*ref, fi, forr, 100, false);
            }
            expectSameOutput(outD, refD);
            expectSameOutput(outF, refF);
            expectSameState(*fast, *ref);
        }
    }
}

TEST_P(DspEngine, PlainPathIsTheCurveOfTheGainedInput)
{
    auto e = makeEngine(0.0, 1.0, 0.0, 0.0);
    std::atomic<bool> off{false};
    Stereo<float> s(2);
    s.l = {0.5f, 1.5f};
    s.r = {-1.5f, -0.25f};
    e->processReplacing(s.inputs(), s.outputs(), 2, off);
    EXPECT_EQ(s.l[0], 0.5f);
    EXPECT_EQ(s.l[1], 1.0f);
    EXPECT_EQ(s.r[0], -1.0f);
    EXPECT_EQ(s.r[1], -0.25f);
}

TEST_P(DspEngine, BypassReturnsTheInputExactly)
{
    std::atomic<bool> capture{true};
    for (double oversmp : {0.0, 1.0}) {
        auto e = makeEngine(1.0, 0.3, 0.5, oversmp);
        e->setBypass(true);
        Stereo<float> in = noise<float>(5000, 3.0, 8);
        in.l[10] = -0.0f;
        Stereo<float> out(in.size());
        e->processReplacing(in.inputs(), out.outputs(), static_cast<int32_t>(in.size()), capture);
        expectSameOutput(in, out);

        Stereo<double> ind = noise<double>(5000, 3.0, 9);
        Stereo<double> outd(ind.size());
        e->processDoubleReplacing(ind.inputs(), outd.outputs(), static_cast<int32_t>(ind.size()), capture);
        expectSameOutput(ind, outd);

        // The history saw the dry input on both sides.
        ASSERT_GT(e->historyL.entriesWritten.load(), 0);
        for (int32_t k = 0; k < e->historyL.entriesWritten.load(); ++k) {
            const int32_t i = e->historyL.indexBack(k);
            EXPECT_EQ(e->historyL.inputMinAt(i), e->historyL.outputMinAt(i));
            EXPECT_EQ(e->historyR.inputMaxAt(i), e->historyR.outputMaxAt(i));
        }
    }
}

TEST_P(DspEngine, OversampledImpulseAndSettling)
{
    std::atomic<bool> off{false};
    auto e = makeEngine(0.0, 1.0, 0.0, 1.0);
    Stereo<double> s(8);
    s.l[0] = 1.0;
    s.r[1] = 1.0;
    e->processDoubleReplacing(s.inputs(), s.outputs(), 8, off);
    const double want[4] = {0.00095, 0.054, 0.408, 0.717};
    for (int i = 0; i < 4; ++i) {
        EXPECT_NEAR(s.l[i], want[i], 0.0005) << i;
        EXPECT_NEAR(s.r[i + 1], want[i], 0.0005) << i;  // lanes are independent
    }
    EXPECT_NEAR(s.r[0], 0.0, 1e-20);  // only the filters' guard constant
    for (int i = 0; i < 8; ++i) EXPECT_LE(std::fabs(s.l[i]), std::fabs(s.l[3]));

    // A constant below the knee settles to itself (unity gain at 0 Hz).
    auto c = makeEngine(0.25, 0.9, 0.2, 1.0);
    const double gain = c->curve.load().gainFactor;
    Stereo<float> k(3000, 0.4f);
    c->processReplacing(k.inputs(), k.outputs(), 3000, off);
    EXPECT_NEAR(k.l.back(), gain * 0.4, 1e-7);
    EXPECT_NEAR(k.r.back(), gain * 0.4, 1e-7);
}

TEST_P(DspEngine, OversampledOutputNeverExceedsTheClipLevel)
{
    std::atomic<bool> off{false};
    const double settings[][3] = {{1.0, 0.5, 0.0}, {1.0, 0.8, 1.0}, {0.5, 1.0, 0.3}, {0.0, 0.0, 0.5}};
    for (const auto& p : settings) {
        auto e = makeEngine(p[0], p[1], p[2], 1.0);
        const double clip = e->curve.clipLevel.load();
        Stereo<double> s = noise<double>(20000, 2.0, 4);
        for (size_t i = 0; i < s.size(); i += 40) {  // hard square bursts ring the most
            for (size_t j = i; j < i + 20 && j < s.size(); ++j) s.l[j] = s.r[j] = ((i / 40) & 1) ? 1.5 : -1.5;
        }
        e->processDoubleReplacing(s.inputs(), s.outputs(), static_cast<int32_t>(s.size()), off);
        for (size_t i = 0; i < s.size(); ++i) {
            ASSERT_LE(std::fabs(s.l[i]), clip) << i;
            ASSERT_LE(std::fabs(s.r[i]), clip) << i;
        }
    }
}

TEST_P(DspEngine, EmptyBlocksAndMissingBuffersTouchNothing)
{
    auto e = makeEngine(0.0, 1.0, 0.0, 1.0);
    auto fresh = makeEngine(0.0, 1.0, 0.0, 1.0);
    std::atomic<bool> capture{true};
    Stereo<float> s(4, 0.75f);
    e->processReplacing(s.inputs(), s.outputs(), 0, capture);
    e->processReplacing(s.inputs(), s.outputs(), -5, capture);
    e->processReplacing(nullptr, s.outputs(), 4, capture);
    const float* halfIn[2] = {s.l.data(), nullptr};
    e->processReplacing(halfIn, s.outputs(), 4, capture);
    EXPECT_EQ(s.l, std::vector<float>(4, 0.75f));
    expectSameState(*e, *fresh);
}

TEST_P(DspEngine, InPlaceEqualsSeparateBuffers)
{
    std::atomic<bool> off{false};
    auto a = makeEngine(0.7, 0.6, 0.4, 1.0);
    auto b = makeEngine(0.7, 0.6, 0.4, 1.0);
    Stereo<float> in = noise<float>(3000, 1.0, 21);
    Stereo<float> sep(in.size());
    a->processReplacing(in.inputs(), sep.outputs(), 3000, off);
    b->processReplacing(in.inputs(), in.outputs(), 3000, off);
    expectSameOutput(in, sep);
}

TEST_P(DspEngine, ResetAndSampleRateChangeClearTheState)
{
    std::atomic<bool> capture{true};
    auto e = makeEngine(0.5, 0.5, 0.5, 1.0);
    Stereo<float> s = noise<float>(5000, 1.0, 3);
    Stereo<float> out(s.size());
    e->processReplacing(s.inputs(), out.outputs(), 5000, capture);
    e->reset();
    auto fresh = makeEngine(0.5, 0.5, 0.5, 1.0);
    expectSameState(*e, *fresh);

    e->processReplacing(s.inputs(), out.outputs(), 5000, capture);
    e->setSampleRate(96000.0);
    EXPECT_EQ(e->historyL.samplesPerEntry, 4800);
    EXPECT_EQ(e->historyR.samplesPerEntry, 4800);
    EXPECT_EQ(e->historyL.entriesWritten.load(), 0);
    auto fresh96 = makeEngine(0.5, 0.5, 0.5, 1.0, 96000.0);
    expectSameState(*e, *fresh96);
}

// A NaN or infinite sample is processed as silence: every output, and the
// state afterwards, equals a run whose input held 0 at that frame.
TEST_P(DspEngine, NonFiniteInputDoesNotPoisonTheFilters)
{
    std::atomic<bool> off{false};
    for (double oversmp : {0.0, 1.0}) {
        for (double bad : {kNaN, kInf, -kInf}) {
            auto e = makeEngine(0.4, 0.8, 0.5, oversmp);
            auto ref = makeEngine(0.4, 0.8, 0.5, oversmp);
            Stereo<double> in = noise<double>(4000, 1.2, 17);
            Stereo<double> clean = in;
            in.l[1000] = bad;
            in.r[2500] = bad;
            clean.l[1000] = clean.r[2500] = 0.0;
            Stereo<double> out(in.size()), outRef(in.size());
            e->processDoubleReplacing(in.inputs(), out.outputs(), 4000, off);
            referenceProcess(*ref, clean.inputs(), outRef.outputs(), 4000, false);
            expectSameOutput(out, outRef);
            expectSameState(*e, *ref);
        }
    }

    // Float input: one NaN frame inside a block, finite output right after.
    auto f = makeEngine(1.0, 1.0, 0.2, 1.0);
    Stereo<float> s = noise<float>(512, 1.0, 2);
    s.l[100] = std::numeric_limits<float>::quiet_NaN();
    Stereo<float> out(s.size());
    f->processReplacing(s.inputs(), out.outputs(), 512, off);
    for (size_t i = 0; i < out.size(); ++i) ASSERT_TRUE(std::isfinite(out.l[i])) << i;
}

TEST_P(DspEngine, HugeInputAndBrokenParametersAreContained)
{
    std::atomic<bool> off{false};
    // A finite double beyond any audio level: held at the input limit, the
    // output stays finite and within the clip level.
    auto e = makeEngine(1.0, 0.9, 0.3, 1.0);
    Stereo<double> s = noise<double>(3000, 1.0, 6);
    s.l[10] = 1e308;
    s.r[20] = -std::numeric_limits<double>::max();
    e->processDoubleReplacing(s.inputs(), s.outputs(), 3000, off);
    for (size_t i = 0; i < s.size(); ++i) {
        ASSERT_TRUE(std::isfinite(s.l[i]) && std::isfinite(s.r[i])) << i;
        ASSERT_LE(std::fabs(s.l[i]), 0.9);
    }

    // A NaN gain, an infinite clip level or a NaN softness (from a broken
    // chunk) must not leave anything behind once the parameters are sane
    // again. Those that keep every value finite (clip, softness) give exactly
    // the one-sample-at-a-time reference's output.
    for (int broken = 0; broken < 3; ++broken) {
        auto a = makeEngine(0.2, 0.7, 0.4, 1.0);
        auto ref = makeEngine(0.2, 0.7, 0.4, 1.0);
        Stereo<double> x = noise<double>(1000, 1.0, 30 + broken);
        Stereo<double> y(x.size()), yRef(x.size());
        for (int step = 0; step < 3; ++step) {
            if (step == 1) {
                a->applyParameters(broken == 0 ? kNaN : 0.2, broken == 1 ? kInf : 0.7, broken == 2 ? kNaN : 0.4, 1.0);
                ref->applyParameters(0.2, broken == 1 ? kInf : 0.7, broken == 2 ? kNaN : 0.4, 1.0);
            }
            if (step == 2) {
                a->applyParameters(0.2, 0.7, 0.4, 1.0);
                ref->applyParameters(0.2, 0.7, 0.4, 1.0);
            }
            a->processDoubleReplacing(x.inputs(), y.outputs(), 1000, off);
            referenceProcess(*ref, x.inputs(), yRef.outputs(), 1000, false);
            for (size_t i = 0; i < y.size(); ++i) {
                ASSERT_TRUE(std::isfinite(y.l[i]) && std::isfinite(y.r[i])) << broken << " " << i;
            }
            if (broken != 0) expectSameOutput(y, yRef);
        }
    }

    // A clip level so large that the knee polynomial overflows: the curve's
    // non-finite values are held back from the decimator.
    {
        auto big = makeEngine(0.0, 1e200, 0.5, 1.0);
        ASSERT_TRUE(std::isinf(big->curve.quadC.load()));
        Stereo<double> hot(64, 7e199);
        big->processDoubleReplacing(hot.inputs(), hot.outputs(), 64, off);
        big->applyParameters(0.0, 1.0, 0.5, 1.0);
        Stereo<double> t = noise<double>(64, 1.0, 3);
        big->processDoubleReplacing(t.inputs(), t.outputs(), 64, off);
        for (size_t i = 0; i < t.size(); ++i) {
            ASSERT_TRUE(std::isfinite(hot.l[i]) && std::isfinite(t.l[i]) && std::isfinite(t.r[i])) << i;
        }
        for (const HalfBandFilter* f : {&big->upsampler.filter, &big->downsampler.filter}) {
            for (const AllpassChain* c : {&f->branchA, &f->branchB}) {
                for (const AllpassStage& st : c->stages) {
                    EXPECT_TRUE(std::isfinite(st.y1[0]) && std::isfinite(st.y2[1]));
                }
            }
        }
    }
}

TEST_P(DspEngine, AccumulatingFormAddsToTheOutput)
{
    std::atomic<bool> off{false};
    auto a = makeEngine(0.0, 0.5, 0.0, 0.0);
    Stereo<float> in(2);
    in.l = {0.25f, 2.0f};
    in.r = {-2.0f, 0.0f};
    Stereo<float> out(2, 0.125f);
    a->processAccumulating(in.inputs(), out.outputs(), 2, off);
    EXPECT_EQ(out.l[0], 0.375f);
    EXPECT_EQ(out.l[1], 0.625f);
    EXPECT_EQ(out.r[0], -0.375f);
    EXPECT_EQ(out.r[1], 0.125f);
}

// std::thread is missing from the Windows cross compilers' thread model.
#if !defined(__GLIBCXX__) || defined(_GLIBCXX_HAS_GTHREADS)
// Parameters, switches and the editor flag change on another thread while
// blocks run: nothing races in the memory model (run under ThreadSanitizer in
// the sanitizer builds) and the output stays finite.
TEST_P(DspEngine, ConcurrentChangesWhileProcessing)
{
    auto e = makeEngine(0.5, 1.0, 0.5, 1.0);
    std::atomic<bool> capture{false};
    std::atomic<bool> done{false};
    std::thread ui([&] {
        std::mt19937_64 rng(99);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        while (!done.load()) {
            e->applyParameters(unit(rng), unit(rng), unit(rng), unit(rng));
            e->setBypass(unit(rng) < 0.05);
            capture.store(unit(rng) < 0.7);
            if (unit(rng) < 0.01) e->clearHistories();
            int32_t k = e->historyL.indexBack(0);
            (void)e->historyL.inputMinAt(k);
        }
    });
    Stereo<float> in = noise<float>(256, 1.0, 44);
    Stereo<float> out(in.size());
    for (int block = 0; block < 3000; ++block) {
        e->processReplacing(in.inputs(), out.outputs(), 256, capture);
        for (size_t i = 0; i < out.size(); ++i) {
            ASSERT_TRUE(std::isfinite(out.l[i]) && std::isfinite(out.r[i])) << block << " " << i;
        }
    }
    done = true;
    ui.join();
}
#endif
