// A control may use everything below it: the window framework, the skin's resources, the effect,
// the host layers, the model and the signal path.
#include "controls/control.h"
#include "dsp/history.h"
#include "gui/surface.h"
#include "host/zplugin.h"
#include "model/sarvo_effect.h"
#include "platform/window_system.h"
#include "skin/resources.h"

int probeAllowed() { return 0; }
