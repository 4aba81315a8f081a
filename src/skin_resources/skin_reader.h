// Text sources and the line reader / tokenizer shared by the skin parser and the skin-font metrics.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

// Where the line reader's bytes come from.
class ZStream {
public:
    ZStream() = default;
    virtual ~ZStream() = default;
    ZStream(const ZStream&) = delete;
    ZStream& operator=(const ZStream&) = delete;

    virtual bool isOpen() const = 0;
    // Copies up to n bytes into buffer; answers the number delivered, 0 at the end.
    virtual std::size_t read(void* buffer, std::size_t n) = 0;
};

// A read-only view of bytes: a module resource, or any memory that outlives the stream.
class ZResourceStream : public ZStream {
public:
    // Opens the module resource of that type and name; closed when it is missing or empty.
    ZResourceStream(const char* type, const char* name);
    // A view of bytes in memory; closed when size is 0 or data is null.
    ZResourceStream(const void* data, std::size_t size);

    bool isOpen() const override { return begin_ != nullptr; }
    std::size_t read(void* buffer, std::size_t n) override;

private:
    const unsigned char* begin_ = nullptr;
    const unsigned char* current_ = nullptr;
    const unsigned char* end_ = nullptr;
};

// A file read from the start; closed when it cannot be opened.
class ZFileStream : public ZStream {
public:
    ZFileStream() = default;
    ~ZFileStream() override;

    // Closes any file open before.
    bool open(const std::string& path);
    void close();
    bool isOpen() const override { return file_ != nullptr; }
    std::size_t read(void* buffer, std::size_t n) override;

private:
    std::FILE* file_ = nullptr;
};

// Reads a stream in blocks, line by line, and splits lines into blank-separated tokens.
class ZLineReader {
public:
    static constexpr std::size_t kBlockSize = 2048;
    static constexpr std::size_t kMaxLineLength = 255;
    static constexpr int32_t kMaxTokens = 32;

    explicit ZLineReader(ZStream* source);
    ZLineReader(const ZLineReader&) = delete;
    ZLineReader& operator=(const ZLineReader&) = delete;

    // Fills the line buffer with the next line (at most 255 characters; the rest of a longer line
    // comes as the next line). CR and LF runs end a line and never give empty lines. False once the
    // text is exhausted.
    bool readLine();
    // Splits the current line in place: "#" starts a comment (also inside quotes), spaces and tabs
    // separate tokens, and a double quote starts a token that runs to the next double quote (or the
    // end of the line). Answers the number of tokens.
    int32_t tokenize();

    const char* line() const { return line_; }
    int32_t tokenCount() const { return tokenCount_; }
    const char* token(int32_t i) const { return i >= 0 && i < tokenCount_ ? tokens_[i] : nullptr; }
    const char* const* tokens() const { return tokens_; }
    // True when the last tokenized line had more tokens than the table holds; only the first 32 are
    // in the table then, and callers treat the line as bad.
    bool tooManyTokens() const { return tooManyTokens_; }
    // Total bytes received from the source so far.
    std::size_t bytesRead() const { return bytesRead_; }
    // The number of the text line the current line stands on, from 1 (a CR LF pair, a lone CR and a
    // lone LF each end one line; the rest of an over-long line stands on the same line).
    int32_t lineNumber() const { return lineNumber_; }

private:
    // Makes at least one unread byte available; false at the end of the text.
    bool fill();

    ZStream* source_;
    char block_[kBlockSize];
    std::size_t blockBegin_ = 0;
    std::size_t blockCurrent_ = 0;
    std::size_t blockEnd_ = 0;
    bool endOfText_ = false;
    std::size_t bytesRead_ = 0;
    int32_t lineNumber_ = 0;
    int32_t breaks_ = 0;  // line breaks read so far
    char line_[kMaxLineLength + 1];
    const char* tokens_[kMaxTokens];
    int32_t tokenCount_ = 0;
    bool tooManyTokens_ = false;
};
