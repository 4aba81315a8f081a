#pragma once
// The VST3 binary interface as this plug-in uses it, written from the VST3 format's documentation.
//
// A VST3 module hands the host a factory; everything else is an interface object reached from it.
// An interface is a C++ class of pure virtual methods whose only base is FUnknown (or another
// interface): the host and the plug-in agree on the order of the methods in the table of virtual
// functions, on the calling convention and on the records passed by pointer, nothing more. So
// each interface here lists its methods in the order the VST3 format fixes for it, declares no destructor (a
// virtual one would add slots) and no data.
//
// Interfaces are told apart by 16-byte ids. The VST3 format gives each id as four 32-bit
// numbers; the bytes a host compares depend on the platform: on Windows the first three groups
// are laid out as in a COM GUID (little-endian 32-bit, 16-bit, 16-bit), elsewhere all four
// numbers are stored big-endian, in the order written.
//
// On Windows the interface methods, GetPluginFactory and the result codes follow COM: methods use
// the stdcall convention (which only changes anything for 32-bit code) and the failures are
// HRESULT numbers. Records keep the compiler's natural alignment (Windows asks for at most 16 bytes
// on 64-bit and 8 on 32-bit builds, which is what the natural alignment of these fields gives there),
// so a double or a 64-bit number after a 32-bit one starts on the next multiple of 8.
//
// Only what this plug-in and its tests use is declared. Interfaces the plug-in only passes along
// (the host's event lists, the transport context) are left opaque.
#include <cstddef>
#include <cstdint>

#if defined(_WIN32) && (defined(__i386__) || defined(_M_IX86))
#define SARVO_VST3_CALL __stdcall
#else
#define SARVO_VST3_CALL
#endif

namespace vst3abi {

// ------------------------------------------------------------------------------------------------
// Base types

using tresult = int32_t;
using TBool = uint8_t;
using char16 = char16_t;
using FIDString = const char*;  // an id passed as a pointer to its 16 bytes
using String128 = char16[128];  // a zero-terminated UTF-16 text of at most 127 units

// Results. The first group is what every platform answers; COM's numbers on Windows.
constexpr tresult kResultOk = 0;
constexpr tresult kResultTrue = 0;
constexpr tresult kResultFalse = 1;
#if defined(_WIN32)
constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
constexpr tresult kNoInterface = -1;
constexpr tresult kInvalidArgument = 2;
constexpr tresult kNotImplemented = 3;
constexpr tresult kInternalError = 4;
constexpr tresult kNotInitialized = 5;
constexpr tresult kOutOfMemory = 6;
#endif

// An interface or class id: 16 bytes in the platform's order (see the top of the file).
struct Uid {
    unsigned char bytes[16];
};

constexpr Uid makeUid(uint32_t a, uint32_t b, uint32_t c, uint32_t d)
{
#if defined(_WIN32)
    return Uid{{static_cast<unsigned char>(a), static_cast<unsigned char>(a >> 8), static_cast<unsigned char>(a >> 16),
                static_cast<unsigned char>(a >> 24), static_cast<unsigned char>(b >> 16),
                static_cast<unsigned char>(b >> 24), static_cast<unsigned char>(b), static_cast<unsigned char>(b >> 8),
                static_cast<unsigned char>(c >> 24), static_cast<unsigned char>(c >> 16),
                static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c), static_cast<unsigned char>(d >> 24),
                static_cast<unsigned char>(d >> 16), static_cast<unsigned char>(d >> 8), static_cast<unsigned char>(d)}};
#else
    return Uid{{static_cast<unsigned char>(a >> 24), static_cast<unsigned char>(a >> 16),
                static_cast<unsigned char>(a >> 8), static_cast<unsigned char>(a), static_cast<unsigned char>(b >> 24),
                static_cast<unsigned char>(b >> 16), static_cast<unsigned char>(b >> 8), static_cast<unsigned char>(b),
                static_cast<unsigned char>(c >> 24), static_cast<unsigned char>(c >> 16),
                static_cast<unsigned char>(c >> 8), static_cast<unsigned char>(c), static_cast<unsigned char>(d >> 24),
                static_cast<unsigned char>(d >> 16), static_cast<unsigned char>(d >> 8), static_cast<unsigned char>(d)}};
#endif
}

