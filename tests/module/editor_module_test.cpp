// The editor through the loaded plug-in module, as a host opens, idles and closes it.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>
#include <thread>
#include <cstdlib>

#include "controls/credit_strip.h"

#include "win32_host_window.h"

namespace {

class EditorModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        RecordingHost::instance().clear();
        RecordingHost::instance().versionAnswer = 2400;
        RecordingHost::instance().answer = nullptr;
    }
};

#if defined(SARVO_WIN32)

// WM_COMMAND messages that reached the host's window.
std::vector<std::pair<WPARAM, LPARAM>>& hostCommands()
{
    static std::vector<std::pair<WPARAM, LPARAM>> commands;
    return commands;
}

LRESULT CALLBACK hostProc(HWND h, UINT m, WPARAM w, LPARAM l)
{
    if (m == WM_COMMAND) {
        hostCommands().emplace_back(w, l);
        return 0x77;
    }
    return DefWindowProcA(h, m, w, l);
}

// The host's editor frame: one top-level window for the whole program.
HWND hostFrame()
{
    static HWND frame = hostWindow("SarvoModuleTestHost", &hostProc, WS_OVERLAPPEDWINDOW, 30, 30, 600, 500);
    return frame;
}

HWND editorChild(HWND parent) { return GetWindow(parent, GW_CHILD); }

bool invalid(HWND h) { return GetUpdateRect(h, nullptr, FALSE) != 0; }

// What the window shows, read back from its device context.
std::vector<uint32_t> picture(HWND h)
{
    int width = 0;
    return windowPixels(h, width);
}

void process(Instance& fx)
{
    float a[256] = {}, b[256] = {};
    float* io[2] = {a, b};
    fx->processReplacing(fx.effect(), io, io, 256);
}

TEST_F(EditorModuleTest, OpenIdleAndCloseThroughTheDispatcher)
{
    Instance fx;
    ASSERT_NE(fx.effect(), nullptr);
    ASSERT_TRUE(fx->flags & effFlagsHasEditor) << "no editor: the built-in skin did not parse";
    ERect* rect = nullptr;
    ASSERT_EQ(fx.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 321 + kCreditStripHeight);
    EXPECT_EQ(rect->right, 402);

    HWND parent = hostFrame();
    ASSERT_NE(parent, nullptr);
    ASSERT_EQ(editorChild(parent), nullptr);
    EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, parent), 1);
    HWND editor = editorChild(parent);
    ASSERT_NE(editor, nullptr);
    RECT r;
    GetWindowRect(editor, &r);
    MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, 402);
    EXPECT_EQ(r.bottom - r.top, 321 + kCreditStripHeight);
    char name[128] = {};
    GetClassNameA(editor, name, sizeof name);
    EXPECT_EQ(std::string(name).rfind("ZWinClass_", 0), 0u) << name;

    // Two idle calls 10 ms apart after processing repaint once.
    UpdateWindow(editor);
    EXPECT_FALSE(invalid(editor));
    fx.dispatch(effEditIdle);
    EXPECT_FALSE(invalid(editor));  // nothing processed yet
    process(fx);
    std::this_thread::sleep_for(std::chrono::milliseconds(45));
    fx.dispatch(effEditIdle);
    EXPECT_TRUE(invalid(editor));
    UpdateWindow(editor);
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    fx.dispatch(effEditIdle);
    EXPECT_FALSE(invalid(editor));
    // A parameter change from the host repaints without an idle call.
    fx->setParameter(fx.effect(), 1, 0.5f);
    EXPECT_TRUE(invalid(editor));
    UpdateWindow(editor);

    // WM_COMMAND arrives at the host's window unchanged, and the host's answer comes back.
    hostCommands().clear();
    EXPECT_EQ(SendMessageA(editor, WM_COMMAND, 0x00010005, 0x1234), 0x77);
    ASSERT_EQ(hostCommands().size(), 1u);
    EXPECT_EQ(hostCommands()[0].first, static_cast<WPARAM>(0x00010005));
    EXPECT_EQ(hostCommands()[0].second, static_cast<LPARAM>(0x1234));

    UpdateWindow(editor);
    const std::vector<uint32_t> shown = picture(editor);
    EXPECT_TRUE(std::any_of(shown.begin(), shown.end(), [](uint32_t p) { return (p & 0xFFFFFF) != 0; }));
    fx.dispatch(effEditClose);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(editorChild(parent), nullptr);
    EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, parent), 1);
    editor = editorChild(parent);
    ASSERT_NE(editor, nullptr);
    UpdateWindow(editor);
    EXPECT_TRUE(picture(editor) == shown) << "the second opening shows the same picture";
    // A host that closes the effect without closing the editor first: the window goes with it.
    EXPECT_EQ(fx.close(), 1);
    EXPECT_FALSE(IsWindow(editor));
    EXPECT_EQ(editorChild(parent), nullptr);
}

