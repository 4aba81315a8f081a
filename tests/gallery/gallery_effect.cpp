#include "gallery/gallery_effect.h"

#include <cmath>
#include <cstring>
#include <new>

#include "model/feature.h"
#include "model/parameter.h"
#include "skin_resources/resources.h"
#include "skin/skin.h"
#include "skin/skin_parser.h"
#include "skin_resources/skin_reader.h"

const char* const kGalleryPageNames[4] = {"Buttons", "Radios", "Knobs", "Meters"};

namespace {

ZRangeParameter* range(const char* name, const char* caption, const char* unit, double lo, double hi, int steps,
                       int decimals, double defaultDisplay)
{
    auto* p = new ZRangeParameter();
    p->setName(name);
    p->setCaption(caption);
    p->setUnitLabel(unit);
    p->setRange(lo, hi);
    p->setSteps(steps);
    p->setDecimals(decimals);
    p->setDefaultDisplay(defaultDisplay);
    return p;
}

ZSwitchParameter* onOff(const char* name, const char* caption)
{
    auto* p = new ZSwitchParameter();
    p->setName(name);
    p->setCaption(caption);
    p->setUnitLabel("");
    p->setDefaultDisplay(0.0);
    return p;
}

}  // namespace

GalleryEffect::GalleryEffect(audioMasterCallback host) : ZPlugin(host, kNumPrograms, kNumParams)
{
    canProcessReplacing(true);
    setUniqueID(0x5A47616C);  // "ZGal"
    parameters_.assign(kNumParams, nullptr);
    defineParameter(kDrive, range("Drive", "Input drive", "dB", 0.0, 24.0, 48, 1, 6.0));
    defineParameter(kMode, range("Mode", "", "", 0.0, 1.0, 0, 2, 0.0));
    defineParameter(kBypass, onOff("Bypass", "Bypass effect"));
    defineParameter(kTrigger, onOff("Trigger", ""));
    defineParameter(kWidth, range("Width", "Stereo width", "%", 0.0, 100.0, 100, 0, 100.0));
    defineParameter(kMix, range("Mix", "Dry/wet mix", "%", 0.0, 100.0, 100, 0, 50.0));
    buildProgramStore();

    history.configure(40.0);  // one entry per two pushed frames
    defineFeature(0, "Level", "long", &level);
    defineFeature(1, "Peak", "double", &peak);
    defineFeature(2, "Fill", "double", &fill);
    defineFeature(3, "Ceiling", "double", &ceiling);
    defineFeature(4, "Status", "char*", &status);
    defineFeature(5, "History", "ZHistory", &history);
    defineFeature(6, "Spare", "long", nullptr);
    defineFeature(7, "Nothing", "char*", nullptr);

    defineCommand("Randomise");
    defineCommand("ResetPeak");
    defineCommand("Clear");
}

GalleryEffect::~GalleryEffect() = default;

void GalleryEffect::processReplacing(float** inputs, float** outputs, VstInt32 frames)
{
    if (!inputs || !outputs) return;
    for (int c = 0; c < 2; ++c)
        if (inputs[c] && outputs[c])
            for (VstInt32 i = 0; i < frames; ++i) outputs[c][i] = inputs[c][i];
}

void GalleryEffect::applyProgram(VstInt32) {}

void GalleryEffect::command(VstInt32 id, bool shift, bool ctrl)
{
    commandsRun.push_back(CommandRun{id, shift, ctrl});
    if (id == kResetPeak) peak.store(0.0);
    if (id == kClear) history.clear();
}

void GalleryEffect::showDemoState()
{
    level.store(12);
    fill.store(0.5);
    peak.store(1.5);
    ceiling.store(0.5);
    status = "Gallery: every keyword on four pages";
    history.clear();
    for (int32_t i = 0; i < ZHistory::kEntries; ++i) {
        const double t = i / static_cast<double>(ZHistory::kEntries);
        const double in = std::sin(t * 37.0) * (0.2 + 0.8 * t);
        const double out = in > 0.5 ? 0.5 : in < -0.5 ? -0.5 : in;
        history.push(in, out);
        history.push(-in, -out);
    }
}

// ---------------------------------------------------------------- film strips

namespace {

uint32_t argb(uint8_t a, uint8_t r, uint8_t g, uint8_t b)
{
    return (uint32_t(a) << 24) | (uint32_t(r) << 16) | (uint32_t(g) << 8) | b;
}

// One frame of a strip, drawn with coverage-weighted discs and boxes.
struct Frame {
    ZBitmap* image;
    int32_t top;
    int32_t width;
    int32_t height;

    uint32_t& at(int32_t x, int32_t y) { return image->pixels[(top + y) * image->width + x]; }

    // Source-over of an opaque-coloured pixel with the given coverage.
    void blend(int32_t x, int32_t y, uint32_t rgb, double coverage)
    {
        if (x < 0 || y < 0 || x >= width || y >= height || coverage <= 0.0) return;
        if (coverage > 1.0) coverage = 1.0;
        uint32_t& p = at(x, y);
        const double da = (p >> 24) / 255.0;
        const double oa = coverage + da * (1.0 - coverage);
        auto channel = [&](int shift) {
            const double s = (rgb >> shift) & 0xFF, d = (p >> shift) & 0xFF;
            return static_cast<uint8_t>(std::lround((s * coverage + d * da * (1.0 - coverage)) / (oa > 0 ? oa : 1)));
        };
        p = argb(static_cast<uint8_t>(std::lround(oa * 255.0)), channel(16), channel(8), channel(0));
    }
    void disc(double cx, double cy, double r, uint32_t rgb)
    {
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x) {
                const double d = std::hypot(x + 0.5 - cx, y + 0.5 - cy);
                blend(x, y, rgb, r - d + 0.5);
            }
    }
    void box(int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t rgb)
    {
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x) blend(x, y, rgb, 1.0);
    }
};

