// The built-in editor at a scale: its size, what it draws (the same editor, sharper than the 1x
// picture stretched), the image sets it draws from, and the mouse in window pixels reaching the
// controls in skin pixels. Natively on the headless window system and, in the Windows builds, in
// real Win32 windows (GDI text).
#include "gui_test_support.h"

#include <cmath>
#include <cstdlib>

#include "controls/img_pot.h"
#include "dsp/history.h"
#include "effect_editor/sarvo_skin_factory.h"
#include "skin/skin_parser.h"

using namespace gui_test;
using namespace platform;

namespace {

constexpr int32_t kSkinWidth = 402, kEditorHeight = 333;

int32_t rounded(double v) { return static_cast<int32_t>(std::floor(v + 0.5)); }

// The built-in skin in an open editor window at a scale (set before the window is made, or after
// with rescale), its histories holding a clipped signal.
class ShippedEditor {
public:
    explicit ShippedEditor(double scale = 1.0) : effect_(makeEffect())
    {
        effect_->setSampleRate(10.0f);  // below 20 Hz every push is one entry
        SarvoSkinFactory factory(effect_.get());
        ZSkin* skin = parseModuleSkin(&factory);
        if (!skin) return;
        window_.reset(new ZEditorWindow(effect_.get()));
        window_->bindSkin(skin);
        if (!window_->setScale(scale)) return;
        effect_->setParameterValue(SarvoEffect::kSoftness, 0.5);
        effect_->setParameterValue(SarvoEffect::kClip, 0.7);
        for (const char* name : {"HistoryL", "HistoryR"}) {
            ZHistory* h = static_cast<ZHistory*>(effect_->findFeature(name)->data());
            for (int i = 0; i < ZHistory::kEntries; ++i) {
                const double in = 0.95 * std::fabs(std::sin(i * 0.13)), out = in > 0.6 ? 0.6 + (in - 0.6) * 0.3 : in;
                h->push(-in, -out);
                const int32_t newest = h->indexBack(0);
                h->inputMax[newest].store(in);
                h->outputMax[newest].store(out);
            }
        }
        if (window_->create(host_.handle())) drawn_ = paint();
    }
    bool drawn() const { return drawn_; }
    ZEditorWindow& window() { return *window_; }
    SarvoEffect& effect() { return *effect_; }
    const ZSurface& surface() const { return *window_->surface(); }
    bool paint()
    {
        if (!window_->surface()) return false;
        window_->drawControls();
        return true;
    }

private:
    std::unique_ptr<SarvoEffect> effect_;
    HostWindow host_;
    std::unique_ptr<ZEditorWindow> window_;
    bool drawn_ = false;
};

// Luminance of 0x00RRGGBB.
double lum(uint32_t p) { return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF); }

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<double> l;  // luminance per pixel
    double at(int32_t x, int32_t y) const { return l[static_cast<size_t>(y) * width + x]; }
};

Picture luminance(const ZSurface& s)
{
    Picture p;
    p.width = s.width();
    p.height = s.height();
    for (int32_t i = 0; i < p.width * p.height; ++i) p.l.push_back(lum(s.pixels()[i] & 0xFFFFFFu));
    return p;
}

// The 1x picture stretched to `factor` times its size with bilinear filtering: what a host that
// scales an editor's window itself shows.
Picture stretched(const Picture& small, int32_t factor)
{
    Picture p;
    p.width = small.width * factor;
    p.height = small.height * factor;
    p.l.resize(static_cast<size_t>(p.width) * p.height);
    for (int32_t y = 0; y < p.height; ++y) {
        const double v = std::min(std::max((y + 0.5) / factor - 0.5, 0.0), small.height - 1.0);
        const int32_t y0 = static_cast<int32_t>(v), y1 = std::min(y0 + 1, small.height - 1);
        for (int32_t x = 0; x < p.width; ++x) {
            const double u = std::min(std::max((x + 0.5) / factor - 0.5, 0.0), small.width - 1.0);
            const int32_t x0 = static_cast<int32_t>(u), x1 = std::min(x0 + 1, small.width - 1);
            const double fx = u - x0, fy = v - y0;
            p.l[static_cast<size_t>(y) * p.width + x] =
                (small.at(x0, y0) * (1 - fx) + small.at(x1, y0) * fx) * (1 - fy) +
                (small.at(x0, y1) * (1 - fx) + small.at(x1, y1) * fx) * fy;
        }
    }
    return p;
}

