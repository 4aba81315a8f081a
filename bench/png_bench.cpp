// PNG decoding speed: our decoder next to libpng decoding the same files to
// 8-bit RGBA. Images: the module's knob strip (src/resources/bigpot.png), a
// generated 42 x 4004 16-bit RGBA knob strip (the size and format of the
// skin's largest image), a generated 402 x 321 8-bit RGB picture, and the
// whole PngSuite corpus (all valid files, one pass per iteration) when the
// shared test data is present.
#include "skin_resources/png.h"

#include <benchmark/benchmark.h>

#include "libpng_reference.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <map>

#if SARVO_HAVE_LIBPNG
#include <png.h>
#endif
#if SARVO_HAVE_SPNG
#include <spng.h>
#endif
#if SARVO_HAVE_STB
#include <stb/stb_image.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

// ------------------------------------------------------------------ test images

struct RawImage {
    uint32_t width = 0, height = 0;
    int colourType = 0, depth = 8;
    Bytes rows;  // packed rows as PNG stores them, big-endian samples
};

// 91 frames of 42 x 44: a shaded disc with a pointer at a different angle in
// each frame and anti-aliased transparent corners. 16-bit samples whose two
// bytes are equal, as in the skin's knob strip.
RawImage knobStrip()
{
    RawImage img;
    img.width = 42;
    img.height = 44 * 91;
    img.colourType = 6;
    img.depth = 16;
    img.rows.resize(size_t(img.width) * img.height * 8);
    const double pi = 3.14159265358979323846;
    for (uint32_t f = 0; f < 91; ++f) {
        const double angle = (-135.0 + 270.0 * f / 90.0) * pi / 180.0;
        const double px = std::sin(angle), py = -std::cos(angle);
        for (uint32_t y = 0; y < 44; ++y) {
            for (uint32_t x = 0; x < 42; ++x) {
                const double dx = x + 0.5 - 21.0, dy = y + 0.5 - 22.0;
                const double r = std::sqrt(dx * dx + dy * dy);
                double cover = std::fmin(1.0, std::fmax(0.0, 19.5 - r));
                double shade = 0.55 + 0.35 * (-dx - dy) / 40.0;
                // Pointer: distance from the ray towards (px, py).
                const double along = dx * px + dy * py;
                const double across = std::fabs(dx * py - dy * px);
                if (along > 4.0 && along < 17.0) shade += 0.4 * std::fmax(0.0, 1.5 - across);
                shade = std::fmin(1.0, std::fmax(0.0, shade));
                const unsigned v = unsigned(shade * 255.0 + 0.5);
                const unsigned a = unsigned(cover * 255.0 + 0.5);
                const unsigned rgba[4] = {v, unsigned(v * 0.9), unsigned(v * 0.8), a};
                uint8_t* p = &img.rows[((size_t(f) * 44 + y) * img.width + x) * 8];
                for (int c = 0; c < 4; ++c) p[2 * c] = p[2 * c + 1] = uint8_t(rgba[c]);
            }
        }
    }
    return img;
}

// A smooth picture with some texture, 8-bit RGB.
RawImage backgroundPicture()
{
    RawImage img;
    img.width = 402;
    img.height = 321;
    img.colourType = 2;
    img.depth = 8;
    img.rows.resize(size_t(img.width) * img.height * 3);
    uint32_t noise = 12345;
    for (uint32_t y = 0; y < img.height; ++y)
        for (uint32_t x = 0; x < img.width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const unsigned n = (noise >> 28) & 3;
            uint8_t* p = &img.rows[(size_t(y) * img.width + x) * 3];
            p[0] = uint8_t(40 + x / 8 + n);
            p[1] = uint8_t(50 + y / 6 + n);
            p[2] = uint8_t(60 + (x + y) / 10);
        }
    return img;
}

