// The built-in skin's pictures in src/resources: the header of each file (size, bit depth,
// colour type), that our decoder reads them, and what they show where the skin places them:
// the knob's pointer and lit arc turning clockwise over the strip, the switch's two states, and
// a background that carries the graph's axes, dark display screens and labels on a slate panel.
// Sizes, frames and places come from the built-in skin as the editor's own parser reads it.
#include "gui_test_support.h"

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "effect_editor/graph.h"
#include "controls/img_pot.h"
#include "controls/img_switch.h"
#include "controls/wave.h"
#include "skin_resources/png.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin_parser.h"
#include "support/test_paths.h"

#if defined(SARVO_HAVE_LIBPNG)
#include <png.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

std::string resourcePath(const char* name) { return sourceDir() + "src/resources/" + name; }

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

uint32_t be32(const Bytes& b, size_t at)
{
    return (uint32_t(b[at]) << 24) | (uint32_t(b[at + 1]) << 16) | (uint32_t(b[at + 2]) << 8) | b[at + 3];
}

struct Header {
    uint32_t width = 0, height = 0;
    int depth = -1, colourType = -1, interlace = -1;
};

// The IHDR fields, read straight from the file's first chunk.
::testing::AssertionResult readHeader(const Bytes& file, Header& h)
{
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (file.size() < 33) return ::testing::AssertionFailure() << "file too short: " << file.size() << " bytes";
    for (int i = 0; i < 8; ++i)
        if (file[i] != signature[i]) return ::testing::AssertionFailure() << "no PNG signature";
    if (be32(file, 8) != 13 || std::string(file.begin() + 12, file.begin() + 16) != "IHDR")
        return ::testing::AssertionFailure() << "first chunk is not a 13-byte IHDR";
    h.width = be32(file, 16);
    h.height = be32(file, 20);
    h.depth = file[24];
    h.colourType = file[25];
    h.interlace = file[28];
    return ::testing::AssertionSuccess();
}

// A decoded picture: 8-bit RGBA.
struct Picture {
    int width = 0, height = 0;
    Bytes rgba;
    const uint8_t* at(int x, int y) const { return &rgba[(size_t(y) * width + x) * 4]; }
    double lum(int x, int y) const
    {
        const uint8_t* p = at(x, y);
        return 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
    }
};

::testing::AssertionResult decode(const char* name, Picture& pic)
{
    Bytes file = readFile(resourcePath(name));
    if (file.empty()) return ::testing::AssertionFailure() << "cannot read " << resourcePath(name);
    PngInfo info;
    const int32_t status = decodePng(file, pic.rgba, info);
    if (status != 0) return ::testing::AssertionFailure() << name << ": decoder status " << status;
    pic.width = int(info[kPngInfoWidth]);
    pic.height = int(info[kPngInfoHeight]);
    if (pic.rgba.size() != size_t(pic.width) * pic.height * 4)
        return ::testing::AssertionFailure() << name << ": " << pic.rgba.size() << " bytes of pixels";
    return ::testing::AssertionSuccess();
}

// The built-in skin, parsed as the editor parses it: the pictures' frame layouts and the places
// of the knobs, the switch, the displays and the graph.
class ShippedSkin {
public:
    ShippedSkin()
    {
        SarvoSkinFactory factory(effect_.get());
        skin_.reset(parseModuleSkin(&factory));
    }
    bool parsed() const { return skin_ != nullptr; }
    const ZSkin& skin() const { return *skin_; }

    // The controls of one type, in the order of their lines.
    template <typename Control>
    std::vector<const Control*> controls() const
    {
        std::vector<const Control*> found;
        for (const ZControl* c : skin_->controls)
            if (const auto* typed = dynamic_cast<const Control*>(c)) found.push_back(typed);
        return found;
    }
    const ZImageResource& knobStrip() const { return *controls<ZImgPot>().at(0)->image; }
    const ZImageResource& switchStrip() const { return *controls<ZImgSwitch>().at(0)->image; }

