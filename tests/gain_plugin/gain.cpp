// A tiny stereo gain, the second plug-in of the host tests: one parameter ("Gain", -24 to +12 dB),
// three programs, no editor. Built against the VST 2.x interface header only. With GAIN_PROGRAM_CHUNKS
// it keeps its programs as chunks (its own small format) and has another id.
#include "host/vst_abi.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#if defined(_WIN32)
#define GAIN_EXPORT extern "C" __declspec(dllexport)
#else
#define GAIN_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

constexpr int kPrograms = 3;
constexpr int kNameSize = 24;
constexpr double kMinDb = -24.0, kMaxDb = 12.0;
#if defined(GAIN_PROGRAM_CHUNKS)
constexpr VstInt32 kId = ('T' << 24) | ('s' << 16) | ('G' << 8) | 'c';
#else
constexpr VstInt32 kId = ('T' << 24) | ('s' << 16) | ('G' << 8) | 'n';
#endif
constexpr unsigned char kChunkTag[4] = {'T', 'G', 'c', 'h'};

struct Program {
    char name[kNameSize];
    float value;  // normalised
};

// The chunk: the tag, the program count, then each program's name and value.
struct Chunk {
    unsigned char tag[4];
    VstInt32 count;
    Program programs[kPrograms];
};

struct Gain {
    AEffect effect;
    audioMasterCallback host;
    Program programs[kPrograms];
    int current = 0;
    Chunk chunk;

    double db() const { return kMinDb + programs[current].value * (kMaxDb - kMinDb); }
    float factor() const { return static_cast<float>(std::pow(10.0, db() / 20.0)); }
};

Gain* self(AEffect* e) { return static_cast<Gain*>(e->object); }

// Copies at most size - 1 characters and a terminating zero.
void copyText(void* ptr, const char* text, std::size_t size)
{
    if (!ptr || size == 0) return;
    char* out = static_cast<char*>(ptr);
    std::size_t i = 0;
    for (; i + 1 < size && text[i]; ++i) out[i] = text[i];
    out[i] = 0;
}

VstIntPtr dispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float)
{
    Gain* g = self(e);
    switch (opcode) {
        case effClose: delete g; return 1;
        case effSetProgram:
            if (value >= 0 && value < kPrograms) g->current = static_cast<int>(value);
            return 0;
        case effGetProgram: return g->current;
        case effSetProgramName:
            copyText(g->programs[g->current].name, ptr ? static_cast<const char*>(ptr) : "", kNameSize);
            return 0;
        case effGetProgramName: copyText(ptr, g->programs[g->current].name, kNameSize); return 0;
        case effGetProgramNameIndexed:
            if (index < 0 || index >= kPrograms) return 0;
            copyText(ptr, g->programs[index].name, kNameSize);
            return 1;
        case effGetParamName: copyText(ptr, index == 0 ? "Gain" : "", 9); return 0;
        case effGetParamLabel: copyText(ptr, index == 0 ? "dB" : "", 9); return 0;
        case effGetParamDisplay: {
            char text[32];
            std::snprintf(text, sizeof text, "%.2f", index == 0 ? g->db() : 0.0);
            copyText(ptr, text, 9);
            return 0;
        }
        case effString2Parameter: {
            // Takes a number in dB, optionally followed by the unit; refuses anything else.
            if (index != 0 || !ptr) return 0;
            const char* text = static_cast<const char*>(ptr);
            char* end = nullptr;
            const double db = std::strtod(text, &end);
            while (*end == ' ') ++end;
            if (end == text || !std::isfinite(db) || (*end && std::strcmp(end, "dB") != 0)) return 0;
            const double v = (db - kMinDb) / (kMaxDb - kMinDb);
            g->programs[g->current].value = static_cast<float>(v < 0 ? 0 : v > 1 ? 1 : v);
            return 1;
        }
        case effCanBeAutomated: return index == 0;
#if defined(GAIN_PROGRAM_CHUNKS)
        case effGetChunk: {
            std::memcpy(g->chunk.tag, kChunkTag, 4);
            if (index) {
                g->chunk.count = 1;
                g->chunk.programs[0] = g->programs[g->current];
            } else {
                g->chunk.count = kPrograms;
                std::memcpy(g->chunk.programs, g->programs, sizeof g->programs);
            }
            *static_cast<void**>(ptr) = &g->chunk;
            return static_cast<VstIntPtr>(8 + sizeof(Program) * g->chunk.count);
        }
        case effSetChunk: {
            Chunk c;
            const int count = index ? 1 : kPrograms;
            if (!ptr || value != static_cast<VstIntPtr>(8 + sizeof(Program) * count)) return 0;
            std::memcpy(&c, ptr, static_cast<std::size_t>(value));
            if (std::memcmp(c.tag, kChunkTag, 4) != 0 || c.count != count) return 0;
            for (int i = 0; i < count; ++i)
                if (!(c.programs[i].value >= 0.0f && c.programs[i].value <= 1.0f)) return 0;
            for (int i = 0; i < count; ++i) {
                Program& p = index ? g->programs[g->current] : g->programs[i];
                p = c.programs[i];
                p.name[kNameSize - 1] = 0;
            }
            return 1;
        }
#endif
        case effGetPlugCategory: return 1;
        case effGetEffectName: copyText(ptr, "Test Gain", 32); return 1;
        case effGetVendorString: copyText(ptr, "Host tests", 64); return 1;
        case effGetProductString: copyText(ptr, "Test Gain", 64); return 1;
        case effGetVendorVersion: return 100;
        case effCanDo: {
            const char* text = static_cast<const char*>(ptr);
            return text && std::strcmp(text, "2in2out") == 0 ? 1 : 0;
        }
        case effGetVstVersion: return 2400;
        default: return 0;
    }
}

