#include "host/zplugin.h"

#include <cfloat>
#include <cstring>

ZPlugin::ZPlugin(audioMasterCallback host, VstInt32 numPrograms, VstInt32 numParams)
    : ExtendedEffect(host, numPrograms, numParams)
{
    parameters_.reserve(32);
    features_.reserve(32);
    commands_.reserve(32);
    setNumInputs(2);
    setNumOutputs(2);
    inputArrangement_ = allocateArrangement(2);
    outputArrangement_ = allocateArrangement(2);
}

ZPlugin::~ZPlugin()
{
    for (ZParameter*& p : parameters_) {
        delete p;
        p = nullptr;
    }
    parameters_.clear();
    for (ZFeature*& f : features_) {
        delete f;
        f = nullptr;
    }
    features_.clear();
    deallocateArrangement(inputArrangement_);
    deallocateArrangement(outputArrangement_);
}

void ZPlugin::defineParameter(VstInt32 index, ZParameter* parameter)
{
    if (index < 0) {
        delete parameter;
        return;
    }
    if (static_cast<std::size_t>(index) >= parameters_.size()) parameters_.resize(index + 1, nullptr);
    delete parameters_[index];
    parameters_[index] = parameter;
}

void ZPlugin::defineFeature(VstInt32 index, const char* name, const char* typeName, void* data)
{
    if (index < 0) return;
    if (static_cast<std::size_t>(index) >= features_.size()) features_.resize(index + 1, nullptr);
    delete features_[index];
    features_[index] = new ZFeature(name, typeName, data);
}

void ZPlugin::defineCommand(const char* name) { commands_.emplace_back(name ? name : ""); }

void ZPlugin::buildProgramStore() { store_.build(numPrograms_, parameters_); }

// ------------------------------------------------------------------ lifecycle

void ZPlugin::suspend() { reset(); }

void ZPlugin::resume()
{
    reset();
    ExtendedEffect::resume();
}

// ------------------------------------------------------------------ parameters

ZParameter* ZPlugin::parameter(VstInt32 index) const
{
    if (index < 0 || static_cast<std::size_t>(index) >= parameters_.size()) return nullptr;
    return parameters_[index];
}

ZValueSlot* ZPlugin::valueRef(VstInt32 index) { return store_.valueRef(curProgram_, index); }

double ZPlugin::parameterValue(VstInt32 index) const { return store_.value(curProgram_, index); }

double ZPlugin::displayValue(VstInt32 index) const
{
    const ZParameter* p = parameter(index);
    const ZValueSlot* ref = store_.valueRef(curProgram_, index);
    return p && ref ? p->displayValue(*ref) : 0.0;
}

double ZPlugin::knobPosition(VstInt32 index) const
{
    const ZParameter* p = parameter(index);
    const ZValueSlot* ref = store_.valueRef(curProgram_, index);
    return p && ref ? p->knobPosition(*ref) : 0.0;
}

ZCellText ZPlugin::valueText(VstInt32 index) const { return store_.valueText(curProgram_, index); }
ZCellText ZPlugin::displayText(VstInt32 index) const { return store_.displayText(curProgram_, index); }

void ZPlugin::setParameter(VstInt32 index, float value) { setParameterValue(index, static_cast<double>(value)); }

// The stored value as the host sent it, saturated to the float range (a chunk may hold any double).
float ZPlugin::getParameter(VstInt32 index)
{
    double v = store_.value(curProgram_, index);
    if (v > FLT_MAX) v = FLT_MAX;
    if (v < -FLT_MAX) v = -FLT_MAX;
    return static_cast<float>(v);
}

void ZPlugin::setParameterValue(VstInt32 index, double normalised)
{
    if (!store_.setValue(curProgram_, index, normalised)) return;  // bad index: nothing changes
    parameterChanged(index);
    applyProgram(0);
}

void ZPlugin::beginGesture(VstInt32 index)
{
    if (!parameter(index)) return;
    beginEdit(index);
    reportValue(index);
}

void ZPlugin::endGesture(VstInt32 index)
{
    if (parameter(index)) endEdit(index);
}

