// The Linux editor as a Linux VST host shows it: the loaded Sarvo.so opened in a real X parent
// window of this test host, driven by real input events (XTest) and idle calls, read back from
// the server. Run under Xvfb.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dirent.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

// The built-in skin's places, in editor pixels.
constexpr int kGainKnobX = 22 + 21, kKnobY = 18 + 22;
constexpr int kClipKnobX = 97 + 21;
constexpr int kSwitchX = 68 + 50, kSwitchY = 281 + 10;
constexpr int kGainValueX = 16 + 28, kValueY = 61 + 7;
constexpr int kBackgroundX = 300, kBackgroundY = 20;
// FNV-1a of the shipped editor's 402 x 321 pixels above the credit strip at the defaults, as the
// Linux surface draws them (the value texts use FreeType here and GDI on Windows, so the Windows
// builds give another value).
constexpr uint64_t kShippedHash = 15292120228644278029ull;

uint64_t pictureHash(const std::vector<uint32_t>& pixels, int width, int rows)
{
    uint64_t h = 1469598103934665603ull;
    for (int i = 0; i < width * rows; ++i) {
        h ^= pixels[i] & 0xFFFFFFu;
        h *= 1099511628211ull;
    }
    return h;
}

int openDescriptors()
{
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

// Shared memory segments of the system that still exist.
// The shared memory segments this process made (other programs' come and go beside the tests).
int sharedSegments()
{
    std::ifstream in("/proc/sysvipc/shm");
    std::string line;
    std::getline(in, line);  // the header
    int n = 0;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        long key = 0, id = 0, perms = 0, size = 0, creator = 0;
        if (fields >> key >> id >> perms >> size >> creator && creator == static_cast<long>(getpid())) ++n;
    }
    return n;
}

struct Edit {
    VstInt32 opcode;
    VstInt32 index;
    float value;
};

std::vector<Edit> edits(AEffect* only = nullptr)
{
    std::vector<Edit> out;
    for (const HostCall& c : RecordingHost::instance().calls)
        if ((c.opcode == audioMasterAutomate || c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit) &&
            (!only || c.effect == only))
            out.push_back({c.opcode, c.index, c.opt});
    return out;
}

// The test host's own connection and parent windows.
class X11Host {
public:
    X11Host() : display_(XOpenDisplay(nullptr)) {}
    ~X11Host()
    {
        if (display_) XCloseDisplay(display_);
    }
    Display* display() const { return display_; }

    Window makeParent(int x, int y)
    {
        Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), x, y, 440, 360, 0, 0, 0x202020);
        XMapWindow(display_, w);
        XSync(display_, False);
        return w;
    }
    void destroy(Window w)
    {
        XDestroyWindow(display_, w);
        XSync(display_, False);
    }
    std::vector<Window> children(Window w)
    {
        Window root = 0, parent = 0, *list = nullptr;
        unsigned int n = 0;
        std::vector<Window> out;
        if (XQueryTree(display_, w, &root, &parent, &list, &n)) {
            out.assign(list, list + n);
            if (list) XFree(list);
        }
        return out;
    }
    std::vector<uint32_t> picture(Window w, int width, int height)
    {
        std::vector<uint32_t> out;
        XImage* image = XGetImage(display_, w, 0, 0, width, height, AllPlanes, ZPixmap);
        if (!image) return out;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) out.push_back(static_cast<uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF);
        XDestroyImage(image);
        return out;
    }
    Window focus()
    {
        Window w = 0;
        int revert = 0;
        XGetInputFocus(display_, &w, &revert);
        return w;
    }

    // Real input: the pointer moves in screen coordinates (the parents sit at known places).
    void move(int x, int y) { XTestFakeMotionEvent(display_, -1, x, y, CurrentTime); }
    void button(bool down) { XTestFakeButtonEvent(display_, 1, down, CurrentTime); }
    void key(KeySym sym, bool down) { XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, sym), down, CurrentTime); }
    void tap(KeySym sym)
    {
        key(sym, true);
        key(sym, false);
    }
    void click(int x, int y, KeySym modifier = NoSymbol)
    {
        move(x, y);
        if (modifier != NoSymbol) key(modifier, true);
        button(true);
        button(false);
        if (modifier != NoSymbol) key(modifier, false);
    }
    void sync() { XSync(display_, False); }

