// The resources a skin declares (colours, framed images, fonts) and the image loaders.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "gui/bitmap.h"
#include "platform/surface_device.h"

class ZSurface;

// Type names, compared case-insensitively by every user of a resource.
extern const char* const kImageResourceType;  // "ZImageResource"
extern const char* const kColourResourceType;  // "ZColourResource"
extern const char* const kFontResourceType;  // "ZFontResource"

// A named resource of a skin. The parser stores the name after the factory made the resource.
class ZResource {
public:
    ZResource();
    virtual ~ZResource();
    virtual const char* typeName() const = 0;

    // Bounded copy: at most 24 characters are kept.
    void setName(const char* text);
    const char* name() const { return name_; }

    // True when typeName() equals `type` ignoring case.
    bool isOfType(const char* type) const;

private:
    ZResource(const ZResource&) = delete;
    ZResource& operator=(const ZResource&) = delete;
    char name_[25];
};

// The frames of an image resource as drawn at one scale: frames of frameWidth x frameHeight
// device pixels, `columns` to a row.
struct ZScaledFrames {
    std::shared_ptr<const ZBitmap> image;
    double scale = 0.0;
    int32_t frameWidth = 0;
    int32_t frameHeight = 0;
    int32_t columns = 0;
};

// A picture cut into frames of equal size: left to right, then top to bottom. The picture is
// read-only once made; resources of several skins may hold the same one (sharedImageResource).
//
// Image sets. A picture that comes from a module resource NAME may have larger sets beside it,
// the module resources NAME_2X and NAME_3X of the same type: the same frames drawn at two and
// three times every size (in a grid of their own: any number of columns of frames of k x the
// frame size). At a surface scale s the frames are drawn from the smallest set made for s or
// more, filtered down to round(frame size x s) when it is larger (1.5x from the 2x set); a scale
// beyond every set filters the largest one up. The set and its filtered frames are made at the
// first drawing at that scale and shared with every resource of the module that draws the same
// picture at the same size.
class ZImageResource : public ZResource {
public:
    // Takes ownership of the image (may be null).
    ZImageResource(ZBitmap* image, int32_t frameWidth, int32_t frameHeight, int32_t frameCount);
    // Holds a share of an image (may be null).
    ZImageResource(std::shared_ptr<const ZBitmap> image, int32_t frameWidth, int32_t frameHeight, int32_t frameCount);
    ~ZImageResource() override;
    const char* typeName() const override;

    // The module's PNG resource (sharedImageResource) with its larger sets; null when the picture
    // does not load.
    static ZImageResource* fromModule(const char* resourceType, const char* resourceName, int32_t frameWidth,
                                      int32_t frameHeight, int32_t frameCount);

    // Draws frame `frame` at the surface's clip origin, blended with the image's alpha, at the
    // surface's scale (above). Draws nothing and answers false when the image or its frame layout
    // is unusable or the frame is not one of the image's frames (0 .. frameCount - 1).
    bool drawImageFrame(ZSurface* surface, int32_t frame) const;

    // The frames for drawing at the scale (1 .. 3; at 1 the picture itself); null when the
    // picture is unusable or memory is short. Kept until another scale is asked for or release.
    const ZScaledFrames* framesAt(double scale) const;
    // Lets go of the frames made for a scale other than 1 (an editor that closes gives them back).
    void releaseScaledFrames() const;
    // The larger set made for `factor` (2 or 3), when the module has one that fits this
    // resource's frames; null otherwise.
    std::shared_ptr<const ZBitmap> imageSet(int32_t factor) const;

    const ZBitmap* image;  // held by `share`
    std::shared_ptr<const ZBitmap> share;
    int32_t frameWidth;
    int32_t frameHeight;
    int32_t frameCount;
    int32_t rows;  // image height / frame height (0 for a frame height below 1)
    int32_t columns;  // image width / frame width (0 for a frame width below 1)

private:
    bool layoutUsable() const;

    std::string sourceType_;  // the module resource the picture came from; empty for others
    std::string sourceName_;
    mutable ZScaledFrames scaled_;
};

class ZColourResource : public ZResource {
public:
    explicit ZColourResource(ZColour colour) : colour(colour) {}
    const char* typeName() const override;

    ZColour colour;
};

// Text alignment of ZFont::drawText.
enum ZTextAlignment : int32_t { kAlignLeft = 0, kAlignCentre = 1, kAlignRight = 2 };

// A font the controls draw text with; text is always centred vertically in its rectangle.
class ZFont {
public:
    ZFont() = default;
    virtual ~ZFont() = default;
    ZFont(const ZFont&) = delete;
    ZFont& operator=(const ZFont&) = delete;

