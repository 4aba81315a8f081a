// Shared by the skin tests and the skin fuzzer: a small effect whose parameters, data items and
// commands cover every argument kind of the control factory, in-memory PNG images, and a factory
// that stands in a plain control for every keyword whose arguments resolve.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls/control.h"
#include "dsp/history.h"
#include "host/zplugin.h"
#include "model/parameter.h"
#include "png_test_support.h"
#include "skin/resource_registry.h"
#include "skin_resources/resources.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_factory.h"
#include "skin/skin_parser.h"
#include "skin_resources/skin_reader.h"

namespace skintest {

// Parameters "Gain" and "Mode"; commands "Reset" and "Store"; data items of every type the
// controls ask for, with and without data, plus a second "Level" of another type (first match wins).
class TestEffect : public ZPlugin {
public:
    TestEffect() : ZPlugin(nullptr, 2, 2)
    {
        auto* gain = new ZRangeParameter();
        gain->setName("Gain");
        gain->setRange(0.0, 12.0);
        defineParameter(0, gain);
        auto* mode = new ZSwitchParameter();
        mode->setName("Mode");
        defineParameter(1, mode);
        buildProgramStore();
        defineFeature(0, "History", "ZHistory", &history);
        defineFeature(1, "Level", "double", &level);
        defineFeature(2, "Count", "long", &count);
        defineFeature(3, "Caption", "char*", &caption);
        defineFeature(4, "NoHistory", "ZHistory", nullptr);
        defineFeature(5, "NoLevel", "double", nullptr);
        defineFeature(6, "NoCount", "long", nullptr);
        defineFeature(7, "NoCaption", "char*", nullptr);
        defineFeature(8, "Level", "long", &count);
        defineCommand("Reset");
        defineCommand("Store");
    }
    void processReplacing(float**, float**, VstInt32) override {}
    void reset() override {}
    bool acceptsIo(VstInt32, VstInt32) override { return true; }
    void applyProgram(VstInt32) override {}

    ZHistory history;  // empty (length 0)
    double level = 0.5;
    int32_t count = 3;
    const char* caption = "caption";
};

// A control with nothing of its own, standing in for the real control types.
class StubControl : public ZControl {
public:
    StubControl(ZEffectLink* effect, std::string keyword) : ZControl(effect), keyword(std::move(keyword)) {}
    void reset() override {}
    void draw(ZSurface&) override {}
    std::string keyword;
    ZControlArgs args;
};

// The standard factory (plus the graph keyword), but a keyword whose arguments all resolve gives
// a StubControl with the resolved arguments.
class StubFactory : public ZSkinFactory {
public:
    explicit StubFactory(ZPlugin* effect) : ZSkinFactory(effect) {}

    ZControl* createControl(ZSkin* skin, const char* keyword, int32_t argc, const char* const* argv) override
    {
        ZControlArgs args;
        const ZControlKeyword* row = nullptr;
        if (sameTextIgnoringCase(keyword, "SarvoGraph")) {
            if (resolve(SarvoSkinFactory::graphKeyword(), skin, argc, argv, args))
                row = &SarvoSkinFactory::graphKeyword();
        } else {
            row = resolveStandard(skin, keyword, argc, argv, args);
        }
        if (!row) return nullptr;
        auto* control = new StubControl(effect(), row->keyword);
        control->args = args;
        return control;
    }
};

// ---------------------------------------------------------------- PNG images

// An 8-bit RGBA PNG of the given pixels, four bytes r, g, b, a each.
inline std::vector<uint8_t> rgbaPng(int w, int h, const std::vector<uint8_t>& rgba)
{
    return pngtest::simplePng(pngtest::ihdrData(uint32_t(w), uint32_t(h), 8, 6),
                              pngtest::unfilteredLines(rgba, size_t(w) * 4));
}

// A w x h picture whose pixel (x, y) has red x, green y, blue 7 and alpha 255 (values wrap at 256).
inline std::vector<uint8_t> gradientPixels(int w, int h)
{
    std::vector<uint8_t> px;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) px.insert(px.end(), {uint8_t(x), uint8_t(y), 7, 255});
    return px;
}

// An image resource over a gradient picture, outside any skin.
inline ZImageResource* gradientImage(int w, int h, int frameW, int frameH, int frames)
{
    const std::vector<uint8_t> png = rgbaPng(w, h, gradientPixels(w, h));
    return new ZImageResource(loadImageBytes(png.data(), png.size()), frameW, frameH, frames);
}

// ---------------------------------------------------------------- parsing helpers

// Parses a skin text held in memory.
inline std::unique_ptr<ZSkin> parseText(ZSkinFactory& factory, const std::string& text)
{
    ZResourceStream source(text.data(), text.size());
    return std::unique_ptr<ZSkin>(parseSkin(&factory, &source));
}

// Appends a named resource to a skin directly, as the parser does.
inline ZResource* addResource(ZSkin& skin, const char* name, ZResource* resource)
{
    resource->setName(name);
    skin.resources.push_back(resource);
    return resource;
}

inline ZColourResource* colour(uint8_t r, uint8_t g, uint8_t b) { return new ZColourResource(ZColour{r, g, b, 255}); }

}  // namespace skintest