private:
    Display* display_;
};

class X11EditorTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        ASSERT_NE(host.display(), nullptr) << "these tests need an X server (run them under xvfb-run)";
        RecordingHost::instance().clear();
        RecordingHost::instance().answer = nullptr;
        parent = host.makeParent(0, 0);
        XSetInputFocus(host.display(), parent, RevertToParent, CurrentTime);
        host.sync();
    }
    void TearDown() override
    {
        if (parent) host.destroy(parent);
    }

    // Idle calls as a host makes them, after the server has seen our input.
    void idle(const Instance& fx, int times = 3)
    {
        host.sync();
        for (int i = 0; i < times; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            fx.dispatch(effEditIdle);
        }
    }
    Window open(const Instance& fx, Window in)
    {
        EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(in)), 1);
        const std::vector<Window> c = host.children(in);
        EXPECT_EQ(c.size(), 1u);
        idle(fx);
        return c.empty() ? 0 : c[0];
    }
    std::vector<uint32_t> area(Window w, int x, int y, int width, int height)
    {
        const std::vector<uint32_t> all = host.picture(w, 402, 333);
        std::vector<uint32_t> out;
        for (int j = y; j < y + height; ++j)
            for (int i = x; i < x + width; ++i) out.push_back(all[static_cast<size_t>(j) * 402 + i]);
        return out;
    }
    static float parameter(const Instance& fx, int i) { return fx->getParameter(fx.effect(), i); }

    X11Host host;
    Window parent = 0;
};

TEST_F(X11EditorTest, OpensAtTheParentsOriginAndShowsTheSurface)
{
    Instance fx;
    EXPECT_EQ(fx->flags, 0x1011);
    // Opened before its size was asked, as some hosts do, and read back before any idle call: a
    // host that never idles sees the picture too.
    ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
    const std::vector<Window> made = host.children(parent);
    ASSERT_EQ(made.size(), 1u);
    const Window editor = made[0];
    ERect* rect = nullptr;
    ASSERT_EQ(fx.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->bottom, 333);
    EXPECT_EQ(rect->right, 402);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(host.display(), editor, &a));
    EXPECT_EQ(a.x, 0);
    EXPECT_EQ(a.y, 0);
    EXPECT_EQ(a.width, 402);
    EXPECT_EQ(a.height, 333);
    EXPECT_EQ(a.map_state, IsViewable);
    const std::vector<uint32_t> shown = host.picture(editor, 402, 333);
    ASSERT_EQ(shown.size(), 402u * 333u);
    EXPECT_EQ(pictureHash(shown, 402, 321), kShippedHash);
    // The credit strip carries text in the FreeType rendering: more than one colour.
    bool strip = false;
    for (int i = 402 * 321; i < 402 * 333; ++i) strip |= shown[i] != shown[402 * 321];
    EXPECT_TRUE(strip);
    // Hidden and shown again, the window gets its picture back from the server's Expose.
    XUnmapWindow(host.display(), editor);
    XMapWindow(host.display(), editor);
    idle(fx);
    EXPECT_EQ(host.picture(editor, 402, 333), shown);
    fx.dispatch(effEditClose);
    EXPECT_TRUE(host.children(parent).empty());
}

