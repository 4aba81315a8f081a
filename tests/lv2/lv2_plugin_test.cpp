// The LV2 plug-in as an LV2 host runs it (lilv): the same sound as the VST 2.x module at any rate
// and block size, wild control values, state that is the VST 2.x bank, and a run() that allocates
// nothing.
#include "loaded_plugin.h"
#include "lv2_test_host.h"
#include "support/burst_signal.h"

#include "lv2/atom/atom.h"
#include "lv2/state/state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include "realtime/allocation_counter.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kGain = 4, kClip = 5, kSoftness = 6, kOversmp = 7, kEnable = 8;

// The VST 2.x module with settings typed as in the editor ("Gain", "6"), in one block.
Stereo renderVst(const Stereo& in, float rate, const std::vector<std::pair<int, std::string>>& settings,
                 bool bypass = false)
{
    Instance fx;
    fx.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    fx.dispatch(effMainsChanged, 0, 1);
    for (const auto& s : settings) fx.dispatch(effString2Parameter, s.first, 0, const_cast<char*>(s.second.c_str()));
    if (bypass) fx.dispatch(effSetBypass, 0, 1);
    Stereo out{std::vector<float>(in.l.size()), std::vector<float>(in.l.size())};
    float* inputs[2] = {const_cast<float*>(in.l.data()), const_cast<float*>(in.r.data())};
    float* outputs[2] = {out.l.data(), out.r.data()};
    fx->processReplacing(fx.effect(), inputs, outputs, static_cast<VstInt32>(in.l.size()));
    return out;
}

std::vector<unsigned char> vstBank(const std::vector<std::pair<int, std::string>>& settings)
{
    Instance fx;
    for (const auto& s : settings) fx.dispatch(effString2Parameter, s.first, 0, const_cast<char*>(s.second.c_str()));
    void* data = nullptr;
    const VstIntPtr size = fx.dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const unsigned char*>(data);
    return size > 0 && bytes ? std::vector<unsigned char>(bytes, bytes + size) : std::vector<unsigned char>();
}

// Runs the whole signal in place (the output buffers are the input buffers) in random block
// sizes, zero among them.
Stereo renderInPlace(Lv2Instance& fx, const Stereo& in, unsigned seed)
{
    Stereo buffer = in;
    std::mt19937 rng(seed);
    std::uniform_int_distribution<int> size(0, 700);
    for (size_t done = 0; done < in.l.size();) {
        uint32_t n = static_cast<uint32_t>(rng() % 5 == 0 ? 0 : size(rng));
        if (n > in.l.size() - done) n = static_cast<uint32_t>(in.l.size() - done);
        fx.run(buffer.l.data() + done, buffer.r.data() + done, buffer.l.data() + done, buffer.r.data() + done, n);
        done += n;
    }
    return buffer;
}

const Lv2Instance::Property* find(const std::vector<Lv2Instance::Property>& state, const char* key)
{
    for (const auto& p : state)
        if (p.key == key) return &p;
    return nullptr;
}

class Lv2PluginTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        ASSERT_NE(Lv2World::get().plugin, nullptr) << "no plug-in in " << bundlePath();
    }
};

TEST_F(Lv2PluginTest, SoundsAsTheVstModuleAtBothRatesInRandomBlocksInPlace)
{
    const Stereo in = burstSignal(30000, 1);
    for (double rate : {44100.0, 96000.0}) {
        SCOPED_TRACE(rate);
        Lv2Instance fx(rate);
        ASSERT_TRUE(fx.ok());
        fx.control(kGain) = 6.0f;
        fx.control(kClip) = 70.0f;
        fx.control(kSoftness) = 30.0f;
        fx.control(kOversmp) = 1.0f;
        const Stereo lv2 = renderInPlace(fx, in, 7);
        const Stereo vst = renderVst(in, static_cast<float>(rate), {{0, "6"}, {1, "70"}, {2, "30"}, {3, "on"}});
        EXPECT_EQ(0, std::memcmp(lv2.l.data(), vst.l.data(), in.l.size() * sizeof(float)));
        EXPECT_EQ(0, std::memcmp(lv2.r.data(), vst.r.data(), in.r.size() * sizeof(float)));
        EXPECT_NE(0, std::memcmp(lv2.l.data(), in.l.data(), in.l.size() * sizeof(float)));

        // The enable port is the effect's own bypass.
        Lv2Instance off(rate);
        off.control(kEnable) = 0.0f;
        const Stereo bypassed = renderInPlace(off, in, 8);
        const Stereo vstBypassed = renderVst(in, static_cast<float>(rate), {}, true);
        EXPECT_EQ(0, std::memcmp(bypassed.l.data(), vstBypassed.l.data(), in.l.size() * sizeof(float)));
    }
}

