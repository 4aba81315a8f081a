// Random host behaviour through the loaded module: random opcode sequences with random and wild
// values (out of range, non-finite, odd chunk sizes and bytes), random block sizes and input with
// NaN, infinities and 3.4e38. After every step the effect must keep its promises: finite output
// for finite input, bypass exact, output within the clip level, silence after a reset stays
// silent, getParameter finite, texts terminated within their fields, chunk sizes right. Every round
// loads the module, runs one seed on one instance, closes it and unloads the module.
//
// SARVO_STRESS_SECONDS bounds the run (default 2), SARVO_STRESS_SEED runs one seed only. A failing
// seed is cut down to the fewest steps that still fail and printed.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

VstIntPtr stressHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

using Rng = std::mt19937_64;

double wildDouble(Rng& rng)
{
    const double inf = std::numeric_limits<double>::infinity();
    const double table[] = {0.0,   -0.0,    1.0,      0.5,     0.49999,  -0.5, 1.5,  2.0,          1e300,  -1e300,
                            1e200, FLT_MAX, -FLT_MAX, DBL_MAX, -DBL_MAX, inf,  -inf, std::nan(""), 1e-310, 3.4e38};
    switch (rng() % 3) {
        case 0: return std::uniform_real_distribution<double>(0.0, 1.0)(rng);
        case 1: return std::uniform_real_distribution<double>(-1e3, 1e3)(rng);
        default: return table[rng() % (sizeof table / sizeof table[0])];
    }
}

float wildSample(Rng& rng)
{
    const float inf = std::numeric_limits<float>::infinity();
    const float table[] = {0.0f, std::nanf(""), inf, -inf, 3.4e38f, -3.4e38f, 1e-40f, 1.0f, -1.0f};
    if (rng() % 16 == 0) return table[rng() % (sizeof table / sizeof table[0])];
    return std::uniform_real_distribution<float>(-4.0f, 4.0f)(rng);
}

enum class Kind { Process, ProcessDouble, SetParameter, Dispatch, SetChunk };

struct Step {
    Kind kind;
    VstInt32 opcode = 0;
    VstInt32 index = 0;
    VstIntPtr value = 0;
    float opt = 0.0f;
    double number = 0.0;
    std::uint64_t seed = 0;  // input samples, chunk bytes or text
    int frames = 0;
    bool silent = false;
};

std::string describe(const Step& s)
{
    std::ostringstream o;
    o.precision(17);
    switch (s.kind) {
        case Kind::Process:
        case Kind::ProcessDouble:
            o << (s.kind == Kind::Process ? "processReplacing" : "processDoubleReplacing") << " frames " << s.frames
              << (s.silent ? " silence" : " input seed ") << (s.silent ? "" : std::to_string(s.seed));
            break;
        case Kind::SetParameter: o << "setParameter(" << s.index << ", " << static_cast<float>(s.number) << ")"; break;
        case Kind::SetChunk:
            o << "effSetChunk preset " << s.index << " size " << s.value << " bytes seed " << s.seed << " value "
              << s.number;
            break;
        case Kind::Dispatch:
            o << "dispatcher(opcode " << s.opcode << ", index " << s.index << ", value " << s.value << ", opt " << s.opt
              << ")";
            break;
    }
    return o.str();
}

const VstInt32 kOpcodes[] = {effSetProgram,
                             effGetProgram,
                             effSetProgramName,
                             effGetProgramName,
                             effGetParamLabel,
                             effGetParamDisplay,
                             effGetParamName,
                             effSetSampleRate,
                             effSetBlockSize,
                             effMainsChanged,
                             effEditGetRect,
                             effEditIdle,
                             effGetChunk,
                             effCanBeAutomated,
                             effString2Parameter,
                             effGetProgramNameIndexed,
                             effSetBypass,
                             effGetEffectName,
                             effGetVendorString,
                             effGetProductString,
                             effGetVendorVersion,
                             effCanDo,
                             effGetVstVersion,
                             effGetPlugCategory,
                             effGetSpeakerArrangement,
                             effSetSpeakerArrangement,
                             effGetTailSize,
                             3 /* effGetProgram */};

