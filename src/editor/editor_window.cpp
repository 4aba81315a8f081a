#include "editor/editor_window.h"

#include <cmath>

#include "controls/control.h"
#include "controls/credit_strip.h"
#include "gui/surface.h"
#include "skin_resources/resources.h"
#include "skin/skin.h"

using namespace platform;

ZEditorWindow::ZEditorWindow(ZEffectLink* effect) : effect_(effect) {}

ZEditorWindow::~ZEditorWindow()
{
    // The window must not outlive its object: destroying it here still reaches onDestroy, but no
    // gesture is cancelled and no typed value is committed any more.
    tearingDown_ = true;
    destroy();
    destroySurface();
    delete skin_;
    skin_ = nullptr;
}

namespace {

int32_t scaled(int32_t size, double scale)
{
    return scale == 1.0 ? size : static_cast<int32_t>(std::floor(size * scale + 0.5));
}

}  // namespace

int32_t ZEditorWindow::clientWidth() const { return skin_ ? scaled(skin_->width, scale_) : 0; }

int32_t ZEditorWindow::clientHeight() const
{
    return skin_ ? scaled(skin_->height + kCreditStripHeight, scale_) : 0;
}

int32_t ZEditorWindow::toSkin(int32_t windowPixel) const
{
    if (scale_ == 1.0) return windowPixel;
    return static_cast<int32_t>(std::floor((windowPixel + 0.5) / scale_));
}

bool ZEditorWindow::setScale(double scale)
{
    if (!(scale >= ZSurface::kMinScale && scale <= ZSurface::kMaxScale)) return false;
    if (scale == scale_) return true;
    // A typed value is committed before the field's font and place change under it.
    if (handle_ && isWindow(handle_) && focusWindow() != handle_) {
        WindowHandle focus = focusWindow();
        if (focus && parentWindow(focus) == handle_) setFocus(handle_);
    }
    dropCapture();
    scale_ = scale;
    if (handle_ && isWindow(handle_)) {
        setWindowPosition(handle_, 0, 0, clientWidth(), clientHeight());
        rebuildSurface();
        invalidate();
    }
    return true;
}

void ZEditorWindow::fillCreateParams(CreateParams& params)
{
    params.style = static_cast<int32_t>(kWsChild | kWsVisible);
    params.cx = clientWidth();
    params.cy = clientHeight();
}

void ZEditorWindow::bindSkin(ZSkin* skin)
{
    if (skin_ == skin) return;
    captured_ = -1;
    delete skin_;
    skin_ = skin;
    if (!skin_) return;
    skin_->window = this;
    for (ZControl* control : skin_->controls) {
        if (!control) continue;
        control->attach(this);
        control->reset();
    }
    setPage(skin_->startPage);
}

LResult ZEditorWindow::onCreate(LParam createParams)
{
    defaultProc(kWmCreate, 0, createParams);
    rebuildSurface();
    return 0;
}

LResult ZEditorWindow::onDestroy()
{
    dropCapture();
    destroySurface();
    return defaultProc(kWmDestroy, 0, 0);
}

void ZEditorWindow::destroySurface()
{
    delete surface_;
    surface_ = nullptr;
    // The pictures made for a scale go with the surface that drew them (the next surface makes
    // them again); the skin's own pictures stay.
    if (skin_)
        for (ZResource* r : skin_->resources)
            if (r && r->isOfType(kImageResourceType)) static_cast<ZImageResource*>(r)->releaseScaledFrames();
}

void ZEditorWindow::invalidate()
{
    if (!handle_) return;
    if (!isWindow(handle_)) {
        handle_ = nullptr;
        return;
    }
    if (paintSuppressed_) return;
    invalidateWindow(handle_);
}

void ZEditorWindow::setPaintSuppressed(bool suppressed)
{
    paintSuppressed_ = suppressed;
    invalidate();
}

void ZEditorWindow::setPage(int32_t page)
{
    page_ = page;
    fullRedraw();
}

int32_t ZEditorWindow::currentPage() { return page_; }

void ZEditorWindow::beforePaint() {}

void ZEditorWindow::rebuildSurface()
{
    const int32_t w = clientWidth();
    const int32_t h = clientHeight();
    if (surface_ && surface_->width() == w && surface_->height() == h && surface_->scale() == scale_) {
        fullRedraw();
        return;
    }
    destroySurface();
    surface_ = ZSurface::create(handle_, skin_ ? skin_->width : 0, skin_ ? skin_->height + kCreditStripHeight : 0,
                                scale_);
    fullRedraw();
}

bool ZEditorWindow::controlShown(const ZControl* control) const { return control && control->onPage(page_); }

