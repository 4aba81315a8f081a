// A small host that loads the plug-in module as a host does (dlopen or LoadLibrary, then
// VSTPluginMain, effOpen, sample rate, block size, resume) and times processReplacing and
// processDoubleReplacing over 10^7 frames in blocks of 512, with "Oversmp" off and on.
//
//   sarvo_timing_host MODULE [FRAMES [REPEATS]]
//
// Prints one line per case: "<entry> oversampling=<0|1> ns_per_frame=<figure>", the figure being the
// median time of a group of 16 blocks divided by its frames, and of several repeats the median.
// The same source builds natively and for Windows, so one script can compare a module under
// Wine with the native one (scripts/timing).
//
// On Linux the MODULE may also be the LV2 plug-in of the bundle (it exports lv2_descriptor): it is
// then run through LV2 with the same signal, settings and blocks ("lv2.run" lines, float only), so
// that bench/lv2_compare.sh can set the two formats side by side. And
//   sarvo_timing_host MODULE --lv2bench FRAMES
// runs a VST 2.x module as lilv's lv2bench runs an LV2 plug-in (48 kHz, default settings, silent
// input shared by both inputs, both outputs into one buffer, blocks of 512, one timed pass) and
// prints the seconds, as lv2bench does.
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <algorithm>
#include <vector>

#if defined(_WIN32)
#include <windows.h>
#else
#include <dlfcn.h>

#include "lv2/core/lv2.h"
#endif

#include "host/vst_abi.h"

namespace {

constexpr int32_t kBlock = 512;
constexpr int32_t kSignalFrames = 1 << 16;  // a whole number of blocks

VstIntPtr hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

using MainFunction = AEffect* (*)(audioMasterCallback);

MainFunction loadModule(const char* path)
{
#if defined(_WIN32)
    HMODULE module = LoadLibraryA(path);
    if (!module) return nullptr;
    FARPROC entry = GetProcAddress(module, "VSTPluginMain");
    MainFunction f;
    static_assert(sizeof f == sizeof entry, "function pointer size");
    std::memcpy(&f, &entry, sizeof f);
    return f;
#else
    void* module = dlopen(path, RTLD_NOW | RTLD_LOCAL);
    return module ? reinterpret_cast<MainFunction>(dlsym(module, "VSTPluginMain")) : nullptr;
#endif
}

// Music-like material that visits every branch of the curve (as the DSP benchmark's).
template <typename Sample>
void makeSignal(std::vector<Sample>& l, std::vector<Sample>& r)
{
    l.resize(kSignalFrames);
    r.resize(kSignalFrames);
    uint32_t noise = 2024;
    for (int32_t i = 0; i < kSignalFrames; ++i) {
        noise = noise * 1664525u + 1013904223u;
        const double n = (double(noise >> 8) / double(1u << 24) - 0.5) * 0.3;
        const double t = i;
        const double swell = 0.6 + 0.5 * std::sin(t * 0.00021);
        l[i] = static_cast<Sample>(swell * (0.8 * std::sin(t * 0.031) + 0.3 * std::sin(t * 0.177)) + n);
        r[i] = static_cast<Sample>(swell * (0.7 * std::sin(t * 0.027 + 1.0) + 0.35 * std::sin(t * 0.211)) - n);
    }
}

void call(AEffect* e, float** in, float** out, int32_t n) { e->processReplacing(e, in, out, n); }
void call(AEffect* e, double** in, double** out, int32_t n) { e->processDoubleReplacing(e, in, out, n); }

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : 0.5 * (v[n / 2 - 1] + v[n / 2]);
}

// The blocks are timed in groups of 16 (8192 frames) and the median group gives the figure: the
// machine may be shared, and a group that the scheduler interrupts then does not count, while the
// total over all blocks would. (A group is long enough for a clock of 100 ns steps.)
constexpr int32_t kGroup = 16;

template <typename Sample>
double nsPerFrame(AEffect* e, int64_t frames)
{
    std::vector<Sample> l, r, ol(kSignalFrames), orr(kSignalFrames);
    makeSignal(l, r);
    int32_t pos = 0;
    // Warm-up: one pass over the signal.
    for (int32_t i = 0; i < kSignalFrames; i += kBlock) {
        Sample* in[2] = {l.data() + i, r.data() + i};
        Sample* out[2] = {ol.data() + i, orr.data() + i};
        call(e, in, out, kBlock);
    }
    std::vector<double> blocks;
    blocks.reserve(size_t(frames / kBlock + 1));
    for (int64_t done = 0; done < frames; done += int64_t(kBlock) * kGroup) {
        const auto start = std::chrono::steady_clock::now();
        for (int32_t b = 0; b < kGroup; ++b) {
            Sample* in[2] = {l.data() + pos, r.data() + pos};
            Sample* out[2] = {ol.data() + pos, orr.data() + pos};
            call(e, in, out, kBlock);
            pos += kBlock;
            if (pos >= kSignalFrames) pos = 0;
        }
        const auto stop = std::chrono::steady_clock::now();
        blocks.push_back(std::chrono::duration<double, std::nano>(stop - start).count());
    }
    volatile Sample sink = ol[123] + orr[4567];
    (void)sink;
    return median(blocks) / (double(kBlock) * kGroup);
}

