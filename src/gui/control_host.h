// What the controls and the text entry may ask of the window that shows them: repaints, the page
// shown, and the window the text entry opens in. The editor window implements it, so the controls
// never know the editor itself.
#pragma once

#include <cstdint>

#include "platform/window_system.h"

class ZControlHost {
public:
    virtual ~ZControlHost() = default;
    // Repaint request for the whole window.
    virtual void invalidate() = 0;
    // Stores the page and redraws everything.
    virtual void setPage(int32_t page) = 0;
    virtual int32_t currentPage() = 0;
    // While suppressed (a text entry is open) the window does not paint.
    virtual void setPaintSuppressed(bool suppressed) = 0;
    // True while the window is being destroyed: nothing may reach the effect any more.
    virtual bool tearingDown() const = 0;
    // The native window, the parent of a text entry.
    virtual platform::WindowHandle handle() = 0;
};
