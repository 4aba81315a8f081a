// The control factory: the keyword table, argument counts and every argument kind.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "effect/sarvo_effect.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {

class SkinFactory : public ::testing::Test {
protected:
    SkinFactory() : factory(&effect), skin(&effect)
    {
        addResource(skin, "img", gradientImage(20, 20, 10, 10, 4));
        addResource(skin, "col", colour(1, 2, 3));
        addResource(skin, "col2", colour(4, 5, 6));
        addResource(skin, "fnt", new ZFontResource(ZDefFont::create(12, ZColour{1, 2, 3, 255})));
    }

    // The resolved arguments, or null when the line would make no control.
    std::unique_ptr<ZControlArgs> resolve(const char* keyword, std::vector<const char*> args)
    {
        auto out = std::make_unique<ZControlArgs>();
        const ZControlKeyword* row = factory.resolveStandard(&skin, keyword, int32_t(args.size()), args.data(), *out);
        return row ? std::move(out) : nullptr;
    }

    TestEffect effect;
    ZSkinFactory factory;
    ZSkin skin;
};

std::string keywordOf(const ZControlKeyword* row) { return row ? row->keyword : "(none)"; }

}  // namespace

TEST_F(SkinFactory, TableHoldsThe28KeywordsInDispatchOrderWithTheirCounts)
{
    std::size_t n = 0;
    const ZControlKeyword* table = ZSkinFactory::standardKeywords(&n);
    const std::vector<std::pair<std::string, int>> expected = {
        {"ZDefPot", 4},     {"ZKnob", 5},        {"ZField", 6},        {"ZDialField", 6},   {"ZDefSwitch", 6},
        {"ZKnobButton", 6}, {"ZTextButton", 6},  {"ZTextCommand", 6},  {"ZValue", 2},       {"ZTextPageSel", 7},
        {"ZTextSwitch", 7}, {"ZImgMeter", 4},    {"ZDefPeak", 6},      {"ZImgPot", 2},      {"ZTextPeak", 3},
        {"ZImgSwitch", 2},  {"ZDefMeter", 5},    {"ZWave", 6},         {"ZFeatureText", 2}, {"ZDefFracMeter", 5},
        {"ZDefPageSel", 6}, {"ZKnobCommand", 6}, {"ZImgFracMeter", 2}, {"ZImgCommand", 2},  {"ZDefRadio", 9},
        {"ZZoomWave", 9},   {"ZImgPageSel", 2},  {"ZImgRadio", 4}};
    ASSERT_EQ(n, expected.size());
    for (std::size_t i = 0; i < n; ++i) {
        EXPECT_EQ(table[i].keyword, expected[i].first);
        EXPECT_EQ(table[i].count, expected[i].second) << expected[i].first;
        EXPECT_NE(table[i].make, nullptr);
    }
    EXPECT_EQ(keywordOf(ZSkinFactory::findKeyword(table, n, "zimgpot")), "ZImgPot");
    EXPECT_EQ(ZSkinFactory::findKeyword(table, n, "ZImgPots"), nullptr);
    EXPECT_EQ(ZSkinFactory::findKeyword(table, n, "SarvoGraph"), nullptr);
}

