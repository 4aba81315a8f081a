// Puts the built-in skin's pictures together the way the editor does, with the framework's own
// PNG loader, image frames and surface primitives, and writes the result as a PNG:
//
//   sarvo_artwork_preview [--skin <skin text>] <resources dir> <output.png> [gain dB] [clip 0..1]
//                         [softness 0..1] [oversampling 0/1] [enlargement]
//
// The places and sizes come from the skin text (by default the built-in skin); where the plug-in's
// own parser stops in that text, a warning says at which line and why.
// The knobs show the given settings, the graph a curve of the same shape as the effect's, the
// displays a made-up envelope, and the value texts are drawn with the framework's 14-pixel font.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "controls/credit_strip.h"
#include "gui/surface.h"
#include "layout.h"
#include "png_out.h"
#include "effect/sarvo_effect.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"
#include "skin_resources/png.h"
#include "skin_resources/resources.h"
#include "skin_resources/skin_reader.h"

using namespace art;

namespace {

ZColour colour(int r, int g, int b) { return ZColour{uint8_t(r), uint8_t(g), uint8_t(b), 255}; }

ZColour colour(const Rgb& c) { return colour(c.r, c.g, c.b); }

uint32_t colorref(const ZColour& c) { return uint32_t(c.r) | (uint32_t(c.g) << 8) | (uint32_t(c.b) << 16); }

double curve(double x, double clip, double softness)
{
    const double k0 = clip * (1.0 - softness), k1 = clip * (1.0 + softness);
    if (x <= k0) return x;
    if (x >= k1) return clip;
    const double u = x - k0;
    return k0 + u - u * u / (4.0 * clip * softness);
}

// What the picture shows: the settings of the knobs and the switch, and its enlargement.
struct Settings {
    std::string skin = kDefaultSkin;
    std::string resources;
    std::string output;
    double gainDb = 4.0;
    double clip = 0.8;
    double softness = 0.5;
    bool oversampling = true;
    int zoom = 1;
};

bool parseArguments(int argc, char** argv, Settings& s)
{
    std::vector<const char*> positional;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--skin") == 0 && i + 1 < argc)
            s.skin = argv[++i];
        else
            positional.push_back(argv[i]);
    }
    const size_t n = positional.size();
    if (n < 2) return false;
    s.resources = positional[0];
    s.output = positional[1];
    if (n > 2) s.gainDb = std::atof(positional[2]);
    if (n > 3) s.clip = std::atof(positional[3]);
    if (n > 4) s.softness = std::atof(positional[4]);
    if (n > 5) s.oversampling = std::atoi(positional[5]) != 0;
    if (n > 6) s.zoom = std::max(1, std::min(8, std::atoi(positional[6])));
    return true;
}

ZImageResource* load(const std::string& path, const Strip& strip)
{
    int32_t status = kPngOk;
    ZBitmap* bitmap = loadImageFile(path, &status);
    if (!bitmap) {
        std::fprintf(stderr, "sarvo_artwork_preview: cannot load %s: %s\n", path.c_str(), pngStatusText(status));
        return nullptr;
    }
    return new ZImageResource(bitmap, strip.frameWidth, strip.frameHeight, strip.frames);
}

// The skin's three pictures, loaded from the resources directory.
struct Pictures {
    std::unique_ptr<ZImageResource> background, knob, toggle;

    bool load(const std::string& dir, const Layout& layout)
    {
        background.reset(::load(dir + "/background.png", layout.background));
        knob.reset(::load(dir + "/bigpot.png", layout.knob));
        toggle.reset(::load(dir + "/oversample.png", layout.toggle));
        return background && knob && toggle;
    }
};

// Knobs at the settings' positions with their value texts in the framework's 14-pixel font, and
// the switch.
void drawKnobsAndSwitch(ZSurface& surface, const Layout& layout, const Pictures& pictures, const Settings& s)
{
    const double positions[3] = {s.gainDb / 12.0, s.clip, s.softness};
    char texts[3][32];
    std::snprintf(texts[0], sizeof texts[0], "%.1f dB", s.gainDb);
    std::snprintf(texts[1], sizeof texts[1], "%.0f %%", s.clip * 100.0);
    std::snprintf(texts[2], sizeof texts[2], "%.0f %%", s.softness * 100.0);
    platform::FontHandle font = platform::createFont(14);
    for (int i = 0; i < 3; ++i) {
        const Rect& k = layout.knobs[i];
        surface.setClip(k.x, k.y, k.w, k.h);
        pictures.knob->drawImageFrame(&surface, int((layout.knob.frames - 1) * positions[i] + 0.5));
        const Rect& v = layout.values[i];
        surface.setClip(v.x, v.y, v.w, v.h);
        if (font)
            surface.drawText(texts[i], 0, 0, v.w, v.h, font, colorref(colour(layout.valueText)),
                             platform::kTextCenter | platform::kTextVCenter | platform::kTextSingleLine |
                                 platform::kTextNoClip);
    }
    if (font) platform::destroyFont(font);
    const Rect& t = layout.toggleRect;
    surface.setClip(t.x, t.y, t.w, t.h);
    pictures.toggle->drawImageFrame(&surface, s.oversampling ? 1 : 0);
}

