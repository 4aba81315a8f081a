// The LV2 UI as an embedding host shows it: the UI module instantiated in a real X parent window
// of this test host with the plug-in running beside it (with and without instance access), driven
// by real input (XTest), idle calls and port events, read back from the server. Run under Xvfb.
#include "lv2_test_host.h"

#include "lv2/atom/atom.h"
#include "lv2/instance-access/instance-access.h"
#include "lv2/options/options.h"
#include "lv2/ui/ui.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>

#include <chrono>
#include <cmath>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// The built-in skin's places, in editor pixels.
constexpr int kGainKnobX = 22 + 21, kKnobY = 18 + 22;
constexpr int kSwitchX = 68 + 50, kSwitchY = 281 + 10;
constexpr int kWaveX = 249, kWaveY = 86, kWaveW = 136, kWaveH = 93;

// The UI module of the bundle, found through the plug-in's data as a host finds it.
const LV2UI_Descriptor* uiDescriptor()
{
    static const LV2UI_Descriptor* descriptor = [] () -> const LV2UI_Descriptor* {
        Lv2World& w = Lv2World::get();
        if (!w.plugin) return nullptr;
        LilvUIs* uis = lilv_plugin_get_uis(w.plugin);
        const LilvUI* ui = nullptr;
        LILV_FOREACH (uis, i, uis) ui = lilv_uis_get(uis, i);
        char* path = ui ? lilv_file_uri_parse(lilv_node_as_uri(lilv_ui_get_binary_uri(ui)), nullptr) : nullptr;
        void* library = path ? dlopen(path, RTLD_NOW | RTLD_LOCAL) : nullptr;
        lilv_free(path);
        lilv_uis_free(uis);
        auto entry = library ? reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor")) : nullptr;
        return entry ? entry(0) : nullptr;
    }();
    return descriptor;
}

struct Recorded {
    std::vector<std::pair<uint32_t, float>> writes;
    std::vector<std::pair<uint32_t, bool>> touches;
    int width = 0, height = 0;
};

