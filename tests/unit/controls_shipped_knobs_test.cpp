// The built-in skin's knobs, value texts and switch: the parsed skin, what each control shows, when
// it repaints, and the mouse and keyboard through the editor window.
#include "gui_test_support.h"

#include <cstring>

#include "effect_editor/graph.h"
#include "controls/img_pot.h"
#include "controls/img_switch.h"
#include "controls/value.h"
#include "controls/wave.h"
#include "gui/text_entry.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin_parser.h"

#if defined(SARVO_WIN32)
#include <chrono>
#include <thread>
#endif

using namespace gui_test;
using namespace platform;

namespace {

constexpr int32_t kGain = SarvoEffect::kGain;
constexpr int32_t kClip = SarvoEffect::kClip;
constexpr int32_t kOversample = SarvoEffect::kOversample;

// Indices of the built-in skin's controls.
enum { kGainPot = 0, kClipPot = 1, kSoftPot = 2, kGainValue = 3, kClipValue = 4, kSoftValue = 5, kSwitch = 6 };

constexpr uint32_t kMarker = 0x00FF00FFu;

// The built-in skin in an open editor window on the recording host.
class ShippedSkinTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        effect = makeEffect();
        SarvoSkinFactory factory(effect.get());
        ZSkin* skin = parseModuleSkin(&factory);
        ASSERT_NE(skin, nullptr);
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(skin);
        host.reset(new HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
        ASSERT_NE(window->surface(), nullptr);
        window->drawControls();
        hostRequests().clear();
    }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }

    ZControl* control(int i) const { return window->skin()->controls[static_cast<size_t>(i)]; }
    ZSurface& surface() const { return *window->surface(); }

    // The surface under a control's rectangle.
    std::vector<uint32_t> area(int i) const
    {
        const ZControl* c = control(i);
        std::vector<uint32_t> out;
        for (int32_t y = c->y; y < c->y + c->height; ++y)
            for (int32_t x = c->x; x < c->x + c->width; ++x) out.push_back(pixel(surface(), x, y));
        return out;
    }
    // Marks one pixel inside a control; a repaint of the control removes the mark.
    void mark(int i) { surface().pixels()[(control(i)->y + 1) * surface().width() + control(i)->x + 1] = kMarker; }
    bool marked(int i) const { return pixel(surface(), control(i)->x + 1, control(i)->y + 1) == kMarker; }

    void click(int32_t x, int32_t y, uint32_t keys = 0)
    {
        mouse(window->handle(), kWmLeftButtonDown, x, y, keys);
        mouse(window->handle(), kWmLeftButtonUp, x, y, keys);
    }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
};

TEST_F(ShippedSkinTest, ParsesCompletelyIntoItsTenControls)
{
    const ZSkin& skin = *window->skin();
    EXPECT_EQ(skin.width, 402);
    EXPECT_EQ(skin.height, 321);
    EXPECT_EQ(skin.pageCount, 1);
    EXPECT_EQ(skin.resources.size(), 10u);
    ASSERT_NE(skin.background, nullptr);
    ASSERT_EQ(skin.controls.size(), 10u);
    for (int i = kGainPot; i <= kSoftPot; ++i) {
        auto* pot = dynamic_cast<ZImgPot*>(control(i));
        ASSERT_NE(pot, nullptr) << i;
        EXPECT_EQ(pot->parameterIndex, i);
        EXPECT_EQ(pot->image, lookupImage(&skin, "bigpot"));
        auto* value = dynamic_cast<ZValue*>(control(kGainValue + i));
        ASSERT_NE(value, nullptr) << i;
        EXPECT_EQ(value->parameterIndex, i);
        EXPECT_EQ(value->font, lookupFont(&skin, "font")->font);
    }
    auto* sw = dynamic_cast<ZImgSwitch*>(control(kSwitch));
    ASSERT_NE(sw, nullptr);
    EXPECT_EQ(sw->parameterIndex, kOversample);
    auto* left = dynamic_cast<ZWave*>(control(7));
    auto* right = dynamic_cast<ZWave*>(control(8));
    ASSERT_NE(left, nullptr);
    ASSERT_NE(right, nullptr);
    EXPECT_EQ(left->source.history, effect->findFeature("HistoryL")->data());
    EXPECT_EQ(right->source.history, effect->findFeature("HistoryR")->data());
    EXPECT_EQ(left->source.levelA, effect->findFeature("ClipLevel")->data());
    EXPECT_EQ(left->source.levelB, nullptr);
    EXPECT_EQ(left->source.colour1, &lookupColour(&skin, "back")->colour);
    EXPECT_EQ(left->source.colour2, &lookupColour(&skin, "fore")->colour);
    EXPECT_EQ(left->source.axis, &lookupColour(&skin, "axis")->colour);
    EXPECT_EQ(left->mid, 46);
    EXPECT_DOUBLE_EQ(left->scale, 46.5);
    auto* graph = dynamic_cast<SarvoGraph*>(control(9));
    ASSERT_NE(graph, nullptr);
    EXPECT_EQ(graph->pointCount, 36);
    EXPECT_EQ(graph->colour, &lookupColour(&skin, "lt")->colour);
}

