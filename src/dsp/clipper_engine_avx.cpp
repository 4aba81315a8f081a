// The processing loops for processors with AVX, and with AVX-512VL (the
// same code with 32 vector registers, which spares the filters' state from
// being spilled). The engine picks them through clipperBestLoops().
#include "dsp/clipper_engine.h"

#include "dsp/clipper_kernels.h"

#if SARVO_DSP_AVX

#include <immintrin.h>

#define SARVO_AVX_NS avx
#define SARVO_AVX_MASKS 0
#define SARVO_AVX __attribute__((target("avx")))
#define SARVO_AVX_INLINE inline __attribute__((target("avx"), always_inline))
#define SARVO_AVX_LAMBDA __attribute__((target("avx"), always_inline))
#include "dsp/clipper_avx_kernels.h"
#undef SARVO_AVX_NS
#undef SARVO_AVX_MASKS
#undef SARVO_AVX
#undef SARVO_AVX_INLINE
#undef SARVO_AVX_LAMBDA

#define SARVO_AVX_NS avx512
#define SARVO_AVX_MASKS 1
#define SARVO_AVX __attribute__((target("avx,avx2,avx512f,avx512vl")))
#define SARVO_AVX_INLINE inline __attribute__((target("avx,avx2,avx512f,avx512vl"), always_inline))
#define SARVO_AVX_LAMBDA __attribute__((target("avx,avx2,avx512f,avx512vl"), always_inline))
#include "dsp/clipper_avx_kernels.h"
#undef SARVO_AVX_NS
#undef SARVO_AVX_MASKS
#undef SARVO_AVX
#undef SARVO_AVX_INLINE
#undef SARVO_AVX_LAMBDA

ClipperLoops clipperBestLoops()
{
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl")) {
        return ClipperLoops::Avx512;
    }
    if (__builtin_cpu_supports("avx")) return ClipperLoops::Avx;
    return ClipperLoops::TwoLane;
}

template <typename Sample, bool Accumulate>
void ClipperEngine::plainChunkAvx(const CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                                  Sample* outR, int32_t n)
{
    const int32_t k = loops == ClipperLoops::Avx512
        ? avx512::plainAvx<Sample, Accumulate>(*this, cc, inL, inR, outL, outR, n)
        : avx::plainAvx<Sample, Accumulate>(*this, cc, inL, inR, outL, outR, n);
    if (k < n) {
        plainChunk<Sample, Accumulate, true>(cc, inL + k, inR + k, outL + k, outR + k, n - k, false, false);
    }
}

template <typename Sample, bool Accumulate, bool Quiet>
void ClipperEngine::oversampledChunkAvx(const CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                                        Sample* outR, int32_t n, bool bypass, bool push)
{
    if (loops == ClipperLoops::Avx512) {
        avx512::oversampledAvx<Sample, Accumulate, Quiet>(*this, cc, inL, inR, outL, outR, n, bypass, push);
    } else {
        avx::oversampledAvx<Sample, Accumulate, Quiet>(*this, cc, inL, inR, outL, outR, n, bypass, push);
    }
}

template void ClipperEngine::plainChunkAvx<float, false>(const CurveCache&, const float*, const float*, float*, float*,
                                                         int32_t);
template void ClipperEngine::plainChunkAvx<float, true>(const CurveCache&, const float*, const float*, float*, float*,
                                                        int32_t);
template void ClipperEngine::plainChunkAvx<double, false>(const CurveCache&, const double*, const double*, double*,
                                                          double*, int32_t);

#define SARVO_OVERSAMPLED_AVX(Sample, Accumulate, Quiet)                                                               \
    template void ClipperEngine::oversampledChunkAvx<Sample, Accumulate, Quiet>(                                       \
        const CurveCache&, const Sample*, const Sample*, Sample*, Sample*, int32_t, bool, bool);
SARVO_OVERSAMPLED_AVX(float, false, false)
SARVO_OVERSAMPLED_AVX(float, false, true)
SARVO_OVERSAMPLED_AVX(float, true, false)
SARVO_OVERSAMPLED_AVX(float, true, true)
SARVO_OVERSAMPLED_AVX(double, false, false)
SARVO_OVERSAMPLED_AVX(double, false, true)

#else

ClipperLoops clipperBestLoops() { return ClipperLoops::TwoLane; }

#endif
