// What the controls and the text entry may ask of the window that shows them: repaints, the page
// shown, and the window the text entry opens in. The editor window implements it, so the controls
// never know the editor itself.
#pragma once

#include <cmath>
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
    // The scale the window shows the skin at (1 to 3): its pixels per skin pixel.
    virtual double scale() const = 0;

    // The window pixel of a skin coordinate: round(v x scale).
    int32_t windowPixel(int32_t v) const
    {
        const double s = scale();
        return s == 1.0 ? v : static_cast<int32_t>(std::floor(v * s + 0.5));
    }
};
