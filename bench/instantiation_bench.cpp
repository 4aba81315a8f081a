// Instantiation speed: the host's VSTPluginMain call on the built module up to the returned
// descriptor (effect, sample rate, the built-in skin parsed and its three images decoded), next to
// libpng decoding the same three images to 8-bit RGBA alone (the reference of the ratios). The
// first instance of a module decodes the images; further ones, while any instance holds them,
// share them (BM_FirstInstance, BM_FurtherInstance, whose counter heap_kb is the heap one
// further instance with its skin takes).
//
// The module is Sarvo.so beside this program, or $SARVO_PLUGIN. Images that the module does not
// contain are skipped by the decoding benchmarks (which then report an error instead of a time).
#include <benchmark/benchmark.h>

#include "libpng_reference.h"

#include <dlfcn.h>
#include <malloc.h>
#include <unistd.h>

#include <csetjmp>
#include <cstring>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "host/effect_base.h"
#include "plugin/effect_factory.h"
#include "host/vst_abi.h"
#include "effect/sarvo_effect.h"
#include "platform/platform.h"
#include "skin_resources/resources.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"

#if SARVO_HAVE_LIBPNG
#include <png.h>
#endif

namespace {

const char* const kImages[] = {"ONDX_BG", "XQ_BIGPOT", "XQ_OVERSAMP"};

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

using MainFunction = AEffect* (*)(audioMasterCallback);

std::string modulePath()
{
    if (const char* env = std::getenv("SARVO_PLUGIN"))
        if (*env) return env;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return "Sarvo.so";
    std::string path(self, static_cast<size_t>(n));
    return path.substr(0, path.rfind('/') + 1) + "Sarvo.so";
}

MainFunction pluginMain()
{
    static void* handle = dlopen(modulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<MainFunction>(dlsym(handle, "VSTPluginMain")) : nullptr;
}

// The three images as the module stores them; false when any is missing.
bool moduleImages(std::vector<platform::ResourceView>& out)
{
    out.clear();
    for (const char* name : kImages) {
        platform::ResourceView view;
        if (!platform::findResource("PNG_FILE", name, view)) return false;
        out.push_back(view);
    }
    return true;
}

void BM_PluginMain(benchmark::State& state)
{
    MainFunction entry = pluginMain();
    if (!entry) {
        state.SkipWithError(("plug-in module not found: " + modulePath()).c_str());
        return;
    }
    bool editor = false;
    for (auto _ : state) {
        AEffect* effect = entry(&hostCallback);
        benchmark::DoNotOptimize(effect);
        state.PauseTiming();
        if (effect) {
            editor = (effect->flags & effFlagsHasEditor) != 0;
            effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
        }
        state.ResumeTiming();
    }
    state.counters["editor"] = editor ? 1 : 0;
}
BENCHMARK(BM_PluginMain)->Unit(benchmark::kMillisecond);

// The same work in this program: effect factory, sample rate, skin (no module loading involved).
void BM_EffectFactory(benchmark::State& state)
{
    for (auto _ : state) {
        EffectBase* effect = createEffectInstance(&hostCallback);
        benchmark::DoNotOptimize(effect);
        state.PauseTiming();
        delete effect;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_EffectFactory)->Unit(benchmark::kMillisecond);

// Only the skin: parse the built-in text with the clipper's factory, decoding the images.
void BM_ShippedSkinParse(benchmark::State& state)
{
    SarvoEffect effect(nullptr);
    SarvoSkinFactory factory(&effect);
    int64_t resources = 0;
    for (auto _ : state) {
        ZSkin* skin = parseModuleSkin(&factory);
        benchmark::DoNotOptimize(skin);
        resources = skin ? static_cast<int64_t>(skin->resources.size()) : 0;
        delete skin;
    }
    state.counters["resources"] = static_cast<double>(resources);
}
BENCHMARK(BM_ShippedSkinParse)->Unit(benchmark::kMillisecond);

// Our decoder on the three images, as the skin loads them (with the red/blue exchange).
void BM_ThreeImagesOwnDecoder(benchmark::State& state)
{
    std::vector<platform::ResourceView> images;
    if (!moduleImages(images)) {
        state.SkipWithError("the skin's images are not module resources yet");
        return;
    }
    for (auto _ : state) {
        for (const char* name : kImages) {
            std::unique_ptr<ZBitmap> bitmap(loadImageResource("PNG_FILE", name));
            benchmark::DoNotOptimize(bitmap.get());
        }
    }
}
BENCHMARK(BM_ThreeImagesOwnDecoder)->Unit(benchmark::kMillisecond);

// One effect as the factory makes it, keeping its skin (as the Windows builds do for their
// editor): the effect, the sample rate, and the module's skin parsed with its images.
struct Instance {
    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<ZSkin> skin;
};

Instance makeInstance() {
    Instance i;
    i.effect.reset(new SarvoEffect(&hostCallback));
    i.effect->setSampleRate(44100.0f);
    SarvoSkinFactory factory(i.effect.get());
    i.skin.reset(parseModuleSkin(&factory));
    return i;
}

// Bytes of heap in use (small blocks and mapped ones).
double heapInUse() {
    const struct mallinfo2 m = mallinfo2();
    return double(m.uordblks) + double(m.hblkhd);
}

// The first instance of the module: nothing else holds the images, so they are decoded.
void BM_FirstInstance(benchmark::State& state) {
    bool skin = true;
    for (auto _ : state) {
        Instance i = makeInstance();
        benchmark::DoNotOptimize(i.skin.get());
        skin = skin && i.skin;
        state.PauseTiming();
        i.skin.reset();  // the skin before the effect its controls refer to
        i.effect.reset();
        state.ResumeTiming();
    }
    if (!skin) state.SkipWithError("the module's skin did not parse");
}
BENCHMARK(BM_FirstInstance)->Unit(benchmark::kMillisecond);

// Each further instance while one instance is alive: the images are shared, not decoded again.
// Counter heap_kb: heap taken by one further instance with its skin.
void BM_FurtherInstance(benchmark::State& state) {
    const Instance first = makeInstance();
    if (!first.skin) return state.SkipWithError("the module's skin did not parse");
    std::vector<Instance> more;
    double heap = 0.0;
    int64_t counted = 0;
    for (auto _ : state) {
        const double before = heapInUse();
        more.push_back(makeInstance());
        const double after = heapInUse();
        benchmark::DoNotOptimize(more.back().skin.get());
        heap += after - before;
        ++counted;
        if (more.size() >= 64) {
            state.PauseTiming();
            more.clear();
            state.ResumeTiming();
        }
    }
    state.counters["heap_kb"] = counted ? heap / double(counted) / 1024.0 : 0.0;
}
BENCHMARK(BM_FurtherInstance)->Unit(benchmark::kMillisecond);

#if SARVO_HAVE_LIBPNG
// libpng to 8-bit RGBA rows, the same output our decoder gives.
bool libpngDecode(const platform::ResourceView& view, std::vector<unsigned char>& rgba)
{
    return libpngToRgba(view.data, view.size, rgba);
}

void BM_ThreeImagesLibpng(benchmark::State& state)
{
    std::vector<platform::ResourceView> images;
    if (!moduleImages(images)) {
        state.SkipWithError("the skin's images are not module resources yet");
        return;
    }
    for (auto _ : state) {
        for (const platform::ResourceView& view : images) {
            std::vector<unsigned char> out;
            if (!libpngDecode(view, out)) {
                state.SkipWithError("libpng could not decode an image");
                return;
            }
            benchmark::DoNotOptimize(out.data());
        }
    }
}
BENCHMARK(BM_ThreeImagesLibpng)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
