// The windows of a POSIX window system: their records, their classes, the tree of parents and
// children, and the framework's (logical) focus and capture with the messages their changes send.
// The headless and the X11 window systems keep their windows here and add what showing them takes.
//
// The rules the framework depends on are kept here once: creation sends WM_NCCREATE (FALSE
// refuses) and WM_CREATE (-1 refuses); destruction moves the focus out of the destroyed windows
// first, gives up their capture, then sends WM_DESTROY (parents first) and WM_NCDESTROY (children
// first); focus changes send WM_KILLFOCUS then WM_SETFOCUS; capture changes send
// WM_CAPTURECHANGED to the window that loses it. Messages are delivered synchronously.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/window_system.h"

namespace platform {

using WindowProcedure = LResult (*)(WindowHandle, uint32_t, WParam, LParam);

// What every window has, whatever shows it. A window system's records derive from it.
struct WindowRecord {
    virtual ~WindowRecord() = default;
    std::string className;
    WindowProcedure procedure = nullptr;
    WindowHandle parent = nullptr;
    int32_t style = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
    void* userData = nullptr;
    bool visible = false;
    std::atomic<bool> invalid{false};  // set from any thread (invalidateWindow)
    bool destroying = false;
    std::string text;
};

class WindowTable {
public:
    // What the window system adds to the table's rules.
    struct Hooks {
        bool (*destroyWindow)(WindowHandle window);  // its whole destruction (WM_CLOSE, a refused WM_CREATE)
        void (*destroyed)(WindowHandle root);  // may be null: every window of the tree had WM_DESTROY
        void (*release)(WindowHandle window, WindowRecord& record);  // may be null: after its WM_NCDESTROY
    };
    // `shared` serves the framework's classes; "Static" and "Edit" exist from the start.
    WindowTable(WindowProcedure shared, WindowProcedure staticProcedure, WindowProcedure editProcedure, Hooks hooks);
    WindowTable(const WindowTable&) = delete;
    WindowTable& operator=(const WindowTable&) = delete;

    using Lock = std::lock_guard<std::recursive_mutex>;
    std::recursive_mutex& mutex() { return mutex_; }

    const void* sharedProcedureAddress() const { return reinterpret_cast<const void*>(shared_); }
    bool registerFrameworkClass(const char* name);
    // The procedure of a class, or null.
    WindowProcedure classProcedure(const char* name);

    // The record of a live window, or null. Valid until the window is destroyed.
    WindowRecord* find(WindowHandle window);
    template <class Record>
    Record* findAs(WindowHandle window)
    {
        return static_cast<Record*>(find(window));
    }
    int32_t count();
    bool inSubtree(WindowHandle window, WindowHandle root);
    // The window and all its descendants, parents before children.
    void collect(WindowHandle root, std::vector<WindowHandle>& out);

    // Fills a new record from the creation parameters (a default place or size is 0).
    static void describe(WindowRecord& record, const CreateParams& params, WindowProcedure procedure);
    enum class Created { Made, Refused, Failed };
    // Enters the record under `handle` and sends the creation messages. Refused: WM_NCCREATE said
    // no and the record is gone again (what the window system made for it is its own to undo);
    // Failed: WM_CREATE said no and the window was destroyed through Hooks::destroyWindow; Made:
    // the window exists, shown (visible and waiting for paint) if its style says so.
    Created create(WindowHandle handle, std::unique_ptr<WindowRecord> record, const CreateParams& params);
    // The messages and records of the destruction of `window` and its descendants; false for no
    // window. A window already being destroyed is left to that destruction.
    bool destroy(WindowHandle window);

    // The seam's entries that the table answers alone.
    WindowHandle parentWindow(WindowHandle window);
    void* userData(WindowHandle window);
    void setUserData(WindowHandle window, void* data);
    LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
    LResult send(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
    void* subclassWindow(WindowHandle window);
    void restoreProcedure(WindowHandle window, void* previous);
    bool invalidate(WindowHandle window);
    bool needsPaint(WindowHandle window);
    WindowHandle setFocus(WindowHandle window);
    WindowHandle focus() const { return focus_; }
    void setCapture(WindowHandle window);
    void releaseCapture();
    WindowHandle capture() const { return capture_; }
    bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height);
    bool clientSize(WindowHandle window, int32_t& width, int32_t& height);
    bool setWindowText(WindowHandle window, const char* text);
    int32_t windowText(WindowHandle window, char* text, int32_t size);
    PaintContext* beginPaint(WindowHandle window);
    // The window a paint context was made for.
    static WindowHandle paintedWindow(PaintContext* context);
    static void endPaint(PaintContext* context);

