// The one blending rule of the drawing surface, shared by every primitive and the text drawing.
//
// For a source channel s with opacity a (0..1) over a surface channel d the result is
// trunc((s - d) x a + d), computed in double precision; the high byte of the written pixel is 0.
// a is the alpha byte times 1/255, times the coverage for edge pixels of shapes.
//
// The exact bytes matter (pictures are compared pixel for pixel), so every fast path below is
// built from this same formula and never approximates it.
#pragma once

#include <cstdint>

namespace zblend {

// 1/255 as the double the blend uses; 255 times it is exactly 1.0.
constexpr double kAlphaScale = 0.00392156862745098;

inline uint32_t channel(uint32_t source, uint32_t surface, double a)
{
    // The sum lies between the two channel values, so it is never negative: the cast truncates
    // toward zero as required.
    return static_cast<uint32_t>(static_cast<int>(
        static_cast<double>(static_cast<int>(source) - static_cast<int>(surface)) * a + static_cast<double>(surface)));
}

// Blends the colour (r, g, b given as 0x00RRGGBB) with opacity a over one pixel.
inline uint32_t pixel(uint32_t rgb, uint32_t surface, double a)
{
    const uint32_t r = channel((rgb >> 16) & 0xFF, (surface >> 16) & 0xFF, a);
    const uint32_t g = channel((rgb >> 8) & 0xFF, (surface >> 8) & 0xFF, a);
    const uint32_t b = channel(rgb & 0xFF, surface & 0xFF, a);
    return (r << 16) | (g << 8) | b;
}

// Blending of one fixed colour with one fixed opacity over many pixels. Opacity 1 (alpha 255)
// writes the colour, opacity 0 keeps the pixel; anything between goes through three tables of
// 256 results that are filled from the blend formula, so every byte equals what the formula gives.
class Painter {
public:
    Painter(uint32_t rgb, double a) : rgb_(rgb & 0xFFFFFF), a_(a), mode_(a >= 1.0 ? kCopy : a <= 0.0 ? kKeep : kDirect)
    {}

    bool keeps() const { return mode_ == kKeep; }

    // Prepares the tables when about `count` pixels follow (worth it from a few hundred on).
    void expect(long count)
    {
        if (mode_ == kDirect && count >= 96) buildTables();
    }

    uint32_t apply(uint32_t surface) const
    {
        switch (mode_) {
            case kCopy: return rgb_;
            case kKeep: return surface & 0xFFFFFF;
            case kTable: return red_[(surface >> 16) & 0xFF] | green_[(surface >> 8) & 0xFF] | blue_[surface & 0xFF];
            default: return pixel(rgb_, surface, a_);
        }
    }

    // Writes count pixels starting at dst.
    void span(uint32_t* dst, long count) const
    {
        switch (mode_) {
            case kCopy:
                for (long i = 0; i < count; ++i) dst[i] = rgb_;
                break;
            case kKeep:
                for (long i = 0; i < count; ++i) dst[i] &= 0xFFFFFF;
                break;
            case kTable:
                for (long i = 0; i < count; ++i) {
                    const uint32_t s = dst[i];
                    dst[i] = red_[(s >> 16) & 0xFF] | green_[(s >> 8) & 0xFF] | blue_[s & 0xFF];
                }
                break;
            default:
                for (long i = 0; i < count; ++i) dst[i] = pixel(rgb_, dst[i], a_);
                break;
        }
    }

private:
    enum Mode { kCopy, kKeep, kDirect, kTable };

    void buildTables()
    {
        const uint32_t r = (rgb_ >> 16) & 0xFF;
        const uint32_t g = (rgb_ >> 8) & 0xFF;
        const uint32_t b = rgb_ & 0xFF;
        for (uint32_t v = 0; v < 256; ++v) {
            red_[v] = channel(r, v, a_) << 16;
            green_[v] = channel(g, v, a_) << 8;
            blue_[v] = channel(b, v, a_);
        }
        mode_ = kTable;
    }

    uint32_t rgb_;
    double a_;
    Mode mode_;
    uint32_t red_[256];
    uint32_t green_[256];
    uint32_t blue_[256];
};

}  // namespace zblend
