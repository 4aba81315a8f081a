#include "effect/sarvo_effect.h"

#include "dsp/clipper_parameters.h"
#include "host/editor_base.h"

#include <cstring>

namespace {

struct CanDoAnswer {
    const char* text;
    VstInt32 answer;
};

const CanDoAnswer kCanDo[] = {
    {"sendVstEvents", -1},
    {"sendVstMidiEvent", -1},
    {"sendVstTimeInfo", -1},
    {"receiveVstEvents", -1},
    {"receiveVstMidiEvent", -1},
    {"receiveVstTimeInfo", -1},
    {"offline", -1},
    {"plugAsChannelInsert", 1},
    {"plugAsSend", -1},
    {"mixDryWet", -1},
    {"noRealTime", 0},
    {"multipass", 0},
    {"metapass", 0},
    {"1in1out", 1},
    {"1in2out", -1},
    {"2in1out", -1},
    {"2in2out", 1},
    {"2in4out", -1},
    {"4in2out", -1},
    {"4in4out", -1},
    {"4in8out", -1},
    {"8in4out", -1},
    {"8in8out", -1},
    {"midiProgramNames", -1},
    {"conformsToWindowRules", 0},
    {"bypass", 1},
};

ZRangeParameter* makeRange(const ClipperParameterInfo& info)
{
    auto* p = new ZRangeParameter();
    p->setName(info.name);
    p->setUnitLabel(info.unitLabel);
    p->setRange(info.minimum, info.maximum);
    p->setSteps(info.steps);
    p->setDefaultDisplay(info.defaultDisplay);
    p->setDecimals(info.decimals);
    return p;
}

}  // namespace

SarvoEffect::SarvoEffect(audioMasterCallback host) : ZPlugin(host, kNumPrograms, kNumParams)
{
    canProcessReplacing(true);
    canDoubleReplacing(true);
    setUniqueID(kUniqueId);
    define();
}

SarvoEffect::~SarvoEffect()
{
    // The editor's controls read this effect's fields: take the editor down while the effect is whole.
    EditorBase* editor = editor_;
    editor_ = nullptr;
    delete editor;
}

void SarvoEffect::define()
{
    parameters_.assign(kNumParams, nullptr);

    defineParameter(kGain, makeRange(clipper::kGain));
    defineParameter(kClip, makeRange(clipper::kClip));
    defineParameter(kSoftness, makeRange(clipper::kSoftness));

    auto* over = new ZSwitchParameter();
    over->setName(clipper::kOversample.name);
    over->setUnitLabel(clipper::kOversample.unitLabel);
    over->setCaption(clipper::kOversampleCaption);
    over->setDefaultDisplay(clipper::kOversample.defaultDisplay);
    over->setDecimals(clipper::kOversample.decimals);
    defineParameter(kOversample, over);

    buildProgramStore();

    features_.assign(3, nullptr);
    showDataOf(*this);
}

// The data items point into a signal path. "double" items are lock-free atomic doubles, which have
// the layout of a double; readers load them with relaxed order.
void SarvoEffect::showDataOf(SarvoEffect& source)
{
    defineFeature(0, "HistoryL", "ZHistory", &source.engine_.historyL);
    defineFeature(1, "HistoryR", "ZHistory", &source.engine_.historyR);
    defineFeature(2, "ClipLevel", "double", &source.engine_.curve.clipLevel);
}

VstInt32 SarvoEffect::canDo(const char* text)
{
    if (!text) return 0;
    for (const CanDoAnswer& entry : kCanDo)
        if (std::strcmp(entry.text, text) == 0) return entry.answer;
    return 0;
}

bool SarvoEffect::setBypass(bool onOff)
{
    engine_.setBypass(onOff);
    return true;
}

void SarvoEffect::editorClosed()
{
    ZPlugin::editorClosed();
    engine_.clearHistories();
}

bool SarvoEffect::acceptsIo(VstInt32 inputs, VstInt32 outputs)
{
    return inputs == outputs && (inputs == 1 || inputs == 2);
}

void SarvoEffect::setSampleRate(float sampleRate)
{
    ZPlugin::setSampleRate(sampleRate);
    engine_.setSampleRate(sampleRate);
    reset();
}

void SarvoEffect::reset()
{
    engine_.reset();
    applyProgram(1);
}

// One reading of the program (its version first, then the program and its four values) gives one
// whole curve, published with that version: when two threads change values at once, the reading
// made after the last change wins, whichever thread finishes last. The signal path takes every
// stored value limited to 0..1, so a host or preset that sends a wild number still gets a curve
// within the parameters' ranges (and silence stays silence); the stored value itself is kept.
// The curve is the same whatever the caller, so `afterReset` changes nothing here.
void SarvoEffect::applyProgram(VstInt32 /*afterReset*/)
{
    publishProgram();
    if (editor_) editor_->redrawNow();
}

void SarvoEffect::setParameterFromAudio(VstInt32 index, double normalised)
{
    if (!store_.setValue(curProgram_, index, normalised)) return;
    parameterChanged(index);
    publishProgram();
    if (editor_) editor_->requestRedraw();
}

void SarvoEffect::selectProgramFromAudio(VstInt32 program)
{
    if (program < 0 || program >= numPrograms_) return;
    curProgram_.store(program);
    store_.raiseVersion();
    publishProgram();
    if (editor_) editor_->requestRedraw();
}

void SarvoEffect::publishProgram()
{
    const std::uint64_t version = store_.version();
    const VstInt32 program = curProgram_.load();
    double display[kNumParams];
    for (VstInt32 i = 0; i < kNumParams; ++i) {
        double v = store_.value(program, i);
        if (!(v >= 0.0)) v = 0.0;
        if (v > 1.0) v = 1.0;
        const ZParameter* p = parameter(i);
        display[i] = p ? p->toDisplay(v) : 0.0;
    }
    engine_.curve.publish(version, clipCurveFromDisplay(display[kGain], display[kClip], display[kSoftness]),
                          display[kOversample] >= 0.5);
}

void SarvoEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (inputs && outputs) engine_.processReplacing(inputs, outputs, frames, editorOpen_);
    if (editor_) editor_->requestRedraw();
}

void SarvoEffect::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames)
{
    if (inputs && outputs) engine_.processDoubleReplacing(inputs, outputs, frames, editorOpen_);
    if (editor_) editor_->requestRedraw();
}

// The descriptor's accumulating entry runs the same procedure and adds the result to the output buffer.
void SarvoEffect::process(float** inputs, float** outputs, VstInt32 frames)
{
    if (inputs && outputs) engine_.processAccumulating(inputs, outputs, frames, editorOpen_);
    if (editor_) editor_->requestRedraw();
}
