#include "gui/surface.h"

#include <cstddef>
#include <new>
#include <typeinfo>

#include "platform/blend.h"

namespace {

int64_t max64(int64_t a, int64_t b) { return a > b ? a : b; }

int64_t min64(int64_t a, int64_t b) { return a < b ? a : b; }

int32_t clampInt(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

uint32_t rgbOf(const ZColour& c)
{
    return (static_cast<uint32_t>(c.r) << 16) | (static_cast<uint32_t>(c.g) << 8) | c.b;
}

// Interior pixels of one fill: the colour at the fill's opacity. The per-channel tables pay off
// from a few dozen pixels on, so they are made once that many have been blended.
class InteriorPainter {
public:
    InteriorPainter(uint32_t rgb, double a) : painter_(rgb, a), pending_(96) {}

    uint32_t apply(uint32_t surface)
    {
        if (pending_ > 0 && --pending_ == 0) painter_.expect(1L << 20);
        return painter_.apply(surface);
    }

private:
    zblend::Painter painter_;
    int pending_;
};

// The area of a fill in surface coordinates: rows [rowBegin, rowEnd), columns [colBegin, colEnd).
struct FillArea {
    int32_t rowBegin;
    int32_t rowEnd;
    int32_t colBegin;
    int32_t colEnd;
};

// Everything the per-pixel work of one fill needs.
struct FillContext {
    uint32_t* pixels;
    int32_t stride;
    int32_t clipX;
    int32_t clipY;
    uint32_t rgb;
    double a;
    int32_t samples;  // per axis
    double offsets[16];  // sample offsets inside a pixel
    double weight;  // coverage of one sample
};

double edgeOpacity(const FillContext& fc, int inside)
{
    double coverage = fc.weight * inside;
    if (coverage > 1.0) coverage = 1.0;
    if (coverage < 0.0) coverage = 0.0;
    return fc.a * coverage;
}

// Counts the supersamples of the pixel (lx, ly) inside the shape.
template <class Contains>
int countSamples(const FillContext& fc, int32_t lx, int32_t ly, const Contains& contains)
{
    int inside = 0;
    const double bx = static_cast<double>(lx);
    const double by = static_cast<double>(ly);
    for (int k = 0; k < fc.samples; ++k) {
        const double px = bx + fc.offsets[k];
        for (int m = 0; m < fc.samples; ++m) {
            if (contains(px, by + fc.offsets[m])) ++inside;
        }
    }
    return inside;
}

// Fill of a single shape, pixel by pixel.
template <class Classify, class Contains>
void fillPixels(const FillContext& fc, const FillArea& area, const Classify& classify, const Contains& contains)
{
    InteriorPainter interior(fc.rgb, fc.a);
    for (int32_t sy = area.rowBegin; sy < area.rowEnd; ++sy) {
        uint32_t* row = fc.pixels + static_cast<ptrdiff_t>(sy) * fc.stride;
        const int32_t ly = sy - fc.clipY;
        for (int32_t sx = area.colBegin; sx < area.colEnd; ++sx) {
            const int32_t lx = sx - fc.clipX;
            const int c = classify(lx, ly);
            if (c == ZShape::kInside) {
                row[sx] = interior.apply(row[sx]);
            } else if (c == ZShape::kEdge) {
                const int inside = countSamples(fc, lx, ly, contains);
                row[sx] = zblend::pixel(fc.rgb, row[sx], edgeOpacity(fc, inside));
            }
        }
    }
}

// Number of samples of the pixel (lx, ly) inside any of the members.
template <class Member>
int countGroupSamples(const FillContext& fc, int32_t lx, int32_t ly, const Member* const* members, int32_t count)
{
    return countSamples(fc, lx, ly, [&](double px, double py) {
        for (int32_t j = 0; j < count; ++j)
            if (members[j]->containsPoint(px, py)) return true;
        return false;
    });
}

// Fill of a group. A group pixel is inside when any member covers it whole, on the edge when
// any member has it on its edge, so the answer does not depend on the order in which members
// are asked; each row therefore asks only the members whose bounds reach that row, each over
// its own columns. Member is ZSegmentShape (calls resolved at compile time) or AnyMember.
template <class Member>
bool fillGroup(const FillContext& fc, const FillArea& area, const ZShapeGroup& group, const Member* const* members,
               int32_t count)
{
    ZBounds* bounds = new (std::nothrow) ZBounds[static_cast<size_t>(count)];
    int32_t* active = new (std::nothrow) int32_t[static_cast<size_t>(count)];
    const int32_t columns = area.colEnd - area.colBegin;
    uint8_t* classes = new (std::nothrow) uint8_t[static_cast<size_t>(columns)];
    const Member** candidates = new (std::nothrow) const Member*[static_cast<size_t>(count)];
    if (bounds == nullptr || active == nullptr || classes == nullptr || candidates == nullptr) {
        delete[] bounds;
        delete[] active;
        delete[] classes;
        delete[] candidates;
        return false;
    }
    // Members without bounds never answer (their bounds contain nothing).
    for (int32_t i = 0; i < count; ++i) {
        if (!members[i]->bounds(bounds[i])) bounds[i] = ZBounds{0, 0, 0, 0};
    }

    InteriorPainter interior(fc.rgb, fc.a);
    const int32_t lxBegin = area.colBegin - fc.clipX;
    const int32_t lxEnd = area.colEnd - fc.clipX;
    for (int32_t sy = area.rowBegin; sy < area.rowEnd; ++sy) {
        const int32_t ly = sy - fc.clipY;
        int32_t activeCount = 0;
        int32_t spanBegin = lxEnd;
        int32_t spanEnd = lxBegin;
        for (int32_t i = 0; i < count; ++i) {
            const ZBounds& b = bounds[i];
            if (ly < b.y0 || ly >= b.y1 || b.x0 >= lxEnd || b.x1 <= lxBegin || b.x0 >= b.x1) continue;
            active[activeCount++] = i;
            const int32_t xs = b.x0 > lxBegin ? b.x0 : lxBegin;
            const int32_t xe = b.x1 < lxEnd ? b.x1 : lxEnd;
            if (xs < spanBegin) spanBegin = xs;
            if (xe > spanEnd) spanEnd = xe;
        }
        if (activeCount == 0) continue;

        for (int32_t lx = spanBegin; lx < spanEnd; ++lx) classes[lx - lxBegin] = ZShape::kOutside;
        for (int32_t j = 0; j < activeCount; ++j) {
            const Member* m = members[active[j]];
            const ZBounds& b = bounds[active[j]];
            const int32_t xs = b.x0 > spanBegin ? b.x0 : spanBegin;
            const int32_t xe = b.x1 < spanEnd ? b.x1 : spanEnd;
            for (int32_t lx = xs; lx < xe; ++lx) {
                uint8_t& cls = classes[lx - lxBegin];
                if (cls == ZShape::kInside) continue;
                const int c = m->classifyPixel(lx, ly);
                if (c != ZShape::kOutside) cls = static_cast<uint8_t>(c);
            }
        }

        uint32_t* row = fc.pixels + static_cast<ptrdiff_t>(sy) * fc.stride + fc.clipX;
        for (int32_t lx = spanBegin; lx < spanEnd; ++lx) {
            const uint8_t cls = classes[lx - lxBegin];
            if (cls == ZShape::kInside) {
                row[lx] = interior.apply(row[lx]);
            } else if (cls == ZShape::kEdge) {
                int inside;
                if (lx >= 0 && ly >= 0) {
                    // Every sample of the pixel truncates to (lx, ly), so the members to ask are
                    // those whose bounds hold the pixel. Of those, a member that misses the whole
                    // pixel (its edge is more than half a pixel diagonal away from the centre)
                    // cannot hold any of the samples, which all lie within 0.54 of the centre.
                    int32_t candidateCount = 0;
                    for (int32_t j = 0; j < activeCount; ++j) {
                        const ZBounds& b = bounds[active[j]];
                        if (lx >= b.x0 && lx < b.x1 && members[active[j]]->keepsForSamples(lx, ly))
                            candidates[candidateCount++] = members[active[j]];
                    }
                    inside = countGroupSamples(fc, lx, ly, candidates, candidateCount);
                } else {
                    inside = countSamples(fc, lx, ly, [&](double px, double py) { return group.contains(px, py); });
                }
                row[lx] = zblend::pixel(fc.rgb, row[lx], edgeOpacity(fc, inside));
            }
        }
    }
    delete[] bounds;
    delete[] active;
    delete[] classes;
    delete[] candidates;
    return true;
}

// Lets fillGroup treat any shape like the concrete kinds.
struct AnyMember {
    const ZShape* shape;
    bool bounds(ZBounds& out) const { return shape->bounds(out); }
    int classifyPixel(int32_t x, int32_t y) const { return shape->classify(x, y); }
    bool containsPoint(double px, double py) const { return shape->contains(px, py); }
    bool keepsForSamples(int32_t, int32_t) const { return true; }
};

}  // namespace

// ---------------------------------------------------------------------------------------------

ZSurface* ZSurface::create(void* window, int32_t width, int32_t height)
{
    if (width < 1 || height < 1 || static_cast<int64_t>(width) * height > (int64_t(1) << 28)) return nullptr;
    uint32_t* pixels = nullptr;
    platform::SurfaceDevice* device = platform::createSurfaceDevice(window, width, height, &pixels);
    if (device == nullptr) return nullptr;
    if (pixels == nullptr) {
        platform::destroySurfaceDevice(device);
        return nullptr;
    }
    ZSurface* surface = new (std::nothrow) ZSurface(device, pixels, width, height);
    if (surface == nullptr) platform::destroySurfaceDevice(device);
    return surface;
}

ZSurface::ZSurface(platform::SurfaceDevice* device, uint32_t* pixels, int32_t width, int32_t height)
    : width_(width), height_(height), pixels_(pixels), device_(device), clipX_(0), clipY_(0), clipWidth_(width),
      clipHeight_(height), supersampleCount_(4), supersampleStep_(0.25), supersampleWeight_(0.0625)
{}

ZSurface::~ZSurface()
{
    platform::resetSurfaceDeviceClip(device_);
    platform::destroySurfaceDevice(device_);
}

void* ZSurface::deviceContext() const { return platform::surfaceDeviceContext(device_); }

double ZSurface::opacity(uint8_t alpha) { return alpha * zblend::kAlphaScale; }

void ZSurface::setClip(int32_t x, int32_t y, int32_t w, int32_t h)
{
    resetClip();
    x = clampInt(x, 0, width_);
    y = clampInt(y, 0, height_);
    if (static_cast<int64_t>(x) + w > width_) w = width_ - x;
    if (static_cast<int64_t>(y) + h > height_) h = height_ - y;
    // A negative size would name a rectangle left of or above the origin; it clips everything.
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    clipX_ = x;
    clipY_ = y;
    clipWidth_ = w;
    clipHeight_ = h;
    platform::setSurfaceDeviceClip(device_, x, y, w, h);
}

void ZSurface::resetClip()
{
    platform::resetSurfaceDeviceClip(device_);
    clipX_ = 0;
    clipY_ = 0;
    clipWidth_ = width_;
    clipHeight_ = height_;
}

void ZSurface::blendBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy,
                           const ZBitmap* bitmap)
{
    if (bitmap == nullptr || !bitmap->isValid()) return;
    // Source pixels outside the bitmap are not read: the rectangle is cut to the bitmap, and the
    // part that remains keeps its place on the surface.
    int64_t sx0 = x0;
    int64_t sy0 = y0;
    int64_t ddx = dx;
    int64_t ddy = dy;
    if (sx0 < 0) {
        ddx -= sx0;
        sx0 = 0;
    }
    if (sy0 < 0) {
        ddy -= sy0;
        sy0 = 0;
    }
    const int64_t sx1 = min64(x1, bitmap->width);
    const int64_t sy1 = min64(y1, bitmap->height);
    int64_t w = sx1 - sx0;
    int64_t h = sy1 - sy0;
    if (ddx < 0) {
        sx0 -= ddx;
        w += ddx;
        ddx = 0;
    }
    if (ddy < 0) {
        sy0 -= ddy;
        h += ddy;
        ddy = 0;
    }
    w = min64(w, clipWidth_ - ddx);
    h = min64(h, clipHeight_ - ddy);
    if (w <= 0 || h <= 0) return;

    const uint32_t* src = bitmap->pixels + sy0 * bitmap->width + sx0;
    uint32_t* dst = pixels_ + (clipY_ + ddy) * width_ + (clipX_ + ddx);
    for (int64_t j = 0; j < h; ++j) {
        for (int64_t i = 0; i < w; ++i) {
            const uint32_t s = src[i];
            const uint32_t alpha = s >> 24;
            if (alpha == 255)
                dst[i] = s & 0xFFFFFF;
            else if (alpha == 0)
                dst[i] &= 0xFFFFFF;
            else
                dst[i] = zblend::pixel(s, dst[i], alpha * zblend::kAlphaScale);
        }
        src += bitmap->width;
        dst += width_;
    }
}