void ZEditorWindow::fullRedraw()
{
    if (!surface_ || !skin_) return;
    surface_->resetClip();
    if (ZImageResource* image = skin_->background) {
        int32_t frame = (page_ >= 1 && page_ <= skin_->pageCount) ? skin_->pageFrame(page_) : 0;
        if (frame < 0 || frame >= image->frameCount) frame = 0;
        image->drawImageFrame(surface_, frame);
    }
    drawCreditStrip(*surface_, effect_, skin_->width, skin_->height);
    for (ZControl* control : skin_->controls) {
        if (!controlShown(control)) continue;
        surface_->setClip(control->x, control->y, control->width, control->height);
        control->prepare(*surface_);
        surface_->resetClip();
    }
}

void ZEditorWindow::drawControls()
{
    if (!surface_ || !skin_) return;
    for (ZControl* control : skin_->controls) {
        if (!controlShown(control)) continue;
        surface_->setClip(control->x, control->y, control->width, control->height);
        control->draw(*surface_);
        surface_->resetClip();
    }
}

LResult ZEditorWindow::onPaint()
{
    PaintContext* paint = beginPaint(handle_);
    beforePaint();
    if (surface_) {
        drawControls();
        copyToWindow(paint, surface_->deviceContext(), surface_->pixels(), surface_->width(), surface_->height());
    }
    endPaint(paint);
    return 0;
}

void ZEditorWindow::route(Mouse kind, WParam keys, int32_t x, int32_t y)
{
    if (!skin_) return;
    const bool shift = (keys & kMkShift) != 0;
    const bool ctrl = (keys & kMkControl) != 0;
    const int32_t count = static_cast<int32_t>(skin_->controls.size());
    bool fromCapture = false;
    int32_t index = -1;
    if (captured_ >= 0 && captured_ < count) {
        index = captured_;
        fromCapture = true;
    } else {
        captured_ = -1;
        for (int32_t i = 0; i < count; ++i) {
            const ZControl* c = skin_->controls[i];
            if (controlShown(c) && c->contains(x, y)) {
                index = i;
                break;
            }
        }
    }
    if (index < 0) return;
    ZControl* control = skin_->controls[index];
    const int32_t lx = x - control->x;
    const int32_t ly = y - control->y;
    switch (kind) {
        case Mouse::LeftDown:
        case Mouse::RightDown: {
            const bool take = kind == Mouse::LeftDown ? control->leftDown(shift, ctrl, lx, ly)
                                                      : control->rightDown(shift, ctrl, lx, ly);
            if (take && !fromCapture) {
                captured_ = index;
                setCapture(handle_);
            }
            break;
        }
        case Mouse::LeftUp:
        case Mouse::RightUp: {
            const bool release =
                kind == Mouse::LeftUp ? control->leftUp(shift, ctrl, lx, ly) : control->rightUp(shift, ctrl, lx, ly);
            if (release) {
                // Forget the control before the capture goes, so the resulting capture change
                // does not cancel a gesture that has just ended.
                captured_ = -1;
                releaseCapture();
            }
            break;
        }
        case Mouse::Move: control->mouseMove(shift, ctrl, lx, ly); break;
    }
}

LResult ZEditorWindow::onLeftButtonDown(WParam keys, int32_t x, int32_t y)
{
    setFocus(handle_);
    route(Mouse::LeftDown, keys, toSkin(x), toSkin(y));
    return 0;
}

LResult ZEditorWindow::onRightButtonDown(WParam keys, int32_t x, int32_t y)
{
    setFocus(handle_);
    route(Mouse::RightDown, keys, toSkin(x), toSkin(y));
    return 0;
}

LResult ZEditorWindow::onLeftButtonUp(WParam keys, int32_t x, int32_t y)
{
    route(Mouse::LeftUp, keys, toSkin(x), toSkin(y));
    return 0;
}

LResult ZEditorWindow::onRightButtonUp(WParam keys, int32_t x, int32_t y)
{
    route(Mouse::RightUp, keys, toSkin(x), toSkin(y));
    return 0;
}

LResult ZEditorWindow::onMouseMove(WParam keys, int32_t x, int32_t y)
{
    route(Mouse::Move, keys, toSkin(x), toSkin(y));
    return 0;
}

void ZEditorWindow::dropCapture()
{
    const int32_t index = captured_;
    if (index < 0) return;
    captured_ = -1;
    if (!tearingDown_ && skin_ && index < static_cast<int32_t>(skin_->controls.size()))
        skin_->controls[index]->cancel();
    // Only our own capture: another window of the thread may hold it by now.
    if (handle_ && captureWindow() == handle_) releaseCapture();
}

LResult ZEditorWindow::onCaptureChanged(LParam /*newCapture*/)
{
    dropCapture();
    return 0;
}

LResult ZEditorWindow::onKillFocus(WParam /*gaining*/)
{
    dropCapture();
    return 0;
}
