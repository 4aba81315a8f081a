// Areas filled with edge anti-aliasing by ZSurface::fillShape: discs, thick round-ended segments
// and groups of shapes that are blended as one area.
#pragma once

#include <cstdint>

struct ZBounds {
    int32_t x0;  // pixels x0 <= x < x1
    int32_t y0;  // pixels y0 <= y < y1
    int32_t x1;
    int32_t y1;

    bool contains(int32_t x, int32_t y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

class ZShape {
public:
    // Pixel classes returned by classify.
    enum { kInside = 0, kOutside = 1, kEdge = 2 };

    virtual ~ZShape();
    // Copies the bounds and returns true, or returns false when the shape is empty.
    virtual bool bounds(ZBounds& out) const;
    // Classifies the integer pixel (x, y): kInside when the shape covers all of it, kOutside
    // when it misses it, kEdge when the pixel lies on the shape's edge.
    virtual int classify(int32_t x, int32_t y) const = 0;
    // Whether the point (px, py) lies inside the shape.
    virtual bool contains(double px, double py) const = 0;
    // The same shape with every coordinate multiplied by `scale` and moved by (dx, dy), for a
    // surface that draws at a scale; the caller owns it. Null when the kind cannot say (the
    // surface then asks this shape point by point).
    virtual ZShape* scaledCopy(double scale, double dx, double dy) const;

    // How ZSurface::fillShape fills the shape: kGeneral through the virtual classify and contains,
    // the others through the inlined forms of the disc and the segment and the group's row-wise
    // fill. Only those three classes can set a kind other than kGeneral.
    enum class FillKind : uint8_t { kGeneral, kDisc, kSegment, kGroup };
    FillKind fillKind() const { return fillKind_; }

protected:
    ZShape();
    // Sets the bounds from doubles truncated toward zero. Values that are not finite leave the
    // shape empty; values beyond the int32 range are saturated.
    void setBounds(double x0, double y0, double x1, double y1);
    void setBounds(const ZBounds& b);

    ZBounds bounds_;
    bool empty_;

private:
    friend class ZDiscShape;
    friend class ZSegmentShape;
    friend class ZShapeGroup;
    explicit ZShape(FillKind kind);

    FillKind fillKind_ = FillKind::kGeneral;
};

// Half the diagonal of a pixel: a pixel whose centre is nearer than this to the edge may be cut by it.
constexpr double kHalfPixelDiagonal = 0.7071067811865476;

class ZDiscShape final : public ZShape {
public:
    ZDiscShape(double cx, double cy, double r);
    int classify(int32_t x, int32_t y) const override;
    bool contains(double px, double py) const override;
    ZShape* scaledCopy(double scale, double dx, double dy) const override;

    // Inlined forms of classify and contains for the fill loops.
    int classifyPixel(int32_t x, int32_t y) const
    {
        const double dx = (static_cast<double>(x) + 0.5) - cx_;
        const double dy = (static_cast<double>(y) + 0.5) - cy_;
        const double d2 = dx * dx + dy * dy;
        if (d2 < inner_) return kInside;
        if (d2 > outer_) return kOutside;
        return kEdge;
    }
    bool containsPoint(double px, double py) const
    {
        const double dx = px - cx_;
        const double dy = py - cy_;
        return dx * dx + dy * dy <= r2_;
    }

private:
    double cx_;
    double cy_;
    double r_;
    double r2_;
    double inner_;
    double outer_;
};

class ZSegmentShape final : public ZShape {
public:
    // A line of the given width from (x1, y1) to (x2, y2) with round ends.
    ZSegmentShape(double x1, double y1, double x2, double y2, double width);
    int classify(int32_t x, int32_t y) const override;
    bool contains(double px, double py) const override;
    ZShape* scaledCopy(double scale, double dx, double dy) const override;

    // Squared distance of the point (qx, qy) to the segment.
    double distance2(double qx, double qy) const
    {
        const double ax = qx - x1_;
        const double ay = qy - y1_;
        const double d1 = ax * ax + ay * ay;
        if (len2_ > 0.0) {
            const double bx = qx - x2_;
            const double by = qy - y2_;
            const double d2 = bx * bx + by * by;
            const double t = (d1 - d2 + len2_) / (2.0 * len2_);
            if (t > 0.0) {
                if (t >= 1.0) return d2;
                const double d = d1 - t * t * len2_;
                return d < 0.0 ? 0.0 : d;
            }
        }
        return d1;
    }
    int classifyPixel(int32_t x, int32_t y) const
    {
        const double d = distance2(static_cast<double>(x) + 0.5, static_cast<double>(y) + 0.5);
        if (d < inner_) return kInside;
        if (d > outer_) return kOutside;
        return kEdge;
    }
    bool containsPoint(double px, double py) const { return distance2(px, py) <= exact_; }
    // Whether any point of the pixel (x, y) can be inside: false when the pixel's centre lies
    // more than half a pixel diagonal beyond the edge.
    bool keepsForSamples(int32_t x, int32_t y) const { return classifyPixel(x, y) != kOutside; }

private:
    double x1_;
    double y1_;
    double x2_;
    double y2_;
    double half_;
    double len2_;
    double exact_;
    double inner_;
    double outer_;
};

// An owned list of shapes that fills as one area: where members overlap, a pixel is still
// blended only once.
class ZShapeGroup : public ZShape {
public:
    ZShapeGroup();
    ~ZShapeGroup() override;
    ZShapeGroup(const ZShapeGroup&) = delete;
    ZShapeGroup& operator=(const ZShapeGroup&) = delete;

    // Appends the member and takes ownership of it. A member with bounds widens the group's
    // bounds. Returns false (and destroys the member) if the list cannot grow; null is refused.
    bool add(ZShape* member);

    int classify(int32_t x, int32_t y) const override;
    bool contains(double px, double py) const override;
    // A group of the members' copies; null for a subclass of another kind or a member without one.
    ZShape* scaledCopy(double scale, double dx, double dy) const override;

    int32_t count() const { return count_; }
    const ZShape* member(int32_t index) const { return members_[index]; }

protected:
    // For subclasses: FillKind::kGroup keeps the group's row-wise fill; any other kind fills the
    // subclass through its own classify and contains.
    explicit ZShapeGroup(FillKind kind);

private:
    ZShape** members_;
    int32_t count_;
    int32_t capacity_;
};
