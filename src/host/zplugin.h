#pragma once
#include "host/extended_effect.h"
#include "model/effect_link.h"
#include "model/feature.h"
#include "model/parameter.h"
#include "model/program_store.h"

#include <atomic>
#include <string>
#include <vector>

// The framework's plug-in base: parameters, features, commands, the program store, the editor-open
// flag and the two speaker arrangements, with the parameter, program and chunk requests on top of them.
class ZPlugin : public ExtendedEffect, public ZEffectLink {
public:
    ZPlugin(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams);
    ~ZPlugin() override;

    // Host requests served here.
    void suspend() override;
    void resume() override;
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    void getParamLabel(VstInt32 index, char* label) override;
    void getParamDisplay(VstInt32 index, char* text) override;
    void getParamName(VstInt32 index, char* name) override;
    VstInt32 getChunk(void** data, bool isPreset) override;
    VstInt32 setChunk(void* data, VstInt32 byteSize, bool isPreset) override;
    bool string2Parameter(VstInt32 index, char* text) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    bool setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output) override;
    bool getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output) override;
    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;

    // The plug-in base's own operations.
    virtual const char* effectName() { return nullptr; }
    const char* vendorName() override { return nullptr; }
    const char* productName() override { return nullptr; }
    virtual void hook(VstInt32 /*argument*/) {}
    virtual void editorOpened() { editorOpen_.store(true, std::memory_order_relaxed); }
    virtual void editorClosed() { editorOpen_.store(false, std::memory_order_relaxed); }
    void command(VstInt32 /*id*/, bool /*shift*/, bool /*ctrl*/) override {}
    virtual void reset() = 0;
    virtual bool acceptsIo(VstInt32 inputs, VstInt32 outputs) = 0;
    // Recomputes the signal-path values from the current program. `afterReset` is 1 when reset calls it
    // and 0 after a parameter, program or chunk change.
    virtual void applyProgram(VstInt32 afterReset) = 0;
    virtual void parameterChanged(VstInt32 /*index*/) {}
    virtual bool copyProgram(VstInt32 destination) override;

    // The editor's way to change a parameter, and its text entry.
    void setParameterValue(VstInt32 index, double normalised) override;
    void setParameterText(VstInt32 index, const char* text) override;
    // The editor's gestures: beginEdit and endEdit, and audioMasterAutomate with getParameter(index),
    // each only when the index names a parameter (and the host was given a callback).
    void beginGesture(VstInt32 index) override;
    void endGesture(VstInt32 index) override;
    void reportValue(VstInt32 index) override;

    // Lookups by name (whole text, ignoring case, first match).
    VstInt32 findParameter(const char* name) const override;
    ZFeature* findFeature(const char* name) const override;
    VstInt32 findCommand(const char* name) const override;

    ZParameter* parameter(VstInt32 index) const override;
    VstInt32 parameterCount() const { return static_cast<VstInt32>(parameters_.size()); }
    // The stored slot of a parameter in the current program (null for a bad index).
    ZValueSlot* valueRef(VstInt32 index);
    double parameterValue(VstInt32 index) const override;  // normalised, current program
    double displayValue(VstInt32 index) const;  // in the parameter's unit, current program
    double knobPosition(VstInt32 index) const override;
    // The cached texts of the current program, copied out (old or new, never a mixture).
    ZCellText valueText(VstInt32 index) const override;
    ZCellText displayText(VstInt32 index) const override;

    bool isEditorOpen() const { return editorOpen_.load(std::memory_order_relaxed); }
    ZProgramStore& programStore() { return store_; }
    const std::vector<ZFeature*>& features() const { return features_; }
    const std::vector<std::string>& commands() const { return commands_; }

protected:
    // Used by effects while they define themselves.
    void defineParameter(VstInt32 index, ZParameter* parameter);
    void defineFeature(VstInt32 index, const char* name, const char* typeName, void* data);
    void defineCommand(const char* name);
    void buildProgramStore();

    std::vector<ZParameter*> parameters_;
    std::vector<ZFeature*> features_;
    std::vector<std::string> commands_;
    ZProgramStore store_;
    std::atomic<bool> editorOpen_{false};
    VstSpeakerArrangement* inputArrangement_ = nullptr;
    VstSpeakerArrangement* outputArrangement_ = nullptr;
};
