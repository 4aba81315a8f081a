// The page background: everything the controls do not draw themselves.
#include <cmath>

#include "artwork.h"
#include "layout.h"
#include "text.h"

namespace art {

namespace {

Box around(const Rect& r, int margin)
{
    return Box{r.x - margin, r.y - margin, r.x + r.w + margin, r.y + r.h + margin};
}

// A one-pixel line along a pixel row or column, crisp.
void hline(Canvas& c, int y, int x0, int x1, const Colour& colour) { c.fillBox(Box{x0, y, x1, y + 1}, solid(colour)); }

void vline(Canvas& c, int x, int y0, int y1, const Colour& colour) { c.fillBox(Box{x, y0, x + 1, y1}, solid(colour)); }

// Every other pixel of a row or column.
void dottedH(Canvas& c, int y, int x0, int x1, const Colour& colour, int period = 2)
{
    for (int x = x0; x < x1; x += period) c.blend(x, y, colour, 1.0);
}

void dottedV(Canvas& c, int x, int y0, int y1, const Colour& colour, int period = 2)
{
    for (int y = y0; y < y1; y += period) c.blend(x, y, colour, 1.0);
}

// A recessed screen filling the rectangle exactly: dark face, a soft shade along its top and
// left inner edges, and around it a dark rim with a faint light lip below and right, as if the
// screen were set into the panel.
void screen(Canvas& c, const Rect& r)
{
    const double x0 = r.x, y0 = r.y, x1 = r.x + r.w, y1 = r.y + r.h;
    // Lip of light below the rim (lower and right edges catch the light).
    c.fill(around(r, 4), roundRect(x0 - 2, y0 - 2, x1 + 2.6, y1 + 2.6, 3.5), solid(bevelLight()), 0.55);
    // Dark rim.
    c.fill(around(r, 4), roundRect(x0 - 2, y0 - 2, x1 + 2, y1 + 2, 3.0), solid(screenEdge()));
    // Face, with a faint vertical sheen so the glass does not look flat.
    const Colour top = mix(screenColour(), rgb8(0, 0, 0), 0.12);
    const Colour bottom = mix(screenColour(), rgb8(255, 255, 255), 0.015);
    c.fillBox(Box{r.x, r.y, r.x + r.w, r.y + r.h}, linear(0, y0, top, 0, y1, bottom));
    // Inner shade along the top and left edges.
    c.fillBox(Box{r.x, r.y, r.x + r.w, r.y + r.h}, [=](double x, double y) {
        const double s = 0.45 * std::exp(-(y - y0) / 1.6) + 0.25 * std::exp(-(x - x0) / 1.6);
        return Colour{0, 0, 0, clamp01(s)};
    });
}

// A small recessed plate behind a value text.
void readout(Canvas& c, const Rect& v)
{
    const double x0 = v.x - 3, y0 = v.y - 1, x1 = v.x + v.w + 3, y1 = v.y + v.h + 1;
    const Box box{v.x - 6, v.y - 4, v.x + v.w + 6, v.y + v.h + 4};
    c.fill(box, roundRect(x0, y0 + 0.6, x1, y1 + 0.6, 3.5), solid(bevelLight()), 0.45);
    c.fill(box, roundRect(x0, y0, x1, y1, 3.5), solid(rgb8(31, 37, 43)));
    c.fill(box, roundRect(x0 + 1, y0 + 1, x1 - 1, y1 - 1, 2.5),
           linear(0, y0, rgb8(40, 47, 54), 0, y1, rgb8(47, 55, 63)));
}

// Text with a faint dark shadow one pixel below it, as if engraved into the panel.
void engraved(Canvas& c, const Font& f, double x, double baseline, const std::string& text, const Paint& paint,
              double tracking = 0.0)
{
    f.draw(c, x, baseline + 1, text, solid(rgb8(30, 36, 42)), tracking, 0.55);
    f.draw(c, x, baseline, text, paint, tracking);
}

void knobSection(Canvas& c, const Layout& layout, const FontFiles& fonts)
{
    Font label(fonts.regular, 11.0, c.scale());
    for (int i = 0; i < 3; ++i) {
        const Rect& k = layout.knobs[i];
        const double cx = k.x + kKnobCentreX;
        const double w = label.measure(kKnobLabels[i]);
        engraved(c, label, std::round((cx - w / 2) * 4) / 4, 13, kKnobLabels[i], solid(labelColour()));
        readout(c, layout.values[i]);
    }
}

void graphSection(Canvas& c, const Layout& layout, const FontFiles& fonts)
{
    screen(c, layout.graph);
    const int left = layout.graph.x + layout.plot.x;  // column of the output axis
    const int bottom = layout.graph.y + layout.plot.y + layout.plot.h;  // row of the input axis
    const int top = layout.graph.y + layout.plot.y;
    const int right = left + layout.plot.w;
    const int unit = layout.plot.h;  // pixels per level unit, both axes
    const int step = unit / 4;  // grid every quarter unit

    const Colour grid = rgb8(45, 53, 61);
    const Colour gridMajor = rgb8(56, 66, 76);
    // Grid: quarter levels dotted, whole levels solid.
    for (int k = 1; left + k * step <= right; ++k) {
        const int x = left + (k * unit) / 4;
        if (k % 4 == 0)
            vline(c, x, top, bottom, gridMajor);
        else
            dottedV(c, x, top + 1, bottom, grid);
    }
    for (int k = 1; k <= 4; ++k) {
        const int y = bottom - (k * unit) / 4;
        if (k % 4 == 0)
            hline(c, y, left, right, gridMajor);
        else
            dottedH(c, y, left + 1, right, grid);
    }
    // Unity line (output = input), faint and anti-aliased.
    c.fill(Box{left, top, right, bottom + 1},
           segment(left + 0.5, bottom + 0.5, left + unit + 0.5, bottom - unit + 0.5, 1.0), solid(rgb8(54, 63, 72)));
    // Axes with small ticks at every half unit.
    const Colour axis = rgb8(92, 108, 121);
    hline(c, bottom, left, right + 1, axis);
    vline(c, left, top, bottom + 1, axis);
    for (int k = 0; left + (k * unit) / 2 <= right; ++k) vline(c, left + (k * unit) / 2, bottom + 1, bottom + 4, axis);
    for (int k = 0; k <= 2; ++k) hline(c, bottom - (k * unit) / 2, left - 3, left, axis);

    Font caption(fonts.regular, 10.0, c.scale());
    engraved(c, caption, left, layout.graph.y - 6, "Output", solid(captionColour()), 0.3);
    const double w = caption.measure("Input", 0.3);
    engraved(c, caption, right - w, layout.graph.y + layout.graph.h + 14, "Input", solid(captionColour()), 0.3);
}

void waveSection(Canvas& c, const Layout& layout, const FontFiles& fonts)
{
    Font caption(fonts.regular, 10.0, c.scale());
    const char* names[2] = {"Left", "Right"};
    for (int i = 0; i < 2; ++i) {
        const Rect& r = layout.waves[i];
        screen(c, r);
        // Faint guides at half scale above and below the zero line.
        const int mid = r.y + r.h / 2;
        const int half = static_cast<int>(std::lround(r.h * 0.25));
        dottedH(c, mid - half, r.x + 1, r.x + r.w, rgb8(43, 51, 59), 3);
        dottedH(c, mid + half, r.x + 1, r.x + r.w, rgb8(43, 51, 59), 3);
        engraved(c, caption, r.x, r.y - 6, names[i], solid(captionColour()), 0.3);
    }
    // Legend for the two envelope colours, right-aligned over the left display.
    const Rect& r = layout.waves[0];
    double x = r.x + r.w;
    const double baseline = r.y - 6;
    const char* words[2] = {"out", "in"};
    const Colour swatches[2] = {layout.fore.colour(), layout.back.colour()};
    for (int i = 0; i < 2; ++i) {
        const double w = caption.measure(words[i], 0.3);
        x -= w;
        engraved(c, caption, x, baseline, words[i], solid(captionColour()), 0.3);
        x -= 11;
        const double sy = baseline - 7;
        c.fill(Box{int(x) - 1, int(sy) - 1, int(x) + 10, int(sy) + 9}, roundRect(x, sy, x + 8, sy + 7, 1.5),
               solid(screenEdge()));
        c.fill(Box{int(x) - 1, int(sy) - 1, int(x) + 10, int(sy) + 9}, roundRect(x + 1, sy + 1, x + 7, sy + 6, 1.0),
               solid(swatches[i]));
        x -= 10;
    }
}

void nameplate(Canvas& c, const Layout& layout, const FontFiles& fonts)
{
    Font name(fonts.bold, 30.0, c.scale());
    Font sub(fonts.regular, 10.0, c.scale());
    const double x = layout.waves[0].x - 1;
    const double baseline = 45;
    name.draw(c, x, baseline + 1, "Sarvo", solid(rgb8(28, 33, 39)), -0.6, 0.6);
    name.draw(c, x, baseline, "Sarvo", linear(0, baseline - 22, rgb8(196, 206, 215), 0, baseline, rgb8(150, 163, 175)),
              -0.6, 1.0, 1.0);
    engraved(c, sub, x + 1, baseline + 15, "Stereo Soft Clipper", solid(captionColour()), 0.6);
}

}  // namespace

Canvas renderBackground(const Layout& layout, const FontFiles& fonts, int scale)
{
    Canvas c(layout.width, layout.height, scale);
    c.fillBox(Box{0, 0, layout.width, layout.height}, linear(0, 0, panelTop(), 0, layout.height, panelBottom()));
    // Light top edge and a darker last row above the credit strip.
    hline(c, 0, 0, layout.width, withAlpha(bevelLight(), 0.5));
    hline(c, layout.height - 1, 0, layout.width, rgb8(40, 47, 54));
    // Engraved divider between the controls and the displays.
    const int dx = (layout.graph.x + layout.graph.w + layout.waves[0].x) / 2;
    vline(c, dx, 10, layout.height - 10, withAlpha(rgb8(36, 42, 49), 0.8));
    vline(c, dx + 1, 10, layout.height - 10, withAlpha(bevelLight(), 0.35));

    knobSection(c, layout, fonts);
    graphSection(c, layout, fonts);
    waveSection(c, layout, fonts);
    nameplate(c, layout, fonts);
    return c;
}

}  // namespace art
