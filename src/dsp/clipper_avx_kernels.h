

// The oversampled processing loop (and, for AVX, the plain one), written once
// and compiled once per instruction set. The including file defines
// SARVO_KERNEL_NS (the namespace to put them in), SARVO_KERNEL_ISA (0: two
// doubles per operation, SSE2 or plain C++; 1: AVX; 2: AVX-512VL at 256 bits),
// SARVO_KERNEL (the attribute for functions that use the instruction set),
// SARVO_KERNEL_INLINE and SARVO_KERNEL_LAMBDA, then includes this file.
// Deliberately without an include guard. Everything lands in an unnamed
// namespace, so nothing built for one instruction set can be picked up by code
// built for another.
//
// A block's oversampled frames run with both filters' state held in local
// variables from its first frame to its last, the switches and the curve
// re-read every kClipperChunk frames. Each frame takes gain, interpolation,
// curve, decimation, clamp and output in one pass, interpolation and curve a
// pair of frames or two ahead of decimation (kAhead), without staging the
// filters' inputs or outputs. Frame by frame the arithmetic is the scalar
// reference's (tests/support/clipper_reference.h), operation for operation;
// only its order across independent values differs. Nothing is computed that
// no output needs.
//
// The filters in polyphase form. Between frames a half-band filter's state is
// two interleaved half-rate recursions, the even and the odd steps of each
// frame; per phase, branch and lane one step is
//     y0 = (x - q0) * c0 + xp      q0 = y0 + guard    xp = x
//     y1 = (y0 - q1) * c1 + y0p    q1 = y1 + guard    y0p = y0
// (xp: the phase's previous input; q: a stage's previous output plus the
// denormal guard, exactly the y2 of the allpass stage). Phases, branches and
// lanes are independent, so a register of four doubles holds two of them:
// - interpolator, odd phase: [B, A] (each half is left, right); its input is
//   2 g in both halves;
// - interpolator, even phase: [A, B]; its input is always 0, so it is a fixed
//   sequence that no signal reaches. From any state it falls into a cycle of
//   period 1 (branch A) or 2 (branch B) within 200 frames of a reset; once the
//   state after two steps equals the state before (bit for bit), its outputs
//   are known and the loop takes them instead of computing them again;
// - decimator: [even B, odd A]; it takes [c0, c1], a frame's two curve
//   values, as they come from the curve.
// The interpolator's outputs are [first, second] = ([odd B before, odd A] +
// [even A, even B]) * 0.5, the decimator's result (odd A + even B) * 0.5. The
// decimator's other output, (even A + odd B before) * 0.5, is discarded, and
// the two recursions that feed only it, even A and odd B, reach no output
// and no other state: they are not run, and their fields in the record
// (stage inputs and outputs of those phases, the branch value of B and the
// delayed B) keep whatever they held, zero after a reset.

