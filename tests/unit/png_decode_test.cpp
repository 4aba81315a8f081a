// The PNG decoder on images built here: conversion of every colour type and
// depth to RGBA, transparency keys, palettes, Adam7, filters, the chunk walk,
// and DEFLATE streams made of stored, fixed and dynamic blocks.
#include "png_test_support.h"

#include <gtest/gtest.h>

using namespace pngtest;

namespace {

// A pixel as four bytes.
Bytes px(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return Bytes{r, g, b, a}; }
Bytes pixelAt(const Bytes& rgba, size_t i) { return Bytes(rgba.begin() + 4 * i, rgba.begin() + 4 * i + 4); }

// Length and distance codes with their extra bits (RFC 1951, 3.2.5).
void fixedMatch(BitWriter& w, unsigned length, unsigned distance)
{
    static const unsigned lbase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
    static const unsigned lextra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static const unsigned dbase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                       33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                       1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
    static const unsigned dextra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                        6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (lbase[l] > length) --l;
    fixedLiteral(w, 257 + l);
    w.bits(length - lbase[l], lextra[l]);
    int d = 29;
    while (dbase[d] > distance) --d;
    fixedDistance(w, d);
    w.bits(distance - dbase[d], dextra[d]);
}

// Filters one line with PNG filter `type` (the encoder's side).
Bytes filterLine(unsigned type, const Bytes& line, const Bytes& above, unsigned bpp)
{
    Bytes out(line.size() + 1);
    out[0] = uint8_t(type);
    for (size_t i = 0; i < line.size(); ++i) {
        const int a = i >= bpp ? line[i - bpp] : 0, b = above[i], c = i >= bpp ? above[i - bpp] : 0;
        int pred = 0;
        if (type == 1) pred = a;
        if (type == 2) pred = b;
        if (type == 3) pred = (a + b) / 2;
        if (type == 4) {
            const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
            pred = (pa <= pb && pa <= pc) ? a : (pb <= pc ? b : c);
        }
        out[i + 1] = uint8_t(line[i] - pred);
    }
    return out;
}

}  // namespace

// ------------------------------------------------------------------ conversion

TEST(PngDecode, SubByteGreyScalesToFullRangeAndIgnoresRowPadding)
{
    // 1-bit, 3 x 2: the five unused bits of each row byte are set and must not matter.
    Decoded d = decode(simplePng(ihdrData(3, 2, 1, 0), Bytes{0, 0xBF, 0, 0x7F}));
    ASSERT_EQ(d.status, 0);
    const uint8_t want1[6] = {255, 0, 255, 0, 255, 255};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(pixelAt(d.rgba, i), px(want1[i], want1[i], want1[i], 255)) << i;

    // 2-bit: 0..3 -> 0, 85, 170, 255.
    d = decode(simplePng(ihdrData(4, 1, 2, 0), Bytes{0, 0x1B}));
    ASSERT_EQ(d.status, 0);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(pixelAt(d.rgba, v), px(v * 85, v * 85, v * 85, 255));

    // 4-bit: steps of 17.
    Bytes line{0};
    for (int v = 0; v < 16; v += 2) line.push_back(uint8_t(v << 4 | (v + 1)));
    d = decode(simplePng(ihdrData(16, 1, 4, 0), line));
    ASSERT_EQ(d.status, 0);
    for (int v = 0; v < 16; ++v) EXPECT_EQ(pixelAt(d.rgba, v), px(v * 17, v * 17, v * 17, 255));
}

