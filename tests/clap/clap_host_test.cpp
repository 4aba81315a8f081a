// The built Sarvo.clap as a CLAP host drives it, only through its exported clap_entry: what the
// format's public validator checks (entry, factory and descriptor; activation and processing at
// several rates, block sizes, in place and not, 32 and 64 bit; parameter events inside a block;
// texts and wild values; state through streams that move a few bytes at a time, moved between
// instances, and refused when it is not ours), plus the sound against the VST 2.x module and a
// process call that allocates nothing.
#include "realtime/allocation_counter.h"
#include "clap_test_host.h"
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr clap::Id kGain = 0, kClip = 1, kSoftness = 2, kOversmp = 3, kBypass = 4, kProgram = 5;
using Settings = std::vector<std::pair<clap::Id, std::string>>;

StereoD widen(const Stereo& s)
{
    return {std::vector<double>(s.l.begin(), s.l.end()), std::vector<double>(s.r.begin(), s.r.end())};
}

// The VST 2.x module: settings typed as in its editor, the whole signal in one block.
template <class S>
S renderVst(const S& in, float rate, const Settings& settings, bool bypass = false)
{
    Instance fx;
    fx.dispatch(effSetSampleRate, 0, 0, nullptr, rate);
    fx.dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(in.l.size()));
    fx.dispatch(effMainsChanged, 0, 1);
    for (const auto& s : settings)
        fx.dispatch(effString2Parameter, static_cast<VstInt32>(s.first), 0, const_cast<char*>(s.second.c_str()));
    if (bypass) fx.dispatch(effSetBypass, 0, 1);
    S out = in;
    auto* inputs = in.l.data();
    using T = typename std::remove_const<typename std::remove_pointer<decltype(inputs)>::type>::type;
    T* i[2] = {const_cast<T*>(in.l.data()), const_cast<T*>(in.r.data())};
    T* o[2] = {out.l.data(), out.r.data()};
    if constexpr (sizeof(T) == 4)
        fx->processReplacing(fx.effect(), i, o, static_cast<VstInt32>(in.l.size()));
    else
        fx->processDoubleReplacing(fx.effect(), i, o, static_cast<VstInt32>(in.l.size()));
    return out;
}

template <class S>
bool sameBits(const S& a, const S& b)
{
    return a.l.size() == b.l.size() && a.r.size() == b.r.size() &&
        std::memcmp(a.l.data(), b.l.data(), a.l.size() * sizeof a.l[0]) == 0 &&
        std::memcmp(a.r.data(), b.r.data(), a.r.size() * sizeof a.r[0]) == 0;
}
template <class S>
bool allFinite(const S& s)
{
    for (size_t i = 0; i < s.l.size(); ++i)
        if (!std::isfinite(s.l[i]) || !std::isfinite(s.r[i])) return false;
    return true;
}

class ClapTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sharedClap().initialised()) << sharedClap().error(); }
    TestHost host;
};

// ---------------------------------------------------------------- entry, factory, descriptor

