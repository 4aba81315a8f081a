// The skin parser: reads a skin text line by line into a ZSkin.
//
// Commands (keywords, commands and keys ignoring case; numbers read like atol):
//   Set Width w | Set Height h | Set PageCount p | Set BackgroundImage name
//   Set PageFrame page frame | Set StartPage page
//   AddResource name type arguments...
//   AddControl page x y width height type arguments...
// The first line that fails ends the parse; what was declared before it stays in the skin.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class ZSkin;
class ZSkinFactory;
class ZStream;

// Largest page count a skin may declare; a larger one fails its line.
constexpr int32_t kMaxSkinPages = 4096;

// The module resource holding the built-in skin text.
extern const char* const kSkinResourceType;  // "SKIN_FILE"
extern const char* const kSkinResourceName;  // "ONDX_SKIN"

// Why a parse stopped early: the line that failed and what was wrong with it.
struct ZSkinError {
    // The text's line number, from 1; 0 when no line is to blame (no text, no factory, no memory).
    int32_t line = 0;
    // What was wrong, in a few words; empty when the whole text was read.
    std::string reason;
};

// Parses the text from `source` with the factory (which also gives the skin its owner). Answers a
// new skin, owned by the caller, or null when the text was empty or missing, or stopped at a
// failing line before declaring any of background, page count, height or width. `error`, when
// given, says why the parse stopped early (also when a skin is answered: it then holds what was
// declared before the failing line), or is cleared when the whole text was read.
ZSkin* parseSkin(ZSkinFactory* factory, ZStream* source, ZSkinError* error = nullptr);

// Parses the module's built-in skin resource.
ZSkin* parseModuleSkin(ZSkinFactory* factory, ZSkinError* error = nullptr);