TEST_F(ShippedSkinTest, KnobFramesFollowTheKnobPosition)
{
    EXPECT_EQ(ZImgPot::frameFor(0.0, 91), 0);
    EXPECT_EQ(ZImgPot::frameFor(0.5, 91), 45);
    EXPECT_EQ(ZImgPot::frameFor(1.0, 91), 90);
    // Out-of-range positions never leave the strip.
    EXPECT_EQ(ZImgPot::frameFor(1.7, 91), 90);
    EXPECT_EQ(ZImgPot::frameFor(-0.2, 91), 0);
    EXPECT_EQ(ZImgPot::frameFor(0.5, 0), 0);

    auto* pot = static_cast<ZImgPot*>(control(kGainPot));
    const std::vector<uint32_t> atZero = area(kGainPot);
    effect->setParameterValue(kGain, 1.0);
    window->drawControls();
    EXPECT_EQ(pot->lastFrame, 90);
    EXPECT_NE(area(kGainPot), atZero);
    // Gain's 121 values share the 91 frames.
    effect->setParameterValue(kGain, 60.0 / 120.0);
    window->drawControls();
    EXPECT_EQ(pot->lastFrame, 45);
}

TEST_F(ShippedSkinTest, ATinyDragThatKeepsTheFrameDoesNotRepaintTheKnob)
{
    auto* pot = static_cast<ZImgPot*>(control(kGainPot));
    // Gain steps 2 and 3 of 120 share frame 2.
    effect->setParameterValue(kGain, 2.0 / 120.0);
    window->drawControls();
    ASSERT_EQ(pot->lastFrame, 2);
    mouse(window->handle(), kWmLeftButtonDown, 40, 40);
    window->drawControls();
    mark(kGainPot);
    mouse(window->handle(), kWmMouseMove, 40, 39);  // one pixel up: +0.01
    EXPECT_NEAR(effect->knobPosition(kGain), 3.0 / 120.0, 1e-12);
    window->drawControls();
    EXPECT_TRUE(marked(kGainPot)) << "same frame: the knob is not drawn again";
    mouse(window->handle(), kWmMouseMove, 40, 38);  // step 4: frame 3
    window->drawControls();
    EXPECT_FALSE(marked(kGainPot));
    EXPECT_EQ(pot->lastFrame, 3);
    mouse(window->handle(), kWmLeftButtonUp, 40, 38);
    // Nothing changed: no control draws anything.
    window->drawControls();
    for (int i = 0; i < 10; ++i) mark(i);
    window->drawControls();
    for (int i = 0; i < 10; ++i) EXPECT_TRUE(marked(i)) << i;
}

