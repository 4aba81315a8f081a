// Straightforward one-sample-at-a-time form of the clipper's per-frame
// procedure, lane by lane through the filters' scalar steps. It works on the
// same records as ClipperEngine and is the yardstick that the tests and the
// benchmark hold the fast loops against. Not used by the plug-in itself.
// It has no guard against non-finite input.
#pragma once

#include <atomic>
#include <cstdint>

#include "dsp/clipper_engine.h"

template <typename Sample>
void referenceProcess(ClipperEngine& e, const Sample* const* inputs, Sample* const* outputs, int32_t frames,
                      bool capture, bool accumulate = false)
{
    for (int32_t i = 0; i < frames; ++i) {
        const double xL = inputs[0][i];
        const double xR = inputs[1][i];
        const ClipCurveValues c = e.curve.load();
        const double gL = c.gainFactor * xL;
        const double gR = c.gainFactor * xR;
        double yL, yR;
        if (!e.curve.oversampling.load(std::memory_order_relaxed)) {
            yL = clipSample(c, gL);
            yR = clipSample(c, gR);
            e.lastCurveL = yL;
            e.lastCurveR = yR;
        } else {
            e.upsampler.upsample(0, gL);
            e.upsampler.upsample(1, gR);
            const double cL0 = clipSample(c, e.upsampler.first[0]);
            const double cR0 = clipSample(c, e.upsampler.first[1]);
            const double cL1 = clipSample(c, e.upsampler.second[0]);
            const double cR1 = clipSample(c, e.upsampler.second[1]);
            e.lastCurveL = cL1;
            e.lastCurveR = cR1;
            e.downsampler.downsample(0, cL0, cL1);
            e.downsampler.downsample(1, cR0, cR1);
            yL = e.downsampler.result[0];
            if (yL < -c.clipLevel) yL = -c.clipLevel;
            if (yL > c.clipLevel) yL = c.clipLevel;
            yR = e.downsampler.result[1];
            if (yR < -c.clipLevel) yR = -c.clipLevel;
            if (yR > c.clipLevel) yR = c.clipLevel;
        }
        const bool bypass = e.bypassed.load(std::memory_order_relaxed);
        const double outL = bypass ? xL : yL;
        const double outR = bypass ? xR : yR;
        if (capture) {
            e.historyL.push(bypass ? xL : gL, outL);
            e.historyR.push(bypass ? xR : gR, outR);
        }
        if (accumulate) {
            outputs[0][i] = outputs[0][i] + static_cast<Sample>(outL);
            outputs[1][i] = outputs[1][i] + static_cast<Sample>(outR);
        } else {
            outputs[0][i] = static_cast<Sample>(outL);
            outputs[1][i] = static_cast<Sample>(outR);
        }
    }
}
