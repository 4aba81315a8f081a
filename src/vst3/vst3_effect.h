#pragma once
// The VST3 front: one object that is the audio processor and the edit controller of the plug-in
// (the host finds the controller by asking the component for it), over the format-neutral plug-in.
// Its editor view lives in vst3_view.cpp; the factory and the module's exports in vst3_entry.cpp.
#include "plugin/plugin.h"
#include "vst3/vst3_abi.h"

#include <atomic>
#include <cstddef>
#include <cstdint>

namespace sarvo_vst3 {

using namespace vst3abi;

// The class the factory makes, and what it says of it.
constexpr Uid kClassId = makeUid(0x6A1F3C8E, 0x52D94B07, 0xA3E8C1F4, 0x0B7D2956);
constexpr const char* kSubCategories = "Fx|Distortion";
constexpr const char* kSdkVersion = "VST 3.7.2";  // the interface version this front follows

// Parameter ids: the effect's own (0 .. count-1), then the two the host asks for. The bypass and
// program-change ids stay where they are if the effect ever grows.
constexpr ParamID kBypassId = 4;
constexpr ParamID kProgramId = 5;
constexpr uint32_t kHostParameters = 2;
constexpr ProgramListID kProgramListId = 1;

class EditorView;

// IComponent and IEditController both have setState and getState, with different meanings: these
// two layers give each its own name.
struct ComponentSide : IComponent {
    tresult SARVO_VST3_CALL setState(IBStream* state) final { return setComponentStateFromHost(state); }
    tresult SARVO_VST3_CALL getState(IBStream* state) final { return componentState(state); }
    virtual tresult setComponentStateFromHost(IBStream* state) = 0;
    virtual tresult componentState(IBStream* state) = 0;
};

struct ControllerSide : IEditController {
    tresult SARVO_VST3_CALL setState(IBStream* state) final { return setControllerState(state); }
    tresult SARVO_VST3_CALL getState(IBStream* state) final { return controllerState(state); }
    virtual tresult setControllerState(IBStream* state) = 0;
    virtual tresult controllerState(IBStream* state) = 0;
};

class Effect final : public ComponentSide,
                     public IAudioProcessor,
                     public IProcessContextRequirements,
                     public ControllerSide,
                     public IUnitInfo,
                     private sarvo::PluginListener {
public:
    // Null when the plug-in could not be made. The new object holds one reference.
    static Effect* make();

    // FUnknown
    tresult SARVO_VST3_CALL queryInterface(const char* iid, void** object) override;
    uint32_t SARVO_VST3_CALL addRef() override;
    uint32_t SARVO_VST3_CALL release() override;

    // IPluginBase (both sides)
    tresult SARVO_VST3_CALL initialize(FUnknown* context) override;
    tresult SARVO_VST3_CALL terminate() override;

    // IComponent
    tresult SARVO_VST3_CALL getControllerClassId(unsigned char classId[16]) override;
    tresult SARVO_VST3_CALL setIoMode(IoMode mode) override;
    int32_t SARVO_VST3_CALL getBusCount(MediaType type, BusDirection direction) override;
    tresult SARVO_VST3_CALL getBusInfo(MediaType type, BusDirection direction, int32_t index, BusInfo& info) override;
    tresult SARVO_VST3_CALL getRoutingInfo(RoutingInfo& in, RoutingInfo& out) override;
    tresult SARVO_VST3_CALL activateBus(MediaType type, BusDirection direction, int32_t index, TBool state) override;
    tresult SARVO_VST3_CALL setActive(TBool state) override;
    tresult setComponentStateFromHost(IBStream* state) override;
    tresult componentState(IBStream* state) override;

    // IAudioProcessor
    tresult SARVO_VST3_CALL setBusArrangements(SpeakerArrangement* inputs, int32_t inputCount,
                                               SpeakerArrangement* outputs, int32_t outputCount) override;
    tresult SARVO_VST3_CALL getBusArrangement(BusDirection direction, int32_t index,
                                              SpeakerArrangement& arrangement) override;
    tresult SARVO_VST3_CALL canProcessSampleSize(int32_t symbolicSampleSize) override;
    uint32_t SARVO_VST3_CALL getLatencySamples() override;
    tresult SARVO_VST3_CALL setupProcessing(ProcessSetup& setup) override;
    tresult SARVO_VST3_CALL setProcessing(TBool state) override;
    tresult SARVO_VST3_CALL process(ProcessData& data) override;
    uint32_t SARVO_VST3_CALL getTailSamples() override;

    // IProcessContextRequirements: the effect reads nothing of the transport.
    uint32_t SARVO_VST3_CALL getProcessContextRequirements() override { return 0; }

    // IEditController
    tresult SARVO_VST3_CALL setComponentState(IBStream* state) override;
    tresult setControllerState(IBStream* state) override;
    tresult controllerState(IBStream* state) override;
    int32_t SARVO_VST3_CALL getParameterCount() override;
    tresult SARVO_VST3_CALL getParameterInfo(int32_t index, ParameterInfo& info) override;
    tresult SARVO_VST3_CALL getParamStringByValue(ParamID id, ParamValue normalised, char16* text) override;
    tresult SARVO_VST3_CALL getParamValueByString(ParamID id, char16* text, ParamValue& normalised) override;
    ParamValue SARVO_VST3_CALL normalizedParamToPlain(ParamID id, ParamValue normalised) override;
    ParamValue SARVO_VST3_CALL plainParamToNormalized(ParamID id, ParamValue plain) override;
    ParamValue SARVO_VST3_CALL getParamNormalized(ParamID id) override;
    tresult SARVO_VST3_CALL setParamNormalized(ParamID id, ParamValue normalised) override;
    tresult SARVO_VST3_CALL setComponentHandler(IComponentHandler* handler) override;
    IPlugView* SARVO_VST3_CALL createView(FIDString name) override;

    // IUnitInfo
    int32_t SARVO_VST3_CALL getUnitCount() override;
    tresult SARVO_VST3_CALL getUnitInfo(int32_t index, UnitInfo& info) override;
    int32_t SARVO_VST3_CALL getProgramListCount() override;
    tresult SARVO_VST3_CALL getProgramListInfo(int32_t index, ProgramListInfo& info) override;
    tresult SARVO_VST3_CALL getProgramName(ProgramListID list, int32_t program, char16* name) override;
    tresult SARVO_VST3_CALL getProgramInfo(ProgramListID list, int32_t program, CString attribute,
                                           char16* value) override;
    tresult SARVO_VST3_CALL hasProgramPitchNames(ProgramListID list, int32_t program) override;
    tresult SARVO_VST3_CALL getProgramPitchName(ProgramListID list, int32_t program, int16_t pitch,
                                                char16* name) override;
    UnitID SARVO_VST3_CALL getSelectedUnit() override;
    tresult SARVO_VST3_CALL selectUnit(UnitID unit) override;
    tresult SARVO_VST3_CALL getUnitByBus(MediaType type, BusDirection direction, int32_t bus, int32_t channel,
                                         UnitID& unit) override;
    tresult SARVO_VST3_CALL setUnitProgramData(int32_t listOrUnit, int32_t program, IBStream* data) override;

    // For the view: the plug-in and who shows its editor now.
    sarvo::Plugin& plugin() { return *plugin_; }
    EditorView* editorOwner() const { return editorOwner_; }
    void setEditorOwner(EditorView* view) { editorOwner_ = view; }

private:
    explicit Effect(sarvo::Plugin* plugin, unsigned char* stateBuffer);
    ~Effect();

    // The editor's gestures, passed to the host at once ([main]).
    void gestureBegan(uint32_t id) override;
    void parameterEdited(uint32_t id, double normalised) override;
    void gestureEnded(uint32_t id) override;

    // [audio][rt] One parameter change from the process call's queues.
    void applyFromAudio(ParamID id, double normalised);
    template <class Sample>
    void processAudio(ProcessData& data, uint32_t from, uint32_t to);
    // Reads exactly the component state from a stream into stateBuffer_ and loads it.
    bool loadComponentState(IBStream* stream);
    uint32_t programCount() const;
    uint32_t programOf(double normalised) const;
    bool isEffectParameter(ParamID id) const { return id < plugin_->parameterCount(); }

    std::atomic<uint32_t> references_{1};
    sarvo::Plugin* plugin_;
    unsigned char* stateBuffer_;  // stateSize() bytes, for reading a state before it is taken
    FUnknown* hostContext_ = nullptr;
    IComponentHandler* handler_ = nullptr;
    EditorView* editorOwner_ = nullptr;
    bool initialised_ = false;
    bool active_ = false;
};

// The editor view of an effect (vst3_view.cpp); null when it has no editor. Holds a reference to
// the effect while it lives.
IPlugView* makeEditorView(Effect& effect);

// UTF-16 texts of the interface from and to the effect's 8-bit ones (Latin-1): both cut to fit.
void toText16(const char* text, char16* out, size_t size);
bool fromText16(const char16* text, char* out, size_t size);

}  // namespace sarvo_vst3
