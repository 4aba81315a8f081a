#include "controls/meters.h"

#include "gui/surface.h"
#include "skin_resources/resources.h"

namespace {

// A frame number from a double, truncated toward zero and limited to 0 .. frames - 1. A value
// that is not a number shows frame 0.
int32_t limitFrame(double frame, int32_t frames)
{
    if (frames < 1 || !(frame >= 1.0)) return 0;
    if (frame >= static_cast<double>(frames - 1)) return frames - 1;
    return static_cast<int32_t>(frame);
}

}  // namespace

// ---------------------------------------------------------------- ZImgMeter

ZImgMeter::ZImgMeter(ZEffectLink* effect, const std::atomic<int32_t>* value, double scale, double offset,
                     ZImageResource* image)
    : ZControl(effect), image(image), value(value), scale(scale), offset(offset)
{}

void ZImgMeter::reset() { dirty = true; }

void ZImgMeter::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

int32_t ZImgMeter::currentFrame() const
{
    if (!value || !image) return 0;
    return limitFrame(static_cast<double>(value->load(std::memory_order_relaxed)) * scale + offset + 0.5,
                      image->frameCount);
}

void ZImgMeter::draw(ZSurface& surface)
{
    const int32_t frame = currentFrame();
    if (frame == lastFrame && !dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    dirty = false;
}

// ---------------------------------------------------------------- ZImgFracMeter

ZImgFracMeter::ZImgFracMeter(ZEffectLink* effect, const std::atomic<double>* value, ZImageResource* image)
    : ZControl(effect), image(image), value(value)
{}

void ZImgFracMeter::reset() { dirty = true; }

void ZImgFracMeter::prepare(ZSurface& surface)
{
    takeSnapshot(surface);
    dirty = true;
}

int32_t ZImgFracMeter::currentFrame() const
{
    if (!value || !image) return 0;
    return limitFrame(static_cast<double>(image->frameCount - 1) * value->load(std::memory_order_relaxed),
                      image->frameCount);
}

void ZImgFracMeter::draw(ZSurface& surface)
{
    const int32_t frame = currentFrame();
    if (frame == lastFrame && !dirty) return;
    restoreSnapshot(surface);
    if (image) image->drawImageFrame(&surface, frame);
    lastFrame = frame;
    dirty = false;
}

// ---------------------------------------------------------------- segment meters

ZSegmentMeter::ZSegmentMeter(ZEffectLink* effect, int32_t orientation, const ZColour& segment, const ZColour& off,
                             const ZColour& on)
    : ZControl(effect), orientation(orientation), segment(segment), off(off), on(on)
{}

void ZSegmentMeter::reset()
{
    const bool vertical = orientation == kTopToBottom || orientation == kBottomToTop;
    const int64_t length = vertical ? height : width;
    const int64_t n = (length + 1) / 5;
    segmentCount = n > 0 ? static_cast<int32_t>(n) : 0;
    dirty = true;
}

void ZSegmentMeter::prepare(ZSurface&) { dirty = true; }

bool ZSegmentMeter::segmentLit(int32_t i, int32_t lit) const
{
    if (orientation == kRightToLeft || orientation == kBottomToTop) return i >= segmentCount - lit;
    return i < lit;
}

void ZSegmentMeter::draw(ZSurface& surface)
{
    const int32_t lit = litCount();
    if (lit == lastLit && !dirty) return;
    const bool vertical = orientation == kTopToBottom || orientation == kBottomToTop;
    // Segments past the clip rectangle would draw nothing.
    const int32_t visible = vertical ? surface.clipHeight() : surface.clipWidth();
    for (int32_t i = 0; i < segmentCount; ++i) {
        const int32_t p = 5 * i;
        if (p >= visible) break;
        const ZColour& inside = segmentLit(i, lit) ? on : off;
        if (vertical) {
            surface.fillRect(segment, 0, p, width, 4);
            surface.fillRect(inside, 1, p + 1, width - 2, 2);
        } else {
            surface.fillRect(segment, p, 0, 4, height);
            surface.fillRect(inside, p + 1, 1, 2, height - 2);
        }
    }
    lastLit = lit;
    dirty = false;
}

ZDefMeter::ZDefMeter(ZEffectLink* effect, const std::atomic<int32_t>* value, int32_t orientation, const ZColour& segment,
                     const ZColour& off, const ZColour& on)
    : ZSegmentMeter(effect, orientation, segment, off, on), value(value)
{}

int32_t ZDefMeter::litCount() const
{
    const int32_t v = value ? value->load(std::memory_order_relaxed) : 0;
    return v < 0 ? 0 : v > segmentCount ? segmentCount : v;
}

ZDefFracMeter::ZDefFracMeter(ZEffectLink* effect, const std::atomic<double>* value, int32_t orientation,
                             const ZColour& segment, const ZColour& off, const ZColour& on)
    : ZSegmentMeter(effect, orientation, segment, off, on), value(value)
{}

int32_t ZDefFracMeter::litCount() const
{
    double v = value ? value->load(std::memory_order_relaxed) : 0.0;
    if (!(v >= 0.0)) v = 0.0;  // also a value that is not a number
    if (v > 1.0) v = 1.0;
    return static_cast<int32_t>(segmentCount * v + 0.5);
}
