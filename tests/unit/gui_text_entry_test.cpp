// The text entry over a value: opening, typing through the keyboard hook, Enter, Esc, focus loss.
#include "gui_test_support.h"

#include <cstring>

#include "gui/text_entry.h"

#if defined(SARVO_WIN32)
#include <thread>
#endif

using namespace gui_test;
using namespace platform;

namespace {

constexpr int32_t kGain = SarvoEffect::kGain;

// A value-like control: a click opens the entry over it.
class EntryControl : public ZControl {
public:
    EntryControl(ZPlugin* effect, int32_t index) : ZControl(effect) { entry.parameterIndex = index; }
    ~EntryControl() override { entry.destroy(); }
    void attach(ZControlHost* w) override
    {
        ZControl::attach(w);
        entry.editorWindow = w;
        entry.effect = effect;
    }
    void reset() override {}
    void draw(ZSurface&) override { ++draws; }
    bool leftDown(bool, bool, int32_t, int32_t) override
    {
        entry.open(x, y, x + width, y + height);
        return false;
    }
    ZTextEntry entry;
    int draws = 0;
};

#if defined(SARVO_WIN32)
int32_t gHostKeys = 0;
#endif

// Keys as the keyboard delivers them; counts the ones that reach the host's message loop.
int32_t hostKeys()
{
#if defined(SARVO_WIN32)
    return gHostKeys;
#else
    return headless::hostKeyCount();
#endif
}

void press(uint32_t key)
{
#if defined(SARVO_WIN32)
    INPUT in[2] = {};
    in[0].type = INPUT_KEYBOARD;
    in[0].ki.wVk = static_cast<WORD>(key);
    in[1] = in[0];
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
    // Run the host's loop until the keystroke has been taken: input passes through the X server, which
    // may be slow on a loaded machine, so wait for the first message and then for a quiet spell.
    bool seen = false;
    int quiet = 0;
    for (int i = 0; i < 400 && quiet < 12; ++i) {
        MSG msg;
        bool any = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            // Without a focus window, keys reach the active window as system keys.
            if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) ++gHostKeys;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (any) {
            seen = true;
            quiet = 0;
        } else if (seen || i >= 100) {
            ++quiet;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
#else
    headless::keystroke(key, false);
    headless::keystroke(key, true);
#endif
}

void type(const char* keys)
{
    for (const char* k = keys; *k; ++k) press(static_cast<unsigned char>(*k));
}

std::string fieldText(ZTextEntry& entry)
{
    char text[256] = {};
    windowText(entry.handle(), text, sizeof text);
    return text;
}

class TextEntryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        effect = makeEffect();
        gain = place(new EntryControl(effect.get(), kGain), 1, 16, 61, 56, 14);
        none = place(new EntryControl(effect.get(), -1), 1, 100, 61, 56, 14);
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(makeSkin(effect.get(), 200, 150, {gain, none}));
        host.reset(new HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
        updateWindow(window->handle());
#if defined(SARVO_WIN32)
        SetForegroundWindow(static_cast<HWND>(HostWindow::top().handle()));
        SetActiveWindow(static_cast<HWND>(HostWindow::top().handle()));
        pumpMessages();
#endif
        effect->setParameterValue(kGain, 0.25);  // 3.0 dB
        hostRequests().clear();
    }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }
    void click(int32_t x, int32_t y)
    {
        mouse(window->handle(), kWmLeftButtonDown, x, y);
        mouse(window->handle(), kWmLeftButtonUp, x, y);
    }
    std::vector<HostRequest> automations()
    {
        std::vector<HostRequest> out;
        for (const HostRequest& r : editRequests()) out.push_back(r);
        return out;
    }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
    EntryControl* gain = nullptr;
    EntryControl* none = nullptr;
};

TEST_F(TextEntryTest, OpensOverTheValueWithItsTextSelected)
{
    click(20, 65);
    ZTextEntry& e = gain->entry;
    ASSERT_TRUE(e.exists());
    EXPECT_EQ(parentWindow(e.handle()), window->handle());
    EXPECT_TRUE(isWindowVisible(e.handle()));
    EXPECT_EQ(focusWindow(), e.handle());
    int32_t x, y, w, h;
    ASSERT_TRUE(windowRect(e.handle(), x, y, w, h));
    EXPECT_EQ(x, 16);
    EXPECT_EQ(y, 61);
    EXPECT_EQ(w, 56);
    EXPECT_EQ(h, 14);
    EXPECT_EQ(fieldText(e), std::string(effect->valueText(kGain)));  // no unit
    EXPECT_EQ(fieldText(e), "3.0");
    EXPECT_TRUE(keyboardHookInstalled());
    EXPECT_TRUE(window->paintSuppressed());
    window->invalidate();
    EXPECT_FALSE(needsPaint(window->handle()));
    // Typing replaces the whole selected text.
    type("6");
    EXPECT_EQ(fieldText(e), "6");
}

