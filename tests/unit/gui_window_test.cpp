// The message dispatch, the default handlers, the shared procedure and the window objects.
#include <cstring>
#include <stdexcept>

#include "gui_test_support.h"

using namespace gui_test;
using namespace platform;

namespace {

// Records which handler got a message and how the defaults rebuild it.
class Recorder : public ZMessageHandler {
public:
    struct Seen {
        uint32_t message;
        WParam wParam;
        LParam lParam;
    };
    LResult onUserMessage(uint32_t m, WParam w, LParam l) override
    {
        handler = "user";
        return ZMessageHandler::onUserMessage(m, w, l);
    }
    LResult onAppMessage(uint32_t m, WParam w, LParam l) override
    {
        handler = "app";
        return ZMessageHandler::onAppMessage(m, w, l);
    }
    LResult onMouseMove(WParam keys, int32_t x, int32_t y) override
    {
        handler = "move";
        mx = x;
        my = y;
        return ZMessageHandler::onMouseMove(keys, x, y);
    }
    LResult onCommand(WParam id, uint32_t code, LParam control) override
    {
        handler = "command";
        commandCode = code;
        return ZMessageHandler::onCommand(id, code, control);
    }
    LResult onSize(WParam type, uint32_t w, uint32_t h) override
    {
        handler = "size";
        sw = w;
        sh = h;
        return ZMessageHandler::onSize(type, w, h);
    }
    LResult defaultProc(uint32_t m, WParam w, LParam l) override
    {
        seen.push_back({m, w, l});
        return 77;
    }
    std::string handler;
    int32_t mx = 0, my = 0;
    uint32_t commandCode = 0, sw = 0, sh = 0;
    std::vector<Seen> seen;
};

LResult dispatchTo(Recorder& r, uint32_t m, WParam w, LParam l)
{
    r.handler.clear();
    r.seen.clear();
    return dispatchMessage(r, m, w, l);
}

TEST(GuiDispatch, MessageRangesReachTheirHandlers)
{
    Recorder r;
    EXPECT_EQ(dispatchTo(r, 0x0400, 1, 2), 77);
    EXPECT_EQ(r.handler, "user");
    dispatchTo(r, 0x7FFF, 1, 2);
    EXPECT_EQ(r.handler, "user");
    dispatchTo(r, 0x8000, 1, 2);
    EXPECT_EQ(r.handler, "app");
    dispatchTo(r, 0xBFFF, 1, 2);
    EXPECT_EQ(r.handler, "app");
    for (uint32_t m : {0xC000u, 0xC123u, 0xFFFFu, 0x0003u /* WM_MOVE */, 0x00FFu, 0x03FFu}) {
        dispatchTo(r, m, 5, 6);
        EXPECT_EQ(r.handler, "") << std::hex << m;
        ASSERT_EQ(r.seen.size(), 1u);
        EXPECT_EQ(r.seen[0].message, m);
        EXPECT_EQ(r.seen[0].wParam, 5u);
        EXPECT_EQ(r.seen[0].lParam, 6);
    }
}

TEST(GuiDispatch, ArgumentsAreSplitAndRebuilt)
{
    Recorder r;
    // Mouse coordinates are signed 16-bit halves; the default cuts wParam to 16 bits.
    dispatchTo(r, kWmMouseMove, 0x10008, static_cast<LParam>(0xFFFEFFFFu));
    EXPECT_EQ(r.handler, "move");
    EXPECT_EQ(r.mx, -1);
    EXPECT_EQ(r.my, -2);
    ASSERT_EQ(r.seen.size(), 1u);
    EXPECT_EQ(r.seen[0].wParam, 0x0008u);
    EXPECT_EQ(static_cast<uint32_t>(r.seen[0].lParam), 0xFFFEFFFFu);

    dispatchTo(r, kWmCommand, 0x00030011, 1234);
    EXPECT_EQ(r.commandCode, 3u);
    EXPECT_EQ(r.seen[0].wParam, 0x00030011u);
    EXPECT_EQ(r.seen[0].lParam, 1234);

    dispatchTo(r, kWmSize, 0x20002, 0x01F40190);
    EXPECT_EQ(r.sw, 400u);
    EXPECT_EQ(r.sh, 500u);
    EXPECT_EQ(r.seen[0].wParam, 2u);
    EXPECT_EQ(r.seen[0].lParam, 0x01F40190);

    // Handlers that take only one half send 0 for the other.
    dispatchTo(r, kWmSetFocus, 9, 10);
    EXPECT_EQ(r.seen[0].lParam, 0);
    dispatchTo(r, kWmCreate, 9, 10);
    EXPECT_EQ(r.seen[0].wParam, 0u);
    EXPECT_EQ(r.seen[0].lParam, 10);
    dispatchTo(r, kWmPaint, 9, 10);
    EXPECT_EQ(r.seen[0].wParam, 0u);
    EXPECT_EQ(r.seen[0].lParam, 0);
    dispatchTo(r, kWmKeyDown, 0x41, 0x1E0001);
    EXPECT_EQ(r.seen[0].wParam, 0x41u);
    EXPECT_EQ(r.seen[0].lParam, 0x1E0001);
}

// A plain framework window, optionally throwing from a handler.
class PlainWindow : public ZWindow {
public:
    ~PlainWindow() override { destroy(); }
    void fillCreateParams(CreateParams& p) override
    {
        p.style = static_cast<int32_t>(topLevel ? 0u : kWsChild | kWsVisible);
        p.x = 5;
        p.y = 7;
        p.cx = 50;
        p.cy = 30;
    }
    LResult onUserMessage(uint32_t m, WParam w, LParam l) override
    {
        if (w == 666) throw std::runtime_error("handler failed");
        if (w == 1) return 4321;
        return ZWindow::onUserMessage(m, w, l);
    }
    LResult onDestroy() override
    {
        ++destroyed;
        return ZWindow::onDestroy();
    }
    int destroyed = 0;
    bool topLevel = false;
};

TEST(GuiWindow, ClassIsRegisteredOnceAndShared)
{
    HostWindow host;
    ASSERT_TRUE(host.exists());
    PlainWindow a, b;
    EXPECT_EQ(std::strncmp(a.className(), "ZWinClass_", 10), 0);
    EXPECT_STREQ(a.className(), b.className());
    EXPECT_STREQ(a.className(), host.className());
    EXPECT_LT(std::strlen(a.className()), 64u);
    EXPECT_FALSE(registerFrameworkClass(a.className()));  // already there
    const WindowHandle ha = a.create(host.handle());
    const WindowHandle hb = b.create(host.handle());
    ASSERT_NE(ha, nullptr);
    ASSERT_NE(hb, nullptr);
    EXPECT_NE(ha, hb);
    EXPECT_EQ(parentWindow(ha), host.handle());
    int32_t x, y, w, h;
    ASSERT_TRUE(windowRect(ha, x, y, w, h));
    EXPECT_EQ(x, 5);
    EXPECT_EQ(y, 7);
    EXPECT_EQ(w, 50);
    EXPECT_EQ(h, 30);
    // A second create keeps the window.
    EXPECT_EQ(a.create(host.handle()), ha);
    EXPECT_EQ(a.handle(), ha);
#if !defined(SARVO_WIN32)
    const int32_t before = headless::windowCount();
    a.create(host.handle());
    EXPECT_EQ(headless::windowCount(), before);
#endif
}

TEST(GuiWindow, WindowWithoutObjectIsRefused)
{
    PlainWindow a;
    CreateParams p;
    p.className = a.className();
    p.instance = nullptr;
    p.style = 0;
    p.createParam = nullptr;
    EXPECT_EQ(createWindow(p), nullptr);
}

TEST(GuiWindow, HandlersAnswerThroughTheProcedure)
{
    HostWindow host;
    PlainWindow a;
    ASSERT_NE(a.create(host.handle()), nullptr);
    EXPECT_EQ(sendMessage(a.handle(), 0x0401, 1, 0), 4321);
    // An exception in a handler becomes -1 and leaves the window working.
    EXPECT_EQ(sendMessage(a.handle(), 0x0401, 666, 0), -1);
    EXPECT_EQ(sendMessage(a.handle(), 0x0401, 1, 0), 4321);
}

TEST(GuiWindow, CommandsAndApplicationMessagesGoToTheParent)
{
    HostWindow host;
    PlainWindow a;
    ASSERT_NE(a.create(host.handle()), nullptr);
    sendMessage(a.handle(), kWmCommand, 0x00020123, 0x4567);
    ASSERT_EQ(host.received.size(), 1u);
    EXPECT_EQ(host.received[0].message, kWmCommand);
    EXPECT_EQ(host.received[0].wParam, 0x00020123u);
    EXPECT_EQ(host.received[0].lParam, 0x4567);
    // The parent's answer comes back.
    EXPECT_EQ(sendMessage(a.handle(), 0x8001, 11, 12), 0x5A5A);
    ASSERT_EQ(host.received.size(), 2u);
    EXPECT_EQ(host.received[1].message, 0x8001u);
    EXPECT_EQ(host.received[1].wParam, 11u);
    EXPECT_EQ(host.received[1].lParam, 12);
    // A top-level window has no parent to ask: the default procedure answers.
    PlainWindow top;
    top.topLevel = true;
    ASSERT_NE(top.create(nullptr), nullptr);
    EXPECT_EQ(sendMessage(top.handle(), 0x8001, 0, 0), 0);
    EXPECT_EQ(sendMessage(top.handle(), kWmCommand, 1, 0), 0);
    EXPECT_EQ(host.received.size(), 2u);
}

TEST(GuiWindow, DestroyForgetsAndObjectsTakeTheirWindowAlong)
{
    HostWindow host;
    WindowHandle h;
    {
        PlainWindow a;
        h = a.create(host.handle());
        ASSERT_TRUE(isWindow(h));
        a.destroy();
        EXPECT_FALSE(isWindow(h));
        EXPECT_EQ(a.handle(), nullptr);
        EXPECT_EQ(a.destroyed, 1);
        a.destroy();  // nothing left to do
        h = a.create(host.handle());
        ASSERT_TRUE(isWindow(h));
    }
    EXPECT_FALSE(isWindow(h));
    // Destroying the parent takes the child along; the object forgets its handle.
    PlainWindow b;
    {
        HostWindow parent;
        ASSERT_NE(b.create(parent.handle()), nullptr);
    }
    EXPECT_EQ(b.handle(), nullptr);
    EXPECT_FALSE(b.exists());
    EXPECT_EQ(b.destroyed, 1);
}

}  // namespace