TEST_F(Lv2PluginTest, ValuesOutsideTheRangeAreClampedAndNaNKeepsTheLastGoodValue)
{
    const Stereo in = burstSignal(8000, 2);
    Lv2Instance fx(44100.0);
    fx.control(kGain) = 99.0f;
    fx.control(kClip) = -5.0f;
    fx.control(kSoftness) = INFINITY;
    Stereo first = renderInPlace(fx, in, 3);
    const std::vector<std::pair<int, std::string>> clamped = {{0, "12"}, {1, "0"}, {2, "100"}};
    Stereo vst = renderVst(in, 44100.0f, clamped);
    EXPECT_EQ(0, std::memcmp(first.l.data(), vst.l.data(), in.l.size() * sizeof(float)));
    ASSERT_NE(find(fx.save(), "urn:ondx:sarvo#bank"), nullptr);
    EXPECT_EQ(find(fx.save(), "urn:ondx:sarvo#bank")->value, vstBank(clamped));

    // NaN on every control: the clamped values stay, and the sound goes on as before.
    Lv2Instance same(44100.0);
    same.control(kGain) = 99.0f;
    same.control(kClip) = -5.0f;
    same.control(kSoftness) = INFINITY;
    Stereo half = in;
    half.l.resize(4000);
    half.r.resize(4000);
    Stereo a = renderInPlace(same, half, 4);
    for (uint32_t p = kGain; p <= kEnable; ++p) same.control(p) = NAN;
    Stereo rest{std::vector<float>(in.l.begin() + 4000, in.l.end()), std::vector<float>(in.r.begin() + 4000, in.r.end())};
    Stereo b = renderInPlace(same, rest, 5);
    a.l.insert(a.l.end(), b.l.begin(), b.l.end());
    EXPECT_EQ(0, std::memcmp(a.l.data(), vst.l.data(), in.l.size() * sizeof(float)));
    EXPECT_EQ(find(same.save(), "urn:ondx:sarvo#bank")->value, vstBank(clamped));
}

