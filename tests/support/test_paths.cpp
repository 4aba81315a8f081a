#include "support/test_paths.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <sys/stat.h>
#if defined(_WIN32)
#include <process.h>
#else
#include <unistd.h>
#endif

namespace {
std::string hostPath(std::string path)
{
#if defined(_WIN32)
    // Wine shows the Unix file system as drive Z:.
    if (!path.empty() && path[0] == '/') path = "Z:" + path;
#endif
    return path;
}
std::string withSlash(std::string path)
{
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path += '/';
    return path;
}
}  // namespace

std::string sourceDir() { return withSlash(hostPath(SARVO_SOURCE_DIR)); }

std::string testDataDir()
{
    if (const char* env = std::getenv("SARVO_TESTDATA")) {
        if (*env) return withSlash(hostPath(env));
    }
    return sourceDir() + "../shared/testdata/";
}

bool testDataRequired()
{
    const char* ci = std::getenv("CI");
    return ci && std::string(ci) == "true";
}

bool pathExists(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string scratchDir()
{
    // A folder of this process's own, removed when it ends: CTest runs test programs side by side,
    // and their scratch files must not meet. (Never destroyed, so that the removal can still name it.)
    static const std::string* dir = [] {
#if defined(_WIN32)
        const char* tmp = std::getenv("TEMP");
        const std::string base = withSlash(tmp && *tmp ? tmp : ".");
        const long pid = _getpid();
#else
        const char* tmp = std::getenv("TMPDIR");
        const std::string base = withSlash(tmp && *tmp ? tmp : "/tmp");
        const long pid = getpid();
#endif
        auto* own = new std::string(base + "sarvo-test-" + std::to_string(pid) + "/");
        std::error_code ec;
        std::filesystem::create_directories(*own, ec);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(*dir, ignored);
        });
        return own;
    }();
    return *dir;
}
