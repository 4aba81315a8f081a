// The blend rule: every path that writes pixels must give exactly the bytes of
// trunc((source - surface) x a + surface) in double precision with a zero high byte.
#include <gtest/gtest.h>

#include "surface_fixture.h"

using namespace surface_test;

namespace {

// Grey-ish test value whose three channels all run through 0..255 as v does.
uint32_t spread(uint32_t v) { return (v << 16) | ((255 - v) << 8) | (v ^ 0x5A); }

}  // namespace

TEST(SurfaceBlend, OpaqueReplacesAndHalfAlphaOverBlackTruncates)
{
    auto s = makeSurface(4, 2);
    ASSERT_TRUE(s);
    fillAll(*s, 0xFF123456);
    s->fillRect(rgba(200, 100, 7, 255), 0, 0, 4, 1);
    EXPECT_EQ(at(*s, 0, 0), 0x00C86407u);
    EXPECT_EQ(at(*s, 3, 0), 0x00C86407u);
    EXPECT_EQ(at(*s, 0, 1), 0xFF123456u) << "row outside the rectangle";

    fillAll(*s, 0);
    s->fillRect(rgba(255, 0, 0, 128), 0, 0, 4, 2);
    EXPECT_EQ(at(*s, 2, 1), 0x00800000u);  // trunc(255 x 128 / 255) = 128

    // Alpha 0 keeps the colour but, like every blend, clears the high byte.
    fillAll(*s, 0xFF336699);
    s->fillRect(rgba(255, 255, 255, 0), 0, 0, 4, 2);
    EXPECT_EQ(at(*s, 1, 1), 0x00336699u);
}

TEST(SurfaceBlend, FillRectMatchesFormulaForEveryAlphaSourceAndSurfaceValue)
{
    // Row y of the surface holds the colour spread(x) at column x; each fill covers one whole
    // row (the table path) and a 5-pixel line (the direct path) with one source value.
    auto s = makeSurface(256, 2);
    ASSERT_TRUE(s);
    int mismatches = 0;
    for (uint32_t alpha = 0; alpha < 256 && mismatches < 5; ++alpha) {
        const double a = alpha * 0.00392156862745098;
        for (uint32_t v = 0; v < 256 && mismatches < 5; ++v) {
            for (int x = 0; x < 256; ++x) at(*s, x, 0) = at(*s, x, 1) = spread(static_cast<uint32_t>(x));
            const uint32_t source = spread(255 - v);
            const ZColour c = rgba(static_cast<uint8_t>(source >> 16), static_cast<uint8_t>(source >> 8),
                                   static_cast<uint8_t>(source), static_cast<uint8_t>(alpha));
            s->fillRect(c, 0, 0, 256, 1);
            s->drawHLine(c, 1, 100, 105);
            for (int x = 0; x < 256; ++x) {
                const uint32_t want = expectedPixel(source, spread(static_cast<uint32_t>(x)), a);
                if (at(*s, x, 0) != want) {
                    ADD_FAILURE() << "alpha " << alpha << " source " << std::hex << source << " surface "
                                  << spread(static_cast<uint32_t>(x)) << ": got " << at(*s, x, 0) << " want " << want;
                    ++mismatches;
                }
            }
            for (int x = 100; x < 105; ++x)
                EXPECT_EQ(at(*s, x, 1), expectedPixel(source, spread(static_cast<uint32_t>(x)), a));
        }
    }
}

TEST(SurfaceBlend, BlendBitmapMatchesFormulaForEveryAlphaSourceAndSurfaceValue)
{
    // Bitmap pixel (v, alpha) carries colour spread(v) with that alpha; it is blended over a
    // surface of one uniform value at a time, for all 256 values.
    ZBitmap bitmap(256, 256);
    ASSERT_TRUE(bitmap.isValid());
    for (uint32_t alpha = 0; alpha < 256; ++alpha)
        for (uint32_t v = 0; v < 256; ++v) bitmap.pixels[alpha * 256 + v] = (alpha << 24) | spread(v);
    auto s = makeSurface(256, 256);
    ASSERT_TRUE(s);
    int mismatches = 0;
    for (uint32_t d = 0; d < 256 && mismatches < 5; ++d) {
        const uint32_t surface = spread(d ^ 0xA5);
        fillAll(*s, surface | 0xFF000000u);
        s->blendBitmap(0, 0, 256, 256, 0, 0, &bitmap);
        for (uint32_t alpha = 0; alpha < 256; ++alpha) {
            for (uint32_t v = 0; v < 256; ++v) {
                const uint32_t want = expectedPixel(spread(v), surface, alpha * 0.00392156862745098);
                if (s->pixels()[alpha * 256 + v] != want && ++mismatches < 5)
                    ADD_FAILURE() << "alpha " << alpha << " source " << v << " surface " << d;
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(SurfaceBlend, AtTwiceTheScaleABitmapIsFilteredBetweenItsPixelCentresAlongBothAxes)
{
    // A black and a white opaque pixel side by side (then one above the other), drawn at 2x: the four
    // device pixels along that axis have their centres at source -0.25, 0.25, 0.75 and 1.25, so the
    // outer ones keep the end colours and the inner ones mix a quarter and three quarters of white.
    for (const bool across : {true, false}) {
        ZBitmap bitmap(across ? 2 : 1, across ? 1 : 2);
        ASSERT_TRUE(bitmap.isValid());
        bitmap.pixels[0] = 0xFF000000u;
        bitmap.pixels[1] = 0xFFFFFFFFu;
        std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 2, 2, 2.0));
        ASSERT_TRUE(s);
        ASSERT_EQ(s->width(), 4);
        fillAll(*s, 0xFF808080u);
        s->blendBitmap(0, 0, bitmap.width, bitmap.height, 0, 0, &bitmap);
        int level[4];
        for (int i = 0; i < 4; ++i) level[i] = red(across ? at(*s, i, 0) : at(*s, 0, i));
        EXPECT_EQ(level[0], 0) << across;
        EXPECT_NEAR(level[1], 64, 1) << across;
        EXPECT_NEAR(level[2], 191, 1) << across;
        EXPECT_EQ(level[3], 255) << across;
    }
}
