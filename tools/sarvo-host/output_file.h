#pragma once
// Output files that never do damage. The path is checked before any work is done:
//  - a regular file, or a new one, is written to a hidden temporary file in the same directory and
//    renamed into place only when complete (an existing file keeps its permissions);
//  - a symbolic link is followed and its target written by the same rules;
//  - a device, a FIFO or "-" (standard output) is written directly and never replaced;
//  - a directory, a missing parent directory or a read-only file is refused.
// Every failure names the system's reason, and an unfinished temporary file is removed, also when the
// program is interrupted by a signal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();  // an unfinished temporary file is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Checks the path and opens the file (or the temporary file) for writing.
    bool open(const std::string& path, std::string& message);
    // True when the data go straight to a device, FIFO or standard output, which cannot seek.
    bool direct() const { return direct_; }
    bool isStdout() const { return stdout_; }
    const std::string& path() const { return path_; }

    // Positioned writing for the regular-file case; a direct output keeps the data in memory and
    // writes them out in finish(). Both answer false and keep the system's reason.
    bool write(const void* data, std::size_t size);
    bool seek(std::int64_t offset);
    std::int64_t tell() const { return position_; }
    std::int64_t size() const { return size_; }
    std::size_t read(void* data, std::size_t size);  // reads back what was written (libsndfile wants it)

    // Completes the file: renames the temporary file into place, or writes the buffered data out.
    bool finish(std::string& message);
    // The first failure of write() or seek(), as a message naming the path.
    std::string error() const;

private:
    std::string path_;  // as given
    std::string target_;  // after following links
    std::string temp_;
    int fd_ = -1;
    bool direct_ = false;
    bool stdout_ = false;
    bool finished_ = false;
    int errno_ = 0;
    std::int64_t position_ = 0;
    std::int64_t size_ = 0;
    std::vector<unsigned char> buffer_;  // direct outputs
    int slot_ = -1;  // in the signal handler's list of temporary files
};

// Writes a whole file by the rules above.
bool writeOutputFile(const std::string& path, const void* data, std::size_t size, std::string& message);

// Reads a whole file, or standard input for "-"; false with the system's reason.
bool readInputFile(const std::string& path, std::vector<unsigned char>& bytes, std::string& message);

// The lower-case extension of a path's last component, without the dot ("" when there is none).
std::string lowerExtension(const std::string& path);