Step randomStep(Rng& rng)
{
    Step s;
    s.seed = rng();
    const int r = static_cast<int>(rng() % 20);
    if (r < 6) {
        s.kind = r < 3 ? Kind::Process : Kind::ProcessDouble;
        const int sizes[] = {0, 1, 2, 3, 31, 32, 33, 64, 512, 1000, 2048};
        s.frames = rng() % 2 ? sizes[rng() % 11] : static_cast<int>(rng() % 2049);
        s.silent = rng() % 4 == 0;
    } else if (r < 10) {
        s.kind = Kind::SetParameter;
        s.index = static_cast<VstInt32>(rng() % 5);  // 4 is beyond the parameters
        s.number = wildDouble(rng);
    } else if (r < 12) {
        s.kind = Kind::SetChunk;
        s.index = static_cast<VstInt32>(rng() % 2);
        const VstIntPtr sizes[] = {57, 570, 0, 56, 569, 600, 1};
        s.value = rng() % 3 ? (s.index ? 57 : 570) : sizes[rng() % 7];
        s.number = wildDouble(rng);
    } else {
        s.kind = Kind::Dispatch;
        s.opcode = kOpcodes[rng() % (sizeof kOpcodes / sizeof kOpcodes[0])];
        s.index = static_cast<VstInt32>(static_cast<int>(rng() % 14) - 2);
        s.value = static_cast<VstIntPtr>(static_cast<int>(rng() % 14) - 2);
        const float rates[] = {44100.0f, 96000.0f, 8000.0f, 1.0f, 0.0f, -44100.0f, 1e9f};
        s.opt = s.opcode == effSetSampleRate ? rates[rng() % 7] : static_cast<float>(wildDouble(rng));
    }
    return s;
}

// What the effect holds, as the host can learn it, for the checks.
struct Model {
    bool bypassed = false;
    bool silentSinceReset = true;
};

std::string terminatedWithin(const char* buffer, std::size_t field, const char* what)
{
    if (std::memchr(buffer, '\0', field) == nullptr) return std::string(what) + " not terminated within its field";
    return "";
}

double storedValue(AEffect* e, int index)
{
    void* data = nullptr;
    if (e->dispatcher(e, effGetChunk, 1, 0, &data, 0.0f) != 57 || !data) return NAN;
    double v;
    std::memcpy(&v, static_cast<unsigned char*>(data) + 25 + 8 * index, sizeof v);
    return v;
}

