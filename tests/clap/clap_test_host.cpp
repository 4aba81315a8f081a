#include "clap_test_host.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>

#if defined(_WIN32)
#include <windows.h>
#else
#include <poll.h>
#include <unistd.h>
#endif

// ====================================================================== module

std::string clapPath()
{
    if (const char* env = std::getenv("SARVO_CLAP")) {
        if (*env) return env;
    }
    return testProgramFolder() + "Sarvo.clap";
}

ClapModule::ClapModule(const std::string& path) : module_(path), path_(path)
{
    error_ = module_.error();
    if (!module_.loaded()) return;
    entry_ = static_cast<const clap::PluginEntry*>(symbol(clap::kEntrySymbol));
    if (!entry_) {
        error_ = "no clap_entry in " + path;
        return;
    }
    initialised_ = entry_->init(path.c_str());
    if (!initialised_) error_ = "clap_entry.init failed";
}

ClapModule::~ClapModule()
{
    if (initialised_) entry_->deinit();
}

void* ClapModule::symbol(const char* name) const { return module_.symbol(name); }

const clap::PluginFactory* ClapModule::factory() const
{
    if (!initialised_) return nullptr;
    return static_cast<const clap::PluginFactory*>(entry_->get_factory(clap::kPluginFactoryId));
}

ClapModule& sharedClap()
{
    static ClapModule module;
    return module;
}

// ====================================================================== events

EventList::EventList()
{
    list_.ctx = this;
    list_.size = [](const clap::InputEvents* list) -> uint32_t {
        return static_cast<const EventList*>(list->ctx)->size();
    };
    list_.get = [](const clap::InputEvents* list, uint32_t index) -> const clap::EventHeader* {
        const auto* self = static_cast<const EventList*>(list->ctx);
        if (index >= self->events_.size()) return nullptr;
        return reinterpret_cast<const clap::EventHeader*>(self->events_[index].data());
    };
}

void EventList::add(const clap::EventHeader& event)
{
    std::vector<uint64_t> copy((event.size + 7) / 8);
    std::memcpy(copy.data(), &event, event.size);
    events_.push_back(std::move(copy));
}

void EventList::paramValue(clap::Id id, double value, uint32_t time)
{
    clap::ParamValueEvent e{};
    e.header = {sizeof e, time, clap::kCoreEventSpace, clap::kEventParamValue, 0};
    e.param_id = id;
    e.note_id = -1;
    e.port_index = -1;
    e.channel = -1;
    e.key = -1;
    e.value = value;
    add(e.header);
}

void EventList::gesture(clap::Id id, bool begin, uint32_t time)
{
    clap::ParamGestureEvent e{};
    e.header = {sizeof e, time, clap::kCoreEventSpace,
                begin ? uint16_t(clap::kEventParamGestureBegin) : uint16_t(clap::kEventParamGestureEnd), 0};
    e.param_id = id;
    add(e.header);
}

EventRecorder::EventRecorder()
{
    list_.ctx = this;
    list_.try_push = [](const clap::OutputEvents* list, const clap::EventHeader* e) -> bool {
        auto* self = static_cast<EventRecorder*>(list->ctx);
        if (self->refuse || !e) return false;
        Event out{e->type, e->time, e->flags, clap::kInvalidId, 0.0};
        if (e->space_id == clap::kCoreEventSpace) {
            if (e->type == clap::kEventParamValue && e->size >= sizeof(clap::ParamValueEvent)) {
                const auto* v = reinterpret_cast<const clap::ParamValueEvent*>(e);
                out.param = v->param_id;
                out.value = v->value;
            } else if ((e->type == clap::kEventParamGestureBegin || e->type == clap::kEventParamGestureEnd) &&
                       e->size >= sizeof(clap::ParamGestureEvent)) {
                out.param = reinterpret_cast<const clap::ParamGestureEvent*>(e)->param_id;
            }
        }
        self->events.push_back(out);
        return true;
    };
}

// ====================================================================== host

