#pragma once
#include "host/vst_abi.h"

class EffectBase;

// Builds one clipper effect with its editor (when the built-in skin parses); null when nothing could be built.
EffectBase* createEffectInstance(audioMasterCallback hostCallback);
