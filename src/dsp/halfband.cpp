#include "dsp/halfband.h"

void AllpassStage::reset()
{
    for (int lane = 0; lane < 2; ++lane) {
        x1[lane] = x2[lane] = y1[lane] = y2[lane] = out[lane] = 0.0;
    }
}

double AllpassStage::step(int lane, double x)
{
    const double y = (x - y2[lane]) * a + x2[lane];
    x2[lane] = x1[lane];
    x1[lane] = x;
    y2[lane] = y1[lane] + kAllpassDenormalGuard;
    y1[lane] = y;
    out[lane] = y;
    return y;
}

void AllpassChain::build(const double* coefs, int32_t count)
{
    if (count < 0) count = 0;
    if (count > kMaxStages) count = kMaxStages;
    stageCount = count;
    for (int32_t i = 0; i < kMaxStages; ++i) {
        stages[i].a = i < count ? coefs[i] : 0.0;
        stages[i].reset();
    }
    value[0] = value[1] = 0.0;
}

void AllpassChain::reset()
{
    for (AllpassStage& s : stages) s.reset();
    value[0] = value[1] = 0.0;
}

double AllpassChain::step(int lane, double x)
{
    for (int32_t i = 0; i < stageCount; ++i) x = stages[i].step(lane, x);
    value[lane] = x;
    return x;
}

void HalfBandFilter::rebuild()
{
    branchA.build(kHalfBandCoefsA, 2);
    branchB.build(kHalfBandCoefsB, 2);
    out[0] = out[1] = 0.0;
    delayedB[0] = delayedB[1] = 0.0;
}

void HalfBandFilter::reset()
{
    branchA.reset();
    branchB.reset();
    out[0] = out[1] = 0.0;
    delayedB[0] = delayedB[1] = 0.0;
}

double HalfBandFilter::step(int lane, double x)
{
    const double a = branchA.step(lane, x);
    const double b = branchB.step(lane, x);
    out[lane] = (a + delayedB[lane]) * 0.5;
    delayedB[lane] = b;
    return out[lane];
}

void Upsampler2x::rebuild()
{
    filter.rebuild();
    first[0] = first[1] = second[0] = second[1] = 0.0;
}

void Upsampler2x::reset()
{
    filter.reset();
    first[0] = first[1] = second[0] = second[1] = 0.0;
}

void Upsampler2x::upsample(int lane, double g)
{
    first[lane] = filter.step(lane, 0.0);
    second[lane] = filter.step(lane, 2.0 * g);
}

void Downsampler2x::rebuild()
{
    filter.rebuild();
    result[0] = result[1] = 0.0;
}

void Downsampler2x::reset()
{
    filter.reset();
    result[0] = result[1] = 0.0;
}

void Downsampler2x::downsample(int lane, double p, double q)
{
    filter.step(lane, p);
    result[lane] = filter.step(lane, q);
}