TEST_F(ClapTest, EntryFactoryAndDescriptor)
{
    ClapModule& module = sharedClap();
    const clap::PluginEntry* entry = module.entry();
    EXPECT_TRUE(clap::versionIsCompatible(entry->clap_version));
    EXPECT_EQ(entry->clap_version.major, 1u);
    // The module exports its entry and nothing a host could mistake for another format's.
    EXPECT_EQ(module.symbol("VSTPluginMain"), nullptr);
    EXPECT_EQ(module.symbol("lv2_descriptor"), nullptr);

    // init and deinit are counted: a second init and its deinit leave the module usable.
    ASSERT_TRUE(entry->init(module.path().c_str()));
    ASSERT_TRUE(entry->init(module.path().c_str()));
    entry->deinit();
    entry->deinit();
    ASSERT_NE(module.factory(), nullptr);
    EXPECT_EQ(entry->get_factory("clap.no-such-factory"), nullptr);
    EXPECT_EQ(entry->get_factory(""), nullptr);

    // get_factory from many threads at once: one answer.
    std::vector<std::thread> threads;
    std::atomic<int> differing{0};
    const void* expected = module.factory();
    for (int t = 0; t < 8; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 2000; ++i)
                if (entry->get_factory(clap::kPluginFactoryId) != expected) ++differing;
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(differing.load(), 0);

    const clap::PluginFactory* factory = module.factory();
    ASSERT_EQ(factory->get_plugin_count(factory), 1u);
    EXPECT_EQ(factory->get_plugin_descriptor(factory, 1), nullptr);
    const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, 0);
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(clap::versionIsCompatible(d->clap_version));
    EXPECT_STREQ(d->id, "com.ondx.sarvo");
    EXPECT_STREQ(d->name, "Sarvo");
    EXPECT_STREQ(d->vendor, "ONDX");
    ASSERT_NE(d->version, nullptr);
    EXPECT_STREQ(d->version, "1.0.0");
    for (const char* s : {d->url, d->manual_url, d->support_url, d->description}) EXPECT_NE(s, nullptr);
    std::set<std::string> features;
    ASSERT_NE(d->features, nullptr);
    for (const char* const* f = d->features; *f; ++f) features.insert(*f);
    EXPECT_EQ(features, (std::set<std::string>{"audio-effect", "distortion", "stereo"}));

    // Unknown ids and hosts of an incompatible version make nothing.
    EXPECT_EQ(factory->create_plugin(factory, host.host(), "com.ondx.other"), nullptr);
    EXPECT_EQ(factory->create_plugin(factory, host.host(), nullptr), nullptr);
    host.mutableHost()->clap_version = {0, 9, 0};
    EXPECT_EQ(factory->create_plugin(factory, host.host(), d->id), nullptr);
    host.mutableHost()->clap_version = clap::kVersion;

    // An instance made, init'ed, activated and destroyed: its extensions and what they report.
    ClapInstance fx(host);
    ASSERT_TRUE(fx.ok());
    EXPECT_EQ(fx.plugin()->desc, d);
    EXPECT_EQ(fx.ext<void>("clap.no-such-extension"), nullptr);
    auto* ports = fx.ext<clap::PluginAudioPorts>(clap::kExtAudioPorts);
    ASSERT_NE(ports, nullptr);
    for (bool input : {true, false}) {
        ASSERT_EQ(ports->count(fx.plugin(), input), 1u);
        clap::AudioPortInfo info{};
        EXPECT_FALSE(ports->get(fx.plugin(), 1, input, &info));
        ASSERT_TRUE(ports->get(fx.plugin(), 0, input, &info));
        EXPECT_EQ(info.channel_count, 2u);
        EXPECT_STREQ(info.port_type, clap::kPortStereo);
        EXPECT_TRUE(info.flags & clap::kAudioPortIsMain);
        EXPECT_TRUE(info.flags & clap::kAudioPortSupports64Bits);
        EXPECT_NE(info.in_place_pair, clap::kInvalidId);
        EXPECT_NE(std::memchr(info.name, 0, sizeof info.name), nullptr);
        EXPECT_GT(std::strlen(info.name), 0u);
    }
    auto* latency = fx.ext<clap::PluginLatency>(clap::kExtLatency);
    ASSERT_NE(latency, nullptr);
    ASSERT_TRUE(fx.activate(44100.0));
    EXPECT_EQ(latency->get(fx.plugin()), 0u);
    fx.setByText({{kOversmp, "on"}});
    EXPECT_EQ(latency->get(fx.plugin()), 0u);
    EXPECT_NE(fx.params(), nullptr);
    EXPECT_NE(fx.state(), nullptr);
    EXPECT_NE(fx.ext<void>(clap::kExtGui), nullptr);
}

// ---------------------------------------------------------------- parameters

