// The PNG decoder against the shared image corpus (PngSuite and synthetic
// edge cases): every valid file must decode to exactly the bytes of its
// expected/NAME.rgba, made by an independent decoder; the corrupt files must
// fail with the right status, except the two whose only fault is a CRC.
#include "png_test_support.h"
#include "support/test_paths.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <utility>

#if SARVO_HAVE_LIBPNG
#include "libpng_reference.h"
#endif

using namespace pngtest;

namespace {

struct CorpusFile {
    std::string name;  // without extension
    std::string dir;  // ends with '/'
};

std::vector<CorpusFile> corpusFiles(const std::string& sub)
{
    std::vector<CorpusFile> files;
    const std::string dir = testDataDir() + sub + "/";
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec))
        if (e.path().extension() == ".png") files.push_back({e.path().stem().string(), dir});
    std::sort(files.begin(), files.end(), [](const CorpusFile& a, const CorpusFile& b) { return a.name < b.name; });
    return files;
}

// Reads expected/NAME.rgba: "<w> <h>\n" then w*h*4 bytes.
bool readExpected(const std::string& path, uint32_t& w, uint32_t& h, Bytes& pixels)
{
    const Bytes file = readFile(path);
    const auto nl = std::find(file.begin(), file.end(), uint8_t('\n'));
    if (nl == file.end()) return false;
    const std::string head(file.begin(), nl);
    if (std::sscanf(head.c_str(), "%u %u", &w, &h) != 2) return false;
    pixels.assign(nl + 1, file.end());
    return pixels.size() == size_t(w) * h * 4;
}

// Without the shared corpus the test is skipped, except under CI, where the corpus is part of the
// checkout's surroundings and its absence is a failure.
#define REQUIRE_CORPUS(sub)                                                                                            \
    if (!pathExists(testDataDir() + sub)) {                                                                            \
        if (testDataRequired())                                                                                        \
            FAIL() << "test data not found at " << testDataDir() << sub;                                               \
        GTEST_SKIP() << "test data not found at " << testDataDir() << sub                                              \
                     << " (set SARVO_TESTDATA to the shared testdata folder)";                                         \
    }

// First differing pixel, for a readable failure message.
std::string firstDifference(const Bytes& got, const Bytes& want, uint32_t w)
{
    for (size_t i = 0; i < std::min(got.size(), want.size()); ++i)
        if (got[i] != want[i]) {
            const size_t px = i / 4;
            return "pixel (" + std::to_string(px % w) + "," + std::to_string(px / w) + ") channel " +
                std::to_string(i % 4) + ": got " + std::to_string(got[i]) + ", want " + std::to_string(want[i]);
        }
    return "sizes " + std::to_string(got.size()) + " vs " + std::to_string(want.size());
}

void checkValidFiles(const std::string& sub, size_t minimumCount)
{
    size_t checked = 0;
    for (const CorpusFile& f : corpusFiles(sub)) {
        uint32_t w = 0, h = 0;
        Bytes want;
        if (!readExpected(f.dir + "expected/" + f.name + ".rgba", w, h, want)) continue;  // a corrupt file
        SCOPED_TRACE(f.name);
        const Decoded d = decode(readFile(f.dir + f.name + ".png"));
        ASSERT_EQ(d.status, 0);
        EXPECT_EQ(pngThreadStatus(), 0);
        ASSERT_GE(d.info.size(), size_t(kPngInfoHeaderSize));
        EXPECT_EQ(d.info[kPngInfoWidth], w);
        EXPECT_EQ(d.info[kPngInfoHeight], h);
        EXPECT_TRUE(d.rgba == want) << firstDifference(d.rgba, want, w);
        // Again with blue, green, red, alpha bytes, the order the skin's pictures take.
        Bytes input = readFile(f.dir + f.name + ".png"), bgra;
        PngInfo info;
        const PngOutput output{[](void* context, size_t bytes) -> uint8_t* {
                                   Bytes& v = *static_cast<Bytes*>(context);
                                   v.resize(bytes);
                                   return v.data();
                               },
                               &bgra, true};
        ASSERT_EQ(decodePngInto(input, output, info), 0);
        for (size_t i = 0; i + 3 < want.size(); i += 4) std::swap(want[i], want[i + 2]);
        EXPECT_TRUE(bgra == want) << "blue first: " << firstDifference(bgra, want, w);
        ++checked;
    }
    EXPECT_GE(checked, minimumCount);
}

}  // namespace

