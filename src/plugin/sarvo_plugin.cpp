// The format-neutral plug-in over the clipper effect. The effect keeps its own shape (the layers a
// VST 2.x host drives); this object is its only host. It calls the effect's operations directly and
// answers the few requests the effect sends (the editor's gestures go to the listener), so a front
// never sees a VST 2.x type.
#include "plugin/plugin.h"

#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "editor/editor.h"
#include "editor/editor_window.h"
#include "effect/sarvo_effect.h"
#include "model/parameter.h"
#include "model/text.h"
#include "platform/window_system.h"
#include "plugin/effect_factory.h"

namespace sarvo {
namespace {

constexpr char kStateMagic[4] = {'S', 'r', 'v', 'S'};
constexpr size_t kHeaderSize = Plugin::kStateBankOffset;
constexpr size_t kProgramFieldSize = 4;
constexpr uint32_t kMaxFrames = 1u << 30;  // the most frames one call of the effect takes

void putU32(unsigned char* out, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[i] = static_cast<unsigned char>(v >> (8 * i));
}

uint32_t getU32(const unsigned char* in)
{
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(in[i]) << (8 * i);
    return v;
}

class SarvoPlugin final : public Plugin {
public:
    SarvoPlugin() = default;
    ~SarvoPlugin() override
    {
        if (!effect_) return;
        closeEditor();
        effect_->close();
        delete effect_;  // the editor goes with it
    }

    bool make(const PluginOptions& options)
    {
        EffectOptions effectOptions;
        effectOptions.editor = options.editor;
        SarvoPlugin* source = static_cast<SarvoPlugin*>(options.dataSource);
        effectOptions.dataSource = source ? source->effect_ : nullptr;
        showsOtherData_ = source != nullptr;
        EffectBase* base = createEffectInstance(&SarvoPlugin::hostRequest, effectOptions);
        if (!base) return false;
        effect_ = static_cast<SarvoEffect*>(base);
        effect_->getDescriptor()->user = this;
        effect_->open();
        return true;
    }

    // ------------------------------------------------------------------ parameters

    uint32_t parameterCount() const override { return static_cast<uint32_t>(effect_->parameterCount()); }

    bool parameterInfo(uint32_t id, ParameterInfo& info) const override
    {
        const ZParameter* p = param(id);
        if (!p) return false;
        info = ParameterInfo();
        info.id = id;
        copyText(info.name, p->name(), sizeof info.name);
        copyText(info.unit, p->unitLabel(), sizeof info.unit);
        info.defaultNormalised = p->defaultValue();
        info.minDisplay = p->toDisplay(0.0);
        info.maxDisplay = p->toDisplay(1.0);
        info.defaultDisplay = p->toDisplay(p->defaultValue());
        info.steps = dynamic_cast<const ZSwitchParameter*>(p) ? 1u : 0u;
        return true;
    }

    double parameterValue(uint32_t id) const override
    {
        return param(id) ? effect_->parameterValue(static_cast<VstInt32>(id)) : 0.0;
    }

    void setParameterValue(uint32_t id, double normalised) override
    {
        if (!param(id) || !std::isfinite(normalised)) return;
        effect_->setParameterFromAudio(static_cast<VstInt32>(id), clampUnit(normalised));
    }

    double toDisplay(uint32_t id, double normalised) const override
    {
        const ZParameter* p = param(id);
        return p ? p->toDisplay(std::isfinite(normalised) ? clampUnit(normalised) : p->defaultValue()) : 0.0;
    }

    double toNormalised(uint32_t id, double display) const override
    {
        const ZParameter* p = param(id);
        if (!p) return 0.0;
        if (std::isnan(display)) return p->defaultValue();
        return clampUnit(p->toNormalised(display));
    }

    bool valueText(uint32_t id, double normalised, char* text, size_t size) const override
    {
        return textOf(id, normalised, text, size, false);
    }

    bool displayText(uint32_t id, double normalised, char* text, size_t size) const override
    {
        return textOf(id, normalised, text, size, true);
    }

    bool textToValue(uint32_t id, const char* text, double& normalised) const override
    {
        const ZParameter* p = param(id);
        if (!p || !text) return false;
        ZValueSlot slot{p->defaultValue()};
        p->parseText(slot, text);
        const double v = slot.load(std::memory_order_relaxed);
        normalised = std::isfinite(v) ? clampUnit(v) : p->defaultValue();
        return true;
    }

    // ------------------------------------------------------------------ programs

    uint32_t programCount() const override { return static_cast<uint32_t>(effect_->numPrograms()); }
    uint32_t currentProgram() const override { return static_cast<uint32_t>(effect_->getProgram()); }