class Lv2UiTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr) << "these tests need an X server (run them under xvfb-run)";
        ASSERT_NE(uiDescriptor(), nullptr) << "no UI module in " << bundlePath();
        ASSERT_TRUE(running.ok());
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 440, 360, 0, 0, 0x202020);
        XMapWindow(display, parent);
        XSync(display, False);
    }
    void TearDown() override
    {
        if (handle) uiDescriptor()->cleanup(handle);
        if (display) {
            XDestroyWindow(display, parent);
            XCloseDisplay(display);
        }
    }

    // scaleFactor > 0 gives the UI the ui:scaleFactor option.
    void open(bool instanceAccess, float scaleFactor = 0.0f)
    {
        Lv2World& w = Lv2World::get();
        touch.handle = &recorded;
        touch.touch = [](LV2UI_Feature_Handle h, uint32_t port, bool grabbed) {
            static_cast<Recorded*>(h)->touches.emplace_back(port, grabbed);
        };
        resize.handle = &recorded;
        resize.ui_resize = [](LV2UI_Feature_Handle h, int width, int height) {
            static_cast<Recorded*>(h)->width = width;
            static_cast<Recorded*>(h)->height = height;
            return 0;
        };
        const LV2_Feature parentFeature = {LV2_UI__parent, reinterpret_cast<void*>(parent)};
        const LV2_Feature touchFeature = {LV2_UI__touch, &touch};
        const LV2_Feature resizeFeature = {LV2_UI__resize, &resize};
        const LV2_Feature accessFeature = {LV2_INSTANCE_ACCESS_URI, running.handle()};
        const LV2_Options_Option options[] = {
            {LV2_OPTIONS_INSTANCE, 0, w.urids.map(LV2_UI__scaleFactor), sizeof(float), w.urids.map(LV2_ATOM__Float),
             &scaleFactor},
            {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
        const LV2_Feature optionsFeature = {LV2_OPTIONS__options, const_cast<LV2_Options_Option*>(options)};
        const LV2_Feature* features[] = {&parentFeature, &touchFeature, &resizeFeature, w.urids.mapFeature(),
                                         scaleFactor > 0.0f ? &optionsFeature : nullptr,
                                         instanceAccess ? &accessFeature : nullptr, nullptr};
        if (scaleFactor <= 0.0f) features[4] = features[5], features[5] = nullptr;
        LV2UI_Widget widget = nullptr;
        handle = uiDescriptor()->instantiate(
            uiDescriptor(), "urn:ondx:sarvo", bundlePath().c_str(),
            [](LV2UI_Controller c, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
                if (format == 0 && size == sizeof(float))
                    static_cast<Recorded*>(c)->writes.emplace_back(port, *static_cast<const float*>(buffer));
            },
            &recorded, &widget, features);
        ASSERT_NE(handle, nullptr);
        editor = reinterpret_cast<Window>(widget);
        // Hosts send every control port's value once the UI is there.
        const float defaults[] = {0.0f, 100.0f, 0.0f, 0.0f};
        for (uint32_t i = 0; i < 4; ++i) uiDescriptor()->port_event(handle, 4 + i, sizeof(float), 0, &defaults[i]);
        idle();
    }
    void idle(int times = 3)
    {
        XSync(display, False);
        auto interface = static_cast<const LV2UI_Idle_Interface*>(uiDescriptor()->extension_data(LV2_UI__idleInterface));
        for (int i = 0; i < times; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            ASSERT_EQ(interface->idle(handle), 0);
        }
    }
    // The editor's size as the host was told it and as its window has it.
    void expectSize(int width, int height)
    {
        EXPECT_EQ(recorded.width, width);
        EXPECT_EQ(recorded.height, height);
        XWindowAttributes attributes;
        ASSERT_TRUE(XGetWindowAttributes(display, editor, &attributes));
        EXPECT_EQ(attributes.width, width);
        EXPECT_EQ(attributes.height, height);
    }
    std::vector<uint32_t> area(int x, int y, int width, int height)
    {
        std::vector<uint32_t> out;
        XImage* image = XGetImage(display, editor, x, y, width, height, AllPlanes, ZPixmap);
        if (!image) return out;
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i) out.push_back(static_cast<uint32_t>(XGetPixel(image, i, j)) & 0xFFFFFF);
        XDestroyImage(image);
        return out;
    }
    void portEvent(uint32_t port, float value)
    {
        uiDescriptor()->port_event(handle, port, sizeof value, 0, &value);
        idle();
    }
    void move(int x, int y) { XTestFakeMotionEvent(display, -1, x, y, CurrentTime); }
    void button(bool down) { XTestFakeButtonEvent(display, 1, down, CurrentTime); }

    // Loud audio through the running plug-in, as the host's audio thread would run it.
    void playAudio()
    {
        std::vector<float> l(512), r(512);
        for (int block = 0; block < 40; ++block) {
            for (int i = 0; i < 512; ++i) l[i] = r[i] = static_cast<float>(1.6 * std::sin((block * 512 + i) * 0.05));
            running.run(l.data(), r.data(), l.data(), r.data(), 512);
        }
    }

    Display* display = nullptr;
    Window parent = 0, editor = 0;
    Lv2Instance running{44100.0};
    Recorded recorded;
    LV2UI_Touch touch{};
    LV2UI_Resize resize{};
    LV2UI_Handle handle = nullptr;
};

