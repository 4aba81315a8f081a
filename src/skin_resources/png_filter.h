// PNG scanline filters (filter method 0), undone.
#pragma once

#include <cstddef>
#include <cstdint>

namespace pngdetail {

// Undoes filter `type` (0 None, 1 Sub, 2 Up, 3 Average, 4 Paeth; the caller
// has checked it is at most 4) on the `length` bytes at `filtered`, writing
// the line to `line` (another place). `above` is the previous line of the
// same pass, already unfiltered, or null for the first line (a line of
// zeros). `bytesPerPixel` is 1 to 8.
void unfilterRow(unsigned type, uint8_t* line, const uint8_t* filtered, const uint8_t* above, size_t length,
                 unsigned bytesPerPixel);

}  // namespace pngdetail
