#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

namespace art {

namespace {

FT_Face faceOf(void* face) { return static_cast<FT_Face>(face); }

// Kerning between two glyphs in pixels (unscaled design units scaled by the face).
double kerning(FT_Face face, FT_UInt left, FT_UInt right)
{
    if (left == 0 || !FT_HAS_KERNING(face)) return 0.0;
    FT_Vector k;
    if (FT_Get_Kerning(face, left, right, FT_KERNING_UNFITTED, &k) != 0) return 0.0;
    return k.x / 64.0;
}

// Unhinted advance of a glyph in pixels.
double advance(FT_Face face, FT_UInt glyph)
{
    if (FT_Load_Glyph(face, glyph, FT_LOAD_NO_HINTING) != 0) return 0.0;
    return face->glyph->linearHoriAdvance / 65536.0;
}

}  // namespace

Font::Font(const std::string& path, double pixelSize, int scale) : scale_(scale)
{
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) return;
    library_ = lib;
    FT_Face face = nullptr;
    if (FT_New_Face(lib, path.c_str(), 0, &face) != 0) return;
    if (FT_Set_Char_Size(face, 0, static_cast<FT_F26Dot6>(pixelSize * scale * 64.0 + 0.5), 72, 72) != 0) {
        FT_Done_Face(face);
        return;
    }
    face_ = face;
}

Font::~Font()
{
    if (face_) FT_Done_Face(faceOf(face_));
    if (library_) FT_Done_FreeType(static_cast<FT_Library>(library_));
}

double Font::measure(const std::string& text, double tracking) const
{
    if (!face_) return 0.0;
    FT_Face face = faceOf(face_);
    const double spacing = tracking * scale_;
    double x = 0.0;
    FT_UInt previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        x += kerning(face, previous, glyph);
        x += advance(face, glyph);
        if (i + 1 < text.size()) x += spacing;
        previous = glyph;
    }
    return x / scale_;
}

double Font::capHeight() const
{
    if (!face_) return 0.0;
    FT_Face face = faceOf(face_);
    if (FT_Load_Char(face, 'H', FT_LOAD_NO_HINTING) != 0) return 0.0;
    return face->glyph->metrics.horiBearingY / 64.0 / scale_;
}

void Font::draw(Canvas& canvas, double x, double y, const std::string& text, const Paint& paint, double tracking,
                double opacity, double coverageGamma) const
{
    if (!face_) return;
    FT_Face face = faceOf(face_);
    const double k = scale_;
    const int baseline = static_cast<int>(std::lround(y * k));
    const double spacing = tracking * k;
    double pen = x * k;
    FT_UInt previous = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const FT_UInt glyph = FT_Get_Char_Index(face, static_cast<unsigned char>(text[i]));
        pen += kerning(face, previous, glyph);
        const double step = advance(face, glyph);
        const double whole = std::floor(pen);
        FT_Vector delta;
        delta.x = static_cast<FT_Pos>(std::lround((pen - whole) * 64.0));
        delta.y = 0;
        FT_Set_Transform(face, nullptr, &delta);
        if (FT_Load_Glyph(face, glyph, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) == 0) {
            const FT_Bitmap& bm = face->glyph->bitmap;
            const int left = static_cast<int>(whole) + face->glyph->bitmap_left;
            const int top = baseline - face->glyph->bitmap_top;
            for (unsigned row = 0; row < bm.rows; ++row) {
                for (unsigned col = 0; col < bm.width; ++col) {
                    const uint8_t v = bm.buffer[row * bm.pitch + col];
                    if (v == 0) continue;
                    const int px = left + static_cast<int>(col);
                    const int py = top + static_cast<int>(row);
                    const double cov = std::pow(v / 255.0, coverageGamma) * opacity;
                    canvas.blendPixel(px, py, paint((px + 0.5) / k, (py + 0.5) / k), cov);
                }
            }
        }
        FT_Set_Transform(face, nullptr, nullptr);
        pen += step + spacing;
        previous = glyph;
    }
}

}  // namespace art
