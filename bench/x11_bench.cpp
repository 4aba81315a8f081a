// The X11 window system's copy to the window, on the X server DISPLAY names (skipped without
// one): a full 402 x 333 copy, the copy of one knob's 42 x 44 rectangle, a full repaint of the
// built-in editor with its copy, and an idle call that finds nothing to do. The reference is a
// plain copy of the window's pixels in memory, in the same run.
//
// Goals: a full repaint with its copy within 1 ms; an unchanged idle within 20 microseconds.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>

#include "editor/editor.h"
#include "editor/editor_window.h"
#include "frame_window.h"
#include "gui/surface.h"
#include "gui/window.h"
#include "effect/sarvo_effect.h"
#include "platform/window_system.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"

namespace {

constexpr int kWidth = 402, kHeight = 333;

// The built-in editor open in an X11 window on the root window (no host frame needed).
struct X11Editor {
    std::unique_ptr<SarvoEffect> effect;
    ZEditor* editor = nullptr;  // owned by the effect
    FrameWindow frame{420, 360};
    platform::WindowHandle window = nullptr;

    X11Editor()
    {
        platform::selectWindowSystem(platform::x11WindowSystem());
        effect.reset(new SarvoEffect(nullptr));
        effect->setSampleRate(44100.0f);
        SarvoSkinFactory factory(effect.get());
        ZSkin* skin = parseModuleSkin(&factory);
        if (!skin) return;
        editor = new ZEditor(effect.get());
        editor->setSkin(skin);
        effect->setEditor(editor);
        if (!frame.create(nullptr)) return;
        if (!editor->open(frame.handle())) return;
        window = editor->window()->handle();
        for (int i = 0; i < 5; ++i) editor->idle();
    }
    ~X11Editor()
    {
        if (editor) editor->close();
        effect.reset();
        frame.destroy();
        platform::selectWindowSystem(platform::headlessWindowSystem());
    }
    bool ready() const { return window != nullptr; }
    void copy(const uint32_t* pixels)
    {
        platform::PaintContext* paint = platform::beginPaint(window);
        platform::copyToWindow(paint, nullptr, pixels, kWidth, kHeight);
        platform::endPaint(paint);
    }
};

// One editor for every benchmark and every run of one (a window per run would measure the server's
// connection handling as well).
X11Editor& sharedEditor()
{
    static X11Editor* editor = new X11Editor;
    return *editor;
}

bool haveDisplay(benchmark::State& state)
{
    const char* d = std::getenv("DISPLAY");
    if (d && *d) return true;
    state.SkipWithError("no DISPLAY");
    return false;
}

// Two pictures that differ in every pixel, or only in one knob's rectangle.
void pictures(std::vector<uint32_t>& a, std::vector<uint32_t>& b, bool knobOnly)
{
    a.assign(static_cast<size_t>(kWidth) * kHeight, 0);
    for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint32_t>(i * 2654435761u) & 0xFFFFFFu;
    b = a;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (!knobOnly || (x >= 22 && x < 64 && y >= 18 && y < 62))
                b[static_cast<size_t>(y) * kWidth + x] ^= 0x5A5A5A;
}

void BM_MemoryCopyOfTheWindow(benchmark::State& state)
{
    std::vector<uint32_t> a, b;
    pictures(a, b, false);
    for (auto _ : state) {
        std::memcpy(b.data(), a.data(), a.size() * 4);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_MemoryCopyOfTheWindow);

void copyBench(benchmark::State& state, bool knobOnly)
{
    if (!haveDisplay(state)) return;
    X11Editor& e = sharedEditor();
    if (!e.ready()) {
        state.SkipWithError("the editor window could not be made");
        return;
    }
    std::vector<uint32_t> a, b;
    pictures(a, b, knobOnly);
    e.copy(a.data());
    bool flip = false;
    for (auto _ : state) {
        e.copy(flip ? a.data() : b.data());
        flip = !flip;
    }
}

void BM_X11CopyFullWindow(benchmark::State& state) { copyBench(state, false); }
BENCHMARK(BM_X11CopyFullWindow)->Unit(benchmark::kMicrosecond);

void BM_X11CopyKnobRectangle(benchmark::State& state) { copyBench(state, true); }
BENCHMARK(BM_X11CopyKnobRectangle)->Unit(benchmark::kMicrosecond);

// Page background, credit strip, every control prepared and drawn, the whole window copied.
void BM_X11FullRepaintWithCopy(benchmark::State& state)
{
    if (!haveDisplay(state)) return;
    X11Editor& e = sharedEditor();
    if (!e.ready()) {
        state.SkipWithError("the editor window could not be made");
        return;
    }
    ZEditorWindow* w = e.editor->window();
    std::vector<uint32_t> a, b;
    pictures(a, b, false);
    bool flip = false;
    for (auto _ : state) {
        // The copy alternates with another picture so that every pixel goes to the server.
        e.copy(flip ? a.data() : b.data());
        flip = !flip;
        w->fullRedraw();
        w->drawControls();
        e.copy(w->surface()->pixels());
    }
    state.counters["copies"] = 2;
}
BENCHMARK(BM_X11FullRepaintWithCopy)->Unit(benchmark::kMicrosecond);

// The host's idle call with no event waiting and nothing to repaint.
void BM_X11UnchangedIdle(benchmark::State& state)
{
    if (!haveDisplay(state)) return;
    X11Editor& e = sharedEditor();
    if (!e.ready()) {
        state.SkipWithError("the editor window could not be made");
        return;
    }
    for (auto _ : state) e.editor->idle();
}
BENCHMARK(BM_X11UnchangedIdle)->Unit(benchmark::kMicrosecond);

}  // namespace