namespace {
namespace SARVO_KERNEL_NS {

// ---------------------------------------------------------------- four doubles

#if SARVO_KERNEL_ISA == 0

struct Quad {
    LanePair lo, hi;
};
using Half = LanePair;

SARVO_KERNEL_INLINE Quad add(Quad a, Quad b) { return {a.lo + b.lo, a.hi + b.hi}; }
SARVO_KERNEL_INLINE Quad sub(Quad a, Quad b) { return {a.lo - b.lo, a.hi - b.hi}; }
SARVO_KERNEL_INLINE Quad mul(Quad a, Quad b) { return {a.lo * b.lo, a.hi * b.hi}; }
SARVO_KERNEL_INLINE Half add(Half a, Half b) { return a + b; }
SARVO_KERNEL_INLINE Half mul(Half a, Half b) { return a * b; }
SARVO_KERNEL_INLINE Quad quad(double lo, double hi) { return {pairSplat(lo), pairSplat(hi)}; }
SARVO_KERNEL_INLINE Quad quad(double x) { return quad(x, x); }
SARVO_KERNEL_INLINE Quad quad(Half lo, Half hi) { return {lo, hi}; }
SARVO_KERNEL_INLINE Half lo(Quad q) { return q.lo; }
SARVO_KERNEL_INLINE Half hi(Quad q) { return q.hi; }
SARVO_KERNEL_INLINE Half half(double x) { return pairSplat(x); }
SARVO_KERNEL_INLINE Half halfLoad(const double* p) { return pairLoad(p); }
SARVO_KERNEL_INLINE void halfStore(double* p, Half h) { pairStore(p, h); }
SARVO_KERNEL_INLINE double halfLeft(Half h) { return pairLeft(h); }
SARVO_KERNEL_INLINE double halfRight(Half h) { return pairRight(h); }
SARVO_KERNEL_INLINE LanePair toPair(Half h) { return h; }
SARVO_KERNEL_INLINE Half fromPair(LanePair p) { return p; }
// [a.lo, b.hi]
SARVO_KERNEL_INLINE Quad loHi(Quad a, Quad b) { return {a.lo, b.hi}; }
SARVO_KERNEL_INLINE Quad los(Quad a, Quad b) { return {a.lo, b.lo}; }
SARVO_KERNEL_INLINE Quad his(Quad a, Quad b) { return {a.hi, b.hi}; }
SARVO_KERNEL_INLINE Quad bothLo(Quad q) { return {q.lo, q.lo}; }
SARVO_KERNEL_INLINE Quad bothHi(Quad q) { return {q.hi, q.hi}; }
SARVO_KERNEL_INLINE Half maxOf(Half a, Half b) { return pairMax(a, b); }
SARVO_KERNEL_INLINE Half minOf(Half a, Half b) { return pairMin(a, b); }
SARVO_KERNEL_INLINE Quad maxOf(Quad a, Quad b) { return {pairMax(a.lo, b.lo), pairMax(a.hi, b.hi)}; }
SARVO_KERNEL_INLINE Quad minOf(Quad a, Quad b) { return {pairMin(a.lo, b.lo), pairMin(a.hi, b.hi)}; }
SARVO_KERNEL_INLINE bool quadWithin(Quad q, double limit)
{
    const LanePair l = pairSplat(limit);
    return maskAll(pairLessEqual(pairAbs(q.lo), l) & pairLessEqual(pairAbs(q.hi), l));
}

#else

using Quad = __m256d;
using Half = __m128d;

SARVO_KERNEL_INLINE Quad add(Quad a, Quad b) { return _mm256_add_pd(a, b); }
SARVO_KERNEL_INLINE Quad sub(Quad a, Quad b) { return _mm256_sub_pd(a, b); }
SARVO_KERNEL_INLINE Quad mul(Quad a, Quad b) { return _mm256_mul_pd(a, b); }
SARVO_KERNEL_INLINE Half add(Half a, Half b) { return _mm_add_pd(a, b); }
SARVO_KERNEL_INLINE Half mul(Half a, Half b) { return _mm_mul_pd(a, b); }
SARVO_KERNEL_INLINE Quad quad(double lo, double hi) { return _mm256_set_pd(hi, hi, lo, lo); }
SARVO_KERNEL_INLINE Quad quad(double x) { return _mm256_set1_pd(x); }
SARVO_KERNEL_INLINE Quad quad(Half lo, Half hi) { return _mm256_insertf128_pd(_mm256_castpd128_pd256(lo), hi, 1); }
SARVO_KERNEL_INLINE Half lo(Quad q) { return _mm256_castpd256_pd128(q); }
SARVO_KERNEL_INLINE Half hi(Quad q) { return _mm256_extractf128_pd(q, 1); }
SARVO_KERNEL_INLINE Half half(double x) { return _mm_set1_pd(x); }
SARVO_KERNEL_INLINE Half halfLoad(const double* p) { return _mm_loadu_pd(p); }
SARVO_KERNEL_INLINE void halfStore(double* p, Half h) { _mm_storeu_pd(p, h); }
SARVO_KERNEL_INLINE double halfLeft(Half h) { return _mm_cvtsd_f64(h); }
SARVO_KERNEL_INLINE double halfRight(Half h) { return _mm_cvtsd_f64(_mm_unpackhi_pd(h, h)); }
SARVO_KERNEL_INLINE LanePair toPair(Half h) { return {h}; }
SARVO_KERNEL_INLINE Half fromPair(LanePair p) { return p.v; }
SARVO_KERNEL_INLINE Quad loHi(Quad a, Quad b) { return _mm256_blend_pd(a, b, 0xC); }
SARVO_KERNEL_INLINE Quad los(Quad a, Quad b) { return _mm256_permute2f128_pd(a, b, 0x20); }
SARVO_KERNEL_INLINE Quad his(Quad a, Quad b) { return _mm256_permute2f128_pd(a, b, 0x31); }
SARVO_KERNEL_INLINE Quad bothLo(Quad q) { return _mm256_permute2f128_pd(q, q, 0x00); }
SARVO_KERNEL_INLINE Quad bothHi(Quad q) { return _mm256_permute2f128_pd(q, q, 0x11); }
SARVO_KERNEL_INLINE Half maxOf(Half a, Half b) { return _mm_max_pd(a, b); }
SARVO_KERNEL_INLINE Half minOf(Half a, Half b) { return _mm_min_pd(a, b); }
SARVO_KERNEL_INLINE Quad maxOf(Quad a, Quad b) { return _mm256_max_pd(a, b); }
SARVO_KERNEL_INLINE Quad minOf(Quad a, Quad b) { return _mm256_min_pd(a, b); }
SARVO_KERNEL_INLINE bool quadWithin(Quad q, double limit)
{
    const Quad a = _mm256_andnot_pd(_mm256_set1_pd(-0.0), q);
    return _mm256_movemask_pd(_mm256_cmp_pd(a, _mm256_set1_pd(limit), _CMP_LE_OQ)) == 15;
}

#endif

SARVO_KERNEL_INLINE Quad quadLoad(const double* lo, const double* hi) { return quad(halfLoad(lo), halfLoad(hi)); }

// ---------------------------------------------------------------- the curve

struct QuadCurve {
    Quad clipLevel, kneeStart, kneeEnd, quadA, quadB, quadC;
    Half gain2;  // the gain, for one frame at a time
    Quad gain, negClip4, clip4;
    Half negClip, clip;
};

SARVO_KERNEL_INLINE QuadCurve quadCurve(const ClipCurveValues& v)
{
    QuadCurve c;
    c.clipLevel = quad(v.clipLevel);
    c.kneeStart = quad(v.kneeStart);
    c.kneeEnd = quad(v.kneeEnd);
    c.quadA = quad(v.quadA);
    c.quadB = quad(v.quadB);
    c.quadC = quad(v.quadC);
    c.gain2 = half(v.gainFactor);
    c.gain = quad(v.gainFactor);
    c.negClip4 = quad(-v.clipLevel);
    c.clip4 = quad(v.clipLevel);
    c.negClip = half(-v.clipLevel);
    c.clip = half(v.clipLevel);
    return c;
}

// clipSampleWith on four values: the same comparisons and arithmetic, the
// branches chosen lane by lane. The sign is applied by flipping the sign bit
// where v < 0, which is what multiplying by -1 does to every value but a NaN;
// a NaN curve value never reaches the decimator (it is mended to 0 first).
#if SARVO_KERNEL_ISA == 0
SARVO_KERNEL_INLINE LanePair curveHalf(const QuadCurve& c, LanePair v)
{
#if defined(__SSE2__)
    const __m128d signBit = _mm_set1_pd(-0.0);
    const __m128d u = _mm_andnot_pd(signBit, v.v);
    const __m128d knee =
        _mm_add_pd(_mm_mul_pd(u, _mm_add_pd(_mm_mul_pd(c.quadA.lo.v, u), c.quadB.lo.v)), c.quadC.lo.v);
    const __m128d inKnee = _mm_cmpgt_pd(u, c.kneeStart.lo.v);
    __m128d w = _mm_or_pd(_mm_and_pd(inKnee, knee), _mm_andnot_pd(inKnee, u));
    const __m128d flat = _mm_cmpge_pd(u, c.kneeEnd.lo.v);
    w = _mm_or_pd(_mm_and_pd(flat, c.clipLevel.lo.v), _mm_andnot_pd(flat, w));
    const __m128d negative = _mm_and_pd(_mm_cmplt_pd(v.v, _mm_setzero_pd()), signBit);
    return {_mm_xor_pd(w, negative)};
#else
    const double cl = pairLeft(c.clipLevel.lo), ks = pairLeft(c.kneeStart.lo), ke = pairLeft(c.kneeEnd.lo);
    const double a = pairLeft(c.quadA.lo), b = pairLeft(c.quadB.lo), q = pairLeft(c.quadC.lo);
    return pairOf(clipSampleWith(pairLeft(v), cl, ks, ke, a, b, q), clipSampleWith(pairRight(v), cl, ks, ke, a, b, q));
#endif
}

SARVO_KERNEL_INLINE Quad curve(const QuadCurve& c, Quad v) { return {curveHalf(c, v.lo), curveHalf(c, v.hi)}; }
#else
SARVO_KERNEL_INLINE Quad curve(const QuadCurve& c, Quad v)
{
    const Quad signBit = _mm256_set1_pd(-0.0);
    const Quad u = _mm256_andnot_pd(signBit, v);
    const Quad knee = add(mul(u, add(mul(c.quadA, u), c.quadB)), c.quadC);
#if SARVO_KERNEL_ISA == 2
    // AVX-512VL's mask registers: one instruction per choice.
    const __mmask8 negative = _mm256_cmp_pd_mask(v, _mm256_setzero_pd(), _CMP_LT_OQ);
    Quad w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeStart, _CMP_GT_OQ), u, knee);
    w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeEnd, _CMP_GE_OQ), w, c.clipLevel);
    const __m256i wi = _mm256_castpd_si256(w);
    return _mm256_castsi256_pd(_mm256_mask_xor_epi64(wi, negative, wi, _mm256_castpd_si256(signBit)));
#else
    // Selections by bits (GCC turns blendv on a comparison into branches).
    const Quad inKnee = _mm256_cmp_pd(u, c.kneeStart, _CMP_GT_OQ);
    Quad w = _mm256_or_pd(_mm256_and_pd(inKnee, knee), _mm256_andnot_pd(inKnee, u));
    const Quad flat = _mm256_cmp_pd(u, c.kneeEnd, _CMP_GE_OQ);
    w = _mm256_or_pd(_mm256_and_pd(flat, c.clipLevel), _mm256_andnot_pd(flat, w));
    const Quad negative = _mm256_and_pd(_mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_LT_OQ), signBit);
    return _mm256_xor_pd(w, negative);
#endif
}
#endif

// ---------------------------------------------------------------- loads and stores

// Frames i and i + 1 as [left i, right i, left i+1, right i+1].
SARVO_KERNEL_INLINE Quad loadTwoFrames(const float* l, const float* r, int32_t i)
{
#if SARVO_KERNEL_ISA == 0
#if defined(__SSE2__)
    const __m128 lf = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(l + i)));
    const __m128 rf = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + i)));
    const __m128 f = _mm_unpacklo_ps(lf, rf);
    return {{_mm_cvtps_pd(f)}, {_mm_cvtps_pd(_mm_movehl_ps(f, f))}};
