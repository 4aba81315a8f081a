#include "skin_resources/skin_reader.h"

#include "platform/platform.h"

#include <cstdint>
#include <cstring>

// ------------------------------------------------------------------ ZResourceStream

ZResourceStream::ZResourceStream(const char* type, const char* name)
{
    platform::ResourceView view;
    if (platform::findResource(type, name, view) && view.data && view.size > 0) {
        begin_ = current_ = view.data;
        end_ = view.data + view.size;
    }
}

ZResourceStream::ZResourceStream(const void* data, std::size_t size)
{
    if (data && size > 0) {
        begin_ = current_ = static_cast<const unsigned char*>(data);
        end_ = begin_ + size;
    }
}

std::size_t ZResourceStream::read(void* buffer, std::size_t n)
{
    if (!begin_ || !buffer) return 0;
    const std::size_t left = static_cast<std::size_t>(end_ - current_);
    const std::size_t count = n < left ? n : left;
    if (count > 0) std::memcpy(buffer, current_, count);
    current_ += count;
    return count;
}

// ------------------------------------------------------------------ ZFileStream

ZFileStream::~ZFileStream() { close(); }

bool ZFileStream::open(const std::string& path)
{
    close();
    file_ = std::fopen(path.c_str(), "rb");
    return file_ != nullptr;
}

void ZFileStream::close()
{
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

std::size_t ZFileStream::read(void* buffer, std::size_t n)
{
    if (!file_ || !buffer) return 0;
    return std::fread(buffer, 1, n, file_);
}

// ------------------------------------------------------------------ ZLineReader

ZLineReader::ZLineReader(ZStream* source) : source_(source)
{
    line_[0] = 0;
    for (const char*& t : tokens_) t = nullptr;
}

bool ZLineReader::fill()
{
    if (blockCurrent_ < blockEnd_) return true;
    if (endOfText_) return false;
    std::size_t got = 0;
    if (source_ && source_->isOpen()) got = source_->read(block_, kBlockSize);
    if (got == 0 || got > kBlockSize) {
        endOfText_ = true;
        blockBegin_ = blockCurrent_ = blockEnd_ = 0;
        return false;
    }
    bytesRead_ += got;
    blockBegin_ = blockCurrent_ = 0;
    blockEnd_ = got;
    return true;
}

bool ZLineReader::readLine()
{
    line_[0] = 0;
    tokenCount_ = 0;
    tooManyTokens_ = false;
    if (endOfText_ && blockCurrent_ >= blockEnd_) return false;
    lineNumber_ = breaks_ < INT32_MAX ? breaks_ + 1 : INT32_MAX;

    std::size_t length = 0;
    while (length < kMaxLineLength && fill()) {
        const char c = block_[blockCurrent_];
        if (c == '\r' || c == '\n') break;
        line_[length++] = c;
        ++blockCurrent_;
    }
    line_[length] = 0;
    const bool endedInLine = blockCurrent_ >= blockEnd_ && endOfText_;

    // Line breaks after the line, however many, belong to it.
    bool sawBreak = false;
    bool afterCr = false;
    while (fill()) {
        const char c = block_[blockCurrent_];
        if (c != '\r' && c != '\n') break;
        if (!(c == '\n' && afterCr) && breaks_ < INT32_MAX) ++breaks_;
        afterCr = c == '\r';
        sawBreak = true;
        ++blockCurrent_;
    }
    // An exhausted text gives no further (empty) line.
    return length > 0 || sawBreak || !endedInLine;
}

int32_t ZLineReader::tokenize()
{
    tokenCount_ = 0;
    tooManyTokens_ = false;
    char* p = line_;
    if (char* hash = std::strchr(p, '#')) *hash = 0;

    for (;;) {
        while (*p == ' ' || *p == '\t') ++p;
        if (*p == 0) break;
        char* start;
        if (*p == '"') {
            start = ++p;
            while (*p != 0 && *p != '"') ++p;
        } else {
            start = p;
            while (*p != 0 && *p != ' ' && *p != '\t') ++p;
        }
        const bool atEnd = *p == 0;
        *p = 0;
        if (tokenCount_ < kMaxTokens)
            tokens_[tokenCount_++] = start;
        else
            tooManyTokens_ = true;
        if (atEnd) break;
        ++p;
    }
    return tokenCount_;
}
