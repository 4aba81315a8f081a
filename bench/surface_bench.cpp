// Speed of the surface primitives at the sizes the editor uses: a knob-sized disc, a wave
// display polyline, one knob frame and a full-surface fill of the shipped skin's window.
#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>

#include "gui/surface.h"

namespace {

constexpr int kWidth = 402;
constexpr int kHeight = 333;

std::unique_ptr<ZSurface> makeSurface()
{
    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, kWidth, kHeight));
    for (int i = 0; s && i < kWidth * kHeight; ++i) s->pixels()[i] = 0x203040u + static_cast<uint32_t>(i % 97);
    return s;
}

void BM_FillDiscRadius20(benchmark::State& state)
{
    auto s = makeSurface();
    const ZColour colour = {230, 180, 40, static_cast<uint8_t>(state.range(0))};
    for (auto _ : state) {
        s->fillDisc(colour, 100.3, 80.7, 20.0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FillDiscRadius20)->Arg(255)->Arg(160);

// The transfer-curve graph: 36 points 5 pixels apart, rising along a soft-clip curve to a flat
// top (state.range(0) == 0), or a steep wave across a wider display (1).
void BM_DrawPolyline36(benchmark::State& state)
{
    auto s = makeSurface();
    ZPointD points[36];
    if (state.range(0) == 0) {
        s->setClip(200, 20, 195, 140);
        for (int i = 0; i < 36; ++i) {
            const double x = i / 35.0 * 1.6;
            const double y = x < 0.6 ? x : x > 1.2 ? 0.9 : 0.6 + (x - 0.6) - (x - 0.6) * (x - 0.6) / 1.2;
            points[i] = ZPointD{10.0 + 5.0 * i, 126.0 - 110.0 * y};
        }
    } else {
        s->setClip(20, 40, 300, 120);
        for (int i = 0; i < 36; ++i) points[i] = ZPointD{4.0 + i * 8.3, 60.0 + 45.0 * std::sin(i * 0.55)};
    }
    const ZColour colour = {40, 220, 120, 255};
    for (auto _ : state) {
        s->drawPolyline(colour, points, 36);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawPolyline36)->Arg(0)->Arg(1);

void BM_BlendBitmap42x44(benchmark::State& state)
{
    auto s = makeSurface();
    // A knob frame: an opaque disc with an anti-aliased rim on a transparent background.
    ZBitmap knob(42, 44);
    for (int y = 0; y < 44; ++y) {
        for (int x = 0; x < 42; ++x) {
            const double d = std::hypot(x + 0.5 - 21.0, y + 0.5 - 22.0);
            const double cover = d < 18.0 ? 1.0 : d > 20.0 ? 0.0 : (20.0 - d) / 2.0;
            const uint32_t alpha = static_cast<uint32_t>(cover * 255.0);
            knob.pixels[y * 42 + x] = (alpha << 24) | 0x8090A0u;
        }
    }
    s->setClip(150, 120, 42, 44);
    for (auto _ : state) {
        s->blendBitmap(0, 0, 42, 44, 0, 0, &knob);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendBitmap42x44);

void BM_FillRectFullSurface(benchmark::State& state)
{
    auto s = makeSurface();
    const ZColour colour = {16, 24, 32, static_cast<uint8_t>(state.range(0))};
    for (auto _ : state) {
        s->fillRect(colour, 0, 0, kWidth, kHeight);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_FillRectFullSurface)->Arg(255)->Arg(128);

}  // namespace
