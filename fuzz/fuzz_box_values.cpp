// Typed values of the input box on arbitrary text: reading never reads past the string,
// integers stay within int, and a value written back always fits its field and reads as
// the same number to ten significant digits.
#include "boxes/box_values.h"

#include <math.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* text = (char*)malloc(size + 1);
    memcpy(text, data, size);
    text[size] = 0;
    double v = ParseBoxValue(text);
    (void)ParseBoxInt(text);
    free(text);

    char out[BOX_VALUE_BYTES];
    FormatBoxValue(v, out, sizeof out);
    if (strlen(out) >= sizeof out) abort();
    if (isfinite(v)) {
        double again = ParseBoxValue(out);
        if (v != 0 && fabs(again - v) > fabs(v) * 1e-9) abort();
    }
    char small[8];
    FormatBoxValue(v, small, sizeof small);   // cut to fit, never overrun
    if (strlen(small) >= sizeof small) abort();
    return 0;
}
