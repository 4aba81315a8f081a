// Clip rectangle, rectangles, lines and bitmap copies on the surface.
#include <gtest/gtest.h>

#include "surface_fixture.h"

using namespace surface_test;

namespace {

const ZColour kWhite = {255, 255, 255, 255};

// A 24 x 16 black surface clipped to (4, 3, 12, 8).
class SurfacePrimitives : public ::testing::Test {
protected:
    void SetUp() override
    {
        s = makeSurface(24, 16);
        ASSERT_TRUE(s);
        s->setClip(4, 3, 12, 8);
    }

    // The set of changed pixels as a string of rows, '#' changed, '.' unchanged, within the
    // rows y0..y1-1 and columns x0..x1-1 of the surface.
    std::string picture(int x0, int y0, int x1, int y1) const
    {
        std::string out;
        for (int y = y0; y < y1; ++y) {
            for (int x = x0; x < x1; ++x) out += s->pixels()[y * s->width() + x] != 0 ? '#' : '.';
            out += '\n';
        }
        return out;
    }

    // Whether the changed pixels are exactly the surface rectangle [x0, x1) x [y0, y1).
    ::testing::AssertionResult changedExactly(int x0, int y0, int x1, int y1) const
    {
        for (int y = 0; y < s->height(); ++y)
            for (int x = 0; x < s->width(); ++x) {
                const bool inside = x >= x0 && x < x1 && y >= y0 && y < y1;
                if ((s->pixels()[y * s->width() + x] != 0) != inside)
                    return ::testing::AssertionFailure() << "pixel (" << x << ", " << y << ")\n"
                                                         << picture(0, 0, s->width(), s->height());
            }
        return ::testing::AssertionSuccess();
    }

    std::unique_ptr<ZSurface> s;
};

}  // namespace

TEST_F(SurfacePrimitives, SetClipCutsToTheSurfaceAndResetCoversEverything)
{
    EXPECT_EQ(s->clipX(), 4);
    EXPECT_EQ(s->clipWidth(), 12);
    s->setClip(20, 10, 100, 100);
    EXPECT_EQ(s->clipWidth(), 4);
    EXPECT_EQ(s->clipHeight(), 6);
    s->setClip(-5, 30, 10, 10);  // x limited to 0, y to the height
    EXPECT_EQ(s->clipX(), 0);
    EXPECT_EQ(s->clipY(), 16);
    EXPECT_EQ(s->clipHeight(), 0);
    s->setClip(3, 3, -4, -1);  // a negative size clips everything
    EXPECT_EQ(s->clipWidth(), 0);
    EXPECT_EQ(s->clipHeight(), 0);
    s->resetClip();
    EXPECT_EQ(s->clipX(), 0);
    EXPECT_EQ(s->clipY(), 0);
    EXPECT_EQ(s->clipWidth(), 24);
    EXPECT_EQ(s->clipHeight(), 16);
}

TEST_F(SurfacePrimitives, FillRectMovesNegativeOriginAndCutsAtTheFarClipEdges)
{
    s->fillRect(kWhite, -5, 1, 10, 2);  // moved to column 0, width kept
    EXPECT_TRUE(changedExactly(4, 4, 14, 6));

    fillAll(*s, 0);
    s->fillRect(kWhite, 8, -3, 100, 100);  // cut at the clip's right and bottom
    EXPECT_TRUE(changedExactly(12, 3, 16, 11));

    fillAll(*s, 0);
    s->fillRect(kWhite, 12, 0, 5, 5);  // starts at the clip width: nothing
    s->fillRect(kWhite, 0, 0, 0, 5);
    s->fillRect(kWhite, 0, 0, 5, -1);
    EXPECT_TRUE(changedExactly(0, 0, 0, 0));
}

TEST_F(SurfacePrimitives, LinesCoverHalfOpenRangesInsideTheClip)
{
    s->drawVLine(kWhite, 2, 5, 5);
    s->drawHLine(kWhite, 2, 7, 7);
    EXPECT_TRUE(changedExactly(0, 0, 0, 0)) << "equal ends draw nothing";

    s->drawVLine(kWhite, 2, 0, 8);  // the whole column of the clip
    EXPECT_TRUE(changedExactly(6, 3, 7, 11));

    fillAll(*s, 0);
    s->drawVLine(kWhite, 0, 6, -40);  // reversed and limited: rows 0..5
    EXPECT_TRUE(changedExactly(4, 3, 5, 9));

    fillAll(*s, 0);
    s->drawHLine(kWhite, 7, 50, 3);  // last row, columns 3..11
    EXPECT_TRUE(changedExactly(7, 10, 16, 11));

    fillAll(*s, 0);
    s->drawVLine(kWhite, -1, 0, 8);
    s->drawVLine(kWhite, 12, 0, 8);
    s->drawHLine(kWhite, -1, 0, 12);
    s->drawHLine(kWhite, 8, 0, 12);
    EXPECT_TRUE(changedExactly(0, 0, 0, 0)) << "lines outside the clip";
}

