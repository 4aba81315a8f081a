// The editor view in a parent window of this host, driven by the host's run loop (Linux: the
// frame's IRunLoop, run by the test; Windows: the thread's messages): attached, removed and
// attached again 100 times; its size; and a knob drag reaching the host as begin, perform and end
// edits. Linux runs it under an X server of its own (Xvfb), Windows under Wine's.
#include "vst3_host.h"
#include "vst3_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include "support/x11_capture.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

using namespace vst3host;
using namespace vst3test;

namespace {

// The built-in skin's gain knob, in editor pixels.
constexpr int kGainKnobX = 22 + 21, kKnobY = 18 + 22;

// A top-level window of this host for the view to sit in, and what is in it.
class HostWindow {
public:
    HostWindow()
    {
#if defined(_WIN32)
        window_ = CreateWindowExA(0, "STATIC", "vst3 host", WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  500, 420, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
#else
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 500, 420, 0, 0, 0x202020);
        XMapWindow(display_, window_);
        XSync(display_, False);
#endif
    }
    ~HostWindow()
    {
#if defined(_WIN32)
        if (window_) DestroyWindow(window_);
#else
        if (!display_) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
#endif
    }
    bool ok() const { return window_ != 0; }
    void* parent() const { return reinterpret_cast<void*>(window_); }
    const char* type() const
    {
#if defined(_WIN32)
        return kPlatformTypeHWND;
#else
        return kPlatformTypeX11EmbedWindowID;
#endif
    }

#if !defined(_WIN32)
    // The host window takes the size the view asked for (as a host follows resizeView), and the
    // picture of the view inside it is read back.
    x11capture::Picture pictureAt(int width, int height, PlugFrame& loop)
    {
        XResizeWindow(display_, window_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSync(display_, False);
        loop.runFor(100);
        return x11capture::capture(display_, x11capture::firstChild(display_, window_));
    }
#endif

    // The windows inside, with their sizes.
    struct Child {
        int width, height;
    };
    std::vector<Child> children()
    {
        std::vector<Child> out;
#if defined(_WIN32)
        for (HWND c = GetWindow(window_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            RECT r{};
            GetClientRect(c, &r);
            out.push_back({r.right - r.left, r.bottom - r.top});
        }
#else
        XSync(display_, False);
        Window root = 0, up = 0, *list = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window_, &root, &up, &list, &count)) return out;
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes a{};
            XGetWindowAttributes(display_, list[i], &a);
            out.push_back({a.width, a.height});
        }
        if (list) XFree(list);
#endif
        return out;
    }

    // A drag with the left button inside the view: down at (x, y), through the points, up.
    void drag(int x, int y, const std::vector<std::pair<int, int>>& through, PlugFrame& loop)
    {
#if defined(_WIN32)
        HWND view = GetWindow(window_, GW_CHILD);
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        loop.runFor(10);
        for (const auto& p : through) {
            SendMessageA(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(p.first, p.second));
            loop.runFor(10);
        }
        const auto& last = through.back();
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(last.first, last.second));
        loop.runFor(10);
#else
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XTestFakeButtonEvent(display_, 1, True, CurrentTime);
        XFlush(display_);
        loop.runFor(30);
        for (const auto& p : through) {
            XTestFakeMotionEvent(display_, -1, p.first, p.second, CurrentTime);
            XFlush(display_);
            loop.runFor(30);
        }
        XTestFakeButtonEvent(display_, 1, False, CurrentTime);
        XFlush(display_);
        loop.runFor(60);
#endif
    }

private:
#if defined(_WIN32)
    HWND window_ = nullptr;
#else
    Display* display_ = nullptr;
    Window window_ = 0;
#endif
};

IPlugView* makeView(Effect& fx)
{
    return fx->controller->createView(kEditorViewName);
}

TEST(Vst3View, AttachedRemovedAndAttachedAgain100TimesOnTheHostsRunLoop)
{
    HostWindow host;
    ASSERT_TRUE(host.ok()) << "this test needs a display (run it under Xvfb)";
    Effect fx;
    ASSERT_TRUE(fx.ok());
    EXPECT_EQ(fx->controller->createView("other"), nullptr);
    IPlugView* view = makeView(fx);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(host.type()), kResultTrue);
    EXPECT_NE(view->isPlatformTypeSupported("NSView"), kResultTrue);