TEST_F(SkinFactory, EveryKeywordResolvesAWellFormedLine)
{
    struct Line {
        const char* keyword;
        std::vector<const char*> args;
    };
    const std::vector<Line> lines = {
        {"ZDefPot", {"Gain", "col", "col", "col"}},
        {"ZKnob", {"Gain", "fnt", "col", "col", "col"}},
        {"ZField", {"Gain", "1", "fnt", "col", "col", "col"}},
        {"ZDialField", {"Gain", "40", "fnt", "col", "col", "col"}},
        {"ZDefSwitch", {"Mode", "fnt", "col", "col", "col", "col"}},
        {"ZKnobButton", {"Mode", "Go", "fnt", "col", "col", "col"}},
        {"ZTextButton", {"Mode", "Go", "fnt", "col", "col", "col"}},
        {"ZTextCommand", {"Reset", "Reset all", "fnt", "col", "col", "col"}},
        {"ZValue", {"Gain", "fnt"}},
        {"ZTextPageSel", {"-3", "Page", "fnt", "col", "col", "col", "col"}},
        {"ZTextSwitch", {"Mode", "On", "fnt", "col", "col", "col", "col"}},
        {"ZImgMeter", {"Count", "0.5", "-1", "img"}},
        {"ZDefPeak", {"Level", "col", "col", "col", "fnt", "fnt"}},
        {"ZImgPot", {"Gain", "img"}},
        {"ZTextPeak", {"Level", "fnt", "fnt"}},
        {"ZImgSwitch", {"Mode", "img"}},
        {"ZDefMeter", {"Count", "TopToBottom", "col", "col", "col"}},
        {"ZWave", {"History", "Level", "null", "col", "col", "col"}},
        {"ZFeatureText", {"Caption", "fnt"}},
        {"ZDefFracMeter", {"Level", "x", "col", "col", "col"}},
        {"ZDefPageSel", {"Two", "2", "fnt", "col", "col", "col"}},
        {"ZKnobCommand", {"Store", "Store", "fnt", "col", "col", "col"}},
        {"ZImgFracMeter", {"NoLevel", "img"}},
        {"ZImgCommand", {"Reset", "img"}},
        {"ZDefRadio", {"Mode", "0", "0", "A", "fnt", "col", "col", "col", "col"}},
        {"ZZoomWave", {"History", "null", "Level", "col", "col", "col", "fnt", "col", "col"}},
        {"ZImgPageSel", {"img", "1"}},
        {"ZImgRadio", {"Mode", "2", "5", "img"}},
    };
    for (const Line& line : lines) {
        EXPECT_TRUE(resolve(line.keyword, line.args)) << line.keyword;
        // A control type that is part of the build is made, for the factory's effect.
        std::unique_ptr<ZControl> made(
            factory.createControl(&skin, line.keyword, int32_t(line.args.size()), line.args.data()));
        if (made) {
            EXPECT_EQ(made->effect, &effect) << line.keyword;
        }
        // One argument short or one too many: no control.
        std::vector<const char*> shorter(line.args.begin(), line.args.end() - 1);
        EXPECT_FALSE(resolve(line.keyword, shorter)) << line.keyword;
        EXPECT_EQ(factory.createControl(&skin, line.keyword, int32_t(shorter.size()), shorter.data()), nullptr);
        std::vector<const char*> longer = line.args;
        longer.push_back("col");
        EXPECT_FALSE(resolve(line.keyword, longer)) << line.keyword;
        EXPECT_EQ(factory.createControl(&skin, line.keyword, int32_t(longer.size()), longer.data()), nullptr);
    }
}

TEST_F(SkinFactory, ResolvedValuesReachTheConstructor)
{
    auto pot = resolve("zimgpot", {"gain", "IMG"});
    ASSERT_TRUE(pot);
    EXPECT_EQ(pot->effect, &effect);
    EXPECT_EQ(pot->skin, &skin);
    EXPECT_EQ(pot->count, 2);
    EXPECT_EQ(pot->param(0), 0);
    EXPECT_EQ(pot->image(1), lookupImage(&skin, "img"));

    auto value = resolve("ZValue", {"MODE", "fnt"});
    ASSERT_TRUE(value);
    EXPECT_EQ(value->param(0), 1);
    EXPECT_EQ(value->font(1), lookupFont(&skin, "fnt")->font);

    auto radio = resolve("ZDefRadio", {"Mode", "1", "3", "Label text", "fnt", "col", "col2", "col", "col2"});
    ASSERT_TRUE(radio);
    EXPECT_EQ(radio->integer(1), 1);
    EXPECT_EQ(radio->integer(2), 3);
    EXPECT_STREQ(radio->text(3), "Label text");
    EXPECT_EQ(radio->colour(6)->r, 4);
    EXPECT_EQ(radio->colour(5)->r, 1);

    auto command = resolve("ZImgCommand", {"store", "img"});
    ASSERT_TRUE(command);
    EXPECT_EQ(command->command(0), 1);

    const char* orientations[] = {"LeftToRight", "RightToLeft", "topToBottom", "BOTTOMTOTOP"};
    for (int i = 0; i < 4; ++i) {
        auto meter = resolve("ZDefMeter", {"Count", orientations[i], "col", "col", "col"});
        ASSERT_TRUE(meter);
        EXPECT_EQ(meter->data(0), &effect.count);
        EXPECT_EQ(meter->orientation(1), i);
    }

    auto imgMeter = resolve("ZImgMeter", {"Count", "Inf", "-inf", "img"});
    ASSERT_TRUE(imgMeter);
    EXPECT_TRUE(std::isinf(imgMeter->number(1)) && imgMeter->number(1) > 0);
    EXPECT_TRUE(std::isinf(imgMeter->number(2)) && imgMeter->number(2) < 0);
    EXPECT_DOUBLE_EQ(resolve("ZImgMeter", {"Count", "2.5e1x", " -0.25", "img"})->number(1), 25.0);
    EXPECT_DOUBLE_EQ(resolve("ZImgMeter", {"Count", "1", " -0.25", "img"})->number(2), -0.25);
}

