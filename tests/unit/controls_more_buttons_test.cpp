// Switches, momentary buttons, commands, radios and page selectors: their mouse rules with the
// host requests they send, and what they paint.
#include "controls_more_support.h"

#include "controls/buttons.h"
#include "controls/page_selectors.h"
#include "controls/radios.h"

using namespace more_test;
using namespace platform;
using gui_test::editRequests;
using gui_test::hostRequests;

namespace {

constexpr int32_t kMode = GalleryEffect::kMode;
constexpr int32_t kBypass = GalleryEffect::kBypass;
constexpr int32_t kTrigger = GalleryEffect::kTrigger;

const char kRadios[] = "AddControl 1 10 10 120 24 ZDefRadio Mode 0 2 Soft   font black off on held\n"
                       "AddControl 1 10 40 120 24 ZDefRadio Mode 1 2 Medium font black off on held\n"
                       "AddControl 1 10 70 120 24 ZDefRadio Mode 2 2 Hard   font black off on held\n"
                       "AddControl 1 150 10 20 20 ZImgRadio Mode 0 2 radio\n"
                       "AddControl 1 150 40 20 20 ZImgRadio Mode 1 2 radio\n"
                       "AddControl 1 150 70 20 20 ZImgRadio Mode 2 2 radio2\n";

using MoreButtons = MoreControlsTest;

TEST_F(MoreButtons, RadiosOnOneParameterSetTheirBandCentresAndSelectExactlyOne)
{
    open(kRadios, 6);
    const double centres[] = {1.0 / 6.0, 0.5, 5.0 / 6.0};
    for (int i = 0; i < 3; ++i) {
        hostRequests().clear();
        press(20, 20 + 30 * i);
        EXPECT_DOUBLE_EQ(value(kMode), centres[i]) << i;
        EXPECT_EQ(window->capturedControl(), i);
        release(20, 20 + 30 * i);
        const auto r = editRequests();
        ASSERT_EQ(r.size(), 4u);
        EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
        EXPECT_EQ(r[1].opcode, audioMasterAutomate);
        EXPECT_EQ(r[2].opcode, audioMasterAutomate);
        EXPECT_NEAR(r[2].value, centres[i], 1e-6);
        EXPECT_EQ(r[3].opcode, audioMasterEndEdit);
    }
    auto selectedOption = [&](double q) {
        effect->setParameterValue(kMode, q);
        int found = -1, n = 0;
        for (int i = 0; i < 3; ++i)
            if (control<ZDefRadio>(i)->selected()) found = i, ++n;
        for (int i = 0; i < 3; ++i) EXPECT_EQ(control<ZImgRadio>(3 + i)->selected(), found == i) << q;
        return n == 1 ? found : -1;
    };
    EXPECT_EQ(selectedOption(0.34), 1);
    EXPECT_EQ(selectedOption(1.0), 2);
    EXPECT_EQ(selectedOption(0.0), 0);
    EXPECT_EQ(selectedOption(2.0 / 6.0), 1);  // a band's low edge belongs to it
    for (int k = 0; k <= 100; ++k) EXPECT_NE(selectedOption(k / 100.0), -1) << k;

    // Ctrl-click sets the parameter's default, whichever radio is clicked.
    effect->setParameterValue(kMode, 0.9);
    press(20, 50, kMkControl);
    release(20, 50);
    EXPECT_DOUBLE_EQ(value(kMode), effect->parameter(kMode)->defaultValue());
}

TEST_F(MoreButtons, RadiosPaintTheirState)
{
    open(kRadios, 6);
    effect->setParameterValue(kMode, 0.5);
    paint();
    // Drawn radios: the label box in the box colour (on), the selected one with a disc in it, the
    // others with a cross in the cross colour.
    EXPECT_EQ(px(10 + 119, 10 + 12), kBlack);  // right edge column: background colour
    EXPECT_EQ(px(10 + 30, 10 + 3), kOn);  // label box
    EXPECT_EQ(px(10 + 12, 40 + 12), kOn);  // disc of option 1
    EXPECT_GT(count(kOff, 10, 10, 34, 34), 10);  // cross of option 0
    EXPECT_EQ(count(kOff, 10, 40, 34, 64), 0);
    // Holding a radio paints it in the held colour.
    press(20, 80);
    paint();
    EXPECT_EQ(px(10 + 30, 70 + 3), kHeld);
    EXPECT_EQ(px(10 + 12, 70 + 12), kHeld);  // now selected: a held disc
    release(20, 80);
    paint();
    EXPECT_EQ(px(10 + 30, 70 + 3), kOn);

    // Film-strip radios: frame 1 selected, 0 not, 2 while held with a 3-frame strip only.
    EXPECT_EQ(control<ZImgRadio>(3)->currentFrame(), 0);
    EXPECT_EQ(control<ZImgRadio>(5)->currentFrame(), 1);
    press(160, 20);
    EXPECT_EQ(control<ZImgRadio>(3)->currentFrame(), 2);
    release(160, 20);
    EXPECT_EQ(control<ZImgRadio>(3)->currentFrame(), 1);
    press(160, 80);
    EXPECT_EQ(control<ZImgRadio>(5)->currentFrame(), 1);  // two frames: no held look
    release(160, 80);
    // What is painted is the strip's frame over the snapshot.
    std::unique_ptr<ZBitmap> strip(makeGalleryImage("radio", 20, 20, 3));
    paint();
    EXPECT_EQ(px(160, 80), strip->pixels[1 * 400 + 10 * 20 + 10] & 0xFFFFFF);  // option 2 on (frame 1)
    EXPECT_EQ(px(160, 20), strip->pixels[0 * 400 + 10 * 20 + 10] & 0xFFFFFF);  // option 0 off (frame 0)
}

TEST_F(MoreButtons, TextSwitchAndDrawnSwitch)
{
    open("AddControl 1 10 10 100 30 ZTextSwitch Bypass Bypass font border off on held\n"
         "AddControl 1 10 50 160 24 ZDefSwitch Bypass font black off on held\n",
         2);
    paint();
    EXPECT_EQ(px(10, 10), kBorder);
    EXPECT_EQ(px(11, 11), kBorder);  // the 2-pixel border
    EXPECT_EQ(px(12, 12), kOff);  // the inner field: off
    EXPECT_GT(count(kOff, 10, 50, 34, 74), 10);  // a cross when off
    press(20, 20);
    EXPECT_EQ(value(kBypass), 1.0);
    paint();
    EXPECT_EQ(px(12, 12), kHeld);  // on and held
    EXPECT_EQ(window->capturedControl(), 0);
    release(20, 20);
    paint();
    EXPECT_EQ(px(12, 12), kOn);
    EXPECT_EQ(px(10 + 12, 50 + 12), kOn);  // a disc when on
    EXPECT_EQ(count(kOff, 10, 50, 34, 74), 0);
    // Holding the drawn switch paints label box and mark in the held colour.
    press(50, 60);
    paint();
    EXPECT_EQ(value(kBypass), 0.0);
    EXPECT_EQ(px(10 + 40, 50 + 3), kHeld);
    EXPECT_GT(count(kHeld, 10, 50, 34, 74), 10);  // the cross, held
    release(50, 60);
    paint();
    EXPECT_EQ(px(10 + 40, 50 + 3), kOn);
    EXPECT_STREQ(parameterTitle(effect.get(), kBypass), "Bypass effect");
    EXPECT_STREQ(parameterTitle(effect.get(), kTrigger), "Trigger");  // no caption: the name
    EXPECT_STREQ(parameterTitle(effect.get(), 99), "");
}

TEST_F(MoreButtons, TextButtonIsMomentaryWithoutEditBrackets)
{
    open("AddControl 1 10 10 100 30 ZTextButton Trigger Fire font border off on\n", 1);
    effect->setParameterValue(kTrigger, 1.0);
    paint();
    EXPECT_EQ(px(12, 12), kOn);  // already on by its value
    hostRequests().clear();
    press(20, 20);
    paint();
    EXPECT_EQ(px(12, 12), kOn);
    EXPECT_EQ(value(kTrigger), 1.0);
    auto r = editRequests();
    ASSERT_EQ(r.size(), 2u);  // automate the current value, then the new one; no begin or end
    for (const HostRequest& q : r) EXPECT_EQ(q.opcode, audioMasterAutomate);
    EXPECT_EQ(r[1].value, 1.0f);
    hostRequests().clear();
    release(200, 150);  // anywhere: the button holds the capture
    paint();
    EXPECT_EQ(value(kTrigger), 0.0);
    EXPECT_EQ(px(12, 12), kOff);
    r = editRequests();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].value, 1.0f);
    EXPECT_EQ(r[1].value, 0.0f);
    EXPECT_EQ(window->capturedControl(), -1);

    // The release sets 0.0 whatever happened to the value meanwhile; losing the capture releases.
    press(20, 20);
    effect->setParameterValue(kTrigger, 0.25);
    release(20, 20);
    EXPECT_EQ(value(kTrigger), 0.0);
    press(20, 20);
    HostWindow other;
    setCapture(other.handle());
    releaseCapture();
    EXPECT_EQ(value(kTrigger), 0.0);
    EXPECT_FALSE(control<ZTextButton>(0)->held);
}

