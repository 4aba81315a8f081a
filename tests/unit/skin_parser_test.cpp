// The skin parser: commands, failure rules, the end-of-parse rule and the shipped skin.
#include <gtest/gtest.h>
#include <cstring>
#include <thread>
#include <vector>

#include <memory>
#include <string>

#include "effect/sarvo_effect.h"
#include "skin_resources/png.h"
#include "platform/platform.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {

// A factory that makes colours as usual and stands in images from memory for PngResource
// lines naming PNG_FILE / MEM_* (a 20 x 20 picture), and stub controls.
class MemoryFactory : public StubFactory {
public:
    explicit MemoryFactory(ZPlugin* effect) : StubFactory(effect) {}
    ZResource* createResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv) override
    {
        if (sameTextIgnoringCase(type, "PngResource") && argc == 5 && std::string(argv[1]).rfind("MEM_", 0) == 0)
            return gradientImage(20, 20, skinInteger(argv[2]), skinInteger(argv[3]), skinInteger(argv[4]));
        return StubFactory::createResource(skin, type, argc, argv);
    }
};

class SkinParser : public ::testing::Test {
protected:
    SkinParser() : factory(&effect) {}
    std::unique_ptr<ZSkin> parse(const std::string& text) { return parseText(factory, text); }

    TestEffect effect;
    MemoryFactory factory;
};

const StubControl* stub(const ZSkin& skin, size_t i) { return static_cast<const StubControl*>(skin.controls.at(i)); }

}  // namespace

TEST_F(SkinParser, SetCommandsIgnoringCase)
{
    auto skin = parse("set width 402\r\nSET HEIGHT 321\nSet pagecount 3\nset StartPage 2\nSet PageFrame 3 5\n");
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->owner, &effect);
    EXPECT_EQ(skin->window, nullptr);
    EXPECT_EQ(skin->width, 402);
    EXPECT_EQ(skin->height, 321);
    EXPECT_EQ(skin->pageCount, 3);
    EXPECT_EQ(skin->startPage, 2);
    EXPECT_EQ(skin->pageFrames, (std::vector<int32_t>{0, 0, 4}));
    EXPECT_EQ(skin->pageFrame(3), 4);
    EXPECT_EQ(skin->pageFrame(4), 0);
    EXPECT_EQ(skin->background, nullptr);
}

TEST_F(SkinParser, DefaultsAndUncheckedValues)
{
    auto skin = parse("Set Width -5\nSet Height 0\nSet PageCount 0\n");
    ASSERT_TRUE(skin) << "a text read to its end gives a skin, whatever its values";
    EXPECT_EQ(skin->width, -5);
    EXPECT_EQ(skin->startPage, 1);
    EXPECT_TRUE(skin->pageFrames.empty());
    EXPECT_TRUE(skin->resources.empty());
    EXPECT_TRUE(skin->controls.empty());
    auto comments = parse("# nothing but a comment\r\n\r\n");
    ASSERT_TRUE(comments);
    EXPECT_EQ(comments->width, 0);
}

TEST_F(SkinParser, PagesAreCheckedAgainstThePageCountSoFar)
{
    auto early = parse("Set Width 10\nSet PageFrame 1 3\nSet Height 5\n");
    ASSERT_TRUE(early);
    EXPECT_EQ(early->width, 10);
    EXPECT_EQ(early->height, 0) << "the failing line ends the parse";
    EXPECT_FALSE(parse("Set PageFrame 1 3\nSet Width 10\n"));
    EXPECT_EQ(parse("Set PageCount 2\nSet StartPage 3\nSet Width 1")->width, 0);
    EXPECT_EQ(parse("Set PageCount 2\nSet StartPage 0\nSet Width 1")->width, 0);
    EXPECT_EQ(parse("Set PageCount 2\nSet PageFrame 0 1\nSet Width 1")->width, 0);
    EXPECT_EQ(parse("Set PageCount 2\nSet PageFrame 2 1\nSet Width 1")->width, 1);
    // A new page count replaces the frame table.
    auto again = parse("Set PageCount 2\nSet PageFrame 2 7\nSet PageCount 3\n");
    EXPECT_EQ(again->pageFrames, (std::vector<int32_t>{0, 0, 0}));
    // Absurd page counts fail their line rather than allocate a huge table.
    auto huge = parse("Set Width 3\nSet PageCount 2000000000\nSet Height 4\n");
    ASSERT_TRUE(huge);
    EXPECT_EQ(huge->pageCount, 0);
    EXPECT_EQ(huge->height, 0);
}

