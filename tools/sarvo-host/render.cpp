#include "options.h"

#include <cstdio>

int commandRender(const std::vector<std::string>&) {
    std::fprintf(stderr, "sarvo-host: render is not available in this build yet\n");
    return 1;
}
