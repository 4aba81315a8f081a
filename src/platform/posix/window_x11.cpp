// The window seam on an X server.
//
// Every window made as the child of a window that is not our own (the host's parent, an X11
// Window id) opens a connection of its own; its children (the text entry's field) share it, and
// destroying it closes the connection. Nothing reads the connection but this file, so every event
// and every error on it is handled here: the events when the host idles (processPendingEvents),
// the errors by a handler that is installed only around our own Xlib calls and that passes errors
// of other connections on to the handler it replaced. An error on our connection (the host
// destroyed its parent first, a window that vanished) becomes a failure of the call that caused
// it, never the end of the host. A connection that breaks (the server went away) is marked and
// sends nothing more, where libX11 lets a connection have an exit handler of its own; older
// libX11 ends the process then, as it always did.
//
// The windows, their tree and the framework's rules are the window table's (window_table.h), as
// in the headless window system; focus and capture are the framework's own (logical) state. The
// X side:
// - Expose invalidates; the copy to the window goes out at the end of the host's idle call.
// - Button presses, releases and motion become mouse messages with MK_SHIFT / MK_CONTROL; the
//   server's automatic grab keeps a drag on our window, and while the framework holds the
//   capture, events of other windows of ours go to the capturing one. Another client's pointer
//   grab during a drag ends the capture.
// - Keys go through XLookupString to the framework's focus window as WM_KEYDOWN / WM_KEYUP and
//   WM_CHAR. The keyboard hook is the X input focus: installed, it puts the focus on the field
//   (XSetInputFocus); removed, it gives the focus back to the window that had it.
// - X focus leaving one of our windows takes the framework's focus from it (a text entry then
//   commits and closes).
// - A window destroyed by the server (its parent went first) is destroyed here too.
// - The copy is an XImage of the region that differs from what the window shows: a shared
//   memory image where the server offers MIT-SHM, else XPutImage straight from the pixels.
#include "platform/window_system.h"

#include <dlfcn.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/posix/window_table.h"
#include "platform/posix/x11_abi.h"
#include "platform/surface_device.h"

