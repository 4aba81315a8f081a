#include "platform/posix/window_table.h"

#include <cctype>
#include <cstring>

namespace platform {
namespace {

bool sameName(const std::string& a, const char* b)
{
    if (!b || a.size() != std::strlen(b)) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// What beginPaint hands out (platform::PaintContext is each window system's own).
struct Paint {
    WindowHandle window;
};

}  // namespace

WindowTable::WindowTable(WindowProcedure shared, WindowProcedure staticProcedure, WindowProcedure editProcedure,
                         Hooks hooks)
    : shared_(shared), hooks_(hooks)
{
    classes_.emplace_back("Static", staticProcedure);
    classes_.emplace_back("Edit", editProcedure);
}

bool WindowTable::registerFrameworkClass(const char* name)
{
    if (!name || !*name) return false;
    Lock lock(mutex_);
    for (auto& c : classes_)
        if (sameName(c.first, name)) return false;
    classes_.emplace_back(name, shared_);
    return true;
}

WindowProcedure WindowTable::classProcedure(const char* name)
{
    Lock lock(mutex_);
    WindowProcedure procedure = nullptr;
    for (auto& c : classes_)
        if (sameName(c.first, name)) procedure = c.second;
    return procedure;
}

WindowRecord* WindowTable::find(WindowHandle window)
{
    if (!window) return nullptr;
    Lock lock(mutex_);
    auto it = windows_.find(window);
    return it == windows_.end() ? nullptr : it->second.get();
}

int32_t WindowTable::count()
{
    Lock lock(mutex_);
    return static_cast<int32_t>(windows_.size());
}

bool WindowTable::inSubtree(WindowHandle window, WindowHandle root)
{
    for (WindowHandle h = window; h;) {
        if (h == root) return true;
        WindowRecord* w = find(h);
        h = w ? w->parent : nullptr;
    }
    return false;
}

void WindowTable::collect(WindowHandle root, std::vector<WindowHandle>& out)
{
    out.push_back(root);
    std::vector<WindowHandle> children;
    {
        Lock lock(mutex_);
        for (auto& entry : windows_)
            if (entry.second->parent == root) children.push_back(entry.first);
    }
    for (WindowHandle child : children) collect(child, out);
}

void WindowTable::describe(WindowRecord& w, const CreateParams& p, WindowProcedure procedure)
{
    w.className = p.className ? p.className : "";
    w.procedure = procedure;
    w.parent = p.parent;
    w.style = p.style;
    w.x = p.x == kUseDefault ? 0 : p.x;
    w.y = p.y == kUseDefault ? 0 : p.y;
    w.width = p.cx == kUseDefault ? 0 : p.cx;
    w.height = p.cy == kUseDefault ? 0 : p.cy;
    w.text = p.name ? p.name : "";
}

WindowTable::Created WindowTable::create(WindowHandle handle, std::unique_ptr<WindowRecord> record,
                                         const CreateParams& p)
{
    const WindowProcedure procedure = record->procedure;
    {
        Lock lock(mutex_);
        windows_[handle] = std::move(record);
    }
    CreateParams params = p;
    if (procedure(handle, kWmNcCreate, 0, reinterpret_cast<LParam>(&params)) == 0) {
        if (find(handle)) procedure(handle, kWmNcDestroy, 0, 0);
        Lock lock(mutex_);
        windows_.erase(handle);
        return Created::Refused;
    }
    WindowRecord* made = find(handle);
    if (!made || !made->procedure || made->procedure(handle, kWmCreate, 0, reinterpret_cast<LParam>(&params)) == -1) {
        hooks_.destroyWindow(handle);
        return Created::Failed;
    }
    if (WindowRecord* w = find(handle)) {
        if (static_cast<uint32_t>(w->style) & kWsVisible) {
            w->visible = true;
            w->invalid = true;
        }
    }
    return Created::Made;
}

bool WindowTable::destroy(WindowHandle window)
{
    WindowRecord* w = find(window);
    if (!w) return false;
    if (w->destroying) return true;
    std::vector<WindowHandle> tree;
    collect(window, tree);
    for (WindowHandle h : tree)
        if (WindowRecord* t = find(h)) t->destroying = true;
    w->visible = false;
    const WindowHandle parent = w->parent;
    if (focus_ && inSubtree(focus_, window)) setFocus(find(parent) ? parent : nullptr);
    if (capture_ && inSubtree(capture_, window)) releaseCapture();
    for (WindowHandle h : tree)
        if (WindowRecord* t = find(h))
            if (t->procedure) t->procedure(h, kWmDestroy, 0, 0);
    if (hooks_.destroyed) hooks_.destroyed(window);
    for (auto it = tree.rbegin(); it != tree.rend(); ++it) {
        WindowRecord* t = find(*it);
        if (!t) continue;
        if (t->procedure) t->procedure(*it, kWmNcDestroy, 0, 0);
        if (hooks_.release) hooks_.release(*it, *t);
        Lock lock(mutex_);
        if (focus_ == *it) focus_ = nullptr;
        if (capture_ == *it) capture_ = nullptr;
        windows_.erase(*it);
    }
    return true;
}

WindowHandle WindowTable::parentWindow(WindowHandle window)
{
    WindowRecord* w = find(window);
    return w ? w->parent : nullptr;
}

void* WindowTable::userData(WindowHandle window)
{
    WindowRecord* w = find(window);
    return w ? w->userData : nullptr;
}

void WindowTable::setUserData(WindowHandle window, void* data)
{
    if (WindowRecord* w = find(window)) w->userData = data;
}

LResult WindowTable::defaultProcedure(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    WindowRecord* w = find(window);
    switch (message) {
        case kWmNcCreate: return 1;
        case kWmPaint:
            if (w) w->invalid = false;
            return 0;
        case kWmSetText:
            if (w) w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            return 1;
        case kWmGetText: {
            char* out = reinterpret_cast<char*>(lParam);
            if (!w || !out || wParam == 0) return 0;
            std::size_t n = w->text.size();
            if (n > wParam - 1) n = wParam - 1;
            std::memcpy(out, w->text.data(), n);
            out[n] = '\0';
            return static_cast<LResult>(n);
        }
        case kWmGetTextLength: return w ? static_cast<LResult>(w->text.size()) : 0;
        case kWmClose: hooks_.destroyWindow(window); return 0;
        default: return 0;
    }
}

LResult WindowTable::send(WindowHandle window, uint32_t message, WParam wParam, LParam lParam)
{
    WindowRecord* w = find(window);
    WindowProcedure p = w ? w->procedure : nullptr;
    return p ? p(window, message, wParam, lParam) : 0;
}

void* WindowTable::subclassWindow(WindowHandle window)
{
    WindowRecord* w = find(window);
    if (!w) return nullptr;
    WindowProcedure previous = w->procedure;
    w->procedure = shared_;
    return reinterpret_cast<void*>(previous);
}

void WindowTable::restoreProcedure(WindowHandle window, void* previous)
{
    if (WindowRecord* w = find(window))
        if (previous) w->procedure = reinterpret_cast<WindowProcedure>(previous);
}

bool WindowTable::invalidate(WindowHandle window)
{
    Lock lock(mutex_);
    auto it = windows_.find(window);
    if (it == windows_.end()) return false;
    it->second->invalid = true;
    return true;
}

bool WindowTable::needsPaint(WindowHandle window)
{
    WindowRecord* w = find(window);
    return w && w->invalid;
}

WindowHandle WindowTable::setFocus(WindowHandle window)
{
    if (window && !find(window)) return nullptr;
    const WindowHandle old = focus_;
    if (old == window) return old;
    focus_ = window;
    if (old && find(old)) send(old, kWmKillFocus, reinterpret_cast<WParam>(window), 0);
    if (window && focus_ == window && find(window)) send(window, kWmSetFocus, reinterpret_cast<WParam>(old), 0);
    return old;
}

void WindowTable::setCapture(WindowHandle window)
{
    if (!find(window)) return;
    const WindowHandle old = capture_;
    capture_ = window;
    if (old && old != window && find(old)) send(old, kWmCaptureChanged, 0, reinterpret_cast<LParam>(window));
}

void WindowTable::releaseCapture()
{
    const WindowHandle old = capture_;
    if (!old) return;
    capture_ = nullptr;
    if (find(old)) send(old, kWmCaptureChanged, 0, 0);
}

bool WindowTable::windowRect(WindowHandle window, int32_t& x, int32_t& y, int32_t& width, int32_t& height)
{
    WindowRecord* w = find(window);
    if (!w) return false;
    x = w->x;
    y = w->y;
    width = w->width;
    height = w->height;
    return true;
}

bool WindowTable::clientSize(WindowHandle window, int32_t& width, int32_t& height)
{
    WindowRecord* w = find(window);
    if (!w) return false;
    width = w->width;
    height = w->height;
    return true;
}

bool WindowTable::setWindowText(WindowHandle window, const char* text)
{
    return find(window) && send(window, kWmSetText, 0, reinterpret_cast<LParam>(text ? text : "")) != 0;
}

int32_t WindowTable::windowText(WindowHandle window, char* text, int32_t size)
{
    if (!text || size < 1) return 0;
    text[0] = '\0';
    if (!find(window)) return 0;
    return static_cast<int32_t>(send(window, kWmGetText, static_cast<WParam>(size), reinterpret_cast<LParam>(text)));
}

PaintContext* WindowTable::beginPaint(WindowHandle window)
{
    if (WindowRecord* w = find(window)) w->invalid = false;
    return reinterpret_cast<PaintContext*>(new Paint{window});
}

WindowHandle WindowTable::paintedWindow(PaintContext* context)
{
    return context ? reinterpret_cast<Paint*>(context)->window : nullptr;
}

void WindowTable::endPaint(PaintContext* context) { delete reinterpret_cast<Paint*>(context); }

}  // namespace platform