#else
    return {pairOf(l[i], r[i]), pairOf(l[i + 1], r[i + 1])};
#endif
#else
    const __m128 lf = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(l + i)));
    const __m128 rf = _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + i)));
    return _mm256_cvtps_pd(_mm_unpacklo_ps(lf, rf));
#endif
}

SARVO_KERNEL_INLINE Quad loadTwoFrames(const double* l, const double* r, int32_t i)
{
#if SARVO_KERNEL_ISA == 0
#if defined(__SSE2__)
    const __m128d lv = _mm_loadu_pd(l + i);
    const __m128d rv = _mm_loadu_pd(r + i);
    return {{_mm_unpacklo_pd(lv, rv)}, {_mm_unpackhi_pd(lv, rv)}};
#else
    return {pairOf(l[i], r[i]), pairOf(l[i + 1], r[i + 1])};
#endif
#else
    const __m128d lv = _mm_loadu_pd(l + i);
    const __m128d rv = _mm_loadu_pd(r + i);
    return quad(_mm_unpacklo_pd(lv, rv), _mm_unpackhi_pd(lv, rv));
#endif
}

// Stores [left i, right i, left i+1, right i+1].
template <bool Accumulate>
SARVO_KERNEL_INLINE void storeTwoFrames(float* l, float* r, int32_t i, Quad y)
{
#if SARVO_KERNEL_ISA == 0
#if defined(__SSE2__)
    __m128 f = _mm_unpacklo_ps(_mm_cvtpd_ps(y.lo.v), _mm_cvtpd_ps(y.hi.v));  // l0 l1 r0 r1
    if (Accumulate) {
        const __m128 old = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(l + i))),
                                        reinterpret_cast<const __m64*>(r + i));
        f = _mm_add_ps(old, f);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(l + i), _mm_castps_si128(f));
    _mm_storeh_pi(reinterpret_cast<__m64*>(r + i), f);
#else
    storeFrame<Accumulate>(l, r, i, y.lo);
    storeFrame<Accumulate>(l, r, i + 1, y.hi);
#endif
#else
    __m128 f = _mm256_cvtpd_ps(y);  // l0 r0 l1 r1
    f = _mm_shuffle_ps(f, f, _MM_SHUFFLE(3, 1, 2, 0));  // l0 l1 r0 r1
    if (Accumulate) {
        const __m128 old = _mm_loadh_pi(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(l + i))),
                                        reinterpret_cast<const __m64*>(r + i));
        f = _mm_add_ps(old, f);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(l + i), _mm_castps_si128(f));
    _mm_storeh_pi(reinterpret_cast<__m64*>(r + i), f);
#endif
}

template <bool Accumulate>
SARVO_KERNEL_INLINE void storeTwoFrames(double* l, double* r, int32_t i, Quad y)
{
    static_assert(!Accumulate, "the accumulating form exists for float only");
#if SARVO_KERNEL_ISA == 0 && !defined(__SSE2__)
    storeFrame<false>(l, r, i, y.lo);
    storeFrame<false>(l, r, i + 1, y.hi);
#elif SARVO_KERNEL_ISA == 0
    _mm_storeu_pd(l + i, _mm_unpacklo_pd(y.lo.v, y.hi.v));
    _mm_storeu_pd(r + i, _mm_unpackhi_pd(y.lo.v, y.hi.v));
#else
    const Half a = lo(y), b = hi(y);
    _mm_storeu_pd(l + i, _mm_unpacklo_pd(a, b));
    _mm_storeu_pd(r + i, _mm_unpackhi_pd(a, b));
#endif
}

// Whether every input of the chunk gives a gained value within the input
// limit, told without forming the products: float samples are finite and the
// gain is small enough that no finite float can reach the limit; double
// samples are within a bound that keeps the product below the limit. "No"
// only sends the chunk to the loop that checks every frame.
SARVO_KERNEL_INLINE bool inputsWithinLimit(const float* l, const float* r, int32_t n, double gain)
{
    if (!(std::fabs(gain) <= 1e261)) return false;
    int32_t k = 0;
#if SARVO_KERNEL_ISA > 0
    const __m256 absMask = _mm256_castsi256_ps(_mm256_set1_epi32(0x7fffffff));
    const __m256 maxf = _mm256_set1_ps(3.40282347e38f);
    __m256 ok = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
    for (; k + 7 < n; k += 8) {
        ok = _mm256_and_ps(ok, _mm256_cmp_ps(_mm256_and_ps(_mm256_loadu_ps(l + k), absMask), maxf, _CMP_LE_OQ));
        ok = _mm256_and_ps(ok, _mm256_cmp_ps(_mm256_and_ps(_mm256_loadu_ps(r + k), absMask), maxf, _CMP_LE_OQ));
    }
    if (_mm256_movemask_ps(ok) != 0xff) return false;
#elif defined(__SSE2__)
    const __m128 absMask = _mm_castsi128_ps(_mm_set1_epi32(0x7fffffff));
    const __m128 maxf = _mm_set1_ps(3.40282347e38f);
    __m128 ok = _mm_castsi128_ps(_mm_set1_epi32(-1));
    for (; k + 3 < n; k += 4) {
        ok = _mm_and_ps(ok, _mm_cmple_ps(_mm_and_ps(_mm_loadu_ps(l + k), absMask), maxf));
        ok = _mm_and_ps(ok, _mm_cmple_ps(_mm_and_ps(_mm_loadu_ps(r + k), absMask), maxf));
    }
    if (_mm_movemask_ps(ok) != 0xf) return false;
#endif
    for (; k < n; ++k) {
        if (!(std::fabs(l[k]) <= 3.40282347e38f && std::fabs(r[k]) <= 3.40282347e38f)) return false;
    }
    return true;
}

SARVO_KERNEL_INLINE bool inputsWithinLimit(const double* l, const double* r, int32_t n, double gain)
{
    // |x| <= bound makes |gain * x| <= kClipperInputLimit: the bound is a
    // little below the exact quotient.
    if (!std::isfinite(gain)) return false;
    double bound = kClipperInputLimit / std::fabs(gain) * 0.999999;
    if (!(bound <= 1.79e308)) bound = 1.79e308;
    int32_t k = 0;
#if SARVO_KERNEL_ISA > 0
    const __m256d absMask = _mm256_castsi256_pd(_mm256_set1_epi64x(0x7fffffffffffffffLL));
    const __m256d b = _mm256_set1_pd(bound);
    __m256d ok = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    for (; k + 3 < n; k += 4) {
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(_mm256_and_pd(_mm256_loadu_pd(l + k), absMask), b, _CMP_LE_OQ));
        ok = _mm256_and_pd(ok, _mm256_cmp_pd(_mm256_and_pd(_mm256_loadu_pd(r + k), absMask), b, _CMP_LE_OQ));
    }
    if (_mm256_movemask_pd(ok) != 0xf) return false;
#elif defined(__SSE2__)
    const __m128d absMask = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffffLL));
    const __m128d b = _mm_set1_pd(bound);
    __m128d ok = _mm_castsi128_pd(_mm_set1_epi32(-1));
    for (; k + 1 < n; k += 2) {
        ok = _mm_and_pd(ok, _mm_cmple_pd(_mm_and_pd(_mm_loadu_pd(l + k), absMask), b));
        ok = _mm_and_pd(ok, _mm_cmple_pd(_mm_and_pd(_mm_loadu_pd(r + k), absMask), b));
    }
    if (_mm_movemask_pd(ok) != 0x3) return false;
