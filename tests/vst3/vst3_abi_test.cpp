// The module's own VST3 declarations (src/vst3/vst3_abi.h) against the format's interface headers as
// Debian packages them (SDK 3.7.2, in juce-modules-source-data): the same interface ids in the
// platform's byte order, each method in the same slot of the virtual table with arguments of the same
// kinds and sizes, the same record sizes and field offsets, and the same constants. A difference
// here is a host calling the wrong method or reading a record at the wrong place.
#include "vst3/vst3_abi.h"

#include "pluginterfaces/base/ibstream.h"
#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"
#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "pluginterfaces/vst/ivstunits.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <type_traits>
#include <vector>

namespace sdk = Steinberg;
namespace vst = Steinberg::Vst;

// ------------------------------------------------------------------------------------------------
// Records: size and the offset of every field.

#define SAME_RECORD(ours, theirs) static_assert(sizeof(vst3abi::ours) == sizeof(theirs), #ours " size")
#define SAME_FIELD(ours, theirs, field)                                                                               \
    static_assert(offsetof(vst3abi::ours, field) == offsetof(theirs, field), #ours "." #field)

SAME_RECORD(PFactoryInfo, sdk::PFactoryInfo);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, url);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, email);
SAME_FIELD(PFactoryInfo, sdk::PFactoryInfo, flags);

SAME_RECORD(PClassInfo, sdk::PClassInfo);
SAME_FIELD(PClassInfo, sdk::PClassInfo, cardinality);
SAME_FIELD(PClassInfo, sdk::PClassInfo, category);
SAME_FIELD(PClassInfo, sdk::PClassInfo, name);

SAME_RECORD(PClassInfo2, sdk::PClassInfo2);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, cardinality);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, category);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, name);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, classFlags);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, subCategories);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, vendor);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, version);
SAME_FIELD(PClassInfo2, sdk::PClassInfo2, sdkVersion);

SAME_RECORD(PClassInfoW, sdk::PClassInfoW);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, cardinality);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, category);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, name);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, classFlags);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, subCategories);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, vendor);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, version);
SAME_FIELD(PClassInfoW, sdk::PClassInfoW, sdkVersion);

SAME_RECORD(BusInfo, vst::BusInfo);
SAME_FIELD(BusInfo, vst::BusInfo, direction);
SAME_FIELD(BusInfo, vst::BusInfo, channelCount);
SAME_FIELD(BusInfo, vst::BusInfo, name);
SAME_FIELD(BusInfo, vst::BusInfo, busType);
SAME_FIELD(BusInfo, vst::BusInfo, flags);

SAME_RECORD(RoutingInfo, vst::RoutingInfo);
SAME_FIELD(RoutingInfo, vst::RoutingInfo, busIndex);
SAME_FIELD(RoutingInfo, vst::RoutingInfo, channel);

SAME_RECORD(ParameterInfo, vst::ParameterInfo);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, title);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, shortTitle);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, units);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, stepCount);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, defaultNormalizedValue);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, unitId);
SAME_FIELD(ParameterInfo, vst::ParameterInfo, flags);

SAME_RECORD(UnitInfo, vst::UnitInfo);
SAME_FIELD(UnitInfo, vst::UnitInfo, parentUnitId);
SAME_FIELD(UnitInfo, vst::UnitInfo, name);
SAME_FIELD(UnitInfo, vst::UnitInfo, programListId);

SAME_RECORD(ProgramListInfo, vst::ProgramListInfo);
SAME_FIELD(ProgramListInfo, vst::ProgramListInfo, name);
SAME_FIELD(ProgramListInfo, vst::ProgramListInfo, programCount);

SAME_RECORD(ProcessSetup, vst::ProcessSetup);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, symbolicSampleSize);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, maxSamplesPerBlock);
SAME_FIELD(ProcessSetup, vst::ProcessSetup, sampleRate);

SAME_RECORD(AudioBusBuffers, vst::AudioBusBuffers);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, silenceFlags);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, channelBuffers32);
SAME_FIELD(AudioBusBuffers, vst::AudioBusBuffers, channelBuffers64);

