// Colour arithmetic shared by the pixel information, the profiles and the test charts:
// packed colours split into components, and the forward conversions into luminance and the
// colour-difference models, all in integers scaled by 65536 so that results are exact.
#pragma once

#include <stdint.h>

#include "pxk.h"

static inline int ColorRed(PXK_Color c) { return ((uint32_t)c >> 16) & 0xFF; }
static inline int ColorGreen(PXK_Color c) { return ((uint32_t)c >> 8) & 0xFF; }
static inline int ColorBlue(PXK_Color c) { return (uint32_t)c & 0xFF; }

// (sum + 32768) / 65536, truncated toward zero like every division here.
static inline int Fixed16Round(int64_t sum) { return (int)((sum + 32768) / 65536); }

// The forward models of one colour. cr, cb, u, v, i and q are signed.
struct ColorModels {
    int y;    // luminance 0..255
    int cr, cb;
    int u, v;
    int i, q;
};

void ComputeColorModels(int r, int g, int b, ColorModels* out);
static inline int ColorLuminance(int r, int g, int b) {
    return Fixed16Round(19595LL * r + 38470LL * g + 7471LL * b);
}
// The colour differences alone, for the profiles and chroma plots that need only these two.
static inline int ColorCr(int r, int g, int b) {
    return Fixed16Round(32768LL * r - 27460LL * g - 5308LL * b);
}
static inline int ColorCb(int r, int g, int b) {
    return Fixed16Round(32768LL * b - 11076LL * r - 21692LL * g);
}
