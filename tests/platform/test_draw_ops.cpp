// Surfaces and the plain drawing operations on memory contexts: creation and its failures,
// 8-bit row padding, plain copies (clipping, overlap, format conversion), fills, inversion,
// the colour table and pixel reads.
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"

#include <gtest/gtest.h>

#include <limits.h>
#include <string.h>

#include <vector>

namespace {

Surface* MakeSurface(int w, int h, int bits) {
    Surface* s = nullptr;
    EXPECT_EQ(PlatCreateSurface(&s, w, h, bits), 0);
    return s;
}

uint32_t& Px32(Surface* s, int x, int y) { return ((uint32_t*)SurfaceRow(s, y))[x]; }

void Pattern(Surface* s) {
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) {
            if (s->bits == 32) Px32(s, x, y) = (uint32_t)(y * 256 + x) | 0x010000u * (uint32_t)((x * 7 + y) & 255);
            else SurfaceRow(s, y)[x] = (uint8_t)(y * 16 + x);
        }
}

TEST(Surface, CreationLayoutAndFailures) {
    Surface* s = MakeSurface(5, 3, 8);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->stride, 8);
    EXPECT_EQ(SurfaceStride(5, 8), 8);
    EXPECT_EQ(SurfaceStride(8, 8), 8);
    EXPECT_EQ(SurfaceStride(5, 32), 20);
    for (int i = 0; i < s->stride * s->height; i++) ASSERT_EQ(s->pixels[i], 0);
    EXPECT_EQ(s->palette[0], 0u);
    EXPECT_EQ(s->palette[255], 0xFFFFFFu);
    EXPECT_EQ(s->palette[0x40], 0x404040u);
    PlatDestroySurface(s);

    Surface* t = MakeSurface(3, 2, 32);
    EXPECT_EQ(t->stride, 12);
    for (int i = 0; i < t->stride * t->height; i++) ASSERT_EQ(t->pixels[i], 0);
    PlatDestroySurface(t);

    Surface* bad = (Surface*)1;
    EXPECT_EQ(PlatCreateSurface(&bad, 0, 5, 32), 1);
    EXPECT_EQ(bad, nullptr);
    EXPECT_EQ(PlatCreateSurface(&bad, 5, -1, 32), 1);
    EXPECT_EQ(PlatCreateSurface(&bad, 5, 5, 24), 1);
    EXPECT_EQ(PlatCreateSurface(&bad, INT_MAX, INT_MAX, 32), 3);
    EXPECT_EQ(PlatCreateSurface(&bad, INT_MAX - 1, 2, 8), 3);
    EXPECT_EQ(PlatCreateSurface(&bad, 1000000, 1000000, 32), 3);
    EXPECT_EQ(bad, nullptr);
    // A surface made without a backend is ordinary memory, zero at creation.
    Surface* sh = nullptr;
    ASSERT_EQ(PlatCreateSurface(&sh, 4, 4, 32), 0);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(((const uint32_t*)SurfaceRow(sh, y))[x], 0u);
    PlatDestroySurface(sh);
    PlatDestroySurface(nullptr);
}

TEST(CopyRect, ClipsToBothSurfaces) {
    Surface* src = MakeSurface(6, 5, 32);
    Surface* dst = MakeSurface(4, 4, 32);
    Pattern(src);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) Px32(dst, x, y) = 0xABCDEF;
    DrawContext* d = PlatCreateMemoryContext(dst);
    DrawContext* s = PlatCreateMemoryContext(src);
    // Destination starts at (-1, 1); source at (3, -1): only a small part overlaps both.
    ASSERT_EQ(PlatCopyRect(d, -1, 1, 5, 5, s, 3, -1), 0);
    for (int y = 0; y < 4; y++) {
        for (int x = 0; x < 4; x++) {
            int sx = x + 1 + 3, sy = y - 1 - 1;
            bool inside = sx >= 0 && sx < 6 && sy >= 0 && sy < 5 && x + 1 < 5 && y - 1 >= 0 && y - 1 < 5;
            uint32_t want = inside ? Px32(src, sx, sy) : 0xABCDEFu;
            ASSERT_EQ(Px32(dst, x, y), want) << x << "," << y;
        }
    }
    EXPECT_EQ(PlatCopyRect(d, 0, 0, -1, 2, s, 0, 0), 1);
    EXPECT_EQ(PlatCopyRect(d, 0, 0, 0, 2, s, 0, 0), 0);
    PlatDeleteContext(d);
    PlatDeleteContext(s);
    PlatDestroySurface(src);
    PlatDestroySurface(dst);
}

