// Text for the artwork, rendered with FreeType from a TrueType file with sub-pixel horizontal
// placement and light (vertical-only) hinting.
#pragma once

#include <string>

#include "canvas.h"

namespace art {

class Font {
public:
    // Opens the font file at the pixel size. ok() reports whether it worked.
    Font(const std::string& path, double pixelSize);
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    bool ok() const { return face_ != nullptr; }
    // Advance width of the text in pixels, with extra tracking after every character but the last.
    double measure(const std::string& text, double tracking = 0.0) const;
    // Height of a capital letter above the baseline, in pixels.
    double capHeight() const;
    // Draws the text with its baseline at y, starting at x. coverageGamma < 1 thickens the
    // anti-aliased edges slightly, which keeps small light-on-dark text from looking thin.
    void draw(Canvas& canvas, double x, double y, const std::string& text, const Paint& paint, double tracking = 0.0,
              double opacity = 1.0, double coverageGamma = 0.85) const;

private:
    void* library_ = nullptr;
    void* face_ = nullptr;
};

}  // namespace art