// Whether the 16 bytes at `id` are `uid` (a null id is nothing).
inline bool sameUid(const void* id, const Uid& uid)
{
    if (!id) return false;
    const auto* p = static_cast<const unsigned char*>(id);
    for (int i = 0; i < 16; ++i)
        if (p[i] != uid.bytes[i]) return false;
    return true;
}

// ------------------------------------------------------------------------------------------------
// The base of every interface: queries and reference counts. A new object starts with one
// reference; queryInterface adds one to what it hands out.

struct FUnknown {
    static constexpr Uid iid = makeUid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
    virtual tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) = 0;
    virtual uint32_t SARVO_VST3_CALL addRef() = 0;
    virtual uint32_t SARVO_VST3_CALL release() = 0;
};

// A byte stream the host hands over for state.
struct IBStream : FUnknown {
    static constexpr Uid iid = makeUid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
    enum SeekMode : int32_t { kSeekSet = 0, kSeekCur = 1, kSeekEnd = 2 };
    virtual tresult SARVO_VST3_CALL read(void* buffer, int32_t bytes, int32_t* bytesRead) = 0;
    virtual tresult SARVO_VST3_CALL write(void* buffer, int32_t bytes, int32_t* bytesWritten) = 0;
    virtual tresult SARVO_VST3_CALL seek(int64_t position, int32_t mode, int64_t* result) = 0;
    virtual tresult SARVO_VST3_CALL tell(int64_t* position) = 0;
};

// Made objects (components, controllers) are initialised with the host's context and terminated
// before their last release.
struct IPluginBase : FUnknown {
    static constexpr Uid iid = makeUid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
    virtual tresult SARVO_VST3_CALL initialize(FUnknown* context) = 0;
    virtual tresult SARVO_VST3_CALL terminate() = 0;
};

// ------------------------------------------------------------------------------------------------
// The factory and the records describing it and its classes

struct PFactoryInfo {
    enum Flags : int32_t {
        kNoFlags = 0,
        kClassesDiscardable = 1 << 0,
        kLicenseCheck = 1 << 1,
        kComponentNonDiscardable = 1 << 3,
        kUnicode = 1 << 4,
    };
    char vendor[64];
    char url[256];
    char email[128];
    int32_t flags;
};

constexpr int32_t kManyInstances = 0x7FFFFFFF;  // a class's cardinality: no limit

struct PClassInfo {
    unsigned char cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
};

struct PClassInfo2 {
    unsigned char cid[16];
    int32_t cardinality;
    char category[32];
    char name[64];
    uint32_t classFlags;
    char subCategories[128];  // "|"-separated
    char vendor[64];
    char version[64];
    char sdkVersion[64];
};

struct PClassInfoW {
    unsigned char cid[16];
    int32_t cardinality;
    char category[32];
    char16 name[64];
    uint32_t classFlags;
    char subCategories[128];
    char16 vendor[64];
    char16 version[64];
    char16 sdkVersion[64];
};

struct IPluginFactory : FUnknown {
    static constexpr Uid iid = makeUid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
    virtual tresult SARVO_VST3_CALL getFactoryInfo(PFactoryInfo* info) = 0;
    virtual int32_t SARVO_VST3_CALL countClasses() = 0;
    virtual tresult SARVO_VST3_CALL getClassInfo(int32_t index, PClassInfo* info) = 0;
    virtual tresult SARVO_VST3_CALL createInstance(FIDString cid, FIDString iid, void** object) = 0;
};

