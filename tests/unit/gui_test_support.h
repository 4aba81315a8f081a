// Shared pieces of the window, editor and control tests: a recording host, a host window, a
// control that records every call, and skins built in code.
//
// The same tests run natively on the headless window system and, in the Windows builds, on real
// Win32 windows (under Wine with an X server).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "controls/control.h"
#include "editor/editor.h"
#include "editor/editor_window.h"
#include "gui/surface.h"
#include "gui/window.h"
#include "effect/sarvo_effect.h"
#include "platform/window_system.h"
#include "skin/resource_registry.h"
#include "skin_resources/resources.h"
#include "skin/skin.h"

#if defined(SARVO_WIN32)
#include <windows.h>
#endif

namespace gui_test {

// ------------------------------------------------------------------ host requests

struct HostRequest {
    int32_t opcode;
    int32_t index;
    float value;
};

// Every request the effect sends (one recorder for the test program).
inline std::vector<HostRequest>& hostRequests()
{
    static std::vector<HostRequest> requests;
    return requests;
}

inline VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterVersion) return 2400;
    hostRequests().push_back(HostRequest{opcode, index, opt});
    return 0;
}

// Only begin-edit, automate and end-edit, in order.
inline std::vector<HostRequest> editRequests()
{
    std::vector<HostRequest> out;
    for (const HostRequest& r : hostRequests())
        if (r.opcode == audioMasterAutomate || r.opcode == audioMasterBeginEdit || r.opcode == audioMasterEndEdit)
            out.push_back(r);
    return out;
}

// ------------------------------------------------------------------ messages

// Lets queued messages run (Windows); nothing to do on the headless system.
inline void pumpMessages()
{
#if defined(SARVO_WIN32)
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
#endif
}

inline platform::LParam point(int32_t x, int32_t y)
{
    return static_cast<platform::LParam>((static_cast<uint32_t>(x) & 0xFFFFu) |
                                         ((static_cast<uint32_t>(y) & 0xFFFFu) << 16));
}

inline void mouse(platform::WindowHandle window, uint32_t message, int32_t x, int32_t y, uint32_t keys = 0)
{
    platform::sendMessage(window, message, keys, point(x, y));
}

// ------------------------------------------------------------------ windows

// The host's window, recording what reaches it. The first one made is a top-level window that
// lives for the whole test program (top-level windows are slow to make and destroy on a real
// window server); every other one is a child of it, covering it.
class HostWindow : public ZWindow {
public:
    struct Received {
        uint32_t message;
        platform::WParam wParam;
        platform::LParam lParam;
    };

    HostWindow() : topLevel_(false) { create(top().handle()); }
    ~HostWindow() override { destroy(); }

    // The top-level window of the test program.
    static HostWindow& top()
    {
        static HostWindow* window = new HostWindow(true);
        return *window;
    }

    void fillCreateParams(platform::CreateParams& p) override
    {
        p.style = static_cast<int32_t>((topLevel_ ? platform::kWsOverlappedWindow : platform::kWsChild) |
                                       platform::kWsVisible);
        p.x = topLevel_ ? 40 : 0;
        p.y = topLevel_ ? 40 : 0;
        p.cx = 640;
        p.cy = 520;
        p.name = "Sarvo test host";
    }
    LResult onCommand(WParam id, uint32_t code, LParam control) override
    {
        received.push_back({platform::kWmCommand, id, control});
        (void)code;
        return 0;
    }
    LResult onAppMessage(uint32_t message, WParam wParam, LParam lParam) override
    {
        received.push_back({message, wParam, lParam});
        return 0x5A5A;
    }

    std::vector<Received> received;

private:
    explicit HostWindow(bool topLevel) : topLevel_(topLevel) { create(nullptr); }
    bool topLevel_;
};

// ------------------------------------------------------------------ controls

// A control that records every call and paints a solid colour.
class ProbeControl : public ZControl {
public:
    struct Call {
        std::string what;
        bool shift;
        bool ctrl;
        int32_t x;
        int32_t y;
    };

    explicit ProbeControl(ZColour colour = ZColour{200, 40, 40, 255}, ZPlugin* effect = nullptr)
        : ZControl(effect), colour(colour)
    {}

