// PNG scanline filters, undone from the filtered line into a row of its own.
// Up runs 16 bytes at a time; Sub, Average and Paeth depend on the pixel to
// the left, so they run one pixel at a time, with the pixel's bytes side by
// side in 16-bit lanes where SSE2 is available, except that Sub of 3- and
// 4-byte pixels (and Paeth where the line above repeats its pixels) sums four
// pixels at a time.
#include "skin_resources/png_filter.h"

#include <cstdlib>
#include <cstring>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PNG_FILTER_SSE2 1
#else
#define PNG_FILTER_SSE2 0
#endif

#if defined(__GNUC__) || defined(_MSC_VER)
#define PNG_RESTRICT __restrict
#else
#define PNG_RESTRICT
#endif

namespace pngdetail {
namespace {

inline uint8_t paeth(int a, int b, int c)
{
    int pa = std::abs(b - c);
    const int pb = std::abs(a - c);
    const int pc = std::abs(a + b - 2 * c);
    if (pb < pa) {
        pa = pb;
        a = b;
    }
    return uint8_t(pc < pa ? c : a);
}

void upRow(uint8_t* PNG_RESTRICT cur, const uint8_t* PNG_RESTRICT src, const uint8_t* PNG_RESTRICT prev, size_t len)
{
    size_t i = 0;
#if PNG_FILTER_SSE2
    for (; i + 16 <= len; i += 16) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + i));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cur + i), _mm_add_epi8(x, b));
    }
#endif
    for (; i < len; ++i) cur[i] = uint8_t(src[i] + prev[i]);
}

// Scalar versions, any pixel width.
template <unsigned B>
void subRowScalar(uint8_t* PNG_RESTRICT cur, const uint8_t* PNG_RESTRICT src, size_t len)
{
    for (size_t i = 0; i < B && i < len; ++i) cur[i] = src[i];
    for (size_t i = B; i < len; ++i) cur[i] = uint8_t(src[i] + cur[i - B]);
}

template <unsigned B>
void averageRowScalar(uint8_t* PNG_RESTRICT cur, const uint8_t* PNG_RESTRICT src, const uint8_t* PNG_RESTRICT prev,
                      size_t len)
{
    if (!prev) {
        for (size_t i = 0; i < B && i < len; ++i) cur[i] = src[i];
        for (size_t i = B; i < len; ++i) cur[i] = uint8_t(src[i] + (cur[i - B] >> 1));
        return;
    }
    for (size_t i = 0; i < B && i < len; ++i) cur[i] = uint8_t(src[i] + (prev[i] >> 1));
    for (size_t i = B; i < len; ++i) cur[i] = uint8_t(src[i] + ((cur[i - B] + prev[i]) >> 1));
}

template <unsigned B>
void paethRowScalar(uint8_t* PNG_RESTRICT cur, const uint8_t* PNG_RESTRICT src, const uint8_t* PNG_RESTRICT prev,
                    size_t len)
{
    if (!prev) {  // nothing above: Paeth picks the left neighbour
        subRowScalar<B>(cur, src, len);
        return;
    }
    for (size_t i = 0; i < B && i < len; ++i) cur[i] = uint8_t(src[i] + prev[i]);
    for (size_t i = B; i < len; ++i) cur[i] = uint8_t(src[i] + paeth(cur[i - B], prev[i], prev[i - B]));
}

#if PNG_FILTER_SSE2

// One pixel of B bytes in the low bytes of a register, read and written
// without touching the bytes around it.
inline uint32_t load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}
inline void store32(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }

template <unsigned B>
inline __m128i loadPixel(const uint8_t* p);
template <>
inline __m128i loadPixel<3>(const uint8_t* p)
{
    return _mm_cvtsi32_si128(int(p[0] | (uint32_t(p[1]) << 8) | (uint32_t(p[2]) << 16)));
}
template <>
inline __m128i loadPixel<4>(const uint8_t* p)
{
    return _mm_cvtsi32_si128(int(load32(p)));
}
template <>
inline __m128i loadPixel<6>(const uint8_t* p)
{
    return _mm_insert_epi16(_mm_cvtsi32_si128(int(load32(p))), p[4] | (p[5] << 8), 2);
}
template <>
inline __m128i loadPixel<8>(const uint8_t* p)
{
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}

template <unsigned B>
inline void storePixel(uint8_t* p, __m128i v);
template <>
inline void storePixel<3>(uint8_t* p, __m128i v)
{
    const uint32_t x = uint32_t(_mm_cvtsi128_si32(v));
    p[0] = uint8_t(x);
    p[1] = uint8_t(x >> 8);
    p[2] = uint8_t(x >> 16);
}
template <>
inline void storePixel<4>(uint8_t* p, __m128i v)
{
    store32(p, uint32_t(_mm_cvtsi128_si32(v)));
}
template <>
inline void storePixel<6>(uint8_t* p, __m128i v)
{
    store32(p, uint32_t(_mm_cvtsi128_si32(v)));
    const int hi = _mm_extract_epi16(v, 2);
    p[4] = uint8_t(hi);
    p[5] = uint8_t(hi >> 8);
}
template <>
inline void storePixel<8>(uint8_t* p, __m128i v)
{
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), v);
}

