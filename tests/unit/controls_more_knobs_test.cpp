// Drawn pots and the composite knobs: the pot's dot and ticks, the composites' boxes and strips,
// and the mouse reaching the right child.
#include "controls_more_support.h"

#include "controls/composites.h"
#include "controls/def_pot.h"
#include "controls/label.h"
#include "controls/value.h"
#include "gui/text_entry.h"

using namespace more_test;
using namespace platform;
using gui_test::editRequests;
using gui_test::hostRequests;

namespace {

constexpr int32_t kDrive = GalleryEffect::kDrive;
constexpr int32_t kWidth = GalleryEffect::kWidth;
constexpr int32_t kTrigger = GalleryEffect::kTrigger;

using MoreKnobs = MoreControlsTest;

TEST_F(MoreKnobs, DrawnPotShowsTicksAndADotOverItsTravel)
{
    open("AddControl 1 150 20 60 60 ZDefPot Drive extra on held\n", 1);
    const uint32_t bg = backgroundPixel(0);
    // Dot centres for the knob positions 0, 0.5 and 1: lower left, top, lower right.
    effect->setParameterValue(kDrive, 0.0);
    paint();
    EXPECT_EQ(px(150 + 16, 20 + 43), kExtra);  // the dot, toward the lower-left tick
    EXPECT_EQ(px(150 + 43, 20 + 43), kOn);  // body where the maximum's dot would be
    EXPECT_EQ(px(150 + 30, 20 + 30), kOn);  // body
    EXPECT_EQ(px(150 + 9, 20 + 9), kExtra);  // the 2-pixel ring (28.99 from the centre)
    EXPECT_EQ(px(150 + 3, 20 + 56), kExtra);  // lower-left tick outside the ring
    EXPECT_EQ(px(150 + 56, 20 + 56), kExtra);  // lower-right tick
    EXPECT_EQ(px(150 + 57, 20 + 3), bg);  // no tick at the top
    EXPECT_EQ(px(150 + 2, 20 + 2), bg);
    effect->setParameterValue(kDrive, 1.0);
    paint();
    EXPECT_EQ(px(150 + 43, 20 + 43), kExtra);
    EXPECT_EQ(px(150 + 16, 20 + 43), kOn);
    effect->setParameterValue(kDrive, 0.5);
    paint();
    EXPECT_EQ(px(150 + 30, 20 + 10), kExtra);
    EXPECT_EQ(px(150 + 43, 20 + 43), kOn);
    // Held: the body in the held colour.
    press(180, 50);
    paint();
    EXPECT_EQ(px(150 + 30, 20 + 30), kHeld);
    release(180, 50);
    paint();
    EXPECT_EQ(px(150 + 30, 20 + 30), kOn);
}

TEST_F(MoreKnobs, KnobStripsAndBoxes)
{
    open("AddControl 1 20 20 60 100 ZKnob Drive font extra on held\n", 1);
    auto* knob = control<ZKnob>(0);
    ASSERT_NE(knob, nullptr);
    ASSERT_EQ(knob->children.size(), 3u);
    auto* title = dynamic_cast<ZLabel*>(knob->children[0]);
    auto* pot = dynamic_cast<ZDefPot*>(knob->children[1]);
    auto* text = dynamic_cast<ZValue*>(knob->children[2]);
    ASSERT_TRUE(title && pot && text);
    EXPECT_EQ(title->text, "Input drive");  // the caption
    struct Rect {
        int32_t x, y, w, h;
    };
    auto rect = [](const ZControl* c) { return Rect{c->x, c->y, c->width, c->height}; };
    auto same = [](Rect a, Rect b) { return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h; };
    EXPECT_TRUE(same(rect(title), Rect{22, 22, 56, 14}));
    EXPECT_TRUE(same(rect(pot), Rect{20, 41, 60, 58}));  // rows 21..78
    EXPECT_TRUE(same(rect(text), Rect{22, 104, 56, 14}));
    for (ZControl* c : knob->children) EXPECT_EQ(c->page, 1);

    paint();
    const uint32_t bg = backgroundPixel(0);
    for (int32_t row : {0, 1, 16, 17, 82, 83, 98, 99}) EXPECT_EQ(px(20, 20 + row), kExtra) << row;
    // The boxes in c2 (with their texts over them).
    EXPECT_GT(count(kOn, 22, 22, 78, 36), 56 * 14 / 2);
    EXPECT_GT(count(kOn, 22, 104, 78, 118), 56 * 14 / 2);
    EXPECT_EQ(count(kOn, 20, 20, 80, 22), 0);
    for (int32_t row : {18, 19, 20, 79, 80, 81}) EXPECT_EQ(px(50, 20 + row), bg) << row;
    EXPECT_EQ(px(20 + 3, 41 + 20), kExtra);  // the pot's ring (27.83 from its centre)
}

TEST_F(MoreKnobs, KnobRoutesTheMouseToItsChildren)
{
    open("AddControl 1 20 20 60 100 ZKnob Drive font extra on held\n"
         "AddControl 1 200 20 60 58 ZDefPot Drive extra on held\n",
         2);
    // The pot inside the knob and a stand-alone pot of the same size answer a drag alike.
    std::vector<std::vector<HostRequest>> runs;
    for (int32_t x : {50, 230}) {
        effect->setParameterValue(kDrive, 0.2);
        hostRequests().clear();
        press(x, 70);
        moveTo(x + 12, 40);
        moveTo(x + 12, 20);
        release(x + 12, 20);
        EXPECT_NEAR(value(kDrive), 0.2 + 0.5 + 0.03, 1e-12) << x;
        EXPECT_EQ(window->capturedControl(), -1);
        runs.push_back(editRequests());
    }
    ASSERT_EQ(runs[0].size(), runs[1].size());
    for (size_t i = 0; i < runs[0].size(); ++i) {
        EXPECT_EQ(runs[0][i].opcode, runs[1][i].opcode) << i;
        EXPECT_EQ(runs[0][i].value, runs[1][i].value) << i;
    }
    EXPECT_EQ(control<ZKnob>(0)->capturedChild, -1);

    // The title does nothing.
    hostRequests().clear();
    press(50, 25);
    EXPECT_EQ(window->capturedControl(), -1);
    release(50, 25);
    EXPECT_TRUE(hostRequests().empty());

    // The value text opens the text entry over itself, without a capture.
    auto* text = dynamic_cast<ZValue*>(control<ZKnob>(0)->children[2]);
    ASSERT_NE(text, nullptr);
    ASSERT_NE(text->textEntry(), nullptr);
    press(50, 110);
    EXPECT_EQ(window->capturedControl(), -1);
    ASSERT_NE(text->textEntry()->handle(), nullptr);
    EXPECT_TRUE(isWindowVisible(text->textEntry()->handle()));
    EXPECT_TRUE(window->paintSuppressed());
    int32_t ex = 0, ey = 0, ew = 0, eh = 0;
    ASSERT_TRUE(windowRect(text->textEntry()->handle(), ex, ey, ew, eh));
    EXPECT_EQ(ex, 22);
    EXPECT_EQ(ey, 104);
    EXPECT_EQ(ew, 56);
    EXPECT_EQ(eh, 14);
    release(50, 110);
    setFocus(h());  // commits the unchanged text and closes the entry
    EXPECT_FALSE(window->paintSuppressed());
    EXPECT_NEAR(value(kDrive), 0.73, 0.011);
}

TEST_F(MoreKnobs, KnobButtonAndKnobCommand)
{
    open("AddControl 1 20 20 60 100 ZKnobButton Trigger Hold font extra on held\n"
         "AddControl 1 100 20 60 100 ZKnobCommand Clear Wipe font extra on held\n",
         2);
    auto* button = control<ZKnobButton>(0);
    ASSERT_NE(button, nullptr);
    ASSERT_EQ(button->children.size(), 3u);
    auto* top = dynamic_cast<ZLabel*>(button->children[0]);
    auto* bottom = dynamic_cast<ZLabel*>(button->children[2]);
    ASSERT_TRUE(top && bottom && dynamic_cast<ZRoundButton*>(button->children[1]));
    EXPECT_EQ(top->text, "Hold");
    EXPECT_EQ(bottom->text, "Hold");
    EXPECT_EQ(bottom->y, 20 + 84);
    paint();
    if (textAvailable()) {
        EXPECT_GT(count(0xFFFFFF, 22, 22, 78, 36), 0);  // label above
        EXPECT_GT(count(0xFFFFFF, 22, 104, 78, 118), 0);  // and below
        EXPECT_EQ(count(0xFFFFFF, 20, 41, 80, 99), 0);
    }
    // The round button: ring in c1, inner disc off (c2) / on (c3).
    EXPECT_EQ(px(50, 41 + 1), kExtra);
    EXPECT_EQ(px(50, 70), kOn);
    press(50, 70);
    paint();
    EXPECT_EQ(value(kTrigger), 1.0);
    EXPECT_EQ(px(50, 70), kHeld);
    release(50, 70);
    paint();
    EXPECT_EQ(value(kTrigger), 0.0);
    EXPECT_EQ(px(50, 70), kOn);

    // The round command button runs the command on its release; c2 up, c3 down.
    press(130, 70, kMkShift);
    paint();
    EXPECT_EQ(px(130, 70), kHeld);
    EXPECT_TRUE(effect->commandsRun.empty());
    release(130, 70);
    paint();
    EXPECT_EQ(px(130, 70), kOn);
    ASSERT_EQ(effect->commandsRun.size(), 1u);
    EXPECT_EQ(effect->commandsRun[0].id, GalleryEffect::kClear);
    EXPECT_TRUE(effect->commandsRun[0].shift);
}

TEST_F(MoreKnobs, FieldsLayOutLabelValueAndDial)
{
    open("AddControl 1 10 10 200 24 ZField Mix 100 font extra on held\n"
         "AddControl 1 10 50 260 24 ZDialField Width 100 font extra on held\n",
         2);
    auto* field = control<ZField>(0);
    auto* dialField = control<ZDialField>(1);
    ASSERT_TRUE(field && dialField);
    ASSERT_EQ(field->children.size(), 2u);
    ASSERT_EQ(dialField->children.size(), 3u);
    auto box = [](const ZControl* c) { return std::vector<int32_t>{c->x, c->y, c->width, c->height}; };
    EXPECT_EQ(box(field->children[0]), (std::vector<int32_t>{12, 12, 97, 20}));
    EXPECT_EQ(box(field->children[1]), (std::vector<int32_t>{111, 12, 97, 20}));
    EXPECT_TRUE(dynamic_cast<ZValue*>(field->children[1]));
    EXPECT_EQ(box(dialField->children[0]), (std::vector<int32_t>{34, 52, 100, 20}));  // label
    EXPECT_EQ(box(dialField->children[1]), (std::vector<int32_t>{136, 52, 132, 20}));  // value
    EXPECT_EQ(box(dialField->children[2]), (std::vector<int32_t>{12, 52, 20, 20}));  // dial
    EXPECT_TRUE(dynamic_cast<ZDial*>(dialField->children[2]));
    paint();
    EXPECT_EQ(px(10, 10), kExtra);
    EXPECT_EQ(px(10 + 100, 20), kExtra);  // between the label and value boxes
    EXPECT_EQ(px(12, 12), kOn);
    EXPECT_EQ(px(10 + 196, 13), kOn);
    EXPECT_EQ(px(10 + 23, 50 + 12), kExtra);  // between dial and label

    // The dial is a pot: a drag changes the parameter; its body shows c2, c3 while held.
    effect->setParameterValue(kWidth, 0.2);
    paint();
    EXPECT_EQ(px(22, 50 + 6), kOn);
    press(22, 62);
    paint();
    EXPECT_EQ(px(22, 50 + 6), kHeld);
    moveTo(22, 42);
    release(22, 42);
    EXPECT_NEAR(value(kWidth), 0.4, 1e-12);
}

TEST_F(MoreKnobs, TinyCompositesKeepOrderedBoxes)
{
    open("AddControl 1 10 10 3 3 ZKnob Drive font extra on held\n"
         "AddControl 1 20 10 1 30 ZField Mix 5 font extra on held\n"
         "AddControl 1 30 10 2 2 ZDialField Width 1 font extra on held\n"
         "AddControl 1 40 10 3 2 ZDefPot Drive extra on held\n"
         "AddControl 1 50 10 2 1 ZKnobButton Trigger x font extra on held\n",
         5);
    for (size_t i = 0; i < 5; ++i) {
        ZControl* c = window->skin()->controls[i];
        if (auto* composite = dynamic_cast<ZCompositeControl*>(c)) {
            for (ZControl* child : composite->children) {
                EXPECT_GE(child->width, 0) << i;
                EXPECT_GE(child->height, 0) << i;
            }
        }
    }
    paint();
    press(11, 11);
    release(11, 11);
    press(41, 11);
    release(41, 11);
    paint();
}

}  // namespace
