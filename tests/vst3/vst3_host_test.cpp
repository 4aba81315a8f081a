// The VST3 bundle through a VST3 host of our own (vst3_host.h), checking what the format's reference
// validator checks and what Sarvo promises on top: the factory and its class; interfaces, reference
// counts and release; buses and activation; processing at three rates in both precisions and in
// blocks of any size with parameter changes inside them, sample for sample as the VST 2.x module
// (dist's Sarvo.so or Sarvo.dll, loaded through VSTPluginMain) sounds with the same changes at the
// same frames; parameters and their texts; programs; state; corrupt state; a process call that
// allocates nothing; and the editor view in a parent window of this host (vst3_view_test.cpp).
#include "vst3_host.h"
#include "vst3_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

using namespace vst3host;
using namespace vst3test;

namespace {

// ------------------------------------------------------------------------------------------------
// Factory, class, interfaces and reference counts

TEST(Vst3Host, FactoryDescribesOneEffectClassAndMakesItWithCountedReferences)
{
    Module& module = vst3host::sharedModule();
    ASSERT_TRUE(module.loaded()) << module.error();
    IPluginFactory* factory = module.factory();
    ASSERT_NE(factory, nullptr);
    // The factory is one object for the module's life; each call hands out a new reference.
    IPluginFactory* again = module.factory();
    EXPECT_EQ(again, factory);
    const uint32_t factoryRefs = referenceCount(factory);
    EXPECT_GE(factoryRefs, 2u);
    EXPECT_EQ(again->release(), factoryRefs - 1);

    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "ONDX");
    EXPECT_NE(info.flags & PFactoryInfo::kUnicode, 0);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);

    // One class: the effect, processor and controller in one.
    ASSERT_EQ(factory->countClasses(), 1);
    PClassInfo ci{};
    ASSERT_EQ(factory->getClassInfo(0, &ci), kResultOk);
    EXPECT_STREQ(ci.category, kAudioEffectClass);
    EXPECT_STREQ(ci.name, "Sarvo");
    EXPECT_EQ(ci.cardinality, kManyInstances);
    EXPECT_EQ(hexId(ci.cid), kClassIdHex);
    EXPECT_NE(factory->getClassInfo(1, &ci), kResultOk);
    EXPECT_NE(factory->getClassInfo(-1, &ci), kResultOk);

    void* object = nullptr;
    ASSERT_EQ(factory->queryInterface(iid(IPluginFactory3::iid), &object), kResultOk);
    auto* factory3 = static_cast<IPluginFactory3*>(object);
    PClassInfo2 ci2{};
    ASSERT_EQ(factory3->getClassInfo2(0, &ci2), kResultOk);
    EXPECT_EQ(std::memcmp(ci2.cid, ci.cid, 16), 0);
    EXPECT_STREQ(ci2.category, kAudioEffectClass);
    EXPECT_STREQ(ci2.name, "Sarvo");
    EXPECT_STREQ(ci2.subCategories, "Fx|Distortion");
    EXPECT_STREQ(ci2.vendor, "ONDX");
    EXPECT_STREQ(ci2.version, "1.0.0");
    EXPECT_EQ(std::string(ci2.sdkVersion).rfind("VST 3.", 0), 0u) << ci2.sdkVersion;
    EXPECT_EQ(ci2.classFlags & kDistributable, 0u) << "processor and controller are one object";
    PClassInfoW ciw{};
    ASSERT_EQ(factory3->getClassInfoUnicode(0, &ciw), kResultOk);
    EXPECT_EQ(std::memcmp(ciw.cid, ci.cid, 16), 0);
    EXPECT_EQ(utf8(ciw.name), "Sarvo");
    EXPECT_EQ(utf8(ciw.vendor), "ONDX");
    EXPECT_EQ(utf8(ciw.version), "1.0.0");
    EXPECT_STREQ(ciw.subCategories, "Fx|Distortion");
    EXPECT_EQ(factory3->setHostContext(nullptr), kResultOk);
    EXPECT_NE(factory3->getClassInfoUnicode(1, &ciw), kResultOk);
    factory3->release();

    // Unknown classes and interfaces make nothing.
    unsigned char otherClass[16];
    std::memcpy(otherClass, ci.cid, 16);
    otherClass[15] ^= 1;
    object = &info;
    EXPECT_NE(factory->createInstance(reinterpret_cast<const char*>(otherClass), iid(IComponent::iid), &object), kResultOk);
    EXPECT_EQ(object, nullptr);
    object = &info;
    EXPECT_NE(factory->createInstance(reinterpret_cast<const char*>(ci.cid), iid(IPlugView::iid), &object), kResultOk);
    EXPECT_EQ(object, nullptr);
    EXPECT_NE(factory->createInstance(nullptr, iid(IComponent::iid), &object), kResultOk);

    // The object: every interface of it is one object (same FUnknown), queries count references,
    // and the last release ends it (the handler it held is given back).
    ASSERT_EQ(factory->createInstance(reinterpret_cast<const char*>(ci.cid), iid(IComponent::iid), &object), kResultOk);
    auto* component = static_cast<IComponent*>(object);
    EXPECT_EQ(referenceCount(component), 1u);
    void* unknown = nullptr;
    ASSERT_EQ(component->queryInterface(iid(FUnknown::iid), &unknown), kResultOk);
    EXPECT_EQ(referenceCount(component), 2u);
    const Uid interfaces[] = {IPluginBase::iid, IComponent::iid, IAudioProcessor::iid, IProcessContextRequirements::iid,
                              IEditController::iid, IUnitInfo::iid};
    for (const Uid& id : interfaces) {
        void* p = nullptr;
        ASSERT_EQ(component->queryInterface(iid(id), &p), kResultOk) << hexId(id.bytes);
        void* same = nullptr;
        ASSERT_EQ(static_cast<FUnknown*>(p)->queryInterface(iid(FUnknown::iid), &same), kResultOk);
        EXPECT_EQ(same, unknown) << "one object behind every interface";
        static_cast<FUnknown*>(same)->release();
        EXPECT_EQ(static_cast<FUnknown*>(p)->release(), 2u);
    }
    void* none = &info;
    EXPECT_EQ(component->queryInterface(iid(IPlugView::iid), &none), kNoInterface);
    EXPECT_EQ(none, nullptr);
    EXPECT_EQ(component->queryInterface(iid(FUnknown::iid), nullptr), kInvalidArgument);
    EXPECT_EQ(static_cast<FUnknown*>(unknown)->release(), 1u);

    unsigned char controllerClass[16] = {};
    EXPECT_NE(component->getControllerClassId(controllerClass), kResultOk) << "the component is its own controller";
    ASSERT_EQ(component->initialize(nullptr), kResultOk);
    EXPECT_NE(component->initialize(nullptr), kResultOk) << "initialised twice";
    void* p = nullptr;
    ASSERT_EQ(component->queryInterface(iid(IEditController::iid), &p), kResultOk);
    auto* controller = static_cast<IEditController*>(p);
    ComponentHandler handler;
    EXPECT_EQ(controller->setComponentHandler(&handler), kResultOk);
    EXPECT_EQ(handler.references, 2u);
    EXPECT_EQ(controller->setComponentHandler(&handler), kResultOk);
    EXPECT_EQ(handler.references, 2u) << "the same handler twice is held once";
    controller->release();
    // Terminate gives back what the host gave, and the object starts again after it.
    EXPECT_EQ(component->terminate(), kResultOk);
    EXPECT_EQ(handler.references, 1u);
    EXPECT_EQ(component->initialize(nullptr), kResultOk);
    ASSERT_EQ(component->queryInterface(iid(IEditController::iid), &p), kResultOk);
    controller = static_cast<IEditController*>(p);
    EXPECT_EQ(controller->setComponentHandler(&handler), kResultOk);
    controller->release();
    EXPECT_EQ(component->release(), 0u);
    EXPECT_EQ(handler.references, 1u) << "the last release gives the handler back";

    EXPECT_EQ(factory->release(), factoryRefs - 2);
}

