#include "audio_file.h"

#include <fcntl.h>
#include <sndfile.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

namespace {

struct Container {
    const char* name;
    const char* extensions;  // blank-separated
    int major;
    int defaultSubtype;
    int bitsAllowed;  // bit set over kBits
};

struct Bits {
    const char* name;
    int subtype;
};
const Bits kBits[] = {
    {"16", SF_FORMAT_PCM_16}, {"24", SF_FORMAT_PCM_24}, {"32", SF_FORMAT_PCM_32}, {"float", SF_FORMAT_FLOAT}};
constexpr int kAllBits = 0xF;

const Container kContainers[] = {
    {"wav", "wav", SF_FORMAT_WAV, SF_FORMAT_FLOAT, kAllBits},
    {"w64", "w64", SF_FORMAT_W64, SF_FORMAT_FLOAT, kAllBits},
    {"rf64", "rf64", SF_FORMAT_RF64, SF_FORMAT_FLOAT, kAllBits},
    {"aiff", "aiff aif aifc", SF_FORMAT_AIFF, SF_FORMAT_PCM_24, kAllBits},
    {"caf", "caf", SF_FORMAT_CAF, SF_FORMAT_FLOAT, kAllBits},
    {"au", "au snd", SF_FORMAT_AU, SF_FORMAT_FLOAT, kAllBits},
    {"flac", "flac", SF_FORMAT_FLAC, SF_FORMAT_PCM_24, 0x3},
    {"ogg", "ogg oga", SF_FORMAT_OGG, SF_FORMAT_VORBIS, 0},
    {"opus", "opus", SF_FORMAT_OGG, SF_FORMAT_OPUS, 0},
    {"mp3", "mp3", SF_FORMAT_MPEG, SF_FORMAT_MPEG_LAYER_III, 0},
};

bool available(const Container& c)
{
    SF_INFO probe{};
    probe.channels = 2;
    probe.samplerate = 48000;
    probe.format = c.major | c.defaultSubtype;
    return sf_format_check(&probe) != 0;
}

bool hasExtension(const Container& c, const std::string& ext)
{
    std::string list = std::string(" ") + c.extensions + " ";
    return list.find(" " + ext + " ") != std::string::npos;
}

// libsndfile virtual I/O over an in-memory file (standard input).
sf_count_t memLength(void* user)
{
    return static_cast<sf_count_t>(static_cast<AudioReader::Memory*>(user)->bytes.size());
}
sf_count_t memSeek(sf_count_t offset, int whence, void* user)
{
    auto* m = static_cast<AudioReader::Memory*>(user);
    const sf_count_t size = static_cast<sf_count_t>(m->bytes.size());
    sf_count_t p = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m->position + offset : size + offset;
    m->position = std::clamp<sf_count_t>(p, 0, size);
    return m->position;
}
sf_count_t memRead(void* ptr, sf_count_t count, void* user)
{
    auto* m = static_cast<AudioReader::Memory*>(user);
    const sf_count_t n = std::min<sf_count_t>(count, static_cast<sf_count_t>(m->bytes.size()) - m->position);
    if (n <= 0) return 0;
    std::memcpy(ptr, m->bytes.data() + m->position, static_cast<std::size_t>(n));
    m->position += n;
    return n;
}
sf_count_t memWrite(const void*, sf_count_t, void*) { return 0; }
sf_count_t memTell(void* user) { return static_cast<AudioReader::Memory*>(user)->position; }

// libsndfile virtual I/O onto an OutputFile.
sf_count_t outLength(void* user) { return static_cast<OutputFile*>(user)->size(); }
sf_count_t outSeek(sf_count_t offset, int whence, void* user)
{
    auto* o = static_cast<OutputFile*>(user);
    const sf_count_t p = whence == SEEK_SET ? offset : whence == SEEK_CUR ? o->tell() + offset : o->size() + offset;
    o->seek(p);
    return o->tell();
}
sf_count_t outRead(void* ptr, sf_count_t count, void* user)
{
    return static_cast<sf_count_t>(static_cast<OutputFile*>(user)->read(ptr, static_cast<std::size_t>(count)));
}
sf_count_t outWrite(const void* ptr, sf_count_t count, void* user)
{
    return static_cast<OutputFile*>(user)->write(ptr, static_cast<std::size_t>(count)) ? count : 0;
}
sf_count_t outTell(void* user) { return static_cast<OutputFile*>(user)->tell(); }

}  // namespace

AudioReader::~AudioReader()
{
    if (file_) sf_close(static_cast<SNDFILE*>(file_));
}

