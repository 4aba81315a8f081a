// The CLAP editor as a desktop host embeds it: in a parent window of this test host (an X11
// window under Xvfb on Linux, a Win32 window under Wine), driven only by the host's main loop
// through timer-support and posix-fd-support, created, shown, hidden and destroyed many times,
// and on Linux dragged with real input (XTest) to see the gestures reach the host as events.
#include "realtime/allocation_counter.h"
#include "clap_test_host.h"

#include <gtest/gtest.h>

#include <cmath>
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
#include <dirent.h>
#endif

namespace {

#if defined(_WIN32)
const char* const kApi = clap::kWindowApiWin32;
const char* const kOtherApi = clap::kWindowApiX11;

class ParentWindow {
public:
    ParentWindow()
    {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "SarvoClapTestParent";
        RegisterClassA(&wc);
        hwnd_ = CreateWindowExA(0, wc.lpszClassName, "parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 420,
                                nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~ParentWindow()
    {
        if (hwnd_) DestroyWindow(hwnd_);
    }
    bool ok() const { return hwnd_ != nullptr; }
    clap::Window window() const
    {
        clap::Window w{};
        w.api = kApi;
        w.win32 = hwnd_;
        return w;
    }
    int children() const
    {
        int n = 0;
        for (HWND c = GetWindow(hwnd_, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) ++n;
        return n;
    }
    bool childVisible() const
    {
        HWND c = GetWindow(hwnd_, GW_CHILD);
        return c && IsWindowVisible(c);
    }

private:
    HWND hwnd_ = nullptr;
};

int threadCount() { return 0; }  // not counted under Wine (its own threads come and go)
int openDescriptors() { return 0; }
#else
const char* const kApi = clap::kWindowApiX11;
const char* const kOtherApi = clap::kWindowApiWin32;

class ParentWindow {
public:
    ParentWindow()
    {
        display_ = XOpenDisplay(nullptr);
        if (!display_) return;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 500, 420, 0, 0, 0x202020);
        XMapWindow(display_, window_);
        XSync(display_, False);
    }
    ~ParentWindow()
    {
        if (!display_) return;
        XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }
    bool ok() const { return display_ != nullptr; }
    Display* display() const { return display_; }
    clap::Window window() const
    {
        clap::Window w{};
        w.api = kApi;
        w.x11 = window_;
        return w;
    }
    int children() const
    {
        XSync(display_, False);
        Window root = 0, up = 0, *list = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window_, &root, &up, &list, &count)) return -1;
        if (list) XFree(list);
        return static_cast<int>(count);
    }
    bool childVisible() const
    {
        XSync(display_, False);
        Window root = 0, up = 0, *list = nullptr;
        unsigned int count = 0;
        if (!XQueryTree(display_, window_, &root, &up, &list, &count) || count == 0) return false;
        XWindowAttributes a{};
        XGetWindowAttributes(display_, list[0], &a);
        XFree(list);
        return a.map_state == IsViewable;
    }

private:
    Display* display_ = nullptr;
    Window window_ = 0;
};

int countEntries(const char* dir)
{
    int n = 0;
    if (DIR* d = opendir(dir)) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}
int threadCount() { return countEntries("/proc/self/task"); }
int openDescriptors() { return countEntries("/proc/self/fd"); }
#endif

// A plug-in with its editor's extension, in a parent window. LateHost: the host's get_extension
// answers only once the plug-in's init has returned (as Qtractor 0.9.31 does).
template <bool LateHost>
class ClapGuiFixture : public ::testing::Test {
protected:
    static TestHost& prepared(TestHost& h)
    {
        h.answerDuringInit = !LateHost;
        return h;
    }
    void SetUp() override
    {
        ASSERT_TRUE(sharedClap().initialised()) << sharedClap().error();
        ASSERT_TRUE(parent.ok()) << "this test needs a display";
        ASSERT_TRUE(fx.ok());
        gui = fx.ext<clap::PluginGui>(clap::kExtGui);
        ASSERT_NE(gui, nullptr);
    }
    ParentWindow parent;
    TestHost host;
    ClapInstance fx{prepared(host)};
    const clap::PluginGui* gui = nullptr;
};

class ClapGuiTest : public ClapGuiFixture<false> {};

// With the late host the editor still finds the host's timer, descriptor watch and parameter
// requests.
class ClapGuiLateHostTest : public ClapGuiFixture<true> {};

TEST_F(ClapGuiTest, CreatedShownHiddenAndDestroyedAHundredTimesInAParentWindow)
{
    const clap::Plugin* p = fx.plugin();
    EXPECT_TRUE(gui->is_api_supported(p, kApi, false));
    EXPECT_FALSE(gui->is_api_supported(p, kApi, true)) << "no floating window";
    EXPECT_FALSE(gui->is_api_supported(p, kOtherApi, false));
    EXPECT_FALSE(gui->is_api_supported(p, clap::kWindowApiCocoa, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(gui->get_preferred_api(p, &api, &floating));
    EXPECT_STREQ(api, kApi);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(gui->create(p, kApi, true));
    EXPECT_FALSE(gui->create(p, kOtherApi, false));

    // Once, so that what the window system keeps for the process (its connection) is made.
    ASSERT_TRUE(gui->create(p, kApi, false));
    gui->destroy(p);
    const int threads = threadCount(), descriptors = openDescriptors();

    uint32_t width = 0, height = 0;
    for (int cycle = 0; cycle < 100; ++cycle) {
        SCOPED_TRACE("cycle " + std::to_string(cycle));
        ASSERT_TRUE(gui->create(p, kApi, false));
        gui->set_scale(p, 1.0);  // may answer false: the editor has one size
        uint32_t w = 0, h = 0;
        ASSERT_TRUE(gui->get_size(p, &w, &h));
        if (cycle == 0) {
            width = w;
            height = h;
            EXPECT_GT(width, 100u);
            EXPECT_GT(height, 100u);
            EXPECT_FALSE(gui->can_resize(p));
            clap::GuiResizeHints hints{true, true, true, 0, 0};
            EXPECT_TRUE(gui->get_resize_hints(p, &hints));
            EXPECT_FALSE(hints.can_resize_horizontally);
            EXPECT_FALSE(hints.can_resize_vertically);
            EXPECT_FALSE(gui->set_size(p, w + 50, h + 50));
        }
        EXPECT_EQ(w, width);
        EXPECT_EQ(h, height);
        const clap::Window window = parent.window();
        ASSERT_TRUE(gui->set_parent(p, &window));
        ASSERT_TRUE(gui->show(p));
        host.runMainLoop(cycle == 0 ? 200 : 5);
        EXPECT_EQ(parent.children(), 1);
        EXPECT_TRUE(parent.childVisible());
#if !defined(_WIN32)
        EXPECT_FALSE(host.timers.empty()) << "the editor runs from the host's timer";
        EXPECT_FALSE(host.fds.empty()) << "and from the host's watch on its connection";
#endif
        ASSERT_TRUE(gui->hide(p));
        host.runMainLoop(2);
        EXPECT_FALSE(parent.childVisible());
        if (cycle % 10 == 0) {  // shown again after hiding
            ASSERT_TRUE(gui->show(p));
            host.runMainLoop(2);
            EXPECT_TRUE(parent.childVisible());
        }
        gui->destroy(p);
        EXPECT_EQ(parent.children(), 0);
        EXPECT_TRUE(host.timers.empty()) << "every timer given back";
        EXPECT_TRUE(host.fds.empty()) << "every descriptor given back";
        if (HasFatalFailure()) return;
    }
    EXPECT_GT(host.timerCalls, 0);
    EXPECT_EQ(threadCount(), threads) << "no thread of the editor's own";
    EXPECT_EQ(openDescriptors(), descriptors) << "no descriptor left open";
    // Destroying an editor that was never made, and one made but never given a parent.
    gui->destroy(p);
    ASSERT_TRUE(gui->create(p, kApi, false));
    gui->destroy(p);
    EXPECT_EQ(parent.children(), 0);

    // A host without timers (a plug-in scanner) hears that there is an editor; on Linux it gets
    // none made, as nothing would drive it.
    TestHost scanner;
    scanner.offerTimers = scanner.offerFds = false;
    ClapInstance scanned(scanner);
    auto* scannedGui = scanned.ext<clap::PluginGui>(clap::kExtGui);
    ASSERT_NE(scannedGui, nullptr);
    EXPECT_TRUE(scannedGui->is_api_supported(scanned.plugin(), kApi, false));
#if !defined(_WIN32)
    EXPECT_FALSE(scannedGui->create(scanned.plugin(), kApi, false));
#endif
}

#if !defined(_WIN32)
// The built-in skin's gain knob, in editor pixels.
constexpr int kGainKnobX = 22 + 21, kKnobY = 18 + 22;

// A knob drag in the editor: the host hears a gesture begin, the values and its end, as output
// events of the next flush (asked for with request_flush) or process call, and the effect has
// the value the last event carries. The process call that sends them allocates nothing. The host
// answers get_extension only after init.
TEST_F(ClapGuiLateHostTest, EditorGesturesReachTheHostAsEvents)
{
    const clap::Plugin* p = fx.plugin();
    ASSERT_TRUE(gui->create(p, kApi, false));
    const clap::Window window = parent.window();
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_TRUE(gui->show(p));
    host.runMainLoop(150);
    Display* d = parent.display();

    auto drag = [&](int dy) {
        XTestFakeMotionEvent(d, -1, kGainKnobX, kKnobY, CurrentTime);
        XTestFakeButtonEvent(d, 1, True, CurrentTime);
        XSync(d, False);
        host.runMainLoop(60);
        XTestFakeMotionEvent(d, -1, kGainKnobX, kKnobY - dy / 2, CurrentTime);
        XSync(d, False);
        host.runMainLoop(60);
        XTestFakeMotionEvent(d, -1, kGainKnobX, kKnobY - dy, CurrentTime);
        XSync(d, False);
        host.runMainLoop(60);
        XTestFakeButtonEvent(d, 1, False, CurrentTime);
        XSync(d, False);
        host.runMainLoop(100);
    };
    auto check = [&](const std::vector<EventRecorder::Event>& events, const char* how) {
        SCOPED_TRACE(how);
        ASSERT_GE(events.size(), 3u);
        EXPECT_EQ(events.front().type, clap::kEventParamGestureBegin);
        EXPECT_EQ(events.back().type, clap::kEventParamGestureEnd);
        int values = 0;
        double last = -1.0;
        for (const auto& e : events) {
            EXPECT_EQ(e.param, 0u) << "the gain knob";
            if (e.type == clap::kEventParamValue) {
                ++values;
                last = e.value;
            }
        }
        EXPECT_GE(values, 1);
        EXPECT_EQ(last, fx.value(0));
        EXPECT_GT(last, 0.0);
    };

    // Inactive: the plug-in asks for a flush, and the events come out of it.
    const int flushes = host.flushRequests;
    drag(20);
    EXPECT_GT(host.flushRequests.load(), flushes);
    EventRecorder flushed;
    fx.flush(EventList(), &flushed);
    check(flushed.events, "through flush");
    EventRecorder nothing;
    fx.flush(EventList(), &nothing);
    EXPECT_TRUE(nothing.events.empty()) << "each event goes out once";

    // Active: the next process call carries them.
    ASSERT_TRUE(fx.activate(44100.0, 256));
    drag(30);
    float buffer[2][256] = {};
    float* io[2] = {buffer[0], buffer[1]};
    EventRecorder processed;
    processed.reserve(1000);
    startCountingAllocations();
    fx.process(io, io, 256, nullptr, &processed);
    EXPECT_EQ(stopCountingAllocations(), 0);
    check(processed.events, "through process");
    gui->destroy(p);
}
#endif

}  // namespace

// The host's scale reaches the editor: it draws at that size (1 to 3 times the skin), refuses other
// scales without changing, and an open editor asks the host to follow its new size.
TEST_F(ClapGuiTest, TheHostsScaleSizesTheEditorAndAnOpenOneAsksToBeResized)
{
    const clap::Plugin* p = fx.plugin();
    ASSERT_TRUE(gui->create(p, kApi, false));
    uint32_t w1 = 0, h1 = 0, w = 0, h = 0;
    ASSERT_TRUE(gui->get_size(p, &w1, &h1));
    ASSERT_TRUE(gui->set_scale(p, 2.0));
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, 2 * w1);
    EXPECT_EQ(h, 2 * h1);
    EXPECT_FALSE(gui->set_scale(p, 0.5));
    EXPECT_FALSE(gui->set_scale(p, 3.5));
    EXPECT_FALSE(gui->set_scale(p, std::nan("")));
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, 2 * w1) << "a refused scale changes nothing";