TEST_F(SkinParser, WrongFormsFail)
{
    const char* bad[] = {"Set Width",       "Set Width 1 2", "Set Depth 3",   "Set",
                         "Set PageFrame 1", "Put Width 3",   "AddResource x", "AddControl 1 2 3 4 5 ZImgPot",
                         "Widths 3"};
    for (const char* line : bad) {
        EXPECT_FALSE(parse(line)) << line;
        auto after = parse(std::string("Set Width 10\n") + line + "\nSet Height 9\n");
        ASSERT_TRUE(after) << line;
        EXPECT_EQ(after->width, 10);
        EXPECT_EQ(after->height, 0) << line;
    }
    EXPECT_FALSE(parse("")) << "empty text";
    ZResourceStream missing("SKIN_FILE", "NO_SUCH_SKIN");
    EXPECT_EQ(parseSkin(&factory, &missing), nullptr);
    EXPECT_EQ(parseSkin(nullptr, &missing), nullptr);
}

TEST_F(SkinParser, ErrorsGiveTheTextLineAndTheReason)
{
    struct Case {
        const char* text;
        bool skin;  // a skin with what came before the failing line
        int32_t line;
        const char* reasonHas;
    };
    const Case cases[] = {
        {"Set Width 10\n\n# a comment\r\nSet Depth 3\nSet Height 9\n", true, 4, "'Depth' is no setting"},
        {"Set PageCount 2\r\rSet StartPage 3\n", true, 3, "page 3 is not one of the pages"},
        {"\n\nAddResource bg PngResource PNG_FILE NO_SUCH_PICTURE 1 1 1\n", false, 3, "resource 'bg'"},
        {"Set Width 1\nAddControl 1 0 0 10 10 ZImgPot NoSuchParameter knob\n", true, 2, "control 'ZImgPot'"},
        {"Set PageCount 5000\n", false, 1, "above 4096"},
        {"Set Width 1\r\nPut Width 3\r\n", true, 2, "'Put' is no command"},
        {"", false, 0, "missing or empty"},
    };
    for (const Case& c : cases) {
        ZSkinError error;
        ZResourceStream source(c.text, std::strlen(c.text));
        std::unique_ptr<ZSkin> skin(parseSkin(&factory, &source, &error));
        EXPECT_EQ(skin != nullptr, c.skin) << c.text;
        EXPECT_EQ(error.line, c.line) << c.text;
        EXPECT_NE(error.reason.find(c.reasonHas), std::string::npos) << c.text << "\n" << error.reason;
    }
    ZSkinError error{7, "stale"};
    const std::string whole = "Set Width 1\nSet Height 2\n";
    ZResourceStream source(whole.data(), whole.size());
    EXPECT_TRUE(std::unique_ptr<ZSkin>(parseSkin(&factory, &source, &error)));
    EXPECT_EQ(error.line, 0);
    EXPECT_EQ(error.reason, "") << "a text read to its end leaves no error";
}

TEST_F(SkinParser, ResourcesGetTheirNamesAndBackgroundTakesTheLastDeclaration)
{
    auto skin = parse("Set Width 1\n"
                      "AddResource  back  RGBColour 1 2 3   # a colour\n"
                      "AddResource \"page image\" PngResource PNG_FILE MEM_A 20 10 2\n"
                      "AddResource PAGE_IMAGE_WITH_A_VERY_LONG_NAME PngResource PNG_FILE MEM_B 10 10 4\n"
                      "AddResource Page image PngResource PNG_FILE MEM_C 5 5 16\n");
    ASSERT_TRUE(skin);
    ASSERT_EQ(skin->resources.size(), 3u) << "the last line has an unknown type 'image'";
    EXPECT_STREQ(skin->resources[0]->name(), "back");
    EXPECT_STREQ(skin->resources[1]->name(), "page image");
    EXPECT_STREQ(skin->resources[2]->name(), "PAGE_IMAGE_WITH_A_VERY_L");

    auto bg = parse("AddResource bg PngResource PNG_FILE MEM_A 20 10 2\n"
                    "AddResource BG PngResource PNG_FILE MEM_B 10 10 4\n"
                    "Set BackgroundImage Bg\n");
    ASSERT_TRUE(bg);
    ASSERT_NE(bg->background, nullptr);
    EXPECT_EQ(bg->background, bg->resources[1]);
    EXPECT_EQ(bg->background->frameCount, 4);

    auto notImage = parse("AddResource c RGBColour 1 2 3\nSet BackgroundImage c\nSet Width 9\n");
    EXPECT_FALSE(notImage) << "a colour is no background; the parse stops before anything is set";
}