TEST_F(ClapTest, ParametersKeepTheEffectsIdsNamesRangesAndTexts)
{
    ClapInstance fx(host);
    ASSERT_TRUE(fx.ok());
    const clap::PluginParams* params = fx.params();
    ASSERT_NE(params, nullptr);
    ASSERT_EQ(params->count(fx.plugin()), 6u);
    Instance vst;
    const char* names[] = {"Gain", "Clip", "Softness", "Oversmp", "Bypass", "Program"};
    for (uint32_t i = 0; i < 6; ++i) {
        clap::ParamInfo info{};
        ASSERT_TRUE(params->get_info(fx.plugin(), i, &info));
        EXPECT_EQ(info.id, i);
        EXPECT_STREQ(info.name, names[i]);
        EXPECT_NE(std::memchr(info.module, 0, sizeof info.module), nullptr);
        EXPECT_LT(info.min_value, info.max_value);
        EXPECT_GE(info.default_value, info.min_value);
        EXPECT_LE(info.default_value, info.max_value);
        EXPECT_EQ(fx.value(i), info.default_value) << names[i];
        const bool stepped = i >= kOversmp;
        EXPECT_EQ((info.flags & clap::kParamIsStepped) != 0, stepped) << names[i];
        EXPECT_EQ((info.flags & clap::kParamIsBypass) != 0, i == kBypass) << names[i];
        EXPECT_TRUE(info.flags & clap::kParamIsAutomatable) << names[i];
        if (i < 4) {
            EXPECT_EQ(vst.text(effGetParamName, static_cast<VstInt32>(i)), names[i]);
        }
    }
    clap::ParamInfo info{};
    EXPECT_FALSE(params->get_info(fx.plugin(), 6, &info));
    double v = 0.0;
    EXPECT_FALSE(params->get_value(fx.plugin(), 6, &v));
    EXPECT_FALSE(params->get_value(fx.plugin(), clap::kInvalidId, &v));
    EXPECT_EQ(fx.text(77, 0.0), "<refused>");

    // Texts: the VST 2.x module's display and unit at the same value, and each text parses back
    // to a value that gives the same text.
    const struct {
        clap::Id id;
        const char* text;
        float normalised;
    } points[] = {{kGain, "0", 0.0f},       {kGain, "3", 0.25f},      {kGain, "6", 0.5f},      {kGain, "12", 1.0f},
                  {kClip, "0", 0.0f},       {kClip, "50", 0.5f},      {kClip, "75", 0.75f},    {kClip, "100", 1.0f},
                  {kSoftness, "25", 0.25f}, {kSoftness, "100", 1.0f}, {kOversmp, "off", 0.0f}, {kOversmp, "on", 1.0f}};
    for (const auto& p : points) {
        double value = -1.0;
        ASSERT_TRUE(fx.parse(p.id, p.text, value)) << p.text;
        vst->setParameter(vst.effect(), static_cast<VstInt32>(p.id), p.normalised);
        std::string expected = vst.text(effGetParamDisplay, static_cast<VstInt32>(p.id));
        const std::string unit = vst.text(effGetParamLabel, static_cast<VstInt32>(p.id));
        while (!expected.empty() && expected.front() == ' ') expected.erase(expected.begin());
        if (!unit.empty()) expected += " " + unit;
        const std::string text = fx.text(p.id, value);
        EXPECT_EQ(text, expected) << names[p.id] << " " << p.text;
        double again = -1.0;
        ASSERT_TRUE(fx.parse(p.id, text, again)) << text;
        EXPECT_EQ(fx.text(p.id, again), text);
    }
    for (uint32_t i = 0; i < 6; ++i) {
        ASSERT_TRUE(params->get_info(fx.plugin(), i, &info));
        for (int k = 0; k <= 8; ++k) {
            const double value = info.min_value + (info.max_value - info.min_value) * k / 8.0;
            const std::string text = fx.text(i, value);
            double back = -1.0;
            ASSERT_TRUE(fx.parse(i, text, back)) << names[i] << " " << text;
            EXPECT_EQ(fx.text(i, back), text) << names[i];
        }
        EXPECT_FALSE(fx.parse(i, "", v)) << names[i];
        EXPECT_FALSE(fx.parse(i, "banana", v)) << names[i];
        EXPECT_FALSE(fx.parse(i, "   ", v)) << names[i];
        for (double wild : {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300}) {
            const std::string text = fx.text(i, wild);
            EXPECT_TRUE(text == "<refused>" ||
                        (text.find("nan") == std::string::npos && text.find("inf") == std::string::npos))
                << names[i] << " " << text;
        }
    }
    EXPECT_FALSE(params->text_to_value(fx.plugin(), kGain, nullptr, &v));
    // A short text buffer gets a cut, terminated text.
    char small[4];
    std::memset(small, 0x55, sizeof small);
    if (params->value_to_text(fx.plugin(), kClip, 100.0, small, sizeof small)) {
        EXPECT_NE(std::memchr(small, 0, sizeof small), nullptr);
    }
}

