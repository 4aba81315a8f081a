#include "skin/skin_parser.h"

#include "controls/control.h"
#include "model/feature.h"
#include "skin/resource_registry.h"
#include "skin/skin.h"
#include "skin/skin_factory.h"
#include "skin_resources/skin_reader.h"

#include <initializer_list>
#include <new>
#include <string>
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

// Fails a line: `reason` (when wanted) gets the parts of the text, put together.
bool fail(std::string* reason, std::initializer_list<const char*> parts)
{
    if (reason) {
        reason->clear();
        for (const char* part : parts) reason->append(part ? part : "");
    }
    return false;
}

// Runs a Set line (n tokens, n >= 1); false when it fails, with the reason.
bool runSet(ZSkin& skin, const ZLineReader& reader, int32_t n, std::string* reason)
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
        if (pages > kMaxSkinPages)
            return fail(reason, {"the page count ", reader.token(2), " is above ",
                                 std::to_string(kMaxSkinPages).c_str()});
        skin.pageCount = pages;
        skin.pageFrames.assign(pages > 0 ? static_cast<std::size_t>(pages) : 0u, 0);
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "BackgroundImage")) {
        ZImageResource* image = lookupImage(&skin, reader.token(2));
        if (!image) return fail(reason, {"no image resource is named '", reader.token(2), "'"});
        skin.background = image;
        return true;
    }
    if (n == 4 && sameTextIgnoringCase(key, "PageFrame")) {
        const int32_t page = skinInteger(reader.token(2));
        if (page < 1 || page > skin.pageCount || static_cast<std::size_t>(page) > skin.pageFrames.size())
            return fail(reason, {"page ", reader.token(2), " is not one of the pages declared so far"});
        skin.pageFrames[static_cast<std::size_t>(page) - 1] =
            static_cast<int32_t>(int64_t(skinInteger(reader.token(3))) - 1);
        return true;
    }
    if (n == 3 && sameTextIgnoringCase(key, "StartPage")) {
        const int32_t page = skinInteger(reader.token(2));
        if (page < 1 || page > skin.pageCount)
            return fail(reason, {"page ", reader.token(2), " is not one of the pages declared so far"});
        skin.startPage = page;
        return true;
    }
    static const char* const kOneValue[] = {"Width", "Height", "PageCount", "BackgroundImage", "StartPage"};
    for (const char* known : kOneValue)
        if (sameTextIgnoringCase(key, known)) return fail(reason, {"Set ", known, " takes one value"});
    if (sameTextIgnoringCase(key, "PageFrame")) return fail(reason, {"Set PageFrame takes a page and a frame"});
    if (!key) return fail(reason, {"Set names no setting"});
    return fail(reason, {"'", key, "' is no setting"});
}

// Runs one tokenized line; false when it fails, with the reason.
bool runLine(ZSkin& skin, ZSkinFactory& factory, const ZLineReader& reader, int32_t n, std::string* reason)
{
    if (reader.tooManyTokens()) return fail(reason, {"the line has more than 32 words"});
    const char* command = reader.token(0);
    const char* const* tokens = reader.tokens();
    if (sameTextIgnoringCase(command, "Set")) return runSet(skin, reader, n, reason);
    if (sameTextIgnoringCase(command, "AddResource")) {
        if (n < 3) return fail(reason, {"AddResource takes a name, a type and the type's arguments"});
        makeRoom(skin.resources);
        ZResource* resource = factory.createResource(&skin, tokens[2], n - 3, tokens + 3);
        if (!resource)
            return fail(reason, {"resource '", tokens[1], "' of type '", tokens[2],
                                 "' cannot be made (an unknown type, arguments that do not fit it, or a "
                                 "picture or font that does not load)"});
        resource->setName(tokens[1]);
        skin.resources.push_back(resource);
        return true;
    }
    if (sameTextIgnoringCase(command, "AddControl")) {
        if (n < 7) return fail(reason, {"AddControl takes a page, x, y, width, height, a type and its arguments"});
        makeRoom(skin.controls);
        ZControl* control = factory.createControl(&skin, tokens[6], n - 7, tokens + 7);
        if (!control)
            return fail(reason, {"control '", tokens[6],
                                 "' cannot be made (an unknown type, a wrong number of arguments, or an argument "
                                 "that names no parameter, command, data item or resource of the right kind)"});
        control->page = skinInteger(tokens[1]);
        control->x = skinInteger(tokens[2]);
        control->y = skinInteger(tokens[3]);
        control->width = skinInteger(tokens[4]);
        control->height = skinInteger(tokens[5]);
        skin.controls.push_back(control);
        return true;
    }
    return fail(reason, {"'", command, "' is no command (Set, AddResource or AddControl)"});
}

}  // namespace

ZSkin* parseSkin(ZSkinFactory* factory, ZStream* source, ZSkinError* error)
{
    ZSkinError ignored;
    ZSkinError& why = error ? *error : ignored;
    why.line = 0;
    why.reason.clear();
    std::string* reason = error ? &why.reason : nullptr;
    ZSkin* skin = nullptr;
    try {
        if (!factory) {
            fail(reason, {"no factory to make resources and controls"});
            return nullptr;
        }
        skin = new ZSkin(factory->effect());
        ZLineReader reader(source);
        bool failed = false;
        while (reader.readLine()) {
            const int32_t n = reader.tokenize();
            if (n == 0) continue;
            if (!runLine(*skin, *factory, reader, n, reason)) {
                why.line = reader.lineNumber();
                failed = true;
                break;
            }
        }
        if (!failed && reader.bytesRead() == 0) fail(reason, {"the skin text is missing or empty"});
        const bool reachedEnd = !failed && reader.bytesRead() > 0;
        if (!reachedEnd && !skin->background && skin->pageCount < 1 && skin->height < 1 && skin->width < 1) {
            delete skin;
            return nullptr;
        }
        return skin;
    } catch (...) {
        // Out of memory while growing a list: no skin.
        delete skin;
        why.line = 0;
        try {
            fail(reason, {"out of memory"});
        } catch (...) {
        }
        return nullptr;
    }
}

ZSkin* parseModuleSkin(ZSkinFactory* factory, ZSkinError* error)
{
    ZResourceStream source(kSkinResourceType, kSkinResourceName);
    return parseSkin(factory, &source, error);
}