TEST(CopyRect, OverlappingScrollBothWays) {
    for (int shift : {3, -3}) {
        Surface* s = MakeSurface(7, 10, 32);
        Pattern(s);
        std::vector<uint32_t> before((uint32_t*)s->pixels, (uint32_t*)s->pixels + 70);
        DrawContext* dc = PlatCreateMemoryContext(s);
        // Moves rows 3..9 up to 0..6 (shift 3), or rows 0..6 down to 3..9 (shift -3).
        int from = shift > 0 ? shift : 0, to = shift > 0 ? 0 : -shift;
        ASSERT_EQ(PlatCopyRect(dc, 0, to, 7, 7, dc, 0, from), 0);
        for (int r = 0; r < 7; r++)
            for (int x = 0; x < 7; x++) ASSERT_EQ(Px32(s, x, to + r), before[(size_t)(from + r) * 7 + x]);
        PlatDeleteContext(dc);
        PlatDestroySurface(s);
    }
}

TEST(CopyRect, EightBitFormats) {
    Surface* a = MakeSurface(5, 2, 8);
    Surface* b = MakeSurface(5, 2, 8);
    Surface* c = MakeSurface(5, 2, 32);
    Pattern(a);
    for (int i = 0; i < 256; i++) a->palette[i] = b->palette[i] = (uint32_t)(255 - i) * 0x010000u;
    DrawContext* da = PlatCreateMemoryContext(a);
    DrawContext* db = PlatCreateMemoryContext(b);
    DrawContext* dc = PlatCreateMemoryContext(c);
    // Equal colour tables: indices copy unchanged, padding bytes untouched.
    ASSERT_EQ(PlatCopyRect(db, 0, 0, 5, 2, da, 0, 0), 0);
    for (int y = 0; y < 2; y++) EXPECT_EQ(memcmp(SurfaceRow(a, y), SurfaceRow(b, y), 5), 0);
    EXPECT_EQ(SurfaceRow(b, 0)[5], 0);
    // 8 to 32 bits: through the colour table.
    ASSERT_EQ(PlatCopyRect(dc, 0, 0, 5, 2, da, 0, 0), 0);
    EXPECT_EQ(Px32(c, 3, 1), (uint32_t)(255 - (16 + 3)) << 16);
    // 32 to 8 bits: the nearest entry (red levels here).
    Px32(c, 0, 0) = 0xF00000;
    ASSERT_EQ(PlatCopyRect(db, 0, 0, 1, 1, dc, 0, 0), 0);
    EXPECT_EQ(SurfaceRow(b, 0)[0], 255 - 0xF0);
    // Different tables: each colour maps to the nearest entry of the destination's table.
    for (int i = 0; i < 256; i++) b->palette[i] = (uint32_t)i;   // blue levels
    SurfaceRow(a, 0)[0] = 0;                                      // a: red 255
    a->palette[1] = 0x000080;
    SurfaceRow(a, 0)[1] = 1;
    ASSERT_EQ(PlatCopyRect(db, 0, 0, 2, 1, da, 0, 0), 0);
    EXPECT_EQ(SurfaceRow(b, 0)[1], 0x80);
    PlatDeleteContext(da);
    PlatDeleteContext(db);
    PlatDeleteContext(dc);
    PlatDestroySurface(a);
    PlatDestroySurface(b);
    PlatDestroySurface(c);
}

// Fills larger than the caches take another path (streaming stores): the same pixels, with
// edges that are not 16-byte aligned and rows shorter than a multiple of four.
TEST(FillAndInvert, LargeFillsTouchExactlyTheirRectangle) {
    Surface* s = MakeSurface(2101, 1103, 32);
    DrawContext* dc = PlatCreateMemoryContext(s);
    PlatRect r{3, 2, 2098, 1101};
    PlatFillRect(dc, &r, 0x00ABCDEF);
    long wrong = 0;
    for (int y = 0; y < 1103; y++)
        for (int x = 0; x < 2101; x++)
            wrong += Px32(s, x, y) != ((x >= 3 && x < 2098 && y >= 2 && y < 1101) ? 0x00ABCDEFu : 0u);
    EXPECT_EQ(wrong, 0);
    PlatDeleteContext(dc);
    PlatDestroySurface(s);
}

