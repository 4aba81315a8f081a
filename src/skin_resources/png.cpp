// PNG decoder: chunk walk, zlib header, unfiltering, Adam7 and conversion to
// RGBA. Inflate lives in png_inflate.cpp.
//
// Steps: the header and the chunk walk gather the IDAT data as pieces of the
// input, which is only read; the zlib stream is inflated piece by piece into a window that
// moves along the scanlines; each line is unfiltered as soon as it is
// complete (the line above is the previous line of the same pass, already
// unfiltered) and converted straight to RGBA at its place in the image.
#include "skin_resources/png.h"

#include "skin_resources/png_filter.h"
#include "skin_resources/png_inflate.h"

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PNG_SSE2 1
#else
#define PNG_SSE2 0
#endif

#if PNG_SSE2 && defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#include <tmmintrin.h>
#define PNG_SSSE3 1
#else
#define PNG_SSSE3 0
#endif

#if defined(__GNUC__) || defined(_MSC_VER)
#define PNG_RESTRICT __restrict
#else
#define PNG_RESTRICT
#endif

std::atomic<int32_t> pngStatus{0};

namespace {
thread_local int32_t gThreadStatus = 0;
}

int32_t pngThreadStatus() { return gThreadStatus; }

const char* pngStatusText(int32_t status)
{
    switch (status) {
        case kPngOk: return "decoded";
        case kPngHuffmanDataEnd: return "the compressed data end inside a Huffman code";
        case kPngHuffmanNoCode: return "the compressed data hold a bit sequence that is no Huffman code";
        case kPngRepeat16Overrun:
        case kPngRepeat17Overrun:
        case kPngRepeat18Overrun: return "a code-length repeat runs past the declared code lengths";
        case kPngBadCodeLengthSymbol: return "a code-length symbol is above 18";
        case kPngLiteralOverrun: return "a literal lies beyond the end of the image data";
        case kPngBadDistanceSymbol: return "a distance symbol is above 29";
        case kPngCopyOverrun: return "a back-reference copies beyond the end of the image data";
        case kPngReservedBlockType: return "a compressed block has the reserved type 3";
        case kPngStoredLengthMismatch: return "a stored block's length and its complement disagree";
        case kPngStoredOverrun: return "a stored block lies beyond the end of the image data";
        case kPngStoredDataEnd: return "a stored block runs past the end of the compressed data";
        case kPngZlibCheck: return "the zlib header's check bits are wrong";
        case kPngZlibMethod: return "the zlib header names a method other than deflate";
        case kPngZlibDictionary: return "the zlib header asks for a preset dictionary";
        case kPngBadSignature: return "the PNG signature is wrong";
        case kPngNoIhdr: return "the first chunk is not IHDR";
        case kPngNoRoomForChunk: return "the file ends before its IEND chunk";
        case kPngBadColourType: return "the colour type is not 0, 2, 3, 4 or 6";
        case kPngBadCompressionMethod: return "the compression method is not 0";
        case kPngBadFilterMethod: return "the filter method is not 0";
        case kPngBadInterlaceMethod: return "the interlace method is not 0 or 1";
        case kPngChunkTooLong: return "a chunk's data reach past the end of the file";
        case kPngBadFilterType: return "a scanline has a filter type above 4";
        case kPngBadBitDepth: return "the bit depth does not go with the colour type";
        case kPngPaletteTooLarge: return "the palette has more than 256 entries";
        case kPngTransparencyTooLong: return "tRNS has more entries than the palette";
        case kPngTransparencyGreyLength: return "tRNS of a grey image is not 2 bytes";
        case kPngTransparencyRgbLength: return "tRNS of an RGB image is not 6 bytes";
        case kPngTransparencyWithAlpha: return "tRNS in an image that has an alpha channel";
        case kPngBackgroundPaletteLength: return "bKGD of a palette image is not 1 byte";
        case kPngBackgroundGreyLength: return "bKGD of a grey image is not 2 bytes";
        case kPngBackgroundRgbLength: return "bKGD of an RGB image is not 6 bytes";
        case kPngPaletteIndex8:
        case kPngPaletteIndexSubByte: return "a pixel's palette index lies outside the palette";
        case kPngEmptyInput: return "there are no bytes to decode";
        case kPngBitsDataEnd: return "the compressed data end inside a block header or extra bits";
        case kPngDistanceTooFar: return "a back-reference reaches before the start of the data";
        case kPngRepeatWithoutLength: return "a code-length repeat has no code length before it";
        case kPngBadLengthSymbol: return "a length symbol is 286 or 287";
        case kPngOversubscribedCode: return "the code lengths describe no prefix code";
        case kPngPaletteLength: return "the PLTE length is not a multiple of 3";
        case kPngEmptyImage: return "the width or the height is 0";
        case kPngImageTooLarge: return "the image has more pixels than the decoder accepts";
        case kPngOutOfMemory: return "there is not enough memory for the image";
        default: return "an unknown status";
    }
}