#endif
    for (; k < n; ++k) {
        if (!(std::fabs(l[k]) <= bound && std::fabs(r[k]) <= bound)) return false;
    }
    return true;
}

// ---------------------------------------------------------------- the filters

struct Coefs {
    Quad upOdd0, upOdd1;  // [B, A]
    Quad upEven0, upEven1;  // [A, B]
    Quad down0, down1;  // [B, A]
    Quad guard, half4, two;
    Half half2, two2;
};

SARVO_KERNEL_INLINE Coefs coefs()
{
    const double* a = kHalfBandCoefsA;
    const double* b = kHalfBandCoefsB;
    return {quad(b[0], a[0]), quad(b[1], a[1]), quad(a[0], b[0]), quad(a[1], b[1]), quad(b[0], a[0]),
            quad(b[1], a[1]), quad(kAllpassDenormalGuard), quad(0.5), quad(2.0), half(0.5), half(2.0)};
}

// One phase group (two phases or branches of both lanes) of a filter.
struct Phases {
    Quad q0, xp, q1, y0p;
};

// One polyphase step of a phase group with input x; gives the stage-1
// output.
SARVO_KERNEL_INLINE Quad phaseStep(Phases& s, Quad x, Quad c0, Quad c1, Quad guard)
{
    const Quad y0 = add(mul(sub(x, s.q0), c0), s.xp);
    const Quad y1 = add(mul(sub(y0, s.q1), c1), s.y0p);
    s.q0 = add(y0, guard);
    s.q1 = add(y1, guard);
    s.xp = x;
    s.y0p = y0;
    return y1;
}

// The fast loop's form of the same step, for a settled group (q0 equal to
// y0p + guard, as after any step, but not in the all-zero record a reset
// leaves): q0 is formed from y0p where it is needed instead of being carried
// from frame to frame, which keeps one value fewer live. s.q0 is left behind;
// settle() brings it up to date when the loop ends. The same arithmetic.
SARVO_KERNEL_INLINE Quad settledStep(Phases& s, Quad x, Quad c0, Quad c1, Quad guard)
{
    const Quad y0 = add(mul(sub(x, add(s.y0p, guard)), c0), s.xp);
    const Quad y1 = add(mul(sub(y0, s.q1), c1), s.y0p);
    s.q1 = add(y1, guard);
    s.xp = x;
    s.y0p = y0;
    return y1;
}

template <bool Settled>
SARVO_KERNEL_INLINE Quad step(Phases& s, Quad x, Quad c0, Quad c1, Quad guard)
{
    return Settled ? settledStep(s, x, c0, c1, guard) : phaseStep(s, x, c0, c1, guard);
}

struct Interpolator {
    Phases odd;  // [B, A]
    Quad oddOut;  // the odd phase's last stage-1 output
    Phases even;  // [A, B]
};

struct Decimator {
    Phases p;  // [even B, odd A]
    Quad out;  // the last stage-1 output
};

// The interpolator's even phase once it repeats: its state now and after one
// step, and its outputs at the next step and the one after.
struct EvenCycle {
    Phases next;
    Quad out0, out1;
};

// Odd half of one interpolator frame; `even` is the even phase's stage-1
// output of this frame. Gives [first, second]. Settled, the odd phase's q0
// and q1 are formed from y0p and oddOut (see settledStep).
template <bool Settled = false>
SARVO_KERNEL_INLINE Quad interpolateOdd(Interpolator& u, const Coefs& k, Quad x, Quad even)
{
    Quad y1;
    if (Settled) {
        Phases& s = u.odd;
        const Quad y0 = add(mul(sub(x, add(s.y0p, k.guard)), k.upOdd0), s.xp);
        y1 = add(mul(sub(y0, add(u.oddOut, k.guard)), k.upOdd1), s.y0p);
        s.xp = x;
        s.y0p = y0;
    } else {
        y1 = phaseStep(u.odd, x, k.upOdd0, k.upOdd1, k.guard);
    }
    const Quad out = mul(add(loHi(u.oddOut, y1), even), k.half4);
    u.oddOut = y1;
    return out;
}

template <bool Settled = false>
SARVO_KERNEL_INLINE Quad interpolate(Interpolator& u, const Coefs& k, Quad x)
{
    const Quad zero = quad(0.0);
    const Quad even = phaseStep(u.even, zero, k.upEven0, k.upEven1, k.guard);
    return interpolateOdd<Settled>(u, k, x, even);
}

// The decimator's frame for the curve values [c0, c1]; gives the result.
// The stage-1 outputs are kept (for the record) only when Last.
template <bool Last = false, bool Settled = false>
SARVO_KERNEL_INLINE Half decimate(Decimator& d, const Coefs& k, Quad c)
{
    const Quad y = step<Settled>(d.p, c, k.down0, k.down1, k.guard);
    if (Last) d.out = y;
    return mul(add(hi(y), lo(y)), k.half2);
}

// Two frames; gives both results side by side.
template <bool Last = false, bool Settled = false>
SARVO_KERNEL_INLINE Quad decimateTwo(Decimator& d, const Coefs& k, Quad c0, Quad c1)
{
    const Quad y0 = step<Settled>(d.p, c0, k.down0, k.down1, k.guard);
    const Quad y1 = step<Settled>(d.p, c1, k.down0, k.down1, k.guard);
    if (Last) d.out = y1;
    return mul(add(his(y0, y1), los(y0, y1)), k.half4);
}

// Bitwise equality of two phase groups.
SARVO_KERNEL_INLINE bool samePhases(const Phases& a, const Phases& b)
{
    alignas(32) double x[16], y[16];
    const Quad* qa[4] = {&a.q0, &a.xp, &a.q1, &a.y0p};
    const Quad* qb[4] = {&b.q0, &b.xp, &b.q1, &b.y0p};
    for (int i = 0; i < 4; ++i) {
        halfStore(x + 4 * i, lo(*qa[i]));
        halfStore(x + 4 * i + 2, hi(*qa[i]));
        halfStore(y + 4 * i, lo(*qb[i]));
        halfStore(y + 4 * i + 2, hi(*qb[i]));
    }
    return std::memcmp(x, y, sizeof x) == 0;
}

struct EvenCheck {
    bool repeats;
    EvenCycle cycle;
};

// Whether the even phase from state `even` repeats every two frames, and if
// so its cycle. Takes and gives copies, so that the loop's state never needs
// an address.
SARVO_KERNEL EvenCheck evenPhaseRepeats(Phases even)
{
    const Coefs k = coefs();
    const Quad zero = quad(0.0);
    EvenCheck r;
    Phases s = even;
    r.cycle.out0 = phaseStep(s, zero, k.upEven0, k.upEven1, k.guard);
    r.cycle.next = s;
    r.cycle.out1 = phaseStep(s, zero, k.upEven0, k.upEven1, k.guard);
    r.repeats = samePhases(s, even);
    return r;
}

// The filters' records to and from registers.
SARVO_KERNEL_INLINE void plusGuard(const double* y, double* q)
{
    q[0] = y[0] + kAllpassDenormalGuard;
    q[1] = y[1] + kAllpassDenormalGuard;
}