// ---------------------------------------------------------------- processing

// Every rate, block plan, buffer arrangement and precision gives the VST 2.x module's output at
// the same settings, bit for bit.
TEST_F(ClapTest, ProcessingAtEveryRateBlockSizeAndPrecisionMatchesTheVstModule)
{
    const Settings settings = {{kGain, "6"}, {kClip, "70"}, {kSoftness, "30"}, {kOversmp, "on"}};
    std::mt19937 rng(7);
    std::vector<uint32_t> randomBlocks;
    for (int i = 0; i < 200; ++i) randomBlocks.push_back(rng() % 5 == 0 ? 0u : 1u + rng() % 700);
    constexpr uint32_t kMax = 4096;
    for (double rate : {44100.0, 96000.0, 192000.0}) {
        const Stereo in = burstSignal(static_cast<size_t>(rate / 8), static_cast<unsigned>(rate));
        const StereoD inD = widen(in);
        const Stereo ref = renderVst(in, static_cast<float>(rate), settings);
        const StereoD refD = renderVst(inD, static_cast<float>(rate), settings);
        ASSERT_TRUE(allFinite(ref));
        for (const std::vector<uint32_t>& blocks :
             {std::vector<uint32_t>{1}, randomBlocks, std::vector<uint32_t>{kMax}})
            for (bool inPlace : {false, true}) {
                const std::string what = std::to_string(int(rate)) + " Hz, blocks of " +
                    (blocks.size() > 1 ? "random size" : std::to_string(blocks[0])) +
                    (inPlace ? ", in place" : ", apart");
                {
                    ClapInstance fx(host);
                    fx.setByText(settings);
                    ASSERT_TRUE(fx.activate(rate, kMax, blocks.size() > 1 ? 1 : blocks[0]));
                    EXPECT_TRUE(sameBits(renderClap(fx, in, blocks, inPlace), ref)) << what << ", 32 bit";
                    EXPECT_EQ(fx.lastConstantMask(), 0u) << what;
                }
                {
                    ClapInstance fx(host);
                    fx.setByText(settings);
                    ASSERT_TRUE(fx.activate(rate, kMax, blocks.size() > 1 ? 1 : blocks[0]));
                    EXPECT_TRUE(sameBits(renderClap(fx, inD, blocks, inPlace), refD)) << what << ", 64 bit";
                }
            }
    }
    // Rates that are no rate are refused, and the instance stays usable.
    ClapInstance fx(host);
    for (double bad : {0.0, -44100.0, std::nan(""), HUGE_VAL}) EXPECT_FALSE(fx.activate(bad)) << bad;
    EXPECT_TRUE(fx.activate(48000.0));
}