TEST_F(SkinFactory, NamesThatDoNotResolveMakeNothing)
{
    EXPECT_FALSE(resolve("ZImgPot", {"Volume", "img"}));
    EXPECT_FALSE(resolve("ZImgPot", {"Gai", "img"})) << "whole-name match only";
    EXPECT_FALSE(resolve("ZImgPot", {"Gain", "col"})) << "a colour is no image";
    EXPECT_FALSE(resolve("ZImgPot", {"Gain", "nothing"}));
    EXPECT_FALSE(resolve("ZImgPot", {"Gain", "img", "img"}));
    EXPECT_FALSE(resolve("ZValue", {"Gain", "col"}));
    EXPECT_FALSE(resolve("ZDefPot", {"Gain", "col", "fnt", "col"}));
    EXPECT_FALSE(resolve("ZTextCommand", {"Undo", "Undo", "fnt", "col", "col", "col"}));
    EXPECT_FALSE(resolve("ZImgCommand", {"Gain", "img"})) << "a parameter is no command";
    EXPECT_FALSE(resolve("NoSuchControl", {}));
    EXPECT_FALSE(resolve(nullptr, {}));
}

TEST_F(SkinFactory, DataItemsCheckTypeAndData)
{
    // "Level" is a double first; the later "Level" of type long is never seen.
    EXPECT_FALSE(resolve("ZImgMeter", {"Level", "1", "0", "img"}));
    EXPECT_TRUE(resolve("ZImgMeter", {"NoCount", "1", "0", "img"})) << "no data needed";
    EXPECT_FALSE(resolve("ZDefMeter", {"NoCount", "x", "col", "col", "col"})) << "data needed";
    EXPECT_FALSE(resolve("ZDefPeak", {"NoLevel", "col", "col", "col", "fnt", "fnt"}));
    EXPECT_FALSE(resolve("ZTextPeak", {"Count", "fnt", "fnt"}));
    EXPECT_FALSE(resolve("ZFeatureText", {"NoCaption", "fnt"}));
    EXPECT_FALSE(resolve("ZWave", {"NoHistory", "Level", "Level", "col", "col", "col"}));
    EXPECT_FALSE(resolve("ZWave", {"Level", "Level", "Level", "col", "col", "col"})) << "a double is no history";
    EXPECT_FALSE(resolve("ZWave", {"history", "Level", "Level", "col", "col", "img"}));

    // Optional levels: a missing name or another type gives no level, but the control is made.
    auto wave = resolve("ZWave", {"HISTORY", "level", "Count", "col", "col", "col"});
    ASSERT_TRUE(wave);
    EXPECT_EQ(wave->data(0), &effect.history);
    EXPECT_EQ(wave->data(1), &effect.level);
    EXPECT_EQ(wave->item(2), nullptr);
    EXPECT_EQ(wave->data(2), nullptr);
    auto zoom = resolve("ZZoomWave", {"History", "nothing", "NoLevel", "col", "col", "col", "fnt", "col", "col"});
    ASSERT_TRUE(zoom);
    EXPECT_EQ(zoom->data(1), nullptr);
    EXPECT_NE(zoom->item(2), nullptr) << "an optional item may have no data";
    EXPECT_EQ(zoom->data(2), nullptr);
}

