// The LV2 UI (ui:X11UI): the effect's own editor in the host's parent window. The UI owns a
// plug-in made by the composition root as the editor's parameter model; the editor's changes and
// gestures become writes to the control ports (and touch). Port changes from the host set that
// plug-in's parameters, which moves the controls. With instance access the editor's wave displays
// and clip level show the running instance's signal path; without it they stay empty. The module
// exports only lv2ui_descriptor.
//
// Scale: the host's ui:scaleFactor option (a float, given with the options feature at
// instantiation, or later through the options interface) sets the editor's scale, held to 1..3;
// the editor then has that many pixels per skin pixel and tells the host its new size (ui:resize).
#include "lv2/lv2_shared.h"
#include "platform/module_lifetime.h"
#include "plugin/plugin.h"

#include "lv2/atom/atom.h"
#include "lv2/core/lv2.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/options/options.h"
#include "lv2/ui/ui.h"
#include "lv2/urid/urid.h"

#include <cstdint>
#include <cstring>
#include <new>

namespace {

using sarvo_lv2::kParameterCount;

struct Ui final : sarvo::PluginListener {
    LV2UI_Write_Function write = nullptr;
    LV2UI_Controller controller = nullptr;
    const LV2UI_Touch* touch = nullptr;
    const LV2UI_Resize* resize = nullptr;
    sarvo_lv2::SharedInstance* running = nullptr;  // instance access
    sarvo::Plugin* plugin = nullptr;
    // The keys of the options this UI reads (0 without the host's URID map).
    LV2_URID scaleFactorKey = 0;
    LV2_URID floatType = 0;
    float scaleFactor = 1.0f;  // as the host gave it (answered by the options interface)