// The demo's settings (scripts/demo) give the VST 2.x module's sound in the host's usual blocks.
TEST_F(ClapTest, DemoSettingsRenderLikeTheVstModule)
{
    const Stereo in = burstSignal(44100, 3);
    const struct {
        Settings settings;
        bool bypass;
    } demo[] = {{{}, false},
                {{{kClip, "80"}}, false},
                {{{kClip, "80"}, {kSoftness, "50"}}, false},
                {{{kGain, "6"}, {kClip, "70"}, {kSoftness, "30"}, {kOversmp, "on"}}, false},
                {{{kGain, "6"}, {kClip, "50"}}, true}};
    for (const auto& d : demo) {
        ClapInstance fx(host);
        Settings settings = d.settings;
        if (d.bypass) settings.push_back({kBypass, "on"});
        fx.setByText(settings);
        if (d.bypass) {
            EXPECT_EQ(fx.value(kBypass), 1.0);
        }
        ASSERT_TRUE(fx.activate(44100.0, 512));
        const Stereo out = renderClap(fx, in, {512}, false);
        const Stereo ref = renderVst(in, 44100.0f, d.settings, d.bypass);
        EXPECT_TRUE(sameBits(out, ref)) << "setting " << (&d - demo);
        EXPECT_EQ(sameBits(out, in), d.bypass);
    }
}

// Events inside a block take effect at their frame: the block is the VST 2.x module's run split
// there with the same changes between the parts.
TEST_F(ClapTest, ParameterEventsTakeEffectAtTheirFrame)
{
    const Stereo in = burstSignal(4096, 11);
    struct Change {
        uint32_t time;
        clap::Id id;
        const char* text;
    };
    const Change changes[] = {{0, kClip, "60"},       {1000, kGain, "9"},  {1000, kSoftness, "40"},
                              {2500, kOversmp, "on"}, {2501, kClip, "30"}, {4095, kGain, "0"}};
    ClapInstance fx(host);
    ASSERT_TRUE(fx.activate(44100.0, 4096));
    EventList events;
    for (const Change& c : changes) {
        double v = 0.0;
        ASSERT_TRUE(fx.parse(c.id, c.text, v));
        events.paramValue(c.id, v, c.time);
    }
    Stereo out = in;
    float* io[2] = {out.l.data(), out.r.data()};
    EXPECT_EQ(fx.process(io, io, 4096, &events), clap::kProcessContinue);

    Instance vst;
    vst.dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    vst.dispatch(effMainsChanged, 0, 1);
    Stereo ref = in;
    uint32_t done = 0;
    auto run = [&](uint32_t until) {
        float* p[2] = {ref.l.data() + done, ref.r.data() + done};
        if (until > done) vst->processReplacing(vst.effect(), p, p, static_cast<VstInt32>(until - done));
        done = until;
    };
    for (const Change& c : changes) {
        run(c.time);
        vst.dispatch(effString2Parameter, static_cast<VstInt32>(c.id), 0, const_cast<char*>(c.text));
    }
    run(4096);
    EXPECT_TRUE(sameBits(out, ref));
    double expectedClip = 0.0;
    ASSERT_TRUE(fx.parse(kClip, "30", expectedClip));
    EXPECT_EQ(fx.value(kClip), expectedClip);

    // The same events once more, one frame late: the output differs (the split is real).
    ClapInstance late(host);
    ASSERT_TRUE(late.activate(44100.0, 4096));
    EventList shifted;
    for (const Change& c : changes) {
        double v = 0.0;
        late.parse(c.id, c.text, v);
        shifted.paramValue(c.id, v, c.time == 4095 ? c.time : c.time + 1);
    }
    Stereo other = in;
    float* io2[2] = {other.l.data(), other.r.data()};
    late.process(io2, io2, 4096, &shifted);
    EXPECT_FALSE(sameBits(other, ref));
}

