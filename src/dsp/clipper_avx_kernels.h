// The AVX processing loops, written once and compiled once per instruction
// set: the including file defines SARVO_AVX_NS (the namespace to put them
// in), SARVO_AVX (the attribute for functions that use the instruction set),
// SARVO_AVX_INLINE and SARVO_AVX_LAMBDA, then includes this file. Deliberately without an
// include guard. Everything lands in an unnamed namespace, so nothing built
// for one instruction set can be picked up by code built for another.
//
// Same procedure and the same IEEE operations in the same order as the
// two-lane loops of clipper_engine.cpp, four doubles at a time: the half-band
// filters run their branches A and B side by side (lanes A-left, A-right,
// B-left, B-right), the curve takes both high-rate samples of a frame at
// once, and the plain loop takes four frames of a channel.

namespace {
namespace SARVO_AVX_NS {

SARVO_AVX_INLINE __m256d join(__m128d low, __m128d high)
{
    return _mm256_insertf128_pd(_mm256_castpd128_pd256(low), high, 1);
}

SARVO_AVX_INLINE __m128d low(__m256d v) { return _mm256_castpd256_pd128(v); }
SARVO_AVX_INLINE __m128d high(__m256d v) { return _mm256_extractf128_pd(v, 1); }

SARVO_AVX_INLINE __m256d add(__m256d a, __m256d b) { return _mm256_add_pd(a, b); }
SARVO_AVX_INLINE __m256d sub(__m256d a, __m256d b) { return _mm256_sub_pd(a, b); }
SARVO_AVX_INLINE __m256d mul(__m256d a, __m256d b) { return _mm256_mul_pd(a, b); }

struct Curve4 {
    __m256d gainFactor, clipLevel, kneeStart, kneeEnd, quadA, quadB, quadC;
};

SARVO_AVX_INLINE Curve4 curve4(const ClipCurveValues& v)
{
    return {_mm256_set1_pd(v.gainFactor), _mm256_set1_pd(v.clipLevel), _mm256_set1_pd(v.kneeStart),
            _mm256_set1_pd(v.kneeEnd),    _mm256_set1_pd(v.quadA),     _mm256_set1_pd(v.quadB),
            _mm256_set1_pd(v.quadC)};
}

// Lane-wise mask ? a : b, by bits.
SARVO_AVX_INLINE __m256d select4(__m256d mask, __m256d a, __m256d b)
{
    return _mm256_or_pd(_mm256_and_pd(mask, a), _mm256_andnot_pd(mask, b));
}

// clipSampleWith on four values: the same comparisons and arithmetic, with
// the branches chosen lane by lane.
SARVO_AVX_INLINE __m256d clip4(const Curve4& c, __m256d v)
{
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d u = _mm256_andnot_pd(signBit, v);
    const __m256d knee = add(mul(u, add(mul(c.quadA, u), c.quadB)), c.quadC);
#if SARVO_AVX_MASKS
    // The same choices with AVX-512VL's mask registers: one instruction each.
    const __m256d sign = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(v, _mm256_setzero_pd(), _CMP_LT_OQ),
                                              _mm256_set1_pd(1.0), _mm256_set1_pd(-1.0));
    __m256d w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeStart, _CMP_GT_OQ), u, knee);
    w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeEnd, _CMP_GE_OQ), w, c.clipLevel);
#else
    const __m256d negative = _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_LT_OQ);
    const __m256d sign = _mm256_or_pd(_mm256_and_pd(negative, signBit), _mm256_set1_pd(1.0));
    __m256d w = select4(_mm256_cmp_pd(u, c.kneeStart, _CMP_GT_OQ), knee, u);
    w = select4(_mm256_cmp_pd(u, c.kneeEnd, _CMP_GE_OQ), c.clipLevel, w);
#endif
    return mul(sign, w);
}

SARVO_AVX_INLINE bool within4(__m256d v)
{
    const __m256d a = _mm256_andnot_pd(_mm256_set1_pd(-0.0), v);
    return _mm256_movemask_pd(_mm256_cmp_pd(a, _mm256_set1_pd(kClipperInputLimit), _CMP_LE_OQ)) == 15;
}

// The polyphase filter state of sarvo_dsp::PolyFilter with branch A in the
// low and branch B in the high half of each register; the filter's inputs
// are held in both halves.
struct Poly4 {
    __m256d qe0, yo0, pe1, qe1, yo1;
};

