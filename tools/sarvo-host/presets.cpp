#include "presets.h"

#include "output_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

constexpr std::uint32_t fourCC(const char (&s)[5])
{
    return (std::uint32_t(std::uint8_t(s[0])) << 24) | (std::uint32_t(std::uint8_t(s[1])) << 16) |
        (std::uint32_t(std::uint8_t(s[2])) << 8) | std::uint32_t(std::uint8_t(s[3]));
}
constexpr std::uint32_t kChunkMagic = fourCC("CcnK");
constexpr std::uint32_t kProgramParams = fourCC("FxCk");
constexpr std::uint32_t kProgramChunk = fourCC("FPCh");
constexpr std::uint32_t kBankParams = fourCC("FxBk");
constexpr std::uint32_t kBankChunk = fourCC("FBCh");
constexpr std::size_t kProgramHeader = 56;  // up to the parameters or the chunk size
constexpr std::size_t kBankHeader = 156;
constexpr std::size_t kNameSize = 28;

std::uint32_t be32(const unsigned char* p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

void put32(std::vector<unsigned char>& out, std::uint32_t v)
{
    out.push_back(static_cast<unsigned char>(v >> 24));
    out.push_back(static_cast<unsigned char>(v >> 16));
    out.push_back(static_cast<unsigned char>(v >> 8));
    out.push_back(static_cast<unsigned char>(v));
}

void putFloat(std::vector<unsigned char>& out, float f)
{
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    put32(out, bits);
}

void putName(std::vector<unsigned char>& out, const std::string& name)
{
    const std::size_t n = std::min(name.size(), kNameSize - 1);
    out.insert(out.end(), name.begin(), name.begin() + static_cast<std::ptrdiff_t>(n));
    out.insert(out.end(), kNameSize - n, 0);
}

// Fills in the byte size of a record that starts at `start` and runs to the end of `out`.
void patchSize(std::vector<unsigned char>& out, std::size_t start)
{
    const std::uint32_t size = static_cast<std::uint32_t>(out.size() - start - 8);
    for (int i = 0; i < 4; ++i) out[start + 4 + i] = static_cast<unsigned char>(size >> (24 - 8 * i));
}

std::string hexId(VstInt32 id)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(id));
    return buffer;
}

// The format version and the plug-in id, which a program record and a bank record keep at the same
// places (bytes 12 and 16): a version this host knows, and this plug-in's id.
bool checkVersionAndId(const unsigned char* p, const LoadedPlugin& plugin, const std::string& what,
                       std::string& message)
{
    const std::uint32_t version = be32(p + 12);
    if (version > 2) {
        message = what + " has the unknown format version " + std::to_string(version);
        return false;
    }
    const VstInt32 id = static_cast<VstInt32>(be32(p + 16));
    const VstInt32 own = plugin.effect()->uniqueID;
    if (id != own) {
        message = what + " is for the plug-in with id '" + fourCharacters(id) + "' (" + hexId(id) +
            "), not for this one, '" + fourCharacters(own) + "' (" + hexId(own) + ")";
        return false;
    }
    return true;
}

// Reads one program record (an .fxp file, or one program of a bank) at `p`, `available` bytes long.
// `used` answers the record's whole length.
// The chunk forms: a big-endian size after the header, then that many bytes, all within `end`.
bool readChunk(const unsigned char* p, std::size_t end, std::size_t header, const std::string& what, Preset& out,
               std::string& message)
{
    if (end < header + 4) {
        message = what + " is truncated: it has no chunk size";
        return false;
    }
    const std::uint32_t size = be32(p + header);
    if (size > end - header - 4) {
        message = what + " is truncated: its chunk of " + std::to_string(size) + " bytes does not fit";
        return false;
    }
    out.chunk.assign(p + header + 4, p + header + 4 + size);
    out.form = Preset::Chunk;
    return true;
}

