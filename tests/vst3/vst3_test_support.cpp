#include "vst3_test_support.h"

#include "realtime/allocation_counter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>

namespace vst3test {

const std::string kClassIdHex = hexId(kClassId.bytes);


std::string hexId(const unsigned char* bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

Effect::Effect()
{
    factory_ = vst3host::sharedModule().factory();
    if (factory_) plugin_ = new Plugin(factory_);
}

Effect::~Effect()
{
    delete plugin_;
    if (factory_) factory_->release();
}

bool Effect::type(const std::vector<Setting>& settings)
{
    if (!ok()) return false;
    for (const Setting& s : settings) {
        std::u16string text = u16(s.text.c_str());
        double value = 0.0;
        if (plugin_->controller->getParamValueByString(s.id, text.data(), value) != kResultOk) return false;
        if (plugin_->controller->setParamNormalized(s.id, value) != kResultOk) return false;
    }
    return true;
}

std::string describe(const std::vector<Setting>& settings)
{
    std::string text = settings.empty() ? "defaults" : "";
    for (const Setting& s : settings) text += std::to_string(s.id) + "=" + s.text + " ";
    return text;
}

template <class T>
Signal<T> signal(size_t frames, unsigned seed)
{
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> noise(-0.3, 0.3);
    Signal<T> s{std::vector<T>(frames), std::vector<T>(frames)};
    for (size_t i = 0; i < frames; ++i) {
        const double burst = (i / 3000) % 2 ? 1.8 : 0.4;
        s.l[i] = static_cast<T>(burst * std::sin(i * 0.031) + noise(rng));
        s.r[i] = static_cast<T>(burst * std::cos(i * 0.017) + noise(rng));
    }
    return s;
}

std::vector<int32_t> blockPlan(size_t frames, unsigned seed)
{
    std::vector<int32_t> plan;
    std::mt19937 rng(seed);
    size_t done = 0;
    for (int i = 0; i < 64 && done < frames; ++i, ++done) plan.push_back(1);
    while (done < std::min<size_t>(frames, 8192)) {
        int32_t n = rng() % 6 == 0 ? 0 : static_cast<int32_t>(rng() % (kMaxBlock + 1));
        n = static_cast<int32_t>(std::min<size_t>(static_cast<size_t>(n), std::min<size_t>(frames, 8192) - done));
        plan.push_back(n);
        done += static_cast<size_t>(n);
    }
    while (done < frames) {
        const int32_t n = static_cast<int32_t>(std::min<size_t>(kMaxBlock, frames - done));
        plan.push_back(n);
        done += static_cast<size_t>(n);
    }
    return plan;
}

template <class T>
Signal<T> renderVst3(Plugin& fx, const Signal<T>& in, const std::vector<int32_t>& blocks,
                     const std::vector<Change>& changes, int32_t sampleSize, bool inPlace)
{
    std::vector<Change> sorted = changes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Change& a, const Change& b) { return a.frame < b.frame; });
    Signal<T> out = inPlace ? in : Signal<T>{std::vector<T>(in.l.size()), std::vector<T>(in.r.size())};
    ParameterChanges queues;
    size_t next = 0, block = 0;
    for (size_t done = 0; done < in.l.size(); ++block) {
        const size_t n = std::min<size_t>(static_cast<size_t>(blocks[block % blocks.size()]), in.l.size() - done);
        queues.clear();
        for (; next < sorted.size() && sorted[next].frame < static_cast<int64_t>(done + n); ++next)
            queues.add(sorted[next].id, static_cast<int32_t>(sorted[next].frame - static_cast<int64_t>(done)),
                       sorted[next].value);
        void* inputs[2] = {const_cast<T*>(in.l.data() + done), const_cast<T*>(in.r.data() + done)};
        void* outputs[2] = {out.l.data() + done, out.r.data() + done};
        if (inPlace) std::memcpy(inputs, outputs, sizeof inputs);
#if defined(SARVO_COUNTS_ALLOCATIONS)
        countAllocations(true);
#endif
        const tresult result = fx.process(inputs, outputs, static_cast<int32_t>(n), sampleSize, &queues);
#if defined(SARVO_COUNTS_ALLOCATIONS)
        countAllocations(false);
#endif
        EXPECT_EQ(result, kResultOk);
        done += n;
    }
    return out;
}