TEST_F(MoreButtons, CommandsReportModifiersSeenAtPressOrRelease)
{
    open("AddControl 1 10 10 100 30 ZTextCommand Randomise Go font border off on\n"
         "AddControl 1 10 50 32 32 ZImgCommand clear command\n",
         2);
    paint();
    EXPECT_EQ(px(12, 12), kOff);  // up
    press(20, 20);
    paint();
    EXPECT_EQ(px(12, 12), kOn);  // down
    EXPECT_TRUE(effect->commandsRun.empty());
    release(250, 150, kMkShift);
    paint();
    EXPECT_EQ(px(12, 12), kOff);
    ASSERT_EQ(effect->commandsRun.size(), 1u);
    EXPECT_EQ(effect->commandsRun[0].id, GalleryEffect::kRandomise);
    EXPECT_TRUE(effect->commandsRun[0].shift);
    EXPECT_FALSE(effect->commandsRun[0].ctrl);

    press(20, 60, kMkControl);
    release(20, 60);
    ASSERT_EQ(effect->commandsRun.size(), 2u);
    EXPECT_EQ(effect->commandsRun[1].id, GalleryEffect::kClear);
    EXPECT_FALSE(effect->commandsRun[1].shift);
    EXPECT_TRUE(effect->commandsRun[1].ctrl);

    // The film strip: frame 1 while held.
    std::unique_ptr<ZBitmap> strip(makeGalleryImage("command", 32, 32, 2));
    press(20, 60);
    paint();
    EXPECT_EQ(px(10 + 16, 50 + 16), strip->pixels[32 * 32 + 16 * 32 + 16] & 0xFFFFFF);
    release(20, 60);
    paint();
    EXPECT_EQ(px(10 + 16, 50 + 16), strip->pixels[16 * 32 + 16] & 0xFFFFFF);
}

