// The wave displays: envelope columns, rounding and clamping, axis and level lines, when they
// redraw, the zoom slider, and the picture of a bypassed effect.
#include "gui_test_support.h"

#include <atomic>
#include <cmath>
#include <algorithm>
#include <cstring>

#include "controls/wave.h"
#include "dsp/history.h"

using namespace gui_test;

namespace {

const ZColour kBack{65, 75, 85, 255};
const ZColour kFore{110, 125, 130, 255};
const ZColour kAxis{125, 145, 160, 255};
const ZColour kHandle{20, 30, 40, 255};
const ZColour kHeld{200, 30, 40, 255};
constexpr uint32_t kBackPx = 0x414B55u;
constexpr uint32_t kForePx = 0x6E7D82u;
constexpr uint32_t kAxisPx = 0x7D91A0u;

uint32_t backgroundAt(int32_t x, int32_t y) { return 0x000A0A0Au + static_cast<uint32_t>((x * 7 + y * 13) % 50); }

// A history where every push completes an entry (a rate below 20 Hz gives entries of one frame).
struct OneFrameHistory {
    ZHistory history;
    OneFrameHistory() { history.configure(10.0); }
    void add(double inMin, double inMax, double outMin, double outMax)
    {
        history.push(inMin, outMin);
        // The entry's maxima, set directly (one-frame entries have min = max).
        history.inputMax[history.indexBack(0)].store(inMax);
        history.outputMax[history.indexBack(0)].store(outMax);
    }
};

// A display drawn on a patterned surface of its own size.
class WaveTest : public ::testing::Test {
protected:
    void SetUp() override { effect = makeEffect(); }

    void makeSurface(int32_t w, int32_t h)
    {
        surface.reset(ZSurface::create(nullptr, w, h));
        ASSERT_NE(surface, nullptr);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x) surface->pixels()[y * w + x] = backgroundAt(x, y);
    }
    std::unique_ptr<ZWave> wave(int32_t w, int32_t h, const std::atomic<double>* a, const std::atomic<double>* b)
    {
        makeSurface(w, h);
        std::unique_ptr<ZWave> d(new ZWave(effect.get(), &data.history, a, b, &kBack, &kFore, &kAxis));
        place(d.get(), 1, 0, 0, w, h);
        d->reset();
        d->prepare(*surface);
        d->draw(*surface);
        return d;
    }
    uint32_t at(int32_t x, int32_t y) const { return pixel(*surface, x, y); }
    // Rows of a column in one colour, as "first..last" pairs.
    std::vector<int32_t> rowsOf(int32_t x, uint32_t colour) const
    {
        std::vector<int32_t> rows;
        for (int32_t y = 0; y < surface->height(); ++y)
            if (at(x, y) == colour) rows.push_back(y);
        return rows;
    }
    static std::vector<int32_t> range(int32_t first, int32_t last, std::vector<int32_t> except = {})
    {
        std::vector<int32_t> out;
        for (int32_t y = first; y <= last; ++y)
            if (std::find(except.begin(), except.end(), y) == except.end()) out.push_back(y);
        return out;
    }
    bool redraws(ZControl& d)
    {
        const uint32_t before = surface->pixels()[0];
        surface->pixels()[0] = 0x00FF00FF;
        d.draw(*surface);
        const bool drawn = (surface->pixels()[0] & 0xFFFFFF) != 0x00FF00FF;
        surface->pixels()[0] = before;
        return drawn;
    }

    std::unique_ptr<SarvoEffect> effect;
    OneFrameHistory data;
    std::unique_ptr<ZSurface> surface;
};

TEST_F(WaveTest, EmptyHistoryDrawsTheAxisAndTheLevelLinesOnly)
{
    std::atomic<double> level{0.5};
    auto d = wave(136, 93, &level, nullptr);
    EXPECT_EQ(d->mid, 46);
    for (int32_t y = 0; y < 93; ++y)
        for (int32_t x = 0; x < 136; ++x) {
            // Axis at 46; level 0.5: round(46.5 * 0.5) = 23 rows either side; level B absent = 0.
            const bool line = y == 46 || y == 23 || y == 69;
            ASSERT_EQ(at(x, y), line ? kAxisPx : backgroundAt(x, y)) << x << "," << y;
        }
}