struct Area {
    const char* what;
    int32_t x, y, w, h;  // skin pixels
    double tolerance;  // of blockDifference: text is drawn anew for the larger font, glyphs shift
};

// Edge contrast of an area (given in skin pixels, read at `factor` pixels per skin pixel): the
// squared luminance steps between neighbours over their sum, which is the height of a typical
// step. An edge drawn across one pixel gives its full height; the same edge spread over two
// pixels by stretching gives half.
double edgeContrast(const Picture& p, const Area& a, int32_t factor)
{
    double sum = 0.0, squares = 0.0;
    for (int32_t y = a.y * factor; y < (a.y + a.h) * factor - 1; ++y) {
        for (int32_t x = a.x * factor; x < (a.x + a.w) * factor - 1; ++x) {
            const double gx = std::fabs(p.at(x + 1, y) - p.at(x, y)), gy = std::fabs(p.at(x, y + 1) - p.at(x, y));
            sum += gx + gy;
            squares += gx * gx + gy * gy;
        }
    }
    return sum > 0.0 ? squares / sum : 0.0;
}

// The share of the squared steps of an area at `factor` pixels per skin pixel that lie inside skin
// pixels (between the device pixels of one skin pixel) rather than between them. A picture made by
// repeating each 1x pixel (nearest-neighbour stretching) has none there.
double innerShare(const Picture& p, const Area& a, int32_t factor)
{
    double inner = 0.0, all = 0.0;
    for (int32_t y = a.y * factor; y < (a.y + a.h) * factor - 1; ++y) {
        for (int32_t x = a.x * factor; x < (a.x + a.w) * factor - 1; ++x) {
            const double gx = p.at(x + 1, y) - p.at(x, y), gy = p.at(x, y + 1) - p.at(x, y);
            all += gx * gx + gy * gy;
            if ((x + 1) % factor != 0) inner += gx * gx;
            if ((y + 1) % factor != 0) inner += gy * gy;
        }
    }
    return all > 0.0 ? inner / all : 0.0;
}

// Mean absolute difference between the picture at `factor`, averaged over factor x factor blocks,
// and the 1x picture, over an area.
double blockDifference(const Picture& large, const Picture& small, const Area& a, int32_t factor)
{
    double total = 0.0;
    for (int32_t y = a.y; y < a.y + a.h; ++y) {
        for (int32_t x = a.x; x < a.x + a.w; ++x) {
            double block = 0.0;
            for (int32_t j = 0; j < factor; ++j)
                for (int32_t i = 0; i < factor; ++i) block += large.at(x * factor + i, y * factor + j);
            total += std::fabs(block / (factor * factor) - small.at(x, y));
        }
    }
    return total / (a.w * a.h);
}

// The areas whose sharpness the scale is for: text (a value, the credit strip), the transfer curve,
// a wave display and a knob of the image sets.
const Area kAreas[] = {
    {"Gain value text", 16, 61, 56, 14, 20.0},      {"credit strip", 0, 321, 402, 12, 20.0},
    {"transfer curve", 27, 119, 183, 116, 4.0},     {"left wave display", 249, 86, 136, 93, 4.0},
    {"Gain knob", 22, 18, 42, 44, 4.0},
};

}  // namespace

TEST(EditorScale, WindowAndSurfaceHaveTheScaledSizeAndRefuseScalesOutsideOneToThree)
{
    for (const double scale : {1.0, 1.25, 1.5, 2.0, 2.5, 3.0}) {
        ShippedEditor e(scale);
        ASSERT_TRUE(e.drawn()) << scale;
        EXPECT_EQ(e.window().clientWidth(), rounded(kSkinWidth * scale)) << scale;
        EXPECT_EQ(e.window().clientHeight(), rounded(kEditorHeight * scale)) << scale;
        EXPECT_EQ(e.surface().width(), e.window().clientWidth());
        EXPECT_EQ(e.surface().height(), e.window().clientHeight());
        int32_t w = 0, h = 0;
        ASSERT_TRUE(clientSize(e.window().handle(), w, h));
        EXPECT_EQ(w, e.window().clientWidth());
        EXPECT_EQ(h, e.window().clientHeight());
        for (const double wrong : {0.0, 0.99, 3.01, -2.0, std::nan("")}) EXPECT_FALSE(e.window().setScale(wrong));
        EXPECT_EQ(e.window().scale(), scale);
    }
}