    virtual int32_t height() const = 0;
    // The system font of the same height (text entry fields use it); may be null.
    virtual platform::FontHandle gdiFont() const = 0;
    // The system font for a surface of the scale: the height times the scale, rounded (made on
    // first use and kept until another scale is asked for); gdiFont() at scale 1. May be null.
    virtual platform::FontHandle gdiFontAt(double scale) = 0;
    virtual int32_t textWidth(ZSurface* surface, const char* text) = 0;
    // alignment: 1 centred, 2 right, anything else left.
    virtual void drawText(ZSurface* surface, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                          int32_t alignment) = 0;
    virtual void drawTextInRect(ZSurface* surface, const char* text, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                                int32_t alignment);
};

// The system's sans-serif font of a given height, drawn in one colour.
class ZDefFont : public ZFont {
public:
    // Null when the system font cannot be made.
    static ZDefFont* create(int32_t height, ZColour colour);
    ~ZDefFont() override;

    int32_t height() const override { return height_; }
    platform::FontHandle gdiFont() const override { return font_; }
    platform::FontHandle gdiFontAt(double scale) override;
    // In skin pixels: measured with the font of the surface's scale, divided by the scale.
    int32_t textWidth(ZSurface* surface, const char* text) override;
    // With the font of the surface's scale: the text is drawn at the device resolution.
    void drawText(ZSurface* surface, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t alignment) override;

    ZColour colour() const { return colour_; }

private:
    ZDefFont(ZColour colour, int32_t height, platform::FontHandle font);

    ZColour colour_;
    int32_t height_;
    platform::FontHandle font_;
    platform::FontHandle scaledFont_ = nullptr;
    double scaledFor_ = 0.0;
};

// The system font of round(height x scale) for a scale other than 1, kept in `font` for
// `madeFor` (replaced when another scale is asked for); `base` at scale 1.
platform::FontHandle scaledSystemFont(platform::FontHandle base, int32_t height, double scale,
                                      platform::FontHandle& font, double& madeFor);

// A bitmap font: glyphs for the codes 32..126 side by side in one strip image, in their own colours.
class ZSkinFont : public ZFont {
public:
    static constexpr int32_t kFirstChar = 32;
    static constexpr int32_t kLastChar = 126;
    static constexpr int32_t kCharCount = kLastChar - kFirstChar + 1;

    // Loads the metrics file and the strip image, both named relative to the module's directory.
    // Null when either cannot be read or the metrics are not valid for the strip.
    static ZSkinFont* load(const char* metricsFile, const char* stripFile);
    // The same with full paths.
    static ZSkinFont* loadFromPaths(const std::string& metricsPath, const std::string& stripPath);
    ~ZSkinFont() override;

    int32_t height() const override { return charHeight_; }
    platform::FontHandle gdiFont() const override { return font_; }
    platform::FontHandle gdiFontAt(double scale) override;
    int32_t textWidth(ZSurface* surface, const char* text) override;
    void drawText(ZSurface* surface, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                  int32_t alignment) override;

    // Width of a character code; 0 outside 32..126.
    int32_t charWidth(int32_t code) const;
    int32_t charOffset(int32_t code) const;
    int32_t totalWidth() const { return totalWidth_; }
    const ZBitmap* strip() const { return strip_; }

private:
    ZSkinFont();

    int32_t charHeight_;
    int32_t widths_[kCharCount];
    int32_t offsets_[kCharCount];
    int32_t totalWidth_;
    ZBitmap* strip_;
    platform::FontHandle font_;
    platform::FontHandle scaledFont_ = nullptr;
    double scaledFor_ = 0.0;
};

class ZFontResource : public ZResource {
public:
    // Takes ownership of the font (not null).
    explicit ZFontResource(ZFont* font) : font(font) {}
    ~ZFontResource() override;
    const char* typeName() const override;

    ZFont* font;
};

// Decodes a PNG module resource or file into 0xAARRGGBB pixels. Null on any failure. `status`, when
// given, gets the decoder's status (skin/png.h; pngStatusText says what it means): kPngOk with a
// picture, kPngEmptyInput for a resource or file that is missing, unreadable or empty.
ZBitmap* loadImageResource(const char* resourceType, const char* resourceName, int32_t* status = nullptr);
// The decoded picture of a PNG module resource, shared by everything of this module that holds
// it: decoded by the first caller, handed out again while any holder keeps it, and freed with the
// last one. Callable from several threads at once. Null on any failure.
std::shared_ptr<const ZBitmap> sharedImageResource(const char* resourceType, const char* resourceName);
ZBitmap* loadImageFile(const std::string& path, int32_t* status = nullptr);
// The same for PNG bytes in memory (the bytes are not changed).
ZBitmap* loadImageBytes(const unsigned char* data, std::size_t size, int32_t* status = nullptr);

// Skin numbers: decimal like atol (leading blanks, optional sign, digits up to the first other
// character; none gives 0). Values beyond the 32-bit range saturate.
int32_t skinInteger(const char* text);
