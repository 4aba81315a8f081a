#include "host/extended_effect.h"

#include "host/editor_base.h"

#include <cstdlib>
#include <cstring>

VstIntPtr ExtendedEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
        case effProcessEvents: return 0;
        case effCanBeAutomated: return canParameterBeAutomated(index) ? 1 : 0;
        case effString2Parameter: return string2Parameter(index, static_cast<char*>(ptr)) ? 1 : 0;
        case effGetProgramNameIndexed:
            return getProgramNameIndexed(static_cast<VstInt32>(value), index, static_cast<char*>(ptr)) ? 1 : 0;
        case effGetInputProperties:
        case effGetOutputProperties: return 0;
        case effGetPlugCategory: return getPlugCategory();
        case effOfflineNotify:
        case effOfflinePrepare:
        case effOfflineRun:
        case effProcessVarIo: return 0;
        case effSetSpeakerArrangement:
            setSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement*>(value),
                                  static_cast<VstSpeakerArrangement*>(ptr));
            return 0;
        case effSetBypass: return setBypass(value != 0) ? 1 : 0;
        case effGetEffectName: return getEffectName(static_cast<char*>(ptr)) ? 1 : 0;
        case effGetVendorString: return getVendorString(static_cast<char*>(ptr)) ? 1 : 0;
        case effGetProductString: return getProductString(static_cast<char*>(ptr)) ? 1 : 0;
        case effGetVendorVersion: return getVendorVersion();
        case effVendorSpecific: return 0;
        case effCanDo: return ptr ? canDo(static_cast<const char*>(ptr)) : 0;
        case effGetTailSize: return getGetTailSize();
        case effGetParameterProperties: return 0;
        case effGetVstVersion: return getVstVersion();
        case effEditKeyDown:
        case effEditKeyUp:
            if (editor_) {
                VstKeyCode key{};
                key.character = index;
                key.virt = static_cast<unsigned char>(value & 0xFF);
                key.modifier = static_cast<unsigned char>(static_cast<VstInt32>(opt) & 0xFF);
                if (opcode == effEditKeyDown)
                    editor_->onKeyDown(key);
                else
                    editor_->onKeyUp(key);
            }
            return 0;
        case effSetEditKnobMode:
            if (editor_) editor_->setKnobMode(static_cast<VstInt32>(value));
            return 0;
        case effGetMidiProgramName: return 0;
        case effGetCurrentMidiProgram: return -1;
        case effGetMidiProgramCategory:
        case effHasMidiProgramsChanged:
        case effGetMidiKeyName:
        case effBeginSetProgram:
        case effEndSetProgram: return 0;
        case effGetSpeakerArrangement:
            return getSpeakerArrangement(reinterpret_cast<VstSpeakerArrangement**>(value),
                                         static_cast<VstSpeakerArrangement**>(ptr))
                ? 1
                : 0;
        case effShellGetNextPlugin:
        case effStartProcess:
        case effStopProcess: return 0;
        case effSetTotalSampleToProcess: return setTotalSampleToProcess(static_cast<VstInt32>(value));
        case effSetPanLaw:
        case effBeginLoadBank:
        case effBeginLoadProgram:
        case effSetProcessPrecision: return 0;
        case effGetNumMidiInputChannels: return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels: return getNumMidiOutputChannels();
        default:
            // Everything else, among it 28, 30 to 32, 36, 37, 43, 46, 53 to 55 and 57, goes to the basic layer.
            return EffectBase::dispatcher(opcode, index, value, ptr, opt);
    }
}

void ExtendedEffect::resume()
{
    if ((cEffect_.flags & effFlagsIsSynth) || canDo("receiveVstMidiEvent") == 1) wantEvents();
}

VstInt32 ExtendedEffect::getPlugCategory() { return (cEffect_.flags & effFlagsIsSynth) ? 2 : 0; }

// ------------------------------------------------------------------ host service wrappers

