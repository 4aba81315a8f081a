#include "audio_file.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace {
std::string lowerExtension(const std::string& path)
{
    const std::size_t dot = path.rfind('.');
    const std::size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return std::string();
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}
}  // namespace

AudioReader::~AudioReader()
{
    if (file_) sf_close(static_cast<SNDFILE*>(file_));
}

bool AudioReader::open(const std::string& path, std::string& message)
{
    SF_INFO sfinfo{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &sfinfo);
    if (!f) {
        message = "cannot read '" + path + "': " + sf_strerror(nullptr);
        return false;
    }
    file_ = f;
    info_.channels = sfinfo.channels;
    info_.sampleRate = sfinfo.samplerate;
    info_.frames = sfinfo.frames;
    info_.format = sfinfo.format;
    return true;
}

std::int64_t AudioReader::read(double* interleaved, std::int64_t frames)
{
    return file_ ? sf_readf_double(static_cast<SNDFILE*>(file_), interleaved, frames) : 0;
}

int formatForPath(const std::string& path, int inputFormat)
{
    const std::string ext = lowerExtension(path);
    int major = 0;
    if (ext == "wav")
        major = SF_FORMAT_WAV;
    else if (ext == "flac")
        major = SF_FORMAT_FLAC;
    else if (ext == "aif" || ext == "aiff")
        major = SF_FORMAT_AIFF;
    else if (ext == "ogg" || ext == "oga")
        major = SF_FORMAT_OGG;
    else if (ext == "au")
        major = SF_FORMAT_AU;
    else if (ext == "caf")
        major = SF_FORMAT_CAF;
    else if (ext == "w64")
        major = SF_FORMAT_W64;
    if (major == 0) return inputFormat;
    if ((inputFormat & SF_FORMAT_TYPEMASK) == major) return inputFormat;
    // Keep the input's encoding where the new container takes it, otherwise a sensible default.
    const int subtype = inputFormat & SF_FORMAT_SUBMASK;
    SF_INFO probe{};
    probe.channels = 2;
    probe.samplerate = 44100;
    probe.format = major | subtype;
    if (subtype && sf_format_check(&probe)) return probe.format;
    switch (major) {
        case SF_FORMAT_FLAC: return major | SF_FORMAT_PCM_24;
        case SF_FORMAT_OGG: return major | SF_FORMAT_VORBIS;
        case SF_FORMAT_AIFF: return major | SF_FORMAT_PCM_24;
        default: return major | SF_FORMAT_FLOAT;
    }
}

AudioWriter::~AudioWriter()
{
    if (file_) {
        sf_close(static_cast<SNDFILE*>(file_));
        file_ = nullptr;
    }
    if (!temp_.empty()) std::remove(temp_.c_str());
}

bool AudioWriter::open(const std::string& path, int channels, int sampleRate, int inputFormat, std::string& message)
{
    SF_INFO sfinfo{};
    sfinfo.channels = channels;
    sfinfo.samplerate = sampleRate;
    sfinfo.format = formatForPath(path, inputFormat);
    if (!sf_format_check(&sfinfo)) {
        message = "cannot write '" + path + "' in the format its name asks for";
        return false;
    }
    path_ = path;
    temp_ = path + ".part";
    SNDFILE* f = sf_open(temp_.c_str(), SFM_WRITE, &sfinfo);
    if (!f) {
        message = "cannot write '" + path + "': " + sf_strerror(nullptr);
        temp_.clear();
        return false;
    }
    sf_command(f, SFC_SET_CLIPPING, nullptr, SF_TRUE);
    file_ = f;
    return true;
}

bool AudioWriter::write(const double* interleaved, std::int64_t frames, std::string& message)
{
    if (!file_) return false;
    if (sf_writef_double(static_cast<SNDFILE*>(file_), interleaved, frames) != frames) {
        message = "writing '" + path_ + "' failed: " + sf_strerror(static_cast<SNDFILE*>(file_));
        return false;
    }
    return true;
}

bool AudioWriter::finish(std::string& message)
{
    if (!file_) return false;
    const int rc = sf_close(static_cast<SNDFILE*>(file_));
    file_ = nullptr;
    if (rc != 0 || std::rename(temp_.c_str(), path_.c_str()) != 0) {
        message = "cannot finish '" + path_ + "'";
        return false;
    }
    temp_.clear();
    return true;
}

bool writeWav(const std::string& path, const std::vector<double>& interleaved, int channels, int sampleRate,
              std::string& message)
{
    AudioWriter writer;
    if (!writer.open(path, channels, sampleRate, SF_FORMAT_WAV | SF_FORMAT_FLOAT, message)) return false;
    if (!writer.write(interleaved.data(), static_cast<std::int64_t>(interleaved.size() / channels), message))
        return false;
    return writer.finish(message);
}