TEST_F(SkinParser, AControlLineSetsPlacementAndResolvesThroughTheFactory)
{
    auto skin = parse("AddResource bigpot PngResource PNG_FILE MEM_POT 10 10 4\n"
                      "AddResource font DefFont 14 missing\n");
    EXPECT_FALSE(skin) << "a DefFont before its colour fails on the first lines";

    skin = parse("Set Width 100\n"
                 "AddResource bigpot PngResource PNG_FILE MEM_POT 10 10 4\n"
                 "AddControl 2  22  18  42  44 zimgpot \"gain\" bigpot\n"
                 "AddControl 0 -1 +2 3x y ZImgSwitch Mode bigpot # comment\n"
                 "AddControl 1 1 1 1 1 ZImgPot Gain bigpot extra\n"
                 "AddControl 1 1 1 1 1 ZImgPot Gain bigpot\n");
    ASSERT_TRUE(skin);
    ASSERT_EQ(skin->controls.size(), 2u);
    const StubControl* pot = stub(*skin, 0);
    EXPECT_EQ(pot->keyword, "ZImgPot");
    EXPECT_EQ(pot->page, 2);
    EXPECT_EQ(pot->x, 22);
    EXPECT_EQ(pot->y, 18);
    EXPECT_EQ(pot->width, 42);
    EXPECT_EQ(pot->height, 44);
    EXPECT_EQ(pot->effect, &effect);
    EXPECT_EQ(pot->args.image(1), skin->resources[0]);
    const StubControl* sw = stub(*skin, 1);
    EXPECT_EQ(sw->page, 0);
    EXPECT_EQ(sw->x, -1);
    EXPECT_EQ(sw->y, 2);
    EXPECT_EQ(sw->width, 3);
    EXPECT_EQ(sw->height, 0);
    EXPECT_EQ(sw->args.param(0), 1);
}

TEST_F(SkinParser, LongLinesAndTooManyTokens)
{
    // 300 characters: a 255-character line, then the remaining 45 characters as a line of its own.
    std::string line = "Set Width 77" + std::string(243, ' ') + "Set Height 5";
    line += std::string(300 - line.size(), ' ');
    auto skin = parse("Set PageCount 1\n" + line + "\n");
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->width, 77);
    EXPECT_EQ(skin->height, 5);

    // 33 tokens: the line fails (no command takes that many).
    std::string tokens = "Set Width 5";
    for (int i = 0; i < 30; ++i) tokens += " t";
    auto many = parse("Set Height 2\n" + tokens + "\nSet PageCount 1\n");
    ASSERT_TRUE(many);
    EXPECT_EQ(many->height, 2);
    EXPECT_EQ(many->width, 0);
    EXPECT_EQ(many->pageCount, 0);
}

TEST_F(SkinParser, SurvivesEveryTruncationOfAValidSkin)
{
    const std::string text =
        "AddResource c RGBColour 1 2 3\r\n"
        "AddResource img PngResource PNG_FILE MEM_X 10 10 4\r\n"
        "AddResource f DefFont 12 c\r\n"
        "Set Width 50\r\nSet Height 40\r\nSet PageCount 2\r\nSet PageFrame 2 3\r\nSet StartPage 2\r\n"
        "Set BackgroundImage img\r\n"
        "AddControl 1 0 0 10 10 ZImgPot Gain img\r\n"
        "AddControl 2 0 0 10 10 ZValue Mode f\r\n";
    for (size_t n = 0; n <= text.size(); ++n) {
        auto skin = parse(text.substr(0, n));
        if (skin) {
            EXPECT_LE(skin->controls.size(), 2u);
            EXPECT_LE(skin->resources.size(), 3u);
        }
    }
    auto full = parse(text);
    ASSERT_TRUE(full);
    EXPECT_EQ(full->controls.size(), 2u);
    EXPECT_EQ(full->pageFrames, (std::vector<int32_t>{0, 2}));
    EXPECT_EQ(full->startPage, 2);
    EXPECT_EQ(full->background, full->resources[1]);
}

