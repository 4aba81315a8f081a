// Raw DEFLATE decoder for the PNG decoder.
//
// Huffman codes are decoded with lookup tables: a primary table indexed by the
// next few bits of the stream, and for longer codes a second-level table
// indexed by the bits that follow. Bits are kept in a 64-bit buffer that is
// refilled eight bytes at a time while the input lasts and one byte at a time
// near its end. The observable results (output bytes and status numbers) are
// those of a decoder that walks the code tree one bit at a time: a stream that
// ends inside a code gives kPngHuffmanDataEnd, a bit sequence that leaves the
// tree gives kPngHuffmanNoCode, whichever comes first along the bits.
#include "skin_resources/png_inflate.h"

#include "skin_resources/png.h"

#include <cstring>
#include <memory>
#include <new>

#if defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#include <emmintrin.h>
#define PNG_INFLATE_SSE2 1
#else
#define PNG_INFLATE_SSE2 0
#endif

namespace pngdetail {

struct HuffTable {
    const uint32_t* entries = nullptr;
    unsigned maxLength = 0;  // 0: the code has no symbols
    uint32_t lastCode = 0;  // canonical code of the last symbol (longest, highest)
    const uint32_t* pairs = nullptr;  // literal/length codes: the pair table (see buildPairs)
};

namespace {

// ------------------------------------------------------------------ tables

const uint16_t kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                  31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
const uint8_t kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
const uint16_t kDistanceBase[30] = {1,    2,    3,    4,    5,    7,    9,    13,    17,    25,
                                    33,   49,   65,   97,   129,  193,  257,  385,   513,   769,
                                    1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
const uint8_t kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                    6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
const uint8_t kCodeLengthOrder[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

constexpr unsigned kMaxCodeLength = 15;
constexpr unsigned kLiteralBits = 10;  // primary index bits, literal/length table
constexpr unsigned kDistanceBits = 8;  // primary index bits, distance table
constexpr unsigned kCodeLengthBits = 7;  // the code-length code has no code above 7 bits

// Worst case: one full-size second-level table per symbol.
constexpr unsigned kPairBits = 11;  // index bits of the literal pair table
constexpr size_t kLiteralEntries = (size_t(1) << kLiteralBits) + 288 * (size_t(1) << (kMaxCodeLength - kLiteralBits));
constexpr size_t kDistanceEntries = (size_t(1) << kDistanceBits) + 32 * (size_t(1) << (kMaxCodeLength - kDistanceBits));
constexpr size_t kCodeLengthEntries = size_t(1) << kCodeLengthBits;

// Table entry: symbol << 16 | code length (1..15) for a code; 0 for a bit
// pattern that starts no code; offset << 16 | kSubTable | index bits for a
// pointer to a second-level table.
constexpr uint32_t kSubTable = 0x100;

inline uint32_t reverseBits(uint32_t code, unsigned length)
{
    uint32_t r = 0;
    for (unsigned i = 0; i < length; ++i) {
        r = (r << 1) | (code & 1);
        code >>= 1;
    }
    return r;
}

// Builds the table for `count` code lengths. Incomplete codes are allowed
// (their unused bit patterns decode as "no code"); over-subscribed ones are not.
int32_t buildTable(HuffTable& table, uint32_t* storage, const uint8_t* lengths, unsigned count, unsigned primaryBits)
{
    unsigned perLength[kMaxCodeLength + 1] = {};
    for (unsigned i = 0; i < count; ++i) perLength[lengths[i]]++;
    perLength[0] = 0;
    int left = 1;
    unsigned maxLength = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        left = (left << 1) - int(perLength[len]);
        if (left < 0) return kPngOversubscribedCode;
        if (perLength[len]) maxLength = len;
    }
    uint32_t nextCode[kMaxCodeLength + 1] = {};
    uint32_t code = 0;
    for (unsigned len = 1; len <= kMaxCodeLength; ++len) {
        code = (code + perLength[len - 1]) << 1;
        nextCode[len] = code;
    }
    table.entries = storage;
    table.maxLength = maxLength;
    table.lastCode = maxLength ? nextCode[maxLength] + perLength[maxLength] - 1 : 0;

    const uint32_t primarySize = uint32_t(1) << primaryBits;
    std::memset(storage, 0, primarySize * sizeof(uint32_t));
    const unsigned subBits = maxLength > primaryBits ? maxLength - primaryBits : 0;
    const uint32_t subSize = uint32_t(1) << subBits;
    uint32_t nextOffset = primarySize;
    for (unsigned sym = 0; sym < count; ++sym) {
        const unsigned len = lengths[sym];
        if (!len) continue;
        const uint32_t rev = reverseBits(nextCode[len]++, len);
        const uint32_t entry = (uint32_t(sym) << 16) | len;
        if (len <= primaryBits) {
            for (uint32_t i = rev; i < primarySize; i += uint32_t(1) << len) storage[i] = entry;
        } else {
            uint32_t& slot = storage[rev & (primarySize - 1)];
            if (!(slot & kSubTable)) {
                slot = (nextOffset << 16) | kSubTable | subBits;
                std::memset(storage + nextOffset, 0, subSize * sizeof(uint32_t));
                nextOffset += subSize;
            }
            uint32_t* sub = storage + (slot >> 16);
            for (uint32_t i = rev >> primaryBits; i < subSize; i += uint32_t(1) << (len - primaryBits)) sub[i] = entry;
        }
    }
    return kPngOk;
}

// The pair table of a literal/length code, for runs of literals: indexed by
// the next kPairBits bits, an entry holds one or two literals whose codes lie
// wholly within those bits (kPairLiteral, and kPairTwo for two; the low four
// bits give the bits they take, bits 16 to 23 the first literal and 24 to 31
// the second). Other entries (no kPairLiteral) are left to the general step.
constexpr uint32_t kPairLiteral = 0x10;
constexpr uint32_t kPairTwo = 0x20;

void buildPairs(HuffTable& table, uint32_t* pairs)
{
    static_assert(kPairBits >= kLiteralBits, "the pair table is indexed by more bits than the primary table");
    constexpr uint32_t primarySize = uint32_t(1) << kLiteralBits;
    constexpr uint32_t copies = uint32_t(1) << (kPairBits - kLiteralBits);
    // One literal per entry first: the code at each index, where it fits. A
    // code of at most kLiteralBits bits fills the same entry in every copy of
    // the primary table's range.
    for (uint32_t j = 0; j < primarySize; ++j) {
        const uint32_t e = table.entries[j];
        if (!(e & kSubTable)) {
            const uint32_t v = ((e & 0xF) != 0 && (e >> 16) < 256) ? (e | kPairLiteral) : 0;
            for (uint32_t c = 0; c < copies; ++c) pairs[j + c * primarySize] = v;
            continue;
        }
        for (uint32_t c = 0; c < copies; ++c) {
            const uint32_t r = table.entries[(e >> 16) + (c & ((uint32_t(1) << (e & 0xF)) - 1))];
            const unsigned len = r & 0xF;
            pairs[j + c * primarySize] = (len != 0 && len <= kPairBits && (r >> 16) < 256) ? (r | kPairLiteral) : 0;
        }
    }
    // Then a second literal where the bits after the first hold one: from the
    // top down, so that the entry for the bits after is still a single one.
    // (An entry without a literal has length 0 and finds itself.)
    for (uint32_t i = primarySize * copies; i-- > 0;) {
        const uint32_t first = pairs[i];
        const unsigned len1 = first & 0xF;
        const uint32_t second = pairs[i >> len1];
        const unsigned total = len1 + (second & 0xF);
        const bool two = (first & second & kPairLiteral) && !(second & kPairTwo) && total <= kPairBits && len1 != 0;
        const uint32_t pair = ((second >> 16) << 24) | (first & 0x00FF0000u) | kPairLiteral | kPairTwo | total;
        pairs[i] = two ? pair : first;
    }
    table.pairs = pairs;
}

template <unsigned PrimaryBits>
inline uint32_t lookup(const HuffTable& table, uint64_t bits)
{
    uint32_t e = table.entries[bits & ((uint32_t(1) << PrimaryBits) - 1)];
    if (e & kSubTable) e = table.entries[(e >> 16) + ((bits >> PrimaryBits) & ((uint32_t(1) << (e & 0xF)) - 1))];
    return e;
}

// Called when a lookup gave no code, or a code longer than the bits left:
// walks the code tree bit by bit to tell "data ended" from "no such code".
// Bits beyond `available` are zero. In a canonical code, a d-bit prefix that
// is not itself a code leads on to a longer code exactly when it is at most
// the d-bit prefix of the last code.
int32_t codeFailure(const HuffTable& table, uint64_t bits, unsigned available)
{
    uint32_t prefix = 0;
    for (unsigned depth = 1; depth <= kMaxCodeLength; ++depth) {
        if (depth > available) return kPngHuffmanDataEnd;
        prefix = (prefix << 1) | uint32_t((bits >> (depth - 1)) & 1);
        if (depth > table.maxLength || prefix > (table.lastCode >> (table.maxLength - depth))) return kPngHuffmanNoCode;
    }
    return kPngHuffmanNoCode;
}

struct FixedTables {
    uint32_t literal[size_t(1) << kLiteralBits];  // fixed codes are at most 9 bits
    uint32_t pairs[size_t(1) << kPairBits];
    uint32_t distance[size_t(1) << kDistanceBits];
    HuffTable literalTable, distanceTable;
    FixedTables()
    {
        uint8_t lengths[288];
        std::memset(lengths, 8, 144);
        std::memset(lengths + 144, 9, 112);
        std::memset(lengths + 256, 7, 24);
        std::memset(lengths + 280, 8, 8);
        buildTable(literalTable, literal, lengths, 288, kLiteralBits);
        buildPairs(literalTable, pairs);
        std::memset(lengths, 5, 32);
        buildTable(distanceTable, distance, lengths, 32, kDistanceBits);
    }
};

const FixedTables& fixedTables()
{
    static const FixedTables tables;
    return tables;
}


}  // namespace

struct DynamicTables {
    uint32_t literal[kLiteralEntries];
    uint32_t pairs[size_t(1) << kPairBits];
    bool pairsWanted = false;
    uint32_t distance[kDistanceEntries];
    uint32_t codeLength[kCodeLengthEntries];
    HuffTable literalTable, distanceTable;
};

namespace {

// ------------------------------------------------------------------ bit input

inline uint64_t load64le(const uint8_t* p)
{
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_M_IX86) || defined(_M_X64)
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
#else
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
#endif
}

inline void store64le(uint8_t* p, uint64_t v)
{
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_M_IX86) || defined(_M_X64)
    std::memcpy(p, &v, 8);
#else
    for (int i = 0; i < 8; ++i) p[i] = uint8_t(v >> (8 * i));
#endif
}

// The bit buffer holds `count` unread bits, least significant first. Bits
// above `count` are either the stream's next bits or zero. Bytes come from
// the current piece (next .. end), then from the pieces after it.
struct BitInput {
    const uint8_t* next;
    const uint8_t* end;
    uint64_t bits;
    unsigned count;
    const InputPiece* piece;
    const InputPiece* pieceEnd;
    size_t later;  // bytes of the pieces after the current one