// Runs one step and answers the first broken promise, or "".
std::string runStep(AEffect* e, const Step& s, Model& m)
{
    Rng rng(s.seed);
    switch (s.kind) {
        case Kind::Process:
        case Kind::ProcessDouble: {
            double clip = storedValue(e, 1);
            clip = std::floor((clip >= 0.0 ? (clip > 1.0 ? 1.0 : clip) : 0.0) * 100.0 + 0.5) *
                0.01;  // as the effect computes it
            const int n = s.frames;
            std::vector<double> x[2], y[2];
            for (int c = 0; c < 2; ++c) {
                x[c].resize(n + 1);
                y[c].assign(n + 1, 12345.0);
                for (int i = 0; i < n; ++i) x[c][i] = s.silent ? 0.0 : wildSample(rng);
            }
            if (s.kind == Kind::Process) {
                std::vector<float> fx[2], fy[2];
                for (int c = 0; c < 2; ++c) {
                    fx[c].assign(x[c].begin(), x[c].end());
                    fy[c].assign(n + 1, 12345.0f);
                }
                float* in[2] = {fx[0].data(), fx[1].data()};
                float* out[2] = {fy[0].data(), fy[1].data()};
                e->processReplacing(e, in, out, n);
                for (int c = 0; c < 2; ++c)
                    for (int i = 0; i <= n; ++i) y[c][i] = fy[c][i];
                clip = static_cast<float>(clip);
            } else {
                double* in[2] = {x[0].data(), x[1].data()};
                double* out[2] = {y[0].data(), y[1].data()};
                e->processDoubleReplacing(e, in, out, n);
            }
            for (int c = 0; c < 2; ++c) {
                if (y[c][n] != 12345.0) return "wrote past the block";
                for (int i = 0; i < n; ++i) {
                    const double in = x[c][i], out = y[c][i];
                    std::ostringstream where;
                    where << " (channel " << c << " frame " << i << " in " << in << " out " << out << ")";
                    if (m.bypassed) {
                        if (!(out == in || (std::isnan(in) && std::isnan(out))))
                            return "bypass not exact" + where.str();
                        continue;
                    }
                    if (std::isfinite(in) && !std::isfinite(out)) return "non-finite output" + where.str();
                    if (std::fabs(out) > clip) return "output beyond the clip level" + where.str();
                    if (s.silent && m.silentSinceReset && std::fabs(out) > 1e-20)
                        return "silence did not stay silent" + where.str();
                }
            }
            if (!s.silent && n > 0) m.silentSinceReset = false;
            break;
        }
        case Kind::SetParameter: e->setParameter(e, s.index, static_cast<float>(s.number)); break;
        case Kind::SetChunk: {
            std::vector<unsigned char> bytes(static_cast<std::size_t>(s.value > 0 ? s.value : 1) + 8);
            for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng());
            // Mostly well-formed records whose values are wild.
            if (rng() % 4 != 0)
                for (std::size_t off = 25; off + 8 <= static_cast<std::size_t>(s.value); off += rng() % 3 ? 8 : 57) {
                    const double v = rng() % 2 ? s.number : wildDouble(rng);
                    std::memcpy(&bytes[off], &v, 8);
                }
            e->dispatcher(e, effSetChunk, s.index, s.value, bytes.data(), 0.0f);
            break;
        }
        case Kind::Dispatch: {
            char buffer[512];
            std::memset(buffer, 0x55, sizeof buffer);
            void* ptr = buffer;
            std::string text;
            VstSpeakerArrangement arrangement[2];
            VstSpeakerArrangement* arrangementOut[2] = {nullptr, nullptr};
            VstIntPtr value = s.value;
            if (s.opcode == effSetProgramName || s.opcode == effString2Parameter) {
                const char* texts[] = {
                    "",      "12", "-Inf", "inf",   "nan",
                    "1e308", "On", "on",   "-5 dB", "a program name much longer than twenty four characters"};
                text = texts[rng() % 10];
                ptr = &text[0];
            } else if (s.opcode == effCanDo) {
                text = rng() % 2 ? "bypass" : "receiveVstEvents";
                ptr = &text[0];
            } else if (s.opcode == effSetSpeakerArrangement) {
                std::memset(arrangement, 0, sizeof arrangement);
                arrangement[0].numChannels = static_cast<VstInt32>(rng() % 4);
                arrangement[1].numChannels = static_cast<VstInt32>(rng() % 4);
                value = reinterpret_cast<VstIntPtr>(&arrangement[0]);
                ptr = &arrangement[1];
            } else if (s.opcode == effGetSpeakerArrangement) {
                value = reinterpret_cast<VstIntPtr>(&arrangementOut[0]);
                ptr = &arrangementOut[1];
            } else if (s.opcode == effGetChunk || s.opcode == effEditGetRect) {
                std::memset(buffer, 0, sizeof buffer);  // a pointer comes back
            }
            const VstIntPtr answer = e->dispatcher(e, s.opcode, s.index, value, ptr, s.opt);
            switch (s.opcode) {
                case effGetProgramName:
                case effGetProgramNameIndexed: return terminatedWithin(buffer, 25, "program name");
                case effGetParamLabel:
                case effGetParamName: return terminatedWithin(buffer, 9, "parameter name or label");
                case effGetParamDisplay: return terminatedWithin(buffer, 32, "parameter display");
                case effGetEffectName: return terminatedWithin(buffer, 33, "effect name");
                case effGetVendorString:
                case effGetProductString: return terminatedWithin(buffer, 65, "vendor or product");
                case effGetChunk: {
                    void* data = nullptr;
                    std::memcpy(&data, buffer, sizeof data);
                    const VstIntPtr want = s.index ? 57 : 570;
                    if (answer != want || !data) return "chunk size " + std::to_string(answer);
                    break;
                }
                case effSetBypass: m.bypassed = s.value != 0; break;
                case effMainsChanged:
                case effSetSampleRate: m.silentSinceReset = true; break;
                default: break;
            }
            break;
        }
    }
    for (VstInt32 i = 0; i < 4; ++i)
        if (!std::isfinite(e->getParameter(e, i))) return "getParameter(" + std::to_string(i) + ") not finite";
    return "";
}

