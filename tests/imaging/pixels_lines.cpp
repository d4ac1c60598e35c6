// Pixel access and lines on 32-bit and 8-bit images: stored values, clipping, the pen, the
// edge cases of the line walk, and random lines (partly outside, some huge) compared with a
// per-pixel reference walk.
#include <limits.h>

#include <random>

#include "image_fixture.h"
#include "support/reference_drawing.h"

namespace {

using PixelTest = ImagingTest;

uint32_t Word(int index, int x, int y) {
    uint32_t v;
    memcpy(&v, image_pixels[index] + ((size_t)y * image_table[index].width + x) * 4, 4);
    return v;
}

TEST_F(PixelTest, PutAndGetOn32BitStoreTheWholeValue) {
    MakeTestImage(0, 10, 8, 32);
    PXK_PutPixel(3, 2, 0x00FF0000);
    EXPECT_EQ(PXK_GetPixel(3, 2), 0x00FF0000);
    const uint8_t* p = image_pixels[0] + (2 * 10 + 3) * 4;
    EXPECT_EQ(p[0], 0x00);
    EXPECT_EQ(p[1], 0x00);
    EXPECT_EQ(p[2], 0xFF);
    EXPECT_EQ(p[3], 0x00);
    PXK_PutPixel(9, 7, (PXK_Color)0xAB123456u);
    EXPECT_EQ((uint32_t)PXK_GetPixel(9, 7), 0xAB123456u);
    PXK_XorPixel(9, 7);
    EXPECT_EQ(Word(0, 9, 7), 0xABEDCBA9u);   // low 24 bits flipped, top byte kept
    EXPECT_EQ(draw_state.pen_x, 9);
    EXPECT_EQ(draw_state.pen_y, 7);
}

TEST_F(PixelTest, OutsidePointsAreSkippedButMoveThePen) {
    MakeTestImage(0, 10, 8, 32);
    std::vector<uint8_t> before = ImageBytes(0);
    const int xs[] = {-1, 10, 0, 5, INT_MIN, INT_MAX};
    const int ys[] = {0, 0, -1, 8, 3, INT_MIN};
    for (int i = 0; i < 6; i++) {
        PXK_PutPixel(xs[i], ys[i], 0x123456);
        EXPECT_EQ(draw_state.pen_x, xs[i]);
        EXPECT_EQ(draw_state.pen_y, ys[i]);
        PXK_XorPixel(xs[i], ys[i]);
        EXPECT_EQ(PXK_GetPixel(xs[i], ys[i]), 0);
    }
    EXPECT_EQ(ImageBytes(0), before);
}

TEST_F(PixelTest, EightBitStoresTheLowByteAndKeepsPadding) {
    MakeTestImage(1, 5, 3, 8);   // rows of 8 bytes
    std::vector<uint8_t> bytes = ImageBytes(1);
    ASSERT_EQ(bytes.size(), 24u);
    for (int y = 0; y < 3; y++)
        for (int x = 5; x < 8; x++) bytes[y * 8 + x] = 0x5A;
    SetImageBytes(1, bytes);
    PXK_PutPixel(0, 1, 0x00FF80C3);
    EXPECT_EQ(image_pixels[1][8], 0xC3);
    EXPECT_EQ(PXK_GetPixel(0, 1), 0xC3);
    PXK_PutPixel(4, 2, -1);
    EXPECT_EQ(PXK_GetPixel(4, 2), 255);   // the index widened, never negative
    PXK_XorPixel(0, 1);
    EXPECT_EQ(PXK_GetPixel(0, 1), 0x3C);
    PXK_DrawLine(0x77, -3, 0, 20, 0);
    PXK_DrawLine(0x77, 4, -5, 4, 20);
    PXK_XorLine(-10, -8, 20, 9);
    std::vector<uint8_t> after = ImageBytes(1);
    for (int y = 0; y < 3; y++)
        for (int x = 5; x < 8; x++) EXPECT_EQ(after[y * 8 + x], 0x5A) << x << "," << y;
    for (int x = 0; x < 5; x++) EXPECT_NE(after[x], 0) << x;
}

TEST_F(PixelTest, FreeSlotDoesNothing) {
    MakeTestImage(0, 10, 8, 32);
    PXK_PutPixel(1, 1, 0x111111);
    image_table[0].in_use.store(0);
    std::vector<uint8_t> before = ImageBytes(0);
    draw_state.pen_x = 77;
    PXK_PutPixel(2, 2, 0x222222);
    PXK_XorPixel(1, 1);
    PXK_DrawLine(0x333333, 0, 0, 9, 7);
    PXK_XorLine(0, 7, 9, 0);
    EXPECT_EQ(PXK_GetPixel(1, 1), 0);
    EXPECT_EQ(draw_state.pen_x, 77);
    EXPECT_EQ(ImageBytes(0), before);
}

TEST_F(PixelTest, LineEdgeCases) {
    MakeTestImage(0, 16, 12, 32);
    PXK_DrawLine(0xFF, 5, 5, 5, 5);
    EXPECT_EQ(PXK_GetPixel(5, 5), 0xFF);
    EXPECT_EQ(draw_state.pen_x, 5);
    EXPECT_EQ(draw_state.pen_y, 5);

    // x-major, e starts at 2: (0,0) (1,0) (2,1) (3,1).
    PXK_DrawLine(0x10, 0, 0, 3, 1);
    for (int x = 0; x < 4; x++)
        for (int y = 0; y < 2; y++) {
            bool on = (y == 0 && x < 2) || (y == 1 && x >= 2);
            EXPECT_EQ(PXK_GetPixel(x, y), on ? 0x10 : 0) << x << "," << y;
        }

    // Right to left: same pixels, the pen at the second point as passed.
    MakeTestImage(1, 16, 12, 32);
    PXK_DrawLine(0x20, 13, 2, 1, 9);
    std::vector<uint8_t> rtl = ImageBytes(1);
    EXPECT_EQ(draw_state.pen_x, 1);
    EXPECT_EQ(draw_state.pen_y, 9);
    MakeTestImage(2, 16, 12, 32);
    PXK_DrawLine(0x20, 1, 9, 13, 2);
    EXPECT_EQ(ImageBytes(2), rtl);
    EXPECT_EQ(draw_state.pen_x, 13);

    // Clipped at the left edge: only x = 0..10 of row 5.
    MakeTestImage(3, 16, 12, 32);
    PXK_DrawLine(0x30, -10, 5, 10, 5);
    for (int x = 0; x < 16; x++) EXPECT_EQ(PXK_GetPixel(x, 5), x <= 10 ? 0x30 : 0) << x;
    EXPECT_EQ(PXK_GetPixel(0, 4), 0);
}

TEST_F(PixelTest, XorLineTwiceRestores) {
    MakeTestImage(0, 40, 30, 32);
    std::mt19937 rng(7);
    std::vector<uint8_t> bytes = ImageBytes(0);
    for (auto& b : bytes) b = (uint8_t)rng();
    SetImageBytes(0, bytes);
    for (int i = 0; i < 200; i++) {
        int x1 = (int)(rng() % 80) - 20, y1 = (int)(rng() % 60) - 15;
        int x2 = (int)(rng() % 80) - 20, y2 = (int)(rng() % 60) - 15;
        PXK_XorLine(x1, y1, x2, y2);
        PXK_XorLine(x2, y2, x1, y1);   // either direction covers the same pixels
        ASSERT_EQ(ImageBytes(0), bytes) << i;
    }
}

TEST_F(PixelTest, ExtremeCoordinatesDrawTheVisiblePart) {
    MakeTestImage(0, 32, 24, 32);
    PXK_DrawLine(0x1, INT_MIN, 3, INT_MAX, 3);
    PXK_DrawLine(0x2, 7, INT_MAX, 7, INT_MIN);
    PXK_DrawLine(0x3, INT_MIN, INT_MIN, INT_MAX, INT_MAX);   // 45 degrees through (0, 0)
    for (int x = 0; x < 32; x++)
        for (int y = 0; y < 24; y++) {
            int expect = 0;
            if (y == 3) expect = 1;
            if (x == 7) expect = 2;
            if (x == y) expect = 3;
            EXPECT_EQ(PXK_GetPixel(x, y), expect) << x << "," << y;
        }
    EXPECT_EQ(draw_state.pen_x, INT_MAX);
    EXPECT_EQ(draw_state.pen_y, INT_MAX);
    std::vector<uint8_t> before = ImageBytes(0);
    PXK_XorLine(INT_MAX, INT_MIN, INT_MIN, INT_MAX);
    PXK_XorLine(INT_MIN, INT_MAX, INT_MAX, INT_MIN);
    EXPECT_EQ(ImageBytes(0), before);
}

// Random lines in both depths, compared byte for byte (padding included) and pen for pen
// with the reference walk.
void RandomLines(int bits, int range, int count, uint32_t seed, int w = 37, int h = 29) {
    MakeTestImage(0, w, h, bits);
    std::mt19937 rng(seed);
    std::vector<uint8_t> start = ImageBytes(0);
    for (auto& b : start) b = (uint8_t)rng();
    SetImageBytes(0, start);
    RefImage ref(w, h, bits, start);
    for (int i = 0; i < count; i++) {
        int x1 = (int)(rng() % (2 * range + w)) - range, y1 = (int)(rng() % (2 * range + h)) - range;
        int x2 = (int)(rng() % (2 * range + w)) - range, y2 = (int)(rng() % (2 * range + h)) - range;
        if (i % 7 == 0) y2 = y1;
        if (i % 11 == 0) x2 = x1;
        uint32_t color = rng();
        bool xor_mode = rng() % 3 == 0;
        if (xor_mode) PXK_XorLine(x1, y1, x2, y2);
        else PXK_DrawLine((PXK_Color)color, x1, y1, x2, y2);
        ref.Line(xor_mode, color, x1, y1, x2, y2);
        ASSERT_EQ(ImageBytes(0), ref.bytes) << "line " << i << ": " << x1 << "," << y1 << " " << x2 << "," << y2;
        ASSERT_EQ(draw_state.pen_x, ref.pen_x);
        ASSERT_EQ(draw_state.pen_y, ref.pen_y);
    }
}

TEST_F(PixelTest, RandomLinesMatchReference32) { RandomLines(32, 60, 3000, 1); }
TEST_F(PixelTest, RandomLinesMatchReference8) { RandomLines(8, 60, 3000, 2); }
TEST_F(PixelTest, LongLinesFromFarOutsideMatchReference) { RandomLines(32, 20000, 600, 3); }
// A wide image: horizontal lines of more than 4 KiB are written with streaming stores.
TEST_F(PixelTest, LongHorizontalLinesMatchReference) {
    RandomLines(32, 3, 300, 4, 4133, 9);
    RandomLines(8, 3, 300, 5, 12007, 9);
}

}  // namespace