void ZSurface::fillRect(const ZColour& colour, int32_t x, int32_t y, int32_t w, int32_t h)
{
    // A negative origin moves the rectangle to the clip edge; it is not cut.
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    const int64_t cw = min64(w, static_cast<int64_t>(clipWidth_) - x);
    const int64_t ch = min64(h, static_cast<int64_t>(clipHeight_) - y);
    if (cw <= 0 || ch <= 0) return;
    zblend::Painter painter(rgbOf(colour), opacity(colour.a));
    painter.expect(static_cast<long>(cw * ch));
    uint32_t* row = pixels_ + static_cast<ptrdiff_t>(clipY_ + y) * width_ + (clipX_ + x);
    for (int64_t j = 0; j < ch; ++j) {
        painter.span(row, static_cast<long>(cw));
        row += width_;
    }
}

void ZSurface::drawVLine(const ZColour& colour, int32_t x, int32_t y1, int32_t y2)
{
    if (x < 0 || x >= clipWidth_) return;
    y1 = clampInt(y1, 0, clipHeight_);
    y2 = clampInt(y2, 0, clipHeight_);
    const int32_t top = y1 < y2 ? y1 : y2;
    const int32_t end = y1 < y2 ? y2 : y1;
    if (top >= end) return;
    zblend::Painter painter(rgbOf(colour), opacity(colour.a));
    painter.expect(end - top);
    uint32_t* p = pixels_ + static_cast<ptrdiff_t>(clipY_ + top) * width_ + (clipX_ + x);
    for (int32_t y = top; y < end; ++y, p += width_) *p = painter.apply(*p);
}