    // Moves on to the next piece with bytes; false at the end of the stream.
    bool nextPiece()
    {
        while (piece != pieceEnd) {
            next = piece->data;
            end = next + piece->size;
            later -= piece->size;
            ++piece;
            if (next != end) return true;
        }
        return false;
    }

    // Afterwards 56 <= count <= 63, unless the input is exhausted.
    inline void refill()
    {
        if (end - next >= 8) {
            bits |= load64le(next) << count;
            next += (63 - count) >> 3;
            count |= 56;
        } else {
            while (count < 56 && (next < end || nextPiece())) {
                bits |= uint64_t(*next++) << count;
                count += 8;
            }
        }
    }
    inline void drop(unsigned n)
    {
        bits >>= n;
        count -= n;
    }
    // Bytes of the stream not yet in the bit buffer.
    size_t bytesLeft() const { return size_t(end - next) + later; }

    // Copies n whole bytes of the stream (the bit buffer holds whole bytes
    // only; the caller has checked that the stream has them).
    void copyBytes(uint8_t* out, size_t n)
    {
        for (; n > 0 && count >= 8; --n) {
            *out++ = uint8_t(bits);
            drop(8);
        }
        if (n == 0) return;
        // The buffer is empty; bits above its count may hold a look-ahead
        // of bytes read from here on.
        bits = 0;
        while (n > 0) {
            if (next == end) nextPiece();
            const size_t take = size_t(end - next) < n ? size_t(end - next) : n;
            std::memcpy(out, next, take);
            out += take;
            next += take;
            n -= take;
        }
    }
};

// ------------------------------------------------------------------ blocks

// Copies `length` bytes from `distance` bytes back (overlap allowed). May
// write up to 15 bytes past the end of the copy.
inline void copyMatch(uint8_t* dst, size_t distance, size_t length)
{
    const uint8_t* src = dst - distance;
    uint8_t* const stop = dst + length;
    if (distance >= 16) {
        do {
            std::memcpy(dst, src, 16);
            dst += 16;
            src += 16;
        } while (dst < stop);
        return;
    }
    if (distance >= 8) {
        do {
            std::memcpy(dst, src, 8);
            dst += 8;
            src += 8;
        } while (dst < stop);
        return;
    }
    // Shorter distances: the bytes repeat with the distance, so the first 16
    // are built in registers from the distance's bytes and stored again and
    // again, moving on by the largest multiple of the distance up to 16
    // (reading back what was just written would stall on the overlapping
    // stores). `low` holds bytes 0 to 7, `high` 8 to 15, which start at
    // phase 8 % distance of the repeat; a product spreads a phase over eight
    // bytes (its copies do not overlap, so nothing carries). A short copy goes
    // byte by byte: the wide load of bytes stored just before would wait for
    // those stores.
    if (length <= 16) {
        for (size_t i = 0; i < length; ++i) dst[i] = src[i];
        return;
    }
    static const uint8_t kRepeat[8] = {0, 16, 16, 15, 16, 15, 12, 14};
    static const uint8_t kPhase[8] = {0, 0, 0, 2, 0, 3, 2, 1};
    static const uint64_t kSpread[8] = {0,
                                        0x0101010101010101u,
                                        0x0001000100010001u,
                                        0x0001000001000001u,
                                        0x0000000100000001u,
                                        0x0000010000000001u,
                                        0x0001000000000001u,
                                        0x0100000000000001u};
    const unsigned shift = unsigned(distance) * 8;
    const uint64_t mask = (uint64_t(1) << shift) - 1;
    const uint64_t first = load64le(src) & mask;
    const unsigned phase = kPhase[distance] * 8u;
    const uint64_t second = ((first >> phase) | (first << (shift - phase))) & mask;
    const uint64_t low = first * kSpread[distance], high = second * kSpread[distance];
    const size_t repeat = kRepeat[distance];
#if PNG_INFLATE_SSE2
    const __m128i pattern = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&low)),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&high)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), pattern);
    for (dst += repeat; dst < stop; dst += repeat) _mm_storeu_si128(reinterpret_cast<__m128i*>(dst), pattern);
