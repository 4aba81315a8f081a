// The editor window: size and place, painting, pages, the hit test, the capture and its loss.
#include "gui_test_support.h"

#include "controls/credit_strip.h"

using namespace gui_test;
using namespace platform;

namespace {

class EditorWindowTest : public ::testing::Test {
protected:
    void SetUp() override { effect = makeEffect(); }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }

    // Binds a skin of 200 x 150 with the controls and opens the window in the host.
    void open(std::vector<ZControl*> controls, int32_t pages = 1, ZImageResource* background = nullptr)
    {
        ZSkin* skin = makeSkin(effect.get(), 200, 150, std::move(controls), pages);
        if (background) addBackground(skin, background);
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(skin);
        host.reset(new HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
    }
    WindowHandle h() { return window->handle(); }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
};

TEST_F(EditorWindowTest, ChildAtTheTopLeftCornerWithTheCreditStrip)
{
    auto* probe = place(new ProbeControl, 1, 10, 10, 20, 20);
    open({probe});
    int32_t x, y, w, hh;
    ASSERT_TRUE(windowRect(h(), x, y, w, hh));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 200);
    EXPECT_EQ(hh, 162);
    ASSERT_TRUE(clientSize(h(), w, hh));
    EXPECT_EQ(w, 200);
    EXPECT_EQ(hh, 162);
    EXPECT_EQ(parentWindow(h()), host->handle());
    EXPECT_TRUE(isWindowVisible(h()));
    ASSERT_NE(window->surface(), nullptr);
    EXPECT_EQ(window->surface()->width(), 200);
    EXPECT_EQ(window->surface()->height(), 162);
    // Binding: attach then reset; creating: prepare with the surface clipped to the control.
    ASSERT_GE(probe->calls.size(), 2u);
    EXPECT_EQ(probe->calls[0].what, "reset");
    EXPECT_EQ(probe->window, window.get());
    EXPECT_EQ(probe->count("prepare"), 1);
    EXPECT_EQ(probe->preparedClip.x, 10);
    EXPECT_EQ(probe->preparedClip.y, 10);
    EXPECT_EQ(probe->preparedClip.w, 20);
    EXPECT_EQ(probe->preparedClip.h, 20);
    // The snapshot holds what was under the control, opaque.
    ASSERT_NE(probe->snapshot(), nullptr);
    EXPECT_EQ(probe->snapshot()->pixels[0] >> 24, 0xFFu);
}

TEST_F(EditorWindowTest, PaintDrawsEveryControlAndCopiesTheSurface)
{
    auto* a = place(new ProbeControl(ZColour{255, 0, 0, 255}), 1, 10, 10, 20, 20);
    auto* b = place(new ProbeControl(ZColour{0, 0, 255, 255}), 0, 100, 50, 30, 10);
    open({a, b}, 1, gradientBackground(200, 150, 1));
    updateWindow(h());
    pumpMessages();
    EXPECT_GE(a->draws, 1);
    EXPECT_GE(b->draws, 1);
    EXPECT_FALSE(needsPaint(h()));
    const ZSurface& s = *window->surface();
    EXPECT_EQ(pixel(s, 15, 15), 0xFF0000u);
    EXPECT_EQ(pixel(s, 110, 55), 0x0000FFu);
    EXPECT_EQ(pixel(s, 60, 100), (uint32_t(60 * 255 / 200) << 16) | (uint32_t(100 * 255 / 150) << 8));
    EXPECT_EQ(pixel(s, 1, 151), 0u);  // the strip is black
    int32_t w, hh;
    const std::vector<uint32_t> shown = windowPicture(h(), w, hh);
    ASSERT_EQ(w, 200);
    ASSERT_EQ(hh, 162);
    if (screenIsTrueColour()) {
        int differences = 0;
        for (int32_t y = 0; y < hh; ++y)
            for (int32_t x = 0; x < w; ++x) differences += shown[y * w + x] != pixel(s, x, y);
        EXPECT_EQ(differences, 0);
    }
}

