#include "platform/platform.h"
#include "platform/window_system.h"

#include "platform/embedded_resources.h"

#include <dlfcn.h>
#include <strings.h>
#include <time.h>

#include <atomic>
#include <cstdio>

namespace platform {
namespace {
std::atomic<void*> gModule{nullptr};
}

void setModuleHandle(void* handle) { gModule.store(handle, std::memory_order_relaxed); }

void* moduleHandle() { return gModule.load(std::memory_order_relaxed); }

bool findResource(const char* type, const char* name, ResourceView& out)
{
    out = ResourceView{};
    if (!type || !name) return false;
    for (const EmbeddedResource* r = kEmbeddedResources; r->type; ++r) {
        if (strcasecmp(r->type, type) == 0 && strcasecmp(r->name, name) == 0) {
            if (r->size == 0) return false;
            out.data = r->data;
            out.size = r->size;
            return true;
        }
    }
    return false;
}

std::string moduleDirectory()
{
    Dl_info info{};
    // Any address inside this module names it: the plug-in's own file, or the program that links the code.
    const void* probe = moduleHandle() ? moduleHandle() : reinterpret_cast<const void*>(&moduleDirectory);
    if (!dladdr(probe, &info) || !info.dli_fname) return std::string();
    std::string path = info.dli_fname;
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return std::string("./");
    return path.substr(0, slash + 1);
}

bool readFile(const std::string& path, std::vector<unsigned char>& out)
{
    out.clear();
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    unsigned char buffer[65536];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, f);
        out.insert(out.end(), buffer, buffer + n);
        if (n < sizeof buffer) {
            ok = !std::ferror(f);
            break;
        }
    }
    std::fclose(f);
    return ok;
}

std::uint32_t tickCountMs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const std::uint64_t ms =
        static_cast<std::uint64_t>(ts.tv_sec) * 1000u + static_cast<std::uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(ms);
}

// The headless window system is for tests and tools only; hosts get no editor from it. The X11 one
// shows it (whether a display can be reached is found out when the host opens the editor).
bool editorWindowsAvailable() { return &selectedWindowSystem() == &x11WindowSystem(); }

}  // namespace platform