TEST(EditorScale, AScaleChangeWhileOpenResizesAndScaleOneGivesTheSamePictureAgain)
{
    ShippedEditor plain(1.0), changed(1.0);
    ASSERT_TRUE(plain.drawn() && changed.drawn());
    ASSERT_TRUE(changed.window().setScale(2.0));
    int32_t w = 0, h = 0;
    ASSERT_TRUE(clientSize(changed.window().handle(), w, h));
    EXPECT_EQ(w, 804);
    EXPECT_EQ(h, 666);
    ASSERT_TRUE(changed.paint());
    EXPECT_EQ(changed.surface().width(), 804);
    ASSERT_TRUE(changed.window().setScale(1.0));
    ASSERT_TRUE(changed.paint());
    ASSERT_EQ(changed.surface().width(), plain.surface().width());
    ASSERT_EQ(changed.surface().height(), plain.surface().height());
    const int32_t n = plain.surface().width() * plain.surface().height();
    int32_t differing = 0;
    for (int32_t i = 0; i < n; ++i)
        differing += (plain.surface().pixels()[i] & 0xFFFFFFu) != (changed.surface().pixels()[i] & 0xFFFFFFu);
    EXPECT_EQ(differing, 0);
}

TEST(EditorScale, TextCurvesDisplaysAndKnobsAtTwiceTheSizeAreSharperThanTheStretchedPicture)
{
    ShippedEditor one(1.0), two(2.0);
    ASSERT_TRUE(one.drawn() && two.drawn());
    const Picture small = luminance(one.surface());
    const Picture large = luminance(two.surface());
    const Picture blurred = stretched(small, 2);
    for (const Area& a : kAreas) {
        // The same editor: each 2 x 2 block of the 2x picture is close to its 1x pixel ...
        EXPECT_LT(blockDifference(large, small, a, 2), a.tolerance) << a.what;
        // ... with edges about as steep as the 1x picture's own (measured: 0.9 to 1.0 times) and
        // far steeper than the stretched picture's (2.5 to 2.9 times).
        const double sharp = edgeContrast(large, a, 2), soft = edgeContrast(blurred, a, 2);
        EXPECT_GT(sharp, 1.8 * soft) << a.what << ": " << sharp << " against " << soft << " stretched, "
                                     << edgeContrast(small, a, 1) << " at 1x";
        EXPECT_GT(sharp, 0.75 * edgeContrast(small, a, 1)) << a.what;
        // Nor is it the 1x picture with every pixel repeated, which is as steep but has no edge
        // inside a skin pixel (measured: 0.35 to 0.56 of the squared steps lie there).
        EXPECT_GT(innerShare(large, a, 2), 0.25) << a.what;
    }
}

TEST(EditorScale, ImagesComeFromTheSetMadeForTheScaleFilteredDownBetweenSets)
{
    ShippedEditor e(1.0);
    ASSERT_TRUE(e.drawn());
    const ZImgPot* knob = nullptr;
    for (const ZControl* c : e.window().skin()->controls)
        if (!knob) knob = dynamic_cast<const ZImgPot*>(c);
    ASSERT_NE(knob, nullptr);
    const ZImageResource& strip = *knob->image;
    const std::shared_ptr<const ZBitmap> two = strip.imageSet(2), three = strip.imageSet(3);
    ASSERT_TRUE(two && three) << "the module carries the knob strip's 2x and 3x sets";
    struct Case {
        double scale;
        const ZBitmap* set;  // the set drawn as it is, or null for a filtered one
        int32_t frameWidth, frameHeight;
    } const cases[] = {{1.0, strip.image, 42, 44},   {1.25, nullptr, 53, 55}, {1.5, nullptr, 63, 66},
                       {2.0, two.get(), 84, 88},     {2.5, nullptr, 105, 110}, {3.0, three.get(), 126, 132}};
    for (const Case& c : cases) {
        const ZScaledFrames* frames = strip.framesAt(c.scale);
        ASSERT_NE(frames, nullptr) << c.scale;
        EXPECT_EQ(frames->frameWidth, c.frameWidth) << c.scale;
        EXPECT_EQ(frames->frameHeight, c.frameHeight) << c.scale;
        if (c.set) {
            EXPECT_EQ(frames->image.get(), c.set) << c.scale;
        } else {
            EXPECT_TRUE(frames->image.get() != two.get() && frames->image.get() != three.get()) << c.scale;
        }
        ASSERT_GE(frames->image->width / frames->frameWidth * (frames->image->height / frames->frameHeight),
                  strip.frameCount);
    }
    // Between sets the next larger one is filtered down: at 1.5x the frames are the 2x set's (a
    // 1x frame stretched up differs from it by much more).
    const ZScaledFrames* mid = strip.framesAt(1.5);
    ASSERT_NE(mid, nullptr);
    const std::unique_ptr<ZBitmap> fromTwo(resampleFrames(*two, 84, 88, strip.frameCount, two->width / 84, 63, 66));
    const std::unique_ptr<ZBitmap> fromOne(
        resampleFrames(*strip.image, 42, 44, strip.frameCount, strip.columns, 63, 66));
    ASSERT_TRUE(fromTwo && fromOne);
    int32_t sameAsTwo = 0, sameAsOne = 0;
    const int32_t n = mid->image->width * mid->image->height;
    ASSERT_EQ(fromTwo->width * fromTwo->height, n);
    for (int32_t i = 0; i < n; ++i) sameAsTwo += mid->image->pixels[i] == fromTwo->pixels[i];
    EXPECT_EQ(sameAsTwo, n);
    // The 1x strip's frames lie in another grid: one frame compared.
    const int32_t frame = 45;
    const int32_t mx = (frame % mid->columns) * 63, my = (frame / mid->columns) * 66;
    const int32_t ox = (frame % strip.columns) * 63, oy = (frame / strip.columns) * 66;
    for (int32_t y = 0; y < 66; ++y)
        for (int32_t x = 0; x < 63; ++x)
            sameAsOne += mid->image->pixels[(my + y) * mid->image->width + mx + x] ==
                fromOne->pixels[(oy + y) * fromOne->width + ox + x];
    EXPECT_LT(sameAsOne, 63 * 66 / 2) << "the 1.5x frames are not the 1x frames stretched";
    strip.releaseScaledFrames();
}

