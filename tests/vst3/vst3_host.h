#pragma once
// A small VST3 host for the tests: it loads a bundle's module through its own entry points, makes
// the plug-in through the factory and gives it the host-side objects a real host gives (streams,
// parameter change queues, a component handler, a plug frame with a run loop). It talks to the
// module only through the binary interface (vst3/vst3_abi.h).
#include "loaded_plugin.h"
#include "vst3/vst3_abi.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace vst3host {

using namespace vst3abi;

// The module file inside a bundle folder, for this platform and architecture.
std::string moduleInBundle(const std::string& bundle);
// The bundle under test: $SARVO_VST3_BUNDLE, else the build's bundle (../vst3/Sarvo.vst3 from the
// test program's folder).
std::string bundlePath();

// A loaded module: the platform's loader, then ModuleEntry (Linux) or InitDll (Windows); unloading
// calls ModuleExit or ExitDll first.
class Module {
public:
    explicit Module(const std::string& file);
    ~Module();
    Module(const Module&) = delete;
    Module& operator=(const Module&) = delete;

    bool loaded() const { return module_.loaded() && entered_; }
    const std::string& error() const { return error_; }
    void* symbol(const char* name) const;
    // GetPluginFactory's answer (a new reference; the caller releases it).
    IPluginFactory* factory() const;

private:
    PluginModule module_;  // unloaded last, after the module's exit
    bool entered_ = false;
    std::string error_;
};

// The module of the bundle under test, loaded once for the whole program.
Module& sharedModule();

// The reference count an object reports: one added and taken away again.
uint32_t referenceCount(FUnknown* object);

// A host object with a reference count that never deletes itself (the tests own it) but lets a
// test see what the plug-in still holds.
template <class Interface>
class HostObject : public Interface {
public:
    tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) override
    {
        if (!object) return kInvalidArgument;
        if (sameUid(iid, FUnknown::iid) || sameUid(iid, Interface::iid)) {
            *object = static_cast<Interface*>(this);
            addRef();
            return kResultOk;
        }
        *object = nullptr;
        return kNoInterface;
    }
    uint32_t SARVO_VST3_CALL addRef() override { return ++references; }
    uint32_t SARVO_VST3_CALL release() override { return --references; }
    std::atomic<uint32_t> references{1};
};

// A growable byte stream.
class MemoryStream : public HostObject<IBStream> {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<uint8_t> bytes) : data(std::move(bytes)) {}
    tresult SARVO_VST3_CALL read(void* buffer, int32_t bytes, int32_t* bytesRead) override;
    tresult SARVO_VST3_CALL write(void* buffer, int32_t bytes, int32_t* bytesWritten) override;
    tresult SARVO_VST3_CALL seek(int64_t position, int32_t mode, int64_t* result) override;
    tresult SARVO_VST3_CALL tell(int64_t* position) override;
    std::vector<uint8_t> data;
    int64_t position = 0;
};

// One parameter's points for one process call.
class ParamQueue : public HostObject<IParamValueQueue> {
public:
    ParamID SARVO_VST3_CALL getParameterId() override { return id; }
    int32_t SARVO_VST3_CALL getPointCount() override { return static_cast<int32_t>(points.size()); }
    tresult SARVO_VST3_CALL getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) override;
    tresult SARVO_VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) override;
    ParamID id = 0;
    std::vector<std::pair<int32_t, double>> points;
};

// The changes of one process call. Queues are made before the call (addPoint below), so the
// process call itself sees only reads.
class ParameterChanges : public HostObject<IParameterChanges> {
public:
    int32_t SARVO_VST3_CALL getParameterCount() override { return static_cast<int32_t>(used); }
    IParamValueQueue* SARVO_VST3_CALL getParameterData(int32_t index) override;
    IParamValueQueue* SARVO_VST3_CALL addParameterData(const ParamID& id, int32_t& index) override;
    void add(ParamID id, int32_t offset, double value);
    void clear();
    ParamQueue queues[16];
    size_t used = 0;
};

// Records what the controller tells the host.
class ComponentHandler : public HostObject<IComponentHandler> {
public:
    struct Call {
        char kind;  // 'b'egin, 'p'erform, 'e'nd, 'r'estart
        ParamID id;
        double value;
    };
    tresult SARVO_VST3_CALL beginEdit(ParamID id) override;
    tresult SARVO_VST3_CALL performEdit(ParamID id, ParamValue normalised) override;
    tresult SARVO_VST3_CALL endEdit(ParamID id) override;
    tresult SARVO_VST3_CALL restartComponent(int32_t flags) override;
    std::vector<Call> calls;
};

// The host's window around a view. On Linux it answers for the run loop too: the test runs the
// loop itself (runFor), calling the registered handlers when their descriptor is readable or
// their timer is due.
class PlugFrame : public IPlugFrame, public IRunLoop {
public:
    tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) override;
    uint32_t SARVO_VST3_CALL addRef() override { return ++references; }
    uint32_t SARVO_VST3_CALL release() override { return --references; }
    tresult SARVO_VST3_CALL resizeView(IPlugView* view, ViewRect* size) override;
    tresult SARVO_VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) override;
    tresult SARVO_VST3_CALL unregisterEventHandler(IEventHandler* handler) override;
    tresult SARVO_VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override;
    tresult SARVO_VST3_CALL unregisterTimer(ITimerHandler* handler) override;
    // Runs the loop for about `milliseconds` (Linux); pumps the thread's messages (Windows).
    void runFor(int milliseconds);

    struct EventEntry {
        IEventHandler* handler;
        FileDescriptor fd;
    };
    struct TimerEntry {
        ITimerHandler* handler;
        TimerInterval interval;
        int64_t due;
    };
    std::vector<EventEntry> events;
    std::vector<TimerEntry> timers;
    int timerCalls = 0, eventCalls = 0, resizes = 0;
    bool offerRunLoop = true;
    std::atomic<uint32_t> references{1};
};

// One plug-in instance made through the factory: its component and the interfaces a host asks it
// for. A component that is not its own controller gets one made from its controller class id.
struct Plugin {
    explicit Plugin(IPluginFactory* factory, FUnknown* hostContext = nullptr);
    ~Plugin();
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;
    bool ok() const { return component && processor && controller; }

    // setupProcessing, setActive(1) and setProcessing(1).
    bool start(double rate, int32_t maxBlock, int32_t sampleSize);
    // setProcessing(0) and setActive(0).
    void stop();
    // One process call on stereo buffers (in place when in and out are the same).
    tresult process(void* const* in, void* const* out, int32_t frames, int32_t sampleSize,
                    IParameterChanges* changes = nullptr);
    std::vector<uint8_t> componentState();
    std::vector<uint8_t> controllerState();
    // Sets a parameter through the controller as a host's generic editor does.
    void set(ParamID id, double normalised) { controller->setParamNormalized(id, normalised); }
    // Finds a parameter by title; -1 when absent.
    int64_t findParameter(const std::u16string& title);
    int64_t findParameterWithFlag(int32_t flag);

    IComponent* component = nullptr;
    IAudioProcessor* processor = nullptr;
    IEditController* controller = nullptr;
    IUnitInfo* units = nullptr;
    bool separateController = false;
};

// UTF-16 helpers.
std::u16string u16(const char* text);
std::string utf8(const char16* text);

}  // namespace vst3host