namespace platform {
namespace x11_windows {
namespace {

using namespace x11abi;
using Procedure = WindowProcedure;

// ------------------------------------------------------------------ the libraries

template <class Fn>
bool resolve(void* library, Fn& fn, const char* name)
{
    fn = library ? reinterpret_cast<Fn>(dlsym(library, name)) : nullptr;
    return fn != nullptr;
}

// Loaded once, never unloaded (Xlib keeps process-wide state that must outlive every connection).
const Api* loadApi()
{
    static Api api;
    void* x11 = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!x11) return nullptr;
    bool ok = true;
    ok &= resolve(x11, api.XOpenDisplay, "XOpenDisplay");
    ok &= resolve(x11, api.XCloseDisplay, "XCloseDisplay");
    ok &= resolve(x11, api.XSetErrorHandler, "XSetErrorHandler");
    // A lost server can end just our connection only where each connection has its own exit handler.
    if (!resolve(x11, api.XSetIOErrorHandler, "XSetIOErrorHandler") ||
        !resolve(x11, api.XSetIOErrorExitHandler, "XSetIOErrorExitHandler"))
        api.XSetIOErrorExitHandler = nullptr;
    ok &= resolve(x11, api.XDefaultScreen, "XDefaultScreen");
    ok &= resolve(x11, api.XDefaultVisual, "XDefaultVisual");
    ok &= resolve(x11, api.XDefaultColormap, "XDefaultColormap");
    ok &= resolve(x11, api.XDefaultRootWindow, "XDefaultRootWindow");
    ok &= resolve(x11, api.XMatchVisualInfo, "XMatchVisualInfo");
    ok &= resolve(x11, api.XCreateColormap, "XCreateColormap");
    ok &= resolve(x11, api.XFreeColormap, "XFreeColormap");
    ok &= resolve(x11, api.XCreateWindow, "XCreateWindow");
    ok &= resolve(x11, api.XDestroyWindow, "XDestroyWindow");
    ok &= resolve(x11, api.XMapWindow, "XMapWindow");
    ok &= resolve(x11, api.XMoveResizeWindow, "XMoveResizeWindow");
    ok &= resolve(x11, api.XCreateGC, "XCreateGC");
    ok &= resolve(x11, api.XFreeGC, "XFreeGC");
    ok &= resolve(x11, api.XCreateImage, "XCreateImage");
    ok &= resolve(x11, api.XPutImage, "XPutImage");
    resolve(x11, api.XDestroyImage, "XDestroyImage");
    ok &= resolve(x11, api.XPending, "XPending");
    ok &= resolve(x11, api.XConnectionNumber, "XConnectionNumber");
    ok &= resolve(x11, api.XNextEvent, "XNextEvent");
    ok &= resolve(x11, api.XFlush, "XFlush");
    ok &= resolve(x11, api.XSync, "XSync");
    ok &= resolve(x11, api.XSetInputFocus, "XSetInputFocus");
    ok &= resolve(x11, api.XGetInputFocus, "XGetInputFocus");
    ok &= resolve(x11, api.XLookupString, "XLookupString");
    if (!ok) return nullptr;
    if (void* ext = dlopen("libXext.so.6", RTLD_NOW | RTLD_LOCAL)) {
        bool shm = true;
        shm &= resolve(ext, api.XShmQueryExtension, "XShmQueryExtension");
        shm &= resolve(ext, api.XShmCreateImage, "XShmCreateImage");
        shm &= resolve(ext, api.XShmAttach, "XShmAttach");
        shm &= resolve(ext, api.XShmDetach, "XShmDetach");
        shm &= resolve(ext, api.XShmPutImage, "XShmPutImage");
        if (!shm) api.XShmQueryExtension = nullptr;
    }
    return &api;
}

const Api* x()
{
    static const Api* api = loadApi();
    return api;
}

void destroyImage(XImage* image)
{
    if (!image) return;
    if (x()->XDestroyImage)
        x()->XDestroyImage(image);
    else if (image->f.destroy_image)
        image->f.destroy_image(image);
}

// ------------------------------------------------------------------ connections and errors

struct Connection {
    Display* display = nullptr;
    Window root = 0;
    Visual* visual = nullptr;
    Colormap colormap = 0;
    bool ownColormap = false;
    bool shm = false;
    std::atomic<int> errors{0};
    // The server went away (or the connection broke): nothing more is sent; what Xlib holds on
    // our side is still freed when the connection is closed.
    std::atomic<bool> broken{false};
};

bool broken(const Connection& c) { return c.broken.load(std::memory_order_relaxed); }

// The connections that are open, for the error handler (which may run on any thread that calls
// Xlib while the handler is installed).
std::mutex gConnectionsMutex;
std::vector<Connection*> gConnections;

XErrorHandler gPreviousHandler = nullptr;
XIOErrorHandler gPreviousIOHandler = nullptr;
int gScopeDepth = 0;

int onError(Display* display, XErrorEvent* error)
{
    {
        std::lock_guard<std::mutex> lock(gConnectionsMutex);
        for (Connection* c : gConnections)
            if (c->display == display) {
                c->errors.fetch_add(1, std::memory_order_relaxed);
                return 0;
            }
    }
    return gPreviousHandler ? gPreviousHandler(display, error) : 0;
}

// A lost connection of ours is marked and nothing more; the host's handler hears only of its own.
int onIOError(Display* display)
{
    {
        std::lock_guard<std::mutex> lock(gConnectionsMutex);
        for (Connection* c : gConnections)
            if (c->display == display) {
                c->broken.store(true, std::memory_order_relaxed);
                return 0;
            }
    }
    return gPreviousIOHandler ? gPreviousIOHandler(display) : 0;
}

// Instead of ending the process: Xlib then fails every later call on the connection at once.
void onIOErrorExit(Display* /*display*/, void* connection)
{
    static_cast<Connection*>(connection)->broken.store(true, std::memory_order_relaxed);
}

// Our handler while our own Xlib calls run (errors of our connections are read only then).
class ErrorScope {
public:
    ErrorScope()
    {
        if (gScopeDepth++ == 0) {
            gPreviousHandler = x()->XSetErrorHandler(&onError);
            if (x()->XSetIOErrorExitHandler) gPreviousIOHandler = x()->XSetIOErrorHandler(&onIOError);
        }
    }
    ~ErrorScope()
    {
        if (--gScopeDepth == 0) {
            XErrorHandler previous = gPreviousHandler;
            gPreviousHandler = nullptr;
            x()->XSetErrorHandler(previous);
            if (x()->XSetIOErrorExitHandler) {
                XIOErrorHandler previousIO = gPreviousIOHandler;
                gPreviousIOHandler = nullptr;
                x()->XSetIOErrorHandler(previousIO);
            }
        }
    }
    ErrorScope(const ErrorScope&) = delete;
    ErrorScope& operator=(const ErrorScope&) = delete;
};

bool live(const Connection* c)
{
    std::lock_guard<std::mutex> lock(gConnectionsMutex);
    return std::find(gConnections.begin(), gConnections.end(), c) != gConnections.end();
}

// Opens the display named by DISPLAY with a 24-bit true-colour visual whose pixels are the
// surface's (0x00RRGGBB). Null without a display or such a visual.
Connection* openConnection()
{
    Display* display = x()->XOpenDisplay(nullptr);
    if (!display) return nullptr;
    std::unique_ptr<Connection> c(new Connection);
    c->display = display;
    {
        std::lock_guard<std::mutex> lock(gConnectionsMutex);
        gConnections.push_back(c.get());
    }
    // Where Xlib allows it, the server going away ends this connection, not the host.
    if (x()->XSetIOErrorExitHandler) x()->XSetIOErrorExitHandler(display, &onIOErrorExit, c.get());
    ErrorScope scope;
    const int screen = x()->XDefaultScreen(display);
    c->root = x()->XDefaultRootWindow(display);
    XVisualInfo info{};
    if (!x()->XMatchVisualInfo(display, screen, 24, TrueColor, &info) || info.red_mask != 0xFF0000 ||
        info.green_mask != 0xFF00 || info.blue_mask != 0xFF) {
        {
            std::lock_guard<std::mutex> lock(gConnectionsMutex);
            gConnections.erase(std::find(gConnections.begin(), gConnections.end(), c.get()));
        }
        x()->XCloseDisplay(display);
        return nullptr;
    }
    c->visual = info.visual;
    if (info.visual == x()->XDefaultVisual(display, screen)) {
        c->colormap = x()->XDefaultColormap(display, screen);
    } else {
        c->colormap = x()->XCreateColormap(display, c->root, info.visual, AllocNone);
        c->ownColormap = true;
    }
    c->shm = x()->XShmQueryExtension && x()->XShmQueryExtension(display);
    return c.release();
}

void closeConnection(Connection* c)
{
    if (!c) return;
    {
        ErrorScope scope;
        if (c->ownColormap && !broken(*c)) x()->XFreeColormap(c->display, c->colormap);
        x()->XCloseDisplay(c->display);
        std::lock_guard<std::mutex> lock(gConnectionsMutex);
        gConnections.erase(std::find(gConnections.begin(), gConnections.end(), c));
    }
    delete c;
}

// ------------------------------------------------------------------ windows

// What a window shows: a copy of the pixels last sent (the shared image itself when there is
// one), so that each paint sends only the region that changed.
struct Presenter {
    GC gc = nullptr;
    int32_t width = 0, height = 0;
    std::vector<uint32_t> shown;  // without a shared image
    XImage* shmImage = nullptr;
    XShmSegmentInfo shmInfo{};
    bool full = true;  // the window's content is lost (exposed, new, resized)
};

struct XWin : WindowRecord {
    Connection* connection = nullptr;
    bool ownsConnection = false;
    Window xid = 0;
    bool gone = false;  // the server has destroyed it already
    Presenter presenter;
    // The edit field.
    int32_t anchor = 0, caret = 0;
    FontHandle font = nullptr;
    SurfaceDevice* device = nullptr;
    uint32_t* devicePixels = nullptr;
    int32_t deviceWidth = 0, deviceHeight = 0;
};

LResult sharedProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return frameworkProcedure(window, message, wParam, lParam);
}

LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
LResult defaultProc(WindowHandle window, uint32_t message, WParam wParam, LParam lParam);
bool destroyWindowImpl(WindowHandle window);
void destroyedTree(WindowHandle root);
void releaseWindow(WindowHandle window, WindowRecord& record);

struct State {
    WindowTable table{
        &sharedProcedure, &defaultProc, &editProcedure, {&destroyWindowImpl, &destroyedTree, &releaseWindow}};
    // The keyboard hook (table.hook): the window given the X focus and the one that had it.
    WindowHandle hookOwner = nullptr;
    Connection* hookConnection = nullptr;
    Window hookPrevious = None;
};

// A static object, not a heap one: freed when the module is unloaded.
State& state()
{
    static State s;
    return s;
}

WindowTable& table() { return state().table; }

WindowHandle handleOf(Window xid) { return reinterpret_cast<WindowHandle>(static_cast<std::uintptr_t>(xid)); }

XWin* find(WindowHandle window) { return table().findAs<XWin>(window); }

// The window's position inside the top window of its tree.
void offsetInTree(WindowHandle window, int32_t& dx, int32_t& dy, WindowHandle& top)
{
    dx = dy = 0;
    top = window;
    for (XWin* w = find(window); w; w = find(w->parent)) {
        top = handleOf(w->xid);
        if (w->ownsConnection) break;
        dx += w->x;
        dy += w->y;
    }
}

// ------------------------------------------------------------------ the copy to the window

void releasePresenter(XWin& w)
{
    Presenter& p = w.presenter;
    Display* d = w.connection->display;
    if (p.shmImage) {
        if (!broken(*w.connection)) x()->XShmDetach(d, &p.shmInfo);
        p.shmImage->data = nullptr;
        destroyImage(p.shmImage);
        shmdt(p.shmInfo.shmaddr);
        p.shmImage = nullptr;
    }
    if (p.gc) x()->XFreeGC(d, p.gc);
    p.gc = nullptr;
    p.shown.clear();
    p.shown.shrink_to_fit();
    p.width = p.height = 0;
}

// A shared image of the presenter's size; false (and no more tries on this connection) when the
// server cannot attach one.
bool makeSharedImage(XWin& w)
{
    Presenter& p = w.presenter;
    Connection& c = *w.connection;
    XImage* image = x()->XShmCreateImage(c.display, c.visual, 24, ZPixmap, nullptr, &p.shmInfo,
                                         static_cast<unsigned>(p.width), static_cast<unsigned>(p.height));
    if (!image) {
        c.shm = false;
        return false;
    }
    if (image->bits_per_pixel != 32 || image->bytes_per_line != p.width * 4) {
        destroyImage(image);
        c.shm = false;
        return false;
    }
    const std::size_t bytes = static_cast<std::size_t>(image->bytes_per_line) * p.height;
    p.shmInfo.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (p.shmInfo.shmid < 0) {
        destroyImage(image);
        c.shm = false;
        return false;
    }
    void* address = shmat(p.shmInfo.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
        shmctl(p.shmInfo.shmid, IPC_RMID, nullptr);
        destroyImage(image);
        c.shm = false;
        return false;
    }
    p.shmInfo.shmaddr = static_cast<char*>(address);
    p.shmInfo.readOnly = 0;
    image->data = p.shmInfo.shmaddr;
    const int before = c.errors.load();
    x()->XShmAttach(c.display, &p.shmInfo);
    x()->XSync(c.display, 0);
    // Removed now, the segment goes as soon as both sides have detached, whatever happens later.
    shmctl(p.shmInfo.shmid, IPC_RMID, nullptr);
    if (c.errors.load() != before) {
        image->data = nullptr;
        destroyImage(image);
        shmdt(p.shmInfo.shmaddr);
        c.shm = false;
        return false;
    }
    p.shmImage = image;
    return true;
}

// Sends the region of the pixels (width x height, top row first) that differs from what the
// window shows.
void present(XWin& w, const uint32_t* pixels, int32_t width, int32_t height)
{
    if (!pixels || width < 1 || height < 1 || w.gone || broken(*w.connection)) return;
    Presenter& p = w.presenter;
    Connection& c = *w.connection;
    const int32_t cw = std::min(width, w.width);
    const int32_t ch = std::min(height, w.height);
    if (cw < 1 || ch < 1) return;
    if (!p.gc) p.gc = x()->XCreateGC(c.display, w.xid, 0, nullptr);
    if (p.width != cw || p.height != ch) {
        GC gc = p.gc;
        p.gc = nullptr;
        releasePresenter(w);
        p.gc = gc;
        p.width = cw;
        p.height = ch;
        p.full = true;
        if (!(c.shm && makeSharedImage(w))) p.shown.assign(static_cast<std::size_t>(cw) * ch, 0);
    }
    uint32_t* shown = p.shmImage ? reinterpret_cast<uint32_t*>(p.shmImage->data) : p.shown.data();
    const std::size_t rowBytes = static_cast<std::size_t>(cw) * 4;
    int32_t top = 0, bottom = ch - 1, left = 0, right = cw - 1;
    if (!p.full) {
        auto differs = [&](int32_t y) {
            return std::memcmp(pixels + static_cast<std::size_t>(y) * width, shown + static_cast<std::size_t>(y) * cw,
                               rowBytes) != 0;
        };
        while (top < ch && !differs(top)) ++top;
        if (top == ch) return;  // nothing changed
        while (bottom > top && !differs(bottom)) --bottom;
        left = cw;
        right = -1;
        for (int32_t y = top; y <= bottom; ++y) {
            const uint32_t* a = pixels + static_cast<std::size_t>(y) * width;
            const uint32_t* b = shown + static_cast<std::size_t>(y) * cw;
            int32_t l = 0;
            while (l < left && a[l] == b[l]) ++l;
            if (l < left) left = l;
            int32_t r = cw - 1;
            while (r > right && a[r] == b[r]) --r;
            if (r > right) right = r;
        }
        if (right < left) return;
    }
    const int32_t bw = right - left + 1;
    const int32_t bh = bottom - top + 1;
    for (int32_t y = top; y <= bottom; ++y)
        std::memcpy(shown + static_cast<std::size_t>(y) * cw + left,
                    pixels + static_cast<std::size_t>(y) * width + left, static_cast<std::size_t>(bw) * 4);
    if (p.shmImage) {
        x()->XShmPutImage(c.display, w.xid, p.gc, p.shmImage, left, top, left, top, static_cast<unsigned>(bw),
                          static_cast<unsigned>(bh), 0);
        // The server reads the shared memory when it runs the request; the next change must wait.
        x()->XSync(c.display, 0);
    } else {
        XImage* image = x()->XCreateImage(c.display, c.visual, 24, ZPixmap, 0,
                                          reinterpret_cast<char*>(const_cast<uint32_t*>(pixels)),
                                          static_cast<unsigned>(width), static_cast<unsigned>(height), 32, width * 4);
        if (!image) {
            p.full = true;
            return;
        }
        image->byte_order = LSBFirst;
        x()->XPutImage(c.display, w.xid, p.gc, image, left, top, left, top, static_cast<unsigned>(bw),
                       static_cast<unsigned>(bh));
        image->data = nullptr;
        destroyImage(image);
    }
    p.full = false;
}

// ------------------------------------------------------------------ the edit field

int32_t textWidth(XWin& w, int32_t length)
{
    if (length <= 0 || !w.device) return 0;
    const std::string prefix = w.text.substr(0, static_cast<std::size_t>(length));
    const int32_t width = measureSurfaceText(w.device, prefix.c_str(), w.font, kTextSingleLine);
    return width < 0 ? 0 : width;
}

int32_t textLeft(XWin& w)
{
    const int32_t left = (w.deviceWidth - textWidth(w, static_cast<int32_t>(w.text.size()))) / 2;
    return left < 1 ? 1 : left;
}

bool ensureDevice(XWin& w)
{
    if (w.device && w.deviceWidth == w.width && w.deviceHeight == w.height) return true;
    if (w.device) destroySurfaceDevice(w.device);
    w.device = createSurfaceDevice(nullptr, w.width, w.height, &w.devicePixels);
    w.deviceWidth = w.device ? w.width : 0;
    w.deviceHeight = w.device ? w.height : 0;
    return w.device != nullptr;
}

void paintEdit(WindowHandle window, XWin& w)
{
    w.invalid = false;
    if (!ensureDevice(w)) return;
    const int32_t W = w.deviceWidth, H = w.deviceHeight;
    std::fill(w.devicePixels, w.devicePixels + static_cast<std::size_t>(W) * H, 0x00FFFFFFu);
    const int32_t left = textLeft(w);
    const int32_t selMin = std::min(w.anchor, w.caret), selMax = std::max(w.anchor, w.caret);
    const int32_t xs = left + textWidth(w, selMin), xe = left + textWidth(w, selMax);
    const uint32_t format = kTextLeft | kTextVCenter | kTextSingleLine | kTextNoClip;
    drawSurfaceText(w.device, w.text.c_str(), left, 0, W, H, w.font, 0x000000, format);
    if (selMax > selMin && xe > xs) {
        for (int32_t y = 0; y < H; ++y)
            for (int32_t xx = std::max(0, xs); xx < std::min(W, xe); ++xx)
                w.devicePixels[static_cast<std::size_t>(y) * W + xx] = 0x000078D7u;
        setSurfaceDeviceClip(w.device, std::max(0, xs), 0, std::min(W, xe) - std::max(0, xs), H);
        drawSurfaceText(w.device, w.text.c_str(), left, 0, W, H, w.font, 0xFFFFFF, format);
        resetSurfaceDeviceClip(w.device);
    }
    if (table().focus() == window) {
        const int32_t cx = left + textWidth(w, w.caret);
        if (cx >= 0 && cx < W)
            for (int32_t y = 2; y < H - 2; ++y) w.devicePixels[static_cast<std::size_t>(y) * W + cx] = 0;
    }
    present(w, w.devicePixels, W, H);
}

// Virtual keys the field understands.
enum : uint32_t { kVkEnd = 0x23, kVkHome = 0x24, kVkLeft = 0x25, kVkRight = 0x27, kVkDelete = 0x2E };

LResult editProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    XWin* w = find(window);
    if (!w) return 0;
    const int32_t length = static_cast<int32_t>(w->text.size());
    auto eraseSelection = [&] {
        const int32_t a = std::min(w->anchor, w->caret), b = std::max(w->anchor, w->caret);
        w->text.erase(static_cast<std::size_t>(a), static_cast<std::size_t>(b - a));
        w->anchor = w->caret = a;
        return b > a;
    };
    switch (message) {
        case kWmNcCreate: return 1;
        case kWmCreate: return 0;
        case kWmSetText:
            w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            w->anchor = w->caret = 0;
            w->invalid = true;
            return 1;
        case kEmSetSel: {
            int32_t start = static_cast<int32_t>(wParam);
            int32_t end = static_cast<int32_t>(lParam);
            if (end < 0 || end > length) end = length;
            if (start < 0) start = end;
            if (start > length) start = length;
            w->anchor = start;
            w->caret = end;
            w->invalid = true;
            return 0;
        }
        case kWmSetFont:
            w->font = reinterpret_cast<FontHandle>(wParam);
            w->invalid = true;
            return 0;
        case kWmSetFocus:
        case kWmKillFocus: w->invalid = true; return 0;
        case kWmKeyDown: {
            const bool selection = w->anchor != w->caret;
            switch (static_cast<uint32_t>(wParam)) {
                case kVkLeft: w->caret = selection ? std::min(w->anchor, w->caret) : std::max(0, w->caret - 1); break;
                case kVkRight:
                    w->caret = selection ? std::max(w->anchor, w->caret) : std::min(length, w->caret + 1);
                    break;
                case kVkHome: w->caret = 0; break;
                case kVkEnd: w->caret = length; break;
                case kVkDelete:
                    if (!eraseSelection() && w->caret < length) w->text.erase(static_cast<std::size_t>(w->caret), 1);
                    break;
                default: return 0;
            }
            w->anchor = w->caret;
            w->invalid = true;
            return 0;
        }
        case kWmChar: {
            const unsigned char c = static_cast<unsigned char>(wParam);
            if (c == 8) {
                if (!eraseSelection() && w->caret > 0) {
                    w->text.erase(static_cast<std::size_t>(w->caret - 1), 1);
                    w->anchor = --w->caret;
                }
            } else if (c >= 32 && c != 127) {
                eraseSelection();
                if (w->text.size() < 255) {
                    w->text.insert(w->text.begin() + w->caret, static_cast<char>(c));
                    w->anchor = ++w->caret;
                }
            } else {
                return 0;
            }
            w->invalid = true;
            return 0;
        }
        case kWmLeftButtonDown: {
            // The caret goes to the character boundary nearest to the click.
            const int32_t px = static_cast<int16_t>(lParam & 0xFFFF);
            const int32_t left = textLeft(*w);
            int32_t best = 0, bestDistance = 1 << 30;
            for (int32_t i = 0; i <= length; ++i) {
                const int32_t d = std::abs(left + textWidth(*w, i) - px);
                if (d < bestDistance) {
                    bestDistance = d;
                    best = i;
                }
            }
            w->anchor = w->caret = best;
            w->invalid = true;
            return 0;
        }
        case kWmPaint: paintEdit(window, *w); return 0;
        case kWmKeyUp:
        case kWmLeftButtonUp:
        case kWmMouseMove: return 0;
        default: return defaultProc(window, message, wParam, lParam);
    }
}