TEST_F(WaveTest, ColumnsRunNewestAtTheRightWithRoundedAndClampedRows)
{
    // Oldest first: entry j has its own height; the newest is a full-scale overload.
    for (int j = 0; j < 300; ++j) data.add(-0.5, 0.5, -0.25, 0.25);
    data.add(-2.0, 3.0, -1.0, 1.0);
    data.add(-0.01, 0.0, 0.0, 0.0);
    std::atomic<double> level{2.0};  // above 1: no level lines
    auto d = wave(136, 93, &level, nullptr);
    // Newest (a tiny negative input): -0.465 rounds to 0 rows.
    EXPECT_TRUE(rowsOf(135, kBackPx).empty());
    // One back: input and output beyond full scale fill the column 0..92.
    EXPECT_EQ(rowsOf(134, kForePx), range(0, 92, {46}));
    // Two back: input rows 23..68 (23.25 rounds to 23), output 34..57 (11.625 to 12) over it.
    EXPECT_EQ(rowsOf(133, kBackPx), range(23, 68, range(34, 57)));
    EXPECT_EQ(rowsOf(133, kForePx), range(34, 57, {46}));
    EXPECT_EQ(rowsOf(0, kForePx), range(34, 57, {46}));
    EXPECT_EQ(rowsOf(0, kAxisPx), std::vector<int32_t>{46});
}

TEST_F(WaveTest, AHistoryShorterThanTheDisplayLeavesItsLeftPart)
{
    for (int j = 0; j < 300; ++j) data.add(-0.5, 0.5, -0.25, 0.25);
    auto d = wave(320, 93, nullptr, nullptr);
    for (int32_t x = 0; x < 20; ++x)
        for (int32_t y = 0; y < 93; ++y) ASSERT_EQ(at(x, y), y == 46 ? kAxisPx : backgroundAt(x, y)) << x << "," << y;
    EXPECT_EQ(rowsOf(20, kForePx), range(34, 57, {46}));
    EXPECT_EQ(rowsOf(319, kForePx), range(34, 57, {46}));
}

TEST_F(WaveTest, OnlyTheNewestWidthEntriesAreShown)
{
    // Entry j (0 oldest .. 349 newest) reaches j / 1000 of full scale upwards.
    for (int j = 0; j < 350; ++j) data.add(0.0, j / 1000.0, 0.0, 0.0);
    auto d = wave(136, 93, nullptr, nullptr);
    for (int32_t x = 0; x < 136; ++x) {
        const int j = 349 - (135 - x);
        const int32_t top = 46 - static_cast<int32_t>(46.5 * (j / 1000.0) + 0.5);
        EXPECT_EQ(rowsOf(x, kBackPx), range(top, 45)) << x;
    }
}

TEST_F(WaveTest, LevelLines)
{
    std::atomic<double> a{1.5}, b{0.0}, zero{0.0};
    auto d = wave(100, 60, &a, nullptr);
    EXPECT_EQ(rowsOf(50, kAxisPx), std::vector<int32_t>{30}) << "a level above 1 draws no lines";
    const std::vector<uint32_t> absent(surface->pixels(), surface->pixels() + 100 * 60);
    d = wave(100, 60, &a, &b);
    EXPECT_TRUE(std::equal(absent.begin(), absent.end(), surface->pixels())) << "absent level B is level 0";
    // A level of 0 draws both lines on the axis; 1.0 reaches the edges (the lower one falls outside).
    a = 1.0;
    d = wave(100, 60, &a, &zero);
    EXPECT_EQ(rowsOf(50, kAxisPx), (std::vector<int32_t>{0, 30}));
    a = -0.1;
    d = wave(100, 60, &a, &zero);
    EXPECT_EQ(rowsOf(50, kAxisPx), std::vector<int32_t>{30}) << "a negative level draws nothing";
}

TEST_F(WaveTest, RedrawsOnNewEntriesAndLevelChangesOnly)
{
    std::atomic<double> level{0.5};
    auto d = wave(50, 40, &level, nullptr);
    EXPECT_FALSE(redraws(*d));
    level = 0.5009;
    EXPECT_FALSE(redraws(*d));
    level = 0.502;
    EXPECT_TRUE(redraws(*d));
    data.add(0.1, 0.2, 0.1, 0.2);
    EXPECT_TRUE(redraws(*d));
    EXPECT_FALSE(redraws(*d));
    d->prepare(*surface);
    EXPECT_TRUE(redraws(*d));
    // A history emptied by closing the editor redraws (the count went back to 0).
    data.history.clear();
    EXPECT_TRUE(redraws(*d));
}