// Values a host or a file might send: out of range, not finite, for ids that exist and that do
// not, at any frame. The output stays finite and the values in range.
TEST_F(ClapTest, WildValuesGiveFiniteOutputAndValuesInRange)
{
    ClapInstance fx(host);
    ASSERT_TRUE(fx.activate(44100.0, 1024));
    const double wild[] = {std::nan(""), HUGE_VAL, -HUGE_VAL, 1e300, -1e300, 13.0, -1.0, 1e-320, 0.5};
    std::mt19937 rng(5);
    Stereo loud{std::vector<float>(1024), std::vector<float>(1024)};
    for (int block = 0; block < 40; ++block) {
        EventList events;
        for (int k = 0; k < 6; ++k) {
            const clap::Id id = rng() % 8;  // 6 and 7 do not exist
            events.paramValue(id, wild[rng() % 9], static_cast<uint32_t>(k * 150 + rng() % 100));
        }
        for (size_t i = 0; i < 1024; ++i) loud.l[i] = loud.r[i] = static_cast<float>(40.0 * std::sin(i * 0.3));
        float* io[2] = {loud.l.data(), loud.r.data()};
        fx.process(io, io, 1024, &events);
        ASSERT_TRUE(allFinite(loud)) << "block " << block;
        for (clap::Id id = 0; id < 6; ++id) {
            clap::ParamInfo info{};
            fx.params()->get_info(fx.plugin(), id, &info);
            const double v = fx.value(id);
            EXPECT_TRUE(std::isfinite(v) && v >= info.min_value && v <= info.max_value) << id << " " << v;
        }
    }
    // The same through flush while inactive.
    fx.deactivate();
    EventList events;
    for (clap::Id id = 0; id < 8; ++id)
        for (double w : wild) events.paramValue(id, w);
    fx.flush(events);
    for (clap::Id id = 0; id < 6; ++id) EXPECT_TRUE(std::isfinite(fx.value(id)));
}

// flush works without processing; the program parameter selects one of the ten programs, whose
// values the parameters then show.
TEST_F(ClapTest, FlushAndProgramsWorkWithoutProcessing)
{
    ClapInstance fx(host);
    ASSERT_TRUE(fx.ok());
    clap::ParamInfo info{};
    ASSERT_TRUE(fx.params()->get_info(fx.plugin(), kProgram, &info));
    EXPECT_EQ(info.min_value, 0.0);
    EXPECT_EQ(info.max_value, 9.0);
    EXPECT_EQ(fx.text(kProgram, 3.0), "3: Defaults");

    double gain9 = 0.0;
    ASSERT_TRUE(fx.parse(kGain, "9", gain9));
    EventList select3, set9, select0;
    select3.paramValue(kProgram, 3.0);
    set9.paramValue(kGain, gain9);
    select0.paramValue(kProgram, 0.0);
    fx.flush(select3);
    host.serviceCallback();
    EXPECT_EQ(fx.value(kProgram), 3.0);
    fx.flush(set9);
    EXPECT_EQ(fx.value(kGain), gain9);
    fx.flush(select0);
    host.serviceCallback();
    EXPECT_EQ(fx.value(kProgram), 0.0);
    EXPECT_NE(fx.value(kGain), gain9) << "program 0 keeps its own values";

    // While processing, a program change reaches the main thread through a callback; the host
    // hears the program's values as events of the next process call and is told to read them again.
    ASSERT_TRUE(fx.activate(44100.0, 256));
    const int callbacks = host.callbackRequests;
    host.rescans.clear();
    float buffer[2][256] = {};
    float* io[2] = {buffer[0], buffer[1]};
    fx.process(io, io, 256, &select3);
    EXPECT_GT(host.callbackRequests.load(), callbacks);
    EXPECT_TRUE(host.serviceCallback());
    EXPECT_EQ(fx.value(kProgram), 3.0);
    EXPECT_EQ(fx.value(kGain), gain9);
    ASSERT_FALSE(host.rescans.empty());
    EXPECT_TRUE(host.rescans.back() & clap::kParamRescanValues);
    EventRecorder announced;
    fx.process(io, io, 256, nullptr, &announced);
    std::vector<std::pair<clap::Id, double>> values;
    for (const auto& e : announced.events)
        if (e.type == clap::kEventParamValue) values.emplace_back(e.param, e.value);
    EXPECT_EQ(values,
              (std::vector<std::pair<clap::Id, double>>{{kGain, fx.value(kGain)},
                                                        {kClip, fx.value(kClip)},
                                                        {kSoftness, fx.value(kSoftness)},
                                                        {kOversmp, fx.value(kOversmp)},
                                                        {kProgram, 3.0}}));

    // A host that never answers request_callback: the next call on the main thread selects it.
    fx.process(io, io, 256, &select0);
    EXPECT_EQ(fx.value(kProgram), 0.0);
    EXPECT_NE(fx.value(kGain), gain9);
    announced.events.clear();
    fx.process(io, io, 256, nullptr, &announced);
    EXPECT_EQ(announced.events.size(), 5u);
}

