// The surface device without GDI: a plain pixel buffer, and text drawn with FreeType that is
// loaded at run time. DrawText's single-line rules are followed: the text box is as high as the
// font's ascender plus descender and as wide as the sum of the advances; DT_CENTER / DT_RIGHT
// place it horizontally, DT_VCENTER / DT_BOTTOM vertically (with DT_SINGLELINE), and without
// DT_NOCLIP the ink is cut at the rectangle. The surface clip always applies.
#include "platform/surface_device.h"

#include <dlfcn.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "platform/blend.h"
#include "platform/posix/freetype_abi.h"
#include "platform/posix/text_sources.h"

namespace platform {

struct SurfaceDevice {
    uint32_t* pixels;
    int32_t width;
    int32_t height;
    bool clipped;
    int32_t clipX0, clipY0, clipX1, clipY1;
};

namespace {

struct PosixFont {
    int32_t height;
};

const char* const kDefaultLibrary = "libfreetype.so.6";

const char* const kDefaultFontPaths[] = {
    "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/TTF/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu/DejaVuSans.ttf",
    "/usr/share/fonts/dejavu-sans-fonts/DejaVuSans.ttf",
    "/usr/local/share/fonts/DejaVuSans.ttf",
    "/usr/share/fonts/truetype/liberation2/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "/usr/share/fonts/liberation-sans/LiberationSans-Regular.ttf",
    "/usr/share/fonts/TTF/LiberationSans-Regular.ttf",
    "/usr/share/fonts/truetype/freefont/FreeSans.ttf",
    "/usr/share/fonts/truetype/noto/NotoSans-Regular.ttf",
    "/usr/share/fonts/noto/NotoSans-Regular.ttf",
    "/System/Library/Fonts/Supplemental/Arial.ttf",
};

// The FreeType library, one face and the size last asked of it. Made on first use; everything
// is released when the module is unloaded.
class TextRenderer {
public:
    TextRenderer() { setSources(nullptr, nullptr, 0); }
    ~TextRenderer() { unload(); }

    void setSources(const char* library, const char* const* paths, int count)
    {
        unload();
        library_ = library != nullptr ? library : kDefaultLibrary;
        fontPaths_.clear();
        if (paths == nullptr) {
            for (const char* path : kDefaultFontPaths) fontPaths_.push_back(path);
        } else {
            for (int i = 0; i < count; ++i) {
                if (paths[i] != nullptr) fontPaths_.push_back(paths[i]);
            }
        }
    }

    bool ready()
    {
        if (!tried_) load();
        return face_ != nullptr;
    }

    // Sets the face to the font's height; returns false without a face or if FreeType refuses.
    bool useFont(const PosixFont& font)
    {
        if (!ready()) return false;
        if (sized_ && sizedHeight_ == font.height) return true;
        // Positive heights give the cell height (ascender plus descender), negative ones the
        // character (em) height, as LOGFONTA's height does; 0 asks for the default of 12.
        const int64_t h = font.height == 0 ? 12 : font.height;
        ftabi::SizeRequestRec request;
        request.type = h > 0 ? ftabi::kSizeRequestRealDim : ftabi::kSizeRequestNominal;
        request.width = 0;
        request.height = static_cast<long>((h > 0 ? h : -h) * 64);
        request.horiResolution = 0;
        request.vertResolution = 0;
        sized_ = requestSize_(face_, &request) == 0;
        sizedHeight_ = font.height;
        return sized_;
    }

    ftabi::Face face() const { return face_; }

    bool loadGlyph(unsigned long code, bool render)
    {
        return loadChar_(face_, code, static_cast<int>(render ? ftabi::kLoadRender : ftabi::kLoadDefault)) == 0;
    }

private:
    template <class Fn>
    bool resolve(Fn& fn, const char* name)
    {
        fn = reinterpret_cast<Fn>(dlsym(module_, name));
        return fn != nullptr;
    }

    void load()
    {
        tried_ = true;
        module_ = dlopen(library_.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module_ == nullptr) return;
        bool ok = resolve(initFreeType_, "FT_Init_FreeType") && resolve(doneFreeType_, "FT_Done_FreeType") &&
            resolve(newFace_, "FT_New_Face") && resolve(doneFace_, "FT_Done_Face") &&
            resolve(requestSize_, "FT_Request_Size") && resolve(loadChar_, "FT_Load_Char");
        if (ok && initFreeType_(&freetype_) != 0) {
            freetype_ = nullptr;
            ok = false;
        }
        for (size_t i = 0; ok && face_ == nullptr && i < fontPaths_.size(); ++i) {
            ftabi::Face face = nullptr;
            if (newFace_(freetype_, fontPaths_[i].c_str(), 0, &face) == 0 && face != nullptr) face_ = face;
        }
        if (face_ == nullptr) {
            unload();
            tried_ = true;  // stays without text until the sources change
        }
    }