void ZSurface::drawHLine(const ZColour& colour, int32_t y, int32_t x1, int32_t x2)
{
    if (y < 0 || y >= clipHeight_) return;
    x1 = clampInt(x1, 0, clipWidth_);
    x2 = clampInt(x2, 0, clipWidth_);
    const int32_t left = x1 < x2 ? x1 : x2;
    const int32_t end = x1 < x2 ? x2 : x1;
    if (left >= end) return;
    zblend::Painter painter(rgbOf(colour), opacity(colour.a));
    painter.expect(end - left);
    painter.span(pixels_ + static_cast<ptrdiff_t>(clipY_ + y) * width_ + (clipX_ + left), end - left);
}

void ZSurface::fillShape(const ZColour& colour, const ZShape& shape)
{
    // With nothing inside the clip there is nothing to draw, whatever the shape's position.
    if (clipWidth_ <= 0 || clipHeight_ <= 0) return;
    ZBounds b;
    if (!shape.bounds(b)) return;
    // Far edges are cut at the clip rectangle, near edges at the surface's own edge.
    FillArea area;
    area.rowBegin = static_cast<int32_t>(max64(0, static_cast<int64_t>(clipY_) + b.y0));
    area.rowEnd =
        static_cast<int32_t>(min64(static_cast<int64_t>(clipY_) + clipHeight_, static_cast<int64_t>(clipY_) + b.y1));
    area.colBegin = static_cast<int32_t>(max64(0, static_cast<int64_t>(clipX_) + b.x0));
    area.colEnd =
        static_cast<int32_t>(min64(static_cast<int64_t>(clipX_) + clipWidth_, static_cast<int64_t>(clipX_) + b.x1));
    if (area.rowBegin >= area.rowEnd || area.colBegin >= area.colEnd) return;

    FillContext fc;
    fc.pixels = pixels_;
    fc.stride = width_;
    fc.clipX = clipX_;
    fc.clipY = clipY_;
    fc.rgb = rgbOf(colour);
    fc.a = opacity(colour.a);
    fc.samples = clampInt(supersampleCount_, 0, 16);
    for (int k = 0; k < fc.samples; ++k) fc.offsets[k] = supersampleStep_ * 0.5 + supersampleStep_ * k;
    fc.weight = supersampleWeight_;

    const std::type_info& kind = typeid(shape);
    if (kind == typeid(ZDiscShape)) {
        const ZDiscShape& disc = static_cast<const ZDiscShape&>(shape);
        fillPixels(
            fc, area, [&](int32_t x, int32_t y) { return disc.classifyPixel(x, y); },
            [&](double px, double py) { return disc.containsPoint(px, py); });
        return;
    }
    if (kind == typeid(ZSegmentShape)) {
        const ZSegmentShape& segment = static_cast<const ZSegmentShape&>(shape);
        fillPixels(
            fc, area, [&](int32_t x, int32_t y) { return segment.classifyPixel(x, y); },
            [&](double px, double py) { return segment.containsPoint(px, py); });
        return;
    }
    if (kind == typeid(ZShapeGroup)) {
        const ZShapeGroup& group = static_cast<const ZShapeGroup&>(shape);
        const int32_t count = group.count();
        bool segmentsOnly = true;
        for (int32_t i = 0; i < count && segmentsOnly; ++i)
            segmentsOnly = typeid(*group.member(i)) == typeid(ZSegmentShape);
        bool done = false;
        if (segmentsOnly) {
            const ZSegmentShape** segments = new (std::nothrow) const ZSegmentShape*[static_cast<size_t>(count)];
            if (segments != nullptr) {
                for (int32_t i = 0; i < count; ++i) segments[i] = static_cast<const ZSegmentShape*>(group.member(i));
                done = fillGroup(fc, area, group, segments, count);
                delete[] segments;
            }
        } else {
            AnyMember* any = new (std::nothrow) AnyMember[static_cast<size_t>(count)];
            const AnyMember** anyPtrs = new (std::nothrow) const AnyMember*[static_cast<size_t>(count)];
            if (any != nullptr && anyPtrs != nullptr) {
                for (int32_t i = 0; i < count; ++i) {
                    any[i].shape = group.member(i);
                    anyPtrs[i] = &any[i];
                }
                done = fillGroup(fc, area, group, anyPtrs, count);
            }
            delete[] any;
            delete[] anyPtrs;
        }
        if (done) return;
    }
    fillPixels(
        fc, area, [&](int32_t x, int32_t y) { return shape.classify(x, y); },
        [&](double px, double py) { return shape.contains(px, py); });
}