    bool programName(uint32_t index, char* text, size_t size) const override
    {
        if (!text || size == 0 || index >= programCount()) return false;
        char name[ZProgramStore::kNameSize];
        if (!effect_->programStore().copyProgramName(static_cast<int>(index), name)) return false;
        copyText(text, name, size);
        return true;
    }

    bool selectProgram(uint32_t index) override
    {
        if (index >= programCount()) return false;
        effect_->selectProgramFromAudio(static_cast<VstInt32>(index));
        return true;
    }

    // ------------------------------------------------------------------ state

    size_t bankSize() const override { return static_cast<size_t>(effect_->programStore().totalSize()); }
    size_t programChunkSize() const override { return static_cast<size_t>(effect_->programStore().recordSize()); }
    size_t stateSize() const override { return kHeaderSize + bankSize() + kProgramFieldSize; }

    bool saveState(void* out, size_t size) const override
    {
        if (!out || size < stateSize()) return false;
        void* bank = nullptr;
        const VstInt32 bytes = effect_->getChunk(&bank, false);
        if (bytes <= 0 || !bank || static_cast<size_t>(bytes) != bankSize()) return false;
        auto* o = static_cast<unsigned char*>(out);
        std::memcpy(o, kStateMagic, 4);
        putU32(o + 4, kStateVersion);
        std::memcpy(o + kHeaderSize, bank, bankSize());
        putU32(o + kHeaderSize + bankSize(), currentProgram());
        return true;
    }

    bool loadState(const void* data, size_t size) override
    {
        if (!data || size != stateSize()) return false;
        const auto* in = static_cast<const unsigned char*>(data);
        if (std::memcmp(in, kStateMagic, 4) != 0 || getU32(in + 4) != kStateVersion) return false;
        const unsigned char* bank = in + kHeaderSize;
        const uint32_t program = getU32(bank + bankSize());
        if (program >= programCount() || !bankIsSound(bank)) return false;
        if (effect_->setChunk(const_cast<unsigned char*>(bank), static_cast<VstInt32>(bankSize()), false) <= 0)
            return false;
        effect_->setProgram(static_cast<VstInt32>(program));
        return true;
    }

    // ------------------------------------------------------------------ processing

    bool setSampleRate(double rate) override
    {
        if (!(rate > 0.0) || !(rate <= 1.0e7)) return false;
        effect_->setSampleRate(static_cast<float>(rate));
        return true;
    }

    void setMaxBlockSize(uint32_t frames) override
    {
        effect_->setBlockSize(static_cast<VstInt32>(frames < kMaxFrames ? frames : kMaxFrames));
    }

    void activate() override { effect_->resume(); }
    void deactivate() override { effect_->suspend(); }

    void process(const float* const* inputs, float* const* outputs, uint32_t frames) override
    {
        processInSlices(inputs, outputs, frames, &SarvoEffect::processReplacing);
    }

    void process(const double* const* inputs, double* const* outputs, uint32_t frames) override
    {
        processInSlices(inputs, outputs, frames, &SarvoEffect::processDoubleReplacing);
    }

    void setBypass(bool bypassed) override { effect_->setBypass(bypassed); }
    bool bypassed() const override { return effect_->bypassed(); }

    // ------------------------------------------------------------------ editor

    bool hasEditor() const override { return editor() != nullptr; }

    bool editorSize(uint32_t& width, uint32_t& height) const override
    {
        ZEditor* e = editor();
        ERect* rect = nullptr;
        if (!e || !e->getRect(&rect) || !rect) return false;
        width = static_cast<uint32_t>(rect->right - rect->left);
        height = static_cast<uint32_t>(rect->bottom - rect->top);
        return width > 0 && height > 0;
    }

    bool setEditorScale(double scale) override
    {
        ZEditor* e = editor();
        if (!e || !(scale >= 1.0 && scale <= 3.0)) return false;
        return e->setScale(scale);
    }

    double editorScale() const override
    {
        ZEditor* e = editor();
        return e ? e->scale() : 1.0;
    }

    bool openEditor(void* parent) override
    {
        ZEditor* e = editor();
        if (!e || !parent) return false;
        if (open_) closeEditor();
        if (!e->open(parent)) {
            e->close();  // the effect was told it opened: tell it it closed
            return false;
        }
        open_ = true;
        return true;
    }

    void editorIdle() override
    {
        if (!open_) return;
        // The signal path shown may run in another module, which cannot ask for repaints.
        if (showsOtherData_) editor()->requestRedraw();
        editor()->idle();
    }

