#include "dsp/clipper_engine.h"

#include "dsp/clipper_kernels.h"

#include <cstring>
#include <utility>

// The oversampled loop with two doubles per operation (SSE2, or plain C++).
#define SARVO_KERNEL_NS twolane
#define SARVO_KERNEL_ISA 0
#define SARVO_KERNEL
#define SARVO_KERNEL_INLINE SARVO_HOT_INLINE
#define SARVO_KERNEL_LAMBDA SARVO_LAMBDA_INLINE
#include "dsp/clipper_avx_kernels.h"
#undef SARVO_KERNEL_NS
#undef SARVO_KERNEL_ISA
#undef SARVO_KERNEL
#undef SARVO_KERNEL_INLINE
#undef SARVO_KERNEL_LAMBDA

ClipperEngine::ClipperEngine() : loops(clipperBestLoops()) {}

void ClipperEngine::setSampleRate(double sampleRate)
{
    lastCurveL = lastCurveR = 0.0;
    historyL.configure(sampleRate);
    historyR.configure(sampleRate);
    upsampler.rebuild();
    upsampler.reset();
    downsampler.rebuild();
    downsampler.reset();
}

void ClipperEngine::reset()
{
    lastCurveL = lastCurveR = 0.0;
    historyL.clear();
    historyR.clear();
    upsampler.reset();
    downsampler.reset();
}

void ClipperEngine::applyParameters(double gainNorm, double clipNorm, double softnessNorm, double oversmpNorm)
{
    curve.publishNext(clipCurveFromNormalised(gainNorm, clipNorm, softnessNorm),
                      oversamplingFromNormalised(oversmpNorm));
}

void ClipperEngine::processReplacing(const float* const* inputs, float* const* outputs, int32_t frames,
                                     const std::atomic<bool>& capture)
{
    run<float, false>(inputs, outputs, frames, capture);
}

void ClipperEngine::processDoubleReplacing(const double* const* inputs, double* const* outputs, int32_t frames,
                                           const std::atomic<bool>& capture)
{
    run<double, false>(inputs, outputs, frames, capture);
}

void ClipperEngine::processAccumulating(const float* const* inputs, float* const* outputs, int32_t frames,
                                        const std::atomic<bool>& capture)
{
    run<float, true>(inputs, outputs, frames, capture);
}

template <typename Sample, bool Accumulate>
void ClipperEngine::run(const Sample* const* inputs, Sample* const* outputs, int32_t frames,
                        const std::atomic<bool>& capture)
{
    if (frames <= 0 || !inputs || !outputs) return;
    const Sample* inL = inputs[0];
    const Sample* inR = inputs[1];
    Sample* outL = outputs[0];
    Sample* outR = outputs[1];
    if (!inL || !inR || !outL || !outR) return;

    CurveCache cc(curve);
    for (int32_t i = 0; i < frames;) {
        cc.refresh(curve);
        const Sample* il = inL + i;
        const Sample* ir = inR + i;
        Sample* ol = outL + i;
        Sample* orr = outR + i;
        if (cc.oversampling) {
#if SARVO_DSP_AVX
            if (loops != ClipperLoops::TwoLane) {
                i += oversampledRunAvx<Sample, Accumulate>(cc, il, ir, ol, orr, frames - i, capture);
                continue;
            }
#endif
            i += oversampledRun<Sample, Accumulate>(cc, il, ir, ol, orr, frames - i, capture);
            continue;
        }
        const int32_t n = frames - i < kClipperChunk ? frames - i : kClipperChunk;
        const bool bypass = bypassed.load(kRelaxed);
        const bool push = capture.load(kRelaxed);
        if (!bypass && !push) {
#if SARVO_DSP_AVX
            if (loops != ClipperLoops::TwoLane) {
                i += plainRunAvx<Sample, Accumulate>(cc, il, ir, ol, orr, frames - i, capture);
                continue;
            }
#endif
            plainChunk<Sample, Accumulate, true>(cc, il, ir, ol, orr, n, false, false);
        } else {
            plainChunk<Sample, Accumulate, false>(cc, il, ir, ol, orr, n, bypass, push);
        }
        i += n;
    }
}

// Without oversampling: two frames of one channel per lane pair.
template <typename Sample, bool Accumulate, bool Quiet>
void ClipperEngine::plainChunk(const sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                               Sample* outR, int32_t n, bool bypass, bool push)
{
    const PairCurve& pc = cc.pc;
    LanePair lastL = pairSplat(lastCurveL);
    LanePair lastR = pairSplat(lastCurveR);
    int32_t k = 0;
    for (; k + 1 < n; k += 2) {
        const LanePair xl = loadTwo(inL, k);
        const LanePair xr = loadTwo(inR, k);
        LanePair gl = pc.gainFactor * xl;
        LanePair gr = pc.gainFactor * xr;
        if (!bothWithinLimit(gl, gr)) {
            gl = mendGainedPair(xl, gl);
            gr = mendGainedPair(xr, gr);
        }
        lastL = clipPair(pc, gl);
        lastR = clipPair(pc, gr);
        if (Quiet) {
            storeTwo<Accumulate>(outL, k, lastL);
            storeTwo<Accumulate>(outR, k, lastR);
        } else {
            const LanePair ol = bypass ? xl : lastL;
            const LanePair orr = bypass ? xr : lastR;
            if (push) {
                const LanePair hl = bypass ? xl : gl;
                const LanePair hr = bypass ? xr : gr;
                historyL.push(pairLeft(hl), pairLeft(ol));
                historyR.push(pairLeft(hr), pairLeft(orr));
                historyL.push(pairRight(hl), pairRight(ol));
                historyR.push(pairRight(hr), pairRight(orr));
            }
            storeTwo<Accumulate>(outL, k, ol);
            storeTwo<Accumulate>(outR, k, orr);
        }
    }
    if (k < n) {  // a last single frame: both channels in one pair
        const LanePair x = loadFrame(inL, inR, k);
        LanePair g = pc.gainFactor * x;
        if (!withinLimit(g)) g = mendGainedPair(x, g);
        const LanePair y = clipPair(pc, g);
        lastL = pairSplat(pairLeft(y));
        lastR = pairSplat(pairRight(y));
        const LanePair out = bypass ? x : y;
        if (push) pushHistories(historyL, historyR, bypass ? x : g, out);
        storeFrame<Accumulate>(outL, outR, k, out);
    }
    lastCurveL = pairRight(lastL);
    lastCurveR = pairRight(lastR);
}

template <typename Sample, bool Accumulate>
int32_t ClipperEngine::oversampledRun(sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                                      Sample* outR, int32_t frames, const std::atomic<bool>& capture)
{
    return twolane::oversampledRun<Sample, Accumulate>(*this, cc, inL, inR, outL, outR, frames, capture);
}

// Also used by the AVX loops for the frames that do not fill a register.
template void ClipperEngine::plainChunk<float, false, true>(const sarvo_dsp::CurveCache&, const float*, const float*,
                                                            float*, float*, int32_t, bool, bool);
template void ClipperEngine::plainChunk<float, true, true>(const sarvo_dsp::CurveCache&, const float*, const float*,
                                                           float*, float*, int32_t, bool, bool);
template void ClipperEngine::plainChunk<double, false, true>(const sarvo_dsp::CurveCache&, const double*, const double*,
                                                             double*, double*, int32_t, bool, bool);