TEST(PngCorpus, EveryPngSuiteImageMatchesTheIndependentDecode)
{
    REQUIRE_CORPUS("pngsuite");
    checkValidFiles("pngsuite", 162);
}

TEST(PngCorpus, EverySyntheticEdgeCaseMatches)
{
    REQUIRE_CORPUS("synthetic");
    checkValidFiles("synthetic", 13);
}

TEST(PngCorpus, CorruptFilesFailWithTheirStatusOrDecodeWhenOnlyACrcIsWrong)
{
    REQUIRE_CORPUS("pngsuite");
    const std::map<std::string, int32_t> expected = {
        {"xs1n0g01", kPngBadSignature},
        {"xs2n0g01", kPngBadSignature},
        {"xs4n0g01", kPngBadSignature},
        {"xs7n0g01", kPngBadSignature},
        {"xcrn0g04", kPngBadSignature},
        {"xlfn0g04", kPngBadSignature},
        {"xc1n0g08", kPngBadColourType},
        {"xc9n2c08", kPngBadColourType},
        {"xd0n2c08", kPngBadBitDepth},
        {"xd3n2c08", kPngBadBitDepth},
        {"xd9n2c08", kPngBadBitDepth},
        {"xdtn0g01", kPngZlibCheck},
        {"xhdn0g08", kPngOk},
        {"xcsn0g01", kPngOk},
    };
    const std::string dir = testDataDir() + "pngsuite/";
    size_t seen = 0;
    for (const CorpusFile& f : corpusFiles("pngsuite")) {
        if (f.name[0] != 'x') continue;
        SCOPED_TRACE(f.name);
        ++seen;
        const auto it = expected.find(f.name);
        ASSERT_NE(it, expected.end()) << "unexpected corrupt file";
        const Decoded d = decode(readFile(dir + f.name + ".png"));
        EXPECT_EQ(d.status, it->second);
        EXPECT_EQ(pngThreadStatus(), it->second);
        if (d.status != 0) {
            EXPECT_TRUE(d.rgba.empty());
        }
    }
    EXPECT_EQ(seen, expected.size());

    // The two with only a bad CRC give exactly the pictures of their intact twins.
    for (const auto& pair : {std::make_pair("xhdn0g08", "basn0g08"), std::make_pair("xcsn0g01", "basn0g01")}) {
        uint32_t w, h;
        Bytes want;
        ASSERT_TRUE(readExpected(dir + "expected/" + pair.second + ".rgba", w, h, want));
        EXPECT_TRUE(decode(readFile(dir + pair.first + ".png")).rgba == want) << pair.first;
    }
}