TEST_P(Lv2UiTest, KnobDragWritesPortsWithTouchAndPortEventsMoveTheKnob)
{
    open(GetParam());
    // The editor is the host's child, at its size.
    Window root = 0, up = 0, *children = nullptr;
    unsigned int count = 0;
    ASSERT_TRUE(XQueryTree(display, parent, &root, &up, &children, &count));
    ASSERT_EQ(count, 1u);
    EXPECT_EQ(children[0], editor);
    XFree(children);
    EXPECT_EQ(recorded.width, 402);
    EXPECT_EQ(recorded.height, 333);

    // A port event moves the knob's picture, and back.
    const std::vector<uint32_t> atZero = area(22, 18, 42, 44);
    ASSERT_FALSE(atZero.empty());
    portEvent(4, 12.0f);
    EXPECT_NE(area(22, 18, 42, 44), atZero);
    portEvent(4, 0.0f);
    EXPECT_EQ(area(22, 18, 42, 44), atZero);
    EXPECT_TRUE(recorded.writes.empty()) << "port events are not written back";

    // A drag: 10 up, then 10 up and 40 right (+0.2), then far outside (the capture keeps the knob).
    move(kGainKnobX, kKnobY);
    button(true);
    move(kGainKnobX, kKnobY - 10);
    move(kGainKnobX + 40, kKnobY - 20);
    move(kGainKnobX + 440, kKnobY - 20);
    button(false);
    idle();
    ASSERT_EQ(recorded.touches.size(), 2u);
    EXPECT_EQ(recorded.touches[0], std::make_pair(4u, true));
    EXPECT_EQ(recorded.touches[1], std::make_pair(4u, false));
    const float expected[] = {0.0f, 1.2f, 3.6f, 12.0f};
    ASSERT_EQ(recorded.writes.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(recorded.writes[i].first, 4u);
        EXPECT_FLOAT_EQ(recorded.writes[i].second, expected[i]);
        EXPECT_GE(recorded.writes[i].second, 0.0f);
        EXPECT_LE(recorded.writes[i].second, 12.0f);
    }
    // The host echoes the last write: nothing moves, nothing is written again.
    const std::vector<uint32_t> dragged = area(22, 18, 42, 44);
    EXPECT_NE(dragged, atZero);
    portEvent(4, 12.0f);
    EXPECT_EQ(area(22, 18, 42, 44), dragged);
    EXPECT_EQ(recorded.writes.size(), 4u);

    // The switch writes the toggled port: on, then off (each gesture starts from the value it had).
    recorded.writes.clear();
    recorded.touches.clear();
    for (float after : {1.0f, 0.0f}) {
        move(kSwitchX, kSwitchY);
        button(true);
        button(false);
        idle();
        ASSERT_FALSE(recorded.writes.empty());
        EXPECT_EQ(recorded.writes.back(), std::make_pair(7u, after));
        for (const auto& w : recorded.writes) EXPECT_EQ(w.first, 7u);
    }
    ASSERT_FALSE(recorded.touches.empty());
    EXPECT_EQ(recorded.touches.front(), std::make_pair(7u, true));
    EXPECT_EQ(recorded.touches.back(), std::make_pair(7u, false));
}

TEST_P(Lv2UiTest, WaveDisplaysShowTheRunningInstanceOnlyWithInstanceAccess)
{
    open(GetParam());
    const std::vector<uint32_t> empty = area(kWaveX, kWaveY, kWaveW, kWaveH);
    ASSERT_FALSE(empty.empty());
    playAudio();
    std::this_thread::sleep_for(std::chrono::milliseconds(60));  // past the editor's repaint interval
    idle();
    if (GetParam())
        EXPECT_NE(area(kWaveX, kWaveY, kWaveW, kWaveH), empty) << "the running instance's history is drawn";
    else
        EXPECT_EQ(area(kWaveX, kWaveY, kWaveW, kWaveH), empty) << "without the instance the display stays empty";
}

INSTANTIATE_TEST_SUITE_P(InstanceAccess, Lv2UiTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& info) { return info.param ? "With" : "Without"; });

// The editor at the host's scale factor, driven by real input in window pixels: clicks land on the
// controls under them and drags move the knobs by skin pixels (100 skin pixels, 200 window pixels at
// 2x, cover a knob's range).
using Lv2UiScale = Lv2UiTest;