SAME_RECORD(ProcessData, vst::ProcessData);
SAME_FIELD(ProcessData, vst::ProcessData, symbolicSampleSize);
SAME_FIELD(ProcessData, vst::ProcessData, numSamples);
SAME_FIELD(ProcessData, vst::ProcessData, numInputs);
SAME_FIELD(ProcessData, vst::ProcessData, numOutputs);
SAME_FIELD(ProcessData, vst::ProcessData, inputs);
SAME_FIELD(ProcessData, vst::ProcessData, outputs);
SAME_FIELD(ProcessData, vst::ProcessData, inputParameterChanges);
SAME_FIELD(ProcessData, vst::ProcessData, outputParameterChanges);
SAME_FIELD(ProcessData, vst::ProcessData, inputEvents);
SAME_FIELD(ProcessData, vst::ProcessData, outputEvents);
SAME_FIELD(ProcessData, vst::ProcessData, processContext);

SAME_RECORD(ViewRect, sdk::ViewRect);
SAME_FIELD(ViewRect, sdk::ViewRect, top);
SAME_FIELD(ViewRect, sdk::ViewRect, right);
SAME_FIELD(ViewRect, sdk::ViewRect, bottom);

// Interfaces hold nothing but their table pointer.
SAME_RECORD(FUnknown, sdk::FUnknown);
SAME_RECORD(IComponent, vst::IComponent);
SAME_RECORD(IPlugView, sdk::IPlugView);

