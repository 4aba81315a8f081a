#pragma once
// Audio file reading and writing through libsndfile, with the output written to a temporary file
// and renamed into place only when complete.
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
    bool open(const std::string& path, std::string& message);
    const AudioInfo& info() const { return info_; }
    // Reads up to `frames` interleaved frames; answers the number read (0 at the end).
    std::int64_t read(double* interleaved, std::int64_t frames);

private:
    void* file_ = nullptr;
    AudioInfo info_;
};

class AudioWriter {
public:
    AudioWriter() = default;
    ~AudioWriter();  // an unfinished file is removed
    AudioWriter(const AudioWriter&) = delete;
    AudioWriter& operator=(const AudioWriter&) = delete;
    // `format` 0 picks the format from the path's extension, falling back to `inputFormat`.
    bool open(const std::string& path, int channels, int sampleRate, int inputFormat, std::string& message);
    bool write(const double* interleaved, std::int64_t frames, std::string& message);
    // Closes and moves the file into place.
    bool finish(std::string& message);

private:
    void* file_ = nullptr;
    std::string path_;
    std::string temp_;
};

// The libsndfile format for an output path: from its extension, keeping the input's sample encoding
// where the container allows it. 0 when the extension names no known format.
int formatForPath(const std::string& path, int inputFormat);

// Writes a whole interleaved buffer as a WAV file (32-bit float).
bool writeWav(const std::string& path, const std::vector<double>& interleaved, int channels, int sampleRate,
              std::string& message);
