#include "model/parameter.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "model/formatters.h"

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// Whole-text comparison ignoring (ASCII) case. It stops at the first difference, so it reads at
// most one character more of `a` than `b` has.
bool equalsIgnoringCase(const char* a, const char* b)
{
    if (!a || !b) return false;
    for (;; ++a, ++b) {
        if (lowerAscii(*a) != lowerAscii(*b)) return false;
        if (*a == '\0') return true;
    }
}

// Copies at most maxChars characters of a possibly unterminated `src` and terminates the copy.
void copyCut(char* dst, const char* src, int maxChars)
{
    if (!dst) return;
    int n = 0;
    if (src)
        while (n < maxChars && src[n] != '\0') {
            dst[n] = src[n];
            ++n;
        }
    dst[n] = '\0';
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// ZParameter

ZParameter::ZParameter()
{
    name_[0] = '\0';
    caption_[0] = '\0';
    unitLabel_[0] = '\0';
}

ZParameter::~ZParameter() = default;

void ZParameter::setName(const char* text) { copyCut(name_, text, kNameSize - 1); }
void ZParameter::setCaption(const char* text) { copyCut(caption_, text, kCaptionSize - 1); }
void ZParameter::setUnitLabel(const char* text) { copyCut(unitLabel_, text, kLabelSize - 1); }

void ZParameter::setDefault(double normalised) { default_ = std::isfinite(normalised) ? normalised : 0.0; }
void ZParameter::setDefaultDisplay(double display) { setDefault(toNormalised(display)); }
double ZParameter::defaultValue() const { return default_; }
void ZParameter::setDecimals(int decimals) { decimals_ = decimals; }
bool ZParameter::acceptsTextEntry() const { return true; }
int ZParameter::valueSize() const { return 8; }

double ZParameter::value(const ZValueSlot& ref) const { return loadValue(ref); }
double ZParameter::knobPosition(const ZValueSlot& ref) const { return quantise(loadValue(ref)); }
double ZParameter::displayValue(const ZValueSlot& ref) const { return toDisplay(loadValue(ref)); }

void ZParameter::displayText(char* text, int size, const ZValueSlot& ref) const
{
    if (!text || size <= 0) return;
    valueText(text, size, ref);
    if (unitLabel_[0] == '\0') return;
    std::size_t len = std::strlen(text);
    const std::size_t room = static_cast<std::size_t>(size) - 1;
    const char* parts[2] = {" ", unitLabel_};
    for (const char* part : parts)
        for (const char* c = part; *c != '\0' && len < room; ++c) text[len++] = *c;
    text[len] = '\0';
}

void ZParameter::store(ZValueSlot& ref, double normalised) const
{
    ref.store(std::isfinite(normalised) ? normalised : default_, std::memory_order_relaxed);
}

void ZParameter::storeDisplay(ZValueSlot& ref, double display) const { store(ref, toNormalised(display)); }
void ZParameter::storeDefault(ZValueSlot& ref) const { store(ref, default_); }
double ZParameter::quantise(double normalised) const { return toNormalised(toDisplay(normalised)); }

void ZParameter::boundedText(char (&out)[kMaxTextLength + 1], const char* text) { copyCut(out, text, kMaxTextLength); }

// ---------------------------------------------------------------------------------------------
// ZRangeParameter

void ZRangeParameter::setRange(double minimum, double maximum)
{
    minimum_ = minimum;
    maximum_ = maximum;
}

void ZRangeParameter::setSteps(int steps) { steps_ = steps; }

double ZRangeParameter::toDisplay(double x) const
{
    if (steps_ > 0) x = std::floor(x * steps_ + 0.5) / steps_;  // nearest grid point, a half goes up
    return minimum_ + x * (maximum_ - minimum_);  // not clamped
}

double ZRangeParameter::toNormalised(double display) const
{
    const double r = (display - minimum_) / (maximum_ - minimum_);
    if (!(r >= 0.0))  // below the range, or NaN
        return 0.0;
    if (r > 1.0) return 1.0;
    return r;
}

void ZRangeParameter::valueText(char* text, int size, const ZValueSlot& ref) const
{
    formatNumberText(decimals(), displayValue(ref), text, size);
}

void ZRangeParameter::parseText(ZValueSlot& ref, const char* text) const
{
    if (!text) return;
    char buffer[kMaxTextLength + 1];
    boundedText(buffer, text);
    double d;
    if (equalsIgnoringCase(buffer, "-Inf"))
        d = -std::numeric_limits<double>::infinity();
    else if (equalsIgnoringCase(buffer, "Inf"))
        d = std::numeric_limits<double>::infinity();
    else {
        d = std::strtod(buffer, nullptr);  // 0.0 when there is no number; a trailing unit is ignored
        if (std::isnan(d))  // "nan" is not a number either
            d = 0.0;
    }
    storeDisplay(ref, d);
}

// ---------------------------------------------------------------------------------------------
// ZSwitchParameter

double ZSwitchParameter::toDisplay(double normalised) const { return normalised >= 0.5 ? 1.0 : 0.0; }
double ZSwitchParameter::toNormalised(double display) const { return display >= 0.5 ? 1.0 : 0.0; }

void ZSwitchParameter::valueText(char* text, int size, const ZValueSlot& ref) const
{
    if (!text || size <= 0) return;
    copyCut(text, loadValue(ref) == 0.0 ? "Off" : "On", size - 1);
}

void ZSwitchParameter::parseText(ZValueSlot& ref, const char* text) const
{
    if (!text) return;
    // The comparison stops at the first difference, so at most three characters are read.
    store(ref, equalsIgnoringCase(text, "on") ? 1.0 : 0.0);
}
