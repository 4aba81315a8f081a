// The PNG decoder's failures: every status number from a file that has
// exactly that fault, the order in which header faults are checked, and the
// malformed inputs that get numbers of their own (49 and up).
#include "png_test_support.h"

#include "skin_resources/resources.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

using namespace pngtest;

namespace {

int32_t statusOf(const Bytes& file)
{
    const Decoded d = decode(file);
    EXPECT_EQ(d.status, pngThreadStatus());
    EXPECT_EQ(d.status, pngStatus.load());
    if (d.status != 0) {
        EXPECT_TRUE(d.rgba.empty());
    }
    return d.status;
}

const Bytes kGrey1x1 = ihdrData(1, 1, 8, 0);  // scanline buffer bound: 9 bytes
const Bytes kGrey10x1 = ihdrData(10, 1, 8, 0);  // bound: 26 bytes

// A fixed-Huffman block header (final).
BitWriter fixedBlock()
{
    BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    return w;
}

// A dynamic block header (final) with the given code-length items.
BitWriter dynamicBlock(unsigned hlit, unsigned hdist, const std::vector<CodeLengthItem>& items)
{
    BitWriter w;
    w.bits(1, 1);
    w.bits(2, 2);
    dynamicHeader(w, hlit, hdist, items);
    return w;
}

// 256 zero code lengths as two repeat-18 items.
std::vector<CodeLengthItem> zeros256() { return {{18, 127}, {18, 107}}; }

Bytes withIhdrByte(size_t index, uint8_t value)
{
    Bytes f = simplePng(kGrey1x1, Bytes{0, 0});
    f[16 + index] = value;
    return f;
}

}  // namespace

TEST(PngMalformed, FileStructure)
{
    EXPECT_EQ(statusOf({}), kPngEmptyInput);
    const Bytes good = simplePng(kGrey1x1, Bytes{0, 77});
    ASSERT_EQ(statusOf(good), kPngOk);
    for (size_t n : {1, 8, 28}) EXPECT_EQ(statusOf(Bytes(good.begin(), good.begin() + n)), kPngNoRoomForChunk) << n;

    Bytes f = good;
    f[3] = 'g';
    EXPECT_EQ(statusOf(f), kPngBadSignature);
    f = good;
    f[15] = 'X';
    EXPECT_EQ(statusOf(f), kPngNoIhdr);

    // No IEND: the walk runs out of input.
    f = good;
    f.resize(f.size() - 12);
    EXPECT_EQ(statusOf(f), kPngNoRoomForChunk);
    // A chunk length far beyond the end, and one whose data ends 1 to 3 bytes past it.
    f = good;
    f[33] = 0x7F;
    EXPECT_EQ(statusOf(f), kPngChunkTooLong);
    for (uint8_t over = 1; over <= 3; ++over) {
        f = good;
        f.resize(f.size() - 12);  // drop IEND
        const uint32_t len = 8 + over;  // "tEXt" chunk: 4 type bytes, then len data bytes
        put32(f, len);
        f.insert(f.end(), {'t', 'E', 'X', 't', 1, 2, 3, 4, 5, 6, 7, 8});
        EXPECT_EQ(statusOf(f), kPngChunkTooLong) << int(over);
    }
}

TEST(PngMalformed, HeaderFieldsAreCheckedInOrder)
{
    EXPECT_EQ(statusOf(withIhdrByte(10, 1)), kPngBadCompressionMethod);
    EXPECT_EQ(statusOf(withIhdrByte(11, 1)), kPngBadFilterMethod);
    EXPECT_EQ(statusOf(withIhdrByte(12, 2)), kPngBadInterlaceMethod);
    for (uint8_t ct : {1, 5, 7, 255}) EXPECT_EQ(statusOf(withIhdrByte(9, ct)), kPngBadColourType) << int(ct);
    const struct {
        uint8_t colourType, depth;
    } badDepths[] = {{0, 3}, {0, 32}, {2, 4}, {3, 16}, {4, 1}, {6, 2}, {2, 0}};
    for (const auto& c : badDepths) {
        Bytes f = withIhdrByte(9, c.colourType);
        f[24] = c.depth;
        EXPECT_EQ(statusOf(f), kPngBadBitDepth) << int(c.colourType) << "/" << int(c.depth);
    }
    // Several faults at once: the earliest in the order wins.
    Bytes f = withIhdrByte(8, 3);  // depth 3
    f[25] = 5;  // colour type 5
    EXPECT_EQ(statusOf(f), kPngBadColourType);
    f[28] = 9;  // interlace 9
    EXPECT_EQ(statusOf(f), kPngBadInterlaceMethod);
    f[27] = 1;
    EXPECT_EQ(statusOf(f), kPngBadFilterMethod);
    f[26] = 1;
    EXPECT_EQ(statusOf(f), kPngBadCompressionMethod);
    f[12] = 'i';
    EXPECT_EQ(statusOf(f), kPngNoIhdr);
    f[0] = 0;
    EXPECT_EQ(statusOf(f), kPngBadSignature);
}