namespace {
void typeIntoVst2(Instance& fx, const std::vector<Setting>& settings)
{
    for (const Setting& s : settings) {
        if (s.id == kBypass) {
            fx.dispatch(effSetBypass, 0, s.text == "on" ? 1 : 0);
        } else {
            const VstIntPtr taken = fx.dispatch(effString2Parameter, static_cast<VstInt32>(s.id), 0,
                                                const_cast<char*>(s.text.c_str()));
            EXPECT_NE(taken, 0) << describe(settings);
        }
    }
}

void processVst2(Instance& fx, float** in, float** out, VstInt32 n) { fx->processReplacing(fx.effect(), in, out, n); }
void processVst2(Instance& fx, double** in, double** out, VstInt32 n)
{
    fx->processDoubleReplacing(fx.effect(), in, out, n);
}
}  // namespace

template <class T>
Signal<T> renderVst2(const Signal<T>& in, double rate, const std::vector<Setting>& settings,
                     const std::vector<Change>& changes)
{
    std::vector<Change> sorted = changes;
    std::stable_sort(sorted.begin(), sorted.end(), [](const Change& a, const Change& b) { return a.frame < b.frame; });
    Instance fx;
    Signal<T> out{std::vector<T>(in.l.size()), std::vector<T>(in.r.size())};
    if (!fx.effect()) {
        ADD_FAILURE() << "the VST 2.x module made no effect";
        return out;
    }
    fx.dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    fx.dispatch(effSetBlockSize, 0, static_cast<VstIntPtr>(in.l.size()));
    fx.dispatch(effMainsChanged, 0, 1);
    typeIntoVst2(fx, settings);
    size_t done = 0;
    auto upTo = [&](size_t frame) {
        if (frame <= done) return;
        T* inputs[2] = {const_cast<T*>(in.l.data() + done), const_cast<T*>(in.r.data() + done)};
        T* outputs[2] = {out.l.data() + done, out.r.data() + done};
        processVst2(fx, inputs, outputs, static_cast<VstInt32>(frame - done));
        done = frame;
    };
    for (const Change& c : sorted) {
        upTo(static_cast<size_t>(c.frame));
        if (c.id == kBypass) fx.dispatch(effSetBypass, 0, c.value >= 0.5 ? 1 : 0);
        else fx->setParameter(fx.effect(), static_cast<VstInt32>(c.id), static_cast<float>(c.value));
    }
    upTo(in.l.size());
    return out;
}

std::vector<uint8_t> vst2Bank(const std::vector<Setting>& settings)
{
    Instance fx;
    typeIntoVst2(fx, settings);
    void* data = nullptr;
    const VstIntPtr size = fx.dispatch(effGetChunk, 0, 0, &data);
    const auto* bytes = static_cast<const uint8_t*>(data);
    return size > 0 && bytes ? std::vector<uint8_t>(bytes, bytes + size) : std::vector<uint8_t>();
}

bool vst2Loaded()
{
    if (::sharedModule().loaded()) return true;
    ADD_FAILURE() << "the VST 2.x module (the reference) did not load: " << ::sharedModule().error();
    return false;
}

template <class T>
bool sameSamples(const Signal<T>& a, const Signal<T>& b)
{
    return a.l.size() == b.l.size() && a.r.size() == b.r.size() &&
           std::memcmp(a.l.data(), b.l.data(), a.l.size() * sizeof(T)) == 0 &&
           std::memcmp(a.r.data(), b.r.data(), a.r.size() * sizeof(T)) == 0;
}

template <class T>
void expectSameSamples(const Signal<T>& a, const Signal<T>& b)
{
    ASSERT_EQ(a.l.size(), b.l.size());
    for (size_t i = 0; i < a.l.size(); ++i) {
        if (std::memcmp(&a.l[i], &b.l[i], sizeof(T)) != 0 || std::memcmp(&a.r[i], &b.r[i], sizeof(T)) != 0) {
            ADD_FAILURE() << "first different frame " << i << ": " << a.l[i] << " " << a.r[i] << " against "
                          << b.l[i] << " " << b.r[i];
            return;
        }
    }
}

#define SARVO_VST3_SAMPLE_TYPE(T)                                                                                     \
    template Signal<T> signal<T>(size_t, unsigned);                                                                   \
    template Signal<T> renderVst3<T>(Plugin&, const Signal<T>&, const std::vector<int32_t>&,                          \
                                     const std::vector<Change>&, int32_t, bool);                                      \
    template Signal<T> renderVst2<T>(const Signal<T>&, double, const std::vector<Setting>&,                          \
                                     const std::vector<Change>&);                                                     \
    template bool sameSamples<T>(const Signal<T>&, const Signal<T>&);                                                 \
    template void expectSameSamples<T>(const Signal<T>&, const Signal<T>&);
SARVO_VST3_SAMPLE_TYPE(float)
SARVO_VST3_SAMPLE_TYPE(double)

}  // namespace vst3test
