// The operating system's side of the seam may not know the framework above it.
#include "gui/surface.h"

int probePlatformSeesGui() { return 0; }