TEST(PngDecode, SixteenBitSamplesGiveTheirFirstByte)
{
    // 16-bit RGBA like the skin's 42 x 4004 knob strip (both bytes equal), and
    // a grey+alpha and an RGB line whose low bytes differ from the high ones.
    Bytes pixels(size_t(42) * 4004 * 8);
    for (size_t i = 0; i < pixels.size(); i += 2) pixels[i] = pixels[i + 1] = uint8_t(i * 7 / 2);
    Decoded d = decode(simplePng(ihdrData(42, 4004, 16, 6), unfilteredLines(pixels, 42 * 8)));
    ASSERT_EQ(d.status, 0);
    ASSERT_EQ(d.rgba.size(), size_t(42) * 4004 * 4);
    bool same = true;
    for (size_t i = 0; i < d.rgba.size(); ++i) same &= d.rgba[i] == pixels[2 * i];
    EXPECT_TRUE(same);

    d = decode(simplePng(ihdrData(1, 1, 16, 4), Bytes{0, 0x12, 0xFF, 0x34, 0x01}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, px(0x12, 0x12, 0x12, 0x34));
    d = decode(simplePng(ihdrData(1, 1, 16, 2), Bytes{0, 0xAB, 0xCD, 0x01, 0x02, 0xFE, 0xFF}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, px(0xAB, 0x01, 0xFE, 255));
}

TEST(PngDecode, TransparencyKeysMatchExactlyTheKeyedPixels)
{
    // 8-bit RGB with key (10, 20, 30): only the exact match turns transparent, colour kept.
    const Bytes rgbKey = chunk("tRNS", Bytes{0, 10, 0, 20, 0, 30});
    Decoded d = decode(simplePng(ihdrData(3, 1, 8, 2), Bytes{0, 10, 20, 30, 10, 20, 31, 30, 20, 10}, {rgbKey}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(pixelAt(d.rgba, 0), px(10, 20, 30, 0));
    EXPECT_EQ(pixelAt(d.rgba, 1), px(10, 20, 31, 255));
    EXPECT_EQ(pixelAt(d.rgba, 2), px(30, 20, 10, 255));
    EXPECT_EQ(d.info[kPngInfoKeyGiven], 1u);
    EXPECT_EQ(d.info[kPngInfoKeyRed], 10u);
    EXPECT_EQ(d.info[kPngInfoKeyBlue], 30u);

    // 8-bit grey, key 7; a key above 255 matches nothing.
    d = decode(simplePng(ihdrData(2, 1, 8, 0), Bytes{0, 7, 8}, {chunk("tRNS", Bytes{0, 7})}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{7, 7, 7, 0, 8, 8, 8, 255}));
    d = decode(simplePng(ihdrData(2, 1, 8, 0), Bytes{0, 7, 8}, {chunk("tRNS", Bytes{1, 7})}));
    EXPECT_EQ(d.rgba, (Bytes{7, 7, 7, 255, 8, 8, 8, 255}));

    // 2-bit grey: the key compares with the raw value, not the scaled one.
    d = decode(simplePng(ihdrData(4, 1, 2, 0), Bytes{0, 0x1B}, {chunk("tRNS", Bytes{0, 2})}));
    ASSERT_EQ(d.status, 0);
    for (int v = 0; v < 4; ++v) EXPECT_EQ(d.rgba[4 * v + 3], v == 2 ? 0 : 255) << v;
}

TEST(PngDecode, PaletteTakesAlphaFromAShortTrnsChunk)
{
    const Bytes plte{255, 0, 0, 0, 255, 0, 0, 0, 255, 9, 9, 9};
    const std::vector<Bytes> before{chunk("PLTE", plte), chunk("tRNS", Bytes{0, 128, 255}), chunk("bKGD", Bytes{2})};
    Decoded d = decode(simplePng(ihdrData(4, 1, 8, 3), Bytes{0, 0, 1, 2, 3}, before));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 9, 9, 9, 255}));
    ASSERT_EQ(d.info.size(), 19u + 16u);
    EXPECT_EQ(d.info[kPngInfoPaletteSize], 4u);
    EXPECT_EQ(d.info[kPngInfoBackgroundGiven], 1u);
    EXPECT_EQ(d.info[kPngInfoBackgroundRed], 2u);
    EXPECT_EQ(d.info[19 + 4 * 1 + 1], 255u);  // entry 1 green
    EXPECT_EQ(d.info[19 + 4 * 1 + 3], 128u);  // entry 1 alpha
    EXPECT_EQ(d.info[19 + 4 * 3 + 3], 255u);  // entry 3 alpha: not in tRNS

    // The same picture from 2-bit indices.
    d = decode(simplePng(ihdrData(4, 1, 2, 3), Bytes{0, 0x1B}, before));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{255, 0, 0, 0, 0, 255, 0, 128, 0, 0, 255, 255, 9, 9, 9, 255}));
}