namespace {
TestHost* self(const clap::Host* h) { return static_cast<TestHost*>(h->host_data); }

uint64_t nowMs()
{
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

const clap::HostParams kHostParams = {
    [](const clap::Host* h, uint32_t flags) { self(h)->rescans.push_back(flags); },
    [](const clap::Host*, clap::Id, uint32_t) {},
    [](const clap::Host* h) { ++self(h)->flushRequests; },
};
const clap::HostState kHostState = {[](const clap::Host* h) { ++self(h)->dirtyMarks; }};
const clap::HostLatency kHostLatency = {[](const clap::Host* h) { ++self(h)->latencyChanges; }};
const clap::HostGui kHostGui = {
    [](const clap::Host*) {},
    [](const clap::Host* h, uint32_t, uint32_t) {
        ++self(h)->resizeRequests;
        return false;
    },
    [](const clap::Host*) { return false; },
    [](const clap::Host*) { return false; },
    [](const clap::Host* h, bool) { ++self(h)->guiClosed; },
};
const clap::HostTimerSupport kHostTimers = {
    [](const clap::Host* h, uint32_t period, clap::Id* id) {
        TestHost* host = self(h);
        if (!id) return false;
        static clap::Id next = 1;
        *id = next++;
        host->timers[*id] = {period, nowMs() + period};
        return true;
    },
    [](const clap::Host* h, clap::Id id) { return self(h)->timers.erase(id) == 1; },
};
const clap::HostPosixFdSupport kHostFds = {
    [](const clap::Host* h, int fd, uint32_t flags) {
        TestHost* host = self(h);
        if (fd < 0 || host->fds.count(fd)) return false;
        host->fds[fd] = flags;
        return true;
    },
    [](const clap::Host* h, int fd, uint32_t flags) {
        TestHost* host = self(h);
        if (!host->fds.count(fd)) return false;
        host->fds[fd] = flags;
        return true;
    },
    [](const clap::Host* h, int fd) { return self(h)->fds.erase(fd) == 1; },
};
}  // namespace

TestHost::TestHost()
{
    host_.clap_version = clap::kVersion;
    host_.host_data = this;
    host_.name = "Sarvo CLAP test host";
    host_.vendor = "ONDX";
    host_.url = "";
    host_.version = "1.0";
    host_.get_extension = [](const clap::Host* h, const char* id) -> const void* {
        TestHost* host = self(h);
        if (!id) return nullptr;
        host->extensionsAsked.push_back(id);
        if (host->inInit && !host->answerDuringInit) return nullptr;
        const std::string e = id;
        if (e == clap::kExtParams && host->offerParams) return &kHostParams;
        if (e == clap::kExtState && host->offerState) return &kHostState;
        if (e == clap::kExtLatency && host->offerLatency) return &kHostLatency;
        if (e == clap::kExtGui && host->offerGui) return &kHostGui;
        if (e == clap::kExtTimerSupport && host->offerTimers) return &kHostTimers;
        if (e == clap::kExtPosixFdSupport && host->offerFds) return &kHostFds;
        return nullptr;
    };
    host_.request_restart = [](const clap::Host* h) { ++self(h)->restartRequests; };
    host_.request_process = [](const clap::Host* h) { ++self(h)->processRequests; };
    host_.request_callback = [](const clap::Host* h) { ++self(h)->callbackRequests; };
}

TestHost::~TestHost() = default;

bool TestHost::serviceCallback()
{
    if (!plugin || callbackRequests.load() <= servedCallbacks_) return false;
    servedCallbacks_ = callbackRequests.load();
    plugin->on_main_thread(plugin);
    return true;
}

void TestHost::runMainLoop(int ms)
{
    const uint64_t end = nowMs() + static_cast<uint64_t>(ms);
    for (;;) {
        serviceCallback();
        const uint64_t now = nowMs();
        // Due timers (a copy: a timer may unregister itself or others).
        std::vector<clap::Id> due;
        for (auto& t : timers)
            if (t.second.due <= now) due.push_back(t.first);
        for (clap::Id id : due) {
            auto it = timers.find(id);
            if (it == timers.end()) continue;
            it->second.due = now + std::max<uint32_t>(it->second.period, 1);
            ++timerCalls;
            auto* ext = plugin
                ? static_cast<const clap::PluginTimerSupport*>(plugin->get_extension(plugin, clap::kExtTimerSupport))
                : nullptr;
            if (ext) ext->on_timer(plugin, id);
        }
        if (nowMs() >= end) break;
        uint64_t wait = end - nowMs();
        for (auto& t : timers) wait = std::min<uint64_t>(wait, t.second.due > nowMs() ? t.second.due - nowMs() : 0);
#if defined(_WIN32)
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(static_cast<DWORD>(std::min<uint64_t>(wait, 5)));
#else
        std::vector<pollfd> polls;
        for (auto& f : fds) {
            short events = 0;
            if (f.second & clap::kFdRead) events |= POLLIN;
            if (f.second & clap::kFdWrite) events |= POLLOUT;
            polls.push_back({f.first, events, 0});
        }
        const int n = poll(polls.data(), polls.size(), static_cast<int>(wait));
        if (n > 0) {
            auto* ext = plugin ? static_cast<const clap::PluginPosixFdSupport*>(
                                     plugin->get_extension(plugin, clap::kExtPosixFdSupport))
                               : nullptr;
            for (const pollfd& p : polls) {
                if (!p.revents || !fds.count(p.fd)) continue;
                uint32_t flags = 0;
                if (p.revents & POLLIN) flags |= clap::kFdRead;
                if (p.revents & POLLOUT) flags |= clap::kFdWrite;
                if (p.revents & (POLLERR | POLLHUP)) flags |= clap::kFdError;
                ++fdCalls;
                if (ext) ext->on_fd(plugin, p.fd, flags);
            }
        }
#endif
    }
}

// ====================================================================== instance

ClapInstance::ClapInstance(TestHost& host, const char* id) : host_(host)
{
    const clap::PluginFactory* factory = sharedClap().factory();
    if (!factory) return;
    if (!id) {
        const clap::PluginDescriptor* d = factory->get_plugin_descriptor(factory, 0);
        if (!d) return;
        id = d->id;
    }
    plugin_ = factory->create_plugin(factory, host.host(), id);
    if (!plugin_) return;
    host.plugin = plugin_;
    host.inInit = true;
    initOk_ = plugin_->init(plugin_);
    host.inInit = false;
}

ClapInstance::~ClapInstance()
{
    if (!plugin_) return;
    deactivate();
    plugin_->destroy(plugin_);
    if (host_.plugin == plugin_) host_.plugin = nullptr;
}

bool ClapInstance::activate(double rate, uint32_t maxFrames, uint32_t minFrames)
{
    if (!ok() || active_) return false;
    active_ = plugin_->activate(plugin_, rate, minFrames, maxFrames);
    steady_ = 0;
    return active_;
}

void ClapInstance::deactivate()
{
    if (!active_) return;
    if (processing_) plugin_->stop_processing(plugin_);
    processing_ = false;
    plugin_->deactivate(plugin_);
    active_ = false;
}

namespace {
const EventList& emptyEvents()
{
    static const EventList list;
    return list;
}
EventRecorder& scratchRecorder()
{
    static EventRecorder recorder;
    return recorder;
}
}  // namespace

template <class T>
static int32_t processAny(const clap::Plugin* plugin, T* const* in, T* const* out, uint32_t frames,
                          const EventList* events, EventRecorder* recorder, int64_t& steady, uint64_t& mask)
{
    clap::AudioBuffer input{}, output{};
    input.channel_count = output.channel_count = 2;
    if constexpr (sizeof(T) == 4) {
        input.data32 = const_cast<float**>(in);
        output.data32 = const_cast<float**>(out);
    } else {
        input.data64 = const_cast<double**>(in);
        output.data64 = const_cast<double**>(out);
    }
    output.constant_mask = ~uint64_t(0);
    clap::Process p{};
    p.steady_time = steady;
    p.frames_count = frames;
    p.audio_inputs = &input;
    p.audio_outputs = &output;
    p.audio_inputs_count = p.audio_outputs_count = 1;
    p.in_events = (events ? *events : emptyEvents()).list();
    EventRecorder& rec = recorder ? *recorder : scratchRecorder();
    p.out_events = rec.list();
    const int32_t status = plugin->process(plugin, &p);
    steady += frames;
    mask = output.constant_mask;
    return status;
}

int32_t ClapInstance::process(float* const* in, float* const* out, uint32_t frames, const EventList* events,
                              EventRecorder* recorder)
{
    if (!active_) return clap::kProcessError;
    if (!processing_) processing_ = plugin_->start_processing(plugin_);
    return processAny(plugin_, in, out, frames, events, recorder, steady_, lastMask_);
}

int32_t ClapInstance::process(double* const* in, double* const* out, uint32_t frames, const EventList* events,
                              EventRecorder* recorder)
{
    if (!active_) return clap::kProcessError;
    if (!processing_) processing_ = plugin_->start_processing(plugin_);
    return processAny(plugin_, in, out, frames, events, recorder, steady_, lastMask_);
}

double ClapInstance::value(clap::Id id) const
{
    double v = -12345.0;
    if (!params() || !params()->get_value(plugin_, id, &v)) return -12345.0;
    return v;
}

std::string ClapInstance::text(clap::Id id, double value) const
{
    char buffer[clap::kNameSize];
    std::memset(buffer, 0x55, sizeof buffer);
    if (!params() || !params()->value_to_text(plugin_, id, value, buffer, sizeof buffer)) return "<refused>";
    if (!std::memchr(buffer, 0, sizeof buffer)) return "<not terminated>";
    return buffer;
}

bool ClapInstance::parse(clap::Id id, const std::string& text, double& value) const
{
    return params() && params()->text_to_value(plugin_, id, text.c_str(), &value);
}

void ClapInstance::flush(const EventList& events, EventRecorder* recorder)
{
    EventRecorder& rec = recorder ? *recorder : scratchRecorder();
    if (params()) params()->flush(plugin_, events.list(), rec.list());
}

void ClapInstance::setByText(const std::vector<std::pair<clap::Id, std::string>>& settings)
{
    EventList events;
    for (const auto& s : settings) {
        double v = 0.0;
        if (parse(s.first, s.second, v)) events.paramValue(s.first, v);
    }
    if (active_) {
        float* none[2] = {nullptr, nullptr};
        process(none, none, 0, &events);
    } else {
        flush(events);
    }
}

namespace {
struct StreamState {
    const std::vector<uint8_t>* in = nullptr;
    std::vector<uint8_t>* out = nullptr;
    size_t pos = 0;
    uint32_t chunk = 1, next = 1;
    bool failAtEnd = false;
    uint32_t step()
    {
        const uint32_t n = next;
        next = next >= chunk ? 1 : next + 1;
        return n;
    }
};
}  // namespace

std::vector<uint8_t> ClapInstance::save(uint32_t chunk, bool* ok) const
{
    std::vector<uint8_t> bytes;
    StreamState s;
    s.out = &bytes;
    s.chunk = std::max<uint32_t>(chunk, 1);
    clap::OutputStream stream{&s, [](const clap::OutputStream* st, const void* buffer, uint64_t size) -> int64_t {
                                  auto* s = static_cast<StreamState*>(st->ctx);
                                  const uint64_t n = std::min<uint64_t>(size, s->step());
                                  const auto* b = static_cast<const uint8_t*>(buffer);
                                  s->out->insert(s->out->end(), b, b + n);
                                  return static_cast<int64_t>(n);
                              }};
    const bool saved = state() && state()->save(plugin_, &stream);
    if (ok) *ok = saved;
    return saved ? bytes : std::vector<uint8_t>();
}

bool ClapInstance::load(const std::vector<uint8_t>& bytes, uint32_t chunk, bool failAtEnd) const
{
    StreamState s;
    s.in = &bytes;
    s.chunk = std::max<uint32_t>(chunk, 1);
    s.failAtEnd = failAtEnd;
    clap::InputStream stream{&s, [](const clap::InputStream* st, void* buffer, uint64_t size) -> int64_t {
                                 auto* s = static_cast<StreamState*>(st->ctx);
                                 const size_t left = s->in->size() - s->pos;
                                 if (left == 0) return s->failAtEnd ? -1 : 0;
                                 const uint64_t n = std::min<uint64_t>({size, s->step(), left});
                                 std::memcpy(buffer, s->in->data() + s->pos, n);
                                 s->pos += n;
                                 return static_cast<int64_t>(n);
                             }};
    return state() && state()->load(plugin_, &stream);
}

// ====================================================================== rendering

template <class S, class T>
static S renderAny(ClapInstance& fx, const S& in, const std::vector<uint32_t>& blocks, bool inPlace)
{
    S out{std::vector<T>(in.l.size()), std::vector<T>(in.l.size())};
    S work = in;
    size_t b = 0;
    for (size_t done = 0; done < in.l.size();) {
        uint32_t n = blocks[b++ % blocks.size()];
        if (n > in.l.size() - done) n = static_cast<uint32_t>(in.l.size() - done);
        T* i[2] = {work.l.data() + done, work.r.data() + done};
        T* o[2] = {out.l.data() + done, out.r.data() + done};
        if (inPlace)
            fx.process(i, i, n);
        else
            fx.process(i, o, n);
        done += n;
    }
    return inPlace ? work : out;
}

Stereo renderClap(ClapInstance& fx, const Stereo& in, const std::vector<uint32_t>& blocks, bool inPlace)
{
    return renderAny<Stereo, float>(fx, in, blocks, inPlace);
}

StereoD renderClap(ClapInstance& fx, const StereoD& in, const std::vector<uint32_t>& blocks, bool inPlace)
{
    return renderAny<StereoD, double>(fx, in, blocks, inPlace);
}
