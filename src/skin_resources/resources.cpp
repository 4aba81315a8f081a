#include "skin_resources/resources.h"

#include "gui/surface.h"
#include "model/feature.h"
#include "platform/platform.h"
#include "skin_resources/png.h"
#include "skin_resources/skin_reader.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

const char* const kImageResourceType = "ZImageResource";
const char* const kColourResourceType = "ZColourResource";
const char* const kFontResourceType = "ZFontResource";

namespace {

// Longest full path of a skin-font file, as the system's classic path limit allows.
constexpr std::size_t kMaxFontPath = 259;

bool isBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

}  // namespace

int32_t skinInteger(const char* text)
{
    if (!text) return 0;
    while (isBlank(*text)) ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    int64_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) value = INT32_MAX;
    return static_cast<int32_t>(value);
}

// ------------------------------------------------------------------ ZResource

ZResource::ZResource() { name_[0] = 0; }

ZResource::~ZResource() = default;

void ZResource::setName(const char* text)
{
    std::size_t n = 0;
    if (text)
        while (n < sizeof name_ - 1 && text[n] != 0) {
            name_[n] = text[n];
            ++n;
        }
    name_[n] = 0;
}

bool ZResource::isOfType(const char* type) const { return sameTextIgnoringCase(typeName(), type); }

// ------------------------------------------------------------------ ZImageResource

ZImageResource::ZImageResource(ZBitmap* image, int32_t frameWidth, int32_t frameHeight, int32_t frameCount)
    : ZImageResource(std::shared_ptr<const ZBitmap>(image), frameWidth, frameHeight, frameCount)
{}

ZImageResource::ZImageResource(std::shared_ptr<const ZBitmap> picture, int32_t frameWidth, int32_t frameHeight,
                               int32_t frameCount)
    : image(picture.get()), share(std::move(picture)), frameWidth(frameWidth), frameHeight(frameHeight),
      frameCount(frameCount), rows(0), columns(0)
{
    if (image && frameHeight > 0) rows = image->height / frameHeight;
    if (image && frameWidth > 0) columns = image->width / frameWidth;
}

ZImageResource::~ZImageResource() = default;

const char* ZImageResource::typeName() const { return kImageResourceType; }

ZImageResource* ZImageResource::fromModule(const char* resourceType, const char* resourceName, int32_t frameWidth,
                                           int32_t frameHeight, int32_t frameCount)
{
    std::shared_ptr<const ZBitmap> picture = sharedImageResource(resourceType, resourceName);
    if (!picture) return nullptr;
    ZImageResource* resource = new (std::nothrow) ZImageResource(std::move(picture), frameWidth, frameHeight, frameCount);
    if (!resource) return nullptr;
    try {
        resource->sourceType_ = resourceType;
        resource->sourceName_ = resourceName;
    } catch (...) {
        // Without its name the resource still draws; it only finds no larger set.
        resource->sourceType_.clear();
        resource->sourceName_.clear();
    }
    return resource;
}

bool ZImageResource::layoutUsable() const
{
    if (!image || !image->isValid()) return false;
    if (frameWidth < 1 || frameHeight < 1 || rows < 1 || columns < 1) return false;
    return int64_t(rows) * columns >= frameCount;
}

bool ZImageResource::drawImageFrame(ZSurface* surface, int32_t frame) const
{
    if (!surface || !layoutUsable()) return false;
    if (frame < 0 || frame >= frameCount) return false;
    if (surface->scale() != 1.0) {
        const ZScaledFrames* set = framesAt(surface->scale());
        if (set && set->image && set->columns >= 1) {
            const int32_t x = (frame % set->columns) * set->frameWidth;
            const int32_t y = (frame / set->columns) * set->frameHeight;
            surface->blendDeviceBitmap(x, y, x + set->frameWidth, y + set->frameHeight, 0, 0, set->image.get());
            return true;
        }
        // Memory was short for the set: the picture itself, filtered by the surface.
    }
    const int32_t x = (frame % columns) * frameWidth;
    const int32_t y = (frame / columns) * frameHeight;
    surface->blendBitmap(x, y, x + frameWidth, y + frameHeight, 0, 0, image);
    return true;
}

