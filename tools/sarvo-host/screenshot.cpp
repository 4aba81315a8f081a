#include "options.h"

#include <cstdio>

int commandScreenshot(const std::vector<std::string>&) {
    std::fprintf(stderr, "sarvo-host: screenshot needs the editor, which this build does not have yet\n");
    return 1;
}