// ---------------------------------------------------------------- state

// Save, load into another instance and save again: the same bytes through streams that take or
// give one to three bytes per call, the bank in the layout of the VST 2.x module's bank chunk,
// and the same output bit for bit.
TEST_F(ClapTest, StateRoundTripsThroughTrickleStreamsAndMovesTheSound)
{
    ClapInstance a(host);
    a.setByText({{kProgram, "2"}});
    host.serviceCallback();
    a.setByText({{kGain, "4.5"}, {kClip, "65"}, {kSoftness, "20"}, {kOversmp, "on"}});
    bool ok = false;
    const std::vector<uint8_t> saved = a.save(3, &ok);
    ASSERT_TRUE(ok);
    ASSERT_GT(saved.size(), 12u);
    EXPECT_EQ(std::string(saved.begin(), saved.begin() + 4), "SrvS");
    EXPECT_EQ(a.save(1), saved);
    EXPECT_EQ(a.save(1000), saved);

    // The bank inside is the VST 2.x module's bank chunk at the same settings.
    {
        Instance vst;
        vst.dispatch(effSetProgram, 0, 2);
        for (auto s : Settings{{kGain, "4.5"}, {kClip, "65"}, {kSoftness, "20"}, {kOversmp, "on"}})
            vst.dispatch(effString2Parameter, static_cast<VstInt32>(s.first), 0, const_cast<char*>(s.second.c_str()));
        void* chunk = nullptr;
        const VstIntPtr size = vst.dispatch(effGetChunk, 0, 0, &chunk);
        ASSERT_GT(size, 0);
        ASSERT_EQ(saved.size(), 8u + static_cast<size_t>(size) + 4u);
        EXPECT_EQ(std::memcmp(saved.data() + 8, chunk, static_cast<size_t>(size)), 0);
        EXPECT_EQ(saved[saved.size() - 4], 2);
    }

    TestHost otherHost;
    ClapInstance b(otherHost);
    ASSERT_TRUE(b.load(saved, 2));
    EXPECT_EQ(b.save(3), saved);
    for (clap::Id id = 0; id < 6; ++id) EXPECT_EQ(b.value(id), a.value(id)) << id;

    const Stereo in = burstSignal(20000, 9);
    ASSERT_TRUE(a.activate(96000.0, 1024));
    ASSERT_TRUE(b.activate(96000.0, 1024));
    EXPECT_TRUE(sameBits(renderClap(a, in, {1024}, false), renderClap(b, in, {1024}, false)));
}

