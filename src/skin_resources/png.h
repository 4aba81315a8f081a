// PNG decoder: turns the bytes of one PNG file into 8-bit RGBA pixels.
//
// Self-contained (no outside library). Reads the IHDR, PLTE, tRNS, bKGD, IDAT
// and IEND chunks and skips every other chunk; chunk CRCs and the zlib Adler-32
// trailer are not checked. Every colour type and bit depth becomes four bytes
// per pixel (red, green, blue, alpha), 16-bit samples giving their most
// significant byte. Adam7 interlacing is resolved.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

// Result of the last decodePng call on any thread: 0 on success, else one of
// PngStatusCode. Decodes may run on several threads at once (each effect
// instance builds its skin on the thread that creates it); each decode
// returns its own status, and pngThreadStatus() gives the last one of the
// calling thread, so only single-threaded readers should rely on this one.
extern std::atomic<int32_t> pngStatus;

// Result of the last decodePng call on the calling thread.
int32_t pngThreadStatus();

enum PngStatusCode : int32_t {
    kPngOk = 0,
    // Inflate.
    kPngHuffmanDataEnd = 10,  // compressed data ended inside a Huffman code
    kPngHuffmanNoCode = 11,  // bit sequence that is no code of the current table
    kPngRepeat16Overrun = 13,  // code-length repeat 16 runs past HLIT + HDIST
    kPngRepeat17Overrun = 14,  // code-length repeat 17 runs past HLIT + HDIST
    kPngRepeat18Overrun = 15,  // code-length repeat 18 runs past HLIT + HDIST
    kPngBadCodeLengthSymbol = 16,  // code-length symbol above 18
    kPngLiteralOverrun = 17,  // literal beyond the end of the scanline buffer
    kPngBadDistanceSymbol = 18,  // distance symbol above 29
    kPngCopyOverrun = 19,  // back-reference beyond the end of the scanline buffer
    kPngReservedBlockType = 20,  // block type 3
    kPngStoredLengthMismatch = 21,  // LEN + NLEN != 65535
    kPngStoredOverrun = 22,  // stored block beyond the end of the scanline buffer
    kPngStoredDataEnd = 23,  // stored block runs past the end of the compressed data
    // zlib header.
    kPngZlibCheck = 24,
    kPngZlibMethod = 25,
    kPngZlibDictionary = 26,
    // File structure.
    kPngBadSignature = 28,
    kPngNoIhdr = 29,
    kPngNoRoomForChunk = 30,  // also: input of 1 to 28 bytes
    kPngBadColourType = 31,
    kPngBadCompressionMethod = 32,
    kPngBadFilterMethod = 33,
    kPngBadInterlaceMethod = 34,
    kPngChunkTooLong = 35,  // a chunk's data reaches past the end of the input
    kPngBadFilterType = 36,
    kPngBadBitDepth = 37,
    kPngPaletteTooLarge = 38,
    kPngTransparencyTooLong = 39,  // tRNS with more entries than the palette
    kPngTransparencyGreyLength = 40,
    kPngTransparencyRgbLength = 41,
    kPngTransparencyWithAlpha = 42,
    kPngBackgroundPaletteLength = 43,
    kPngBackgroundGreyLength = 44,
    kPngBackgroundRgbLength = 45,
    kPngPaletteIndex8 = 46,  // palette index outside the palette, 8-bit image
    kPngPaletteIndexSubByte = 47,  // palette index outside the palette, 1/2/4-bit image
    kPngEmptyInput = 48,
    // Malformed input with no number of its own in the PNG format's tradition.
    kPngBitsDataEnd = 49,  // compressed data ended inside a block header or extra bits
    kPngDistanceTooFar = 50,  // back-reference before the start of the output
    kPngRepeatWithoutLength = 51,  // repeat code 16 with no previous code length
    kPngBadLengthSymbol = 52,  // literal/length symbol 286 or 287
    kPngOversubscribedCode = 53,  // code lengths that describe no prefix code
    kPngPaletteLength = 54,  // PLTE length not a multiple of 3
    kPngEmptyImage = 55,  // width or height 0
    kPngImageTooLarge = 56,  // width x height above kPngMaxPixels
    kPngOutOfMemory = 57,  // a buffer could not be allocated
};

// Largest image accepted, in pixels (width x height).
constexpr uint64_t kPngMaxPixels = uint64_t(1) << 26;

// The image information: an array of unsigned 32-bit values, indexed below.
typedef std::vector<uint32_t> PngInfo;

enum PngInfoIndex : unsigned {
    kPngInfoWidth = 0,
    kPngInfoHeight = 1,
    kPngInfoBitDepth = 2,
    kPngInfoColourType = 3,
    kPngInfoBitsPerPixel = 4,
    kPngInfoChannels = 5,
    kPngInfoCompression = 6,
    kPngInfoFilter = 7,
    kPngInfoInterlace = 8,
    kPngInfoKeyGiven = 9,
    kPngInfoKeyRed = 10,  // grey key for colour type 0
    kPngInfoKeyGreen = 11,
    kPngInfoKeyBlue = 12,
    kPngInfoBackgroundGiven = 13,
    kPngInfoBackgroundRed = 14,  // grey value, or palette index for colour type 3
    kPngInfoBackgroundGreen = 15,
    kPngInfoBackgroundBlue = 16,
    kPngInfoPaletteSize = 17,
    kPngInfoPaletteStart = 18,  // holds 19, the index of the first palette byte
    kPngInfoHeaderSize = 19,  // palette bytes (r, g, b, a per entry) follow from here
};

// A short English sentence fragment saying what a status means ("the PNG signature is wrong");
// "an unknown status" for a number that is no PngStatusCode. Never null; the text is static.
const char* pngStatusText(int32_t status);

// Decodes the whole PNG file in `input` into `rgba` (width x height x 4 bytes,
// top row first) and fills `info`. The input is only read. Returns the status and stores it in
// pngStatus and the calling thread's status; on failure
// `rgba` is left empty.
int32_t decodePng(const std::vector<uint8_t>& input, std::vector<uint8_t>& rgba, PngInfo& info);

// Where decodePngInto puts the picture: `allocate` is called once, when the size is known, for
// width x height x 4 bytes (null ends the decode with kPngOutOfMemory; what it gave stays the
// caller's, also on failure). With `bgra` set every pixel's bytes come in the order blue, green,
// red, alpha: little-endian 0xAARRGGBB words.
struct PngOutput {
    uint8_t* (*allocate)(void* context, size_t bytes);
    void* context;
    bool bgra;
};

// decodePng into storage of the caller's. On failure the storage's content must not be used.
int32_t decodePngInto(const std::vector<uint8_t>& input, const PngOutput& output, PngInfo& info);
// The same for the `size` bytes at `data` (read in place, never written).
int32_t decodePngInto(const uint8_t* data, size_t size, const PngOutput& output, PngInfo& info);