    int editorEventFd() const override
    {
        ZEditor* e = editor();
        if (!open_ || !e || !e->window() || !e->window()->handle()) return -1;
        return static_cast<int>(platform::eventConnection(e->window()->handle()));
    }

    void closeEditor() override
    {
        if (!open_) return;
        open_ = false;
        editor()->close();
    }

    bool editorOpen() const override { return open_; }

    void* editorWindow() const override
    {
        ZEditor* e = editor();
        return open_ && e && e->window() ? e->window()->handle() : nullptr;
    }

    void setWatched(bool watched) override
    {
        if (watched == watched_) return;
        watched_ = watched;
        if (watched)
            effect_->editorOpened();
        else if (!open_)
            effect_->editorClosed();
    }

    void setListener(PluginListener* listener) override { listener_.store(listener); }

private:
    // The effect takes the buffers as the VST 2.x entries do, and at most kMaxFrames at a time.
    template <typename Sample>
    void processInSlices(const Sample* const* inputs, Sample* const* outputs, uint32_t frames,
                         void (SarvoEffect::*entry)(Sample**, Sample**, VstInt32))
    {
        if (!inputs || !outputs || !inputs[0] || !inputs[1] || !outputs[0] || !outputs[1]) return;
        for (uint32_t done = 0; done < frames;) {
            const uint32_t n = frames - done < kMaxFrames ? frames - done : kMaxFrames;
            Sample* in[2] = {const_cast<Sample*>(inputs[0]) + done, const_cast<Sample*>(inputs[1]) + done};
            Sample* out[2] = {outputs[0] + done, outputs[1] + done};
            (effect_->*entry)(in, out, static_cast<VstInt32>(n));
            done += n;
        }
    }

    static double clampUnit(double v) { return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v); }

    const ZParameter* param(uint32_t id) const
    {
        return id < parameterCount() ? effect_->parameter(static_cast<VstInt32>(id)) : nullptr;
    }

    ZEditor* editor() const { return static_cast<ZEditor*>(effect_->getEditor()); }

    bool textOf(uint32_t id, double normalised, char* text, size_t size, bool withUnit) const
    {
        const ZParameter* p = param(id);
        if (!p || !text || size == 0) return false;
        ZValueSlot slot{std::isfinite(normalised) ? clampUnit(normalised) : p->defaultValue()};
        char buffer[ZProgramStore::kDisplayTextSize];
        buffer[0] = '\0';
        if (withUnit)
            p->displayText(buffer, sizeof buffer, slot);
        else
            p->valueText(buffer, sizeof buffer, slot);
        copyText(text, buffer, size);
        return true;
    }

    // Every record's name ends inside its field and every value is a number in 0..1.
    bool bankIsSound(const unsigned char* bank) const
    {
        const ZProgramStore& store = effect_->programStore();
        const int record = store.recordSize();
        for (int p = 0; p < store.programCount(); ++p) {
            const unsigned char* r = bank + p * record;
            if (!std::memchr(r, 0, ZProgramStore::kNameSize)) return false;
            for (int i = 0; i < store.parameterCount(); ++i) {
                double v;
                std::memcpy(&v, r + store.valueOffset(i), sizeof v);
                if (!(v >= 0.0 && v <= 1.0)) return false;
            }
        }
        return true;
    }

    // The effect's host: the editor's gestures go to the listener; everything else is answered as a
    // host that offers nothing.
    static VstIntPtr hostRequest(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
    {
        if (opcode == audioMasterVersion) return 2400;
        SarvoPlugin* self = effect ? static_cast<SarvoPlugin*>(effect->user) : nullptr;
        PluginListener* listener = self ? self->listener_.load() : nullptr;
        if (!listener || index < 0 || static_cast<uint32_t>(index) >= self->parameterCount()) return 0;
        const uint32_t id = static_cast<uint32_t>(index);
        switch (opcode) {
            case audioMasterAutomate: listener->parameterEdited(id, self->parameterValue(id)); break;
            case audioMasterBeginEdit: listener->gestureBegan(id); break;
            case audioMasterEndEdit: listener->gestureEnded(id); break;
            default: break;
        }
        return 0;
    }

    SarvoEffect* effect_ = nullptr;
    std::atomic<PluginListener*> listener_{nullptr};
    bool open_ = false;
    bool watched_ = false;
    bool showsOtherData_ = false;
};

}  // namespace

Plugin* createPlugin(const PluginOptions& options)
{
    SarvoPlugin* plugin = new (std::nothrow) SarvoPlugin();
    if (plugin && !plugin->make(options)) {
        delete plugin;
        return nullptr;
    }
    return plugin;
}

}  // namespace sarvo