VstTimeInfo* ExtendedEffect::getTimeInfo(VstInt32 filter)
{
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}
VstInt32 ExtendedEffect::tempoAt(VstInt32 position)
{
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, position));
}
VstInt32 ExtendedEffect::getNumAutomatableParameters()
{
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}
VstInt32 ExtendedEffect::getParameterQuantization()
{
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}
bool ExtendedEffect::ioChanged() { return callHost(audioMasterIOChanged) != 0; }
bool ExtendedEffect::needIdle() { return callHost(audioMasterNeedIdle) != 0; }
bool ExtendedEffect::sizeWindow(VstInt32 width, VstInt32 height)
{
    return callHost(audioMasterSizeWindow, width, height) != 0;
}
double ExtendedEffect::updateSampleRate()
{
    const VstIntPtr rate = callHost(audioMasterGetSampleRate);
    if (rate > 0) sampleRate_ = static_cast<float>(rate);
    return sampleRate_;
}
VstInt32 ExtendedEffect::updateBlockSize()
{
    const VstIntPtr size = callHost(audioMasterGetBlockSize);
    if (size > 0) blockSize_ = static_cast<VstInt32>(size);
    return blockSize_;
}
VstInt32 ExtendedEffect::getInputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetInputLatency)); }
VstInt32 ExtendedEffect::getOutputLatency() { return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency)); }
AEffect* ExtendedEffect::getPreviousPlug(VstInt32 input)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug, 0, input));
}
AEffect* ExtendedEffect::getNextPlug(VstInt32 output)
{
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug, 0, output));
}
VstInt32 ExtendedEffect::willProcessReplacing()
{
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}
VstInt32 ExtendedEffect::getCurrentProcessLevel()
{
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}
VstInt32 ExtendedEffect::getAutomationState() { return static_cast<VstInt32>(callHost(audioMasterGetAutomationState)); }
bool ExtendedEffect::offlineStart(void* audioFiles, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles)
{
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, audioFiles) != 0;
}
bool ExtendedEffect::offlineRead(void* offline, VstInt32 option, bool readSource)
{
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}
bool ExtendedEffect::offlineWrite(void* offline, VstInt32 option)
{
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}
VstInt32 ExtendedEffect::offlineGetCurrentPass() { return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0; }
VstInt32 ExtendedEffect::offlineGetCurrentMetaPass()
{
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}
void ExtendedEffect::setOutputSampleRate(float sampleRate)
{
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, sampleRate);
}
VstSpeakerArrangement* ExtendedEffect::getHostOutputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}
bool ExtendedEffect::getHostVendorString(char* text) { return callHost(audioMasterGetVendorString, 0, 0, text) != 0; }
bool ExtendedEffect::getHostProductString(char* text) { return callHost(audioMasterGetProductString, 0, 0, text) != 0; }
VstInt32 ExtendedEffect::getHostVendorVersion() { return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion)); }
VstIntPtr ExtendedEffect::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg)
{
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}
VstInt32 ExtendedEffect::canHostDo(char* text) { return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0; }
VstInt32 ExtendedEffect::getHostLanguage() { return static_cast<VstInt32>(callHost(audioMasterGetLanguage)); }
void* ExtendedEffect::openWindow(void* window)
{
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}
bool ExtendedEffect::closeWindow(void* window) { return callHost(audioMasterCloseWindow, 0, 0, window) != 0; }
void* ExtendedEffect::getDirectory() { return reinterpret_cast<void*>(callHost(audioMasterGetDirectory)); }
bool ExtendedEffect::updateDisplay() { return callHost(audioMasterUpdateDisplay) != 0; }
bool ExtendedEffect::beginEdit(VstInt32 index) { return callHost(audioMasterBeginEdit, index) != 0; }
bool ExtendedEffect::endEdit(VstInt32 index) { return callHost(audioMasterEndEdit, index) != 0; }
bool ExtendedEffect::openFileSelector(void* selector)
{
    return callHost(audioMasterOpenFileSelector, 0, 0, selector) != 0;
}
bool ExtendedEffect::closeFileSelector(void* selector)
{
    return callHost(audioMasterCloseFileSelector, 0, 0, selector) != 0;
}
VstInt32 ExtendedEffect::getChunkFile(void* nativePath)
{
    return static_cast<VstInt32>(callHost(audioMasterGetChunkFile, 0, 0, nativePath));
}
VstSpeakerArrangement* ExtendedEffect::getHostInputSpeakerArrangement()
{
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}
bool ExtendedEffect::wantEvents(VstInt32 filter) { return callHost(audioMasterWantMidi, 0, filter) != 0; }

// ------------------------------------------------------------------ speaker arrangements

VstSpeakerArrangement* ExtendedEffect::allocateArrangement(VstInt32 channels)
{
    if (channels < 0) channels = 0;
    void* memory = std::calloc(1, speakerArrangementBytes(channels));
    if (!memory) return nullptr;
    auto* arrangement = static_cast<VstSpeakerArrangement*>(memory);
    arrangement->numChannels = channels;
    return arrangement;
}

void ExtendedEffect::deallocateArrangement(VstSpeakerArrangement*& arrangement)
{
    std::free(arrangement);
    arrangement = nullptr;
}

void ExtendedEffect::copySpeaker(VstSpeakerProperties* to, const VstSpeakerProperties* from)
{
    if (!to || !from) return;
    std::memcpy(to, from, sizeof *to);
    // The name is copied with at most 63 characters and a terminating zero.
    std::memset(to->name, 0, sizeof to->name);
    for (std::size_t i = 0; i < sizeof to->name - 1 && from->name[i]; ++i) to->name[i] = from->name[i];
}

bool ExtendedEffect::matchArrangement(VstSpeakerArrangement*& to, const VstSpeakerArrangement* from)
{
    if (!from) return false;
    VstSpeakerArrangement* fresh = allocateArrangement(from->numChannels);
    if (!fresh) return false;
    deallocateArrangement(to);
    to = fresh;
    to->type = from->type;
    for (VstInt32 i = 0; i < from->numChannels; ++i) copySpeaker(&to->speakers[i], &from->speakers[i]);
    return true;
}
