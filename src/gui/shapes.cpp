#include "gui/shapes.h"

#include <cmath>
#include <new>

namespace {

// trunc toward zero into int32, saturating at the range ends (the caller has excluded NaN).
int32_t truncToInt(double v)
{
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int32_t>(v);
}

double squareOfNonNegative(double v) { return v > 0.0 ? v * v : 0.0; }

}  // namespace

// ---------------------------------------------------------------------------------------------

ZShape::ZShape() : bounds_{0, 0, 0, 0}, empty_(true) {}

ZShape::ZShape(FillKind kind) : bounds_{0, 0, 0, 0}, empty_(true), fillKind_(kind) {}

ZShape::~ZShape() = default;

bool ZShape::bounds(ZBounds& out) const
{
    if (empty_) return false;
    out = bounds_;
    return true;
}

ZShape* ZShape::scaledCopy(double, double, double) const { return nullptr; }

void ZShape::setBounds(double x0, double y0, double x1, double y1)
{
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        empty_ = true;
        return;
    }
    bounds_ = ZBounds{truncToInt(x0), truncToInt(y0), truncToInt(x1), truncToInt(y1)};
    empty_ = false;
}

void ZShape::setBounds(const ZBounds& b)
{
    bounds_ = b;
    empty_ = false;
}

// ---------------------------------------------------------------------------------------------

ZDiscShape::ZDiscShape(double cx, double cy, double r)
    : ZShape(FillKind::kDisc), cx_(cx), cy_(cy), r_(r), r2_(r * r), inner_(squareOfNonNegative(r - kHalfPixelDiagonal)),
      outer_((r + kHalfPixelDiagonal) * (r + kHalfPixelDiagonal))
{
    setBounds(cx - r, cy - r, cx + r + 1.0, cy + r + 1.0);
}

int ZDiscShape::classify(int32_t x, int32_t y) const { return classifyPixel(x, y); }

bool ZDiscShape::contains(double px, double py) const { return containsPoint(px, py); }

ZShape* ZDiscShape::scaledCopy(double scale, double dx, double dy) const
{
    return new (std::nothrow) ZDiscShape(cx_ * scale + dx, cy_ * scale + dy, r_ * scale);
}

// ---------------------------------------------------------------------------------------------

ZSegmentShape::ZSegmentShape(double x1, double y1, double x2, double y2, double width)
    : ZShape(FillKind::kSegment), x1_(x1), y1_(y1), x2_(x2), y2_(y2), half_(width / 2.0)
{
    const double dx = x2 - x1;
    const double dy = y2 - y1;
    len2_ = dx * dx + dy * dy;
    exact_ = half_ * half_;
    inner_ = squareOfNonNegative(half_ - kHalfPixelDiagonal);
    outer_ = (half_ + kHalfPixelDiagonal) * (half_ + kHalfPixelDiagonal);
    setBounds((x1 < x2 ? x1 : x2) - half_, (y1 < y2 ? y1 : y2) - half_, (x1 > x2 ? x1 : x2) + half_ + 1.0,
              (y1 > y2 ? y1 : y2) + half_ + 1.0);
}

int ZSegmentShape::classify(int32_t x, int32_t y) const { return classifyPixel(x, y); }

bool ZSegmentShape::contains(double px, double py) const { return containsPoint(px, py); }

ZShape* ZSegmentShape::scaledCopy(double scale, double dx, double dy) const
{
    return new (std::nothrow)
        ZSegmentShape(x1_ * scale + dx, y1_ * scale + dy, x2_ * scale + dx, y2_ * scale + dy, 2.0 * half_ * scale);
}

// ---------------------------------------------------------------------------------------------

ZShapeGroup::ZShapeGroup() : ZShapeGroup(FillKind::kGroup) {}

ZShapeGroup::ZShapeGroup(FillKind kind)
    : ZShape(kind == FillKind::kGroup ? FillKind::kGroup : FillKind::kGeneral), members_(nullptr), count_(0),
      capacity_(0)
{
    members_ = new (std::nothrow) ZShape*[32];
    if (members_ != nullptr) capacity_ = 32;
}

ZShapeGroup::~ZShapeGroup()
{
    for (int32_t i = 0; i < count_; ++i) delete members_[i];
    delete[] members_;
}

bool ZShapeGroup::add(ZShape* member)
{
    if (member == nullptr) return false;
    if (count_ == capacity_) {
        ZShape** grown = capacity_ <= 0x7FFFFFFF - 32 ? new (std::nothrow) ZShape*[capacity_ + 32] : nullptr;
        if (grown == nullptr) {
            delete member;
            return false;
        }
        for (int32_t i = 0; i < count_; ++i) grown[i] = members_[i];
        delete[] members_;
        members_ = grown;
        capacity_ += 32;
    }
    members_[count_++] = member;

    ZBounds b;
    if (member->bounds(b)) {
        if (empty_) {
            setBounds(b);
        } else {
            if (b.x0 < bounds_.x0) bounds_.x0 = b.x0;
            if (b.y0 < bounds_.y0) bounds_.y0 = b.y0;
            if (b.x1 > bounds_.x1) bounds_.x1 = b.x1;
            if (b.y1 > bounds_.y1) bounds_.y1 = b.y1;
        }
    }
    return true;
}

int ZShapeGroup::classify(int32_t x, int32_t y) const
{
    int result = kOutside;
    for (int32_t i = 0; i < count_; ++i) {
        ZBounds b;
        if (!members_[i]->bounds(b) || !b.contains(x, y)) continue;
        const int c = members_[i]->classify(x, y);
        if (c == kInside) return kInside;
        if (c == kEdge) result = kEdge;
    }
    return result;
}

bool ZShapeGroup::contains(double px, double py) const
{
    if (!std::isfinite(px) || !std::isfinite(py)) return false;
    const int32_t tx = truncToInt(px);
    const int32_t ty = truncToInt(py);
    for (int32_t i = 0; i < count_; ++i) {
        ZBounds b;
        if (members_[i]->bounds(b) && b.contains(tx, ty) && members_[i]->contains(px, py)) return true;
    }
    return false;
}

ZShape* ZShapeGroup::scaledCopy(double scale, double dx, double dy) const
{
    if (fillKind() != FillKind::kGroup) return nullptr;
    ZShapeGroup* copy = new (std::nothrow) ZShapeGroup();
    if (copy == nullptr) return nullptr;
    for (int32_t i = 0; i < count_; ++i) {
        if (!copy->add(members_[i]->scaledCopy(scale, dx, dy))) {
            delete copy;
            return nullptr;
        }
    }
    return copy;
}