// Basic types.
static_assert(sizeof(vst3abi::tresult) == sizeof(sdk::tresult), "tresult");
static_assert(sizeof(vst3abi::TBool) == sizeof(sdk::TBool), "TBool");
static_assert(sizeof(vst3abi::char16) == sizeof(sdk::char16), "char16");
static_assert(sizeof(vst3abi::String128) == sizeof(vst::String128), "String128");
static_assert(sizeof(vst3abi::Uid) == sizeof(sdk::TUID), "TUID");
// Same size and signedness (the 64-bit integers may be long or long long on either side).
#define SAME_NUMBER(ours, theirs)                                                                                     \
    static_assert(sizeof(vst3abi::ours) == sizeof(theirs) &&                                                          \
                      std::is_signed<vst3abi::ours>::value == std::is_signed<theirs>::value &&                        \
                      std::is_floating_point<vst3abi::ours>::value == std::is_floating_point<theirs>::value,          \
                  #ours)
SAME_NUMBER(ParamID, vst::ParamID);
SAME_NUMBER(ParamValue, vst::ParamValue);
SAME_NUMBER(SampleRate, vst::SampleRate);
SAME_NUMBER(TSamples, vst::TSamples);
SAME_NUMBER(SpeakerArrangement, vst::SpeakerArrangement);
SAME_NUMBER(MediaType, vst::MediaType);
SAME_NUMBER(BusDirection, vst::BusDirection);
SAME_NUMBER(UnitID, vst::UnitID);
SAME_NUMBER(ProgramListID, vst::ProgramListID);
#if !defined(_WIN32)  // the run loop is published for Linux only
SAME_NUMBER(TimerInterval, sdk::Linux::TimerInterval);
SAME_NUMBER(FileDescriptor, sdk::Linux::FileDescriptor);
#endif

namespace {

// ------------------------------------------------------------------------------------------------
// Methods: the slot a virtual member function pointer names, and the kinds of its return value
// and arguments. A pointer to a virtual member function holds one plus the byte offset of its slot
// (the Itanium C++ ABI, which GCC follows on Linux and Windows alike).

long slotOf(const void* memberPointer, size_t size)
{
    ptrdiff_t word = 0;
    if (size < sizeof word) return -1;
    std::memcpy(&word, memberPointer, sizeof word);
    if ((word & 1) == 0) return -1;  // not virtual
    return static_cast<long>((word - 1) / static_cast<ptrdiff_t>(sizeof(void*)));
}

// A type's kind and size as the calling convention sees it.
template <class T>
std::string kindOf()
{
    using U = std::remove_cv_t<T>;
    const char* kind = std::is_reference<U>::value  ? "ref"
                       : std::is_pointer<U>::value  ? "ptr"
                       : std::is_floating_point<U>::value ? "float"
                       : std::is_integral<U>::value || std::is_enum<U>::value ? "int"
                       : std::is_void<U>::value     ? "void"
                                                    : "record";
    size_t size = 0;
    if constexpr (!std::is_void<U>::value && !std::is_reference<U>::value) size = sizeof(U);
    return std::string(kind) + std::to_string(size);
}

struct Method {
    long slot;
    std::string shape;
};

template <class C, class R, class... A>
Method method(R (SARVO_VST3_CALL C::*member)(A...))
{
    std::string shape = kindOf<R>() + "(";
    for (const std::string& arg : std::vector<std::string>{kindOf<A>()...}) shape += arg + ",";
    return Method{slotOf(&member, sizeof member), shape + ")"};
}

// Both sides of one method: ours and the published one.
#define SAME_METHOD(ours, theirs, name)                                                                               \
    do {                                                                                                              \
        const Method a = method(&vst3abi::ours::name), b = method(&theirs::name);                                    \
        EXPECT_GE(a.slot, 0) << #ours "::" #name;                                                                     \
        EXPECT_EQ(a.slot, b.slot) << #ours "::" #name " sits in another slot";                                        \
        EXPECT_EQ(a.shape, b.shape) << #ours "::" #name " takes other arguments";                                     \
    } while (0)

TEST(Vst3Abi, MethodsSitInThePublishedSlotsWithThePublishedArguments)
{
    SAME_METHOD(FUnknown, sdk::FUnknown, queryInterface);
    SAME_METHOD(FUnknown, sdk::FUnknown, addRef);
    SAME_METHOD(FUnknown, sdk::FUnknown, release);

    SAME_METHOD(IBStream, sdk::IBStream, read);
    SAME_METHOD(IBStream, sdk::IBStream, write);
    SAME_METHOD(IBStream, sdk::IBStream, seek);
    SAME_METHOD(IBStream, sdk::IBStream, tell);

    SAME_METHOD(IPluginBase, sdk::IPluginBase, initialize);
    SAME_METHOD(IPluginBase, sdk::IPluginBase, terminate);

    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, getFactoryInfo);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, countClasses);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, getClassInfo);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, createInstance);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, getClassInfo2);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, getClassInfoUnicode);
    SAME_METHOD(IPluginFactory3, sdk::IPluginFactory3, setHostContext);

    SAME_METHOD(IParamValueQueue, vst::IParamValueQueue, getParameterId);
    SAME_METHOD(IParamValueQueue, vst::IParamValueQueue, getPointCount);
    SAME_METHOD(IParamValueQueue, vst::IParamValueQueue, getPoint);
    SAME_METHOD(IParamValueQueue, vst::IParamValueQueue, addPoint);
    SAME_METHOD(IParameterChanges, vst::IParameterChanges, getParameterCount);
    SAME_METHOD(IParameterChanges, vst::IParameterChanges, getParameterData);
    SAME_METHOD(IParameterChanges, vst::IParameterChanges, addParameterData);

    SAME_METHOD(IComponent, vst::IComponent, initialize);
    SAME_METHOD(IComponent, vst::IComponent, terminate);
    SAME_METHOD(IComponent, vst::IComponent, getControllerClassId);
    SAME_METHOD(IComponent, vst::IComponent, setIoMode);
    SAME_METHOD(IComponent, vst::IComponent, getBusCount);
    SAME_METHOD(IComponent, vst::IComponent, getBusInfo);
    SAME_METHOD(IComponent, vst::IComponent, getRoutingInfo);
    SAME_METHOD(IComponent, vst::IComponent, activateBus);
    SAME_METHOD(IComponent, vst::IComponent, setActive);
    SAME_METHOD(IComponent, vst::IComponent, setState);
    SAME_METHOD(IComponent, vst::IComponent, getState);

    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, setBusArrangements);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, getBusArrangement);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, canProcessSampleSize);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, getLatencySamples);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, setupProcessing);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, setProcessing);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, process);
    SAME_METHOD(IAudioProcessor, vst::IAudioProcessor, getTailSamples);

    SAME_METHOD(IProcessContextRequirements, vst::IProcessContextRequirements, getProcessContextRequirements);

    SAME_METHOD(IComponentHandler, vst::IComponentHandler, beginEdit);
    SAME_METHOD(IComponentHandler, vst::IComponentHandler, performEdit);
    SAME_METHOD(IComponentHandler, vst::IComponentHandler, endEdit);
    SAME_METHOD(IComponentHandler, vst::IComponentHandler, restartComponent);

    SAME_METHOD(IEditController, vst::IEditController, initialize);
    SAME_METHOD(IEditController, vst::IEditController, setComponentState);
    SAME_METHOD(IEditController, vst::IEditController, setState);
    SAME_METHOD(IEditController, vst::IEditController, getState);
    SAME_METHOD(IEditController, vst::IEditController, getParameterCount);
    SAME_METHOD(IEditController, vst::IEditController, getParameterInfo);
    SAME_METHOD(IEditController, vst::IEditController, getParamStringByValue);
    SAME_METHOD(IEditController, vst::IEditController, getParamValueByString);
    SAME_METHOD(IEditController, vst::IEditController, normalizedParamToPlain);
    SAME_METHOD(IEditController, vst::IEditController, plainParamToNormalized);
    SAME_METHOD(IEditController, vst::IEditController, getParamNormalized);
    SAME_METHOD(IEditController, vst::IEditController, setParamNormalized);
    SAME_METHOD(IEditController, vst::IEditController, setComponentHandler);
    SAME_METHOD(IEditController, vst::IEditController, createView);

    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getUnitCount);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getUnitInfo);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getProgramListCount);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getProgramListInfo);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getProgramName);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getProgramInfo);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, hasProgramPitchNames);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getProgramPitchName);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getSelectedUnit);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, selectUnit);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, getUnitByBus);
    SAME_METHOD(IUnitInfo, vst::IUnitInfo, setUnitProgramData);

    SAME_METHOD(IPlugView, sdk::IPlugView, isPlatformTypeSupported);
    SAME_METHOD(IPlugView, sdk::IPlugView, attached);
    SAME_METHOD(IPlugView, sdk::IPlugView, removed);
    SAME_METHOD(IPlugView, sdk::IPlugView, onWheel);
    SAME_METHOD(IPlugView, sdk::IPlugView, onKeyDown);
    SAME_METHOD(IPlugView, sdk::IPlugView, onKeyUp);
    SAME_METHOD(IPlugView, sdk::IPlugView, getSize);
    SAME_METHOD(IPlugView, sdk::IPlugView, onSize);
    SAME_METHOD(IPlugView, sdk::IPlugView, onFocus);
    SAME_METHOD(IPlugView, sdk::IPlugView, setFrame);
    SAME_METHOD(IPlugView, sdk::IPlugView, canResize);
    SAME_METHOD(IPlugView, sdk::IPlugView, checkSizeConstraint);
    SAME_METHOD(IPlugFrame, sdk::IPlugFrame, resizeView);
    SAME_METHOD(IPlugViewContentScaleSupport, sdk::IPlugViewContentScaleSupport, setContentScaleFactor);
