#pragma once
// libpng as the reference decoder of the benchmarks and the unit tests: any PNG to 8-bit RGBA rows,
// the same output our decoder gives (CRC errors are ignored, as ours ignores them). Only built when
// libpng is found.
#include <cstddef>
#include <vector>

bool libpngToRgba(const unsigned char* data, std::size_t size, std::vector<unsigned char>& rgba);
