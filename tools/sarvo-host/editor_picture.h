#pragma once
// What the off-screen picture tools share: the host's frame window the editor opens in, and the PNG
// writer for the finished surface.
#include <cstdint>
#include <string>

#include "frame_window.h"

// Writes 0x00RRGGBB pixels as an 8-bit RGB PNG; false with a message on failure.
bool writePng(const std::string& path, const uint32_t* pixels, int32_t width, int32_t height, std::string& message);