// Short, oversized, foreign, random or broken state, and a stream that fails: refused, and the
// instance keeps its state and its sound.
TEST_F(ClapTest, BadStateIsRefusedAndChangesNothing)
{
    ClapInstance fx(host);
    fx.setByText({{kGain, "3"}, {kClip, "90"}});
    const std::vector<uint8_t> good = fx.save();
    ASSERT_FALSE(good.empty());
    ClapInstance other(host);
    other.setByText({{kSoftness, "70"}, {kProgram, "5"}});
    host.serviceCallback();
    const std::vector<uint8_t> mine = other.save();

    std::vector<std::vector<uint8_t>> bad;
    bad.push_back({});
    for (size_t n : {size_t(1), size_t(4), size_t(8), good.size() / 2, good.size() - 4, good.size() - 1})
        bad.emplace_back(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    bad.push_back(good);
    bad.back().push_back(0);  // one byte more
    bad.push_back(good);
    bad.back().insert(bad.back().end(), good.begin(), good.end());  // twice
    bad.push_back(good);
    bad.back()[0] = 'X';  // another tag
    bad.push_back(good);
    bad.back()[4] ^= 0x7F;  // another version
    bad.push_back(good);
    std::memset(bad.back().data() + bad.back().size() - 4, 0x7F, 4);  // no such program
    std::mt19937 rng(1);
    for (int k = 0; k < 20; ++k) {
        std::vector<uint8_t> noise(k < 10 ? good.size() : rng() % (2 * good.size()));
        for (auto& b : noise) b = static_cast<uint8_t>(rng());
        if (k % 2 && noise.size() >= 8) std::memcpy(noise.data(), good.data(), 8);  // a true head
        bad.push_back(noise);
    }
    // Values outside 0..1 and not finite inside a true head and size: the values follow the
    // 25-byte program name in each program record.
    for (double v : {std::nan(""), 2.0, -0.5}) {
        std::vector<uint8_t> broken = good;
        std::memcpy(broken.data() + 8 + 25, &v, sizeof v);
        bad.push_back(broken);
    }

    const Stereo in = burstSignal(8192, 4);
    ASSERT_TRUE(other.activate(44100.0, 512));
    const Stereo before = renderClap(other, in, {512}, false);
    other.deactivate();
    for (size_t k = 0; k < bad.size(); ++k) {
        EXPECT_FALSE(other.load(bad[k], 1 + k % 4)) << "bad state " << k << " (" << bad[k].size() << " bytes)";
        ASSERT_EQ(other.save(), mine) << "bad state " << k << " changed the state";
    }
    // The good state through a stream that fails at its end instead of ending.
    EXPECT_FALSE(other.load(good, 3, true));
    EXPECT_EQ(other.save(), mine);
    ASSERT_TRUE(other.activate(44100.0, 512));
    EXPECT_TRUE(sameBits(renderClap(other, in, {512}, false), before));
    // And the good state is taken.
    other.deactivate();
    EXPECT_TRUE(other.load(good));
    EXPECT_EQ(other.save(), good);
}

#if defined(SARVO_COUNTS_ALLOCATIONS)
// ---------------------------------------------------------------- real time

// process allocates nothing: at any block size, in place or not, 32 or 64 bit, with parameter
// events (a program change among them) and a refusing output queue.
TEST_F(ClapTest, ProcessAllocatesNothing)
{
    ClapInstance fx(host);
    ASSERT_TRUE(fx.activate(48000.0, 2048));
    Stereo s = burstSignal(2048, 2);
    StereoD d = widen(s);
    Stereo o = s;
    StereoD od = d;
    EventList events;
    double v = 0.0;
    fx.parse(kGain, "7", v);
    events.paramValue(kGain, v, 3);
    events.paramValue(kOversmp, 1.0, 100);
    events.paramValue(kBypass, 1.0, 200);
    events.paramValue(kBypass, 0.0, 300);
    events.paramValue(kProgram, 4.0, 400);
    events.paramValue(kClip, std::nan(""), 500);
    events.gesture(kGain, true, 600);
    EventRecorder recorder;
    recorder.reserve(1000);
    // Warm up once (a host's first call may meet lazily made state in the runtime).
    float* io[2] = {s.l.data(), s.r.data()};
    fx.process(io, io, 64, &events, &recorder);
    startCountingAllocations();
    for (uint32_t frames : {1u, 17u, 512u, 2048u, 0u}) {
        float* i[2] = {s.l.data(), s.r.data()};
        float* out[2] = {o.l.data(), o.r.data()};
        double* id[2] = {d.l.data(), d.r.data()};
        double* outd[2] = {od.l.data(), od.r.data()};
        fx.process(i, out, frames, &events, &recorder);
        fx.process(i, i, frames, &events, &recorder);
        fx.process(id, outd, frames, &events, &recorder);
        fx.process(id, id, frames, &events, &recorder);
    }
    recorder.refuse = true;
    fx.process(io, io, 512, &events, &recorder);
    EXPECT_EQ(stopCountingAllocations(), 0);
}
#endif

}  // namespace
