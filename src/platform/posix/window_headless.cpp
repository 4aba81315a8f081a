// The window seam without a window server: a tree of windows inside the process.
//
// It keeps the rules the framework depends on: creation sends WM_NCCREATE (FALSE refuses) and
// WM_CREATE (-1 refuses); destruction moves the focus out of the destroyed windows first, gives
// up their capture, then sends WM_DESTROY (parents first) and WM_NCDESTROY (children first);
// focus changes send WM_KILLFOCUS then WM_SETFOCUS; capture changes send WM_CAPTURECHANGED to
// the window that loses it. Messages are always delivered synchronously.
#include "platform/window_system.h"

#include <cctype>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace platform {
namespace headless_windows {
namespace {

using Procedure = LResult (*)(WindowHandle, uint32_t, WParam, LParam);

struct Window {
    std::string className;
    Procedure procedure = nullptr;
    WindowHandle parent = nullptr;
    int32_t style = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
    void* userData = nullptr;
    bool visible = false;
    bool invalid = false;
    bool destroying = false;
    std::string text;
    int32_t selStart = 0, selEnd = 0;
    std::vector<uint32_t> screen;  // what the last paint copied, width x height
    int32_t screenWidth = 0, screenHeight = 0;
};

LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

struct State {
    State()
    {
        classes.emplace_back("Static", &defaultProcedure);
        classes.emplace_back("Edit", &editProcedure);
    }
    std::recursive_mutex mutex;
    std::map<WindowHandle, Window> windows;
    std::vector<std::pair<std::string, Procedure>> classes;
    std::uintptr_t nextHandle = 0x1000;
    WindowHandle focus = nullptr;
    WindowHandle capture = nullptr;
    bool hook = false;
    int32_t hostKeys = 0;
};

LResult sharedProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return frameworkProcedure(window, message, wParam, lParam);
}

LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// A static object, not a heap one: it is made once (safely, whichever thread comes first) and freed
// when the module is unloaded, so a host that loads and unloads the module loses nothing.
State& state()
{
    static State s;
    return s;
}

using Lock = std::lock_guard<std::recursive_mutex>;

bool sameName(const std::string& a, const char* b)
{
    if (!b || a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// The record of a live window, or null. Valid until the window is destroyed.
Window* find(WindowHandle window)
{
    State& s = state();
    Lock lock(s.mutex);
    auto it = s.windows.find(window);
    return it == s.windows.end() ? nullptr : &it->second;
}

Procedure procedureOf(WindowHandle window)
{
    Window* w = find(window);
    return w ? w->procedure : nullptr;
}

bool inSubtree(WindowHandle window, WindowHandle root)
{
    for (WindowHandle h = window; h;) {
        if (h == root) return true;
        Window* w = find(h);
        h = w ? w->parent : nullptr;
    }
    return false;
}

void collect(WindowHandle root, std::vector<WindowHandle>& out)
{
    out.push_back(root);
    std::vector<WindowHandle> children;
    {
        State& s = state();
        Lock lock(s.mutex);
        for (auto& entry : s.windows)
            if (entry.second.parent == root) children.push_back(entry.first);
    }
    for (WindowHandle child : children) collect(child, out);
}

int32_t textLength(const Window& w) { return static_cast<int32_t>(w.text.size()); }

LResult copyText(Window& w, WParam size, LParam buffer)
{
    char* out = reinterpret_cast<char*>(buffer);
    if (!out || size == 0) return 0;
    std::size_t n = w.text.size();
    if (n > size - 1) n = size - 1;
    std::memcpy(out, w.text.data(), n);
    out[n] = '\0';
    return static_cast<LResult>(n);
}

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
        default: return defaultProcedure(window, message, wParam, lParam);
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

// What beginPaint hands out (platform::PaintContext is each window system's own).
struct Paint {
    WindowHandle window;
};

const void* sharedProcedureAddress() { return reinterpret_cast<const void*>(&sharedProcedure); }

bool registerFrameworkClass(const char* name)
{
    if (!name || !*name) return false;
    State& s = state();
    Lock lock(s.mutex);
    for (auto& c : s.classes)
        if (sameName(c.first, name)) return false;
    s.classes.emplace_back(name, &sharedProcedure);
    return true;
}

WindowHandle createWindow(const CreateParams& p)
{
    State& s = state();
    Procedure procedure = nullptr;
    WindowHandle handle = nullptr;
    {
        Lock lock(s.mutex);
        for (auto& c : s.classes)
            if (sameName(c.first, p.className)) procedure = c.second;
        if (!procedure) return nullptr;
        if ((static_cast<uint32_t>(p.style) & kWsChild) && !s.windows.count(p.parent)) return nullptr;
        if (p.parent && !s.windows.count(p.parent)) return nullptr;
        handle = reinterpret_cast<WindowHandle>(s.nextHandle);
        s.nextHandle += 0x10;
        Window& w = s.windows[handle];
        w.className = p.className;
        w.procedure = procedure;
        w.parent = p.parent;
        w.style = p.style;
        w.x = p.x == kUseDefault ? 0 : p.x;
        w.y = p.y == kUseDefault ? 0 : p.y;
        w.width = p.cx == kUseDefault ? 0 : p.cx;
        w.height = p.cy == kUseDefault ? 0 : p.cy;
        w.text = p.name ? p.name : "";
    }
    CreateParams params = p;
    if (procedure(handle, kWmNcCreate, 0, reinterpret_cast<LParam>(&params)) == 0) {
        if (find(handle)) procedure(handle, kWmNcDestroy, 0, 0);
        Lock lock(s.mutex);
        s.windows.erase(handle);
        return nullptr;
    }
    Procedure current = procedureOf(handle);
    if (!current || current(handle, kWmCreate, 0, reinterpret_cast<LParam>(&params)) == -1) {
        destroyWindow(handle);
        return nullptr;
    }
    if (Window* w = find(handle)) {
        if (static_cast<uint32_t>(w->style) & kWsVisible) {
            w->visible = true;
            w->invalid = true;
        }
    }
    return handle;
}

bool isWindow(WindowHandle window) { return window && find(window) != nullptr; }

bool destroyWindow(WindowHandle window)
{
    Window* w = find(window);
    if (!w) return false;
    if (w->destroying) return true;
    State& s = state();
    std::vector<WindowHandle> tree;
    collect(window, tree);
    for (WindowHandle h : tree)
        if (Window* x = find(h)) x->destroying = true;
    w->visible = false;
    const WindowHandle parent = w->parent;
    if (s.focus && inSubtree(s.focus, window)) setFocus(isWindow(parent) ? parent : nullptr);
    if (s.capture && inSubtree(s.capture, window)) releaseCapture();
    for (WindowHandle h : tree)
        if (Procedure p = procedureOf(h)) p(h, kWmDestroy, 0, 0);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        if (Procedure p = procedureOf(*it)) p(*it, kWmNcDestroy, 0, 0);
        Lock lock(s.mutex);
        s.windows.erase(*it);
        if (s.focus == *it) s.focus = nullptr;
        if (s.capture == *it) s.capture = nullptr;
    }
    return true;
}

WindowHandle parentWindow(WindowHandle window)
{
    Window* w = find(window);
    return w ? w->parent : nullptr;
}

void* userData(WindowHandle window)
{
    Window* w = find(window);
    return w ? w->userData : nullptr;
}

void setUserData(WindowHandle window, void* data)
{
    if (Window* w = find(window)) w->userData = data;
}

LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    Window* w = find(window);
    switch (message) {
        case kWmNcCreate: return 1;
        case kWmPaint:
            if (w) w->invalid = false;
            return 0;
        case kWmSetText:
            if (w) w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            return 1;
        case kWmGetText: return w ? copyText(*w, wParam, lParam) : 0;
        case kWmGetTextLength: return w ? textLength(*w) : 0;
        case kWmClose: destroyWindow(window); return 0;
        default: return 0;
    }
}

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    Procedure p = procedureOf(window);
    return p ? p(window, message, wParam, lParam) : 0;
}