namespace {

struct Header {
    uint32_t width = 0;
    uint32_t height = 0;
    unsigned depth = 0;
    unsigned colourType = 0;
    unsigned compression = 0;
    unsigned filter = 0;
    unsigned interlace = 0;
};

struct Ancillary {
    uint8_t palette[256][4] = {};
    unsigned paletteSize = 0;
    bool keyGiven = false;
    uint32_t key[3] = {0, 0, 0};
    bool backgroundGiven = false;
    uint32_t background[3] = {0, 0, 0};
};

inline uint32_t be32(const uint8_t* p)
{
    return (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) | p[3];
}
inline uint32_t be16(const uint8_t* p) { return (uint32_t(p[0]) << 8) | p[1]; }
inline bool chunkIs(const uint8_t* type, const char* name) { return std::memcmp(type, name, 4) == 0; }

unsigned channelsOf(unsigned colourType)
{
    switch (colourType) {
        case 2: return 3;
        case 4: return 2;
        case 6: return 4;
        default: return 1;
    }
}

bool depthAllowed(unsigned colourType, unsigned depth)
{
    switch (colourType) {
        case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
        case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
        default: return depth == 8 || depth == 16;
    }
}

int32_t readHeader(const uint8_t* p, size_t size, Header& h)
{
    if (size < 29) return kPngOk;  // too short: the chunk walk reports it
    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    if (std::memcmp(p, kSignature, 8) != 0) return kPngBadSignature;
    if (!chunkIs(p + 12, "IHDR")) return kPngNoIhdr;
    h.width = be32(p + 16);
    h.height = be32(p + 20);
    h.depth = p[24];
    h.colourType = p[25];
    h.compression = p[26];
    h.filter = p[27];
    h.interlace = p[28];
    if (h.compression != 0) return kPngBadCompressionMethod;
    if (h.filter != 0) return kPngBadFilterMethod;
    if (h.interlace > 1) return kPngBadInterlaceMethod;
    if (h.colourType != 0 && h.colourType != 2 && h.colourType != 3 && h.colourType != 4 && h.colourType != 6)
        return kPngBadColourType;
    if (!depthAllowed(h.colourType, h.depth)) return kPngBadBitDepth;
    return kPngOk;
}

// Walks the chunks from byte 33 to IEND; the IDAT data become the pieces of
// the compressed stream, in place.
int32_t walkChunks(const uint8_t* buf, size_t size, const Header& h, Ancillary& a,
                   std::vector<pngdetail::InputPiece>& pieces)
{
    uint64_t pos = 33;
    pieces.clear();
    for (;;) {
        if (pos + 8 >= size) return kPngNoRoomForChunk;
        const uint64_t length = be32(buf + pos);
        pos += 4;
        // The type and the data must lie inside the input (the CRC is never read).
        if (pos + 4 + length > size) return kPngChunkTooLong;
        const uint8_t* type = buf + pos;
        const uint8_t* data = type + 4;
        const size_t len = size_t(length);
        bool last = false;
        if (chunkIs(type, "IDAT")) {
            pieces.push_back(pngdetail::InputPiece{data, len});
        } else if (chunkIs(type, "IEND")) {
            last = true;
        } else if (chunkIs(type, "PLTE")) {
            const size_t n = len / 3;
            if (n > 256) return kPngPaletteTooLarge;
            if (len % 3 != 0) return kPngPaletteLength;
            for (size_t i = 0; i < n; ++i) {
                a.palette[i][0] = data[3 * i];
                a.palette[i][1] = data[3 * i + 1];
                a.palette[i][2] = data[3 * i + 2];
                a.palette[i][3] = 255;
            }
            a.paletteSize = unsigned(n);
        } else if (chunkIs(type, "tRNS")) {
            if (h.colourType == 3) {
                if (len > a.paletteSize) return kPngTransparencyTooLong;
                for (size_t i = 0; i < len; ++i) a.palette[i][3] = data[i];
            } else if (h.colourType == 0) {
                if (len != 2) return kPngTransparencyGreyLength;
                a.key[0] = be16(data);
                a.keyGiven = true;
            } else if (h.colourType == 2) {
                if (len != 6) return kPngTransparencyRgbLength;
                a.key[0] = be16(data);
                a.key[1] = be16(data + 2);
                a.key[2] = be16(data + 4);
                a.keyGiven = true;
            } else {
                return kPngTransparencyWithAlpha;
            }
        } else if (chunkIs(type, "bKGD")) {
            if (h.colourType == 3) {
                if (len != 1) return kPngBackgroundPaletteLength;
                a.background[0] = data[0];
            } else if (h.colourType == 0 || h.colourType == 4) {
                if (len != 2) return kPngBackgroundGreyLength;
                a.background[0] = be16(data);
            } else {
                if (len != 6) return kPngBackgroundRgbLength;
                a.background[0] = be16(data);
                a.background[1] = be16(data + 2);
                a.background[2] = be16(data + 4);
            }
            a.backgroundGiven = true;
        }
        pos += 4 + length + 4;  // type, data, CRC
        if (last) return kPngOk;
    }
}

void fillInfo(PngInfo& info, const Header& h, const Ancillary& a)
{
    info.assign(kPngInfoHeaderSize + 4 * size_t(a.paletteSize), 0);
    const unsigned channels = channelsOf(h.colourType);
    info[kPngInfoWidth] = h.width;
    info[kPngInfoHeight] = h.height;
    info[kPngInfoBitDepth] = h.depth;
    info[kPngInfoColourType] = h.colourType;
    info[kPngInfoBitsPerPixel] = h.depth * channels;
    info[kPngInfoChannels] = channels;
    info[kPngInfoCompression] = h.compression;
    info[kPngInfoFilter] = h.filter;
    info[kPngInfoInterlace] = h.interlace;
    info[kPngInfoKeyGiven] = a.keyGiven ? 1 : 0;
    for (int i = 0; i < 3; ++i) info[kPngInfoKeyRed + i] = a.key[i];
    info[kPngInfoBackgroundGiven] = a.backgroundGiven ? 1 : 0;
    for (int i = 0; i < 3; ++i) info[kPngInfoBackgroundRed + i] = a.background[i];
    info[kPngInfoPaletteSize] = a.paletteSize;
    info[kPngInfoPaletteStart] = kPngInfoHeaderSize;
    for (unsigned i = 0; i < a.paletteSize; ++i)
        for (unsigned c = 0; c < 4; ++c) info[kPngInfoHeaderSize + 4 * i + c] = a.palette[i][c];
}

// ------------------------------------------------------------------ passes

// One sub-image: the whole image, or one Adam7 pass.
struct Pass {
    uint32_t x0, y0, dx, dy;  // origin and step in the image
    uint32_t width, height;  // pixels and lines (0: the pass takes no bytes)
    uint64_t stride;  // bytes per line, without the filter-type byte
};

unsigned makePasses(const Header& h, unsigned bpp, Pass passes[7])
{
    static const uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    static const uint32_t kWhole[1][4] = {{0, 0, 1, 1}};
    const uint32_t(*layout)[4] = h.interlace ? kAdam7 : kWhole;
    const unsigned count = h.interlace ? 7 : 1;
    for (unsigned i = 0; i < count; ++i) {
        Pass& p = passes[i];
        p.x0 = layout[i][0];
        p.y0 = layout[i][1];
        p.dx = layout[i][2];
        p.dy = layout[i][3];
        p.width = h.width > p.x0 ? (h.width - p.x0 + p.dx - 1) / p.dx : 0;
        p.height = h.height > p.y0 ? (h.height - p.y0 + p.dy - 1) / p.dy : 0;
        if (p.width == 0 || p.height == 0) p.width = p.height = 0;
        p.stride = (uint64_t(bpp) * p.width + 7) / 8;
    }
    return count;
}

// ------------------------------------------------------------------ conversion

#if PNG_SSSE3
// Processors with SSSE3 widen RGB to RGBA four pixels at a time with one byte shuffle.
bool haveSsse3()
{
    static const bool have = [] {
        __builtin_cpu_init();
        return __builtin_cpu_supports("ssse3") != 0;
    }();
    return have;
}

// Converts pixels while a whole 16-byte load stays inside the line; answers how many.
__attribute__((target("ssse3"))) uint32_t rgbToRgbaSsse3(const uint8_t* PNG_RESTRICT s, uint32_t n,
                                                         uint8_t* PNG_RESTRICT d, bool bgra)
{
    const __m128i spread = bgra ? _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1)
                                : _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(int32_t(0xFF000000u));
    uint32_t i = 0;
    for (; i + 6 <= n; i += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + size_t(i) * 3));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(d + size_t(i) * 4),
                         _mm_or_si128(_mm_shuffle_epi8(v, spread), opaque));
    }
    return i;
}
#endif

