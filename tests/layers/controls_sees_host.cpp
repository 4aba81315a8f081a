// The GUI framework knows the effect only through its link: the VST 2.x host layer is not below it.
#include "host/zplugin.h"

int probeControlsSeesHost() { return 0; }
