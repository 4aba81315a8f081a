// The pot and switch behaviours with their host requests, and the composite's routing.
#include "gui_test_support.h"

using namespace gui_test;
using namespace platform;

namespace {

class TestPot : public ZPotControl {
public:
    using ZPotControl::ZPotControl;
    void draw(ZSurface&) override { dirty = false; }
};

class TestSwitch : public ZSwitchControl {
public:
    using ZSwitchControl::ZSwitchControl;
    void draw(ZSurface&) override { dirty = false; }
};

constexpr int32_t kGain = SarvoEffect::kGain;
constexpr int32_t kClip = SarvoEffect::kClip;
constexpr int32_t kOversample = SarvoEffect::kOversample;

class ControlTest : public ::testing::Test {
protected:
    void SetUp() override { effect = makeEffect(); }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }
    // An open editor window over a skin with these controls.
    void open(std::vector<ZControl*> controls)
    {
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(makeSkin(effect.get(), 200, 150, std::move(controls)));
        host.reset(new HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
        hostRequests().clear();
    }
    double value(int32_t index) { return effect->parameterValue(index); }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
};

TEST_F(ControlTest, PotDragArithmetic)
{
    TestPot pot(effect.get(), kGain);
    pot.reset();
    struct Case {
        int32_t dx, dy;
        bool shift;
        double expected;
    };
    const Case cases[] = {
        {0, -50, false, 0.7},  // 50 px up
        {0, -50, true, 0.25},  // with shift
        {30, 0, false, 0.275},  // 30 px right
        {0, 40, false, 0.0},  // down past the bottom
        {-40, 0, false, 0.1},  // 40 px left
        {-80, -10, false, 0.1},  // mixed: -0.2 + 0.1
    };
    for (const Case& c : cases) {
        effect->setParameterValue(kGain, 0.2);
        ASSERT_TRUE(pot.leftDown(false, false, 10, 60));
        pot.mouseMove(c.shift, false, 10 + c.dx, 60 + c.dy);
        EXPECT_NEAR(value(kGain), c.expected, 1e-12) << c.dx << "," << c.dy << (c.shift ? " shift" : "");
        EXPECT_TRUE(pot.leftUp(false, false, 0, 0));
    }
}

TEST_F(ControlTest, PotStopsAtTheEndsWithoutStoringTheOvershoot)
{
    TestPot pot(effect.get(), kGain);
    pot.reset();
    effect->setParameterValue(kGain, 0.8);
    pot.leftDown(false, false, 0, 100);
    pot.mouseMove(false, false, 0, 50);  // +0.5
    EXPECT_DOUBLE_EQ(value(kGain), 1.0);
    pot.mouseMove(false, false, 0, 60);  // 10 px back down lowers at once
    EXPECT_NEAR(value(kGain), 0.9, 1e-12);
    pot.leftUp(false, false, 0, 60);
    // Moving without a press does nothing.
    pot.mouseMove(false, false, 0, 0);
    EXPECT_NEAR(value(kGain), 0.9, 1e-12);
    EXPECT_FALSE(pot.leftUp(false, false, 0, 0));
}

TEST_F(ControlTest, PotGestureTellsTheHost)
{
    auto* pot = place(new TestPot(effect.get(), kGain), 1, 20, 20, 42, 44);
    open({pot});
    effect->setParameterValue(kGain, 0.2);
    hostRequests().clear();
    mouse(window->handle(), kWmLeftButtonDown, 30, 40);
    for (int step = 1; step <= 5; ++step) mouse(window->handle(), kWmMouseMove, 30, 40 - 10 * step);
    mouse(window->handle(), kWmLeftButtonUp, 30, -10);
    EXPECT_NEAR(value(kGain), 0.7, 1e-12);
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 8u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(r[i].opcode, audioMasterAutomate) << i;
        EXPECT_NEAR(r[i].value, 0.2f + 0.1f * (i - 1), 1e-6) << i;
    }
    EXPECT_EQ(r[7].opcode, audioMasterEndEdit);
    for (const HostRequest& q : r) EXPECT_EQ(q.index, kGain);
    EXPECT_EQ(window->capturedControl(), -1);
}

TEST_F(ControlTest, PotCtrlClickSetsTheDefaultAndDoesNotDrag)
{
    TestPot pot(effect.get(), kClip);
    pot.reset();
    effect->setParameterValue(kClip, 0.3);
    hostRequests().clear();
    ASSERT_TRUE(pot.leftDown(false, true, 5, 5));
    EXPECT_DOUBLE_EQ(value(kClip), effect->parameter(kClip)->defaultValue());
    EXPECT_DOUBLE_EQ(value(kClip), 1.0);
    pot.mouseMove(false, false, 5, -50);
    EXPECT_DOUBLE_EQ(value(kClip), 1.0);
    EXPECT_TRUE(pot.leftUp(false, false, 5, -50));
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_NEAR(r[1].value, 0.3f, 1e-6);
    EXPECT_FLOAT_EQ(r[2].value, 1.0f);
    EXPECT_EQ(r[3].opcode, audioMasterEndEdit);
}

