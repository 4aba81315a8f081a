#pragma once
// A CLAP host of our own for the tests: loads a .clap module (dlopen, LoadLibrary under Wine),
// reaches everything through its exported clap_entry, and offers a plug-in the host extensions a
// desktop host offers (params, state, latency, gui, timer-support, posix-fd-support), recording
// every request the plug-in makes. Built on src/clap/clap_abi.h, which the ABI test compares with
// the format's own headers.
#include "clap/clap_abi.h"
#include "loaded_plugin.h"
#include "support/burst_signal.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

// ---------------------------------------------------------------- the module

// $SARVO_CLAP, or Sarvo.clap beside the test program.
std::string clapPath();

class ClapModule {
public:
    explicit ClapModule(const std::string& path = clapPath());
    ~ClapModule();  // deinit (when init succeeded), then unload
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const std::string& error() const { return error_; }
    const std::string& path() const { return path_; }
    // The exported entry record, null when the module or the symbol is missing.
    const clap::PluginEntry* entry() const { return entry_; }
    // Looks up any exported symbol (null when absent).
    void* symbol(const char* name) const;
    // The plug-in factory (after a successful init).
    const clap::PluginFactory* factory() const;
    bool initialised() const { return initialised_; }

private:
    PluginModule module_;  // unloaded last, after deinit
    const clap::PluginEntry* entry_ = nullptr;
    bool initialised_ = false;
    std::string path_, error_;
};

// The module, loaded and initialised once for the whole test program.
ClapModule& sharedClap();

// ---------------------------------------------------------------- events

// Events for one process or flush call, kept in time order as added.
class EventList {
public:
    EventList();
    void paramValue(clap::Id id, double value, uint32_t time = 0);
    void gesture(clap::Id id, bool begin, uint32_t time = 0);
    void add(const clap::EventHeader& event);  // any event, copied by its size
    void clear() { events_.clear(); }
    uint32_t size() const { return static_cast<uint32_t>(events_.size()); }
    const clap::InputEvents* list() const { return &list_; }

private:
    std::vector<std::vector<uint64_t>> events_;  // 8-byte aligned copies
    clap::InputEvents list_;
};

// What a plug-in pushes: copies of its events.
class EventRecorder {
public:
    EventRecorder();
    struct Event {
        uint16_t type;
        uint32_t time;
        uint32_t flags;
        clap::Id param;
        double value;  // for values
    };
    std::vector<Event> events;
    bool refuse = false;  // answer false to every push (a full queue)
    void reserve(size_t n) { events.reserve(n); }
    const clap::OutputEvents* list() const { return &list_; }

private:
    clap::OutputEvents list_;
};

// ---------------------------------------------------------------- the host

class TestHost {
public:
    TestHost();
    ~TestHost();
    TestHost(const TestHost&) = delete;
    TestHost& operator=(const TestHost&) = delete;

    const clap::Host* host() const { return &host_; }
    clap::Host* mutableHost() { return &host_; }

    // Which extensions the host offers (all by default).
    bool offerTimers = true, offerFds = true, offerParams = true, offerState = true, offerGui = true,
         offerLatency = true;
    // Whether get_extension answers while the plug-in's init runs (some hosts answer only after it).
    bool answerDuringInit = true;
    bool inInit = false;

    // What the plug-in asked for.
    std::atomic<int> callbackRequests{0}, flushRequests{0}, restartRequests{0}, processRequests{0}, dirtyMarks{0},
        latencyChanges{0}, guiClosed{0}, resizeRequests{0};
    std::vector<uint32_t> rescans;  // params rescan flags, in order
    struct Timer {
        uint32_t period;
        uint64_t due;  // ms
    };
    std::map<clap::Id, Timer> timers;
    std::map<int, uint32_t> fds;
    std::vector<std::string> extensionsAsked;
    int timerCalls = 0, fdCalls = 0;

    // The plug-in the main loop serves (set by ClapInstance).
    const clap::Plugin* plugin = nullptr;
    // Runs the host's main loop for `ms` milliseconds: watches the registered descriptors, fires due
    // timers, answers callback requests with on_main_thread. (Windows: also dispatches window
    // messages.)
    void runMainLoop(int ms);
    // Answers a pending request_callback now; true when there was one.
    bool serviceCallback();

private:
    clap::Host host_;
    clap::Id nextTimer_ = 1;
    int servedCallbacks_ = 0;
};

// ---------------------------------------------------------------- an instance

struct StereoD {
    std::vector<double> l, r;
};

// A plug-in made through the shared module's factory, init'ed, destroyed at the end (deactivated
// first when active).
class ClapInstance {
public:
    explicit ClapInstance(TestHost& host, const char* id = nullptr);
    ~ClapInstance();
    ClapInstance(const ClapInstance&) = delete;
    ClapInstance& operator=(const ClapInstance&) = delete;

    const clap::Plugin* plugin() const { return plugin_; }
    bool ok() const { return plugin_ != nullptr && initOk_; }
    template <class T>
    const T* ext(const char* id) const
    {
        return plugin_ ? static_cast<const T*>(plugin_->get_extension(plugin_, id)) : nullptr;
    }
    const clap::PluginParams* params() const { return ext<clap::PluginParams>(clap::kExtParams); }
    const clap::PluginState* state() const { return ext<clap::PluginState>(clap::kExtState); }

    bool activate(double rate, uint32_t maxFrames = 4096, uint32_t minFrames = 1);
    void deactivate();
    bool active() const { return active_; }

    // One process call over the given channel pointers (32 or 64 bit), with events; answers the
    // status. The output port's constant mask is set to all ones before the call.
    int32_t process(float* const* in, float* const* out, uint32_t frames, const EventList* events = nullptr,
                    EventRecorder* recorder = nullptr);
    int32_t process(double* const* in, double* const* out, uint32_t frames, const EventList* events = nullptr,
                    EventRecorder* recorder = nullptr);
    uint64_t lastConstantMask() const { return lastMask_; }

    // params
    double value(clap::Id id) const;
    std::string text(clap::Id id, double value) const;
    bool parse(clap::Id id, const std::string& text, double& value) const;
    // Sets parameters by text through text_to_value and flush (or, while active, one process call
    // of zero frames).
    void setByText(const std::vector<std::pair<clap::Id, std::string>>& settings);
    void flush(const EventList& events, EventRecorder* recorder = nullptr);

    // state, through streams that move at most `chunk` bytes per call (1, 2, 3, ... cycling up to
    // it)
    std::vector<uint8_t> save(uint32_t chunk = 3, bool* ok = nullptr) const;
    bool load(const std::vector<uint8_t>& bytes, uint32_t chunk = 3, bool failAtEnd = false) const;

private:
    TestHost& host_;
    const clap::Plugin* plugin_ = nullptr;
    bool initOk_ = false, active_ = false, processing_ = false;
    uint64_t lastMask_ = 0;
    int64_t steady_ = 0;
};

// Renders a whole signal through an active instance in blocks of the given sizes (cycled), in place
// (outputs written over the inputs) or not, 32 or 64 bit.
Stereo renderClap(ClapInstance& fx, const Stereo& in, const std::vector<uint32_t>& blocks, bool inPlace);
StereoD renderClap(ClapInstance& fx, const StereoD& in, const std::vector<uint32_t>& blocks, bool inPlace);
