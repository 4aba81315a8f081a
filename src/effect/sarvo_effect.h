#pragma once
#include "dsp/clipper_engine.h"
#include "host/zplugin.h"

#include <atomic>
#include <cstdint>

// The clipper: input gain, a static knee curve up to the clip level, optional 2x oversampling, bypass.
class SarvoEffect : public ZPlugin {
public:
    enum Param : VstInt32 { kGain = 0, kClip = 1, kSoftness = 2, kOversample = 3, kNumParams = 4 };
    static constexpr VstInt32 kNumPrograms = 10;
    static constexpr VstInt32 kUniqueId = 0x76714B65;  // "vqKe"

    explicit SarvoEffect(audioMasterCallback host);
    ~SarvoEffect() override;

    void setSampleRate(float sampleRate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 frames) override;
    void processDoubleReplacing(double** inputs, double** outputs, VstInt32 frames) override;
    void process(float** inputs, float** outputs, VstInt32 frames) override;

    const char* effectName() override { return "Sarvo"; }
    const char* vendorName() override { return "ONDX"; }
    const char* productName() override { return "Sarvo"; }
    VstInt32 getVendorVersion() override { return 1000; }
    VstInt32 getPlugCategory() override { return 1; }
    VstInt32 canDo(const char* text) override;
    bool setBypass(bool onOff) override;
    void editorClosed() override;
    void reset() override;
    bool acceptsIo(VstInt32 inputs, VstInt32 outputs) override;
    void applyProgram(VstInt32 afterReset) override;

    // Real-time changes for a host's audio thread: the value (or the program) reaches the signal path
    // at once and the editor repaints at its next idle; no window is touched. A bad index changes
    // nothing.
    void setParameterFromAudio(VstInt32 index, double normalised);
    void selectProgramFromAudio(VstInt32 program);

    bool bypassed() const { return engine_.bypassed.load(std::memory_order_relaxed); }
    bool oversampling() const { return engine_.curve.loadState().oversampling; }
    // The signal path's state: curve fields, histories, filters (read by the editor's controls and tests).
    const ClipperEngine& engine() const { return engine_; }
    // Points the data items (histories, clip level) at another effect's signal path, for an editor
    // that shows an effect running elsewhere in the process. Call it before the skin is parsed.
    void showDataOf(SarvoEffect& source);
    ClipCurveValues curveValues() const { return engine_.curve.load(); }

private:
    void define();
    // The curve of the current program, published to the signal path.
    void publishProgram();

    ClipperEngine engine_;
};