TEST_F(MoreButtons, LosingTheCaptureOnAHeldCommandRunsNothing)
{
    open("AddControl 1 10 10 100 30 ZTextCommand Randomise Go font border off on\n", 1);
    HostWindow other;
    press(20, 20);
    setCapture(other.handle());
    releaseCapture();
    paint();
    EXPECT_EQ(px(12, 12), kOff);
    release(20, 20);  // not held any more: no command either
    EXPECT_TRUE(effect->commandsRun.empty());
    press(20, 20);
    setFocus(other.handle());
    release(20, 20);
    EXPECT_TRUE(effect->commandsRun.empty());
}

TEST_F(MoreButtons, PageSelectorsChangeThePageOnPress)
{
    auto* probe = gui_test::place(new gui_test::ProbeControl(ZColour{1, 2, 3, 255}), 2, 200, 150, 20, 20);
    open("AddControl 0 10 10 80 24 ZTextPageSel 2 Two font border off on held\n"
         "AddControl 0 10 40 80 20 ZDefPageSel One 1 font off on held\n"
         "AddControl 0 100 10 22 22 ZImgPageSel pagesel 2\n",
         3, 3, {probe});
    paint();
    EXPECT_EQ(px(12, 12), kOff);  // page 1: the text selector of page 2 is normal
    EXPECT_EQ(px(10, 40), kOn);  // the drawn selector of page 1 is current
    EXPECT_EQ(control<ZImgPageSel>(2)->currentFrame(), 0);
    EXPECT_EQ(probe->count("prepare"), 0);

    press(20, 20);
    EXPECT_EQ(window->currentPage(), 2);  // before the release
    EXPECT_EQ(probe->count("prepare"), 1);
    EXPECT_EQ(probe->count("draw"), 0);
    paint();
    EXPECT_EQ(probe->count("draw"), 1);
    EXPECT_EQ(px(12, 12), kHeld);
    EXPECT_EQ(px(10, 40), kOff);
    EXPECT_EQ(control<ZImgPageSel>(2)->currentFrame(), 1);
    release(20, 20);
    paint();
    EXPECT_EQ(px(12, 12), kOn);
    EXPECT_EQ(window->capturedControl(), -1);

    // The drawn selector: held colour while held, over its whole rectangle.
    press(20, 50);
    EXPECT_EQ(window->currentPage(), 1);
    paint();
    EXPECT_EQ(px(10, 40), kHeld);
    EXPECT_EQ(px(89, 59), kHeld);
    release(20, 50);
    paint();
    EXPECT_EQ(px(10, 40), kOn);

    // The film strip: frame 2 while held (three frames).
    press(110, 20);
    EXPECT_EQ(control<ZImgPageSel>(2)->currentFrame(), 2);
    // A page selector keeps being held when the capture goes; the next release ends it.
    HostWindow other;
    setCapture(other.handle());
    releaseCapture();
    EXPECT_TRUE(control<ZImgPageSel>(2)->held);
    release(110, 20);
    EXPECT_FALSE(control<ZImgPageSel>(2)->held);
    EXPECT_EQ(control<ZImgPageSel>(2)->currentFrame(), 1);
}