TEST(PngMalformed, ImageSizeLimits)
{
    EXPECT_EQ(statusOf(simplePng(ihdrData(0, 1, 8, 0), Bytes{0})), kPngEmptyImage);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 0, 8, 0), Bytes{0})), kPngEmptyImage);
    // Products that pass 2^26 pixels, or wrap in 32 bits, fail before any allocation.
    EXPECT_EQ(statusOf(simplePng(ihdrData(8193, 8192, 16, 6), Bytes{0})), kPngImageTooLarge);
    EXPECT_EQ(statusOf(simplePng(ihdrData(0xFFFFFFFF, 0xFFFFFFFF, 16, 6), Bytes{0})), kPngImageTooLarge);
    EXPECT_EQ(statusOf(simplePng(ihdrData(65536, 65537, 1, 0), Bytes{0})), kPngImageTooLarge);
    // The largest accepted size decodes (a one-line stream; the rest are zero lines).
    const Decoded d = decode(simplePng(ihdrData(1u << 20, 64, 1, 0), Bytes{0, 0x80}));
    ASSERT_EQ(d.status, 0);
    ASSERT_EQ(d.rgba.size(), size_t(1) << 28);
    EXPECT_EQ(d.rgba[0], 255);
    EXPECT_EQ(d.rgba[4], 0);
    EXPECT_EQ(d.rgba.back(), 255);
}

TEST(PngMalformed, PaletteTransparencyAndBackgroundChunks)
{
    const Bytes plte4{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    const Bytes pal8 = ihdrData(2, 1, 8, 3);
    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("PLTE", Bytes(771, 0))})), kPngPaletteTooLarge);
    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("PLTE", Bytes(10, 0))})), kPngPaletteLength);
    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("PLTE", Bytes(768, 0))})), kPngOk);

    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("PLTE", plte4), chunk("tRNS", Bytes(5, 0))})),
              kPngTransparencyTooLong);
    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("tRNS", Bytes(1, 0)), chunk("PLTE", plte4)})),
              kPngTransparencyTooLong);  // before PLTE the palette is empty
    EXPECT_EQ(statusOf(simplePng(kGrey1x1, Bytes{0, 0}, {chunk("tRNS", Bytes(3, 0))})), kPngTransparencyGreyLength);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 2), Bytes{0, 0, 0, 0}, {chunk("tRNS", Bytes(2, 0))})),
              kPngTransparencyRgbLength);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 4), Bytes{0, 0, 0}, {chunk("tRNS", Bytes(2, 0))})),
              kPngTransparencyWithAlpha);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 6), Bytes{0, 0, 0, 0, 0}, {chunk("tRNS", Bytes(6, 0))})),
              kPngTransparencyWithAlpha);

    EXPECT_EQ(statusOf(simplePng(pal8, Bytes{0, 0, 1}, {chunk("PLTE", plte4), chunk("bKGD", Bytes(2, 0))})),
              kPngBackgroundPaletteLength);
    EXPECT_EQ(statusOf(simplePng(kGrey1x1, Bytes{0, 0}, {chunk("bKGD", Bytes(1, 0))})), kPngBackgroundGreyLength);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 4), Bytes{0, 0, 0}, {chunk("bKGD", Bytes(6, 0))})),
              kPngBackgroundGreyLength);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 2), Bytes{0, 0, 0, 0}, {chunk("bKGD", Bytes(2, 0))})),
              kPngBackgroundRgbLength);
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 6), Bytes{0, 0, 0, 0, 0}, {chunk("bKGD", Bytes(1, 0))})),
              kPngBackgroundRgbLength);
}

