// The skin's line reader and tokenizer: blocks, line lengths, line breaks, comments and quotes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "skin_resources/skin_reader.h"
#include "support/test_paths.h"

namespace {

// Every line the reader delivers, untokenized.
std::vector<std::string> linesOf(const std::string& text)
{
    ZResourceStream source(text.data(), text.size());
    ZLineReader reader(&source);
    std::vector<std::string> lines;
    while (reader.readLine()) lines.push_back(reader.line());
    return lines;
}

std::vector<std::string> tokensOf(const std::string& line)
{
    ZResourceStream source(line.data(), line.size());
    ZLineReader reader(&source);
    std::vector<std::string> tokens;
    if (!reader.readLine()) return tokens;
    const int n = reader.tokenize();
    for (int i = 0; i < n; ++i) tokens.push_back(reader.token(i));
    return tokens;
}

// A stream that hands out its text a few bytes per read.
class TrickleStream : public ZStream {
public:
    TrickleStream(std::string text, size_t step) : text_(std::move(text)), step_(step) {}
    bool isOpen() const override { return true; }
    size_t read(void* buffer, size_t n) override
    {
        const size_t count = std::min({n, step_, text_.size() - pos_});
        std::memcpy(buffer, text_.data() + pos_, count);
        pos_ += count;
        return count;
    }

private:
    std::string text_;
    size_t step_;
    size_t pos_ = 0;
};

using Lines = std::vector<std::string>;

}  // namespace

TEST(SkinReader, LineBreaksOfEveryKindGiveNoEmptyLines)
{
    EXPECT_EQ(linesOf("a\r\nb\nc\rd"), (Lines{"a", "b", "c", "d"}));
    EXPECT_EQ(linesOf("a\r\n\r\n\n\r\rb\r\n"), (Lines{"a", "b"}));
    // Leading breaks still end an (empty) first line, which has no tokens.
    EXPECT_EQ(linesOf("\r\nx"), (Lines{"", "x"}));
    EXPECT_EQ(linesOf("last line without break"), (Lines{"last line without break"}));
}

TEST(SkinReader, EmptyOrMissingTextGivesNoLine)
{
    EXPECT_TRUE(linesOf("").empty());
    ZResourceStream missing("SKIN_FILE", "NO_SUCH_RESOURCE");
    EXPECT_FALSE(missing.isOpen());
    ZLineReader reader(&missing);
    EXPECT_FALSE(reader.readLine());
    ZLineReader noSource(nullptr);
    EXPECT_FALSE(noSource.readLine());
}

TEST(SkinReader, LongLinesAreCutAt255Characters)
{
    const std::string a(300, 'a');
    EXPECT_EQ(linesOf(a + "\r\nz"), (Lines{std::string(255, 'a'), std::string(45, 'a'), "z"}));
    EXPECT_EQ(linesOf(std::string(255, 'b')), (Lines{std::string(255, 'b')}));
    EXPECT_EQ(linesOf(std::string(255, 'b') + "\n"), (Lines{std::string(255, 'b')}));
    EXPECT_EQ(linesOf(std::string(256, 'b')), (Lines{std::string(255, 'b'), "b"}));
}

TEST(SkinReader, LinesRunAcrossBlocksAndShortReads)
{
    // A CR LF pair split by the 2048-byte block boundary, and a line spanning the boundary.
    const std::string text = std::string(200, 'p') + "\r\n" + std::string(1845, 'q') + "\r\nrest of line";
    ASSERT_EQ(text.find("\n", 203), 2048u);
    const Lines lines = linesOf(text);
    ASSERT_EQ(lines.size(), 10u);  // 200, 7 x 255 + 60, the rest
    EXPECT_EQ(lines[0], std::string(200, 'p'));
    EXPECT_EQ(lines[8], std::string(60, 'q'));
    EXPECT_EQ(lines[9], "rest of line");

    const std::string skin = "Set Width 10\r\n\r\nSet Height 20\r\n";
    TrickleStream trickle(skin, 3);
    ZLineReader reader(&trickle);
    Lines got;
    while (reader.readLine()) got.push_back(reader.line());
    EXPECT_EQ(got, (Lines{"Set Width 10", "Set Height 20"}));
    EXPECT_EQ(reader.bytesRead(), skin.size());
}