    bool hook = false;  // the keyboard hook is installed

private:
    std::recursive_mutex mutex_;
    std::map<WindowHandle, std::unique_ptr<WindowRecord>> windows_;
    std::vector<std::pair<std::string, WindowProcedure>> classes_;
    WindowProcedure shared_;
    Hooks hooks_;
    WindowHandle focus_ = nullptr;
    WindowHandle capture_ = nullptr;
};

// What a window system does itself; tableWindowSystem adds the table's entries.
struct OwnWindowEntries {
    WindowHandle (*createWindow)(const CreateParams& params);
    bool (*destroyWindow)(WindowHandle window);
    bool (*updateWindow)(WindowHandle window);
    WindowHandle (*setFocus)(WindowHandle window);
    bool (*setWindowPosition)(WindowHandle window, int32_t x, int32_t y, int32_t width, int32_t height);
    void (*showWindow)(WindowHandle window);
    bool (*isWindowVisible)(WindowHandle window);
    void (*endPaint)(PaintContext* context);
    void (*copyToWindow)(PaintContext* context, void* sourceDc, const uint32_t* pixels, int32_t width, int32_t height);
    bool (*installKeyboardHook)(WindowHandle owner);
    void (*removeKeyboardHook)();
    void (*processPendingEvents)(WindowHandle window);
    void (*paintPendingWindows)(WindowHandle window);
    int32_t (*eventConnection)(WindowHandle window);
};

// The entries of the seam that go to the table that `table` gives.
template <WindowTable& (*table)()>
struct TableEntries {
    static const void* sharedProcedureAddress() { return table().sharedProcedureAddress(); }
    static bool registerFrameworkClass(const char* name) { return table().registerFrameworkClass(name); }
    static bool isWindow(WindowHandle window) { return table().find(window) != nullptr; }
    static WindowHandle parentWindow(WindowHandle window) { return table().parentWindow(window); }
    static void* userData(WindowHandle window) { return table().userData(window); }
    static void setUserData(WindowHandle window, void* data) { table().setUserData(window, data); }
    static LResult defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
    {
        return table().defaultProcedure(window, message, wParam, lParam);
    }
    static LResult sendMessage(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
    {
        return table().send(window, message, wParam, lParam);
    }
    static void* subclassWindow(WindowHandle window) { return table().subclassWindow(window); }
    static void restoreProcedure(WindowHandle window, void* previous) { table().restoreProcedure(window, previous); }
    static LResult callProcedure(void* procedure, WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
    {
        return procedure ? reinterpret_cast<WindowProcedure>(procedure)(window, message, wParam, lParam) : 0;
    }
    static bool invalidateWindow(WindowHandle window) { return table().invalidate(window); }
    static bool needsPaint(WindowHandle window) { return table().needsPaint(window); }
    static WindowHandle focusWindow() { return table().focus(); }
    static void setCapture(WindowHandle window) { table().setCapture(window); }
    static void releaseCapture() { table().releaseCapture(); }
    static WindowHandle captureWindow() { return table().capture(); }
    static bool windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height)
    {
        return table().windowRect(window, x, y, width, height);
    }
    static bool clientSize(WindowHandle window, int32_t& width, int32_t& height)
    {
        return table().clientSize(window, width, height);
    }
    static bool setWindowText(WindowHandle window, const char* text) { return table().setWindowText(window, text); }
    static int32_t windowText(WindowHandle window, char* text, int32_t size)
    {
        return table().windowText(window, text, size);
    }
    static PaintContext* beginPaint(WindowHandle window) { return table().beginPaint(window); }
    static bool keyboardHookInstalled() { return table().hook; }
    static int32_t gdiObjectCount() { return -1; }
};

// The whole seam of a window system that keeps its windows in `table`.
template <WindowTable& (*table)()>
WindowSystem tableWindowSystem(const OwnWindowEntries& own)
{
    using T = TableEntries<table>;
    return {&T::sharedProcedureAddress,
            &T::registerFrameworkClass,
            own.createWindow,
            &T::isWindow,
            own.destroyWindow,
            &T::parentWindow,
            &T::userData,
            &T::setUserData,
            &T::defaultProcedure,
            &T::sendMessage,
            &T::subclassWindow,
            &T::restoreProcedure,
            &T::callProcedure,
            &T::invalidateWindow,
            own.updateWindow,
            &T::needsPaint,
            own.setFocus,
            &T::focusWindow,
            &T::setCapture,
            &T::releaseCapture,
            &T::captureWindow,
            own.setWindowPosition,
            own.showWindow,
            own.isWindowVisible,
            &T::windowRect,
            &T::clientSize,
            &T::setWindowText,
            &T::windowText,
            &T::beginPaint,
            own.endPaint,
            own.copyToWindow,
            own.installKeyboardHook,
            own.removeKeyboardHook,
            &T::keyboardHookInstalled,
            &T::gdiObjectCount,
            own.processPendingEvents,
            own.paintPendingWindows,
            own.eventConnection};
}

}  // namespace platform
