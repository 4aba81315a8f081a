// The Windows editor tests' side of a host: the top-level window the editor opens in, and what a
// window shows, read back from its device context.
#pragma once

#if defined(SARVO_WIN32)

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// A new top-level window of a class of its own (registered here, with `procedure`), shown at once.
inline HWND hostWindow(const char* className, WNDPROC procedure, DWORD style, int x, int y, int width, int height)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = procedure;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = className;
    RegisterClassA(&wc);
    return CreateWindowExA(0, className, className, style | WS_VISIBLE, x, y, width, height, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

// The client area of `window`, top row first, one 32-bit word per pixel as the screen gives it
// (0x??RRGGBB: the top byte is not defined); `width` gets the number of pixels in a row.
inline std::vector<uint32_t> windowPixels(HWND window, int& width)
{
    RECT r;
    GetClientRect(window, &r);
    width = r.right;
    std::vector<uint32_t> out(static_cast<size_t>(r.right) * r.bottom);
    HDC dc = GetDC(window);
    HDC mem = CreateCompatibleDC(dc);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, r.right, r.bottom);
    HGDIOBJ old = SelectObject(mem, bitmap);
    BitBlt(mem, 0, 0, r.right, r.bottom, dc, 0, 0, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = r.right;
    info.bmiHeader.biHeight = -r.bottom;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    GetDIBits(mem, bitmap, 0, r.bottom, out.data(), &info, DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(mem);
    ReleaseDC(window, dc);
    return out;
}

#endif  // SARVO_WIN32
