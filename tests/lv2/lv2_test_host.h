#pragma once
// A small LV2 host for the tests: the bundle loaded with lilv, a URID map, and plug-in instances
// with their nine ports connected to buffers of the host.
#include "lv2/core/lv2.h"
#include "lv2/urid/urid.h"

#include <lilv/lilv.h>

#include <cstdint>
#include <string>
#include <vector>

// The bundle directory: $SARVO_LV2_BUNDLE, else the one of the build tree. Ends with '/'.
std::string bundlePath();

class UridMap {
public:
    UridMap();
    LV2_URID map(const char* uri);
    const char* unmap(LV2_URID urid) const;
    LV2_URID_Map* mapFeatureData() { return &map_; }
    LV2_URID_Unmap* unmapFeatureData() { return &unmap_; }
    const LV2_Feature* mapFeature() const { return &mapFeature_; }
    const LV2_Feature* unmapFeature() const { return &unmapFeature_; }

private:
    std::vector<std::string> uris_;
    LV2_URID_Map map_;
    LV2_URID_Unmap unmap_;
    LV2_Feature mapFeature_;
    LV2_Feature unmapFeature_;
};

// The world with the bundle loaded, once for the test program.
struct Lv2World {
    LilvWorld* world = nullptr;
    const LilvPlugin* plugin = nullptr;
    UridMap urids;
    static Lv2World& get();
};

// One instance. Control ports are in display units; port 8 is the enable port.
class Lv2Instance {
public:
    explicit Lv2Instance(double rate);
    ~Lv2Instance();
    Lv2Instance(const Lv2Instance&) = delete;
    Lv2Instance& operator=(const Lv2Instance&) = delete;

    bool ok() const { return instance_ != nullptr; }
    LilvInstance* lilv() const { return instance_; }
    LV2_Handle handle() const { return lilv_instance_get_handle(instance_); }
    float& control(uint32_t port) { return controls_[port - 4]; }
    // Processes `frames` frames: in and out may be the same buffers.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames);
    // The state interface's save, recording what is stored.
    struct Property {
        std::string key;
        std::vector<unsigned char> value;
        std::string type;
        uint32_t flags;
    };
    std::vector<Property> save();
    // Restores properties handed over as they are; answers the interface's status.
    int restore(const std::vector<Property>& properties);

private:
    LilvInstance* instance_ = nullptr;
    float controls_[5] = {0.0f, 100.0f, 0.0f, 0.0f, 1.0f};
};
