// Pixels, colours and in-memory pictures shared by the drawing code and the skin.
#pragma once

#include <cstdint>

// A colour as four bytes: red, green, blue, alpha (0 = transparent, 255 = opaque).
struct ZColour {
    uint8_t r;
    uint8_t g;
    uint8_t b;
    uint8_t a;
};

// A picture in memory: width x height pixels 0xAARRGGBB, row-major, top row first.
// The pixel array is owned. Construction never throws: a failed or refused allocation
// leaves an empty bitmap (null pixels, zero size), which every user checks with isValid().
struct ZBitmap {
    uint32_t* pixels;
    int32_t width;
    int32_t height;

    ZBitmap();
    // Allocates width x height zeroed pixels; sizes below 1 or too large give an empty bitmap.
    ZBitmap(int32_t width, int32_t height);
    ~ZBitmap();

    ZBitmap(const ZBitmap&) = delete;
    ZBitmap& operator=(const ZBitmap&) = delete;
    ZBitmap(ZBitmap&& other) noexcept;
    ZBitmap& operator=(ZBitmap&& other) noexcept;

    bool isValid() const { return pixels != nullptr && width > 0 && height > 0; }

    // Takes ownership of an array allocated with new[] (frees the current one).
    void adopt(uint32_t* newPixels, int32_t newWidth, int32_t newHeight);
    void release();
};

// A picture made of frames (frameWidth x frameHeight each, `columns` to a row, frames left to
// right, then top to bottom) filtered to frames of targetWidth x targetHeight in the same grid.
// Each frame is filtered on its own, so no frame lends pixels to its neighbour; the filter is a
// tent over the source pixels that a target pixel spans (at least one pixel each way), in
// premultiplied alpha. Null when the layout does not fit the picture or memory is short.
ZBitmap* resampleFrames(const ZBitmap& source, int32_t frameWidth, int32_t frameHeight, int32_t frameCount,
                        int32_t columns, int32_t targetWidth, int32_t targetHeight);