#if PNG_SSE2
// Red and blue of four pixels (16 bytes) exchanged.
inline __m128i swapRedBlue4(__m128i v)
{
    const __m128i keep = _mm_set1_epi32(int32_t(0xFF00FF00u)), low = _mm_set1_epi32(0xFF);
    const __m128i red = _mm_slli_epi32(_mm_and_si128(v, low), 16);
    const __m128i blue = _mm_and_si128(_mm_srli_epi32(v, 16), low);
    return _mm_or_si128(_mm_and_si128(v, keep), _mm_or_si128(red, blue));
}
#endif

struct Converter {
    unsigned colourType;
    unsigned depth;
    const Ancillary* a;  // its palette already in the output's byte order
    bool bgra;  // output bytes blue, green, red, alpha

    // Converts n pixels of one unfiltered line to RGBA (or BGRA), one pixel
    // every `step` output bytes. Returns 0 or the palette-index status.
    int32_t row(const uint8_t* PNG_RESTRICT s, uint32_t n, uint8_t* PNG_RESTRICT d, size_t step) const
    {
        const bool key = a->keyGiven;
        const uint32_t k0 = a->key[0], k1 = a->key[1], k2 = a->key[2];
        const unsigned R = bgra ? 2 : 0, B = 2 - R;  // where red and blue go
        switch (colourType * 32 + depth) {
            case 0 * 32 + 1:
            case 0 * 32 + 2:
            case 0 * 32 + 4: {
                const unsigned mask = (1u << depth) - 1;
                const unsigned scale = 255 / mask;
                for (uint32_t i = 0; i < n; ++i, d += step) {
                    const size_t bit = size_t(i) * depth;
                    const unsigned v = (s[bit >> 3] >> (8 - depth - (bit & 7))) & mask;
                    d[0] = d[1] = d[2] = uint8_t(v * scale);
                    d[3] = (key && v == k0) ? 0 : 255;
                }
                return kPngOk;
            }
            case 0 * 32 + 8:
                for (uint32_t i = 0; i < n; ++i, d += step) {
                    const uint8_t v = s[i];
                    d[0] = d[1] = d[2] = v;
                    d[3] = (key && v == k0) ? 0 : 255;
                }
                return kPngOk;
            case 0 * 32 + 16:
                for (uint32_t i = 0; i < n; ++i, d += step, s += 2) {
                    d[0] = d[1] = d[2] = s[0];
                    d[3] = (key && be16(s) == k0) ? 0 : 255;
                }
                return kPngOk;
            case 2 * 32 + 8:
                if (key) {
                    for (uint32_t i = 0; i < n; ++i, d += step, s += 3) {
                        d[R] = s[0];
                        d[1] = s[1];
                        d[B] = s[2];
                        d[3] = (s[0] == k0 && s[1] == k1 && s[2] == k2) ? 0 : 255;
                    }
                } else {
                    uint32_t i = 0;
#if PNG_SSSE3
                    if (step == 4 && haveSsse3()) {
                        i = rgbToRgbaSsse3(s, n, d, bgra);
                        s += size_t(i) * 3;
                        d += size_t(i) * 4;
                    }
#endif
                    for (; i < n; ++i, d += step, s += 3) {
                        d[R] = s[0];
                        d[1] = s[1];
                        d[B] = s[2];
                        d[3] = 255;
                    }
                }
                return kPngOk;
            case 2 * 32 + 16:
                for (uint32_t i = 0; i < n; ++i, d += step, s += 6) {
                    d[R] = s[0];
                    d[1] = s[2];
                    d[B] = s[4];
                    d[3] = (key && be16(s) == k0 && be16(s + 2) == k1 && be16(s + 4) == k2) ? 0 : 255;
                }
                return kPngOk;
            case 3 * 32 + 1:
            case 3 * 32 + 2:
            case 3 * 32 + 4: {
                const unsigned mask = (1u << depth) - 1;
                for (uint32_t i = 0; i < n; ++i, d += step) {
                    const size_t bit = size_t(i) * depth;
                    const unsigned v = (s[bit >> 3] >> (8 - depth - (bit & 7))) & mask;
                    if (v >= a->paletteSize) return kPngPaletteIndexSubByte;
                    std::memcpy(d, a->palette[v], 4);
                }
                return kPngOk;
            }
            case 3 * 32 + 8:
                for (uint32_t i = 0; i < n; ++i, d += step) {
                    const unsigned v = s[i];
                    if (v >= a->paletteSize) return kPngPaletteIndex8;
                    std::memcpy(d, a->palette[v], 4);
                }
                return kPngOk;
            case 4 * 32 + 8:
                for (uint32_t i = 0; i < n; ++i, d += step, s += 2) {
                    d[0] = d[1] = d[2] = s[0];
                    d[3] = s[1];
                }
                return kPngOk;
            case 4 * 32 + 16:
                for (uint32_t i = 0; i < n; ++i, d += step, s += 4) {
                    d[0] = d[1] = d[2] = s[0];
                    d[3] = s[2];
                }
                return kPngOk;
            case 6 * 32 + 8: {
                if (step == 4 && !bgra) {
                    std::memcpy(d, s, size_t(n) * 4);
                    return kPngOk;
                }
                uint32_t i = 0;
#if PNG_SSE2
                if (step == 4) {
                    for (; i + 4 <= n; i += 4, d += 16, s += 16)
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(d),
                                         swapRedBlue4(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s))));
                }
#endif
                for (; i < n; ++i, d += step, s += 4) {
                    d[R] = s[0];
                    d[1] = s[1];
                    d[B] = s[2];
                    d[3] = s[3];
                }
                return kPngOk;
            }
            case 6 * 32 + 16: {
                uint32_t i = 0;
#if PNG_SSE2
                if (step == 4) {
                    // Four pixels per step: keep the first byte of every sample.
                    const __m128i low = _mm_set1_epi16(0x00FF);
                    for (; i + 4 <= n; i += 4, d += 16, s += 32) {
                        const __m128i p0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s));
                        const __m128i p1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(s + 16));
                        __m128i packed = _mm_packus_epi16(_mm_and_si128(p0, low), _mm_and_si128(p1, low));
                        if (bgra) packed = swapRedBlue4(packed);
                        _mm_storeu_si128(reinterpret_cast<__m128i*>(d), packed);
                    }
                }
