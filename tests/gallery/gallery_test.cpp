// The gallery skin: it parses completely with all 28 keywords, every page renders with every one
// of its controls visible, and the page selectors of all three styles switch pages.
#include <fstream>
#include <set>
#include <sstream>
#include <typeinfo>

#include "support/test_paths.h"
#include "unit/controls_more_support.h"

#include "controls/feature_text.h"
#include "controls/page_selectors.h"
#include "controls/peaks.h"
#include "controls/value.h"
#include "skin/skin_parser.h"

using namespace more_test;
using namespace platform;

namespace {

// The AddControl lines of the gallery skin file: their keywords and pages.
struct GalleryLine {
    std::string keyword;
    int32_t page;
};

std::vector<GalleryLine> galleryLines()
{
    std::ifstream in(gallerySkinPath(sourceDir()));
    std::vector<GalleryLine> out;
    for (std::string line; std::getline(in, line);) {
        std::istringstream tokens(line);
        std::string command, keyword;
        int32_t page = 0, x = 0, y = 0, w = 0, h = 0;
        if (!(tokens >> command) || command != "AddControl") continue;
        tokens >> page >> x >> y >> w >> h >> keyword;
        out.push_back(GalleryLine{keyword, page});
    }
    return out;
}

class GallerySkin : public ::testing::Test {
protected:
    void SetUp() override
    {
        gui_test::hostRequests().clear();
        effect.reset(new GalleryEffect(&gui_test::recordingHost));
        effect->showDemoState();
        effect->setParameterValue(GalleryEffect::kBypass, 1.0);
        effect->setParameterValue(GalleryEffect::kMode, 0.5);
    }
    void TearDown() override
    {
        window.reset();
        host.reset();
    }
    void open()
    {
        ZSkin* skin = loadGallerySkin(effect.get(), gallerySkinPath(sourceDir()));
        ASSERT_NE(skin, nullptr);
        window.reset(new ZEditorWindow(effect.get()));
        window->bindSkin(skin);
        host.reset(new gui_test::HostWindow);
        ASSERT_NE(window->create(host->handle()), nullptr);
    }
    void click(const ZControl* c)
    {
        gui_test::mouse(window->handle(), kWmLeftButtonDown, c->x + c->width / 2, c->y + c->height / 2);
        gui_test::mouse(window->handle(), kWmLeftButtonUp, c->x + c->width / 2, c->y + c->height / 2);
    }
    // The page selectors of one style, in page order.
    template <class T>
    std::vector<T*> selectors()
    {
        std::vector<T*> out;
        for (ZControl* c : window->skin()->controls)
            if (T* s = dynamic_cast<T*>(c)) out.push_back(s);
        return out;
    }

    std::unique_ptr<GalleryEffect> effect;
    std::unique_ptr<gui_test::HostWindow> host;
    std::unique_ptr<ZEditorWindow> window;
};

TEST_F(GallerySkin, ParsesCompletelyWithEveryKeyword)
{
    const std::vector<GalleryLine> lines = galleryLines();
    ASSERT_FALSE(lines.empty());
    ZSkinError error;
    std::unique_ptr<ZSkin> skin(loadGallerySkin(effect.get(), gallerySkinPath(sourceDir()), &error));
    EXPECT_EQ(error.reason, "") << "the gallery skin stops at line " << error.line;
    ASSERT_NE(skin, nullptr);
    EXPECT_EQ(skin->controls.size(), lines.size());
    EXPECT_EQ(skin->pageCount, 4);
    EXPECT_EQ(skin->width, 520);
    ASSERT_NE(skin->background, nullptr);
    EXPECT_EQ(skin->background->frameCount, 4);
    std::set<std::string> used;
    for (const GalleryLine& l : lines) {
        used.insert(l.keyword);
        EXPECT_GE(l.page, 0);
        EXPECT_LE(l.page, 4);
    }
    std::size_t count = 0;
    const ZControlKeyword* table = ZSkinFactory::standardKeywords(&count);
    for (std::size_t k = 0; k < count; ++k) EXPECT_EQ(used.count(table[k].keyword), 1u) << table[k].keyword;
    EXPECT_EQ(used.size(), 28u);
}

TEST_F(GallerySkin, EveryPageRendersEveryControl)
{
    open();
    const bool text = textAvailable();
    std::unique_ptr<ZBitmap> background(makeGalleryImage("background", 520, 380, 4));
    ASSERT_NE(background, nullptr);
    const std::vector<ZTextPageSel*> tabs = selectors<ZTextPageSel>();
    ASSERT_EQ(tabs.size(), 4u);
    const ZSurface& surface = *window->surface();
    for (int32_t page = 1; page <= 4; ++page) {
        click(tabs[page - 1]);
        ASSERT_EQ(window->currentPage(), page);
        updateWindow(window->handle());
        const uint32_t* frame = background->pixels + static_cast<std::size_t>(page - 1) * 520 * 380;
        auto plain = [&](int32_t x, int32_t y) { return frame[y * 520 + x] & 0xFFFFFF; };
        // An empty spot shows the page's own background frame.
        EXPECT_EQ(gui_test::pixel(surface, 515, 375), plain(515, 375)) << page;
        // Every control of the page drew something over the background.
        for (ZControl* c : window->skin()->controls) {
            if (!c->onPage(page)) continue;
            if (!text && (dynamic_cast<ZValue*>(c) || dynamic_cast<ZFeatureText*>(c) || dynamic_cast<ZTextPeak*>(c)))
                continue;  // text only
            int32_t changed = 0;
            for (int32_t y = c->y; y < c->y + c->height; ++y)
                for (int32_t x = c->x; x < c->x + c->width; ++x)
                    changed += gui_test::pixel(surface, x, y) != plain(x, y);
            EXPECT_GT(changed, 10) << "page " << page << ", a " << typeid(*c).name() << " at " << c->x << "," << c->y;
        }
        // The tab of the page is the current one (steel), the others normal (slate).
        for (int32_t t = 0; t < 4; ++t)
            EXPECT_EQ(gui_test::pixel(surface, tabs[t]->x + 3, tabs[t]->y + 3), t == page - 1 ? 0x6E7C8Cu : 0x46505Cu)
                << page << " " << t;
        // What reached the window is the surface.
        int32_t w = 0, h = 0;
        const std::vector<uint32_t> shown = gui_test::windowPicture(window->handle(), w, h);
        if (gui_test::screenIsTrueColour() && w == surface.width() && h == surface.height()) {
            int32_t differing = 0;
            for (int32_t i = 0; i < w * h; ++i) differing += shown[i] != (surface.pixels()[i] & 0xFFFFFF);
            EXPECT_EQ(differing, 0) << page;
        }
    }
}

TEST_F(GallerySkin, SelectorsOfEveryStyleSwitchPages)
{
    open();
    const std::vector<ZDefPageSel*> fields = selectors<ZDefPageSel>();
    const std::vector<ZImgPageSel*> strips = selectors<ZImgPageSel>();
    ASSERT_EQ(fields.size(), 4u);
    ASSERT_EQ(strips.size(), 4u);
    for (int32_t page : {3, 1, 4, 2}) {
        click(fields[page - 1]);
        EXPECT_EQ(window->currentPage(), page);
        click(strips[(page % 4)]);
        EXPECT_EQ(window->currentPage(), page % 4 + 1);
        EXPECT_EQ(strips[page % 4]->currentFrame(), 1);
        EXPECT_EQ(strips[(page + 1) % 4]->currentFrame(), 0);
    }
}

}  // namespace
