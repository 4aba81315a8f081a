#pragma once
// Audio file reading and writing through libsndfile. Input may be standard input ("-"); output goes
// through OutputFile, so it is safe for every kind of path.
#include "output_file.h"

#include <cstdint>
#include <string>
#include <vector>

struct AudioInfo {
    int channels = 0;
    int sampleRate = 0;
    std::int64_t frames = 0;
    int format = 0;  // libsndfile format word
};

class AudioReader {
public:
    AudioReader() = default;
    ~AudioReader();
    AudioReader(const AudioReader&) = delete;
    AudioReader& operator=(const AudioReader&) = delete;
    // Opens a file, or standard input for "-" (read whole, so every format works from a pipe).
    bool open(const std::string& path, std::string& message);
    const AudioInfo& info() const { return info_; }
    // Reads up to `frames` interleaved frames; answers the number read (0 at the end).
    std::int64_t read(double* interleaved, std::int64_t frames);

    struct Memory {
        std::vector<unsigned char> bytes;
        std::int64_t position = 0;
    };

private:
    void* file_ = nullptr;
    AudioInfo info_;
    Memory memory_;
};

// The output format: --format NAME, or the path's known extension, or (for a path without extension,
// such as "-" or a device) the input's container. `bits` is "", "16", "24", "32" or "float"; "" keeps
// the input's sample format where the container takes it. False with a message naming the choices.
bool chooseOutputFormat(const std::string& path, const std::string& formatName, const std::string& bits,
                        int inputFormat, int& format, std::string& message);

// The container names --format takes and the extensions that pick them, for messages and help.
std::string knownFormats();

class AudioWriter {
public:
    AudioWriter() = default;
    ~AudioWriter();  // an unfinished file is removed
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;
    // Checks the path and opens it; `format` comes from chooseOutputFormat.
    bool open(const std::string& path, int channels, int sampleRate, int format, std::string& message);
    bool write(const double* interleaved, std::int64_t frames, std::string& message);
    // Closes and moves the file into place.
    bool finish(std::string& message);
    bool toStdout() const { return out_.isStdout(); }

private:
    void* file_ = nullptr;
    OutputFile out_;
};

// A short description of a libsndfile format word: "WAV, 24-bit".
std::string describeFormat(int format);
