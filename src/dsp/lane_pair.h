// Two independent double-precision lanes (left, right) handled as one value.
//
// With SSE2 a pair is one __m128d; without it, two plain doubles. Every
// operation is the same IEEE double operation applied to each lane, so both
// forms give bit-identical lane results (the build must not contract a*b+c
// into a fused multiply-add; see -ffp-contract=off).
#pragma once

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#if defined(__GNUC__)
#define SARVO_HOT_INLINE inline __attribute__((always_inline))
#define SARVO_LAMBDA_INLINE __attribute__((always_inline))
#else
#define SARVO_HOT_INLINE inline
#define SARVO_LAMBDA_INLINE
#endif

namespace sarvo_dsp {

#if defined(__SSE2__)

struct LanePair {
    __m128d v;
};

// Comparison result: all bits set in a lane where the comparison holds.
struct LaneMask {
    __m128d m;
};

inline LanePair pairOf(double left, double right) { return {_mm_set_pd(right, left)}; }
inline LanePair pairSplat(double x) { return {_mm_set1_pd(x)}; }
inline LanePair pairLoad(const double* p) { return {_mm_loadu_pd(p)}; }
inline void pairStore(double* p, LanePair a) { _mm_storeu_pd(p, a.v); }
inline double pairLeft(LanePair a) { return _mm_cvtsd_f64(a.v); }
inline double pairRight(LanePair a) { return _mm_cvtsd_f64(_mm_unpackhi_pd(a.v, a.v)); }

inline LanePair operator+(LanePair a, LanePair b) { return {_mm_add_pd(a.v, b.v)}; }
inline LanePair operator-(LanePair a, LanePair b) { return {_mm_sub_pd(a.v, b.v)}; }
inline LanePair operator*(LanePair a, LanePair b) { return {_mm_mul_pd(a.v, b.v)}; }

// |a|: clears the sign bit, exactly like std::fabs.
inline LanePair pairAbs(LanePair a) { return {_mm_andnot_pd(_mm_set1_pd(-0.0), a.v)}; }

// a > b ? a : b and a < b ? a : b, lane by lane, exactly as MAXPD and MINPD:
// when the comparison fails (equal values, zeros of either sign, a NaN) the
// result is b.
inline LanePair pairMax(LanePair a, LanePair b) { return {_mm_max_pd(a.v, b.v)}; }
inline LanePair pairMin(LanePair a, LanePair b) { return {_mm_min_pd(a.v, b.v)}; }

inline LaneMask pairLess(LanePair a, LanePair b) { return {_mm_cmplt_pd(a.v, b.v)}; }
inline LaneMask pairGreater(LanePair a, LanePair b) { return {_mm_cmpgt_pd(a.v, b.v)}; }
inline LaneMask pairGreaterEqual(LanePair a, LanePair b) { return {_mm_cmpge_pd(a.v, b.v)}; }
inline LaneMask pairLessEqual(LanePair a, LanePair b) { return {_mm_cmple_pd(a.v, b.v)}; }
inline LaneMask operator&(LaneMask a, LaneMask b) { return {_mm_and_pd(a.m, b.m)}; }

// Lane-wise: mask ? a : b.
inline LanePair pairSelect(LaneMask mask, LanePair a, LanePair b)
{
    return {_mm_or_pd(_mm_and_pd(mask.m, a.v), _mm_andnot_pd(mask.m, b.v))};
}

inline bool maskAll(LaneMask mask) { return _mm_movemask_pd(mask.m) == 3; }

// -1.0 in lanes where the mask holds, +1.0 elsewhere.
inline LanePair pairSignFromMask(LaneMask negative)
{
    return {_mm_or_pd(_mm_set1_pd(1.0), _mm_and_pd(negative.m, _mm_set1_pd(-0.0)))};
}

#else

struct LanePair {
    double l, r;
};

struct LaneMask {
    bool l, r;
};

inline LanePair pairOf(double left, double right) { return {left, right}; }
inline LanePair pairSplat(double x) { return {x, x}; }
inline LanePair pairLoad(const double* p) { return {p[0], p[1]}; }
inline void pairStore(double* p, LanePair a)
{
    p[0] = a.l;
    p[1] = a.r;
}
inline double pairLeft(LanePair a) { return a.l; }
inline double pairRight(LanePair a) { return a.r; }

inline LanePair operator+(LanePair a, LanePair b) { return {a.l + b.l, a.r + b.r}; }
inline LanePair operator-(LanePair a, LanePair b) { return {a.l - b.l, a.r - b.r}; }
inline LanePair operator*(LanePair a, LanePair b) { return {a.l * b.l, a.r * b.r}; }
inline LanePair pairAbs(LanePair a) { return {std::fabs(a.l), std::fabs(a.r)}; }

inline LanePair pairMax(LanePair a, LanePair b) { return {a.l > b.l ? a.l : b.l, a.r > b.r ? a.r : b.r}; }
inline LanePair pairMin(LanePair a, LanePair b) { return {a.l < b.l ? a.l : b.l, a.r < b.r ? a.r : b.r}; }

inline LaneMask pairLess(LanePair a, LanePair b) { return {a.l < b.l, a.r < b.r}; }
inline LaneMask pairGreater(LanePair a, LanePair b) { return {a.l > b.l, a.r > b.r}; }
inline LaneMask pairGreaterEqual(LanePair a, LanePair b) { return {a.l >= b.l, a.r >= b.r}; }
inline LaneMask pairLessEqual(LanePair a, LanePair b) { return {a.l <= b.l, a.r <= b.r}; }
inline LaneMask operator&(LaneMask a, LaneMask b) { return {a.l && b.l, a.r && b.r}; }

inline LanePair pairSelect(LaneMask mask, LanePair a, LanePair b) { return {mask.l ? a.l : b.l, mask.r ? a.r : b.r}; }

inline bool maskAll(LaneMask mask) { return mask.l && mask.r; }

inline LanePair pairSignFromMask(LaneMask negative) { return {negative.l ? -1.0 : 1.0, negative.r ? -1.0 : 1.0}; }

#endif

}  // namespace sarvo_dsp