#endif
                for (; i < n; ++i, d += step, s += 8) {
                    d[R] = s[0];
                    d[1] = s[2];
                    d[B] = s[4];
                    d[3] = s[6];
                }
                return kPngOk;
            }
            default: return kPngBadBitDepth;  // not reached: the header check rejects these
        }
    }
};

// Whether n bytes are all zero, 64 at a time while they last.
bool allZero(const uint8_t* p, size_t n)
{
    size_t i = 0;
#if PNG_SSE2
    for (; i + 64 <= n; i += 64) {
        const __m128i* q = reinterpret_cast<const __m128i*>(p + i);
        const __m128i any = _mm_or_si128(_mm_or_si128(_mm_loadu_si128(q), _mm_loadu_si128(q + 1)),
                                         _mm_or_si128(_mm_loadu_si128(q + 2), _mm_loadu_si128(q + 3)));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(any, _mm_setzero_si128())) != 0xFFFF) return false;
    }
#endif
    for (; i < n; ++i)
        if (p[i]) return false;
    return true;
}

// Unfilters and converts the lines of every pass in order as their bytes
// arrive. A line with filter type 0 is converted where it lies; others are
// unfiltered in a row of their own (the inflated bytes stay untouched, later
// back-references read them). After a filter type above 4, or a palette
// index outside the palette, or without a picture, the lines that follow are
// only checked for their filter type; the first failure of each kind is kept.
class LineSink {
public:
    LineSink(const Pass* passes, unsigned passCount, const Converter& convert, uint8_t* picture, size_t rowBytes,
             unsigned bytesPerPixel, uint8_t* rows)
        : passes_(passes), passCount_(passCount), convert_(convert), picture_(picture), rowBytes_(rowBytes),
          bytesPerPixel_(bytesPerPixel), rows_(rows)
    {
        uint64_t widest = 0;
        for (unsigned p = 0; p < passCount; ++p) widest = passes[p].stride > widest ? passes[p].stride : widest;
        rowSpacing_ = size_t(widest) + 1;
        skipEmptyPasses();
    }

