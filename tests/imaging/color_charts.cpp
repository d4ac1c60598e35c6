// Colour test charts: sample pixels of every chart, whole charts recomputed here from their
// definitions, the 8-bit forms, and the small images at the edges of the definitions.
#include <math.h>

#include "image_fixture.h"

// The program entries the library expects (the grey ramp sets its colour table through the
// image store, which comes with the runtime); this test never starts the program.
extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

using ChartTest = ImagingTest;

PXK_Color Rgb(int r, int g, int b) { return r << 16 | g << 8 | b; }
int Clamp(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : (int)v; }

TEST_F(ChartTest, RgbGradient) {
    MakeTestImage(0, 256, 256, 32);
    PXK_DrawRGBChart();
    EXPECT_EQ(PXK_GetPixel(255, 0), Rgb(254, 0, 128));
    EXPECT_EQ(PXK_GetPixel(0, 0), Rgb(0, 0, 255));
    MakeTestImage(1, 37, 23, 32);
    PXK_DrawRGBChart();
    for (int y = 0; y < 23; y++)
        for (int x = 0; x < 37; x++)
            ASSERT_EQ(PXK_GetPixel(x, y), Rgb(255 * x / 37, 255 * y / 23, 255 - 255 * (x + y) / 60)) << x << "," << y;
    EXPECT_EQ(draw_state.pen_x, 36);
    EXPECT_EQ(draw_state.pen_y, 22);
}

TEST_F(ChartTest, HsvChart) {
    MakeTestImage(0, 60, 21, 32);
    PXK_DrawHSVChart();
    const int n = 10;
    for (int y = 0; y < 21; y++)
        for (int x = 0; x < 60; x++) {
            int hue = 359 * x / 60, s = y < n ? 255 * y / n : 255, v = y < n ? 255 : 255 - (y - n) * 255 / n;
            ASSERT_EQ(PXK_GetPixel(x, y), PXK_HSVtoRGB(v, s, hue)) << x << "," << y;
        }
    EXPECT_EQ(PXK_GetPixel(13, 0), 0x00FFFFFF);
    EXPECT_EQ(PXK_GetPixel(0, 10), 0x00FF0000);
    EXPECT_EQ(PXK_GetPixel(5, 20), 0);
}

TEST_F(ChartTest, HsvChartLeavesAnImageOnePixelHigh) {
    MakeTestImage(0, 10, 1, 32);
    PXK_PutPixel(3, 0, 0x123456);
    std::vector<uint8_t> before = ImageBytes(0);
    PXK_DrawHSVChart();
    EXPECT_EQ(ImageBytes(0), before);
}

struct PlaneCase {
    void (*draw)(void);
    int64_t rc, ra, gc, ga, bc, ba;
};

TEST_F(ChartTest, ColourPlanes) {
    const PlaneCase planes[] = {
        {PXK_DrawYCrCbChart, 91881, 0, -46793, -22544, 0, 116130},
        {PXK_DrawYuvChart, 74711, 0, -38076, -25952, 0, 132973},
        {PXK_DrawYIQChart, 62187, 42998, -17334, -44872, -73859, 118292},
    };
    for (const PlaneCase& p : planes) {
        MakeTestImage(0, 256, 256, 32);
        p.draw();
        EXPECT_EQ(PXK_GetPixel(128, 128), 0) << "the centre is black";
        MakeTestImage(1, 51, 34, 32);
        p.draw();
        for (int y = 0; y < 34; y++)
            for (int x = 0; x < 51; x++) {
                int64_t a = (x - 25) * 255 / 51, c = -((y - 17) * 255 / 34);
                int64_t lum = (int64_t)sqrt(5.0 * (double)(a * a + c * c));
                int r = Clamp((lum * 65536 + p.rc * c + p.ra * a + 32768) / 65536);
                int g = Clamp((lum * 65536 + p.gc * c + p.ga * a + 32768) / 65536);
                int b = Clamp((lum * 65536 + p.bc * c + p.ba * a + 32768) / 65536);
                ASSERT_EQ(PXK_GetPixel(x, y), Rgb(r, g, b)) << x << "," << y;
            }
        FreeTestImage(0);
        FreeTestImage(1);
    }
    MakeTestImage(0, 256, 256, 32);
    PXK_DrawYCrCbChart();
    EXPECT_EQ(PXK_GetPixel(0, 128), Rgb(255, 255, 58));
}

TEST_F(ChartTest, EightBitChartsStoreTheBlueByte) {
    MakeTestImage(0, 30, 20, 32);
    PXK_DrawYIQChart();
    std::vector<int> blue;
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 30; x++) blue.push_back(PXK_GetPixel(x, y) & 0xFF);
    MakeTestImage(1, 30, 20, 8);
    std::vector<uint8_t> bytes = ImageBytes(1);
    for (int y = 0; y < 20; y++) bytes[y * 32 + 30] = bytes[y * 32 + 31] = 0x5A;
    SetImageBytes(1, bytes);
    PXK_DrawYIQChart();
    for (int y = 0; y < 20; y++) {
        for (int x = 0; x < 30; x++) ASSERT_EQ(PXK_GetPixel(x, y), blue[y * 30 + x]);
        EXPECT_EQ(image_pixels[1][y * 32 + 30], 0x5A);
        EXPECT_EQ(image_pixels[1][y * 32 + 31], 0x5A);
    }
}

TEST_F(ChartTest, GreyRamp) {
    MakeTestImage(0, 20, 9, 32);
    PXK_DrawGreyChart();
    for (int x = 0; x < 20; x++) {
        const int g = 255 * x / 20;
        for (int y = 0; y < 9; y++) ASSERT_EQ(PXK_GetPixel(x, y), y < 4 ? g * 0x010101 : 0xFFFFFF - g * 0x010101);
    }
    // 8-bit: the colour table becomes the grey ramp and the indices are the grey levels.
    MakeTestImage(1, 20, 9, 8);
    for (int i = 0; i < 256; i++) image_table[1].dib->palette[i] = 0x00FF0000;
    PXK_DrawGreyChart();
    for (int i = 0; i < 256; i++) ASSERT_EQ(image_table[1].dib->palette[i], (uint32_t)i * 0x010101u);
    EXPECT_EQ(PXK_GetPixel(10, 0), 127);
    EXPECT_EQ(PXK_GetPixel(10, 8), 128);
    // One pixel high: the upper line only reaches row 0, which the lower line then overwrites.
    MakeTestImage(2, 20, 1, 32);
    PXK_DrawGreyChart();
    for (int x = 0; x < 20; x++) EXPECT_EQ(PXK_GetPixel(x, 0), 0xFFFFFF - (255 * x / 20) * 0x010101);
}

TEST_F(ChartTest, FreeSlotIsLeftAlone) {
    MakeTestImage(0, 8, 8, 32);
    image_table[0].in_use.store(0);
    PXK_DrawRGBChart();
    PXK_DrawHSVChart();
    PXK_DrawYCrCbChart();
    PXK_DrawGreyChart();
    EXPECT_EQ(ImageBytes(0), std::vector<uint8_t>(8 * 8 * 4, 0));
}

}  // namespace
