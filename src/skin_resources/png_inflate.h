// Raw DEFLATE (RFC 1951) decoder used by the PNG decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace pngdetail {

// Bytes the output area must have beyond outSize: back-references are copied
// in 8-byte steps and may write up to this many bytes past their end.
constexpr size_t kInflateSlack = 16;

// Bytes a run may write beyond its stopping point: the longest back-reference
// (258 bytes) and the slack of its copy.
constexpr size_t kInflateOvershoot = 258 + kInflateSlack;

// The farthest back a back-reference reaches: the history an output window
// must keep when it moves on.
constexpr size_t kInflateHistory = 32768;

// One piece of the compressed stream, in place in the file (the data of one
// IDAT chunk).
struct InputPiece {
    const uint8_t* data;
    size_t size;
};

struct DynamicTables;
struct HuffTable;

// Inflates one DEFLATE stream piece by piece into a window of the output
// that the caller moves on between pieces. Positions are counted from the
// start of the output; the stream may produce at most outSize bytes (more
// fails with the overrun statuses).
class Inflater {
public:
    // The stream is the pieces one after the other, less its first `skip`
    // bytes; the pieces' bytes must stay put while inflating.
    Inflater(const InputPiece* pieces, size_t pieceCount, size_t skip, size_t outSize);
    ~Inflater();
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Inflates into `window`, whose byte 0 is output position `base`, until
    // the stream ends, fails, or the output reaches position `stop` (checked
    // between codes and blocks, so up to kInflateOvershoot bytes more may be
    // written: the window must be writable up to stop - base +
    // kInflateOvershoot). The window must hold the kInflateHistory bytes
    // before produced() (all of them when fewer were produced). Returns 0 or
    // a PngStatusCode; after a failure nothing more is inflated.
    int32_t run(uint8_t* window, size_t base, size_t stop);

    // The stream's last block has ended (or the stream failed).
    bool finished() const { return finished_; }
    // Output bytes produced so far; bytes beyond are undefined.
    size_t produced() const { return pos_; }

private:
    enum class Mode { BlockStart, Huffman, Stored };

    const uint8_t* next_ = nullptr;  // the rest of the current piece
    const uint8_t* end_ = nullptr;
    const InputPiece* piece_;  // the pieces after it
    const InputPiece* pieceEnd_;
    size_t later_ = 0;  // their bytes
    uint64_t bits_ = 0;
    unsigned count_ = 0;
    size_t outSize_;
    size_t pos_ = 0;
    Mode mode_ = Mode::BlockStart;
    bool final_ = false;
    bool finished_ = false;
    uint32_t storedLeft_ = 0;
    const HuffTable* literal_ = nullptr;  // the current block's tables
    const HuffTable* distance_ = nullptr;
    size_t blockLiterals_ = 0;  // literals of the current dynamic block before its pair table
    std::unique_ptr<DynamicTables> dynamic_;
};

}  // namespace pngdetail
