// The editor object: size, opening and closing, the idle throttle, repaints, lifetime.
#include "gui_test_support.h"

#include <chrono>
#include <thread>

#include "controls/credit_strip.h"

using namespace gui_test;
using namespace platform;

namespace {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        effect = makeEffect();
        editor = new ZEditor(effect.get());
        probe = place(new ProbeControl, 2, 10, 10, 20, 20);
        editor->setSkin(makeSkin(effect.get(), 402, 321, {probe}, 2));
        effect->setEditor(editor);  // owned by the effect from now on
        host.reset(new HostWindow);
    }
    void TearDown() override
    {
        effect.reset();
        host.reset();
    }
    WindowHandle editorHandle() { return editor->window()->handle(); }
    void processSomething()
    {
        float a[64] = {}, b[64] = {};
        float* in[2] = {a, b};
        float* out[2] = {a, b};
        effect->processReplacing(in, out, 64);
    }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<HostWindow> host;
    ZEditor* editor = nullptr;
    ProbeControl* probe = nullptr;
};

TEST_F(EditorTest, RectangleIsTheSkinPlusTheStrip)
{
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 321 + kCreditStripHeight);
    EXPECT_EQ(rect->right, 402);
    EXPECT_EQ(effect->dispatcher(effEditGetRect, 0, 0, &rect, 0.0f), 1);
    EXPECT_EQ(rect->bottom, 321 + kCreditStripHeight);
    EXPECT_TRUE(effect->getDescriptor()->flags & effFlagsHasEditor);
    EXPECT_EQ(editor->plugin(), effect.get());
    EXPECT_EQ(editor->effect(), effect.get());
}

TEST_F(EditorTest, OpenCloseAndOpenAgain)
{
    EXPECT_EQ(effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f), 1);
    EXPECT_TRUE(effect->isEditorOpen());
    ASSERT_TRUE(editor->window()->exists());
    EXPECT_EQ(parentWindow(editorHandle()), host->handle());
    int32_t x, y, w, h;
    ASSERT_TRUE(windowRect(editorHandle(), x, y, w, h));
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 402);
    EXPECT_EQ(h, 321 + kCreditStripHeight);
    editor->window()->setPage(2);
    WindowHandle first = editorHandle();
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_FALSE(effect->isEditorOpen());
    EXPECT_FALSE(isWindow(first));
    EXPECT_NE(editor->window(), nullptr);
    EXPECT_EQ(editor->window()->surface(), nullptr);
    EXPECT_TRUE(editor->isOpen());  // the parent is remembered
    const int prepared = probe->count("prepare");
    EXPECT_EQ(effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f), 1);
    EXPECT_TRUE(effect->isEditorOpen());
    EXPECT_EQ(editor->window()->currentPage(), 2);
    EXPECT_EQ(probe->count("prepare"), prepared + 1);  // page 2 is shown again
    // A failed creation is reported: the host shows no empty frame.
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    EXPECT_EQ(effect->dispatcher(effEditOpen, 0, 0, nullptr, 0.0f), 0);
    EXPECT_FALSE(editor->window()->exists());
    EXPECT_TRUE(effect->isEditorOpen());
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}

TEST_F(EditorTest, IdleRepaintsAtMostEvery40Milliseconds)
{
    effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
    updateWindow(editorHandle());
    // Nothing processed: idle does nothing.
    editor->idle();
    EXPECT_FALSE(needsPaint(editorHandle()));
    processSomething();
    EXPECT_TRUE(editor->redrawPending());
    EXPECT_FALSE(needsPaint(editorHandle()));  // processing only marks
    editor->idle();
    EXPECT_TRUE(needsPaint(editorHandle()));
    EXPECT_FALSE(editor->redrawPending());
    updateWindow(editorHandle());
    const int draws = probe->draws;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    editor->idle();
    EXPECT_FALSE(needsPaint(editorHandle()));
    // Processed again within the 40 ms: the repaint waits.
    processSomething();
    editor->idle();
    EXPECT_FALSE(needsPaint(editorHandle()));
    EXPECT_TRUE(editor->redrawPending());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    effect->dispatcher(effEditIdle, 0, 0, nullptr, 0.0f);
    EXPECT_TRUE(needsPaint(editorHandle()));
    updateWindow(editorHandle());
    EXPECT_EQ(probe->draws, draws);  // the probe is on page 2, page 1 is shown
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}

TEST_F(EditorTest, ParameterChangesRepaintAtOnce)
{
    effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
    updateWindow(editorHandle());
    effect->setParameter(SarvoEffect::kClip, 0.5f);
    EXPECT_TRUE(needsPaint(editorHandle()));
    updateWindow(editorHandle());
    effect->dispatcher(effSetProgram, 0, 3, nullptr, 0.0f);
    EXPECT_TRUE(needsPaint(editorHandle()));
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
}

TEST_F(EditorTest, DestroyingTheEffectWithTheEditorOpenDestroysTheWindow)
{
    effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
    WindowHandle h = editorHandle();
    ASSERT_TRUE(isWindow(h));
    effect.reset();
    EXPECT_FALSE(isWindow(h));
}

#if defined(SARVO_WIN32)
// Where GetGuiResources does not answer (Wine), the slot a new GDI object gets tells whether the
// table of GDI objects has grown: freed slots are handed out again first.
int32_t gdiSlot()
{
    HBRUSH probe = CreateSolidBrush(0);
    const int32_t slot = static_cast<int32_t>(reinterpret_cast<std::uintptr_t>(probe) & 0xFFFF);
    DeleteObject(probe);
    return slot;
}
#endif

TEST_F(EditorTest, ThousandOpeningsLeaveNothingBehind)
{
    effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
    effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    const int32_t gdi = gdiObjectCount();
#if defined(SARVO_WIN32)
    const int32_t slot = gdiSlot();
#else
    const int32_t windows = headless::windowCount();
#endif
    for (int i = 0; i < 1000; ++i) {
        effect->dispatcher(effEditOpen, 0, 0, host->handle(), 0.0f);
        updateWindow(editorHandle());
        effect->dispatcher(effEditClose, 0, 0, nullptr, 0.0f);
    }
    pumpMessages();
    if (gdi >= 0) {
        EXPECT_LE(gdiObjectCount(), gdi + 2);
    }
#if defined(SARVO_WIN32)
    EXPECT_LT(gdiSlot() - slot, 64) << "GDI objects left behind by the openings";
#else
    EXPECT_EQ(headless::windowCount(), windows);
#endif
}

TEST(EditorWithoutSkin, NullSkinGivesNoWindow)
{
    std::unique_ptr<SarvoEffect> effect = makeEffect();
    ZEditor editor(effect.get());
    editor.setSkin(nullptr);
    EXPECT_EQ(editor.window(), nullptr);
    ERect* rect = nullptr;
    EXPECT_TRUE(editor.getRect(&rect));
    EXPECT_EQ(rect->bottom, 0);
    EXPECT_FALSE(editor.open(nullptr));
    editor.close();
    editor.idle();
    editor.redrawNow();
}

}  // namespace