// Loads the module, runs the steps on a fresh instance; answers the step that failed (-1 for none).
int runSteps(const std::vector<Step>& steps, std::string& failure)
{
    PluginModule module;
    if (!module.loaded()) {
        failure = module.error();
        return 0;
    }
    AEffect* e = module.instantiate(&stressHost);
    if (!e) {
        failure = "no instance";
        return 0;
    }
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    Model m;
    int failed = -1;
    for (std::size_t i = 0; i < steps.size() && failed < 0; ++i) {
        failure = runStep(e, steps[i], m);
        if (!failure.empty()) failed = static_cast<int>(i);
    }
    e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
    return failed;
}

// Drops every step that the failure does not need.
std::vector<Step> minimise(std::vector<Step> steps)
{
    std::string failure;
    for (std::size_t i = steps.size(); i-- > 0;) {
        std::vector<Step> shorter = steps;
        shorter.erase(shorter.begin() + static_cast<std::ptrdiff_t>(i));
        const int at = runSteps(shorter, failure);
        if (at >= 0) shorter.resize(static_cast<std::size_t>(at) + 1), steps = shorter;
        if (i > steps.size()) i = steps.size();
    }
    return steps;
}

// Values a host or a preset may send: stored as sent, read back finite, and the signal path keeps
// to its range (finite output, silence stays silent, the output within the full clip range).
TEST(AbiStress, WildStoredValuesKeepTheOutputFiniteAndSilenceSilent)
{
    PluginModule module;
    ASSERT_TRUE(module.loaded()) << module.error();
    struct Case {
        const char* what;
        double values[4];  // Gain, Clip, Softness, Oversmp as stored; NAN: leave the default
        bool chunk;  // through a program chunk rather than setParameter
    };
    const Case cases[] = {
        {"Clip and Softness FLT_MAX", {NAN, FLT_MAX, FLT_MAX, NAN}, false},
        {"Softness 1e200 in a chunk", {0.0, 1.0, 1e200, 1.0}, true},
        {"Clip -50 %", {NAN, -0.5, NAN, NAN}, false},
        {"Softness 200 %", {NAN, NAN, 2.0, NAN}, false},
        {"everything 1e300 in a chunk", {1e300, 1e300, 1e300, 1e300}, true},
        {"everything -1e300 in a chunk, oversampled", {-1e300, -1e300, -1e300, 1.0}, true},
        {"Gain 3, Clip 0.5, Softness -7, Oversmp 0.7", {3.0, 0.5, -7.0, 0.7}, false},
    };
    for (const Case& c : cases) {
        for (int over = 0; over < 2; ++over) {
            AEffect* e = module.instantiate(&stressHost);
            ASSERT_NE(e, nullptr);
            e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
            e->setParameter(e, 3, over ? 1.0f : 0.0f);
            double want[4];
            for (int i = 0; i < 4; ++i) want[i] = storedValue(e, i);
            if (c.chunk) {
                unsigned char record[57] = {'W', 0};
                for (int i = 0; i < 4; ++i)
                    if (!std::isnan(c.values[i])) want[i] = c.values[i];
                std::memcpy(record + 25, want, sizeof want);
                ASSERT_EQ(e->dispatcher(e, effSetChunk, 1, 57, record, 0.0f), 57);
            } else {
                for (int i = 0; i < 4; ++i) {
                    if (std::isnan(c.values[i])) continue;
                    e->setParameter(e, i, static_cast<float>(c.values[i]));
                    want[i] = static_cast<float>(c.values[i]);
                }
            }
            const std::string name = std::string(c.what) + (over ? ", Oversmp forced on" : "");
            for (int i = 0; i < 4; ++i) {
                EXPECT_EQ(storedValue(e, i), want[i]) << name << ": stored as sent, " << i;
                EXPECT_TRUE(std::isfinite(e->getParameter(e, i))) << name << ": getParameter " << i;
                char text[64];
                e->dispatcher(e, effGetParamDisplay, i, 0, text, 0.0f);
                EXPECT_LT(std::strlen(text), 32u) << name;
            }
            e->dispatcher(e, effMainsChanged, 0, 1, nullptr, 0.0f);
            std::vector<float> silence(4096, 0.0f), out(4096, 1.0f);
            float* in[2] = {silence.data(), silence.data()};
            float* outs[2] = {out.data(), out.data() + 2048};
            e->processReplacing(e, in, outs, 2048);
            for (float y : out) ASSERT_LE(std::fabs(y), 1e-20f) << name << ": silence must stay silent";
            std::vector<double> x(512), yl(512), yr(512);
            for (int i = 0; i < 512; ++i) x[i] = (i % 2 ? 1.0 : -1.0) * (0.5 + i / 100.0);
            double* din[2] = {x.data(), x.data()};
            double* douts[2] = {yl.data(), yr.data()};
            e->processDoubleReplacing(e, din, douts, 512);
            for (int i = 0; i < 512; ++i)
                ASSERT_TRUE(std::isfinite(yl[i]) && std::fabs(yl[i]) <= 1.0) << name << ": " << i << " " << yl[i];
            e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f);
        }
    }
}

