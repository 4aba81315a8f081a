#pragma once
// The thin seam between the portable code and the operating system.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// A module resource: a read-only view of bytes that live as long as the module.
struct ResourceView {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
};

// Records the module's identity (instance handle on Windows, any address inside the module elsewhere).
void setModuleHandle(void* handle);
void* moduleHandle();

// Finds a resource of this module by type and name (case-insensitive, as Windows does).
// Answers false when there is none or it is empty.
bool findResource(const char* type, const char* name, ResourceView& out);

// The directory holding the module file, with a trailing separator; empty when unknown.
std::string moduleDirectory();

// Reads a whole file; false when it cannot be opened or read.
bool readFile(const std::string& path, std::vector<unsigned char>& out);

// Milliseconds since some fixed point; wraps around at 2^32.
std::uint32_t tickCountMs();

}  // namespace platform