SARVO_AVX_INLINE Poly4 loadPoly4(const PolyFilter& p)
{
    return {join(p.a.qe0.v, p.b.qe0.v), join(p.a.yo0.v, p.b.yo0.v), join(p.a.pe1.v, p.b.pe1.v),
            join(p.a.qe1.v, p.b.qe1.v), join(p.a.yo1.v, p.b.yo1.v)};
}

// `pe0`, `po0`: the filter's last even and odd inputs (both halves alike).
SARVO_AVX_INLINE void storePoly4(const Poly4& q, __m256d pe0, __m256d po0, __m128d lastOutput, HalfBandFilter& f)
{
    PolyFilter p;
    p.a = {{low(q.qe0)}, {low(q.yo0)}, {low(q.pe1)}, {low(q.qe1)}, {low(q.yo1)}};
    p.b = {{high(q.qe0)}, {high(q.yo0)}, {high(q.pe1)}, {high(q.qe1)}, {high(q.yo1)}};
    p.pe0 = {low(pe0)};
    p.po0 = {low(po0)};
    storePoly(p, {lastOutput}, f);
}

// polyFrame with both branches in one register: even input e, odd input o,
// and the previous frame's inputs pe0 and po0 (held by the caller, so that
// they need no register across frames).
SARVO_AVX_INLINE void frame4(Poly4& f, __m256d e, __m256d pe0, __m256d o, __m256d po0, __m128d& first, __m128d& second)
{
    const __m256d c0 = _mm256_set_pd(kHalfBandCoefsB[0], kHalfBandCoefsB[0], kHalfBandCoefsA[0], kHalfBandCoefsA[0]);
    const __m256d c1 = _mm256_set_pd(kHalfBandCoefsB[1], kHalfBandCoefsB[1], kHalfBandCoefsA[1], kHalfBandCoefsA[1]);
    const __m256d guard = _mm256_set1_pd(kAllpassDenormalGuard);
    const __m256d ye0 = add(mul(sub(e, f.qe0), c0), pe0);
    const __m256d ye1 = add(mul(sub(ye0, f.qe1), c1), f.pe1);
    const __m256d yo0 = add(mul(sub(o, add(f.yo0, guard)), c0), po0);
    const __m256d yo1 = add(mul(sub(yo0, add(f.yo1, guard)), c1), f.yo0);
    const __m128d delayed = high(f.yo1);
    f.qe0 = add(ye0, guard);
    f.pe1 = ye0;
    f.qe1 = add(ye1, guard);
    f.yo0 = yo0;
    f.yo1 = yo1;
    const __m128d half = _mm_set1_pd(0.5);
    first = _mm_mul_pd(_mm_add_pd(low(ye1), delayed), half);
    second = _mm_mul_pd(_mm_add_pd(low(yo1), high(ye1)), half);
}

