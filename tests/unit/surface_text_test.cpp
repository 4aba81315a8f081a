// Text on the surface: GDI on Windows, FreeType elsewhere. Fonts differ between systems, so
// the checks are about placement: ink inside the rectangle, alignment moving it, vertical
// centring, clipping.
#include <algorithm>

#include <gtest/gtest.h>

#include "surface_fixture.h"

#ifndef _WIN32
#include <dlfcn.h>

#include "platform/posix/freetype_abi.h"
#include "platform/posix/text_sources.h"
#endif

using namespace surface_test;

namespace {

constexpr uint32_t kLeft = 292;  // DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOCLIP
constexpr uint32_t kCentre = 293;  // ... | DT_CENTER
constexpr uint32_t kRight = 294;  // ... | DT_RIGHT
constexpr uint32_t kWhiteRef = 0x00FFFFFF;

struct Ink {
    int count = 0;
    int x0 = 1 << 30, y0 = 1 << 30, x1 = -1, y1 = -1;  // inclusive extremes

    double centreX() const { return (x0 + x1) / 2.0; }
    double centreY() const { return (y0 + y1) / 2.0; }
};

Ink inkOf(const ZSurface& s)
{
    Ink ink;
    for (int y = 0; y < s.height(); ++y)
        for (int x = 0; x < s.width(); ++x)
            if ((s.pixels()[y * s.width() + x] & 0xFFFFFF) != 0) {
                ++ink.count;
                ink.x0 = std::min(ink.x0, x);
                ink.x1 = std::max(ink.x1, x);
                ink.y0 = std::min(ink.y0, y);
                ink.y1 = std::max(ink.y1, y);
            }
    return ink;
}

class SurfaceText : public ::testing::Test {
protected:
    void SetUp() override
    {
#ifndef _WIN32
        if (!platform::textRendererAvailable()) GTEST_SKIP() << "no FreeType library or no sans font on this system";
#endif
        s = makeSurface(240, 60);
        ASSERT_TRUE(s);
        font = platform::createFont(12);
        ASSERT_NE(font, nullptr);
    }
    void TearDown() override
    {
        s.reset();
        platform::destroyFont(font);
    }

    Ink draw(const char* text, int x, int y, int w, int h, uint32_t format)
    {
        fillAll(*s, 0);
        EXPECT_TRUE(s->drawText(text, x, y, w, h, font, kWhiteRef, format));
        return inkOf(*s);
    }

    std::unique_ptr<ZSurface> s;
    platform::FontHandle font = nullptr;
};

}  // namespace

TEST_F(SurfaceText, InkLiesInTheRectangleAndAlignmentMovesIt)
{
    const Ink left = draw("Sarvo 1.0", 20, 10, 200, 30, kLeft);
    const Ink centre = draw("Sarvo 1.0", 20, 10, 200, 30, kCentre);
    const Ink right = draw("Sarvo 1.0", 20, 10, 200, 30, kRight);
    for (const Ink* ink : {&left, &centre, &right}) {
        ASSERT_GT(ink->count, 20);
        EXPECT_GE(ink->x0, 20);
        EXPECT_LT(ink->x1, 220);
        EXPECT_GE(ink->y0, 10);
        EXPECT_LT(ink->y1, 40);
        EXPECT_NEAR(ink->centreY(), 25.0, 3.5) << "centred vertically";
    }
    EXPECT_LE(left.x0, 22);
    EXPECT_NEAR(centre.centreX(), 120.0, 3.0);
    EXPECT_GE(right.x1, 216);
    // The same text keeps its shape: only its position changes.
    EXPECT_EQ(left.count, centre.count);
    EXPECT_EQ(left.x1 - left.x0, right.x1 - right.x0);
}

TEST_F(SurfaceText, WidthGrowsWithTheTextAndMatchesTheRightAlignment)
{
    const int32_t narrow = s->measureText("ii", font, 0x524);
    const int32_t wide = s->measureText("WWWWWW", font, 0x524);
    EXPECT_GT(narrow, 0);
    EXPECT_GT(wide, 4 * narrow);
    EXPECT_EQ(s->measureText("", font, 0x524), 0);
    // Right-aligned text of width w starts about w pixels left of the rectangle's right edge.
    const Ink right = draw("WWWWWW", 0, 0, 200, 30, kRight);
    EXPECT_NEAR(right.x0, 200 - wide, 3);
}

TEST_F(SurfaceText, ClipAppliesInLocalCoordinates)
{
    fillAll(*s, 0);
    s->setClip(100, 10, 30, 30);
    // Text centred on the clip's rectangle but far wider than it: only the clip shows ink.
    EXPECT_TRUE(s->drawText("MMMMMMMMMMMMMMMMMMMM", 0, 0, 30, 30, font, kWhiteRef, kCentre));
    s->resetClip();
    const Ink ink = inkOf(*s);
    ASSERT_GT(ink.count, 0);
    EXPECT_GE(ink.x0, 100);
    EXPECT_LT(ink.x1, 130);
    EXPECT_GE(ink.y0, 10);
    EXPECT_LT(ink.y1, 40);

    // Without DT_NOCLIP the rectangle itself cuts the text.
    const Ink cut = draw("MMMMMMMMMMMMMMMMMMMM", 50, 0, 40, 30, kCentre & ~0x100u);
    ASSERT_GT(cut.count, 0);
    EXPECT_GE(cut.x0, 50);
    EXPECT_LT(cut.x1, 90);

    // A zero-area clip shows nothing.
    fillAll(*s, 0);
    s->setClip(10, 10, 0, 20);
    s->drawText("Sarvo", 0, 0, 100, 20, font, kWhiteRef, kLeft);
    s->resetClip();
    EXPECT_EQ(inkOf(*s).count, 0);
}

