#pragma once
// The CLAP front's two halves: the module's entry and factory (clap_entry.cpp) and one plug-in
// instance over the format-neutral plug-in (clap_plugin.cpp).
#include "clap/clap_abi.h"

namespace sarvo_clap {

constexpr char kPluginId[] = "com.ondx.sarvo";

// The one descriptor of this module.
extern const clap::PluginDescriptor kDescriptor;

// A new instance for `host`, or null (no host, a host of an incompatible version, out of memory).
// The host calls its init next, and destroy at the end.
const clap::Plugin* createInstance(const clap::Host* host);

}  // namespace sarvo_clap
