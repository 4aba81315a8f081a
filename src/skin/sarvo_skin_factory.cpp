#include "skin/sarvo_skin_factory.h"

#include "model/feature.h"
#include "model/sarvo_effect.h"
#include "skin/control_makers.h"

namespace {

constexpr ZArgRule kPlotArg{ZArgKind::kInteger, nullptr, ZArgBound::kAtLeastZero};
constexpr ZArgRule kColourArg{ZArgKind::kColour, nullptr, ZArgBound::kNone};

const ZControlKeyword kGraphKeyword = {
    "SarvoGraph", 5, {kPlotArg, kPlotArg, kPlotArg, kPlotArg, kColourArg}, makeSarvoGraph};

}  // namespace

SarvoSkinFactory::SarvoSkinFactory(SarvoEffect* effect) : ZSkinFactory(effect) {}

ZControl* SarvoSkinFactory::createControl(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv)
{
    if (sameTextIgnoringCase(keyword, kGraphKeyword.keyword)) return make(kGraphKeyword, skin, argc, argv);
    return ZSkinFactory::createControl(skin, keyword, argc, argv);
}

const ZControlKeyword& SarvoSkinFactory::graphKeyword() { return kGraphKeyword; }