    const clap::Window window = parent.window();
    ASSERT_TRUE(gui->set_parent(p, &window));
    ASSERT_TRUE(gui->show(p));
    host.runMainLoop(20);
    const int requests = host.resizeRequests;
    ASSERT_TRUE(gui->set_scale(p, 1.5));
    ASSERT_TRUE(gui->get_size(p, &w, &h));
    EXPECT_EQ(w, static_cast<uint32_t>(std::lround(1.5 * w1)));
    EXPECT_EQ(h, static_cast<uint32_t>(std::lround(1.5 * h1)));
    EXPECT_EQ(host.resizeRequests, requests + 1) << "the open editor asks the host for its new size";
    host.runMainLoop(20);
    EXPECT_EQ(parent.children(), 1);
#if !defined(_WIN32)
    // What the server shows of the editor at 1.5x and 2x: its whole size, drawn. With
    // SARVO_SCREENSHOT_DIR set, the pictures are written there (the README's CLAP screenshots).
    for (const double scale : {1.5, 2.0}) {
        ASSERT_TRUE(gui->set_scale(p, scale));
        ASSERT_TRUE(gui->get_size(p, &w, &h));
        XResizeWindow(parent.display(), window.x11, w, h);  // as a host follows the request
        XSync(parent.display(), False);
        host.runMainLoop(100);
        const x11capture::Picture picture =
            x11capture::capture(parent.display(), x11capture::firstChild(parent.display(), window.x11));
        EXPECT_EQ(picture.width, static_cast<int>(w));
        EXPECT_EQ(picture.height, static_cast<int>(h));
        EXPECT_GT(picture.colours(0, 0, picture.width / 2, picture.height / 2), 50u) << "the editor is drawn";
        // All of it, to its new bottom right corner: the same picture as an editor made anew at
        // that scale in a window of that size.
        gui->destroy(p);
        ASSERT_TRUE(gui->create(p, kApi, false));
        ASSERT_TRUE(gui->set_scale(p, scale));
        ASSERT_TRUE(gui->set_parent(p, &window));
        ASSERT_TRUE(gui->show(p));
        host.runMainLoop(100);
        const x11capture::Picture fresh =
            x11capture::capture(parent.display(), x11capture::firstChild(parent.display(), window.x11));
        EXPECT_TRUE(fresh.rgb == picture.rgb) << "the resized editor differs from one made at its scale";
        if (const char* dir = std::getenv("SARVO_SCREENSHOT_DIR")) {
            const std::string name = std::string(dir) + "/editor-clap-" + (scale == 2.0 ? "2x" : "1.5x") + ".png";
            EXPECT_TRUE(x11capture::writePng(picture, name));
        }
    }
#endif
    gui->destroy(p);
}
