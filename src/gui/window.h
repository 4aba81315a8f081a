// Window objects: one registered class per module, one procedure for all windows, and the
// message handlers of gui/message_handler.h.
#pragma once

#include <cstdint>

#include "gui/message_handler.h"
#include "platform/window_system.h"

// A window handle holder combined with the message handlers. The window belongs to the object
// through its user data: the shared procedure finds the object there and dispatches to it.
class ZWindow : public ZMessageHandler {
public:
    using WindowHandle = platform::WindowHandle;

    ZWindow();
    // Destroying the object destroys a window that still exists (without reaching the derived
    // class's handlers any more; derived classes destroy their window themselves first).
    ~ZWindow() override;

    virtual void setHandle(WindowHandle window);
    virtual WindowHandle handle();
    // Makes the window as a child of `parent` (or as a top-level window for null). A window that
    // still exists is kept and answered. Null on failure.
    virtual WindowHandle create(WindowHandle parent);
    // Registers the framework's class on first use: "ZWinClass_<module>_<procedure>".
    virtual const char* className();
    virtual void fillCreateParams(platform::CreateParams& params) = 0;

    LResult defaultProc(uint32_t message, WParam wParam, LParam lParam) override;
    // Both go to the parent window (SendMessage) and answer its result; without a parent window,
    // to defaultProc.
    LResult onAppMessage(uint32_t message, WParam wParam, LParam lParam) override;
    LResult onCommand(WParam id, uint32_t code, LParam control) override;

    // Destroys the window if it still exists; the handle is forgotten once the window is gone.
    void destroy();
    // Whether the handle still names a window.
    bool exists() const;

    // The shared procedure (see platform::frameworkProcedure).
    static LResult procedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);

protected:
    WindowHandle handle_ = nullptr;
    char className_[64];
};

// A window of an existing class (a system control) whose procedure is replaced by the shared one.
class ZSubclassWindow : public ZWindow {
public:
    ZSubclassWindow() = default;
    // Puts the previous procedure back if the window still exists.
    ~ZSubclassWindow() override;

    // Makes the window with the class's own creation, then subclasses it and calls afterCreate.
    WindowHandle create(WindowHandle parent) override;
    virtual WindowHandle afterCreate();
    // To the previous procedure (the control's own), or the default one.
    LResult defaultProc(uint32_t message, WParam wParam, LParam lParam) override;

protected:
    void* previousProcedure_ = nullptr;
};
