// Numbers in the boxes' value strings, in the "C" numeric rules: the locale's decimal point
// never reaches a value, because formatting goes through to_chars and parsing through
// strtod_l and strtol_l with a "C" locale object of our own.
#include "box_values.h"

#include <charconv>
#include <limits.h>
#include <locale.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static locale_t CLocale(void) {
    static locale_t c_locale = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return c_locale;
}

void FormatBoxValue(double v, char* out, int size) {
    if (!out || size <= 0) return;
    // gcvt with 10 digits is %.10g: fixed notation while the exponent allows, no trailing
    // zeros, exponent notation otherwise.
    char buf[64];
    std::to_chars_result r = std::to_chars(buf, buf + sizeof buf - 1, v, std::chars_format::general, 10);
    size_t n = r.ec == std::errc() ? (size_t)(r.ptr - buf) : 0;
    buf[n] = 0;
    // to_chars writes exponents with at least two digits like printf; keep its text.
    snprintf(out, (size_t)size, "%s", buf);
}

void FormatBoxInt(int v, char* out, int size) {
    if (!out || size <= 0) return;
    snprintf(out, (size_t)size, "%d", v);
}

double ParseBoxValue(const char* text) {
    if (!text) return 0.0;
    locale_t c = CLocale();
    return c ? strtod_l(text, nullptr, c) : strtod(text, nullptr);
}

int ParseBoxInt(const char* text) {
    if (!text) return 0;
    locale_t c = CLocale();
    long v = c ? strtol_l(text, nullptr, 10, c) : strtol(text, nullptr, 10);
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return (int)v;
}