TEST(PngMalformed, PaletteIndexOutsideThePalette)
{
    const Bytes plte4{1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4};
    EXPECT_EQ(statusOf(simplePng(ihdrData(2, 1, 8, 3), Bytes{0, 3, 5}, {chunk("PLTE", plte4)})), kPngPaletteIndex8);
    EXPECT_EQ(statusOf(simplePng(ihdrData(2, 1, 4, 3), Bytes{0, 0x35}, {chunk("PLTE", plte4)})),
              kPngPaletteIndexSubByte);
    EXPECT_EQ(statusOf(simplePng(ihdrData(2, 1, 1, 3), Bytes{0, 0x40}, {chunk("PLTE", Bytes{9, 9, 9})})),
              kPngPaletteIndexSubByte);
    // No PLTE at all: every index is outside.
    EXPECT_EQ(statusOf(simplePng(ihdrData(1, 1, 8, 3), Bytes{0, 0})), kPngPaletteIndex8);
    // A bad filter type in a later line is found before the bad index in an earlier one.
    EXPECT_EQ(statusOf(simplePng(ihdrData(2, 2, 8, 3), Bytes{0, 3, 5, 5, 0, 0}, {chunk("PLTE", plte4)})),
              kPngBadFilterType);
}

TEST(PngMalformed, FilterTypeAboveFour)
{
    EXPECT_EQ(statusOf(simplePng(ihdrData(2, 2, 8, 0), Bytes{4, 1, 2, 5, 1, 2})), kPngBadFilterType);
    // Interlaced 3 x 3: passes 1, 4, 5, 6 (two lines) and 7; the last line is bad.
    const Bytes laced{0, 1, 0, 1, 0, 1, 1, 0, 1, 0, 1, 255, 1, 2, 3};
    EXPECT_EQ(statusOf(simplePng(ihdrData(3, 3, 8, 0, 1), laced)), kPngBadFilterType);
    Bytes good = laced;
    good[11] = 4;
    EXPECT_EQ(statusOf(simplePng(ihdrData(3, 3, 8, 0, 1), good)), kPngOk);
}

TEST(PngMalformed, ZlibHeader)
{
    // FLG's low five bits are set so that the check value is right, unless `bad`.
    auto withZlibHeader = [](uint8_t cmf, uint8_t flagBits, bool bad = false) {
        uint8_t flg = flagBits;
        flg = uint8_t(flg + (31 - (cmf * 256 + flg) % 31) % 31 + (bad ? 1 : 0));
        Bytes z{cmf, flg};
        const Bytes d = storedDeflate(Bytes{0, 0});
        z.insert(z.end(), d.begin(), d.end());
        return pngFile(kGrey1x1, {chunk("IDAT", z)});
    };
    EXPECT_EQ(statusOf(withZlibHeader(0x78, 0x00)), kPngOk);
    EXPECT_EQ(statusOf(withZlibHeader(0x08, 0xC0)), kPngOk);  // smallest window, highest level
    EXPECT_EQ(statusOf(withZlibHeader(0x78, 0x00, true)), kPngZlibCheck);
    EXPECT_EQ(statusOf(withZlibHeader(0x77, 0x00)), kPngZlibMethod);  // method 7
    EXPECT_EQ(statusOf(withZlibHeader(0x88, 0x00)), kPngZlibMethod);  // window field 8
    EXPECT_EQ(statusOf(withZlibHeader(0x78, 0x20)), kPngZlibDictionary);
    // No IDAT: the check reads what is left of the signature.
    EXPECT_EQ(statusOf(pngFile(kGrey1x1, {})), kPngZlibCheck);
}

TEST(PngMalformed, StoredBlocks)
{
    // LEN 10 into a 9-byte scanline buffer; LEN and NLEN not complementary;
    // a block cut short, and a header cut short.
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, storedDeflate(Bytes(10, 0)))), kPngStoredOverrun);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, storedDeflate(Bytes(9, 0)))), kPngOk);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, Bytes{1, 2, 0, 0xFD, 0xFE, 0, 0})), kPngStoredLengthMismatch);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, Bytes{1, 10, 0, 0xF5, 0xFF, 0, 1, 2, 3})), kPngStoredDataEnd);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, Bytes{1, 10, 0, 0xF5})), kPngStoredDataEnd);
    // A non-final block at the very end of the data: the next block header is missing.
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, Bytes{0, 1, 0, 0xFE, 0xFF, 0})), kPngBitsDataEnd);
}

