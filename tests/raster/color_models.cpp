// Colour models: RGB to HSV with its tie rules, HSV to RGB by sectors, and the forward
// models in fixed-point arithmetic truncated toward zero.
#include <gtest/gtest.h>

#include "raster/color_models.h"
#include "pxk.h"

namespace {

struct Hsv {
    int h, s, v;
};

Hsv ToHsv(PXK_Color c) {
    Hsv r;
    PXK_RGBtoHSV(c, &r.h, &r.s, &r.v);
    return r;
}

PXK_Color Rgb(int r, int g, int b) { return r << 16 | g << 8 | b; }

TEST(ColorModels, RgbToHsvValues) {
    struct Case {
        PXK_Color c;
        int h, s, v;
    } cases[] = {
        {Rgb(255, 0, 0), 0, 255, 255},   {Rgb(0, 0, 255), 240, 255, 255}, {Rgb(128, 128, 128), 0, 0, 128},
        {Rgb(10, 20, 30), 210, 20, 30},  {Rgb(255, 255, 0), 60, 255, 255}, {Rgb(255, 0, 255), 300, 255, 255},
        {Rgb(128, 0, 0), 0, 128, 128},   {Rgb(0, 255, 0), 120, 255, 255}, {Rgb(0, 255, 255), 180, 255, 255},
        {Rgb(100, 50, 0), 30, 100, 100}, {Rgb(200, 0, 100), 330, 200, 200},
    };
    for (const Case& k : cases) {
        Hsv got = ToHsv(k.c);
        EXPECT_EQ(got.h, k.h) << std::hex << k.c;
        EXPECT_EQ(got.s, k.s) << std::hex << k.c;
        EXPECT_EQ(got.v, k.v) << std::hex << k.c;
        EXPECT_EQ(PXK_GetHue(k.c), k.h);
        EXPECT_EQ(PXK_GetSaturation(k.c), k.s);
        EXPECT_EQ(PXK_GetValue(k.c), k.v);
    }
    // The top byte is not part of the colour.
    EXPECT_EQ(PXK_GetHue((PXK_Color)0xFF0000FFu), 240);
}

TEST(ColorModels, HsvToRgbBySectors) {
    EXPECT_EQ(PXK_HSVtoRGB(255, 255, 0), 0x00FF0000);
    for (int h = 0; h < 360; h += 7) EXPECT_EQ(PXK_HSVtoRGB(255, 0, h), 0x00FFFFFF) << h;
    EXPECT_EQ(PXK_HSVtoRGB(100, 150, 0), Rgb(100, 0, 0));
    EXPECT_EQ(PXK_HSVtoRGB(255, 255, 359), Rgb(255, 0, 4));
    EXPECT_EQ(PXK_HSVtoRGB(255, 255, 90), Rgb(127, 255, 0));
    EXPECT_EQ(PXK_HSVtoRGB(200, 100, 150), Rgb(100, 200, 150));
    EXPECT_EQ(PXK_HSVtoRGB(200, 100, 210), Rgb(100, 150, 200));
    EXPECT_EQ(PXK_HSVtoRGB(200, 100, 270), Rgb(150, 100, 200));
}

// Out of range the conversion is 64-bit throughout and keeps the low 32 bits of
// r * 65536 + g * 256 + b: the colour dialog's former int copy gave 0xFFFF0100 for the first
// case (a negative green ORed in) and overflowed on the next ones. Run under UBSan too.
TEST(ColorModels, HsvToRgbOutOfRangeIsDefined) {
    const int max = 2147483647, min = -max - 1;
    struct Case {
        int v, s, h;
        uint32_t rgb;
    } cases[] = {
        {255, 255, -60, 0xFE0100},         {1 << 30, 0, 100, 0x40000000}, {255, 300, 90, 0x7FFF00},
        {300, 0, 0, 0x12D2D2C},            {-5, 0, 30, 0xFFFAFE00},       {255, 255, 720, 0xFEFA06},
        {max, min, max, 0x0EEDEDED},       {max, min, min, 0x11100FFF},
    };
    for (const Case& k : cases) EXPECT_EQ((uint32_t)PXK_HSVtoRGB(k.v, k.s, k.h), k.rgb) << k.v << " " << k.s << " " << k.h;
}

// Every fully saturated bright colour goes round the circle and back unchanged.
TEST(ColorModels, SaturatedHuesRoundTrip) {
    for (int h = 0; h < 360; h++) {
        PXK_Color c = PXK_HSVtoRGB(255, 255, h);
        Hsv back = ToHsv(c);
        EXPECT_EQ(back.v, 255);
        EXPECT_EQ(back.s, 255);
        EXPECT_LE(abs(back.h - h), 1) << h;
    }
}

TEST(ColorModels, ForwardModels) {
    ColorModels m;
    ComputeColorModels(255, 0, 0, &m);
    EXPECT_EQ(m.y, 76);
    EXPECT_EQ(m.cr, 128);
    EXPECT_EQ(m.cb, -42);
    EXPECT_EQ(m.u, -36);
    EXPECT_EQ(m.v, 157);
    EXPECT_EQ(m.i, 152);
    EXPECT_EQ(m.q, 53);
    ComputeColorModels(0, 0, 255, &m);
    EXPECT_EQ(m.y, 29);
    EXPECT_EQ(m.cr, -20);
    EXPECT_EQ(m.cb, 128);
    EXPECT_EQ(m.u, 111);
    EXPECT_EQ(m.v, -25);
    EXPECT_EQ(m.i, -81);
    EXPECT_EQ(m.q, 74);
    ComputeColorModels(128, 128, 128, &m);
    EXPECT_EQ(m.y, 128);
    EXPECT_EQ(m.cr, 0);
    EXPECT_EQ(m.cb, 0);
    EXPECT_EQ(m.u, 0);
    EXPECT_EQ(m.v, 0);
    EXPECT_EQ(m.i, 0);
    EXPECT_EQ(m.q, 0);
    EXPECT_EQ(ColorLuminance(255, 255, 255), 255);
    EXPECT_EQ(ColorLuminance(255, 0, 0), 76);
}

}  // namespace
