#include "skin/skin_parser.h"

#include "controls/control.h"
#include "model/feature.h"
#include "skin/resource_registry.h"
#include "skin/skin.h"
#include "skin/skin_factory.h"
#include "skin_resources/skin_reader.h"

#include <new>
#include <vector>

const char* const kSkinResourceType = "SKIN_FILE";
const char* const kSkinResourceName = "ONDX_SKIN";

namespace {

// Makes room for one more entry, growing the list by 32 at a time, so the append that follows a
// successful creation cannot fail.
template <typename T>
void makeRoom(std::vector<T>& list)
{
    if (list.size() == list.capacity()) list.reserve(list.capacity() + 32);
}

// Runs a Set line (n tokens, n >= 1); false when it fails.
bool runSet(ZSkin& skin, const ZLineReader& reader, int32_t n)
{
    const char* key = reader.token(1);
    if (n == 3 && sameTextIgnoringCase(key, "Width")) {
        skin.width = skinInteger(reader.token(2));
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "Height")) {
        skin.height = skinInteger(reader.token(2));
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "PageCount")) {
        const int32_t pages = skinInteger(reader.token(2));
        if (pages > kMaxSkinPages) return false;
        skin.pageCount = pages;
        skin.pageFrames.assign(pages > 0 ? static_cast<std::size_t>(pages) : 0u, 0);
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "BackgroundImage")) {
        ZImageResource* image = lookupImage(&skin, reader.token(2));
        if (!image) return false;
        skin.background = image;
        return true;
    }
    if (n == 4 && sameTextIgnoringCase(key, "PageFrame")) {
        const int32_t page = skinInteger(reader.token(2));
        if (page < 1 || page > skin.pageCount || static_cast<std::size_t>(page) > skin.pageFrames.size()) return false;
        skin.pageFrames[static_cast<std::size_t>(page) - 1] =
            static_cast<int32_t>(int64_t(skinInteger(reader.token(3))) - 1);
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "StartPage")) {
        const int32_t page = skinInteger(reader.token(2));
        if (page < 1 || page > skin.pageCount) return false;
        skin.startPage = page;
        return true;
    }
    return false;
}

// Runs one tokenized line; false when it fails.
bool runLine(ZSkin& skin, ZSkinFactory& factory, const ZLineReader& reader, int32_t n)
{
    if (reader.tooManyTokens()) return false;
    const char* command = reader.token(0);
    const char* const* tokens = reader.tokens();
    if (sameTextIgnoringCase(command, "Set")) return runSet(skin, reader, n);
    if (sameTextIgnoringCase(command, "AddResource") && n >= 3) {
        makeRoom(skin.resources);
        ZResource* resource = factory.createResource(&skin, tokens[2], n - 3, tokens + 3);
        if (!resource) return false;
        resource->setName(tokens[1]);
        skin.resources.push_back(resource);
        return true;
    }
    if (sameTextIgnoringCase(command, "AddControl") && n >= 7) {
        makeRoom(skin.controls);
        ZControl* control = factory.createControl(&skin, tokens[6], n - 7, tokens + 7);
        if (!control) return false;
        control->page = skinInteger(tokens[1]);
        control->x = skinInteger(tokens[2]);
        control->y = skinInteger(tokens[3]);
        control->width = skinInteger(tokens[4]);
        control->height = skinInteger(tokens[5]);
        skin.controls.push_back(control);
        return true;
    }
    return false;
}

}  // namespace

ZSkin* parseSkin(ZSkinFactory* factory, ZStream* source)
{
    if (!factory) return nullptr;
    ZSkin* skin = nullptr;
    try {
        skin = new ZSkin(factory->effect());
        ZLineReader reader(source);
        bool failed = false;
        while (reader.readLine()) {
            const int32_t n = reader.tokenize();
            if (n == 0) continue;
            if (!runLine(*skin, *factory, reader, n)) {
                failed = true;
                break;
            }
        }
        const bool reachedEnd = !failed && reader.bytesRead() > 0;
        if (!reachedEnd && !skin->background && skin->pageCount < 1 && skin->height < 1 && skin->width < 1) {
            delete skin;
            return nullptr;
        }
        return skin;
    } catch (...) {
        // Out of memory while growing a list: no skin.
        delete skin;
        return nullptr;
    }
}

ZSkin* parseModuleSkin(ZSkinFactory* factory)
{
    ZResourceStream source(kSkinResourceType, kSkinResourceName);
    return parseSkin(factory, &source);
}
