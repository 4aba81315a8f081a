#pragma once
#include <cstddef>

// Bounded copy of a zero-terminated text into a field of `size` bytes (cut, always terminated).
void copyText(char* dst, const char* src, std::size_t size);

// Case-insensitive comparison of two whole texts; null never matches.
bool sameTextIgnoringCase(const char* a, const char* b);
