// The editor's off-screen 32-bit picture with its clip rectangle and drawing primitives.
//
// Every primitive takes coordinates relative to the clip rectangle's top-left corner, so a
// control draws in its own local coordinates once the editor has clipped the surface to it.
// Pixels are 0xAARRGGBB, top row first; the high byte has no meaning and every blend writes 0
// there.
//
// A surface has a scale (1 to 3): its picture is the skin's size times the scale, in device
// pixels, and every primitive keeps taking skin coordinates, which the surface maps to device
// pixels: skin pixel x covers the device columns round(x s) to round((x + 1) s) - 1. Rectangles
// and lines cover the device pixels of the skin pixels they name; shapes and text are drawn at
// the device resolution (their geometry scaled, their edges anti-aliased per device pixel, text
// with a font of the scaled height that the caller passes); bitmaps in skin pixels are filtered
// to the device size. Code that wants the device resolution for its own rows or columns (the
// wave displays) asks for the device coordinates and fills device rectangles. At scale 1 device
// and skin pixels are the same and every primitive does exactly what it did without a scale.
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
    static constexpr double kMinScale = 1.0;
    static constexpr double kMaxScale = 3.0;

    // Makes a surface for width x height skin pixels at the scale (kMinScale..kMaxScale), all
    // black: its picture is round(width x scale) x round(height x scale) device pixels. window is
    // the HWND the memory DC is made compatible with (null: the screen); it is ignored where there
    // is no GDI. Returns null if the size is not positive, the scale is outside its range or the
    // device cannot be made.
    static ZSurface* create(void* window, int32_t width, int32_t height, double scale = 1.0);
    ~ZSurface();
    ZSurface(const ZSurface&) = delete;
    ZSurface& operator=(const ZSurface&) = delete;

    // The picture, in device pixels.
    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    uint32_t* pixels() { return pixels_; }
    const uint32_t* pixels() const { return pixels_; }
    // The size in skin pixels and the scale.
    int32_t skinWidth() const { return skinWidth_; }
    int32_t skinHeight() const { return skinHeight_; }
    double scale() const { return scale_; }
    // The clip rectangle in skin pixels.
    int32_t clipX() const { return clipX_; }
    int32_t clipY() const { return clipY_; }
    int32_t clipWidth() const { return clipWidth_; }
    int32_t clipHeight() const { return clipHeight_; }

    // Device pixels. The device column of the clip-local skin column x (its left edge), relative
    // to the device clip origin, and the same for rows; at scale 1 the value itself.
    int32_t deviceX(int32_t x) const;
    int32_t deviceY(int32_t y) const;
    int32_t deviceClipWidth() const { return devWidth_; }
    int32_t deviceClipHeight() const { return devHeight_; }
    // Blends the colour over the device pixels x0 <= x < x1, y0 <= y < y1 relative to the device
    // clip origin, cut to the clip.
    void fillDeviceRect(const ZColour& colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    // Blends the source rectangle of a bitmap in device pixels at the device point (dx, dy)
    // relative to the device clip origin (what blendBitmap does at scale 1).
    void blendDeviceBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy,
                           const ZBitmap* bitmap);
    // A copy of the device pixels under the clip-local skin rectangle (0, 0, width, height), cut
    // to the clip, with alpha 255; null when nothing is left or memory is short. Drawn back with
    // blendDeviceBitmap at (0, 0), it restores them exactly.
    ZBitmap* copyDeviceArea(int32_t width, int32_t height) const;
    // The memory DC (HDC) on Windows, for BitBlt to the window and text measuring; null elsewhere.
    void* deviceContext() const;

    // Clip rectangle in surface coordinates, cut to the surface; also clips text.
    void setClip(int32_t x, int32_t y, int32_t width, int32_t height);
    void resetClip();

    // Blends the source rectangle (x0, y0)-(x1, y1) of the bitmap (skin pixels) at (dx, dy) with
    // each source pixel's own alpha; at another scale than 1 filtered to the device size, never
    // reading outside the source rectangle.
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

    // Text in the rectangle (x, y, width, height) (skin pixels, drawn on the device rectangle
    // they cover) with the font, the colour (COLORREF 0x00BBGGRR) and DrawText format bits
    // (platform::kText...). The font is one for device pixels: at a scale, the caller's font of
    // the scaled height. Returns false if nothing could be drawn.
    bool drawText(const char* text, int32_t x, int32_t y, int32_t width, int32_t height, platform::FontHandle font,
                  uint32_t colorref, uint32_t format);
    // Width of the text on one line (DrawText with DT_CALCRECT and the format) in the font's own
    // (device) pixels; -1 on failure.
    int32_t measureText(const char* text, platform::FontHandle font, uint32_t format);

private:
    ZSurface(platform::SurfaceDevice* device, uint32_t* pixels, int32_t width, int32_t height, int32_t skinWidth,
             int32_t skinHeight, double scale);

    // Opacity of an alpha byte.
    static double opacity(uint8_t alpha);
    // The device coordinate of the surface's skin coordinate v: round(v x scale).
    int64_t toDevice(int64_t v) const;
    // Fills the shape given in device coordinates relative to the device clip origin.
    void fillDeviceShape(const ZColour& colour, const ZShape& shape);
    // blendBitmap at a scale other than 1: the visible skin rectangle (w x h at the clip-local
    // (dx, dy), source origin (sx, sy), never reading outside (x0, y0)-(x1, y1)) filtered.
    void blendScaledBitmap(int64_t sx, int64_t sy, int64_t w, int64_t h, int64_t dx, int64_t dy, int64_t x0, int64_t y0,
                           int64_t x1, int64_t y1, const ZBitmap& bitmap);

    int32_t width_;
    int32_t height_;
    uint32_t* pixels_;
    platform::SurfaceDevice* device_;
    int32_t skinWidth_;
    int32_t skinHeight_;
    double scale_;
    int32_t clipX_;
    int32_t clipY_;
    int32_t clipWidth_;
    int32_t clipHeight_;
    // The clip in device pixels.
    int32_t devX_;
    int32_t devY_;
    int32_t devWidth_;
    int32_t devHeight_;
    int32_t supersampleCount_;
    double supersampleStep_;
    double supersampleWeight_;
};
