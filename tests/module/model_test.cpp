// Parameters, texts, programs and chunks, through the loaded module as a host sees them.
#include "loaded_plugin.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

class ModelThroughHost : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(sharedModule().loaded()) << sharedModule().error();
        RecordingHost::instance().clear();
        RecordingHost::instance().answer = nullptr;
        ASSERT_NE(fx.effect(), nullptr);
    }
    std::string name(int i) { return fx.text(effGetParamName, i); }
    std::string display(int i) { return fx.text(effGetParamDisplay, i); }
    std::string label(int i) { return fx.text(effGetParamLabel, i); }
    float get(int i) { return fx->getParameter(fx.effect(), i); }
    void set(int i, float v) { fx->setParameter(fx.effect(), i, v); }
    bool type(int i, const char* text)
    {
        std::string copy(text);
        return fx.dispatch(effString2Parameter, i, 0, &copy[0]) == 1;
    }
    std::string programName(int p)
    {
        char buffer[64];
        std::memset(buffer, 0x55, sizeof buffer);
        fx.dispatch(effGetProgramNameIndexed, p, 0, buffer);
        return std::string(buffer, strnlen(buffer, sizeof buffer));
    }

    Instance fx;
};

TEST_F(ModelThroughHost, FreshInstanceTexts)
{
    EXPECT_EQ(name(0), "Gain");
    EXPECT_EQ(display(0), "0.0");
    EXPECT_EQ(label(0), "dB");
    EXPECT_EQ(name(1), "Clip");
    EXPECT_EQ(display(1), "100");
    EXPECT_EQ(label(1), "%");
    EXPECT_EQ(name(2), "Softness");
    EXPECT_EQ(display(2), "0");
    EXPECT_EQ(label(2), "%");
    EXPECT_EQ(name(3), "Oversmp");
    EXPECT_EQ(display(3), "Off");
    EXPECT_EQ(label(3), "");
    EXPECT_EQ(get(0), 0.0f);
    EXPECT_EQ(get(1), 1.0f);
    EXPECT_EQ(get(2), 0.0f);
    EXPECT_EQ(get(3), 0.0f);
}

TEST_F(ModelThroughHost, StoredValuesAreNotSnappedButTheirTextsAre)
{
    set(0, 0.123f);
    EXPECT_EQ(display(0), "1.5");
    EXPECT_FLOAT_EQ(get(0), 0.123f);
    // Exactly half a step rounds up to one step.
    set(0, static_cast<float>(0.5 / 120.0));
    EXPECT_EQ(display(0), "0.1");
    // The switch text says "On" for anything but 0, while the switch itself is off below 0.5.
    set(3, 0.3f);
    EXPECT_EQ(display(3), "On");
    set(3, 0.0f);
    EXPECT_EQ(display(3), "Off");
}

TEST_F(ModelThroughHost, TextEntry)
{
    EXPECT_TRUE(type(0, "7.25 dB"));
    EXPECT_NEAR(get(0), 7.25 / 12.0, 1e-7);
    EXPECT_EQ(display(0), "7.3");
    EXPECT_TRUE(type(2, "-inf"));
    EXPECT_EQ(get(2), 0.0f);
    EXPECT_TRUE(type(2, "inf"));
    EXPECT_EQ(get(2), 1.0f);
    EXPECT_TRUE(type(2, "abc"));
    EXPECT_EQ(get(2), 0.0f);
    EXPECT_TRUE(type(2, "150"));
    EXPECT_EQ(get(2), 1.0f);
    EXPECT_TRUE(type(3, "on"));
    EXPECT_EQ(get(3), 1.0f);
    EXPECT_TRUE(type(3, "1"));
    EXPECT_EQ(get(3), 0.0f);
    EXPECT_TRUE(type(3, "ON"));
    EXPECT_EQ(get(3), 1.0f);
    // A null text is accepted and changes nothing.
    EXPECT_EQ(fx.dispatch(effString2Parameter, 3, 0, nullptr), 1);
    EXPECT_EQ(get(3), 1.0f);
}

TEST_F(ModelThroughHost, ProgramsKeepTheirOwnValuesAndTexts)
{
    set(0, 0.5f);
    EXPECT_EQ(display(0), "6.0");
    fx.dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(get(0), 0.0f);
    EXPECT_EQ(display(0), "0.0");
    fx.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(get(0), 0.5f);
    EXPECT_EQ(display(0), "6.0");
}

TEST_F(ModelThroughHost, ProgramNames)
{
    for (int p = 0; p < 10; ++p) EXPECT_EQ(programName(p), "Defaults");
    char longName[] = "A program name of thirty chars";
    ASSERT_EQ(std::strlen(longName), 30u);
    fx.dispatch(effSetProgramName, 0, 0, longName);
    EXPECT_EQ(fx.text(effGetProgramName), "A program name of thirty");
    EXPECT_EQ(programName(0), "A program name of thirty");
    // Indices outside the bank give an empty name and touch nothing.
    EXPECT_EQ(programName(10), "");
    char buffer[32] = "x";
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, 10, 0, buffer), 0);
    EXPECT_EQ(fx.dispatch(effGetProgramNameIndexed, 9, 0, buffer), 1);
    EXPECT_EQ(programName(-1), "");
    EXPECT_EQ(programName(1 << 30), "");
}

