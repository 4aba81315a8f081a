#include "model/formatters.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

namespace {

// Copies `src` into text, at most maxLen characters, terminates the copy and stores a zero at
// text[maxLen] (the caller's buffer holds maxLen + 1 bytes).
void putText(char* text, int maxLen, const char* src)
{
    if (!text || maxLen < 0) return;
    std::size_t len = std::strlen(src);
    if (len > static_cast<std::size_t>(maxLen)) len = static_cast<std::size_t>(maxLen);
    std::memcpy(text, src, len);
    text[len] = '\0';
    text[maxLen] = '\0';
}

// Bounded copy into a buffer of `size` bytes (terminator included).
void copyBounded(char* text, int size, const char* src)
{
    if (!text || size <= 0) return;
    std::size_t len = std::strlen(src);
    if (len > static_cast<std::size_t>(size - 1)) len = static_cast<std::size_t>(size - 1);
    std::memcpy(text, src, len);
    text[len] = '\0';
}

const char kHuge[] = "Huge!";

}  // namespace

void formatNumberText(int decimals, double value, char* text, int size)
{
    if (!text || size <= 0) return;
    if (value == -std::numeric_limits<double>::infinity()) {
        copyBounded(text, size, "-Inf");
        return;
    }
    if (value == std::numeric_limits<double>::infinity()) {
        copyBounded(text, size, "Inf");
        return;
    }
    if (std::isnan(value)) {
        copyBounded(text, size, "NaN");
        return;
    }
    if (decimals < 0) decimals = 0;
    if (decimals > 20) decimals = 20;
    char format[16];
    std::snprintf(format, sizeof format, "%%.%df", decimals);
    std::snprintf(text, static_cast<std::size_t>(size), format, value);
}

void formatFloat(float value, char* text, int maxLen)
{
    double v = value;
    if (std::isnan(v)) {
        putText(text, maxLen, "NaN");
        return;
    }
    const bool negative = v < 0.0;
    if (negative) v = -v;
    if (v > (negative ? 9999999.0 : 99999999.0)) {
        putText(text, maxLen, kHuge);
        return;
    }

    const int kWidth = 8;  // characters in all, sign and point included
    char out[kWidth + 1];
    int pos = 0;
    if (negative) out[pos++] = '-';

    const double whole = std::floor(v);
    std::uint32_t integer = static_cast<std::uint32_t>(whole);
    char digits[12];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + integer % 10);
        integer /= 10;
    } while (integer != 0);
    // Digits that do not fit before the point are dropped from the front.
    const int room = kWidth - pos - 1;
    const int keep = count < room ? count : room;
    for (int i = keep - 1; i >= 0; --i) out[pos++] = digits[i];
    out[pos++] = '.';

    const int fractionDigits = kWidth - pos;
    if (fractionDigits > 0) {
        std::uint64_t scale = 1;
        for (int i = 0; i < fractionDigits; ++i) scale *= 10;
        // Each digit truncated: the fraction scaled once and cut, then spelled with leading zeros.
        double scaled = std::floor((v - whole) * static_cast<double>(scale));
        std::uint64_t fraction = scaled <= 0.0 ? 0 : static_cast<std::uint64_t>(scaled);
        if (fraction >= scale) fraction = scale - 1;
        for (int i = fractionDigits - 1; i >= 0; --i) {
            out[pos + i] = static_cast<char>('0' + fraction % 10);
            fraction /= 10;
        }
        pos += fractionDigits;
    }
    out[pos] = '\0';
    putText(text, maxLen, out);
}

void formatDecibels(float amplitude, char* text, int maxLen)
{
    if (amplitude <= 0.0f) {
        putText(text, maxLen, "-oo");
        return;
    }
    formatFloat(static_cast<float>(20.0 * std::log10(static_cast<double>(amplitude))), text, maxLen);
}

void formatHertz(float samples, float sampleRate, char* text, int maxLen)
{
    if (samples == 0.0f)
        formatFloat(0.0f, text, maxLen);
    else
        formatFloat(sampleRate / samples, text, maxLen);
}

void formatMilliseconds(float samples, float sampleRate, char* text, int maxLen)
{
    formatFloat(static_cast<float>(static_cast<double>(samples) * 1000.0 / sampleRate), text, maxLen);
}

void formatInteger(float value, char* text, int maxLen)
{
    double v = value;
    if (!(v < 100000000.0)) {  // also NaN and plus infinity
        putText(text, maxLen, kHuge);
        return;
    }
    char out[32];
    int pos = 0;
    if (v < 0.0) {
        out[pos++] = '-';
        v = -v;
        if (!(v < 1.0e19)) {  // minus infinity and beyond what 64 bits hold
            putText(text, maxLen, kHuge);
            return;
        }
    }
    std::uint64_t n = static_cast<std::uint64_t>(v);
    char digits[24];
    int count = 0;
    while (n != 0) {  // no digit at all for 0
        digits[count++] = static_cast<char>('0' + n % 10);
        n /= 10;
    }
    while (count > 0) out[pos++] = digits[--count];
    out[pos] = '\0';
    putText(text, maxLen, out);
}
