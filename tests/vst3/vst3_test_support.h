#pragma once
// What the VST3 host tests share: the plug-in's parameter ids and class id, an instance made through
// the bundle's factory, test signals, rendering through the VST3 module and through the VST 2.x
// module (the reference), and sample-exact comparison.
#include "vst3_host.h"

#include "loaded_plugin.h"

#include <atomic>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace vst3test {

using namespace vst3host;

// Parameter ids: the effect's four, then the host's bypass and program change.
constexpr ParamID kGain = 0, kClip = 1, kSoftness = 2, kOversmp = 3, kBypass = 4, kProgram = 5;
// The most frames one process call gets in these tests.
constexpr int32_t kMaxBlock = 1024;
// The plug-in's class id.
constexpr Uid kClassId = makeUid(0x6A1F3C8E, 0x52D94B07, 0xA3E8C1F4, 0x0B7D2956);
extern const std::string kClassIdHex;

inline const char* iid(const Uid& id) { return reinterpret_cast<const char*>(id.bytes); }
std::string hexId(const unsigned char* bytes);

struct Setting {
    ParamID id;
    std::string text;
};
std::string describe(const std::vector<Setting>& settings);

// The instance of the bundle under test.
class Effect {
public:
    Effect();
    ~Effect();
    Plugin* operator->() { return plugin_; }
    Plugin& operator*() { return *plugin_; }
    bool ok() const { return plugin_ && plugin_->ok(); }
    // Settings typed as texts, through the controller (the effect is its own controller).
    bool type(const std::vector<Setting>& settings);

private:
    IPluginFactory* factory_ = nullptr;
    Plugin* plugin_ = nullptr;
};

struct Change {
    int64_t frame;
    ParamID id;
    double value;
};

template <class T>
struct Signal {
    std::vector<T> l, r;
};

// Bursts above full scale over noise, in both channels.
template <class T>
Signal<T> signal(size_t frames, unsigned seed);

// Block sizes covering `frames`: 64 blocks of one frame, random sizes (zero among them) up to frame
// 8192, then blocks of kMaxBlock.
std::vector<int32_t> blockPlan(size_t frames, unsigned seed);

// Renders through a started VST3 instance in blocks of the given sizes (used in turn), each change
// sent in the queue of the block its frame falls in, at its offset there.
template <class T>
Signal<T> renderVst3(Plugin& fx, const Signal<T>& in, const std::vector<int32_t>& blocks,
                     const std::vector<Change>& changes, int32_t sampleSize, bool inPlace);

// The VST 2.x module at the same rate, with the settings typed as texts (effString2Parameter; the
// bypass through effSetBypass), processing up to each change's frame and applying it there.
template <class T>
Signal<T> renderVst2(const Signal<T>& in, double rate, const std::vector<Setting>& settings,
                     const std::vector<Change>& changes);

// The VST 2.x module's bank chunk with these settings.
std::vector<uint8_t> vst2Bank(const std::vector<Setting>& settings);
bool vst2Loaded();

template <class T>
bool sameSamples(const Signal<T>& a, const Signal<T>& b);
template <class T>
void expectSameSamples(const Signal<T>& a, const Signal<T>& b);

}  // namespace vst3test