TEST(PngMalformed, HuffmanBlockWrites)
{
    BitWriter w = fixedBlock();
    for (int i = 0; i < 9; ++i) fixedLiteral(w, 0);
    fixedLiteral(w, 256);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, w.bytes)), kPngOk);  // exactly fills the bound

    w = fixedBlock();
    for (int i = 0; i < 10; ++i) fixedLiteral(w, 0);
    fixedLiteral(w, 256);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, w.bytes)), kPngLiteralOverrun);

    // Length 258 at distance 1 after one literal: past the buffer end.
    w = fixedBlock();
    fixedLiteral(w, 0);
    fixedLiteral(w, 285);
    fixedDistance(w, 0);
    fixedLiteral(w, 256);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, w.bytes)), kPngCopyOverrun);

    // Distance 2 with one byte written: before the start of the output.
    w = fixedBlock();
    fixedLiteral(w, 0);
    fixedLiteral(w, 257);
    fixedDistance(w, 1);
    fixedLiteral(w, 256);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngDistanceTooFar);
    // At the very start, with a length that also overruns: the overrun is reported.
    w = fixedBlock();
    fixedLiteral(w, 285);
    fixedDistance(w, 0);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, w.bytes)), kPngCopyOverrun);

    // Distance symbols 30 and 31, literal/length symbols 286 and 287 (fixed code only).
    for (unsigned sym : {30u, 31u}) {
        w = fixedBlock();
        fixedLiteral(w, 0);
        fixedLiteral(w, 257);
        fixedDistance(w, sym);
        EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngBadDistanceSymbol) << sym;
    }
    for (unsigned sym : {286u, 287u}) {
        w = fixedBlock();
        fixedLiteral(w, sym);
        EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngBadLengthSymbol) << sym;
    }

    // Block type 3.
    w = BitWriter();
    w.bits(1, 1);
    w.bits(3, 2);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, w.bytes)), kPngReservedBlockType);
}

TEST(PngMalformed, DataEndingInsideCodesAndExtraBits)
{
    // Nothing after the zlib header.
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey1x1, {})), kPngBitsDataEnd);

    // 3 + 8 bits, cut after the first byte: inside a literal's code.
    BitWriter w = fixedBlock();
    fixedLiteral(w, 0);
    w.bytes.resize(1);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngHuffmanDataEnd);

    // 3 + 2 x 9 + 7 = 28 bits, then a 5-bit distance code cut after 4 bits.
    w = fixedBlock();
    fixedLiteral(w, 200);
    fixedLiteral(w, 200);
    fixedLiteral(w, 257);
    fixedDistance(w, 0);
    w.bytes.resize(4);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngHuffmanDataEnd);

    // 3 + 6 x 9 + 7 = 64 bits: the data ends right before the extra bit of length symbol 265.
    w = fixedBlock();
    for (int i = 0; i < 6; ++i) fixedLiteral(w, 200);
    fixedLiteral(w, 265);
    ASSERT_EQ(w.bitPosition(), 64u);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngBitsDataEnd);

    // 3 + 9 + 7 + 5 = 24 bits: the data ends right before the extra bit of distance symbol 4.
    w = fixedBlock();
    fixedLiteral(w, 200);
    fixedLiteral(w, 257);
    fixedDistance(w, 4);
    ASSERT_EQ(w.bitPosition(), 24u);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngBitsDataEnd);

    // A dynamic header cut inside its code-length fields.
    w = dynamicBlock(257, 1, zeros256());
    w.bytes.resize(5);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngBitsDataEnd);
}

TEST(PngMalformed, IncompleteCodeTellsNoCodeFromDataEnd)
{
    // Literal code: end of block "0", literal 65 "100", literal 66 "101"; the
    // prefix "11" leads to no code. The data ends on a byte boundary, so the
    // stream is padded with 3-bit literals until the tail lands on it.
    auto stream = [](const std::vector<int>& tail) {
        std::vector<uint8_t> lit(257, 0);
        lit[256] = 1;
        lit[65] = 3;
        lit[66] = 3;
        std::vector<CodeLengthItem> items;
        for (uint8_t l : lit) items.push_back({l, 0});
        items.push_back({1, 0});  // one distance code
        BitWriter w = dynamicBlock(257, 1, items);
        while ((w.bitPosition() + tail.size()) % 8 != 0) w.code(4, 3);  // literal 65
        for (int b : tail) w.bits(unsigned(b), 1);
        return w.bytes;
    };
    // "1" then the end: still on the way to a code.
    EXPECT_EQ(statusOf(pngWithDeflate(ihdrData(40, 1, 8, 0), stream({1}))), kPngHuffmanDataEnd);
    // "11" then the end: the second bit already leaves the tree.
    EXPECT_EQ(statusOf(pngWithDeflate(ihdrData(40, 1, 8, 0), stream({1, 1}))), kPngHuffmanNoCode);
    // "11" followed by more data.
    EXPECT_EQ(statusOf(pngWithDeflate(ihdrData(40, 1, 8, 0), stream({1, 1, 0, 0, 0, 0, 0, 0, 0}))), kPngHuffmanNoCode);

    // A block with no distance codes at all that uses a back-reference.
    std::vector<CodeLengthItem> items;
    for (int i = 0; i < 257; ++i) items.push_back({i == 0 || i == 256 ? 2u : 0u, 0});
    items.push_back({2, 0});  // symbol 257: length 3
    items.push_back({0, 0});  // distance code: empty
    BitWriter w = dynamicBlock(258, 1, items);
    w.code(0, 2);  // literal 0
    w.code(2, 2);  // length 3
    w.code(0, 8);  // distance: there is no code
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngHuffmanNoCode);
}

