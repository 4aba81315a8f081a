// What the portable drawing surface (gui/surface.h) needs from the platform: the memory behind
// the pixels, the device that text is drawn with, its clip, and fonts.
//
// Windows: a 32-bit top-down DIB section selected into a memory DC compatible with the window's
// DC, a GDI clip region, GDI fonts and DrawTextA.
// POSIX: a plain pixel buffer; text is drawn with FreeType, loaded at run time (dlopen), from a
// sans-serif font file found in the usual system font directories. Without FreeType or without
// a font file, text draws nothing and reports false.
//
// All of it is used on the editor's thread only.
#pragma once

#include <cstdint>

namespace platform {

struct SurfaceDevice;  // defined by each platform

// A font for surface text: an HFONT on Windows, a platform font object on POSIX.
using FontHandle = void*;

// DrawText format bits understood on every platform.
enum : uint32_t {
    kTextLeft = 0x0000,
    kTextCenter = 0x0001,
    kTextRight = 0x0002,
    kTextVCenter = 0x0004,
    kTextBottom = 0x0008,
    kTextSingleLine = 0x0020,
    kTextNoClip = 0x0100,
    kTextCalcRect = 0x0400,
};

// Makes the device for a width x height surface (both >= 1). window is the HWND whose DC the
// memory DC is made compatible with (null: the screen) and is ignored on POSIX. On success
// *pixels points to width x height zeroed pixels, top row first, that stay valid until the
// device is destroyed. Returns null on failure.
SurfaceDevice* createSurfaceDevice(void* window, int32_t width, int32_t height, uint32_t** pixels);
void destroySurfaceDevice(SurfaceDevice* device);

// Restricts text drawing to the rectangle (surface coordinates, already inside the surface).
void setSurfaceDeviceClip(SurfaceDevice* device, int32_t x, int32_t y, int32_t width, int32_t height);
// Removes the restriction.
void resetSurfaceDeviceClip(SurfaceDevice* device);

// The memory device context (HDC) on Windows, for copying the surface to a window and for
// measuring text; null on POSIX.
void* surfaceDeviceContext(SurfaceDevice* device);

// Draws the whole text in the rectangle (surface coordinates) with the font and the colour
// (COLORREF: 0x00BBGGRR) with transparent background, honouring the format bits above. Pixels
// written by the text have 0 in the high byte on POSIX. Returns false if nothing could be drawn
// (no font, no renderer, bad arguments).
bool drawSurfaceText(SurfaceDevice* device, const char* text, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     FontHandle font, uint32_t colorref, uint32_t format);

// Width in pixels of the text drawn on one line with the font, as DrawTextA with DT_CALCRECT
// measures it; -1 if it cannot be measured.
int32_t measureSurfaceText(SurfaceDevice* device, const char* text, FontHandle font, uint32_t format);

// Makes the framework's sans-serif font of the given height (positive: cell height, negative:
// character height, as in LOGFONTA): weight 400, OEM character set, FF_SWISS, no face name.
// Returns null on failure. The caller destroys it with destroyFont once no surface uses it.
FontHandle createFont(int32_t height);
void destroyFont(FontHandle font);

}  // namespace platform
