// Helpers shared by the surface tests.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "gui/surface.h"

namespace surface_test {

inline ZColour rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return ZColour{r, g, b, a}; }

inline uint32_t& at(ZSurface& s, int x, int y) { return s.pixels()[y * s.width() + x]; }

inline uint8_t red(uint32_t p) { return static_cast<uint8_t>(p >> 16); }

inline void fillAll(ZSurface& s, uint32_t value)
{
    for (int i = 0; i < s.width() * s.height(); ++i) s.pixels()[i] = value;
}

// A surface made the way the editor makes it (no window: compatible with the screen on Windows).
inline std::unique_ptr<ZSurface> makeSurface(int w, int h)
{
    return std::unique_ptr<ZSurface>(ZSurface::create(nullptr, w, h));
}

// Copy of the pixels, for before/after comparisons.
struct Snapshot {
    explicit Snapshot(const ZSurface& s) : pixels(s.pixels(), s.pixels() + s.width() * s.height()) {}
    std::vector<uint32_t> pixels;
};

// Number of pixels that differ between the surface and an earlier snapshot.
inline int changedPixels(const ZSurface& s, const Snapshot& before)
{
    int n = 0;
    for (size_t i = 0; i < before.pixels.size(); ++i) n += s.pixels()[i] != before.pixels[i];
    return n;
}

// The blend rule written out step by step; volatile forces every intermediate to a double.
inline uint32_t expectedChannel(uint32_t source, uint32_t surface, double a)
{
    volatile double product = static_cast<double>(static_cast<int>(source) - static_cast<int>(surface)) * a;
    volatile double sum = product + static_cast<double>(surface);
    return static_cast<uint32_t>(static_cast<int>(sum));
}

inline uint32_t expectedPixel(uint32_t rgb, uint32_t surface, double a)
{
    return (expectedChannel((rgb >> 16) & 0xFF, (surface >> 16) & 0xFF, a) << 16) |
        (expectedChannel((rgb >> 8) & 0xFF, (surface >> 8) & 0xFF, a) << 8) |
        expectedChannel(rgb & 0xFF, surface & 0xFF, a);
}

}  // namespace surface_test
