// The module's one export, clap_entry, and the plug-in factory behind it.
//
// init and deinit are counted (a host may call them more than once, from more than one place); the
// factory and the descriptor are constant data, so get_factory and the factory's calls are safe
// from any thread, before init as well.
#include "clap/clap_abi.h"
#include "clap/clap_plugin.h"
#include "platform/module_lifetime.h"
#include "plugin/plugin.h"

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace sarvo_clap {
namespace {

const char* kFeatures[] = {clap::kFeatureAudioEffect, clap::kFeatureDistortion, clap::kFeatureStereo, nullptr};

std::atomic<int> gInitCount{0};

bool SARVO_CLAP_CALL entryInit(const char* /*pluginPath*/)
{
    gInitCount.fetch_add(1);
    return true;
}

void SARVO_CLAP_CALL entryDeinit()
{
    int n = gInitCount.load();
    while (n > 0 && !gInitCount.compare_exchange_weak(n, n - 1)) {}
}

uint32_t SARVO_CLAP_CALL pluginCount(const clap::PluginFactory*) { return 1; }

const clap::PluginDescriptor* SARVO_CLAP_CALL pluginDescriptor(const clap::PluginFactory*, uint32_t index)
{
    return index == 0 ? &kDescriptor : nullptr;
}

const clap::Plugin* SARVO_CLAP_CALL createPlugin(const clap::PluginFactory*, const clap::Host* host, const char* id)
{
    if (gInitCount.load() <= 0 || !id || std::strcmp(id, kPluginId) != 0) return nullptr;
    return createInstance(host);
}

const clap::PluginFactory kFactory = {pluginCount, pluginDescriptor, createPlugin};

const void* SARVO_CLAP_CALL entryFactory(const char* id)
{
    return id && std::strcmp(id, clap::kPluginFactoryId) == 0 ? &kFactory : nullptr;
}

}  // namespace

const clap::PluginDescriptor kDescriptor = {
    clap::kVersion,
    kPluginId,
    sarvo::Plugin::kName,
    sarvo::Plugin::kVendor,
    "",  // url
    "",  // manual_url
    "",  // support_url
    sarvo::Plugin::kVersion,
    "Stereo soft clipper: input gain, a curve with a soft knee, optional 2x oversampling",
    kFeatures,
};

}  // namespace sarvo_clap

#if defined(_WIN32)
#define SARVO_CLAP_EXPORT
#else
#define SARVO_CLAP_EXPORT __attribute__((visibility("default")))
#endif

// The module's only export (Windows: through clap.def).
extern "C" SARVO_CLAP_EXPORT const clap::PluginEntry clap_entry = {
    clap::kVersion,
    sarvo_clap::entryInit,
    sarvo_clap::entryDeinit,
    sarvo_clap::entryFactory,
};
