// Flood fill: uniform and patterned regions, the 8-bit comparison by stored index, regions of
// all-ones pixels at the image border, the seed-stack limit, and random mazes compared with
// the per-pixel reference fill.
#include <random>

#include "image_fixture.h"
#include "support/reference_drawing.h"

namespace {

using PaintTest = ImagingTest;

TEST_F(PaintTest, FillsTheFourConnectedRegionOnly) {
    MakeTestImage(0, 7, 5, 32);
    PXK_DrawLine(0x1, 3, 0, 3, 4);   // a wall splitting the image
    PXK_PutPixel(1, 1, 0x2);        // an island
    PXK_SetDrawColor(0x00ABCDEF);
    PXK_Paint(0, 4);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 7; x++) {
            int expect = x < 3 ? 0x00ABCDEF : x == 3 ? 1 : 0;
            if (x == 1 && y == 1) expect = 2;
            EXPECT_EQ(PXK_GetPixel(x, y), expect) << x << "," << y;
        }
}

TEST_F(PaintTest, NothingChangesWhenTheSeedHasTheColourOrIsOutside) {
    MakeTestImage(0, 6, 4, 32);
    PXK_SetDrawColor(0);
    draw_state.pen_x = 99;
    PXK_Paint(2, 2);
    PXK_SetDrawColor(0x5);
    PXK_Paint(-1, 2);
    PXK_Paint(6, 0);
    PXK_Paint(0, 4);
    EXPECT_EQ(ImageBytes(0), std::vector<uint8_t>(6 * 4 * 4, 0));
    EXPECT_EQ(draw_state.pen_x, 99);
}

TEST_F(PaintTest, EightBitComparesTheStoredIndex) {
    MakeTestImage(0, 6, 3, 8);
    std::vector<uint8_t> bytes = ImageBytes(0);
    for (int y = 0; y < 3; y++) bytes[y * 8 + 6] = bytes[y * 8 + 7] = 0x5A;   // padding
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 6; x++) bytes[y * 8 + x] = 0x34;
    SetImageBytes(0, bytes);
    PXK_SetDrawColor(0x00FF1234);   // stores 0x34: the region already has it
    PXK_Paint(1, 1);
    EXPECT_EQ(ImageBytes(0), bytes);
    PXK_SetDrawColor(0x00FF12C0);
    PXK_Paint(1, 1);
    std::vector<uint8_t> after = ImageBytes(0);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 6; x++) EXPECT_EQ(after[y * 8 + x], 0xC0);
        EXPECT_EQ(after[y * 8 + 6], 0x5A);
        EXPECT_EQ(after[y * 8 + 7], 0x5A);
    }
}

TEST_F(PaintTest, AllOnesRegionStaysInsideTheImage) {
    MakeTestImage(0, 9, 7, 32);
    std::vector<uint8_t> ones(9 * 7 * 4, 0xFF);
    SetImageBytes(0, ones);
    PXK_SetDrawColor(0x00102030);
    PXK_Paint(0, 0);
    for (int y = 0; y < 7; y++)
        for (int x = 0; x < 9; x++) ASSERT_EQ(PXK_GetPixel(x, y), 0x00102030);
}

TEST_F(PaintTest, StopsPushingSeedsAtTheStackLimit) {
    // Row 0 alternates target and wall, so the span of row 1 finds 4100 runs above it;
    // only the first 4000 are stored and the last 100 runs stay unfilled.
    const int w = 8200;
    MakeTestImage(0, w, 3, 32);
    for (int x = 1; x < w; x += 2) PXK_PutPixel(x, 0, 0x1);
    PXK_DrawLine(0x1, 0, 2, w - 1, 2);
    PXK_SetDrawColor(0x7);
    std::vector<uint8_t> start = ImageBytes(0);
    PXK_Paint(5, 1);
    for (int x = 0; x < w; x++) ASSERT_EQ(PXK_GetPixel(x, 1), 7);
    EXPECT_EQ(PXK_GetPixel(0, 0), 7);
    EXPECT_EQ(PXK_GetPixel(7998, 0), 7);
    EXPECT_EQ(PXK_GetPixel(8000, 0), 0);
    EXPECT_EQ(PXK_GetPixel(8198, 0), 0);
    RefImage ref(w, 3, 32, start);
    ref.Paint(5, 1, 0x7);
    EXPECT_EQ(ImageBytes(0), ref.bytes);
}

// Random patterns: sparse walls, dense noise and mazes of corridors, in both depths and with
// seeds anywhere; pixels and the pen as the reference leaves them.
void RandomFills(int bits, uint32_t seed) {
    std::mt19937 rng(seed);
    for (int round = 0; round < 120; round++) {
        const int w = 1 + (int)(rng() % 90), h = 1 + (int)(rng() % 70);
        MakeTestImage(0, w, h, bits);
        std::vector<uint8_t> bytes = ImageBytes(0);
        const int kind = round % 3;
        const int stride = bits == 32 ? w * 4 : (w + 3) & ~3;
        for (int y = 0; y < h; y++)
            for (int x = 0; x < w; x++) {
                bool wall = kind == 0 ? rng() % 10 == 0 : kind == 1 ? rng() % 2 == 0
                                                                     : (y % 2 == 1 && (x % 8 != (y / 2 * 3) % 8));
                uint32_t v = wall ? 0x00FFFFFFu : (kind == 1 ? (rng() % 2 ? 0xFFFFFFFFu : 0x0u) : 0u);
                if (bits == 32) memcpy(&bytes[y * stride + x * 4], &v, 4);
                else bytes[y * stride + x] = (uint8_t)v;
            }
        SetImageBytes(0, bytes);
        RefImage ref(w, h, bits, bytes);
        const int px = (int)(rng() % w), py = (int)(rng() % h);
        const uint32_t color = round % 5 == 0 ? 0xFFFFFFFFu : rng();
        PXK_SetDrawColor((PXK_Color)color);
        draw_state.pen_x = ref.pen_x = -5;
        draw_state.pen_y = ref.pen_y = -6;
        PXK_Paint(px, py);
        ref.Paint(px, py, color);
        ASSERT_EQ(ImageBytes(0), ref.bytes) << "round " << round;
        ASSERT_EQ(draw_state.pen_x, ref.pen_x) << round;
        ASSERT_EQ(draw_state.pen_y, ref.pen_y) << round;
        FreeTestImage(0);
    }
}

TEST_F(PaintTest, RandomRegionsMatchReference32) { RandomFills(32, 41); }
TEST_F(PaintTest, RandomRegionsMatchReference8) { RandomFills(8, 42); }

}  // namespace
