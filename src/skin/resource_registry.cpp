#include "skin/resource_registry.h"

#include <memory>
#include <new>
#include <utility>

#include "model/text.h"
#include "skin/skin.h"

ZResource* lookupResource(const ZSkin* skin, const char* name)
{
    if (!skin || !name) return nullptr;
    for (auto it = skin->resources.rbegin(); it != skin->resources.rend(); ++it)
        if (*it && sameTextIgnoringCase((*it)->name(), name)) return *it;
    return nullptr;
}

ZResource* lookupResourceOfType(const ZSkin* skin, const char* name, const char* type)
{
    ZResource* r = lookupResource(skin, name);
    return r && r->isOfType(type) ? r : nullptr;
}

ZImageResource* lookupImage(const ZSkin* skin, const char* name)
{
    return static_cast<ZImageResource*>(lookupResourceOfType(skin, name, kImageResourceType));
}

ZColourResource* lookupColour(const ZSkin* skin, const char* name)
{
    return static_cast<ZColourResource*>(lookupResourceOfType(skin, name, kColourResourceType));
}

ZFontResource* lookupFont(const ZSkin* skin, const char* name)
{
    return static_cast<ZFontResource*>(lookupResourceOfType(skin, name, kFontResourceType));
}

ZResource* createSkinResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv)
{
    if (!type || argc < 0 || (argc > 0 && !argv)) return nullptr;
    if (sameTextIgnoringCase(type, "RGBColour")) {
        if (argc != 3) return nullptr;
        const ZColour c{static_cast<uint8_t>(skinInteger(argv[0]) & 0xFF),
                        static_cast<uint8_t>(skinInteger(argv[1]) & 0xFF),
                        static_cast<uint8_t>(skinInteger(argv[2]) & 0xFF), 255};
        return new (std::nothrow) ZColourResource(c);
    }
    if (sameTextIgnoringCase(type, "PngResource")) {
        if (argc != 5) return nullptr;
        // The module's decoded picture, shared with the other skins of this module that hold it
        // (and its larger sets for the editor's scales).
        return ZImageResource::fromModule(argv[0], argv[1], skinInteger(argv[2]), skinInteger(argv[3]),
                                          skinInteger(argv[4]));
    }
    if (sameTextIgnoringCase(type, "DefFont")) {
        if (argc != 2) return nullptr;
        const int32_t height = skinInteger(argv[0]);
        ZColourResource* colour = lookupColour(skin, argv[1]);
        if (height < 1 || !colour) return nullptr;
        ZDefFont* font = ZDefFont::create(height, colour->colour);
        if (!font) return nullptr;
        ZFontResource* r = new (std::nothrow) ZFontResource(font);
        if (!r) delete font;
        return r;
    }
    if (sameTextIgnoringCase(type, "SkinFont")) {
        if (argc != 2) return nullptr;
        ZSkinFont* font = ZSkinFont::load(argv[0], argv[1]);
        if (!font) return nullptr;
        ZFontResource* r = new (std::nothrow) ZFontResource(font);
        if (!r) delete font;
        return r;
    }
    return nullptr;
}
