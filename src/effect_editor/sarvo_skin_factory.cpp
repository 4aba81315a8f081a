#include "effect_editor/sarvo_skin_factory.h"

#include <new>

#include "effect/sarvo_effect.h"
#include "effect_editor/graph.h"
#include "model/feature.h"
#include "skin/control_makers.h"

namespace {

// The clipper's transfer-curve graph: a.integer(0) (plot left), a.integer(1) (plot top), a.integer(2) (plot width), a.integer(3) (plot height), a.colour(4)
ZControl* makeSarvoGraph(const ZControlArgs& a)
{
    // Only the clipper's own factory offers the keyword, so the effect is the clipper.
    SarvoEffect* clipper = static_cast<SarvoEffect*>(a.effect);
    if (!clipper) return nullptr;
    SarvoGraph* graph =
        new (std::nothrow) SarvoGraph(clipper, a.integer(0), a.integer(1), a.integer(2), a.integer(3), a.colour(4));
    if (graph && !graph->valid()) {
        delete graph;
        return nullptr;
    }
    return graph;
}

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