    bool done() const { return pass_ >= passCount_; }
    // Where the next line starts in the inflated data, and its bytes with the filter type.
    uint64_t nextOffset() const { return offset_; }
    size_t nextLength() const { return 1 + size_t(passes_[pass_].stride); }

    // The next line, filter type first; moves on to the one after.
    void take(const uint8_t* line)
    {
        const Pass& ps = passes_[pass_];
        const size_t stride = size_t(ps.stride);
        const unsigned type = line[0];
        if (filterStatus_ == kPngOk && type > 4) filterStatus_ = kPngBadFilterType;
        if (filterStatus_ == kPngOk && convertStatus_ == kPngOk && picture_) {
            const uint8_t* data = line + 1;
            if (type == 2 && above_ && ps.dx == 1 && allZero(data, stride)) {
                // The line repeats the one above, and so does its picture row.
                uint8_t* dst = destination();
                std::memcpy(dst, dst - size_t(ps.dy) * rowBytes_, rowBytes_);
                advance();
                return;
            }
            if (type != 0) {
                uint8_t* row = rowFor(0) == above_ ? rowFor(1) : rowFor(0);
                pngdetail::unfilterRow(type, row, data, above_, stride, bytesPerPixel_);
                data = row;
            }
            put(data);
            above_ = data;
        }
        advance();
    }