// ---------------------------------------------------------------- the shipped skin

TEST(SkinShipped, TextIsAResourceOfTheModuleWithCrLfAndComments)
{
    platform::ResourceView view;
    ASSERT_TRUE(platform::findResource("skin_file", "ondx_skin", view));
    const std::string text(reinterpret_cast<const char*>(view.data), view.size);
    EXPECT_EQ(text[0], '#');
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    EXPECT_EQ(text.find("\n"), text.find("\r\n") + 1);
    EXPECT_NE(text.find("AddControl 1  22  18  42  44 ZImgPot \"Gain\" bigpot"), std::string::npos);
}

// Skins of several effects made at once on several threads: each owns its resources, but the
// decoded pictures are one read-only copy, equal to a fresh decode, freed with the last skin and
// decoded again afterwards. Each thread reads the status of its own decodes.
TEST(SkinShipped, SkinsMadeOnSeveralThreadsShareOneDecodedCopyOfEachImage)
{
    constexpr int kThreads = 4;
    std::unique_ptr<SarvoEffect> effects[kThreads];
    std::unique_ptr<ZSkin> skins[kThreads];
    int32_t statuses[kThreads] = {};
    for (auto& e : effects) e.reset(new SarvoEffect(nullptr));
    {
        std::vector<std::thread> threads;
        for (int t = 0; t < kThreads; ++t)
            threads.emplace_back([&, t] {
                StubFactory factory(effects[t].get());
                skins[t].reset(parseModuleSkin(&factory));
                std::vector<uint8_t> input(t % 2 ? 2 : 0, 0x89), rgba;  // too short, or empty
                PngInfo info;
                decodePng(input, rgba, info);
                statuses[t] = pngThreadStatus();
            });
        for (std::thread& th : threads) th.join();
    }
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(statuses[t], t % 2 ? kPngNoRoomForChunk : kPngEmptyInput);

    const char* const images[][2] = {{"background", "ONDX_BG"}, {"bigpot", "XQ_BIGPOT"}, {"oversample", "XQ_OVERSAMP"}};
    std::vector<std::weak_ptr<const ZBitmap>> held;
    for (const auto& image : images) {
        std::unique_ptr<ZBitmap> fresh(loadImageResource("PNG_FILE", image[1]));
        ASSERT_TRUE(fresh) << image[1];
        const ZImageResource* first = lookupImage(skins[0].get(), image[0]);
        ASSERT_TRUE(first && first->image) << image[0];
        ASSERT_EQ(first->image->width * first->image->height, fresh->width * fresh->height);
        EXPECT_EQ(std::memcmp(first->image->pixels, fresh->pixels, size_t(fresh->width) * fresh->height * 4), 0);
        for (int t = 1; t < kThreads; ++t) {
            const ZImageResource* r = lookupImage(skins[t].get(), image[0]);
            ASSERT_NE(r, nullptr) << image[0];
            EXPECT_NE(r, first) << "every skin owns its resources";
            EXPECT_EQ(r->image, first->image) << image[0] << ": one decoded copy";
        }
        held.push_back(first->share);
    }
    for (int t = 0; t < kThreads - 1; ++t) skins[t].reset();
    for (const auto& w : held) EXPECT_FALSE(w.expired()) << "the last skin still holds it";
    skins[kThreads - 1].reset();
    for (const auto& w : held) EXPECT_TRUE(w.expired()) << "freed with the last skin";

    StubFactory factory(effects[0].get());
    std::unique_ptr<ZSkin> again(parseModuleSkin(&factory));
    ASSERT_TRUE(again);
    EXPECT_EQ(lookupImage(again.get(), "bigpot")->image->height, 4004);
}

