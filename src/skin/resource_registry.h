// The skin's resource registry: lookup by name, and the factory of resources from AddResource lines.
#pragma once

#include <cstdint>

#include "skin_resources/resources.h"

class ZSkin;

// The last resource of the skin whose name equals `name` ignoring case, or null.
ZResource* lookupResource(const ZSkin* skin, const char* name);
// The same, answering only a resource whose type name is `type` (ignoring case).
ZResource* lookupResourceOfType(const ZSkin* skin, const char* name, const char* type);
ZImageResource* lookupImage(const ZSkin* skin, const char* name);
ZColourResource* lookupColour(const ZSkin* skin, const char* name);
ZFontResource* lookupFont(const ZSkin* skin, const char* name);

// Makes a resource from an AddResource line's type keyword and arguments: "RGBColour",
// "PngResource", "DefFont" or "SkinFont" (ignoring case) with exactly their argument count.
// Null for anything else or when the resource cannot be made. The caller names and owns it.
ZResource* createSkinResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv);
