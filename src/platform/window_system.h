// What the window framework (gui/window.h) needs from the platform: windows of the framework's
// class, messages, focus, capture, painting and the thread keyboard hook.
//
// Windows: USER32 and GDI32 as they are (HWND handles, DefWindowProcA, SetWindowsHookExA, ...).
// POSIX: a headless window system inside the process with the same rules: windows form a tree of
// handles, messages are delivered synchronously to the window's procedure, focus and capture
// changes send WM_KILLFOCUS / WM_SETFOCUS / WM_CAPTURECHANGED as Windows does, "painting" copies
// the surface into a pixel buffer kept per window, and two predefined classes exist: "Static"
// (the default procedure) and "Edit" (a one-line text field). Nothing is shown anywhere; tests and
// tools drive it through the functions at the end of this file.
//
// Everything here runs on the user-interface thread, except invalidateWindow, which the effect
// may call from any thread.
#pragma once

#include <cstdint>

namespace platform {

using WindowHandle = void*;
using WParam = std::uintptr_t;
using LParam = std::intptr_t;
using LResult = std::intptr_t;

// Message numbers (as in the Win32 headers).
enum : uint32_t {
    kWmCreate = 0x0001,
    kWmDestroy = 0x0002,
    kWmSize = 0x0005,
    kWmActivate = 0x0006,
    kWmSetFocus = 0x0007,
    kWmKillFocus = 0x0008,
    kWmEnable = 0x000A,
    kWmSetText = 0x000C,
    kWmGetText = 0x000D,
    kWmGetTextLength = 0x000E,
    kWmPaint = 0x000F,
    kWmClose = 0x0010,
    kWmEraseBackground = 0x0014,
    kWmShowWindow = 0x0018,
    kWmSetFont = 0x0030,
    kWmGetMinMaxInfo = 0x0024,
    kWmNotify = 0x004E,
    kWmNcCreate = 0x0081,
    kWmNcDestroy = 0x0082,
    kWmGetDlgCode = 0x0087,
    kWmKeyDown = 0x0100,
    kWmKeyUp = 0x0101,
    kWmChar = 0x0102,
    kWmInitDialog = 0x0110,
    kWmCommand = 0x0111,
    kWmSysCommand = 0x0112,
    kWmTimer = 0x0113,
    kWmCtlColorEdit = 0x0133,
    kWmCtlColorStatic = 0x0138,
    kWmMouseMove = 0x0200,
    kWmLeftButtonDown = 0x0201,
    kWmLeftButtonUp = 0x0202,
    kWmRightButtonDown = 0x0204,
    kWmRightButtonUp = 0x0205,
    kWmCaptureChanged = 0x0215,
    kWmDeviceChange = 0x0219,
    kWmUser = 0x0400,
    kWmApp = 0x8000,
    kWmRegisteredFirst = 0xC000,
    kEmSetSel = 0x00B1,
};

// Mouse message key bits, styles, keys.
enum : uint32_t {
    kMkShift = 0x0004,
    kMkControl = 0x0008,
    kWsChild = 0x40000000u,
    kWsVisible = 0x10000000u,
    kWsOverlappedWindow = 0x00CF0000u,
    kEsCenter = 0x0001,
    kVkReturn = 0x0D,
    kVkEscape = 0x1B,
};

constexpr int32_t kUseDefault = static_cast<int32_t>(0x80000000u);

// The window creation record, field for field the CREATESTRUCTA of Win32.
struct CreateParams {
    void* createParam = nullptr;
    void* instance = nullptr;
    void* menu = nullptr;
    WindowHandle parent = nullptr;
    int32_t cy = kUseDefault;
    int32_t cx = kUseDefault;
    int32_t y = kUseDefault;
    int32_t x = kUseDefault;
    int32_t style = 0;
    const char* name = nullptr;
    const char* className = nullptr;
    uint32_t exStyle = 0;
};

// Provided by the window framework (gui/window.cpp): the one procedure of every framework window
// and of every subclassed window. The platform's own window procedure calls it.
LResult frameworkProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// The address of the platform's shared window procedure (part of the window class name).
const void* sharedProcedureAddress();
// Registers a class of the framework: no class style, the shared procedure, no extra bytes, this
// module, the arrow cursor, no brush, no menu, no icons. The result is not needed: a second
// registration of the same name fails and the existing class serves.
bool registerFrameworkClass(const char* name);

// CreateWindowExA with every field of the record; the record's createParam is the creation
// parameter. Null on failure.
WindowHandle createWindow(const CreateParams& params);
bool isWindow(WindowHandle window);
bool destroyWindow(WindowHandle window);
// The parent of a child window; null for none.
WindowHandle parentWindow(WindowHandle window);

// The window's user data slot (GWL_USERDATA).
void* userData(WindowHandle window);
void setUserData(WindowHandle window, void* data);

LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// Replaces the window's procedure by the shared one and answers the previous procedure (null on
// failure); restoreProcedure puts a previous one back; callProcedure calls one.
void* subclassWindow(WindowHandle window);
void restoreProcedure(WindowHandle window, void* previous);
LResult callProcedure(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

// The whole client area needs painting (no erase).
bool invalidateWindow(WindowHandle window);
// Paints now if anything is invalid (UpdateWindow).
bool updateWindow(WindowHandle window);
// Whether part of the window waits for painting.
bool needsPaint(WindowHandle window);

WindowHandle setFocus(WindowHandle window);
WindowHandle focusWindow();
void setCapture(WindowHandle window);
void releaseCapture();
WindowHandle captureWindow();

// SetWindowPos without changing the z-order.
bool setWindowPosition(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height);
void showWindow(WindowHandle window);
bool isWindowVisible(WindowHandle window);
// Position relative to the parent's client area (or the screen) and outer size.
bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height);
bool clientSize(WindowHandle window, int32_t& width, int32_t& height);
bool setWindowText(WindowHandle window, const char* text);
// Copies at most size - 1 characters and a terminator; answers the length copied.
int32_t windowText(WindowHandle window, char* text, int32_t size);

// Painting: BeginPaint / EndPaint and the copy of a surface to the painted window at (0, 0).
struct PaintContext;
PaintContext* beginPaint(WindowHandle window);
void endPaint(PaintContext* context);
// sourceDc: the surface's memory DC (Windows); pixels: its pixels, top row first (POSIX).
void copyToWindow(PaintContext* context, void* sourceDc, const uint32_t* pixels, int32_t width, int32_t height);

// The one thread keyboard hook of the process: while installed, every keystroke of the thread
// that owns `owner` goes straight to the focus window as WM_KEYDOWN / WM_KEYUP (and its
// characters), except while a menu is active; the host's message loop never sees it.
bool installKeyboardHook(WindowHandle owner);
void removeKeyboardHook();
bool keyboardHookInstalled();

// Whether this platform's window system can show the editor inside a host's window. Where it
// cannot, the effect is made without an editor and announces none.
bool editorWindowsAvailable();

// Number of GDI objects the process holds, or -1 where that cannot be asked.
int32_t gdiObjectCount();

// The host's idle call, for window systems whose events no message loop of the host delivers
// (X11): delivers every event already waiting on the window's connection, without blocking.
// Where the host's message loop does it (Win32) or there are no events (headless), nothing.
void processPendingEvents(WindowHandle window);
// Paints the window and its children that wait for painting, where no message loop of the host
// does it (X11); elsewhere nothing.
void paintPendingWindows(WindowHandle window);
// The file descriptor whose readability means events wait for the window (the X11 connection), for
// hosts that run the editor from their own event loop; -1 where there is none (Win32, headless).
int32_t eventConnection(WindowHandle window);

#if !defined(SARVO_WIN32)
// POSIX builds carry more than one window system; every function above goes to the selected one.
// The headless one serves until the composition root selects another (the plug-in module selects
// X11, tests that need no server keep the headless one).
struct WindowSystem {
    const void* (*sharedProcedureAddress)();
    bool (*registerFrameworkClass)(const char* name);
    WindowHandle (*createWindow)(const CreateParams& params);
    bool (*isWindow)(WindowHandle window);
    bool (*destroyWindow)(WindowHandle window);
    WindowHandle (*parentWindow)(WindowHandle window);
    void* (*userData)(WindowHandle window);
    void (*setUserData)(WindowHandle window, void* data);
    LResult (*defaultProcedure)(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
    LResult (*sendMessage)(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
    void* (*subclassWindow)(WindowHandle window);
    void (*restoreProcedure)(WindowHandle window, void* previous);
    LResult (*callProcedure)(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
    bool (*invalidateWindow)(WindowHandle window);
    bool (*updateWindow)(WindowHandle window);
    bool (*needsPaint)(WindowHandle window);
    WindowHandle (*setFocus)(WindowHandle window);
    WindowHandle (*focusWindow)();
    void (*setCapture)(WindowHandle window);
    void (*releaseCapture)();
    WindowHandle (*captureWindow)();
    bool (*setWindowPosition)(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*showWindow)(WindowHandle window);
    bool (*isWindowVisible)(WindowHandle window);
    bool (*windowRect)(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height);
    bool (*clientSize)(WindowHandle window, int32_t& width, int32_t& height);
    bool (*setWindowText)(WindowHandle window, const char* text);
    int32_t (*windowText)(WindowHandle window, char* text, int32_t size);
    PaintContext* (*beginPaint)(WindowHandle window);
    void (*endPaint)(PaintContext* context);
    void (*copyToWindow)(PaintContext* context, void* sourceDc, const uint32_t* pixels, int32_t width, int32_t height);
    bool (*installKeyboardHook)(WindowHandle owner);
    void (*removeKeyboardHook)();
    bool (*keyboardHookInstalled)();
    int32_t (*gdiObjectCount)();
    void (*processPendingEvents)(WindowHandle window);
    void (*paintPendingWindows)(WindowHandle window);
    int32_t (*eventConnection)(WindowHandle window);
};

// The window tree inside the process (below).
const WindowSystem& headlessWindowSystem();
// Windows on an X server, one connection per editor window (window_x11.cpp). A parent handle that
// is not one of its own windows is an X11 Window id of the host. libX11 (and libXext for shared
// memory images) are loaded on first use; without them, or without a reachable display, no
// window can be made.
const WindowSystem& x11WindowSystem();
// Selects the window system for everything above; call it before the first window is made.
void selectWindowSystem(const WindowSystem& system);
const WindowSystem& selectedWindowSystem();
#endif

#if !defined(SARVO_WIN32)
// Driving the headless window system (tests and tools).
namespace headless {
// What the last paint copied into the window: width x height pixels, top row first; null if none.
const uint32_t* windowPixels(WindowHandle window, int32_t& width, int32_t& height);
// A keystroke from the keyboard: virtual key `key`, released or pressed, with or without a menu
// active. Answers true when the hook took it, false when it went to the host (counted below).
bool keystroke(uint32_t key, bool release, bool menuMode = false);
// Key presses (not releases) that reached the host's message loop.
int32_t hostKeyCount();
// Live windows.
int32_t windowCount();
}  // namespace headless
#endif

}  // namespace platform