// Four pixels of B = 3 or 4 bytes at a time for Sub, as a running sum: the
// filtered bytes summed across the pixels of a 16-byte load, plus the last
// pixel so far in every pixel's place. `carry` holds that pixel in each of the
// four places; only the low 4B bytes of a result are the line's (the bytes
// after them are written over by the next step or by the single pixels).
template <unsigned B>
inline __m128i subFour(const uint8_t* src, uint8_t* cur, __m128i& carry)
{
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    v = _mm_add_epi8(v, _mm_slli_si128(v, B));
    v = _mm_add_epi8(v, _mm_slli_si128(v, 2 * B));
    const __m128i r = _mm_add_epi8(v, carry);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(cur), r);
    // The last pixel's sum, in all four places, moves the carry on.
    __m128i last = _mm_srli_si128(_mm_slli_si128(v, 16 - 4 * B), 16 - B);
    last = _mm_add_epi8(last, _mm_slli_si128(last, B));
    last = _mm_add_epi8(last, _mm_slli_si128(last, 2 * B));
    carry = _mm_add_epi8(carry, last);
    return r;
}

// A pixel (B low bytes, the rest zero) in each of four places.
template <unsigned B>
inline __m128i spreadFour(__m128i pixel)
{
    pixel = _mm_add_epi8(pixel, _mm_slli_si128(pixel, B));
    return _mm_add_epi8(pixel, _mm_slli_si128(pixel, 2 * B));
}

// Lines hold whole pixels of B bytes here; the byte loops after the pixel
// loops only guard against a length that is not a multiple of B.
template <unsigned B>
void subRowSimd(uint8_t* cur, const uint8_t* src, size_t len)
{
    if (len <= B) {
        std::memcpy(cur, src, len);
        return;
    }
    __m128i a = loadPixel<B>(src);
    storePixel<B>(cur, a);
    size_t i = B;
    if constexpr (B == 3 || B == 4) {
        __m128i carry = spreadFour<B>(a);
        for (; i + 16 <= len; i += 4 * B) subFour<B>(src + i, cur + i, carry);
        a = _mm_srli_si128(_mm_slli_si128(carry, 16 - B), 16 - B);
    }
    for (; i + B <= len; i += B) {
        a = _mm_add_epi8(loadPixel<B>(src + i), a);
        storePixel<B>(cur + i, a);
    }
    for (; i < len; ++i) cur[i] = uint8_t(src[i] + cur[i - B]);
}

template <unsigned B>
void averageRowSimd(uint8_t* cur, const uint8_t* src, const uint8_t* prev, size_t len)
{
    if (!prev) {
        averageRowScalar<B>(cur, src, prev, len);
        return;
    }
    const __m128i one = _mm_set1_epi8(1);
    __m128i a = _mm_setzero_si128();
    size_t i = 0;
    for (; i + B <= len; i += B) {
        const __m128i b = loadPixel<B>(prev + i);
        // floor((a + b) / 2) = rounded-up average minus the dropped low bit.
        const __m128i avg = _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), one));
        a = _mm_add_epi8(loadPixel<B>(src + i), avg);
        storePixel<B>(cur + i, a);
    }
    for (; i < len; ++i) cur[i] = uint8_t(src[i] + ((cur[i - B] + prev[i]) >> 1));
}

