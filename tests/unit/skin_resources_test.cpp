// Skin resources: colours, framed images, fonts, the registry lookup and the image loaders.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gui/surface.h"
#include "platform/platform.h"
#include "skin_test_support.h"
#include "support/test_paths.h"

#ifndef _WIN32
#include "platform/posix/text_sources.h"
#endif

using namespace skintest;

namespace {

ZResource* create(ZSkin& skin, const char* type, std::vector<const char*> args)
{
    return createSkinResource(&skin, type, int32_t(args.size()), args.data());
}

void writeFile(const std::string& path, const std::string& bytes)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

}  // namespace

TEST(SkinResources, ColourBytesWrapAndAlphaIsOpaque)
{
    ZSkin skin;
    std::unique_ptr<ZResource> r(create(skin, "rgbcolour", {"300", "-1", " +7xyz"}));
    ASSERT_TRUE(r);
    EXPECT_STREQ(r->typeName(), "ZColourResource");
    const ZColour c = static_cast<ZColourResource*>(r.get())->colour;
    EXPECT_EQ(c.r, 44);
    EXPECT_EQ(c.g, 255);
    EXPECT_EQ(c.b, 7);
    EXPECT_EQ(c.a, 255);
    std::unique_ptr<ZResource> none(create(skin, "RGBColour", {"abc", "", "12"}));
    ASSERT_TRUE(none);
    EXPECT_EQ(static_cast<ZColourResource*>(none.get())->colour.r, 0);
}

TEST(SkinResources, KeywordsNeedTheirExactArgumentCount)
{
    ZSkin skin;
    EXPECT_EQ(create(skin, "RGBColour", {"1", "2", "3", "4"}), nullptr);
    EXPECT_EQ(create(skin, "RGBColour", {"1", "2"}), nullptr);
    EXPECT_EQ(create(skin, "PngResource", {"PNG_FILE", "ONDX_BG", "402", "321"}), nullptr);
    EXPECT_EQ(create(skin, "DefFont", {"14"}), nullptr);
    EXPECT_EQ(create(skin, "SkinFont", {"metrics.txt"}), nullptr);
    EXPECT_EQ(create(skin, "Bitmap", {"a", "b"}), nullptr);
    EXPECT_EQ(create(skin, "PngResource", {"PNG_FILE", "NO_SUCH_IMAGE", "1", "1", "1"}), nullptr);
}

TEST(SkinResources, LookupTakesTheLastDeclarationIgnoringCase)
{
    ZSkin skin;
    ZResource* first = addResource(skin, "font", colour(1, 2, 3));
    ZResource* second = addResource(skin, "FONT", colour(4, 5, 6));
    addResource(skin, "other", colour(7, 8, 9));
    EXPECT_EQ(lookupResource(&skin, "Font"), second);
    EXPECT_NE(lookupResource(&skin, "Font"), first);
    EXPECT_EQ(lookupResource(&skin, "fon"), nullptr);
    EXPECT_EQ(lookupResource(&skin, nullptr), nullptr);
    EXPECT_EQ(lookupResource(nullptr, "font"), nullptr);
    EXPECT_EQ(lookupColour(&skin, "font"), second);
    EXPECT_EQ(lookupImage(&skin, "font"), nullptr);
    EXPECT_TRUE(second->isOfType("zcolourresource"));
}

TEST(SkinResources, DefFontNeedsAPositiveHeightAndAColour)
{
    ZSkin skin;
    addResource(skin, "textcol", colour(145, 152, 159));
    addResource(skin, "strip", gradientImage(4, 4, 4, 4, 1));
    EXPECT_EQ(create(skin, "DefFont", {"0", "textcol"}), nullptr);
    EXPECT_EQ(create(skin, "DefFont", {"14", "strip"}), nullptr);
    EXPECT_EQ(create(skin, "DefFont", {"14", "missing"}), nullptr);
    std::unique_ptr<ZResource> r(create(skin, "deffont", {"14", "TEXTCOL"}));
    ASSERT_TRUE(r);
    EXPECT_STREQ(r->typeName(), "ZFontResource");
    auto* font = dynamic_cast<ZDefFont*>(static_cast<ZFontResource*>(r.get())->font);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->height(), 14);
    EXPECT_NE(font->gdiFont(), nullptr);
    EXPECT_EQ(font->colour().r, 145);
    EXPECT_EQ(font->colour().b, 159);
}