TEST(SkinShipped, ParsesIntoTheClipperEditor)
{
    SarvoEffect effect(nullptr);
    StubFactory factory(&effect);
    std::unique_ptr<ZSkin> skin(parseModuleSkin(&factory));
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->owner, &effect);
    EXPECT_EQ(skin->width, 402);
    EXPECT_EQ(skin->height, 321);
    EXPECT_EQ(skin->pageCount, 1);
    EXPECT_EQ(skin->startPage, 1);
    EXPECT_EQ(skin->pageFrames, (std::vector<int32_t>{0}));
    ASSERT_EQ(skin->resources.size(), 10u);
    const char* names[] = {"textcol", "dk", "lt", "back", "fore", "axis", "background", "bigpot", "oversample", "font"};
    for (size_t i = 0; i < 10; ++i) EXPECT_STREQ(skin->resources[i]->name(), names[i]);
    ASSERT_NE(skin->background, nullptr);
    EXPECT_STREQ(skin->background->name(), "background");
    const ZColour lt = lookupColour(skin.get(), "lt")->colour;
    EXPECT_EQ(lt.r, 125);
    EXPECT_EQ(lt.g, 146);
    EXPECT_EQ(lt.b, 163);
    EXPECT_EQ(lookupFont(skin.get(), "font")->font->height(), 14);

    const ZImageResource* pot = lookupImage(skin.get(), "bigpot");
    ASSERT_NE(pot, nullptr);
    EXPECT_EQ(pot->frameCount, 91);
    EXPECT_EQ(pot->rows, 91);
    EXPECT_EQ(pot->columns, 1);
    EXPECT_EQ(pot->image->width, 42);
    EXPECT_EQ(pot->image->height, 4004);
    EXPECT_EQ(lookupImage(skin.get(), "oversample")->rows, 2);
    EXPECT_EQ(skin->background->image->width, 402);
    EXPECT_EQ(skin->background->image->height, 321);

    struct Expect {
        const char* keyword;
        int x, y, w, h;
    };
    const Expect controls[] = {{"ZImgPot", 22, 18, 42, 44},      {"ZImgPot", 97, 18, 42, 44},
                               {"ZImgPot", 170, 18, 42, 44},     {"ZValue", 16, 61, 56, 14},
                               {"ZValue", 91, 61, 56, 14},       {"ZValue", 164, 61, 56, 14},
                               {"ZImgSwitch", 68, 281, 101, 21}, {"ZWave", 249, 86, 136, 93},
                               {"ZWave", 249, 199, 136, 93},     {"SarvoGraph", 17, 109, 203, 136}};
    ASSERT_EQ(skin->controls.size(), 10u);
    for (size_t i = 0; i < 10; ++i) {
        const StubControl* c = stub(*skin, i);
        EXPECT_EQ(c->keyword, controls[i].keyword);
        EXPECT_EQ(c->page, 1);
        EXPECT_EQ(c->x, controls[i].x);
        EXPECT_EQ(c->y, controls[i].y);
        EXPECT_EQ(c->width, controls[i].w);
        EXPECT_EQ(c->height, controls[i].h);
    }
    EXPECT_EQ(stub(*skin, 1)->args.param(0), SarvoEffect::kClip);
    EXPECT_EQ(stub(*skin, 6)->args.param(0), SarvoEffect::kOversample);
    EXPECT_EQ(stub(*skin, 8)->args.item(0), effect.findFeature("HistoryR"));
    EXPECT_EQ(stub(*skin, 8)->args.item(1), effect.findFeature("ClipLevel"));
    EXPECT_EQ(stub(*skin, 8)->args.item(2), nullptr);
    EXPECT_EQ(stub(*skin, 9)->args.colour(4), &lookupColour(skin.get(), "lt")->colour);
}

TEST(SkinShipped, TheClipperFactoryReadsTheWholeShippedSkin)
{
    SarvoEffect effect(nullptr);
    SarvoSkinFactory factory(&effect);
    ZSkinError error;
    std::unique_ptr<ZSkin> skin(parseModuleSkin(&factory, &error));
    EXPECT_EQ(error.reason, "") << "the built-in skin stops at line " << error.line;
    ASSERT_TRUE(skin);
    EXPECT_EQ(skin->width, 402);
    EXPECT_EQ(skin->height, 321);
    EXPECT_EQ(skin->pageCount, 1);
    EXPECT_EQ(skin->resources.size(), 10u);
    ASSERT_NE(skin->background, nullptr);
    EXPECT_EQ(skin->background->image->width, 402);
    EXPECT_EQ(skin->startPage, 1);
    // Three knobs, three value texts, the switch, two wave displays and the graph.
    EXPECT_EQ(skin->controls.size(), 10u);
}
