#include "canvas.h"

namespace art {

namespace {

constexpr double kPi = 3.14159265358979323846;

// Angle of (dx, dy) in degrees clockwise from up, in -180..180.
double angleOf(double dx, double dy) { return std::atan2(dx, -dy) * 180.0 / kPi; }

double coverageOf(double d, double blur)
{
    if (blur <= 0.0) return clamp01(0.5 - d);
    return 0.5 * std::erfc(d / (blur * 1.4142135623730951));
}

}  // namespace

Paint linear(double x0, double y0, const Colour& a, double x1, double y1, const Colour& b)
{
    const double vx = x1 - x0;
    const double vy = y1 - y0;
    const double len2 = vx * vx + vy * vy;
    return [=](double x, double y) {
        const double t = len2 > 0 ? clamp01(((x - x0) * vx + (y - y0) * vy) / len2) : 0.0;
        return mix(a, b, t);
    };
}

Paint radial(double cx, double cy, double r, const Colour& a, const Colour& b)
{
    return [=](double x, double y) {
        const double t = clamp01(std::hypot(x - cx, y - cy) / r);
        return mix(a, b, t);
    };
}

Sdf circle(double cx, double cy, double r)
{
    return [=](double x, double y) { return std::hypot(x - cx, y - cy) - r; };
}

Sdf roundRect(double x0, double y0, double x1, double y1, double radius)
{
    const double cx = (x0 + x1) * 0.5;
    const double cy = (y0 + y1) * 0.5;
    const double hx = (x1 - x0) * 0.5 - radius;
    const double hy = (y1 - y0) * 0.5 - radius;
    return [=](double x, double y) {
        const double qx = std::fabs(x - cx) - hx;
        const double qy = std::fabs(y - cy) - hy;
        const double ox = std::max(qx, 0.0);
        const double oy = std::max(qy, 0.0);
        return std::hypot(ox, oy) + std::min(std::max(qx, qy), 0.0) - radius;
    };
}

Sdf segment(double x0, double y0, double x1, double y1, double width)
{
    const double vx = x1 - x0;
    const double vy = y1 - y0;
    const double len2 = vx * vx + vy * vy;
    return [=](double x, double y) {
        double t = len2 > 0 ? ((x - x0) * vx + (y - y0) * vy) / len2 : 0.0;
        t = clamp01(t);
        return std::hypot(x - (x0 + t * vx), y - (y0 + t * vy)) - width * 0.5;
    };
}

Sdf arc(double cx, double cy, double r, double fromDeg, double toDeg, double width)
{
    double ax, ay, bx, by;
    direction(fromDeg, ax, ay);
    direction(toDeg, bx, by);
    ax = cx + ax * r;
    ay = cy + ay * r;
    bx = cx + bx * r;
    by = cy + by * r;
    return [=](double x, double y) {
        const double dx = x - cx;
        const double dy = y - cy;
        const double a = angleOf(dx, dy);
        if (a >= fromDeg && a <= toDeg) return std::fabs(std::hypot(dx, dy) - r) - width * 0.5;
        const double da = std::hypot(x - ax, y - ay);
        const double db = std::hypot(x - bx, y - by);
        return std::min(da, db) - width * 0.5;
    };
}

Sdf subtract(Sdf a, Sdf b)
{
    return [a, b](double x, double y) { return std::max(a(x, y), -b(x, y)); };
}

Sdf outline(Sdf a, double width, double offset)
{
    return [a, width, offset](double x, double y) { return std::fabs(a(x, y) - offset) - width * 0.5; };
}

Canvas::Canvas(int width, int height, int scale)
    : width_(width * scale), height_(height * scale), scale_(scale), pixels_(size_t(width_) * height_)
{}

void Canvas::blendPixel(int x, int y, const Colour& c, double coverage)
{
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
    const double a = clamp01(c.a * coverage);
    if (a <= 0.0) return;
    Premul& p = at(x, y);
    const double k = 1.0 - a;
    p.r = c.r * a + p.r * k;
    p.g = c.g * a + p.g * k;
    p.b = c.b * a + p.b * k;
    p.a = a + p.a * k;
}

void Canvas::blend(int x, int y, const Colour& c, double coverage)
{
    for (int j = 0; j < scale_; ++j)
        for (int i = 0; i < scale_; ++i) blendPixel(x * scale_ + i, y * scale_ + j, c, coverage);
}

void Canvas::fill(const Box& box, const Sdf& shape, const Paint& paint, double opacity, double blur)
{
    const int x0 = std::max(box.x0 * scale_, 0);
    const int y0 = std::max(box.y0 * scale_, 0);
    const int x1 = std::min(box.x1 * scale_, width_);
    const int y1 = std::min(box.y1 * scale_, height_);
    const double k = scale_;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            // The canvas pixel's centre in skin pixels; distances back in canvas pixels.
            const double px = (x + 0.5) / k;
            const double py = (y + 0.5) / k;
            const double cov = coverageOf(shape(px, py) * k, blur * k) * opacity;
            if (cov > 0.0) blendPixel(x, y, paint(px, py), cov);
        }
    }
}

void Canvas::fillBox(const Box& box, const Paint& paint)
{
    const int x0 = std::max(box.x0 * scale_, 0);
    const int y0 = std::max(box.y0 * scale_, 0);
    const int x1 = std::min(box.x1 * scale_, width_);
    const int y1 = std::min(box.y1 * scale_, height_);
    const double k = scale_;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) blendPixel(x, y, paint((x + 0.5) / k, (y + 0.5) / k), 1.0);
}

void Canvas::draw(const Canvas& other, int dx, int dy)
{
    dx *= scale_;
    dy *= scale_;
    for (int y = 0; y < other.height(); ++y) {
        for (int x = 0; x < other.width(); ++x) {
            const int tx = x + dx;
            const int ty = y + dy;
            if (tx < 0 || ty < 0 || tx >= width_ || ty >= height_) continue;
            const Premul& s = other.at(x, y);
            Premul& p = at(tx, ty);
            const double k = 1.0 - s.a;
            p.r = s.r + p.r * k;
            p.g = s.g + p.g * k;
            p.b = s.b + p.b * k;
            p.a = s.a + p.a * k;
        }
    }
}

std::vector<uint8_t> Canvas::samples(int bitDepth, bool alpha) const
{
    const int channels = alpha ? 4 : 3;
    const int bytes = bitDepth == 16 ? 2 : 1;
    const double top = bitDepth == 16 ? 65535.0 : 255.0;
    std::vector<uint8_t> out;
    out.reserve(pixels_.size() * channels * bytes);
    auto put = [&](double v) {
        const auto q = static_cast<uint32_t>(std::lround(clamp01(v) * top));
        if (bytes == 2) out.push_back(static_cast<uint8_t>(q >> 8));
        out.push_back(static_cast<uint8_t>(q & 0xFF));
    };
    for (const Premul& p : pixels_) {
        if (alpha) {
            if (p.a * top < 0.5) {
                put(0);
                put(0);
                put(0);
                put(0);
                continue;
            }
            put(p.r / p.a);
            put(p.g / p.a);
            put(p.b / p.a);
            put(p.a);
        } else {
            // Opaque output: whatever is not covered counts as black.
            put(p.r);
            put(p.g);
            put(p.b);
        }
    }
    return out;
}

}  // namespace art
