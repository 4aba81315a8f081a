#include "model/sarvo_effect.h"

#include "gui/editor_base.h"

#include <cstring>

namespace {

struct CanDoAnswer {
    const char* text;
    VstInt32 answer;
};

const CanDoAnswer kCanDo[] = {
    {"sendVstEvents", -1},      {"sendVstMidiEvent", -1},  {"sendVstTimeInfo", -1},
    {"receiveVstEvents", -1},   {"receiveVstMidiEvent", -1}, {"receiveVstTimeInfo", -1},
    {"offline", -1},            {"plugAsChannelInsert", 1}, {"plugAsSend", -1},
    {"mixDryWet", -1},          {"noRealTime", 0},         {"multipass", 0},
    {"metapass", 0},            {"1in1out", 1},            {"1in2out", -1},
    {"2in1out", -1},            {"2in2out", 1},            {"2in4out", -1},
    {"4in2out", -1},            {"4in4out", -1},           {"4in8out", -1},
    {"8in4out", -1},            {"8in8out", -1},           {"midiProgramNames", -1},
    {"conformsToWindowRules", 0}, {"bypass", 1},
};

}  // namespace

SarvoEffect::SarvoEffect(audioMasterCallback host) : ZPlugin(host, kNumPrograms, kNumParams) {
    canProcessReplacing(true);
    canDoubleReplacing(true);
    setUniqueID(kUniqueId);
    define();
}

SarvoEffect::~SarvoEffect() = default;

void SarvoEffect::define() {
    parameters_.assign(kNumParams, nullptr);

    auto* gain = new ZRangeParameter();
    gain->setName("Gain");
    gain->setUnitLabel("dB");
    gain->setRange(0.0, 12.0);
    gain->setSteps(120);
    gain->setDefaultDisplay(0.0);
    gain->setDecimals(1);
    defineParameter(kGain, gain);

    auto* clip = new ZRangeParameter();
    clip->setName("Clip");
    clip->setUnitLabel("%");
    clip->setRange(0.0, 100.0);
    clip->setSteps(100);
    clip->setDefaultDisplay(100.0);
    clip->setDecimals(0);
    defineParameter(kClip, clip);

    auto* soft = new ZRangeParameter();
    soft->setName("Softness");
    soft->setUnitLabel("%");
    soft->setRange(0.0, 100.0);
    soft->setSteps(100);
    soft->setDefaultDisplay(0.0);
    soft->setDecimals(0);
    defineParameter(kSoftness, soft);

    auto* over = new ZSwitchParameter();
    over->setName("Oversmp");
    over->setUnitLabel("");
    over->setCaption("2x Oversample");
    over->setDefaultDisplay(0.0);
    over->setDecimals(0);
    defineParameter(kOversample, over);

    buildProgramStore();

    features_.assign(3, nullptr);
    // The data items point at the signal-path state; see the signal path for their fields.
    defineFeature(0, "HistoryL", "ZHistory", nullptr);
    defineFeature(1, "HistoryR", "ZHistory", nullptr);
    defineFeature(2, "ClipLevel", "double", nullptr);
}

VstInt32 SarvoEffect::canDo(const char* text) {
    if (!text) return 0;
    for (const CanDoAnswer& entry : kCanDo)
        if (std::strcmp(entry.text, text) == 0) return entry.answer;
    return 0;
}

bool SarvoEffect::setBypass(bool onOff) {
    bypass_.store(onOff, std::memory_order_relaxed);
    return true;
}

void SarvoEffect::editorClosed() { ZPlugin::editorClosed(); }

bool SarvoEffect::acceptsIo(VstInt32 inputs, VstInt32 outputs) {
    return inputs == outputs && (inputs == 1 || inputs == 2);
}

void SarvoEffect::setSampleRate(float sampleRate) {
    ZPlugin::setSampleRate(sampleRate);
    reset();
}

void SarvoEffect::reset() { applyProgram(1); }

void SarvoEffect::applyProgram(VstInt32 /*argument*/) {
    if (editor_) editor_->redrawNow();
}

void SarvoEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    for (int ch = 0; ch < 2; ++ch)
        for (VstInt32 i = 0; i < frames; ++i) outputs[ch][i] = inputs[ch][i];
    if (editor_) editor_->requestRedraw();
}

void SarvoEffect::processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) {
    for (int ch = 0; ch < 2; ++ch)
        for (VstInt32 i = 0; i < frames; ++i) outputs[ch][i] = inputs[ch][i];
    if (editor_) editor_->requestRedraw();
}

void SarvoEffect::process(float** inputs, float** outputs, VstInt32 frames) {
    for (int ch = 0; ch < 2; ++ch)
        for (VstInt32 i = 0; i < frames; ++i) outputs[ch][i] += inputs[ch][i];
    if (editor_) editor_->requestRedraw();
}