    void unload()
    {
        if (face_ != nullptr && doneFace_ != nullptr) doneFace_(face_);
        face_ = nullptr;
        if (freetype_ != nullptr && doneFreeType_ != nullptr) doneFreeType_(freetype_);
        freetype_ = nullptr;
        if (module_ != nullptr) dlclose(module_);
        module_ = nullptr;
        initFreeType_ = nullptr;
        doneFreeType_ = nullptr;
        newFace_ = nullptr;
        doneFace_ = nullptr;
        requestSize_ = nullptr;
        loadChar_ = nullptr;
        sized_ = false;
        tried_ = false;
    }

    std::string library_;
    std::vector<std::string> fontPaths_;
    bool tried_ = false;
    void* module_ = nullptr;
    ftabi::Library freetype_ = nullptr;
    ftabi::Face face_ = nullptr;
    bool sized_ = false;
    int32_t sizedHeight_ = 0;
    ftabi::InitFreeTypeFn initFreeType_ = nullptr;
    ftabi::DoneFreeTypeFn doneFreeType_ = nullptr;
    ftabi::NewFaceFn newFace_ = nullptr;
    ftabi::DoneFaceFn doneFace_ = nullptr;
    ftabi::RequestSizeFn requestSize_ = nullptr;
    ftabi::LoadCharFn loadChar_ = nullptr;
};

TextRenderer& renderer()
{
    static TextRenderer instance;
    return instance;
}

// Characters of the text as FreeType character codes (bytes read as Latin-1). Control
// characters have no glyph and take no room.
inline bool drawable(unsigned char c) { return c >= 32 && c != 127; }

// Sum of the advances of the text, in pixels.
int32_t advanceWidth(TextRenderer& r, const char* text)
{
    int64_t width = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (!drawable(*p) || !r.loadGlyph(*p, false)) continue;
        width += r.face()->glyph->advance.x;
    }
    width = (width + 32) >> 6;
    return width > 0x3FFFFFFF ? 0x3FFFFFFF : static_cast<int32_t>(width);
}

struct Rect {
    int32_t x0, y0, x1, y1;
};

void blendGlyph(SurfaceDevice& d, const ftabi::Bitmap& bm, int32_t left, int32_t top, const Rect& clip, uint32_t rgb)
{
    if (bm.buffer == nullptr) return;
    const bool mono = bm.pixel_mode == ftabi::kPixelModeMono;
    if (!mono && bm.pixel_mode != ftabi::kPixelModeGray) return;
    const int32_t maxGray = mono ? 1 : (bm.num_grays > 1 ? bm.num_grays - 1 : 255);
    for (int32_t j = 0; j < static_cast<int32_t>(bm.rows); ++j) {
        const int64_t y = static_cast<int64_t>(top) + j;
        if (y < clip.y0 || y >= clip.y1) continue;
        const unsigned char* line = bm.buffer + static_cast<ptrdiff_t>(j) * bm.pitch;
        uint32_t* row = d.pixels + static_cast<ptrdiff_t>(y) * d.width;
        for (int32_t i = 0; i < static_cast<int32_t>(bm.width); ++i) {
            const int64_t x = static_cast<int64_t>(left) + i;
            if (x < clip.x0 || x >= clip.x1) continue;
            int32_t value = mono ? ((line[i >> 3] >> (7 - (i & 7))) & 1) : line[i];
            if (value == 0) continue;
            // Coverage as an alpha byte, blended like every other pixel of the surface.
            const int32_t alpha = value >= maxGray ? 255 : value * 255 / maxGray;
            row[x] = zblend::pixel(rgb, row[x], alpha * zblend::kAlphaScale);
        }
    }
}

}  // namespace

SurfaceDevice* createSurfaceDevice(void*, int32_t width, int32_t height, uint32_t** pixels)
{
    if (pixels == nullptr || width < 1 || height < 1 || static_cast<int64_t>(width) * height > (int64_t(1) << 28))
        return nullptr;
    SurfaceDevice* device = new (std::nothrow) SurfaceDevice;
    if (device == nullptr) return nullptr;
    device->pixels = static_cast<uint32_t*>(std::calloc(static_cast<size_t>(width) * height, sizeof(uint32_t)));
    if (device->pixels == nullptr) {
        delete device;
        return nullptr;
    }
    device->width = width;
    device->height = height;
    device->clipped = false;
    device->clipX0 = device->clipY0 = device->clipX1 = device->clipY1 = 0;
    *pixels = device->pixels;
    return device;
}

