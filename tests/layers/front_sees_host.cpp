// A format front sees the plug-in interface alone: no VST 2.x type, no effect class.
#include "plugin/plugin.h"
#include "host/vst_abi.h"

int probeFrontSeesHost() { return 0; }