    void parameterEdited(uint32_t id, double normalised) override
    {
        if (id >= kParameterCount || !write) return;
        const float value = static_cast<float>(plugin->toDisplay(id, normalised));
        write(controller, sarvo_lv2::kFirstParameter + id, sizeof value, 0, &value);
    }
    void gestureBegan(uint32_t id) override { gesture(id, true); }
    void gestureEnded(uint32_t id) override { gesture(id, false); }
    void gesture(uint32_t id, bool grabbed)
    {
        if (id >= kParameterCount || !touch) return;
        touch->touch(touch->handle, sarvo_lv2::kFirstParameter + id, grabbed);
    }
};

const void* feature(const LV2_Feature* const* features, const char* uri)
{
    for (int i = 0; features && features[i]; ++i)
        if (std::strcmp(features[i]->URI, uri) == 0) return features[i]->data;
    return nullptr;
}

bool isScaleFactor(const Ui& ui, const LV2_Options_Option& option)
{
    return ui.scaleFactorKey != 0 && option.context == LV2_OPTIONS_INSTANCE && option.key == ui.scaleFactorKey;
}

// Applies a ui:scaleFactor option; false when it is not a float. The editor takes the factor held
// to its range (a host at 4x still gets the largest editor). With `tell`, an editor that changed
// size reports it to the host.
bool applyScale(Ui& ui, const LV2_Options_Option& option, bool tell)
{
    if (option.type != ui.floatType || option.size != sizeof(float) || !option.value) return false;
    float factor;
    std::memcpy(&factor, option.value, sizeof factor);
    if (!(factor > 0.0f) || !(factor < 1.0e6f)) return false;
    ui.scaleFactor = factor;
    const double scale = factor < 1.0f ? 1.0 : (factor > 3.0f ? 3.0 : static_cast<double>(factor));
    const double before = ui.plugin->editorScale();
    if (!ui.plugin->setEditorScale(scale)) return false;
    uint32_t width = 0, height = 0;
    if (tell && scale != before && ui.resize && ui.plugin->editorSize(width, height))
        ui.resize->ui_resize(ui.resize->handle, static_cast<int>(width), static_cast<int>(height));
    return true;
}

// The options interface: the host may change the scale factor while the UI is open.
uint32_t setOptions(LV2UI_Handle handle, const LV2_Options_Option* options)
{
    Ui* ui = static_cast<Ui*>(handle);
    uint32_t status = LV2_OPTIONS_SUCCESS;
    for (const LV2_Options_Option* o = options; o && (o->key != 0 || o->value); ++o) {
        if (!isScaleFactor(*ui, *o))
            status |= LV2_OPTIONS_ERR_BAD_KEY;
        else if (!applyScale(*ui, *o, true))
            status |= LV2_OPTIONS_ERR_BAD_VALUE;
    }
    return status;
}

uint32_t getOptions(LV2UI_Handle handle, LV2_Options_Option* options)
{
    Ui* ui = static_cast<Ui*>(handle);
    uint32_t status = LV2_OPTIONS_SUCCESS;
    for (LV2_Options_Option* o = options; o && (o->key != 0 || o->value); ++o) {
        if (!isScaleFactor(*ui, *o)) {
            status |= LV2_OPTIONS_ERR_BAD_KEY;
            continue;
        }
        o->size = sizeof(float);
        o->type = ui->floatType;
        o->value = &ui->scaleFactor;
    }
    return status;
}

void cleanup(LV2UI_Handle handle)
{
    Ui* ui = static_cast<Ui*>(handle);
    if (ui->plugin) {
        ui->plugin->closeEditor();
        if (ui->running && ui->running->viewers.fetch_sub(1) == 1) ui->running->plugin->setWatched(false);
        delete ui->plugin;  // the editor goes with it
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
    if (running && running->tag == sarvo_lv2::SharedInstance::kTag && running->plugin) ui->running = running;

    sarvo::PluginOptions options;
    options.dataSource = ui->running ? ui->running->plugin : nullptr;
    ui->plugin = sarvo::createPlugin(options);
    if (!ui->plugin || !ui->plugin->hasEditor()) {  // no display, or no editor could be made
        ui->running = nullptr;
        cleanup(ui);
        return nullptr;
    }
    ui->plugin->setListener(ui);

    // The host's scale factor, before the editor is sized and opened.
    if (const auto* map = static_cast<const LV2_URID_Map*>(feature(features, LV2_URID__map))) {
        ui->scaleFactorKey = map->map(map->handle, LV2_UI__scaleFactor);
        ui->floatType = map->map(map->handle, LV2_ATOM__Float);
    }
    const auto* given = static_cast<const LV2_Options_Option*>(feature(features, LV2_OPTIONS__options));
    for (const LV2_Options_Option* o = given; o && (o->key != 0 || o->value); ++o)
        if (isScaleFactor(*ui, *o)) applyScale(*ui, *o, false);

    uint32_t width = 0, height = 0;
    const bool sized = ui->plugin->editorSize(width, height);
    if (ui->running && ui->running->viewers.fetch_add(1) == 0) ui->running->plugin->setWatched(true);
    if (!ui->plugin->openEditor(parent) || !ui->plugin->editorWindow()) {
        cleanup(ui);
        return nullptr;
    }
    // On X11 a window handle is the window's id.
    if (widget) *widget = ui->plugin->editorWindow();
    if (ui->resize && sized) ui->resize->ui_resize(ui->resize->handle, static_cast<int>(width), static_cast<int>(height));
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
    const uint32_t id = port - sarvo_lv2::kFirstParameter;
    sarvo::Plugin* plugin = ui->plugin;
    if (static_cast<float>(plugin->toDisplay(id, plugin->parameterValue(id))) == value) return;
    sarvo::ParameterInfo info;
    double display = value;
    if (plugin->parameterInfo(id, info) && info.steps == 1) display = value > 0.0f ? 1.0 : 0.0;  // on above zero
    plugin->setParameterValue(id, plugin->toNormalised(id, display));
}

// The host's idle call: the window's events, and the repaints that wait (the editor limits them to
// its own interval).
int idle(LV2UI_Handle handle)
{
    static_cast<Ui*>(handle)->plugin->editorIdle();
    return 0;
}

const void* extensionData(const char* uri)
{
    static const LV2UI_Idle_Interface idleInterface = {idle};
    static const LV2_Options_Interface optionsInterface = {getOptions, setOptions};
    if (std::strcmp(uri, LV2_UI__idleInterface) == 0) return &idleInterface;
    if (std::strcmp(uri, LV2_OPTIONS__interface) == 0) return &optionsInterface;
    return nullptr;
}

const LV2UI_Descriptor kDescriptor = {sarvo_lv2::kUiUri, instantiate, cleanup, portEvent, extensionData};


}  // namespace

extern "C" __attribute__((visibility("default"))) const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}
