#include "skin/skin_factory.h"

#include "model/effect_link.h"
#include "model/feature.h"
#include "skin/control_makers.h"
#include "skin/resource_registry.h"
#include "skin/skin.h"

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

namespace {

using K = ZArgKind;
using B = ZArgBound;

constexpr ZArgRule kParamArg{K::kParam, nullptr, B::kNone};
constexpr ZArgRule kCommandArg{K::kCommand, nullptr, B::kNone};
constexpr ZArgRule kImageArg{K::kImage, nullptr, B::kNone};
constexpr ZArgRule kFontArg{K::kFont, nullptr, B::kNone};
constexpr ZArgRule kColourArg{K::kColour, nullptr, B::kNone};
constexpr ZArgRule kTextArg{K::kText, nullptr, B::kNone};
constexpr ZArgRule kOrientationArg{K::kOrientation, nullptr, B::kNone};
constexpr ZArgRule kIntArg{K::kInteger, nullptr, B::kNone};
constexpr ZArgRule kIntMin0Arg{K::kInteger, nullptr, B::kAtLeastZero};
constexpr ZArgRule kIntMin1Arg{K::kInteger, nullptr, B::kAtLeastOne};
constexpr ZArgRule kIntMinPrevArg{K::kInteger, nullptr, B::kAtLeastPrevious};
constexpr ZArgRule kNumberArg{K::kNumber, nullptr, B::kNone};
constexpr ZArgRule kPositiveNumberArg{K::kNumber, nullptr, B::kAboveZero};
constexpr ZArgRule kLongItemArg{K::kItem, "long", B::kNone};
constexpr ZArgRule kLongDataArg{K::kItemWithData, "long", B::kNone};
constexpr ZArgRule kDoubleItemArg{K::kItem, "double", B::kNone};
constexpr ZArgRule kDoubleDataArg{K::kItemWithData, "double", B::kNone};
constexpr ZArgRule kOptionalDoubleArg{K::kOptionalItem, "double", B::kNone};
constexpr ZArgRule kHistoryDataArg{K::kItemWithData, "ZHistory", B::kNone};
constexpr ZArgRule kTextDataArg{K::kItemWithData, "char*", B::kNone};

#define P kParamArg
#define CMD kCommandArg
#define IMG kImageArg
#define FNT kFontArg
#define COL kColourArg
#define TXT kTextArg

// The standard control keywords in dispatch order.
const ZControlKeyword kStandardKeywords[] = {
    {"ZDefPot", 4, {P, COL, COL, COL}, makeZDefPot},
    {"ZKnob", 5, {P, FNT, COL, COL, COL}, makeZKnob},
    {"ZField", 6, {P, kIntMin1Arg, FNT, COL, COL, COL}, makeZField},
    {"ZDialField", 6, {P, kIntMin1Arg, FNT, COL, COL, COL}, makeZDialField},
    {"ZDefSwitch", 6, {P, FNT, COL, COL, COL, COL}, makeZDefSwitch},
    {"ZKnobButton", 6, {P, TXT, FNT, COL, COL, COL}, makeZKnobButton},
    {"ZTextButton", 6, {P, TXT, FNT, COL, COL, COL}, makeZTextButton},
    {"ZTextCommand", 6, {CMD, TXT, FNT, COL, COL, COL}, makeZTextCommand},
    {"ZValue", 2, {P, FNT}, makeZValue},
    {"ZTextPageSel", 7, {kIntArg, TXT, FNT, COL, COL, COL, COL}, makeZTextPageSel},
    {"ZTextSwitch", 7, {P, TXT, FNT, COL, COL, COL, COL}, makeZTextSwitch},
    {"ZImgMeter", 4, {kLongItemArg, kPositiveNumberArg, kNumberArg, IMG}, makeZImgMeter},
    {"ZDefPeak", 6, {kDoubleDataArg, COL, COL, COL, FNT, FNT}, makeZDefPeak},
    {"ZImgPot", 2, {P, IMG}, makeZImgPot},
    {"ZTextPeak", 3, {kDoubleDataArg, FNT, FNT}, makeZTextPeak},
    {"ZImgSwitch", 2, {P, IMG}, makeZImgSwitch},
    {"ZDefMeter", 5, {kLongDataArg, kOrientationArg, COL, COL, COL}, makeZDefMeter},
    {"ZWave", 6, {kHistoryDataArg, kOptionalDoubleArg, kOptionalDoubleArg, COL, COL, COL}, makeZWave},
    {"ZFeatureText", 2, {kTextDataArg, FNT}, makeZFeatureText},
    {"ZDefFracMeter", 5, {kDoubleDataArg, kOrientationArg, COL, COL, COL}, makeZDefFracMeter},
    {"ZDefPageSel", 6, {TXT, kIntMin1Arg, FNT, COL, COL, COL}, makeZDefPageSel},
    {"ZKnobCommand", 6, {CMD, TXT, FNT, COL, COL, COL}, makeZKnobCommand},
    {"ZImgFracMeter", 2, {kDoubleItemArg, IMG}, makeZImgFracMeter},
    {"ZImgCommand", 2, {CMD, IMG}, makeZImgCommand},
    {"ZDefRadio", 9, {P, kIntMin0Arg, kIntMinPrevArg, TXT, FNT, COL, COL, COL, COL}, makeZDefRadio},
    {"ZZoomWave",
     9,
     {kHistoryDataArg, kOptionalDoubleArg, kOptionalDoubleArg, COL, COL, COL, FNT, COL, COL},
     makeZZoomWave},
    {"ZImgPageSel", 2, {IMG, kIntMin1Arg}, makeZImgPageSel},
    {"ZImgRadio", 4, {P, kIntMin0Arg, kIntMinPrevArg, IMG}, makeZImgRadio},
};

#undef P
#undef CMD
#undef IMG
#undef FNT
#undef COL
#undef TXT

bool boundMet(ZArgBound bound, double value, double previous)
{
    switch (bound) {
        case ZArgBound::kNone: return true;
        case ZArgBound::kAtLeastZero: return value >= 0.0;
        case ZArgBound::kAtLeastOne: return value >= 1.0;
        case ZArgBound::kAtLeastPrevious: return value >= previous;
        case ZArgBound::kAboveZero: return value > 0.0;
    }
    return false;
}

}  // namespace