TEST_F(SurfaceText, RefusesMissingTextOrFont)
{
    EXPECT_FALSE(s->drawText(nullptr, 0, 0, 10, 10, font, kWhiteRef, kLeft));
    EXPECT_FALSE(s->drawText("x", 0, 0, 10, 10, nullptr, kWhiteRef, kLeft));
    EXPECT_EQ(s->measureText("x", nullptr, 0), -1);
    EXPECT_EQ(inkOf(*s).count, 0);
}

#ifndef _WIN32

TEST(SurfaceTextFallback, WithoutLibraryOrFontTextDrawsNothingAndSaysSo)
{
    auto s = makeSurface(100, 30);
    ASSERT_TRUE(s);
    platform::FontHandle font = platform::createFont(12);
    const char* const nowhere[] = {"/nonexistent/font.ttf"};

    platform::setTextSources("libsarvo-no-such-library.so.6", nullptr, 0);
    EXPECT_FALSE(platform::textRendererAvailable());
    EXPECT_FALSE(s->drawText("Sarvo", 0, 0, 100, 30, font, kWhiteRef, kLeft));
    EXPECT_EQ(s->measureText("Sarvo", font, 0x524), -1);

    platform::setTextSources(nullptr, nowhere, 1);
    EXPECT_FALSE(s->drawText("Sarvo", 0, 0, 100, 30, font, kWhiteRef, kLeft));
    EXPECT_EQ(inkOf(*s).count, 0);

    platform::setTextSources(nullptr, nullptr, 0);  // back to the system's own
    if (platform::textRendererAvailable()) {
        EXPECT_TRUE(s->drawText("Sarvo", 0, 0, 100, 30, font, kWhiteRef, kLeft));
        EXPECT_GT(inkOf(*s).count, 0);
    }
    platform::destroyFont(font);
}

// The records the text code reads are declared by hand; check them against the library that is
// actually loaded: values read through them must be the ones FreeType documents.
TEST(SurfaceTextFallback, DeclaredFreeTypeRecordsMatchTheLoadedLibrary)
{
    void* lib = dlopen("libfreetype.so.6", RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) GTEST_SKIP() << "libfreetype.so.6 not installed";
    auto init = reinterpret_cast<ftabi::InitFreeTypeFn>(dlsym(lib, "FT_Init_FreeType"));
    auto done = reinterpret_cast<ftabi::DoneFreeTypeFn>(dlsym(lib, "FT_Done_FreeType"));
    auto newFace = reinterpret_cast<ftabi::NewFaceFn>(dlsym(lib, "FT_New_Face"));
    auto request = reinterpret_cast<ftabi::RequestSizeFn>(dlsym(lib, "FT_Request_Size"));
    auto loadChar = reinterpret_cast<ftabi::LoadCharFn>(dlsym(lib, "FT_Load_Char"));
    ASSERT_TRUE(init && done && newFace && request && loadChar);
    ftabi::Library ft = nullptr;
    ASSERT_EQ(init(&ft), 0);
    ftabi::Face face = nullptr;
    if (newFace(ft, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", 0, &face) != 0) {
        done(ft);
        dlclose(lib);
        GTEST_SKIP() << "DejaVu Sans not installed";
    }
    EXPECT_EQ(face->num_faces, 1);
    EXPECT_EQ(face->face_index, 0);
    EXPECT_EQ(face->units_per_EM, 2048);
    EXPECT_GT(face->ascender, 0);
    EXPECT_LT(face->descender, 0);
    ASSERT_NE(face->glyph, nullptr);
    ASSERT_NE(face->size, nullptr);
    EXPECT_EQ(face->glyph->face, face);
    EXPECT_EQ(face->size->face, face);

    ftabi::SizeRequestRec req = {ftabi::kSizeRequestNominal, 0, 20 * 64, 0, 0};
    ASSERT_EQ(request(face, &req), 0);
    EXPECT_EQ(face->size->metrics.y_ppem, 20);
    ASSERT_EQ(loadChar(face, 'H', static_cast<int>(ftabi::kLoadRender)), 0);
    const ftabi::GlyphSlotRec& g = *face->glyph;
    EXPECT_EQ(g.bitmap.pixel_mode, ftabi::kPixelModeGray);
    EXPECT_EQ(g.bitmap.num_grays, 256);
    EXPECT_GE(g.bitmap.rows, 13u);  // cap height of a 20-pixel em
    EXPECT_LE(g.bitmap.rows, 16u);
    EXPECT_GE(g.bitmap.pitch, static_cast<int>(g.bitmap.width));
    EXPECT_EQ(g.bitmap_top, static_cast<int>(g.bitmap.rows));
    EXPECT_GT(g.advance.x, 10 * 64);
    EXPECT_LT(g.advance.x, 20 * 64);
    EXPECT_EQ(g.advance.y, 0);
    done(ft);  // also releases the face
    dlclose(lib);
}

#endif
