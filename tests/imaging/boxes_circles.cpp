// Rectangles, circles and discs with their XOR twins: the edge cases of each figure, XOR
// figures drawn twice, huge radii, and random figures partly outside the image compared
// byte for byte and pen for pen with the per-pixel reference.
#include <limits.h>

#include <random>

#include "image_fixture.h"
#include "support/reference_drawing.h"

namespace {

using FigureTest = ImagingTest;

std::vector<uint8_t> RandomBytes(int index, std::mt19937& rng) {
    std::vector<uint8_t> bytes = ImageBytes(index);
    for (auto& b : bytes) b = (uint8_t)rng();
    SetImageBytes(index, bytes);
    return bytes;
}

// Pixels of a 32-bit image that differ from zero, as a picture of '#' and '.'.
std::string Picture(int w, int h) {
    std::string s;
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) s += PXK_GetPixel(x, y) ? '#' : '.';
        s += '\n';
    }
    return s;
}

TEST_F(FigureTest, BoxOutlineUsesTheDrawingColourAndEndsAtTheFirstCorner) {
    MakeTestImage(0, 6, 5, 32);
    PXK_SetDrawColor(0x00ABCDEF);
    PXK_DrawBox(4, 3, 1, 1);
    EXPECT_EQ(Picture(6, 5), "......\n.####.\n.#..#.\n.####.\n......\n");
    EXPECT_EQ(PXK_GetPixel(1, 1), 0x00ABCDEF);
    EXPECT_EQ(draw_state.pen_x, 4);
    EXPECT_EQ(draw_state.pen_y, 3);
}

TEST_F(FigureTest, FilledBoxNeedsThreePixelsForAnInterior) {
    MakeTestImage(0, 8, 6, 32);
    PXK_DrawFilledBox(1, 1, 2, 4, 0x1, 0x2);   // 1 apart in x: border only
    for (int y = 1; y <= 4; y++)
        for (int x = 1; x <= 2; x++) EXPECT_EQ(PXK_GetPixel(x, y), 1) << x << "," << y;
    EXPECT_EQ(draw_state.pen_x, 1);
    EXPECT_EQ(draw_state.pen_y, 1);
    PXK_DrawFilledBox(4, 1, 6, 4, 0x1, 0x2);   // 2 apart in x: an interior one column wide
    EXPECT_EQ(Picture(8, 6), "........\n.##.###.\n.##.###.\n.##.###.\n.##.###.\n........\n");
    EXPECT_EQ(PXK_GetPixel(4, 2), 1);
    EXPECT_EQ(PXK_GetPixel(6, 3), 1);
    EXPECT_EQ(PXK_GetPixel(5, 1), 1);
    EXPECT_EQ(PXK_GetPixel(5, 4), 1);
    EXPECT_EQ(PXK_GetPixel(5, 2), 2);
    EXPECT_EQ(PXK_GetPixel(5, 3), 2);
    EXPECT_EQ(draw_state.pen_x, 5);
    EXPECT_EQ(draw_state.pen_y, 3);
    MakeTestImage(1, 8, 6, 32);
    PXK_DrawFilledBox(6, 4, 4, 2, 0x1, 0x2);   // 3 x 3: one interior pixel
    EXPECT_EQ(PXK_GetPixel(5, 3), 2);
    EXPECT_EQ(PXK_GetPixel(4, 3), 1);
    EXPECT_EQ(PXK_GetPixel(6, 2), 1);
    EXPECT_EQ(draw_state.pen_x, 5);
    EXPECT_EQ(draw_state.pen_y, 3);
}

TEST_F(FigureTest, XorBoxesInvertEachPixelOnce) {
    MakeTestImage(0, 9, 7, 32);
    PXK_XorBox(3, 3, 3, 3);
    EXPECT_EQ(PXK_GetPixel(3, 3), 0x00FFFFFF);
    EXPECT_EQ(Picture(9, 7).find('#'), Picture(9, 7).rfind('#'));
    PXK_XorBox(3, 3, 3, 3);
    PXK_XorBox(7, 5, 1, 1);
    EXPECT_EQ(Picture(9, 7), ".........\n.#######.\n.#.....#.\n.#.....#.\n.#.....#.\n.#######.\n.........\n");
    EXPECT_EQ(draw_state.pen_x, 7);   // the pen ends where the right column ends
    EXPECT_EQ(draw_state.pen_y, 4);
    PXK_XorBox(1, 1, 7, 5);
    EXPECT_EQ(Picture(9, 7).find('#'), std::string::npos);
    // A one-pixel-wide box: the two columns are the same pixels and cancel.
    PXK_XorBox(4, 1, 4, 5);
    EXPECT_EQ(Picture(9, 7), ".........\n....#....\n.........\n.........\n.........\n....#....\n.........\n");
    PXK_XorBox(4, 1, 4, 5);
    PXK_XorFillBox(2, 4, 5, 2);
    EXPECT_EQ(Picture(9, 7), ".........\n.........\n..####...\n..####...\n..####...\n.........\n.........\n");
    EXPECT_EQ(draw_state.pen_x, 5);
    EXPECT_EQ(draw_state.pen_y, 4);
}

