#include "vst3_host.h"

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

namespace vst3host {

namespace {

int64_t nowMs()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace

std::string moduleInBundle(const std::string& bundle)
{
#if defined(_WIN32)
#if defined(__x86_64__) || defined(_M_X64)
    return bundle + "/Contents/x86_64-win/Sarvo.vst3";
#else
    return bundle + "/Contents/x86-win/Sarvo.vst3";
#endif
#else
    return bundle + "/Contents/x86_64-linux/Sarvo.so";
#endif
}

std::string bundlePath()
{
    if (const char* env = std::getenv("SARVO_VST3_BUNDLE")) {
        if (*env) {
            std::string path = env;
#if defined(_WIN32)
            if (path[0] == '/') path = "Z:" + path;  // Wine shows the Unix file system as drive Z:
#endif
            return path;
        }
    }
    return testProgramFolder() + "../vst3/Sarvo.vst3";
}

// ------------------------------------------------------------------------------------------------
// Module

// The module's own entry after loading and its exit before unloading: InitDll and ExitDll on
// Windows, ModuleEntry (given the module's handle) and ModuleExit elsewhere.
Module::Module(const std::string& file) : module_(file)
{
    error_ = module_.error();
    if (!module_.loaded()) return;
#if defined(_WIN32)
    auto init = reinterpret_cast<bool (*)()>(symbol("InitDll"));
    if (!init) error_ = "no InitDll in " + file;
    else if (!init()) error_ = "InitDll answered false";
    else entered_ = true;
#else
    auto entry = reinterpret_cast<bool (*)(void*)>(symbol("ModuleEntry"));
    if (!entry) error_ = "no ModuleEntry in " + file;
    else if (!entry(module_.handle())) error_ = "ModuleEntry answered false";
    else entered_ = true;
#endif
}

Module::~Module()
{
    if (!entered_) return;
#if defined(_WIN32)
    if (auto exit = reinterpret_cast<bool (*)()>(symbol("ExitDll"))) exit();
#else
    if (auto exit = reinterpret_cast<bool (*)()>(symbol("ModuleExit"))) exit();
#endif
}

void* Module::symbol(const char* name) const { return module_.symbol(name); }

IPluginFactory* Module::factory() const
{
    auto get = reinterpret_cast<GetFactoryProc>(symbol("GetPluginFactory"));
    return loaded() && get ? get() : nullptr;
}

Module& sharedModule()
{
    static Module* module = new Module(moduleInBundle(bundlePath()));  // unloaded by the process's end
    return *module;
}

uint32_t referenceCount(FUnknown* object)
{
    object->addRef();
    return object->release();
}

// ------------------------------------------------------------------------------------------------
// Streams and parameter changes

tresult MemoryStream::read(void* buffer, int32_t bytes, int32_t* bytesRead)
{
    if (bytes < 0 || (!buffer && bytes > 0)) return kInvalidArgument;
    const int64_t available = std::max<int64_t>(0, static_cast<int64_t>(data.size()) - position);
    const int32_t n = static_cast<int32_t>(std::min<int64_t>(bytes, available));
    if (n > 0) std::memcpy(buffer, data.data() + position, static_cast<size_t>(n));
    position += n;
    if (bytesRead) *bytesRead = n;
    return kResultOk;
}

tresult MemoryStream::write(void* buffer, int32_t bytes, int32_t* bytesWritten)
{
    if (bytes < 0 || (!buffer && bytes > 0)) return kInvalidArgument;
    if (static_cast<size_t>(position) + static_cast<size_t>(bytes) > data.size())
        data.resize(static_cast<size_t>(position) + static_cast<size_t>(bytes));
    if (bytes > 0) std::memcpy(data.data() + position, buffer, static_cast<size_t>(bytes));
    position += bytes;
    if (bytesWritten) *bytesWritten = bytes;
    return kResultOk;
}

tresult MemoryStream::seek(int64_t to, int32_t mode, int64_t* result)
{
    int64_t base = mode == kSeekSet ? 0 : mode == kSeekCur ? position : static_cast<int64_t>(data.size());
    if (mode < kSeekSet || mode > kSeekEnd || base + to < 0) return kInvalidArgument;
    position = base + to;
    if (result) *result = position;
    return kResultOk;
}

tresult MemoryStream::tell(int64_t* at)
{
    if (!at) return kInvalidArgument;
    *at = position;
    return kResultOk;
}

tresult ParamQueue::getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount()) return kInvalidArgument;
    sampleOffset = points[static_cast<size_t>(index)].first;
    value = points[static_cast<size_t>(index)].second;
    return kResultOk;
}