// A flat user-interface picture, 2048 x 2048 8-bit RGB: panels of one colour with borders, a
// few gradients and rows of small widgets, as skins are drawn.
RawImage flatPicture() {
    RawImage img;
    img.width = 2048;
    img.height = 2048;
    img.colourType = 2;
    img.depth = 8;
    img.rows.resize(size_t(img.width) * img.height * 3);
    for (uint32_t y = 0; y < img.height; ++y)
        for (uint32_t x = 0; x < img.width; ++x) {
            uint8_t* p = &img.rows[(size_t(y) * img.width + x) * 3];
            const uint32_t px = x / 256, py = y / 256;  // 8 x 8 panels
            unsigned r = 40 + 20 * ((px + py) % 4), g = 50 + 15 * (px % 3), b = 60 + 25 * (py % 3);
            const uint32_t ix = x % 256, iy = y % 256;
            if (ix < 2 || iy < 2) r = g = b = 20;                       // panel borders
            else if (iy > 200 && iy < 240) r = g = b = 60 + ix / 4;      // a gradient bar
            else if (ix > 24 && ix < 232 && iy > 24 && iy < 180 && (ix / 26 + iy / 26) % 2 == 0) {
                r += 40;  // widgets
                g += 40;
            }
            p[0] = uint8_t(r);
            p[1] = uint8_t(g);
            p[2] = uint8_t(b);
        }
    return img;
}

// A photo-like picture, 2048 x 2048 8-bit RGBA: smooth shapes of light with sensor-like noise in
// every channel and a soft alpha vignette.
RawImage photoPicture() {
    RawImage img;
    img.width = 2048;
    img.height = 2048;
    img.colourType = 6;
    img.depth = 8;
    img.rows.resize(size_t(img.width) * img.height * 4);
    uint32_t noise = 987654321u;
    for (uint32_t y = 0; y < img.height; ++y)
        for (uint32_t x = 0; x < img.width; ++x) {
            const double u = x / 2048.0, v = y / 2048.0;
            const double base = 0.5 + 0.25 * std::sin(u * 9.0 + std::cos(v * 7.0)) * std::cos(v * 5.0 - u * 3.0);
            uint8_t* p = &img.rows[(size_t(y) * img.width + x) * 4];
            for (int c = 0; c < 3; ++c) {
                noise = noise * 1103515245u + 12345u;
                const double n = double((noise >> 16) & 15) - 7.5;
                const double value = 255.0 * base * (0.8 + 0.1 * c) + 30.0 * std::sin(u * (11 + c) + v * 13) + n;
                p[c] = uint8_t(std::fmin(255.0, std::fmax(0.0, value)));
            }
            const double d = std::sqrt((u - 0.5) * (u - 0.5) + (v - 0.5) * (v - 0.5));
            p[3] = uint8_t(std::fmin(255.0, std::fmax(0.0, 255.0 * (1.2 - d * 1.6))));
        }
    return img;
}

#if SARVO_HAVE_LIBPNG

// ------------------------------------------------------------------ libpng

