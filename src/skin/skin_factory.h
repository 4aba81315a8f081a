// The factory that turns AddResource and AddControl lines of a skin into resources and controls.
//
// A control keyword is a row of a table: the keyword, its exact argument count, the kind of each
// argument and a creation function. createControl finds the row (case-insensitive, first match),
// checks the count, resolves every argument against the effect (parameters, commands, data items)
// and the skin (resources, last match), and only then hands the resolved arguments (ZControlArgs)
// to the row's creation function, which calls the control's constructor. The creation functions
// live in skin/control_makers_shipped.cpp (the shipped skin's keywords) and
// skin/control_makers_more.cpp (the rest), one per keyword.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gui/bitmap.h"

class ZControl;
class ZFeature;
class ZFont;
class ZImageResource;
class ZEffectLink;
class ZResource;
class ZSkin;

// How an argument token is read.
enum class ZArgKind : uint8_t {
    kParam,  // index of the first parameter with that name
    kCommand,  // index of the first command with that name
    kItem,  // data item of the given type
    kItemWithData,  // data item of the given type whose data pointer is set
    kOptionalItem,  // data item of the given type, or none (never fails)
    kImage,  // skin resource of type ZImageResource
    kFont,  // skin resource of type ZFontResource
    kColour,  // skin resource of type ZColourResource
    kInteger,  // decimal integer, with a bound
    kNumber,  // decimal number ("Inf", "-Inf" allowed), with a bound
    kText,  // the token itself
    kOrientation,  // "RightToLeft" 1, "TopToBottom" 2, "BottomToTop" 3, anything else 0
};

// Bound checked on an integer or number argument.
enum class ZArgBound : uint8_t {
    kNone,
    kAtLeastZero,
    kAtLeastOne,
    kAtLeastPrevious,  // at least the value of the argument before it
    kAboveZero,
};

struct ZArgRule {
    ZArgKind kind;
    const char* itemType;  // type name of a data item argument, else null
    ZArgBound bound;
};

// Most arguments any control keyword takes.
constexpr int32_t kMaxControlArgs = 9;

// One resolved argument; which member is meaningful depends on the argument's kind.
struct ZControlArg {
    int32_t integer = 0;  // parameter or command index, integer value, orientation
    double number = 0.0;  // number
    const char* text = nullptr;  // the token (every kind); valid only during the creation call
    ZFeature* item = nullptr;  // data item (null for an absent optional item)
    ZResource* resource = nullptr;  // image, font or colour resource
};

// Everything a control's constructor may need, resolved and checked.
struct ZControlArgs {
    ZEffectLink* effect = nullptr;
    ZSkin* skin = nullptr;
    int32_t count = 0;
    ZControlArg arg[kMaxControlArgs];

    int32_t param(int32_t i) const { return arg[i].integer; }
    int32_t command(int32_t i) const { return arg[i].integer; }
    int32_t integer(int32_t i) const { return arg[i].integer; }
    int32_t orientation(int32_t i) const { return arg[i].integer; }
    double number(int32_t i) const { return arg[i].number; }
    // A label; a control that keeps it must copy it.
    const char* text(int32_t i) const { return arg[i].text; }
    ZFeature* item(int32_t i) const { return arg[i].item; }
    // The data pointer of a data item; null for an absent item.
    void* data(int32_t i) const;
    ZImageResource* image(int32_t i) const;
    ZFont* font(int32_t i) const;
    ZColour* colour(int32_t i) const;
};

// Creates a control from resolved arguments; null when it cannot be made.
using ZControlMaker = ZControl* (*)(const ZControlArgs& args);

struct ZControlKeyword {
    const char* keyword;
    int32_t count;
    ZArgRule args[kMaxControlArgs];
    ZControlMaker make;
};

class ZSkinFactory {
public:
    // effect: the effect every control is made for (not owned; may be null, then nothing that names
    // a parameter, command or data item resolves).
    explicit ZSkinFactory(ZEffectLink* effect);
    virtual ~ZSkinFactory();
    ZSkinFactory(const ZSkinFactory&) = delete;
    ZSkinFactory& operator=(const ZSkinFactory&) = delete;

    // A resource from an AddResource line's type and arguments (skin_resources/resources.h); owned by the
    // caller, or null.
    virtual ZResource* createResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv);
    // A control from an AddControl line's keyword and arguments, with its effect set; owned by the
    // caller, or null for an unknown keyword, a wrong count or an argument that does not resolve.
    virtual ZControl* createControl(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv);

    ZEffectLink* effect() const { return effect_; }

    // The standard keywords, in dispatch order.
    static const ZControlKeyword* standardKeywords(std::size_t* count);
    // The row of `keyword` in the table (first match, ignoring case), or null.
    static const ZControlKeyword* findKeyword(const ZControlKeyword* table, std::size_t count, const char* keyword);

    // Checks the count and resolves every argument of the row into `out`; false when any fails.
    bool resolve(const ZControlKeyword& row, ZSkin* skin, int32_t argc, const char* const* argv,
                 ZControlArgs& out) const;
    // The row of the standard table whose checks all pass for these arguments, with `out` filled;
    // null otherwise. createControl is this followed by the row's creation function.
    const ZControlKeyword* resolveStandard(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv,
                                           ZControlArgs& out) const;

protected:
    // Resolves against a row and runs its creation function.
    ZControl* make(const ZControlKeyword& row, ZSkin* skin, int32_t argc, const char* const* argv) const;

    ZEffectLink* effect_;
};

// Decimal number as the skin reads it: like atof, plus "Inf" and "-Inf" (ignoring case).
double skinNumber(const char* text);
