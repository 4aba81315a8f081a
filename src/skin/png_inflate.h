// Raw DEFLATE (RFC 1951) decoder used by the PNG decoder.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pngdetail {

// Bytes the output area must have beyond outSize: back-references are copied
// in 8-byte steps and may write up to this many bytes past their end.
constexpr size_t kInflateSlack = 16;

// Inflates the DEFLATE stream in[0 .. inSize) into out[0 .. outSize). The
// output area must be writable up to outSize + kInflateSlack. Bytes from
// *produced on are undefined afterwards (the caller clears what it needs).
// Returns 0 or a PngStatusCode; *produced is set in both cases.
int32_t inflateStream(const uint8_t* in, size_t inSize, uint8_t* out, size_t outSize, size_t* produced);

}  // namespace pngdetail