TEST(PngDecode, InterlacedImagesEqualTheirNonInterlacedTwins)
{
    // Sizes with empty passes (1 x 1, 3 x 3) and with every pass partly filled.
    const struct {
        uint32_t w, h;
        uint8_t depth, colourType;
        unsigned bytesPerPixel;
    } cases[] = {{1, 1, 8, 6, 4}, {3, 3, 8, 6, 4},   {3, 3, 16, 4, 4},  {2, 7, 8, 2, 3},
                 {9, 9, 8, 0, 1}, {13, 5, 16, 6, 8}, {17, 19, 16, 2, 6}};
    uint32_t seed = 7;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        Bytes pixels(size_t(c.w) * c.h * c.bytesPerPixel);
        for (uint8_t& b : pixels) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
        const Decoded flat = decode(
            simplePng(ihdrData(c.w, c.h, c.depth, c.colourType), unfilteredLines(pixels, c.w * c.bytesPerPixel)));
        const Decoded laced = decode(
            simplePng(ihdrData(c.w, c.h, c.depth, c.colourType, 1), adam7Lines(pixels, c.w, c.h, c.bytesPerPixel)));
        ASSERT_EQ(flat.status, 0);
        ASSERT_EQ(laced.status, 0);
        EXPECT_EQ(laced.rgba, flat.rgba);
        EXPECT_EQ(laced.info[kPngInfoInterlace], 1u);
    }
}

TEST(PngDecode, EveryFilterTypeRoundTripsForEveryPixelWidth)
{
    // Random lines filtered with each type in turn (first line included, where
    // the line above counts as zeros), for 1, 2, 3, 4, 6 and 8 bytes per pixel
    // and for a sub-byte depth. Every other line repeats its pixels in runs,
    // as flat pictures do, so that the lines below have runs above them.
    const struct {
        uint8_t depth, colourType;
        unsigned bitsPerPixel;
    } formats[] = {{8, 0, 8}, {8, 4, 16}, {8, 2, 24}, {8, 6, 32}, {16, 2, 48}, {16, 6, 64}, {4, 0, 4}, {16, 0, 16}};
    uint32_t seed = 99;
    for (const auto& f : formats) {
        SCOPED_TRACE(f.bitsPerPixel);
        const uint32_t w = 37, h = 20;
        const size_t stride = (size_t(w) * f.bitsPerPixel + 7) / 8;
        const unsigned bpp = (f.bitsPerPixel + 7) / 8;
        Bytes raw(stride * h), lines;
        for (uint8_t& b : raw) b = uint8_t((seed = seed * 1103515245u + 12345u) >> 24);
        for (uint32_t y = 0; y < h; y += 2)
            for (size_t i = bpp; i < stride; ++i)
                if (raw[y * stride + i] % 8 != 0) raw[y * stride + i] = raw[y * stride + i - bpp];
        Bytes above(stride, 0);
        for (uint32_t y = 0; y < h; ++y) {
            const Bytes line(raw.begin() + y * stride, raw.begin() + (y + 1) * stride);
            const Bytes filtered = filterLine((y + f.bitsPerPixel) % 5, line, above, bpp);
            lines.insert(lines.end(), filtered.begin(), filtered.end());
            above = line;
        }
        const Decoded want = decode(simplePng(ihdrData(w, h, f.depth, f.colourType), unfilteredLines(raw, stride)));
        const Decoded got = decode(simplePng(ihdrData(w, h, f.depth, f.colourType), lines));
        ASSERT_EQ(want.status, 0);
        ASSERT_EQ(got.status, 0);
        EXPECT_EQ(got.rgba, want.rgba);
    }
}

// ------------------------------------------------------------------ chunk walk