// ------------------------------------------------------------------ the default procedure

LResult defaultProc(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return table().defaultProcedure(window, message, wParam, lParam);
}

LResult send(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    return table().send(window, message, wParam, lParam);
}

void removeHookImpl();

// After every window of a destroyed tree had WM_DESTROY: a keyboard hook of the tree goes.
void destroyedTree(WindowHandle root)
{
    State& s = state();
    if (s.table.hook && s.hookOwner && s.table.inSubtree(s.hookOwner, root)) removeHookImpl();
}

// After a window's WM_NCDESTROY: what showed it goes.
void releaseWindow(WindowHandle /*window*/, WindowRecord& record)
{
    XWin& w = static_cast<XWin&>(record);
    releasePresenter(w);
    if (w.device) destroySurfaceDevice(w.device);
    w.device = nullptr;
}

bool destroyWindowImpl(WindowHandle window)
{
    XWin* w = find(window);
    if (!w) return false;
    if (w->destroying) return true;
    ErrorScope scope;
    Connection* connection = w->connection;
    const bool ownsConnection = w->ownsConnection;
    const bool gone = w->gone;
    const Window xid = w->xid;
    table().destroy(window);
    if (!gone && !broken(*connection)) x()->XDestroyWindow(connection->display, xid);
    if (ownsConnection) {
        State& s = state();
        if (s.hookConnection == connection) s.hookConnection = nullptr;
        closeConnection(connection);
    } else if (!broken(*connection)) {
        x()->XFlush(connection->display);
    }
    return true;
}