TEST_F(TextEntryTest, EnterCommitsWithTwoAutomationReports)
{
    click(20, 65);
    const int32_t keysBefore = hostKeys();
    type("6");
    const int drawsBefore = gain->draws;
    press(kVkReturn);
    EXPECT_EQ(hostKeys(), keysBefore) << "the host saw keys while the entry was open";
    EXPECT_FALSE(gain->entry.exists());
    EXPECT_NEAR(effect->displayValue(kGain), 6.0, 1e-9);
    const std::vector<HostRequest> r = automations();
    ASSERT_EQ(r.size(), 2u);
    EXPECT_EQ(r[0].opcode, audioMasterAutomate);
    EXPECT_FLOAT_EQ(r[0].value, 0.25f);
    EXPECT_EQ(r[1].opcode, audioMasterAutomate);
    EXPECT_FLOAT_EQ(r[1].value, 0.5f);
    EXPECT_STREQ(gain->entry.text, "6");
    // Closed: hook gone, painting back, keys reach the host again.
    EXPECT_FALSE(keyboardHookInstalled());
    EXPECT_FALSE(window->paintSuppressed());
    updateWindow(window->handle());
    EXPECT_GT(gain->draws, drawsBefore);
    press('7');
    EXPECT_GT(hostKeys(), keysBefore);
    // The entry opens again with a new window.
    click(20, 65);
    EXPECT_TRUE(gain->entry.exists());
    EXPECT_EQ(fieldText(gain->entry), "6.0");
    press(kVkEscape);
}

TEST_F(TextEntryTest, EscapeClosesWithoutAChange)
{
    click(20, 65);
    type("9");
    press(kVkEscape);
    EXPECT_FALSE(gain->entry.exists());
    EXPECT_DOUBLE_EQ(effect->parameterValue(kGain), 0.25);
    EXPECT_TRUE(automations().empty());
    EXPECT_FALSE(keyboardHookInstalled());
    EXPECT_FALSE(window->paintSuppressed());
}

TEST_F(TextEntryTest, ClickingTheEditorCommitsAndCloses)
{
    click(20, 65);
    type("9");
    click(150, 120);  // background
    EXPECT_FALSE(gain->entry.exists());
    EXPECT_NEAR(effect->displayValue(kGain), 9.0, 1e-9);
    EXPECT_EQ(automations().size(), 2u);
    EXPECT_FALSE(keyboardHookInstalled());
    EXPECT_EQ(focusWindow(), window->handle());
    // Clicking one value while another's entry is open commits the first and opens the second.
    click(20, 65);
    type("1");
    click(110, 65);
    EXPECT_FALSE(gain->entry.exists());
    EXPECT_TRUE(none->entry.exists());
    EXPECT_NEAR(effect->displayValue(kGain), 1.0, 1e-9);
    EXPECT_TRUE(keyboardHookInstalled());
    press(kVkEscape);
}

TEST_F(TextEntryTest, NoParameterShowsAnEmptyFieldAndCommitsNothing)
{
    click(110, 65);
    ASSERT_TRUE(none->entry.exists());
    EXPECT_EQ(fieldText(none->entry), "");
    type("5");
    press(kVkReturn);
    EXPECT_FALSE(none->entry.exists());
    EXPECT_STREQ(none->entry.text, "5");
    EXPECT_TRUE(automations().empty());
    EXPECT_DOUBLE_EQ(effect->parameterValue(kGain), 0.25);
}

#if !defined(SARVO_WIN32)
TEST_F(TextEntryTest, MenuKeysAreNotRedirected)
{
    click(20, 65);
    const int32_t before = hostKeys();
    EXPECT_FALSE(headless::keystroke('4', false, true));
    EXPECT_EQ(hostKeys(), before + 1);
    EXPECT_EQ(fieldText(gain->entry), "3.0");
    press(kVkEscape);
}
#endif

TEST_F(TextEntryTest, DestroyingTheOwnerRemovesTheHook)
{
    click(20, 65);
    ASSERT_TRUE(keyboardHookInstalled());
    WindowHandle field = gain->entry.handle();
    window.reset();  // the skin, its controls and the entry go with the editor window
    EXPECT_FALSE(keyboardHookInstalled());
    EXPECT_FALSE(isWindow(field));
}

TEST(TextEntryTeardown, EffectDestroyedWhileTypingTakesEverythingAlong)
{
    std::unique_ptr<SarvoEffect> effect = makeEffect();
    auto* value = place(new EntryControl(effect.get(), kGain), 1, 16, 61, 56, 14);
    ZEditor* editor = new ZEditor(effect.get());
    editor->setSkin(makeSkin(effect.get(), 200, 150, {value}));
    effect->setEditor(editor);
    HostWindow host;
    effect->dispatcher(effEditOpen, 0, 0, host.handle(), 0.0f);
    mouse(editor->window()->handle(), kWmLeftButtonDown, 20, 65);
    ASSERT_TRUE(value->entry.exists());
    type("8");
    const WindowHandle field = value->entry.handle();
    const WindowHandle editorWindow = editor->window()->handle();
    hostRequests().clear();
    effect.reset();  // a host that closes the effect without closing the editor
    EXPECT_FALSE(isWindow(field));
    EXPECT_FALSE(isWindow(editorWindow));
    EXPECT_FALSE(keyboardHookInstalled());
    EXPECT_TRUE(editRequests().empty());
}

}  // namespace
