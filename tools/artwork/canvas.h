// A small floating-point RGBA canvas for rendering the skin's artwork.
//
// Pixels are premultiplied red, green, blue and alpha in 0..1 (sRGB-encoded values, composited
// the way the editor's surface composites them). Shapes are given as signed distance functions
// (negative inside, in pixels) and filled with edge anti-aliasing; a shape filled with a blur
// radius gets a Gaussian-like soft edge instead, which draws shadows and glows.
//
// A canvas has a whole-number scale: everything is drawn in the skin's pixels (boxes, shapes,
// paints, offsets) and lands on scale x scale canvas pixels each, with the edges anti-aliased at
// the canvas's own resolution. The editor's 2x and 3x image sets are drawn that way from the same
// drawing code as the 1x set.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

namespace art {

// A straight (not premultiplied) colour with components in 0..1.
struct Colour {
    double r = 0, g = 0, b = 0, a = 1;
};

// A colour from 8-bit components.
inline Colour rgb8(int r, int g, int b, double a = 1.0) { return Colour{r / 255.0, g / 255.0, b / 255.0, a}; }

inline Colour mix(const Colour& x, const Colour& y, double t)
{
    return Colour{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

inline Colour withAlpha(Colour c, double a)
{
    c.a = a;
    return c;
}

inline double clamp01(double v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

// Smooth Hermite step between e0 and e1.
inline double smoothstep(double e0, double e1, double x)
{
    const double t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

struct Premul {
    double r = 0, g = 0, b = 0, a = 0;
};

// Pixel rectangle x0 <= x < x1, y0 <= y < y1.
struct Box {
    int x0, y0, x1, y1;
};

using Sdf = std::function<double(double x, double y)>;
using Paint = std::function<Colour(double x, double y)>;

inline Paint solid(const Colour& c)
{
    return [c](double, double) { return c; };
}

// Linear gradient from colour a at point (x0, y0) to colour b at (x1, y1), smooth in between.
Paint linear(double x0, double y0, const Colour& a, double x1, double y1, const Colour& b);
// Radial gradient from colour a at the centre to colour b at radius r.
Paint radial(double cx, double cy, double r, const Colour& a, const Colour& b);

// Distance functions. Angles are in degrees, clockwise from straight up.
Sdf circle(double cx, double cy, double r);
Sdf roundRect(double x0, double y0, double x1, double y1, double radius);
Sdf segment(double x0, double y0, double x1, double y1, double width);
Sdf arc(double cx, double cy, double r, double fromDeg, double toDeg, double width);
// The area inside a but outside b.
Sdf subtract(Sdf a, Sdf b);
// The outline band of a shape: |d| - width / 2 around its edge, shifted by offset (positive:
// outward).
Sdf outline(Sdf a, double width, double offset = 0.0);

// Unit vector of an angle (degrees clockwise from up), in image coordinates (y down).
inline void direction(double deg, double& dx, double& dy)
{
    const double rad = deg * 3.14159265358979323846 / 180.0;
    dx = std::sin(rad);
    dy = -std::cos(rad);
}

class Canvas {
public:
    // A picture of width x height skin pixels, each scale x scale canvas pixels.
    Canvas(int width, int height, int scale = 1);

    // The size in canvas pixels.
    int width() const { return width_; }
    int height() const { return height_; }
    int scale() const { return scale_; }
    const Premul& at(int x, int y) const { return pixels_[size_t(y) * width_ + x]; }
    Premul& at(int x, int y) { return pixels_[size_t(y) * width_ + x]; }

    // Source-over of a straight colour with extra coverage 0..1 over the skin pixel (x, y).
    void blend(int x, int y, const Colour& c, double coverage);
    // The same for one canvas pixel.
    void blendPixel(int x, int y, const Colour& c, double coverage);
    // Fills the shape inside the box (cut to the canvas). blur 0 gives a one-pixel anti-aliased
    // edge; blur > 0 a soft edge of about that standard deviation (in skin pixels).
    void fill(const Box& box, const Sdf& shape, const Paint& paint, double opacity = 1.0, double blur = 0.0);
    // Fills the whole box with the paint, fully covered.
    void fillBox(const Box& box, const Paint& paint);
    // Draws another canvas of the same scale over this one at (dx, dy) (skin pixels).
    void draw(const Canvas& other, int dx, int dy);

    // Straight 8-bit or 16-bit samples, red, green, blue and (if alpha) alpha per pixel, in
    // row order; 16-bit samples big-endian as PNG stores them.
    std::vector<uint8_t> samples(int bitDepth, bool alpha) const;

private:
    int width_;
    int height_;
    int scale_;
    std::vector<Premul> pixels_;
};

}  // namespace art
