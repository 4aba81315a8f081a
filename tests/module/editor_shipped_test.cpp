// The built-in editor through the loaded plug-in module, in a real window: dragging a knob,
// ctrl-clicking one, clicking the switch and typing a value, with the host requests, the
// parameter values and the window's pixels.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#if defined(SARVO_WIN32)

#include "win32_host_window.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

namespace {

// The built-in skin's places, in editor-window pixels.
constexpr int kGainKnobX = 22 + 21, kKnobY = 18 + 22;
constexpr int kClipKnobX = 97 + 21;
constexpr int kSwitchX = 68 + 50, kSwitchY = 281 + 10;
constexpr int kGainValueX = 16 + 28, kValueY = 61 + 7;
// The graph's plot: control at (17, 109), plot rows 10 (output 1.0) to 126 (output 0).
constexpr int kGraphX = 17, kGraphY = 109;

LRESULT CALLBACK frameProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProcA(h, m, w, l); }

// The host's frame for the editor: one top-level window for the whole program.
HWND frame()
{
    static HWND window = hostWindow("SarvoShippedEditorHost", &frameProc, WS_POPUP, 0, 0, 420, 360);
    return window;
}

void pump()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

LPARAM at(int x, int y) { return MAKELPARAM(x, y); }

// A key as the keyboard delivers it, with the host's loop running until it has been handled.
void press(WORD key)
{
    INPUT in[2] = {};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = key;
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    for (int i = 0; i < 20; ++i) {
        pump();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// What the window shows, read back from the screen.
class Picture {
public:
    explicit Picture(HWND h)
    {
        UpdateWindow(h);
        pixels_ = windowPixels(h, width_);
        for (uint32_t& p : pixels_) p &= 0xFFFFFF;
    }
    uint32_t operator()(int x, int y) const { return pixels_[static_cast<size_t>(y) * width_ + x]; }
    std::vector<uint32_t> area(int x, int y, int w, int h) const
    {
        std::vector<uint32_t> out;
        for (int j = y; j < y + h; ++j)
            for (int i = x; i < x + w; ++i) out.push_back((*this)(i, j));
        return out;
    }

private:
    int width_ = 0;
    std::vector<uint32_t> pixels_;
};

bool trueColourScreen()
{
    HDC dc = GetDC(nullptr);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits >= 24;
}

constexpr uint32_t kLt = 0x7D92A3;  // the graph's colour

struct Edit {
    VstInt32 opcode;
    VstInt32 index;
    float value;
};

// Begin-edit, automate and end-edit requests since the last clear.
std::vector<Edit> edits()
{
    std::vector<Edit> out;
    for (const HostCall& c : RecordingHost::instance().calls)
        if (c.opcode == audioMasterAutomate || c.opcode == audioMasterBeginEdit || c.opcode == audioMasterEndEdit)
            out.push_back({c.opcode, c.index, c.opt});
    return out;
}

void expectGesture(const std::vector<Edit>& r, VstInt32 index, const std::vector<float>& values)
{
    ASSERT_EQ(r.size(), values.size() + 2);
    EXPECT_EQ(r.front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(r.back().opcode, audioMasterEndEdit);
    for (size_t i = 0; i < values.size(); ++i) {
        EXPECT_EQ(r[i + 1].opcode, audioMasterAutomate) << i;
        EXPECT_NEAR(r[i + 1].value, values[i], 1e-6) << i;
    }
    for (const Edit& e : r) EXPECT_EQ(e.index, index);
}

class ShippedEditorModuleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        RecordingHost::instance().clear();
        RecordingHost::instance().answer = nullptr;
        fx.reset(new Instance);
        ASSERT_NE(fx->effect(), nullptr);
        ASSERT_TRUE((*fx)->flags & effFlagsHasEditor) << "the built-in skin must parse completely";
        ASSERT_NE(frame(), nullptr);
        ASSERT_EQ(fx->dispatch(effEditOpen, 0, 0, frame()), 1);
        editor = GetWindow(frame(), GW_CHILD);
        ASSERT_NE(editor, nullptr);
        SetForegroundWindow(frame());
        pump();
        RecordingHost::instance().clear();
    }
    void TearDown() override
    {
        if (fx && fx->effect()) fx->dispatch(effEditClose);
        fx.reset();
        pump();
    }
    float parameter(VstInt32 i) const { return (*fx)->getParameter(fx->effect(), i); }
    void setParameter(VstInt32 i, float v) const { (*fx)->setParameter(fx->effect(), i, v); }
    void send(UINT message, int x, int y, WPARAM keys = 0) const
    {
        SendMessageA(editor, message, keys, at(x, y));
        pump();
    }

    std::unique_ptr<Instance> fx;
    HWND editor = nullptr;
};

TEST_F(ShippedEditorModuleTest, DragTheGainKnob)
{
    const std::vector<uint32_t> atZero = Picture(editor).area(22, 18, 42, 44);
    send(WM_LBUTTONDOWN, kGainKnobX, kKnobY, MK_LBUTTON);
    EXPECT_EQ(GetCapture(), editor);
    send(WM_MOUSEMOVE, kGainKnobX, kKnobY - 10, MK_LBUTTON);
    send(WM_MOUSEMOVE, kGainKnobX + 40, kKnobY - 20, MK_LBUTTON);  // 10 up and 40 right: +0.2
    send(WM_LBUTTONUP, kGainKnobX + 40, kKnobY - 20);
    EXPECT_NE(GetCapture(), editor);
    expectGesture(edits(), 0, {0.0f, 0.1f, 0.3f});
    EXPECT_NEAR(parameter(0), 0.3f, 1e-6);
    EXPECT_EQ(fx->text(effGetParamDisplay, 0), "3.6");

    const std::vector<uint32_t> dragged = Picture(editor).area(22, 18, 42, 44);
    EXPECT_NE(dragged, atZero) << "the knob shows another frame";
    setParameter(0, 0.0f);
    EXPECT_EQ(Picture(editor).area(22, 18, 42, 44), atZero) << "and frame 0 again at 0";
    // The graph followed the gain: at 3.6 dB the flat top starts further left.
    setParameter(0, 0.3f);
    const Picture p(editor);
    if (trueColourScreen()) {
        EXPECT_EQ(p(kGraphX + 110, kGraphY + 10), kLt);
    }
}

TEST_F(ShippedEditorModuleTest, CtrlClickTheClipKnobAndWatchTheGraph)
{
    setParameter(1, 0.5f);
    const Picture half(editor);
    send(WM_LBUTTONDOWN, kClipKnobX, kKnobY, MK_LBUTTON | MK_CONTROL);
    send(WM_MOUSEMOVE, kClipKnobX, kKnobY - 30, MK_LBUTTON | MK_CONTROL);  // no drag after a ctrl-click
    send(WM_LBUTTONUP, kClipKnobX, kKnobY - 30, MK_CONTROL);
    expectGesture(edits(), 1, {0.5f, 1.0f});
    EXPECT_EQ(parameter(1), 1.0f);
    const Picture full(editor);
    EXPECT_NE(full.area(97, 18, 42, 44), half.area(97, 18, 42, 44));
    // Clip 50 %: the curve's flat part lies on plot row 68; at 100 % on row 10.
    if (trueColourScreen()) {
        EXPECT_EQ(half(kGraphX + 150, kGraphY + 68), kLt);
        EXPECT_NE(half(kGraphX + 150, kGraphY + 10), kLt);
        EXPECT_EQ(full(kGraphX + 150, kGraphY + 10), kLt);
        EXPECT_NE(full(kGraphX + 150, kGraphY + 68), kLt);
    } else {
        EXPECT_NE(full.area(kGraphX, kGraphY, 203, 136), half.area(kGraphX, kGraphY, 203, 136));
    }
}

TEST_F(ShippedEditorModuleTest, ClickTheOversamplingSwitch)
{
    const std::vector<uint32_t> off = Picture(editor).area(68, 281, 101, 21);
    send(WM_LBUTTONDOWN, kSwitchX, kSwitchY, MK_LBUTTON);
    send(WM_LBUTTONUP, kSwitchX, kSwitchY);
    expectGesture(edits(), 3, {0.0f, 1.0f});
    EXPECT_EQ(parameter(3), 1.0f);
    const std::vector<uint32_t> on = Picture(editor).area(68, 281, 101, 21);
    EXPECT_NE(on, off);
    send(WM_LBUTTONDOWN, kSwitchX, kSwitchY, MK_LBUTTON);
    send(WM_LBUTTONUP, kSwitchX, kSwitchY);
    EXPECT_EQ(parameter(3), 0.0f);
    EXPECT_EQ(Picture(editor).area(68, 281, 101, 21), off);
}

TEST_F(ShippedEditorModuleTest, TypeIntoTheGainValue)
{
    const std::vector<uint32_t> before = Picture(editor).area(16, 61, 56, 14);
    send(WM_LBUTTONDOWN, kGainValueX, kValueY, MK_LBUTTON);
    send(WM_LBUTTONUP, kGainValueX, kValueY);
    HWND entry = GetFocus();
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry, editor);
    EXPECT_EQ(GetParent(entry), editor);
    char text[32] = {};
    GetWindowTextA(entry, text, sizeof text);
    EXPECT_STREQ(text, "0.0");
    press('6');
    press(VK_RETURN);
    EXPECT_FALSE(IsWindow(entry));
    EXPECT_NEAR(parameter(0), 0.5f, 1e-6);
    EXPECT_EQ(fx->text(effGetParamDisplay, 0), "6.0");
    const std::vector<Edit> r = edits();
    ASSERT_EQ(r.size(), 2u) << "a typed value is reported before and after, without begin and end";
    EXPECT_EQ(r[0].opcode, audioMasterAutomate);
    EXPECT_EQ(r[0].value, 0.0f);
    EXPECT_EQ(r[1].value, 0.5f);
    // The value text and the knob show the new value.
    const Picture p(editor);
    EXPECT_NE(p.area(16, 61, 56, 14), before);
    setParameter(0, 0.0f);
    EXPECT_EQ(Picture(editor).area(16, 61, 56, 14), before);
}

TEST_F(ShippedEditorModuleTest, TheWaveDisplaysShowProcessedAudio)
{
    const std::vector<uint32_t> empty = Picture(editor).area(249, 86, 136, 93);
    setParameter(1, 0.5f);  // Clip 50 %
    std::vector<float> left(2205 * 40), right(left.size());
    for (size_t i = 0; i < left.size(); ++i) left[i] = right[i] = static_cast<float>(0.9 * std::sin(0.03 * i));
    float* io[2] = {left.data(), right.data()};
    (*fx)->processReplacing(fx->effect(), io, io, static_cast<VstInt32>(left.size()));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    fx->dispatch(effEditIdle);
    const Picture p(editor);
    EXPECT_NE(p.area(249, 86, 136, 93), empty);
    if (trueColourScreen()) {
        // Newest column: the input (back) beyond the output (fore) clipped at half scale.
        EXPECT_EQ(p(249 + 135, 86 + 10), 0x414B55u);
        EXPECT_EQ(p(249 + 135, 86 + 30), 0x6E7D82u);
        // The left part of the display, older than the audio, keeps the background.
        EXPECT_EQ(p(249 + 5, 86 + 30), empty[30 * 136 + 5]);
    }
}

}  // namespace

#endif
