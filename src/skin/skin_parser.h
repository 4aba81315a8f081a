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

class ZSkin;
class ZSkinFactory;
class ZStream;

// Largest page count a skin may declare; a larger one fails its line.
constexpr int32_t kMaxSkinPages = 4096;

// The module resource holding the built-in skin text.
extern const char* const kSkinResourceType;  // "SKIN_FILE"
extern const char* const kSkinResourceName;  // "ONDX_SKIN"

// Parses the text from `source` with the factory (which also gives the skin its owner). Answers a
// new skin, owned by the caller, or null when the text was empty or missing, or stopped at a
// failing line before declaring any of background, page count, height or width.
ZSkin* parseSkin(ZSkinFactory* factory, ZStream* source);

// Parses the module's built-in skin resource.
ZSkin* parseModuleSkin(ZSkinFactory* factory);