    ZColour colour(const char* name) const
    {
        for (const ZResource* r : skin_->resources)
            if (std::string(r->name()) == name)
                if (const auto* c = dynamic_cast<const ZColourResource*>(r)) return c->colour;
        ADD_FAILURE() << "no colour " << name;
        return ZColour{};
    }

private:
    std::unique_ptr<SarvoEffect> effect_ = gui_test::makeEffect();
    std::unique_ptr<ZSkin> skin_;
};

class Artwork : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(shipped.parsed());
        ASSERT_EQ(shipped.controls<ZImgPot>().size(), 3u);
        ASSERT_EQ(shipped.controls<ZImgSwitch>().size(), 1u);
        ASSERT_EQ(shipped.controls<ZWave>().size(), 2u);
        ASSERT_EQ(shipped.controls<SarvoGraph>().size(), 1u);
        ASSERT_NE(shipped.skin().background, nullptr);
    }
    ShippedSkin shipped;
};

// Centre of the knob inside its frame (the artwork's own; the frame size is the skin's).
constexpr double kCentreX = 21.0, kCentreY = 21.0;

// Angle (degrees clockwise from up) of the pointer in one knob frame: the centroid of the
// bright pixels on the cap, which nothing but the pointer lights up. Sets found = false if
// there are none.
double pointerAngle(const Picture& strip, const ZImageResource& knob, int frame, bool& found, double& cx, double& cy)
{
    double sx = 0, sy = 0, n = 0;
    for (int y = 0; y < knob.frameHeight; ++y) {
        for (int x = 0; x < knob.frameWidth; ++x) {
            const double dx = x + 0.5 - kCentreX, dy = y + 0.5 - kCentreY;
            if (dx * dx + dy * dy > 11.0 * 11.0) continue;
            const int row = frame * knob.frameHeight + y;
            if (strip.at(x, row)[3] > 200 && strip.lum(x, row) > 170) {
                sx += dx;
                sy += dy;
                n += 1;
            }
        }
    }
    found = n >= 4;
    cx = n > 0 ? sx / n : 0;
    cy = n > 0 ? sy / n : 0;
    return std::atan2(cx, -cy) * 180.0 / 3.14159265358979323846;
}

// Pixels of the lit arc in one frame: opaque, clearly blue, outside the cap.
int litArcPixels(const Picture& strip, const ZImageResource& knob, int frame)
{
    int n = 0;
    for (int y = 0; y < knob.frameHeight; ++y) {
        for (int x = 0; x < knob.frameWidth; ++x) {
            const double dx = x + 0.5 - kCentreX, dy = y + 0.5 - kCentreY;
            if (dx * dx + dy * dy < 15.0 * 15.0) continue;
            const uint8_t* p = strip.at(x, frame * knob.frameHeight + y);
            if (p[3] > 200 && int(p[2]) - int(p[0]) > 35 && p[2] > 110) ++n;
        }
    }
    return n;
}

}  // namespace

TEST_F(Artwork, FilesHaveTheSizesDepthsAndColourTypesTheSkinDeclares)
{
    // The background covers the skin's area; the strips hold their frames in one column.
    const ZImageResource& background = *shipped.skin().background;
    EXPECT_EQ(background.frameWidth, shipped.skin().width);
    EXPECT_EQ(background.frameHeight, shipped.skin().height);
    struct Expect {
        const char* name;
        const ZImageResource& image;
        int depth, colourType;
    } const expected[] = {
        {"background.png", background, 8, 2},
        {"bigpot.png", shipped.knobStrip(), 16, 6},
        {"oversample.png", shipped.switchStrip(), 8, 6},
    };
    for (const Expect& e : expected) {
        SCOPED_TRACE(e.name);
        const uint32_t width = uint32_t(e.image.frameWidth);
        const uint32_t height = uint32_t(e.image.frameHeight) * uint32_t(e.image.frameCount);
        const Bytes file = readFile(resourcePath(e.name));
        Header h;
        ASSERT_TRUE(readHeader(file, h));
        EXPECT_EQ(h.width, width);
        EXPECT_EQ(h.height, height);
        EXPECT_EQ(h.depth, e.depth);
        EXPECT_EQ(h.colourType, e.colourType);
        EXPECT_EQ(h.interlace, 0);
        // Compressed well below the raw size (they are compiled into the module).
        const size_t raw = size_t(width) * height * (e.colourType == 6 ? 4 : 3) * e.depth / 8;
        EXPECT_LT(file.size(), raw / 4);
    }
}