TEST_F(ControlTest, CaptureLossEndsAPotEditButNotASwitch)
{
    auto* pot = place(new TestPot(effect.get(), kGain), 1, 10, 10, 20, 20);
    auto* sw = place(new TestSwitch(effect.get(), kOversample), 1, 100, 10, 60, 20);
    open({pot, sw});
    HostWindow other;

    mouse(window->handle(), kWmLeftButtonDown, 15, 15);
    ASSERT_TRUE(pot->held);
    setCapture(other.handle());
    EXPECT_FALSE(pot->held);
    EXPECT_FALSE(pot->dragging);
    ASSERT_FALSE(editRequests().empty());
    EXPECT_EQ(editRequests().back().opcode, audioMasterEndEdit);
    releaseCapture();

    hostRequests().clear();
    mouse(window->handle(), kWmLeftButtonDown, 120, 15);
    ASSERT_TRUE(sw->held);
    setFocus(other.handle());
    EXPECT_TRUE(sw->held);  // keeps its edit open
    for (const HostRequest& q : editRequests()) EXPECT_NE(q.opcode, audioMasterEndEdit);
    // Until a release reaches it.
    mouse(window->handle(), kWmLeftButtonUp, 120, 15);
    EXPECT_FALSE(sw->held);
    EXPECT_EQ(editRequests().back().opcode, audioMasterEndEdit);
}

TEST_F(ControlTest, EffectDestroyedDuringADrag)
{
    auto* pot = place(new TestPot(effect.get(), kGain), 1, 10, 10, 20, 20);
    ZEditor* editor = new ZEditor(effect.get());
    editor->setSkin(makeSkin(effect.get(), 200, 150, {pot}));
    effect->setEditor(editor);
    host.reset(new HostWindow);
    effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
    const WindowHandle h = editor->window()->handle();
    mouse(h, kWmLeftButtonDown, 15, 15);
    mouse(h, kWmMouseMove, 15, 5);
    ASSERT_EQ(captureWindow(), h);
    hostRequests().clear();
    effect.reset();
    EXPECT_FALSE(isWindow(h));
    EXPECT_NE(captureWindow(), h);
    EXPECT_TRUE(editRequests().empty());  // nothing reaches a host that is closing the effect
}

TEST_F(ControlTest, SwitchTogglesOnTheKnobPosition)
{
    TestSwitch sw(effect.get(), kOversample);
    sw.reset();
    effect->setParameterValue(kOversample, 1.0);
    hostRequests().clear();
    ASSERT_TRUE(sw.leftDown(false, false, 0, 0));
    EXPECT_EQ(value(kOversample), 0.0);
    EXPECT_TRUE(sw.leftUp(false, false, 0, 0));
    const std::vector<HostRequest> r = editRequests();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_FLOAT_EQ(r[1].value, 1.0f);
    EXPECT_FLOAT_EQ(r[2].value, 0.0f);
    EXPECT_EQ(r[3].opcode, audioMasterEndEdit);

    effect->setParameterValue(kOversample, 0.4);  // knob position 0
    sw.leftDown(false, false, 0, 0);
    EXPECT_EQ(value(kOversample), 1.0);
    sw.leftUp(false, false, 0, 0);
    // Ctrl: the default (off).
    sw.leftDown(false, true, 0, 0);
    EXPECT_EQ(value(kOversample), effect->parameter(kOversample)->defaultValue());
    sw.leftUp(false, false, 0, 0);
    EXPECT_FALSE(sw.leftUp(false, false, 0, 0));
    sw.cancel();
    EXPECT_FALSE(sw.held);
}

TEST_F(ControlTest, NoHostCallbackMeansNoRequests)
{
    SarvoEffect quiet(nullptr);
    TestPot pot(&quiet, kGain);
    pot.reset();
    quiet.setParameterValue(kGain, 0.5);
    pot.leftDown(false, false, 0, 0);
    pot.mouseMove(false, false, 0, -10);
    pot.leftUp(false, false, 0, 0);
    EXPECT_NEAR(quiet.parameterValue(kGain), 0.6, 1e-12);
    // A bad parameter index changes nothing and asks nothing.
    TestPot stray(effect.get(), 99);
    stray.reset();
    hostRequests().clear();
    stray.leftDown(false, false, 0, 0);
    stray.mouseMove(false, false, 0, -10);
    stray.leftUp(false, false, 0, 0);
    EXPECT_TRUE(editRequests().empty());
}

// A composite of probe children with absolute rectangles.
class TestComposite : public ZCompositeControl {
public:
    using ZCompositeControl::ZCompositeControl;
    void reset() override {}
};