TEST_F(EditorWindowTest, InvalidateAndPaintSuppression)
{
    open({place(new ProbeControl, 1, 0, 0, 5, 5)});
    updateWindow(h());
    EXPECT_FALSE(needsPaint(h()));
    window->invalidate();
    EXPECT_TRUE(needsPaint(h()));
    updateWindow(h());
    window->setPaintSuppressed(true);
    EXPECT_TRUE(window->paintSuppressed());
    window->invalidate();
    EXPECT_FALSE(needsPaint(h()));
    window->setPaintSuppressed(false);  // invalidates
    EXPECT_TRUE(needsPaint(h()));
    // Without a window, nothing happens.
    window->destroy();
    window->invalidate();
    EXPECT_EQ(window->surface(), nullptr);
}

TEST_F(EditorWindowTest, PagesFilterDrawingAndTheMouse)
{
    auto* page1 = place(new ProbeControl(ZColour{255, 0, 0, 255}), 1, 10, 10, 20, 20);
    auto* page2 = place(new ProbeControl(ZColour{0, 255, 0, 255}), 2, 10, 10, 20, 20);
    auto* always = place(new ProbeControl(ZColour{0, 0, 255, 255}), 0, 50, 10, 20, 20);
    open({page1, page2, always}, 2, gradientBackground(200, 150, 2));
    ZSkin* skin = window->skin();
    skin->pageFrames[1] = 1;
    updateWindow(h());
    EXPECT_EQ(page2->count("prepare"), 0);
    EXPECT_EQ(page2->draws, 0);
    EXPECT_GE(always->draws, 1);
    page1->capture = page2->capture = false;
    mouse(h(), kWmLeftButtonDown, 15, 15);
    EXPECT_EQ(page1->count("leftDown"), 1);
    EXPECT_EQ(page2->count("leftDown"), 0);

    window->setPage(2);
    window->invalidate();
    updateWindow(h());
    EXPECT_EQ(window->currentPage(), 2);
    EXPECT_EQ(page2->count("prepare"), 1);
    EXPECT_GE(page2->draws, 1);
    EXPECT_EQ(pixel(*window->surface(), 15, 15), 0x00FF00u);
    // Page 2 shows frame 1 of the background (blue byte 97).
    EXPECT_EQ(pixel(*window->surface(), 100, 100) & 0xFF, 97u);
    mouse(h(), kWmLeftButtonDown, 15, 15);
    EXPECT_EQ(page1->count("leftDown"), 1);
    EXPECT_EQ(page2->count("leftDown"), 1);
    mouse(h(), kWmLeftButtonDown, 55, 15);
    EXPECT_EQ(always->count("leftDown"), 1);

    // Page 0 shows every control.
    window->setPage(0);
    EXPECT_EQ(page1->count("prepare"), 2);
    EXPECT_EQ(page2->count("prepare"), 2);
}

TEST_F(EditorWindowTest, HitTestIncludesRightAndBottomEdgesAndPrefersTheEarlierControl)
{
    auto* first = place(new ProbeControl, 1, 10, 10, 20, 20);
    auto* second = place(new ProbeControl, 1, 25, 25, 20, 20);
    open({first, second});
    first->capture = second->capture = false;
    mouse(h(), kWmLeftButtonDown, 30, 30, kMkShift);  // corner of first, inside second
    ASSERT_EQ(first->count("leftDown"), 1);
    EXPECT_EQ(second->count("leftDown"), 0);
    EXPECT_EQ(first->last("leftDown")->x, 20);
    EXPECT_EQ(first->last("leftDown")->y, 20);
    EXPECT_TRUE(first->last("leftDown")->shift);
    EXPECT_FALSE(first->last("leftDown")->ctrl);
    mouse(h(), kWmRightButtonDown, 31, 30, kMkControl);
    EXPECT_EQ(second->count("rightDown"), 1);
    EXPECT_EQ(second->last("rightDown")->x, 6);
    EXPECT_TRUE(second->last("rightDown")->ctrl);
    mouse(h(), kWmMouseMove, 45, 45);
    EXPECT_EQ(second->count("mouseMove"), 1);
    mouse(h(), kWmMouseMove, 46, 45);
    mouse(h(), kWmLeftButtonUp, 9, 9);
    EXPECT_EQ(second->count("mouseMove"), 1);
    EXPECT_EQ(first->count("leftUp") + second->count("leftUp"), 0);
    EXPECT_EQ(window->capturedControl(), -1);
    // A press gives the editor window the focus.
    EXPECT_EQ(focusWindow(), h());
}