    // The lines after the inflated data: the one that holds its end, padded
    // with zero bytes, then lines of zeros. `tail` is the inflated data from
    // nextOffset() on, `size` bytes of it (less than a line).
    void finish(const uint8_t* tail, size_t size)
    {
        if (done()) return;
        uint8_t* line = rowFor(2);
        if (size > 0) {
            std::memcpy(line, tail, size);
            std::memset(line + size, 0, nextLength() - size);
            take(line);
        }
        // Lines wholly past the inflated data unfilter to zeros whatever lies
        // above them, so each pass converts one line of zeros and copies the
        // row it gave (or converts it again where the pass has gaps).
        while (!done()) {
            const Pass& ps = passes_[pass_];
            const unsigned pass = pass_;
            std::memset(line, 0, nextLength());
            const uint8_t* zeroRow = nullptr;
            while (!done() && pass_ == pass) {
                if (filterStatus_ == kPngOk && convertStatus_ == kPngOk && picture_) {
                    uint8_t* dst = destination();
                    if (zeroRow && ps.dx == 1) {
                        std::memcpy(dst, zeroRow, rowBytes_);
                    } else {
                        put(line + 1);
                    }
                    zeroRow = dst;
                }
                advance();
            }
        }
    }

    // The window that may hold the line above is about to move: keep it.
    void keepAbove(const uint8_t* windowStart, const uint8_t* windowEnd)
    {
        if (!done() && above_ >= windowStart && above_ < windowEnd) {
            uint8_t* row = rowFor(0);
            std::memcpy(row, above_, size_t(passes_[pass_].stride));
            above_ = row;
        }
    }