TEST(ControlComposite, RoutesToChildrenByTheWindowsRules)
{
    TestComposite box(nullptr);
    place(&box, 1, 100, 50, 60, 20);
    auto* a = place(new ProbeControl, 1, 100, 50, 20, 20);
    auto* b = place(new ProbeControl, 1, 120, 50, 20, 20);  // shares the column x = 120 with a
    box.addChild(a);
    box.addChild(b);
    a->capture = b->capture = false;
    // The shared edge belongs to the earlier child.
    EXPECT_FALSE(box.leftDown(false, false, 20, 5));
    EXPECT_EQ(a->count("leftDown"), 1);
    EXPECT_EQ(a->last("leftDown")->x, 20);
    EXPECT_EQ(a->last("leftDown")->y, 5);
    EXPECT_EQ(b->count("leftDown"), 0);
    box.leftDown(false, false, 21, 5);
    EXPECT_EQ(b->count("leftDown"), 1);
    EXPECT_EQ(b->last("leftDown")->x, 1);
    // Outside every child: false, nobody called.
    EXPECT_FALSE(box.leftDown(false, false, 55, 5));

    // A child that captures keeps every call until its release.
    b->capture = true;
    b->release = false;
    EXPECT_TRUE(box.leftDown(true, false, 30, 5));
    EXPECT_EQ(box.capturedChild, 1);
    EXPECT_FALSE(box.leftDown(false, false, 2, 2));  // to the captured child, false for the window
    EXPECT_EQ(b->count("leftDown"), 3);
    EXPECT_EQ(a->count("leftDown"), 1);
    box.mouseMove(false, false, -100, 0);
    EXPECT_EQ(b->last("mouseMove")->x, -120);
    EXPECT_FALSE(box.leftUp(false, false, -100, 0));
    EXPECT_EQ(box.capturedChild, 1);
    b->release = true;
    EXPECT_TRUE(box.leftUp(false, false, -100, 0));
    EXPECT_EQ(box.capturedChild, -1);

    // Cancel reaches only a captured child.
    box.cancel();
    EXPECT_EQ(b->count("cancel"), 0);
    box.leftDown(false, false, 30, 5);
    box.cancel();
    EXPECT_EQ(b->count("cancel"), 1);
    EXPECT_EQ(box.capturedChild, -1);
}

TEST(ControlComposite, DrawsChildrenClippedToTheirRectangles)
{
    std::unique_ptr<ZSurface> surface(ZSurface::create(nullptr, 100, 60));
    ASSERT_NE(surface, nullptr);
    TestComposite box(nullptr);
    place(&box, 1, 10, 10, 80, 40);
    auto* a = place(new ProbeControl(ZColour{255, 0, 0, 255}), 1, 10, 10, 30, 20);
    auto* b = place(new ProbeControl(ZColour{0, 255, 0, 255}), 1, 95, 10, 30, 20);  // sticks out
    box.addChild(a);
    box.addChild(b);
    surface->setClip(box.x, box.y, box.width, box.height);
    box.prepare(*surface);
    EXPECT_EQ(a->preparedClip.x, 10);
    EXPECT_EQ(b->preparedClip.x, 95);
    EXPECT_EQ(b->preparedClip.w, 5);  // cut at the surface
    box.draw(*surface);
    EXPECT_EQ(pixel(*surface, 39, 29), 0xFF0000u);
    EXPECT_EQ(pixel(*surface, 40, 29), 0u);
    EXPECT_EQ(pixel(*surface, 99, 10), 0x00FF00u);
    // Children get the composite's window.
    ZEditorWindow window(nullptr);
    box.attach(&window);
    EXPECT_EQ(a->window, &window);
    auto* c = place(new ProbeControl, 1, 0, 0, 1, 1);
    box.addChild(c);
    EXPECT_EQ(c->window, &window);
}

TEST(ControlSnapshot, CopiesTheBackgroundOpaqueAndRestoresIt)
{
    std::unique_ptr<ZSurface> surface(ZSurface::create(nullptr, 40, 30));
    ASSERT_NE(surface, nullptr);
    for (int i = 0; i < 40 * 30; ++i) surface->pixels()[i] = 0x00123456u + i;
    ProbeControl probe;
    place(&probe, 1, 5, 6, 10, 8);
    surface->setClip(5, 6, 10, 8);
    probe.prepare(*surface);
    ASSERT_NE(probe.snapshot(), nullptr);
    EXPECT_EQ(probe.snapshot()->width, 10);
    EXPECT_EQ(probe.snapshot()->pixels[0], 0xFF000000u | (0x00123456u + 6 * 40 + 5));
    // A control that does not fit in the clip keeps no snapshot.
    place(&probe, 1, 35, 6, 10, 8);
    surface->setClip(35, 6, 10, 8);
    probe.prepare(*surface);
    EXPECT_EQ(probe.snapshot(), nullptr);
}

}  // namespace
