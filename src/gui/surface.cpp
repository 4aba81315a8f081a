#include "gui/surface.h"

#include <cmath>
#include <cstddef>
#include <memory>
#include <new>

#include "platform/blend.h"

namespace {

int64_t max64(int64_t a, int64_t b) { return a > b ? a : b; }

int64_t min64(int64_t a, int64_t b) { return a < b ? a : b; }

// The part of a bitmap's rectangle [x0, x1) x [y0, y1), drawn with its corner at (dx, dy), that is
// drawn at all. Source pixels outside the bitmap are not read: the rectangle is cut to the bitmap,
// and the part that remains keeps its place; then it is cut to a destination of `limitW` x
// `limitH` from (0, 0).
struct BitmapCut {
    int64_t sx, sy;  // the first source pixel drawn
    int64_t dx, dy;  // where it lands
    int64_t w, h;  // how many pixels are drawn
    int64_t left, top, right, bottom;  // the rectangle cut to the bitmap (what a filter may read)
};
bool cutBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy, const ZBitmap& bitmap,
               int64_t limitW, int64_t limitH, BitmapCut& cut)
{
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
    cut.left = sx0;
    cut.top = sy0;
    cut.right = min64(x1, bitmap.width);
    cut.bottom = min64(y1, bitmap.height);
    int64_t w = cut.right - sx0;
    int64_t h = cut.bottom - sy0;
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
    cut.sx = sx0;
    cut.sy = sy0;
    cut.dx = ddx;
    cut.dy = ddy;
    cut.w = min64(w, limitW - ddx);
    cut.h = min64(h, limitH - ddy);
    return cut.w > 0 && cut.h > 0;
}

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

// An array that may fail to be made: null then, never an exception.
template <class T>
std::unique_ptr<T[]> tryArray(int32_t count)
{
    return std::unique_ptr<T[]>(new (std::nothrow) T[static_cast<size_t>(count > 0 ? count : 0)]);
}

// The working arrays of one group fill: the members' bounds, the members whose bounds reach the
// current row, the current row's pixel classes and the members a sampled edge pixel asks.
template <class Member>
struct GroupRows {
    const FillContext& fc;
    const ZShapeGroup& group;
    const Member* const* members;
    int32_t count;
    int32_t lxBegin;  // the area's columns, clip-local
    int32_t lxEnd;
    std::unique_ptr<ZBounds[]> bounds;
    std::unique_ptr<int32_t[]> active;
    std::unique_ptr<uint8_t[]> classes;
    std::unique_ptr<const Member*[]> candidates;
    int32_t activeCount = 0;
    int32_t spanBegin = 0;  // columns [spanBegin, spanEnd) that the active members reach
    int32_t spanEnd = 0;

    GroupRows(const FillContext& fc, const FillArea& area, const ZShapeGroup& group, const Member* const* members,
              int32_t count)
        : fc(fc), group(group), members(members), count(count), lxBegin(area.colBegin - fc.clipX),
          lxEnd(area.colEnd - fc.clipX), bounds(tryArray<ZBounds>(count)), active(tryArray<int32_t>(count)),
          classes(tryArray<uint8_t>(area.colEnd - area.colBegin)), candidates(tryArray<const Member*>(count))
    {}

    bool made() const { return bounds && active && classes && candidates; }

    // Members without bounds never answer (their bounds contain nothing).
    void readBounds()
    {
        for (int32_t i = 0; i < count; ++i) {
            if (!members[i]->bounds(bounds[i])) bounds[i] = ZBounds{0, 0, 0, 0};
        }
    }

    // The members whose bounds reach row ly inside the area, and the columns they span; false
    // when there are none.
    bool findActive(int32_t ly)
    {
        activeCount = 0;
        spanBegin = lxEnd;
        spanEnd = lxBegin;
        for (int32_t i = 0; i < count; ++i) {
            const ZBounds& b = bounds[i];
            if (ly < b.y0 || ly >= b.y1 || b.x0 >= lxEnd || b.x1 <= lxBegin || b.x0 >= b.x1) continue;
            active[activeCount++] = i;
            const int32_t xs = b.x0 > lxBegin ? b.x0 : lxBegin;
            const int32_t xe = b.x1 < lxEnd ? b.x1 : lxEnd;
            if (xs < spanBegin) spanBegin = xs;
            if (xe > spanEnd) spanEnd = xe;
        }
        return activeCount > 0;
    }