TEST_F(MoreButtons, APageBeyondTheCountShowsFrameZeroAndItsOwnControls)
{
    auto* everyPage = gui_test::place(new gui_test::ProbeControl(ZColour{1, 2, 3, 255}), 0, 200, 100, 20, 20);
    auto* pageOne = gui_test::place(new gui_test::ProbeControl(ZColour{4, 5, 6, 255}), 1, 240, 100, 20, 20);
    auto* pageFive = gui_test::place(new gui_test::ProbeControl(ZColour{7, 8, 9, 255}), 5, 240, 140, 20, 20);
    open("AddControl 0 10 10 80 24 ZTextPageSel 5 Five font border off on held\n"
         "AddControl 0 10 40 80 24 ZTextPageSel 2 Two font border off on held\n",
         2, 2, {everyPage, pageOne, pageFive});
    press(20, 50);
    release(20, 50);
    paint();
    EXPECT_EQ(px(150, 150), backgroundPixel(1));
    press(20, 20);
    release(20, 20);
    EXPECT_EQ(window->currentPage(), 5);
    paint();
    EXPECT_EQ(px(150, 150), backgroundPixel(0));
    EXPECT_EQ(px(205, 105), 0x010203u);
    EXPECT_EQ(px(245, 145), 0x070809u);
    EXPECT_EQ(px(245, 105), backgroundPixel(0));  // page 1's control is not shown
    EXPECT_EQ(pageOne->count("prepare"), 1);  // only from the start page
    EXPECT_EQ(px(12, 12), kOn);
}

}  // namespace
