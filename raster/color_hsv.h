// Hue, saturation and value as this system counts them, for the framework's colour functions
// and the windowing layer's colour dialog alike: hue 0..359 in whole degrees, value the largest
// component, saturation the largest minus the smallest (not divided by the value).
#pragma once

#include <stdint.h>

struct Hsv {
    int h, s, v;
};

// The hue, saturation and value of 0x00RRGGBB (the top byte is ignored). Ties between equal
// components always resolve the same way: the first matching sector wins.
Hsv RgbToHsv(uint32_t rgb);

// The colour 0x00RRGGBB of a hue, saturation and value, sector by sector with divisions
// truncated. Inputs are expected in range (h 0..359, s >= 0, v 0..255) and are not clamped;
// the arithmetic is 64-bit, so any input gives a defined colour, never an overflow (the low
// 32 bits of r * 65536 + g * 256 + b).
uint32_t HsvToRgb(int h, int s, int v);
