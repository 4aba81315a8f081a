// A control may use everything below it: the window framework, the skin's resources, the model
// (with its link to the effect), the signal path's records and the platform seam.
#include "controls/control.h"
#include "dsp/history.h"
#include "gui/surface.h"
#include "model/effect_link.h"
#include "platform/window_system.h"
#include "skin_resources/resources.h"

int probeAllowed() { return 0; }
