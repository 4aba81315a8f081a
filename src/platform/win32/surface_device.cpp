// The surface device on Windows: a 32-bit top-down DIB section selected into a memory DC that is
// compatible with the window's DC, a GDI clip region while a clip rectangle is set, and GDI text.
#include "platform/surface_device.h"

#include <windows.h>

#include <new>

namespace platform {

struct SurfaceDevice {
    BITMAPINFOHEADER header;
    HBITMAP bitmap;  // the DIB section
    uint32_t* pixels;  // its memory
    HDC dc;  // memory DC holding the DIB section
    HRGN clip;  // selected clip region, or null
    HGDIOBJ previous;  // what the DIB section replaced in the DC
};

namespace {

// Selects the font for one text call and puts the previous font back afterwards, so that a
// font can be deleted right after the call (a font still selected into a DC cannot be).
class FontSelection {
public:
    FontSelection(HDC dc, HFONT font) : dc_(dc), previous_(SelectObject(dc, font)) {}
    ~FontSelection()
    {
        if (previous_ != nullptr && previous_ != HGDI_ERROR) SelectObject(dc_, previous_);
    }
    bool ok() const { return previous_ != nullptr && previous_ != HGDI_ERROR; }

private:
    HDC dc_;
    HGDIOBJ previous_;
};

}  // namespace

SurfaceDevice* createSurfaceDevice(void* window, int32_t width, int32_t height, uint32_t** pixels)
{
    if (pixels == nullptr || width < 1 || height < 1) return nullptr;
    SurfaceDevice* device = new (std::nothrow) SurfaceDevice;
    if (device == nullptr) return nullptr;
    ZeroMemory(device, sizeof(*device));

    HWND hwnd = static_cast<HWND>(window);
    HDC windowDc = GetDC(hwnd);  // null window: the screen
    device->dc = CreateCompatibleDC(windowDc);
    if (windowDc != nullptr) ReleaseDC(hwnd, windowDc);
    if (device->dc == nullptr) {
        delete device;
        return nullptr;
    }

    BITMAPINFOHEADER& h = device->header;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = -height;  // rows top-down
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(width) * static_cast<DWORD>(height) * 4;

    BITMAPINFO info;
    ZeroMemory(&info, sizeof(info));
    info.bmiHeader = h;
    void* bits = nullptr;
    device->bitmap = CreateDIBSection(device->dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (device->bitmap == nullptr || bits == nullptr) {
        if (device->bitmap != nullptr) DeleteObject(device->bitmap);
        DeleteDC(device->dc);
        delete device;
        return nullptr;
    }
    device->pixels = static_cast<uint32_t*>(bits);
    device->previous = SelectObject(device->dc, device->bitmap);
    *pixels = device->pixels;
    return device;
}

void destroySurfaceDevice(SurfaceDevice* device)
{
    if (device == nullptr) return;
    SelectClipRgn(device->dc, nullptr);
    if (device->clip != nullptr) DeleteObject(device->clip);
    if (device->previous != nullptr && device->previous != HGDI_ERROR) SelectObject(device->dc, device->previous);
    DeleteObject(device->bitmap);
    DeleteDC(device->dc);
    delete device;
}

void setSurfaceDeviceClip(SurfaceDevice* device, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (device == nullptr) return;
    resetSurfaceDeviceClip(device);
    device->clip = CreateRectRgn(x, y, x + width, y + height);
    if (device->clip != nullptr) SelectClipRgn(device->dc, device->clip);
}

void resetSurfaceDeviceClip(SurfaceDevice* device)
{
    if (device == nullptr) return;
    SelectClipRgn(device->dc, nullptr);
    if (device->clip != nullptr) DeleteObject(device->clip);
    device->clip = nullptr;
}

void* surfaceDeviceContext(SurfaceDevice* device) { return device != nullptr ? device->dc : nullptr; }

bool drawSurfaceText(SurfaceDevice* device, const char* text, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     FontHandle font, uint32_t colorref, uint32_t format)
{
    if (device == nullptr || text == nullptr || font == nullptr) return false;
    FontSelection selection(device->dc, static_cast<HFONT>(font));
    if (!selection.ok()) return false;
    SetBkMode(device->dc, TRANSPARENT);
    SetTextColor(device->dc, static_cast<COLORREF>(colorref));
    RECT rect = {left, top, right, bottom};
    const int result = DrawTextA(device->dc, text, -1, &rect, format);
    // GDI may batch drawing; the pixels are read directly afterwards.
    GdiFlush();
    return result != 0 || text[0] == 0;
}

int32_t measureSurfaceText(SurfaceDevice* device, const char* text, FontHandle font, uint32_t format)
{
    if (device == nullptr || text == nullptr || font == nullptr) return -1;
    FontSelection selection(device->dc, static_cast<HFONT>(font));
    if (!selection.ok()) return -1;
    RECT rect = {0, 0, 0, 0};
    if (DrawTextA(device->dc, text, -1, &rect, format | DT_CALCRECT) == 0 && text[0] != 0) return -1;
    const LONG width = rect.right - rect.left;
    return width < 0 ? -width : width;
}

FontHandle createFont(int32_t height)
{
    LOGFONTA lf;
    ZeroMemory(&lf, sizeof(lf));
    lf.lfHeight = height;
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = OEM_CHARSET;
    lf.lfPitchAndFamily = FF_SWISS;
    return CreateFontIndirectA(&lf);
}

void destroyFont(FontHandle font)
{
    if (font != nullptr) DeleteObject(static_cast<HFONT>(font));
}

}  // namespace platform