TEST(SkinResources, DefFontDrawsInItsColour)
{
#ifndef _WIN32
    if (!platform::textRendererAvailable()) GTEST_SKIP() << "no text renderer on this system";
#endif
    std::unique_ptr<ZDefFont> font(ZDefFont::create(14, ZColour{255, 0, 0, 255}));
    ASSERT_TRUE(font);
    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 120, 20));
    ASSERT_TRUE(s);
    const int32_t w = font->textWidth(s.get(), "Gain");
    EXPECT_GT(w, 10);
    EXPECT_LT(w, 60);
    EXPECT_EQ(font->textWidth(s.get(), ""), 0);
    font->drawText(s.get(), "Gain", 0, 0, 120, 20, kAlignRight);
    int reddest = 0, other = 0, leftmost = 120;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 120; ++x) {
            const uint32_t p = s->pixels()[y * 120 + x] & 0xFFFFFF;
            if (!p) continue;
            if ((p & 0xFFFF) == 0)
                ++reddest;
            else
                ++other;
            leftmost = std::min(leftmost, x);
        }
    EXPECT_GT(reddest, 0);
    EXPECT_EQ(other, 0) << "the text has only the font's red";
    EXPECT_GE(leftmost, 120 - w - 2) << "right aligned";
}

TEST(SkinResources, FramesRunLeftToRightThenTopToBottom)
{
    std::unique_ptr<ZImageResource> strip(gradientImage(101, 42, 101, 21, 2));
    ASSERT_TRUE(strip->image);
    EXPECT_EQ(strip->rows, 2);
    EXPECT_EQ(strip->columns, 1);
    std::unique_ptr<ZImageResource> grid(gradientImage(30, 20, 10, 10, 5));
    EXPECT_EQ(grid->rows, 2);
    EXPECT_EQ(grid->columns, 3);
    std::unique_ptr<ZImageResource> zero(gradientImage(30, 20, 0, -4, 5));
    EXPECT_EQ(zero->rows, 0);
    EXPECT_EQ(zero->columns, 0);

    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 120, 40));
    ASSERT_TRUE(s);
    // Frame 1 of the strip is its lower half: green (the source row) starts at 21.
    s->setClip(5, 3, 101, 21);
    ASSERT_TRUE(strip->drawImageFrame(s.get(), 1));
    EXPECT_EQ(s->pixels()[3 * 120 + 5] & 0xFFFFFF, 0x001507u);  // x 0, y 21, blue 7
    EXPECT_EQ(s->pixels()[23 * 120 + 105] & 0xFFFFFF, 0x642907u);  // x 100, y 41
    EXPECT_EQ(s->pixels()[24 * 120 + 5], 0u) << "nothing below the clip";

    // Frame 4 of the 3 x 2 grid is column 1, row 1.
    s->resetClip();
    s->setClip(0, 0, 10, 10);
    ASSERT_TRUE(grid->drawImageFrame(s.get(), 4));
    EXPECT_EQ(s->pixels()[0] & 0xFFFFFF, 0x0A0A07u);
}

TEST(SkinResources, UnusableFramesDrawNothing)
{
    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 40, 40));
    ASSERT_TRUE(s);
    std::unique_ptr<ZImageResource> tooMany(gradientImage(20, 20, 10, 10, 5));  // 4 cells for 5 frames
    EXPECT_FALSE(tooMany->drawImageFrame(s.get(), 0));
    std::unique_ptr<ZImageResource> zero(gradientImage(20, 20, 0, 10, 1));
    EXPECT_FALSE(zero->drawImageFrame(s.get(), 0));
    std::unique_ptr<ZImageResource> larger(gradientImage(20, 20, 30, 30, 1));  // frame bigger than the image
    EXPECT_FALSE(larger->drawImageFrame(s.get(), 0));
    std::unique_ptr<ZImageResource> fine(gradientImage(20, 20, 10, 10, 4));
    EXPECT_FALSE(fine->drawImageFrame(s.get(), 4)) << "frame outside the strip";
    EXPECT_FALSE(fine->drawImageFrame(s.get(), -1));
    EXPECT_FALSE(fine->drawImageFrame(nullptr, 0));
    ZImageResource noImage(nullptr, 10, 10, 1);
    EXPECT_FALSE(noImage.drawImageFrame(s.get(), 0));
    for (int i = 0; i < 40 * 40; ++i) ASSERT_EQ(s->pixels()[i], 0u);
    EXPECT_TRUE(fine->drawImageFrame(s.get(), 3));
}