    int32_t filterStatus() const { return filterStatus_; }
    int32_t convertStatus() const { return convertStatus_; }

private:
    uint8_t* rowFor(unsigned i) const { return rows_ + i * rowSpacing_; }
    uint8_t* destination() const
    {
        const Pass& ps = passes_[pass_];
        return picture_ + (size_t(ps.y0) + size_t(y_) * ps.dy) * rowBytes_ + size_t(ps.x0) * 4;
    }
    void put(const uint8_t* data)
    {
        const Pass& ps = passes_[pass_];
        uint8_t* dst = destination();
        convertStatus_ = convert_.row(data, ps.width, dst, size_t(ps.dx) * 4);
    }
    void advance()
    {
        offset_ += 1 + passes_[pass_].stride;
        if (++y_ >= passes_[pass_].height) {
            ++pass_;
            y_ = 0;
            above_ = nullptr;
            skipEmptyPasses();
        }
    }
    void skipEmptyPasses()
    {
        while (pass_ < passCount_ && passes_[pass_].height == 0) ++pass_;
    }

    const Pass* passes_;
    unsigned passCount_;
    const Converter& convert_;
    uint8_t* picture_;
    size_t rowBytes_;
    unsigned bytesPerPixel_;
    uint8_t* rows_;  // three rows: two to unfilter into, one for the last lines
    size_t rowSpacing_;
    unsigned pass_ = 0;
    uint32_t y_ = 0;
    uint64_t offset_ = 0;
    const uint8_t* above_ = nullptr;
    int32_t filterStatus_ = kPngOk;
    int32_t convertStatus_ = kPngOk;
};

