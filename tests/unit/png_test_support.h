// Helpers for the PNG decoder tests: a small PNG writer (chunks, zlib stored
// blocks, hand-made DEFLATE bit streams) and file access to the shared corpus.
#pragma once

#include "skin_resources/png.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace pngtest {

using Bytes = std::vector<uint8_t>;

inline uint32_t crc32(const uint8_t* p, size_t n)
{
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
    }
    return ~c;
}

inline uint32_t adler32(const Bytes& data)
{
    uint32_t a = 1, b = 0;
    for (uint8_t v : data) {
        a = (a + v) % 65521;
        b = (b + a) % 65521;
    }
    return (b << 16) | a;
}

inline void put32(Bytes& out, uint32_t v)
{
    for (int s = 24; s >= 0; s -= 8) out.push_back(uint8_t(v >> s));
}

inline Bytes chunk(const char* type, const Bytes& data)
{
    Bytes out;
    put32(out, uint32_t(data.size()));
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    put32(out, crc32(out.data() + 4, data.size() + 4));
    return out;
}

inline Bytes ihdrData(uint32_t w, uint32_t h, uint8_t depth, uint8_t colourType, uint8_t interlace = 0)
{
    Bytes d;
    put32(d, w);
    put32(d, h);
    d.push_back(depth);
    d.push_back(colourType);
    d.push_back(0);
    d.push_back(0);
    d.push_back(interlace);
    return d;
}

inline Bytes signature() { return Bytes{137, 80, 78, 71, 13, 10, 26, 10}; }

// Signature, IHDR, the given chunks, IEND.
inline Bytes pngFile(const Bytes& ihdr, const std::vector<Bytes>& chunks)
{
    Bytes out = signature();
    const Bytes h = chunk("IHDR", ihdr);
    out.insert(out.end(), h.begin(), h.end());
    for (const Bytes& c : chunks) out.insert(out.end(), c.begin(), c.end());
    const Bytes e = chunk("IEND", {});
    out.insert(out.end(), e.begin(), e.end());
    return out;
}

// zlib stream around raw DEFLATE data (default header 0x78 0x01).
inline Bytes zlibWrap(const Bytes& deflate, const Bytes& uncompressed)
{
    Bytes out{0x78, 0x01};
    out.insert(out.end(), deflate.begin(), deflate.end());
    put32(out, adler32(uncompressed));
    return out;
}

