// The window seam without a window server: a tree of windows inside the process, kept in a window
// table (window_table.h, which also keeps the framework's rules of creation, destruction, focus and
// capture). "Painting" copies the surface into a pixel buffer kept per window; keystrokes come from
// the functions of namespace headless, and messages are always delivered synchronously.
#include "platform/window_system.h"

#include <cstring>
#include <memory>
#include <vector>

#include "platform/posix/window_table.h"

namespace platform {
namespace headless_windows {
namespace {

struct Window : WindowRecord {
    int32_t selStart = 0, selEnd = 0;
    std::vector<uint32_t> screen;  // what the last paint copied, width x height
    int32_t screenWidth = 0, screenHeight = 0;
};

LResult sharedProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return frameworkProcedure(window, message, wParam, lParam);
}

WindowTable& table();
LResult staticProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
bool destroyWindow(WindowHandle window) { return table().destroy(window); }

struct State {
    WindowTable table{&sharedProcedure, &staticProcedure, &editProcedure, {&destroyWindow, nullptr, nullptr}};
    std::uintptr_t nextHandle = 0x1000;
    int32_t hostKeys = 0;
};

// A static object, not a heap one: it is made once (safely, whichever thread comes first) and freed
// when the module is unloaded, so a host that loads and unloads the module loses nothing.
State& state()
{
    static State s;
    return s;
}

WindowTable& table() { return state().table; }

Window* find(WindowHandle window) { return table().findAs<Window>(window); }

LResult staticProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return table().defaultProcedure(window, message, wParam, lParam);
}

int32_t textLength(const Window& w) { return static_cast<int32_t>(w.text.size()); }

// A one-line text field: text, selection, typed characters.
LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    Window* w = find(window);
    if (!w) return 0;
    switch (message) {
        case kWmNcCreate: return 1;
        case kWmCreate: return 0;
        case kWmSetText:
            w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            w->selStart = w->selEnd = 0;
            return 1;
        case kEmSetSel: {
            const int32_t len = textLength(*w);
            int32_t start = static_cast<int32_t>(wParam);
            int32_t end = static_cast<int32_t>(lParam);
            if (end < 0 || end > len) end = len;
            if (start < 0) start = end;
            if (start > len) start = len;
            if (start > end) std::swap(start, end);
            w->selStart = start;
            w->selEnd = end;
            return 0;
        }
        case kWmChar: {
            const char c = static_cast<char>(wParam);
            if (c == 8) {
                if (w->selStart == w->selEnd && w->selStart > 0) --w->selStart;
                w->text.erase(w->selStart, w->selEnd - w->selStart);
                w->selEnd = w->selStart;
            } else if (static_cast<unsigned char>(c) >= 32) {
                w->text.replace(w->selStart, w->selEnd - w->selStart, 1, c);
                w->selEnd = ++w->selStart;
            }
            return 0;
        }
        case kWmKeyDown:
        case kWmKeyUp:
        case kWmSetFont: return 0;
        default: return table().defaultProcedure(window, message, wParam, lParam);
    }
}

// The character a key gives, as TranslateMessage would; 0 for none.
char characterOf(uint32_t key)
{
    if (key >= '0' && key <= '9') return static_cast<char>(key);
    if (key >= 'A' && key <= 'Z') return static_cast<char>(key - 'A' + 'a');
    if (key >= 0x60 && key <= 0x69) return static_cast<char>('0' + (key - 0x60));
    switch (key) {
        case 0x08: return 8;
        case 0x0D: return 13;
        case 0x1B: return 27;
        case 0x20: return ' ';
        case 0x6D:
        case 0xBD: return '-';
        case 0x6E:
        case 0xBE: return '.';
        case 0xBC: return ',';
        default: return 0;
    }
}

}  // namespace

WindowHandle createWindow(const CreateParams& p)
{
    WindowTable& t = table();
    const WindowProcedure procedure = t.classProcedure(p.className);
    if (!procedure) return nullptr;
    WindowHandle handle = nullptr;
    {
        WindowTable::Lock lock(t.mutex());
        if ((static_cast<uint32_t>(p.style) & kWsChild) && !t.find(p.parent)) return nullptr;
        if (p.parent && !t.find(p.parent)) return nullptr;
        handle = reinterpret_cast<WindowHandle>(state().nextHandle);
        state().nextHandle += 0x10;
    }
    std::unique_ptr<Window> w(new Window);
    WindowTable::describe(*w, p, procedure);
    return t.create(handle, std::move(w), p) == WindowTable::Created::Made ? handle : nullptr;
}