#if !defined(_WIN32)
    SAME_METHOD(IEventHandler, sdk::Linux::IEventHandler, onFDIsSet);
    SAME_METHOD(ITimerHandler, sdk::Linux::ITimerHandler, onTimer);
    SAME_METHOD(IRunLoop, sdk::Linux::IRunLoop, registerEventHandler);
    SAME_METHOD(IRunLoop, sdk::Linux::IRunLoop, unregisterEventHandler);
    SAME_METHOD(IRunLoop, sdk::Linux::IRunLoop, registerTimer);
    SAME_METHOD(IRunLoop, sdk::Linux::IRunLoop, unregisterTimer);
#endif
}

// ------------------------------------------------------------------------------------------------
// Interface ids, in this platform's byte order.

std::string hex(const void* bytes)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        const unsigned char b = static_cast<const unsigned char*>(bytes)[i];
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

#define SAME_IID(ours, theirs) EXPECT_EQ(hex(vst3abi::ours::iid.bytes), hex(theirs##_iid)) << #ours

TEST(Vst3Abi, InterfaceIdsAreThePublishedOnesInThisPlatformsByteOrder)
{
    SAME_IID(FUnknown, sdk::FUnknown);
    SAME_IID(IBStream, sdk::IBStream);
    SAME_IID(IPluginBase, sdk::IPluginBase);
    SAME_IID(IPluginFactory, sdk::IPluginFactory);
    SAME_IID(IPluginFactory2, sdk::IPluginFactory2);
    SAME_IID(IPluginFactory3, sdk::IPluginFactory3);
    SAME_IID(IParamValueQueue, vst::IParamValueQueue);
    SAME_IID(IParameterChanges, vst::IParameterChanges);
    SAME_IID(IComponent, vst::IComponent);
    SAME_IID(IAudioProcessor, vst::IAudioProcessor);
    SAME_IID(IProcessContextRequirements, vst::IProcessContextRequirements);
    SAME_IID(IComponentHandler, vst::IComponentHandler);
    SAME_IID(IEditController, vst::IEditController);
    SAME_IID(IUnitInfo, vst::IUnitInfo);
    SAME_IID(IPlugView, sdk::IPlugView);
    SAME_IID(IPlugFrame, sdk::IPlugFrame);
    SAME_IID(IPlugViewContentScaleSupport, sdk::IPlugViewContentScaleSupport);
#if !defined(_WIN32)
    SAME_IID(IEventHandler, sdk::Linux::IEventHandler);
    SAME_IID(ITimerHandler, sdk::Linux::ITimerHandler);
    SAME_IID(IRunLoop, sdk::Linux::IRunLoop);
#endif
    // The byte order itself, on a made-up id: COM's order on Windows (the first number and the two
    // halves of the second little-endian), the numbers as written elsewhere.
    const vst3abi::Uid probe = vst3abi::makeUid(0x01020304, 0x05060708, 0x090A0B0C, 0x0D0E0F10);
#if defined(_WIN32)
    EXPECT_EQ(hex(probe.bytes), "0403020106050807090A0B0C0D0E0F10");
#else
    EXPECT_EQ(hex(probe.bytes), "0102030405060708090A0B0C0D0E0F10");
#endif
}

