#include "gui/bitmap.h"

#include <cstddef>
#include <new>

namespace {

// Largest picture accepted: 2^28 pixels (1 GiB); anything bigger is a broken size.
constexpr int64_t kMaxPixels = int64_t(1) << 28;

}  // namespace

ZBitmap::ZBitmap() : pixels(nullptr), width(0), height(0) {}

ZBitmap::ZBitmap(int32_t w, int32_t h) : pixels(nullptr), width(0), height(0)
{
    if (w < 1 || h < 1 || static_cast<int64_t>(w) * h > kMaxPixels) return;
    pixels = new (std::nothrow) uint32_t[static_cast<size_t>(w) * static_cast<size_t>(h)]();
    if (pixels != nullptr) {
        width = w;
        height = h;
    }
}

ZBitmap::~ZBitmap() { delete[] pixels; }

ZBitmap::ZBitmap(ZBitmap&& other) noexcept : pixels(other.pixels), width(other.width), height(other.height)
{
    other.pixels = nullptr;
    other.width = 0;
    other.height = 0;
}

ZBitmap& ZBitmap::operator=(ZBitmap&& other) noexcept
{
    if (this != &other) {
        delete[] pixels;
        pixels = other.pixels;
        width = other.width;
        height = other.height;
        other.pixels = nullptr;
        other.width = 0;
        other.height = 0;
    }
    return *this;
}

void ZBitmap::adopt(uint32_t* newPixels, int32_t newWidth, int32_t newHeight)
{
    if (newPixels != pixels) delete[] pixels;
    pixels = newPixels;
    width = newPixels != nullptr ? newWidth : 0;
    height = newPixels != nullptr ? newHeight : 0;
}

void ZBitmap::release()
{
    delete[] pixels;
    pixels = nullptr;
    width = 0;
    height = 0;
}