TEST(PngCorpus, InfoDescribesHeaderPaletteKeyAndBackground)
{
    REQUIRE_CORPUS("pngsuite");
    const std::string dir = testDataDir() + "pngsuite/";

    // 16-bit grey with alpha, interlaced, no background; its twin with a grey
    // background, and 16-bit RGBA with an RGB one (values as stored).
    Decoded d = decode(readFile(dir + "bgai4a16.png"));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.info[kPngInfoWidth], 32u);
    EXPECT_EQ(d.info[kPngInfoHeight], 32u);
    EXPECT_EQ(d.info[kPngInfoBitDepth], 16u);
    EXPECT_EQ(d.info[kPngInfoColourType], 4u);
    EXPECT_EQ(d.info[kPngInfoBitsPerPixel], 32u);
    EXPECT_EQ(d.info[kPngInfoChannels], 2u);
    EXPECT_EQ(d.info[kPngInfoInterlace], 1u);
    EXPECT_EQ(d.info[kPngInfoKeyGiven], 0u);
    EXPECT_EQ(d.info[kPngInfoBackgroundGiven], 0u);
    EXPECT_EQ(d.info[kPngInfoPaletteSize], 0u);
    EXPECT_EQ(d.info[kPngInfoPaletteStart], 19u);
    EXPECT_EQ(d.info.size(), 19u);
    d = decode(readFile(dir + "bggn4a16.png"));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.info[kPngInfoBackgroundGiven], 1u);
    EXPECT_EQ(d.info[kPngInfoBackgroundRed], 0xAB84u);
    d = decode(readFile(dir + "bgyn6a16.png"));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.info[kPngInfoChannels], 4u);
    EXPECT_EQ(d.info[kPngInfoBitsPerPixel], 64u);
    EXPECT_EQ(d.info[kPngInfoBackgroundRed], 0xFFFFu);
    EXPECT_EQ(d.info[kPngInfoBackgroundGreen], 0xFFFFu);
    EXPECT_EQ(d.info[kPngInfoBackgroundBlue], 0u);

    // Palette image with tRNS: entries carry the chunk's alpha values.
    d = decode(readFile(dir + "tbbn3p08.png"));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.info[kPngInfoColourType], 3u);
    const uint32_t n = d.info[kPngInfoPaletteSize];
    ASSERT_GT(n, 0u);
    ASSERT_EQ(d.info.size(), 19u + 4 * n);
    EXPECT_EQ(n, 246u);  // 738 bytes of PLTE
    // Entry 0 is white made transparent by the one-entry tRNS; entry 1 keeps alpha 255.
    EXPECT_EQ(std::vector<uint32_t>(d.info.begin() + 19, d.info.begin() + 27),
              (std::vector<uint32_t>{255, 255, 255, 0, 0x80, 0x56, 0x56, 255}));
    EXPECT_EQ(d.info[kPngInfoBackgroundGiven], 1u);
    EXPECT_EQ(d.info[kPngInfoBackgroundRed], 0xF5u);  // a palette index

    // 4-bit grey with a transparent key.
    d = decode(readFile(dir + "tbbn0g04.png"));
    ASSERT_EQ(d.status, 0);
    EXPECT_EQ(d.info[kPngInfoKeyGiven], 1u);
    EXPECT_EQ(d.info[kPngInfoKeyRed], 15u);
}

TEST(PngCorpus, TruncatedAndDamagedFilesNeverCrash)
{
    REQUIRE_CORPUS("pngsuite");
    // Every prefix of a few files of each kind, and single-byte damage at many
    // places of every file: each must end with a status and, on success, a
    // complete picture. (Run under the sanitizers, this also proves that no
    // buffer is read or written outside its bounds.)
    uint32_t seed = 12345;
    for (const CorpusFile& f : corpusFiles("pngsuite")) {
        const Bytes file = readFile(f.dir + f.name + ".png");
        SCOPED_TRACE(f.name);
        const bool everyPrefix = f.name.rfind("basi", 0) == 0 || f.name.rfind("basn", 0) == 0;
        for (size_t len = 0; len < file.size(); len += everyPrefix ? 1 : 97) {
            const Decoded d = decode(Bytes(file.begin(), file.begin() + len));
            if (d.status == 0) {
                EXPECT_EQ(d.rgba.size(), size_t(d.info[kPngInfoWidth]) * d.info[kPngInfoHeight] * 4);
            } else {
                EXPECT_TRUE(d.rgba.empty());
            }
        }
        for (int k = 0; k < 64; ++k) {
            Bytes damaged = file;
            seed = seed * 1103515245u + 12345u;
            // Anywhere after the signature except width and height (huge sizes
            // only cost time here; the size limits have tests of their own).
            size_t at = 8 + (seed >> 8) % (damaged.size() - 8);
            if (at >= 16 && at < 24) at += 8;
            damaged[at] ^= uint8_t(1u << ((seed >> 4) & 7));
            const Decoded d = decode(damaged);
            if (d.status == 0) {
                EXPECT_EQ(d.rgba.size(), size_t(d.info[kPngInfoWidth]) * d.info[kPngInfoHeight] * 4);
            }
        }
    }
}

#if SARVO_HAVE_LIBPNG
TEST(PngCorpus, ShippedSkinImagesMatchLibpng)
{
    // The module's own images, as the skin loads them.
    size_t seen = 0;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(sourceDir() + "src/resources", ec)) {
        if (e.path().extension() != ".png") continue;
        SCOPED_TRACE(e.path().filename().string());
        const Bytes file = readFile(e.path().string());
        Bytes want;
        ASSERT_TRUE(libpngToRgba(file.data(), file.size(), want));
        const Decoded d = decode(file);
        ASSERT_EQ(d.status, 0);
        EXPECT_TRUE(d.rgba == want);
        ++seen;
    }
    EXPECT_GT(seen, 0u) << "no PNG resources in src/resources";
}
#endif