TEST_F(EditorModuleTest, TwoEffectsShareTheClassAndOpenSideBySide)
{
    Instance a, b;
    ASSERT_TRUE(a->flags & effFlagsHasEditor) << "no editor: the built-in skin did not parse";
    HWND parent = hostFrame();
    a.dispatch(effEditOpen, 0, 0, parent);
    b.dispatch(effEditOpen, 0, 0, parent);
    HWND first = GetWindow(parent, GW_CHILD);
    ASSERT_NE(first, nullptr);
    HWND second = GetWindow(first, GW_HWNDNEXT);
    ASSERT_NE(second, nullptr);
    char n1[128] = {}, n2[128] = {};
    GetClassNameA(first, n1, sizeof n1);
    GetClassNameA(second, n2, sizeof n2);
    EXPECT_STREQ(n1, n2);
    a.dispatch(effEditClose);
    b.dispatch(effEditClose);
    EXPECT_EQ(GetWindow(parent, GW_CHILD), nullptr);
}

// Where GetGuiResources does not answer (Wine), the slot a new GDI object gets tells whether the
// table of GDI objects has grown: freed slots are handed out again first.
int32_t gdiSlot()
{
    HBRUSH probe = CreateSolidBrush(0);
    const int32_t slot = static_cast<int32_t>(reinterpret_cast<std::uintptr_t>(probe) & 0xFFFF);
    DeleteObject(probe);
    return slot;
}

TEST_F(EditorModuleTest, OpeningAThousandTimesKeepsTheGdiCount)
{
    Instance fx;
    ASSERT_TRUE(fx->flags & effFlagsHasEditor) << "no editor: the built-in skin did not parse";
    HWND parent = hostFrame();
    fx.dispatch(effEditOpen, 0, 0, parent);
    UpdateWindow(GetWindow(parent, GW_CHILD));
    fx.dispatch(effEditClose);
    const DWORD before = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const int32_t slotBefore = gdiSlot();
    for (int i = 0; i < 1000; ++i) {
        fx.dispatch(effEditOpen, 0, 0, parent);
        UpdateWindow(GetWindow(parent, GW_CHILD));
        fx.dispatch(effEditClose);
    }
    const DWORD after = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    if (before != 0) {
        EXPECT_LE(after, before + 2);
    }
    EXPECT_LT(gdiSlot() - slotBefore, 64) << "GDI objects left behind by the openings";
}

#else

// The editor opens in X11 windows (tests/x11); without a display it is announced but not made.
TEST_F(EditorModuleTest, NoWindowWithoutADisplay)
{
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    unsetenv("DISPLAY");
    Instance fx;
    ASSERT_NE(fx.effect(), nullptr);
    EXPECT_EQ(fx->flags, 0x1011);
    ERect* rect = nullptr;
    EXPECT_EQ(fx.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->bottom, 333);
    EXPECT_EQ(rect->right, 402);
    EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x400001)), 0);
    fx.dispatch(effEditIdle);
    fx.dispatch(effEditClose);
    if (saved) setenv("DISPLAY", display.c_str(), 1);
}

#endif

}  // namespace