    // Classes of the row's span: inside when any member covers the pixel whole, else on the
    // edge when any member has it on its edge, else outside.
    void classifyRow(int32_t ly)
    {
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
    }

    // Supersamples of the edge pixel (lx, ly) inside the group.
    int edgeSamples(int32_t lx, int32_t ly)
    {
        if (lx < 0 || ly < 0)
            return countSamples(fc, lx, ly, [&](double px, double py) { return group.contains(px, py); });
        // Every sample of the pixel truncates to (lx, ly), so the members to ask are those whose
        // bounds hold the pixel. Of those, a member that misses the whole pixel (its edge is more
        // than half a pixel diagonal away from the centre) cannot hold any of the samples, which
        // all lie within 0.54 of the centre.
        int32_t candidateCount = 0;
        for (int32_t j = 0; j < activeCount; ++j) {
            const ZBounds& b = bounds[active[j]];
            if (lx >= b.x0 && lx < b.x1 && members[active[j]]->keepsForSamples(lx, ly))
                candidates[candidateCount++] = members[active[j]];
        }
        return countGroupSamples(fc, lx, ly, candidates.get(), candidateCount);
    }

    // Blends the classified span of surface row sy.
    void paintRow(int32_t sy, int32_t ly, InteriorPainter& interior)
    {
        uint32_t* row = fc.pixels + static_cast<ptrdiff_t>(sy) * fc.stride + fc.clipX;
        for (int32_t lx = spanBegin; lx < spanEnd; ++lx) {
            const uint8_t cls = classes[lx - lxBegin];
            if (cls == ZShape::kInside)
                row[lx] = interior.apply(row[lx]);
            else if (cls == ZShape::kEdge)
                row[lx] = zblend::pixel(fc.rgb, row[lx], edgeOpacity(fc, edgeSamples(lx, ly)));
        }
    }
};

