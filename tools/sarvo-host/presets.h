#pragma once
// The VST 2.x preset files that hosts exchange, and raw chunk files.
//
// Both preset files are big-endian. A program file (.fxp) is 'CcnK', the byte size of the rest, 'FxCk'
// (parameters) or 'FPCh' (chunk), format version 1, the plug-in's id and version, the parameter count,
// a 28-byte program name, then the parameters as floats or the chunk's size and bytes. A bank file
// (.fxb) is 'CcnK', byte size, 'FxBk' or 'FBCh', format version (1, or 2 with the current program),
// plug-in id and version, the program count, 128 reserved bytes (the current program in the first four
// of version 2), then one whole program record per program or the chunk's size and bytes.
#include "host.h"

#include <string>
#include <vector>

struct Preset {
    enum Form { Parameters, Chunk, RawChunk };
    bool bank = false;
    Form form = Parameters;
    std::string path;
    int currentProgram = -1;  // banks of format version 2
    std::vector<std::string> names;  // per program
    std::vector<std::vector<float>> values;  // per program, parameter forms
    std::vector<unsigned char> chunk;  // chunk forms and raw chunks
};

// Reads and checks a preset (.fxp/.fxb, told by its content) or, with `raw`, a chunk file (a program or
// a bank, told by the sizes the plug-in gives). Nothing is changed in the plug-in; false with a message
// for a file of another plug-in, a truncated or corrupt file.
bool readPreset(const std::string& path, bool raw, const LoadedPlugin& plugin, Preset& out, std::string& message);

// Applies a checked preset: a bank to every program, a program to the current one.
bool applyPreset(const Preset& preset, LoadedPlugin& plugin, std::string& message);

// Builds a preset file of the plug-in's state: the parameter forms, reaching every program through
// effSetProgram, or the chunk forms for a plug-in whose programs are chunks.
bool buildPresetFile(LoadedPlugin& plugin, bool bank, std::vector<unsigned char>& out, std::string& message);

// The four-character form of an id: 'vqKe'.
std::string fourCharacters(VstInt32 id);
