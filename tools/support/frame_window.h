// The host's frame window that an editor opens in, for the programs that open the editor with the
// framework's own code: the picture tools (sarvo-host screenshot, sarvo-gallery) and the editor
// benchmarks. Not part of the plug-in.
#pragma once

#include <cstdint>

#include "gui/window.h"
#include "platform/window_system.h"

class FrameWindow : public ZWindow {
public:
    // A visible overlapped window of the given client size.
    explicit FrameWindow(int32_t width = 1024, int32_t height = 1024) : width_(width), height_(height) {}
    ~FrameWindow() override { destroy(); }

    void fillCreateParams(platform::CreateParams& p) override
    {
        p.style = static_cast<int32_t>(platform::kWsOverlappedWindow | platform::kWsVisible);
        p.cx = width_;
        p.cy = height_;
    }

private:
    int32_t width_;
    int32_t height_;
};
