// Signal history: sizing, entry building, wrap-around, clearing.
#include <cstdint>
#include <limits>

#include <gtest/gtest.h>

#include "dsp/history.h"

namespace {

void expectEmpty(const ZHistory& h)
{
    EXPECT_EQ(h.writePosition.load(), 0);
    EXPECT_EQ(h.entriesWritten.load(), 0);
    EXPECT_EQ(h.samplesInEntry.load(), 0);
    EXPECT_EQ(h.runningInputMin.load(), std::numeric_limits<double>::max());
    EXPECT_EQ(h.runningOutputMax.load(), -std::numeric_limits<double>::max());
    for (int32_t i = 0; i < h.length; ++i) {
        ASSERT_EQ(h.inputMinAt(i), 0.0);
        ASSERT_EQ(h.inputMaxAt(i), 0.0);
        ASSERT_EQ(h.outputMinAt(i), 0.0);
        ASSERT_EQ(h.outputMaxAt(i), 0.0);
    }
}

}  // namespace

TEST(DspHistory, EntryLengthSpansFifteenSeconds)
{
    EXPECT_EQ(historySamplesPerEntry(22050.0), 1102);
    EXPECT_EQ(historySamplesPerEntry(44100.0), 2205);
    EXPECT_EQ(historySamplesPerEntry(48000.0), 2400);
    EXPECT_EQ(historySamplesPerEntry(96000.0), 4800);
    EXPECT_EQ(historySamplesPerEntry(19.9), 0);
    // Rates that are not positive numbers behave like tiny rates.
    EXPECT_EQ(historySamplesPerEntry(-44100.0), 0);
    EXPECT_EQ(historySamplesPerEntry(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(historySamplesPerEntry(1e300), 2147483647);

    ZHistory h;
    EXPECT_EQ(h.length, 0);
    h.configure(48000.0);
    EXPECT_EQ(h.length, 300);
    EXPECT_EQ(h.samplesPerEntry, 2400);
    expectEmpty(h);
    // Reconfiguring keeps the arrays and only changes the entry length.
    const std::atomic<double>* arrays = h.inputMin;
    h.configure(96000.0);
    EXPECT_EQ(h.inputMin, arrays);
    EXPECT_EQ(h.samplesPerEntry, 4800);
}

TEST(DspHistory, EntriesCollectBoundsAndWrapAround)
{
    ZHistory h;
    h.configure(44100.0);
    // First entry: 2205 pushes with a known extreme in the middle.
    for (int i = 0; i < 2205; ++i) {
        const double in = i == 1000 ? -0.75 : (i == 1500 ? 0.5 : 0.0);
        const double out = i == 700 ? 0.25 : -0.125;
        h.push(in, out);
        if (i < 2204) {
            ASSERT_EQ(h.entriesWritten.load(), 0) << i;
        }
    }
    EXPECT_EQ(h.entriesWritten.load(), 1);
    EXPECT_EQ(h.writePosition.load(), 1);
    EXPECT_EQ(h.inputMinAt(0), -0.75);
    EXPECT_EQ(h.inputMaxAt(0), 0.5);
    EXPECT_EQ(h.outputMinAt(0), -0.125);
    EXPECT_EQ(h.outputMaxAt(0), 0.25);
    EXPECT_EQ(h.indexBack(0), 0);
    // The running values restart at the single-precision extremes.
    EXPECT_EQ(h.runningInputMin.load(), 3.4028234663852886e38);
    EXPECT_EQ(h.runningInputMax.load(), -3.4028234663852886e38);

    // 299 more entries bring the position back to 0; the next one overwrites
    // the oldest while the counter goes on.
    for (int e = 1; e < 301; ++e) {
        for (int i = 0; i < 2205; ++i) h.push(e * 0.001, -e * 0.001);
        if (e == 299) {
            EXPECT_EQ(h.writePosition.load(), 0);
        }
    }
    EXPECT_EQ(h.entriesWritten.load(), 301);
    EXPECT_EQ(h.writePosition.load(), 1);
    EXPECT_EQ(h.inputMaxAt(0), 300 * 0.001);
    EXPECT_EQ(h.indexBack(0), 0);
    EXPECT_EQ(h.indexBack(1), 299);
    EXPECT_EQ(h.inputMaxAt(h.indexBack(1)), 299 * 0.001);
    EXPECT_EQ(h.outputMinAt(h.indexBack(299)), -1 * 0.001);  // oldest: the second entry
}

TEST(DspHistory, VeryLowRateCompletesAnEntryPerPush)
{
    ZHistory h;
    h.configure(10.0);
    EXPECT_EQ(h.samplesPerEntry, 0);
    h.push(0.5, -0.5);
    h.push(-0.25, 0.125);
    EXPECT_EQ(h.entriesWritten.load(), 2);
    EXPECT_EQ(h.inputMinAt(0), 0.5);
    EXPECT_EQ(h.inputMaxAt(0), 0.5);
    EXPECT_EQ(h.outputMaxAt(1), 0.125);
}

TEST(DspHistory, ClearEmptiesEverything)
{
    ZHistory h;
    h.configure(22050.0);
    for (int i = 0; i < 1102 * 5 + 17; ++i) h.push(0.1 * (i % 7), -0.2);
    EXPECT_EQ(h.entriesWritten.load(), 5);
    h.clear();
    expectEmpty(h);
}

TEST(DspHistory, UnconfiguredRecordIgnoresPushes)
{
    ZHistory h;
    for (int i = 0; i < 10; ++i) h.push(0.5, 0.5);  // 0 samples per entry, no arrays
    EXPECT_EQ(h.length, 0);
    EXPECT_EQ(h.entriesWritten.load(), 0);
    h.clear();
    EXPECT_EQ(h.indexBack(0), 0);
    h.release();
    EXPECT_EQ(h.inputMin, nullptr);
}
