// The window seam on Win32: USER32 and GDI32 as they are.
#include "platform/window_system.h"

#include <windows.h>

#include <atomic>
#include <cstddef>
#include <new>

#include "platform/platform.h"

namespace platform {
namespace {

static_assert(sizeof(CreateParams) == sizeof(CREATESTRUCTA), "CreateParams mirrors CREATESTRUCTA");
static_assert(offsetof(CreateParams, exStyle) == offsetof(CREATESTRUCTA, dwExStyle), "CreateParams layout");
static_assert(offsetof(CreateParams, parent) == offsetof(CREATESTRUCTA, hwndParent), "CreateParams layout");
static_assert(offsetof(CreateParams, x) == offsetof(CREATESTRUCTA, x), "CreateParams layout");

LRESULT CALLBACK sharedWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return static_cast<LRESULT>(frameworkProcedure(window, message, wParam, lParam));
}

HWND hwnd(WindowHandle window) { return static_cast<HWND>(window); }

HINSTANCE instance()
{
    void* module = moduleHandle();
    return module ? static_cast<HINSTANCE>(module) : GetModuleHandleA(nullptr);
}

// The one hook of the process.
std::atomic<HHOOK> gHook{nullptr};

LRESULT CALLBACK keyboardHookProc(int code, WPARAM wParam, LPARAM lParam)
{
    const DWORD flags = static_cast<DWORD>(lParam);
    if (code != HC_ACTION || (flags & (static_cast<DWORD>(KF_MENUMODE) << 16)) != 0)
        return CallNextHookEx(gHook.load(), code, wParam, lParam);
    HWND focus = GetFocus();
    const UINT message = (flags & 0x80000000u) ? WM_KEYUP : WM_KEYDOWN;
    SendMessageA(focus, message, wParam, lParam);
    MSG msg = {};
    msg.hwnd = focus;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    TranslateMessage(&msg);
    return 1;
}

}  // namespace

struct PaintContext {
    HWND window;
    PAINTSTRUCT paint;
    HDC dc;
};

const void* sharedProcedureAddress() { return reinterpret_cast<const void*>(&sharedWindowProc); }

bool registerFrameworkClass(const char* name)
{
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    wc.style = 0;
    wc.lpfnWndProc = &sharedWindowProc;
    wc.hInstance = instance();
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.lpszClassName = name;
    return RegisterClassExA(&wc) != 0;
}

WindowHandle createWindow(const CreateParams& p)
{
    return CreateWindowExA(p.exStyle, p.className, p.name, static_cast<DWORD>(p.style), p.x, p.y, p.cx, p.cy,
                           hwnd(p.parent), static_cast<HMENU>(p.menu),
                           p.instance ? static_cast<HINSTANCE>(p.instance) : instance(), p.createParam);
}

bool isWindow(WindowHandle window) { return window && IsWindow(hwnd(window)); }

bool destroyWindow(WindowHandle window) { return DestroyWindow(hwnd(window)) != 0; }

WindowHandle parentWindow(WindowHandle window) { return GetParent(hwnd(window)); }

void* userData(WindowHandle window) { return reinterpret_cast<void*>(GetWindowLongPtrA(hwnd(window), GWLP_USERDATA)); }

void setUserData(WindowHandle window, void* data)
{
    SetWindowLongPtrA(hwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(data));
}

LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return DefWindowProcA(hwnd(window), message, wParam, lParam);
}

LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return SendMessageA(hwnd(window), message, wParam, lParam);
}

void* subclassWindow(WindowHandle window)
{
    return reinterpret_cast<void*>(
        SetWindowLongPtrA(hwnd(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&sharedWindowProc)));
}

void restoreProcedure(WindowHandle window, void* previous)
{
    SetWindowLongPtrA(hwnd(window), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(previous));
}

LResult callProcedure(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return CallWindowProcA(reinterpret_cast<WNDPROC>(procedure), hwnd(window), message, wParam, lParam);
}

bool invalidateWindow(WindowHandle window) { return InvalidateRect(hwnd(window), nullptr, FALSE) != 0; }

bool updateWindow(WindowHandle window) { return UpdateWindow(hwnd(window)) != 0; }

bool needsPaint(WindowHandle window) { return GetUpdateRect(hwnd(window), nullptr, FALSE) != 0; }

WindowHandle setFocus(WindowHandle window) { return SetFocus(hwnd(window)); }

WindowHandle focusWindow() { return GetFocus(); }

void setCapture(WindowHandle window) { SetCapture(hwnd(window)); }

void releaseCapture() { ReleaseCapture(); }

WindowHandle captureWindow() { return GetCapture(); }

bool setWindowPosition(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height)
{
    return SetWindowPos(hwnd(window), nullptr, x, y, width, height, SWP_NOZORDER) != 0;
}

void showWindow(WindowHandle window) { ShowWindow(hwnd(window), SW_SHOW); }

bool isWindowVisible(WindowHandle window) { return IsWindowVisible(hwnd(window)) != 0; }

bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height)
{
    RECT r;
    if (!GetWindowRect(hwnd(window), &r)) return false;
    HWND parent = GetParent(hwnd(window));
    if (parent && (GetWindowLongA(hwnd(window), GWL_STYLE) & WS_CHILD))
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&r), 2);
    x = r.left;
    y = r.top;
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

bool clientSize(WindowHandle window, int32_t& width, int32_t& height)
{
    RECT r;
    if (!GetClientRect(hwnd(window), &r)) return false;
    width = r.right - r.left;
    height = r.bottom - r.top;
    return true;
}

bool setWindowText(WindowHandle window, const char* text) { return SetWindowTextA(hwnd(window), text) != 0; }

int32_t windowText(WindowHandle window, char* text, int32_t size)
{
    if (!text || size < 1) return 0;
    text[0] = '\0';
    return GetWindowTextA(hwnd(window), text, size);
}

PaintContext* beginPaint(WindowHandle window)
{
    PaintContext* context = new (std::nothrow) PaintContext;
    if (!context) {
        ValidateRect(hwnd(window), nullptr);
        return nullptr;
    }
    context->window = hwnd(window);
    context->dc = BeginPaint(context->window, &context->paint);
    return context;
}

void endPaint(PaintContext* context)
{
    if (!context) return;
    EndPaint(context->window, &context->paint);
    delete context;
}

void copyToWindow(PaintContext* context, void* sourceDc, const uint32_t* /*pixels*/, int32_t width, int32_t height)
{
    if (!context || !context->dc || !sourceDc) return;
    BitBlt(context->dc, 0, 0, width, height, static_cast<HDC>(sourceDc), 0, 0, SRCCOPY);
}

bool installKeyboardHook(WindowHandle owner)
{
    if (gHook.load()) return true;
    const DWORD thread = GetWindowThreadProcessId(hwnd(owner), nullptr);
    HHOOK hook = SetWindowsHookExA(WH_KEYBOARD, &keyboardHookProc, nullptr, thread);
    gHook.store(hook);
    return hook != nullptr;
}

void removeKeyboardHook()
{
    HHOOK hook = gHook.exchange(nullptr);
    if (hook) UnhookWindowsHookEx(hook);
}

bool keyboardHookInstalled() { return gHook.load() != nullptr; }

int32_t gdiObjectCount()
{
    const DWORD n = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    return n == 0 ? -1 : static_cast<int32_t>(n);
}

// The host's message loop delivers every message and paints.
void processPendingEvents(WindowHandle /*window*/) {}
int32_t eventConnection(WindowHandle /*window*/) { return -1; }
void paintPendingWindows(WindowHandle /*window*/) {}

}  // namespace platform
