#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model_sarvo_fixture.h"

namespace {

// Reads a little-endian double out of chunk bytes.
double readDouble(const unsigned char* at)
{
    std::uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

void writeDouble(unsigned char* at, double v)
{
    std::uint64_t bits;
    std::memcpy(&bits, &v, sizeof v);
    for (int i = 0; i < 8; ++i) at[i] = static_cast<unsigned char>(bits >> (8 * i));
}

class ModelProgramStore : public ::testing::Test, public SarvoModel {
protected:
    std::string display(int program, int index)
    {
        char text[32];
        store.copyParamDisplay(program, index, text);
        return text;
    }
};

}  // namespace

TEST_F(ModelProgramStore, FreshStoreReportsTheDefinitions)
{
    const char* texts[] = {"0.0", "100", "0", "Off"};
    const char* displays[] = {"0.0 dB", "100 %", "0 %", "Off"};
    const float values[] = {0.0f, 1.0f, 0.0f, 0.0f};
    for (int p = 0; p < 10; ++p) {
        EXPECT_EQ(programName(p), "Defaults");
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(static_cast<float>(store.value(p, i)), values[i]);
            EXPECT_STREQ(store.valueText(p, i), texts[i]);
            EXPECT_STREQ(store.displayText(p, i), displays[i]);
        }
    }
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(display(0, i), texts[i]);
        EXPECT_EQ(store.parameter(i), params[i]);
    }
    EXPECT_EQ(store.programCount(), 10);
    EXPECT_EQ(store.parameterCount(), 4);
}

TEST_F(ModelProgramStore, BankLayout)
{
    EXPECT_EQ(store.recordSize(), 57);
    EXPECT_EQ(store.totalSize(), 570);
    EXPECT_EQ(store.cellCount(), 40);
    const int offsets[] = {25, 33, 41, 49};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(store.valueOffset(i), offsets[i]);

    store.setValue(2, kGain, 0.25);
    store.setValue(9, kOversmp, 1.0);
    const std::vector<unsigned char> saved = bank();
    ASSERT_EQ(saved.size(), 570u);
    for (int p = 0; p < 10; ++p) {
        const unsigned char* rec = saved.data() + 57 * p;
        EXPECT_EQ(std::memcmp(rec, "Defaults", 9), 0);
        EXPECT_EQ(readDouble(rec + 25), p == 2 ? 0.25 : 0.0);
        EXPECT_EQ(readDouble(rec + 33), 1.0);
        EXPECT_EQ(readDouble(rec + 41), 0.0);
        EXPECT_EQ(readDouble(rec + 49), p == 9 ? 1.0 : 0.0);
    }
    // 1.0 as little-endian bytes.
    const unsigned char one[8] = {0, 0, 0, 0, 0, 0, 0xF0, 0x3F};
    EXPECT_EQ(std::memcmp(saved.data() + 33, one, 8), 0);

    void* bankData = nullptr;
    void* preset = nullptr;
    store.getChunk(0, &bankData, false);
    EXPECT_EQ(store.getChunk(3, &preset, true), 57);
    EXPECT_EQ(static_cast<unsigned char*>(preset), static_cast<unsigned char*>(bankData) + 3 * 57);
}

TEST_F(ModelProgramStore, ProgramsKeepTheirOwnValuesAndTexts)
{
    ASSERT_TRUE(store.setValue(0, kGain, 0.5));
    EXPECT_STREQ(store.valueText(0, kGain), "6.0");
    EXPECT_STREQ(store.displayText(0, kGain), "6.0 dB");
    EXPECT_EQ(store.value(1, kGain), 0.0f);
    EXPECT_STREQ(store.valueText(1, kGain), "0.0");
    EXPECT_EQ(display(1, kGain), "0.0");
    EXPECT_EQ(store.value(0, kGain), 0.5f);
    EXPECT_EQ(display(0, kGain), "6.0");

    ASSERT_TRUE(store.setValueText(1, kClip, "42"));
    EXPECT_STREQ(store.displayText(1, kClip), "42 %");
    EXPECT_STREQ(store.displayText(0, kClip), "100 %");
    EXPECT_DOUBLE_EQ(params[kClip]->displayValue(*store.valueRef(1, kClip)), 42.0);
    EXPECT_TRUE(store.validProgram(9));
    EXPECT_FALSE(store.validProgram(10));
    EXPECT_FALSE(store.validProgram(-1));
}