int32_t decodeImage(const uint8_t* buf, size_t size, const PngOutput& output, PngInfo& info)
{
    if (size == 0) return kPngEmptyInput;

    Header h;
    int32_t status = readHeader(buf, size, h);
    if (status) return status;
    Ancillary a;
    std::vector<pngdetail::InputPiece> pieces;
    status = walkChunks(buf, size, h, a, pieces);
    if (status) return status;
    fillInfo(info, h, a);

    // Sizes, in 64-bit arithmetic so that no product can wrap.
    if (h.width == 0 || h.height == 0) return kPngEmptyImage;
    if (uint64_t(h.width) * h.height > kPngMaxPixels) return kPngImageTooLarge;
    const unsigned bpp = h.depth * channelsOf(h.colourType);
    Pass passes[7];
    const unsigned passCount = makePasses(h, bpp, passes);
    uint64_t needed = 0;  // bytes of filtered lines that unfiltering reads
    uint64_t widest = 0;  // the longest line's stride
    for (unsigned i = 0; i < passCount; ++i) {
        needed += uint64_t(passes[i].height) * (1 + passes[i].stride);
        if (passes[i].stride > widest) widest = passes[i].stride;
    }
    // Inflate may fill a little more than the lines need; its output is
    // bounded by this size, the rest being ignored.
    uint64_t bound = ((uint64_t(bpp) * h.height + 7) * h.width) / 8 + uint64_t(8) * h.height;
    if (bound < needed) bound = needed;

    // The inflated lines pass through a window that keeps the history that
    // back-references reach and the start of the next line; a small image's
    // lines all fit at once.
    const size_t line = size_t(widest) + 1;
    const size_t keep = line > pngdetail::kInflateHistory ? line : pngdetail::kInflateHistory;
    const size_t step = line > 65536 ? line : 65536;
    const bool whole = bound <= keep + step;
    const size_t windowSize =
        whole ? size_t(bound) + pngdetail::kInflateSlack : keep + step + pngdetail::kInflateOvershoot;
    std::unique_ptr<uint8_t[]> storage(new (std::nothrow) uint8_t[windowSize + 3 * line]);
    if (!storage) return kPngOutOfMemory;
    uint8_t* const window = storage.get();

    // zlib header: the stream's first two bytes (where it has fewer, the
    // signature's first bytes stand in for the missing ones).
    unsigned header[2] = {buf[0], buf[1]};
    {
        size_t have = 0;
        for (size_t p = 0; p < pieces.size() && have < 2; ++p)
            for (size_t i = 0; i < pieces[p].size && have < 2; ++i) header[have++] = pieces[p].data[i];
    }
    const unsigned cmf = header[0], flg = header[1];
    if ((cmf * 256 + flg) % 31 != 0) return kPngZlibCheck;
    if ((cmf & 15) != 8 || (cmf >> 4) > 7) return kPngZlibMethod;
    if (flg & 0x20) return kPngZlibDictionary;

    // The picture comes first so that lines are converted as they arrive;
    // failures of the data still take precedence over a refused picture.
    uint8_t* const picture = output.allocate(output.context, size_t(h.width) * h.height * 4);
    if (output.bgra)
        for (unsigned i = 0; i < a.paletteSize; ++i) std::swap(a.palette[i][0], a.palette[i][2]);
    const Converter convert{h.colourType, h.depth, &a, output.bgra};
    LineSink sink(passes, passCount, convert, picture, size_t(h.width) * 4, (bpp + 7) / 8,
                  window + windowSize);

    pngdetail::Inflater inflater(pieces.data(), pieces.size(), 2, size_t(bound));
    size_t base = 0;  // the output position of window[0]
    for (;;) {
        status = inflater.run(window, base, whole ? SIZE_MAX : base + keep + step);
        const size_t produced = inflater.produced();
        while (!sink.done() && sink.nextOffset() + sink.nextLength() <= produced)
            sink.take(window + size_t(sink.nextOffset() - base));
        if (status || inflater.finished()) break;
        // Move on, keeping the history and the start of the next line.
        size_t from = produced - pngdetail::kInflateHistory;
        if (!sink.done() && sink.nextOffset() < from) from = size_t(sink.nextOffset());
        sink.keepAbove(window, window + windowSize);
        std::memmove(window, window + (from - base), produced - from);
        base = from;
    }
    if (status) return status;
    if (!sink.done()) {
        const size_t produced = inflater.produced();
        const uint64_t next = sink.nextOffset();
        sink.finish(window + size_t(next - base), next < produced ? size_t(produced - next) : 0);
    }
    if (sink.filterStatus()) return sink.filterStatus();
    if (!picture) return kPngOutOfMemory;
    return sink.convertStatus();
}

}  // namespace

int32_t decodePngInto(const uint8_t* data, size_t size, const PngOutput& output, PngInfo& info)
{
    gThreadStatus = kPngOk;
    pngStatus.store(kPngOk, std::memory_order_relaxed);
    info.clear();
    int32_t status;
    try {
        status = decodeImage(data, size, output, info);
    } catch (const std::bad_alloc&) {
        status = kPngOutOfMemory;
    }
    gThreadStatus = status;
    pngStatus.store(status, std::memory_order_relaxed);
    return status;
}

int32_t decodePngInto(const std::vector<uint8_t>& input, const PngOutput& output, PngInfo& info)
{
    return decodePngInto(input.data(), input.size(), output, info);
}

int32_t decodePng(const std::vector<uint8_t>& input, std::vector<uint8_t>& rgba, PngInfo& info)
{
    // `rgba` keeps its storage: a caller that decodes into the same vector again saves the
    // clearing of a new picture.
    const PngOutput output{[](void* context, size_t bytes) -> uint8_t* {
                               std::vector<uint8_t>& v = *static_cast<std::vector<uint8_t>*>(context);
                               v.resize(bytes);
                               return v.data();
                           },
                           &rgba, false};
    const int32_t status = decodePngInto(input, output, info);
    if (status) std::vector<uint8_t>().swap(rgba);  // release a partly written picture
    return status;
}