void ZSurface::fillDisc(const ZColour& colour, double cx, double cy, double r)
{
    const ZDiscShape disc(cx, cy, r);
    fillShape(colour, disc);
}

void ZSurface::drawPolyline(const ZColour& colour, const ZPointD* points, int32_t count)
{
    if (points == nullptr || count <= 0) return;
    if (count == 1) {
        fillDisc(colour, points[0].x, points[0].y, 1.0);
        return;
    }
    ZShapeGroup group;
    for (int32_t i = 1; i < count; ++i) {
        ZShape* segment =
            new (std::nothrow) ZSegmentShape(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, 2.0);
        if (segment == nullptr || !group.add(segment)) return;
    }
    fillShape(colour, group);
}

bool ZSurface::drawText(const char* text, int32_t x, int32_t y, int32_t w, int32_t h, platform::FontHandle font,
                        uint32_t colorref, uint32_t format)
{
    if (text == nullptr || font == nullptr) return false;
    const int64_t left = static_cast<int64_t>(clipX_) + x;
    const int64_t top = static_cast<int64_t>(clipY_) + y;
    const int64_t right = left + w;
    const int64_t bottom = top + h;
    const int64_t limit = int64_t(1) << 30;
    if (left < -limit || top < -limit || right > limit || bottom > limit || right < -limit || bottom < -limit)
        return false;
    return platform::drawSurfaceText(device_, text, static_cast<int32_t>(left), static_cast<int32_t>(top),
                                     static_cast<int32_t>(right), static_cast<int32_t>(bottom), font, colorref, format);
}

int32_t ZSurface::measureText(const char* text, platform::FontHandle font, uint32_t format)
{
    if (text == nullptr || font == nullptr) return -1;
    return platform::measureSurfaceText(device_, text, font, format);
}