tresult ParamQueue::addPoint(int32_t sampleOffset, ParamValue value, int32_t& index)
{
    points.emplace_back(sampleOffset, value);
    index = getPointCount() - 1;
    return kResultOk;
}

IParamValueQueue* ParameterChanges::getParameterData(int32_t index)
{
    return index >= 0 && static_cast<size_t>(index) < used ? &queues[index] : nullptr;
}

IParamValueQueue* ParameterChanges::addParameterData(const ParamID& id, int32_t& index)
{
    for (size_t i = 0; i < used; ++i)
        if (queues[i].id == id) {
            index = static_cast<int32_t>(i);
            return &queues[i];
        }
    if (used == sizeof queues / sizeof queues[0]) return nullptr;
    queues[used].id = id;
    queues[used].points.clear();
    index = static_cast<int32_t>(used);
    return &queues[used++];
}

void ParameterChanges::add(ParamID id, int32_t offset, double value)
{
    int32_t index = 0;
    if (IParamValueQueue* q = addParameterData(id, index)) q->addPoint(offset, value, index);
}

void ParameterChanges::clear()
{
    for (size_t i = 0; i < used; ++i) queues[i].points.clear();
    used = 0;
}

// ------------------------------------------------------------------------------------------------
// Component handler and plug frame

tresult ComponentHandler::beginEdit(ParamID id)
{
    calls.push_back({'b', id, 0.0});
    return kResultOk;
}

tresult ComponentHandler::performEdit(ParamID id, ParamValue normalised)
{
    calls.push_back({'p', id, normalised});
    return kResultOk;
}

tresult ComponentHandler::endEdit(ParamID id)
{
    calls.push_back({'e', id, 0.0});
    return kResultOk;
}

tresult ComponentHandler::restartComponent(int32_t flags)
{
    calls.push_back({'r', 0, static_cast<double>(flags)});
    return kResultOk;
}

