// The transfer-curve graph: its vertices for the built-in skin's plot, when it redraws, and the
// skin lines that make no graph.
#include "gui_test_support.h"

#include <string>

#include "effect_editor/graph.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin_parser.h"
#include "skin_resources/skin_reader.h"

using namespace gui_test;

namespace {

constexpr int32_t kGain = SarvoEffect::kGain;
constexpr int32_t kClip = SarvoEffect::kClip;
constexpr int32_t kSoftness = SarvoEffect::kSoftness;
constexpr int32_t kOversample = SarvoEffect::kOversample;

const ZColour kLt{125, 146, 163, 255};

// The built-in skin's graph (203 x 136 at 17, 109; plot 10 10 183 116) on a patterned surface.
class GraphTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        effect = makeEffect();
        graph.reset(new SarvoGraph(effect.get(), 10, 10, 183, 116, &kLt));
        place(graph.get(), 1, 17, 109, 203, 136);
        surface.reset(ZSurface::create(nullptr, 402, 333));
        ASSERT_NE(surface, nullptr);
        for (int32_t i = 0; i < 402 * 333; ++i) surface->pixels()[i] = 0x00101820u + (i % 7);
        surface->setClip(17, 109, 203, 136);
        graph->reset();
        graph->prepare(*surface);
        graph->draw(*surface);
    }
    // Draws again; answers whether anything was drawn (a marked pixel was restored).
    bool redraws()
    {
        uint32_t& p = surface->pixels()[110 * 402 + 18];
        const uint32_t before = p;
        p = 0x00FF00FF;
        graph->draw(*surface);
        const bool drawn = p != 0x00FF00FF;
        p = before;
        return drawn;
    }
    void expectVertex(int i, double x, double y)
    {
        EXPECT_NEAR(graph->points[i].x, x, 1e-9) << "point " << i;
        EXPECT_NEAR(graph->points[i].y, y, 1e-9) << "point " << i;
    }

    std::unique_ptr<SarvoEffect> effect;
    std::unique_ptr<SarvoGraph> graph;
    std::unique_ptr<ZSurface> surface;
};

TEST_F(GraphTest, DefaultsRiseOnePixelPerPixelThenLieOnTheTopRow)
{
    ASSERT_EQ(graph->pointCount, 36);
    for (int i = 0; i < 36; ++i) EXPECT_NEAR(graph->points[i].x, 10 + 5 * i, 1e-9) << i;
    expectVertex(0, 10, 126);
    for (int i = 0; i <= 23; ++i) expectVertex(i, 10 + 5 * i, 126 - 5 * i);  // up to (125, 11)
    for (int i = 24; i < 36; ++i) expectVertex(i, 10 + 5 * i, 10);  // x = 130 .. 185
    // The line is drawn in lt: the pixel under a vertex far from the bend carries the colour.
    EXPECT_EQ(pixel(*surface, 17 + 59, 109 + 76), 0x7D92A3u);
    EXPECT_EQ(pixel(*surface, 17 + 160, 109 + 10), 0x7D92A3u);
    // Well away from the line the background is untouched.
    EXPECT_EQ(pixel(*surface, 17 + 150, 109 + 100), 0x00101820u + ((109 + 100) * 402 + 17 + 150) % 7);
}

TEST_F(GraphTest, ClipAndGainMoveTheBend)
{
    effect->setParameterValue(kClip, 0.5);
    graph->draw(*surface);
    for (int i = 0; i <= 11; ++i) expectVertex(i, 10 + 5 * i, 126 - 5 * i);  // up to (65, 71)
    for (int i = 12; i < 36; ++i) expectVertex(i, 10 + 5 * i, 68);  // row 126 - 0.5 * 116

    effect->setParameterValue(kClip, 1.0);
    effect->setParameterValue(kGain, 1.0);  // 12 dB: factor about 3.98
    graph->draw(*surface);
    EXPECT_NEAR(graph->points[5].y, 26.5, 0.05);
    EXPECT_NEAR(graph->points[5].y, 126 - 3.981071705534972 * 25.0, 1e-9);
    for (int i = 6; i < 36; ++i) expectVertex(i, 10 + 5 * i, 10);  // from x = 40

    // Softness 100 %: the knee runs from 0 to twice the clip level, u - u^2 / 4 across the plot.
    effect->setParameterValue(kGain, 0.0);
    effect->setParameterValue(kSoftness, 1.0);
    graph->draw(*surface);
    for (int i = 0; i < 36; ++i) {
        const double u = 5.0 * i / 116.0;
        EXPECT_NEAR(graph->points[i].y, 126.0 - (u - u * u / 4.0) * 116.0, 1e-9) << i;
    }
}