TEST_F(X11EditorTest, KnobDragCtrlClickAndSwitch)
{
    Instance fx;
    const Window editor = open(fx, parent);
    const std::vector<uint32_t> atZero = area(editor, 22, 18, 42, 44);
    RecordingHost::instance().clear();
    host.move(kGainKnobX, kKnobY);
    host.button(true);
    host.move(kGainKnobX, kKnobY - 10);
    host.move(kGainKnobX + 40, kKnobY - 20);  // 10 up and 40 right: +0.2
    host.move(kGainKnobX + 440, kKnobY - 20);  // far outside the window: the capture keeps the knob
    host.button(false);
    idle(fx);
    std::vector<Edit> r = edits();
    ASSERT_EQ(r.size(), 6u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    const float expected[] = {0.0f, 0.1f, 0.3f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(r[1 + i].opcode, audioMasterAutomate);
        EXPECT_NEAR(r[1 + i].value, expected[i], 1e-6);
    }
    EXPECT_EQ(r[5].opcode, audioMasterEndEdit);
    for (const Edit& e : r) EXPECT_EQ(e.index, 0);
    EXPECT_EQ(fx.text(effGetParamDisplay, 0), "12.0");
    EXPECT_NE(area(editor, 22, 18, 42, 44), atZero) << "the knob shows another frame";

    // Ctrl-click resets to the default; the switch toggles.
    fx->setParameter(fx.effect(), 1, 0.5f);
    RecordingHost::instance().clear();
    host.click(kClipKnobX, kKnobY, XK_Control_L);
    idle(fx);
    r = edits();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].opcode, audioMasterBeginEdit);
    EXPECT_NEAR(r[1].value, 0.5f, 1e-6);
    EXPECT_NEAR(r[2].value, 1.0f, 1e-6);
    EXPECT_EQ(r[3].opcode, audioMasterEndEdit);
    EXPECT_EQ(parameter(fx, 1), 1.0f);
    const float before = parameter(fx, 3);
    host.click(kSwitchX, kSwitchY);
    idle(fx);
    EXPECT_EQ(parameter(fx, 3), before < 0.5f ? 1.0f : 0.0f);
    host.click(kSwitchX, kSwitchY);
    idle(fx);
    EXPECT_EQ(parameter(fx, 3), before);
    fx.dispatch(effEditClose);
}

TEST_F(X11EditorTest, ValueEntryTypesCommitsAndCancels)
{
    Instance fx;
    const Window editor = open(fx, parent);
    auto openEntry = [&] {
        host.click(kGainValueX, kValueY);
        idle(fx);
        const std::vector<Window> c = host.children(editor);
        EXPECT_EQ(c.size(), 1u) << "the field is a window of its own";
        EXPECT_EQ(host.focus(), c.empty() ? 0 : c[0]) << "and has the keyboard focus";
        RecordingHost::instance().clear();
    };
    auto typed = [&](std::initializer_list<KeySym> keys) {
        for (KeySym k : keys) host.tap(k);
        idle(fx);
    };

    // "0.0" starts selected: typing replaces it; Home, End, Left, Right, Backspace, Delete edit.
    openEntry();
    typed({XK_2, XK_Home, XK_1, XK_End, XK_BackSpace, XK_Left, XK_Delete, XK_6, XK_Right, XK_Return});
    std::vector<Edit> r = edits();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].opcode, audioMasterAutomate);
    EXPECT_NEAR(r[0].value, 0.0f, 1e-6);
    EXPECT_NEAR(r[1].value, 0.5f, 1e-6);
    EXPECT_EQ(fx.text(effGetParamDisplay, 0), "6.0");
    EXPECT_TRUE(host.children(editor).empty());
    EXPECT_EQ(host.focus(), parent) << "the keys go back to the host";

    // Esc: nothing changes, nothing is reported.
    openEntry();
    typed({XK_3, XK_Escape});
    EXPECT_TRUE(edits().empty());
    EXPECT_NEAR(parameter(fx, 0), 0.5f, 1e-6);
    EXPECT_TRUE(host.children(editor).empty());

    // A click elsewhere in the editor commits.
    openEntry();
    typed({XK_9});
    host.click(kBackgroundX, kBackgroundY);
    idle(fx);
    EXPECT_NEAR(parameter(fx, 0), 0.75f, 1e-6);
    EXPECT_EQ(edits().size(), 2u);
    EXPECT_TRUE(host.children(editor).empty());

    // So does the focus going to another window.
    openEntry();
    typed({XK_3});
    XSetInputFocus(host.display(), parent, RevertToParent, CurrentTime);
    idle(fx);
    EXPECT_NEAR(parameter(fx, 0), 0.25f, 1e-6);
    EXPECT_TRUE(host.children(editor).empty());
    fx.dispatch(effEditClose);
}