tresult PlugFrame::queryInterface(const char* iid, void** object)
{
    if (!object) return kInvalidArgument;
    *object = nullptr;
    if (sameUid(iid, FUnknown::iid) || sameUid(iid, IPlugFrame::iid)) {
        *object = static_cast<IPlugFrame*>(this);
    } else if (offerRunLoop && sameUid(iid, IRunLoop::iid)) {
        *object = static_cast<IRunLoop*>(this);
    } else {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

tresult PlugFrame::resizeView(IPlugView* view, ViewRect* size)
{
    if (!view || !size) return kInvalidArgument;
    ++resizes;
    return view->onSize(size);
}

tresult PlugFrame::registerEventHandler(IEventHandler* handler, FileDescriptor fd)
{
    if (!handler) return kInvalidArgument;
    handler->addRef();
    events.push_back({handler, fd});
    return kResultOk;
}

tresult PlugFrame::unregisterEventHandler(IEventHandler* handler)
{
    const auto it = std::find_if(events.begin(), events.end(), [&](const EventEntry& e) { return e.handler == handler; });
    if (it == events.end()) return kInvalidArgument;
    events.erase(it);
    handler->release();
    return kResultOk;
}

tresult PlugFrame::registerTimer(ITimerHandler* handler, TimerInterval milliseconds)
{
    if (!handler || milliseconds == 0) return kInvalidArgument;
    handler->addRef();
    timers.push_back({handler, milliseconds, nowMs() + static_cast<int64_t>(milliseconds)});
    return kResultOk;
}

tresult PlugFrame::unregisterTimer(ITimerHandler* handler)
{
    const auto it = std::find_if(timers.begin(), timers.end(), [&](const TimerEntry& t) { return t.handler == handler; });
    if (it == timers.end()) return kInvalidArgument;
    timers.erase(it);
    handler->release();
    return kResultOk;
}

void PlugFrame::runFor(int milliseconds)
{
    const int64_t end = nowMs() + milliseconds;
#if defined(_WIN32)
    while (nowMs() < end) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
#else
    do {
        // Handlers may unregister themselves (or others) from their callbacks: work on copies.
        std::vector<pollfd> fds;
        for (const EventEntry& e : events) fds.push_back({e.fd, POLLIN, 0});
        int64_t wait = std::max<int64_t>(0, end - nowMs());
        for (const TimerEntry& t : timers) wait = std::min(wait, std::max<int64_t>(0, t.due - nowMs()));
        ::poll(fds.data(), fds.size(), static_cast<int>(wait));
        for (const pollfd& p : fds) {
            if (!(p.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            for (const EventEntry& e : std::vector<EventEntry>(events))
                if (e.fd == p.fd) {
                    ++eventCalls;
                    e.handler->onFDIsSet(e.fd);
                }
        }
        const int64_t now = nowMs();
        for (TimerEntry t : std::vector<TimerEntry>(timers)) {
            if (t.due > now) continue;
            for (TimerEntry& live : timers)
                if (live.handler == t.handler) live.due = now + static_cast<int64_t>(live.interval);
            ++timerCalls;
            t.handler->onTimer();
        }
    } while (nowMs() < end);
#endif
}

// ------------------------------------------------------------------------------------------------
// Plugin

Plugin::Plugin(IPluginFactory* factory, FUnknown* hostContext)
{
    if (!factory) return;
    PClassInfo info{};
    for (int32_t i = 0; i < factory->countClasses(); ++i) {
        if (factory->getClassInfo(i, &info) != kResultOk) continue;
        if (std::strcmp(info.category, kAudioEffectClass) == 0) break;
        info.category[0] = 0;
    }
    if (info.category[0] == 0) return;
    void* object = nullptr;
    if (factory->createInstance(reinterpret_cast<const char*>(info.cid), reinterpret_cast<const char*>(IComponent::iid.bytes),
                                &object) != kResultOk || !object)
        return;
    component = static_cast<IComponent*>(object);
    if (component->initialize(hostContext) != kResultOk) return;
    if (component->queryInterface(reinterpret_cast<const char*>(IAudioProcessor::iid.bytes), &object) == kResultOk)
        processor = static_cast<IAudioProcessor*>(object);
    if (component->queryInterface(reinterpret_cast<const char*>(IEditController::iid.bytes), &object) == kResultOk) {
        controller = static_cast<IEditController*>(object);
    } else {
        unsigned char cid[16] = {};
        if (component->getControllerClassId(cid) == kResultOk &&
            factory->createInstance(reinterpret_cast<const char*>(cid),
                                    reinterpret_cast<const char*>(IEditController::iid.bytes), &object) == kResultOk) {
            controller = static_cast<IEditController*>(object);
            separateController = true;
            controller->initialize(hostContext);
        }
    }
    if (controller &&
        controller->queryInterface(reinterpret_cast<const char*>(IUnitInfo::iid.bytes), &object) == kResultOk)
        units = static_cast<IUnitInfo*>(object);
}

Plugin::~Plugin()
{
    if (units) units->release();
    if (controller) {
        if (separateController) controller->terminate();
        controller->release();
    }
    if (processor) processor->release();
    if (component) {
        component->terminate();
        component->release();
    }
}

bool Plugin::start(double rate, int32_t maxBlock, int32_t sampleSize)
{
    ProcessSetup setup{kRealtime, sampleSize, maxBlock, rate};
    if (processor->setupProcessing(setup) != kResultOk) return false;
    if (component->setActive(1) != kResultOk) return false;
    return processor->setProcessing(1) == kResultOk;
}

void Plugin::stop()
{
    processor->setProcessing(0);
    component->setActive(0);
}

tresult Plugin::process(void* const* in, void* const* out, int32_t frames, int32_t sampleSize,
                        IParameterChanges* changes)
{
    AudioBusBuffers inputs{}, outputs{};
    inputs.numChannels = outputs.numChannels = 2;
    inputs.channelBuffers32 = reinterpret_cast<Sample32**>(const_cast<void**>(in));
    outputs.channelBuffers32 = reinterpret_cast<Sample32**>(const_cast<void**>(out));
    ProcessData data{};
    data.processMode = kRealtime;
    data.symbolicSampleSize = sampleSize;
    data.numSamples = frames;
    data.numInputs = data.numOutputs = 1;
    data.inputs = &inputs;
    data.outputs = &outputs;
    data.inputParameterChanges = changes;
    return processor->process(data);
}

std::vector<uint8_t> Plugin::componentState()
{
    MemoryStream stream;
    if (component->getState(&stream) != kResultOk) return {};
    return stream.data;
}

std::vector<uint8_t> Plugin::controllerState()
{
    MemoryStream stream;
    if (controller->getState(&stream) != kResultOk) return {};
    return stream.data;
}

int64_t Plugin::findParameter(const std::u16string& title)
{
    for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk && title == info.title) return info.id;
    }
    return -1;
}

int64_t Plugin::findParameterWithFlag(int32_t flag)
{
    for (int32_t i = 0; i < controller->getParameterCount(); ++i) {
        ParameterInfo info{};
        if (controller->getParameterInfo(i, info) == kResultOk && (info.flags & flag)) return info.id;
    }
    return -1;
}

std::u16string u16(const char* text)
{
    std::u16string out;
    for (; text && *text; ++text) out += static_cast<char16_t>(static_cast<unsigned char>(*text));
    return out;
}

std::string utf8(const char16* text)
{
    std::string out;
    for (; text && *text; ++text) {
        const char16_t c = *text;
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace vst3host