// ------------------------------------------------------------------ events

uint32_t modifierKeys(unsigned int state)
{
    uint32_t keys = 0;
    if (state & ShiftMask) keys |= kMkShift;
    if (state & ControlMask) keys |= kMkControl;
    if (state & Button1Mask) keys |= 0x0001;  // MK_LBUTTON
    if (state & Button3Mask) keys |= 0x0002;  // MK_RBUTTON
    if (state & Button2Mask) keys |= 0x0010;  // MK_MBUTTON
    return keys;
}

LParam pointParam(int32_t x, int32_t y)
{
    return static_cast<LParam>((static_cast<uint32_t>(x) & 0xFFFFu) | ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

// A mouse event of window `window` at (px, py): to the capturing window of the same tree while
// the framework holds the capture, in that window's coordinates.
void mouse(WindowHandle window, uint32_t message, uint32_t keys, int32_t px, int32_t py)
{
    WindowHandle target = window;
    const WindowHandle capture = table().capture();
    if (capture && capture != window && find(capture)) {
        int32_t ex, ey, cx, cy;
        WindowHandle eventTop, captureTop;
        offsetInTree(window, ex, ey, eventTop);
        offsetInTree(capture, cx, cy, captureTop);
        if (eventTop == captureTop) {
            target = capture;
            px += ex - cx;
            py += ey - cy;
        }
    }
    send(target, message, keys, pointParam(px, py));
}

uint32_t virtualKey(KeySym sym, const char* chars, int count)
{
    switch (sym) {
        case XK_Return:
        case XK_KP_Enter: return kVkReturn;
        case XK_Escape: return kVkEscape;
        case XK_BackSpace: return 0x08;
        case XK_Tab: return 0x09;
        case XK_Delete:
        case XK_KP_Delete: return kVkDelete;
        case XK_Home:
        case XK_KP_Home: return kVkHome;
        case XK_End:
        case XK_KP_End: return kVkEnd;
        case XK_Left:
        case XK_KP_Left: return kVkLeft;
        case XK_Right:
        case XK_KP_Right: return kVkRight;
        case XK_Up:
        case XK_KP_Up: return 0x26;
        case XK_Down:
        case XK_KP_Down: return 0x28;
        default: break;
    }
    if (count == 1) {
        const unsigned char c = static_cast<unsigned char>(chars[0]);
        if (c >= 'a' && c <= 'z') return c - 'a' + 'A';
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ') return c;
        if (c == '-') return 0xBD;
        if (c == '.') return 0xBE;
        if (c == ',') return 0xBC;
    }
    return 0;
}

void key(WindowHandle window, XKeyEvent& event)
{
    char chars[16] = {};
    KeySym sym = 0;
    const int count = x()->XLookupString(&event, chars, static_cast<int>(sizeof chars - 1), &sym, nullptr);
    const bool release = event.type == KeyRelease;
    const uint32_t vk = virtualKey(sym, chars, count);
    WindowHandle target = table().focus();
    if (!find(target)) target = window;
    const LParam flags = static_cast<LParam>(1u | (release ? 0xC0000000u : 0u));
    if (vk) send(target, release ? kWmKeyUp : kWmKeyDown, vk, flags);
    if (release) return;
    for (int i = 0; i < count && find(target); ++i) send(target, kWmChar, static_cast<unsigned char>(chars[i]), flags);
}

bool focusAtWindow(const XFocusChangeEvent& e)
{
    if (e.mode == NotifyGrab || e.mode == NotifyUngrab) return false;
    return e.detail == NotifyAncestor || e.detail == NotifyInferior || e.detail == NotifyNonlinear;
}

void dispatch(XEvent& e)
{
    WindowTable& t = table();
    if (e.type == DestroyNotify) {
        const WindowHandle h = handleOf(e.xdestroywindow.window);
        XWin* w = find(h);
        if (!w || w->destroying) return;
        std::vector<WindowHandle> tree;
        t.collect(h, tree);
        for (WindowHandle g : tree)
            if (XWin* r = find(g)) r->gone = true;
        destroyWindowImpl(h);
        return;
    }
    const WindowHandle h = handleOf(e.xany.window);
    XWin* w = find(h);
    if (!w || w->destroying) return;
    switch (e.type) {
        case Expose:
            w->presenter.full = true;
            w->invalid = true;
            break;
        case ButtonPress:
        case ButtonRelease: {
            const bool press = e.type == ButtonPress;
            const unsigned button = e.xbutton.button;
            if (button != 1 && button != 3) break;
            uint32_t keys = modifierKeys(e.xbutton.state);
            const uint32_t bit = button == 1 ? 0x0001u : 0x0002u;
            keys = press ? (keys | bit) : (keys & ~bit);
            const uint32_t message = button == 1 ? (press ? kWmLeftButtonDown : kWmLeftButtonUp)
                                                 : (press ? kWmRightButtonDown : kWmRightButtonUp);
            mouse(h, message, keys, e.xbutton.x, e.xbutton.y);
            break;
        }
        case MotionNotify: mouse(h, kWmMouseMove, modifierKeys(e.xmotion.state), e.xmotion.x, e.xmotion.y); break;
        case LeaveNotify:
            // Another client took the pointer in the middle of a drag: the drag is over.
            if (e.xcrossing.mode == NotifyGrab && t.capture() && find(t.capture())) t.releaseCapture();
            break;
        case KeyPress:
        case KeyRelease: key(h, e.xkey); break;
        case FocusIn:
            if (focusAtWindow(e.xfocus) && t.focus() != h) t.setFocus(h);
            break;
        case FocusOut:
            if (focusAtWindow(e.xfocus) && t.focus() == h) t.setFocus(nullptr);
            break;
        default: break;
    }
}

// ------------------------------------------------------------------ the keyboard hook

void removeHookImpl()
{
    State& s = state();
    if (!s.table.hook) return;
    s.table.hook = false;
    Connection* c = s.hookConnection;
    const WindowHandle owner = s.hookOwner;
    s.hookConnection = nullptr;
    s.hookOwner = nullptr;
    if (!c || !live(c) || broken(*c)) return;
    ErrorScope scope;
    // Only a focus that is still ours goes back: the user may have given it to another window.
    Window focus = None;
    int revert = 0;
    x()->XGetInputFocus(c->display, &focus, &revert);
    if (focus != None && focus != PointerRoot && find(handleOf(focus)) && s.table.inSubtree(handleOf(focus), owner)) {
        x()->XSetInputFocus(c->display, s.hookPrevious != None ? s.hookPrevious : PointerRoot, RevertToParent,
                            CurrentTime);
    }
    x()->XFlush(c->display);
}

bool installHookImpl(WindowHandle owner)
{
    State& s = state();
    if (s.table.hook) return true;
    XWin* w = find(owner);
    if (!w || broken(*w->connection)) return false;
    ErrorScope scope;
    Connection* c = w->connection;
    Window previous = None;
    int revert = 0;
    x()->XGetInputFocus(c->display, &previous, &revert);
    s.hookPrevious = find(handleOf(previous)) ? None : previous;
    x()->XSetInputFocus(c->display, w->xid, RevertToParent, CurrentTime);
    x()->XFlush(c->display);
    s.table.hook = true;
    s.hookOwner = owner;
    s.hookConnection = c;
    return true;
}

}  // namespace

// ------------------------------------------------------------------ the seam

WindowHandle createWindow(const CreateParams& p)
{
    WindowTable& t = table();
    const Procedure procedure = t.classProcedure(p.className);
    if (!procedure || !x()) return nullptr;
    const bool child = (static_cast<uint32_t>(p.style) & kWsChild) != 0;
    if (child && !p.parent) return nullptr;
    XWin* parent = find(p.parent);
    Connection* connection = parent ? parent->connection : openConnection();
    if (!connection || broken(*connection)) return nullptr;
    const bool ownsConnection = parent == nullptr;
    ErrorScope scope;
    const int before = connection->errors.load();
    const Window parentXid = parent
        ? parent->xid
        : (p.parent ? static_cast<Window>(reinterpret_cast<std::uintptr_t>(p.parent)) : connection->root);
    std::unique_ptr<XWin> w(new XWin);
    WindowTable::describe(*w, p, procedure);
    w->width = std::max(w->width, 1);
    w->height = std::max(w->height, 1);
    w->connection = connection;
    w->ownsConnection = ownsConnection;
    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None;
    attributes.border_pixel = 0;
    attributes.colormap = connection->colormap;
    attributes.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | KeyPressMask |
        KeyReleaseMask | FocusChangeMask | StructureNotifyMask | LeaveWindowMask;
    w->xid = x()->XCreateWindow(connection->display, parentXid, w->x, w->y, static_cast<unsigned>(w->width),
                                static_cast<unsigned>(w->height), 0, 24, InputOutput, connection->visual,
                                CWBackPixmap | CWBorderPixel | CWColormap | CWEventMask, &attributes);
    // A parent of the host's that does not exist (or went away) refuses the window now.
    if (ownsConnection) x()->XSync(connection->display, 0);
    if (!w->xid || connection->errors.load() != before) {
        if (ownsConnection) closeConnection(connection);
        return nullptr;
    }
    const Window xid = w->xid;
    const WindowHandle handle = handleOf(xid);
    switch (t.create(handle, std::move(w), p)) {
        case WindowTable::Created::Refused:
            x()->XDestroyWindow(connection->display, xid);
            if (ownsConnection) closeConnection(connection);
            return nullptr;
        case WindowTable::Created::Failed: return nullptr;
        case WindowTable::Created::Made: break;
    }
    if (XWin* r = find(handle)) {
        if (static_cast<uint32_t>(r->style) & kWsVisible) x()->XMapWindow(connection->display, r->xid);
        x()->XFlush(connection->display);
    }
    return handle;
}

bool updateWindow(WindowHandle window)
{
    XWin* w = find(window);
    if (!w) return false;
    if (w->invalid && w->visible) {
        ErrorScope scope;
        send(window, kWmPaint, 0, 0);
    }
    return true;
}

WindowHandle setFocus(WindowHandle window)
{
    ErrorScope scope;
    return table().setFocus(window);
}

bool setWindowPosition(WindowHandle window, int32_t x0, int32_t y0, int32_t width, int32_t height)
{
    XWin* w = find(window);
    if (!w) return false;
    w->x = x0;
    w->y = y0;
    w->width = width < 1 ? 1 : width;
    w->height = height < 1 ? 1 : height;
    w->invalid = true;
    if (broken(*w->connection)) return true;
    ErrorScope scope;
    x()->XMoveResizeWindow(w->connection->display, w->xid, w->x, w->y, static_cast<unsigned>(w->width),
                           static_cast<unsigned>(w->height));
    return true;
}

void showWindow(WindowHandle window)
{
    XWin* w = find(window);
    if (!w) return;
    if (!w->visible) w->invalid = true;
    w->visible = true;
    if (broken(*w->connection)) return;
    ErrorScope scope;
    x()->XMapWindow(w->connection->display, w->xid);
    x()->XFlush(w->connection->display);
}

bool isWindowVisible(WindowHandle window)
{
    for (WindowHandle h = window; h;) {
        XWin* w = find(h);
        if (!w || !w->visible) return false;
        if (w->ownsConnection) return true;
        h = w->parent;
    }
    return false;
}

void endPaint(PaintContext* context)
{
    if (!context) return;
    XWin* w = find(WindowTable::paintedWindow(context));
    if (w && !broken(*w->connection)) {
        ErrorScope scope;
        x()->XFlush(w->connection->display);
    }
    WindowTable::endPaint(context);
}

void copyToWindow(PaintContext* context, void* /*sourceDc*/, const uint32_t* pixels, int32_t width, int32_t height)
{
    XWin* w = find(WindowTable::paintedWindow(context));
    if (!w) return;
    ErrorScope scope;
    present(*w, pixels, width, height);
}

bool installKeyboardHook(WindowHandle owner) { return installHookImpl(owner); }

void removeKeyboardHook() { removeHookImpl(); }

void processPendingEvents(WindowHandle window)
{
    XWin* w = find(window);
    if (!w) return;
    Connection* c = w->connection;
    ErrorScope scope;
    // Bounded, so that a flood of motion cannot keep the host's idle call from returning.
    for (int i = 0; i < 4096 && live(c) && !broken(*c) && x()->XPending(c->display) > 0; ++i) {
        XEvent event;
        x()->XNextEvent(c->display, &event);
        dispatch(event);
    }
}

int32_t eventConnection(WindowHandle window)
{
    XWin* w = find(window);
    if (!w || !live(w->connection) || broken(*w->connection)) return -1;
    return x()->XConnectionNumber(w->connection->display);
}

void paintPendingWindows(WindowHandle window)
{
    if (!find(window)) return;
    ErrorScope scope;
    std::vector<WindowHandle> tree;
    table().collect(window, tree);
    for (WindowHandle h : tree) {
        XWin* w = find(h);
        if (w && w->invalid && w->visible && !w->destroying) send(h, kWmPaint, 0, 0);
    }
    if (XWin* w = find(window))
        if (!broken(*w->connection)) x()->XFlush(w->connection->display);
}

}  // namespace x11_windows

const WindowSystem& x11WindowSystem()
{
    namespace xw = x11_windows;
    static const WindowSystem system = tableWindowSystem<&xw::table>(
        {&xw::createWindow, &xw::destroyWindowImpl, &xw::updateWindow, &xw::setFocus, &xw::setWindowPosition,
         &xw::showWindow, &xw::isWindowVisible, &xw::endPaint, &xw::copyToWindow, &xw::installKeyboardHook,
         &xw::removeKeyboardHook, &xw::processPendingEvents, &xw::paintPendingWindows, &xw::eventConnection});
    return system;
}

}  // namespace platform
