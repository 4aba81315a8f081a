// The editor window: a child of the host's window that shows the skin.
//
// It owns the skin (and with it the controls and resources) and an off-screen surface of its
// client size: the skin's width by its height plus the kCreditStripHeight rows of the credit strip. Controls
// never see messages: the window paints them into the surface and turns mouse messages into
// control calls, with a hit test in list order (edges included), a page filter and a capture.
//
// The window shows the skin at a scale (1 to 3): its client area is round(width x scale) by
// round((height + kCreditStripHeight) x scale) pixels and its surface draws at that resolution.
// Mouse positions are turned back into skin coordinates (the window pixel's centre divided by the
// scale, rounded down), so the controls, their hit tests and their drag distances stay in skin
// pixels whatever the scale.
#pragma once

#include <cstdint>

#include "gui/control_host.h"
#include "gui/window.h"

class ZEffectLink;
class ZSkin;
class ZSurface;
class ZControl;

class ZEditorWindow : public ZWindow, public ZControlHost {
public:
    explicit ZEditorWindow(ZEffectLink* effect);
    // Destroys a window that still exists, then the surface and the skin.
    ~ZEditorWindow() override;

    // Child, visible, at the parent's top-left corner, skin width x (skin height + kCreditStripHeight).
    void fillCreateParams(platform::CreateParams& params) override;

    LResult onCreate(LParam createParams) override;
    LResult onDestroy() override;
    LResult onPaint() override;
    LResult onLeftButtonDown(WParam keys, int32_t x, int32_t y) override;
    LResult onLeftButtonUp(WParam keys, int32_t x, int32_t y) override;
    LResult onRightButtonDown(WParam keys, int32_t x, int32_t y) override;
    LResult onRightButtonUp(WParam keys, int32_t x, int32_t y) override;
    LResult onMouseMove(WParam keys, int32_t x, int32_t y) override;
    LResult onCaptureChanged(LParam newCapture) override;
    LResult onKillFocus(WParam gaining) override;

    // Repaint request for the whole window; nothing while painting is suppressed or without a window.
    void invalidate() override;
    void setPaintSuppressed(bool suppressed) override;
    // Stores the page and performs the full redraw (callers invalidate).
    void setPage(int32_t page) override;
    int32_t currentPage() override;
    // Makes the surface if its size is not the wanted one, then performs the full redraw.
    virtual void rebuildSurface();
    virtual void beforePaint();

    // Takes ownership of the skin (before the window exists): every control gets attach and reset,
    // then the skin's start page is set. A skin bound before is destroyed.
    void bindSkin(ZSkin* skin);

    // Page background, credit strip, then every control's prepare.
    void fullRedraw();
    // Every control of the current page draws into the surface (what each paint does before the copy).
    void drawControls();
    // Client size: skin width x (skin height + kCreditStripHeight) at the scale, rounded; 0 x 0
    // without a skin.
    int32_t clientWidth() const;
    int32_t clientHeight() const;

    // Shows the skin at the scale from now on: false (nothing changed) outside
    // ZSurface::kMinScale..kMaxScale. An open window takes the new client size at once (a text
    // entry that is open is committed first) and is drawn again.
    bool setScale(double scale);
    double scale() const override { return scale_; }
    // The skin coordinate of a window pixel along one axis.
    int32_t toSkin(int32_t windowPixel) const;

    ZEffectLink* effect() const { return effect_; }
    ZSkin* skin() const { return skin_; }
    ZSurface* surface() const { return surface_; }
    int32_t capturedControl() const { return captured_; }
    // True while the object is being destroyed: its window goes without reaching the effect
    // (the effect may be half destroyed when it destroys its editor).
    bool tearingDown() const override { return tearingDown_; }
    WindowHandle handle() override { return ZWindow::handle(); }
    bool paintSuppressed() const { return paintSuppressed_; }

private:
    enum class Mouse { LeftDown, LeftUp, RightDown, RightUp, Move };
    void route(Mouse kind, WParam keys, int32_t x, int32_t y);
    // Cancels the captured control's gesture and gives up the capture.
    void dropCapture();
    void destroySurface();
    bool controlShown(const ZControl* control) const;

    ZEffectLink* effect_;
    ZSkin* skin_ = nullptr;
    ZSurface* surface_ = nullptr;
    int32_t captured_ = -1;
    bool paintSuppressed_ = false;
    int32_t page_ = 1;
    bool tearingDown_ = false;
    double scale_ = 1.0;
};