TEST_F(EditorWindowTest, CaptureKeepsTheControlUntilItsRelease)
{
    auto* target = place(new ProbeControl, 1, 10, 10, 20, 20);
    auto* other = place(new ProbeControl, 1, 100, 10, 20, 20);
    open({target, other});
    target->release = false;
    mouse(h(), kWmLeftButtonDown, 12, 12);
    EXPECT_EQ(window->capturedControl(), 0);
    EXPECT_EQ(captureWindow(), h());
    mouse(h(), kWmMouseMove, 105, 15);  // over the other control: still the captured one
    EXPECT_EQ(target->count("mouseMove"), 1);
    EXPECT_EQ(target->last("mouseMove")->x, 95);
    EXPECT_EQ(other->count("mouseMove"), 0);
    // A second press goes to the captured control and changes nothing.
    mouse(h(), kWmRightButtonDown, 110, 15);
    EXPECT_EQ(target->count("rightDown"), 1);
    EXPECT_EQ(window->capturedControl(), 0);
    // A release that answers false keeps the capture; one that answers true ends it.
    mouse(h(), kWmLeftButtonUp, 150, 140);
    EXPECT_EQ(window->capturedControl(), 0);
    target->release = true;
    mouse(h(), kWmLeftButtonUp, -20, 300);
    EXPECT_EQ(target->count("leftUp"), 2);
    EXPECT_EQ(target->last("leftUp")->x, -30);
    EXPECT_EQ(target->last("leftUp")->y, 290);
    EXPECT_EQ(window->capturedControl(), -1);
    EXPECT_NE(captureWindow(), h());
    EXPECT_EQ(target->count("cancel"), 0);  // an ended gesture is not cancelled
}

TEST_F(EditorWindowTest, LosingCaptureOrFocusCancels)
{
    auto* target = place(new ProbeControl, 1, 10, 10, 20, 20);
    open({target});
    HostWindow other;
    mouse(h(), kWmLeftButtonDown, 12, 12);
    ASSERT_EQ(window->capturedControl(), 0);
    setCapture(other.handle());
    EXPECT_EQ(target->count("cancel"), 1);
    EXPECT_EQ(window->capturedControl(), -1);
    EXPECT_EQ(captureWindow(), other.handle());  // the other window keeps what it took
    releaseCapture();

    mouse(h(), kWmLeftButtonDown, 12, 12);
    ASSERT_EQ(window->capturedControl(), 0);
    setFocus(other.handle());
    EXPECT_EQ(target->count("cancel"), 2);
    EXPECT_EQ(window->capturedControl(), -1);
    EXPECT_NE(captureWindow(), h());
    // Nothing captured: nothing to cancel.
    setFocus(h());
    setFocus(other.handle());
    EXPECT_EQ(target->count("cancel"), 2);
}

TEST_F(EditorWindowTest, ReopeningKeepsThePageAndRebuildsTheSurface)
{
    auto* probe = place(new ProbeControl, 2, 10, 10, 20, 20);
    open({probe}, 3);
    window->setPage(2);
    window->destroy();
    EXPECT_EQ(window->surface(), nullptr);
    EXPECT_EQ(window->currentPage(), 2);
    ASSERT_NE(window->create(host->handle()), nullptr);
    EXPECT_EQ(window->currentPage(), 2);
    ASSERT_NE(window->surface(), nullptr);
    EXPECT_EQ(probe->count("prepare"), 2);
    // Rebuilding at the same size keeps the surface and redraws.
    ZSurface* before = window->surface();
    window->rebuildSurface();
    EXPECT_EQ(window->surface(), before);
    EXPECT_EQ(probe->count("prepare"), 3);
}

// Lit pixels of the strip rows, left of `split` and from it on.
struct StripInk {
    int left = 0;
    int right = 0;
};

StripInk stripInk(const ZSurface& s, int32_t top, int32_t split)
{
    StripInk ink;
    for (int32_t y = top; y < top + 12; ++y)
        for (int32_t x = 0; x < s.width(); ++x) {
            const uint32_t p = pixel(s, x, y);
            EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF) << "grey text on black only";
            if (p) (x < split ? ink.left : ink.right)++;
        }
    return ink;
}

