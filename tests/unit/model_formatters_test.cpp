#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include <gtest/gtest.h>

#include "model/formatters.h"

namespace {

using Formatter = void (*)(float, char*, int);

std::string run(Formatter f, float value, int maxLen = 16)
{
    char text[64];
    std::memset(text, '#', sizeof text);
    f(value, text, maxLen);
    return text;
}

std::string number(int decimals, double value, int size = 64)
{
    char text[64];
    formatNumberText(decimals, value, text, size);
    return text;
}

}  // namespace

TEST(ModelFormatters, FloatHasEightCharacters)
{
    EXPECT_EQ(run(formatFloat, 1.5f), "1.500000");
    EXPECT_EQ(run(formatFloat, -1.5f), "-1.50000");
    EXPECT_EQ(run(formatFloat, 123.25f), "123.2500");
    EXPECT_EQ(run(formatFloat, 0.0f), "0.000000");
    EXPECT_EQ(run(formatFloat, 0.7f), "0.699999");  // digits truncated, not rounded
    EXPECT_EQ(run(formatFloat, 1234567.0f), "1234567.");
    // Integer digits that do not fit are dropped from the front; the point comes last.
    EXPECT_EQ(run(formatFloat, 12345678.0f), "2345678.");
    EXPECT_EQ(run(formatFloat, -1234567.0f), "-234567.");
}

TEST(ModelFormatters, FloatLimitsAndNonFinite)
{
    EXPECT_EQ(run(formatFloat, 99999992.0f), "9999992.");
    EXPECT_EQ(run(formatFloat, 100000000.0f), "Huge!");
    EXPECT_EQ(run(formatFloat, -9999999.0f), "-999999.");
    EXPECT_EQ(run(formatFloat, -10000000.0f), "Huge!");
    EXPECT_EQ(run(formatFloat, std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(run(formatFloat, -std::numeric_limits<float>::infinity()), "Huge!");
    EXPECT_EQ(run(formatFloat, std::numeric_limits<float>::quiet_NaN()), "NaN");
}

TEST(ModelFormatters, CutAtMaxLenAndTerminatedThere)
{
    char text[16];
    std::memset(text, '#', sizeof text);
    formatFloat(123.25f, text, 4);
    EXPECT_STREQ(text, "123.");
    EXPECT_EQ(text[5], '#');  // nothing written past text[maxLen]

    std::memset(text, '#', sizeof text);
    formatInteger(5.0f, text, 3);
    EXPECT_STREQ(text, "5");
    EXPECT_EQ(text[3], '\0');  // the zero at text[maxLen] is always stored
    EXPECT_EQ(text[4], '#');

    formatDecibels(0.0f, text, 0);
    EXPECT_STREQ(text, "");
    formatFloat(1.0f, nullptr, 8);  // no buffer: nothing happens
    formatInteger(1.0f, text, -1);  // negative size: nothing happens
}

TEST(ModelFormatters, Decibels)
{
    EXPECT_EQ(run(formatDecibels, 1.0f), "0.000000");
    EXPECT_EQ(run(formatDecibels, 10.0f), "20.00000");
    EXPECT_EQ(run(formatDecibels, 0.5f), "-6.02059");
    EXPECT_EQ(run(formatDecibels, 0.0f), "-oo");
    EXPECT_EQ(run(formatDecibels, -2.0f), "-oo");
}

TEST(ModelFormatters, HertzAndMilliseconds)
{
    char text[16];
    formatHertz(441.0f, 44100.0f, text, 15);
    EXPECT_STREQ(text, "100.0000");
    formatHertz(0.0f, 44100.0f, text, 15);
    EXPECT_STREQ(text, "0.000000");
    formatMilliseconds(22050.0f, 44100.0f, text, 15);
    EXPECT_STREQ(text, "500.0000");
    formatMilliseconds(441.0f, 44100.0f, text, 15);
    EXPECT_STREQ(text, "10.00000");
}

TEST(ModelFormatters, Integer)
{
    EXPECT_EQ(run(formatInteger, 0.0f), "");
    EXPECT_EQ(run(formatInteger, 42.0f), "42");
    EXPECT_EQ(run(formatInteger, 1000.0f), "1000");
    EXPECT_EQ(run(formatInteger, -42.0f), "-42");
    EXPECT_EQ(run(formatInteger, 12345678.0f), "12345678");
    EXPECT_EQ(run(formatInteger, 100000000.0f), "Huge!");
    EXPECT_EQ(run(formatInteger, -1.0e9f), "-1000000000");
    EXPECT_EQ(run(formatInteger, std::numeric_limits<float>::quiet_NaN()), "Huge!");
    EXPECT_EQ(run(formatInteger, -std::numeric_limits<float>::infinity()), "Huge!");
}

TEST(ModelFormatters, NumberText)
{
    EXPECT_EQ(number(1, 6.0), "6.0");
    EXPECT_EQ(number(0, 100.0), "100");
    EXPECT_EQ(number(1, 7.3000000000000007), "7.3");
    EXPECT_EQ(number(1, -std::numeric_limits<double>::infinity()), "-Inf");
    EXPECT_EQ(number(1, std::numeric_limits<double>::infinity()), "Inf");
    EXPECT_EQ(number(1, std::nan("")), "NaN");
    EXPECT_EQ(number(-3, 2.25), "2");  // negative decimals count as none
    EXPECT_EQ(number(3, 1234.5678, 5), "1234");  // size includes the terminator
    EXPECT_EQ(number(1, -std::numeric_limits<double>::infinity(), 3), "-I");
    // A huge value stays inside the buffer.
    EXPECT_EQ(number(1, 1.0e300, 10).size(), 9u);
}