TEST(PngDecode, IdatSplitAcrossChunksAndSkippedChunksGiveTheSamePicture)
{
    const Bytes lines{0, 1, 2, 3, 0, 4, 5, 6};
    const Bytes z = zlibStored(lines);
    const Decoded whole = decode(simplePng(ihdrData(3, 2, 8, 0), lines));
    ASSERT_EQ(whole.status, 0);

    // One byte per IDAT, with empty IDATs and unknown chunks (critical and
    // ancillary) between them, and bytes after IEND.
    std::vector<Bytes> chunks{chunk("gAMA", Bytes{0, 1, 0, 0}), chunk("IDAT", {})};
    for (size_t i = 0; i < z.size(); ++i) {
        chunks.push_back(chunk("IDAT", Bytes{z[i]}));
        if (i % 3 == 0) chunks.push_back(chunk("zzZZ", Bytes(5, 0xEE)));
        if (i % 4 == 0) chunks.push_back(chunk("ABCD", {}));
    }
    Bytes file = pngFile(ihdrData(3, 2, 8, 0), chunks);
    file.insert(file.end(), {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const Decoded split = decode(file);
    ASSERT_EQ(split.status, 0);
    EXPECT_EQ(split.rgba, whole.rgba);
}

TEST(PngDecode, ChecksumsAreNotChecked)
{
    Bytes file = simplePng(ihdrData(3, 2, 8, 0), Bytes{0, 1, 2, 3, 0, 4, 5, 6});
    const Decoded good = decode(file);
    ASSERT_EQ(good.status, 0);
    // Every chunk's CRC and the zlib trailer's Adler-32 inverted.
    for (size_t pos = 8; pos + 8 <= file.size();) {
        const uint32_t len = (file[pos] << 24) | (file[pos + 1] << 16) | (file[pos + 2] << 8) | file[pos + 3];
        for (int i = 0; i < 4; ++i) file[pos + 8 + len + i] ^= 0xFF;
        if (std::memcmp(&file[pos + 4], "IDAT", 4) == 0)
            for (int i = 1; i <= 4; ++i) file[pos + 8 + len - i] ^= 0xFF;
        pos += 12 + len;
    }
    const Decoded bad = decode(file);
    ASSERT_EQ(bad.status, 0);
    EXPECT_EQ(bad.rgba, good.rgba);
}

TEST(PngDecode, StreamEndingBeforeTheLastLineLeavesZeroLines)
{
    // Only the first of three lines is in the stream: the other two are zero
    // bytes with filter type 0.
    Decoded d = decode(simplePng(ihdrData(2, 3, 8, 0), Bytes{0, 50, 60}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba,
              (Bytes{50, 50, 50, 255, 60, 60, 60, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // A palette image shows entry 0 there; an interlaced one fills its missing passes the same way.
    d = decode(simplePng(ihdrData(2, 2, 8, 3), Bytes{0, 1, 1}, {chunk("PLTE", Bytes{7, 8, 9, 1, 2, 3})}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{1, 2, 3, 255, 1, 2, 3, 255, 7, 8, 9, 255, 7, 8, 9, 255}));
    d = decode(simplePng(ihdrData(2, 2, 8, 0, 1), Bytes{0, 200}));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{200, 200, 200, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));

    // No IDAT data at all after a valid zlib header and an empty final stored block.
    d = decode(pngWithDeflate(ihdrData(2, 1, 8, 0), storedDeflate({})));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba, (Bytes{0, 0, 0, 255, 0, 0, 0, 255}));
}

TEST(PngDecode, StreamEndingAnywhereEqualsTheStreamPaddedWithZeros)
{
    // Lines past the end of the data are zero lines, whatever pass or line the
    // data ends in; compare every cut with the same data padded explicitly.
    const struct {
        uint32_t w, h;
        uint8_t depth, colourType, interlace;
        unsigned bitsPerPixel;
    } cases[] = {{17, 13, 16, 6, 1, 64}, {9, 7, 2, 0, 0, 2}, {11, 10, 4, 3, 1, 4}, {6, 5, 8, 2, 0, 24}};
    const Bytes plte{10, 20, 30, 40, 50, 60, 70, 80, 90};
    uint32_t seed = 3;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.bitsPerPixel) + (c.interlace ? " interlaced" : ""));
        // Full lines: filter byte, then random bytes (palette indices kept below 3).
        Bytes lines;
        static const uint32_t kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                             {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
        for (int p = 0; p < (c.interlace ? 7 : 1); ++p) {
            const uint32_t x0 = c.interlace ? kPass[p][0] : 0, y0 = c.interlace ? kPass[p][1] : 0;
            const uint32_t dx = c.interlace ? kPass[p][2] : 1, dy = c.interlace ? kPass[p][3] : 1;
            if (x0 >= c.w) continue;
            const uint32_t pw = (c.w - x0 + dx - 1) / dx;
            for (uint32_t y = y0; y < c.h; y += dy) {
                lines.push_back(uint8_t((seed = seed * 1103515245u + 12345u) >> 29) % 5);
                for (size_t i = 0; i < (size_t(pw) * c.bitsPerPixel + 7) / 8; ++i)
                    lines.push_back(c.colourType == 3 ? 0 : uint8_t((seed = seed * 1103515245u + 12345u) >> 24));
            }
        }
        const Bytes ihdr = ihdrData(c.w, c.h, c.depth, c.colourType, c.interlace);
        const std::vector<Bytes> before{chunk("PLTE", plte)};
        for (size_t cut = 0; cut <= lines.size(); cut += 1 + lines.size() / 97) {
            Bytes padded(lines.begin(), lines.begin() + cut);
            padded.resize(lines.size(), 0);
            const Decoded shortStream = decode(simplePng(ihdr, Bytes(lines.begin(), lines.begin() + cut), before));
            const Decoded zeroPadded = decode(simplePng(ihdr, padded, before));
            ASSERT_EQ(zeroPadded.status, 0) << cut;
            ASSERT_EQ(shortStream.status, 0) << cut;
            EXPECT_EQ(shortStream.rgba, zeroPadded.rgba) << cut;
        }
    }
}

// ------------------------------------------------------------------ DEFLATE

TEST(PngDecode, BackReferencesOfEveryShortDistanceAndLength)
{
    // A fixed-Huffman stream of literals and matches (distances 1..40 and a
    // few long ones, lengths 3..258), checked against a plain expansion.
    BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    Bytes want;
    uint32_t seed = 5;
    auto literal = [&](uint8_t v) {
        fixedLiteral(w, v);
        want.push_back(v);
    };
    literal(0);  // filter type of the single line
    for (int i = 0; i < 300; ++i) literal(uint8_t((seed = seed * 1103515245u + 12345u) >> 24));
    for (unsigned dist = 1; dist <= 40; ++dist)
        for (unsigned len : {3u, 4u, 7u, 8u, 9u, 15u, 16u, 17u, 31u, 100u, 258u}) {
            fixedMatch(w, len, dist);
            for (unsigned k = 0; k < len; ++k) want.push_back(want[want.size() - dist]);
            literal(uint8_t(dist * 13 + len));
        }
    for (unsigned dist : {255u, 1000u, 4097u, 20000u})
        if (dist < want.size()) {
            fixedMatch(w, 258, dist);
            for (unsigned k = 0; k < 258; ++k) want.push_back(want[want.size() - dist]);
        }
    fixedLiteral(w, 256);

    const uint32_t width = uint32_t(want.size() - 1);
    const Decoded d = decode(pngWithDeflate(ihdrData(width, 1, 8, 0), w.bytes));
    ASSERT_EQ(d.status, 0);
    bool same = true;
    for (uint32_t x = 0; x < width; ++x) same &= d.rgba[4 * x] == want[x + 1];
    EXPECT_TRUE(same);
}

TEST(PngDecode, MixedBlockTypesAndFifteenBitCodes)
{
    // A stored block, a fixed block and a dynamic block whose literal and
    // distance codes run up to 15 bits (second-level table lookups).
    BitWriter w;
    Bytes want{0, 'a', 'b'};
    w.bits(0, 1);
    w.bits(0, 2);  // stored
    w.used = 0;  // byte-aligned: next bits start a new byte
    for (uint8_t b : Bytes{3, 0, 0xFC, 0xFF, 0, 'a', 'b'}) w.bytes.push_back(b);
    w.bits(0, 1);
    w.bits(1, 2);  // fixed
    fixedLiteral(w, 'c');
    fixedMatch(w, 3, 2);  // "abc" -> "bc" + "b"
    want.insert(want.end(), {'c', 'b', 'c', 'b'});
    fixedLiteral(w, 256);

    // Dynamic: literal i gets length i + 1 for i < 14, literal 14 and the end
    // code get 15 (a complete code); the distance code is incomplete and unused.
    std::vector<uint8_t> lit(257, 0), dist(15, 0);
    for (int i = 0; i < 14; ++i) lit[i] = uint8_t(i + 1);
    lit[14] = 15;
    lit[256] = 15;
    for (int i = 0; i < 14; ++i) dist[i] = uint8_t(i + 1);
    dist[14] = 15;
    w.bits(1, 1);
    w.bits(2, 2);
    dynamicHeader(w, lit, dist);
    const std::vector<uint32_t> lc = canonicalCodes(lit);
    for (unsigned s = 0; s <= 14; ++s) {
        w.code(lc[s], lit[s]);
        want.push_back(uint8_t(s));
    }
    w.code(lc[14], 15);
    w.code(lc[13], 14);
    want.insert(want.end(), {14, 13});
    w.code(lc[256], 15);

    const uint32_t width = uint32_t(want.size() - 1);
    const Decoded d = decode(pngWithDeflate(ihdrData(width, 1, 8, 0), w.bytes));
    ASSERT_EQ(d.status, 0);
    for (uint32_t x = 0; x < width; ++x) EXPECT_EQ(d.rgba[4 * x], want[x + 1]) << x;
}

TEST(PngDecode, LongDistanceCodesDecodeThroughSecondLevelTables)
{
    // Distance code of 15 bits for the farthest distance symbol in use.
    std::vector<uint8_t> lit(258, 0), dist(30, 0);
    lit[0] = 1;  // literal 0: "0"
    lit[256] = 2;  // end: "10"
    lit[257] = 2;  // length 3: "11"
    for (int i = 0; i < 14; ++i) dist[29 - i] = uint8_t(i + 1);  // symbol 29 shortest
    dist[0] = 15;  // distance 1: 15 bits
    dist[15] = 15;
    const std::vector<uint32_t> lc = canonicalCodes(lit), dc = canonicalCodes(dist);
    BitWriter w;
    w.bits(1, 1);
    w.bits(2, 2);
    dynamicHeader(w, lit, dist);
    for (int i = 0; i < 5; ++i) w.code(lc[0], 1);  // five zero bytes
    w.code(lc[257], 2);
    w.code(dc[0], 15);  // distance 1
    w.code(lc[256], 2);
    const Decoded d = decode(pngWithDeflate(ihdrData(7, 1, 8, 0), w.bytes));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.rgba.size(), 28u);
}

TEST(PngDecode, ImagesMuchLargerThanTheInflateWindowInManyIdatChunks)
{
    // 300 x 400 RGB: 360 KB of lines, inflated a piece at a time. Rows repeat
    // every 36 rows (32436 bytes, near the farthest distance); rows alternate
    // between filter types None and Up. The same lines come as stored blocks
    // of an odd size and as far back-references, with the first lines of the
    // interlaced twin in both forms as well.
    const uint32_t w = 300, h = 400, stride = w * 3;
    Bytes pixels(size_t(stride) * h);
    uint32_t seed = 11;
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t i = 0; i < stride; ++i)
            pixels[size_t(y) * stride + i] =
                y < 36 ? uint8_t((seed = seed * 1103515245u + 12345u) >> 24) : pixels[size_t(y - 36) * stride + i];
    Bytes lines;
    for (uint32_t y = 0; y < h; ++y) {
        const Bytes row(pixels.begin() + size_t(y) * stride, pixels.begin() + size_t(y + 1) * stride);
        const Bytes above = y ? Bytes(pixels.begin() + size_t(y - 1) * stride, pixels.begin() + size_t(y) * stride)
                              : Bytes(stride, 0);
        const Bytes f = filterLine(y % 2 ? 2 : 0, row, above, 3);
        lines.insert(lines.end(), f.begin(), f.end());
    }
    Bytes want;
    for (size_t i = 0; i < pixels.size(); i += 3) want.insert(want.end(), {pixels[i], pixels[i + 1], pixels[i + 2], 255});

    // The zlib stream in IDAT chunks of 1, 2, 3, then 4099 bytes.
    const auto pieces = [](const Bytes& z) {
        std::vector<Bytes> chunks;
        for (size_t at = 0, n = 1; at < z.size(); at += n, n = n < 3 ? n + 1 : 4099)
            chunks.push_back(chunk("IDAT", Bytes(z.begin() + at, z.begin() + std::min(z.size(), at + n))));
        return chunks;
    };
    const Decoded stored = decode(pngFile(ihdrData(w, h, 8, 2), pieces(zlibWrap(storedDeflate(lines, 30001), lines))));
    ASSERT_EQ(stored.status, 0);
    EXPECT_TRUE(stored.rgba == want) << "stored blocks";

    const size_t period = size_t(36) * (stride + 1);
    BitWriter bw;
    bw.bits(1, 1);
    bw.bits(1, 2);
    for (size_t i = 0; i < period; ++i) fixedLiteral(bw, lines[i]);
    for (size_t left = lines.size() - period; left > 0;) {
        const size_t n = left > 258 ? (left - 258 < 3 ? left - 3 : 258) : left;
        fixedMatch(bw, unsigned(n), unsigned(period));
        left -= n;
    }
    fixedLiteral(bw, 256);
    Bytes z{0x78, 0x01};
    z.insert(z.end(), bw.bytes.begin(), bw.bytes.end());
    const Decoded matched = decode(pngFile(ihdrData(w, h, 8, 2), pieces(z)));
    ASSERT_EQ(matched.status, 0);
    EXPECT_TRUE(matched.rgba == want) << "back-references";

    const Bytes interlaced = adam7Lines(pixels, w, h, 3);
    const Decoded adam7 = decode(pngFile(ihdrData(w, h, 8, 2, 1), {chunk("IDAT", zlibWrap(storedDeflate(interlaced, 40000), interlaced))}));
    ASSERT_EQ(adam7.status, 0);
    EXPECT_TRUE(adam7.rgba == want) << "interlaced";
}
