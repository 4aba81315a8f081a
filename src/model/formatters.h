// Number-to-text helpers of the plug-in model.
//
// Two families:
//  - formatNumberText: the text of a parameter value or a level readout ("-Inf", "Inf", or a
//    fixed-point number with a given count of decimals). `size` is the full buffer size, terminator
//    included (snprintf convention).
//  - formatFloat, formatDecibels, formatHertz, formatMilliseconds, formatInteger: the classic effect
//    formatters. They write at most maxLen characters and then store a zero at text[maxLen], so the
//    buffer must hold maxLen + 1 bytes. A null text or a negative maxLen writes nothing.
//
// EffectBase's member formatters are meant to forward to these (call them as ::formatFloat etc. from
// inside the class, since the members share the names). None of them allocates.
#pragma once

// "-Inf" for minus infinity, "Inf" for plus infinity, otherwise `value` printed with the fixed-point
// format "%.<decimals>f". Decimals are limited to 0..20. NaN prints as "NaN".
void formatNumberText(int decimals, double value, char* text, int size);

// Eight characters in all (sign and point included): integer digits, '.', truncated fraction digits.
// 1.5 -> "1.500000", -1.5 -> "-1.50000", 123.25 -> "123.2500", 12345678 -> "2345678.".
// Above 99999999 (or below -9999999) the text is "Huge!"; NaN gives "NaN".
void formatFloat(float value, char* text, int maxLen);

// amplitude <= 0 -> "-oo", otherwise formatFloat(20 log10(amplitude)).
void formatDecibels(float amplitude, char* text, int maxLen);

// formatFloat(sampleRate / samples), or formatFloat(0) when samples is 0.
void formatHertz(float samples, float sampleRate, char* text, int maxLen);

// formatFloat(samples x 1000 / sampleRate).
void formatMilliseconds(float samples, float sampleRate, char* text, int maxLen);

// "Huge!" from 100000000 on; otherwise an optional '-' and the decimal digits of the integer part
// without leading zeros (0 gives an empty text). NaN and negative infinity give "Huge!" as well.
void formatInteger(float value, char* text, int maxLen);