// ------------------------------------------------------------------------------------------------
// Buses, arrangements, activation

TEST(Vst3Host, BusesAreOneStereoPairAndOtherArrangementsAreRefused)
{
    Effect fx;
    ASSERT_TRUE(fx.ok());
    IComponent* c = fx->component;
    IAudioProcessor* ap = fx->processor;
    EXPECT_EQ(c->getBusCount(kAudio, kInput), 1);
    EXPECT_EQ(c->getBusCount(kAudio, kOutput), 1);
    EXPECT_EQ(c->getBusCount(kEvent, kInput), 0);
    EXPECT_EQ(c->getBusCount(kEvent, kOutput), 0);
    for (BusDirection d : {kInput, kOutput}) {
        BusInfo bus{};
        ASSERT_EQ(c->getBusInfo(kAudio, d, 0, bus), kResultOk);
        EXPECT_EQ(bus.mediaType, kAudio);
        EXPECT_EQ(bus.direction, d);
        EXPECT_EQ(bus.channelCount, 2);
        EXPECT_EQ(bus.busType, kMain);
        EXPECT_NE(bus.flags & BusInfo::kDefaultActive, 0u);
        EXPECT_FALSE(utf8(bus.name).empty());
        EXPECT_NE(c->getBusInfo(kAudio, d, 1, bus), kResultOk);
        EXPECT_NE(c->getBusInfo(kAudio, d, -1, bus), kResultOk);
        EXPECT_NE(c->getBusInfo(kEvent, d, 0, bus), kResultOk);
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(ap->getBusArrangement(d, 0, arrangement), kResultOk);
        EXPECT_EQ(arrangement, kArrStereo);
        EXPECT_NE(ap->getBusArrangement(d, 1, arrangement), kResultOk);
        EXPECT_EQ(c->activateBus(kAudio, d, 0, 1), kResultOk);
        EXPECT_NE(c->activateBus(kAudio, d, 1, 1), kResultOk);
        EXPECT_NE(c->activateBus(kEvent, d, 0, 1), kResultOk);
    }
    RoutingInfo in{}, out{};
    EXPECT_NE(c->getRoutingInfo(in, out), kResultOk);

    // Stereo in, stereo out only; a refusal leaves stereo in place.
    SpeakerArrangement stereo[2] = {kArrStereo, kArrStereo};
    SpeakerArrangement mono = kArrMono, surround = 0x3F, empty = kArrEmpty;
    EXPECT_EQ(ap->setBusArrangements(&stereo[0], 1, &stereo[1], 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(&mono, 1, &mono, 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(&mono, 1, &stereo[1], 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(&stereo[0], 1, &surround, 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(&empty, 1, &stereo[1], 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(stereo, 2, &stereo[1], 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(nullptr, 0, &stereo[1], 1), kResultOk);
    EXPECT_NE(ap->setBusArrangements(nullptr, 1, nullptr, 1), kResultOk);
    for (BusDirection d : {kInput, kOutput}) {
        SpeakerArrangement arrangement = 0;
        ASSERT_EQ(ap->getBusArrangement(d, 0, arrangement), kResultOk);
        EXPECT_EQ(arrangement, kArrStereo);
    }

    EXPECT_EQ(ap->canProcessSampleSize(kSample32), kResultOk);
    EXPECT_EQ(ap->canProcessSampleSize(kSample64), kResultOk);
    EXPECT_NE(ap->canProcessSampleSize(2), kResultOk);
    EXPECT_EQ(ap->getLatencySamples(), 0u);
    EXPECT_EQ(ap->getTailSamples(), kNoTail);
    void* requirements = nullptr;
    ASSERT_EQ(c->queryInterface(iid(IProcessContextRequirements::iid), &requirements), kResultOk);
    EXPECT_EQ(static_cast<IProcessContextRequirements*>(requirements)->getProcessContextRequirements(), 0u)
        << "the effect needs nothing of the transport";
    static_cast<IProcessContextRequirements*>(requirements)->release();
    EXPECT_EQ(c->setIoMode(kSimple), kResultOk);

    // Setups the effect cannot take are refused; activation goes both ways, any number of times.
    ProcessSetup bad{kRealtime, kSample32, 512, 0.0};
    EXPECT_NE(ap->setupProcessing(bad), kResultOk);
    bad.sampleRate = std::numeric_limits<double>::quiet_NaN();
    EXPECT_NE(ap->setupProcessing(bad), kResultOk);
    bad = ProcessSetup{kRealtime, 7, 512, 44100.0};
    EXPECT_NE(ap->setupProcessing(bad), kResultOk);
    for (int round = 0; round < 3; ++round) {
        ASSERT_TRUE(fx->start(48000.0, 256, kSample32));
        EXPECT_EQ(ap->getLatencySamples(), 0u);
        fx->stop();
    }
    // A process call without buses or samples (a host's flush) is answered.
    ASSERT_TRUE(fx->start(48000.0, 256, kSample32));
    ProcessData flush{};
    flush.symbolicSampleSize = kSample32;
    EXPECT_EQ(ap->process(flush), kResultOk);
    // Silent output is flagged as such, sound is not.
    std::vector<float> l(256, 0.0f), r(256, 0.0f), outL(256, 1.0f), outR(256, 1.0f);
    float* inChannels[2] = {l.data(), r.data()};
    float* outChannels[2] = {outL.data(), outR.data()};
    AudioBusBuffers inputs{}, outputs{};
    inputs.numChannels = outputs.numChannels = 2;
    inputs.channelBuffers32 = inChannels;
    outputs.channelBuffers32 = outChannels;
    outputs.silenceFlags = 0x10;
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = 256;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inputs;
    data.outputs = &outputs;
    ASSERT_EQ(ap->process(data), kResultOk);
    EXPECT_EQ(outputs.silenceFlags, 3u);
    l[100] = 0.5f;
    ASSERT_EQ(ap->process(data), kResultOk);
    EXPECT_EQ(outputs.silenceFlags, 2u);
    fx->stop();
}

// ------------------------------------------------------------------------------------------------
// Processing: rates, precisions, block sizes, parameter changes at their frames

template <class T>
void processesLikeTheVst2Module(int32_t sampleSize)
{
    const size_t frames = 16384;
    const Signal<T> in = signal<T>(frames, 3);
    // Changes at frames inside blocks of 1, of random sizes and of the maximum; several at one
    // frame; two of one parameter inside one block of the maximum (8192 + 1024 k is where those
    // start); the bypass on and off.
    const std::vector<Change> changes = {
        {10, kGain, 0.25},     {33, kGain, 0.5},      {700, kClip, 0.625},    {700, kSoftness, 0.5},
        {2999, kOversmp, 1.0}, {3001, kGain, 0.75},   {5000, kClip, 0.375},   {7000, kSoftness, 0.125},
        {9300, kClip, 0.5},    {9800, kClip, 0.875},  {10300, kBypass, 1.0},  {11000, kBypass, 0.0},
        {12000, kOversmp, 0.0}, {12001, kGain, 1.0},  {15000, kClip, 0.25},   {16383, kSoftness, 1.0},
    };
    for (double rate : {44100.0, 96000.0, 192000.0}) {
        SCOPED_TRACE(rate);
        const Signal<T> reference = renderVst2(in, rate, {}, changes);
        Effect fx;
        ASSERT_TRUE(fx.ok());
        ASSERT_TRUE(fx->start(rate, kMaxBlock, sampleSize));
        const Signal<T> out = renderVst3(*fx, in, blockPlan(frames, 5), changes, sampleSize, rate == 96000.0);
        fx->stop();
        expectSameSamples(out, reference);
        EXPECT_FALSE(sameSamples(out, in)) << "the effect did something";
    }

    // A flush call (no buffers) with a change: the change holds for what follows.
    Effect fx;
    ASSERT_TRUE(fx->start(44100.0, kMaxBlock, sampleSize));
    ParameterChanges changesOnly;
    changesOnly.add(kGain, 0, 0.5);
    ProcessData flush{};
    flush.symbolicSampleSize = sampleSize;
    flush.inputParameterChanges = &changesOnly;
    ASSERT_EQ(fx->processor->process(flush), kResultOk);
    const Signal<T> out = renderVst3(*fx, in, {512}, {}, sampleSize, false);
    expectSameSamples(out, renderVst2(in, 44100.0, {}, {{0, kGain, 0.5}}));
}

TEST(Vst3Host, ProcessesLikeTheVst2ModuleAtEveryRateBlockSizeAndPrecisionWithChangesAtTheirFrames)
{
    ASSERT_TRUE(vst2Loaded());
    {
        SCOPED_TRACE("32-bit");
        processesLikeTheVst2Module<float>(kSample32);
    }
    {
        SCOPED_TRACE("64-bit");
        processesLikeTheVst2Module<double>(kSample64);
    }
}

// The demo's settings (scripts/demo), typed as texts into both modules.
TEST(Vst3Host, DemoSettingsRenderByteIdenticalToTheVst2Module)
{
    ASSERT_TRUE(vst2Loaded());
    const std::vector<std::vector<Setting>> demo = {
        {},
        {{kClip, "80"}},
        {{kClip, "80"}, {kSoftness, "50"}},
        {{kGain, "6"}, {kClip, "70"}, {kSoftness, "30"}, {kOversmp, "on"}},
        {{kGain, "6"}, {kClip, "50"}, {kBypass, "on"}},
    };
    const Signal<float> in32 = signal<float>(44100, 11);
    const Signal<double> in64 = signal<double>(44100, 11);
    for (const auto& settings : demo) {
        SCOPED_TRACE(describe(settings));
        Effect a, b;
        ASSERT_TRUE(a.ok() && b.ok());
        ASSERT_TRUE(a.type(settings) && b.type(settings));
        ASSERT_TRUE(a->start(44100.0, kMaxBlock, kSample32));
        ASSERT_TRUE(b->start(44100.0, kMaxBlock, kSample64));
        const Signal<float> out32 = renderVst3(*a, in32, {512}, {}, kSample32, false);
        const Signal<double> out64 = renderVst3(*b, in64, {512}, {}, kSample64, false);
        expectSameSamples(out32, renderVst2(in32, 44100.0, settings, {}));
        expectSameSamples(out64, renderVst2(in64, 44100.0, settings, {}));
        if (settings.size() == 3 && settings[2].id == kBypass) expectSameSamples(out32, in32);
    }
}

// ------------------------------------------------------------------------------------------------
// Parameters

TEST(Vst3Host, ParametersDescribeThemselvesAsTheVst2ModuleAndTheirTextsRoundTrip)
{
    ASSERT_TRUE(vst2Loaded());
    Effect fx;
    ASSERT_TRUE(fx.ok());
    IEditController* ec = fx->controller;
    ASSERT_EQ(ec->getParameterCount(), 6);
    Instance vst2;
    ParameterInfo info{};
    for (int32_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        ASSERT_EQ(ec->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(utf8(info.title), vst2.text(effGetParamName, i));
        EXPECT_EQ(utf8(info.shortTitle), vst2.text(effGetParamName, i));
        EXPECT_EQ(utf8(info.units), vst2.text(effGetParamLabel, i));
        EXPECT_EQ(info.stepCount, i == kOversmp ? 1 : 0);
        EXPECT_EQ(static_cast<float>(info.defaultNormalizedValue), vst2->getParameter(vst2.effect(), i));
        EXPECT_EQ(ec->getParamNormalized(info.id), info.defaultNormalizedValue);
        EXPECT_EQ(info.unitId, kRootUnitId);
        EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate);

        // Texts as the VST 2.x module shows them, and back.
        for (double v : {0.0, 0.125, 0.25, 0.5, 0.625, 0.875, 1.0}) {
            String128 text{};
            ASSERT_EQ(ec->getParamStringByValue(info.id, v, text), kResultOk);
            vst2->setParameter(vst2.effect(), i, static_cast<float>(v));
            EXPECT_EQ(utf8(text), vst2.text(effGetParamDisplay, i)) << v;
            double back = -1.0;
            ASSERT_EQ(ec->getParamValueByString(info.id, text, back), kResultOk) << utf8(text);
            String128 again{};
            ASSERT_EQ(ec->getParamStringByValue(info.id, back, again), kResultOk);
            EXPECT_EQ(utf8(again), utf8(text));
            // Plain values: the display value in the unit, and back to the same display value (the
            // effect may keep its values in steps of the display).
            const double plain = ec->normalizedParamToPlain(info.id, v);
            EXPECT_DOUBLE_EQ(ec->normalizedParamToPlain(info.id, ec->plainParamToNormalized(info.id, plain)), plain);
        }
        EXPECT_LT(ec->normalizedParamToPlain(info.id, 0.0), ec->normalizedParamToPlain(info.id, 1.0));
    }
    EXPECT_DOUBLE_EQ(ec->normalizedParamToPlain(kGain, 1.0), 12.0);
    std::u16string six = u16("6 dB");
    double gain = 0.0;
    ASSERT_EQ(ec->getParamValueByString(kGain, six.data(), gain), kResultOk);
    EXPECT_DOUBLE_EQ(ec->normalizedParamToPlain(kGain, gain), 6.0);

    // The bypass and program-change parameters.
    ASSERT_EQ(ec->getParameterInfo(4, info), kResultOk);
    EXPECT_EQ(info.id, kBypass);
    EXPECT_EQ(info.flags, ParameterInfo::kCanAutomate | ParameterInfo::kIsBypass | ParameterInfo::kIsList);
    EXPECT_EQ(info.stepCount, 1);
    EXPECT_EQ(info.defaultNormalizedValue, 0.0);
    EXPECT_EQ(utf8(info.title), "Bypass");
    String128 text{};
    ASSERT_EQ(ec->getParamStringByValue(kBypass, 1.0, text), kResultOk);
    EXPECT_EQ(utf8(text), "On");
    double value = 0.0;
    ASSERT_EQ(ec->getParamValueByString(kBypass, text, value), kResultOk);
    EXPECT_EQ(value, 1.0);
    ASSERT_EQ(ec->getParameterInfo(5, info), kResultOk);
    EXPECT_EQ(info.id, kProgram);
    EXPECT_EQ(info.flags, ParameterInfo::kIsProgramChange | ParameterInfo::kIsList);
    EXPECT_EQ(info.stepCount, 9);
    EXPECT_EQ(info.unitId, kRootUnitId);
    EXPECT_NE(ec->getParameterInfo(6, info), kResultOk);
    EXPECT_NE(ec->getParameterInfo(-1, info), kResultOk);
    EXPECT_NE(ec->getParamStringByValue(99, 0.5, text), kResultOk);
}

TEST(Vst3Host, WildValuesStayInRangeAndTheOutputStaysFinite)
{
    const double wild[] = {std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                           -std::numeric_limits<double>::infinity(), -5.0, 7.0, 1e308, -1e-300};
    const Signal<float> in = signal<float>(4096, 4);
    Effect fx;
    ASSERT_TRUE(fx->start(96000.0, kMaxBlock, kSample32));
    // Through the controller.
    for (ParamID id : {kGain, kClip, kSoftness, kOversmp, kBypass, kProgram}) {
        for (double v : wild) {
            fx->controller->setParamNormalized(id, v);
            const double now = fx->controller->getParamNormalized(id);
            EXPECT_TRUE(now >= 0.0 && now <= 1.0) << id << " " << v << " -> " << now;
            String128 text{};
            fx->controller->getParamStringByValue(id, v, text);
            EXPECT_TRUE(std::isfinite(fx->controller->normalizedParamToPlain(id, v)) ||
                        id == kBypass || id == kProgram);
        }
    }
    // Through the process call's queues, at every frame of a block.
    std::vector<Change> changes;
    for (int k = 0; k < 200; ++k)
        changes.push_back({k * 20, static_cast<ParamID>(k % 5), wild[k % (sizeof wild / sizeof wild[0])]});
    const Signal<float> out = renderVst3(*fx, in, {1, 64, 512}, changes, kSample32, false);
    for (size_t i = 0; i < out.l.size(); ++i) {
        ASSERT_TRUE(std::isfinite(out.l[i]) && std::isfinite(out.r[i])) << i;
        ASSERT_LE(std::fabs(out.l[i]), 4.0f);
    }
    for (ParamID id : {kGain, kClip, kSoftness, kOversmp, kBypass}) {
        const double now = fx->controller->getParamNormalized(id);
        EXPECT_TRUE(now >= 0.0 && now <= 1.0) << id;
    }
    // Out-of-range values through the queue are held to the range: the sound of the ends.
    Effect held;
    ASSERT_TRUE(held->start(44100.0, kMaxBlock, kSample32));
    const Signal<float> clamped =
        renderVst3(*held, in, {256}, {{0, kGain, 9.0}, {0, kClip, -3.0}, {0, kSoftness, 2.0}}, kSample32, false);
    expectSameSamples(clamped, renderVst2(in, 44100.0, {}, {{0, kGain, 1.0}, {0, kClip, 0.0}, {0, kSoftness, 1.0}}));
    fx->stop();
    held->stop();
}

// ------------------------------------------------------------------------------------------------
// Programs

TEST(Vst3Host, ProgramsFormOneListAndTheProgramParameterSelectsThem)
{
    ASSERT_TRUE(vst2Loaded());
    Effect fx;
    ASSERT_TRUE(fx.ok());
    IUnitInfo* units = fx->units;
    ASSERT_NE(units, nullptr);
    ASSERT_EQ(units->getUnitCount(), 1);
    UnitInfo unit{};
    ASSERT_EQ(units->getUnitInfo(0, unit), kResultOk);
    EXPECT_EQ(unit.id, kRootUnitId);
    EXPECT_EQ(unit.parentUnitId, kNoParentUnitId);
    EXPECT_FALSE(utf8(unit.name).empty());
    EXPECT_NE(units->getUnitInfo(1, unit), kResultOk);
    ASSERT_EQ(units->getProgramListCount(), 1);
    ProgramListInfo list{};
    ASSERT_EQ(units->getProgramListInfo(0, list), kResultOk);
    EXPECT_EQ(list.id, unit.programListId);
    EXPECT_NE(list.id, kNoProgramListId);
    EXPECT_EQ(list.programCount, 10);
    EXPECT_FALSE(utf8(list.name).empty());
    EXPECT_NE(units->getProgramListInfo(1, list), kResultOk);
    EXPECT_EQ(units->getSelectedUnit(), kRootUnitId);
    EXPECT_EQ(units->selectUnit(kRootUnitId), kResultOk);
    UnitID byBus = -5;
    EXPECT_EQ(units->getUnitByBus(kAudio, kInput, 0, 0, byBus), kResultOk);
    EXPECT_EQ(byBus, kRootUnitId);

    // Names as the VST 2.x module gives them.
    Instance vst2;
    for (int32_t p = 0; p < 10; ++p) {
        String128 name{};
        ASSERT_EQ(units->getProgramName(list.id, p, name), kResultOk);
        EXPECT_EQ(utf8(name), vst2.text(effGetProgramNameIndexed, p)) << p;
        String128 text{};
        ASSERT_EQ(fx->controller->getParamStringByValue(kProgram, p / 9.0, text), kResultOk);
        EXPECT_EQ(utf8(text), utf8(name));
    }
    String128 name{};
    EXPECT_NE(units->getProgramName(list.id, 10, name), kResultOk);
    EXPECT_NE(units->getProgramName(list.id, -1, name), kResultOk);
    EXPECT_NE(units->getProgramName(list.id + 1, 0, name), kResultOk);
    EXPECT_NE(units->hasProgramPitchNames(list.id, 0), kResultOk);

    // The program parameter switches programs; the values follow and the host hears of it.
    ComponentHandler handler;
    fx->controller->setComponentHandler(&handler);
    fx->controller->setParamNormalized(kGain, 0.5);
    fx->controller->setParamNormalized(kProgram, 3 / 9.0);
    EXPECT_EQ(fx->controller->getParamNormalized(kProgram), 3 / 9.0);
    vst2.dispatch(effSetProgram, 3);
    EXPECT_EQ(static_cast<float>(fx->controller->getParamNormalized(kGain)), vst2->getParameter(vst2.effect(), kGain));
    ASSERT_FALSE(handler.calls.empty());
    EXPECT_EQ(handler.calls.back().kind, 'r');
    EXPECT_NE(static_cast<int32_t>(handler.calls.back().value) & IComponentHandler::kParamValuesChanged, 0);
    const std::vector<uint8_t> state = fx->componentState();
    ASSERT_GE(state.size(), 4u);
    EXPECT_EQ(state[state.size() - 4], 3) << "the state's last field is the current program";
    fx->controller->setParamNormalized(kProgram, 0.0);
    EXPECT_EQ(fx->controller->getParamNormalized(kGain), 0.5) << "program 0 kept its own values";
    fx->controller->setComponentHandler(nullptr);
    EXPECT_EQ(handler.references, 1u);
}

// ------------------------------------------------------------------------------------------------
// State

TEST(Vst3Host, StateIsVersionBankAndProgramAndASecondInstanceSoundsTheSame)
{
    ASSERT_TRUE(vst2Loaded());
    const std::vector<Setting> settings = {{kGain, "4.5"}, {kClip, "62"}, {kSoftness, "45"}, {kOversmp, "on"}};
    Effect a;
    ASSERT_TRUE(a.type(settings));
    const std::vector<uint8_t> state = a->componentState();
    // "SrvS", version 1, the VST 2.x bank chunk for the same settings, then the current program.
    const std::vector<uint8_t> bank = vst2Bank(settings);
    ASSERT_EQ(state.size(), 8 + bank.size() + 4);
    EXPECT_EQ(std::string(state.begin(), state.begin() + 4), "SrvS");
    EXPECT_EQ(state[4], 1);
    EXPECT_EQ(std::vector<uint8_t>(state.begin() + 8, state.end() - 4), bank);
    EXPECT_EQ(std::vector<uint8_t>(state.end() - 4, state.end()), std::vector<uint8_t>(4, 0));

    // The controller's own state keeps the bypass.
    a->set(kBypass, 1.0);
    const std::vector<uint8_t> controllerState = a->controllerState();
    EXPECT_FALSE(controllerState.empty());
    a->set(kBypass, 0.0);

    // A second instance takes both, gives the same bytes back and sounds the same, bit for bit.
    Effect b;
    MemoryStream s1(state), s2(state), s3(controllerState);
    ASSERT_EQ(b->component->setState(&s1), kResultOk);
    ASSERT_EQ(b->controller->setComponentState(&s2), kResultOk);
    EXPECT_EQ(b->componentState(), state);
    for (ParamID id : {kGain, kClip, kSoftness, kOversmp})
        EXPECT_EQ(b->controller->getParamNormalized(id), a->controller->getParamNormalized(id)) << id;
    const Signal<double> in = signal<double>(20000, 6);
    ASSERT_TRUE(a->start(48000.0, kMaxBlock, kSample64));
    ASSERT_TRUE(b->start(48000.0, kMaxBlock, kSample64));
    const Signal<double> outA = renderVst3(*a, in, blockPlan(in.l.size(), 7), {}, kSample64, false);
    const Signal<double> outB = renderVst3(*b, in, {kMaxBlock}, {}, kSample64, true);
    expectSameSamples(outA, outB);
    expectSameSamples(outA, renderVst2(in, 48000.0, settings, {}));
    b->stop();
    ASSERT_EQ(b->controller->setState(&s3), kResultOk);
    EXPECT_EQ(b->controller->getParamNormalized(kBypass), 1.0);
    EXPECT_EQ(b->componentState(), state) << "the bypass is not in the component's state";

    // A state saved while program 7 is current restores program 7.
    a->set(kProgram, 7 / 9.0);
    Effect c;
    MemoryStream s4(a->componentState());
    ASSERT_EQ(c->component->setState(&s4), kResultOk);
    EXPECT_EQ(c->controller->getParamNormalized(kProgram), 7 / 9.0);
    a->stop();
}

TEST(Vst3Host, CorruptStateIsRefusedAndChangesNothing)
{
    Effect fx;
    ASSERT_TRUE(fx.type({{kGain, "3"}, {kClip, "75"}}));
    const std::vector<uint8_t> good = fx->componentState();
    const std::vector<uint8_t> goodController = fx->controllerState();
    ASSERT_GT(good.size(), 16u);
    std::vector<std::vector<uint8_t>> corrupt = {{}, {'S', 'r', 'v', 'S'}};
    corrupt.push_back(std::vector<uint8_t>(good.begin(), good.end() - 1));  // short
    corrupt.push_back(good);
    corrupt.back().push_back(0);  // long
    corrupt.push_back(good);
    corrupt.back()[0] = 'X';  // foreign
    corrupt.push_back(good);
    corrupt.back()[4] = 2;  // a later version
    corrupt.push_back(good);
    corrupt.back()[good.size() - 4] = 10;  // no such program
    std::mt19937 rng(5);
    for (int k = 0; k < 20; ++k) {  // random bytes after a good header, and random bytes through a good state
        std::vector<uint8_t> r(good.size());
        for (uint8_t& b : r) b = static_cast<uint8_t>(rng());
        if (k % 2) std::copy(good.begin(), good.begin() + 8, r.begin());
        corrupt.push_back(r);
    }
    for (int k = 0; k < 20; ++k) {  // one value set beyond 1 (a double's exponent byte)
        std::vector<uint8_t> r = good;
        r[8 + rng() % (good.size() - 12)] = 0x7F;
        if (r != good) corrupt.push_back(r);
    }
    const Signal<float> in = signal<float>(4096, 8);
    ASSERT_TRUE(fx->start(44100.0, kMaxBlock, kSample32));
    const Signal<float> before = renderVst3(*fx, in, {512}, {}, kSample32, false);
    fx->stop();
    int refused = 0;
    for (const std::vector<uint8_t>& bytes : corrupt) {
        MemoryStream s1(bytes), s2(bytes), s3(bytes);
        const bool takenByComponent = fx->component->setState(&s1) == kResultOk;
        const bool takenByController = fx->controller->setComponentState(&s2) == kResultOk;
        // A value beyond 1 in a double may still be a valid one (the byte hit a small value's exponent).
        if (takenByComponent || takenByController) {
            EXPECT_EQ(fx->componentState(), bytes) << "taken, so it must be a valid state";
            MemoryStream back(good);
            ASSERT_EQ(fx->component->setState(&back), kResultOk);
            continue;
        }
        ++refused;
        EXPECT_NE(fx->controller->setState(&s3), kResultOk);
        ASSERT_EQ(fx->componentState(), good);
        ASSERT_EQ(fx->controllerState(), goodController);
    }
    EXPECT_GE(refused, 30);
    EXPECT_NE(fx->component->setState(nullptr), kResultOk);
    EXPECT_NE(fx->controller->setComponentState(nullptr), kResultOk);
    EXPECT_NE(fx->controller->setState(nullptr), kResultOk);
    EXPECT_NE(fx->component->getState(nullptr), kResultOk);
    ASSERT_TRUE(fx->start(44100.0, kMaxBlock, kSample32));
    expectSameSamples(renderVst3(*fx, in, {512}, {}, kSample32, false), before);
    fx->stop();
}

}  // namespace