void drawGalleryFrame(const char* name, Frame& f, int32_t index, int32_t frames)
{
    const double cx = f.width / 2.0, cy = f.height / 2.0;
    const double r = (f.width < f.height ? f.width : f.height) / 2.0;
    if (std::strcmp(name, "background") == 0) {
        static const uint32_t tints[] = {0x3050A0, 0x307050, 0x804040, 0x606070};
        const uint32_t tint = tints[index % 4];
        for (int32_t y = 0; y < f.height; ++y)
            for (int32_t x = 0; x < f.width; ++x) {
                const double shade = 0.35 + 0.25 * y / f.height;
                const bool grid = (x % 40 == 0) || (y % 40 == 0);
                const uint8_t rr = static_cast<uint8_t>(((tint >> 16) & 0xFF) * shade + (grid ? 12 : 0));
                const uint8_t gg = static_cast<uint8_t>(((tint >> 8) & 0xFF) * shade + (grid ? 12 : 0));
                const uint8_t bb = static_cast<uint8_t>((tint & 0xFF) * shade + (grid ? 12 : 0));
                f.at(x, y) = argb(255, rr, gg, bb);
            }
    } else if (std::strcmp(name, "pagesel") == 0 || std::strcmp(name, "radio") == 0) {
        // Off: a dark ring; on: a lit disc; held: a half-lit disc.
        f.disc(cx, cy, r - 1, 0x202830);
        f.disc(cx, cy, r - 3, index == 1 ? 0xF0C040 : index == 2 ? 0x907020 : 0x505860);
    } else if (std::strcmp(name, "switch") == 0) {
        f.box(0, 0, f.width, f.height, 0x202830);
        if (index == 1)
            f.box(f.width / 2, 2, f.width - 2, f.height - 2, 0x40D060);
        else
            f.box(2, 2, f.width / 2, f.height - 2, 0x707880);
    } else if (std::strcmp(name, "command") == 0) {
        f.disc(cx, cy, r - 1, 0x202830);
        f.disc(cx + (index ? 1 : 0), cy + (index ? 1 : 0), r - 4, index ? 0xE05050 : 0x909aa0);
    } else if (std::strcmp(name, "pot") == 0) {
        f.disc(cx, cy, r - 1, 0x303840);
        const double q = frames > 1 ? index / double(frames - 1) : 0.0;
        const double t = q * 1.5 * 3.14159265358979 + 3.14159265358979 / 4;
        f.disc(cx - std::sin(t) * r * 0.6, cy + std::cos(t) * r * 0.6, 3.0, 0xF0F0F0);
    } else if (std::strcmp(name, "meter") == 0) {
        f.box(0, 0, f.width, f.height, 0x101418);
        const int32_t lit = frames > 1 ? (f.height - 4) * index / (frames - 1) : 0;
        f.box(2, f.height - 2 - lit, f.width - 2, f.height - 2, 0x40C0F0);
    }
}

}  // namespace

ZBitmap* makeGalleryImage(const char* name, int32_t fw, int32_t fh, int32_t frames)
{
    static const char* const known[] = {"background", "pagesel", "radio", "switch", "command", "pot", "meter"};
    bool ok = false;
    for (const char* k : known) ok = ok || (name && std::strcmp(name, k) == 0);
    if (!ok || fw < 1 || fh < 1 || frames < 1 || int64_t(fh) * frames > 8192 || fw > 4096) return nullptr;
    ZBitmap* image = new ZBitmap(fw, fh * frames);
    if (!image->isValid()) {
        delete image;
        return nullptr;
    }
    for (int32_t i = 0; i < frames; ++i) {
        Frame f{image, i * fh, fw, fh};
        drawGalleryFrame(name, f, i, frames);
    }
    return image;
}

ZResource* GalleryFactory::createResource(ZSkin* skin, const char* type, int32_t argc, const char* const* argv)
{
    if (type && sameTextIgnoringCase(type, "PngResource") && argc == 5 && argv[0] &&
        sameTextIgnoringCase(argv[0], "GALLERY")) {
        const int32_t fw = skinInteger(argv[2]), fh = skinInteger(argv[3]), n = skinInteger(argv[4]);
        ZBitmap* image = makeGalleryImage(argv[1], fw, fh, n);
        if (!image) return nullptr;
        return new ZImageResource(image, fw, fh, n);
    }
    return ZSkinFactory::createResource(skin, type, argc, argv);
}

std::string gallerySkinPath(const std::string& sourceDir) { return sourceDir + "tests/gallery/gallery.skin"; }

ZSkin* loadGallerySkin(GalleryEffect* effect, const std::string& path, ZSkinError* error)
{
    ZFileStream file;
    file.open(path);
    GalleryFactory factory(effect);
    return parseSkin(&factory, &file, error);
}

ZSkin* parseGallerySkinText(GalleryEffect* effect, const std::string& text)
{
    ZResourceStream stream(text.data(), text.size());
    GalleryFactory factory(effect);
    return parseSkin(&factory, &stream);
}