#if defined(_WIN32)
    EXPECT_NE(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
#else
    EXPECT_NE(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
#endif

    // The editor's size, as the VST 2.x module reports it.
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    ASSERT_TRUE(vst2Loaded());
    {
        Instance vst2;
        ERect* rect = nullptr;
        ASSERT_EQ(vst2.dispatch(effEditGetRect, 0, 0, &rect), 1);
        ASSERT_NE(rect, nullptr);
        EXPECT_EQ(size.right - size.left, rect->right - rect->left);
        EXPECT_EQ(size.bottom - size.top, rect->bottom - rect->top);
    }
    EXPECT_EQ(view->canResize(), kResultFalse);
    ViewRect asked{10, 10, 900, 900};
    EXPECT_EQ(view->checkSizeConstraint(&asked), kResultOk);
    EXPECT_EQ(asked.right - asked.left, size.right);
    EXPECT_EQ(asked.bottom - asked.top, size.bottom);
    void* scale = nullptr;
    ASSERT_EQ(view->queryInterface(iid(IPlugViewContentScaleSupport::iid), &scale), kResultOk);
    EXPECT_EQ(static_cast<IPlugViewContentScaleSupport*>(scale)->setContentScaleFactor(2.0f), kResultOk);
    EXPECT_EQ(static_cast<IPlugViewContentScaleSupport*>(scale)->setContentScaleFactor(1.0f), kResultOk);
    static_cast<IPlugViewContentScaleSupport*>(scale)->release();

    PlugFrame frame;
    ASSERT_EQ(view->setFrame(&frame), kResultOk);
    EXPECT_EQ(view->attached(nullptr, host.type()), kResultFalse);
    EXPECT_EQ(view->attached(host.parent(), "NSView"), kResultFalse);
#if !defined(_WIN32)
    // No run loop, no editor: nothing could drive it.
    frame.offerRunLoop = false;
    EXPECT_EQ(view->attached(host.parent(), host.type()), kResultFalse);
    EXPECT_TRUE(host.children().empty());
    frame.offerRunLoop = true;
#endif
    for (int round = 0; round < 100; ++round) {
        SCOPED_TRACE(round);
        ASSERT_EQ(view->attached(host.parent(), host.type()), kResultOk);
        const std::vector<HostWindow::Child> inside = host.children();
        ASSERT_EQ(inside.size(), 1u);
        EXPECT_EQ(inside[0].width, size.right);
        EXPECT_EQ(inside[0].height, size.bottom);
#if !defined(_WIN32)
        // One timer and one handler for the X connection, on the host's loop.
        ASSERT_EQ(frame.timers.size(), 1u);
        ASSERT_EQ(frame.events.size(), 1u);
        EXPECT_GE(frame.events[0].fd, 0);
        EXPECT_LE(frame.timers[0].interval, 40u);
#endif
        if (round % 10 == 0) frame.runFor(60);
        ASSERT_EQ(view->removed(), kResultOk);
        ASSERT_TRUE(host.children().empty());
#if !defined(_WIN32)
        ASSERT_TRUE(frame.timers.empty());
        ASSERT_TRUE(frame.events.empty());
        EXPECT_EQ(frame.references, 2u) << "the view holds the frame, the run loop is given back";
#endif
    }
    // The host's content scale: the attached editor takes twice the size at once (drawn at that
    // resolution) and asks the frame to follow; back at 1 it is the module's size again.
    ASSERT_EQ(view->attached(host.parent(), host.type()), kResultOk);
    ASSERT_EQ(view->queryInterface(iid(IPlugViewContentScaleSupport::iid), &scale), kResultOk);
    auto* scaling = static_cast<IPlugViewContentScaleSupport*>(scale);
    const int resizes = frame.resizes;
    ASSERT_EQ(scaling->setContentScaleFactor(2.0f), kResultOk);
    ViewRect scaled{};
    ASSERT_EQ(view->getSize(&scaled), kResultOk);
    EXPECT_EQ(scaled.right, 2 * size.right);
    EXPECT_EQ(scaled.bottom, 2 * size.bottom);
    EXPECT_EQ(frame.resizes, resizes + 1);
    frame.runFor(60);
    ASSERT_EQ(host.children().size(), 1u);
    EXPECT_EQ(host.children()[0].width, 2 * size.right);
    EXPECT_EQ(host.children()[0].height, 2 * size.bottom);
#if !defined(_WIN32)
    // What the server shows of the view at 1.5x and 2x: its whole size, drawn. With
    // SARVO_SCREENSHOT_DIR set, the pictures are written there (the README's VST3 screenshots).
    for (const float factor : {1.5f, 2.0f}) {
        ASSERT_EQ(scaling->setContentScaleFactor(factor), kResultOk);
        ASSERT_EQ(view->getSize(&scaled), kResultOk);
        const x11capture::Picture picture = host.pictureAt(scaled.right, scaled.bottom, frame);
        EXPECT_EQ(picture.width, scaled.right);
        EXPECT_EQ(picture.height, scaled.bottom);
        EXPECT_GT(picture.colours(0, 0, picture.width / 2, picture.height / 2), 50u) << "the editor is drawn";
        // All of it, to its new bottom right corner: the same picture as the view attached anew at
        // that scale in a window of that size.
        ASSERT_EQ(view->removed(), kResultOk);
        ASSERT_EQ(view->attached(host.parent(), host.type()), kResultOk);
        const x11capture::Picture fresh = host.pictureAt(scaled.right, scaled.bottom, frame);
        EXPECT_TRUE(fresh.rgb == picture.rgb) << "the resized view differs from one attached at its scale";
        if (const char* dir = std::getenv("SARVO_SCREENSHOT_DIR")) {
            const std::string name = std::string(dir) + "/editor-vst3-" + (factor == 2.0f ? "2x" : "1.5x") + ".png";
            EXPECT_TRUE(x11capture::writePng(picture, name));
        }
    }
#endif
    ASSERT_EQ(scaling->setContentScaleFactor(1.0f), kResultOk);
    ASSERT_EQ(view->getSize(&scaled), kResultOk);
    EXPECT_EQ(scaled.right, size.right);
    scaling->release();
    ASSERT_EQ(view->removed(), kResultOk);
#if !defined(_WIN32)
    EXPECT_GT(frame.timerCalls, 0);
#endif
    EXPECT_EQ(view->removed(), kResultFalse) << "not attached";
    EXPECT_EQ(view->release(), 0u);
    EXPECT_EQ(frame.references, 1u) << "the view gave the frame back";
}

TEST(Vst3View, AKnobDragReachesTheHostAsBeginPerformAndEndEdits)
{
    HostWindow host;
    ASSERT_TRUE(host.ok()) << "this test needs a display (run it under Xvfb)";
    Effect fx;
    ASSERT_TRUE(fx.ok());
    ComponentHandler handler;
    ASSERT_EQ(fx->controller->setComponentHandler(&handler), kResultOk);
    IPlugView* view = makeView(fx);
    ASSERT_NE(view, nullptr);
    PlugFrame frame;
    view->setFrame(&frame);
    ASSERT_EQ(view->attached(host.parent(), host.type()), kResultOk);
    frame.runFor(60);

    // 10 up, then 10 up and 40 right (+0.2), then far outside (the capture keeps the knob).
    host.drag(kGainKnobX, kKnobY,
              {{kGainKnobX, kKnobY - 10}, {kGainKnobX + 40, kKnobY - 20}, {kGainKnobX + 440, kKnobY - 20}}, frame);
    ASSERT_GE(handler.calls.size(), 3u);
    EXPECT_EQ(handler.calls.front().kind, 'b');
    EXPECT_EQ(handler.calls.front().id, kGain);
    EXPECT_EQ(handler.calls.back().kind, 'e');
    EXPECT_EQ(handler.calls.back().id, kGain);
    std::vector<double> performed;
    for (size_t i = 1; i + 1 < handler.calls.size(); ++i) {
        EXPECT_EQ(handler.calls[i].kind, 'p');
        EXPECT_EQ(handler.calls[i].id, kGain);
        performed.push_back(handler.calls[i].value);
    }
    const std::vector<double> expected = {0.0, 0.1, 0.3, 1.0};
    ASSERT_EQ(performed.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) EXPECT_NEAR(performed[i], expected[i], 1e-9) << i;
    EXPECT_EQ(fx->controller->getParamNormalized(kGain), performed.back()) << "the controller shows the edit";

    view->removed();
    view->release();
    fx->controller->setComponentHandler(nullptr);
    EXPECT_EQ(handler.references, 1u);
}

}  // namespace