TEST_F(Artwork, OurDecoderReadsEveryPictureAtItsFullSize)
{
    const struct {
        const char* name;
        const ZImageResource& image;
    } pictures[] = {{"background.png", *shipped.skin().background},
                    {"bigpot.png", shipped.knobStrip()},
                    {"oversample.png", shipped.switchStrip()}};
    for (const auto& p : pictures) {
        SCOPED_TRACE(p.name);
        Picture pic;
        ASSERT_TRUE(decode(p.name, pic));
        EXPECT_EQ(pic.width, p.image.frameWidth);
        EXPECT_EQ(pic.height, p.image.frameHeight * p.image.frameCount);
    }
}

TEST_F(Artwork, KnobPointerTurnsClockwiseFromLowerLeftOverTopToLowerRight)
{
    const ZImageResource& knob = shipped.knobStrip();
    Picture strip;
    ASSERT_TRUE(decode("bigpot.png", strip));
    bool found = false;
    double dx = 0, dy = 0;
    const int last = knob.frameCount - 1, upright = last / 2;

    pointerAngle(strip, knob, 0, found, dx, dy);
    ASSERT_TRUE(found);
    EXPECT_LT(dx, -2.0) << "frame 0 points left";
    EXPECT_GT(dy, 2.0) << "frame 0 points down";

    pointerAngle(strip, knob, upright, found, dx, dy);
    ASSERT_TRUE(found);
    EXPECT_LT(dy, -4.0) << "the middle frame points up";
    EXPECT_NEAR(dx, 0.0, 0.6);

    pointerAngle(strip, knob, last, found, dx, dy);
    ASSERT_TRUE(found);
    EXPECT_GT(dx, 2.0) << "the last frame points right";
    EXPECT_GT(dy, 2.0) << "the last frame points down";

    // Every frame in between, evenly over 270 degrees.
    for (int f = 0; f < knob.frameCount; ++f) {
        const double angle = pointerAngle(strip, knob, f, found, dx, dy);
        ASSERT_TRUE(found) << "frame " << f;
        EXPECT_NEAR(angle, -135.0 + 270.0 * f / last, 4.0) << "frame " << f;
    }
}

TEST_F(Artwork, KnobLitArcGrowsWithTheFrameAndTheUprightFrameIsSymmetric)
{
    const ZImageResource& knob = shipped.knobStrip();
    Picture strip;
    ASSERT_TRUE(decode("bigpot.png", strip));
    EXPECT_EQ(litArcPixels(strip, knob, 0), 0);
    int previous = 0;
    for (int f = 10; f < knob.frameCount; f += 10) {
        const int n = litArcPixels(strip, knob, f);
        EXPECT_GT(n, previous) << "frame " << f;
        previous = n;
    }
    // The middle frame points straight up: the shape of its cap, pointer and shadow (the alpha channel)
    // is its own mirror image about the centre column. The light falls from the upper left, so
    // colours need not be, and the track's anti-aliased rim is lit on the left side only.
    const int upright = (knob.frameCount - 1) / 2;
    for (int y = 0; y < knob.frameHeight; ++y) {
        for (int x = 0; x < knob.frameWidth / 2; ++x) {
            const double dx = x + 0.5 - kCentreX, dy = y + 0.5 - kCentreY;
            const double r2 = dx * dx + dy * dy;
            if (r2 > 15.5 * 15.5 && r2 < 20.0 * 20.0) continue;
            const int row = upright * knob.frameHeight + y;
            EXPECT_NEAR(strip.at(x, row)[3], strip.at(knob.frameWidth - 1 - x, row)[3], 2) << x << "," << y;
        }
    }
}