TEST_F(ModelThroughHost, BankLayout)
{
    void* data = nullptr;
    ASSERT_EQ(fx.dispatch(effGetChunk, 0, 0, &data), 570);
    ASSERT_NE(data, nullptr);
    const unsigned char* bytes = static_cast<const unsigned char*>(data);
    const double expected[4] = {0.0, 1.0, 0.0, 0.0};
    for (int p = 0; p < 10; ++p) {
        const unsigned char* record = bytes + 57 * p;
        EXPECT_STREQ(reinterpret_cast<const char*>(record), "Defaults");
        for (int i = 0; i < 4; ++i) {
            double v;
            std::memcpy(&v, record + 25 + 8 * i, 8);
            EXPECT_EQ(v, expected[i]) << "program " << p << " parameter " << i;
        }
    }
    fx.dispatch(effSetProgram, 0, 3);
    void* preset = nullptr;
    EXPECT_EQ(fx.dispatch(effGetChunk, 1, 0, &preset), 57);
    EXPECT_EQ(preset, static_cast<void*>(static_cast<unsigned char*>(data) + 3 * 57));
}

TEST_F(ModelThroughHost, BankMovesBetweenInstances)
{
    set(0, 0.25f);
    set(1, 0.5f);
    char name[] = "Crunch";
    fx.dispatch(effSetProgramName, 0, 0, name);
    fx.dispatch(effSetProgram, 0, 7);
    set(2, 0.75f);
    void* data = nullptr;
    const VstIntPtr size = fx.dispatch(effGetChunk, 0, 0, &data);
    ASSERT_EQ(size, 570);
    std::vector<unsigned char> bank(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + size);

    Instance other;
    EXPECT_EQ(other.dispatch(effSetChunk, 0, size, bank.data()), 570);
    other.dispatch(effSetProgram, 0, 0);
    EXPECT_EQ(other->getParameter(other.effect(), 0), 0.25f);
    EXPECT_EQ(other->getParameter(other.effect(), 1), 0.5f);
    EXPECT_EQ(other.text(effGetParamDisplay, 0), "3.0");
    EXPECT_EQ(other.text(effGetParamDisplay, 1), "50");
    EXPECT_EQ(other.text(effGetProgramName), "Crunch");
    other.dispatch(effSetProgram, 0, 7);
    EXPECT_EQ(other->getParameter(other.effect(), 2), 0.75f);
    EXPECT_EQ(other.text(effGetParamDisplay, 2), "75");
}

TEST_F(ModelThroughHost, ShortChunksAreRefused)
{
    std::vector<unsigned char> small(56, 0xFF);
    EXPECT_EQ(fx.dispatch(effSetChunk, 1, 56, small.data()), 0);
    EXPECT_EQ(fx.dispatch(effSetChunk, 0, 569, small.data()), 0);
    EXPECT_EQ(fx.dispatch(effSetChunk, 0, 570, nullptr), 0);
    EXPECT_EQ(fx.dispatch(effSetChunk, 1, -1, small.data()), 0);
    EXPECT_EQ(get(1), 1.0f);
    EXPECT_EQ(fx.text(effGetProgramName), "Defaults");
    // A larger preset takes its 57 bytes only.
    void* data = nullptr;
    fx.dispatch(effGetChunk, 1, 0, &data);
    std::vector<unsigned char> preset(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 57);
    const double half = 0.5;
    std::memcpy(&preset[25], &half, 8);
    preset.resize(200, 0xAB);
    EXPECT_EQ(fx.dispatch(effSetChunk, 1, 200, preset.data()), 57);
    EXPECT_EQ(get(0), 0.5f);
}

TEST_F(ModelThroughHost, NonFiniteValuesNeverReachTheEffect)
{
    set(0, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(get(0), 0.0f);  // the default
    set(1, std::numeric_limits<float>::infinity());
    EXPECT_EQ(get(1), 1.0f);
    set(1, 0.5f);
    set(1, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(get(1), 1.0f);
    // The same through a loaded chunk.
    void* data = nullptr;
    fx.dispatch(effGetChunk, 1, 0, &data);
    std::vector<unsigned char> preset(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 57);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    std::memcpy(&preset[33], &nan, 8);
    EXPECT_EQ(fx.dispatch(effSetChunk, 1, 57, preset.data()), 57);
    EXPECT_EQ(get(1), 1.0f);
    EXPECT_EQ(display(1), "100");
    // Finite values outside 0..1 are kept as the host gave them.
    set(2, 1.5f);
    EXPECT_EQ(get(2), 1.5f);
}

TEST_F(ModelThroughHost, BadParameterIndicesAreHarmless)
{
    for (VstInt32 i : {-1, 4, 1000, -100000}) {
        set(i, 0.5f);
        EXPECT_EQ(get(i), 0.0f);
        EXPECT_EQ(name(i), "");
        EXPECT_EQ(display(i), "");
        EXPECT_EQ(label(i), "");
        char text[] = "3";
        EXPECT_EQ(fx.dispatch(effString2Parameter, i, 0, text), 0);
    }
    EXPECT_EQ(get(0), 0.0f);
}

}  // namespace