void writeToVector(png_structp png, png_bytep data, png_size_t length)
{
    Bytes* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void flushNothing(png_structp) {}

Bytes encodeWithLibpng(const RawImage& img)
{
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return Bytes();
    }
    png_set_write_fn(png, &out, writeToVector, flushNothing);
    png_set_IHDR(png, info, img.width, img.height, img.depth, img.colourType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const size_t stride = img.rows.size() / img.height;
    for (uint32_t y = 0; y < img.height; ++y) png_write_row(png, const_cast<png_bytep>(&img.rows[y * stride]));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

// libpng decoding to 8-bit RGBA with the transforms that match our output.
bool decodeWithLibpng(const Bytes& file, Bytes& rgba) { return libpngToRgba(file.data(), file.size(), rgba); }

#endif  // SARVO_HAVE_LIBPNG

// ------------------------------------------------------------------ inputs

Bytes readFile(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

std::string testDataDir()
{
    const char* env = std::getenv("SARVO_TESTDATA");
    std::string dir = env && *env ? env : std::string(SARVO_SOURCE_DIR) + "/../shared/testdata";
    return dir + "/";
}

// Valid PngSuite files (the ones with an expected decode).
const std::vector<Bytes>& suiteFiles()
{
    static const std::vector<Bytes> files = [] {
        std::vector<Bytes> v;
        const std::string dir = testDataDir() + "pngsuite/";
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
            if (e.path().extension() != ".png") continue;
            if (!std::filesystem::exists(dir + "expected/" + e.path().stem().string() + ".rgba")) continue;
            v.push_back(readFile(e.path().string()));
        }
        return v;
    }();
    return files;
}

#if SARVO_HAVE_LIBPNG
const Bytes& knobFile()
{
    static const Bytes file = encodeWithLibpng(knobStrip());
    return file;
}
const Bytes& backgroundFile()
{
    static const Bytes file = encodeWithLibpng(backgroundPicture());
    return file;
}
#endif

// ------------------------------------------------------------------ benchmarks

void decodeOurs(benchmark::State& state, const Bytes& file)
{
    Bytes input, rgba;
    PngInfo info;
    for (auto _ : state) {
        input = file;  // the decoder works inside its input
        decodePng(input, rgba, info);
        benchmark::DoNotOptimize(rgba.data());
    }
    if (pngThreadStatus() != 0) state.SkipWithError("decode failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rgba.size()));
}

// libspng and stb_image as further references, to the same 8-bit RGBA (libspng ignoring the CRCs
// and the Adler-32 trailer, as ours; stb_image checks neither).
#if SARVO_HAVE_SPNG
bool decodeWithSpng(const Bytes& file, Bytes& rgba) {
    spng_ctx* ctx = spng_ctx_new(SPNG_CTX_IGNORE_ADLER32);
    if (!ctx) return false;
    spng_set_crc_action(ctx, SPNG_CRC_USE, SPNG_CRC_USE);
    size_t size = 0;
    bool ok = spng_set_png_buffer(ctx, file.data(), file.size()) == 0 &&
              spng_decoded_image_size(ctx, SPNG_FMT_RGBA8, &size) == 0;
    if (ok) {
        rgba.resize(size);
        ok = spng_decode_image(ctx, rgba.data(), size, SPNG_FMT_RGBA8, SPNG_DECODE_TRNS) == 0;
    }
    spng_ctx_free(ctx);
    return ok;
}

void decodeSpng(benchmark::State& state, const Bytes& file) {
    Bytes rgba;
    bool ok = true;
    for (auto _ : state) {
        ok = decodeWithSpng(file, rgba);
        benchmark::DoNotOptimize(rgba.data());
    }
    if (!ok) state.SkipWithError("decode failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rgba.size()));
}
#endif

#if SARVO_HAVE_STB
void decodeStb(benchmark::State& state, const Bytes& file) {
    bool ok = true;
    size_t bytes = 0;
    for (auto _ : state) {
        int w = 0, h = 0, n = 0;
        unsigned char* p = stbi_load_from_memory(file.data(), int(file.size()), &w, &h, &n, 4);
        benchmark::DoNotOptimize(p);
        ok = p != nullptr;
        bytes = size_t(w) * h * 4;
        stbi_image_free(p);
    }
    if (!ok) state.SkipWithError("decode failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes));
}
#endif

#if SARVO_HAVE_LIBPNG
void decodeLibpng(benchmark::State& state, const Bytes& file)
{
    Bytes rgba;
    bool ok = true;
    for (auto _ : state) {
        ok = decodeWithLibpng(file, rgba);
        benchmark::DoNotOptimize(rgba.data());
    }
    if (!ok) state.SkipWithError("decode failed");
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rgba.size()));
}

// The module's own knob strip (42 x 4004, 16-bit RGBA), when present.
const Bytes& shippedKnobFile()
{
    static const Bytes file = readFile(std::string(SARVO_SOURCE_DIR) + "/src/resources/bigpot.png");
    return file;
}

void BM_PngShippedKnob_Ours(benchmark::State& state)
{
    if (shippedKnobFile().empty()) return state.SkipWithError("src/resources/bigpot.png not found");
    decodeOurs(state, shippedKnobFile());
}
void BM_PngShippedKnob_Libpng(benchmark::State& state)
{
    if (shippedKnobFile().empty()) return state.SkipWithError("src/resources/bigpot.png not found");
    decodeLibpng(state, shippedKnobFile());
}
BENCHMARK(BM_PngShippedKnob_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngShippedKnob_Libpng)->Unit(benchmark::kMicrosecond);

void BM_PngKnobStrip16_Ours(benchmark::State& state) { decodeOurs(state, knobFile()); }
void BM_PngKnobStrip16_Libpng(benchmark::State& state) { decodeLibpng(state, knobFile()); }
void BM_PngBackgroundRgb8_Ours(benchmark::State& state) { decodeOurs(state, backgroundFile()); }
void BM_PngBackgroundRgb8_Libpng(benchmark::State& state) { decodeLibpng(state, backgroundFile()); }
BENCHMARK(BM_PngKnobStrip16_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngKnobStrip16_Libpng)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngBackgroundRgb8_Ours)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PngBackgroundRgb8_Libpng)->Unit(benchmark::kMicrosecond);

// The same picture through every decoder: ours, libpng, libspng, stb_image. Before timing, ours
// must give exactly libpng's pixels.
const Bytes& shippedFile(const char* name) {
    static std::map<std::string, Bytes> files;
    Bytes& f = files[name];
    if (f.empty()) f = readFile(std::string(SARVO_SOURCE_DIR) + "/src/resources/" + name);
    return f;
}
const Bytes& flatFile() {
    static const Bytes file = encodeWithLibpng(flatPicture());
    return file;
}
const Bytes& photoFile() {
    static const Bytes file = encodeWithLibpng(photoPicture());
    return file;
}

bool oursMatchesLibpng(benchmark::State& state, const Bytes& file) {
    if (file.empty()) {
        state.SkipWithError("image not found");
        return false;
    }
    Bytes input = file, ours, theirs;
    PngInfo info;
    if (decodePng(input, ours, info) != 0 || !decodeWithLibpng(file, theirs) || ours != theirs) {
        state.SkipWithError("our decoder's pixels differ from libpng's");
        return false;
    }
    return true;
}

enum Decoder { kOurs, kLibpng, kSpng, kStb };

template <Decoder D>
void decodeWith(benchmark::State& state, const Bytes& file) {
    if (D == kOurs) {
        if (oursMatchesLibpng(state, file)) decodeOurs(state, file);
    } else if (D == kLibpng) {
        decodeLibpng(state, file);
    } else if (D == kSpng) {
#if SARVO_HAVE_SPNG
        decodeSpng(state, file);
#else
        state.SkipWithError("libspng not available");
#endif
    } else {
#if SARVO_HAVE_STB
        decodeStb(state, file);
#else
        state.SkipWithError("stb_image not available");
#endif
    }
}

#define SARVO_PNG_IMAGE_BENCH(Name, fileExpr)                                                      \
    void BM_Png##Name##_Ours(benchmark::State& s) { decodeWith<kOurs>(s, fileExpr); }              \
    void BM_Png##Name##_Libpng(benchmark::State& s) { decodeWith<kLibpng>(s, fileExpr); }          \
    void BM_Png##Name##_Spng(benchmark::State& s) { decodeWith<kSpng>(s, fileExpr); }              \
    void BM_Png##Name##_Stb(benchmark::State& s) { decodeWith<kStb>(s, fileExpr); }                \
    BENCHMARK(BM_Png##Name##_Ours)->Unit(benchmark::kMicrosecond);                                 \
    BENCHMARK(BM_Png##Name##_Libpng)->Unit(benchmark::kMicrosecond);                               \
    BENCHMARK(BM_Png##Name##_Spng)->Unit(benchmark::kMicrosecond);                                 \
    BENCHMARK(BM_Png##Name##_Stb)->Unit(benchmark::kMicrosecond);

SARVO_PNG_IMAGE_BENCH(ShippedBackground, shippedFile("background.png"))
SARVO_PNG_IMAGE_BENCH(ShippedSwitch, shippedFile("oversample.png"))
SARVO_PNG_IMAGE_BENCH(ShippedKnobAll, shippedFile("bigpot.png"))
SARVO_PNG_IMAGE_BENCH(Flat2048Rgb8, flatFile())
SARVO_PNG_IMAGE_BENCH(Photo2048Rgba8, photoFile())
#endif

void BM_PngSuite_Ours(benchmark::State& state)
{
    const std::vector<Bytes>& files = suiteFiles();
    if (files.empty()) {
        state.SkipWithError("PngSuite not found (set SARVO_TESTDATA)");
        return;
    }
    Bytes input, rgba;
    PngInfo info;
    for (auto _ : state) {
        for (const Bytes& f : files) {
            input = f;
            decodePng(input, rgba, info);
            benchmark::DoNotOptimize(rgba.data());
        }
    }
    state.counters["images"] = double(files.size());
    state.counters["per_image"] = benchmark::Counter(
        double(files.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PngSuite_Ours)->Unit(benchmark::kMicrosecond);

#if SARVO_HAVE_LIBPNG
void BM_PngSuite_Libpng(benchmark::State& state)
{
    const std::vector<Bytes>& files = suiteFiles();
    if (files.empty()) {
        state.SkipWithError("PngSuite not found (set SARVO_TESTDATA)");
        return;
    }
    Bytes rgba;
    for (auto _ : state) {
        for (const Bytes& f : files) {
            decodeWithLibpng(f, rgba);
            benchmark::DoNotOptimize(rgba.data());
        }
    }
    state.counters["images"] = double(files.size());
    state.counters["per_image"] = benchmark::Counter(
        double(files.size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_PngSuite_Libpng)->Unit(benchmark::kMicrosecond);
#endif

}  // namespace