struct IPluginFactory2 : IPluginFactory {
    static constexpr Uid iid = makeUid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
    virtual tresult SARVO_VST3_CALL getClassInfo2(int32_t index, PClassInfo2* info) = 0;
};

struct IPluginFactory3 : IPluginFactory2 {
    static constexpr Uid iid = makeUid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
    virtual tresult SARVO_VST3_CALL getClassInfoUnicode(int32_t index, PClassInfoW* info) = 0;
    virtual tresult SARVO_VST3_CALL setHostContext(FUnknown* context) = 0;
};

// The category of an audio processor component, and of the edit controller class.
constexpr const char* kAudioEffectClass = "Audio Module Class";
constexpr const char* kComponentControllerClass = "Component Controller Class";
// A class flag of audio components: the processor may run in another process or machine.
constexpr uint32_t kDistributable = 1u << 0;

using GetFactoryProc = IPluginFactory*(SARVO_VST3_CALL*)();

// ------------------------------------------------------------------------------------------------
// Audio types (namespace Vst of the VST3 format)

using ParamID = uint32_t;
using ParamValue = double;  // normalised, 0..1
using SampleRate = double;
using Sample32 = float;
using Sample64 = double;
using TSamples = int64_t;
using SpeakerArrangement = uint64_t;  // one bit per speaker
using MediaType = int32_t;
using BusDirection = int32_t;
using BusType = int32_t;
using IoMode = int32_t;
using UnitID = int32_t;
using ProgramListID = int32_t;
using CString = const char*;