// DEFLATE stored blocks holding `raw`.
inline Bytes storedDeflate(const Bytes& raw, size_t blockSize = 65535)
{
    Bytes out;
    size_t pos = 0;
    do {
        const size_t n = std::min(blockSize, raw.size() - pos);
        const bool last = pos + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(uint8_t(n));
        out.push_back(uint8_t(n >> 8));
        out.push_back(uint8_t(~n));
        out.push_back(uint8_t(~n >> 8));
        out.insert(out.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    return out;
}

inline Bytes zlibStored(const Bytes& raw) { return zlibWrap(storedDeflate(raw), raw); }

// A whole PNG holding `lines` (filtered scanlines, filter bytes included).
inline Bytes simplePng(const Bytes& ihdr, const Bytes& lines, const std::vector<Bytes>& before = {})
{
    std::vector<Bytes> chunks = before;
    chunks.push_back(chunk("IDAT", zlibStored(lines)));
    return pngFile(ihdr, chunks);
}

// Prefixes every row of `pixels` (rows of `stride` bytes) with filter type 0.
inline Bytes unfilteredLines(const Bytes& pixels, size_t stride)
{
    Bytes out;
    for (size_t p = 0; p < pixels.size(); p += stride) {
        out.push_back(0);
        out.insert(out.end(), pixels.begin() + p, pixels.begin() + p + stride);
    }
    return out;
}

// Adam7 lines (filter type 0) of an image with whole-byte pixels.
inline Bytes adam7Lines(const Bytes& pixels, uint32_t w, uint32_t h, unsigned bytesPerPixel)
{
    static const uint32_t kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                         {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
    Bytes out;
    for (const auto& p : kPass) {
        for (uint32_t y = p[1]; y < h; y += p[3]) {
            if (p[0] >= w) break;
            out.push_back(0);
            for (uint32_t x = p[0]; x < w; x += p[2]) {
                const uint8_t* px = &pixels[(size_t(y) * w + x) * bytesPerPixel];
                out.insert(out.end(), px, px + bytesPerPixel);
            }
        }
    }
    return out;
}

// Writes DEFLATE bit fields (least significant bit first) and Huffman codes
// (most significant bit of the code first).
struct BitWriter {
    Bytes bytes;
    unsigned used = 0;  // bits used in the last byte

    void bits(uint32_t value, unsigned count)
    {
        for (unsigned i = 0; i < count; ++i) {
            if (used == 0) bytes.push_back(0);
            bytes.back() |= uint8_t(((value >> i) & 1) << used);
            used = (used + 1) & 7;
        }
    }
    void code(uint32_t code, unsigned length)
    {
        for (unsigned i = length; i-- > 0;) bits((code >> i) & 1, 1);
    }
    size_t bitPosition() const { return bytes.size() * 8 - (used ? 8 - used : 0); }
};

// Canonical Huffman codes for the given code lengths.
inline std::vector<uint32_t> canonicalCodes(const std::vector<uint8_t>& lengths)
{
    unsigned count[16] = {};
    for (uint8_t l : lengths) count[l]++;
    count[0] = 0;
    uint32_t next[16] = {};
    uint32_t c = 0;
    for (int len = 1; len < 16; ++len) {
        c = (c + count[len - 1]) << 1;
        next[len] = c;
    }
    std::vector<uint32_t> codes(lengths.size());
    for (size_t i = 0; i < lengths.size(); ++i)
        if (lengths[i]) codes[i] = next[lengths[i]]++;
    return codes;
}

// Fixed Huffman codes.
inline void fixedLiteral(BitWriter& w, unsigned sym)
{
    if (sym < 144)
        w.code(0x30 + sym, 8);
    else if (sym < 256)
        w.code(0x190 + sym - 144, 9);
    else if (sym < 280)
        w.code(sym - 256, 7);
    else
        w.code(0xC0 + sym - 280, 8);
}
inline void fixedDistance(BitWriter& w, unsigned sym) { w.code(sym, 5); }

// A dynamic block header whose code-length code gives all 19 symbols 5 bits
// (so the code of symbol s is s). `items` are code-length symbols, each with
// its extra-bit value (ignored below 16).
struct CodeLengthItem {
    unsigned symbol;
    unsigned extra;
};
inline void dynamicHeader(BitWriter& w, unsigned hlit, unsigned hdist, const std::vector<CodeLengthItem>& items)
{
    w.bits(hlit - 257, 5);
    w.bits(hdist - 1, 5);
    w.bits(19 - 4, 4);
    for (int i = 0; i < 19; ++i) w.bits(5, 3);
    for (const CodeLengthItem& it : items) {
        w.code(it.symbol, 5);
        if (it.symbol == 16) w.bits(it.extra, 2);
        if (it.symbol == 17) w.bits(it.extra, 3);
        if (it.symbol == 18) w.bits(it.extra, 7);
    }
}
// The same with plain code lengths, no repeat codes.
inline void dynamicHeader(BitWriter& w, const std::vector<uint8_t>& lit, const std::vector<uint8_t>& dist)
{
    std::vector<CodeLengthItem> items;
    for (uint8_t l : lit) items.push_back({l, 0});
    for (uint8_t l : dist) items.push_back({l, 0});
    dynamicHeader(w, unsigned(lit.size()), unsigned(dist.size()), items);
}

inline Bytes readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

struct Decoded {
    int32_t status = -1;
    Bytes rgba;
    PngInfo info;
};

inline Decoded decode(Bytes file)
{
    Decoded d;
    d.status = decodePng(file, d.rgba, d.info);
    return d;
}

// A PNG whose IDAT holds `deflate` behind a zlib header (no trailer).
inline Bytes pngWithDeflate(const Bytes& ihdr, const Bytes& deflate, const std::vector<Bytes>& before = {})
{
    Bytes z{0x78, 0x01};
    z.insert(z.end(), deflate.begin(), deflate.end());
    std::vector<Bytes> chunks = before;
    chunks.push_back(chunk("IDAT", z));
    return pngFile(ihdr, chunks);
}

}  // namespace pngtest
