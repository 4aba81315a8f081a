// Speed of the built-in editor's paints at its own size (402 x 333), on the headless window
// system: the full redraw of a page change or new surface, a paint after one parameter change and
// one after a new history entry (the paint where nothing changed is timed with the scales below). The final copy to the screen is
// not part of any figure.
//
// The editor at a scale: the full repaint and the unchanged paint at 1x, 1.5x and 2x, the ratios
// of the 2x paints to the 1x ones timed side by side in one loop (counter `ratio`; the goals are a
// full repaint at 2x within 4.5 times the 1x one and an unchanged paint about as cheap), and the
// heap one open editor takes at 2x (BM_EditorOpenHeap: its surface, snapshots, scaled fonts and,
// for the first editor of the module, the 2x image sets it decodes; the goal is under 8 MB).
#include <malloc.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>

#include <benchmark/benchmark.h>

#include "dsp/history.h"
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

// The effect with the built-in skin in an open editor window, histories full of a clipped signal.
struct OpenEditor {
    std::unique_ptr<SarvoEffect> effect;
    FrameWindow host{640, 480};
    std::unique_ptr<ZEditorWindow> window;
    ZHistory* histories[2] = {nullptr, nullptr};
    bool ready = false;

    explicit OpenEditor(double scale = 1.0)
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
        if (!window->setScale(scale)) return;
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

OpenEditor& editor(double scale = 1.0)
{
    static std::map<double, OpenEditor*> editors;
    OpenEditor*& e = editors[scale];
    if (!e) e = new OpenEditor(scale);
    return *e;
}

double seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

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

namespace {

// Benchmarks of the editor at a scale take the scale in hundredths as their argument.
double scaleArgument(const benchmark::State& state) { return static_cast<double>(state.range(0)) / 100.0; }

// Page background, credit strip, every prepare and the paint that draws every control, at the scale.
void BM_EditorFullRepaintAtScale(benchmark::State& state)
{
    OpenEditor& e = editor(scaleArgument(state));
    if (!e.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    for (auto _ : state) {
        e.window->fullRedraw();
        e.window->drawControls();
        benchmark::ClobberMemory();
    }
    state.counters["pixels"] = static_cast<double>(e.window->surface()->width()) * e.window->surface()->height();
}
BENCHMARK(BM_EditorFullRepaintAtScale)->Arg(100)->Arg(150)->Arg(200)->Unit(benchmark::kMicrosecond);

// The paint when nothing changed (at 1x this is the paint a host's idle call makes most often).
void BM_EditorPaintUnchangedAtScale(benchmark::State& state)
{
    OpenEditor& e = editor(scaleArgument(state));
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
BENCHMARK(BM_EditorPaintUnchangedAtScale)->Arg(100)->Arg(150)->Arg(200);

// The 2x editor against the 1x one in the same loop: every iteration times one repaint of each.
// Counter ratio: time at 2x / time at 1x. Argument 0: the full repaint; 1: the unchanged paint.
void BM_EditorScale2xAgainst1x(benchmark::State& state)
{
    OpenEditor& one = editor(1.0);
    OpenEditor& two = editor(2.0);
    if (!one.ready || !two.ready) {
        state.SkipWithError("the built-in skin did not make its editor");
        return;
    }
    const bool full = state.range(0) == 0;
    const auto repaint = [full](OpenEditor& e) {
        // An unchanged paint is too short to time alone: 100 of them.
        if (full) {
            e.window->fullRedraw();
            e.window->drawControls();
        } else {
            for (int i = 0; i < 100; ++i) e.window->drawControls();
        }
        benchmark::ClobberMemory();
    };
    one.window->drawControls();
    two.window->drawControls();
    double atOne = 0.0, atTwo = 0.0;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        repaint(one);
        const auto t1 = std::chrono::steady_clock::now();
        repaint(two);
        const auto t2 = std::chrono::steady_clock::now();
        atOne += seconds(t1 - t0);
        atTwo += seconds(t2 - t1);
    }
    state.counters["ratio"] = atOne > 0.0 ? atTwo / atOne : 0.0;
    state.counters["us_1x"] = atOne / static_cast<double>(state.iterations()) * 1e6 / (full ? 1 : 100);
    state.counters["us_2x"] = atTwo / static_cast<double>(state.iterations()) * 1e6 / (full ? 1 : 100);
}
BENCHMARK(BM_EditorScale2xAgainst1x)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

double heapInUse()
{
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks) + double(m.hblkhd);
}

// The heap one editor takes from its opening at the scale to its first paint: the surface, the
// controls' snapshots, the fonts of the scaled height and the pictures made for the scale. The
// first editor of the module decodes the scale's image sets (counter first_kb); every further one
// shares them (counter further_kb), as editors of several instances do.
void BM_EditorOpenHeap(benchmark::State& state)
{
    const double scale = scaleArgument(state);
    double first = 0.0, further = 0.0;
    int64_t counted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        std::unique_ptr<SarvoEffect> effects[2];
        std::unique_ptr<ZEditorWindow> windows[2];
        FrameWindow host(640, 480);
        host.create(nullptr);
        double taken[2] = {0.0, 0.0};
        for (int i = 0; i < 2; ++i) {
            effects[i].reset(new SarvoEffect(nullptr));
            SarvoSkinFactory factory(effects[i].get());
            ZSkin* skin = parseModuleSkin(&factory);
            windows[i].reset(new ZEditorWindow(effects[i].get()));
            windows[i]->bindSkin(skin);
            windows[i]->setScale(scale);
            state.ResumeTiming();
            const double before = heapInUse();
            windows[i]->create(host.handle());
            windows[i]->drawControls();
            taken[i] = heapInUse() - before;
            state.PauseTiming();
        }
        if (!windows[0]->surface() || !windows[1]->surface()) {
            state.SkipWithError("the editor did not open");
            return;
        }
        first += taken[0];
        further += taken[1];
        ++counted;
        windows[1].reset();
        windows[0].reset();
        state.ResumeTiming();
    }
    state.counters["first_kb"] = counted ? first / counted / 1024.0 : 0.0;
    state.counters["further_kb"] = counted ? further / counted / 1024.0 : 0.0;
}
BENCHMARK(BM_EditorOpenHeap)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->Iterations(5);

}  // namespace