TEST_F(SurfacePrimitives, BlendBitmapSkipsHiddenSourceColumnsAndStopsAtTheClip)
{
    // Source pixel (i, j) has red i + 1 and green j + 1, opaque.
    ZBitmap bitmap(6, 4);
    ASSERT_TRUE(bitmap.isValid());
    for (int j = 0; j < 4; ++j)
        for (int i = 0; i < 6; ++i)
            bitmap.pixels[j * 6 + i] =
                0xFF000000u | static_cast<uint32_t>((i + 1) << 16) | static_cast<uint32_t>((j + 1) << 8);

    s->blendBitmap(0, 0, 6, 4, -3, 0, &bitmap);
    EXPECT_TRUE(changedExactly(4, 3, 7, 7));
    EXPECT_EQ(at(*s, 4, 3), 0x040100u) << "first drawn pixel is source column 3";

    fillAll(*s, 0);
    s->blendBitmap(0, 0, 6, 4, 10, -2, &bitmap);  // clip width - 2: two columns; two rows hidden above
    EXPECT_TRUE(changedExactly(14, 3, 16, 5));
    EXPECT_EQ(at(*s, 14, 3), 0x010300u);
    EXPECT_EQ(at(*s, 15, 4), 0x020400u);

    fillAll(*s, 0);
    s->blendBitmap(2, 1, 4, 3, 0, 0, &bitmap);  // an inner source rectangle
    EXPECT_TRUE(changedExactly(4, 3, 6, 5));
    EXPECT_EQ(at(*s, 4, 3), 0x030200u);

    fillAll(*s, 0);
    s->blendBitmap(0, 0, 6, 4, 12, 0, &bitmap);
    s->blendBitmap(0, 0, 6, 4, 0, 8, &bitmap);
    s->blendBitmap(0, 0, 6, 4, 0, 0, nullptr);
    s->blendBitmap(4, 0, 2, 4, 0, 0, &bitmap);
    EXPECT_TRUE(changedExactly(0, 0, 0, 0));
}

TEST_F(SurfacePrimitives, BlendBitmapNeverReadsOutsideTheBitmap)
{
    ZBitmap bitmap(3, 2);
    ASSERT_TRUE(bitmap.isValid());
    for (int i = 0; i < 6; ++i) bitmap.pixels[i] = 0xFFFFFFFFu;
    // A rectangle reaching past every side: only the 3 x 2 real pixels are drawn, each where
    // the rectangle would put it.
    s->blendBitmap(-2, -1, 40, 40, 1, 1, &bitmap);
    EXPECT_TRUE(changedExactly(7, 5, 10, 7));
}

TEST_F(SurfacePrimitives, ZeroAreaClipDrawsNothing)
{
    ZBitmap bitmap(4, 4);
    for (int i = 0; i < 16; ++i) bitmap.pixels[i] = 0xFFFFFFFFu;
    const ZPointD line[3] = {{-3, -3}, {2, 5}, {6, -1}};
    for (int variant = 0; variant < 2; ++variant) {
        if (variant == 0)
            s->setClip(8, 6, 0, 5);
        else
            s->setClip(8, 6, 5, 0);
        s->fillRect(kWhite, -2, -2, 20, 20);
        s->drawVLine(kWhite, 0, -5, 5);
        s->drawHLine(kWhite, 0, -5, 5);
        s->blendBitmap(0, 0, 4, 4, -1, -1, &bitmap);
        s->fillDisc(kWhite, -1.0, -1.0, 3.0);
        s->fillDisc(kWhite, 0.5, 0.5, 1.0);
        s->drawPolyline(kWhite, line, 3);
    }
    EXPECT_TRUE(changedExactly(0, 0, 0, 0));
}

TEST(SurfaceCreate, RefusesEmptySizesAndStartsBlack)
{
    EXPECT_EQ(ZSurface::create(nullptr, 0, 10), nullptr);
    EXPECT_EQ(ZSurface::create(nullptr, 10, -1), nullptr);
    EXPECT_EQ(ZSurface::create(nullptr, 100000, 100000), nullptr);
    auto s = makeSurface(402, 333);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->width(), 402);
    EXPECT_EQ(s->height(), 333);
    int nonBlack = 0;
    for (int i = 0; i < 402 * 333; ++i) nonBlack += s->pixels()[i] != 0;
    EXPECT_EQ(nonBlack, 0);
#ifdef _WIN32
    EXPECT_NE(s->deviceContext(), nullptr);
#else
    EXPECT_EQ(s->deviceContext(), nullptr);
#endif
}