// Fill of a group. A group pixel is inside when any member covers it whole, on the edge when
// any member has it on its edge, so the answer does not depend on the order in which members
// are asked; each row therefore asks only the members whose bounds reach that row, each over
// its own columns. Member is ZSegmentShape (calls resolved at compile time) or AnyMember.
// False when the working arrays cannot be made (nothing is drawn then).
template <class Member>
bool fillGroup(const FillContext& fc, const FillArea& area, const ZShapeGroup& group, const Member* const* members,
               int32_t count)
{
    GroupRows<Member> rows(fc, area, group, members, count);
    if (!rows.made()) return false;
    rows.readBounds();
    InteriorPainter interior(fc.rgb, fc.a);
    for (int32_t sy = area.rowBegin; sy < area.rowEnd; ++sy) {
        const int32_t ly = sy - fc.clipY;
        if (!rows.findActive(ly)) continue;
        rows.classifyRow(ly);
        rows.paintRow(sy, ly, interior);
    }
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

// A group of segments only takes the segments' inlined forms; any other group asks each member
// through its virtual functions. False when the member lists cannot be made.
bool fillGroupShape(const FillContext& fc, const FillArea& area, const ZShapeGroup& group)
{
    const int32_t count = group.count();
    bool segmentsOnly = true;
    for (int32_t i = 0; i < count && segmentsOnly; ++i)
        segmentsOnly = group.member(i)->fillKind() == ZShape::FillKind::kSegment;
    if (segmentsOnly) {
        std::unique_ptr<const ZSegmentShape*[]> segments = tryArray<const ZSegmentShape*>(count);
        if (!segments) return false;
        for (int32_t i = 0; i < count; ++i) segments[i] = static_cast<const ZSegmentShape*>(group.member(i));
        return fillGroup(fc, area, group, segments.get(), count);
    }
    std::unique_ptr<AnyMember[]> any = tryArray<AnyMember>(count);
    std::unique_ptr<const AnyMember*[]> anyPtrs = tryArray<const AnyMember*>(count);
    if (!any || !anyPtrs) return false;
    for (int32_t i = 0; i < count; ++i) {
        any[i].shape = group.member(i);
        anyPtrs[i] = &any[i];
    }
    return fillGroup(fc, area, group, anyPtrs.get(), count);
}


// A shape seen at a scale, asked point by point: every pixel of its bounds is treated as an edge
// pixel and supersampled through the shape's own contains. For shapes that cannot make a scaled
// copy of themselves.
class ScaledShapeView final : public ZShape {
public:
    ScaledShapeView(const ZShape& shape, double scale, double dx, double dy)
        : shape_(shape), scale_(scale), dx_(dx), dy_(dy)
    {
        ZBounds b;
        if (shape.bounds(b))
            setBounds(std::floor(b.x0 * scale + dx), std::floor(b.y0 * scale + dy), std::ceil(b.x1 * scale + dx) + 1.0,
                      std::ceil(b.y1 * scale + dy) + 1.0);
    }
    int classify(int32_t x, int32_t y) const override
    {
        return empty_ || !bounds_.contains(x, y) ? kOutside : kEdge;
    }
    bool contains(double px, double py) const override
    {
        return shape_.contains((px - dx_) / scale_, (py - dy_) / scale_);
    }

private:
    const ZShape& shape_;
    double scale_;
    double dx_;
    double dy_;
};

// One channel of a bilinear sample: the four neighbours' values weighted.
inline double lerp2(double a, double b, double c, double d, double fx, double fy)
{
    return (a + (b - a) * fx) * (1.0 - fy) + (c + (d - c) * fx) * fy;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

ZSurface* ZSurface::create(void* window, int32_t width, int32_t height, double scale)
{
    if (!(scale >= kMinScale && scale <= kMaxScale)) return nullptr;
    if (width < 1 || height < 1 || static_cast<int64_t>(width) * height > (int64_t(1) << 28)) return nullptr;
    const int64_t deviceWidth = scale == 1.0 ? width : static_cast<int64_t>(std::floor(width * scale + 0.5));
    const int64_t deviceHeight = scale == 1.0 ? height : static_cast<int64_t>(std::floor(height * scale + 0.5));
    if (deviceWidth * deviceHeight > (int64_t(1) << 28)) return nullptr;
    uint32_t* pixels = nullptr;
    platform::SurfaceDevice* device = platform::createSurfaceDevice(window, static_cast<int32_t>(deviceWidth),
                                                                    static_cast<int32_t>(deviceHeight), &pixels);
    if (device == nullptr) return nullptr;
    if (pixels == nullptr) {
        platform::destroySurfaceDevice(device);
        return nullptr;
    }
    ZSurface* surface = new (std::nothrow) ZSurface(device, pixels, static_cast<int32_t>(deviceWidth),
                                                    static_cast<int32_t>(deviceHeight), width, height, scale);
    if (surface == nullptr) platform::destroySurfaceDevice(device);
    return surface;
}

ZSurface::ZSurface(platform::SurfaceDevice* device, uint32_t* pixels, int32_t width, int32_t height, int32_t skinWidth,
                   int32_t skinHeight, double scale)
    : width_(width), height_(height), pixels_(pixels), device_(device), skinWidth_(skinWidth),
      skinHeight_(skinHeight), scale_(scale), clipX_(0), clipY_(0), clipWidth_(skinWidth), clipHeight_(skinHeight),
      devX_(0), devY_(0), devWidth_(width), devHeight_(height), supersampleCount_(4), supersampleStep_(0.25),
      supersampleWeight_(0.0625)
{}

ZSurface::~ZSurface()
{
    platform::resetSurfaceDeviceClip(device_);
    platform::destroySurfaceDevice(device_);
}

void* ZSurface::deviceContext() const { return platform::surfaceDeviceContext(device_); }

double ZSurface::opacity(uint8_t alpha) { return alpha * zblend::kAlphaScale; }

int64_t ZSurface::toDevice(int64_t v) const
{
    if (scale_ == 1.0) return v;
    return static_cast<int64_t>(std::floor(static_cast<double>(v) * scale_ + 0.5));
}

int32_t ZSurface::deviceX(int32_t x) const { return static_cast<int32_t>(toDevice(int64_t(clipX_) + x) - devX_); }

int32_t ZSurface::deviceY(int32_t y) const { return static_cast<int32_t>(toDevice(int64_t(clipY_) + y) - devY_); }

void ZSurface::setClip(int32_t x, int32_t y, int32_t w, int32_t h)
{
    resetClip();
    x = clampInt(x, 0, skinWidth_);
    y = clampInt(y, 0, skinHeight_);
    if (static_cast<int64_t>(x) + w > skinWidth_) w = skinWidth_ - x;
    if (static_cast<int64_t>(y) + h > skinHeight_) h = skinHeight_ - y;
    // A negative size would name a rectangle left of or above the origin; it clips everything.
    if (w < 0) w = 0;
    if (h < 0) h = 0;
    clipX_ = x;
    clipY_ = y;
    clipWidth_ = w;
    clipHeight_ = h;
    devX_ = static_cast<int32_t>(toDevice(x));
    devY_ = static_cast<int32_t>(toDevice(y));
    devWidth_ = static_cast<int32_t>(toDevice(int64_t(x) + w) - devX_);
    devHeight_ = static_cast<int32_t>(toDevice(int64_t(y) + h) - devY_);
    platform::setSurfaceDeviceClip(device_, devX_, devY_, devWidth_, devHeight_);
}

void ZSurface::resetClip()
{
    platform::resetSurfaceDeviceClip(device_);
    clipX_ = 0;
    clipY_ = 0;
    clipWidth_ = skinWidth_;
    clipHeight_ = skinHeight_;
    devX_ = 0;
    devY_ = 0;
    devWidth_ = width_;
    devHeight_ = height_;
}

void ZSurface::blendDeviceBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy,
                                 const ZBitmap* bitmap)
{
    if (bitmap == nullptr || !bitmap->isValid()) return;
    BitmapCut cut;
    if (!cutBitmap(x0, y0, x1, y1, dx, dy, *bitmap, devWidth_, devHeight_, cut)) return;
    const int64_t w = cut.w, h = cut.h;
    const uint32_t* src = bitmap->pixels + cut.sy * bitmap->width + cut.sx;
    uint32_t* dst = pixels_ + (devY_ + cut.dy) * width_ + (devX_ + cut.dx);
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

void ZSurface::blendBitmap(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dx, int32_t dy,
                           const ZBitmap* bitmap)
{
    if (scale_ == 1.0) {
        blendDeviceBitmap(x0, y0, x1, y1, dx, dy, bitmap);
        return;
    }
    if (bitmap == nullptr || !bitmap->isValid()) return;
    // The same cut as at scale 1, in skin pixels; the visible part is then filtered.
    BitmapCut cut;
    if (!cutBitmap(x0, y0, x1, y1, dx, dy, *bitmap, clipWidth_, clipHeight_, cut)) return;
    blendScaledBitmap(cut.sx, cut.sy, cut.w, cut.h, cut.dx, cut.dy, cut.left, cut.top, cut.right, cut.bottom, *bitmap);
}

namespace {

// The two source pixels that a device pixel's centre falls between along one axis, and the weight of
// the second: device pixel d, a rectangle whose corner lies at skin coordinate `corner` and shows the
// source from `source` on, source pixels first..end-1 usable (a source pixel's centre is at + 0.5).
struct SourceTaps {
    int64_t first, second;
    double weight;
};

inline SourceTaps sourceTaps(int64_t d, double inv, int64_t corner, int64_t source, int64_t first, int64_t end)
{
    double v = (static_cast<double>(d) + 0.5) * inv - static_cast<double>(corner) + static_cast<double>(source) - 0.5;
    if (v < static_cast<double>(first)) v = static_cast<double>(first);
    if (v > static_cast<double>(end - 1)) v = static_cast<double>(end - 1);
    const int64_t i0 = static_cast<int64_t>(std::floor(v));
    return {i0, i0 + 1 <= end - 1 ? i0 + 1 : i0, v - static_cast<double>(i0)};
}

}  // namespace

void ZSurface::blendScaledBitmap(int64_t sx, int64_t sy, int64_t w, int64_t h, int64_t dx, int64_t dy, int64_t x0,
                                 int64_t y0, int64_t x1, int64_t y1, const ZBitmap& bitmap)
{
    // The device pixels of the skin rectangle (clip x + dx, clip y + dy, w, h), cut to the clip.
    const int64_t ax = int64_t(clipX_) + dx;  // skin coordinates of the rectangle's corner
    const int64_t ay = int64_t(clipY_) + dy;
    const int64_t cx0 = max64(toDevice(ax), devX_);
    const int64_t cy0 = max64(toDevice(ay), devY_);
    const int64_t cx1 = min64(toDevice(ax + w), int64_t(devX_) + devWidth_);
    const int64_t cy1 = min64(toDevice(ay + h), int64_t(devY_) + devHeight_);
    const double inv = 1.0 / scale_;
    for (int64_t Y = cy0; Y < cy1; ++Y) {
        const SourceTaps rows = sourceTaps(Y, inv, ay, sy, y0, y1);
        const int64_t r0 = rows.first, r1 = rows.second;
        const double fy = rows.weight;
        uint32_t* row = pixels_ + Y * width_;
        for (int64_t X = cx0; X < cx1; ++X) {
            const SourceTaps columns = sourceTaps(X, inv, ax, sx, x0, x1);
            const int64_t c0 = columns.first, c1 = columns.second;
            const double fx = columns.weight;
            const uint32_t p[4] = {bitmap.pixels[r0 * bitmap.width + c0], bitmap.pixels[r0 * bitmap.width + c1],
                                   bitmap.pixels[r1 * bitmap.width + c0], bitmap.pixels[r1 * bitmap.width + c1]};
            // Premultiplied, so that transparent neighbours lend no colour.
            double a[4], r[4], g[4], b[4];
            for (int k = 0; k < 4; ++k) {
                a[k] = (p[k] >> 24) * zblend::kAlphaScale;
                r[k] = ((p[k] >> 16) & 0xFF) * a[k];
                g[k] = ((p[k] >> 8) & 0xFF) * a[k];
                b[k] = (p[k] & 0xFF) * a[k];
            }
            const double alpha = lerp2(a[0], a[1], a[2], a[3], fx, fy);
            if (alpha <= 0.0) continue;
            const double k = 1.0 / alpha;
            const auto channel = [k](double v) {
                const double c = v * k + 0.5;
                return static_cast<uint32_t>(c > 255.0 ? 255.0 : c);
            };
            const uint32_t rgb = (channel(lerp2(r[0], r[1], r[2], r[3], fx, fy)) << 16) |
                (channel(lerp2(g[0], g[1], g[2], g[3], fx, fy)) << 8) | channel(lerp2(b[0], b[1], b[2], b[3], fx, fy));
            row[X] = zblend::pixel(rgb, row[X], alpha >= 1.0 ? 1.0 : alpha);
        }
    }
}

ZBitmap* ZSurface::copyDeviceArea(int32_t w, int32_t h) const
{
    const int32_t dw = w > 0 ? (deviceX(w) < devWidth_ ? deviceX(w) : devWidth_) : 0;
    const int32_t dh = h > 0 ? (deviceY(h) < devHeight_ ? deviceY(h) : devHeight_) : 0;
    if (dw < 1 || dh < 1) return nullptr;
    ZBitmap* copy = new (std::nothrow) ZBitmap(dw, dh);
    if (!copy) return nullptr;
    if (!copy->isValid()) {
        delete copy;
        return nullptr;
    }
    for (int32_t row = 0; row < dh; ++row) {
        const uint32_t* line = pixels_ + static_cast<ptrdiff_t>(devY_ + row) * width_ + devX_;
        uint32_t* out = copy->pixels + static_cast<ptrdiff_t>(row) * dw;
        for (int32_t col = 0; col < dw; ++col) out[col] = line[col] | 0xFF000000u;
    }
    return copy;
}

void ZSurface::fillDeviceRect(const ZColour& colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
{
    if (x0 < 0) x0 = 0;
    if (y0 < 0) y0 = 0;
    if (x1 > devWidth_) x1 = devWidth_;
    if (y1 > devHeight_) y1 = devHeight_;
    if (x0 >= x1 || y0 >= y1) return;
    zblend::Painter painter(rgbOf(colour), opacity(colour.a));
    painter.expect(static_cast<long>(x1 - x0) * (y1 - y0));
    uint32_t* row = pixels_ + static_cast<ptrdiff_t>(devY_ + y0) * width_ + (devX_ + x0);
    if (x1 - x0 == 1) {
        for (int32_t y = y0; y < y1; ++y, row += width_) *row = painter.apply(*row);
        return;
    }
    for (int32_t y = y0; y < y1; ++y, row += width_) painter.span(row, x1 - x0);
}

void ZSurface::fillRect(const ZColour& colour, int32_t x, int32_t y, int32_t w, int32_t h)
{
    // A negative origin moves the rectangle to the clip edge; it is not cut.
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    const int64_t cw = min64(w, static_cast<int64_t>(clipWidth_) - x);
    const int64_t ch = min64(h, static_cast<int64_t>(clipHeight_) - y);
    if (cw <= 0 || ch <= 0) return;
    if (scale_ != 1.0) {
        fillDeviceRect(colour, deviceX(x), deviceY(y), static_cast<int32_t>(toDevice(int64_t(clipX_) + x + cw) - devX_),
                       static_cast<int32_t>(toDevice(int64_t(clipY_) + y + ch) - devY_));
        return;
    }
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
    if (scale_ != 1.0) {
        fillDeviceRect(colour, deviceX(x), deviceY(top), deviceX(x + 1), deviceY(end));
        return;
    }
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
    if (scale_ != 1.0) {
        fillDeviceRect(colour, deviceX(left), deviceY(y), deviceX(end), deviceY(y + 1));
        return;
    }
    zblend::Painter painter(rgbOf(colour), opacity(colour.a));
    painter.expect(end - left);
    painter.span(pixels_ + static_cast<ptrdiff_t>(clipY_ + y) * width_ + (clipX_ + left), end - left);
}

void ZSurface::fillShape(const ZColour& colour, const ZShape& shape)
{
    if (scale_ == 1.0) {
        fillDeviceShape(colour, shape);
        return;
    }
    // The shape in device coordinates relative to the device clip origin.
    const double dx = clipX_ * scale_ - devX_;
    const double dy = clipY_ * scale_ - devY_;
    std::unique_ptr<ZShape> copy(shape.scaledCopy(scale_, dx, dy));
    if (copy) {
        fillDeviceShape(colour, *copy);
        return;
    }
    const ScaledShapeView view(shape, scale_, dx, dy);
    fillDeviceShape(colour, view);
}

void ZSurface::fillDeviceShape(const ZColour& colour, const ZShape& shape)
{
    // With nothing inside the clip there is nothing to draw, whatever the shape's position.
    if (devWidth_ <= 0 || devHeight_ <= 0) return;
    ZBounds b;
    if (!shape.bounds(b)) return;
    // Far edges are cut at the clip rectangle, near edges at the surface's own edge.
    FillArea area;
    area.rowBegin = static_cast<int32_t>(max64(0, static_cast<int64_t>(devY_) + b.y0));
    area.rowEnd =
        static_cast<int32_t>(min64(static_cast<int64_t>(devY_) + devHeight_, static_cast<int64_t>(devY_) + b.y1));
    area.colBegin = static_cast<int32_t>(max64(0, static_cast<int64_t>(devX_) + b.x0));
    area.colEnd =
        static_cast<int32_t>(min64(static_cast<int64_t>(devX_) + devWidth_, static_cast<int64_t>(devX_) + b.x1));
    if (area.rowBegin >= area.rowEnd || area.colBegin >= area.colEnd) return;

    FillContext fc;
    fc.pixels = pixels_;
    fc.stride = width_;
    fc.clipX = devX_;
    fc.clipY = devY_;
    fc.rgb = rgbOf(colour);
    fc.a = opacity(colour.a);
    fc.samples = clampInt(supersampleCount_, 0, 16);
    for (int k = 0; k < fc.samples; ++k) fc.offsets[k] = supersampleStep_ * 0.5 + supersampleStep_ * k;
    fc.weight = supersampleWeight_;

    switch (shape.fillKind()) {
        case ZShape::FillKind::kDisc: {
            const ZDiscShape& disc = static_cast<const ZDiscShape&>(shape);
            fillPixels(
                fc, area, [&](int32_t x, int32_t y) { return disc.classifyPixel(x, y); },
                [&](double px, double py) { return disc.containsPoint(px, py); });
            return;
        }
        case ZShape::FillKind::kSegment: {
            const ZSegmentShape& segment = static_cast<const ZSegmentShape&>(shape);
            fillPixels(
                fc, area, [&](int32_t x, int32_t y) { return segment.classifyPixel(x, y); },
                [&](double px, double py) { return segment.containsPoint(px, py); });
            return;
        }
        case ZShape::FillKind::kGroup:
            if (fillGroupShape(fc, area, static_cast<const ZShapeGroup&>(shape))) return;
            break;
        case ZShape::FillKind::kGeneral: break;
    }
    fillPixels(
        fc, area, [&](int32_t x, int32_t y) { return shape.classify(x, y); },
        [&](double px, double py) { return shape.contains(px, py); });
}

void ZSurface::fillDisc(const ZColour& colour, double cx, double cy, double r)
{
    if (scale_ != 1.0) {
        const ZDiscShape disc(cx * scale_ + (clipX_ * scale_ - devX_), cy * scale_ + (clipY_ * scale_ - devY_),
                              r * scale_);
        fillDeviceShape(colour, disc);
        return;
    }
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
    // At a scale the segments are made in device coordinates, a line of 2 x scale device pixels.
    const double k = scale_;
    const double dx = scale_ == 1.0 ? 0.0 : clipX_ * scale_ - devX_;
    const double dy = scale_ == 1.0 ? 0.0 : clipY_ * scale_ - devY_;
    ZShapeGroup group;
    for (int32_t i = 1; i < count; ++i) {
        ZShape* segment = scale_ == 1.0
            ? new (std::nothrow) ZSegmentShape(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y, 2.0)
            : new (std::nothrow) ZSegmentShape(points[i - 1].x * k + dx, points[i - 1].y * k + dy, points[i].x * k + dx,
                                               points[i].y * k + dy, 2.0 * k);
        if (segment == nullptr || !group.add(segment)) return;
    }
    fillDeviceShape(colour, group);
}

bool ZSurface::drawText(const char* text, int32_t x, int32_t y, int32_t w, int32_t h, platform::FontHandle font,
                        uint32_t colorref, uint32_t format)
{
    if (text == nullptr || font == nullptr) return false;
    const int64_t limit = int64_t(1) << 30;
    const int64_t skinLeft = static_cast<int64_t>(clipX_) + x;
    const int64_t skinTop = static_cast<int64_t>(clipY_) + y;
    if (skinLeft < -limit || skinTop < -limit || skinLeft + w > limit || skinTop + h > limit ||
        skinLeft + w < -limit || skinTop + h < -limit)
        return false;
    const int64_t left = toDevice(skinLeft);
    const int64_t top = toDevice(skinTop);
    const int64_t right = toDevice(skinLeft + w);
    const int64_t bottom = toDevice(skinTop + h);
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