void ZPlugin::reportValue(VstInt32 index)
{
    if (host_) callHost(audioMasterAutomate, index, 0, nullptr, getParameter(index));
}

void ZPlugin::setParameterText(VstInt32 index, const char* text)
{
    if (!store_.setValueText(curProgram_, index, text)) return;
    parameterChanged(index);
    applyProgram(0);
}

bool ZPlugin::string2Parameter(VstInt32 index, char* text)
{
    ZParameter* p = parameter(index);
    if (!p) return false;
    const bool ok = p->acceptsTextEntry();
    if (ok && text) setParameterText(index, text);
    return ok;
}

void ZPlugin::getParamName(VstInt32 index, char* name)
{
    if (!name) return;
    const ZParameter* p = parameter(index);
    copyText(name, p ? p->name() : "", 9);
}

void ZPlugin::getParamLabel(VstInt32 index, char* label)
{
    if (!label) return;
    const ZParameter* p = parameter(index);
    copyText(label, p ? p->unitLabel() : "", 9);
}

void ZPlugin::getParamDisplay(VstInt32 index, char* text)
{
    if (!text) return;
    store_.copyParamDisplay(curProgram_, index, text);
}

VstInt32 ZPlugin::findParameter(const char* name) const
{
    for (std::size_t i = 0; i < parameters_.size(); ++i)
        if (parameters_[i] && sameTextIgnoringCase(parameters_[i]->name(), name)) return static_cast<VstInt32>(i);
    return -1;
}

ZFeature* ZPlugin::findFeature(const char* name) const { return findFeatureIn(features_, name); }

VstInt32 ZPlugin::findCommand(const char* name) const
{
    for (std::size_t i = 0; i < commands_.size(); ++i)
        if (sameTextIgnoringCase(commands_[i].c_str(), name)) return static_cast<VstInt32>(i);
    return -1;
}

// ------------------------------------------------------------------ programs and chunks

void ZPlugin::setProgram(VstInt32 program)
{
    if (program >= 0 && program < numPrograms_) {
        curProgram_.store(program);
        store_.raiseVersion();
    }
    applyProgram(0);
}

void ZPlugin::setProgramName(char* name)
{
    if (name) store_.setProgramName(curProgram_, name);
}

void ZPlugin::getProgramName(char* name)
{
    if (name) store_.copyProgramName(curProgram_, name);
}

bool ZPlugin::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text)
{
    if (!text) return false;
    // An index outside the programs gives an empty name and the answer 0.
    return store_.copyProgramName(index, text);
}

VstInt32 ZPlugin::getChunk(void** data, bool isPreset) { return store_.getChunk(curProgram_, data, isPreset); }

VstInt32 ZPlugin::setChunk(void* data, VstInt32 byteSize, bool isPreset)
{
    const VstInt32 taken = store_.setChunk(curProgram_, data, byteSize, isPreset);
    if (taken > 0) applyProgram(0);
    return taken;
}

bool ZPlugin::copyProgram(VstInt32 destination) { return store_.copyProgram(curProgram_, destination); }

// ------------------------------------------------------------------ speaker arrangements and names

bool ZPlugin::setSpeakerArrangement(VstSpeakerArrangement* input, VstSpeakerArrangement* output)
{
    if (!input || !output) return false;
    if (!acceptsIo(input->numChannels, output->numChannels)) return false;
    matchArrangement(inputArrangement_, input);
    matchArrangement(outputArrangement_, output);
    return false;  // the request answers 0 in every case
}

bool ZPlugin::getSpeakerArrangement(VstSpeakerArrangement** input, VstSpeakerArrangement** output)
{
    if (input) *input = inputArrangement_;
    if (output) *output = outputArrangement_;
    return true;
}

bool ZPlugin::getEffectName(char* name)
{
    const char* text = effectName();
    if (!text || !name) return false;
    copyText(name, text, 33);
    return true;
}

bool ZPlugin::getVendorString(char* text)
{
    const char* vendor = vendorName();
    if (!vendor || !text) return false;
    copyText(text, vendor, 65);
    return true;
}

bool ZPlugin::getProductString(char* text)
{
    const char* product = productName();
    if (!product || !text) return false;
    copyText(text, product, 65);
    return true;
}