SARVO_KERNEL Interpolator loadInterpolator(const HalfBandFilter& f)
{
    const AllpassStage& a0 = f.branchA.stages[0];
    const AllpassStage& a1 = f.branchA.stages[1];
    const AllpassStage& b0 = f.branchB.stages[0];
    const AllpassStage& b1 = f.branchB.stages[1];
    double qa0[2], qb0[2], qa1[2], qb1[2];
    plusGuard(a0.y1, qa0);
    plusGuard(b0.y1, qb0);
    plusGuard(a1.y1, qa1);
    plusGuard(b1.y1, qb1);
    Interpolator u;
    u.odd = {quadLoad(qb0, qa0), quadLoad(b0.x1, a0.x1), quadLoad(qb1, qa1), quadLoad(b1.x1, a1.x1)};
    u.oddOut = quadLoad(b1.y1, a1.y1);
    u.even = {quadLoad(a0.y2, b0.y2), quadLoad(a0.x2, b0.x2), quadLoad(a1.y2, b1.y2), quadLoad(a1.x2, b1.x2)};
    return u;
}

SARVO_KERNEL_INLINE void storeInterpolator(const Interpolator& u, Quad lastOut, Upsampler2x& up)
{
    HalfBandFilter& f = up.filter;
    AllpassStage& a0 = f.branchA.stages[0];
    AllpassStage& a1 = f.branchA.stages[1];
    AllpassStage& b0 = f.branchB.stages[0];
    AllpassStage& b1 = f.branchB.stages[1];
    // Odd phase [B, A]: the latest step of every stage.
    halfStore(b0.x1, lo(u.odd.xp));
    halfStore(a0.x1, hi(u.odd.xp));
    halfStore(b0.y1, lo(u.odd.y0p));
    halfStore(a0.y1, hi(u.odd.y0p));
    halfStore(b0.out, lo(u.odd.y0p));
    halfStore(a0.out, hi(u.odd.y0p));
    halfStore(b1.x1, lo(u.odd.y0p));
    halfStore(a1.x1, hi(u.odd.y0p));
    halfStore(b1.y1, lo(u.oddOut));
    halfStore(a1.y1, hi(u.oddOut));
    halfStore(b1.out, lo(u.oddOut));
    halfStore(a1.out, hi(u.oddOut));
    halfStore(f.branchB.value, lo(u.oddOut));
    halfStore(f.branchA.value, hi(u.oddOut));
    halfStore(f.delayedB, lo(u.oddOut));
    // Even phase [A, B]: the step before.
    halfStore(a0.x2, lo(u.even.xp));
    halfStore(b0.x2, hi(u.even.xp));
    halfStore(a0.y2, lo(u.even.q0));
    halfStore(b0.y2, hi(u.even.q0));
    halfStore(a1.x2, lo(u.even.y0p));
    halfStore(b1.x2, hi(u.even.y0p));
    halfStore(a1.y2, lo(u.even.q1));
    halfStore(b1.y2, hi(u.even.q1));
    halfStore(f.out, hi(lastOut));
    halfStore(up.first, lo(lastOut));
    halfStore(up.second, hi(lastOut));
}

SARVO_KERNEL Decimator loadDecimator(const HalfBandFilter& f)
{
    const AllpassStage& a0 = f.branchA.stages[0];
    const AllpassStage& a1 = f.branchA.stages[1];
    const AllpassStage& b0 = f.branchB.stages[0];
    const AllpassStage& b1 = f.branchB.stages[1];
    // Even B: its last step is the one before; odd A: the latest.
    double qa0[2], qa1[2];
    plusGuard(a0.y1, qa0);
    plusGuard(a1.y1, qa1);
    Decimator d;
    d.p = {quadLoad(b0.y2, qa0), quadLoad(b0.x2, a0.x1), quadLoad(b1.y2, qa1), quadLoad(b1.x2, a1.x1)};
    d.out = quadLoad(a1.y1, a1.y1);  // only its odd half is ever stored
    return d;
}

SARVO_KERNEL_INLINE void storeDecimator(const Decimator& d, Half lastResult, Downsampler2x& down)
{
    HalfBandFilter& f = down.filter;
    AllpassStage& a0 = f.branchA.stages[0];
    AllpassStage& a1 = f.branchA.stages[1];
    AllpassStage& b0 = f.branchB.stages[0];
    AllpassStage& b1 = f.branchB.stages[1];
    const Phases& p = d.p;  // [even B, odd A]
    halfStore(a0.x1, hi(p.xp));
    halfStore(a0.y1, hi(p.y0p));
    halfStore(a0.out, hi(p.y0p));
    halfStore(a1.x1, hi(p.y0p));
    halfStore(a1.y1, hi(d.out));
    halfStore(a1.out, hi(d.out));
    halfStore(f.branchA.value, hi(d.out));
    halfStore(b0.x2, lo(p.xp));
    halfStore(b0.y2, lo(p.q0));
    halfStore(b1.x2, lo(p.y0p));
    halfStore(b1.y2, lo(p.q1));
    halfStore(f.out, lastResult);
    halfStore(down.result, lastResult);
}

// ---------------------------------------------------------------- the oversampled loop

struct Filters {
    Interpolator up;
    Decimator down;
    EvenCycle cycle;
    bool repeating;  // the even phase repeats: take cycle.out0, out1
    Quad lastUp;  // the interpolator's last [first, second]
    Quad lastCurve;  // the last frame's curve values
    Half lastResult;  // the decimator's last result
};

SARVO_KERNEL_INLINE Half clampToClip(const QuadCurve& c, Half d) { return minOf(c.clip, maxOf(c.negClip, d)); }
SARVO_KERNEL_INLINE Quad clampToClip(const QuadCurve& c, Quad d) { return minOf(c.clip4, maxOf(c.negClip4, d)); }

// Whether the fields that settled steps leave behind agree with the rest:
// true after any step, false in the record of a reset.
SARVO_KERNEL_INLINE bool isSettled(const Filters& f, const Coefs& k)
{
    const Phases u[2] = {f.up.odd, f.down.p};
    const Phases v[2] = {{add(f.up.odd.y0p, k.guard), f.up.odd.xp, add(f.up.oddOut, k.guard), f.up.odd.y0p},
                         {add(f.down.p.y0p, k.guard), f.down.p.xp, f.down.p.q1, f.down.p.y0p}};
    return samePhases(u[0], v[0]) && samePhases(u[1], v[1]);
}

// Brings the fields that settled steps leave behind up to date.
SARVO_KERNEL_INLINE void settle(Filters& f, const Coefs& k)
{
    f.up.odd.q0 = add(f.up.odd.y0p, k.guard);
    f.up.odd.q1 = add(f.up.oddOut, k.guard);
    f.down.p.q0 = add(f.down.p.y0p, k.guard);
}

// The interpolator and the curve for one frame (settled steps); the even
// phase comes from the cycle when Repeating (`even`: its output for this
// frame).
template <bool Repeating>
SARVO_KERNEL_INLINE Quad shapeFrame(Filters& f, const Coefs& k, const QuadCurve& c, Quad x, Quad even, Quad* up = nullptr)
{
    const Quad o = Repeating ? interpolateOdd<true>(f.up, k, x, even) : interpolate<true>(f.up, k, x);
    if (up) *up = o;
    return curve(c, o);
}

#if SARVO_KERNEL_ISA == 0
// phaseStep on one lane pair whose state lives in locals: input x, previous
// input xp; gives the stage-1 output.
SARVO_KERNEL_INLINE LanePair lanePairStep(LanePair x, LanePair xp, LanePair& q0, LanePair& q1, LanePair& y0p,
                                          LanePair c0, LanePair c1, LanePair guard)
{
    const LanePair y0 = (x - q0) * c0 + xp;
    const LanePair y1 = (y0 - q1) * c1 + y0p;
    q0 = y0 + guard;
    q1 = y1 + guard;
    y0p = y0;
    return y1;
}

