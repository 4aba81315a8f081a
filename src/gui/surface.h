// The editor's off-screen 32-bit picture with its clip rectangle and drawing primitives.
//
// Every primitive takes coordinates relative to the clip rectangle's top-left corner, so a
// control draws in its own local coordinates once the editor has clipped the surface to it.
// Pixels are 0xAARRGGBB, top row first; the high byte has no meaning and every blend writes 0
// there.
#pragma once

#include <cstdint>

#include "gui/bitmap.h"
#include "gui/shapes.h"
#include "platform/surface_device.h"

struct ZPointD {
    double x;
    double y;
};

class ZSurface {
public:
    // Makes a width x height surface, all black. window is the HWND the memory DC is made
    // compatible with (null: the screen); it is ignored where there is no GDI. Returns null if
    // the size is not positive or the device cannot be made.
    static ZSurface* create(void* window, int32_t width, int32_t height);
    ~ZSurface();
    ZSurface(const ZSurface&) = delete;
    ZSurface& operator=(const ZSurface&) = delete;

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint32_t* pixels() { return pixels_; }
    const uint32_t* pixels() const { return pixels_; }
    int32_t clipX() const { return clipX_; }
    int32_t clipY() const { return clipY_; }
    int32_t clipWidth() const { return clipWidth_; }
    int32_t clipHeight() const { return clipHeight_; }
    // The memory DC (HDC) on Windows, for BitBlt to the window and text measuring; null elsewhere.
    void* deviceContext() const;

    // Clip rectangle in surface coordinates, cut to the surface; also clips text.
    void setClip(int32_t x, int32_t y, int32_t width, int32_t height);
    void resetClip();

    // Blends the source rectangle (x0, y0)-(x1, y1) of the bitmap at (dx, dy) with each source
    // pixel's own alpha.
    void blendBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy, const ZBitmap* bitmap);
    void fillRect(const ZColour& colour, int32_t x, int32_t y, int32_t width, int32_t height);
    // Column x from min(y1, y2) to max(y1, y2) - 1.
    void drawVLine(const ZColour& colour, int32_t x, int32_t y1, int32_t y2);
    // Row y from min(x1, x2) to max(x1, x2) - 1.
    void drawHLine(const ZColour& colour, int32_t y, int32_t x1, int32_t x2);
    // Anti-aliased fill: edge pixels are supersampled 4 x 4.
    void fillShape(const ZColour& colour, const ZShape& shape);
    void fillDisc(const ZColour& colour, double cx, double cy, double r);
    // Anti-aliased line of width 2 through the points, blended once where segments overlap.
    void drawPolyline(const ZColour& colour, const ZPointD* points, int32_t count);

    // Text in the rectangle (x, y, width, height) with the font, the colour (COLORREF
    // 0x00BBGGRR) and DrawText format bits (platform::kText...). Returns false if nothing
    // could be drawn.
    bool drawText(const char* text, int32_t x, int32_t y, int32_t width, int32_t height, platform::FontHandle font,
                  uint32_t colorref, uint32_t format);
    // Width of the text on one line (DrawText with DT_CALCRECT and the format); -1 on failure.
    int32_t measureText(const char* text, platform::FontHandle font, uint32_t format);

private:
    ZSurface(platform::SurfaceDevice* device, uint32_t* pixels, int32_t width, int32_t height);

    // Opacity of an alpha byte.
    static double opacity(uint8_t alpha);

    int32_t width_;
    int32_t height_;
    uint32_t* pixels_;
    platform::SurfaceDevice* device_;
    int32_t clipX_;
    int32_t clipY_;
    int32_t clipWidth_;
    int32_t clipHeight_;
    int32_t supersampleCount_;
    double supersampleStep_;
    double supersampleWeight_;
};