#if !defined(_WIN32)
// The LV2 plug-in through its descriptor: controls in display units, ports 0 to 3 audio, 4 to 7
// the parameters, 8 the enable port.
double lv2NsPerFrame(const LV2_Descriptor* d, bool oversampling, int64_t frames)
{
    LV2_Handle h = d->instantiate(d, 44100.0, "", nullptr);
    if (!h) return -1.0;
    float controls[5] = {3.8f, 80.0f, 30.0f, oversampling ? 1.0f : 0.0f, 1.0f};
    for (uint32_t p = 0; p < 5; ++p) d->connect_port(h, 4 + p, &controls[p]);
    d->activate(h);
    std::vector<float> l, r, ol(kSignalFrames), orr(kSignalFrames);
    makeSignal(l, r);
    auto run = [&](int32_t pos) {
        d->connect_port(h, 0, l.data() + pos);
        d->connect_port(h, 1, r.data() + pos);
        d->connect_port(h, 2, ol.data() + pos);
        d->connect_port(h, 3, orr.data() + pos);
        d->run(h, kBlock);
    };
    for (int32_t i = 0; i < kSignalFrames; i += kBlock) run(i);
    std::vector<double> blocks;
    int32_t pos = 0;
    for (int64_t done = 0; done < frames; done += int64_t(kBlock) * kGroup) {
        const auto start = std::chrono::steady_clock::now();
        for (int32_t b = 0; b < kGroup; ++b) {
            run(pos);
            pos += kBlock;
            if (pos >= kSignalFrames) pos = 0;
        }
        const auto stop = std::chrono::steady_clock::now();
        blocks.push_back(std::chrono::duration<double, std::nano>(stop - start).count());
    }
    d->deactivate(h);
    d->cleanup(h);
    return median(blocks) / (double(kBlock) * kGroup);
}
#endif

// The VST 2.x module under lv2bench's conditions; answers the seconds of the timed pass.
double lv2benchSeconds(AEffect* e, int64_t frames)
{
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    std::vector<float> in(kBlock), out(kBlock);
    float* inputs[2] = {in.data(), in.data()};
    float* outputs[2] = {out.data(), out.data()};
    const auto start = std::chrono::steady_clock::now();
    for (int64_t i = 0; i < frames / kBlock; ++i) e->processReplacing(e, inputs, outputs, kBlock);
    const auto stop = std::chrono::steady_clock::now();
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return std::chrono::duration<double>(stop - start).count();
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODULE [FRAMES [REPEATS]]\n", argv[0]);
        return 2;
    }
    const bool lv2bench = argc > 3 && std::strcmp(argv[2], "--lv2bench") == 0;
    const int64_t frames = lv2bench ? std::atoll(argv[3]) : argc > 2 ? std::atoll(argv[2]) : 10000000;
    const int repeats = !lv2bench && argc > 3 ? std::atoi(argv[3]) : 3;
#if !defined(_WIN32)
    if (void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL)) {
        auto lv2 = reinterpret_cast<LV2_Descriptor_Function>(dlsym(module, "lv2_descriptor"));
        if (const LV2_Descriptor* d = lv2 ? lv2(0) : nullptr) {
            for (int oversampling = 0; oversampling < 2; ++oversampling) {
                std::vector<double> f;
                for (int i = 0; i < repeats; ++i) f.push_back(lv2NsPerFrame(d, oversampling != 0, frames));
                std::printf("lv2.run oversampling=%d ns_per_frame=%.4f\n", oversampling, median(f));
            }
            return 0;
        }
    }
#endif
    MainFunction entry = loadModule(argv[1]);
    if (!entry) {
        std::fprintf(stderr, "cannot load %s\n", argv[1]);
        return 1;
    }
    AEffect* e = entry(&hostCallback);
    if (!e) {
        std::fprintf(stderr, "VSTPluginMain gave no effect\n");
        return 1;
    }
    if (lv2bench) {
        std::printf("%f\n", lv2benchSeconds(e, frames));
        return 0;
    }
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effSetSampleRate, 0, 0, nullptr, 44100.0f);
    e->dispatcher(e, effSetBlockSize, 0, kBlock, nullptr, 0.0f);
    e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
    // Gain 3.8 dB, Clip 80 %, Softness 30 %, as in the DSP benchmark.
    e->setParameter(e, 0, 38.0f / 120.0f);
    e->setParameter(e, 1, 0.8f);
    e->setParameter(e, 2, 0.3f);
    for (int oversampling = 0; oversampling < 2; ++oversampling) {
        e->setParameter(e, 3, oversampling ? 1.0f : 0.0f);
        std::vector<double> f, d;
        for (int i = 0; i < repeats; ++i) {
            f.push_back(nsPerFrame<float>(e, frames));
            d.push_back(nsPerFrame<double>(e, frames));
        }
        std::printf("processReplacing oversampling=%d ns_per_frame=%.4f\n", oversampling, median(f));
        std::printf("processDoubleReplacing oversampling=%d ns_per_frame=%.4f\n", oversampling, median(d));
    }
    e->dispatcher(e, effMainsChanged, 0, 0, nullptr, 0.0f);
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return 0;
}
