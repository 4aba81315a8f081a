// The credit strip: the pixel rows below the skin's area, with the vendor and product names at
// the left and the copyright line at the right.
#pragma once

#include <cstdint>

class ZSurface;
class ZEffectLink;

constexpr int32_t kCreditStripHeight = 12;
extern const char kCopyrightLong[];  // 23 characters
extern const char kCopyrightShort[];  // 18 characters

// Paints the strip into the rows skinHeight .. skinHeight + kCreditStripHeight - 1 of the surface (which must not be
// clipped). The names are drawn only when they fit beside the long copyright form; the long form
// when it fits alone, else the short form when that fits, else no copyright.
void drawCreditStrip(ZSurface& surface, ZEffectLink* effect, int32_t skinWidth, int32_t skinHeight);
