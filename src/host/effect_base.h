#pragma once
#include "host/vst_abi.h"
#include "model/text.h"

#include <cstddef>

class EditorBase;

// The basic effect layer: owns the descriptor the host holds and turns its entry functions into
// virtual calls; answers the basic requests (opcodes 0 to 24).
class EffectBase {
public:
    EffectBase(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams);
    virtual ~EffectBase();
    EffectBase(const EffectBase&) = delete;
    EffectBase& operator=(const EffectBase&) = delete;

    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
    virtual void open() {}
    virtual void close() {}
    virtual void suspend() {}
    virtual void resume() {}
    virtual void setSampleRate(float sampleRate) { sampleRate_ = sampleRate; }
    virtual void setBlockSize(VstInt32 blockSize) { blockSize_ = blockSize; }
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames) = 0;
    virtual void processDoubleReplacing(double** /*inputs*/, double** /*outputs*/, VstInt32 /*frames*/) {}
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}
    virtual float getParameter(VstInt32 /*index*/) { return 0.0f; }
    virtual void automateParameter(VstInt32 index, float value);
    virtual VstInt32 getProgram() { return curProgram_; }
    virtual void setProgram(VstInt32 program) { curProgram_ = program; }
    virtual void setProgramName(char* /*name*/) {}
    virtual void getProgramName(char* name);
    virtual void getParamLabel(VstInt32 index, char* label);
    virtual void getParamDisplay(VstInt32 index, char* text);
    virtual void getParamName(VstInt32 index, char* name);
    virtual VstInt32 getChunk(void** data, bool isPreset);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset);
    virtual void setUniqueID(VstInt32 id) { cEffect_.uniqueID = id; }
    virtual void setNumInputs(VstInt32 n) { cEffect_.numInputs = n; }
    virtual void setNumOutputs(VstInt32 n) { cEffect_.numOutputs = n; }
    virtual void canProcessReplacing(bool state) { setFlag(effFlagsCanReplacing, state); }
    virtual void canDoubleReplacing(bool state) { setFlag(effFlagsCanDoubleReplacing, state); }
    virtual void programsAreChunks(bool state) { setFlag(effFlagsProgramChunks, state); }
    virtual void setInitialDelay(VstInt32 delay) { cEffect_.initialDelay = delay; }
    virtual EditorBase* getEditor() { return editor_; }
    virtual AEffect* getDescriptor() { return &cEffect_; }
    virtual float getSampleRate() { return sampleRate_; }
    virtual VstInt32 getBlockSize() { return blockSize_; }
    virtual VstInt32 getMasterVersion();
    virtual VstInt32 getCurrentUniqueId();
    virtual void masterIdle();
    virtual void formatDecibels(float value, char* text, VstInt32 maxLen);
    virtual void formatHertz(float samples, char* text, VstInt32 maxLen);
    virtual void formatMilliseconds(float samples, char* text, VstInt32 maxLen);
    virtual void formatFloat(float value, char* text, VstInt32 maxLen);
    virtual void formatInteger(float value, char* text, VstInt32 maxLen);
    virtual void process(float** /*inputs*/, float** /*outputs*/, VstInt32 /*frames*/) {}
    virtual float getVu() { return 0.0f; }
    virtual void hasVu(bool state) { setFlag(effFlagsHasVu, state); }
    virtual void hasClip(bool state) { setFlag(effFlagsHasClip, state); }
    virtual void canMono(bool state) { setFlag(effFlagsCanMono, state); }
    virtual void setRealtimeQualities(VstInt32 q) { cEffect_.realQualities = q; }
    virtual void setOfflineQualities(VstInt32 q) { cEffect_.offQualities = q; }
    virtual bool isInputConnected(VstInt32 input);
    virtual bool isOutputConnected(VstInt32 output);

    // Stores the editor (owned from now on) and keeps effFlagsHasEditor in step with it.
    void setEditor(EditorBase* editor);

    audioMasterCallback hostCallback() const { return host_; }
    VstInt32 numPrograms() const { return numPrograms_; }
    VstInt32 numParams() const { return numParams_; }

protected:
    // Sends a request to the host; 0 without a callback.
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    void setFlag(VstInt32 flag, bool state)
    {
        if (state)
            cEffect_.flags |= flag;
        else
            cEffect_.flags &= ~flag;
    }

    audioMasterCallback host_;
    EditorBase* editor_ = nullptr;
    float sampleRate_ = 44100.0f;
    VstInt32 blockSize_ = 1024;
    VstInt32 numPrograms_;
    VstInt32 numParams_;
    VstInt32 curProgram_ = 0;
    AEffect cEffect_;
};