TEST_F(FigureTest, CircleOfRadiusOneIsTheFourAxisPoints) {
    MakeTestImage(0, 5, 5, 32);
    PXK_DrawCircle(0x7, 2, 2, 1);
    EXPECT_EQ(Picture(5, 5), ".....\n..#..\n.#.#.\n..#..\n.....\n");
    MakeTestImage(1, 5, 5, 32);
    PXK_XorCircle(2, 2, 1);
    EXPECT_EQ(Picture(5, 5), ".....\n..#..\n.#.#.\n..#..\n.....\n");
    EXPECT_EQ(PXK_GetPixel(2, 1), 0x00FFFFFF);
    PXK_XorCircle(2, 2, 1);
    EXPECT_EQ(Picture(5, 5).find('#'), std::string::npos);
    PXK_SetDrawColor(0x5);
    PXK_FillCircle(2, 2, 1);
    EXPECT_EQ(Picture(5, 5), ".....\n..#..\n.###.\n..#..\n.....\n");
}

TEST_F(FigureTest, DiscRowsAreSymmetricAndSolid) {
    MakeTestImage(0, 21, 21, 32);
    PXK_SetDrawColor(0x9);
    PXK_FillCircle(10, 10, 7);
    for (int y = 0; y < 21; y++) {
        int first = -1, last = -1, count = 0;
        for (int x = 0; x < 21; x++)
            if (PXK_GetPixel(x, y)) {
                if (first < 0) first = x;
                last = x;
                count++;
            }
        if (count == 0) continue;
        EXPECT_EQ(count, last - first + 1) << "row " << y << " has a gap";
        EXPECT_EQ(first + last, 20) << "row " << y;
        EXPECT_EQ(PXK_GetPixel(y, 10), PXK_GetPixel(10, y)) << y;   // symmetric in the diagonal
    }
    EXPECT_EQ(PXK_GetPixel(10, 3), 9);
    EXPECT_EQ(PXK_GetPixel(10, 2), 0);
}

TEST_F(FigureTest, XorFiguresTwiceRestore) {
    MakeTestImage(0, 50, 40, 32);
    MakeTestImage(1, 50, 40, 8);
    std::mt19937 rng(11);
    for (int index = 0; index < 2; index++) {
        PXK_SelectImage(index);
        std::vector<uint8_t> bytes = RandomBytes(index, rng);
        for (int i = 0; i < 300; i++) {
            int cx = (int)(rng() % 90) - 20, cy = (int)(rng() % 80) - 20, r = (int)(rng() % 60) - 2;
            int x2 = (int)(rng() % 90) - 20, y2 = (int)(rng() % 80) - 20;
            PXK_XorCircle(cx, cy, r);
            PXK_XorCircle(cx, cy, r);
            PXK_XorFillCircle(cx, cy, r);
            PXK_XorFillCircle(cx, cy, r);
            PXK_XorBox(cx, cy, x2, y2);
            PXK_XorBox(x2, y2, cx, cy);
            PXK_XorFillBox(cx, cy, x2, y2);
            PXK_XorFillBox(cx, y2, x2, cy);
            ASSERT_EQ(ImageBytes(index), bytes) << i;
        }
    }
}

TEST_F(FigureTest, HugeRadiiDrawTheVisibleArc) {
    MakeTestImage(0, 64, 64, 32);
    const int big = 1 << 30;
    // The top of a huge circle is flat across the image on row 32.
    PXK_DrawCircle(0x4, 32, 32 + big, big);
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) ASSERT_EQ(PXK_GetPixel(x, y), y == 32 ? 4 : 0) << x << "," << y;
    // A huge disc around the image covers it; its XOR twin flips every pixel once.
    PXK_SetDrawColor(0x6);
    PXK_FillCircle(0, 0, INT_MAX);
    for (int y = 0; y < 64; y += 7)
        for (int x = 0; x < 64; x += 5) ASSERT_EQ(PXK_GetPixel(x, y), 6);
    std::vector<uint8_t> before = ImageBytes(0);
    PXK_XorFillCircle(INT_MAX, INT_MIN, INT_MAX);
    PXK_XorFillCircle(INT_MAX, INT_MIN, INT_MAX);
    PXK_XorCircle(INT_MIN, INT_MIN, INT_MAX);
    PXK_XorCircle(INT_MIN, INT_MIN, INT_MAX);
    PXK_XorCircle(5, 5, INT_MIN);
    PXK_XorCircle(5, 5, INT_MIN);
    PXK_XorFillCircle(5, 5, INT_MIN);
    PXK_XorFillCircle(5, 5, INT_MIN);
    EXPECT_EQ(ImageBytes(0), before);
}

