// The LV2 UI (ui:X11UI): the effect's own editor in the host's parent window. The UI owns an
// effect made by the composition root as the editor's parameter model; its host callback turns the
// editor's automation and gestures into writes to the control ports (and touch). Port changes from
// the host set that effect's parameters, which moves the controls. With instance access the
// editor's wave displays and clip level read the running instance's signal path; without it they
// stay empty. The module exports only lv2ui_descriptor.
#include "gui/editor.h"
#include "gui/editor_window.h"
#include "host/effect_base.h"
#include "host/effect_factory.h"
#include "lv2/lv2_shared.h"
#include "model/sarvo_effect.h"
#include "platform/platform.h"

#include "lv2/core/lv2.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/ui/ui.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

using sarvo_lv2::kParameterCount;

struct Ui {
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touch = nullptr;
    const LV2UI_Resize* resize = nullptr;
    sarvo_lv2::SharedInstance* running = nullptr;  // instance access
    EffectBase* base = nullptr;
    SarvoEffect* effect = nullptr;
    ZEditor* editor = nullptr;

    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f)
    {
        AEffect* d = base->getDescriptor();
        return d->dispatcher(d, opcode, index, value, ptr, opt);
    }
    void writeParameter(VstInt32 index)
    {
        if (index < 0 || index >= static_cast<VstInt32>(kParameterCount) || !write) return;
        const float value = static_cast<float>(effect->displayValue(index));
        write(controller, sarvo_lv2::kFirstParameter + static_cast<uint32_t>(index), sizeof value, 0, &value);
    }
    void gesture(VstInt32 index, bool grabbed)
    {
        if (index < 0 || index >= static_cast<VstInt32>(kParameterCount) || !touch) return;
        touch->touch(touch->handle, sarvo_lv2::kFirstParameter + static_cast<uint32_t>(index), grabbed);
    }
};

// The editor's host: the UI the effect belongs to is in the descriptor's user field (set once the
// effect is made; requests before that get the plain answers).
VstIntPtr uiHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float)
{
    Ui* ui = effect ? static_cast<Ui*>(effect->user) : nullptr;
    switch (opcode) {
        case audioMasterVersion: return 2400;
        case audioMasterAutomate:
            if (ui) ui->writeParameter(index);
            return 0;
        case audioMasterBeginEdit:
            if (ui) ui->gesture(index, true);
            return 0;
        case audioMasterEndEdit:
            if (ui) ui->gesture(index, false);
            return 0;
        default: return 0;
    }
}

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}

void cleanup(LV2UI_Handle handle)
{
    Ui* ui = static_cast<Ui*>(handle);
    if (ui->base) {
        ui->dispatch(effEditClose);
        if (ui->running && ui->running->viewers.fetch_sub(1) == 1) ui->running->effect->editorClosed();
        ui->dispatch(effClose);  // deletes the effect and its editor
    }
    delete ui;
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features)
{
    if (!pluginUri || std::strcmp(pluginUri, sarvo_lv2::kPluginUri) != 0) return nullptr;
    void* parent = const_cast<void*>(feature(features, LV2_UI__parent));
    if (!parent) return nullptr;  // the editor is a child window of the host's
    Ui* ui = new (std::nothrow) Ui();
    if (!ui) return nullptr;
    ui->write = write;
    ui->controller = controller;
    ui->touch = static_cast<const LV2UI_Touch*>(feature(features, LV2_UI__touch));
    ui->resize = static_cast<const LV2UI_Resize*>(feature(features, LV2_UI__resize));
    auto* running = static_cast<sarvo_lv2::SharedInstance*>(const_cast<void*>(feature(features, LV2_INSTANCE_ACCESS_URI)));
    if (running && running->tag == sarvo_lv2::SharedInstance::kTag && running->effect) ui->running = running;

    EffectOptions options;
    options.dataSource = ui->running ? ui->running->effect : nullptr;
    ui->base = createEffectInstance(uiHost, options);
    ui->effect = static_cast<SarvoEffect*>(ui->base);
    ui->editor = ui->base ? dynamic_cast<ZEditor*>(ui->base->getEditor()) : nullptr;
    if (!ui->editor) {  // no display, or no editor could be made
        ui->running = nullptr;
        cleanup(ui);
        return nullptr;
    }
    ui->base->getDescriptor()->user = ui;

    ERect* rect = nullptr;
    ui->dispatch(effEditGetRect, 0, 0, &rect);
    if (ui->running && ui->running->viewers.fetch_add(1) == 0) ui->running->effect->editorOpened();
    if (!ui->dispatch(effEditOpen, 0, 0, parent) || !ui->editor->window() || !ui->editor->window()->handle()) {
        cleanup(ui);
        return nullptr;
    }
    // On X11 a window handle is the window's id.
    if (widget) *widget = ui->editor->window()->handle();
    if (ui->resize && rect)
        ui->resize->ui_resize(ui->resize->handle, rect->right - rect->left, rect->bottom - rect->top);
    return ui;
}

// A control port's value sets the editor's parameter, unless it already shows that value (the
// echo of its own change during a drag).
void portEvent(LV2UI_Handle handle, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    Ui* ui = static_cast<Ui*>(handle);
    if (format != 0 || size != sizeof(float) || !buffer) return;
    if (port < sarvo_lv2::kFirstParameter || port >= sarvo_lv2::kFirstParameter + kParameterCount) return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    if (value != value) return;
    const VstInt32 index = static_cast<VstInt32>(port - sarvo_lv2::kFirstParameter);
    if (static_cast<float>(ui->effect->displayValue(index)) == value) return;
    const ZParameter* p = ui->effect->parameter(index);
    double display = value;
    if (index == SarvoEffect::kOversample) display = value > 0.0f ? 1.0 : 0.0;  // toggled: on above zero
    if (p) ui->effect->setParameterValue(index, p->toNormalised(display));
}

// The host's idle call: the window's events, and a repaint when the running instance may have
// new history (the editor limits repaints to its own interval).
int idle(LV2UI_Handle handle)
{
    Ui* ui = static_cast<Ui*>(handle);
    if (ui->running) ui->editor->requestRedraw();
    ui->dispatch(effEditIdle);
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {sarvo_lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};

struct ModuleRecorder {
    ModuleRecorder() { platform::setModuleHandle(reinterpret_cast<void*>(&instantiate)); }
} gModuleRecorder;

}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
