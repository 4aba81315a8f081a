#include "host/effect_base.h"

#include "host/editor_base.h"
#include "model/formatters.h"

#include <cstring>

namespace {

EffectBase* effectOf(AEffect* e) { return e ? static_cast<EffectBase*>(e->object) : nullptr; }

VstIntPtr entryDispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    EffectBase* effect = effectOf(e);
    if (!effect) return 0;
    if (opcode == effClose) {
        effect->dispatcher(opcode, index, value, ptr, opt);
        delete effect;  // the descriptor lives inside the effect: not touched again
        return 1;
    }
    return effect->dispatcher(opcode, index, value, ptr, opt);
}

void entryProcess(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    if (EffectBase* effect = effectOf(e)) effect->process(inputs, outputs, frames);
}

void entryProcessReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 frames)
{
    if (EffectBase* effect = effectOf(e)) effect->processReplacing(inputs, outputs, frames);
}

void entryProcessDoubleReplacing(AEffect* e, double** inputs, double** outputs, VstInt32 frames)
{
    if (EffectBase* effect = effectOf(e)) effect->processDoubleReplacing(inputs, outputs, frames);
}

void entrySetParameter(AEffect* e, VstInt32 index, float value)
{
    if (EffectBase* effect = effectOf(e)) effect->setParameter(index, value);
}

float entryGetParameter(AEffect* e, VstInt32 index)
{
    EffectBase* effect = effectOf(e);
    return effect ? effect->getParameter(index) : 0.0f;
}

}  // namespace

EffectBase::EffectBase(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams)
    : host_(host), numPrograms_(numPrograms), numParams_(numParams)
{
    std::memset(&cEffect_, 0, sizeof cEffect_);
    cEffect_.magic = kEffectMagic;
    cEffect_.dispatcher = entryDispatcher;
    cEffect_.process = entryProcess;
    cEffect_.setParameter = entrySetParameter;
    cEffect_.getParameter = entryGetParameter;
    cEffect_.processReplacing = entryProcessReplacing;
    cEffect_.processDoubleReplacing = entryProcessDoubleReplacing;
    cEffect_.numPrograms = numPrograms;
    cEffect_.numParams = numParams;
    cEffect_.numInputs = 1;
    cEffect_.numOutputs = 2;
    cEffect_.flags = effFlagsCanReplacing;
    cEffect_.ioRatio = 1.0f;
    cEffect_.object = this;
    cEffect_.version = 1;
    cEffect_.uniqueID = 0x4E6F4964;  // provisional until the effect sets its own
}

EffectBase::~EffectBase()
{
    delete editor_;
    editor_ = nullptr;
}

void EffectBase::setEditor(EditorBase* editor)
{
    editor_ = editor;
    setFlag(effFlagsHasEditor, editor != nullptr);
}

VstIntPtr EffectBase::callHost(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    if (!host_) return 0;
    return host_(&cEffect_, opcode, index, value, ptr, opt);
}

void EffectBase::automateParameter(VstInt32 index, float value)
{
    setParameter(index, value);
    if (host_) callHost(audioMasterAutomate, index, 0, nullptr, value);
}

void EffectBase::getProgramName(char* name)
{
    if (name) name[0] = 0;
}
void EffectBase::getParamLabel(VstInt32, char* label)
{
    if (label) label[0] = 0;
}
void EffectBase::getParamDisplay(VstInt32, char* text)
{
    if (text) text[0] = 0;
}
void EffectBase::getParamName(VstInt32, char* name)
{
    if (name) name[0] = 0;
}
VstInt32 EffectBase::getChunk(void**, bool) { return 0; }
VstInt32 EffectBase::setChunk(void*, VstInt32, bool) { return 0; }

VstInt32 EffectBase::getMasterVersion()
{
    const VstIntPtr v = callHost(audioMasterVersion);
    return v == 0 ? 1 : static_cast<VstInt32>(v);
}
VstInt32 EffectBase::getCurrentUniqueId() { return static_cast<VstInt32>(callHost(audioMasterCurrentId)); }
void EffectBase::masterIdle() { callHost(audioMasterIdle); }

bool EffectBase::isInputConnected(VstInt32 input)
{
    if (!host_) return true;
    return callHost(audioMasterPinConnected, input, 0) == 0;
}
bool EffectBase::isOutputConnected(VstInt32 output)
{
    if (!host_) return true;
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

VstIntPtr EffectBase::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt)
{
    switch (opcode) {
        case effOpen: open(); return 0;
        case effClose: close(); return 0;
        case effSetProgram:
            // Negative program numbers are ignored as well as those past the last program.
            if (value >= 0 && value < numPrograms_) setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram: return getProgram();
        case effSetProgramName: setProgramName(static_cast<char*>(ptr)); return 0;
        case effGetProgramName: getProgramName(static_cast<char*>(ptr)); return 0;
        case effGetParamLabel: getParamLabel(index, static_cast<char*>(ptr)); return 0;
        case effGetParamDisplay: getParamDisplay(index, static_cast<char*>(ptr)); return 0;
        case effGetParamName: getParamName(index, static_cast<char*>(ptr)); return 0;
        case effSetSampleRate: setSampleRate(opt); return 0;
        case effSetBlockSize: setBlockSize(static_cast<VstInt32>(value)); return 0;
        case effMainsChanged:
            if (value)
                resume();
            else
                suspend();
            return 0;
        case effEditGetRect:
            if (editor_) return editor_->getRect(static_cast<ERect**>(ptr)) ? 1 : 0;
            return 0;
        case effEditOpen:
            if (editor_) return editor_->open(ptr) ? 1 : 0;
            return 0;
        case effEditClose:
            if (editor_) editor_->close();
            return 0;
        case effEditIdle:
            if (editor_) editor_->idle();
            return 0;
        case effIdentify: return kEffectIdentify;
        case effGetChunk: return getChunk(static_cast<void**>(ptr), index != 0);
        case effSetChunk: return setChunk(ptr, static_cast<VstInt32>(value), index != 0);
        default: return 0;
    }
}

// ------------------------------------------------------------------ number formatters

void EffectBase::formatDecibels(float value, char* text, VstInt32 maxLen) { ::formatDecibels(value, text, maxLen); }
void EffectBase::formatHertz(float samples, char* text, VstInt32 maxLen)
{
    ::formatHertz(samples, sampleRate_, text, maxLen);
}
void EffectBase::formatMilliseconds(float samples, char* text, VstInt32 maxLen)
{
    ::formatMilliseconds(samples, sampleRate_, text, maxLen);
}
void EffectBase::formatFloat(float value, char* text, VstInt32 maxLen) { ::formatFloat(value, text, maxLen); }
void EffectBase::formatInteger(float value, char* text, VstInt32 maxLen) { ::formatInteger(value, text, maxLen); }