TEST_F(SkinFactory, IntegerAndNumberBounds)
{
    EXPECT_FALSE(resolve("ZField", {"Gain", "0", "fnt", "col", "col", "col"}));
    EXPECT_TRUE(resolve("ZField", {"Gain", "1", "fnt", "col", "col", "col"}));
    EXPECT_FALSE(resolve("ZDefPageSel", {"P", "0", "fnt", "col", "col", "col"}));
    EXPECT_FALSE(resolve("ZImgPageSel", {"img", "-1"}));
    EXPECT_FALSE(resolve("ZImgRadio", {"Mode", "2", "1", "img"}));
    EXPECT_TRUE(resolve("ZImgRadio", {"Mode", "0", "0", "img"}));
    EXPECT_FALSE(resolve("ZImgRadio", {"Mode", "-1", "0", "img"}));
    EXPECT_FALSE(resolve("ZDefRadio", {"Mode", "3", "2", "L", "fnt", "col", "col", "col", "col"}));
    EXPECT_FALSE(resolve("ZImgMeter", {"Count", "0", "0", "img"})) << "scale must be above 0";
    EXPECT_FALSE(resolve("ZImgMeter", {"Count", "-Inf", "0", "img"}));
    EXPECT_FALSE(resolve("ZImgMeter", {"Count", "abc", "0", "img"}));
    EXPECT_TRUE(resolve("ZImgMeter", {"Count", "1e-9", "Inf", "img"}));
}

TEST_F(SkinFactory, LaterResourceDeclarationsWin)
{
    ZResource* later = addResource(skin, "COL", colour(9, 9, 9));
    auto pot = resolve("ZDefPot", {"Gain", "col", "Col", "cOL"});
    ASSERT_TRUE(pot);
    EXPECT_EQ(pot->colour(1), &static_cast<ZColourResource*>(later)->colour);
    // A later resource of another type hides the colour completely.
    addResource(skin, "col", gradientImage(4, 4, 4, 4, 1));
    EXPECT_FALSE(resolve("ZDefPot", {"Gain", "col", "col", "col"}));
}

TEST(SkinGraphFactory, GraphKeywordComesFirstAndChecksItsArguments)
{
    SarvoEffect effect(nullptr);
    ZSkin skin(&effect);
    addResource(skin, "lt", colour(125, 146, 163));
    addResource(skin, "img", gradientImage(4, 4, 4, 4, 1));
    const ZControlKeyword& graph = SarvoSkinFactory::graphKeyword();
    EXPECT_STREQ(graph.keyword, "SarvoGraph");
    EXPECT_EQ(graph.count, 5);

    SarvoSkinFactory factory(&effect);
    EXPECT_EQ(factory.effect(), &effect);
    auto check = [&](std::vector<const char*> args) {
        ZControlArgs out;
        return factory.resolve(graph, &skin, int32_t(args.size()), args.data(), out);
    };
    EXPECT_TRUE(check({"10", "10", "183", "116", "lt"}));
    EXPECT_TRUE(check({"0", "0", "0", "0", "LT"}));
    EXPECT_FALSE(check({"10", "10", "-183", "116", "lt"})) << "negative plot width";
    EXPECT_FALSE(check({"-1", "10", "183", "116", "lt"}));
    EXPECT_FALSE(check({"10", "10", "183", "116", "img"}));
    EXPECT_FALSE(check({"10", "10", "183", "116", "dk"}));
    EXPECT_FALSE(check({"10", "10", "183", "116"}));
    ZControlArgs out;
    const char* args[] = {"10", "10", "183", "116", "lt"};
    ASSERT_TRUE(factory.resolve(graph, &skin, 5, args, out));
    EXPECT_EQ(out.integer(2), 183);
    EXPECT_EQ(out.colour(4)->g, 146);

    // Wrong arguments make nothing through the effect's factory, for its own keyword and the others.
    const char* negative[] = {"10", "10", "-183", "116", "lt"};
    EXPECT_EQ(factory.createControl(&skin, "sarvograph", 5, negative), nullptr);
    const char* pot[] = {"Volume", "img"};
    EXPECT_EQ(factory.createControl(&skin, "ZImgPot", 2, pot), nullptr);
    const char* graphAsStandard[] = {"10", "10", "183", "116", "lt"};
    ZControlArgs standard;
    EXPECT_EQ(factory.resolveStandard(&skin, "SarvoGraph", 5, graphAsStandard, standard), nullptr)
        << "the graph is not a standard keyword";
}
