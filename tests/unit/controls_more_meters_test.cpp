// Meters, peak readouts and the feature text: frame and segment rules, the readout texts with
// their fonts and fills, the click reset, and the text cut.
#include "controls_more_support.h"

#include <cmath>
#include <cstring>
#include <limits>

#include "controls/feature_text.h"
#include "controls/meters.h"
#include "controls/peaks.h"

using namespace more_test;

namespace {

using MoreMeters = MoreControlsTest;

std::string peak(double v)
{
    char text[32];
    peakText(v, text, sizeof text);
    return text;
}

TEST(PeakText, LevelsInDecibels)
{
    EXPECT_EQ(peak(1.0), "Peak: 0.0 dB");
    EXPECT_EQ(peak(1.5), "Peak: 3.5 dB");
    EXPECT_EQ(peak(0.5), "Peak: -6.0 dB");
    EXPECT_EQ(peak(0.0), "Peak: -Inf dB");
    EXPECT_EQ(peak(5e-7), "Peak: -Inf dB");
    EXPECT_EQ(peak(1e-6), "Peak: -120.0 dB");
    EXPECT_EQ(peak(-2.0), "Peak: -Inf dB");
    EXPECT_EQ(peak(std::numeric_limits<double>::quiet_NaN()), "Peak: -Inf dB");
    EXPECT_EQ(peak(std::numeric_limits<double>::infinity()), "Peak: Inf dB");
    EXPECT_EQ(peak(std::numeric_limits<double>::max()), "Peak: 6165.1 dB");
}

TEST_F(MoreMeters, PeakReadoutsPickFontAndFillByLevelAndResetOnClick)
{
    open("AddControl 1 10 10 200 24 ZTextPeak Peak font hotfont\n"
         "AddControl 1 10 50 200 30 ZDefPeak Peak border off on font hotfont\n",
         2);
    const bool text = textAvailable();
    auto ink = [&](uint32_t colour, int32_t y0, int32_t y1) { return count(colour, 10, y0, 210, y1); };
    struct Case {
        double v;
        bool above;
    };
    for (const Case& c : {Case{1.0, false}, Case{1.5, true}, Case{0.0, false}, Case{5e-7, false}}) {
        effect->peak.store(c.v);
        paint();
        EXPECT_EQ(px(10, 50), kBorder);
        EXPECT_EQ(px(12, 52), c.above ? kOn : kOff) << c.v;
        if (text) {
            EXPECT_EQ(ink(0xFF00FF, 10, 34) > 0, c.above) << c.v;
            EXPECT_EQ(ink(0xFFFFFF, 10, 34) > 0, !c.above) << c.v;
            EXPECT_EQ(ink(0xFF00FF, 52, 78) > 0, c.above) << c.v;
        }
    }
    // A click sets the item to 0 without capturing; the next paint shows silence.
    effect->peak.store(1.5);
    paint();
    press(20, 20);
    EXPECT_EQ(effect->peak.load(), 0.0);
    EXPECT_EQ(window->capturedControl(), -1);
    paint();
    EXPECT_EQ(px(12, 52), kOff);
    if (text) {
        EXPECT_EQ(ink(0xFF00FF, 10, 34), 0);
    }
    release(20, 20);
    effect->peak.store(2.0);
    paint();
    EXPECT_EQ(px(12, 52), kOn);
    press(20, 60);
    EXPECT_EQ(effect->peak.load(), 0.0);

    // Only a change of more than 0.001 repaints.
    auto* readout = control<ZDefPeak>(1);
    ASSERT_NE(readout, nullptr);
    paint();
    EXPECT_EQ(readout->lastValue, 0.0);
    effect->peak.store(0.0005);
    paint();
    EXPECT_EQ(readout->lastValue, 0.0);
    effect->peak.store(0.002);
    paint();
    EXPECT_EQ(readout->lastValue, 0.002);
}

TEST_F(MoreMeters, SegmentMetersCountLightAndOrientSegments)
{
    open("AddControl 1 10 10 102 12 ZDefFracMeter Fill LeftToRight border off on\n"
         "AddControl 1 10 30 102 12 ZDefFracMeter Fill righttoleft border off on\n"
         "AddControl 1 130 10 12 102 ZDefMeter Level TopToBottom border off on\n"
         "AddControl 1 150 10 12 102 ZDefMeter Level BottomToTop border off on\n"
         "AddControl 1 10 50 102 12 ZDefMeter Level Sideways border off on\n",
         5);
    auto* frac = control<ZDefFracMeter>(0);
    ASSERT_NE(frac, nullptr);
    EXPECT_EQ(frac->segmentCount, 20);
    EXPECT_EQ(frac->orientation, kLeftToRight);
    EXPECT_EQ(control<ZDefFracMeter>(1)->orientation, kRightToLeft);
    EXPECT_EQ(control<ZDefMeter>(2)->segmentCount, 20);
    EXPECT_EQ(control<ZDefMeter>(4)->orientation, kLeftToRight);

    effect->fill.store(0.5);
    effect->level.store(7);
    paint();
    for (int32_t i = 0; i < 20; ++i) {
        const int32_t p = 5 * i;
        EXPECT_EQ(px(10 + p + 1, 11), i < 10 ? kOn : kOff) << i;
        EXPECT_EQ(px(10 + p + 1, 31), i >= 10 ? kOn : kOff) << i;
        EXPECT_EQ(px(131, 10 + p + 1), i < 7 ? kOn : kOff) << i;
        EXPECT_EQ(px(151, 10 + p + 1), i >= 13 ? kOn : kOff) << i;
        EXPECT_EQ(px(10 + p + 1, 51), i < 7 ? kOn : kOff) << i;
        EXPECT_EQ(px(10 + p, 10), kBorder);  // the segment's frame
        EXPECT_EQ(px(10 + p + 4, 11), backgroundPixel(0));  // the gap keeps the page
    }
    EXPECT_EQ(px(10 + 100, 11), backgroundPixel(0));  // after the last segment

    // Limits: below 0 and above the range, and values that are not numbers.
    struct Case {
        double fill;
        int32_t level;
        int32_t fracLit, lit;
    };
    const Case cases[] = {{-1.0, -5, 0, 0},
                          {2.0, 100, 20, 20},
                          {0.024, 1, 0, 1},
                          {0.025, 20, 1, 20},
                          {std::numeric_limits<double>::quiet_NaN(), 0, 0, 0}};
    for (const Case& c : cases) {
        effect->fill.store(c.fill);
        effect->level.store(c.level);
        EXPECT_EQ(frac->litCount(), c.fracLit) << c.fill;
        EXPECT_EQ(control<ZDefMeter>(2)->litCount(), c.lit) << c.level;
    }
}

TEST_F(MoreMeters, ImageMetersPickTheirFrames)
{
    open("AddControl 1 10 10 22 100 ZImgMeter Level 0.5 0 meter\n"
         "AddControl 1 40 10 22 100 ZImgFracMeter Fill meter\n"
         "AddControl 1 70 10 22 100 ZImgMeter Spare 1 0 meter\n"
         "AddControl 1 100 10 22 100 ZImgMeter Level 1 -inf meter\n"
         "AddControl 1 130 10 22 100 ZImgMeter Level 1 Inf meter\n"
         "AddControl 1 160 10 22 100 ZImgMeter Level inf 0 meter\n",
         6);
    auto* meter = control<ZImgMeter>(0);
    auto* frac = control<ZImgFracMeter>(1);
    ASSERT_TRUE(meter && frac);
    struct LongCase {
        int32_t v;
        int32_t frame;
    };
    for (const LongCase& c : {LongCase{5, 3}, LongCase{100, 9}, LongCase{0, 0}, LongCase{-7, 0}, LongCase{4, 2}}) {
        effect->level.store(c.v);
        EXPECT_EQ(meter->currentFrame(), c.frame) << c.v;
    }
    struct FracCase {
        double v;
        int32_t frame;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (const FracCase& c : {FracCase{0.999, 8}, FracCase{1.0, 9}, FracCase{0.0, 0}, FracCase{-1.0, 0},
                              FracCase{5.0, 9}, FracCase{nan, 0}}) {
        effect->fill.store(c.v);
        EXPECT_EQ(frac->currentFrame(), c.frame) << c.v;
    }
    EXPECT_EQ(control<ZImgMeter>(2)->currentFrame(), 0);  // an item without data
    effect->level.store(0);
    EXPECT_EQ(control<ZImgMeter>(3)->currentFrame(), 0);  // 0 x 1 - inf
    EXPECT_EQ(control<ZImgMeter>(4)->currentFrame(), 9);
    EXPECT_EQ(control<ZImgMeter>(5)->currentFrame(), 0);  // 0 x inf is not a number
    effect->level.store(1);
    EXPECT_EQ(control<ZImgMeter>(5)->currentFrame(), 9);

    // What is painted is the strip's frame.
    std::unique_ptr<ZBitmap> strip(makeGalleryImage("meter", 22, 100, 10));
    effect->level.store(100);
    effect->fill.store(0.0);
    paint();
    for (int32_t y = 0; y < 100; y += 7) {
        EXPECT_EQ(px(10 + 11, 10 + y), strip->pixels[(9 * 100 + y) * 22 + 11] & 0xFFFFFF) << y;
        EXPECT_EQ(px(40 + 11, 10 + y), strip->pixels[y * 22 + 11] & 0xFFFFFF) << y;
    }
}

TEST_F(MoreMeters, FeatureTextShowsAtMost63CharactersAndNothingForNull)
{
    if (!textAvailable()) GTEST_SKIP() << "no text renderer here";
    open("AddControl 1 0 10 300 30 ZFeatureText Status font\n", 1);
    auto* feature = control<ZFeatureText>(0);
    ASSERT_NE(feature, nullptr);
    const std::string longText(70, 'W');
    effect->status = longText.c_str();
    paint();
    EXPECT_EQ(std::strlen(feature->lastText), 63u);
    EXPECT_EQ(std::string(feature->lastText), longText.substr(0, 63));
    const int32_t inkLong = count(0xFFFFFF, 0, 10, 300, 40);
    EXPECT_GT(inkLong, 0);

    effect->status = nullptr;
    paint();
    EXPECT_STREQ(feature->lastText, "");
    EXPECT_EQ(count(0xFFFFFF, 0, 10, 300, 40), 0);  // the snapshot is back, nothing over it

    static const char* const shortText = "abc";
    effect->status = shortText;
    paint();
    EXPECT_STREQ(feature->lastText, "abc");
    const int32_t inkShort = count(0xFFFFFF, 0, 10, 300, 40);
    EXPECT_GT(inkShort, 0);
    EXPECT_LT(inkShort, inkLong);
}

}  // namespace