#else
    store64le(dst, low);
    store64le(dst + 8, high);
    for (dst += repeat; dst < stop; dst += repeat) {
        store64le(dst, low);
        store64le(dst + 8, high);
    }
#endif
}

// Answered by huffmanBlock when it stops at `stop` with the block unfinished.
constexpr int32_t kPaused = -1;

// Decodes codes into out[position ..] until the block's end code, a failure,
// or position reaching `stop` (kPaused). outSize is where the output must end.
// A dynamic block's pair table is built once the block has given this many
// literals one at a time, and only where its code makes pairs likely.
constexpr size_t kPairsAfter = 2048;

// `lazy`: the dynamic tables whose pair table is still to be built (null
// when it is built or not wanted); `literals` counts the block's literals
// until then.
int32_t huffmanBlock(BitInput& in, const HuffTable& lit, const HuffTable& dist, uint8_t* out, size_t outSize,
                     size_t stop, size_t& position, DynamicTables* lazy, size_t& literals)
{
    BitInput br = in;
    size_t pos = position;
    int32_t status = kPngOk;
    // Runs of literals go through a quicker loop while the input has whole
    // refills left and the output has room for the longest match before
    // both its end and `stop`: each literal's successor is looked up before
    // the refill (the buffer still holds more than a code's bits), so the
    // lookups do not wait for the refills. Anything else falls through to
    // the general step below, which starts from the same symbol.
    const size_t roomy = (outSize < stop ? outSize : stop);
    const size_t fastEnd = roomy > 258 ? roomy - 258 : 0;
    for (;;) {
        if (lit.pairs == nullptr && pos < fastEnd && br.end - br.next >= 8) {
            const size_t from = pos;
            br.refill();
            uint32_t e = lookup<kLiteralBits>(lit, br.bits);
            while ((e >> 16) < 256 && (e & 0xF) != 0) {
                br.drop(e & 0xF);
                out[pos++] = uint8_t(e >> 16);
                e = lookup<kLiteralBits>(lit, br.bits);
                if (pos >= fastEnd || br.end - br.next < 8) break;
                br.refill();
            }
            literals += pos - from;
            if (lazy && literals >= kPairsAfter) {
                buildPairs(lazy->literalTable, lazy->pairs);
                lazy = nullptr;
            }
        }
        if (lit.pairs != nullptr && pos < fastEnd && br.end - br.next >= 8) {
            constexpr uint32_t pairMask = (uint32_t(1) << kPairBits) - 1;
            br.refill();
            uint32_t e = lit.pairs[br.bits & pairMask];
            while (e & kPairLiteral) {
                br.drop(e & 0xF);
                // The second byte is written either way (a single literal's
                // is overwritten by what follows).
                out[pos] = uint8_t(e >> 16);
                out[pos + 1] = uint8_t(e >> 24);
                pos += 1 + ((e / kPairTwo) & 1);
                e = lit.pairs[br.bits & pairMask];
                if (pos >= fastEnd || br.end - br.next < 8) break;
                br.refill();
            }
        }
        if (pos >= stop) {
            status = kPaused;
            break;
        }
        br.refill();
        uint32_t e = lookup<kLiteralBits>(lit, br.bits);
        unsigned len = e & 0xF;
        if (len - 1u >= br.count) {
            status = codeFailure(lit, br.bits, br.count);
            break;
        }
        br.drop(len);
        unsigned sym = e >> 16;
        if (sym < 256) {
            if (pos >= outSize) {
                status = kPngLiteralOverrun;
                break;
            }
            out[pos++] = uint8_t(sym);
            // A second literal without a refill while the buffer holds enough.
            if (br.count >= kMaxCodeLength) {
                e = lookup<kLiteralBits>(lit, br.bits);
                len = e & 0xF;
                sym = e >> 16;
                if (sym < 256 && len != 0 && pos < outSize) {
                    br.drop(len);
                    out[pos++] = uint8_t(sym);
                }
            }
            continue;
        }
        if (sym == 256) break;
        if (sym > 285) {
            status = kPngBadLengthSymbol;
            break;
        }
        sym -= 257;
        unsigned extra = kLengthExtra[sym];
        if (extra > br.count) {
            status = kPngBitsDataEnd;
            break;
        }
        const size_t length = kLengthBase[sym] + size_t(br.bits & ((uint32_t(1) << extra) - 1));
        br.drop(extra);

        e = lookup<kDistanceBits>(dist, br.bits);
        len = e & 0xF;
        if (len - 1u >= br.count) {
            status = codeFailure(dist, br.bits, br.count);
            break;
        }
        br.drop(len);
        sym = e >> 16;
        if (sym > 29) {
            status = kPngBadDistanceSymbol;
            break;
        }
        extra = kDistanceExtra[sym];
        if (extra > br.count) {
            status = kPngBitsDataEnd;
            break;
        }
        const size_t distance = kDistanceBase[sym] + size_t(br.bits & ((uint32_t(1) << extra) - 1));
        br.drop(extra);
        if (length > outSize - pos) {
            status = kPngCopyOverrun;
            break;
        }
        if (distance > pos) {
            status = kPngDistanceTooFar;
            break;
        }
        copyMatch(out + pos, distance, length);
        pos += length;
    }
    in = br;
    position = pos;
    return status;
}