TEST_F(GraphTest, RedrawsOnEveryParameterStepButNotForOversampling)
{
    EXPECT_FALSE(redraws());
    effect->setParameterValue(kOversample, 1.0);
    EXPECT_FALSE(redraws()) << "the switch does not change the curve";
    effect->setBypass(true);
    EXPECT_FALSE(redraws());
    // The smallest step of each parameter is drawn.
    effect->setParameterValue(kGain, 1.0 / 120.0);
    EXPECT_TRUE(redraws());
    effect->setParameterValue(kClip, 0.99);
    EXPECT_TRUE(redraws());
    effect->setParameterValue(kSoftness, 0.01);
    EXPECT_TRUE(redraws());
    EXPECT_FALSE(redraws());
    // prepare (a full redraw) and reset mark it dirty.
    graph->prepare(*surface);
    EXPECT_TRUE(redraws());
    graph->reset();
    EXPECT_TRUE(redraws());
}

TEST(Graph, ANarrowOrFlatPlotDrawsNoLine)
{
    auto effect = makeEffect();
    std::unique_ptr<ZSurface> surface(ZSurface::create(nullptr, 60, 60));
    ASSERT_NE(surface, nullptr);
    for (const auto& plot : {std::pair<int, int>{4, 40}, std::pair<int, int>{40, 0}}) {
        for (int32_t i = 0; i < 60 * 60; ++i) surface->pixels()[i] = 0x00345678u;
        SarvoGraph graph(effect.get(), 2, 2, plot.first, plot.second, &kLt);
        place(&graph, 1, 5, 5, 50, 50);
        EXPECT_EQ(graph.pointCount, plot.first / 5);
        EXPECT_TRUE(graph.valid());
        surface->setClip(5, 5, 50, 50);
        graph.reset();
        graph.prepare(*surface);
        surface->fillRect(ZColour{255, 0, 0, 255}, 0, 0, 50, 50);  // what an old line would be
        graph.draw(*surface);
        for (int32_t i = 0; i < 60 * 60; ++i)
            ASSERT_EQ(surface->pixels()[i] & 0xFFFFFFu, 0x345678u) << "plot " << plot.first << " x " << plot.second;
    }
}

// A skin with the lt colour and one graph line.
std::string graphSkin(const std::string& arguments)
{
    return "AddResource lt RGBColour 125 146 163\r\n"
           "AddResource img PngResource PNG_FILE XQ_OVERSAMP 101 21 2\r\n"
           "Set Width 300\r\nSet Height 200\r\nSet PageCount 1\r\n"
           "AddControl 1 17 109 203 136 SarvoGraph " +
        arguments + "\r\nAddControl 1 0 0 42 44 ZImgPot Gain img\r\n";
}

TEST(Graph, OnlyACorrectLineMakesAGraph)
{
    SarvoEffect effect(nullptr);
    SarvoSkinFactory factory(&effect);
    struct Case {
        const char* arguments;
        bool made;
    };
    const Case cases[] = {
        {"10 10 183 116 lt", true},   {"10 10 183 116", false},    {"10 10 183 116 lt lt", false},
        {"10 10 -183 116 lt", false}, {"-1 10 183 116 lt", false}, {"10 10 183 116 dark", false},
        {"10 10 183 116 img", false}, {"0 0 0 0 LT", true},        {"10 10 2000000000 116 lt", false},
    };
    for (const Case& c : cases) {
        const std::string text = graphSkin(c.arguments);
        ZResourceStream source(text.data(), text.size());
        std::unique_ptr<ZSkin> skin(parseSkin(&factory, &source));
        ASSERT_TRUE(skin) << c.arguments;
        // A failing line ends the parse: the pot after it is not made either.
        EXPECT_EQ(skin->controls.size(), c.made ? 2u : 0u) << c.arguments;
        if (c.made) {
            EXPECT_NE(dynamic_cast<SarvoGraph*>(skin->controls[0]), nullptr);
        }
    }
}

}  // namespace