void* subclassWindow(WindowHandle window)
{
    Window* w = find(window);
    if (!w) return nullptr;
    Procedure previous = w->procedure;
    w->procedure = &sharedProcedure;
    return reinterpret_cast<void*>(previous);
}

void restoreProcedure(WindowHandle window, void* previous)
{
    if (Window* w = find(window))
        if (previous) w->procedure = reinterpret_cast<Procedure>(previous);
}

LResult callProcedure(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    if (!procedure) return 0;
    return reinterpret_cast<Procedure>(procedure)(window, message, wParam, lParam);
}

bool invalidateWindow(WindowHandle window)
{
    State& s = state();
    Lock lock(s.mutex);
    auto it = s.windows.find(window);
    if (it == s.windows.end()) return false;
    it->second.invalid = true;
    return true;
}

bool updateWindow(WindowHandle window)
{
    Window* w = find(window);
    if (!w) return false;
    if (w->invalid && w->visible) headless_windows::sendMessage(window, kWmPaint, 0, 0);
    return true;
}

bool needsPaint(WindowHandle window)
{
    Window* w = find(window);
    return w && w->invalid;
}

WindowHandle setFocus(WindowHandle window)
{
    State& s = state();
    if (window && !isWindow(window)) return nullptr;
    const WindowHandle old = s.focus;
    if (old == window) return old;
    s.focus = window;
    if (old && isWindow(old)) headless_windows::sendMessage(old, kWmKillFocus, reinterpret_cast<WParam>(window), 0);
    if (window && s.focus == window && isWindow(window))
        headless_windows::sendMessage(window, kWmSetFocus, reinterpret_cast<WParam>(old), 0);
    return old;
}

WindowHandle focusWindow() { return state().focus; }