TEST_F(Lv2UiScale, ClicksAndDragsAtTwiceTheSizeHitTheControlsAndMoveThemBySkinPixels)
{
    // A host window that holds the larger editor.
    XResizeWindow(display, parent, 900, 720);
    XSync(display, False);
    open(false, 2.0f);
    expectSize(804, 666);

    // The Gain knob's picture lies at twice its skin place; a port event turns it.
    const std::vector<uint32_t> atZero = area(44, 36, 84, 88);
    portEvent(4, 12.0f);
    EXPECT_NE(area(44, 36, 84, 88), atZero);
    portEvent(4, 0.0f);
    EXPECT_EQ(area(44, 36, 84, 88), atZero);

    // The switch's skin place is not the switch at 2x: nothing is written there.
    move(kSwitchX, kSwitchY);
    button(true);
    button(false);
    idle();
    EXPECT_TRUE(recorded.writes.empty());

    // A drag from the knob's centre: 20 window pixels up (10 skin pixels, +0.1), then 20 up and 80
    // right (+0.1 + 0.1), then far outside (the capture keeps the knob): as the same drag at 1x.
    move(2 * kGainKnobX, 2 * kKnobY);
    button(true);
    move(2 * kGainKnobX, 2 * kKnobY - 20);
    move(2 * kGainKnobX + 80, 2 * kKnobY - 40);
    move(2 * kGainKnobX + 700, 2 * kKnobY - 40);
    button(false);
    idle();
    const float expected[] = {0.0f, 1.2f, 3.6f, 12.0f};
    ASSERT_EQ(recorded.writes.size(), 4u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(recorded.writes[i].first, 4u);
        EXPECT_FLOAT_EQ(recorded.writes[i].second, expected[i]);
    }
    EXPECT_NE(area(44, 36, 84, 88), atZero);

    // The switch at twice its place toggles.
    recorded.writes.clear();
    move(2 * kSwitchX, 2 * kSwitchY);
    button(true);
    button(false);
    idle();
    ASSERT_FALSE(recorded.writes.empty());
    EXPECT_EQ(recorded.writes.back(), std::make_pair(7u, 1.0f));
}

TEST_F(Lv2UiScale, TheHostChangesTheScaleWhileTheEditorIsOpen)
{
    open(false);
    EXPECT_EQ(recorded.width, 402);
    EXPECT_EQ(recorded.height, 333);
    auto options = static_cast<const LV2_Options_Interface*>(uiDescriptor()->extension_data(LV2_OPTIONS__interface));
    ASSERT_NE(options, nullptr);
    Lv2World& w = Lv2World::get();
    const LV2_URID key = w.urids.map(LV2_UI__scaleFactor), type = w.urids.map(LV2_ATOM__Float);
    float factor = 1.5f;
    LV2_Options_Option set[] = {{LV2_OPTIONS_INSTANCE, 0, key, sizeof(float), type, &factor},
                                {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(options->set(handle, set), uint32_t(LV2_OPTIONS_SUCCESS));
    idle();
    // The host is told the new size and the window has it: round(402 x 1.5) x round(333 x 1.5).
    expectSize(603, 500);
    LV2_Options_Option get[] = {{LV2_OPTIONS_INSTANCE, 0, key, 0, 0, nullptr},
                                {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(options->get(handle, get), uint32_t(LV2_OPTIONS_SUCCESS));
    ASSERT_NE(get[0].value, nullptr);
    EXPECT_EQ(*static_cast<const float*>(get[0].value), 1.5f);

    // A drag of 15 window pixels up is 10 skin pixels at 1.5x: +0.1 of the range, 1.2 dB.
    move(64, 60);
    button(true);
    move(64, 45);
    button(false);
    idle();
    ASSERT_EQ(recorded.writes.size(), 2u);
    EXPECT_FLOAT_EQ(recorded.writes[1].second, 1.2f);

    // A factor that is not a float is refused and changes nothing.
    int32_t whole = 2;
    LV2_Options_Option wrong[] = {{LV2_OPTIONS_INSTANCE, 0, key, sizeof whole, w.urids.map(LV2_ATOM__Int), &whole},
                                  {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    EXPECT_EQ(options->set(handle, wrong), uint32_t(LV2_OPTIONS_ERR_BAD_VALUE));
    EXPECT_EQ(recorded.width, 603);
}

}  // namespace
