// The editor object the host's editor requests talk to. It owns the editor window (which owns the
// skin); it lives as long as the effect, across any number of openings.
#pragma once

#include <atomic>
#include <cstdint>

#include "host/editor_base.h"

class ZPlugin;
class ZSkin;
class ZEditorWindow;

class ZEditor : public EditorBase {
public:
    explicit ZEditor(ZPlugin* effect);
    // Destroys the window object (a Win32 window still open goes first), the skin with it.
    ~ZEditor() override;

    // 0, 0, skin height + kCreditStripHeight, skin width (top, left, bottom, right), at the scale.
    bool getRect(ERect** rect) override;
    // The scale the editor is shown at (1 to 3; 1 until set): false without a window object or
    // outside the range. An open editor's window resizes at once.
    bool setScale(double scale);
    double scale() const;
    // Makes the window as a child of the host's window and tells the effect; true when the window
    // was made.
    bool open(void* parent) override;
    // Destroys the window (the objects stay for the next opening) and tells the effect.
    void close() override;
    // Delivers the window's waiting events (where the host does not), repaints when audio was
    // processed since the last repaint and more than 40 ms have passed, and paints what waits.
    void idle() override;
    void redrawNow() override;
    void requestRedraw() override;

    virtual ZPlugin* plugin();
    // Makes the window object and binds the skin to it (owned from now on). Null does nothing.
    virtual void setSkin(ZSkin* skin);
    virtual void releaseWindow();

    ZEditorWindow* window() const { return window_; }
    bool redrawPending() const { return redrawPending_.load(std::memory_order_relaxed); }
    uint32_t lastIdleRedraw() const { return lastIdleRedraw_; }

    static constexpr uint32_t kIdleIntervalMs = 40;

private:
    ZPlugin* plugin_;
    ZEditorWindow* window_ = nullptr;
    ERect rect_{};
    std::atomic<bool> redrawPending_{false};
    uint32_t lastIdleRedraw_ = 0;
};
