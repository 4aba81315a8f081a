// Puts the built-in skin's pictures together the way the editor does, with the framework's own
// PNG loader, image frames and surface primitives, and writes the result as a PNG:
//
//   sarvo_artwork_preview <resources dir> <output.png> [gain dB] [clip 0..1] [softness 0..1] [oversampling 0/1]
//                         [enlargement]
//
// The knobs show the given settings, the graph a curve of the same shape as the effect's, the
// displays a made-up envelope, and the value texts are drawn with the framework's 14-pixel font.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gui/surface.h"
#include "layout.h"
#include "png_out.h"
#include "skin/resources.h"

using namespace art;

namespace {

ZColour colour(int r, int g, int b) { return ZColour{uint8_t(r), uint8_t(g), uint8_t(b), 255}; }

uint32_t colorref(const ZColour& c) { return uint32_t(c.r) | (uint32_t(c.g) << 8) | (uint32_t(c.b) << 16); }

double curve(double x, double clip, double softness)
{
    const double k0 = clip * (1.0 - softness), k1 = clip * (1.0 + softness);
    if (x <= k0) return x;
    if (x >= k1) return clip;
    const double u = x - k0;
    return k0 + u - u * u / (4.0 * clip * softness);
}

ZImageResource* load(const std::string& path, int fw, int fh, int frames)
{
    ZBitmap* bitmap = loadImageFile(path);
    if (!bitmap) {
        std::fprintf(stderr, "sarvo_artwork_preview: cannot load %s\n", path.c_str());
        return nullptr;
    }
    return new ZImageResource(bitmap, fw, fh, frames);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr,
                     "usage: sarvo_artwork_preview <resources dir> <output.png> [gain dB] [clip] [softness] "
                     "[oversampling] [enlargement]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const double gainDb = argc > 3 ? std::atof(argv[3]) : 4.0;
    const double clip = argc > 4 ? std::atof(argv[4]) : 0.8;
    const double softness = argc > 5 ? std::atof(argv[5]) : 0.5;
    const bool oversampling = argc > 6 ? std::atoi(argv[6]) != 0 : true;
    const int zoom = argc > 7 ? std::max(1, std::min(8, std::atoi(argv[7]))) : 1;

    ZImageResource* background = load(dir + "/background.png", kSkinWidth, kSkinHeight, 1);
    ZImageResource* knob = load(dir + "/bigpot.png", kKnobWidth, kKnobHeight, kKnobFrames);
    ZImageResource* sw = load(dir + "/oversample.png", kSwitchWidth, kSwitchHeight, 2);
    ZSurface* surface = ZSurface::create(nullptr, kSkinWidth, kSkinHeight + 12);
    if (!background || !knob || !sw || !surface) return 1;

    surface->resetClip();
    surface->fillRect(colour(0, 0, 0), 0, 0, kSkinWidth, kSkinHeight + 12);
    surface->setClip(0, 0, kSkinWidth, kSkinHeight);
    background->drawImageFrame(surface, 0);

    const double positions[3] = {gainDb / 12.0, clip, softness};
    char texts[3][32];
    std::snprintf(texts[0], sizeof texts[0], "%.1f dB", gainDb);
    std::snprintf(texts[1], sizeof texts[1], "%.0f %%", clip * 100.0);
    std::snprintf(texts[2], sizeof texts[2], "%.0f %%", softness * 100.0);
    platform::FontHandle font = platform::createFont(14);
    for (int i = 0; i < 3; ++i) {
        surface->setClip(kKnobs[i].x, kKnobs[i].y, kKnobs[i].w, kKnobs[i].h);
        knob->drawImageFrame(surface, int((kKnobFrames - 1) * positions[i] + 0.5));
        const Rect& v = kValues[i];
        surface->setClip(v.x, v.y, v.w, v.h);
        if (font)
            surface->drawText(texts[i], 0, 0, v.w, v.h, font, colorref(colour(145, 152, 159)),
                              platform::kTextCenter | platform::kTextVCenter | platform::kTextSingleLine |
                                  platform::kTextNoClip);
    }
    surface->setClip(kSwitch.x, kSwitch.y, kSwitch.w, kSwitch.h);
    sw->drawImageFrame(surface, oversampling ? 1 : 0);

    // Graph: points five pixels apart, one level unit = plot height, as the graph control draws.
    const double gain = std::pow(10.0, gainDb / 20.0);
    std::vector<ZPointD> points;
    const double step = 5.0 / kPlot.h;
    for (int i = 0; i < kPlot.w / 5; ++i) {
        const double a = i * step;
        points.push_back(ZPointD{kPlot.x + a * kPlot.h, kPlot.y + kPlot.h - curve(gain * a, clip, softness) * kPlot.h});
    }
    surface->setClip(kGraph.x, kGraph.y, kGraph.w, kGraph.h);
    surface->drawPolyline(colour(125, 146, 163), points.data(), int32_t(points.size()));

    // Displays: input envelope in back, output in fore over it, zero line and clip-level lines.
    for (int ch = 0; ch < 2; ++ch) {
        const Rect& r = kWaves[ch];
        surface->setClip(r.x, r.y, r.w, r.h);
        const int mid = r.h / 2;
        const double scale = r.h * 0.5;
        auto row = [&](double v) {
            const double s = scale * v;
            return mid - int(s >= 0 ? s + 0.5 : s - 0.5);
        };
        for (int x = 0; x < r.w; ++x) {
            const double env = std::fabs(0.5 * std::sin(x * 0.09 + ch) + 0.3 * std::sin(x * 0.31 + 2.0 * ch));
            const double in = std::min(env * gain, 1.0);
            const double out = curve(env * gain, clip, softness);
            surface->drawVLine(colour(65, 75, 85), x, row(in), row(-in));
            surface->drawVLine(colour(110, 125, 130), x, row(out), row(-out));
        }
        surface->drawHLine(colour(125, 145, 160), mid, 0, r.w);
        surface->drawHLine(colour(125, 145, 160), row(clip), 0, r.w);
        surface->drawHLine(colour(125, 145, 160), row(-clip), 0, r.w);
    }

    // Copy out as 8-bit RGB, each pixel repeated zoom x zoom times.
    std::vector<uint8_t> rgb;
    const uint32_t* px = surface->pixels();
    const int w = surface->width(), h = surface->height();
    for (int y = 0; y < h * zoom; ++y) {
        for (int x = 0; x < w * zoom; ++x) {
            const uint32_t p = px[(y / zoom) * w + x / zoom];
            rgb.push_back(uint8_t(p >> 16));
            rgb.push_back(uint8_t(p >> 8));
            rgb.push_back(uint8_t(p));
        }
    }
    const bool ok = writePng(argv[2], w * zoom, h * zoom, 2, 8, rgb);
    if (font) platform::destroyFont(font);
    delete surface;
    delete background;
    delete knob;
    delete sw;
    if (!ok) {
        std::fprintf(stderr, "sarvo_artwork_preview: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