TEST(SkinReader, TokensAreSeparatedBySpacesAndTabsOnly)
{
    EXPECT_EQ(tokensOf("  Set\tWidth  402  "), (Lines{"Set", "Width", "402"}));
    EXPECT_EQ(tokensOf("a,b;c\vd"), (Lines{"a,b;c\vd"}));
    EXPECT_TRUE(tokensOf("   \t ").empty());
}

TEST(SkinReader, QuotedTokens)
{
    EXPECT_EQ(tokensOf("ZTextSwitch \"2x Oversample\" font"), (Lines{"ZTextSwitch", "2x Oversample", "font"}));
    EXPECT_EQ(tokensOf("a \"\" b"), (Lines{"a", "", "b"}));
    EXPECT_EQ(tokensOf("\"open quote runs to the end"), (Lines{"open quote runs to the end"}));
    EXPECT_EQ(tokensOf("\"ab\"cd"), (Lines{"ab", "cd"}));
    EXPECT_EQ(tokensOf("ab\"cd\" e"), (Lines{"ab\"cd\"", "e"}));
}

TEST(SkinReader, HashStartsACommentEvenInsideQuotes)
{
    EXPECT_EQ(tokensOf("Set Width 402 # the window"), (Lines{"Set", "Width", "402"}));
    EXPECT_EQ(tokensOf("ZValue \"Gain#1\" font"), (Lines{"ZValue", "Gain"}));
    EXPECT_TRUE(tokensOf("# only a comment").empty());
    EXPECT_EQ(tokensOf("a#b"), (Lines{"a"}));
}

TEST(SkinReader, MoreThan32TokensAreFlagged)
{
    std::string line;
    for (int i = 0; i < 32; ++i) line += "t ";
    ZResourceStream source(line.data(), line.size());
    ZLineReader reader(&source);
    ASSERT_TRUE(reader.readLine());
    EXPECT_EQ(reader.tokenize(), 32);
    EXPECT_FALSE(reader.tooManyTokens());

    const std::string longer = line + "extra";
    ZResourceStream source2(longer.data(), longer.size());
    ZLineReader reader2(&source2);
    ASSERT_TRUE(reader2.readLine());
    EXPECT_EQ(reader2.tokenize(), 32);
    EXPECT_TRUE(reader2.tooManyTokens());
}

TEST(SkinReader, FileStreamReadsAndReopens)
{
    ZFileStream file;
    EXPECT_FALSE(file.isOpen());
    char buffer[8];
    EXPECT_EQ(file.read(buffer, sizeof buffer), 0u);
    EXPECT_FALSE(file.open(scratchDir() + "no-such-dir/metrics.txt"));
    EXPECT_FALSE(file.isOpen());

    const std::string path = scratchDir() + "skin_reader_stream.txt";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("CharHeight 9\r\nCharDefaultWidth 4", f);
    std::fclose(f);
    ASSERT_TRUE(file.open(path));
    ZLineReader reader(&file);
    Lines got;
    while (reader.readLine()) got.push_back(reader.line());
    EXPECT_EQ(got, (Lines{"CharHeight 9", "CharDefaultWidth 4"}));
    // Opening again starts from the beginning of the new file.
    ASSERT_TRUE(file.open(path));
    EXPECT_EQ(file.read(buffer, 5), 5u);
    EXPECT_EQ(std::string(buffer, 5), "CharH");
    file.close();
    EXPECT_FALSE(file.isOpen());
    std::remove(path.c_str());
}
