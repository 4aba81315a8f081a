// Every control keyword of the skin language makes its control from a valid line and none from a
// line with a wrong count, a name that does not resolve, a resource of the wrong type or an
// argument out of its bounds.
#include "controls_more_support.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <sstream>
#include <typeinfo>

#include "controls/buttons.h"
#include "controls/composites.h"
#include "controls/def_pot.h"
#include "controls/feature_text.h"
#include "controls/img_pot.h"
#include "controls/img_switch.h"
#include "controls/meters.h"
#include "controls/page_selectors.h"
#include "controls/peaks.h"
#include "controls/radios.h"
#include "controls/value.h"
#include "controls/wave.h"

using namespace more_test;

namespace {

struct ValidLine {
    const char* line;  // keyword and arguments
    std::function<bool(ZControl*)> isRightType;
};

template <class T>
std::function<bool(ZControl*)> is()
{
    return [](ZControl* c) { return dynamic_cast<T*>(c) != nullptr && typeid(*c) == typeid(T); };
}

const std::vector<ValidLine>& validLines()
{
    static const std::vector<ValidLine> lines = {
        {"ZDefPot Drive extra on held", is<ZDefPot>()},
        {"ZKnob Drive font extra on held", is<ZKnob>()},
        {"ZField Mix 100 font extra on held", is<ZField>()},
        {"ZDialField Width 1 font extra on held", is<ZDialField>()},
        {"ZDefSwitch Bypass font black off on held", is<ZDefSwitch>()},
        {"ZKnobButton Trigger Hold font extra on held", is<ZKnobButton>()},
        {"ZTextButton Trigger Fire font border off on", is<ZTextButton>()},
        {"ZTextCommand Randomise Go font border off on", is<ZTextCommand>()},
        {"ZValue Drive font", is<ZValue>()},
        {"ZTextPageSel 2 Two font border off on held", is<ZTextPageSel>()},
        {"ZTextSwitch Bypass Bypass font border off on held", is<ZTextSwitch>()},
        {"ZImgMeter Level 0.5 0 meter", is<ZImgMeter>()},
        {"ZDefPeak Peak border off on font hotfont", is<ZDefPeak>()},
        {"ZImgPot Drive meter", is<ZImgPot>()},
        {"ZTextPeak Peak font hotfont", is<ZTextPeak>()},
        {"ZImgSwitch Bypass radio2", is<ZImgSwitch>()},
        {"ZDefMeter Level TopToBottom border off on", is<ZDefMeter>()},
        {"ZWave History Ceiling null black off on", is<ZWave>()},
        {"ZFeatureText Status font", is<ZFeatureText>()},
        {"ZDefFracMeter Fill BottomToTop border off on", is<ZDefFracMeter>()},
        {"ZDefPageSel One 1 font off on held", is<ZDefPageSel>()},
        {"ZKnobCommand Clear Wipe font extra on held", is<ZKnobCommand>()},
        {"ZImgFracMeter Fill meter", is<ZImgFracMeter>()},
        {"ZImgCommand Clear command", is<ZImgCommand>()},
        {"ZDefRadio Mode 0 2 Soft font black off on held", is<ZDefRadio>()},
        {"ZZoomWave History Ceiling Ceiling black off on font extra held", is<ZZoomWave>()},
        {"ZImgPageSel pagesel 2", is<ZImgPageSel>()},
        {"ZImgRadio Mode 0 0 radio", is<ZImgRadio>()},
    };
    return lines;
}

std::vector<std::string> split(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string t; in >> t;) out.push_back(t);
    return out;
}

class MoreFactory : public MoreControlsTest {
protected:
    void SetUp() override
    {
        MoreControlsTest::SetUp();
        skin.reset(parse("", 0));
        factory.reset(new GalleryFactory(effect.get()));
    }
    // The control of a line "Keyword arg arg ...", or null.
    std::unique_ptr<ZControl> make(const std::vector<std::string>& tokens)
    {
        std::vector<const char*> argv;
        for (size_t i = 1; i < tokens.size(); ++i) argv.push_back(tokens[i].c_str());
        return std::unique_ptr<ZControl>(
            factory->createControl(skin.get(), tokens[0].c_str(), static_cast<int32_t>(argv.size()), argv.data()));
    }
    std::unique_ptr<ZControl> make(const std::string& line) { return make(split(line)); }

    std::unique_ptr<ZSkin> skin;
    std::unique_ptr<GalleryFactory> factory;
};

