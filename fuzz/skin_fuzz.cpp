// libFuzzer harness for the skin parser, its resources and the control factory.
//
// The input is a skin text. If it holds a zero byte, what follows the first one is written as the
// skin-font metrics file "fuzz_metrics.txt" beside the fuzzer (the strip "fuzz_strip.png" is made
// at start-up), so "AddResource f SkinFont fuzz_metrics.txt fuzz_strip.png" reads fuzzed metrics.
// The module resources are a few small PNG images (PNG_FILE FUZZ_A, FUZZ_B, FUZZ_C) and the
// shipped skin text is not among them. The factory is the standard one plus the graph keyword; a
// control line whose arguments all resolve gives a stand-in control, so control lists are built and
// destroyed too. After the parse, every image frame and every font is drawn on a small surface.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "gui/surface.h"
#include "platform/embedded_resources.h"
#include "platform/platform.h"
#include "skin_test_support.h"

using namespace skintest;

namespace {

const std::vector<uint8_t>& imageA()
{  // 8 x 8, frames 4 x 4
    static const std::vector<uint8_t> png = rgbaPng(8, 8, gradientPixels(8, 8));
    return png;
}
const std::vector<uint8_t>& imageB()
{  // 3 x 12 strip with transparency
    static const std::vector<uint8_t> png = [] {
        std::vector<uint8_t> px = gradientPixels(3, 12);
        for (size_t i = 3; i < px.size(); i += 8) px[i] = 0x40;
        return rgbaPng(3, 12, px);
    }();
    return png;
}
const std::vector<uint8_t>& imageC()
{  // 1 x 1
    static const std::vector<uint8_t> png = rgbaPng(1, 1, {1, 2, 3, 4});
    return png;
}

std::string besideFuzzer(const char* name) { return platform::moduleDirectory() + name; }

void writeFile(const std::string& path, const uint8_t* data, size_t size)
{
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
}

}  // namespace

const EmbeddedResource kEmbeddedResources[] = {
    {"PNG_FILE", "FUZZ_A", imageA().data(), imageA().size()},
    {"PNG_FILE", "FUZZ_B", imageB().data(), imageB().size()},
    {"PNG_FILE", "FUZZ_C", imageC().data(), imageC().size()},
    {nullptr, nullptr, nullptr, 0},
};

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // 95 glyphs of up to 4 pixels, 8 rows.
    const std::vector<uint8_t> strip = rgbaPng(380, 8, gradientPixels(380, 8));
    writeFile(besideFuzzer("fuzz_strip.png"), strip.data(), strip.size());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static TestEffect* effect = new TestEffect();
    static ZSurface* surface = ZSurface::create(nullptr, 24, 24);
    // The same drawing on a surface at a scale: frames filtered to the scale, text and bitmaps mapped.
    static ZSurface* scaled = ZSurface::create(nullptr, 24, 24, 2.5);

    size_t skinSize = 0;
    while (skinSize < size && data[skinSize] != 0) ++skinSize;
    if (skinSize < size) {
        // Rewritten only when it changed: most mutations touch the skin text.
        static std::string written;
        const std::string metrics(reinterpret_cast<const char*>(data) + skinSize + 1, size - skinSize - 1);
        if (metrics != written) {
            writeFile(besideFuzzer("fuzz_metrics.txt"), data + skinSize + 1, size - skinSize - 1);
            written = metrics;
        }
    }

    StubFactory factory(effect);
    ZResourceStream source(data, skinSize);
    ZSkinError error;
    ZSkin* skin = parseSkin(&factory, &source, &error);
    // A parse that stopped early says why; a failing line has a number, and a whole text none.
    if (error.line > 0 && error.reason.empty()) __builtin_trap();
    if (!skin && error.reason.empty()) __builtin_trap();
    if (!skin) return 0;

    // Everything the skin declared must be usable.
    for (ZResource* r : skin->resources) {
        if (r->isOfType(kImageResourceType)) {
            const ZImageResource* image = static_cast<ZImageResource*>(r);
            for (ZSurface* s : {surface, scaled}) {
                for (int32_t frame = -1; frame <= 4; ++frame) {
                    s->resetClip();
                    s->setClip(frame, frame, 16, 16);
                    image->drawImageFrame(s, frame);
                }
                // The frame count is the skin's own number, INT32_MIN included.
                if (image->frameCount > INT32_MIN) image->drawImageFrame(s, image->frameCount - 1);
                image->drawImageFrame(s, image->frameCount);
            }
        } else if (r->isOfType(kFontResourceType)) {
            ZFont* font = static_cast<ZFontResource*>(r)->font;
            if (dynamic_cast<ZSkinFont*>(font)) {
                for (ZSurface* s : {surface, scaled}) {
                    s->resetClip();
                    font->textWidth(s, "Gain \t\x7f\xff~");
                    font->drawText(s, "0.0 dB\t~", -3, 2, 30, 5, 1);
                    font->drawTextInRect(s, "Ab", 20, 20, 2, 2, 2);
                }
            }
        }
    }
    for (int32_t page = -1; page <= skin->pageCount + 1 && page < 64; ++page) (void)skin->pageFrame(page);
    delete skin;
    return 0;
}
