// Cost of the clipper's processing loops per stereo frame, float and double,
// oversampling off and on, at three block sizes, next to the one-sample-at-a-
// time reference. Every benchmark first checks that the fast loop's output
// equals the reference bit for bit on the benchmark signal.
//
// The counter ns_per_frame is the figure to read (time per stereo frame);
// DspClipperAgainstReference times the engine's oversampled loops and the
// reference block by block in one loop and gives their ratio.
// "float"/"double" run the loops the engine picks for this processor (AVX or
// AVX-512VL where available), "_avx" the AVX loops (where the processor has
// them), "_twolane" the SSE2 loops every x86 build has, and "_reference" the
// one-sample-at-a-time form.
//
// On Linux the oversampled cases at block 512 also count the instructions
// per frame (instructions_per_frame): a forked copy of the engine runs blocks
// under single-stepping (ptrace), so the figure needs no performance counters
// and covers every instruction set; it is the difference between 6 and 2
// blocks, which cancels the fork's own entry and exit.
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <benchmark/benchmark.h>

#if defined(__linux__)
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "dsp/clipper_engine.h"
#include "support/clipper_reference.h"

namespace {

constexpr int32_t kSignalFrames = 1 << 16;

// Music-like material that visits every branch of the curve: two partials, a
// slow swell and some noise, peaking near +-1.6 before a 3.8 dB gain.
template <typename Sample>
struct Signal {
    std::vector<Sample> l, r;
    Signal() : l(kSignalFrames), r(kSignalFrames)
    {
        std::mt19937_64 rng(2024);
        std::uniform_real_distribution<double> noise(-0.15, 0.15);
        for (int32_t i = 0; i < kSignalFrames; ++i) {
            const double t = i;
            const double swell = 0.6 + 0.5 * std::sin(t * 0.00021);
            l[i] = static_cast<Sample>(swell * (0.8 * std::sin(t * 0.031) + 0.3 * std::sin(t * 0.177)) + noise(rng));
            r[i] = static_cast<Sample>(swell * (0.7 * std::sin(t * 0.027 + 1.0) + 0.35 * std::sin(t * 0.211)) +
                                       noise(rng));
        }
    }
};

template <typename Sample>
const Signal<Sample>& signal()
{
    static const Signal<Sample> s;
    return s;
}

// Which loops run: the engine's choice for this processor, the two-lane SSE2
// loops, or the one-sample-at-a-time reference.
enum Impl { kEngine, kAvx, kTwoLane, kReference };

std::unique_ptr<ClipperEngine> makeEngine(bool oversampled, Impl impl = kEngine)
{
    auto e = std::make_unique<ClipperEngine>();
    if (impl == kTwoLane) e->loops = ClipperLoops::TwoLane;
    if (impl == kAvx) e->loops = ClipperLoops::Avx;
    e->setSampleRate(44100.0);
    e->reset();
    // Gain 3.8 dB, Clip 80 %, Softness 30 %.
    e->applyParameters(38.0 / 120.0, 0.8, 0.3, oversampled ? 1.0 : 0.0);
    return e;
}

template <typename Sample>
void fastBlock(ClipperEngine& e, const Sample* const* in, Sample* const* out, int32_t frames,
               const std::atomic<bool>& capture)
{
    if constexpr (sizeof(Sample) == sizeof(float)) {
        e.processReplacing(in, out, frames, capture);
    } else {
        e.processDoubleReplacing(in, out, frames, capture);
    }
}

template <typename Sample>
void referenceBlock(ClipperEngine& e, const Sample* const* in, Sample* const* out, int32_t frames,
                    const std::atomic<bool>& capture)
{
    referenceProcess(e, in, out, frames, capture.load());
}

// Runs the whole signal through both forms in the given block size and
// compares every output sample's bits.
template <typename Sample>
bool fastMatchesReference(bool oversampled, int32_t block, Impl impl)
{
    const Signal<Sample>& s = signal<Sample>();
    auto a = makeEngine(oversampled, impl);
    auto b = makeEngine(oversampled);
    std::atomic<bool> capture{false};
    std::vector<Sample> al(kSignalFrames), ar(kSignalFrames), bl(kSignalFrames), br(kSignalFrames);
    for (int32_t pos = 0; pos < kSignalFrames; pos += block) {
        const Sample* in[2] = {s.l.data() + pos, s.r.data() + pos};
        Sample* oa[2] = {al.data() + pos, ar.data() + pos};
        Sample* ob[2] = {bl.data() + pos, br.data() + pos};
        fastBlock<Sample>(*a, in, oa, block, capture);
        referenceBlock<Sample>(*b, in, ob, block, capture);
    }
    return std::memcmp(al.data(), bl.data(), al.size() * sizeof(Sample)) == 0 &&
        std::memcmp(ar.data(), br.data(), ar.size() * sizeof(Sample)) == 0;
}

#if defined(__linux__)
// Instructions that `blocks` calls of `run` take, counted by single-stepping
// a forked child; -1 when tracing is not allowed.
template <typename Run>
long long stepsOf(Run run, int blocks)
{
    const pid_t pid = fork();
    if (pid < 0) return -1;
    if (pid == 0) {
        if (ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) _exit(1);
        raise(SIGSTOP);
        for (int i = 0; i < blocks; ++i) run();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFSTOPPED(status)) return -1;
    long long steps = 0;
    for (;;) {
        if (ptrace(PTRACE_SINGLESTEP, pid, nullptr, nullptr) != 0) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        waitpid(pid, &status, 0);
        if (WIFEXITED(status) || WIFSIGNALED(status)) break;
        ++steps;
    }
    return steps;
}
#endif

// Instructions per frame of the fast loops in blocks of `block` frames, on the
// benchmark signal after 64 blocks of warming up; -1 where it cannot be
// counted.
template <typename Sample>
double instructionsPerFrame(bool oversampled, int32_t block, Impl impl)
{
#if defined(__linux__)
    const Signal<Sample>& s = signal<Sample>();
    auto e = makeEngine(oversampled, impl);
    std::atomic<bool> capture{false};
    std::vector<Sample> ol(kSignalFrames), orr(kSignalFrames);
    int32_t pos = 0;
    auto run = [&] {
        const Sample* in[2] = {s.l.data() + pos, s.r.data() + pos};
        Sample* out[2] = {ol.data() + pos, orr.data() + pos};
        fastBlock<Sample>(*e, in, out, block, capture);
        pos += block;
        if (pos + block > kSignalFrames) pos = 0;
    };
    for (int i = 0; i < 64; ++i) run();
    const long long few = stepsOf(run, 2);
    const long long many = stepsOf(run, 6);
    if (few < 0 || many < 0) return -1.0;
    return static_cast<double>(many - few) / (4.0 * block);
#else
    (void)oversampled;
    (void)block;
    (void)impl;
    return -1.0;
#endif
}

template <typename Sample, Impl impl>
void BM_Clipper(benchmark::State& state)
{
    const bool oversampled = state.range(0) != 0;
    const int32_t block = static_cast<int32_t>(state.range(1));
    if (impl == kAvx && clipperBestLoops() == ClipperLoops::TwoLane) {
        state.SkipWithError("this processor has no AVX");
        return;
    }
    if (impl != kReference && !fastMatchesReference<Sample>(oversampled, block, impl)) {
        state.SkipWithError("fast loop output differs from the reference");
        return;
    }
    const Signal<Sample>& s = signal<Sample>();
    auto e = makeEngine(oversampled, impl);
    std::atomic<bool> capture{false};
    std::vector<Sample> ol(kSignalFrames), orr(kSignalFrames);
    int32_t pos = 0;
    for (auto _ : state) {
        const Sample* in[2] = {s.l.data() + pos, s.r.data() + pos};
        Sample* out[2] = {ol.data() + pos, orr.data() + pos};
        if (impl == kReference) {
            referenceBlock<Sample>(*e, in, out, block, capture);
        } else {
            fastBlock<Sample>(*e, in, out, block, capture);
        }
        benchmark::DoNotOptimize(ol.data());
        benchmark::ClobberMemory();
        pos += block;
        if (pos >= kSignalFrames) pos = 0;
    }
    const double frames = static_cast<double>(state.iterations()) * block;
    state.counters["ns_per_frame"] =
        benchmark::Counter(frames * 1e-9, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    if (impl != kReference && oversampled && block == 512) {
        static double counted = -2.0;  // once per instantiation: the benchmark calls this several times
        if (counted == -2.0) counted = instructionsPerFrame<Sample>(oversampled, block, impl);
        if (counted >= 0.0) {
            state.counters["instructions_per_frame"] = counted;
        } else {
            state.SetLabel("instructions not counted: no tracing here");
        }
    }
}

// The engine's loops against the reference in the same loop, oversampled,
// block 512: every iteration times one block of each (counter ratio: fast /
// reference), so that the machine's load falls on both alike.
template <typename Sample>
void BM_ClipperAgainstReference(benchmark::State& state)
{
    const int32_t block = 512;
    if (!fastMatchesReference<Sample>(true, block, kEngine)) {
        state.SkipWithError("fast loop output differs from the reference");
        return;
    }
    const Signal<Sample>& s = signal<Sample>();
    auto fast = makeEngine(true);
    auto ref = makeEngine(true);
    std::atomic<bool> capture{false};
    std::vector<Sample> ol(kSignalFrames), orr(kSignalFrames);
    int32_t pos = 0;
    double fastSeconds = 0.0, refSeconds = 0.0;
    for (auto _ : state) {
        const Sample* in[2] = {s.l.data() + pos, s.r.data() + pos};
        Sample* out[2] = {ol.data() + pos, orr.data() + pos};
        const auto t0 = std::chrono::steady_clock::now();
        fastBlock<Sample>(*fast, in, out, block, capture);
        benchmark::ClobberMemory();
        const auto t1 = std::chrono::steady_clock::now();
        referenceBlock<Sample>(*ref, in, out, block, capture);
        benchmark::ClobberMemory();
        const auto t2 = std::chrono::steady_clock::now();
        fastSeconds += std::chrono::duration<double>(t1 - t0).count();
        refSeconds += std::chrono::duration<double>(t2 - t1).count();
        pos += block;
        if (pos >= kSignalFrames) pos = 0;
    }
    const double frames = static_cast<double>(state.iterations()) * block;
    state.counters["ratio"] = refSeconds > 0.0 ? fastSeconds / refSeconds : 0.0;
    state.counters["ns_per_frame"] = fastSeconds / frames * 1e9;
    state.counters["reference_ns_per_frame"] = refSeconds / frames * 1e9;
}

void blockArgs(benchmark::internal::Benchmark* b)
{
    b->ArgNames({"oversampled", "block"});
    for (int os : {0, 1}) {
        for (int block : {32, 512, 4096}) b->Args({os, block});
    }
}

BENCHMARK_TEMPLATE(BM_Clipper, float, kEngine)->Name("DspClipper/float")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, float, kAvx)->Name("DspClipper/float_avx")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, float, kTwoLane)->Name("DspClipper/float_twolane")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, float, kReference)->Name("DspClipper/float_reference")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, double, kEngine)->Name("DspClipper/double")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, double, kAvx)->Name("DspClipper/double_avx")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, double, kTwoLane)->Name("DspClipper/double_twolane")->Apply(blockArgs);
BENCHMARK_TEMPLATE(BM_Clipper, double, kReference)->Name("DspClipper/double_reference")->Apply(blockArgs);

BENCHMARK_TEMPLATE(BM_ClipperAgainstReference, float)->Name("DspClipperAgainstReference/float");
BENCHMARK_TEMPLATE(BM_ClipperAgainstReference, double)->Name("DspClipperAgainstReference/double");

}  // namespace
