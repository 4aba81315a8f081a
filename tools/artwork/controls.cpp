// The film strips of the knob and the oversampling switch.
#include <cmath>

#include "artwork.h"
#include "layout.h"
#include "text.h"

namespace art {

Canvas renderKnobFrame(const Layout& layout, int frame, int frameCount, int scale)
{
    Canvas c(layout.knob.frameWidth, layout.knob.frameHeight, scale);
    const Box all{0, 0, layout.knob.frameWidth, layout.knob.frameHeight};
    const double cx = kKnobCentreX;
    const double cy = kKnobCentreY;
    const double t = frameCount > 1 ? double(frame) / (frameCount - 1) : 0.0;
    const double angle = kKnobStartAngle + (kKnobEndAngle - kKnobStartAngle) * t;

    // Scale track: a dark groove over the knob's whole travel with a faint lip below it.
    const double trackR = 17.4;
    c.fill(all, arc(cx, cy + 0.7, trackR, kKnobStartAngle, kKnobEndAngle, 3.2), solid(bevelLight()), 0.30);
    c.fill(all, arc(cx, cy, trackR, kKnobStartAngle, kKnobEndAngle, 3.2), solid(rgb8(30, 36, 42)));

    // Lit part of the track from the start to the pointer, brightening towards the pointer.
    if (frame > 0) {
        const Colour dim = rgb8(88, 116, 140);
        const Colour lit = accentColour();
        const double span = angle - kKnobStartAngle;
        Paint along = [=](double x, double y) {
            const double a = std::atan2(x - cx, -(y - cy)) * 180.0 / 3.14159265358979323846;
            const double u = span > 0 ? clamp01((a - kKnobStartAngle) / span) : 1.0;
            return mix(dim, lit, smoothstep(0.0, 1.0, u));
        };
        c.fill(all, arc(cx, cy, trackR, kKnobStartAngle, angle, 2.2), along);
    }

    // Cap: soft shadow, bevelled rim, face with a gentle sheen from the upper left.
    const double capR = 13.4;
    c.fill(all, circle(cx, cy + 1.6, capR), solid(rgb8(0, 0, 0)), 0.55, 1.4);
    c.fill(all, circle(cx, cy, capR), linear(0, cy - capR, rgb8(124, 139, 152), 0, cy + capR, rgb8(36, 42, 49)));
    const double faceR = capR - 1.25;
    c.fill(all, circle(cx, cy, faceR), linear(0, cy - faceR, rgb8(84, 97, 109), 0, cy + faceR, rgb8(56, 65, 74)));
    c.fill(all, circle(cx, cy, faceR),
           radial(cx - 4.0, cy - 5.5, 13.0, rgb8(255, 255, 255, 0.10), rgb8(255, 255, 255, 0.0)));

    // Pointer, with a faint shadow.
    double dx, dy;
    direction(angle, dx, dy);
    const double r0 = 3.8, r1 = 10.2;
    c.fill(all, segment(cx + dx * r0, cy + dy * r0 + 0.7, cx + dx * r1, cy + dy * r1 + 0.7, 2.3), solid(rgb8(0, 0, 0)),
           0.45, 0.6);
    c.fill(all, segment(cx + dx * r0, cy + dy * r0, cx + dx * r1, cy + dy * r1, 2.2), solid(rgb8(224, 232, 238)));
    return c;
}

Canvas renderKnobStrip(const Layout& layout, int scale, int columns)
{
    const int frames = layout.knob.frames;
    if (columns < 1) columns = 1;
    const int rows = (frames + columns - 1) / columns;
    Canvas strip(layout.knob.frameWidth * columns, layout.knob.frameHeight * rows, scale);
    for (int f = 0; f < frames; ++f)
        strip.draw(renderKnobFrame(layout, f, frames, scale), (f % columns) * layout.knob.frameWidth,
                   (f / columns) * layout.knob.frameHeight);
    return strip;
}

Canvas renderSwitchFrame(const Layout& layout, bool on, const FontFiles& fonts, int scale)
{
    Canvas c(layout.toggle.frameWidth, layout.toggle.frameHeight, scale);
    const Box all{0, 0, layout.toggle.frameWidth, layout.toggle.frameHeight};
    const double w = layout.toggle.frameWidth, h = layout.toggle.frameHeight;

    // Plate: dark border, raised face with a light upper edge.
    c.fill(all, roundRect(0.5, 0.5, w - 0.5, h - 0.5, 4.0), solid(rgb8(31, 37, 43)));
    const Colour faceTop = on ? rgb8(80, 93, 105) : rgb8(82, 95, 106);
    const Colour faceBottom = on ? rgb8(60, 70, 80) : rgb8(63, 73, 82);
    c.fill(all, roundRect(1.5, 1.5, w - 1.5, h - 1.5, 3.0), linear(0, 1.5, faceTop, 0, h - 1.5, faceBottom));
    c.fill(all, outline(roundRect(1.5, 1.5, w - 1.5, h - 1.5, 3.0), 0.8, -0.4),
           linear(0, 1.5, rgb8(130, 146, 160, 0.55), 0, h * 0.6, rgb8(130, 146, 160, 0.0)));

    // Indicator.
    const double lx = 11.5, ly = h / 2;
    c.fill(all, circle(lx, ly, 4.6), linear(0, ly - 4.6, rgb8(34, 40, 47), 0, ly + 4.6, rgb8(100, 114, 127)));
    if (on) {
        c.fill(all, circle(lx, ly, 3.6), radial(lx - 0.8, ly - 1.0, 4.2, rgb8(236, 248, 255), ledColour()));
        c.fill(all, circle(lx, ly, 3.0), solid(withAlpha(ledColour(), 1.0)), 0.30, 2.2);
    } else {
        c.fill(all, circle(lx, ly, 3.6), radial(lx - 0.8, ly - 1.0, 4.2, rgb8(66, 78, 89), rgb8(40, 47, 55)));
    }

    // Caption.
    Font font(fonts.regular, 11.0, scale);
    const double textX = 21.0;
    const double room = w - textX - 5.0;
    double tracking = 0.0;
    while (font.measure(kSwitchText, tracking) > room && tracking > -1.0) tracking -= 0.1;
    const double baseline = std::round(h / 2 + font.capHeight() / 2);
    font.draw(c, textX, baseline + 1, kSwitchText, solid(rgb8(30, 36, 42)), tracking, 0.5);
    font.draw(c, textX, baseline, kSwitchText, solid(on ? rgb8(214, 224, 232) : labelColour()), tracking);
    return c;
}

Canvas renderSwitchStrip(const Layout& layout, const FontFiles& fonts, int scale)
{
    Canvas strip(layout.toggle.frameWidth, layout.toggle.frameHeight * 2, scale);
    strip.draw(renderSwitchFrame(layout, false, fonts, scale), 0, 0);
    strip.draw(renderSwitchFrame(layout, true, fonts, scale), 0, layout.toggle.frameHeight);
    return strip;
}

}  // namespace art
