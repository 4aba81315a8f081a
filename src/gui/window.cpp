#include "gui/window.h"

#include <cstdio>
#include <cstring>

#include "platform/platform.h"

using namespace platform;

// ---------------------------------------------------------------- the shared procedure

LResult platform::frameworkProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return ZWindow::procedure(window, message, wParam, lParam);
}

LResult ZWindow::procedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    try {
        ZWindow* object = static_cast<ZWindow*>(userData(window));
        if (object) {
            const LResult result = dispatchMessage(*object, message, wParam, lParam);
            if (message == kWmNcDestroy) {
                // The window is gone: nothing may reach the object through it any more, and the
                // object must not keep a handle that could be given to another window.
                setUserData(window, nullptr);
                if (object->handle_ == window) object->setHandle(nullptr);
            }
            return result;
        }
        if (message == kWmNcCreate) {
            const CreateParams* params = reinterpret_cast<const CreateParams*>(lParam);
            object = params ? static_cast<ZWindow*>(params->createParam) : nullptr;
            // FALSE refuses the creation: a window of the class without its object is never made.
            if (!object) return 0;
            setUserData(window, object);
            object->setHandle(window);
            return dispatchMessage(*object, message, wParam, lParam);
        }
        return defaultProcedure(window, message, wParam, lParam);
    } catch (...) {
        return -1;
    }
}

// ---------------------------------------------------------------- ZWindow

ZWindow::ZWindow() { className_[0] = '\0'; }

ZWindow::~ZWindow()
{
    if (handle_ && isWindow(handle_)) {
        WindowHandle window = handle_;
        if (userData(window) == this) setUserData(window, nullptr);
        handle_ = nullptr;
        destroyWindow(window);
    }
}

void ZWindow::setHandle(WindowHandle window) { handle_ = window; }

platform::WindowHandle ZWindow::handle() { return handle_; }

bool ZWindow::exists() const { return handle_ != nullptr && isWindow(handle_); }

const char* ZWindow::className()
{
    if (className_[0] == '\0') {
        std::snprintf(className_, sizeof className_, "ZWinClass_%p_%p", moduleHandle(), sharedProcedureAddress());
        registerFrameworkClass(className_);
    }
    return className_;
}

platform::WindowHandle ZWindow::create(WindowHandle parent)
{
    if (exists()) return handle_;
    CreateParams params;
    params.instance = moduleHandle();
    params.parent = parent;
    fillCreateParams(params);
    params.className = className();
    params.createParam = this;
    const WindowHandle window = createWindow(params);
    if (!window) handle_ = nullptr;
    return window;
}

void ZWindow::destroy()
{
    if (handle_ && isWindow(handle_)) {
        if (!destroyWindow(handle_) && isWindow(handle_)) return;
    }
    handle_ = nullptr;
}

LResult ZWindow::defaultProc(uint32_t message, WParam wParam, LParam lParam)
{
    return defaultProcedure(handle_, message, wParam, lParam);
}

LResult ZWindow::onAppMessage(uint32_t message, WParam wParam, LParam lParam)
{
    const WindowHandle parent = handle_ ? parentWindow(handle_) : nullptr;
    if (parent && isWindow(parent)) return sendMessage(parent, message, wParam, lParam);
    return defaultProc(message, wParam, lParam);
}

LResult ZWindow::onCommand(WParam id, uint32_t code, LParam control)
{
    const WParam w = makeLong(static_cast<uint32_t>(id), code);
    const WindowHandle parent = handle_ ? parentWindow(handle_) : nullptr;
    if (parent && isWindow(parent)) return sendMessage(parent, kWmCommand, w, control);
    return defaultProc(kWmCommand, w, control);
}

// ---------------------------------------------------------------- ZSubclassWindow

ZSubclassWindow::~ZSubclassWindow()
{
    if (handle_ && isWindow(handle_)) {
        if (previousProcedure_) restoreProcedure(handle_, previousProcedure_);
        if (userData(handle_) == this) setUserData(handle_, nullptr);
        // The window stays with its own procedure; its owner destroys it.
        handle_ = nullptr;
    } else {
        handle_ = nullptr;
    }
}

platform::WindowHandle ZSubclassWindow::create(WindowHandle parent)
{
    if (exists()) return handle_;
    CreateParams params;
    params.instance = moduleHandle();
    params.parent = parent;
    fillCreateParams(params);
    params.className = className();
    params.createParam = nullptr;
    const WindowHandle window = createWindow(params);
    if (!window || !isWindow(window)) {
        handle_ = nullptr;
        return nullptr;
    }
    handle_ = window;
    setUserData(window, this);
    previousProcedure_ = subclassWindow(window);
    return afterCreate();
}

platform::WindowHandle ZSubclassWindow::afterCreate() { return handle_; }

LResult ZSubclassWindow::defaultProc(uint32_t message, WParam wParam, LParam lParam)
{
    if (previousProcedure_) return callProcedure(previousProcedure_, handle_, message, wParam, lParam);
    return defaultProcedure(handle_, message, wParam, lParam);
}