// The fast chunk with two doubles per register, for an even count of
// frames: first interpolation and curve, then decimation and output, each
// pass with its filter's state in local lane pairs (the registers do not hold
// both filters at once).
template <typename Sample, bool Accumulate, bool Repeating>
SARVO_KERNEL_INLINE void twoLanePasses(Filters& f, const QuadCurve& c, const Sample* inL, const Sample* inR,
                                       Sample* outL, Sample* outR, int32_t n)
{
    LanePair c0[kClipperChunk], c1[kClipperChunk];
    const LanePair guard = pairSplat(kAllpassDenormalGuard), half = pairSplat(0.5), two = pairSplat(2.0);
    const LanePair gain = c.gain2;
    {
        const LanePair a0 = pairSplat(kHalfBandCoefsA[0]), a1 = pairSplat(kHalfBandCoefsA[1]);
        const LanePair b0 = pairSplat(kHalfBandCoefsB[0]), b1 = pairSplat(kHalfBandCoefsB[1]);
        // Odd phase, [B, A] in the filters' record.
        Phases& odd = f.up.odd;
        LanePair qa0 = odd.q0.hi, qa1 = odd.q1.hi, ya0 = odd.y0p.hi;
        LanePair qb0 = odd.q0.lo, qb1 = odd.q1.lo, yb0 = odd.y0p.lo;
        LanePair xp = odd.xp.lo, ob = f.up.oddOut.lo, oa = f.up.oddOut.hi;
        LanePair first = f.lastUp.lo, second = f.lastUp.hi;
        // Even phase [A, B]: taken from the cycle when Repeating.
        Phases& even = f.up.even;
        LanePair eqa0 = even.q0.lo, eqa1 = even.q1.lo, eya0 = even.y0p.lo, expa = even.xp.lo;
        LanePair eqb0 = even.q0.hi, eqb1 = even.q1.hi, eyb0 = even.y0p.hi, expb = even.xp.hi;
        const LanePair zero = pairSplat(0.0);
        for (int32_t i = 0; i < n; ++i) {
            const LanePair x = two * (gain * loadFrame(inL, inR, i));
            LanePair ea, eb;
            if (Repeating) {
                const Quad& e = (i & 1) ? f.cycle.out1 : f.cycle.out0;
                ea = e.lo;
                eb = e.hi;
            } else {
                ea = lanePairStep(zero, expa, eqa0, eqa1, eya0, a0, a1, guard);
                eb = lanePairStep(zero, expb, eqb0, eqb1, eyb0, b0, b1, guard);
                expa = zero;
                expb = zero;
            }
            oa = lanePairStep(x, xp, qa0, qa1, ya0, a0, a1, guard);
            const LanePair obNew = lanePairStep(x, xp, qb0, qb1, yb0, b0, b1, guard);
            xp = x;
            first = (ob + ea) * half;
            second = (oa + eb) * half;
            ob = obNew;
            const Quad v = curve(c, Quad{first, second});
            c0[i] = v.lo;
            c1[i] = v.hi;
        }
        odd.q0 = {qb0, qa0};
        odd.q1 = {qb1, qa1};
        odd.y0p = {yb0, ya0};
        odd.xp = {xp, xp};
        f.up.oddOut = {ob, oa};
        even.q0 = {eqa0, eqb0};
        even.q1 = {eqa1, eqb1};
        even.y0p = {eya0, eyb0};
        even.xp = {expa, expb};
        f.lastUp = {first, second};
    }
    // The decimator, [even B, odd A] in the record: both recursions and the
    // output in one pass.
    Phases& p = f.down.p;
    const LanePair a0 = pairSplat(kHalfBandCoefsA[0]), a1 = pairSplat(kHalfBandCoefsA[1]);
    const LanePair b0 = pairSplat(kHalfBandCoefsB[0]), b1 = pairSplat(kHalfBandCoefsB[1]);
    LanePair qeb0 = p.q0.lo, qeb1 = p.q1.lo, yeb0 = p.y0p.lo, pe = p.xp.lo;
    LanePair qoa0 = p.q0.hi, qoa1 = p.q1.hi, yoa0 = p.y0p.hi, po = p.xp.hi;
    LanePair oa = f.down.out.hi;
    LanePair d = f.lastResult;
    for (int32_t i = 0; i < n; i += 2) {
        LanePair y[2];
        for (int j = 0; j < 2; ++j) {
            const LanePair e = c0[i + j], o = c1[i + j];
            oa = lanePairStep(o, po, qoa0, qoa1, yoa0, a0, a1, guard);
            const LanePair eb = lanePairStep(e, pe, qeb0, qeb1, yeb0, b0, b1, guard);
            pe = e;
            po = o;
            d = (oa + eb) * half;
            y[j] = pairMin(c.clip, pairMax(c.negClip, d));
        }
        storeTwoFrames<Accumulate>(outL, outR, i, Quad{y[0], y[1]});
    }
    p.q0 = {qeb0, qoa0};
    p.q1 = {qeb1, qoa1};
    p.y0p = {yeb0, yoa0};
    p.xp = {pe, po};
    f.down.out = {oa, oa};
    f.lastCurve = Quad{c0[n - 1], c1[n - 1]};
    f.lastResult = d;
}
#else
template <typename Sample, bool Accumulate, bool Repeating>
void twoLanePasses(Filters&, const QuadCurve&, const Sample*, const Sample*, Sample*, Sample*, int32_t)
{
}
#endif

// How many pairs of frames interpolation and curve run ahead of decimation.
// Two with the 32 registers of AVX-512VL in 64-bit code, where the state of
// both filters and the pairs in flight all stay in registers. One with 16
// registers (AVX), and in 32-bit code, which has 8 whatever the instruction
// set: part of the state lives in memory there, and one pair ahead is what
// ran fastest (an earlier form that shaped a whole chunk before decimating
// it was 20-30% slower once the decimator ran only its two used phases).
// -1: two doubles per register, see twoLanePasses.
#if defined(__i386__)
constexpr int kAhead = SARVO_KERNEL_ISA == 0 ? -1 : 1;
#else
constexpr int kAhead = SARVO_KERNEL_ISA == 2 ? 2 : SARVO_KERNEL_ISA == 1 ? 1 : -1;
#endif

