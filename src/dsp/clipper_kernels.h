// Pieces shared by the processing loops of clipper_engine.cpp and
// clipper_engine_avx.cpp. Internal to the engine; everything here has
// internal linkage so that each file compiles it for its own instruction set.
#pragma once

#include <cmath>
#include <cstdint>
#include <type_traits>

#include "dsp/clipper_engine.h"

// The curve numbers in lane-pair form, re-read only when the published
// curve changes.
namespace sarvo_dsp {

struct CurveCache {
    uint64_t count;
    ClipCurveValues values;
    bool oversampling;
    sarvo_dsp::PairCurve pc;
    sarvo_dsp::LanePair negClip;
    bool boundedCurve;  // the curve cannot give a value beyond the input limit

    explicit CurveCache(const ClipCurve& c) : pc(ClipCurveValues{})
    {
        uint64_t n = 0;
        const ClipCurveState state = c.loadState(&n);
        reload(state, n);
    }

    // With every number within +-1e50 the curve of any input within the
    // input limit stays within +-1e150: inputs up to kneeStart pass
    // unchanged, the knee sees only magnitudes below kneeEnd, and above it
    // the value is the clip level.
    static bool isBounded(const ClipCurveValues& v)
    {
        const double limit = 1e50;
        const double f[] = {v.clipLevel, v.kneeStart, v.kneeEnd, v.quadA, v.quadB, v.quadC};
        bool ok = true;
        for (double x : f) ok = ok && std::fabs(x) <= limit;
        return ok;
    }

    // Never waits: while a publication overlaps the reading, the complete
    // curve held so far stays and the next chunk looks again.
    void refresh(const ClipCurve& c)
    {
        if (c.stamp() == count) return;
        ClipCurveState state;
        uint64_t n;
        if (c.tryLoad(state, n)) reload(state, n);
    }

    void reload(const ClipCurveState& state, uint64_t n)
    {
        count = n;
        values = state.values;
        oversampling = state.oversampling;
        pc = sarvo_dsp::PairCurve(values);
        negClip = sarvo_dsp::pairSplat(-values.clipLevel);
        boundedCurve = isBounded(values);
    }
};

}  // namespace sarvo_dsp

namespace {

using namespace sarvo_dsp;
constexpr auto kRelaxed = std::memory_order_relaxed;

inline bool withinLimit(LanePair v) { return maskAll(pairLessEqual(pairAbs(v), pairSplat(kClipperInputLimit))); }

inline bool bothWithinLimit(LanePair a, LanePair b)
{
    const LanePair limit = pairSplat(kClipperInputLimit);
    return maskAll(pairLessEqual(pairAbs(a), limit) & pairLessEqual(pairAbs(b), limit));
}

inline double mendGained(double x, double g)
{
    if (std::fabs(g) <= kClipperInputLimit) return g;
    if (!std::isfinite(x) || std::isnan(g)) return 0.0;
    return std::copysign(kClipperInputLimit, g);
}

inline double mendCurveValue(double c)
{
    if (std::fabs(c) <= kClipperInputLimit) return c;
    if (std::isnan(c)) return 0.0;
    return std::copysign(kClipperInputLimit, c);
}

#if defined(__GNUC__)
#define SARVO_COLD __attribute__((noinline, cold))
#else
#define SARVO_COLD
#endif

SARVO_COLD inline LanePair mendGainedPair(LanePair x, LanePair g)
{
    return pairOf(mendGained(pairLeft(x), pairLeft(g)), mendGained(pairRight(x), pairRight(g)));
}

SARVO_COLD inline void mendCurvePairs(LanePair& a, LanePair& b)
{
    a = pairOf(mendCurveValue(pairLeft(a)), mendCurveValue(pairRight(a)));
    b = pairOf(mendCurveValue(pairLeft(b)), mendCurveValue(pairRight(b)));
}

inline LanePair loadFrame(const float* l, const float* r, int32_t i)
{
#if defined(__SSE2__)
    return {_mm_cvtps_pd(_mm_unpacklo_ps(_mm_load_ss(l + i), _mm_load_ss(r + i)))};
#else
    return pairOf(static_cast<double>(l[i]), static_cast<double>(r[i]));
#endif
}

inline LanePair loadFrame(const double* l, const double* r, int32_t i)
{
#if defined(__SSE2__)
    return {_mm_loadh_pd(_mm_load_sd(l + i), r + i)};
#else
    return pairOf(l[i], r[i]);
#endif
}

// Frames i and i + 1 of one channel.
inline LanePair loadTwo(const float* p, int32_t i)
{
#if defined(__SSE2__)
    return {_mm_cvtps_pd(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i))))};
#else
    return pairOf(static_cast<double>(p[i]), static_cast<double>(p[i + 1]));
#endif
}

inline LanePair loadTwo(const double* p, int32_t i) { return pairLoad(p + i); }

template <bool Accumulate>
inline void storeTwo(float* p, int32_t i, LanePair v)
{
#if defined(__SSE2__)
    __m128 f = _mm_cvtpd_ps(v.v);
    if (Accumulate) {
        f = _mm_add_ps(_mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p + i))), f);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p + i), _mm_castps_si128(f));
#else
    if (Accumulate) {
        p[i] = p[i] + static_cast<float>(pairLeft(v));
        p[i + 1] = p[i + 1] + static_cast<float>(pairRight(v));
    } else {
        p[i] = static_cast<float>(pairLeft(v));
        p[i + 1] = static_cast<float>(pairRight(v));
    }
#endif
}

template <bool Accumulate>
inline void storeTwo(double* p, int32_t i, LanePair v)
{
    static_assert(!Accumulate, "the accumulating form exists for float only");
    pairStore(p + i, v);
}

template <bool Accumulate>
inline void storeFrame(float* l, float* r, int32_t i, LanePair v)
{
#if defined(__SSE2__)
    __m128 f = _mm_cvtpd_ps(v.v);
    if (Accumulate) f = _mm_add_ps(_mm_unpacklo_ps(_mm_load_ss(l + i), _mm_load_ss(r + i)), f);
    _mm_store_ss(l + i, f);
    _mm_store_ss(r + i, _mm_shuffle_ps(f, f, 1));
#else
    if (Accumulate) {
        l[i] = l[i] + static_cast<float>(pairLeft(v));
        r[i] = r[i] + static_cast<float>(pairRight(v));
    } else {
        l[i] = static_cast<float>(pairLeft(v));
        r[i] = static_cast<float>(pairRight(v));
    }
#endif
}

template <bool Accumulate>
inline void storeFrame(double* l, double* r, int32_t i, LanePair v)
{
    static_assert(!Accumulate, "the accumulating form exists for float only");
#if defined(__SSE2__)
    _mm_storel_pd(l + i, v.v);
    _mm_storeh_pd(r + i, v.v);
#else
    l[i] = pairLeft(v);
    r[i] = pairRight(v);
#endif
}

inline void pushHistories(ZHistory& left, ZHistory& right, LanePair input, LanePair output)
{
    left.push(pairLeft(input), pairLeft(output));
    right.push(pairRight(input), pairRight(output));
}

}  // namespace