void setCapture(WindowHandle window)
{
    State& s = state();
    if (!isWindow(window)) return;
    const WindowHandle old = s.capture;
    s.capture = window;
    if (old && old != window && isWindow(old))
        headless_windows::sendMessage(old, kWmCaptureChanged, 0, reinterpret_cast<LParam>(window));
}

void releaseCapture()
{
    State& s = state();
    const WindowHandle old = s.capture;
    if (!old) return;
    s.capture = nullptr;
    if (isWindow(old)) headless_windows::sendMessage(old, kWmCaptureChanged, 0, 0);
}

WindowHandle captureWindow() { return state().capture; }

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

bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height)
{
    Window* w = find(window);
    if (!w) return false;
    x = w->x;
    y = w->y;
    width = w->width;
    height = w->height;
    return true;
}

bool clientSize(WindowHandle window, int32_t& width, int32_t& height)
{
    Window* w = find(window);
    if (!w) return false;
    width = w->width;
    height = w->height;
    return true;
}

bool setWindowText(WindowHandle window, const char* text)
{
    return isWindow(window) &&
        headless_windows::sendMessage(window, kWmSetText, 0, reinterpret_cast<LParam>(text ? text : "")) != 0;
}

int32_t windowText(WindowHandle window, char* text, int32_t size)
{
    if (!text || size < 1) return 0;
    text[0] = '\0';
    if (!isWindow(window)) return 0;
    return static_cast<int32_t>(
        headless_windows::sendMessage(window, kWmGetText, static_cast<WParam>(size), reinterpret_cast<LParam>(text)));
}

PaintContext* beginPaint(WindowHandle window)
{
    if (Window* w = find(window)) w->invalid = false;
    return reinterpret_cast<PaintContext*>(new Paint{window});
}

void endPaint(PaintContext* context) { delete reinterpret_cast<Paint*>(context); }

void copyToWindow(PaintContext* context, void* /*sourceDc*/, const uint32_t* pixels, int32_t width, int32_t height)
{
    if (!context || !pixels || width < 1 || height < 1) return;
    Window* w = find(reinterpret_cast<Paint*>(context)->window);
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
    state().hook = true;
    return true;
}

void removeKeyboardHook() { state().hook = false; }

bool keyboardHookInstalled() { return state().hook; }

int32_t gdiObjectCount() { return -1; }

// No events: every message is delivered when it is sent; painting waits for updateWindow.
void processPendingEvents(WindowHandle /*window*/) {}
void paintPendingWindows(WindowHandle /*window*/) {}

}  // namespace headless_windows

const WindowSystem& headlessWindowSystem()
{
    static const WindowSystem system = {
        &headless_windows::sharedProcedureAddress,
        &headless_windows::registerFrameworkClass,
        &headless_windows::createWindow,
        &headless_windows::isWindow,
        &headless_windows::destroyWindow,
        &headless_windows::parentWindow,
        &headless_windows::userData,
        &headless_windows::setUserData,
        &headless_windows::defaultProcedure,
        &headless_windows::sendMessage,
        &headless_windows::subclassWindow,
        &headless_windows::restoreProcedure,
        &headless_windows::callProcedure,
        &headless_windows::invalidateWindow,
        &headless_windows::updateWindow,
        &headless_windows::needsPaint,
        &headless_windows::setFocus,
        &headless_windows::focusWindow,
        &headless_windows::setCapture,
        &headless_windows::releaseCapture,
        &headless_windows::captureWindow,
        &headless_windows::setWindowPosition,
        &headless_windows::showWindow,
        &headless_windows::isWindowVisible,
        &headless_windows::windowRect,
        &headless_windows::clientSize,
        &headless_windows::setWindowText,
        &headless_windows::windowText,
        &headless_windows::beginPaint,
        &headless_windows::endPaint,
        &headless_windows::copyToWindow,
        &headless_windows::installKeyboardHook,
        &headless_windows::removeKeyboardHook,
        &headless_windows::keyboardHookInstalled,
        &headless_windows::gdiObjectCount,
        &headless_windows::processPendingEvents,
        &headless_windows::paintPendingWindows,
    };
    return system;
}

namespace headless {
using headless_windows::find;
using headless_windows::Lock;
using headless_windows::state;
using headless_windows::State;
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
    if (!s.hook || menuMode) {
        if (!release) ++s.hostKeys;
        return false;
    }
    const WindowHandle focus = s.focus;
    headless_windows::sendMessage(focus, release ? kWmKeyUp : kWmKeyDown, key, flags);
    if (!release && headless_windows::isWindow(focus))
        if (const char c = headless_windows::characterOf(key))
            headless_windows::sendMessage(focus, kWmChar, static_cast<unsigned char>(c), flags);
    return true;
}

int32_t hostKeyCount() { return state().hostKeys; }

int32_t windowCount()
{
    State& s = state();
    Lock lock(s.mutex);
    return static_cast<int32_t>(s.windows.size());
}

}  // namespace headless
}  // namespace platform