std::shared_ptr<const ZBitmap> ZImageResource::imageSet(int32_t factor) const
{
    if (factor < 2 || factor > 3 || sourceName_.empty() || !layoutUsable()) return nullptr;
    try {
        const std::string name = sourceName_ + "_" + std::to_string(factor) + "X";
        std::shared_ptr<const ZBitmap> set = sharedImageResource(sourceType_.c_str(), name.c_str());
        if (!set) return nullptr;
        const int64_t w = int64_t(frameWidth) * factor, h = int64_t(frameHeight) * factor;
        if (set->width % w != 0 || set->height % h != 0) return nullptr;
        if ((set->width / w) * (set->height / h) < frameCount) return nullptr;
        return set;
    } catch (...) {
        return nullptr;
    }
}

namespace {

int32_t roundedSize(int32_t size, double scale) { return static_cast<int32_t>(std::floor(size * scale + 0.5)); }

// Frames filtered to another size, shared by everything of this module that draws the same set at
// the same size; entries observe the pictures as those of sharedImageResource do.
struct ResampledFrames {
    struct Entry {
        std::weak_ptr<const ZBitmap> source;
        int32_t frameWidth, frameHeight, frameCount, columns, targetWidth, targetHeight;
        std::weak_ptr<const ZBitmap> image;
    };
    std::mutex mutex;
    std::vector<Entry> entries;
};

ResampledFrames& resampledFrames()
{
    static ResampledFrames frames;
    return frames;
}

bool sameOwner(const std::weak_ptr<const ZBitmap>& a, const std::shared_ptr<const ZBitmap>& b)
{
    return !a.owner_before(b) && !b.owner_before(a);
}

std::shared_ptr<const ZBitmap> sharedResample(const std::shared_ptr<const ZBitmap>& source, int32_t frameWidth,
                                              int32_t frameHeight, int32_t frameCount, int32_t columns,
                                              int32_t targetWidth, int32_t targetHeight)
{
    try {
        ResampledFrames& cache = resampledFrames();
        std::lock_guard<std::mutex> lock(cache.mutex);
        ResampledFrames::Entry* free = nullptr;
        for (ResampledFrames::Entry& e : cache.entries) {
            if (sameOwner(e.source, source) && e.frameWidth == frameWidth && e.frameHeight == frameHeight &&
                e.frameCount == frameCount && e.columns == columns && e.targetWidth == targetWidth &&
                e.targetHeight == targetHeight) {
                if (std::shared_ptr<const ZBitmap> image = e.image.lock()) return image;
                free = &e;
                break;
            }
            if (!free && e.image.expired()) free = &e;
        }
        std::shared_ptr<const ZBitmap> image(
            resampleFrames(*source, frameWidth, frameHeight, frameCount, columns, targetWidth, targetHeight));
        if (!image) return nullptr;
        const ResampledFrames::Entry entry{source, frameWidth, frameHeight, frameCount, columns, targetWidth,
                                           targetHeight, image};
        if (free)
            *free = entry;
        else
            cache.entries.push_back(entry);
        return image;
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

const ZScaledFrames* ZImageResource::framesAt(double scale) const
{
    if (!layoutUsable() || !(scale >= 1.0 && scale <= 3.0)) return nullptr;
    if (scaled_.image && scaled_.scale == scale) return &scaled_;
    releaseScaledFrames();
    // The smallest set made for this scale or more; else the largest there is (the picture itself
    // when the module has no larger set).
    std::shared_ptr<const ZBitmap> set = scale == 1.0 ? share : nullptr;
    int32_t factor = 1;
    for (int32_t k = 2; k <= 3 && !set; ++k)
        if (k >= scale && (set = imageSet(k))) factor = k;
    for (int32_t k = 3; k >= 2 && !set; --k)
        if ((set = imageSet(k))) factor = k;
    if (!set) set = share;
    if (!set) return nullptr;
    const int32_t setWidth = frameWidth * factor, setHeight = frameHeight * factor;
    const int32_t setColumns = set->width / setWidth;
    const int32_t targetWidth = roundedSize(frameWidth, scale), targetHeight = roundedSize(frameHeight, scale);
    ZScaledFrames frames;
    frames.scale = scale;
    frames.columns = setColumns;
    if (targetWidth == setWidth && targetHeight == setHeight) {
        frames.image = set;
        frames.frameWidth = setWidth;
        frames.frameHeight = setHeight;
    } else {
        frames.image = sharedResample(set, setWidth, setHeight, frameCount, setColumns, targetWidth, targetHeight);
        frames.frameWidth = targetWidth;
        frames.frameHeight = targetHeight;
    }
    if (!frames.image) return nullptr;
    scaled_ = std::move(frames);
    return &scaled_;
}

void ZImageResource::releaseScaledFrames() const { scaled_ = ZScaledFrames(); }

const char* ZColourResource::typeName() const { return kColourResourceType; }

ZFontResource::~ZFontResource() { delete font; }

const char* ZFontResource::typeName() const { return kFontResourceType; }

// ------------------------------------------------------------------ fonts

void ZFont::drawTextInRect(ZSurface* surface, const char* text, int32_t x0, int32_t y0, int32_t x1, int32_t y1,
                           int32_t alignment)
{
    drawText(surface, text, x0, y0, static_cast<int32_t>(int64_t(x1) - x0), static_cast<int32_t>(int64_t(y1) - y0),
             alignment);
}

ZDefFont::ZDefFont(ZColour colour, int32_t height, platform::FontHandle font)
    : colour_(colour), height_(height), font_(font)
{}

ZDefFont* ZDefFont::create(int32_t height, ZColour colour)
{
    platform::FontHandle font = platform::createFont(height);
    if (!font) return nullptr;
    ZDefFont* result = new (std::nothrow) ZDefFont(colour, height, font);
    if (!result) platform::destroyFont(font);
    return result;
}

ZDefFont::~ZDefFont()
{
    platform::destroyFont(scaledFont_);
    platform::destroyFont(font_);
}

platform::FontHandle scaledSystemFont(platform::FontHandle base, int32_t height, double scale,
                                      platform::FontHandle& font, double& madeFor)
{
    if (scale == 1.0 || !(scale > 0.0) || !(scale <= 16.0)) return base;
    if (font && madeFor == scale) return font;
    platform::destroyFont(font);
    font = platform::createFont(static_cast<int32_t>(std::floor(height * scale + 0.5)));
    madeFor = scale;
    return font ? font : base;
}

platform::FontHandle ZDefFont::gdiFontAt(double scale)
{
    return scaledSystemFont(font_, height_, scale, scaledFont_, scaledFor_);
}

int32_t ZDefFont::textWidth(ZSurface* surface, const char* text)
{
    if (!surface || !text) return 0;
    const double scale = surface->scale();
    const int32_t w = surface->measureText(text, gdiFontAt(scale),
                                           platform::kTextCalcRect | platform::kTextNoClip | platform::kTextSingleLine |
                                               platform::kTextVCenter);
    if (w < 0) return 0;
    return scale == 1.0 ? w : static_cast<int32_t>(std::floor(w / scale + 0.5));
}

void ZDefFont::drawText(ZSurface* surface, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                        int32_t alignment)
{
    if (!surface || !text) return;
    uint32_t format = platform::kTextNoClip | platform::kTextSingleLine | platform::kTextVCenter;  // 292
    if (alignment == kAlignCentre)
        format |= platform::kTextCenter;  // 293
    else if (alignment == kAlignRight)
        format |= platform::kTextRight;  // 294
    const uint32_t colorref = uint32_t(colour_.r) | (uint32_t(colour_.g) << 8) | (uint32_t(colour_.b) << 16);
    surface->drawText(text, x, y, width, height, gdiFontAt(surface->scale()), colorref, format);
}

ZSkinFont::ZSkinFont() : charHeight_(-1), totalWidth_(0), strip_(nullptr), font_(nullptr)
{
    for (int32_t i = 0; i < kCharCount; ++i) {
        widths_[i] = -1;
        offsets_[i] = 0;
    }
}

ZSkinFont::~ZSkinFont()
{
    delete strip_;
    platform::destroyFont(scaledFont_);
    platform::destroyFont(font_);
}

platform::FontHandle ZSkinFont::gdiFontAt(double scale)
{
    return scaledSystemFont(font_, charHeight_, scale, scaledFont_, scaledFor_);
}

ZSkinFont* ZSkinFont::load(const char* metricsFile, const char* stripFile)
{
    if (!metricsFile || !stripFile) return nullptr;
    const std::string dir = platform::moduleDirectory();
    if (dir.empty()) return nullptr;
    const std::string metricsPath = dir + metricsFile;
    const std::string stripPath = dir + stripFile;
    if (metricsPath.size() > kMaxFontPath || stripPath.size() > kMaxFontPath) return nullptr;
    return loadFromPaths(metricsPath, stripPath);
}

ZSkinFont* ZSkinFont::loadFromPaths(const std::string& metricsPath, const std::string& stripPath)
{
    ZSkinFont* font = new (std::nothrow) ZSkinFont();
    if (!font) return nullptr;
    font->strip_ = loadImageFile(stripPath);

    ZFileStream file;
    file.open(metricsPath);
    ZLineReader reader(&file);
    bool ok = font->strip_ != nullptr && file.isOpen();
    bool anyLine = false;
    while (ok && reader.readLine()) {
        anyLine = true;
        const int32_t n = reader.tokenize();
        if (n == 0) continue;
        const char* key = reader.token(0);
        if (reader.tooManyTokens()) {
            ok = false;
        } else if (sameTextIgnoringCase(key, "CharHeight") && n == 2) {
            const int32_t h = skinInteger(reader.token(1));
            if (h >= 1)
                font->charHeight_ = h;
            else
                ok = false;
        } else if (sameTextIgnoringCase(key, "CharDefaultWidth") && n == 2) {
            const int32_t w = skinInteger(reader.token(1));
            if (w >= 1) {
                for (int32_t& width : font->widths_)
                    if (width == -1) width = w;
            } else {
                ok = false;
            }
        } else if (sameTextIgnoringCase(key, "CharWidth") && n == 3) {
            const int32_t c = skinInteger(reader.token(1));
            const int32_t w = skinInteger(reader.token(2));
            if (w >= 1 && c >= kFirstChar && c <= kLastChar)
                font->widths_[c - kFirstChar] = w;
            else
                ok = false;
        } else {
            ok = false;
        }
    }
    file.close();
    // A file that cannot be read, or reads empty, gives no font.
    if (!anyLine || reader.bytesRead() == 0) ok = false;

    if (ok) {
        ok = font->charHeight_ >= 1 && font->charHeight_ <= font->strip_->height;
        int64_t sum = 0;
        for (int32_t i = 0; ok && i < kCharCount; ++i) {
            if (font->widths_[i] < 1) ok = false;
            font->offsets_[i] = static_cast<int32_t>(sum < INT32_MAX ? sum : INT32_MAX);
            sum += font->widths_[i];
        }
        if (ok && sum > font->strip_->width) ok = false;
        if (ok) font->totalWidth_ = static_cast<int32_t>(sum);
    }
    if (ok) {
        font->font_ = platform::createFont(font->charHeight_);
        if (!font->font_) ok = false;
    }
    if (!ok) {
        delete font;
        return nullptr;
    }
    return font;
}

int32_t ZSkinFont::charWidth(int32_t code) const
{
    return code >= kFirstChar && code <= kLastChar ? widths_[code - kFirstChar] : 0;
}

int32_t ZSkinFont::charOffset(int32_t code) const
{
    return code >= kFirstChar && code <= kLastChar ? offsets_[code - kFirstChar] : 0;
}

int32_t ZSkinFont::textWidth(ZSurface* /*surface*/, const char* text)
{
    if (!text) return 0;
    int64_t sum = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) sum += charWidth(*p);
    return static_cast<int32_t>(sum < INT32_MAX ? sum : INT32_MAX);
}

void ZSkinFont::drawText(ZSurface* surface, const char* text, int32_t x, int32_t y, int32_t width, int32_t height,
                         int32_t alignment)
{
    if (!surface || !text || !strip_) return;
    const int64_t tw = textWidth(surface, text);
    int64_t left = x;
    if (alignment == kAlignCentre)
        left += (int64_t(width) - tw) / 2;
    else if (alignment == kAlignRight)
        left += int64_t(width) - tw;
    const int64_t top = int64_t(y) + (int64_t(height) - charHeight_) / 2;
    if (top < INT32_MIN || top > INT32_MAX) return;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        const int32_t w = charWidth(*p);
        if (w <= 0) continue;
        if (left < INT32_MIN || left > INT32_MAX) return;
        const int32_t sx = offsets_[*p - kFirstChar];
        surface->blendBitmap(sx, 0, sx + w, charHeight_, static_cast<int32_t>(left), static_cast<int32_t>(top), strip_);
        left += w;
    }
}

// ------------------------------------------------------------------ images

namespace {

// Decodes PNG bytes (read in place) into a bitmap of 0xAARRGGBB pixels; `status` gets the decoder's
// status, or kPngOutOfMemory when the bitmap cannot be made.
// On little-endian machines the decoder writes the words itself (bytes blue, green, red, alpha).
ZBitmap* decodeToBitmap(const uint8_t* data, std::size_t size, int32_t& status)
{
    PngInfo info;
#if (defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__) || defined(_WIN32)
    struct Target {
        std::unique_ptr<uint32_t[]> pixels;
        std::size_t bytes = 0;
    } target;
    const PngOutput output{[](void* context, std::size_t bytes) -> uint8_t* {
                               Target& t = *static_cast<Target*>(context);
                               if (bytes % 4 || bytes / 4 > kPngMaxPixels) return nullptr;
                               t.pixels.reset(new (std::nothrow) uint32_t[bytes / 4]);
                               t.bytes = t.pixels ? bytes : 0;
                               return reinterpret_cast<uint8_t*>(t.pixels.get());
                           },
                           &target, true};
    status = decodePngInto(data, size, output, info);
    if (status != kPngOk) return nullptr;
    status = kPngImageTooLarge;  // for the checks below, which a decoded picture passes
    if (info.size() <= kPngInfoHeight) return nullptr;
    const uint32_t w = info[kPngInfoWidth];
    const uint32_t h = info[kPngInfoHeight];
    if (w < 1 || h < 1 || w > uint32_t(INT32_MAX) || h > uint32_t(INT32_MAX)) return nullptr;
    if (!target.pixels || target.bytes != std::size_t(uint64_t(w) * h * 4)) return nullptr;
    status = kPngOk;
    ZBitmap* bitmap = new (std::nothrow) ZBitmap();
    if (!bitmap) {
        status = kPngOutOfMemory;
        return nullptr;
    }
    bitmap->adopt(target.pixels.release(), static_cast<int32_t>(w), static_cast<int32_t>(h));
    return bitmap;
#else
    std::vector<uint8_t> input(data, data + size), rgba;
    status = decodePng(input, rgba, info);
    if (status != kPngOk) return nullptr;
    status = kPngImageTooLarge;  // for the checks below, which a decoded picture passes
    if (info.size() <= kPngInfoHeight) return nullptr;
    const uint32_t w = info[kPngInfoWidth];
    const uint32_t h = info[kPngInfoHeight];
    if (w < 1 || h < 1 || w > uint32_t(INT32_MAX) || h > uint32_t(INT32_MAX)) return nullptr;
    const uint64_t count = uint64_t(w) * h;
    if (count > kPngMaxPixels || rgba.size() < count * 4) return nullptr;
    status = kPngOk;
    uint32_t* pixels = new (std::nothrow) uint32_t[static_cast<std::size_t>(count)];
    ZBitmap* bitmap = pixels ? new (std::nothrow) ZBitmap() : nullptr;
    if (!bitmap) {
        delete[] pixels;
        status = kPngOutOfMemory;
        return nullptr;
    }
    // RGBA bytes to words with red and blue exchanged: 0xAARRGGBB.
    const uint8_t* src = rgba.data();
    for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i, src += 4)
        pixels[i] = (uint32_t(src[3]) << 24) | (uint32_t(src[0]) << 16) | (uint32_t(src[1]) << 8) | uint32_t(src[2]);
    bitmap->adopt(pixels, static_cast<int32_t>(w), static_cast<int32_t>(h));
    return bitmap;
#endif
}

// Where a loader's caller wants the status, if anywhere.
void report(int32_t* status, int32_t value)
{
    if (status) *status = value;
}

}  // namespace