TEST(PngMalformed, CodeLengthSequences)
{
    std::vector<CodeLengthItem> items = zeros256();
    items.push_back({5, 0});
    items.push_back({16, 0});  // 257 + 3 > 258
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, dynamicBlock(257, 1, items).bytes)), kPngRepeat16Overrun);

    items = zeros256();
    items.push_back({17, 0});  // 256 + 3 > 258
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, dynamicBlock(257, 1, items).bytes)), kPngRepeat17Overrun);

    items = zeros256();
    items.push_back({18, 0});  // 256 + 11 > 258
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, dynamicBlock(257, 1, items).bytes)), kPngRepeat18Overrun);

    // Repeat 16 first: there is no previous length to repeat.
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, dynamicBlock(257, 1, {{16, 0}}).bytes)), kPngRepeatWithoutLength);

    // A repeat 16 may run from the literal lengths into the distance lengths.
    // 256 zeros, then length 1 four times: literal/length codes 256 and 257, distance codes 0 and 1.
    items = {{18, 127}, {18, 107}, {1, 0}, {16, 0}};
    BitWriter w = dynamicBlock(258, 2, items);
    w.code(0, 1);  // end of block
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngOk);

    // Over-subscribed literal code: 257 codes of 1 bit.
    items.assign(257, {1, 0});
    items.push_back({1, 0});
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, dynamicBlock(257, 1, items).bytes)), kPngOversubscribedCode);

    // Over-subscribed code-length code: 19 codes of 1 bit.
    w = BitWriter();
    w.bits(1, 1);
    w.bits(2, 2);
    w.bits(0, 5);
    w.bits(0, 5);
    w.bits(15, 4);
    for (int i = 0; i < 19; ++i) w.bits(1, 3);
    w.bits(0, 16);
    EXPECT_EQ(statusOf(pngWithDeflate(kGrey10x1, w.bytes)), kPngOversubscribedCode);
}

TEST(PngMalformed, EveryStatusHasATextAndTheImageLoadersPassTheStatusOn)
{
    const std::set<int32_t> codes = {0,  10, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 28, 29, 30, 31,
                                     32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47, 48, 49, 50, 51, 52,
                                     53, 54, 55, 56, 57};
    const std::string unknown = pngStatusText(-1);
    std::set<std::string> texts;
    for (int32_t code = -2; code < 70; ++code) {
        const std::string text = pngStatusText(code);
        EXPECT_EQ(text == unknown, codes.count(code) == 0) << code << ": " << text;
        texts.insert(text);
    }
    // One text for the unknown ones; the three repeat overruns and the two palette-index faults share one each.
    EXPECT_EQ(texts.size(), codes.size() - 3 + 1);

    const Bytes good = simplePng(kGrey1x1, Bytes{0, 77});
    Bytes bad = good;
    bad[3] = 'g';
    int32_t status = -1;
    EXPECT_EQ(std::unique_ptr<ZBitmap>(loadImageBytes(bad.data(), bad.size(), &status)), nullptr);
    EXPECT_EQ(status, kPngBadSignature);
    EXPECT_EQ(pngStatus.load(), kPngBadSignature);
    EXPECT_NE(std::unique_ptr<ZBitmap>(loadImageBytes(good.data(), good.size(), &status)), nullptr);
    EXPECT_EQ(status, kPngOk);
    EXPECT_EQ(std::unique_ptr<ZBitmap>(loadImageFile("no/such/picture.png", &status)), nullptr);
    EXPECT_EQ(status, kPngEmptyInput);
}
