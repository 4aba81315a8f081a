#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "model/parameter.h"
#include "model_sarvo_fixture.h"

namespace {

class ModelParameter : public ::testing::Test, public SarvoModel {
protected:
    ZParameter& param(int i) { return *params[i]; }
    ZValueSlot& ref(int i) { return *store.valueRef(0, i); }

    // Stores the text into program 0 and answers the stored normalised value.
    double typed(int i, const char* text)
    {
        param(i).parseText(ref(i), text);
        return loadValue(ref(i));
    }
    std::string valueText(int i)
    {
        char text[276];
        param(i).valueText(text, sizeof text, ref(i));
        return text;
    }
};

const double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

}  // namespace

TEST_F(ModelParameter, GainSnapsForDisplayButKeepsStoredValue)
{
    param(kGain).store(ref(kGain), 0.123);
    EXPECT_DOUBLE_EQ(param(kGain).displayValue(ref(kGain)), 1.5);
    EXPECT_EQ(valueText(kGain), "1.5");
    EXPECT_DOUBLE_EQ(param(kGain).knobPosition(ref(kGain)), 0.125);
    EXPECT_EQ(param(kGain).value(ref(kGain)), 0.123);
}

TEST_F(ModelParameter, ExactHalfStepSnapsUp)
{
    param(kGain).store(ref(kGain), 0.5 / 120.0);
    EXPECT_DOUBLE_EQ(param(kGain).displayValue(ref(kGain)), 0.1);
    EXPECT_EQ(valueText(kGain), "0.1");
    // Just below the half step stays on the lower grid point.
    param(kGain).store(ref(kGain), 0.49 / 120.0);
    EXPECT_EQ(param(kGain).displayValue(ref(kGain)), 0.0);
}

TEST_F(ModelParameter, RangeConversions)
{
    const ZParameter& gain = param(kGain);
    EXPECT_EQ(gain.toNormalised(-3.0), 0.0);  // clamped below
    EXPECT_EQ(gain.toNormalised(24.0), 1.0);  // clamped above
    EXPECT_DOUBLE_EQ(gain.toNormalised(3.0), 0.25);
    EXPECT_EQ(gain.toNormalised(kNaN), 0.0);
    EXPECT_DOUBLE_EQ(gain.toDisplay(1.5), 18.0);  // not clamped
    EXPECT_DOUBLE_EQ(gain.toDisplay(-0.5), -6.0);
    EXPECT_DOUBLE_EQ(gain.quantise(0.123), 0.125);

    ZRangeParameter free;  // no steps: no snapping
    free.setRange(-1.0, 1.0);
    EXPECT_DOUBLE_EQ(free.toDisplay(0.123), -0.754);
    ZRangeParameter empty;  // a range of zero width cannot divide into NaN
    empty.setRange(2.0, 2.0);
    EXPECT_EQ(empty.toNormalised(2.0), 0.0);
    EXPECT_EQ(empty.toNormalised(3.0), 1.0);
}

TEST_F(ModelParameter, RangeTextEntry)
{
    EXPECT_DOUBLE_EQ(typed(kGain, "7.25 dB"), 7.25 / 12.0);
    EXPECT_EQ(valueText(kGain), "7.3");
    EXPECT_EQ(typed(kSoftness, "-inf"), 0.0);
    EXPECT_EQ(typed(kSoftness, "inf"), 1.0);
    EXPECT_EQ(typed(kSoftness, "INF"), 1.0);
    EXPECT_EQ(typed(kSoftness, "abc"), 0.0);
    EXPECT_EQ(typed(kSoftness, "150"), 1.0);
    EXPECT_DOUBLE_EQ(typed(kSoftness, "  42 %"), 0.42);
    EXPECT_EQ(typed(kSoftness, "-5"), 0.0);
    EXPECT_EQ(typed(kSoftness, "infinity"), 1.0);
    EXPECT_EQ(typed(kSoftness, "nan"), 0.0);  // not a number: 0.0, never NaN
    EXPECT_EQ(typed(kSoftness, ""), 0.0);
    EXPECT_EQ(typed(kClip, "50"), 0.5);
    EXPECT_EQ(typed(kClip, nullptr), 0.5);  // a null text changes nothing
}

