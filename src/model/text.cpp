#include "model/text.h"

#include <cctype>

void copyText(char* dst, const char* src, std::size_t size)
{
    if (!dst || size == 0) return;
    std::size_t i = 0;
    if (src) {
        for (; i + 1 < size && src[i]; ++i) dst[i] = src[i];
    }
    dst[i] = 0;
}

bool sameTextIgnoringCase(const char* a, const char* b)
{
    if (!a || !b) return false;
    for (;; ++a, ++b) {
        const int ca = std::tolower(static_cast<unsigned char>(*a));
        const int cb = std::tolower(static_cast<unsigned char>(*b));
        if (ca != cb) return false;
        if (ca == 0) return true;
    }
}
