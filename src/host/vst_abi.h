#pragma once
// The VST 2.x binary interface between a host and this plug-in, written from the published layouts.
// Pointer-sized integers sit where the published interface has them, so 64-bit builds get the
// published 64-bit layout and 32-bit builds the classic 144-byte descriptor.
#include <cstddef>
#include <cstdint>

typedef std::intptr_t VstIntPtr;
typedef std::int32_t VstInt32;
typedef std::int16_t VstInt16;

struct AEffect;

// Host callback and descriptor entry functions use the platform's default (cdecl) convention.
typedef VstIntPtr (*audioMasterCallback)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                         float opt);
typedef VstIntPtr (*AEffectDispatcherProc)(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                           float opt);
typedef void (*AEffectProcessProc)(AEffect* effect, float** inputs, float** outputs, VstInt32 sampleFrames);
typedef void (*AEffectProcessDoubleProc)(AEffect* effect, double** inputs, double** outputs, VstInt32 sampleFrames);
typedef void (*AEffectSetParameterProc)(AEffect* effect, VstInt32 index, float parameter);
typedef float (*AEffectGetParameterProc)(AEffect* effect, VstInt32 index);

constexpr VstInt32 kEffectMagic = 0x56737450;  // "VstP"

struct AEffect {
    VstInt32 magic;
    AEffectDispatcherProc dispatcher;
    AEffectProcessProc process;
    AEffectSetParameterProc setParameter;
    AEffectGetParameterProc getParameter;
    VstInt32 numPrograms;
    VstInt32 numParams;
    VstInt32 numInputs;
    VstInt32 numOutputs;
    VstInt32 flags;
    VstIntPtr resvd1;
    VstIntPtr resvd2;
    VstInt32 initialDelay;
    VstInt32 realQualities;
    VstInt32 offQualities;
    float ioRatio;
    void* object;
    void* user;
    VstInt32 uniqueID;
    VstInt32 version;
    AEffectProcessProc processReplacing;
    AEffectProcessDoubleProc processDoubleReplacing;
    char future[56];
};

#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(AEffect) == 144, "32-bit descriptor is 144 bytes");
static_assert(offsetof(AEffect, dispatcher) == 4, "layout");
static_assert(offsetof(AEffect, process) == 8, "layout");
static_assert(offsetof(AEffect, setParameter) == 12, "layout");
static_assert(offsetof(AEffect, getParameter) == 16, "layout");
static_assert(offsetof(AEffect, numPrograms) == 20, "layout");
static_assert(offsetof(AEffect, numParams) == 24, "layout");
static_assert(offsetof(AEffect, numInputs) == 28, "layout");
static_assert(offsetof(AEffect, numOutputs) == 32, "layout");
static_assert(offsetof(AEffect, flags) == 36, "layout");
static_assert(offsetof(AEffect, resvd1) == 40, "layout");
static_assert(offsetof(AEffect, resvd2) == 44, "layout");
static_assert(offsetof(AEffect, initialDelay) == 48, "layout");
static_assert(offsetof(AEffect, realQualities) == 52, "layout");
static_assert(offsetof(AEffect, offQualities) == 56, "layout");
static_assert(offsetof(AEffect, ioRatio) == 60, "layout");
static_assert(offsetof(AEffect, object) == 64, "layout");
static_assert(offsetof(AEffect, user) == 68, "layout");
static_assert(offsetof(AEffect, uniqueID) == 72, "layout");
static_assert(offsetof(AEffect, version) == 76, "layout");
static_assert(offsetof(AEffect, processReplacing) == 80, "layout");
static_assert(offsetof(AEffect, processDoubleReplacing) == 84, "layout");
static_assert(offsetof(AEffect, future) == 88, "layout");
#elif defined(__x86_64__) || defined(_M_X64)
static_assert(sizeof(AEffect) == 192, "64-bit descriptor is 192 bytes");
static_assert(offsetof(AEffect, dispatcher) == 8, "layout");
static_assert(offsetof(AEffect, numPrograms) == 40, "layout");
static_assert(offsetof(AEffect, flags) == 56, "layout");
static_assert(offsetof(AEffect, resvd1) == 64, "layout");
static_assert(offsetof(AEffect, initialDelay) == 80, "layout");
static_assert(offsetof(AEffect, ioRatio) == 92, "layout");
static_assert(offsetof(AEffect, object) == 96, "layout");
static_assert(offsetof(AEffect, uniqueID) == 112, "layout");
static_assert(offsetof(AEffect, processReplacing) == 120, "layout");
static_assert(offsetof(AEffect, future) == 136, "layout");
#endif

enum VstAEffectFlags : VstInt32 {
    effFlagsHasEditor = 1 << 0,
    effFlagsHasClip = 1 << 1,
    effFlagsHasVu = 1 << 2,
    effFlagsCanMono = 1 << 3,
    effFlagsCanReplacing = 1 << 4,
    effFlagsProgramChunks = 1 << 5,
    effFlagsIsSynth = 1 << 8,
    effFlagsNoSoundInStop = 1 << 9,
    effFlagsExtIsAsync = 1 << 10,
    effFlagsExtHasBuffer = 1 << 11,
    effFlagsCanDoubleReplacing = 1 << 12,
};