// A chunk whose inputs are within the limit, whose curve is bounded and
// which neither bypasses nor captures: nothing is checked. The filters must
// be settled (isSettled). Two frames per
// turn; each turn interpolates and shapes frames ahead of those it decimates
// and writes, so that the processor finds independent work side by side (the
// two filters are independent recursions).
template <typename Sample, bool Accumulate, bool Repeating>
SARVO_KERNEL_INLINE void fastChunk(Filters& f, const Coefs& k, const QuadCurve& c, const Sample* inL, const Sample* inR,
                                   Sample* outL, Sample* outR, int32_t n)
{
    const Quad e0 = f.cycle.out0, e1 = f.cycle.out1;
    auto shapeTwo = [&](int32_t i, Quad& v0, Quad& v1, Quad* up) SARVO_KERNEL_LAMBDA {
        const Quad g2 = mul(k.two, mul(c.gain, loadTwoFrames(inL, inR, i)));
        v0 = shapeFrame<Repeating>(f, k, c, bothLo(g2), e0);
        v1 = shapeFrame<Repeating>(f, k, c, bothHi(g2), e1, up);
    };
    auto outputTwo = [&](int32_t i, Quad v0, Quad v1) SARVO_KERNEL_LAMBDA {
        storeTwoFrames<Accumulate>(outL, outR, i, clampToClip(c, decimateTwo<false, true>(f.down, k, v0, v1)));
    };
    auto outputLastTwo = [&](int32_t i, Quad v0, Quad v1) SARVO_KERNEL_LAMBDA {
        const Quad d = decimateTwo<true, true>(f.down, k, v0, v1);
        storeTwoFrames<Accumulate>(outL, outR, i, clampToClip(c, d));
        f.lastCurve = v1;
        f.lastResult = hi(d);
    };
    const int32_t pairs = n / 2;
    // Pairs of frames shaped `Depth` pairs ahead of the pair decimated; the
    // interpolator's output is kept for the record on the last turn only.
    auto pipeline = [&](auto depth) SARVO_KERNEL_LAMBDA {
        constexpr int Depth = decltype(depth)::value;
        Quad v[Depth][2];  // shaped and not yet decimated, oldest first
        for (int j = 0; j < Depth; ++j) shapeTwo(2 * j, v[j][0], v[j][1], &f.lastUp);
        auto turn = [&](int32_t i, Quad* up) SARVO_KERNEL_LAMBDA {
            Quad z0, z1;
            shapeTwo(i + 2 * Depth, z0, z1, up);
            outputTwo(i, v[0][0], v[0][1]);
            for (int j = 0; j + 1 < Depth; ++j) {
                v[j][0] = v[j + 1][0];
                v[j][1] = v[j + 1][1];
            }
            v[Depth - 1][0] = z0;
            v[Depth - 1][1] = z1;
        };
        int32_t i = 0;
        for (; i + 2 * Depth + 4 <= 2 * pairs; i += 2) turn(i, nullptr);
        if (i + 2 * Depth + 2 <= 2 * pairs) {
            turn(i, &f.lastUp);
            i += 2;
        }
        for (int j = 0; j + 1 < Depth; ++j, i += 2) outputTwo(i, v[j][0], v[j][1]);
        outputLastTwo(i, v[Depth - 1][0], v[Depth - 1][1]);
    };
    if (kAhead == -1 && pairs > 0) {
        twoLanePasses<Sample, Accumulate, Repeating>(f, c, inL, inR, outL, outR, 2 * pairs);
    } else if (kAhead == 2 && pairs >= 2) {
        pipeline(std::integral_constant<int, 2>());
    } else if (pairs > 0) {
        pipeline(std::integral_constant<int, 1>());
    }
    if (n & 1) {  // a last single frame
        const int32_t i = n - 1;
        const Half x = fromPair(loadFrame(inL, inR, i));
        const Half g2 = mul(k.two2, mul(c.gain2, x));
        const Quad v = shapeFrame<Repeating>(f, k, c, quad(g2, g2), e0, &f.lastUp);
        const Half d = decimate<true, true>(f.down, k, v);
        f.lastCurve = v;
        f.lastResult = d;
        storeFrame<Accumulate>(outL, outR, i, toPair(clampToClip(c, d)));
        if (Repeating) {  // an odd count of frames: the cycle moves on by one
            std::swap(f.up.even, f.cycle.next);
            std::swap(f.cycle.out0, f.cycle.out1);
        }
    }
    settle(f, k);
}

// Any other chunk: frame by frame, mending what is out of range, with
// bypass and capture. The even phase is computed.
template <typename Sample, bool Accumulate>
SARVO_KERNEL_INLINE void checkedChunk(ClipperEngine& e, Filters& f, const Coefs& k, const QuadCurve& c, bool boundedCurve,
                               const Sample* inL, const Sample* inR, Sample* outL, Sample* outR, int32_t n,
                               bool bypass, bool push)
{
    for (int32_t i = 0; i < n; ++i) {
        const LanePair x = loadFrame(inL, inR, i);
        LanePair g = toPair(mul(c.gain2, fromPair(x)));
        if (!withinLimit(g)) g = mendGainedPair(x, g);
        const Half g2 = mul(k.two2, fromPair(g));
        const Quad o = interpolate(f.up, k, quad(g2, g2));
        Quad v = curve(c, o);
        if (!boundedCurve && !quadWithin(v, kClipperInputLimit)) {
            LanePair a = toPair(lo(v)), b = toPair(hi(v));
            mendCurvePairs(a, b);
            v = quad(fromPair(a), fromPair(b));
        }
        const Half d = decimate<true>(f.down, k, v);
        f.lastUp = o;
        f.lastCurve = v;
        f.lastResult = d;
        const LanePair y = toPair(clampToClip(c, d));
        const LanePair out = bypass ? x : y;
        if (push) pushHistories(e.historyL, e.historyR, bypass ? x : g, out);
        storeFrame<Accumulate>(outL, outR, i, out);
    }
}

SARVO_KERNEL_INLINE void checkEven(Filters& f)
{
    const EvenCheck r = evenPhaseRepeats(f.up.even);
    f.repeating = r.repeats;
    f.cycle = r.cycle;
}

// Oversampled chunks from the start of the given buffers for as long as
// oversampling stays on, the first chunk with the caller's reading of the
// curve; answers the frames done (at least one chunk).
template <typename Sample, bool Accumulate>
SARVO_KERNEL int32_t oversampledRun(ClipperEngine& e, CurveCache& cc, const Sample* inL, const Sample* inR,
                                    Sample* outL, Sample* outR, int32_t frames, const std::atomic<bool>& capture)
{
    const Coefs k = coefs();
    Filters f;
    f.lastUp = f.lastCurve = quad(0.0);
    f.lastResult = half(0.0);
    f.up = loadInterpolator(e.upsampler.filter);
    f.down = loadDecimator(e.downsampler.filter);
    checkEven(f);
    bool settled = isSettled(f, k);
    int32_t done = 0;
    while (done < frames) {
        if (done > 0) {
            cc.refresh(e.curve);
            if (!cc.oversampling) break;
        }
        const int32_t n = frames - done < kClipperChunk ? frames - done : kClipperChunk;
        const bool bypass = e.bypassed.load(kRelaxed);
        const bool push = capture.load(kRelaxed);
        const QuadCurve c = quadCurve(cc.values);
        const Sample* il = inL + done;
        const Sample* ir = inR + done;
        Sample* ol = outL + done;
        Sample* orr = outR + done;
        if (!bypass && !push && cc.boundedCurve && inputsWithinLimit(il, ir, n, cc.values.gainFactor)) {
            int32_t m = 0;
            if (!settled) {  // the first frame after a reset
                checkedChunk<Sample, Accumulate>(e, f, k, c, true, il, ir, ol, orr, 1, false, false);
                checkEven(f);
                m = 1;
            }
            if (m == n) {
            } else if (f.repeating) {
                fastChunk<Sample, Accumulate, true>(f, k, c, il + m, ir + m, ol + m, orr + m, n - m);
            } else {
                fastChunk<Sample, Accumulate, false>(f, k, c, il + m, ir + m, ol + m, orr + m, n - m);
                checkEven(f);
            }
        } else {
            checkedChunk<Sample, Accumulate>(e, f, k, c, cc.boundedCurve, il, ir, ol, orr, n, bypass, push);
            checkEven(f);
        }
        settled = true;
        done += n;
    }
    storeInterpolator(f.up, f.lastUp, e.upsampler);
    storeDecimator(f.down, f.lastResult, e.downsampler);
    e.lastCurveL = halfLeft(hi(f.lastCurve));
    e.lastCurveR = halfRight(hi(f.lastCurve));
    return done;
}

