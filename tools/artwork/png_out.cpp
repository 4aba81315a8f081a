#include "png_out.h"

#include <cstdio>
#include <png.h>
#include <zlib.h>

namespace art {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void flushNothing(png_structp) {}

// Encodes the image with one filter choice and zlib strategy at level 9; false on failure.
bool encode(std::vector<uint8_t>& out, int width, int height, int colourType, int bitDepth,
            const std::vector<uint8_t>& samples, size_t stride, int filters, int strategy)
{
    out.clear();
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false;
    if (png && info && setjmp(png_jmpbuf(png)) == 0) {
        png_set_write_fn(png, &out, appendBytes, flushNothing);
        png_set_compression_level(png, 9);
        png_set_compression_mem_level(png, 9);
        png_set_compression_strategy(png, strategy);
        png_set_filter(png, PNG_FILTER_TYPE_BASE, filters);
        png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), bitDepth, colourType,
                     PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < height; ++y) png_write_row(png, samples.data() + stride * y);
        png_write_end(png, info);
        ok = true;
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return ok;
}

}  // namespace

bool writePng(const std::string& path, int width, int height, int colourType, int bitDepth,
              const std::vector<uint8_t>& samples)
{
    const int channels = colourType == PNG_COLOR_TYPE_RGBA ? 4 : 3;
    const size_t stride = size_t(width) * channels * (bitDepth / 8);
    if (width < 1 || height < 1 || samples.size() != stride * height) return false;
    // Keep the smallest of a few encodings; all are lossless and decode to the same pixels.
    const int filterChoices[] = {PNG_ALL_FILTERS, PNG_FILTER_NONE, PNG_FILTER_SUB,
                                 PNG_FILTER_UP,   PNG_FILTER_AVG,  PNG_FILTER_PAETH};
    const int strategies[] = {Z_DEFAULT_STRATEGY, Z_FILTERED};
    std::vector<uint8_t> best;
    std::vector<uint8_t> candidate;
    for (int filters : filterChoices) {
        for (int strategy : strategies) {
            if (!encode(candidate, width, height, colourType, bitDepth, samples, stride, filters, strategy))
                return false;
            if (best.empty() || candidate.size() < best.size()) best.swap(candidate);
        }
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    bool ok = std::fwrite(best.data(), 1, best.size(), file) == best.size();
    if (std::fclose(file) != 0) ok = false;
    return ok;
}

}  // namespace art