TEST_F(X11EditorTest, HostChangesRepaintWithinAFewIdles)
{
    Instance fx;
    const Window editor = open(fx, parent);
    const std::vector<uint32_t> before = area(editor, 22, 18, 42, 44);
    std::thread automation([&] { fx->setParameter(fx.effect(), 0, 1.0f); });
    automation.join();
    idle(fx, 3);
    EXPECT_NE(area(editor, 22, 18, 42, 44), before);
    // Audio marks a repaint that the idle throttle lets through after 40 ms.
    float a[256] = {}, b[256] = {};
    for (int i = 0; i < 256; ++i) a[i] = b[i] = 0.9f * std::sin(i * 0.1f);
    float* io[2] = {a, b};
    const std::vector<uint32_t> quiet = area(editor, 249, 86, 136, 93);
    for (int i = 0; i < 20; ++i) fx->processReplacing(fx.effect(), io, io, 256);
    std::this_thread::sleep_for(std::chrono::milliseconds(45));
    idle(fx, 2);
    EXPECT_NE(area(editor, 249, 86, 136, 93), quiet) << "the wave display shows the history";
    fx.dispatch(effEditClose);
}

TEST_F(X11EditorTest, TwoInstancesGetOnlyTheirOwnClicks)
{
    Instance a, b;
    const Window second = host.makeParent(500, 0);
    open(a, parent);
    open(b, second);
    const float switchA = parameter(a, 3), switchB = parameter(b, 3);
    host.click(500 + kSwitchX, kSwitchY);
    idle(a);
    idle(b);
    EXPECT_EQ(parameter(a, 3), switchA);
    EXPECT_NE(parameter(b, 3), switchB);
    host.click(kSwitchX, kSwitchY);
    idle(b);
    idle(a);
    EXPECT_NE(parameter(a, 3), switchA);
    EXPECT_TRUE(edits(b.effect()).size() == 4u);
    a.dispatch(effEditClose);
    b.dispatch(effEditClose);
    host.destroy(second);
}

TEST_F(X11EditorTest, TeardownInEveryOrder)
{
    const int descriptors = openDescriptors();
    {
        // Close, reopen, then the parent destroyed while the editor is open, with and without an
        // idle call between; the host survives the errors of our connection.
        Instance fx;
        open(fx, parent);
        fx.dispatch(effEditClose);
        EXPECT_TRUE(host.children(parent).empty());
        open(fx, parent);
        host.destroy(parent);
        parent = 0;
        idle(fx);
        fx.dispatch(effEditClose);
        parent = host.makeParent(0, 0);
        open(fx, parent);
        host.destroy(parent);
        fx.dispatch(effEditClose);
        parent = host.makeParent(0, 0);
        open(fx, parent);
        // A parent that does not exist: nothing is made.
        Instance other;
        EXPECT_EQ(other.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x7fffff0)), 0);
        // effClose with the editor open takes the window along.
        EXPECT_EQ(fx.close(), 1);
        host.sync();
        EXPECT_TRUE(host.children(parent).empty());
    }
    EXPECT_EQ(openDescriptors(), descriptors) << "a connection was left open";
}

TEST_F(X11EditorTest, AThousandOpenCloseCycles)
{
    Instance fx;
    open(fx, parent);
    fx.dispatch(effEditClose);
    const int descriptors = openDescriptors();
    const int segments = sharedSegments();
    int opened = 0;
    for (int i = 0; i < 1000; ++i) {
        opened += fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)) == 1;
        fx.dispatch(effEditIdle);
        fx.dispatch(effEditClose);
    }
    EXPECT_EQ(opened, 1000);
    host.sync();
    EXPECT_TRUE(host.children(parent).empty());
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_EQ(sharedSegments(), segments);
}

