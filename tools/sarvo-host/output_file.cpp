#include "output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstring>

namespace {

// Temporary files still open, removed by the signal handler when the program is interrupted.
constexpr int kSlots = 8;
constexpr std::size_t kSlotSize = 4096;
char gTempPaths[kSlots][kSlotSize];
volatile std::sig_atomic_t gTempUsed[kSlots];

extern "C" void removeTempFiles(int sig)
{
    for (int i = 0; i < kSlots; ++i)
        if (gTempUsed[i]) unlink(gTempPaths[i]);
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

int registerTemp(const std::string& path)
{
    static bool installed = false;
    if (!installed) {
        installed = true;
        for (int sig : {SIGINT, SIGTERM, SIGHUP, SIGPIPE, SIGQUIT}) std::signal(sig, removeTempFiles);
    }
    if (path.size() >= kSlotSize) return -1;
    for (int i = 0; i < kSlots; ++i)
        if (!gTempUsed[i]) {
            std::memcpy(gTempPaths[i], path.c_str(), path.size() + 1);
            gTempUsed[i] = 1;
            return i;
        }
    return -1;
}

void releaseTemp(int slot)
{
    if (slot >= 0) gTempUsed[slot] = 0;
}

std::string directoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string reason(int error) { return std::strerror(error); }

// Follows symbolic links to the final path, which may not exist yet (a dangling link names the file to
// create). False with a message for a loop.
bool followLinks(const std::string& path, std::string& out, std::string& message)
{
    std::string p = path;
    for (int depth = 0; depth < 40; ++depth) {
        struct stat st;
        if (lstat(p.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            out = p;
            return true;
        }
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = readlink(p.c_str(), target.data(), target.size());
        if (n < 0) {
            message = "cannot follow the link '" + p + "': " + reason(errno);
            return false;
        }
        const std::string t(target.data(), static_cast<std::size_t>(n));
        p = (!t.empty() && t[0] == '/') ? t : directoryOf(p) + "/" + t;
    }
    message = "cannot write '" + path + "': " + reason(ELOOP);
    return false;
}

bool writeAll(int fd, const unsigned char* data, std::size_t size, int& error)
{
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

std::string lowerExtension(const std::string& path)
{
    const std::string base = baseOf(path);
    const std::size_t dot = base.rfind('.');
    if (dot == std::string::npos || dot == 0) return std::string();
    std::string ext = base.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

OutputFile::~OutputFile()
{
    if (fd_ >= 0 && !stdout_) ::close(fd_);
    if (!temp_.empty()) unlink(temp_.c_str());
    releaseTemp(slot_);
}

bool OutputFile::open(const std::string& path, std::string& message)
{
    path_ = path;
    if (path.empty()) {
        message = "an output file name is empty";
        return false;
    }
    if (path == "-") {
        direct_ = stdout_ = true;
        fd_ = 1;
        return true;
    }
    if (!followLinks(path, target_, message)) return false;
    struct stat st;
    const bool exists = stat(target_.c_str(), &st) == 0;
    if (exists && S_ISDIR(st.st_mode)) {
        message = "cannot write '" + path + "': " + reason(EISDIR);
        return false;
    }
    if (exists && !S_ISREG(st.st_mode)) {
        // A device, FIFO or socket: written in place, never replaced.
        fd_ = ::open(target_.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            message = "cannot write '" + path + "': " + reason(errno);
            return false;
        }
        direct_ = true;
        return true;
    }
    const std::string dir = directoryOf(target_);
    struct stat dirStat;
    if (stat(dir.c_str(), &dirStat) != 0) {
        message = "cannot write '" + path + "': the directory '" + dir + "' " +
            (errno == ENOENT ? std::string("does not exist") : "cannot be reached: " + reason(errno));
        return false;
    }
    if (!S_ISDIR(dirStat.st_mode)) {
        message = "cannot write '" + path + "': '" + dir + "' is not a directory";
        return false;
    }
    if (exists && access(target_.c_str(), W_OK) != 0) {
        message = "cannot write '" + path + "': " + reason(errno);
        return false;
    }
    std::string pattern = dir + "/." + baseOf(target_) + ".part-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    fd_ = mkstemp(name.data());
    if (fd_ < 0) {
        message = "cannot write '" + path + "': " + reason(errno);
        return false;
    }
    temp_ = name.data();
    slot_ = registerTemp(temp_);
    fcntl(fd_, F_SETFD, FD_CLOEXEC);
    // The finished file gets the permissions (and, for root, the owner) of the file it replaces, or
    // the usual ones of a new file.
    if (exists) {
        fchmod(fd_, st.st_mode & 07777);
        if (geteuid() == 0) (void)!fchown(fd_, st.st_uid, st.st_gid);
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd_, 0666 & ~mask);
    }
    return true;
}

bool OutputFile::write(const void* data, std::size_t size)
{
    if (errno_) return false;
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    if (direct_) {
        const std::size_t end = static_cast<std::size_t>(position_) + size;
        if (buffer_.size() < end) buffer_.resize(end);
        std::memcpy(buffer_.data() + position_, bytes, size);
    } else {
        if (lseek(fd_, position_, SEEK_SET) < 0 || !writeAll(fd_, bytes, size, errno_)) {
            if (!errno_) errno_ = errno;
            return false;
        }
    }
    position_ += static_cast<std::int64_t>(size);
    size_ = std::max(size_, position_);
    return true;
}

bool OutputFile::seek(std::int64_t offset)
{
    if (offset < 0) {
        errno_ = EINVAL;
        return false;
    }
    position_ = offset;
    return true;
}

std::size_t OutputFile::read(void* data, std::size_t size)
{
    if (position_ >= size_) return 0;
    const std::size_t n = std::min(size, static_cast<std::size_t>(size_ - position_));
    if (direct_) {
        std::memcpy(data, buffer_.data() + position_, n);
    } else {
        const ssize_t got = pread(fd_, data, n, position_);
        if (got <= 0) return 0;
        position_ += got;
        return static_cast<std::size_t>(got);
    }
    position_ += static_cast<std::int64_t>(n);
    return n;
}

std::string OutputFile::error() const { return "cannot write '" + path_ + "': " + reason(errno_ ? errno_ : EIO); }

bool OutputFile::finish(std::string& message)
{
    if (finished_ || fd_ < 0) {
        message = "cannot write '" + path_ + "': the file is not open";
        return false;
    }
    finished_ = true;
    if (errno_) {
        message = error();
        return false;
    }
    if (direct_) {
        int error = 0;
        const bool ok = writeAll(fd_, buffer_.data(), buffer_.size(), error);
        if (!stdout_) {
            if (::close(fd_) != 0 && ok) error = errno;
            fd_ = -1;
        }
        if (!ok || error) {
            message = "cannot write '" + path_ + "': " + reason(error ? error : EIO);
            return false;
        }
        return true;
    }
    int error = 0;
    if (fsync(fd_) != 0 && errno != EINVAL && errno != EROFS) error = errno;
    if (::close(fd_) != 0 && !error) error = errno;
    fd_ = -1;
    if (!error && rename(temp_.c_str(), target_.c_str()) != 0) error = errno;
    if (error) {
        message = "cannot write '" + path_ + "': " + reason(error);
        return false;
    }
    temp_.clear();
    releaseTemp(slot_);
    slot_ = -1;
    return true;
}

bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& message)
{
    OutputFile out;
    if (!out.open(path, message)) return false;
    if (!out.write(data, size)) {
        message = out.error();
        return false;
    }
    return out.finish(message);
}

bool readInputFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& message)
{
    const bool useStdin = path == "-";
    const int fd = useStdin ? 0 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        message = "cannot read '" + path + "': " + reason(errno);
        return false;
    }
    struct stat st;
    if (fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
        if (!useStdin) ::close(fd);
        message = "cannot read '" + path + "': " + reason(EISDIR);
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd, chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            const int error = errno;
            if (!useStdin) ::close(fd);
            message = "cannot read '" + path + "': " + reason(error);
            return false;
        }
        if (n == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    if (!useStdin) ::close(fd);
    return true;
}
