// Shared pieces of the tests of the buttons, radios, page selectors, meters, readouts, drawn pots
// and composites: the gallery effect with the recording host, skins parsed from text with the
// gallery factory (so every control is made by the real factory), an open editor window, and
// pixel helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gallery/gallery_effect.h"
#include "gui_test_support.h"

namespace more_test {

using gui_test::HostRequest;
using gui_test::HostWindow;

// Resources every test skin starts with: exact colours, two fonts in colours of their own, film
// strips, and a 300 x 200 area with `pages` pages whose background frames are distinct flat
// colours (frame f: blue = 40 + 50 f).
inline std::string header(int32_t pages = 3)
{
    std::string s = "AddResource black  RGBColour 0 0 0\n"
                    "AddResource border RGBColour 10 20 30\n"
                    "AddResource off    RGBColour 200 0 0\n"
                    "AddResource on     RGBColour 0 200 0\n"
                    "AddResource held   RGBColour 0 0 200\n"
                    "AddResource extra  RGBColour 120 120 0\n"
                    "AddResource ink    RGBColour 255 255 255\n"
                    "AddResource hot    RGBColour 255 0 255\n"
                    "AddResource font   DefFont 14 ink\n"
                    "AddResource hotfont DefFont 14 hot\n"
                    "AddResource radio  PngResource GALLERY radio 20 20 3\n"
                    "AddResource radio2 PngResource GALLERY radio 20 20 2\n"
                    "AddResource pagesel PngResource GALLERY pagesel 22 22 3\n"
                    "AddResource command PngResource GALLERY command 32 32 2\n"
                    "AddResource meter  PngResource GALLERY meter 22 100 10\n"
                    "Set Width 300\nSet Height 200\n";
    s += "Set PageCount " + std::to_string(pages) + "\n";
    return s;
}

// The colours of the header, as surface pixels.
constexpr uint32_t kBlack = 0x000000, kBorder = 0x0A141E, kOff = 0xC80000, kOn = 0x00C800, kHeld = 0x0000C8,
                   kExtra = 0x787800;

// A background image of `frames` flat frames, 300 x 200 each; frame f is 0x2020(40 + 50 f).
inline ZImageResource* flatBackground(int32_t frames)
{
    ZBitmap* image = new ZBitmap(300, 200 * frames);
    for (int32_t f = 0; f < frames; ++f)
        for (int32_t i = 0; i < 300 * 200; ++i)
            image->pixels[f * 300 * 200 + i] = 0xFF202000u | static_cast<uint32_t>(40 + 50 * f);
    ZImageResource* r = new ZImageResource(image, 300, 200, frames);
    r->setName("flatbackground");
    return r;
}
inline uint32_t backgroundPixel(int32_t frame) { return 0x202000u | static_cast<uint32_t>(40 + 50 * frame); }

class MoreControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_test::hostRequests().clear();
        effect.reset(new GalleryEffect(&gui_test::recordingHost));
    }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }

    // Parses header(pages) + lines; fails the test when the skin does not hold `expected` controls.
    ZSkin* parse(const std::string& lines, size_t expected, int32_t pages = 3)
    {
        ZSkin* skin = parseGallerySkinText(effect.get(), header(pages) + lines);
        EXPECT_NE(skin, nullptr);
        if (skin) {
            EXPECT_EQ(skin->controls.size(), expected) << "a line did not make its control";
            if (!skin->background) {
                ZImageResource* bg = flatBackground(pages);
                skin->resources.push_back(bg);
                skin->background = bg;
                skin->pageFrames.clear();
                for (int32_t p = 0; p < pages; ++p) skin->pageFrames.push_back(p);
            }
        }
        return skin;
    }
    // Parses and opens an editor window over the skin; extra controls (owned by the skin) are
    // appended after the parsed ones.
    void open(const std::string& lines, size_t expected, int32_t pages = 3, std::vector<ZControl*> extra = {})
    {
        ZSkin* skin = parse(lines, expected, pages);
        ASSERT_NE(skin, nullptr);
        for (ZControl* c : extra) skin->controls.push_back(c);
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(skin);
        host.reset(new HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
        gui_test::hostRequests().clear();
    }
    template <class T>
    T* control(size_t i)
    {
        if (!window || !window->skin() || i >= window->skin()->controls.size()) return nullptr;
        return dynamic_cast<T*>(window->skin()->controls[i]);
    }
    platform::WindowHandle h() { return window->handle(); }
    void press(int32_t x, int32_t y, uint32_t keys = 0)
    {
        gui_test::mouse(h(), platform::kWmLeftButtonDown, x, y, keys);
    }
    void release(int32_t x, int32_t y, uint32_t keys = 0)
    {
        gui_test::mouse(h(), platform::kWmLeftButtonUp, x, y, keys);
    }
    void moveTo(int32_t x, int32_t y, uint32_t keys = 0) { gui_test::mouse(h(), platform::kWmMouseMove, x, y, keys); }
    // What a paint draws (without the copy to the window).
    void paint() { window->drawControls(); }
    uint32_t px(int32_t x, int32_t y) { return gui_test::pixel(*window->surface(), x, y); }
    double value(int32_t index) { return effect->parameterValue(index); }

    // Pixels of the window rectangle that have the colour.
    int32_t count(uint32_t colour, int32_t x0, int32_t y0, int32_t x1, int32_t y1)
    {
        int32_t n = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) n += px(x, y) == colour;
        return n;
    }

    std::unique_ptr<GalleryEffect> effect;
    std::unique_ptr<HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
};

// Whether text can be drawn here (the POSIX surface needs its font renderer).
inline bool textAvailable()
{
    std::unique_ptr<ZSurface> s(ZSurface::create(nullptr, 40, 20));
    ZDefFont* font = ZDefFont::create(14, ZColour{255, 255, 255, 255});
    bool any = false;
    if (s && font) {
        font->drawText(s.get(), "Wg", 0, 0, 40, 20, kAlignLeft);
        for (int32_t i = 0; i < 40 * 20; ++i) any = any || (s->pixels()[i] & 0xFFFFFF) != 0;
    }
    delete font;
    return any;
}

}  // namespace more_test
