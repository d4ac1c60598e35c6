// RGB to HSV and back, and the forward colour models. HSV here keeps whole degrees of hue,
// the largest component as value and the spread of the components as saturation; the
// conversion itself (color_hsv.h) is shared with the windowing layer's colour dialog.
#include "raster/color_models.h"

#include "raster/color_hsv.h"

extern "C" void PXK_RGBtoHSV(PXK_Color color, int* h, int* s, int* v) {
    const Hsv hsv = RgbToHsv((uint32_t)color);
    if (h) *h = hsv.h;
    if (s) *s = hsv.s;
    if (v) *v = hsv.v;
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

extern "C" PXK_Color PXK_HSVtoRGB(int v, int s, int h) { return (PXK_Color)HsvToRgb(h, s, v); }

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
