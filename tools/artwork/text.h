// Text for the artwork, rendered with FreeType from a TrueType file with sub-pixel horizontal
// placement and light (vertical-only) hinting. A font made for a scale renders its glyphs at that
// many times the pixel size (hinted for the larger size, not enlarged), while its positions and
// measures stay in skin pixels.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

class Font {
public:
    // Opens the font file at the pixel size (skin pixels) for canvases of the scale. ok() reports
    // whether it worked.
    Font(const std::string& path, double pixelSize, int scale = 1);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return face_ != nullptr; }
    // Advance width of the text in skin pixels, with extra tracking after every character but the
    // last.
    double measure(const std::string& text, double tracking = 0.0) const;
    // Height of a capital letter above the baseline, in skin pixels.
    double capHeight() const;
    // Draws the text with its baseline at y, starting at x (skin pixels) on a canvas of the font's
    // scale. coverageGamma < 1 thickens the anti-aliased edges slightly, which keeps small
    // light-on-dark text from looking thin.
    void draw(Canvas& canvas, double x, double y, const std::string& text, const Paint& paint, double tracking = 0.0,
              double opacity = 1.0, double coverageGamma = 0.85) const;

private:
    void* library_ = nullptr;
    void* face_ = nullptr;
    int scale_ = 1;
};

}  // namespace art