// Requests from the host to the effect.
enum AEffectOpcodes : VstInt32 {
    effOpen = 0,
    effClose,
    effSetProgram,
    effGetProgram,
    effSetProgramName,
    effGetProgramName,
    effGetParamLabel,
    effGetParamDisplay,
    effGetParamName,
    effGetVu,
    effSetSampleRate,
    effSetBlockSize,
    effMainsChanged,
    effEditGetRect,
    effEditOpen,
    effEditClose,
    effEditDraw,
    effEditMouse,
    effEditKey,
    effEditIdle,
    effEditTop,
    effEditSleep,
    effIdentify,
    effGetChunk,
    effSetChunk,
    // Extended requests.
    effProcessEvents,
    effCanBeAutomated,
    effString2Parameter,
    effGetNumProgramCategories,
    effGetProgramNameIndexed,
    effCopyProgram,
    effConnectInput,
    effConnectOutput,
    effGetInputProperties,
    effGetOutputProperties,
    effGetPlugCategory,
    effGetCurrentPosition,
    effGetDestinationBuffer,
    effOfflineNotify,
    effOfflinePrepare,
    effOfflineRun,
    effProcessVarIo,
    effSetSpeakerArrangement,
    effSetBlockSizeAndSampleRate,
    effSetBypass,
    effGetEffectName,
    effGetErrorText,
    effGetVendorString,
    effGetProductString,
    effGetVendorVersion,
    effVendorSpecific,
    effCanDo,
    effGetTailSize,
    effIdle,
    effGetIcon,
    effSetViewPosition,
    effGetParameterProperties,
    effKeysRequired,
    effGetVstVersion,
    effEditKeyDown,
    effEditKeyUp,
    effSetEditKnobMode,
    effGetMidiProgramName,
    effGetCurrentMidiProgram,
    effGetMidiProgramCategory,
    effHasMidiProgramsChanged,
    effGetMidiKeyName,
    effBeginSetProgram,
    effEndSetProgram,
    effGetSpeakerArrangement,
    effShellGetNextPlugin,
    effStartProcess,
    effStopProcess,
    effSetTotalSampleToProcess,
    effSetPanLaw,
    effBeginLoadBank,
    effBeginLoadProgram,
    effSetProcessPrecision,
    effGetNumMidiInputChannels,
    effGetNumMidiOutputChannels,
};
static_assert(effGetChunk == 23 && effProcessEvents == 25 && effSetBypass == 44 && effCanDo == 51 &&
                  effGetVstVersion == 58 && effGetSpeakerArrangement == 69 && effGetNumMidiOutputChannels == 79,
              "opcode numbering");

// Requests from the effect to the host.
enum AudioMasterOpcodes : VstInt32 {
    audioMasterAutomate = 0,
    audioMasterVersion = 1,
    audioMasterCurrentId = 2,
    audioMasterIdle = 3,
    audioMasterPinConnected = 4,
    audioMasterWantMidi = 6,
    audioMasterGetTime = 7,
    audioMasterProcessEvents = 8,
    audioMasterSetTime = 9,
    audioMasterTempoAt = 10,
    audioMasterGetNumAutomatableParameters = 11,
    audioMasterGetParameterQuantization = 12,
    audioMasterIOChanged = 13,
    audioMasterNeedIdle = 14,
    audioMasterSizeWindow = 15,
    audioMasterGetSampleRate = 16,
    audioMasterGetBlockSize = 17,
    audioMasterGetInputLatency = 18,
    audioMasterGetOutputLatency = 19,
    audioMasterGetPreviousPlug = 20,
    audioMasterGetNextPlug = 21,
    audioMasterWillReplaceOrAccumulate = 22,
    audioMasterGetCurrentProcessLevel = 23,
    audioMasterGetAutomationState = 24,
    audioMasterOfflineStart = 25,
    audioMasterOfflineRead = 26,
    audioMasterOfflineWrite = 27,
    audioMasterOfflineGetCurrentPass = 28,
    audioMasterOfflineGetCurrentMetaPass = 29,
    audioMasterSetOutputSampleRate = 30,
    audioMasterGetOutputSpeakerArrangement = 31,
    audioMasterGetVendorString = 32,
    audioMasterGetProductString = 33,
    audioMasterGetVendorVersion = 34,
    audioMasterVendorSpecific = 35,
    audioMasterSetIcon = 36,
    audioMasterCanDo = 37,
    audioMasterGetLanguage = 38,
    audioMasterOpenWindow = 39,
    audioMasterCloseWindow = 40,
    audioMasterGetDirectory = 41,
    audioMasterUpdateDisplay = 42,
    audioMasterBeginEdit = 43,
    audioMasterEndEdit = 44,
    audioMasterOpenFileSelector = 45,
    audioMasterCloseFileSelector = 46,
    audioMasterEditFile = 47,
    audioMasterGetChunkFile = 48,
    audioMasterGetInputSpeakerArrangement = 49,
};

struct ERect {
    VstInt16 top;
    VstInt16 left;
    VstInt16 bottom;
    VstInt16 right;
};
static_assert(sizeof(ERect) == 8, "ERect layout");

struct VstKeyCode {
    VstInt32 character;
    unsigned char virt;
    unsigned char modifier;
};
static_assert(sizeof(VstKeyCode) == 8, "VstKeyCode layout");

struct VstSpeakerProperties {
    float azimuth;
    float elevation;
    float radius;
    float reserved;
    char name[64];
    VstInt32 type;
    char future[28];
};
static_assert(sizeof(VstSpeakerProperties) == 112, "VstSpeakerProperties layout");

// The published record reserves eight speakers; this effect allocates exactly as many as it has channels.
struct VstSpeakerArrangement {
    VstInt32 type;
    VstInt32 numChannels;
    VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8, "VstSpeakerArrangement layout");

constexpr std::size_t speakerArrangementBytes(VstInt32 channels)
{
    return 8 + 112 * static_cast<std::size_t>(channels < 0 ? 0 : channels);
}

// The descriptor-level identify answer: 'NvEf'.
constexpr VstInt32 kEffectIdentify = 0x4E764566;
