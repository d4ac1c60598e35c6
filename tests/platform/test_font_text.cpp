// Fonts and text output on memory contexts: the console font's cell, exact two-colour text on
// opaque and transparent backgrounds, the proportional GUI font, font descriptions changed one
// field at a time, face aliases and fallbacks, missing glyphs and bad input.
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/draw/surface.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

FontDesc Desc(const char16_t* face, int height, int width = 0) {
    FontDesc d{};
    for (int i = 0; face[i] && i < 31; i++) d.face[i] = face[i];
    d.height = height;
    d.width = width;
    d.weight = 400;
    return d;
}

struct Canvas {
    Surface* surface = nullptr;
    DrawContext* dc = nullptr;
    Canvas(int w, int h, int bits = 32, uint32_t fill = 0x123456) {
        EXPECT_EQ(PlatCreateSurface(&surface, w, h, bits), 0);
        dc = PlatCreateMemoryContext(surface);
        PlatRect all{0, 0, w, h};
        PlatFillRect(dc, &all, fill);
    }
    ~Canvas() {
        PlatDeleteContext(dc);
        PlatDestroySurface(surface);
    }
    uint32_t At(int x, int y) const {
        if (surface->bits == 8) return SurfaceRow(surface, y)[x];
        return ((const uint32_t*)SurfaceRow(surface, y))[x];
    }
    std::vector<uint32_t> Pixels() const {
        std::vector<uint32_t> out;
        for (int y = 0; y < surface->height; y++)
            for (int x = 0; x < surface->width; x++) out.push_back(At(x, y));
        return out;
    }
};

// Draws text white on black with the font and returns the pixels.
std::vector<uint32_t> Render(Font* font, const char16_t* text, int w = 64, int h = 48) {
    Canvas c(w, h, 32, 0);
    PlatSelectFont(c.dc, font);
    PlatSetTextColor(c.dc, 0xFFFFFF);
    PlatSetBackColor(c.dc, 0);
    EXPECT_EQ(PlatTextOut(c.dc, 2, 2, text, -1), 0);
    return c.Pixels();
}

int InkIn(const std::vector<uint32_t>& px, int w, int x0, int y0, int x1, int y1) {
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++) n += px[(size_t)y * w + x] != 0;
    return n;
}

TEST(ConsoleFont, CellIsEightBySixteenAndCjkTwoCells) {
    Font* font = PlatGetStockFont(STOCK_CONSOLE_FONT);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(PlatGetStockFont(STOCK_CONSOLE_FONT), font);
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, font);
    TextMetrics m;
    PlatGetTextMetrics(dc, &m);
    EXPECT_EQ(m.ave_char_width, 8);
    EXPECT_EQ(m.height, 16);
    EXPECT_EQ(m.ascent + m.descent, 16);
    EXPECT_EQ(m.ascent, 14);
    PlatSize a = PlatGetTextExtent(dc, u"Ab|W", 4);
    EXPECT_EQ(a.cx, 32);
    EXPECT_EQ(a.cy, 16);
    EXPECT_EQ(PlatGetTextExtent(dc, u"\u6F22", 1).cx, 16);
    EXPECT_EQ(PlatGetTextExtent(dc, u"A\u3042\uFF21", 3).cx, 40);
    // A character the face lacks still takes its cells.
    EXPECT_EQ(PlatGetTextExtent(dc, u"\u2603", 1).cx, 8);
    CharWidths w;
    ASSERT_EQ(PlatGetCharWidths(dc, u'A', &w), 0);
    EXPECT_EQ(w.a + w.b + w.c, 8);
    EXPECT_GT(w.b, 0);
    ASSERT_EQ(PlatGetCharWidths(dc, u'\u6F22', &w), 0);
    EXPECT_EQ(w.a + w.b + w.c, 16);
    PlatDeleteFont(font);   // stock fonts ignore deletion
    EXPECT_EQ(PlatGetTextExtent(dc, u"Ab", 2).cx, 16);
    PlatDeleteContext(dc);
}