TEST_F(ModelProgramStore, ProgramNamesAreCutAt24AndKeepTrailingBytes)
{
    ASSERT_TRUE(store.setProgramName(4, "ABCDEFGHIJKLMNOPQRSTUVWXYZ1234"));
    EXPECT_EQ(programName(4), "ABCDEFGHIJKLMNOPQRSTUVWX");
    store.setProgramName(4, "ab");
    EXPECT_EQ(programName(4), "ab");
    const std::vector<unsigned char> saved = bank();
    const unsigned char* rec = saved.data() + 4 * 57;
    EXPECT_EQ(rec[2], 0);
    EXPECT_EQ(rec[3], 'D');  // left from the longer name
    EXPECT_EQ(rec[24], 0);

    // An unterminated name of 24 characters is read no further.
    const std::vector<char> raw(24, 'n');
    store.setProgramName(5, raw.data());
    EXPECT_EQ(programName(5), std::string(24, 'n'));
}

TEST_F(ModelProgramStore, BankTransferBetweenStores)
{
    store.setValue(0, kGain, 0.123);
    store.setValue(3, kSoftness, 0.37);
    store.setValue(7, kOversmp, 1.0);
    store.setProgramName(3, "Loud");
    const std::vector<unsigned char> saved = bank();

    SarvoModel other;
    EXPECT_EQ(other.store.setChunk(0, saved.data(), static_cast<int>(saved.size()), false), 570);
    for (int p = 0; p < 10; ++p)
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(other.store.value(p, i), store.value(p, i));
            EXPECT_STREQ(other.store.displayText(p, i), store.displayText(p, i));
        }
    char text[32];
    other.store.copyProgramName(3, text);
    EXPECT_STREQ(text, "Loud");
    EXPECT_STREQ(other.store.valueText(0, kGain), "1.5");
    EXPECT_STREQ(other.store.valueText(7, kOversmp), "On");
    EXPECT_EQ(other.bank(), saved);
}

TEST_F(ModelProgramStore, PresetChunkGoesIntoOneProgram)
{
    store.setValue(2, kClip, 0.5);
    store.setProgramName(2, "Half");
    void* data = nullptr;
    ASSERT_EQ(store.getChunk(2, &data, true), 57);
    const std::vector<unsigned char> preset(static_cast<unsigned char*>(data), static_cast<unsigned char*>(data) + 57);

    SarvoModel other;
    EXPECT_EQ(other.store.setChunk(6, preset.data(), 57, true), 57);
    EXPECT_EQ(other.store.value(6, kClip), 0.5);
    EXPECT_STREQ(other.store.displayText(6, kClip), "50 %");
    char text[32];
    other.store.copyProgramName(6, text);
    EXPECT_STREQ(text, "Half");
    EXPECT_EQ(other.store.value(2, kClip), 1.0);  // other programs untouched
}

TEST_F(ModelProgramStore, ShortOrMissingChunksAreRefused)
{
    std::vector<unsigned char> saved = bank();
    for (unsigned char& b : saved) b = 0;
    EXPECT_EQ(store.setChunk(0, saved.data(), 569, false), 0);
    EXPECT_EQ(store.setChunk(0, saved.data(), 56, true), 0);
    EXPECT_EQ(store.setChunk(0, saved.data(), -1, false), 0);
    EXPECT_EQ(store.setChunk(0, nullptr, 570, false), 0);
    EXPECT_EQ(store.setChunk(10, saved.data(), 57, true), 0);
    EXPECT_EQ(store.setChunk(-1, saved.data(), 57, true), 0);
    EXPECT_EQ(store.value(0, kClip), 1.0);  // nothing was taken
    EXPECT_EQ(programName(0), "Defaults");

    // A larger buffer: only the expected bytes are taken.
    std::vector<unsigned char> big(1000, 0xEE);
    std::memcpy(big.data(), bank().data(), 570);
    writeDouble(big.data() + 33, 0.75);
    EXPECT_EQ(store.setChunk(0, big.data(), 1000, false), 570);
    EXPECT_EQ(store.value(0, kClip), 0.75);
    EXPECT_EQ(store.setChunk(1, big.data(), 1000, true), 57);
    EXPECT_EQ(store.value(1, kClip), 0.75);

    void* data = nullptr;
    EXPECT_EQ(store.getChunk(0, nullptr, false), 0);
    EXPECT_EQ(store.getChunk(10, &data, true), 0);
    EXPECT_EQ(data, nullptr);
}