void destroySurfaceDevice(SurfaceDevice* device)
{
    if (device == nullptr) return;
    std::free(device->pixels);
    delete device;
}

void setSurfaceDeviceClip(SurfaceDevice* device, int32_t x, int32_t y, int32_t width, int32_t height)
{
    if (device == nullptr) return;
    device->clipped = true;
    device->clipX0 = x;
    device->clipY0 = y;
    device->clipX1 = x + (width > 0 ? width : 0);
    device->clipY1 = y + (height > 0 ? height : 0);
}

void resetSurfaceDeviceClip(SurfaceDevice* device)
{
    if (device != nullptr) device->clipped = false;
}

void* surfaceDeviceContext(SurfaceDevice*) { return nullptr; }

bool drawSurfaceText(SurfaceDevice* device, const char* text, int32_t left, int32_t top, int32_t right, int32_t bottom,
                     FontHandle font, uint32_t colorref, uint32_t format)
{
    if (device == nullptr || text == nullptr || font == nullptr) return false;
    TextRenderer& r = renderer();
    if (!r.useFont(*static_cast<const PosixFont*>(font))) return false;
    if ((format & kTextCalcRect) != 0) return true;  // measuring only

    const ftabi::SizeMetrics& metrics = r.face()->size->metrics;
    const int32_t ascent = static_cast<int32_t>((metrics.ascender + 63) >> 6);
    const int32_t descent = static_cast<int32_t>((-metrics.descender + 63) >> 6);
    const int32_t lineHeight = ascent + descent;
    const int32_t textWidth = advanceWidth(r, text);

    int64_t x = left;
    if ((format & kTextCenter) != 0)
        x = left + (static_cast<int64_t>(right) - left - textWidth) / 2;
    else if ((format & kTextRight) != 0)
        x = static_cast<int64_t>(right) - textWidth;
    int64_t y = top;
    if ((format & kTextSingleLine) != 0) {
        if ((format & kTextVCenter) != 0)
            y = top + (static_cast<int64_t>(bottom) - top - lineHeight) / 2;
        else if ((format & kTextBottom) != 0)
            y = static_cast<int64_t>(bottom) - lineHeight;
    }
    const int64_t baseline = y + ascent;

    Rect clip = {0, 0, device->width, device->height};
    if (device->clipped) clip = Rect{device->clipX0, device->clipY0, device->clipX1, device->clipY1};
    if ((format & kTextNoClip) == 0) {
        clip.x0 = left > clip.x0 ? left : clip.x0;
        clip.y0 = top > clip.y0 ? top : clip.y0;
        clip.x1 = right < clip.x1 ? right : clip.x1;
        clip.y1 = bottom < clip.y1 ? bottom : clip.y1;
    }
    if (clip.x0 >= clip.x1 || clip.y0 >= clip.y1) return true;  // nothing visible, nothing failed

    const uint32_t rgb = ((colorref & 0xFF) << 16) | (colorref & 0xFF00) | ((colorref >> 16) & 0xFF);
    int64_t pen = x * 64;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p != 0; ++p) {
        if (!drawable(*p) || !r.loadGlyph(*p, true)) continue;
        const ftabi::GlyphSlotRec& slot = *r.face()->glyph;
        const int64_t gx = ((pen + 32) >> 6) + slot.bitmap_left;
        const int64_t gy = baseline - slot.bitmap_top;
        if (gx > -0x40000000 && gx < 0x40000000 && gy > -0x40000000 && gy < 0x40000000)
            blendGlyph(*device, slot.bitmap, static_cast<int32_t>(gx), static_cast<int32_t>(gy), clip, rgb);
        pen += slot.advance.x;
    }
    return true;
}

int32_t measureSurfaceText(SurfaceDevice*, const char* text, FontHandle font, uint32_t)
{
    if (text == nullptr || font == nullptr) return -1;
    TextRenderer& r = renderer();
    if (!r.useFont(*static_cast<const PosixFont*>(font))) return -1;
    return advanceWidth(r, text);
}

FontHandle createFont(int32_t height)
{
    PosixFont* font = new (std::nothrow) PosixFont;
    if (font != nullptr) font->height = height;
    return font;
}

void destroyFont(FontHandle font) { delete static_cast<PosixFont*>(font); }

void setTextSources(const char* library, const char* const* fontPaths, int fontPathCount)
{
    renderer().setSources(library, fontPaths, fontPathCount);
}

bool textRendererAvailable() { return renderer().ready(); }

}  // namespace platform