TEST(ConsoleFont, OpaqueTextIsExactlyTwoColoursInItsCells) {
    Canvas c(40, 24);
    PlatSelectFont(c.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(c.dc, 0xFFFF00);
    PlatSetBackColor(c.dc, 0x0000FF);
    PlatSetBackMode(c.dc, BACK_OPAQUE);
    ASSERT_EQ(PlatTextOut(c.dc, 3, 2, u"Ag\u6F22", 3), 0);
    int ink[3] = {0, 0, 0};
    for (int y = 0; y < 24; y++) {
        for (int x = 0; x < 40; x++) {
            uint32_t p = c.At(x, y);
            bool in_cells = x >= 3 && x < 3 + 32 && y >= 2 && y < 18;
            if (!in_cells) {
                ASSERT_EQ(p, 0x123456u) << x << "," << y;
                continue;
            }
            ASSERT_TRUE(p == 0xFFFF00u || p == 0x0000FFu) << x << "," << y;
            if (p == 0xFFFF00u) ink[x < 11 ? 0 : x < 19 ? 1 : 2]++;
        }
    }
    EXPECT_GT(ink[0], 10);
    EXPECT_GT(ink[1], 10);
    EXPECT_GT(ink[2], 30);
    // The same text draws the same pixels again.
    Canvas d(40, 24);
    PlatSelectFont(d.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(d.dc, 0xFFFF00);
    PlatSetBackColor(d.dc, 0x0000FF);
    ASSERT_EQ(PlatTextOut(d.dc, 3, 2, u"Ag\u6F22", 3), 0);
    EXPECT_EQ(c.Pixels(), d.Pixels());
}

TEST(ConsoleFont, TransparentTextTouchesOnlyInk) {
    Canvas opaque(30, 20, 32, 0);
    PlatSelectFont(opaque.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(opaque.dc, 0xFFFFFF);
    PlatSetBackColor(opaque.dc, 0);
    ASSERT_EQ(PlatTextOut(opaque.dc, 1, 1, u"Hi!", 3), 0);

    Canvas c(30, 20);
    PlatSelectFont(c.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(c.dc, 0xFF0000);
    PlatSetBackMode(c.dc, BACK_TRANSPARENT);
    ASSERT_EQ(PlatTextOut(c.dc, 1, 1, u"Hi!", 3), 0);
    int ink = 0;
    for (int y = 0; y < 20; y++) {
        for (int x = 0; x < 30; x++) {
            bool is_ink = opaque.At(x, y) == 0xFFFFFFu;
            ASSERT_EQ(c.At(x, y), is_ink ? 0xFF0000u : 0x123456u) << x << "," << y;
            ink += is_ink;
        }
    }
    EXPECT_GT(ink, 20);

    // On an 8-bit surface the text is the nearest index and nothing else changes.
    Canvas g(30, 20, 8, 0x404040);
    PlatSelectFont(g.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(g.dc, 0xF0F0F0);
    PlatSetBackMode(g.dc, BACK_TRANSPARENT);
    ASSERT_EQ(PlatTextOut(g.dc, 1, 1, u"Hi!", 3), 0);
    for (int y = 0; y < 20; y++)
        for (int x = 0; x < 30; x++) ASSERT_EQ(g.At(x, y), opaque.At(x, y) ? 0xF0u : 0x40u);
}

TEST(GuiFont, ProportionalAndBlended) {
    Font* font = PlatGetStockFont(STOCK_GUI_FONT);
    ASSERT_NE(font, nullptr);
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, font);
    TextMetrics m;
    PlatGetTextMetrics(dc, &m);
    EXPECT_GE(m.height, 13);
    EXPECT_LE(m.height, 17);
    EXPECT_LT(PlatGetTextExtent(dc, u"iiii", 4).cx, PlatGetTextExtent(dc, u"WWWW", 4).cx);
    PlatDeleteContext(dc);
    // Smoothed edges lie between the two colours in every channel.
    Canvas c(80, 20, 32, 0x000000);
    PlatSelectFont(c.dc, font);
    PlatSetTextColor(c.dc, 0x80FF40);
    PlatSetBackMode(c.dc, BACK_TRANSPARENT);
    ASSERT_EQ(PlatTextOut(c.dc, 0, 0, u"Menu", 4), 0);
    int ink = 0;
    for (uint32_t p : c.Pixels()) {
        if (p == 0x123456u) continue;
        ink++;
        EXPECT_LE((p >> 16) & 255, 0x80u);
        EXPECT_LE(p & 255, 0x40u);
    }
    EXPECT_GT(ink, 20);
}

TEST(FontDesc, RoundTripAndOneFieldChanges) {
    FontDesc d = Desc(u"IPAGothic", 16);
    Font* base = PlatCreateFont(&d);
    ASSERT_NE(base, nullptr);
    FontDesc back;
    PlatGetFontDesc(base, &back);
    EXPECT_EQ(memcmp(&back, &d, sizeof d), 0);
    Font* again = PlatCreateFont(&back);
    std::vector<uint32_t> plain = Render(base, u"Ab");
    EXPECT_EQ(Render(again, u"Ab"), plain);

    FontDesc bold = back;
    bold.weight = 700;
    FontDesc italic = back;
    italic.italic = 1;
    FontDesc underline = back;
    underline.underline = 1;
    FontDesc strike = back;
    strike.strike_out = 1;
    for (FontDesc* changed : {&bold, &italic, &underline, &strike}) {
        Font* f = PlatCreateFont(changed);
        std::vector<uint32_t> px = Render(f, u"Ab");
        EXPECT_NE(px, plain);
        FontDesc read;
        PlatGetFontDesc(f, &read);
        EXPECT_EQ(memcmp(&read, changed, sizeof read), 0);
        PlatDeleteFont(f);
    }
    // Underline: one full row of ink across the run, inside the cell.
    Font* u = PlatCreateFont(&underline);
    std::vector<uint32_t> px = Render(u, u"  ");
    int full_rows = 0;
    for (int y = 0; y < 48; y++) full_rows += InkIn(px, 64, 2, y, 18, y + 1) == 16;
    EXPECT_EQ(full_rows, 1);
    EXPECT_EQ(InkIn(px, 64, 0, 18, 64, 48), 0);
    PlatDeleteFont(u);
    PlatDeleteFont(base);
    PlatDeleteFont(again);
}

TEST(FontFaces, AliasesFallbacksAndMissingGlyphs) {
    FontDesc ipa = Desc(u"IPAGothic", 16, 8);
    FontDesc ms = Desc(u"ＭＳ ゴシック", 16, 8);
    Font* a = PlatCreateFont(&ipa);
    Font* b = PlatCreateFont(&ms);
    EXPECT_EQ(Render(a, u"Ab\u6F22"), Render(b, u"Ab\u6F22"));

    // A face that does not exist still gives a working font.
    FontDesc none = Desc(u"No Such Face Zq", -20);
    Font* n = PlatCreateFont(&none);
    ASSERT_NE(n, nullptr);
    std::vector<uint32_t> px = Render(n, u"Hello");
    EXPECT_GT(InkIn(px, 64, 0, 0, 64, 48), 30);

    // The snowman comes from a fallback face; a code point nobody has draws a box.
    std::vector<uint32_t> snow = Render(b, u"\u2603");
    std::vector<uint32_t> missing = Render(b, u"\U0010FFFF");
    EXPECT_GT(InkIn(snow, 64, 0, 0, 64, 48), 5);
    EXPECT_GT(InkIn(missing, 64, 0, 0, 64, 48), 5);
    EXPECT_NE(snow, missing);
    // A lone surrogate is one character, not a crash.
    EXPECT_GT(InkIn(Render(b, u"\xD800x"), 64, 0, 0, 64, 48), 5);

    // Width and height of the description: a 40-pixel cell with a 20-pixel average width.
    FontDesc big = Desc(u"ＭＳ ゴシック", 40, 20);
    Font* f = PlatCreateFont(&big);
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, f);
    TextMetrics m;
    PlatGetTextMetrics(dc, &m);
    EXPECT_EQ(m.height, 40);
    EXPECT_EQ(m.ave_char_width, 20);
    EXPECT_EQ(PlatGetTextExtent(dc, u"AB", 2).cx, 40);
    PlatDeleteContext(dc);
    PlatDeleteFont(f);
    PlatDeleteFont(a);
    PlatDeleteFont(b);
    PlatDeleteFont(n);
}

TEST(FontFaces, ThreadsShareAFont) {
    FontDesc d = Desc(u"DejaVu Sans", -15);
    Font* font = PlatCreateFont(&d);
    const char16_t* text = u"Thread \u6F22\u00E9\u2603 text";
    std::vector<uint32_t> results[4];
    std::vector<std::thread> threads;
    for (int i = 0; i < 4; i++) threads.emplace_back([&, i] { results[i] = Render(font, text, 200, 30); });
    for (std::thread& t : threads) t.join();
    EXPECT_GT(InkIn(results[0], 200, 0, 0, 200, 30), 100);
    for (int i = 1; i < 4; i++) EXPECT_EQ(results[i], results[0]);
    PlatDeleteFont(font);
}

TEST(FontFaces, BadInput) {
    EXPECT_EQ(PlatCreateFont(nullptr), nullptr);
    FontDesc zero = Desc(u"", 0);
    Font* f = PlatCreateFont(&zero);
    ASSERT_NE(f, nullptr);
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, f);
    TextMetrics m;
    PlatGetTextMetrics(dc, &m);
    EXPECT_EQ(m.height, 16);
    PlatDeleteContext(dc);
    PlatDeleteFont(f);
    FontDesc huge = Desc(u"DejaVu Sans", 1 << 30, 1 << 30);
    Font* h = PlatCreateFont(&huge);
    ASSERT_NE(h, nullptr);
    // Text far outside, partly outside and with null text: clipped or refused, never a crash.
    Canvas c(20, 20);
    PlatSelectFont(c.dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    EXPECT_EQ(PlatTextOut(c.dc, -7, -9, u"Wide\u6F22", -1), 0);
    EXPECT_EQ(PlatTextOut(c.dc, 2000000000, 5, u"x", 1), 0);
    EXPECT_EQ(PlatTextOut(c.dc, 0, 0, nullptr, 3), 1);
    EXPECT_EQ(PlatTextOut(c.dc, 0, 0, u"", 0), 0);
    PlatSelectFont(c.dc, h);
    EXPECT_EQ(PlatTextOut(c.dc, -500, -500, u"Q", 1), 0);
    PlatDeleteFont(h);
}

}  // namespace