// An X server of the test's own, on the display number it picks itself.
class OwnServer {
public:
    OwnServer()
    {
        int fds[2];
        if (pipe(fds) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "640x480x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        pollfd p{fds[0], POLLIN, 0};
        char c = 0;
        while (pid_ > 0 && poll(&p, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        if (!number.empty()) name_ = ":" + number;
    }
    ~OwnServer() { kill(); }
    const std::string& name() const { return name_; }
    void kill()
    {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);  // the server goes away as when it shuts down, and cleans up after itself
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

int ignoreLostConnection(Display*) { return 0; }
void keepRunning(Display*, void*) {}

TEST(X11EditorServerLoss, IdleAndCloseAfterTheServerDiedLeaveTheHostRunning)
{
    ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
    OwnServer server;
    ASSERT_FALSE(server.name().empty()) << "Xvfb did not start";
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    setenv("DISPLAY", server.name().c_str(), 1);
    {
        // The test host's own connection must survive the loss as well.
        Display* host = XOpenDisplay(server.name().c_str());
        ASSERT_NE(host, nullptr);
        const XIOErrorHandler previous = XSetIOErrorHandler(&ignoreLostConnection);
        XSetIOErrorExitHandler(host, &keepRunning, nullptr);
        const Window parent = XCreateSimpleWindow(host, DefaultRootWindow(host), 0, 0, 440, 360, 0, 0, 0);
        XMapWindow(host, parent);
        XSync(host, False);
        const int descriptors = openDescriptors();
        Instance fx;
        ASSERT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        fx.dispatch(effEditIdle);
        server.kill();
        // Each of these would have ended the process with Xlib's own handling.
        for (int i = 0; i < 3; ++i) fx.dispatch(effEditIdle);
        fx->setParameter(fx.effect(), 0, 1.0f);
        fx.dispatch(effEditIdle);
        fx.dispatch(effEditClose);
        EXPECT_EQ(openDescriptors(), descriptors) << "the lost connection was closed";
        EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 0);
        float a[64], b[64];
        for (int i = 0; i < 64; ++i) a[i] = b[i] = 1.5f;
        float* io[2] = {a, b};
        fx->processReplacing(fx.effect(), io, io, 64);
        EXPECT_TRUE(std::isfinite(a[63]) && std::fabs(a[63]) <= 1.0f);
        XCloseDisplay(host);
        XSetIOErrorHandler(previous);
    }
    if (saved)
        setenv("DISPLAY", display.c_str(), 1);
    else
        unsetenv("DISPLAY");
}

TEST(X11EditorWithoutDisplay, OpenAnswersZeroAndAudioWorks)
{
    ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
    const char* saved = std::getenv("DISPLAY");
    const std::string display = saved ? saved : "";
    for (const char* value : {static_cast<const char*>(nullptr), ":97"}) {
        if (value)
            setenv("DISPLAY", value, 1);
        else
            unsetenv("DISPLAY");
        Instance fx;
        EXPECT_EQ(fx->flags, 0x1011);
        EXPECT_EQ(fx.dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(0x200000)), 0);
        fx.dispatch(effEditIdle);
        float a[512], b[512];
        for (int i = 0; i < 512; ++i) a[i] = b[i] = 2.0f * std::sin(i * 0.05f);
        float* io[2] = {a, b};
        fx->processReplacing(fx.effect(), io, io, 512);
        for (int i = 0; i < 512; ++i) ASSERT_TRUE(std::isfinite(a[i]) && std::fabs(a[i]) <= 1.0f);
        fx.dispatch(effEditClose);
    }
    if (saved) setenv("DISPLAY", display.c_str(), 1);
}

TEST(X11Module, NeedsNoX11Library)
{
    FILE* p = popen(("readelf -d '" + pluginPath() + "'").c_str(), "r");
    ASSERT_NE(p, nullptr);
    std::string out;
    char buf[512];
    while (fgets(buf, sizeof buf, p)) out += buf;
    pclose(p);
    ASSERT_NE(out.find("NEEDED"), std::string::npos) << out;
    EXPECT_EQ(out.find("libX"), std::string::npos) << out;
    EXPECT_EQ(out.find("libxcb"), std::string::npos) << out;
}

}  // namespace
