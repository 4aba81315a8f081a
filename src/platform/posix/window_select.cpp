// The window seam of POSIX builds: every call goes to the selected window system.
#include "platform/window_system.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<const WindowSystem*> gSelected{nullptr};

const WindowSystem& ws()
{
    const WindowSystem* system = gSelected.load(std::memory_order_acquire);
    return system ? *system : headlessWindowSystem();
}

}  // namespace

void selectWindowSystem(const WindowSystem& system) { gSelected.store(&system, std::memory_order_release); }
const WindowSystem& selectedWindowSystem() { return ws(); }

const void* sharedProcedureAddress() { return ws().sharedProcedureAddress(); }
bool registerFrameworkClass(const char* name) { return ws().registerFrameworkClass(name); }
WindowHandle createWindow(const CreateParams& params) { return ws().createWindow(params); }
bool isWindow(WindowHandle window) { return ws().isWindow(window); }
bool destroyWindow(WindowHandle window) { return ws().destroyWindow(window); }
WindowHandle parentWindow(WindowHandle window) { return ws().parentWindow(window); }
void* userData(WindowHandle window) { return ws().userData(window); }
void setUserData(WindowHandle window, void* data) { ws().setUserData(window, data); }
LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return ws().defaultProcedure(window, message, wParam, lParam);
}
LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return ws().sendMessage(window, message, wParam, lParam);
}
void* subclassWindow(WindowHandle window) { return ws().subclassWindow(window); }
void restoreProcedure(WindowHandle window, void* previous) { ws().restoreProcedure(window, previous); }
LResult callProcedure(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return ws().callProcedure(procedure, window, message, wParam, lParam);
}
bool invalidateWindow(WindowHandle window) { return ws().invalidateWindow(window); }
bool updateWindow(WindowHandle window) { return ws().updateWindow(window); }
bool needsPaint(WindowHandle window) { return ws().needsPaint(window); }
WindowHandle setFocus(WindowHandle window) { return ws().setFocus(window); }
WindowHandle focusWindow() { return ws().focusWindow(); }
void setCapture(WindowHandle window) { ws().setCapture(window); }
void releaseCapture() { ws().releaseCapture(); }
WindowHandle captureWindow() { return ws().captureWindow(); }
bool setWindowPosition(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height)
{
    return ws().setWindowPosition(window, x, y, width, height);
}
void showWindow(WindowHandle window) { ws().showWindow(window); }
bool isWindowVisible(WindowHandle window) { return ws().isWindowVisible(window); }
bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height)
{
    return ws().windowRect(window, x, y, width, height);
}
bool clientSize(WindowHandle window, int32_t& width, int32_t& height) { return ws().clientSize(window, width, height); }
bool setWindowText(WindowHandle window, const char* text) { return ws().setWindowText(window, text); }
int32_t windowText(WindowHandle window, char* text, int32_t size) { return ws().windowText(window, text, size); }
PaintContext* beginPaint(WindowHandle window) { return ws().beginPaint(window); }
void endPaint(PaintContext* context) { ws().endPaint(context); }
void copyToWindow(PaintContext* context, void* sourceDc, const uint32_t* pixels, int32_t width, int32_t height)
{
    ws().copyToWindow(context, sourceDc, pixels, width, height);
}
bool installKeyboardHook(WindowHandle owner) { return ws().installKeyboardHook(owner); }
void removeKeyboardHook() { ws().removeKeyboardHook(); }
bool keyboardHookInstalled() { return ws().keyboardHookInstalled(); }
int32_t gdiObjectCount() { return ws().gdiObjectCount(); }
void processPendingEvents(WindowHandle window) { ws().processPendingEvents(window); }
void paintPendingWindows(WindowHandle window) { ws().paintPendingWindows(window); }
int32_t eventConnection(WindowHandle window) { return ws().eventConnection(window); }

}  // namespace platform