bool updateWindow(WindowHandle window)
{
    Window* w = find(window);
    if (!w) return false;
    if (w->invalid && w->visible) table().send(window, kWmPaint, 0, 0);
    return true;
}

WindowHandle setFocus(WindowHandle window) { return table().setFocus(window); }

bool setWindowPosition(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height)
{
    Window* w = find(window);
    if (!w) return false;
    w->x = x;
    w->y = y;
    w->width = width;
    w->height = height;
    return true;
}

void showWindow(WindowHandle window)
{
    if (Window* w = find(window)) {
        if (!w->visible) w->invalid = true;
        w->visible = true;
    }
}

bool isWindowVisible(WindowHandle window)
{
    for (WindowHandle h = window; h;) {
        Window* w = find(h);
        if (!w || !w->visible) return false;
        h = w->parent;
    }
    return window != nullptr;
}

void copyToWindow(PaintContext* context, void* /*sourceDc*/, const uint32_t* pixels, int32_t width, int32_t height)
{
    if (!context || !pixels || width < 1 || height < 1) return;
    Window* w = find(WindowTable::paintedWindow(context));
    if (!w || w->width < 1 || w->height < 1) return;
    w->screenWidth = w->width;
    w->screenHeight = w->height;
    w->screen.assign(static_cast<std::size_t>(w->width) * w->height, 0);
    const int32_t cw = width < w->width ? width : w->width;
    const int32_t ch = height < w->height ? height : w->height;
    for (int32_t row = 0; row < ch; ++row)
        std::memcpy(&w->screen[static_cast<std::size_t>(row) * w->width],
                    pixels + static_cast<std::size_t>(row) * width, static_cast<std::size_t>(cw) * sizeof(uint32_t));
}

bool installKeyboardHook(WindowHandle /*owner*/)
{
    table().hook = true;
    return true;
}

void removeKeyboardHook() { table().hook = false; }

// No events: every message is delivered when it is sent; painting waits for updateWindow.
void noEvents(WindowHandle /*window*/) {}
int32_t noConnection(WindowHandle /*window*/) { return -1; }

}  // namespace headless_windows

const WindowSystem& headlessWindowSystem()
{
    namespace h = headless_windows;
    static const WindowSystem system = tableWindowSystem<&h::table>(
        {&h::createWindow, &h::destroyWindow, &h::updateWindow, &h::setFocus, &h::setWindowPosition, &h::showWindow,
         &h::isWindowVisible, &WindowTable::endPaint, &h::copyToWindow, &h::installKeyboardHook, &h::removeKeyboardHook,
         &h::noEvents, &h::noEvents, &h::noConnection});
    return system;
}

namespace headless {
using headless_windows::find;
using headless_windows::state;
using headless_windows::State;
using headless_windows::table;
using headless_windows::Window;

const uint32_t* windowPixels(WindowHandle window, int32_t& width, int32_t& height)
{
    Window* w = find(window);
    if (!w || w->screen.empty()) return nullptr;
    width = w->screenWidth;
    height = w->screenHeight;
    return w->screen.data();
}

bool keystroke(uint32_t key, bool release, bool menuMode)
{
    State& s = state();
    const LParam flags = static_cast<LParam>(1u | (release ? 0xC0000000u : 0u) | (menuMode ? (1u << 28) : 0u));
    if (!table().hook || menuMode) {
        if (!release) ++s.hostKeys;
        return false;
    }
    const WindowHandle focus = table().focus();
    table().send(focus, release ? kWmKeyUp : kWmKeyDown, key, flags);
    if (!release && find(focus))
        if (const char c = headless_windows::characterOf(key))
            table().send(focus, kWmChar, static_cast<unsigned char>(c), flags);
    return true;
}

int32_t hostKeyCount() { return state().hostKeys; }

int32_t windowCount() { return table().count(); }

}  // namespace headless
}  // namespace platform