// ------------------------------------------------------------------------------------------------
// Constants: results, flags, bus and sample kinds, speakers, units.

// Numbers compared as numbers, whatever their enumeration types.
#define SAME_CONST(ours, theirs) EXPECT_EQ(static_cast<long long>(ours), static_cast<long long>(theirs)) << #ours

TEST(Vst3Abi, ConstantsAreThePublishedOnes)
{
    SAME_CONST(vst3abi::kResultOk, sdk::kResultOk);
    SAME_CONST(vst3abi::kResultTrue, sdk::kResultTrue);
    SAME_CONST(vst3abi::kResultFalse, sdk::kResultFalse);
    SAME_CONST(vst3abi::kNoInterface, sdk::kNoInterface);
    SAME_CONST(vst3abi::kInvalidArgument, sdk::kInvalidArgument);
    SAME_CONST(vst3abi::kNotImplemented, sdk::kNotImplemented);
    SAME_CONST(vst3abi::kInternalError, sdk::kInternalError);
    SAME_CONST(vst3abi::kNotInitialized, sdk::kNotInitialized);
    SAME_CONST(vst3abi::kOutOfMemory, sdk::kOutOfMemory);

    SAME_CONST(vst3abi::PFactoryInfo::kClassesDiscardable, sdk::PFactoryInfo::kClassesDiscardable);
    SAME_CONST(vst3abi::PFactoryInfo::kLicenseCheck, sdk::PFactoryInfo::kLicenseCheck);
    SAME_CONST(vst3abi::PFactoryInfo::kComponentNonDiscardable, sdk::PFactoryInfo::kComponentNonDiscardable);
    SAME_CONST(vst3abi::PFactoryInfo::kUnicode, sdk::PFactoryInfo::kUnicode);
    SAME_CONST(vst3abi::kManyInstances, sdk::PClassInfo::kManyInstances);
    EXPECT_STREQ(vst3abi::kAudioEffectClass, kVstAudioEffectClass);
    EXPECT_STREQ(vst3abi::kComponentControllerClass, kVstComponentControllerClass);
    SAME_CONST(vst3abi::kDistributable, static_cast<uint32_t>(vst::kDistributable));

    SAME_CONST(vst3abi::IBStream::kSeekSet, sdk::IBStream::kIBSeekSet);
    SAME_CONST(vst3abi::IBStream::kSeekCur, sdk::IBStream::kIBSeekCur);
    SAME_CONST(vst3abi::IBStream::kSeekEnd, sdk::IBStream::kIBSeekEnd);

    SAME_CONST(vst3abi::kAudio, vst::kAudio);
    SAME_CONST(vst3abi::kEvent, vst::kEvent);
    SAME_CONST(vst3abi::kInput, vst::kInput);
    SAME_CONST(vst3abi::kOutput, vst::kOutput);
    SAME_CONST(vst3abi::kMain, vst::kMain);
    SAME_CONST(vst3abi::kAux, vst::kAux);
    SAME_CONST(vst3abi::BusInfo::kDefaultActive, vst::BusInfo::kDefaultActive);
    SAME_CONST(vst3abi::kSimple, vst::kSimple);
    SAME_CONST(vst3abi::kAdvanced, vst::kAdvanced);
    SAME_CONST(vst3abi::kOfflineProcessing, vst::kOfflineProcessing);
    SAME_CONST(vst3abi::kRealtime, vst::kRealtime);
    SAME_CONST(vst3abi::kPrefetch, vst::kPrefetch);
    SAME_CONST(vst3abi::kOffline, vst::kOffline);
    SAME_CONST(vst3abi::kSample32, vst::kSample32);
    SAME_CONST(vst3abi::kSample64, vst::kSample64);
    SAME_CONST(vst3abi::kNoTail, vst::kNoTail);

    SAME_CONST(vst3abi::kSpeakerL, vst::kSpeakerL);
    SAME_CONST(vst3abi::kSpeakerR, vst::kSpeakerR);
    SAME_CONST(vst3abi::kSpeakerM, vst::kSpeakerM);
    SAME_CONST(vst3abi::kArrMono, vst::SpeakerArr::kMono);
    SAME_CONST(vst3abi::kArrStereo, vst::SpeakerArr::kStereo);
    SAME_CONST(vst3abi::kArrEmpty, vst::SpeakerArr::kEmpty);

    SAME_CONST(vst3abi::ParameterInfo::kCanAutomate, vst::ParameterInfo::kCanAutomate);
    SAME_CONST(vst3abi::ParameterInfo::kIsReadOnly, vst::ParameterInfo::kIsReadOnly);
    SAME_CONST(vst3abi::ParameterInfo::kIsWrapAround, vst::ParameterInfo::kIsWrapAround);
    SAME_CONST(vst3abi::ParameterInfo::kIsList, vst::ParameterInfo::kIsList);
    SAME_CONST(vst3abi::ParameterInfo::kIsHidden, vst::ParameterInfo::kIsHidden);
    SAME_CONST(vst3abi::ParameterInfo::kIsProgramChange, vst::ParameterInfo::kIsProgramChange);
    SAME_CONST(vst3abi::ParameterInfo::kIsBypass, vst::ParameterInfo::kIsBypass);

    SAME_CONST(vst3abi::IComponentHandler::kReloadComponent, vst::kReloadComponent);
    SAME_CONST(vst3abi::IComponentHandler::kIoChanged, vst::kIoChanged);
    SAME_CONST(vst3abi::IComponentHandler::kParamValuesChanged, vst::kParamValuesChanged);
    SAME_CONST(vst3abi::IComponentHandler::kLatencyChanged, vst::kLatencyChanged);
    SAME_CONST(vst3abi::IComponentHandler::kParamTitlesChanged, vst::kParamTitlesChanged);

    SAME_CONST(vst3abi::kRootUnitId, vst::kRootUnitId);
    SAME_CONST(vst3abi::kNoParentUnitId, vst::kNoParentUnitId);
    SAME_CONST(vst3abi::kNoProgramListId, vst::kNoProgramListId);

    EXPECT_STREQ(vst3abi::kEditorViewName, vst::ViewType::kEditor);
    EXPECT_STREQ(vst3abi::kPlatformTypeHWND, sdk::kPlatformTypeHWND);
    EXPECT_STREQ(vst3abi::kPlatformTypeX11EmbedWindowID, sdk::kPlatformTypeX11EmbedWindowID);
}

}  // namespace
