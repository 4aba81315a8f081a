// libFuzzer harness for the PNG decoder (see fuzz/CMakeLists.txt).
//
// Besides the sanitizers' own checks it asserts the decoder's contract: the
// returned status equals the thread's status (pngThreadStatus); success means a non-empty image within the
// size limit, an RGBA buffer of exactly width x height x 4 bytes and a
// complete PngInfo; failure means an empty RGBA buffer; and decoding the same
// bytes twice gives the same result.
#include "skin_resources/png.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Images above this many pixels but within the decoder's limit are skipped and
// kept out of the corpus: each costs hundreds of megabytes and a good part of
// a second under the sanitizers, and runs the same code as smaller ones (the
// size limit itself is covered by the unit tests).
constexpr uint64_t kFuzzMaxPixels = uint64_t(1) << 22;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size >= 24) {
        const uint64_t w =
            (uint32_t(data[16]) << 24) | (uint32_t(data[17]) << 16) | (uint32_t(data[18]) << 8) | data[19];
        const uint64_t h =
            (uint32_t(data[20]) << 24) | (uint32_t(data[21]) << 16) | (uint32_t(data[22]) << 8) | data[23];
        if (w * h > kFuzzMaxPixels && w * h <= kPngMaxPixels) return -1;
    }
    std::vector<uint8_t> input(data, data + size), rgba;
    PngInfo info;
    const int32_t status = decodePng(input, rgba, info);
    if (status != pngThreadStatus()) __builtin_trap();
    if (status == kPngOk) {
        if (info.size() < kPngInfoHeaderSize) __builtin_trap();
        const uint64_t w = info[kPngInfoWidth], h = info[kPngInfoHeight];
        if (w == 0 || h == 0 || w * h > kPngMaxPixels) __builtin_trap();
        if (rgba.size() != w * h * 4) __builtin_trap();
        if (info.size() != kPngInfoHeaderSize + 4 * size_t(info[kPngInfoPaletteSize])) __builtin_trap();
    } else if (!rgba.empty()) {
        __builtin_trap();
    }
    std::vector<uint8_t> again(data, data + size), rgba2;
    PngInfo info2;
    if (decodePng(again, rgba2, info2) != status || rgba2 != rgba || info2 != info) __builtin_trap();
    return 0;
}