// Reads a stored block's header and checks that its bytes fit the output
// and lie in the input; `left` is set to their number.
int32_t storedHeader(BitInput& in, size_t outSize, size_t position, uint32_t& left)
{
    in.drop(in.count & 7);
    // The bit buffer now holds whole bytes: the next ones of the stream.
    in.refill();
    if (in.count < 32) return kPngStoredDataEnd;
    const uint32_t len = uint32_t(in.bits & 0xFFFF);
    const uint32_t nlen = uint32_t((in.bits >> 16) & 0xFFFF);
    in.drop(32);
    if (len + nlen != 65535) return kPngStoredLengthMismatch;
    if (len > outSize - position) return kPngStoredOverrun;
    if (in.count / 8 + in.bytesLeft() < len) return kPngStoredDataEnd;
    left = len;
    return kPngOk;
}

int32_t dynamicHeader(BitInput& in, DynamicTables& t)
{
    in.refill();
    if (in.count < 14) return kPngBitsDataEnd;
    const unsigned hlit = unsigned(in.bits & 31) + 257;
    const unsigned hdist = unsigned((in.bits >> 5) & 31) + 1;
    const unsigned hclen = unsigned((in.bits >> 10) & 15) + 4;
    in.drop(14);

    uint8_t codeLengthLengths[19] = {};
    for (unsigned i = 0; i < hclen; ++i) {
        in.refill();
        if (in.count < 3) return kPngBitsDataEnd;
        codeLengthLengths[kCodeLengthOrder[i]] = uint8_t(in.bits & 7);
        in.drop(3);
    }
    HuffTable codeLengthTable;
    int32_t status = buildTable(codeLengthTable, t.codeLength, codeLengthLengths, 19, kCodeLengthBits);
    if (status) return status;

    uint8_t lengths[288 + 32];
    const unsigned total = hlit + hdist;
    unsigned n = 0;
    while (n < total) {
        in.refill();
        const uint32_t e = lookup<kCodeLengthBits>(codeLengthTable, in.bits);
        const unsigned len = e & 0xF;
        if (len - 1u >= in.count) return codeFailure(codeLengthTable, in.bits, in.count);
        in.drop(len);
        const unsigned sym = e >> 16;
        if (sym < 16) {
            lengths[n++] = uint8_t(sym);
            continue;
        }
        unsigned repeat;
        uint8_t value = 0;
        if (sym == 16) {
            if (n == 0) return kPngRepeatWithoutLength;
            if (in.count < 2) return kPngBitsDataEnd;
            repeat = 3 + unsigned(in.bits & 3);
            in.drop(2);
            if (n + repeat > total) return kPngRepeat16Overrun;
            value = lengths[n - 1];
        } else if (sym == 17) {
            if (in.count < 3) return kPngBitsDataEnd;
            repeat = 3 + unsigned(in.bits & 7);
            in.drop(3);
            if (n + repeat > total) return kPngRepeat17Overrun;
        } else if (sym == 18) {
            if (in.count < 7) return kPngBitsDataEnd;
            repeat = 11 + unsigned(in.bits & 127);
            in.drop(7);
            if (n + repeat > total) return kPngRepeat18Overrun;
        } else {
            return kPngBadCodeLengthSymbol;
        }
        std::memset(lengths + n, value, repeat);
        n += repeat;
    }
    status = buildTable(t.literalTable, t.literal, lengths, hlit, kLiteralBits);
    if (status) return status;
    status = buildTable(t.distanceTable, t.distance, lengths + hlit, hdist, kDistanceBits);
    if (status) return status;
    // Pairs are likely where two literal codes often fit in kPairBits bits:
    // the share of pairs a random stream of this code would give, each code
    // of length l taken with probability 2^-l.
    t.literalTable.pairs = nullptr;
    double share[kMaxCodeLength + 1] = {};
    for (unsigned sym = 0; sym < 256 && sym < hlit; ++sym)
        if (lengths[sym]) share[lengths[sym]] += 1.0 / double(uint32_t(1) << lengths[sym]);
    double pairs = 0.0;
    for (unsigned a = 1; a < kPairBits; ++a)
        for (unsigned b = 1; a + b <= kPairBits; ++b) pairs += share[a] * share[b];
    t.pairsWanted = pairs >= 0.25;
    return kPngOk;
}

}  // namespace

