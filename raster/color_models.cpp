// RGB to HSV and back, and the forward colour models. HSV here keeps whole degrees of hue,
// the largest component as value and the spread of the components as saturation.
#include "raster/color_models.h"

extern "C" void PXK_RGBtoHSV(PXK_Color color, int* h, int* s, int* v) {
    const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
    int max = r, min = r;
    if (g > max) max = g;
    if (b > max) max = b;
    if (g < min) min = g;
    if (b < min) min = b;
    const int d = max - min;
    int hue = 0;
    // The first matching case wins, so ties between equal components resolve the same way
    // every time; every numerator is non-negative.
    if (d != 0) {
        if (max == r && min == b) hue = (g - b) * 60 / d;
        else if (max == g && min == b) hue = (g - r) * 60 / d + 60;
        else if (max == g && min == r) hue = (b - r) * 60 / d + 120;
        else if (max == b && min == r) hue = (b - g) * 60 / d + 180;
        else if (max == b && min == g) hue = (r - g) * 60 / d + 240;
        else hue = (r - b) * 60 / d + 300;   // max = R and min = G
    }
    if (h) *h = hue;
    if (s) *s = d;
    if (v) *v = max;
}

extern "C" int PXK_GetHue(PXK_Color color) {
    int h, s, v;
    PXK_RGBtoHSV(color, &h, &s, &v);
    return h;
}

extern "C" int PXK_GetSaturation(PXK_Color color) {
    int h, s, v;
    PXK_RGBtoHSV(color, &h, &s, &v);
    return s;
}

extern "C" int PXK_GetValue(PXK_Color color) {
    int h, s, v;
    PXK_RGBtoHSV(color, &h, &s, &v);
    return v;
}

// Inputs are expected in range (v 0..255, s >= 0, h 0..359); nothing is clamped. The
// arithmetic is done in 64 bits so that out-of-range inputs give a wrong colour, not
// undefined behaviour.
extern "C" PXK_Color PXK_HSVtoRGB(int v, int s, int h) {
    int64_t m = (int64_t)v - s;
    if (m < 0) m = 0;
    const int64_t span = v - m;
    int64_t r, g, b;
    if (h < 60) {
        r = v, g = span * h / 60 + m, b = m;
    } else if (h < 120) {
        r = span * (120 - (int64_t)h) / 60 + m, g = v, b = m;
    } else if (h < 180) {
        r = m, g = v, b = span * ((int64_t)h - 120) / 60 + m;
    } else if (h < 240) {
        r = m, g = span * (240 - (int64_t)h) / 60 + m, b = v;
    } else if (h < 300) {
        r = span * ((int64_t)h - 240) / 60 + m, g = m, b = v;
    } else {
        r = v, g = m, b = span * (360 - (int64_t)h) / 60 + m;
    }
    return (PXK_Color)(uint32_t)(uint64_t)(r * 65536 + g * 256 + b);
}

void ComputeColorModels(int r, int g, int b, ColorModels* out) {
    const int64_t R = r, G = g, B = b;
    out->y = Fixed16Round(19595 * R + 38470 * G + 7471 * B);
    out->cr = Fixed16Round(32768 * R - 27460 * G - 5308 * B);
    out->cb = Fixed16Round(32768 * B - 11076 * R - 21692 * G);
    out->u = Fixed16Round(28574 * B - 9634 * R - 18940 * G);
    out->v = Fixed16Round(40305 * R - 33751 * G - 6554 * B);
    out->i = Fixed16Round(39053 * R - 18022 * G - 21037 * B);
    out->q = Fixed16Round(13533 * R - 32565 * G + 19032 * B);
}
