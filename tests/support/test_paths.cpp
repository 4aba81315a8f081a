#include "support/test_paths.h"

#include <cstdlib>
#include <sys/stat.h>

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
#if defined(_WIN32)
    const char* tmp = std::getenv("TEMP");
    return withSlash(tmp && *tmp ? tmp : ".");
#else
    const char* tmp = std::getenv("TMPDIR");
    return withSlash(tmp && *tmp ? tmp : "/tmp");
#endif
}
