// Speed of the built-in editor's paints at its own size (402 x 333), on the headless window
// system: the full redraw of a page change or new surface, a paint where nothing changed, a paint
// after one parameter change and one after a new history entry. The final copy to the screen is
// not part of any figure.
#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>

#include "dsp/history.h"
#include "editor/editor_window.h"
#include "frame_window.h"
#include "gui/window.h"
#include "effect/sarvo_effect.h"
#include "platform/window_system.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"

namespace {

// The effect with the built-in skin in an open editor window, histories full of a clipped signal.
struct OpenEditor {
    std::unique_ptr<SarvoEffect> effect;
    FrameWindow host{640, 480};
    std::unique_ptr<ZEditorWindow> window;
    ZHistory* histories[2] = {nullptr, nullptr};
    bool ready = false;

    OpenEditor()
    {
        effect.reset(new SarvoEffect(nullptr));
        // Below 20 Hz every push completes an entry: one push is one new entry.
        effect->setSampleRate(10.0f);
        SarvoSkinFactory factory(effect.get());
        ZSkin* skin = parseModuleSkin(&factory);
        if (!skin || skin->controls.size() != 10) {
            delete skin;
            return;
        }
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(skin);
        if (!host.create(nullptr) || !window->create(host.handle()) || !window->surface()) return;
        effect->setParameterValue(SarvoEffect::kSoftness, 0.4);
        histories[0] = static_cast<ZHistory*>(effect->findFeature("HistoryL")->data());
        histories[1] = static_cast<ZHistory*>(effect->findFeature("HistoryR")->data());
        for (int i = 0; i < ZHistory::kEntries; ++i) push(i);
        window->drawControls();
        ready = true;
    }
    void push(int i)
    {
        const double in = 0.9 * std::sin(i * 0.37), out = 0.6 * std::sin(i * 0.37);
        for (ZHistory* h : histories) h->push(-std::fabs(in) - 0.1, -std::fabs(out));
        for (ZHistory* h : histories) {
            const int32_t newest = h->indexBack(0);
            h->inputMax[newest].store(std::fabs(in) + 0.1);
            h->outputMax[newest].store(std::fabs(out));
        }
    }
};

OpenEditor& editor()
{
    static OpenEditor* e = new OpenEditor;
    return *e;
}

void BM_EditorFullRedraw(benchmark::State& state)
{
    OpenEditor& e = editor();
    if (!e.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    // 0: background, credit strip and every prepare; 1: followed by the paint that draws every control.
    const bool paint = state.range(0) != 0;
    for (auto _ : state) {
        e.window->fullRedraw();
        if (paint) e.window->drawControls();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EditorFullRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_EditorPaintUnchanged(benchmark::State& state)
{
    OpenEditor& e = editor();
    if (!e.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    e.window->drawControls();
    for (auto _ : state) {
        e.window->drawControls();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EditorPaintUnchanged);

// One step of a parameter (0 Gain, 1 Clip, 2 Softness, 3 Oversmp) back and forth, then the paint.
void BM_EditorPaintAfterParameterChange(benchmark::State& state)
{
    OpenEditor& e = editor();
    if (!e.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    const int32_t index = static_cast<int32_t>(state.range(0));
    const double step = index == SarvoEffect::kGain ? 1.0 / 120 : index == SarvoEffect::kOversample ? 1.0 : 0.01;
    const double base = index == SarvoEffect::kOversample ? 0.0 : 0.5;
    bool up = false;
    for (auto _ : state) {
        up = !up;
        e.effect->setParameterValue(index, up ? base + step : base);
        e.window->drawControls();
        benchmark::ClobberMemory();
    }
    e.effect->setParameterValue(index, e.effect->parameter(index)->defaultValue());
    e.window->drawControls();
}
BENCHMARK(BM_EditorPaintAfterParameterChange)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

void BM_EditorPaintAfterNewHistoryEntry(benchmark::State& state)
{
    OpenEditor& e = editor();
    if (!e.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    int i = 0;
    for (auto _ : state) {
        e.push(i++);
        e.window->drawControls();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EditorPaintAfterNewHistoryEntry)->Unit(benchmark::kMicrosecond);

}  // namespace
