#include "dsp/clipper_engine.h"

#include "dsp/clipper_kernels.h"

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
    curve.applyNormalised(gainNorm, clipNorm, softnessNorm);
    oversampling.store(oversamplingFromNormalised(oversmpNorm), kRelaxed);
}

void ClipperEngine::applyDisplayValues(double gainDb, double clipPercent, double softnessPercent, double oversmpDisplay)
{
    curve.applyDisplay(gainDb, clipPercent, softnessPercent);
    oversampling.store(oversmpDisplay >= 0.5, kRelaxed);
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
    for (int32_t i = 0; i < frames; i += kClipperChunk) {
        const int32_t n = frames - i < kClipperChunk ? frames - i : kClipperChunk;
        cc.refresh(curve);
        const bool bypass = bypassed.load(kRelaxed);
        const bool push = capture.load(kRelaxed);
        const bool quiet = !bypass && !push;
        const Sample* il = inL + i;
        const Sample* ir = inR + i;
        Sample* ol = outL + i;
        Sample* orr = outR + i;
        if (oversampling.load(kRelaxed)) {
#if SARVO_DSP_AVX
            if (loops != ClipperLoops::TwoLane) {
                if (quiet) {
                    oversampledChunkAvx<Sample, Accumulate, true>(cc, il, ir, ol, orr, n, false, false);
                } else {
                    oversampledChunkAvx<Sample, Accumulate, false>(cc, il, ir, ol, orr, n, bypass, push);
                }
                continue;
            }
#endif
            if (quiet) {
                oversampledChunk<Sample, Accumulate, true>(cc, il, ir, ol, orr, n, false, false);
            } else {
                oversampledChunk<Sample, Accumulate, false>(cc, il, ir, ol, orr, n, bypass, push);
            }
        } else if (quiet) {
#if SARVO_DSP_AVX
            if (loops != ClipperLoops::TwoLane) {
                plainChunkAvx<Sample, Accumulate>(cc, il, ir, ol, orr, n);
                continue;
            }
#endif
            plainChunk<Sample, Accumulate, true>(cc, il, ir, ol, orr, n, false, false);
        } else {
            plainChunk<Sample, Accumulate, false>(cc, il, ir, ol, orr, n, bypass, push);
        }
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

// With oversampling: gain, interpolation, curve, decimation and output each
// run over the whole chunk in turn, so that each loop keeps its filter's
// state in registers. Frame by frame the arithmetic is the documented one.
template <typename Sample, bool Accumulate, bool Quiet>
void ClipperEngine::oversampledChunk(const sarvo_dsp::CurveCache& cc, const Sample* inL, const Sample* inR,
                                     Sample* outL, Sample* outR, int32_t n, bool bypass, bool push)
{
    const PairCurve& pc = cc.pc;
    LanePair x[kClipperChunk];
    LanePair g[kClipperChunk];
    LanePair c0[kClipperChunk];
    LanePair c1[kClipperChunk];
    gainPass(cc, inL, inR, n, x, g);

    // Interpolation; its even input is always 0.
    {
        PolyFilter up = loadPoly(upsampler.filter);
        LanePair first, second;
        for (int32_t k = 0; k < n; ++k) {
            polyFrameZeroEven(up, g[k] + g[k], first, second);
            c0[k] = first;
            c1[k] = second;
        }
        storePoly(up, second, upsampler.filter);
        pairStore(upsampler.first, first);
        pairStore(upsampler.second, second);
    }

    // The curve at the doubled rate.
    for (int32_t k = 0; k < n; ++k) {
        c0[k] = clipPair(pc, c0[k]);
        c1[k] = clipPair(pc, c1[k]);
    }
    if (!cc.boundedCurve) {
        for (int32_t k = 0; k < n; ++k) {
            if (!bothWithinLimit(c0[k], c1[k])) mendCurvePairs(c0[k], c1[k]);
        }
    }
    lastCurveL = pairLeft(c1[n - 1]);
    lastCurveR = pairRight(c1[n - 1]);

    // Decimation; results overwrite c1.
    {
        PolyFilter down = loadPoly(downsampler.filter);
        LanePair discarded, result;
        for (int32_t k = 0; k < n; ++k) {
            polyFrame(down, c0[k], c1[k], discarded, result);
            c1[k] = result;
        }
        storePoly(down, result, downsampler.filter);
        pairStore(downsampler.result, result);
    }

    outputPass<Sample, Accumulate, Quiet>(*this, cc, c1, x, g, outL, outR, n, bypass, push);
}

// Also used by the AVX loops for the frames that do not fill a register.
template void ClipperEngine::plainChunk<float, false, true>(const sarvo_dsp::CurveCache&, const float*, const float*,
                                                            float*, float*, int32_t, bool, bool);
template void ClipperEngine::plainChunk<float, true, true>(const sarvo_dsp::CurveCache&, const float*, const float*,
                                                           float*, float*, int32_t, bool, bool);
template void ClipperEngine::plainChunk<double, false, true>(const sarvo_dsp::CurveCache&, const double*, const double*,
                                                             double*, double*, int32_t, bool, bool);
