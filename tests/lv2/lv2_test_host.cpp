#include "lv2_test_host.h"

#include "lv2/state/state.h"

#include <cstdlib>
#include <cstring>

std::string bundlePath()
{
    const char* env = std::getenv("SARVO_LV2_BUNDLE");
    std::string path = env && *env ? env : SARVO_LV2_BUNDLE_DIR;
    if (path.back() != '/') path += '/';
    return path;
}

UridMap::UridMap()
{
    map_.handle = this;
    map_.map = [](LV2_URID_Map_Handle h, const char* uri) { return static_cast<UridMap*>(h)->map(uri); };
    unmap_.handle = this;
    unmap_.unmap = [](LV2_URID_Unmap_Handle h, LV2_URID u) { return static_cast<UridMap*>(h)->unmap(u); };
    mapFeature_ = {LV2_URID__map, &map_};
    unmapFeature_ = {LV2_URID__unmap, &unmap_};
}

LV2_URID UridMap::map(const char* uri)
{
    for (size_t i = 0; i < uris_.size(); ++i)
        if (uris_[i] == uri) return static_cast<LV2_URID>(i + 1);
    uris_.emplace_back(uri);
    return static_cast<LV2_URID>(uris_.size());
}

const char* UridMap::unmap(LV2_URID urid) const
{
    return urid >= 1 && urid <= uris_.size() ? uris_[urid - 1].c_str() : nullptr;
}

Lv2World& Lv2World::get()
{
    static Lv2World* w = [] {
        auto* world = new Lv2World();
        world->world = lilv_world_new();
        LilvNode* bundle = lilv_new_file_uri(world->world, nullptr, bundlePath().c_str());
        lilv_world_load_bundle(world->world, bundle);
        lilv_node_free(bundle);
        LilvNode* uri = lilv_new_uri(world->world, "urn:ondx:sarvo");
        world->plugin = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(world->world), uri);
        lilv_node_free(uri);
        return world;
    }();
    return *w;
}

Lv2Instance::Lv2Instance(double rate)
{
    Lv2World& w = Lv2World::get();
    if (!w.plugin) return;
    const LV2_Feature* features[] = {w.urids.mapFeature(), w.urids.unmapFeature(), nullptr};
    instance_ = lilv_plugin_instantiate(w.plugin, rate, features);
    if (!instance_) return;
    for (uint32_t p = 4; p < 9; ++p) lilv_instance_connect_port(instance_, p, &controls_[p - 4]);
    lilv_instance_activate(instance_);
}

Lv2Instance::~Lv2Instance()
{
    if (!instance_) return;
    lilv_instance_deactivate(instance_);
    lilv_instance_free(instance_);
}

void Lv2Instance::run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames)
{
    lilv_instance_connect_port(instance_, 0, const_cast<float*>(inL));
    lilv_instance_connect_port(instance_, 1, const_cast<float*>(inR));
    lilv_instance_connect_port(instance_, 2, outL);
    lilv_instance_connect_port(instance_, 3, outR);
    lilv_instance_run(instance_, frames);
}

namespace {
const LV2_State_Interface* stateInterface(LilvInstance* instance)
{
    return static_cast<const LV2_State_Interface*>(lilv_instance_get_extension_data(instance, LV2_STATE__interface));
}
}  // namespace

std::vector<Lv2Instance::Property> Lv2Instance::save()
{
    std::vector<Property> out;
    const LV2_State_Interface* state = stateInterface(instance_);
    if (!state) return out;
    state->save(
        handle(),
        [](LV2_State_Handle h, uint32_t key, const void* value, size_t size, uint32_t type, uint32_t flags) {
            UridMap& urids = Lv2World::get().urids;
            const auto* bytes = static_cast<const unsigned char*>(value);
            static_cast<std::vector<Property>*>(h)->push_back(
                {urids.unmap(key), std::vector<unsigned char>(bytes, bytes + size), urids.unmap(type), flags});
            return LV2_STATE_SUCCESS;
        },
        &out, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, nullptr);
    return out;
}

int Lv2Instance::restore(const std::vector<Property>& properties)
{
    const LV2_State_Interface* state = stateInterface(instance_);
    if (!state) return -1;
    return state->restore(
        handle(),
        [](LV2_State_Handle h, uint32_t key, size_t* size, uint32_t* type, uint32_t* flags) -> const void* {
            UridMap& urids = Lv2World::get().urids;
            for (const Property& p : *static_cast<const std::vector<Property>*>(h)) {
                if (urids.map(p.key.c_str()) != key) continue;
                *size = p.value.size();
                *type = urids.map(p.type.c_str());
                *flags = p.flags;
                return p.value.data();
            }
            return nullptr;
        },
        const_cast<std::vector<Property>*>(&properties), 0, nullptr);
}
