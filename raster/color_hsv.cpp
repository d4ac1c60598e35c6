// The conversions between RGB and this system's hue, saturation and value (see color_hsv.h).
#include "raster/color_hsv.h"

Hsv RgbToHsv(uint32_t rgb) {
    const int r = (int)((rgb >> 16) & 0xFF), g = (int)((rgb >> 8) & 0xFF), b = (int)(rgb & 0xFF);
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
    return Hsv{hue, d, max};
}

uint32_t HsvToRgb(int h, int s, int v) {
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
    // Packed in unsigned arithmetic: the same low 32 bits as r * 65536 + g * 256 + b, without
    // the signed overflow that components far out of range would bring.
    return (uint32_t)((uint64_t)r * 65536u + (uint64_t)g * 256u + (uint64_t)b);
}
