// Two host threads writing at once while audio runs, as real hosts do: automation on the audio
// thread and the user's knob on the interface thread, with program switches and chunk loads. After
// the writers stop, the curve in use must be the one of the stored values. Also: several threads
// making and closing instances at once. The ThreadSanitizer configuration runs all of these.
#include "dsp/clip_curve.h"
#include "plugin/effect_factory.h"
#include "effect/sarvo_effect.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <thread>
#include <vector>

#if defined(__unix__)
#include <pthread.h>
#include <signal.h>
#endif

namespace {

// A second core pauses a thread at any instruction on its own; the test makes that happen on
// purpose: the audio thread is stopped in a signal handler at a random moment and held there while
// the other thread goes on writing.
std::atomic<bool> gHold{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the handler needs a lock-free flag");

#if defined(__unix__)
std::atomic<int> gPaused{0};
void holdHere(int)
{
    if (gHold.load()) gPaused.fetch_add(1);
    while (gHold.load(std::memory_order_acquire)) {}
}
#endif

VstIntPtr quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

double soakSeconds(double fallback)
{
    const char* env = std::getenv("SARVO_SOAK_SECONDS");
    return env && *env ? std::atof(env) : fallback;
}

double storedValue(AEffect* e, int index)
{
    void* data = nullptr;
    const VstIntPtr size = e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f);
    if (size != 57 || !data) return NAN;
    double v;
    std::memcpy(&v, static_cast<unsigned char*>(data) + 25 + 8 * index, sizeof v);
    return v;
}

bool sameCurve(const ClipCurveValues& a, const ClipCurveValues& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

void pauseBriefly(std::mt19937& rng)
{
    const int r = static_cast<int>(rng() % 8);
    if (r == 0) std::this_thread::yield();
    if (r == 1) std::this_thread::sleep_for(std::chrono::microseconds(5));
}

// Thread A automates Gain and Softness, thread B turns Clip and now and then switches programs or
// loads a program chunk; the audio thread processes throughout. Once both stop, the effect's curve
// and the next block's output must match the stored values exactly.
TEST(TwoWriterSoak, CurveFollowsTheLastStoredValues)
{
    SarvoEffect* fx = static_cast<SarvoEffect*>(createEffectInstance(quietHost));
    ASSERT_NE(fx, nullptr);
    AEffect* e = fx->getDescriptor();
    const double seconds = soakSeconds(3.0);
    const int maxTrials = 4000;

    // Thread A is the host's audio thread: it automates Gain and Softness between blocks. This
    // thread is the user-interface thread: it turns Clip, switches programs and loads chunks. Each
    // trial starts both bursts together; after both end, one block here must use the right curve.
    std::atomic<int> go{0}, done{0};
    std::atomic<bool> quit{false}, running{false};
    std::thread a([&] {
        std::vector<double> l(32, 0.3), r(32, -0.7), ol(32), orr(32);
        double* in[2] = {l.data(), r.data()};
        double* out[2] = {ol.data(), orr.data()};
        for (int trial = 1;; ++trial) {
            while (go.load(std::memory_order_acquire) < trial) {
                if (quit.load(std::memory_order_acquire)) return;
                std::this_thread::yield();
            }
            std::mt19937 rng(static_cast<unsigned>(trial));
            std::uniform_real_distribution<double> v(0.0, 1.0);
            do {
                e->setParameter(e, SarvoEffect::kGain, static_cast<float>(v(rng)));
                if (!running.load(std::memory_order_acquire)) break;
                e->setParameter(e, SarvoEffect::kSoftness, static_cast<float>(v(rng)));
                if (!running.load(std::memory_order_acquire)) break;
                e->processDoubleReplacing(e, in, out, 32);
            } while (running.load(std::memory_order_acquire));
            done.store(trial, std::memory_order_release);
        }
    });

    int trials = 0, wrong = 0;
    std::vector<double> xl(200), xr(200), yl(200), yr(200);
    for (int i = 0; i < 200; ++i) {
        xl[i] = -2.0 + 4.0 * i / 199.0;
        xr[i] = 1.5 - 3.0 * i / 199.0;
    }
#if defined(__unix__)
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = holdHere;
    sigemptyset(&action.sa_mask);
    sigaction(SIGUSR1, &action, nullptr);
    const pthread_t audioThread = a.native_handle();
#endif
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> v(0.0, 1.0);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (trials < maxTrials && std::chrono::steady_clock::now() < end) {
        running.store(true, std::memory_order_release);
        const int trial = go.fetch_add(1, std::memory_order_acq_rel) + 1;
        const unsigned pauseAt = rng() % 8;
        (void)pauseAt;  // the pause needs signals, which only POSIX has
        for (int k = 0; k < 8; ++k) {
#if defined(__unix__)
            if (k == static_cast<int>(pauseAt)) {
                gHold.store(true, std::memory_order_release);
                pthread_kill(audioThread, SIGUSR1);
            }
#endif
            const unsigned what = rng() % 8;
            if (what == 0) {
                e->dispatcher(e, effSetProgram, 0, static_cast<VstIntPtr>(rng() % 10), nullptr, 0.0f);
            } else if (what == 1) {
                unsigned char record[57] = {'T', 0};
                const double values[4] = {v(rng), v(rng), v(rng), 0.0};
                std::memcpy(record + 25, values, sizeof values);
                e->dispatcher(e, effSetChunk, 1, 57, record, 0.0f);
            } else {
                e->setParameter(e, SarvoEffect::kClip, static_cast<float>(v(rng)));
            }
            pauseBriefly(rng);
        }
        running.store(false, std::memory_order_release);
        gHold.store(false, std::memory_order_release);
        while (done.load(std::memory_order_acquire) < trial) std::this_thread::yield();

        double norm[3];
        for (int i = 0; i < 3; ++i) norm[i] = storedValue(e, i);
        const ClipCurveValues want = clipCurveFromNormalised(norm[0], norm[1], norm[2]);
        double* in[2] = {xl.data(), xr.data()};
        double* out[2] = {yl.data(), yr.data()};
        e->processDoubleReplacing(e, in, out, 200);
        bool ok = sameCurve(fx->curveValues(), want) && !fx->oversampling();
        for (int i = 0; i < 200 && ok; ++i)
            ok = yl[i] == clipSample(want, want.gainFactor * xl[i]) &&
                yr[i] == clipSample(want, want.gainFactor * xr[i]);
        if (!ok) ++wrong;
        ++trials;
    }
    quit.store(true, std::memory_order_release);
    a.join();
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
#if defined(__unix__)
    std::printf("%d trials, %d paused, %d wrong\n", trials, gPaused.load(), wrong);
#else
    std::printf("%d trials, %d wrong\n", trials, wrong);
#endif
    EXPECT_GT(trials, 100);
    EXPECT_EQ(wrong, 0) << "curves that disagree with the stored values in " << trials << " trials";
}

// Four threads make, use and close instances for a few seconds.
TEST(InstancesSoak, FourThreadsInstantiateAndClose)
{
    const double seconds = soakSeconds(3.0);
    std::atomic<int> made{0}, failed{0};
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&] {
            float l[64] = {0.5f}, r[64] = {-0.5f};
            float* io[2] = {l, r};
            while (std::chrono::steady_clock::now() < end) {
                EffectBase* fx = createEffectInstance(quietHost);
                if (!fx) {
                    failed.fetch_add(1);
                    continue;
                }
                AEffect* e = fx->getDescriptor();
                e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
                e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
                e->processReplacing(e, io, io, 64);
                if (!(e->flags & effFlagsHasEditor)) failed.fetch_add(1);  // the skin did not load
                e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
                made.fetch_add(1);
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_GT(made.load(), 4);
    EXPECT_EQ(failed.load(), 0);
}

}  // namespace