TEST(FillAndInvert, ClippedFillsAndExactInversion) {
    Surface* s = MakeSurface(6, 4, 32);
    DrawContext* dc = PlatCreateMemoryContext(s);
    PlatRect r{-2, 1, 3, 10};
    PlatFillRect(dc, &r, 0x123456);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 6; x++) ASSERT_EQ(Px32(s, x, y), (x < 3 && y >= 1) ? 0x123456u : 0u);
    PlatSelectBrush(dc, 0x00FF00);
    PlatRect one{5, 0, 6, 1};
    PlatFillRect(dc, &one, PLAT_SELECTED_BRUSH);
    EXPECT_EQ(Px32(s, 5, 0), 0x00FF00u);
    PlatRect all{0, 0, 6, 4};
    PlatInvertRect(dc, &all);
    EXPECT_EQ(Px32(s, 0, 2), ~0x123456u);
    EXPECT_EQ(Px32(s, 4, 0), 0xFFFFFFFFu);
    EXPECT_EQ(PlatGetPixel(dc, 0, 2), (int64_t)(~0x123456u & 0xFFFFFFu));
    PlatInvertRect(dc, &all);
    EXPECT_EQ(Px32(s, 0, 2), 0x123456u);
    EXPECT_EQ(Px32(s, 4, 0), 0u);
    PlatRect empty{3, 3, 3, 9};
    PlatInvertRect(dc, &empty);
    EXPECT_EQ(Px32(s, 3, 3), 0u);
    PlatDeleteContext(dc);
    PlatDestroySurface(s);

    Surface* g = MakeSurface(7, 3, 8);
    Pattern(g);
    DrawContext* gc = PlatCreateMemoryContext(g);
    PlatRect whole{0, 0, 7, 3};
    PlatInvertRect(gc, &whole);
    for (int y = 0; y < 3; y++) {
        for (int x = 0; x < 7; x++) ASSERT_EQ(SurfaceRow(g, y)[x], 255 - (y * 16 + x));
        EXPECT_EQ(SurfaceRow(g, y)[7], 0);   // padding is no pixel
    }
    // A fill on an 8-bit surface stores the nearest entry of the grey table.
    PlatFillRect(gc, &whole, 0x10FF10);
    EXPECT_EQ(SurfaceRow(g, 2)[6], 96);   // minimises 2 (v - 16)^2 + (v - 255)^2
    EXPECT_EQ(SurfaceRow(g, 2)[7], 0);
    PlatDeleteContext(gc);
    PlatDestroySurface(g);
}

TEST(ColorTable, ReadWriteAndPixels) {
    Surface* g = MakeSurface(2, 2, 8);
    DrawContext* dc = PlatCreateMemoryContext(g);
    uint32_t table[256];
    ASSERT_EQ(PlatGetColorTable(dc, 0, 256, table), 0);
    EXPECT_EQ(table[200], 0xC8C8C8u);
    uint32_t in[2] = {0xFF0000, 0x00FF00};
    ASSERT_EQ(PlatSetColorTable(dc, 254, 2, in), 0);
    EXPECT_EQ(PlatSetColorTable(dc, 255, 2, in), 1);
    EXPECT_EQ(PlatGetColorTable(dc, -1, 2, table), 1);
    SurfaceRow(g, 1)[1] = 255;
    EXPECT_EQ(PlatGetPixel(dc, 1, 1), 0x00FF00);
    EXPECT_EQ(PlatGetPixel(dc, 0, 0), 0);
    EXPECT_EQ(PlatGetPixel(dc, 2, 0), -1);
    EXPECT_EQ(PlatGetPixel(dc, 0, -1), -1);
    PlatSize size = PlatGetContextSize(dc);
    EXPECT_EQ(size.cx, 2);
    EXPECT_EQ(size.cy, 2);

    Surface* c = MakeSurface(2, 2, 32);
    DrawContext* cc = PlatCreateMemoryContext(c);
    EXPECT_EQ(PlatGetColorTable(cc, 0, 1, table), 1);
    PlatDeleteContext(cc);
    PlatDestroySurface(c);
    PlatDeleteContext(dc);
    PlatDestroySurface(g);
}

TEST(Contexts, NoSurfaceDrawsNothing) {
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatRect r{0, 0, 5, 5};
    PlatFillRect(dc, &r, 0);
    PlatInvertRect(dc, &r);
    EXPECT_EQ(PlatGetPixel(dc, 0, 0), -1);
    EXPECT_EQ(PlatTextOut(dc, 0, 0, u"x", 1), 1);
    PlatSize size = PlatGetContextSize(dc);
    EXPECT_EQ(size.cx, 0);
    EXPECT_EQ(PlatGetStretchMode(dc), STRETCH_COLORONCOLOR);
    PlatSetStretchMode(dc, STRETCH_HALFTONE);
    PlatSetStretchMode(dc, 7);
    EXPECT_EQ(PlatGetStretchMode(dc), STRETCH_HALFTONE);
    PlatDeleteContext(dc);
    EXPECT_EQ(PlatGetWindowContext(0), nullptr);
}

}  // namespace
