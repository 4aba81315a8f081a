#include "editor/editor.h"

#include <new>

#include "editor/editor_window.h"
#include "host/zplugin.h"
#include "platform/platform.h"
#include "platform/window_system.h"
#include "skin/skin.h"

ZEditor::ZEditor(ZPlugin* effect) : EditorBase(effect), plugin_(effect) {}

ZEditor::~ZEditor() { releaseWindow(); }

ZPlugin* ZEditor::plugin() { return plugin_; }

void ZEditor::setSkin(ZSkin* skin)
{
    if (!skin) return;
    releaseWindow();
    window_ = new (std::nothrow) ZEditorWindow(plugin());
    if (!window_) {
        delete skin;
        return;
    }
    window_->bindSkin(skin);
}

void ZEditor::releaseWindow()
{
    delete window_;
    window_ = nullptr;
}

bool ZEditor::getRect(ERect** rect)
{
    // The window's client size: the skin and the credit strip at the window's scale.
    rect_.top = 0;
    rect_.left = 0;
    rect_.bottom = static_cast<VstInt16>(window_ ? window_->clientHeight() : 0);
    rect_.right = static_cast<VstInt16>(window_ ? window_->clientWidth() : 0);
    if (rect) *rect = &rect_;
    return true;
}

bool ZEditor::setScale(double scale) { return window_ && window_->setScale(scale); }

double ZEditor::scale() const { return window_ ? window_->scale() : 1.0; }

bool ZEditor::open(void* parent)
{
    parent_ = parent;
    const bool made = window_ && window_->create(parent) != nullptr;
    if (plugin_) plugin_->editorOpened();
    // Where the host's message loop does not paint a new window (X11), it is painted now, so that
    // a host that never idles still shows the editor.
    if (made) platform::paintPendingWindows(window_->handle());
    // A host that is told the editor opened shows an empty frame when the window was not made.
    return made;
}

void ZEditor::close()
{
    if (window_) window_->destroy();
    if (plugin_) plugin_->editorClosed();
}

void ZEditor::idle()
{
    // Where no message loop of the host delivers the window's events (X11), they arrive here.
    if (window_ && window_->handle()) platform::processPendingEvents(window_->handle());
    const uint32_t now = platform::tickCountMs();
    if (redrawPending_.load(std::memory_order_relaxed) &&
        static_cast<uint32_t>(now - lastIdleRedraw_) > kIdleIntervalMs) {
        redrawNow();
        lastIdleRedraw_ = now;
    }
    if (window_ && window_->handle()) platform::paintPendingWindows(window_->handle());
}

void ZEditor::redrawNow()
{
    if (window_) window_->invalidate();
    redrawPending_.store(false, std::memory_order_relaxed);
}

void ZEditor::requestRedraw() { redrawPending_.store(true, std::memory_order_relaxed); }