TEST_F(WaveTest, BypassShowsEqualInputAndOutputBounds)
{
    auto render = [&](bool bypass) {
        effect.reset(new SarvoEffect(&recordingHost));
        effect->setSampleRate(44100.0f);
        effect->setParameterValue(SarvoEffect::kGain, 1.0);  // 12 dB into
        effect->setParameterValue(SarvoEffect::kClip, 0.5);  // a 50 % clip
        effect->setBypass(bypass);
        effect->editorOpened();
        std::vector<float> left(2205 * 20), right(left.size());
        for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = 0.4f * std::sin(0.05 * i);
        float* io[2] = {left.data(), right.data()};
        effect->processReplacing(io, io, static_cast<VstInt32>(left.size()));
        const ZHistory& h = effect->engine().historyL;
        EXPECT_EQ(h.entriesWritten.load(), 20);
        for (int k = 0; k < 20; ++k) {
            const int i = h.indexBack(k);
            EXPECT_EQ(h.inputMinAt(i) == h.outputMinAt(i) && h.inputMaxAt(i) == h.outputMaxAt(i), bypass) << k;
        }
        makeSurface(136, 93);
        ZWave d(effect.get(), &h, static_cast<const std::atomic<double>*>(effect->findFeature("ClipLevel")->data()),
                nullptr, &kBack, &kFore, &kAxis);
        place(&d, 1, 0, 0, 136, 93);
        d.reset();
        d.prepare(*surface);
        d.draw(*surface);
        int backPixels = 0;
        for (int32_t y = 0; y < 93; ++y)
            for (int32_t x = 0; x < 136; ++x) backPixels += at(x, y) == kBackPx;
        return backPixels;
    };
    EXPECT_EQ(render(true), 0) << "the output covers the input exactly";
    EXPECT_GT(render(false), 20 * 30) << "the input shows above and below the clipped output";
}

// ---------------------------------------------------------------- zoom

TEST(WaveZoom, FastLogarithm)
{
    EXPECT_EQ(fastLog2(1.0), 0.0);
    EXPECT_EQ(fastLog2(2.0), 1.0);
    EXPECT_EQ(fastLog2(1024.0), 10.0);
    EXPECT_EQ(fastLog2(0.25), -2.0);
    EXPECT_NEAR(fastLog2(10.0), 3.323660714285715, 1e-12);
    EXPECT_NEAR(fastLog2(3.0), std::log2(3.0), 0.01);
    EXPECT_TRUE(std::isinf(fastLog2(0.0)) && fastLog2(0.0) < 0);
    EXPECT_TRUE(std::isinf(fastLog2(1e-310)) && fastLog2(1e-310) < 0) << "subnormal";
}

class ZoomTest : public WaveTest {
protected:
    void SetUp() override
    {
        WaveTest::SetUp();
        font.reset(ZDefFont::create(12, ZColour{255, 255, 255, 255}));
        ASSERT_NE(font, nullptr);
        zoom.reset(new ZZoomWave(effect.get(), &data.history, &level, nullptr, &kBack, &kFore, &kAxis, font.get(),
                                 &kHandle, &kHeld));
        place(zoom.get(), 1, 0, 0, 136, 109);
        zoom->reset();
        makeSurface(136, 109);
        zoom->prepare(*surface);
        zoom->draw(*surface);
    }
    int32_t handleOffset() const { return zoom->handle.left - zoom->handleRest.left; }

    std::atomic<double> level{0.5};
    std::unique_ptr<ZDefFont> font;
    std::unique_ptr<ZZoomWave> zoom;
};

TEST_F(ZoomTest, LayoutAndTheHandleAtOneX)
{
    EXPECT_EQ(zoom->waveArea.bottom, 93);
    EXPECT_EQ(zoom->sliderStrip.top, 93);
    EXPECT_EQ(zoom->sliderStrip.bottom, 109);
    EXPECT_EQ(zoom->trackLength, 95);
    EXPECT_EQ(zoom->mid, 46);
    EXPECT_STREQ(zoom->zoomText, "1.00x");
    EXPECT_EQ(handleOffset(), 47);  // round(L(10) * 95 / L(99.99999850988391)) = round(47.49)
    EXPECT_EQ(zoom->handle.top, 94);
    EXPECT_EQ(zoom->handle.right - zoom->handle.left, 39);
    // The handle is drawn in its colour (its corner is clear of the text).
    EXPECT_EQ(at(zoom->handle.left, zoom->handle.top), 0x141E28u);
    EXPECT_EQ(at(zoom->handle.left - 1, zoom->handle.top), backgroundAt(zoom->handle.left - 1, zoom->handle.top));
    EXPECT_EQ(rowsOf(3, kAxisPx), (std::vector<int32_t>{23, 46, 69}));
}