enum MediaTypes : int32_t { kAudio = 0, kEvent = 1 };
enum BusDirections : int32_t { kInput = 0, kOutput = 1 };
enum BusTypes : int32_t { kMain = 0, kAux = 1 };
enum IoModes : int32_t { kSimple = 0, kAdvanced = 1, kOfflineProcessing = 2 };
enum ProcessModes : int32_t { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
enum SymbolicSampleSizes : int32_t { kSample32 = 0, kSample64 = 1 };

constexpr SpeakerArrangement kSpeakerL = 1u << 0, kSpeakerR = 1u << 1, kSpeakerM = 1u << 19;
constexpr SpeakerArrangement kArrEmpty = 0, kArrMono = kSpeakerM, kArrStereo = kSpeakerL | kSpeakerR;

constexpr uint32_t kNoTail = 0;

struct BusInfo {
    enum Flags : uint32_t { kDefaultActive = 1u << 0, kIsControlVoltage = 1u << 1 };
    MediaType mediaType;
    BusDirection direction;
    int32_t channelCount;
    String128 name;
    BusType busType;
    uint32_t flags;
};

struct RoutingInfo {
    MediaType mediaType;
    int32_t busIndex;
    int32_t channel;
};

struct ParameterInfo {
    enum Flags : int32_t {
        kNoFlags = 0,
        kCanAutomate = 1 << 0,
        kIsReadOnly = 1 << 1,
        kIsWrapAround = 1 << 2,
        kIsList = 1 << 3,
        kIsHidden = 1 << 4,
        kIsProgramChange = 1 << 15,
        kIsBypass = 1 << 16,
    };
    ParamID id;
    String128 title;
    String128 shortTitle;
    String128 units;
    int32_t stepCount;  // 0: continuous; n: n + 1 values
    ParamValue defaultNormalizedValue;
    UnitID unitId;
    int32_t flags;
};

constexpr UnitID kRootUnitId = 0;
constexpr UnitID kNoParentUnitId = -1;
constexpr ProgramListID kNoProgramListId = -1;

struct UnitInfo {
    UnitID id;
    UnitID parentUnitId;
    String128 name;
    ProgramListID programListId;
};

struct ProgramListInfo {
    ProgramListID id;
    String128 name;
    int32_t programCount;
};

struct ProcessSetup {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t maxSamplesPerBlock;
    SampleRate sampleRate;
};

// One bus's channels for one process call; which pointer is valid follows symbolicSampleSize.
struct AudioBusBuffers {
    int32_t numChannels;
    uint64_t silenceFlags;  // bit n: channel n is silent
    union {
        Sample32** channelBuffers32;
        Sample64** channelBuffers64;
    };
};

struct IParameterChanges;
struct IEventList;      // note events; this effect takes none
struct ProcessContext;  // transport state; this effect needs none

struct ProcessData {
    int32_t processMode;
    int32_t symbolicSampleSize;
    int32_t numSamples;
    int32_t numInputs;
    int32_t numOutputs;
    AudioBusBuffers* inputs;
    AudioBusBuffers* outputs;
    IParameterChanges* inputParameterChanges;
    IParameterChanges* outputParameterChanges;
    IEventList* inputEvents;
    IEventList* outputEvents;
    ProcessContext* processContext;
};

// ------------------------------------------------------------------------------------------------
// Parameter changes the host sends with a process call: one queue per changed parameter, each a
// list of (sample offset, value) points in time order.

struct IParamValueQueue : FUnknown {
    static constexpr Uid iid = makeUid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
    virtual ParamID SARVO_VST3_CALL getParameterId() = 0;
    virtual int32_t SARVO_VST3_CALL getPointCount() = 0;
    virtual tresult SARVO_VST3_CALL getPoint(int32_t index, int32_t& sampleOffset, ParamValue& value) = 0;
    virtual tresult SARVO_VST3_CALL addPoint(int32_t sampleOffset, ParamValue value, int32_t& index) = 0;
};

struct IParameterChanges : FUnknown {
    static constexpr Uid iid = makeUid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
    virtual int32_t SARVO_VST3_CALL getParameterCount() = 0;
    virtual IParamValueQueue* SARVO_VST3_CALL getParameterData(int32_t index) = 0;
    virtual IParamValueQueue* SARVO_VST3_CALL addParameterData(const ParamID& id, int32_t& index) = 0;
};

// ------------------------------------------------------------------------------------------------
// The processor side

struct IComponent : IPluginBase {
    static constexpr Uid iid = makeUid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
    virtual tresult SARVO_VST3_CALL getControllerClassId(unsigned char classId[16]) = 0;
    virtual tresult SARVO_VST3_CALL setIoMode(IoMode mode) = 0;
    virtual int32_t SARVO_VST3_CALL getBusCount(MediaType type, BusDirection direction) = 0;
    virtual tresult SARVO_VST3_CALL getBusInfo(MediaType type, BusDirection direction, int32_t index,
                                               BusInfo& info) = 0;
    virtual tresult SARVO_VST3_CALL getRoutingInfo(RoutingInfo& in, RoutingInfo& out) = 0;
    virtual tresult SARVO_VST3_CALL activateBus(MediaType type, BusDirection direction, int32_t index,
                                                TBool state) = 0;
    virtual tresult SARVO_VST3_CALL setActive(TBool state) = 0;
    virtual tresult SARVO_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult SARVO_VST3_CALL getState(IBStream* state) = 0;
};

struct IAudioProcessor : FUnknown {
    static constexpr Uid iid = makeUid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
    virtual tresult SARVO_VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                                       SpeakerArrangement* outputs, int32_t outputCount) = 0;
    virtual tresult SARVO_VST3_CALL getBusArrangement(BusDirection direction, int32_t index,
                                                      SpeakerArrangement& arrangement) = 0;
    virtual tresult SARVO_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) = 0;
    virtual uint32_t SARVO_VST3_CALL getLatencySamples() = 0;
    virtual tresult SARVO_VST3_CALL setupProcessing(ProcessSetup& setup) = 0;
    virtual tresult SARVO_VST3_CALL setProcessing(TBool state) = 0;
    virtual tresult SARVO_VST3_CALL process(ProcessData& data) = 0;
    virtual uint32_t SARVO_VST3_CALL getTailSamples() = 0;
};