TEST_F(EditorWindowTest, CreditStripFitsItsTexts)
{
    // Text widths as the strip measures them.
    ZSurface* measure = ZSurface::create(nullptr, 8, 8);
    ZDefFont* font = ZDefFont::create(12, ZColour{127, 127, 127, 255});
    ASSERT_NE(measure, nullptr);
    ASSERT_NE(font, nullptr);
    const int32_t names = font->textWidth(measure, "ONDX Sarvo");
    const int32_t longForm = font->textWidth(measure, kCopyrightLong);
    const int32_t shortForm = font->textWidth(measure, kCopyrightShort);
    delete font;
    delete measure;
    EXPECT_EQ(std::string(kCopyrightLong).size(), 23u);
    EXPECT_EQ(std::string(kCopyrightShort).size(), 18u);
    if (longForm <= 0 || shortForm <= 0 || names <= 0) GTEST_SKIP() << "no text renderer here";
    ASSERT_LT(shortForm, longForm);

    struct Case {
        int32_t width;
        bool names;
        int32_t form;  // copyright width drawn, 0 for none
    };
    const Case cases[] = {
        {names + longForm + 4 + 20, true, longForm},  // everything
        {names + longForm + 4, false, longForm},  // names and long form do not fit together
        {longForm + 4, false, shortForm},  // long form does not fit: the short one
        {shortForm + 4, false, 0},  // nothing fits
        {8, false, 0},
    };
    for (const Case& c : cases) {
        ZEditorWindow w(effect.get());
        w.bindSkin(makeSkin(effect.get(), c.width, 20, {}));
        HostWindow parent;
        ASSERT_NE(w.create(parent.handle()), nullptr);
        // The copyright is drawn right-aligned in the text rectangle (x 2, width - 4 wide).
        const int32_t split = c.form ? c.width - 2 - c.form : c.width;
        const StripInk ink = stripInk(*w.surface(), 20, split);
        EXPECT_EQ(ink.left > 0, c.names) << c.width;
        EXPECT_EQ(ink.right > 0, c.form > 0) << c.width;
    }
}

}  // namespace

namespace {

// Draws anti-aliased, translucent shapes over its snapshot.
class ShapeControl : public ZControl {
public:
    ShapeControl() : ZControl(nullptr) {}
    void reset() override {}
    void prepare(ZSurface& s) override { takeSnapshot(s); }
    void draw(ZSurface& s) override
    {
        restoreSnapshot(s);
        s.fillDisc(ZColour{250, 200, 20, 180}, width / 2.0, height / 2.0, height / 2.5);
        const ZPointD line[] = {{1.5, 2.0}, {width - 3.0, height / 3.0}, {width / 3.0, height - 2.5}};
        s.drawPolyline(ZColour{30, 220, 240, 128}, line, 3);
        s.fillRect(ZColour{255, 255, 255, 64}, width - 10, 0, 10, height);
    }
};

// FNV-1a of the pixels above the credit strip (the strip holds text, which each platform renders
// with its own font engine).
uint64_t pictureHash(const std::vector<uint32_t>& pixels, int32_t width, int32_t rows)
{
    uint64_t h = 1469598103934665603ull;
    for (int32_t i = 0; i < width * rows; ++i) {
        h ^= pixels[i] & 0xFFFFFFu;
        h *= 1099511628211ull;
    }
    return h;
}

TEST(EditorRendering, SamePicturesOnEveryPlatform)
{
    std::unique_ptr<SarvoEffect> effect = makeEffect();
    ZEditorWindow window(effect.get());
    ZSkin* skin = makeSkin(effect.get(), 160, 120,
                           {place(new ShapeControl, 1, 10, 10, 70, 50), place(new ShapeControl, 0, 60, 40, 90, 70)});
    addBackground(skin, gradientBackground(160, 120, 1));
    window.bindSkin(skin);
    HostWindow host;
    ASSERT_NE(window.create(host.handle()), nullptr);
    updateWindow(window.handle());
    pumpMessages();
    const ZSurface& s = *window.surface();
    const std::vector<uint32_t> offscreen(s.pixels(), s.pixels() + s.width() * s.height());
    // The same value natively and in both Windows builds: the drawing is the system's own arithmetic.
    EXPECT_EQ(pictureHash(offscreen, 160, 120), 2289975173643959320ull);
    int32_t w, h;
    const std::vector<uint32_t> shown = windowPicture(window.handle(), w, h);
    ASSERT_EQ(w, 160);
    ASSERT_EQ(h, 132);
    if (screenIsTrueColour()) {
        EXPECT_EQ(pictureHash(shown, 160, 132), pictureHash(offscreen, 160, 132));
    }
}

}  // namespace
