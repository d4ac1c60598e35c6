// The glyph table of the built-in bitmap font: example glyphs byte for byte and the metrics
// every glyph keeps (capitals and digits on rows 2..10, which glyphs reach above row 2 or
// below row 10, all eight columns used).
#include <string.h>

#include <string>

#include <gtest/gtest.h>

#include "raster/bitmap_font.h"

namespace {

const uint8_t* Glyph(char c) { return bitmap_font[(unsigned char)c - 0x20]; }

int TopRow(const uint8_t* g) {
    for (int r = 0; r < 14; r++)
        if (g[r]) return r;
    return -1;
}
int BottomRow(const uint8_t* g) {
    for (int r = 13; r >= 0; r--)
        if (g[r]) return r;
    return -1;
}

TEST(BitmapFont, ExampleGlyphsAreExact) {
    const uint8_t a[14] = {0x00, 0x00, 0x18, 0x3C, 0x66, 0x66, 0x66, 0x7E, 0x66, 0x66, 0x66, 0x00, 0x00, 0x00};
    const uint8_t bang[14] = {0x00, 0x00, 0x18, 0x3C, 0x3C, 0x3C, 0x18, 0x18, 0x00, 0x18, 0x18, 0x00, 0x00, 0x00};
    const uint8_t p[14] = {0x00, 0x00, 0x00, 0x00, 0x7C, 0x66, 0x66, 0x66, 0x66, 0x66, 0x7C, 0x60, 0x60, 0x60};
    const uint8_t under[14] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF};
    EXPECT_EQ(memcmp(Glyph('A'), a, 14), 0);
    EXPECT_EQ(memcmp(Glyph('!'), bang, 14), 0);
    EXPECT_EQ(memcmp(Glyph('p'), p, 14), 0);
    EXPECT_EQ(memcmp(Glyph('_'), under, 14), 0);
}

TEST(BitmapFont, MetricsOfTheTable) {
    const std::string top_users = "$%^`ij";
    const std::string to13 = "gjpqy[]|_";
    const std::string to12 = "$(),;Q{}";
    unsigned columns = 0;
    for (int code = 0x20; code <= 0x7F; code++) {
        const uint8_t* g = bitmap_font[code - 0x20];
        const char c = (char)code;
        for (int r = 0; r < 14; r++) columns |= g[r];
        if (code == 0x20 || code == 0x7F) {
            EXPECT_EQ(TopRow(g), -1) << code;
            continue;
        }
        ASSERT_GE(TopRow(g), 0) << "glyph " << c << " is empty";
        EXPECT_EQ(TopRow(g) < 2, top_users.find(c) != std::string::npos) << c;
        if (to13.find(c) != std::string::npos) EXPECT_EQ(BottomRow(g), 13) << c;
        else if (to12.find(c) != std::string::npos) EXPECT_EQ(BottomRow(g), 12) << c;
        else EXPECT_LE(BottomRow(g), 10) << c;
        if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) {
            EXPECT_EQ(TopRow(g), 2) << c;
            if (c != 'Q') {
                EXPECT_EQ(BottomRow(g), 10) << c;
            }
        }
    }
    EXPECT_EQ(columns, 0xFFu);
}

}  // namespace