    void reset() override { calls.push_back({"reset", false, false, 0, 0}); }
    void prepare(ZSurface& s) override
    {
        calls.push_back({"prepare", false, false, s.clipX(), s.clipY()});
        preparedClip = {s.clipX(), s.clipY(), s.clipWidth(), s.clipHeight()};
        takeSnapshot(s);
    }
    void draw(ZSurface& s) override
    {
        calls.push_back({"draw", false, false, s.clipX(), s.clipY()});
        ++draws;
        s.fillRect(colour, 0, 0, width, height);
    }
    bool leftDown(bool sh, bool ct, int32_t x, int32_t y) override { return note("leftDown", sh, ct, x, y, capture); }
    bool leftUp(bool sh, bool ct, int32_t x, int32_t y) override { return note("leftUp", sh, ct, x, y, release); }
    bool rightDown(bool sh, bool ct, int32_t x, int32_t y) override { return note("rightDown", sh, ct, x, y, capture); }
    bool rightUp(bool sh, bool ct, int32_t x, int32_t y) override { return note("rightUp", sh, ct, x, y, release); }
    void mouseMove(bool sh, bool ct, int32_t x, int32_t y) override { note("mouseMove", sh, ct, x, y, false); }
    void cancel() override { calls.push_back({"cancel", false, false, 0, 0}); }

    int count(const std::string& what) const
    {
        int n = 0;
        for (const Call& c : calls) n += c.what == what;
        return n;
    }
    const Call* last(const std::string& what) const
    {
        for (auto it = calls.rbegin(); it != calls.rend(); ++it)
            if (it->what == what) return &*it;
        return nullptr;
    }
    ZBitmap* snapshot() const { return background; }

    ZColour colour;
    bool capture = true;  // result of the presses
    bool release = true;  // result of the releases
    int draws = 0;
    struct Clip {
        int32_t x, y, w, h;
    } preparedClip{-1, -1, -1, -1};
    std::vector<Call> calls;

private:
    bool note(const char* what, bool sh, bool ct, int32_t x, int32_t y, bool result)
    {
        calls.push_back({what, sh, ct, x, y});
        return result;
    }
};

template <class T>
T* place(T* control, int32_t page, int32_t x, int32_t y, int32_t w, int32_t h)
{
    control->page = page;
    control->x = x;
    control->y = y;
    control->width = w;
    control->height = h;
    return control;
}

// A skin of the given size and page count with the given controls (owned by the skin).
inline ZSkin* makeSkin(ZPlugin* owner, int32_t width, int32_t height, std::vector<ZControl*> controls,
                       int32_t pages = 1)
{
    ZSkin* skin = new ZSkin(owner);
    skin->width = width;
    skin->height = height;
    skin->pageCount = pages;
    skin->pageFrames.assign(static_cast<size_t>(pages), 0);
    skin->startPage = 1;
    for (ZControl* c : controls) skin->controls.push_back(c);
    return skin;
}

// A background image resource of `frames` frames stacked vertically, each a gradient of its own.
inline ZImageResource* gradientBackground(int32_t width, int32_t height, int32_t frames)
{
    ZBitmap* image = new ZBitmap(width, height * frames);
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                image->pixels[(f * height + y) * width + x] = 0xFF000000u | (uint32_t((x * 255) / width) << 16) |
                    (uint32_t((y * 255) / height) << 8) | uint32_t(f * 97 & 0xFF);
    ZImageResource* r = new ZImageResource(image, width, height, frames);
    r->setName("background");
    return r;
}

inline void addBackground(ZSkin* skin, ZImageResource* image)
{
    skin->resources.push_back(image);
    skin->background = image;
}

// The effect with the recording host.
inline std::unique_ptr<SarvoEffect> makeEffect()
{
    hostRequests().clear();
    return std::unique_ptr<SarvoEffect>(new SarvoEffect(&recordingHost));
}

// The pixel of a surface.
inline uint32_t pixel(const ZSurface& s, int32_t x, int32_t y) { return s.pixels()[y * s.width() + x] & 0xFFFFFFu; }

// What the window shows, read back from the screen (Windows) or from the headless window.
inline std::vector<uint32_t> windowPicture(platform::WindowHandle window, int32_t& width, int32_t& height)
{
    std::vector<uint32_t> out;
    width = height = 0;
#if defined(SARVO_WIN32)
    RECT r;
    HWND h = static_cast<HWND>(window);
    if (!GetClientRect(h, &r)) return out;
    width = r.right;
    height = r.bottom;
    HDC screen = GetDC(h);
    HDC mem = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(mem, dib);
    BitBlt(mem, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    GdiFlush();
    const uint32_t* p = static_cast<const uint32_t*>(bits);
    out.assign(p, p + width * height);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
    ReleaseDC(h, screen);
#else
    const uint32_t* p = platform::headless::windowPixels(window, width, height);
    if (p) out.assign(p, p + width * height);
#endif
    for (uint32_t& v : out) v &= 0xFFFFFFu;
    return out;
}

// Whether pictures read back from the screen can hold exact 24-bit colours.
inline bool screenIsTrueColour()
{
#if defined(SARVO_WIN32)
    HDC dc = GetDC(nullptr);
    const int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits >= 24;
#else
    return true;
#endif
}

}  // namespace gui_test