TEST(SkinResources, ImagesLoadWithRedAndBlueExchanged)
{
    const std::vector<uint8_t> png = rgbaPng(2, 1, {0x11, 0x22, 0x33, 0x44, 0xAA, 0xBB, 0xCC, 0xDD});
    std::unique_ptr<ZBitmap> b(loadImageBytes(png.data(), png.size()));
    ASSERT_TRUE(b);
    EXPECT_EQ(b->width, 2);
    EXPECT_EQ(b->height, 1);
    EXPECT_EQ(b->pixels[0], 0x44112233u);
    EXPECT_EQ(b->pixels[1], 0xDDAABBCCu);

    std::vector<uint8_t> broken = png;
    broken.resize(broken.size() / 2);
    EXPECT_EQ(loadImageBytes(broken.data(), broken.size()), nullptr);
    EXPECT_EQ(loadImageBytes(nullptr, 0), nullptr);
    EXPECT_EQ(loadImageFile(scratchDir() + "no-such-image.png"), nullptr);
    EXPECT_EQ(loadImageResource("PNG_FILE", "NO_SUCH_IMAGE"), nullptr);
    EXPECT_EQ(loadImageResource("SKIN_FILE", "ONDX_SKIN"), nullptr) << "not a PNG";
}

TEST(SkinResources, SkinIntegersReadLikeAtol)
{
    EXPECT_EQ(skinInteger("402"), 402);
    EXPECT_EQ(skinInteger("  -17abc"), -17);
    EXPECT_EQ(skinInteger("+5"), 5);
    EXPECT_EQ(skinInteger("x5"), 0);
    EXPECT_EQ(skinInteger(""), 0);
    EXPECT_EQ(skinInteger(nullptr), 0);
    EXPECT_EQ(skinInteger("99999999999"), INT32_MAX);
    EXPECT_EQ(skinInteger("-99999999999"), INT32_MIN);
    EXPECT_EQ(skinInteger("-2147483648"), INT32_MIN);
}

// ---------------------------------------------------------------- skin fonts

class SkinFontFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir = scratchDir();
        metrics = dir + "skin_font_metrics.txt";
        strip = dir + "skin_font_strip.png";
        // 95 glyphs of up to 10 pixels: a strip of 950 x 12, each pixel's red its column.
        writeFile(strip, rgbaPng(950, 12, gradientPixels(950, 12)));
    }
    void TearDown() override
    {
        std::remove(metrics.c_str());
        std::remove(strip.c_str());
    }
    std::unique_ptr<ZSkinFont> load(const std::string& text)
    {
        writeFile(metrics, text);
        return std::unique_ptr<ZSkinFont>(ZSkinFont::loadFromPaths(metrics, strip));
    }
    std::string dir, metrics, strip;
};

TEST_F(SkinFontFiles, DefaultWidthFillsOnlyUnsetWidths)
{
    auto font = load("CharHeight 10\r\nCharDefaultWidth 7\r\nCharWidth 65 9\r\n");
    ASSERT_TRUE(font);
    EXPECT_EQ(font->charWidth('A'), 9);
    EXPECT_EQ(font->charWidth('B'), 7);
    EXPECT_EQ(font->totalWidth(), 94 * 7 + 9);
    EXPECT_EQ(font->charOffset(' '), 0);
    EXPECT_EQ(font->charOffset('B'), ('B' - 32 - 1) * 7 + 9);

    auto reversed = load("# metrics\r\ncharwidth 65 9\r\n\r\nCHARDEFAULTWIDTH 7 # the rest\r\nCharHeight 10");
    ASSERT_TRUE(reversed);
    EXPECT_EQ(reversed->charWidth('A'), 9);
    EXPECT_EQ(reversed->charWidth('z'), 7);
    EXPECT_EQ(reversed->height(), 10);
    EXPECT_NE(reversed->gdiFont(), nullptr);
}

