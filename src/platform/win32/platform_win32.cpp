#include "platform/platform.h"
#include "platform/window_system.h"

#include <windows.h>

#include <atomic>

namespace platform {
namespace {
std::atomic<void*> gModule{nullptr};

HMODULE currentModule()
{
    void* h = gModule.load(std::memory_order_relaxed);
    return h ? static_cast<HMODULE>(h) : GetModuleHandleA(nullptr);
}
}  // namespace

void setModuleHandle(void* handle) { gModule.store(handle, std::memory_order_relaxed); }

void* moduleHandle() { return gModule.load(std::memory_order_relaxed); }

bool findResource(const char* type, const char* name, ResourceView& out)
{
    out = ResourceView{};
    if (!type || !name) return false;
    HMODULE module = currentModule();
    HRSRC info = FindResourceA(module, name, type);
    if (!info) return false;
    const DWORD size = SizeofResource(module, info);
    if (size == 0) return false;
    HGLOBAL loaded = LoadResource(module, info);
    if (!loaded) return false;
    const void* data = LockResource(loaded);
    if (!data) return false;
    out.data = static_cast<const unsigned char*>(data);
    out.size = size;
    return true;
}

std::string moduleDirectory()
{
    char path[MAX_PATH + 1] = {0};
    const DWORD n = GetModuleFileNameA(currentModule(), path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return std::string();
    std::string s(path, n);
    const std::size_t slash = s.find_last_of("\\/");
    if (slash == std::string::npos) return std::string();
    return s.substr(0, slash + 1);
}

bool readFile(const std::string& path, std::vector<unsigned char>& out)
{
    out.clear();
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    bool ok = true;
    unsigned char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            ok = false;
            break;
        }
        if (got == 0) break;
        out.insert(out.end(), buffer, buffer + got);
    }
    CloseHandle(file);
    return ok;
}

std::uint32_t tickCountMs() { return static_cast<std::uint32_t>(GetTickCount()); }

bool editorWindowsAvailable() { return true; }

}  // namespace platform