TEST_F(ZoomTest, TheSliderSetsTheZoomFromTheColumn)
{
    struct Case {
        int32_t x;
        const char* text;
        int32_t offset;
    };
    const Case cases[] = {
        {20, "0.10x", 0}, {0, "0.10x", 0}, {115, "10.00x", 95}, {135, "10.00x", 95}, {67, "0.98x", 47},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(zoom->leftDown(false, false, c.x, 100)) << c.x;
        EXPECT_STREQ(zoom->zoomText, c.text) << c.x;
        EXPECT_EQ(handleOffset(), c.offset) << c.x;
        EXPECT_TRUE(zoom->leftUp(false, false, c.x, 100));
    }
    // Dragging follows the mouse while held, in float arithmetic: 100^0.5 * 0.1.
    zoom->leftDown(false, false, 20, 100);
    zoom->mouseMove(false, false, 20 + 95 / 2, 10);  // the row does not matter while dragging
    EXPECT_NEAR(zoom->zoom, std::pow(100.0f, 47.0f / 95.0f) * 0.1f, 1e-6);
    zoom->leftUp(false, false, 0, 0);
    const float dragged = zoom->zoom;
    zoom->mouseMove(false, false, 115, 100);
    EXPECT_EQ(zoom->zoom, dragged) << "no change without a press";
    EXPECT_FALSE(zoom->leftUp(false, false, 0, 0));
}

TEST_F(ZoomTest, CtrlClickReturnsToOneXAndShowsTheHeldHandle)
{
    zoom->leftDown(false, false, 115, 100);
    zoom->leftUp(false, false, 115, 100);
    zoom->draw(*surface);
    ASSERT_STREQ(zoom->zoomText, "10.00x");
    ASSERT_TRUE(zoom->leftDown(false, true, 5, 95));
    EXPECT_STREQ(zoom->zoomText, "1.00x");
    EXPECT_EQ(zoom->sliderState, ZZoomWave::kResetByCtrlClick);
    zoom->mouseMove(false, false, 115, 100);
    EXPECT_STREQ(zoom->zoomText, "1.00x") << "a ctrl-click does not drag";
    zoom->draw(*surface);
    EXPECT_EQ(at(zoom->handle.left, zoom->handle.top), 0xC81E28u);
    zoom->leftUp(false, true, 5, 95);
    zoom->draw(*surface);
    EXPECT_EQ(at(zoom->handle.left, zoom->handle.top), 0x141E28u);
    EXPECT_EQ(handleOffset(), 47);
}

TEST_F(ZoomTest, ClicksAboveTheStripAreNotCaptured)
{
    auto* z = place(new ZZoomWave(effect.get(), &data.history, &level, nullptr, &kBack, &kFore, &kAxis, font.get(),
                                  &kHandle, &kHeld),
                    1, 10, 10, 136, 109);
    ZEditorWindow window(effect.get());
    window.bindSkin(makeSkin(effect.get(), 200, 150, {z}));
    HostWindow host;
    ASSERT_NE(window.create(host.handle()), nullptr);
    mouse(window.handle(), platform::kWmLeftButtonDown, 10 + 60, 10 + 92);  // last row of the wave area
    EXPECT_EQ(window.capturedControl(), -1);
    EXPECT_STREQ(z->zoomText, "1.00x");
    mouse(window.handle(), platform::kWmLeftButtonUp, 10 + 60, 10 + 92);
    mouse(window.handle(), platform::kWmLeftButtonDown, 10 + 115, 10 + 93);
    EXPECT_EQ(window.capturedControl(), 0);
    EXPECT_STREQ(z->zoomText, "10.00x");
    mouse(window.handle(), platform::kWmLeftButtonUp, 10 + 300, 10 + 200);  // released anywhere
    EXPECT_EQ(window.capturedControl(), -1);
    window.destroy();
}

TEST_F(ZoomTest, TheZoomScalesTheEnvelopeAndTheLevelLines)
{
    data.add(-0.1, 0.1, -0.05, 0.05);
    zoom->setZoom(10.0f);
    zoom->draw(*surface);
    // 10 x 0.1 x 46.5 = 46.5 rounds to 47: past the edges, held at 0 and 93.
    EXPECT_EQ(rowsOf(135, kBackPx), range(0, 92, range(23, 68)));
    EXPECT_EQ(rowsOf(135, kForePx), range(23, 68, {46}));
    EXPECT_EQ(rowsOf(3, kAxisPx), std::vector<int32_t>{46}) << "level lines beyond the wave area are not drawn";
    zoom->setZoom(0.5f);
    zoom->draw(*surface);
    EXPECT_EQ(rowsOf(3, kAxisPx), (std::vector<int32_t>{34, 46, 58}));  // round(0.5 * 0.5 * 46.5) = 12
}

}  // namespace