TEST(AbiStress, RandomHostStepsKeepEveryPromise)
{
    const char* secondsEnv = std::getenv("SARVO_STRESS_SECONDS");
    const char* seedEnv = std::getenv("SARVO_STRESS_SEED");
    const double seconds = secondsEnv && *secondsEnv ? std::atof(secondsEnv) : 2.0;
    const bool oneSeed = seedEnv && *seedEnv;
    std::uint64_t seed = oneSeed ? std::strtoull(seedEnv, nullptr, 10) : 1;
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    long rounds = 0, steps = 0;
    do {
        Rng rng(seed);
        std::vector<Step> plan(200 + rng() % 300);
        for (Step& s : plan) s = randomStep(rng);
        std::string failure;
        const int at = runSteps(plan, failure);
        if (at >= 0) {
            plan.resize(static_cast<std::size_t>(at) + 1);
            const std::vector<Step> small = minimise(plan);
            runSteps(small, failure);
            std::ostringstream o;
            o << "seed " << seed << " (SARVO_STRESS_SEED=" << seed << "): " << failure << "\nreproducer, "
              << small.size() << " steps on a fresh instance after effOpen:\n";
            for (const Step& s : small) o << "  " << describe(s) << "\n";
            FAIL() << o.str();
        }
        ASSERT_TRUE(failure.empty()) << failure;
        ++rounds;
        steps += static_cast<long>(plan.size());
        ++seed;
    } while (!oneSeed && std::chrono::steady_clock::now() < end);
    std::printf("%ld rounds, %ld steps\n", rounds, steps);
}

}  // namespace
