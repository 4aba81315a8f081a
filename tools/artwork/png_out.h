// Writes PNG files with libpng at the highest zlib compression level.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace art {

// colourType 2 (RGB) or 6 (RGBA); bitDepth 8 or 16 (16-bit samples big-endian). Returns false
// on any failure.
bool writePng(const std::string& path, int width, int height, int colourType, int bitDepth,
              const std::vector<uint8_t>& samples);

}  // namespace art