TEST_F(ShippedSkinTest, PageChangeAndNewSurfaceRedrawAnUnchangedKnob)
{
    const std::vector<uint32_t> shown = area(kClipPot);
    window->setPage(1);  // paints the page background over every control
    window->drawControls();
    EXPECT_EQ(area(kClipPot), shown);
    window->destroy();
    ASSERT_NE(window->create(host->handle()), nullptr);
    window->drawControls();
    EXPECT_EQ(area(kClipPot), shown);
    // Without a redraw of the knob the background alone would show there.
    auto* pot = static_cast<ZImgPot*>(control(kClipPot));
    window->fullRedraw();
    const std::vector<uint32_t> bare = area(kClipPot);
    EXPECT_NE(bare, shown);
    EXPECT_TRUE(pot->dirty);
}

TEST_F(ShippedSkinTest, CtrlClickShowsTheDefaultFrameAtTheNextPaint)
{
    const std::vector<uint32_t> atDefault = area(kClipPot);  // Clip 100 %
    effect->setParameterValue(kClip, 0.25);
    window->drawControls();
    EXPECT_NE(area(kClipPot), atDefault);
    click(110, 30, kMkControl);
    EXPECT_DOUBLE_EQ(effect->parameterValue(kClip), 1.0);
    window->drawControls();
    EXPECT_EQ(area(kClipPot), atDefault);
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_FLOAT_EQ(r[1].value, 0.25f);
    EXPECT_FLOAT_EQ(r[2].value, 1.0f);
    EXPECT_EQ(r[3].opcode, audioMasterEndEdit);
}

TEST_F(ShippedSkinTest, TheSwitchFlipsOversamplingAndShowsItsFrame)
{
    auto* sw = static_cast<ZImgSwitch*>(control(kSwitch));
    const std::vector<uint32_t> off = area(kSwitch);
    EXPECT_EQ(sw->lastFrame, 0);
    // Two frames: the pressed state already shows the new state.
    mouse(window->handle(), kWmLeftButtonDown, 100, 290);
    EXPECT_TRUE(effect->oversampling());
    window->drawControls();
    EXPECT_EQ(sw->lastFrame, 1);
    const std::vector<uint32_t> on = area(kSwitch);
    EXPECT_NE(on, off);
    mouse(window->handle(), kWmLeftButtonUp, 100, 290);
    window->drawControls();
    EXPECT_EQ(area(kSwitch), on);
    click(100, 290);
    EXPECT_FALSE(effect->oversampling());
    window->drawControls();
    EXPECT_EQ(area(kSwitch), off);
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_EQ(r[0].index, kOversample);
    EXPECT_FLOAT_EQ(r[2].value, 1.0f);
    EXPECT_EQ(r[3].opcode, audioMasterEndEdit);
    EXPECT_FLOAT_EQ(r[6].value, 0.0f);
}

// Strips whose frames are solid colours: frame f is red 10 * (f + 1).
ZImageResource* solidStrip(int32_t w, int32_t h, int32_t frames)
{
    ZBitmap* image = new ZBitmap(w, h * frames);
    for (int32_t i = 0; i < w * h * frames; ++i)
        image->pixels[i] = 0xFF000000u | (uint32_t(10 * (i / (w * h) + 1)) << 16);
    return new ZImageResource(image, w, h, frames);
}

TEST_F(ShippedSkinTest, ThreeFrameSwitchShowsFrameTwoWhileHeldAndLongerStripsStopAtOne)
{
    for (const int32_t frames : {3, 4}) {
        std::unique_ptr<ZImageResource> strip(solidStrip(20, 10, frames));
        auto* sw = place(new ZImgSwitch(effect.get(), kOversample, strip.get()), 1, 10, 10, 20, 10);
        ZEditorWindow w(effect.get());
        w.bindSkin(makeSkin(effect.get(), 60, 40, {sw}));
        ASSERT_NE(w.create(host->handle()), nullptr);
        effect->setParameterValue(kOversample, 0.0);
        auto shown = [&] {
            w.drawControls();
            return (pixel(*w.surface(), 15, 15) >> 16) / 10 - 1;  // frame number from the red level
        };
        EXPECT_EQ(shown(), 0u);
        mouse(w.handle(), kWmLeftButtonDown, 15, 15);
        EXPECT_EQ(shown(), frames == 3 ? 2u : 1u) << frames << " frames, held";
        mouse(w.handle(), kWmLeftButtonUp, 15, 15);
        EXPECT_EQ(shown(), 1u) << frames << " frames, released";
        mouse(w.handle(), kWmLeftButtonDown, 15, 15);
        EXPECT_EQ(shown(), frames == 3 ? 2u : 0u);
        mouse(w.handle(), kWmLeftButtonUp, 15, 15);
        EXPECT_EQ(shown(), 0u);
        w.destroy();
    }
}