// ---------------------------------------------------------------- the plain AVX loop

#if SARVO_KERNEL_ISA > 0

struct Curve4 {
    __m256d gainFactor, clipLevel, kneeStart, kneeEnd, quadA, quadB, quadC;
};

SARVO_KERNEL_INLINE Curve4 curve4(const ClipCurveValues& v)
{
    return {_mm256_set1_pd(v.gainFactor), _mm256_set1_pd(v.clipLevel), _mm256_set1_pd(v.kneeStart),
            _mm256_set1_pd(v.kneeEnd),    _mm256_set1_pd(v.quadA),     _mm256_set1_pd(v.quadB),
            _mm256_set1_pd(v.quadC)};
}

// clipSampleWith on four values, with the sign applied by multiplication as
// there: the plain path passes a NaN curve value on unchanged.
SARVO_KERNEL_INLINE __m256d clip4(const Curve4& c, __m256d v)
{
    const __m256d signBit = _mm256_set1_pd(-0.0);
    const __m256d u = _mm256_andnot_pd(signBit, v);
    const __m256d knee = add(mul(u, add(mul(c.quadA, u), c.quadB)), c.quadC);
#if SARVO_KERNEL_ISA == 2
    __m256d w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeStart, _CMP_GT_OQ), u, knee);
    w = _mm256_mask_blend_pd(_mm256_cmp_pd_mask(u, c.kneeEnd, _CMP_GE_OQ), w, c.clipLevel);
    // Only the negative lanes are multiplied (by -1): the others keep w, which is what 1 * w gives,
    // as w is never a signalling NaN (it comes out of arithmetic or the curve's own values).
    return _mm256_mask_mul_pd(w, _mm256_cmp_pd_mask(v, _mm256_setzero_pd(), _CMP_LT_OQ), w, _mm256_set1_pd(-1.0));
#else
    const __m256d negative = _mm256_cmp_pd(v, _mm256_setzero_pd(), _CMP_LT_OQ);
    const __m256d sign = _mm256_or_pd(_mm256_and_pd(negative, signBit), _mm256_set1_pd(1.0));
    const __m256d inKnee = _mm256_cmp_pd(u, c.kneeStart, _CMP_GT_OQ);
    __m256d w = _mm256_or_pd(_mm256_and_pd(inKnee, knee), _mm256_andnot_pd(inKnee, u));
    const __m256d flat = _mm256_cmp_pd(u, c.kneeEnd, _CMP_GE_OQ);
    w = _mm256_or_pd(_mm256_and_pd(flat, c.clipLevel), _mm256_andnot_pd(flat, w));
    return mul(sign, w);
#endif
}

// Whether every value of both is within the input limit (one test for the two channels).
SARVO_KERNEL_INLINE bool within4(__m256d a, __m256d b)
{
    const __m256d signBit = _mm256_set1_pd(-0.0), limit = _mm256_set1_pd(kClipperInputLimit);
    const __m256d ok = _mm256_and_pd(_mm256_cmp_pd(_mm256_andnot_pd(signBit, a), limit, _CMP_LE_OQ),
                                     _mm256_cmp_pd(_mm256_andnot_pd(signBit, b), limit, _CMP_LE_OQ));
    return _mm256_movemask_pd(ok) == 15;
}

SARVO_KERNEL_INLINE __m256d load4(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
SARVO_KERNEL_INLINE __m256d load4(const double* p) { return _mm256_loadu_pd(p); }

template <bool Accumulate>
SARVO_KERNEL_INLINE void store4(float* p, __m256d v)
{
    __m128 f = _mm256_cvtpd_ps(v);
    if (Accumulate) f = _mm_add_ps(_mm_loadu_ps(p), f);
    _mm_storeu_ps(p, f);
}

template <bool Accumulate>
SARVO_KERNEL_INLINE void store4(double* p, __m256d v)
{
    static_assert(!Accumulate, "the accumulating form exists for float only");
    _mm256_storeu_pd(p, v);
}

SARVO_KERNEL_INLINE __m256d mendGained4(__m256d x, __m256d g)
{
    return quad(mendGainedPair({lo(x)}, {lo(g)}).v, mendGainedPair({hi(x)}, {hi(g)}).v);
}

// Four frames of each channel from frame i; `y` gets their curve values.
template <typename Sample, bool Accumulate>
SARVO_KERNEL_INLINE void plainFour(const Curve4& c, const Sample* inL, const Sample* inR, Sample* outL, Sample* outR,
                                   int32_t i, __m256d& yl, __m256d& yr)
{
    const __m256d xl = load4(inL + i);
    const __m256d xr = load4(inR + i);
    __m256d gl = mul(c.gainFactor, xl);
    __m256d gr = mul(c.gainFactor, xr);
    if (!within4(gl, gr)) {
        gl = mendGained4(xl, gl);
        gr = mendGained4(xr, gr);
    }
    yl = clip4(c, gl);
    yr = clip4(c, gr);
    store4<Accumulate>(outL + i, yl);
    store4<Accumulate>(outR + i, yr);
}

// The plain path chunk after chunk, for as long as oversampling, bypass and
// capture stay off (the caller has found them off for the first chunk, with
// the reading of the curve it passes); answers the frames done. Four frames
// of each channel at a time; a last group of fewer runs through a copy
// padded with zeros (the lanes are independent, so the bits are the same).
template <typename Sample, bool Accumulate>
SARVO_KERNEL int32_t plainRun(ClipperEngine& e, CurveCache& cc, const Sample* inL, const Sample* inR, Sample* outL,
                              Sample* outR, int32_t frames, const std::atomic<bool>& capture)
{
    Curve4 c = curve4(cc.values);
    uint64_t seen = cc.count;
    __m256d yl = _mm256_setzero_pd(), yr = _mm256_setzero_pd();
    int32_t lastLane = 3;  // the lane of yl and yr that holds the newest frame
    int32_t done = 0;
    while (done < frames) {
        if (done > 0) {
            cc.refresh(e.curve);
            if (cc.oversampling || e.bypassed.load(kRelaxed) || capture.load(kRelaxed)) break;
            if (cc.count != seen) {
                c = curve4(cc.values);
                seen = cc.count;
            }
        }
        const int32_t n = frames - done < kClipperChunk ? frames - done : kClipperChunk;
        const int32_t end = done + n;
        int32_t i = done;
        for (; i + 3 < end; i += 4) plainFour<Sample, Accumulate>(c, inL, inR, outL, outR, i, yl, yr);
        if (i < end) {
            const int32_t r = end - i;
            alignas(32) Sample pin[2][4] = {}, pout[2][4] = {};
            for (int32_t j = 0; j < r; ++j) {
                pin[0][j] = inL[i + j];
                pin[1][j] = inR[i + j];
                pout[0][j] = outL[i + j];
                pout[1][j] = outR[i + j];
            }
            plainFour<Sample, Accumulate>(c, pin[0], pin[1], pout[0], pout[1], 0, yl, yr);
            for (int32_t j = 0; j < r; ++j) {
                outL[i + j] = pout[0][j];
                outR[i + j] = pout[1][j];
            }
            lastLane = r - 1;
        }
        done = end;
    }
    alignas(32) double l[4], r[4];
    _mm256_store_pd(l, yl);
    _mm256_store_pd(r, yr);
    e.lastCurveL = l[lastLane];
    e.lastCurveR = r[lastLane];
    return done;
}

#endif

}  // namespace SARVO_KERNEL_NS
}  // namespace