TEST_F(Artwork, KnobFramesAreTransparentAroundAndOpaqueInTheMiddleWithSoftEdges)
{
    const ZImageResource& knob = shipped.knobStrip();
    Picture strip;
    ASSERT_TRUE(decode("bigpot.png", strip));
    for (int f = 0; f < knob.frameCount; ++f) {
        const int top = f * knob.frameHeight;
        SCOPED_TRACE(f);
        // Corners and the rows below the knob, where the value text goes, show the background.
        EXPECT_EQ(strip.at(0, top)[3], 0);
        EXPECT_EQ(strip.at(knob.frameWidth - 1, top)[3], 0);
        EXPECT_EQ(strip.at(0, top + knob.frameHeight - 1)[3], 0);
        EXPECT_EQ(strip.at(knob.frameWidth - 1, top + knob.frameHeight - 1)[3], 0);
        for (int x = 0; x < knob.frameWidth; ++x) EXPECT_EQ(strip.at(x, top + knob.frameHeight - 1)[3], 0);
        EXPECT_EQ(strip.at(21, top + 21)[3], 255);
        int partial = 0;
        for (int y = 0; y < knob.frameHeight; ++y)
            for (int x = 0; x < knob.frameWidth; ++x) {
                const int a = strip.at(x, top + y)[3];
                partial += (a > 0 && a < 255);
            }
        EXPECT_GT(partial, 60) << "anti-aliased edge and soft shadow";
    }
}