// What the processor needs of the host's ProcessContext (flags of the fields it reads); a processor
// must answer it even when it needs nothing.
struct IProcessContextRequirements : FUnknown {
    static constexpr Uid iid = makeUid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
    virtual uint32_t SARVO_VST3_CALL getProcessContextRequirements() = 0;
};

// ------------------------------------------------------------------------------------------------
// The controller side

// The host's receiver of the controller's edits.
struct IComponentHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
    enum RestartFlags : int32_t {
        kReloadComponent = 1 << 0,
        kIoChanged = 1 << 1,
        kParamValuesChanged = 1 << 2,
        kLatencyChanged = 1 << 3,
        kParamTitlesChanged = 1 << 4,
    };
    virtual tresult SARVO_VST3_CALL beginEdit(ParamID id) = 0;
    virtual tresult SARVO_VST3_CALL performEdit(ParamID id, ParamValue normalised) = 0;
    virtual tresult SARVO_VST3_CALL endEdit(ParamID id) = 0;
    virtual tresult SARVO_VST3_CALL restartComponent(int32_t flags) = 0;
};

struct IPlugView;

struct IEditController : IPluginBase {
    static constexpr Uid iid = makeUid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
    virtual tresult SARVO_VST3_CALL setComponentState(IBStream* state) = 0;
    virtual tresult SARVO_VST3_CALL setState(IBStream* state) = 0;
    virtual tresult SARVO_VST3_CALL getState(IBStream* state) = 0;
    virtual int32_t SARVO_VST3_CALL getParameterCount() = 0;
    virtual tresult SARVO_VST3_CALL getParameterInfo(int32_t index, ParameterInfo& info) = 0;
    virtual tresult SARVO_VST3_CALL getParamStringByValue(ParamID id, ParamValue normalised, char16* text) = 0;
    virtual tresult SARVO_VST3_CALL getParamValueByString(ParamID id, char16* text, ParamValue& normalised) = 0;
    virtual ParamValue SARVO_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue normalised) = 0;
    virtual ParamValue SARVO_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plain) = 0;
    virtual ParamValue SARVO_VST3_CALL getParamNormalized(ParamID id) = 0;
    virtual tresult SARVO_VST3_CALL setParamNormalized(ParamID id, ParamValue normalised) = 0;
    virtual tresult SARVO_VST3_CALL setComponentHandler(IComponentHandler* handler) = 0;
    virtual IPlugView* SARVO_VST3_CALL createView(FIDString name) = 0;
};

// The name createView is asked for.
constexpr const char* kEditorViewName = "editor";

// Units and program lists: this effect has the root unit only, with one program list.
struct IUnitInfo : FUnknown {
    static constexpr Uid iid = makeUid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
    virtual int32_t SARVO_VST3_CALL getUnitCount() = 0;
    virtual tresult SARVO_VST3_CALL getUnitInfo(int32_t index, UnitInfo& info) = 0;
    virtual int32_t SARVO_VST3_CALL getProgramListCount() = 0;
    virtual tresult SARVO_VST3_CALL getProgramListInfo(int32_t index, ProgramListInfo& info) = 0;
    virtual tresult SARVO_VST3_CALL getProgramName(ProgramListID list, int32_t program, char16* name) = 0;
    virtual tresult SARVO_VST3_CALL getProgramInfo(ProgramListID list, int32_t program, CString attribute,
                                                   char16* value) = 0;
    virtual tresult SARVO_VST3_CALL hasProgramPitchNames(ProgramListID list, int32_t program) = 0;
    virtual tresult SARVO_VST3_CALL getProgramPitchName(ProgramListID list, int32_t program, int16_t pitch,
                                                        char16* name) = 0;
    virtual UnitID SARVO_VST3_CALL getSelectedUnit() = 0;
    virtual tresult SARVO_VST3_CALL selectUnit(UnitID unit) = 0;
    virtual tresult SARVO_VST3_CALL getUnitByBus(MediaType type, BusDirection direction, int32_t bus,
                                                 int32_t channel, UnitID& unit) = 0;
    virtual tresult SARVO_VST3_CALL setUnitProgramData(int32_t listOrUnit, int32_t program, IBStream* data) = 0;
};

