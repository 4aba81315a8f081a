// The audio path's promises: no allocation in the process calls, and a clean soak with another thread
// changing parameters, programs, bypass and oversampling while audio runs.
#include "plugin/effect_factory.h"
#include "effect/sarvo_effect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <new>
#include <random>
#include <string>
#include <thread>
#include <vector>

// Every allocation of the test program passes through these.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
namespace {
std::atomic<long> gAllocations{0};
}

void* operator new(std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size)
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    gAllocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace {

VstIntPtr silentHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct EffectHandle {
    EffectHandle() : effect(static_cast<SarvoEffect*>(createEffectInstance(silentHost))) {}
    ~EffectHandle()
    {
        AEffect* e = effect->getDescriptor();
        e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    }
    SarvoEffect* effect;
};

TEST(RealtimeAudioPath, ProcessCallsAllocateNothing)
{
    EffectHandle h;
    SarvoEffect& fx = *h.effect;
    h.effect->editorOpened();  // capture on: the history path runs too
    std::vector<float> fL(4096), fR(4096);
    std::vector<double> dL(4096), dR(4096);
    for (int i = 0; i < 4096; ++i) {
        fL[i] = fR[i] = static_cast<float>(1.7 * std::sin(i * 0.03));
        dL[i] = dR[i] = 1.7 * std::sin(i * 0.03);
    }
    float* fio[2] = {fL.data(), fR.data()};
    double* dio[2] = {dL.data(), dR.data()};
    fx.setParameterValue(SarvoEffect::kSoftness, 0.4);
    const long before = gAllocations.load();
    for (int round = 0; round < 200; ++round) {
        fx.setBypass(round % 7 == 0);
        // The host may change parameters from any thread between blocks; that path must not allocate either.
        fx.setParameter(SarvoEffect::kOversample, (round / 3) % 2 ? 1.0f : 0.0f);
        fx.setParameter(SarvoEffect::kGain, static_cast<float>((round % 13) / 13.0));
        const int frames = 1 + (round * 97) % 4096;
        fx.processReplacing(fio, fio, frames);
        fx.processDoubleReplacing(dio, dio, frames);
        fx.process(fio, fio, frames % 64);
    }
    EXPECT_EQ(gAllocations.load() - before, 0);
    fx.editorClosed();
}

// One thread plays random loud audio in random block sizes; another changes everything at random.
// Whenever nothing changed during a block, every sample must be within the clip level of that moment
// (or equal the input while bypassed). Runs SARVO_SOAK_SECONDS seconds (default 2).
TEST(RealtimeAudioPath, SoakWithConcurrentChanges)
{
    EffectHandle h;
    SarvoEffect& fx = *h.effect;
    fx.editorOpened();
    const char* env = std::getenv("SARVO_SOAK_SECONDS");
    const double seconds = env && *env ? std::atof(env) : 2.0;

    std::atomic<bool> stop{false};
    std::atomic<unsigned> epoch{0};  // odd while a change is in progress
    std::atomic<long> checkedBlocks{0}, violations{0};

    std::thread audio([&] {
        std::mt19937 rng(1234);
        std::uniform_real_distribution<double> loud(-4.0, 4.0);
        std::uniform_int_distribution<int> blockSize(1, 2048);
        std::vector<float> inL(2048), inR(2048), outL(2048), outR(2048);
        std::vector<double> dInL(2048), dInR(2048), dOutL(2048), dOutR(2048);
        bool useDouble = false;
        while (!stop.load(std::memory_order_relaxed)) {
            const int n = blockSize(rng);
            for (int i = 0; i < n; ++i) {
                dInL[i] = loud(rng);
                dInR[i] = loud(rng);
                inL[i] = static_cast<float>(dInL[i]);
                inR[i] = static_cast<float>(dInR[i]);
            }
            const unsigned before = epoch.load(std::memory_order_acquire);
            const double level = fx.curveValues().clipLevel;
            const bool bypassed = fx.bypassed();
            useDouble = !useDouble;
            if (useDouble) {
                double* ins[2] = {dInL.data(), dInR.data()};
                double* outs[2] = {dOutL.data(), dOutR.data()};
                fx.processDoubleReplacing(ins, outs, n);
            } else {
                float* ins[2] = {inL.data(), inR.data()};
                float* outs[2] = {outL.data(), outR.data()};
                fx.processReplacing(ins, outs, n);
            }
            const unsigned after = epoch.load(std::memory_order_acquire);
            if (before != after || (before & 1u)) continue;
            checkedBlocks.fetch_add(1, std::memory_order_relaxed);
            for (int i = 0; i < n; ++i) {
                const double l = useDouble ? dOutL[i] : outL[i];
                const double r = useDouble ? dOutR[i] : outR[i];
                const double xl = useDouble ? dInL[i] : inL[i];
                const double xr = useDouble ? dInR[i] : inR[i];
                const bool ok =
                    bypassed ? (l == xl && r == xr) : (std::fabs(l) <= level + 1e-7 && std::fabs(r) <= level + 1e-7);
                if (!ok) violations.fetch_add(1, std::memory_order_relaxed);
            }
        }
    });

    std::mt19937 rng(99);
    std::uniform_int_distribution<int> what(0, 6);
    std::uniform_real_distribution<double> value(0.0, 1.0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long changes = 0;
    while (std::chrono::steady_clock::now() < end) {
        epoch.fetch_add(1, std::memory_order_acq_rel);
        switch (what(rng)) {
            case 0: fx.setParameter(SarvoEffect::kGain, static_cast<float>(value(rng))); break;
            case 1: fx.setParameter(SarvoEffect::kClip, static_cast<float>(0.05 + 0.95 * value(rng))); break;
            case 2: fx.setParameterValue(SarvoEffect::kSoftness, value(rng)); break;
            case 3: fx.setParameter(SarvoEffect::kOversample, value(rng) < 0.5 ? 0.0f : 1.0f); break;
            case 4: fx.setBypass(value(rng) < 0.3); break;
            case 5: fx.setProgram(static_cast<VstInt32>(value(rng) * 10)); break;
            case 6: {
                std::string text = std::to_string(static_cast<int>(value(rng) * 100));
                fx.string2Parameter(SarvoEffect::kClip, &text[0]);
                break;
            }
        }
        epoch.fetch_add(1, std::memory_order_acq_rel);
        ++changes;
        std::this_thread::sleep_for(std::chrono::microseconds(200 + (changes % 5) * 300));
    }
    stop.store(true);
    audio.join();
    fx.editorClosed();
    EXPECT_GT(checkedBlocks.load(), 10);
    EXPECT_EQ(violations.load(), 0);
}

}  // namespace