bool AudioReader::open(const std::string& path, std::string& message)
{
    SF_INFO sfinfo{};
    SNDFILE* f = nullptr;
    if (path == "-") {
        if (!readInputFile(path, memory_.bytes, message)) return false;
        static SF_VIRTUAL_IO io = {memLength, memSeek, memRead, memWrite, memTell};
        f = sf_open_virtual(&io, SFM_READ, &sfinfo, &memory_);
    } else {
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            message = "cannot read '" + path + "': " + std::strerror(errno);
            return false;
        }
        f = sf_open_fd(fd, SFM_READ, &sfinfo, SF_TRUE);
        if (!f) ::close(fd);
    }
    if (!f) {
        message = "cannot read '" + path + "' as audio: " + sf_strerror(nullptr);
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

std::string knownFormats()
{
    std::string out;
    for (const Container& c : kContainers) {
        if (!available(c)) continue;
        if (!out.empty()) out += ", ";
        out += c.name;
        if (std::strcmp(c.name, c.extensions) != 0) {
            std::string list = std::string(" ") + c.extensions;
            for (std::size_t p = 0; (p = list.find(' ', p)) != std::string::npos; p += 2)
                list.replace(p, 1, p ? ", ." : ".");
            out += " (" + list + ")";
        }
    }
    return out;
}

bool chooseOutputFormat(const std::string& path, const std::string& formatName, const std::string& bits,
                        int inputFormat, int& format, std::string& message)
{
    const Container* chosen = nullptr;
    if (!formatName.empty()) {
        for (const Container& c : kContainers)
            if (formatName == c.name && available(c)) chosen = &c;
        if (!chosen) {
            message = "unknown --format '" + formatName + "'; known formats: " + knownFormats();
            return false;
        }
    } else {
        const std::string ext = lowerExtension(path);
        if (!ext.empty()) {
            for (const Container& c : kContainers)
                if (hasExtension(c, ext) && available(c)) chosen = &c;
            if (!chosen) {
                message = "cannot tell the audio format of '" + path + "' from '." + ext +
                    "'; known formats: " + knownFormats() + " (or give --format)";
                return false;
            }
        } else {
            for (const Container& c : kContainers)
                if (c.major == (inputFormat & SF_FORMAT_TYPEMASK) && available(c)) {
                    chosen = &c;
                    break;
                }
            if (!chosen) chosen = &kContainers[0];
        }
    }
    int subtype = chosen->defaultSubtype;
    if (!bits.empty()) {
        int index = -1;
        for (int i = 0; i < 4; ++i)
            if (bits == kBits[i].name) index = i;
        if (index < 0) {
            message = "--bits takes 16, 24, 32 or float, not '" + bits + "'";
            return false;
        }
        if (!(chosen->bitsAllowed & (1 << index))) {
            message = std::string(chosen->name) + " files cannot hold " +
                (bits == "float" ? std::string("float") : bits + "-bit") + " samples";
            if (chosen->bitsAllowed == 0) message += " (the format has its own encoding; leave out --bits)";
            return false;
        }
        subtype = kBits[index].subtype;
    } else if ((inputFormat & SF_FORMAT_TYPEMASK) == chosen->major &&
               (chosen->major != SF_FORMAT_OGG || (inputFormat & SF_FORMAT_SUBMASK) == chosen->defaultSubtype)) {
        subtype = inputFormat & SF_FORMAT_SUBMASK;
    } else if (chosen->bitsAllowed) {
        const int in = inputFormat & SF_FORMAT_SUBMASK;
        for (int i = 0; i < 4; ++i)
            if (in == kBits[i].subtype && (chosen->bitsAllowed & (1 << i))) subtype = in;
        if (in == SF_FORMAT_DOUBLE && chosen->bitsAllowed == kAllBits) subtype = in;
    }
    format = chosen->major | subtype;
    return true;
}

std::string describeFormat(int format)
{
    std::string out = "?";
    for (const Container& c : kContainers)
        if (c.major == (format & SF_FORMAT_TYPEMASK) &&
            (c.major != SF_FORMAT_OGG || c.defaultSubtype == (format & SF_FORMAT_SUBMASK))) {
            out = c.name;
            break;
        }
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_16: return out + ", 16-bit";
        case SF_FORMAT_PCM_24: return out + ", 24-bit";
        case SF_FORMAT_PCM_32: return out + ", 32-bit";
        case SF_FORMAT_FLOAT: return out + ", float";
        case SF_FORMAT_DOUBLE: return out + ", double";
        default: return out;
    }
}

AudioWriter::~AudioWriter()
{
    if (file_) sf_close(static_cast<SNDFILE*>(file_));
}

bool AudioWriter::open(const std::string& path, int channels, int sampleRate, int format, std::string& message)
{
    SF_INFO sfinfo{};
    sfinfo.channels = channels;
    sfinfo.samplerate = sampleRate;
    sfinfo.format = format;
    if (!sf_format_check(&sfinfo)) {
        message = "cannot write '" + path + "' as " + describeFormat(format) + " with " + std::to_string(channels) +
            " channel(s) at " + std::to_string(sampleRate) + " Hz";
        return false;
    }
    if (!out_.open(path, message)) return false;
    static SF_VIRTUAL_IO io = {outLength, outSeek, outRead, outWrite, outTell};
    SNDFILE* f = sf_open_virtual(&io, SFM_WRITE, &sfinfo, &out_);
    if (!f) {
        message = "cannot write '" + path + "': " + sf_strerror(nullptr);
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
        message = out_.error();
        return false;
    }
    return true;
}

bool AudioWriter::finish(std::string& message)
{
    if (!file_) return false;
    const int rc = sf_close(static_cast<SNDFILE*>(file_));
    file_ = nullptr;
    if (rc != 0) {
        message = "cannot write '" + out_.path() + "': " + sf_error_number(rc);
        return false;
    }
    return out_.finish(message);
}