void processReplacing(AEffect* e, float** in, float** out, VstInt32 frames)
{
    const float k = self(e)->factor();
    for (int c = 0; c < 2; ++c)
        for (VstInt32 i = 0; i < frames; ++i) out[c][i] = in[c][i] * k;
}

void processDouble(AEffect* e, double** in, double** out, VstInt32 frames)
{
    const double k = self(e)->factor();
    for (int c = 0; c < 2; ++c)
        for (VstInt32 i = 0; i < frames; ++i) out[c][i] = in[c][i] * k;
}

void setParameter(AEffect* e, VstInt32 index, float v)
{
    if (index == 0 && v >= 0.0f && v <= 1.0f) self(e)->programs[self(e)->current].value = v;
}

float getParameter(AEffect* e, VstInt32 index) { return index == 0 ? self(e)->programs[self(e)->current].value : 0.0f; }

}  // namespace

GAIN_EXPORT AEffect* VSTPluginMain(audioMasterCallback host)
{
    if (!host || host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    Gain* g = new (std::nothrow) Gain();
    if (!g) return nullptr;
    static const char* const kNames[kPrograms] = {"Unity", "Quiet", "Loud"};
    static const float kValues[kPrograms] = {24.0f / 36.0f, 12.0f / 36.0f, 30.0f / 36.0f};
    for (int i = 0; i < kPrograms; ++i) {
        copyText(g->programs[i].name, kNames[i], kNameSize);
        g->programs[i].value = kValues[i];
    }
    g->host = host;
    AEffect& e = g->effect;
    e.magic = kEffectMagic;
    e.dispatcher = dispatcher;
    e.setParameter = setParameter;
    e.getParameter = getParameter;
    e.numPrograms = kPrograms;
    e.numParams = 1;
    e.numInputs = 2;
    e.numOutputs = 2;
    e.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
#if defined(GAIN_PROGRAM_CHUNKS)
    e.flags |= effFlagsProgramChunks;
#endif
    e.object = g;
    e.uniqueID = kId;
    e.version = 3;
    e.processReplacing = processReplacing;
    e.processDoubleReplacing = processDouble;
    return &e;
}