bool readProgram(const unsigned char* p, std::size_t available, const LoadedPlugin& plugin, const std::string& what,
                 Preset& out, std::size_t& used, std::string& message)
{
    if (available < 8 || be32(p) != kChunkMagic) {
        message = what + " does not start with 'CcnK'";
        return false;
    }
    const std::uint32_t byteSize = be32(p + 4);
    if (byteSize > available - 8) {
        message = what + " is truncated: it declares " + std::to_string(byteSize + 8ull) + " bytes and " +
            std::to_string(available) + " are there";
        return false;
    }
    if (byteSize + 8ull < kProgramHeader) {
        message = what + " is corrupt: its byte size " + std::to_string(byteSize) + " is too small for a program";
        return false;
    }
    used = byteSize + 8ull;
    const std::uint32_t magic = be32(p + 8);
    const std::uint32_t count = be32(p + 24);
    if (magic != kProgramParams && magic != kProgramChunk) {
        message = what + " is corrupt: '" + fourCharacters(static_cast<VstInt32>(magic)) +
            "' is no program form (FxCk or FPCh)";
        return false;
    }
    if (!checkVersionAndId(p, plugin, what, message)) return false;
    const char* name = reinterpret_cast<const char*>(p + 28);
    out.names.push_back(std::string(name, strnlen(name, kNameSize)));
    if (magic == kProgramParams) {
        if (count != static_cast<std::uint32_t>(plugin.numParams())) {
            message = what + " holds " + std::to_string(count) + " parameters; the plug-in has " +
                std::to_string(plugin.numParams());
            return false;
        }
        if (kProgramHeader + 4ull * count > used) {
            message = what + " is truncated: its " + std::to_string(count) + " parameters do not fit";
            return false;
        }
        std::vector<float> values(count);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t bits = be32(p + kProgramHeader + 4 * i);
            std::memcpy(&values[i], &bits, 4);
            if (!(values[i] >= 0.0f && values[i] <= 1.0f)) {
                message = what + " is corrupt: parameter " + std::to_string(i) + " holds " + std::to_string(values[i]) +
                    ", outside 0..1";
                return false;
            }
        }
        out.values.push_back(std::move(values));
        out.form = Preset::Parameters;
    } else {
        if (!readChunk(p, used, kProgramHeader, what, out, message)) return false;
    }
    return true;
}

bool readBank(const unsigned char* p, std::size_t available, const LoadedPlugin& plugin, const std::string& what,
              Preset& out, std::string& message)
{
    const std::uint32_t byteSize = be32(p + 4);
    if (byteSize > available - 8) {
        message = what + " is truncated: it declares " + std::to_string(byteSize + 8ull) + " bytes and " +
            std::to_string(available) + " are there";
        return false;
    }
    const std::size_t end = byteSize + 8ull;
    if (end < kBankHeader) {
        message = what + " is " + (available < kBankHeader ? "truncated" : "corrupt") + ": a bank header is " +
            std::to_string(kBankHeader) + " bytes";
        return false;
    }
    const std::uint32_t magic = be32(p + 8);
    const std::uint32_t version = be32(p + 12);
    const std::uint32_t count = be32(p + 24);
    if (!checkVersionAndId(p, plugin, what, message)) return false;
    out.bank = true;
    if (version >= 2) {
        const VstInt32 current = static_cast<VstInt32>(be32(p + 28));
        if (current >= 0 && current < plugin.numPrograms()) out.currentProgram = current;
    }
    if (magic == kBankChunk) {
        return readChunk(p, end, kBankHeader, what, out, message);
    }
    if (count != static_cast<std::uint32_t>(plugin.numPrograms())) {
        message = what + " holds " + std::to_string(count) + " programs; the plug-in has " +
            std::to_string(plugin.numPrograms());
        return false;
    }
    std::size_t offset = kBankHeader;
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t used = 0;
        const std::string item = what + ", program " + std::to_string(i) + ",";
        if (!readProgram(p + offset, end - offset, plugin, item, out, used, message)) return false;
        if (out.form != Preset::Parameters) {
            message = item + " is corrupt: a parameter bank holds a chunk program";
            return false;
        }
        offset += used;
    }
    out.form = Preset::Parameters;
    return true;
}

}  // namespace

std::string fourCharacters(VstInt32 id)
{
    std::string s;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned char c = static_cast<unsigned char>(static_cast<std::uint32_t>(id) >> shift);
        s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return s;
}

bool readPreset(const std::string& path, bool raw, const LoadedPlugin& plugin, Preset& out, std::string& message)
{
    out = Preset();
    out.path = path;
    std::vector<unsigned char> bytes;
    if (!readInputFile(path, bytes, message)) return false;
    const std::string what = "'" + path + "'";
    if (raw) {
        const std::size_t programSize = plugin.chunk(true).size();
        const std::size_t bankSize = plugin.chunk(false).size();
        if (programSize == 0 && bankSize == 0) {
            message = "the plug-in gives no chunks, so " + what + " cannot be loaded as one";
            return false;
        }
        if (bankSize && bytes.size() == bankSize)
            out.bank = true;
        else if (!(programSize && bytes.size() == programSize)) {
            message = what + " is " + std::to_string(bytes.size()) + " bytes: neither a program chunk (" +
                std::to_string(programSize) + " bytes) nor a bank chunk (" + std::to_string(bankSize) +
                " bytes) of this plug-in";
            return false;
        }
        out.form = Preset::RawChunk;
        out.chunk = std::move(bytes);
        return true;
    }
    if (bytes.size() < 28 || be32(bytes.data()) != kChunkMagic) {
        message = what + " is not a preset file: it does not start with 'CcnK' (raw chunk files load with --chunk)";
        if (bytes.size() >= 4 && bytes.size() < 28 && be32(bytes.data()) == kChunkMagic)
            message = what + " is truncated: it ends inside the header";
        return false;
    }
    const std::uint32_t magic = be32(bytes.data() + 8);
    if (magic == kBankParams || magic == kBankChunk)
        return readBank(bytes.data(), bytes.size(), plugin, what, out, message);
    std::size_t used = 0;
    return readProgram(bytes.data(), bytes.size(), plugin, what, out, used, message);
}

