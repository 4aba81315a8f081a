// The clipper's audio path: gain, clip curve (optionally at twice the rate
// between the half-band filters), bypass, clamp and history capture, for
// float and double blocks.
//
// The owner (the effect) keeps one ClipperEngine: it calls setSampleRate and
// reset, stores the curve it computes from its parameters' display values
// into `curve` and the switch into `oversampling`, sets the bypass, clears
// the histories when its editor closes, and runs the process entries with
// its editor-open flag. Tests and benchmarks drive the engine alone through
// applyParameters.
//
// The curve and the oversampling switch are one published state (see
// ClipCurve); the bypass flag, the histories and the editor-open flag are
// lock-free atomics read with relaxed ordering. A block is worked through in
// chunks of kClipperChunk frames; the switches and the curve are read afresh
// at the start of every chunk, so a change made on another thread takes
// effect within 32 frames (0.7 ms at 44.1 kHz). The process entries allocate
// nothing, take no lock and make no system call.
//
// Non-finite input: a NaN or infinite sample (or a gain product beyond
// kClipperInputLimit) would otherwise lodge in the oversampling filters and
// spoil every later output until a reset. Such a sample enters the wet path
// as 0 (a finite product beyond the limit is held at +-kClipperInputLimit),
// and curve values beyond the limit are mended the same way before they
// enter the decimator. Bypass still passes the input through unchanged.
// Finite input with |gain * input| <= kClipperInputLimit is processed bit for
// bit as without these checks.
#pragma once

#include <atomic>
#include <cstdint>

#include "dsp/clip_curve.h"
#include "dsp/halfband.h"
#include "dsp/history.h"

// Loops for processors with AVX or AVX-512VL, chosen at run time (4 doubles
// per register: the filters' two branches side by side). On Windows GCC
// cannot keep 32-byte stack slots aligned; the build assembles that file's
// aligned vector moves as unaligned ones (-Wa,-muse-unaligned-vector-move).
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__)) && defined(__SSE2__)
#define SARVO_DSP_AVX 1
#else
#define SARVO_DSP_AVX 0
#endif

#if defined(__GNUC__) && defined(__i386__)
// 32-bit Windows hosts only guarantee 4-byte stack alignment; SSE spills
// need 16.
#define SARVO_REALIGN_STACK __attribute__((force_align_arg_pointer))
#else
#define SARVO_REALIGN_STACK
#endif

namespace sarvo_dsp {
struct CurveCache;
}

constexpr double kClipperInputLimit = 1e300;

// Frames handled with one reading of the switches and the curve.
constexpr int32_t kClipperChunk = 32;

// The processing loops an engine can run; all give the same bits.
enum class ClipperLoops {
    TwoLane,  // two doubles per operation (SSE2, or plain C++ without it)
    Avx,  // four doubles per operation
    Avx512,  // the AVX loops with the 32 registers of AVX-512VL
};

// The fastest loops this processor (and system) can run.
ClipperLoops clipperBestLoops();

class ClipperEngine {
public:
    ClipperEngine();

    ClipCurve curve;
    double lastCurveL = 0.0;  // the most recent curve value per channel
    double lastCurveR = 0.0;
    ZHistory historyL;
    ZHistory historyR;
    Upsampler2x upsampler;
    Downsampler2x downsampler;
    std::atomic<bool> bypassed{false};
    // The loops process uses; the constructor picks the fastest available.
    // Never set it to loops that clipperBestLoops() does not offer.
    ClipperLoops loops = ClipperLoops::TwoLane;

    // Last curve values to 0, histories sized for the rate, both filters
    // rebuilt and reset. The owner runs its reset afterwards.
    void setSampleRate(double sampleRate);
    // Last curve values to 0, histories cleared, filters reset (nothing freed
    // or rebuilt). The owner applies its program afterwards.
    void reset();
    // The curve and the oversampling switch from the four stored normalised
    // values ("Gain", "Clip", "Softness", "Oversmp"), published as the newest
    // state (one writer; an owner with several writers publishes versioned
    // states through curve.publish).
    void applyParameters(double gainNorm, double clipNorm, double softnessNorm, double oversmpNorm);
    void setBypass(bool on) { bypassed.store(on, std::memory_order_relaxed); }
    void clearHistories()
    {
        historyL.clear();
        historyR.clear();
    }

    // Channels 0 and 1 of inputs and outputs are used; frames <= 0 or a null
    // buffer processes nothing. Inputs and outputs may be the same buffers.
    // `capture` is the editor-open flag: while set, every frame's pairs are
    // pushed into historyL and historyR.
    SARVO_REALIGN_STACK void processReplacing(const float* const* inputs, float* const* outputs, int32_t frames,
                                              const std::atomic<bool>& capture);
    SARVO_REALIGN_STACK void processDoubleReplacing(const double* const* inputs, double* const* outputs, int32_t frames,
                                                    const std::atomic<bool>& capture);
    // Same procedure; adds each new value, converted to float, to the sample
    // already in the output buffer.
    SARVO_REALIGN_STACK void processAccumulating(const float* const* inputs, float* const* outputs, int32_t frames,
                                                 const std::atomic<bool>& capture);

private:
    template <typename Sample, bool Accumulate>
    void run(const Sample* const* inputs, Sample* const* outputs, int32_t frames, const std::atomic<bool>& capture);
    template <typename Sample, bool Accumulate, bool Quiet>
    void plainChunk(const sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL, Sample* outR,
                    int32_t n, bool bypass, bool push);
    // Oversampled chunks for as long as oversampling stays on, the filters'
    // state held in registers throughout; answers the frames done.
    template <typename Sample, bool Accumulate>
    int32_t oversampledRun(sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                           Sample* outR, int32_t frames, const std::atomic<bool>& capture);
    // The AVX forms (clipper_engine_avx.cpp). The plain one runs chunks for
    // as long as oversampling, bypass and capture stay off (the caller has
    // found them off for the first) and answers the frames done.
    template <typename Sample, bool Accumulate>
    int32_t plainRunAvx(sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL, Sample* outR,
                        int32_t frames, const std::atomic<bool>& capture);
    template <typename Sample, bool Accumulate>
    int32_t oversampledRunAvx(sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                              Sample* outR, int32_t frames, const std::atomic<bool>& capture);
};