double skinNumber(const char* text)
{
    if (!text) return 0.0;
    if (sameTextIgnoringCase(text, "Inf")) return std::numeric_limits<double>::infinity();
    if (sameTextIgnoringCase(text, "-Inf")) return -std::numeric_limits<double>::infinity();
    // Only the plain decimal form is read (blanks, sign, digits, point, digits, exponent), with a
    // point as the decimal separator whatever the process's locale says.
    const char* p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\r' || *p == '\v' || *p == '\f') ++p;
    std::string number;
    if (*p == '+' || *p == '-') number += *p++;
    bool digits = false;
    for (; *p >= '0' && *p <= '9'; ++p, digits = true) number += *p;
    if (*p == '.') {
        const std::lconv* conv = std::localeconv();
        number += conv && conv->decimal_point && conv->decimal_point[0] ? conv->decimal_point[0] : '.';
        for (++p; *p >= '0' && *p <= '9'; ++p, digits = true) number += *p;
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        std::string exponent = "e";
        if (*q == '+' || *q == '-') exponent += *q++;
        if (*q >= '0' && *q <= '9') {
            for (; *q >= '0' && *q <= '9'; ++q) exponent += *q;
            number += exponent;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

void* ZControlArgs::data(int32_t i) const { return arg[i].item ? arg[i].item->data() : nullptr; }

ZImageResource* ZControlArgs::image(int32_t i) const { return static_cast<ZImageResource*>(arg[i].resource); }

ZFont* ZControlArgs::font(int32_t i) const
{
    ZFontResource* r = static_cast<ZFontResource*>(arg[i].resource);
    return r ? r->font : nullptr;
}

ZColour* ZControlArgs::colour(int32_t i) const
{
    ZColourResource* r = static_cast<ZColourResource*>(arg[i].resource);
    return r ? &r->colour : nullptr;
}

ZSkinFactory::ZSkinFactory(ZEffectLink* effect) : effect_(effect) {}

ZSkinFactory::~ZSkinFactory() = default;

ZResource* ZSkinFactory::createResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv)
{
    return createSkinResource(skin, type, argc, argv);
}

ZControl* ZSkinFactory::createControl(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv)
{
    std::size_t count = 0;
    const ZControlKeyword* table = standardKeywords(&count);
    const ZControlKeyword* row = findKeyword(table, count, keyword);
    return row ? make(*row, skin, argc, argv) : nullptr;
}

const ZControlKeyword* ZSkinFactory::standardKeywords(std::size_t* count)
{
    if (count) *count = sizeof kStandardKeywords / sizeof kStandardKeywords[0];
    return kStandardKeywords;
}

const ZControlKeyword* ZSkinFactory::findKeyword(const ZControlKeyword* table, std::size_t count, const char* keyword)
{
    if (!table || !keyword) return nullptr;
    for (std::size_t i = 0; i < count; ++i)
        if (sameTextIgnoringCase(table[i].keyword, keyword)) return &table[i];
    return nullptr;
}

bool ZSkinFactory::resolve(const ZControlKeyword& row, ZSkin* skin, int32_t argc, const char* const* argv,
                           ZControlArgs& out) const
{
    out = ZControlArgs();
    out.effect = effect_;
    out.skin = skin;
    if (argc != row.count || argc < 0 || argc > kMaxControlArgs || (argc > 0 && !argv)) return false;
    out.count = argc;
    double previous = 0.0;
    for (int32_t i = 0; i < argc; ++i) {
        const ZArgRule& rule = row.args[i];
        const char* token = argv[i];
        if (!token) return false;
        ZControlArg& a = out.arg[i];
        a.text = token;
        switch (rule.kind) {
            case ZArgKind::kParam:
                a.integer = effect_ ? effect_->findParameter(token) : -1;
                if (a.integer < 0) return false;
                break;
            case ZArgKind::kCommand:
                a.integer = effect_ ? effect_->findCommand(token) : -1;
                if (a.integer < 0) return false;
                break;
            case ZArgKind::kItem:
            case ZArgKind::kItemWithData:
            case ZArgKind::kOptionalItem: {
                ZFeature* item = effect_ ? effect_->findFeature(token) : nullptr;
                if (item && !item->hasType(rule.itemType)) item = nullptr;
                if (item && rule.kind == ZArgKind::kItemWithData && !item->data()) item = nullptr;
                if (!item && rule.kind != ZArgKind::kOptionalItem) return false;
                a.item = item;
                break;
            }
            case ZArgKind::kImage:
                a.resource = lookupImage(skin, token);
                if (!a.resource) return false;
                break;
            case ZArgKind::kFont:
                a.resource = lookupFont(skin, token);
                if (!a.resource) return false;
                break;
            case ZArgKind::kColour:
                a.resource = lookupColour(skin, token);
                if (!a.resource) return false;
                break;
            case ZArgKind::kInteger:
                a.integer = skinInteger(token);
                a.number = a.integer;
                if (!boundMet(rule.bound, a.integer, previous)) return false;
                previous = a.integer;
                break;
            case ZArgKind::kNumber:
                a.number = skinNumber(token);
                if (!boundMet(rule.bound, a.number, previous)) return false;
                previous = a.number;
                break;
            case ZArgKind::kText: break;
            case ZArgKind::kOrientation:
                a.integer = sameTextIgnoringCase(token, "RightToLeft") ? 1
                    : sameTextIgnoringCase(token, "TopToBottom")       ? 2
                    : sameTextIgnoringCase(token, "BottomToTop")       ? 3
                                                                       : 0;
                break;
        }
    }
    return true;
}

const ZControlKeyword* ZSkinFactory::resolveStandard(ZSkin* skin, const char* keyword, int32_t argc,
                                                     const char* const* argv, ZControlArgs& out) const
{
    std::size_t count = 0;
    const ZControlKeyword* table = standardKeywords(&count);
    const ZControlKeyword* row = findKeyword(table, count, keyword);
    return row && resolve(*row, skin, argc, argv, out) ? row : nullptr;
}

ZControl* ZSkinFactory::make(const ZControlKeyword& row, ZSkin* skin, int32_t argc, const char* const* argv) const
{
    ZControlArgs args;
    if (!resolve(row, skin, argc, argv, args) || !row.make) return nullptr;
    return row.make(args);
}