SARVO_AVX_INLINE __m256d load4(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
SARVO_AVX_INLINE __m256d load4(const double* p) { return _mm256_loadu_pd(p); }

template <bool Accumulate>
SARVO_AVX_INLINE void store4(float* p, __m256d v)
{
    __m128 f = _mm256_cvtpd_ps(v);
    if (Accumulate) f = _mm_add_ps(_mm_loadu_ps(p), f);
    _mm_storeu_ps(p, f);
}

template <bool Accumulate>
SARVO_AVX_INLINE void store4(double* p, __m256d v)
{
    static_assert(!Accumulate, "the accumulating form exists for float only");
    _mm256_storeu_pd(p, v);
}

SARVO_AVX_INLINE __m256d mendGained4(__m256d x, __m256d g)
{
    return join(mendGainedPair({low(x)}, {low(g)}).v, mendGainedPair({high(x)}, {high(g)}).v);
}

// Four frames of each channel at a time; answers how many frames it did (a
// multiple of four) and leaves the rest to the two-lane loop.
template <typename Sample, bool Accumulate>
SARVO_AVX int32_t plainAvx(ClipperEngine& e, const CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                           Sample* outR, int32_t n)
{
    const Curve4 c = curve4(cc.values);
    int32_t k = 0;
    __m256d yl = _mm256_setzero_pd(), yr = _mm256_setzero_pd();
    for (; k + 3 < n; k += 4) {
        const __m256d xl = load4(inL + k);
        const __m256d xr = load4(inR + k);
        __m256d gl = mul(c.gainFactor, xl);
        __m256d gr = mul(c.gainFactor, xr);
        if (!(within4(gl) & within4(gr))) {
            gl = mendGained4(xl, gl);
            gr = mendGained4(xr, gr);
        }
        yl = clip4(c, gl);
        yr = clip4(c, gr);
        store4<Accumulate>(outL + k, yl);
        store4<Accumulate>(outR + k, yr);
    }
    if (k > 0) {
        e.lastCurveL = _mm_cvtsd_f64(_mm_unpackhi_pd(high(yl), high(yl)));
        e.lastCurveR = _mm_cvtsd_f64(_mm_unpackhi_pd(high(yr), high(yr)));
    }
    return k;
}

template <typename Sample, bool Accumulate, bool Quiet>
SARVO_AVX void oversampledAvx(ClipperEngine& e, const CurveCache& cc, const Sample* inL, const Sample* inR,
                              Sample* outL, Sample* outR, int32_t n, bool bypass, bool push)
{
    const Curve4 c = curve4(cc.values);
    LanePair x[kClipperChunk];
    LanePair g[kClipperChunk];
    LanePair d[kClipperChunk];
    gainPass(cc, inL, inR, n, x, g);

    // Interpolation, curve and decimation in one loop, so that the two
    // filters' recursions overlap: each turn interpolates and shapes frame
    // k + 1 while it decimates frame k, which keeps independent work side by
    // side. A frame's two high-rate values go side by side through the curve.
    // The filters' inputs of each frame are kept in arrays (slot k + 1 for
    // frame k, slot 0 for the frame before the chunk), which leaves the
    // registers to the recursions. The interpolator's even input is always 0.
    // (Taking the gain and the output into this loop as well makes it slower.)
    const PolyFilter upState = loadPoly(e.upsampler.filter);
    const PolyFilter downState = loadPoly(e.downsampler.filter);
    Poly4 up = loadPoly4(upState);
    Poly4 down = loadPoly4(downState);
    __m256d upOdd[kClipperChunk + 1];
    __m256d downEven[kClipperChunk + 1];
    __m256d downOdd[kClipperChunk + 1];
    __m256d before[kClipperChunk];  // the curve's input
    __m256d after[kClipperChunk];  // the curve's output
    upOdd[0] = join(upState.po0.v, upState.po0.v);
    downEven[0] = join(downState.pe0.v, downState.pe0.v);
    downOdd[0] = join(downState.po0.v, downState.po0.v);
    const __m256d zero = _mm256_setzero_pd();

    auto interpolateAndShape = [&](int32_t k) SARVO_AVX_LAMBDA {
        const __m128d g2 = _mm_add_pd(g[k].v, g[k].v);
        const __m256d odd = join(g2, g2);
        upOdd[k + 1] = odd;
        __m128d first, second;
        frame4(up, zero, zero, odd, upOdd[k], first, second);
        before[k] = join(first, second);
        __m256d v = clip4(c, before[k]);
        if (!cc.boundedCurve && !within4(v)) {
            LanePair lo = {low(v)}, hi = {high(v)};
            mendCurvePairs(lo, hi);
            v = join(lo.v, hi.v);
        }
        after[k] = v;
        downEven[k + 1] = _mm256_permute2f128_pd(v, v, 0x00);
        downOdd[k + 1] = _mm256_permute2f128_pd(v, v, 0x11);
    };
    auto decimate = [&](int32_t k) SARVO_AVX_LAMBDA {
        __m128d discarded, result;
        frame4(down, downEven[k + 1], downEven[k], downOdd[k + 1], downOdd[k], discarded, result);
        d[k] = {result};
    };
    interpolateAndShape(0);
    for (int32_t k = 0; k + 1 < n; ++k) {
        interpolateAndShape(k + 1);
        decimate(k);
    }
    decimate(n - 1);

    storePoly4(up, zero, upOdd[n], high(before[n - 1]), e.upsampler.filter);
    _mm_storeu_pd(e.upsampler.first, low(before[n - 1]));
    _mm_storeu_pd(e.upsampler.second, high(before[n - 1]));
    storePoly4(down, downEven[n], downOdd[n], d[n - 1].v, e.downsampler.filter);
    _mm_storeu_pd(e.downsampler.result, d[n - 1].v);
    const __m128d lastCurve = high(after[n - 1]);
    e.lastCurveL = _mm_cvtsd_f64(lastCurve);
    e.lastCurveR = _mm_cvtsd_f64(_mm_unpackhi_pd(lastCurve, lastCurve));

    outputPass<Sample, Accumulate, Quiet>(e, cc, d, x, g, outL, outR, n, bypass, push);
}

}  // namespace SARVO_AVX_NS
}  // namespace
