#include "editor_picture.h"

#include <cstdio>
#include <vector>

#if defined(SARVO_HAVE_LIBPNG)
#include <png.h>
#endif

bool writePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height, std::string& message)
{
#if defined(SARVO_HAVE_LIBPNG)
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        message = "cannot write " + path;
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        message = "cannot encode " + path;
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<unsigned char> row(static_cast<std::size_t>(width) * 3);
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<std::size_t>(y) * width + x];
            row[x * 3 + 0] = static_cast<unsigned char>(p >> 16);
            row[x * 3 + 1] = static_cast<unsigned char>(p >> 8);
            row[x * 3 + 2] = static_cast<unsigned char>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(file) != 0) {
        message = "cannot write " + path;
        return false;
    }
    return true;
#else
    (void)path;
    (void)pixels;
    (void)width;
    (void)height;
    message = "this build of sarvo-host cannot write PNG files (libpng was not found)";
    return false;
#endif
}