TEST(EditorScale, TheMouseInWindowPixelsReachesTheControlsInSkinPixels)
{
    ShippedEditor e(1.5);
    ASSERT_TRUE(e.drawn());
    const WindowHandle w = e.window().handle();
    // The Gain knob's centre (43, 40) lies at (64.5, 60) in window pixels; a drag of 15 window
    // pixels up is 10 skin pixels: a tenth of the range.
    hostRequests().clear();
    mouse(w, kWmLeftButtonDown, 64, 60);
    mouse(w, kWmMouseMove, 64, 45);
    mouse(w, kWmLeftButtonUp, 64, 45);
    pumpMessages();
    EXPECT_NEAR(e.effect().parameterValue(SarvoEffect::kGain), 0.1, 1e-9);
    // 60 window pixels to the right are 40 skin pixels: another tenth.
    mouse(w, kWmLeftButtonDown, 64, 60);
    mouse(w, kWmMouseMove, 124, 60);
    mouse(w, kWmLeftButtonUp, 124, 60);
    pumpMessages();
    EXPECT_NEAR(e.effect().parameterValue(SarvoEffect::kGain), 0.2, 1e-9);
    // The switch (68, 281, 101 x 21): its last window column and row still hit it, the next ones not.
    const int32_t right = rounded((68 + 101) * 1.5) - 1, bottom = rounded((281 + 21) * 1.5) - 1;
    mouse(w, kWmLeftButtonDown, right, bottom);
    mouse(w, kWmLeftButtonUp, right, bottom);
    pumpMessages();
    EXPECT_EQ(e.effect().parameterValue(SarvoEffect::kOversample), 1.0);
    mouse(w, kWmLeftButtonDown, right + 3, bottom + 3);
    mouse(w, kWmLeftButtonUp, right + 3, bottom + 3);
    pumpMessages();
    EXPECT_EQ(e.effect().parameterValue(SarvoEffect::kOversample), 1.0);

    // A click on the Gain value (16, 61, 56 x 14) opens the text entry over its window pixels.
    mouse(w, kWmLeftButtonDown, 40, 100);
    mouse(w, kWmLeftButtonUp, 40, 100);
    pumpMessages();
    const WindowHandle field = focusWindow();
    ASSERT_NE(field, w);
    ASSERT_EQ(parentWindow(field), w);
    int32_t x = 0, y = 0, fw = 0, fh = 0;
    ASSERT_TRUE(windowRect(field, x, y, fw, fh));
    EXPECT_EQ(x, 24);
    EXPECT_EQ(y, 92);
    EXPECT_EQ(fw, 84);
    EXPECT_EQ(fh, 21);
    // A scale change commits and closes it first.
    ASSERT_TRUE(e.window().setScale(2.0));
    pumpMessages();
    EXPECT_EQ(focusWindow(), w);
    EXPECT_FALSE(isWindow(field));
    EXPECT_FALSE(e.window().paintSuppressed());
}