TEST_F(MoreFactory, EveryKeywordMakesItsControlFromAValidLine)
{
    ASSERT_EQ(validLines().size(), 28u);
    std::size_t tableSize = 0;
    const ZControlKeyword* table = ZSkinFactory::standardKeywords(&tableSize);
    ASSERT_EQ(tableSize, 28u);
    for (std::size_t k = 0; k < tableSize; ++k) {
        // In the order of the dispatch table.
        const ValidLine& v = validLines()[k];
        EXPECT_EQ(split(v.line)[0], table[k].keyword);
        std::unique_ptr<ZControl> c = make(v.line);
        ASSERT_NE(c, nullptr) << v.line;
        EXPECT_TRUE(v.isRightType(c.get())) << v.line;
        EXPECT_EQ(c->effect, effect.get());
        EXPECT_EQ(c->window, nullptr);
        // The keyword in any case.
        std::vector<std::string> lower = split(v.line);
        std::transform(lower[0].begin(), lower[0].end(), lower[0].begin(),
                       [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
        std::unique_ptr<ZControl> again = make(lower);
        EXPECT_TRUE(again && v.isRightType(again.get())) << lower[0];
    }
}

TEST_F(MoreFactory, NoControlFromAWrongCountOrAnArgumentThatDoesNotResolve)
{
    std::size_t tableSize = 0;
    const ZControlKeyword* table = ZSkinFactory::standardKeywords(&tableSize);
    for (std::size_t k = 0; k < tableSize; ++k) {
        const std::vector<std::string> tokens = split(validLines()[k].line);
        std::vector<std::string> fewer(tokens.begin(), tokens.end() - 1);
        EXPECT_EQ(make(fewer), nullptr) << tokens[0] << " with one argument fewer";
        std::vector<std::string> more = tokens;
        more.push_back("font");
        EXPECT_EQ(make(more), nullptr) << tokens[0] << " with one argument more";
        for (int32_t i = 0; i < table[k].count; ++i) {
            const ZArgKind kind = table[k].args[i].kind;
            std::vector<std::string> bad = tokens;
            bad[i + 1] = "NoSuchName";
            const bool mustResolve = kind == ZArgKind::kParam || kind == ZArgKind::kCommand ||
                kind == ZArgKind::kItem || kind == ZArgKind::kItemWithData || kind == ZArgKind::kImage ||
                kind == ZArgKind::kFont || kind == ZArgKind::kColour;
            if (mustResolve) {
                EXPECT_EQ(make(bad), nullptr) << tokens[0] << " argument " << i + 1;
            } else if (kind == ZArgKind::kText || kind == ZArgKind::kOrientation || kind == ZArgKind::kOptionalItem) {
                EXPECT_NE(make(bad), nullptr) << tokens[0] << " argument " << i + 1;
            }
            // A resource of another type: a colour for an image or a font, a font for a colour.
            if (kind == ZArgKind::kImage || kind == ZArgKind::kFont || kind == ZArgKind::kColour) {
                bad[i + 1] = kind == ZArgKind::kColour ? "font" : "extra";
                EXPECT_EQ(make(bad), nullptr) << tokens[0] << " argument " << i + 1 << " of another type";
            }
            // A data item of another type.
            if (kind == ZArgKind::kItem || kind == ZArgKind::kItemWithData) {
                bad[i + 1] = sameTextIgnoringCase(table[k].args[i].itemType, "double") ? "Level" : "Fill";
                EXPECT_EQ(make(bad), nullptr) << tokens[0] << " argument " << i + 1 << " of another type";
            }
        }
    }
}

TEST_F(MoreFactory, BoundsOfNumbersAndItemsWithoutData)
{
    struct Case {
        const char* line;
        bool made;
    };
    const Case cases[] = {
        {"ZImgRadio Mode 2 1 radio", false},
        {"ZImgRadio Mode -1 2 radio", false},
        {"ZImgRadio Mode 0 0 radio", true},
        {"ZImgRadio Mode 3 3 radio", true},
        {"ZDefRadio Mode 2 1 Soft font black off on held", false},
        {"ZDefRadio Mode -1 0 Soft font black off on held", false},
        {"ZImgMeter Level 0 0 meter", false},
        {"ZImgMeter Level -1 0 meter", false},
        {"ZImgMeter Level Inf -INF meter", true},
        {"ZImgMeter Level -inf 0 meter", false},
        {"ZImgMeter Spare 1 0 meter", true},  // an item without data is enough
        {"ZImgFracMeter Fill meter", true},
        {"ZDefMeter Spare LeftToRight border off on", false},
        {"ZFeatureText Nothing font", false},
        {"ZDefPageSel One 0 font off on held", false},
        {"ZImgPageSel pagesel 0", false},
        {"ZTextPageSel 0 None font border off on held", true},  // the page is not checked
        {"ZTextPageSel -3 None font border off on held", true},
        {"ZField Mix 0 font extra on held", false},
        {"ZDialField Mix -5 font extra on held", false},
        {"ZTextCommand Nothing Go font border off on", false},
        {"ZKnobCommand randomise Go font border off on", true},  // names ignore case
        {"ZDefPot drive extra on held", true},
    };
    for (const Case& c : cases) EXPECT_EQ(make(c.line) != nullptr, c.made) << c.line;

    // What the made controls keep.
    auto radio = make("ZImgRadio Mode 3 3 radio");
    auto* r = dynamic_cast<ZImgRadio*>(radio.get());
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(r->bandLow, 6.0 / 8.0);
    EXPECT_DOUBLE_EQ(r->bandCentre, 7.0 / 8.0);
    EXPECT_DOUBLE_EQ(r->bandHigh, 1.0);
    auto meter = make("ZImgMeter Spare 1 0 meter");
    EXPECT_EQ(dynamic_cast<ZImgMeter*>(meter.get())->value, nullptr);
    auto label = make("ZTextButton Trigger Fire font border off on");
    EXPECT_EQ(dynamic_cast<ZTextButton*>(label.get())->label, "Fire");
}

}  // namespace