// ------------------------------------------------------------------------------------------------
// The editor view and the host's side of it

struct ViewRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// Parent window kinds passed to attached().
constexpr const char* kPlatformTypeHWND = "HWND";
constexpr const char* kPlatformTypeX11EmbedWindowID = "X11EmbedWindowID";

struct IPlugFrame;

struct IPlugView : FUnknown {
    static constexpr Uid iid = makeUid(0x5BC32507, 0xD06049EA, 0xA6151B52, 0x2B755B29);
    virtual tresult SARVO_VST3_CALL isPlatformTypeSupported(FIDString type) = 0;
    virtual tresult SARVO_VST3_CALL attached(void* parent, FIDString type) = 0;
    virtual tresult SARVO_VST3_CALL removed() = 0;
    virtual tresult SARVO_VST3_CALL onWheel(float distance) = 0;
    virtual tresult SARVO_VST3_CALL onKeyDown(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult SARVO_VST3_CALL onKeyUp(char16 key, int16_t keyCode, int16_t modifiers) = 0;
    virtual tresult SARVO_VST3_CALL getSize(ViewRect* size) = 0;
    virtual tresult SARVO_VST3_CALL onSize(ViewRect* size) = 0;
    virtual tresult SARVO_VST3_CALL onFocus(TBool state) = 0;
    virtual tresult SARVO_VST3_CALL setFrame(IPlugFrame* frame) = 0;
    virtual tresult SARVO_VST3_CALL canResize() = 0;
    virtual tresult SARVO_VST3_CALL checkSizeConstraint(ViewRect* rect) = 0;
};

// The host's window around a view; on Linux it also gives the run loop (by queryInterface).
struct IPlugFrame : FUnknown {
    static constexpr Uid iid = makeUid(0x367FAF01, 0xAFA94693, 0x8D4DA2A0, 0xED0882A3);
    virtual tresult SARVO_VST3_CALL resizeView(IPlugView* view, ViewRect* size) = 0;
};

struct IPlugViewContentScaleSupport : FUnknown {
    static constexpr Uid iid = makeUid(0x65ED9690, 0x8AC44525, 0x8AADEF7A, 0x72EA703F);
    virtual tresult SARVO_VST3_CALL setContentScaleFactor(float factor) = 0;
};

// Linux: the host's event loop, which calls the view back for readable descriptors and timers.
using FileDescriptor = int;
using TimerInterval = uint64_t;  // milliseconds

struct IEventHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x561E65C9, 0x13A0496F, 0x813A2C35, 0x654D7983);
    virtual void SARVO_VST3_CALL onFDIsSet(FileDescriptor fd) = 0;
};

struct ITimerHandler : FUnknown {
    static constexpr Uid iid = makeUid(0x10BDD94F, 0x41424774, 0x821FAD8F, 0xECA72CA9);
    virtual void SARVO_VST3_CALL onTimer() = 0;
};

struct IRunLoop : FUnknown {
    static constexpr Uid iid = makeUid(0x18C35366, 0x97764F1A, 0x9C5B8385, 0x7A871389);
    virtual tresult SARVO_VST3_CALL registerEventHandler(IEventHandler* handler, FileDescriptor fd) = 0;
    virtual tresult SARVO_VST3_CALL unregisterEventHandler(IEventHandler* handler) = 0;
    virtual tresult SARVO_VST3_CALL registerTimer(ITimerHandler* handler, TimerInterval milliseconds) = 0;
    virtual tresult SARVO_VST3_CALL unregisterTimer(ITimerHandler* handler) = 0;
};

}  // namespace vst3abi