#if defined(SARVO_HAVE_LIBPNG)
TEST_F(Artwork, KnobStripUsesItsSixteenBitPrecision)
{
    // libpng as an independent reader of the full 16-bit samples.
    const std::string path = resourcePath("bigpot.png");
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    ASSERT_NE(png, nullptr);
    png_infop info = png_create_info_struct(png);
    FILE* file = std::fopen(path.c_str(), "rb");
    ASSERT_NE(file, nullptr);
    std::vector<std::vector<uint8_t>> rows;
    if (setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_read_info(png, info);
        const png_uint_32 h = png_get_image_height(png, info);
        rows.assign(h, std::vector<uint8_t>(png_get_rowbytes(png, info)));
        for (auto& row : rows) png_read_row(png, row.data(), nullptr);
        png_read_end(png, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(file);
    const ZImageResource& knob = shipped.knobStrip();
    ASSERT_EQ(rows.size(), size_t(knob.frameHeight) * knob.frameCount);

    // Samples that an 8-bit picture widened to 16 bits would give have equal high and low bytes;
    // smooth gradients give many that do not. Count over the opaque and partly opaque pixels.
    size_t samplesSeen = 0, fine = 0;
    for (const auto& row : rows) {
        for (size_t i = 0; i + 8 <= row.size(); i += 8) {
            if (row[i + 6] == 0 && row[i + 7] == 0) continue;  // transparent
            for (int c = 0; c < 4; ++c) {
                ++samplesSeen;
                fine += row[i + 2 * c] != row[i + 2 * c + 1];
            }
        }
    }
    ASSERT_GT(samplesSeen, 100000u);
    EXPECT_GT(double(fine) / samplesSeen, 0.5);
}
#endif

TEST_F(Artwork, SwitchShowsItsIndicatorLitOnlyInTheSecondFrame)
{
    Picture sw;
    ASSERT_TRUE(decode("oversample.png", sw));
    const ZImageResource& strip = shipped.switchStrip();
    ASSERT_EQ(strip.frameCount, 2);
    const int fw = strip.frameWidth, fh = strip.frameHeight;
    auto ledLum = [&](int frame) {
        double sum = 0;
        for (int y = 8; y < 13; ++y)
            for (int x = 9; x < 14; ++x) sum += sw.lum(x, frame * fh + y);
        return sum / 25;
    };
    EXPECT_GT(ledLum(1), ledLum(0) + 80.0);
    EXPECT_GT(ledLum(1), 180.0);

    // The caption is there in both frames (bright text pixels right of the indicator) and is
    // brighter when on.
    auto textLum = [&](int frame) {
        double best = 0;
        for (int y = 4; y < 17; ++y)
            for (int x = 22; x < 98; ++x) best = std::max(best, sw.lum(x, frame * fh + y));
        return best;
    };
    EXPECT_GT(textLum(0), 130.0);
    EXPECT_GT(textLum(1), textLum(0) + 20.0);

    // Rounded corners let the background through; the plate itself is opaque.
    for (int f = 0; f < 2; ++f) {
        EXPECT_EQ(sw.at(0, f * fh)[3], 0);
        EXPECT_EQ(sw.at(fw - 1, f * fh + fh - 1)[3], 0);
        EXPECT_EQ(sw.at(fw / 2, f * fh + fh / 2)[3], 255);
    }
}

TEST_F(Artwork, BackgroundIsAnOpaqueSlatePanelInTheSkinColours)
{
    Picture bg;
    ASSERT_TRUE(decode("background.png", bg));
    for (size_t i = 3; i < bg.rgba.size(); i += 4) ASSERT_EQ(bg.rgba[i], 255);
    // Quiet panel areas (beside the switch, under the displays) are near the skin's dark colour
    // dk, with blue above green above red.
    const ZColour dark = shipped.colour("dk");
    const int spots[][2] = {{30, 295}, {200, 300}, {320, 310}, {10, 150}, {120, 95}};
    for (const auto& s : spots) {
        const uint8_t* p = bg.at(s[0], s[1]);
        SCOPED_TRACE(std::to_string(s[0]) + "," + std::to_string(s[1]));
        EXPECT_NEAR(p[0], dark.r, 12);
        EXPECT_NEAR(p[1], dark.g, 12);
        EXPECT_NEAR(p[2], dark.b, 12);
        EXPECT_LT(p[0], p[1]);
        EXPECT_LT(p[1], p[2]);
    }
}

TEST_F(Artwork, BackgroundCarriesTheGraphAxesAlongThePlotEdges)
{
    Picture bg;
    ASSERT_TRUE(decode("background.png", bg));
    // The input axis lies on the plot's bottom row, the output axis on its left column. Both
    // stand out from the screen beside them.
    const SarvoGraph& graph = *shipped.controls<SarvoGraph>()[0];
    const int left = graph.x + graph.plotLeft, bottom = graph.y + graph.plotBottom;
    const int top = bottom - int(graph.plotHeight), right = left + int(graph.plotWidth);
    for (int x = left + 1; x <= right; ++x)
        EXPECT_GT(bg.lum(x, bottom), bg.lum(x, bottom - 3) + 25.0) << "input axis, column " << x;
    for (int y = top; y < bottom; ++y)
        EXPECT_GT(bg.lum(left, y), bg.lum(left + 3, y) + 25.0) << "output axis, row " << y;
    // The plot's interior is a dark screen, darker than the curve colour lt by far.
    EXPECT_LT(bg.lum(180, 225), 70.0);
}

TEST_F(Artwork, WaveDisplaysSitOnDarkScreensThatTheirColoursShowOn)
{
    Picture bg;
    ASSERT_TRUE(decode("background.png", bg));
    // The displays draw the input envelope in back and the output in fore over a snapshot of
    // the background; their whole rectangles must be darker than back.
    const ZColour back = shipped.colour("back");
    const double backLum = 0.299 * back.r + 0.587 * back.g + 0.114 * back.b;
    for (const ZWave* r : shipped.controls<ZWave>()) {
        double maxLum = 0;
        for (int y = r->y; y < r->y + r->height; ++y)
            for (int x = r->x; x < r->x + r->width; ++x) maxLum = std::max(maxLum, bg.lum(x, y));
        EXPECT_LT(maxLum, backLum - 15.0) << "display at row " << r->y;
        // A frame around it: the pixel just outside each edge is darker than the panel further out.
        const int row = r->y + 40;
        EXPECT_LT(bg.lum(r->x - 1, row), bg.lum(r->x - 8, row) - 15.0);
        EXPECT_LT(bg.lum(r->x + r->width, row), bg.lum(r->x + r->width + 8, row) - 15.0);
    }
}

TEST_F(Artwork, BackgroundHasLabelsAboveTheKnobsAndTheProductName)
{
    Picture bg;
    ASSERT_TRUE(decode("background.png", bg));
    // Text above each knob (rows 2..16), brighter than the panel, over the knob's columns.
    for (const ZImgPot* knob : shipped.controls<ZImgPot>()) {
        int bright = 0;
        for (int y = 2; y < 17; ++y)
            for (int x = knob->x; x < knob->x + knob->width; ++x) bright += bg.lum(x, y) > 110.0;
        EXPECT_GT(bright, 10) << "label over the knob at " << knob->x;
    }
    // The product name: large bright text in the top right, above the left display.
    int bright = 0;
    for (int y = 10; y < 60; ++y)
        for (int x = 240; x < 395; ++x) bright += bg.lum(x, y) > 140.0;
    EXPECT_GT(bright, 200);
}

// The module's 2x and 3x sets of every picture (as the editor finds them beside the skin's own
// resource): frames of twice and three times the size, in any grid, showing the same artwork. Each
// set averaged over k x k blocks is close to the 1x picture, frame for frame, alpha included.
TEST_F(Artwork, LargerSetsHoldTheSameFramesAtTwiceAndThreeTimesTheSize)
{
    const ZImageResource* const images[] = {shipped.skin().background, &shipped.knobStrip(), &shipped.switchStrip()};
    for (const ZImageResource* image : images) {
        for (int k = 2; k <= 3; ++k) {
            SCOPED_TRACE(std::string(image->name()) + " at " + std::to_string(k) + "x");
            const std::shared_ptr<const ZBitmap> set = image->imageSet(k);
            ASSERT_TRUE(set) << "no set that fits the frames";
            const int fw = image->frameWidth * k, fh = image->frameHeight * k;
            const int setColumns = set->width / fw;
            double difference = 0.0;
            int64_t samples = 0;
            for (int f = 0; f < image->frameCount; ++f) {
                const int sx = (f % setColumns) * fw, sy = (f / setColumns) * fh;
                const int ox = (f % image->columns) * image->frameWidth, oy = (f / image->columns) * image->frameHeight;
                for (int y = 0; y < image->frameHeight; ++y) {
                    for (int x = 0; x < image->frameWidth; ++x) {
                        const uint32_t one = image->image->pixels[(oy + y) * image->image->width + ox + x];
                        for (int shift : {24, 16, 8, 0}) {
                            double block = 0.0;
                            for (int j = 0; j < k; ++j)
                                for (int i = 0; i < k; ++i)
                                    block += (set->pixels[(sy + y * k + j) * set->width + sx + x * k + i] >> shift) & 0xFF;
                            difference += std::fabs(block / (k * k) - ((one >> shift) & 0xFF));
                            ++samples;
                        }
                    }
                }
            }
            EXPECT_LT(difference / samples, 4.0) << "mean difference per channel (measured 0.1 to 2.8)";
        }
    }
}
