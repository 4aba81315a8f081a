#pragma once
#include <cstddef>

// One module resource compiled into a build without native resources.
struct EmbeddedResource {
    const char* type;
    const char* name;
    const unsigned char* data;
    std::size_t size;
};

// Terminated by an entry whose type is null.
extern const EmbeddedResource kEmbeddedResources[];