TEST_F(ModelProgramStore, NonFiniteChunkValuesBecomeDefaults)
{
    std::vector<unsigned char> saved = bank();
    writeDouble(saved.data() + 25, std::numeric_limits<double>::quiet_NaN());
    writeDouble(saved.data() + 33, std::numeric_limits<double>::infinity());
    writeDouble(saved.data() + 41, 0.3);
    writeDouble(saved.data() + 57 + 25, 2.0);  // finite, outside 0..1: kept
    writeDouble(saved.data() + 57 + 33, -std::numeric_limits<double>::infinity());
    ASSERT_EQ(store.setChunk(0, saved.data(), 570, false), 570);
    EXPECT_EQ(store.value(0, kGain), 0.0);
    EXPECT_EQ(store.value(0, kClip), 1.0);
    EXPECT_EQ(store.value(0, kSoftness), 0.3);
    EXPECT_EQ(store.value(1, kGain), 2.0);
    EXPECT_STREQ(store.valueText(1, kGain), "24.0");
    EXPECT_EQ(store.value(1, kClip), 1.0);
    EXPECT_EQ(readDouble(bank().data() + 25), 0.0);  // the next chunk carries the mended value

    store.setValue(0, kSoftness, std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(store.value(0, kSoftness), 0.0);
    store.setValue(0, kGain, -0.5);
    EXPECT_EQ(store.value(0, kGain), -0.5);
}

TEST_F(ModelProgramStore, UnterminatedNameInChunkIsCut)
{
    std::vector<unsigned char> saved = bank();
    std::memset(saved.data(), 'x', 25);  // no terminator in the name field
    ASSERT_EQ(store.setChunk(0, saved.data(), 570, false), 570);
    EXPECT_EQ(programName(0), std::string(24, 'x'));
}

TEST_F(ModelProgramStore, BadIndicesAndNullPointers)
{
    char text[64];
    std::strcpy(text, "junk");
    EXPECT_FALSE(store.copyProgramName(10, text));
    EXPECT_STREQ(text, "");
    std::strcpy(text, "junk");
    EXPECT_FALSE(store.copyProgramName(-1, text));
    EXPECT_STREQ(text, "");
    EXPECT_FALSE(store.copyProgramName(0, nullptr));
    EXPECT_FALSE(store.setProgramName(10, "x"));
    EXPECT_FALSE(store.setProgramName(0, nullptr));
    EXPECT_EQ(programName(0), "Defaults");

    EXPECT_FALSE(store.setValue(0, 4, 0.5));
    EXPECT_FALSE(store.setValue(0, -1, 0.5));
    EXPECT_FALSE(store.setValue(10, 0, 0.5));
    EXPECT_FALSE(store.setValueText(0, 4, "1"));
    EXPECT_FALSE(store.setValueText(0, 0, nullptr));
    EXPECT_EQ(store.value(0, 4), 0.0f);
    EXPECT_EQ(store.value(-3, 0), 0.0f);
    EXPECT_EQ(store.valueRef(0, 4), nullptr);
    EXPECT_EQ(store.parameter(4), nullptr);
    EXPECT_EQ(store.valueOffset(4), -1);
    EXPECT_STREQ(store.valueText(0, 4), "");
    EXPECT_STREQ(store.displayText(11, 0), "");
    std::strcpy(text, "junk");
    store.copyParamDisplay(0, 4, text);
    EXPECT_STREQ(text, "");
    std::strcpy(text, "junk");
    store.copyParamDisplay(10, 0, text);
    EXPECT_STREQ(text, "");
    store.copyParamDisplay(0, 0, nullptr);
    store.refreshTexts(4, 0);
    store.refreshTexts(0, 10);

    EXPECT_FALSE(store.copyProgram(0, 10));
    EXPECT_FALSE(store.copyProgram(-1, 0));
}

TEST_F(ModelProgramStore, CopyProgramCopiesNameValuesAndTexts)
{
    store.setValue(0, kGain, 1.0);
    store.setProgramName(0, "Source");
    ASSERT_TRUE(store.copyProgram(0, 5));
    EXPECT_EQ(store.value(5, kGain), 1.0);
    EXPECT_STREQ(store.displayText(5, kGain), "12.0 dB");
    EXPECT_EQ(programName(5), "Source");
    EXPECT_TRUE(store.copyProgram(5, 5));
}

TEST(ModelProgramStoreDisplay, LongValueTextIsCutWithDots)
{
    ZRangeParameter wide;
    wide.setName("Wide");
    wide.setRange(0.0, 1099511627776.0);  // 2^40: every product below is exact
    wide.setDecimals(20);
    ZProgramStore store;
    store.build(1, {&wide});
    store.setValue(0, 0, 1.0);
    EXPECT_STREQ(store.valueText(0, 0), "1099511627776.00000000000000000000");  // 34 characters

    char text[40];
    std::memset(text, '#', sizeof text);
    store.copyParamDisplay(0, 0, text);
    EXPECT_STREQ(text, "1099511627776.00000000000000...");
    EXPECT_EQ(text[32], '#');  // 32 bytes at most

    store.setValue(0, 0, 1.0 / 64);  // 2^34 = 17179869184: 11 + 1 + 20 = 32 characters
    store.copyParamDisplay(0, 0, text);
    EXPECT_STREQ(text, "17179869184.0000000000000000...");
    store.setValue(0, 0, 1.0 / 1024);  // 2^30: 31 characters pass unchanged
    store.copyParamDisplay(0, 0, text);
    EXPECT_STREQ(text, "1073741824.00000000000000000000");
}

namespace {

// Texts that fill the whole cache cell with one letter chosen by the value: 'A' for 0 and 'B' for 1
// (lower case for the display text). A text put together from two writes shows both letters.
class LetterParameter : public ZRangeParameter {
public:
    void valueText(char* text, int size, const ZValueSlot& ref) const override { fill(text, size, 'A', ref); }
    void displayText(char* text, int size, const ZValueSlot& ref) const override { fill(text, size, 'a', ref); }

private:
    void fill(char* text, int size, char first, const ZValueSlot& ref) const
    {
        std::memset(text, first + (value(ref) > 0.5 ? 1 : 0), static_cast<std::size_t>(size - 1));
        text[size - 1] = '\0';
    }
};

// The letter a whole text of `first`'s pair is made of, or 0 for a text that is not whole.
char wholeLetter(const char* text, char first)
{
    const std::size_t length = std::strlen(text);
    if (length != static_cast<std::size_t>(ZProgramStore::kTextSize - 1)) return 0;
    if (text[0] != first && text[0] != first + 1) return 0;
    for (std::size_t i = 1; i < length; ++i)
        if (text[i] != text[0]) return 0;
    return text[0];
}

}  // namespace

// A host's editor thread reads the cached texts while its automation thread changes the value. The
// two start together; the reader goes on for a good number of reads and until it has seen the texts
// change many times (the reads overlapped the writes), and every text it read must be one the writer
// wrote whole.
TEST(ModelProgramStoreDisplay, TextsAreReadWholeWhileAnotherThreadWrites)
{
    LetterParameter letters;
    letters.setName("Letters");
    ZProgramStore store;
    store.build(1, {&letters});
    ASSERT_EQ(wholeLetter(store.valueText(0, 0), 'A'), 'A');

    constexpr long kChangesWanted = 3000;
    constexpr long kMinReads = 500000;
    constexpr long kMaxReads = 50000000;
    std::atomic<int> started{0};
    std::atomic<bool> readerDone{false};
    auto startTogether = [&] {
        started.fetch_add(1);
        while (started.load() < 2) {
        }
    };
    std::thread writer([&] {
        startTogether();
        for (long n = 0; !readerDone.load(std::memory_order_relaxed); ++n) {
            store.setValue(0, 0, (n & 1) ? 0.0 : 1.0);
            // A pause between writes, about as long as one, so that whole reads get through too.
            for (int i = 0; i < 256 && !readerDone.load(std::memory_order_relaxed); ++i) {
            }
        }
    });
    startTogether();
    long reads = 0, changes = 0, torn = 0;
    char last = 'A';
    std::string tornExample;
    for (; reads < kMaxReads && (changes < kChangesWanted || reads < kMinReads); ++reads) {
        const bool display = (reads & 1) != 0;
        const ZCellText text = display ? store.displayText(0, 0) : store.valueText(0, 0);
        const char letter = wholeLetter(text, display ? 'a' : 'A');
        if (letter == 0) {
            if (torn++ == 0) tornExample = text.c_str();
            continue;
        }
        const char upper = display ? static_cast<char>(letter - 'a' + 'A') : letter;
        if (upper != last) ++changes;
        last = upper;
    }
    readerDone = true;
    writer.join();
    EXPECT_EQ(torn, 0) << "first torn text: " << tornExample;
    EXPECT_GE(changes, kChangesWanted) << "the reads did not overlap the writes (" << reads << " reads)";
}