// Boxes, text and fills at the ends of the coordinate range draw their visible part and
// nothing else goes wrong (the sanitizer builds check the arithmetic).
TEST_F(FigureTest, ExtremeCoordinatesAreSafe) {
    MakeTestImage(0, 16, 12, 32);
    PXK_SetDrawColor(0x1);
    PXK_DrawBox(INT_MIN, INT_MIN, INT_MAX, INT_MAX);   // all four sides outside
    EXPECT_EQ(Picture(16, 12).find('#'), std::string::npos);
    PXK_DrawBox(INT_MIN, 2, INT_MAX, 9);
    for (int x = 0; x < 16; x++) EXPECT_EQ(PXK_GetPixel(x, 2) + PXK_GetPixel(x, 9), 2) << x;
    PXK_DrawFilledBox(INT_MAX, INT_MAX, INT_MIN, INT_MIN, 0x2, 0x3);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(PXK_GetPixel(x, y), 3);
    PXK_XorFillBox(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    PXK_XorBox(INT_MIN, 0, INT_MAX, 11);
    PXK_XorBox(INT_MIN, 0, INT_MAX, 11);
    PXK_XorFillBox(INT_MAX, INT_MAX, INT_MIN, INT_MIN);
    for (int y = 0; y < 12; y++)
        for (int x = 0; x < 16; x++) ASSERT_EQ(PXK_GetPixel(x, y), 3);
    PXK_SetTextPos(INT_MAX, INT_MAX);
    PXK_PutString("Wq\nW");
    EXPECT_EQ(draw_state.text_y, INT_MAX);
    PXK_SetTextPos(INT_MIN, INT_MIN);
    PXK_PutString("Wq\nW");
    PXK_SetDrawColor(0x4);
    PXK_FillCircle(INT_MIN, INT_MAX, INT_MAX);
    PXK_FillCircle(8, 6, INT_MIN);
    PXK_Paint(INT_MAX, INT_MIN);
}

// Filled boxes of many megabytes take the streaming stores: the same pixels as the reference,
// from left edges on every alignment to the last column, on both pixel sizes.
TEST_F(FigureTest, LargeFilledBoxesMatchReference) {
    for (int bits : {32, 8}) {
        const int w = 2051, h = bits == 32 ? 1100 : 4300;
        MakeTestImage(0, w, h, bits);
        std::mt19937 rng(bits);
        RefImage ref(w, h, bits, RandomBytes(0, rng));
        const int boxes[][4] = {{-5, -7, w + 3, h + 9}, {3, 1, w - 2, h - 1}, {w - 1, h - 2, 2, 0}, {5, 6, w - 7, h}};
        for (const auto& b : boxes) {
            uint32_t c1 = rng(), c2 = rng();
            PXK_DrawFilledBox(b[0], b[1], b[2], b[3], (PXK_Color)c1, (PXK_Color)c2);
            ref.FilledBox(b[0], b[1], b[2], b[3], c1, c2);
            ASSERT_EQ(ImageBytes(0), ref.bytes) << b[0] << "," << b[1] << " " << b[2] << "," << b[3];
        }
    }
}

enum FigureKind { BOX, FILLED_BOX, XOR_BOX, XOR_FILL_BOX, CIRCLE, XOR_CIRCLE, DISC, XOR_DISC, KINDS };

// Random figures of every kind; radii up to 400 so that large circles also take the
// walk's jumps over stretches outside the image.
void RandomFigures(int bits, uint32_t seed) {
    const int w = 41, h = 33;
    MakeTestImage(0, w, h, bits);
    std::mt19937 rng(seed);
    std::vector<uint8_t> start = RandomBytes(0, rng);
    RefImage ref(w, h, bits, start);
    for (int i = 0; i < 2500; i++) {
        const int kind = (int)(rng() % KINDS);
        int x1 = (int)(rng() % 140) - 50, y1 = (int)(rng() % 130) - 50;
        int x2 = (int)(rng() % 140) - 50, y2 = (int)(rng() % 130) - 50;
        int r = i % 10 == 0 ? (int)(rng() % 400) : (int)(rng() % 50) - 3;
        if (i % 10 == 0 && r > 60) {   // centre the big circle so that its edge crosses the image
            y1 = h / 2 + (rng() % 2 ? r : -r) + (int)(rng() % 20) - 10;
        }
        uint32_t c1 = rng(), c2 = rng();
        PXK_SetDrawColor((PXK_Color)c1);
        switch (kind) {
        case BOX: PXK_DrawBox(x1, y1, x2, y2); ref.Box(c1, x1, y1, x2, y2); break;
        case FILLED_BOX:
            PXK_DrawFilledBox(x1, y1, x2, y2, (PXK_Color)c1, (PXK_Color)c2);
            ref.FilledBox(x1, y1, x2, y2, c1, c2);
            break;
        case XOR_BOX: PXK_XorBox(x1, y1, x2, y2); ref.XorBox(x1, y1, x2, y2); break;
        case XOR_FILL_BOX: PXK_XorFillBox(x1, y1, x2, y2); ref.XorFillBox(x1, y1, x2, y2); break;
        case CIRCLE: PXK_DrawCircle((PXK_Color)c1, x1, y1, r); ref.Circle(false, c1, x1, y1, r); break;
        case XOR_CIRCLE: PXK_XorCircle(x1, y1, r); ref.Circle(true, 0, x1, y1, r); break;
        case DISC: PXK_FillCircle(x1, y1, r); ref.Disc(false, c1, x1, y1, r); break;
        case XOR_DISC: PXK_XorFillCircle(x1, y1, r); ref.Disc(true, 0, x1, y1, r); break;
        }
        ASSERT_EQ(ImageBytes(0), ref.bytes) << "figure " << i << " kind " << kind << " at " << x1 << "," << y1
                                            << " " << x2 << "," << y2 << " r " << r;
        if (kind == CIRCLE || kind == XOR_CIRCLE || kind == DISC || kind == XOR_DISC) {
            ASSERT_EQ(draw_state.pen_x, ref.pen_x) << i;
            ASSERT_EQ(draw_state.pen_y, ref.pen_y) << i;
        }
    }
}

// Large circles whose edge crosses the image from every side, where the walk skips the
// stretches that cannot reach the image.
TEST_F(FigureTest, LargeCirclesCrossingTheImageMatchReference) {
    const int w = 48, h = 40;
    std::mt19937 rng(31);
    for (int bits : {32, 8}) {
        MakeTestImage(0, w, h, bits);
        std::vector<uint8_t> start = RandomBytes(0, rng);
        RefImage ref(w, h, bits, start);
        for (int i = 0; i < 240; i++) {
            const bool disc = i % 4 == 0;
            const int r = 256 + (int)(rng() % (disc ? 250 : 3000));
            const int side = (int)(rng() % 8);
            const int off = (int)(rng() % 30) - 15;
            int cx = w / 2 + (int)(rng() % 60) - 30, cy = h / 2 + (int)(rng() % 60) - 30;
            if (side == 0 || side >= 4) cy = h / 2 + r + off;
            if (side == 1 || side == 5) cy = h / 2 - r + off;
            if (side == 2 || side == 4) cx = w / 2 + r + off;
            if (side == 3 || side == 5) cx = w / 2 - r + off;
            if (side == 6) cx = w / 2 - (int)(r * 0.7071) + off, cy = h / 2 - (int)(r * 0.7071) + off;
            if (side == 7) cx = w / 2 + (int)(r * 0.7071) + off, cy = h / 2 + (int)(r * 0.7071) - off;
            const uint32_t color = rng();
            PXK_SetDrawColor((PXK_Color)color);
            if (disc && i % 8 == 0) {
                PXK_FillCircle(cx, cy, r);
                ref.Disc(false, color, cx, cy, r);
            } else if (disc) {
                PXK_XorFillCircle(cx, cy, r);
                ref.Disc(true, 0, cx, cy, r);
            } else if (i % 2) {
                PXK_DrawCircle((PXK_Color)color, cx, cy, r);
                ref.Circle(false, color, cx, cy, r);
            } else {
                PXK_XorCircle(cx, cy, r);
                ref.Circle(true, 0, cx, cy, r);
            }
            ASSERT_EQ(ImageBytes(0), ref.bytes) << i << " at " << cx << "," << cy << " r " << r;
            ASSERT_EQ(draw_state.pen_x, ref.pen_x) << i;
            ASSERT_EQ(draw_state.pen_y, ref.pen_y) << i;
        }
    }
}

TEST_F(FigureTest, RandomFiguresMatchReference32) { RandomFigures(32, 21); }
TEST_F(FigureTest, RandomFiguresMatchReference8) { RandomFigures(8, 22); }

}  // namespace