TEST_F(Lv2PluginTest, StateIsTheVstBankAndMovesBitExactBetweenInstances)
{
    const std::vector<std::pair<int, std::string>> settings = {{0, "4.5"}, {1, "62"}, {2, "45"}, {3, "on"}};
    Lv2Instance a(48000.0);
    a.control(kGain) = 4.5f;
    a.control(kClip) = 62.0f;
    a.control(kSoftness) = 45.0f;
    a.control(kOversmp) = 1.0f;
    const Stereo in = burstSignal(6000, 9);
    const Stereo outA = renderInPlace(a, in, 10);

    const std::vector<Lv2Instance::Property> state = a.save();
    ASSERT_EQ(state.size(), 2u);
    const Lv2Instance::Property* bank = find(state, "urn:ondx:sarvo#bank");
    const Lv2Instance::Property* program = find(state, "urn:ondx:sarvo#program");
    ASSERT_TRUE(bank && program);
    EXPECT_EQ(bank->value.size(), 570u);
    EXPECT_EQ(bank->value, vstBank(settings));
    EXPECT_EQ(bank->type, "urn:ondx:sarvo#Bank1");
    EXPECT_EQ(program->type, LV2_ATOM__Int);
    EXPECT_EQ(bank->flags & (LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE), LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);

    // Through a host's own state: snapshot, text, snapshot, restore into a fresh instance (whose
    // ports the snapshot sets as well).
    Lv2World& w = Lv2World::get();
    Lv2Instance b(48000.0);
    struct Ports {
        Lv2Instance* fx;
    } ports{&a};
    auto getValue = [](const char* symbol, void* user, uint32_t* size, uint32_t* type) -> const void* {
        static const char* symbols[] = {"gain", "clip", "softness", "oversmp", "enabled"};
        for (uint32_t i = 0; i < 5; ++i)
            if (std::strcmp(symbol, symbols[i]) == 0) {
                *size = sizeof(float);
                *type = Lv2World::get().urids.map(LV2_ATOM__Float);
                return &static_cast<Ports*>(user)->fx->control(4 + i);
            }
        return nullptr;
    };
    auto setValue = [](const char* symbol, void* user, const void* value, uint32_t, uint32_t) {
        static const char* symbols[] = {"gain", "clip", "softness", "oversmp", "enabled"};
        for (uint32_t i = 0; i < 5; ++i)
            if (std::strcmp(symbol, symbols[i]) == 0)
                std::memcpy(&static_cast<Ports*>(user)->fx->control(4 + i), value, sizeof(float));
    };
    const LV2_Feature* features[] = {w.urids.mapFeature(), w.urids.unmapFeature(), nullptr};
    LilvState* snapshot = lilv_state_new_from_instance(w.plugin, a.lilv(), w.urids.mapFeatureData(), nullptr, nullptr,
                                                       nullptr, nullptr, getValue, &ports, 0, features);
    ASSERT_NE(snapshot, nullptr);
    char* text = lilv_state_to_string(w.world, w.urids.mapFeatureData(), w.urids.unmapFeatureData(), snapshot, "urn:test:state", nullptr);
    ASSERT_NE(text, nullptr);
    LilvState* parsed = lilv_state_new_from_string(w.world, w.urids.mapFeatureData(), text);
    ASSERT_NE(parsed, nullptr) << text;
    ports.fx = &b;
    lilv_state_restore(parsed, b.lilv(), setValue, &ports, 0, features);
    EXPECT_EQ(b.save()[0].value, bank->value) << text;
    EXPECT_EQ(b.control(kClip), 62.0f);
    const Stereo outB = renderInPlace(b, in, 11);
    EXPECT_EQ(0, std::memcmp(outA.l.data(), outB.l.data(), in.l.size() * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(outA.r.data(), outB.r.data(), in.r.size() * sizeof(float)));
    lilv_free(text);
    lilv_state_free(parsed);
    lilv_state_free(snapshot);

    // The program number travels too.
    std::vector<Lv2Instance::Property> third = state;
    third[program - state.data()].value = {3, 0, 0, 0};
    Lv2Instance c(48000.0);
    ASSERT_EQ(c.restore(third), LV2_STATE_SUCCESS);
    EXPECT_EQ(find(c.save(), "urn:ondx:sarvo#program")->value, (std::vector<unsigned char>{3, 0, 0, 0}));
}

TEST_F(Lv2PluginTest, ShortOversizedOrForeignStateIsRefusedAndChangesNothing)
{
    Lv2Instance a(44100.0);
    a.control(kGain) = 3.0f;
    a.control(kClip) = 40.0f;
    const Stereo in = burstSignal(4000, 12);
    renderInPlace(a, in, 13);
    const std::vector<Lv2Instance::Property> good = a.save();
    ASSERT_EQ(good.size(), 2u);

    Lv2Instance b(44100.0);
    b.control(kSoftness) = 80.0f;
    const Stereo before = renderInPlace(b, in, 14);
    const std::vector<Lv2Instance::Property> original = b.save();

    std::vector<std::vector<Lv2Instance::Property>> bad(7, good);
    bad[0][0].value.pop_back();  // short
    bad[1][0].value.push_back(0);  // oversized
    bad[2][0].type = LV2_ATOM__Chunk;  // another type
    bad[3][0].key = "urn:other:plugin#bank";  // foreign: no bank of ours
    bad[4][1].value = {10, 0, 0, 0};  // no such program
    bad[5][1].type = LV2_ATOM__Float;
    bad[6].pop_back();  // no program
    for (size_t i = 0; i < bad.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_NE(b.restore(bad[i]), LV2_STATE_SUCCESS);
        const std::vector<Lv2Instance::Property> now = b.save();
        ASSERT_EQ(now.size(), 2u);
        EXPECT_EQ(now[0].value, original[0].value);
        EXPECT_EQ(now[1].value, original[1].value);
    }
    // The sound goes on with the old settings: the same input gives what the untouched one gives.
    Lv2Instance twin(44100.0);
    twin.control(kSoftness) = 80.0f;
    renderInPlace(twin, in, 15);
    const Stereo again = renderInPlace(b, in, 16);
    const Stereo expected = renderInPlace(twin, in, 17);
    EXPECT_EQ(0, std::memcmp(again.l.data(), expected.l.data(), in.l.size() * sizeof(float)));
    EXPECT_NE(0, std::memcmp(before.l.data(), in.l.data(), in.l.size() * sizeof(float)));
}

TEST_F(Lv2PluginTest, RunAllocatesNothing)
{
    Stereo in = burstSignal(8192, 20);
    Stereo out{std::vector<float>(8192), std::vector<float>(8192)};
    Lv2Instance fx(96000.0);
    fx.run(in.l.data(), in.r.data(), out.l.data(), out.r.data(), 64);  // warm up
    const uint32_t sizes[] = {0, 1, 17, 256, 4096, 3, 8192, 0, 511};
    startCountingAllocations();
    int round = 0;
    for (uint32_t n : sizes) {
        // Every control changes before every block, the bypass flips, oversampling switches.
        fx.control(kGain) = static_cast<float>(round % 13);
        fx.control(kClip) = static_cast<float>(100 - 7 * round);
        fx.control(kSoftness) = round % 2 ? NAN : static_cast<float>(5 * round);
        fx.control(kOversmp) = static_cast<float>(round % 2);
        fx.control(kEnable) = static_cast<float>((round / 2) % 2);
        if (round % 3 == 0)
            fx.run(in.l.data(), in.r.data(), in.l.data(), in.r.data(), n);
        else
            fx.run(in.l.data(), in.r.data(), out.l.data(), out.r.data(), n);
        ++round;
    }
    EXPECT_EQ(stopCountingAllocations(), 0);
    for (float v : out.l) ASSERT_TRUE(std::isfinite(v));
}

}  // namespace