TEST_F(SkinFontFiles, EveryRuleOfTheMetrics)
{
    EXPECT_FALSE(load("CharHeight 10\nCharWidth 65 9\n")) << "characters without a width";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 7\nCharWidth 31 9\n")) << "code 31";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 7\nCharWidth 127 9\n")) << "code 127";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 7\nCharWidth 65 0\n"));
    EXPECT_FALSE(load("CharHeight 0\nCharDefaultWidth 7\n"));
    EXPECT_FALSE(load("CharDefaultWidth 7\n")) << "no height";
    EXPECT_FALSE(load("CharHeight 13\nCharDefaultWidth 7\n")) << "taller than the strip";
    EXPECT_TRUE(load("CharHeight 12\nCharDefaultWidth 10\n")) << "exactly the strip";
    EXPECT_FALSE(load("CharHeight 12\nCharDefaultWidth 10\nCharWidth 32 11\n")) << "wider than the strip";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 0\n"));
    EXPECT_FALSE(load("CharHeight 10 11\nCharDefaultWidth 7\n")) << "wrong count";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 7\nKerning 1\n")) << "unknown line";
    EXPECT_FALSE(load("")) << "empty file";
    EXPECT_FALSE(load("CharHeight 10\nCharDefaultWidth 99999999999\n")) << "sum overflows";
    writeFile(metrics, std::string("CharHeight 10\nCharDefaultWidth 7\n"));
    EXPECT_EQ(ZSkinFont::loadFromPaths(metrics, dir + "no-such-strip.png"), nullptr);
    EXPECT_EQ(ZSkinFont::loadFromPaths(dir + "no-such-metrics.txt", strip), nullptr);
}

TEST_F(SkinFontFiles, DrawsGlyphsFromTheStripAndSkipsOtherCharacters)
{
    auto font = load("CharHeight 10\nCharDefaultWidth 3\nCharWidth 66 5\n");
    ASSERT_TRUE(font);
    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 40, 20));
    ASSERT_TRUE(s);
    EXPECT_EQ(font->textWidth(s.get(), "A\tB\xE9"), 8);
    font->drawText(s.get(), "A\tB", 0, 0, 40, 20, kAlignCentre);
    // Width 8 centred in 40: x from 16; height 10 centred in 20: y from 5.
    auto red = [&](int x, int y) { return int((s->pixels()[y * 40 + x] >> 16) & 0xFF); };
    auto lit = [&](int x, int y) { return (s->pixels()[y * 40 + x] & 0xFFFFFF) != 0; };
    EXPECT_FALSE(lit(15, 5));
    EXPECT_EQ(red(16, 5), font->charOffset('A'));
    EXPECT_EQ(red(18, 5), font->charOffset('A') + 2);
    EXPECT_EQ(red(19, 5), font->charOffset('B')) << "the tab neither draws nor advances";
    EXPECT_EQ(red(23, 14), font->charOffset('B') + 4);
    EXPECT_FALSE(lit(24, 5));
    EXPECT_FALSE(lit(16, 4));
    EXPECT_FALSE(lit(16, 15));

    std::unique_ptr<ZSurface> r(ZSurface::create(nullptr, 40, 20));
    font->drawTextInRect(r.get(), "A", 10, 0, 30, 10, kAlignRight);  // right edge 30, width 3
    EXPECT_EQ((r->pixels()[27] >> 16) & 0xFF, uint32_t(font->charOffset('A')));
    EXPECT_EQ(r->pixels()[26], 0u);
}

TEST_F(SkinFontFiles, SkinFontResourceReadsFromTheModuleDirectory)
{
    const std::string moduleDir = platform::moduleDirectory();
    ASSERT_FALSE(moduleDir.empty());
    const std::string m = moduleDir + "skin_test_metrics.txt";
    const std::string p = moduleDir + "skin_test_strip.png";
    writeFile(m, std::string("CharHeight 12\nCharDefaultWidth 4\n"));
    writeFile(p, rgbaPng(950, 12, gradientPixels(950, 12)));
    ZSkin skin;
    std::unique_ptr<ZResource> r(create(skin, "SkinFont", {"skin_test_metrics.txt", "skin_test_strip.png"}));
    ASSERT_TRUE(r);
    EXPECT_STREQ(r->typeName(), "ZFontResource");
    EXPECT_EQ(static_cast<ZFontResource*>(r.get())->font->height(), 12);
    EXPECT_EQ(create(skin, "SkinFont", {"skin_test_strip.png", "skin_test_metrics.txt"}), nullptr);
    const std::string longName(300, 'n');
    EXPECT_EQ(create(skin, "SkinFont", {longName.c_str(), "skin_test_strip.png"}), nullptr);
    std::remove(m.c_str());
    std::remove(p.c_str());
}