TEST_F(ModelParameter, SwitchTextEntryAndTexts)
{
    EXPECT_EQ(typed(kOversmp, "on"), 1.0);
    EXPECT_EQ(typed(kOversmp, "1"), 0.0);
    EXPECT_EQ(typed(kOversmp, "ON"), 1.0);
    EXPECT_EQ(typed(kOversmp, "yes"), 0.0);
    EXPECT_EQ(typed(kOversmp, "On"), 1.0);
    EXPECT_EQ(typed(kOversmp, "Off"), 0.0);
    EXPECT_EQ(typed(kOversmp, "on "), 0.0);  // whole text only

    // Stored 0.3: the text says "On" while display value and knob say off.
    param(kOversmp).store(ref(kOversmp), 0.3);
    EXPECT_EQ(valueText(kOversmp), "On");
    EXPECT_EQ(param(kOversmp).displayValue(ref(kOversmp)), 0.0);
    EXPECT_EQ(param(kOversmp).knobPosition(ref(kOversmp)), 0.0);
    param(kOversmp).store(ref(kOversmp), 0.5);
    EXPECT_EQ(param(kOversmp).knobPosition(ref(kOversmp)), 1.0);
    param(kOversmp).store(ref(kOversmp), 0.0);
    EXPECT_EQ(valueText(kOversmp), "Off");
}

TEST_F(ModelParameter, DisplayTextAppendsUnitWithinSize)
{
    char text[276];
    param(kGain).store(ref(kGain), 1.0);
    param(kGain).displayText(text, sizeof text, ref(kGain));
    EXPECT_STREQ(text, "12.0 dB");
    param(kGain).displayText(text, 6, ref(kGain));
    EXPECT_STREQ(text, "12.0 ");
    param(kGain).displayText(text, 3, ref(kGain));
    EXPECT_STREQ(text, "12");
    param(kOversmp).displayText(text, sizeof text, ref(kOversmp));
    EXPECT_STREQ(text, "Off");  // no unit, no blank
}

TEST_F(ModelParameter, NonFiniteValuesBecomeTheDefault)
{
    param(kClip).store(ref(kClip), 0.25);
    param(kClip).store(ref(kClip), kNaN);
    EXPECT_EQ(loadValue(ref(kClip)), 1.0);
    param(kClip).store(ref(kClip), 0.25);
    param(kClip).store(ref(kClip), -kInf);
    EXPECT_EQ(loadValue(ref(kClip)), 1.0);
    // Finite values outside 0..1 are kept.
    param(kClip).store(ref(kClip), 1.5);
    EXPECT_EQ(loadValue(ref(kClip)), 1.5);
    EXPECT_EQ(valueText(kClip), "150");
}

TEST_F(ModelParameter, FieldsAreCutAtTheirSize)
{
    ZSwitchParameter p;
    p.setName("Oversample");
    EXPECT_STREQ(p.name(), "Oversamp");
    p.setUnitLabel("decibels!");
    EXPECT_STREQ(p.unitLabel(), "decibels");
    const std::string longCaption(70, 'c');
    p.setCaption(longCaption.c_str());
    EXPECT_EQ(std::string(p.caption()), std::string(64, 'c'));
    p.setName(nullptr);
    EXPECT_STREQ(p.name(), "");
    p.setDefault(kNaN);
    EXPECT_EQ(p.defaultValue(), 0.0);
    EXPECT_EQ(p.valueSize(), 8);
    EXPECT_TRUE(p.acceptsTextEntry());
}

TEST_F(ModelParameter, UnterminatedTextIsReadOnlyUpToTheCacheSize)
{
    // 275 digits and no terminator: exactly what the parser may read.
    std::vector<char> digits(ZParameter::kMaxTextLength, '1');
    EXPECT_EQ(typed(kSoftness, digits.data()), 1.0);
    std::vector<char> word{'o', 'n', 'x'};  // the switch stops at the first difference
    EXPECT_EQ(typed(kOversmp, word.data()), 0.0);
}
