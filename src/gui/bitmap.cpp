#include "gui/bitmap.h"

#include <cmath>
#include <cstddef>
#include <new>
#include <vector>

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

namespace {

// The source taps of every target index of one axis: for target index t, taps[first[t] ..
// first[t + 1]) with their weights, summing to 1.
struct Taps {
    std::vector<int32_t> first;
    std::vector<int32_t> index;
    std::vector<float> weight;

    bool make(int32_t sourceLength, int32_t targetLength)
    {
        const double step = static_cast<double>(sourceLength) / targetLength;
        const double radius = step > 1.0 ? step : 1.0;
        first.assign(static_cast<size_t>(targetLength) + 1, 0);
        for (int32_t t = 0; t < targetLength; ++t) {
            first[t] = static_cast<int32_t>(index.size());
            const double centre = (t + 0.5) * step - 0.5;
            const int32_t from = static_cast<int32_t>(std::ceil(centre - radius));
            const int32_t to = static_cast<int32_t>(std::floor(centre + radius));
            double sum = 0.0;
            const size_t start = weight.size();
            for (int32_t i = from; i <= to; ++i) {
                const double w = 1.0 - std::fabs(i - centre) / radius;
                if (w <= 0.0) continue;
                index.push_back(i < 0 ? 0 : (i >= sourceLength ? sourceLength - 1 : i));
                weight.push_back(static_cast<float>(w));
                sum += w;
            }
            if (sum <= 0.0) {  // cannot happen with radius >= 1; nearest pixel then
                index.push_back(static_cast<int32_t>(centre < 0 ? 0 : (centre >= sourceLength ? sourceLength - 1 : centre)));
                weight.push_back(1.0f);
                sum = 1.0;
            }
            for (size_t k = start; k < weight.size(); ++k) weight[k] = static_cast<float>(weight[k] / sum);
        }
        first[targetLength] = static_cast<int32_t>(index.size());
        return true;
    }
};

uint32_t packPremultiplied(const float* c)
{
    const float a = c[3];
    if (a <= 0.5f / 255.0f) return 0;
    const auto byte = [](float v) {
        const float r = v * 255.0f + 0.5f;
        return static_cast<uint32_t>(r <= 0.0f ? 0.0f : (r >= 255.0f ? 255.0f : r));
    };
    const float k = 1.0f / a;
    return (byte(a) << 24) | (byte(c[0] * k) << 16) | (byte(c[1] * k) << 8) | byte(c[2] * k);
}

}  // namespace

ZBitmap* resampleFrames(const ZBitmap& source, int32_t frameWidth, int32_t frameHeight, int32_t frameCount,
                        int32_t columns, int32_t targetWidth, int32_t targetHeight)
{
    if (!source.isValid() || frameWidth < 1 || frameHeight < 1 || frameCount < 1 || columns < 1 || targetWidth < 1 ||
        targetHeight < 1)
        return nullptr;
    const int32_t rows = (frameCount + columns - 1) / columns;
    if (int64_t(columns) * frameWidth > source.width || int64_t(rows) * frameHeight > source.height) return nullptr;
    if (int64_t(columns) * targetWidth * rows * targetHeight > kMaxPixels) return nullptr;
    try {
        Taps across, down;
        across.make(frameWidth, targetWidth);
        down.make(frameHeight, targetHeight);
        ZBitmap* out = new (std::nothrow) ZBitmap(columns * targetWidth, rows * targetHeight);
        if (!out || !out->isValid()) {
            delete out;
            return nullptr;
        }
        // One frame's rows filtered across (premultiplied red, green, blue, alpha per pixel).
        std::vector<float> wide(static_cast<size_t>(frameHeight) * targetWidth * 4);
        for (int32_t f = 0; f < frameCount; ++f) {
            const int32_t sx = (f % columns) * frameWidth, sy = (f / columns) * frameHeight;
            const int32_t tx = (f % columns) * targetWidth, ty = (f / columns) * targetHeight;
            for (int32_t y = 0; y < frameHeight; ++y) {
                const uint32_t* line = source.pixels + static_cast<size_t>(sy + y) * source.width + sx;
                float* o = &wide[static_cast<size_t>(y) * targetWidth * 4];
                for (int32_t t = 0; t < targetWidth; ++t, o += 4) {
                    float r = 0, g = 0, b = 0, a = 0;
                    for (int32_t k = across.first[t]; k < across.first[t + 1]; ++k) {
                        const uint32_t p = line[across.index[k]];
                        const float w = across.weight[k] * static_cast<float>(p >> 24) * (1.0f / 255.0f);
                        r += w * static_cast<float>((p >> 16) & 0xFF) * (1.0f / 255.0f);
                        g += w * static_cast<float>((p >> 8) & 0xFF) * (1.0f / 255.0f);
                        b += w * static_cast<float>(p & 0xFF) * (1.0f / 255.0f);
                        a += w;
                    }
                    o[0] = r;
                    o[1] = g;
                    o[2] = b;
                    o[3] = a;
                }
            }
            for (int32_t t = 0; t < targetHeight; ++t) {
                uint32_t* line = out->pixels + static_cast<size_t>(ty + t) * out->width + tx;
                for (int32_t x = 0; x < targetWidth; ++x) {
                    float c[4] = {0, 0, 0, 0};
                    for (int32_t k = down.first[t]; k < down.first[t + 1]; ++k) {
                        const float* p = &wide[(static_cast<size_t>(down.index[k]) * targetWidth + x) * 4];
                        const float w = down.weight[k];
                        for (int i = 0; i < 4; ++i) c[i] += w * p[i];
                    }
                    line[x] = packPremultiplied(c);
                }
            }
        }
        return out;
    } catch (...) {
        return nullptr;
    }
}
