// Renders the built-in skin's pictures into PNG files:
//
//   sarvo_artwork <output dir> [--fonts <dir>] [--preview <dir>] [--skin <skin text>]
//
// writes background.png (8-bit RGB), bigpot.png (16-bit RGBA, the knob frames) and
// oversample.png (8-bit RGBA, switch off and on) into the output directory, at the sizes and
// frame counts of the skin text (by default the built-in skin, src/resources/sarvo.skin), and the
// same three drawn for the editor's larger scales: background_2x.png, bigpot_2x.png,
// oversample_2x.png at twice every size and the _3x files at three times (all 8-bit, the knob
// frames in one row; the module carries them as resources of their own). With --preview it also writes enlarged views of some
// knob and switch frames and a picture of the whole editor as the skin puts it together, with a
// sample curve, sample envelopes and value texts, for looking at the artwork.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "artwork.h"
#include "controls/credit_strip.h"
#include "layout.h"
#include "png_out.h"
#include "text.h"

using namespace art;

namespace {

bool save(const std::string& path, const Canvas& c, int bitDepth, bool alpha)
{
    if (!writePng(path, c.width(), c.height(), alpha ? 6 : 2, bitDepth, c.samples(bitDepth, alpha))) {
        std::fprintf(stderr, "sarvo_artwork: cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("wrote %s\n", path.c_str());
    return true;
}

// The picture enlarged by an integer factor, over an opaque backdrop.
Canvas enlarged(const Canvas& c, int factor, const Colour& backdrop)
{
    Canvas out(c.width() * factor, c.height() * factor);
    out.fillBox(Box{0, 0, out.width(), out.height()}, solid(backdrop));
    Canvas big(out.width(), out.height());
    for (int y = 0; y < big.height(); ++y)
        for (int x = 0; x < big.width(); ++x) big.at(x, y) = c.at(x / factor, y / factor);
    out.draw(big, 0, 0);
    return out;
}

// A rectangle cut out of a picture.
Canvas crop(const Canvas& c, int x0, int y0, int w, int h)
{
    Canvas out(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) out.at(x, y) = c.at(x0 + x, y0 + y);
    return out;
}

// A frame cut out of a strip.
Canvas frameOf(const Canvas& strip, int frameHeight, int index)
{
    Canvas out(strip.width(), frameHeight);
    for (int y = 0; y < frameHeight; ++y)
        for (int x = 0; x < strip.width(); ++x) out.at(x, y) = strip.at(x, index * frameHeight + y);
    return out;
}

// Soft-knee curve like the effect's: linear, a quadratic knee, then flat at the clip level.
double sampleCurve(double x, double clip, double softness)
{
    const double knee0 = clip * (1.0 - softness);
    const double knee1 = clip * (1.0 + softness);
    if (x <= knee0) return x;
    if (x >= knee1) return clip;
    const double u = x - knee0;
    return knee0 + u - u * u / (4.0 * clip * softness);
}

// The whole editor: background, controls at sample settings, and the black credit strip.
Canvas editorPreview(const Layout& layout, const Canvas& background, const Canvas& knobs, const Canvas& switches,
                     const FontFiles& fonts)
{
    Canvas ed(layout.width, layout.height + kCreditStripHeight);
    ed.fillBox(Box{0, 0, ed.width(), ed.height()}, solid(rgb8(0, 0, 0)));
    ed.draw(background, 0, 0);
    const int frames[3] = {30, 72, 45};
    const char* values[3] = {"4.0 dB", "80 %", "50 %"};
    Font valueFont(fonts.regular, 12.0);
    for (int i = 0; i < 3; ++i) {
        ed.draw(frameOf(knobs, layout.knob.frameHeight, frames[i]), layout.knobs[i].x, layout.knobs[i].y);
        const Rect& v = layout.values[i];
        const double w = valueFont.measure(values[i]);
        valueFont.draw(ed, std::round(v.x + (v.w - w) / 2), v.y + 11, values[i], solid(layout.valueText.colour()));
    }
    ed.draw(frameOf(switches, layout.toggle.frameHeight, 1), layout.toggleRect.x, layout.toggleRect.y);

    // Curve: gain 4 dB, clip 0.8, softness 0.5, a two-pixel line through points five pixels apart.
    const double gain = std::pow(10.0, 4.0 / 20.0);
    const int left = layout.graph.x + layout.plot.x;
    const int bottom = layout.graph.y + layout.plot.y + layout.plot.h;
    const int points = layout.plot.w / 5;
    for (int i = 0; i + 1 < points; ++i) {
        const double a0 = i * 5.0 / layout.plot.h, a1 = (i + 1) * 5.0 / layout.plot.h;
        const double x0 = left + a0 * layout.plot.h, x1 = left + a1 * layout.plot.h;
        const double y0 = bottom - sampleCurve(gain * a0, 0.8, 0.5) * layout.plot.h;
        const double y1 = bottom - sampleCurve(gain * a1, 0.8, 0.5) * layout.plot.h;
        ed.fill(Box{int(x0) - 3, int(std::min(y0, y1)) - 3, int(x1) + 4, int(std::max(y0, y1)) + 4},
                segment(x0, y0, x1, y1, 2.0), solid(layout.curve.colour()));
    }

    // Envelopes: input in the colour back, output in fore over it, zero line and clip lines.
    for (int ch = 0; ch < 2; ++ch) {
        const Rect& r = layout.waves[ch];
        const int mid = r.h / 2;
        const double scale = r.h * 0.5;
        for (int x = 0; x < r.w; ++x) {
            const double env = 0.55 + 0.4 * std::sin(x * 0.11 + ch) * std::sin(x * 0.023 + 2.0 * ch);
            const double in = std::fabs(env) * gain;
            const double out = sampleCurve(in, 0.8, 0.5);
            const int yi = static_cast<int>(std::lround(scale * std::min(in, 1.0)));
            const int yo = static_cast<int>(std::lround(scale * out));
            ed.fillBox(Box{r.x + x, r.y + mid - yi, r.x + x + 1, r.y + mid + yi}, solid(layout.back.colour()));
            ed.fillBox(Box{r.x + x, r.y + mid - yo, r.x + x + 1, r.y + mid + yo}, solid(layout.fore.colour()));
        }
        const int lv = static_cast<int>(std::lround(scale * 0.8));
        for (int row : {mid, mid - lv, mid + lv})
            ed.fillBox(Box{r.x, r.y + row, r.x + r.w, r.y + row + 1}, solid(layout.axis.colour()));
    }

    Font credit(fonts.regular, 9.0);
    credit.draw(ed, 2, layout.height + 9, "Vendor Sarvo", solid(rgb8(127, 127, 127)));
    return ed;
}

bool writePreviews(const std::string& dir, const Layout& layout, const Canvas& background, const Canvas& knobs,
                   const Canvas& switches, const FontFiles& fonts)
{
    // Knob frames 0, 15, 30, 45, 60, 75, 90 side by side, enlarged, over the panel colour.
    const int picks[7] = {0, 15, 30, 45, 60, 75, 90};
    Canvas row(layout.knob.frameWidth * 7, layout.knob.frameHeight);
    row.fillBox(Box{0, 0, row.width(), row.height()}, linear(0, 0, panelTop(), 0, layout.height, panelBottom()));
    for (int i = 0; i < 7; ++i)
        row.draw(frameOf(knobs, layout.knob.frameHeight, picks[i]), i * layout.knob.frameWidth, 0);
    bool ok = save(dir + "/knob_frames_x4.png", enlarged(row, 4, rgb8(0, 0, 0)), 8, false);
    ok = save(dir + "/knob_alpha_x4.png", enlarged(frameOf(knobs, layout.knob.frameHeight, 45), 4, rgb8(255, 0, 255)),
              8, false) &&
        ok;
    ok = save(dir + "/switch_x4.png", enlarged(switches, 4, panelBottom()), 8, false) && ok;
    const Canvas ed = editorPreview(layout, background, knobs, switches, fonts);
    ok = save(dir + "/editor.png", ed, 8, false) && ok;
    ok = save(dir + "/editor_x2.png", enlarged(ed, 2, rgb8(0, 0, 0)), 8, false) && ok;
    ok = save(dir + "/editor_knobs_x4.png", enlarged(crop(ed, 0, 0, 236, 84), 4, rgb8(0, 0, 0)), 8, false) && ok;
    ok = save(dir + "/editor_names_x4.png", enlarged(crop(ed, 236, 0, 166, 100), 4, rgb8(0, 0, 0)), 8, false) && ok;
    ok = save(dir + "/editor_switch_x4.png", enlarged(crop(ed, 0, 236, 236, 97), 4, rgb8(0, 0, 0)), 8, false) && ok;
    return ok;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string outDir;
    std::string fontDir = "/usr/share/fonts/truetype/dejavu";
    std::string previewDir;
    std::string skinPath = kDefaultSkin;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fonts") == 0 && i + 1 < argc)
            fontDir = argv[++i];
        else if (std::strcmp(argv[i], "--preview") == 0 && i + 1 < argc)
            previewDir = argv[++i];
        else if (std::strcmp(argv[i], "--skin") == 0 && i + 1 < argc)
            skinPath = argv[++i];
        else if (argv[i][0] != '-' && outDir.empty())
            outDir = argv[i];
        else {
            std::fprintf(stderr,
                         "usage: sarvo_artwork <output dir> [--fonts <dir>] [--preview <dir>] [--skin <skin text>]\n");
            return 2;
        }
    }
    if (outDir.empty()) {
        std::fprintf(stderr,
                     "usage: sarvo_artwork <output dir> [--fonts <dir>] [--preview <dir>] [--skin <skin text>]\n");
        return 2;
    }
    const FontFiles fonts{fontDir + "/DejaVuSans.ttf", fontDir + "/DejaVuSans-Bold.ttf"};
    for (const std::string* f : {&fonts.regular, &fonts.bold}) {
        Font probe(*f, 12.0);
        if (!probe.ok()) {
            std::fprintf(stderr, "sarvo_artwork: cannot open font %s\n", f->c_str());
            return 1;
        }
    }

    Layout layout;
    std::string error;
    if (!loadLayout(skinPath, layout, error)) {
        std::fprintf(stderr, "sarvo_artwork: %s\n", error.c_str());
        return 1;
    }

    const Canvas background = renderBackground(layout, fonts);
    const Canvas knobs = renderKnobStrip(layout);
    const Canvas switches = renderSwitchStrip(layout, fonts);
    bool ok = save(outDir + "/background.png", background, 8, false);
    ok = save(outDir + "/bigpot.png", knobs, 16, true) && ok;
    ok = save(outDir + "/oversample.png", switches, 8, true) && ok;
    // The larger sets, drawn at their own resolution. 8-bit samples keep the module small: the
    // editor's decoder keeps 8 bits of every sample anyway.
    for (int scale : {2, 3}) {
        const std::string suffix = "_" + std::to_string(scale) + "x.png";
        ok = save(outDir + "/background" + suffix, renderBackground(layout, fonts, scale), 8, false) && ok;
        // The larger knob frames lie side by side in one row: deflate then finds most of each
        // frame in the frame just before it, which in a column would lie beyond its 32 KB window.
        ok = save(outDir + "/bigpot" + suffix, renderKnobStrip(layout, scale, layout.knob.frames), 8, true) && ok;
        ok = save(outDir + "/oversample" + suffix, renderSwitchStrip(layout, fonts, scale), 8, true) && ok;
    }
    if (!previewDir.empty()) {
        std::error_code ignored;
        std::filesystem::create_directories(previewDir, ignored);
    }
    if (!previewDir.empty()) ok = writePreviews(previewDir, layout, background, knobs, switches, fonts) && ok;
    return ok ? 0 : 1;
}
