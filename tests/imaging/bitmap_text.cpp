// The bitmap-font text output on the current image: glyphs drawn at the cursor (only set
// bits), the advance, line breaks and wrapping, ignored bytes, formatted text, and random text
// partly outside compared with the reference. The glyph table itself is tested in tests/raster.
#include <random>
#include <string>

#include "image_fixture.h"
#include "support/reference_drawing.h"

namespace {

using TextTest = ImagingTest;

const uint8_t* Glyph(char c) { return bitmap_font[(unsigned char)c - 0x20]; }

TEST_F(TextTest, GlyphIsDrawnAboveTheCursorWithOnlyItsSetBits) {
    MakeTestImage(0, 40, 30, 32);
    std::vector<uint8_t> bytes = ImageBytes(0);
    for (size_t i = 0; i < bytes.size(); i += 4) bytes[i] = 0x11;   // a blue-ish background
    SetImageBytes(0, bytes);
    PXK_SetTextPos(3, 20);
    PXK_SetTextColor(0x00FF0000);
    PXK_PutChar('A');
    for (int r = 0; r < 14; r++)
        for (int c = 0; c < 8; c++) {
            const bool on = Glyph('A')[r] & (0x80 >> c);
            EXPECT_EQ(PXK_GetPixel(3 + c, 6 + r), on ? 0x00FF0000 : 0x11) << c << "," << r;
        }
    EXPECT_EQ(PXK_GetPixel(3, 20), 0x11);
    EXPECT_EQ(draw_state.text_x, 11);
    EXPECT_EQ(draw_state.text_y, 20);
    EXPECT_EQ(draw_state.pen_x, 3 + 6);   // the last set pixel: row 10, column 6
    EXPECT_EQ(draw_state.pen_y, 16);
}

TEST_F(TextTest, ControlBytesBreaksAndWrapping) {
    MakeTestImage(0, 32, 60, 32);
    PXK_SetTextPos(4, 14);
    std::vector<uint8_t> before = ImageBytes(0);
    PXK_PutChar(0x80);
    PXK_PutChar(0x09);
    PXK_PutChar(0x1F);
    PXK_PutChar(0xFF);
    EXPECT_EQ(draw_state.text_x, 4);
    EXPECT_EQ(draw_state.text_y, 14);
    EXPECT_EQ(ImageBytes(0), before);
    PXK_SetTextMargin(2);
    PXK_PutChar('\n');
    EXPECT_EQ(draw_state.text_x, 2);
    EXPECT_EQ(draw_state.text_y, 30);
    // At x = width - 8 the glyph fills the last cell and the cursor then wraps.
    PXK_SetTextPos(24, 14);
    PXK_PutChar('_');
    for (int x = 24; x < 32; x++) EXPECT_EQ(PXK_GetPixel(x, 13), 0) << "black on black";
    EXPECT_EQ(draw_state.text_x, 24);
    EXPECT_EQ(draw_state.text_y, 30);
    PXK_SetTextColor(0x3);
    PXK_SetTextPos(16, 14);
    PXK_PutString("__");   // the second glyph fits in the last cell, then wraps
    for (int x = 16; x < 32; x++) EXPECT_EQ(PXK_GetPixel(x, 13), 3) << x;
    EXPECT_EQ(draw_state.text_x, 16);
    EXPECT_EQ(draw_state.text_y, 30);
}

TEST_F(TextTest, FreeSlotLeavesTheCursor) {
    MakeTestImage(0, 32, 30, 32);
    image_table[0].in_use.store(0);
    PXK_SetTextPos(5, 20);
    PXK_PutString("ab\ncd");
    PXK_PrintText("%d", 12);
    EXPECT_EQ(draw_state.text_x, 5);
    EXPECT_EQ(draw_state.text_y, 20);
}

TEST_F(TextTest, PrintTextFormatsAndCutsAt4095Bytes) {
    MakeTestImage(0, 200, 40, 8);
    PXK_SetTextColor(0x00FFFF41);   // index 0x41 on an 8-bit image
    PXK_SetTextPos(0, 16);
    PXK_PrintText("x=%d %s", 42, "ok");
    RefImage ref(200, 40, 8, std::vector<uint8_t>(200 * 40, 0));
    int64_t cx = 0, cy = 16;
    for (char c : std::string("x=42 ok")) ref.PutChar((unsigned char)c, &cx, &cy, 0, 0x41);
    EXPECT_EQ(ImageBytes(0), ref.bytes);
    EXPECT_EQ(draw_state.text_x, cx);

    // 5000 characters: only the first 4095 are drawn, so the cursor ends as after 4095.
    std::string long_text(5000, 'W');
    PXK_SetTextPos(0, 16);
    PXK_PrintText("%s", long_text.c_str());
    int64_t lx = 0, ly = 16;
    RefImage counter(200, 40, 8, std::vector<uint8_t>(200 * 40, 0));
    for (int i = 0; i < 4095; i++) counter.PutChar('W', &lx, &ly, 0, 1);
    EXPECT_EQ(draw_state.text_x, lx);
    EXPECT_EQ(draw_state.text_y, ly);
}

// Random strings at random positions (many partly outside), both depths.
void RandomText(int bits, uint32_t seed) {
    const int w = 45, h = 38;
    MakeTestImage(0, w, h, bits);
    std::mt19937 rng(seed);
    std::vector<uint8_t> start = ImageBytes(0);
    for (auto& b : start) b = (uint8_t)rng();
    SetImageBytes(0, start);
    RefImage ref(w, h, bits, start);
    for (int i = 0; i < 400; i++) {
        const int x = (int)(rng() % 80) - 30, y = (int)(rng() % 80) - 20;
        const uint32_t color = rng();
        std::string s;
        for (int n = (int)(rng() % 12); n > 0; n--) s += (char)(rng() % 5 == 0 ? '\n' : 0x1E + rng() % 0x64);
        PXK_SetTextPos(x, y);
        PXK_SetTextColor((PXK_Color)color);
        PXK_PutString(s.c_str());
        int64_t cx = x, cy = y;
        for (char c : s) ref.PutChar((unsigned char)c, &cx, &cy, x, color);
        ASSERT_EQ(ImageBytes(0), ref.bytes) << i << " \"" << s << "\"";
        ASSERT_EQ(draw_state.text_x, cx);
        ASSERT_EQ(draw_state.text_y, cy);
        ASSERT_EQ(draw_state.pen_x, ref.pen_x) << i;
        ASSERT_EQ(draw_state.pen_y, ref.pen_y) << i;
    }
}

TEST_F(TextTest, RandomTextMatchesReference32) { RandomText(32, 51); }
TEST_F(TextTest, RandomTextMatchesReference8) { RandomText(8, 52); }

}  // namespace