// Graph: points five pixels apart, one level unit = plot height, as the graph control draws.
void drawGraph(ZSurface& surface, const Layout& layout, const Settings& s)
{
    const Rect& plot = layout.plot;
    const double gain = std::pow(10.0, s.gainDb / 20.0);
    std::vector<ZPointD> points;
    const double step = 5.0 / plot.h;
    for (int i = 0; i < plot.w / 5; ++i) {
        const double a = i * step;
        points.push_back(ZPointD{plot.x + a * plot.h, plot.y + plot.h - curve(gain * a, s.clip, s.softness) * plot.h});
    }
    surface.setClip(layout.graph.x, layout.graph.y, layout.graph.w, layout.graph.h);
    surface.drawPolyline(colour(layout.curve), points.data(), int32_t(points.size()));
}

// Displays: input envelope in back, output in fore over it, zero line and clip-level lines.
void drawDisplays(ZSurface& surface, const Layout& layout, const Settings& s)
{
    const double gain = std::pow(10.0, s.gainDb / 20.0);
    for (int ch = 0; ch < 2; ++ch) {
        const Rect& r = layout.waves[ch];
        surface.setClip(r.x, r.y, r.w, r.h);
        const int mid = r.h / 2;
        const double scale = r.h * 0.5;
        auto row = [&](double v) {
            const double sv = scale * v;
            return mid - int(sv >= 0 ? sv + 0.5 : sv - 0.5);
        };
        for (int x = 0; x < r.w; ++x) {
            const double env = std::fabs(0.5 * std::sin(x * 0.09 + ch) + 0.3 * std::sin(x * 0.31 + 2.0 * ch));
            const double in = std::min(env * gain, 1.0);
            const double out = curve(env * gain, s.clip, s.softness);
            surface.drawVLine(colour(layout.back), x, row(in), row(-in));
            surface.drawVLine(colour(layout.fore), x, row(out), row(-out));
        }
        surface.drawHLine(colour(layout.axis), mid, 0, r.w);
        surface.drawHLine(colour(layout.axis), row(s.clip), 0, r.w);
        surface.drawHLine(colour(layout.axis), row(-s.clip), 0, r.w);
    }
}

// The surface as 8-bit RGB, each pixel repeated zoom x zoom times.
bool writeSurface(const ZSurface& surface, int zoom, const std::string& path)
{
    std::vector<uint8_t> rgb;
    const uint32_t* px = surface.pixels();
    const int w = surface.width(), h = surface.height();
    for (int y = 0; y < h * zoom; ++y) {
        for (int x = 0; x < w * zoom; ++x) {
            const uint32_t p = px[(y / zoom) * w + x / zoom];
            rgb.push_back(uint8_t(p >> 16));
            rgb.push_back(uint8_t(p >> 8));
            rgb.push_back(uint8_t(p));
        }
    }
    return writePng(path, w * zoom, h * zoom, 2, 8, rgb);
}

// Parses the skin text as the plug-in does, with the built-in pictures, and says where and why the
// parser stops if it does: a preview of a skin the plug-in cannot show is worth knowing about.
void checkWithThePluginsParser(const std::string& path)
{
    SarvoEffect effect(nullptr);
    SarvoSkinFactory factory(&effect);
    ZFileStream file;
    file.open(path);
    ZSkinError error;
    std::unique_ptr<ZSkin> skin(parseSkin(&factory, &file, &error));
    if (!error.reason.empty())
        std::fprintf(stderr, "sarvo_artwork_preview: warning: the plug-in's parser stops at %s:%d: %s\n",
                     path.c_str(), static_cast<int>(error.line), error.reason.c_str());
}

}  // namespace

int main(int argc, char** argv)
{
    Settings settings;
    if (!parseArguments(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: sarvo_artwork_preview [--skin <skin text>] <resources dir> <output.png> [gain dB] "
                     "[clip] [softness] [oversampling] [enlargement]\n");
        return 2;
    }
    Layout layout;
    std::string error;
    if (!loadLayout(settings.skin, layout, error)) {
        std::fprintf(stderr, "sarvo_artwork_preview: %s\n", error.c_str());
        return 1;
    }
    checkWithThePluginsParser(settings.skin);
    Pictures pictures;
    const int height = layout.height + kCreditStripHeight;
    std::unique_ptr<ZSurface> surface(ZSurface::create(nullptr, layout.width, height));
    if (!pictures.load(settings.resources, layout) || !surface) return 1;

    surface->resetClip();
    surface->fillRect(colour(0, 0, 0), 0, 0, layout.width, height);
    surface->setClip(0, 0, layout.width, layout.height);
    pictures.background->drawImageFrame(surface.get(), 0);
    drawKnobsAndSwitch(*surface, layout, pictures, settings);
    drawGraph(*surface, layout, settings);
    drawDisplays(*surface, layout, settings);

    if (!writeSurface(*surface, settings.zoom, settings.output)) {
        std::fprintf(stderr, "sarvo_artwork_preview: cannot write %s\n", settings.output.c_str());
        return 1;
    }
    return 0;
}