ZBitmap* loadImageBytes(const unsigned char* data, std::size_t size, int32_t* status)
{
    int32_t result = kPngEmptyInput;
    ZBitmap* bitmap = nullptr;
    if (data && size > 0) {
        try {
            bitmap = decodeToBitmap(data, size, result);
        } catch (...) {
            result = kPngOutOfMemory;
        }
    }
    report(status, result);
    return bitmap;
}

ZBitmap* loadImageResource(const char* resourceType, const char* resourceName, int32_t* status)
{
    platform::ResourceView view;
    if (!platform::findResource(resourceType, resourceName, view)) {
        report(status, kPngEmptyInput);
        return nullptr;
    }
    return loadImageBytes(view.data, view.size, status);
}

namespace {

// The module's decoded PNG resources, by the address and size of their bytes (which stay put while
// the module is loaded). Entries only observe the pictures: the last holder frees one, and its
// entry is reused or swept on a later lookup.
struct SharedImages {
    struct Entry {
        const unsigned char* data;
        std::size_t size;
        std::weak_ptr<const ZBitmap> image;
    };
    std::mutex mutex;
    std::vector<Entry> entries;
};

SharedImages& sharedImages()
{
    static SharedImages images;
    return images;
}

}  // namespace

std::shared_ptr<const ZBitmap> sharedImageResource(const char* resourceType, const char* resourceName)
{
    platform::ResourceView view;
    if (!platform::findResource(resourceType, resourceName, view)) return nullptr;
    try {
        SharedImages& cache = sharedImages();
        // Held while decoding: a second instance made at the same time waits for the first
        // decode instead of repeating it.
        std::lock_guard<std::mutex> lock(cache.mutex);
        SharedImages::Entry* free = nullptr;
        for (SharedImages::Entry& e : cache.entries) {
            if (e.data == view.data && e.size == view.size) {
                if (std::shared_ptr<const ZBitmap> image = e.image.lock()) return image;
                free = &e;
                break;
            }
            if (!free && e.image.expired()) free = &e;
        }
        std::shared_ptr<const ZBitmap> image(loadImageBytes(view.data, view.size));
        if (!image) return nullptr;
        if (free) {
            *free = SharedImages::Entry{view.data, view.size, image};
        } else {
            cache.entries.push_back(SharedImages::Entry{view.data, view.size, image});
        }
        return image;
    } catch (...) {
        return nullptr;
    }
}

ZBitmap* loadImageFile(const std::string& path, int32_t* status)
{
    std::vector<unsigned char> bytes;
    try {
        if (!platform::readFile(path, bytes)) bytes.clear();
    } catch (...) {
        report(status, kPngOutOfMemory);
        return nullptr;
    }
    return loadImageBytes(bytes.data(), bytes.size(), status);
}