bool applyPreset(const Preset& preset, LoadedPlugin& plugin, std::string& message)
{
    if (preset.form == Preset::Parameters) {
        if (preset.bank) {
            const VstIntPtr current = plugin.dispatch(effGetProgram);
            for (int p = 0; p < static_cast<int>(preset.values.size()); ++p) {
                plugin.dispatch(effBeginSetProgram);
                plugin.dispatch(effSetProgram, 0, p);
                plugin.dispatch(effEndSetProgram);
                std::vector<char> name(preset.names[p].begin(), preset.names[p].end());
                name.push_back(0);
                plugin.dispatch(effSetProgramName, 0, 0, name.data());
                for (int i = 0; i < static_cast<int>(preset.values[p].size()); ++i)
                    plugin.setParameter(i, preset.values[p][i]);
            }
            plugin.dispatch(effSetProgram, 0, preset.currentProgram >= 0 ? preset.currentProgram : current);
        } else {
            std::vector<char> name(preset.names[0].begin(), preset.names[0].end());
            name.push_back(0);
            plugin.dispatch(effSetProgramName, 0, 0, name.data());
            for (int i = 0; i < static_cast<int>(preset.values[0].size()); ++i)
                plugin.setParameter(i, preset.values[0][i]);
        }
        return true;
    }
    std::vector<unsigned char> copy = preset.chunk;
    if (copy.empty()) copy.push_back(0);
    const VstIntPtr taken =
        plugin.dispatch(effSetChunk, preset.bank ? 0 : 1, static_cast<VstIntPtr>(preset.chunk.size()), copy.data());
    if (taken == 0) {
        message = "the plug-in refused the chunk in '" + preset.path + "'";
        return false;
    }
    if (preset.bank && preset.currentProgram >= 0) plugin.dispatch(effSetProgram, 0, preset.currentProgram);
    return true;
}

bool buildPresetFile(LoadedPlugin& plugin, bool bank, std::vector<unsigned char>& out, std::string& message)
{
    const AEffect* e = plugin.effect();
    out.clear();
    const VstIntPtr current = plugin.dispatch(effGetProgram);
    auto header = [&](std::uint32_t magic, std::uint32_t version, std::uint32_t count) {
        put32(out, kChunkMagic);
        put32(out, 0);  // byte size, filled in at the end
        put32(out, magic);
        put32(out, version);
        put32(out, static_cast<std::uint32_t>(e->uniqueID));
        put32(out, static_cast<std::uint32_t>(e->version));
        put32(out, count);
    };
    auto programRecord = [&]() {
        const std::size_t start = out.size();
        header(kProgramParams, 1, static_cast<std::uint32_t>(plugin.numParams()));
        putName(out, plugin.text(effGetProgramName));
        for (int i = 0; i < plugin.numParams(); ++i) putFloat(out, plugin.getParameter(i));
        patchSize(out, start);
    };
    if (plugin.programChunks()) {
        const std::vector<unsigned char> chunk = plugin.chunk(!bank);
        if (chunk.empty()) {
            message = "the plug-in gave no chunk";
            return false;
        }
        if (bank) {
            header(kBankChunk, 2, static_cast<std::uint32_t>(plugin.numPrograms()));
            put32(out, static_cast<std::uint32_t>(current));
            out.insert(out.end(), 124, 0);
        } else {
            header(kProgramChunk, 1, static_cast<std::uint32_t>(plugin.numParams()));
            putName(out, plugin.text(effGetProgramName));
        }
        put32(out, static_cast<std::uint32_t>(chunk.size()));
        out.insert(out.end(), chunk.begin(), chunk.end());
        patchSize(out, 0);
        return true;
    }
    if (!bank) {
        programRecord();
        return true;
    }
    header(kBankParams, 2, static_cast<std::uint32_t>(plugin.numPrograms()));
    put32(out, static_cast<std::uint32_t>(current));
    out.insert(out.end(), 124, 0);
    for (int p = 0; p < plugin.numPrograms(); ++p) {
        plugin.dispatch(effBeginSetProgram);
        plugin.dispatch(effSetProgram, 0, p);
        plugin.dispatch(effEndSetProgram);
        programRecord();
    }
    plugin.dispatch(effBeginSetProgram);
    plugin.dispatch(effSetProgram, 0, current);
    plugin.dispatch(effEndSetProgram);
    patchSize(out, 0);
    return true;
}