template <unsigned B>
void paethRowSimd(uint8_t* cur, const uint8_t* src, const uint8_t* prev, size_t len)
{
    if (!prev) {
        subRowSimd<B>(cur, src, len);
        return;
    }
    const __m128i zero = _mm_setzero_si128();
    __m128i a = zero, c = zero;  // left and above-left, 16-bit lanes
    size_t i = 0;
    // Where the line above repeats its pixels (above equals above-left, as in
    // flat areas), Paeth picks the left neighbour, as Sub does: four such
    // pixels go through Sub's running sum. Elsewhere pixels are taken one by
    // one before the next look, twice as many after each look that fails (up
    // to 64), so that lines without such runs pay little for the looks.
    size_t single = B;  // pixels up to here are taken one by one
    size_t gap = 4 * B;  // bytes taken one by one after a failed look
    for (; i + B <= len; i += B) {
        if constexpr (B == 3 || B == 4) {
            if (i >= single && i + 16 <= len) {
                const __m128i above = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i));
                const __m128i aboveLeft = _mm_loadu_si128(reinterpret_cast<const __m128i*>(prev + i - B));
                constexpr int kFour = (1 << (4 * B)) - 1;
                if ((_mm_movemask_epi8(_mm_cmpeq_epi8(above, aboveLeft)) & kFour) == kFour) {
                    __m128i carry = spreadFour<B>(_mm_packus_epi16(a, zero));
                    const __m128i r = subFour<B>(src + i, cur + i, carry);
                    a = _mm_unpacklo_epi8(_mm_srli_si128(_mm_slli_si128(r, 16 - 4 * B), 16 - B), zero);
                    c = _mm_unpacklo_epi8(loadPixel<B>(prev + i + 3 * B), zero);
                    i += 3 * B;  // and B more by the loop
                    gap = 4 * B;
                    continue;
                }
                single = i + gap;
                gap = gap < 64 * B ? 2 * gap : gap;
            }
        }
        const __m128i b = _mm_unpacklo_epi8(loadPixel<B>(prev + i), zero);
        const __m128i bc = _mm_sub_epi16(b, c), ac = _mm_sub_epi16(a, c);
        __m128i pa = _mm_max_epi16(bc, _mm_sub_epi16(zero, bc));  // |p - a| = |b - c|
        const __m128i pb = _mm_max_epi16(ac, _mm_sub_epi16(zero, ac));  // |p - b| = |a - c|
        const __m128i sum = _mm_add_epi16(bc, ac);
        const __m128i pc = _mm_max_epi16(sum, _mm_sub_epi16(zero, sum));  // |p - c|
        // pb < pa: take b (and its distance); then pc < that: take c.
        const __m128i takeB = _mm_cmplt_epi16(pb, pa);
        __m128i pred = _mm_or_si128(_mm_and_si128(takeB, b), _mm_andnot_si128(takeB, a));
        pa = _mm_min_epi16(pa, pb);
        const __m128i takeC = _mm_cmplt_epi16(pc, pa);
        pred = _mm_or_si128(_mm_and_si128(takeC, c), _mm_andnot_si128(takeC, pred));
        const __m128i x = _mm_add_epi8(loadPixel<B>(src + i), _mm_packus_epi16(pred, pred));
        storePixel<B>(cur + i, x);
        a = _mm_unpacklo_epi8(x, zero);
        c = b;
    }
    for (; i < len; ++i) cur[i] = uint8_t(src[i] + paeth(cur[i - B], prev[i], prev[i - B]));
}

template <unsigned B>
void unfilterT(unsigned type, uint8_t* cur, const uint8_t* src, const uint8_t* prev, size_t len)
{
    switch (type) {
        case 1: subRowSimd<B>(cur, src, len); break;
        case 2:
            if (prev) {
                upRow(cur, src, prev, len);
            } else {
                std::memcpy(cur, src, len);
            }
            break;
        case 3: averageRowSimd<B>(cur, src, prev, len); break;
        case 4: paethRowSimd<B>(cur, src, prev, len); break;
        default: std::memcpy(cur, src, len); break;
    }
}

#endif  // PNG_FILTER_SSE2

template <unsigned B>
void unfilterScalarT(unsigned type, uint8_t* cur, const uint8_t* src, const uint8_t* prev, size_t len)
{
    switch (type) {
        case 1: subRowScalar<B>(cur, src, len); break;
        case 2:
            if (prev) {
                upRow(cur, src, prev, len);
            } else {
                std::memcpy(cur, src, len);
            }
            break;
        case 3: averageRowScalar<B>(cur, src, prev, len); break;
        case 4: paethRowScalar<B>(cur, src, prev, len); break;
        default: std::memcpy(cur, src, len); break;
    }
}

}  // namespace

void unfilterRow(unsigned type, uint8_t* line, const uint8_t* filtered, const uint8_t* above, size_t length,
                 unsigned bytesPerPixel)
{
    switch (bytesPerPixel) {
        // One or two bytes per pixel: the scalar loops are as fast.
        case 1: unfilterScalarT<1>(type, line, filtered, above, length); break;
        case 2: unfilterScalarT<2>(type, line, filtered, above, length); break;
#if PNG_FILTER_SSE2
        case 3: unfilterT<3>(type, line, filtered, above, length); break;
        case 4: unfilterT<4>(type, line, filtered, above, length); break;
        case 6: unfilterT<6>(type, line, filtered, above, length); break;
        default: unfilterT<8>(type, line, filtered, above, length); break;
#else
        case 3: unfilterScalarT<3>(type, line, filtered, above, length); break;
        case 4: unfilterScalarT<4>(type, line, filtered, above, length); break;
        case 6: unfilterScalarT<6>(type, line, filtered, above, length); break;
        default: unfilterScalarT<8>(type, line, filtered, above, length); break;
#endif
    }
}

}  // namespace pngdetail