TEST_F(ShippedSkinTest, ValueTextsRedrawWhenTheKnobPositionMoves)
{
    auto* value = static_cast<ZValue*>(control(kGainValue));
    const std::vector<uint32_t> before = area(kGainValue);
    effect->setParameterValue(kGain, 0.5);
    window->drawControls();
    EXPECT_DOUBLE_EQ(value->lastValue, 0.5);
    EXPECT_NE(area(kGainValue), before);
    mark(kGainValue);
    window->drawControls();
    EXPECT_TRUE(marked(kGainValue));
    effect->setParameterValue(kGain, 0.0);
    window->drawControls();
    EXPECT_EQ(area(kGainValue), before);
}

#if defined(SARVO_WIN32)
void pressKey(uint32_t key)
{
    INPUT in[2] = {};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = static_cast<WORD>(key);
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    for (int i = 0; i < 20; ++i) {
        pumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
#else
void pressKey(uint32_t key)
{
    headless::keystroke(key, false);
    headless::keystroke(key, true);
}
#endif

TEST_F(ShippedSkinTest, ClickingAValueOpensTheEntryAndEnterSetsTheParameter)
{
    auto* value = static_cast<ZValue*>(control(kGainValue));
    click(40, 66);
    EXPECT_EQ(window->capturedControl(), -1) << "the value does not capture the mouse";
    ZTextEntry* entry = value->textEntry();
    ASSERT_NE(entry, nullptr);
    ASSERT_TRUE(entry->exists());
    EXPECT_TRUE(isWindowVisible(entry->handle()));
    EXPECT_EQ(focusWindow(), entry->handle());
    EXPECT_TRUE(window->paintSuppressed());
    char text[64] = {};
    windowText(entry->handle(), text, sizeof text);
    EXPECT_STREQ(text, "0.0");
    int32_t ex = 0, ey = 0, ew = 0, eh = 0;
    ASSERT_TRUE(windowRect(entry->handle(), ex, ey, ew, eh));
    EXPECT_EQ(ex, 16);
    EXPECT_EQ(ey, 61);
    EXPECT_EQ(ew, 56);
    EXPECT_EQ(eh, 14);

    // The whole text is selected: typing replaces it.
    pressKey('6');
    pressKey(kVkReturn);
    EXPECT_FALSE(entry->exists());
    EXPECT_FALSE(window->paintSuppressed());
    EXPECT_NEAR(effect->parameterValue(kGain), 0.5, 1e-12);
    EXPECT_STREQ(effect->displayText(kGain), "6.0 dB");
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 2u) << "automation before and after, no begin or end";
    EXPECT_FLOAT_EQ(r[0].value, 0.0f);
    EXPECT_FLOAT_EQ(r[1].value, 0.5f);
    window->drawControls();
    EXPECT_DOUBLE_EQ(value->lastValue, 0.5);

    // A second value's click while one is open: the first commits, the second opens.
    click(40, 66);
    ASSERT_TRUE(entry->exists());
    click(115, 66);
    EXPECT_FALSE(entry->exists());
    EXPECT_NEAR(effect->parameterValue(kGain), 0.5, 1e-12);
    ZTextEntry* clipEntry = static_cast<ZValue*>(control(kClipValue))->textEntry();
    ASSERT_TRUE(clipEntry->exists());
    windowText(clipEntry->handle(), text, sizeof text);
    EXPECT_STREQ(text, "100");
    pressKey(kVkEscape);
    EXPECT_FALSE(clipEntry->exists());
    EXPECT_DOUBLE_EQ(effect->parameterValue(kClip), 1.0);
}

}  // namespace
