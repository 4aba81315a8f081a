// Reads a window's pixels back from the X server, and writes them as a PNG file. For the format
// test hosts, which show the editor in a window of theirs (Linux; the test program links libX11 and
// libpng).
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace x11capture {

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;  // three bytes a pixel, top row first
    // How many different colours the rectangle [x0, x1) x [y0, y1) holds (a blank one has one).
    size_t colours(int x0, int y0, int x1, int y1) const
    {
        std::set<uint32_t> seen;
        for (int y = y0; y < y1 && y < height; ++y)
            for (int x = x0; x < x1 && x < width; ++x) {
                const uint8_t* c = &rgb[(static_cast<size_t>(y) * width + x) * 3];
                seen.insert(static_cast<uint32_t>(c[0]) << 16 | static_cast<uint32_t>(c[1]) << 8 | c[2]);
            }
        return seen.size();
    }
};

// The first child of `parent`, or 0.
inline Window firstChild(Display* display, Window parent)
{
    Window root = 0, up = 0, *list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, parent, &root, &up, &list, &count) || count == 0) return 0;
    const Window child = list[0];
    XFree(list);
    return child;
}

// The whole window as the server shows it; an empty picture when it cannot be read.
inline Picture capture(Display* display, Window window)
{
    Picture p;
    XWindowAttributes a{};
    if (!window || !XGetWindowAttributes(display, window, &a) || a.map_state != IsViewable) return p;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(a.width), static_cast<unsigned>(a.height),
                              AllPlanes, ZPixmap);
    if (!image) return p;
    p.width = a.width;
    p.height = a.height;
    p.rgb.reserve(static_cast<size_t>(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const unsigned long v = XGetPixel(image, x, y);
            p.rgb.push_back(static_cast<uint8_t>((v & image->red_mask) >> 16));
            p.rgb.push_back(static_cast<uint8_t>((v & image->green_mask) >> 8));
            p.rgb.push_back(static_cast<uint8_t>(v & image->blue_mask));
        }
    XDestroyImage(image);
    return p;
}

inline bool writePng(const Picture& p, const std::string& path)
{
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(p.width);
    png.height = static_cast<png_uint_32>(p.height);
    png.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&png, path.c_str(), 0, p.rgb.data(), 0, nullptr) != 0;
}

}  // namespace x11capture