Inflater::Inflater(const InputPiece* pieces, size_t pieceCount, size_t skip, size_t outSize)
    : piece_(pieces), pieceEnd_(pieces + pieceCount), outSize_(outSize)
{
    for (size_t i = 0; i < pieceCount; ++i) later_ += pieces[i].size;
    while (piece_ != pieceEnd_ && skip >= piece_->size) {
        skip -= piece_->size;
        later_ -= piece_->size;
        ++piece_;
    }
    if (piece_ != pieceEnd_) {
        next_ = piece_->data + skip;
        end_ = piece_->data + piece_->size;
        later_ -= piece_->size;
        ++piece_;
    }
}

Inflater::~Inflater() = default;

int32_t Inflater::run(uint8_t* window, size_t base, size_t stop)
{
    if (finished_) return kPngOk;
    BitInput br{next_, end_, bits_, count_, piece_, pieceEnd_, later_};
    // Window-relative positions from here on.
    const size_t outSize = outSize_ - base;
    const size_t limit = stop - base;
    size_t pos = pos_ - base;
    int32_t status = kPngOk;
    for (;;) {
        if (mode_ == Mode::Huffman) {
            DynamicTables* lazy = (dynamic_ && literal_ == &dynamic_->literalTable && dynamic_->pairsWanted &&
                                   !dynamic_->literalTable.pairs)
                ? dynamic_.get()
                : nullptr;
            status = huffmanBlock(br, *literal_, *distance_, window, outSize, limit, pos, lazy, blockLiterals_);
            if (status == kPaused) {
                status = kPngOk;
                break;
            }
            if (status) break;
            mode_ = Mode::BlockStart;
            if (final_) break;
        } else if (mode_ == Mode::Stored) {
            const uint32_t n = pos >= limit ? 0 : uint32_t(limit - pos < storedLeft_ ? limit - pos : storedLeft_);
            br.copyBytes(window + pos, n);
            pos += n;
            storedLeft_ -= n;
            if (storedLeft_) break;
            mode_ = Mode::BlockStart;
            if (final_) break;
        }
        if (pos >= limit) break;
        br.refill();
        if (br.count < 3) {
            status = kPngBitsDataEnd;
            break;
        }
        final_ = br.bits & 1;
        const unsigned type = unsigned(br.bits >> 1) & 3;
        br.drop(3);
        if (type == 0) {
            status = storedHeader(br, outSize, pos, storedLeft_);
            if (status) break;
            mode_ = Mode::Stored;
        } else if (type == 1) {
            const FixedTables& f = fixedTables();
            literal_ = &f.literalTable;
            distance_ = &f.distanceTable;
            mode_ = Mode::Huffman;
        } else if (type == 2) {
            if (!dynamic_) {
                dynamic_.reset(new (std::nothrow) DynamicTables);
                if (!dynamic_) {
                    status = kPngOutOfMemory;
                    break;
                }
            }
            status = dynamicHeader(br, *dynamic_);
            if (status) break;
            literal_ = &dynamic_->literalTable;
            blockLiterals_ = 0;
            distance_ = &dynamic_->distanceTable;
            mode_ = Mode::Huffman;
        } else {
            status = kPngReservedBlockType;
            break;
        }
    }
    next_ = br.next;
    end_ = br.end;
    piece_ = br.piece;
    later_ = br.later;
    bits_ = br.bits;
    count_ = br.count;
    pos_ = pos + base;
    if (status || (mode_ == Mode::BlockStart && final_)) finished_ = true;
    return status;
}

}  // namespace pngdetail
