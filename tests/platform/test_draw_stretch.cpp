// Stretched copies against brute-force references of the documented rules: nearest reads
// source pixel floor(i * sw / dw); the area average splits every source pixel into dw x dh
// sub-pixels, lets each destination pixel own exactly sw x sh of them and rounds the mean
// half up. Mirrors, odd sizes, in-place flips, 8-bit sources and clipping.
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include <random>
#include <vector>

namespace {

Surface* MakeSurface(int w, int h, int bits) {
    Surface* s = nullptr;
    EXPECT_EQ(PlatCreateSurface(&s, w, h, bits), 0);
    return s;
}

uint32_t Px(const Surface* s, int x, int y) {
    if (s->bits == 8) return SurfaceRow(s, y)[x];
    return ((const uint32_t*)SurfaceRow(s, y))[x];
}

void SetPx(Surface* s, int x, int y, uint32_t v) {
    if (s->bits == 8) SurfaceRow(s, y)[x] = (uint8_t)v;
    else ((uint32_t*)SurfaceRow(s, y))[x] = v;
}

void FillRandom(Surface* s, unsigned seed) {
    std::mt19937 rng(seed);
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) SetPx(s, x, y, s->bits == 8 ? rng() & 255u : rng() & 0xFFFFFFu);
}

uint32_t Color(const Surface* s, int x, int y) {
    return s->bits == 8 ? s->palette[Px(s, x, y)] & 0xFFFFFFu : Px(s, x, y) & 0xFFFFFFu;
}

// Position along one axis: destination position for step i, source position for step j.
int Along(int origin, int extent, long long step) { return (int)(extent < 0 ? origin - step : origin + step); }

// Expected destination after a nearest stretch; pixels not drawn keep `before`.
std::vector<uint32_t> ReferenceNearest(const Surface* before, int dx, int dy, int dw, int dh, const Surface* src,
                                       int sx, int sy, int sw, int sh) {
    std::vector<uint32_t> out;
    for (int y = 0; y < before->height; y++)
        for (int x = 0; x < before->width; x++) out.push_back(Px(before, x, y));
    int adw = abs(dw), adh = abs(dh), asw = abs(sw), ash = abs(sh);
    for (int i = 0; i < adw; i++) {
        for (int k = 0; k < adh; k++) {
            int x = Along(dx, dw, i), y = Along(dy, dh, k);
            if (x < 0 || y < 0 || x >= before->width || y >= before->height) continue;
            int ux = Along(sx, sw, (long long)i * asw / adw), uy = Along(sy, sh, (long long)k * ash / adh);
            if (ux < 0 || uy < 0 || ux >= src->width || uy >= src->height) continue;
            out[(size_t)y * before->width + x] = before->bits == 32 ? Color(src, ux, uy) : Px(src, ux, uy);
        }
    }
    return out;
}

// Expected destination after an area-average stretch (32-bit destination), by sub-pixels.
std::vector<uint32_t> ReferenceArea(const Surface* before, int dx, int dy, int dw, int dh, const Surface* src,
                                    int sx, int sy, int sw, int sh) {
    std::vector<uint32_t> out;
    for (int y = 0; y < before->height; y++)
        for (int x = 0; x < before->width; x++) out.push_back(Px(before, x, y));
    long long adw = abs(dw), adh = abs(dh), asw = abs(sw), ash = abs(sh);
    for (long long i = 0; i < adw; i++) {
        for (long long k = 0; k < adh; k++) {
            int x = Along(dx, dw, i), y = Along(dy, dh, k);
            if (x < 0 || y < 0 || x >= before->width || y >= before->height) continue;
            unsigned long long sum[3] = {0, 0, 0};
            bool inside = true;
            // Destination pixel i owns sub-pixels [i * sw, (i + 1) * sw) of the source row,
            // which has dw sub-pixels per source pixel.
            for (long long u = i * asw; u < (i + 1) * asw && inside; u++) {
                for (long long v = k * ash; v < (k + 1) * ash; v++) {
                    int ux = Along(sx, sw, u / adw), uy = Along(sy, sh, v / adh);
                    if (ux < 0 || uy < 0 || ux >= src->width || uy >= src->height) {
                        inside = false;
                        break;
                    }
                    uint32_t c = Color(src, ux, uy);
                    sum[0] += (c >> 16) & 255;
                    sum[1] += (c >> 8) & 255;
                    sum[2] += c & 255;
                }
            }
            if (!inside) continue;
            unsigned long long total = (unsigned long long)(asw * ash);
            uint32_t v = 0;
            for (int ch = 0; ch < 3; ch++) v = (v << 8) | (uint32_t)((2 * sum[ch] + total) / (2 * total));
            out[(size_t)y * before->width + x] = v;
        }
    }
    return out;
}

std::vector<uint32_t> Pixels(const Surface* s) {
    std::vector<uint32_t> out;
    for (int y = 0; y < s->height; y++)
        for (int x = 0; x < s->width; x++) out.push_back(Px(s, x, y));
    return out;
}

// The same rule by source pixels and their integer weights (a source pixel's overlap with the
// destination pixel, counted in 1/dw of a pixel), for stretches too large to split into
// sub-pixels. Only destination pixels on the surface are computed.
std::vector<uint32_t> ReferenceAreaTaps(const Surface* before, int dx, int dy, int dw, int dh, const Surface* src,
                                        int sx, int sy, int sw, int sh) {
    std::vector<uint32_t> out = Pixels(before);
    long long adw = llabs(dw), adh = llabs(dh), asw = llabs(sw), ash = llabs(sh);
    for (int y = 0; y < before->height; y++) {
        for (int x = 0; x < before->width; x++) {
            long long i = dw < 0 ? (long long)dx - x : (long long)x - dx, k = dh < 0 ? (long long)dy - y : (long long)y - dy;
            if (i < 0 || i >= adw || k < 0 || k >= adh) continue;
            unsigned long long sum[3] = {0, 0, 0};
            bool inside = true;
            for (long long u = i * asw / adw; u * adw < (i + 1) * asw && inside; u++) {
                long long wx = std::min((u + 1) * adw, (i + 1) * asw) - std::max(u * adw, i * asw);
                for (long long v = k * ash / adh; v * adh < (k + 1) * ash; v++) {
                    long long wy = std::min((v + 1) * adh, (k + 1) * ash) - std::max(v * adh, k * ash);
                    int ux = Along(sx, sw, u), uy = Along(sy, sh, v);
                    if (ux < 0 || uy < 0 || ux >= src->width || uy >= src->height) {
                        inside = false;
                        break;
                    }
                    uint32_t c = Color(src, ux, uy);
                    for (int ch = 0; ch < 3; ch++) sum[ch] += (unsigned long long)(wx * wy) * ((c >> (16 - 8 * ch)) & 255);
                }
            }
            if (!inside) continue;
            unsigned long long total = (unsigned long long)(asw * ash);
            uint32_t v = 0;
            for (int ch = 0; ch < 3; ch++) v = (v << 8) | (uint32_t)((2 * sum[ch] + total) / (2 * total));
            out[(size_t)y * before->width + x] = v;
        }
    }
    return out;
}

struct Case {
    int src_w, src_h;
    int dx, dy, dw, dh;
    int sx, sy, sw, sh;
    int dst_w, dst_h;
};

const Case cases[] = {
    {16, 12, 0, 0, 7, 5, 0, 0, 16, 12, 9, 7},       // down, uneven factors
    {5, 3, 0, 0, 13, 11, 0, 0, 5, 3, 13, 11},       // up, odd sizes
    {7, 7, 1, 2, 7, 7, 0, 0, 7, 7, 10, 10},         // 1:1 with offset
    {9, 6, 10, 0, -11, 4, 0, 0, 9, 6, 12, 5},       // horizontal mirror, down in y
    {9, 6, 0, 8, 5, -9, 0, 0, 9, 6, 6, 9},          // vertical mirror, up in y
    {9, 6, 6, 6, -7, -7, 1, 1, 7, 4, 8, 8},         // both mirrors, source sub-rectangle
    {10, 10, 0, 0, 6, 6, 9, 9, -10, -10, 6, 6},     // mirrored source extents
    {12, 9, -3, -2, 10, 8, 0, 0, 12, 9, 6, 5},      // destination partly outside
    {6, 6, 0, 0, 9, 9, 3, 3, 6, 6, 9, 9},           // source partly outside
    {3, 2, 0, 0, 17, 3, 0, 0, 3, 2, 17, 3},         // strong horizontal enlargement
    {40, 3, 0, 0, 3, 3, 0, 0, 40, 3, 3, 3},         // strong horizontal reduction
    {2, 8231, 0, 0, 2, 3, 0, 0, 2, 8231, 2, 3},     // reduction too strong for packed sums
    {4201, 4003, 0, 0, 2, 1, 0, 0, 4201, 4003, 2, 1},   // sums past 32 bits
};

void RunCase(const Case& c, int mode, int src_bits, bool by_taps = false) {
    Surface* src = MakeSurface(c.src_w, c.src_h, src_bits);
    Surface* dst = MakeSurface(c.dst_w, c.dst_h, 32);
    FillRandom(src, 17);
    FillRandom(dst, 99);
    if (src_bits == 8) {
        std::mt19937 rng(5);
        for (int i = 0; i < 256; i++) src->palette[i] = rng() & 0xFFFFFFu;
    }
    std::vector<uint32_t> expected =
        mode != STRETCH_HALFTONE ? ReferenceNearest(dst, c.dx, c.dy, c.dw, c.dh, src, c.sx, c.sy, c.sw, c.sh)
        : by_taps                ? ReferenceAreaTaps(dst, c.dx, c.dy, c.dw, c.dh, src, c.sx, c.sy, c.sw, c.sh)
                                 : ReferenceArea(dst, c.dx, c.dy, c.dw, c.dh, src, c.sx, c.sy, c.sw, c.sh);
    DrawContext* d = PlatCreateMemoryContext(dst);
    DrawContext* s = PlatCreateMemoryContext(src);
    PlatSetStretchMode(d, mode);
    EXPECT_EQ(PlatStretchCopy(d, c.dx, c.dy, c.dw, c.dh, s, c.sx, c.sy, c.sw, c.sh), 0);
    EXPECT_EQ(Pixels(dst), expected) << "case " << c.src_w << "x" << c.src_h << " -> " << c.dw << "x" << c.dh
                                     << " mode " << mode << " bits " << src_bits;
    PlatDeleteContext(d);
    PlatDeleteContext(s);
    PlatDestroySurface(src);
    PlatDestroySurface(dst);
}

TEST(Stretch, NearestMatchesReference) {
    for (const Case& c : cases) RunCase(c, STRETCH_COLORONCOLOR, 32);
}

TEST(Stretch, AreaAverageMatchesReference) {
    for (const Case& c : cases) RunCase(c, STRETCH_HALFTONE, 32);
}

TEST(Stretch, EightBitSourcesReadThroughColourTable) {
    for (const Case& c : cases) {
        RunCase(c, STRETCH_COLORONCOLOR, 8);
        RunCase(c, STRETCH_HALFTONE, 8);
    }
}

// A random stretch: sources up to max_src pixels a side, destinations up to 30 (or, when
// enlarging, one to four times the source plus three), placed partly off the destination,
// either extent mirrored; an enlarging one may also mirror its source.
static Case RandomCase(std::mt19937& rng, int max_src, bool enlarging) {
    auto pick = [&rng](int lo, int hi) { return lo + (int)(rng() % (unsigned)(hi - lo + 1)); };
    Case c{};
    c.src_w = pick(1, max_src);
    c.src_h = pick(1, max_src);
    c.sw = pick(1, c.src_w);
    c.sh = pick(1, c.src_h);
    c.sx = pick(0, c.src_w - c.sw);
    c.sy = pick(0, c.src_h - c.sh);
    if (enlarging) {
        c.dw = pick(c.sw, 4 * c.sw + 3);
        c.dh = pick(c.sh, 4 * c.sh + 3);
        c.dst_w = pick(1, 50);
        c.dst_h = pick(1, 50);
    } else {
        c.dst_w = pick(1, 30);
        c.dst_h = pick(1, 30);
        c.dw = pick(1, 30);
        c.dh = pick(1, 30);
    }
    c.dx = pick(-4, c.dst_w - 1);
    c.dy = pick(-4, c.dst_h - 1);
    if (rng() & 1) c.dw = -c.dw;
    if (rng() & 1) c.dh = -c.dh;
    if (enlarging && (rng() & 1)) {
        c.sx += c.sw - 1;
        c.sw = -c.sw;
    }
    return c;
}

// Random sizes, zooms, mirrors, offsets and colour tables against the sub-pixel reference:
// column counts that leave vector tails, odd numbers of rows under a pixel, 8-bit loads.
TEST(Stretch, AreaAverageRandomizedMatchesReference) {
    std::mt19937 rng(2026);
    for (int round = 0; round < 80; round++) RunCase(RandomCase(rng, 30, false), STRETCH_HALFTONE, round % 3 == 0 ? 8 : 32);
}

// Enlargements, where every destination pixel covers at most two source pixels per axis:
// random sizes, mirrors, offsets and colour tables against the sub-pixel reference; stretches
// large enough to be shared out among threads; totals at the largest the pair path takes
// (4093 x 4099 just below 2^24) and past it.
TEST(Stretch, EnlargingAreaAverageMatchesReference) {
    std::mt19937 rng(1414);
    for (int round = 0; round < 100; round++) RunCase(RandomCase(rng, 20, true), STRETCH_HALFTONE, round % 3 == 0 ? 8 : 32);
    const Case big[] = {
        {300, 200, 0, 0, 2900, 2100, 0, 0, 300, 200, 2901, 2103},
        {301, 203, 2900, 2102, -2899, -2103, 0, 0, 301, 203, 2901, 2103},
        {4093, 4099, -1234, -2345, 5791, 5801, 0, 0, 4093, 4099, 64, 48},
        {4093, 4099, 1300, 2400, -5791, -5801, 0, 0, 4093, 4099, 64, 48},
        {4097, 4099, -1234, -2345, 5791, 5801, 0, 0, 4097, 4099, 64, 48},
    };
    for (const Case& c : big) {
        RunCase(c, STRETCH_HALFTONE, 32, true);
        RunCase(c, STRETCH_HALFTONE, 8, true);
    }
}

// A stretch large enough to be shared out among threads gives, row for row, what the same
// stretch gives when only a thin strip of it lands on a small destination.
TEST(Stretch, LargeAreaAverageEqualsItsStrips) {
    enum { SW = 2400, SH = 1800, DW = 701, DH = 503, STRIP = 37 };
    for (int bits : {32, 8}) {
        Surface* src = MakeSurface(SW, SH, bits);
        FillRandom(src, 8);
        for (int i = 0; i < 256; i++) src->palette[i] = (uint32_t)i * 0x9E3779B1u;
        Surface* whole = MakeSurface(DW, DH, 32);
        Surface* strip = MakeSurface(DW, STRIP, 32);
        DrawContext* s = PlatCreateMemoryContext(src);
        DrawContext* w = PlatCreateMemoryContext(whole);
        DrawContext* t = PlatCreateMemoryContext(strip);
        PlatSetStretchMode(w, STRETCH_HALFTONE);
        PlatSetStretchMode(t, STRETCH_HALFTONE);
        ASSERT_EQ(PlatStretchCopy(w, 0, 0, DW, DH, s, 0, 0, SW, SH), 0);
        for (int top = 0; top < DH; top += STRIP) {
            ASSERT_EQ(PlatStretchCopy(t, 0, -top, DW, DH, s, 0, 0, SW, SH), 0);
            for (int y = top; y < DH && y < top + STRIP; y++)
                ASSERT_EQ(memcmp(SurfaceRow(whole, y), SurfaceRow(strip, y - top), DW * 4), 0) << "row " << y;
        }
        PlatDeleteContext(s);
        PlatDeleteContext(w);
        PlatDeleteContext(t);
        PlatDestroySurface(src);
        PlatDestroySurface(whole);
        PlatDestroySurface(strip);
    }
}

// Nearest stretches of many megapixels are shared out by rows among the layer's threads; the
// result is still the rule's, row for row (mirrored, partly outside, 8-bit sources).
TEST(Stretch, LargeNearestMatchesReference) {
    const Case big[] = {
        {1500, 1100, 3000, -5, -2999, 2210, 0, 0, 1500, 1100, 3001, 2203},
        {1300, 900, 0, 2202, 3001, -2203, 1299, 0, -1300, 900, 3001, 2203},
    };
    for (const Case& c : big) {
        RunCase(c, STRETCH_COLORONCOLOR, 32);
        RunCase(c, STRETCH_COLORONCOLOR, 8);
    }
}

TEST(Stretch, AreaAverageByHand) {
    Surface* src = MakeSurface(3, 1, 32);
    Surface* dst = MakeSurface(2, 1, 32);
    uint32_t* p = (uint32_t*)src->pixels;
    p[0] = 0x000000;
    p[1] = 0x0000FF;
    p[2] = 0xFF0000;
    DrawContext* d = PlatCreateMemoryContext(dst);
    DrawContext* s = PlatCreateMemoryContext(src);
    PlatSetStretchMode(d, STRETCH_HALFTONE);
    // Pixel 0 covers source [0, 1.5): 2/3 of 0 and 1/3 of 255 in blue = 85.
    // Pixel 1 covers [1.5, 3): blue 255 * 1/3 = 85, red 255 * 2/3 = 170.
    ASSERT_EQ(PlatStretchCopy(d, 0, 0, 2, 1, s, 0, 0, 3, 1), 0);
    EXPECT_EQ(((uint32_t*)dst->pixels)[0], 0x000055u);
    EXPECT_EQ(((uint32_t*)dst->pixels)[1], 0xAA0055u);
    // Two pixels 0 and 255 onto one: 127.5 rounds up.
    p[0] = 0x000000;
    p[1] = 0xFFFFFF;
    ASSERT_EQ(PlatStretchCopy(d, 0, 0, 1, 1, s, 0, 0, 2, 1), 0);
    EXPECT_EQ(((uint32_t*)dst->pixels)[0], 0x808080u);
    PlatDeleteContext(d);
    PlatDeleteContext(s);
    PlatDestroySurface(src);
    PlatDestroySurface(dst);
}

void CheckFlips(int w, int h, int bits, int mode) {
    Surface* img = MakeSurface(w, h, bits);
    FillRandom(img, 3);
    std::vector<uint32_t> before = Pixels(img);
    DrawContext* dc = PlatCreateMemoryContext(img);
    PlatSetStretchMode(dc, mode);
    ASSERT_EQ(PlatStretchCopy(dc, w - 1, 0, -w, h, dc, 0, 0, w, h), 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) ASSERT_EQ(Px(img, x, y), before[(size_t)y * w + (w - 1 - x)]);
    ASSERT_EQ(PlatStretchCopy(dc, w - 1, 0, -w, h, dc, 0, 0, w, h), 0);
    EXPECT_EQ(Pixels(img), before);
    ASSERT_EQ(PlatStretchCopy(dc, 0, h - 1, w, -h, dc, 0, 0, w, h), 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) ASSERT_EQ(Px(img, x, y), before[(size_t)(h - 1 - y) * w + x]);
    PlatDeleteContext(dc);
    PlatDestroySurface(img);
}

TEST(Stretch, InPlaceFlips) {
    CheckFlips(5, 3, 32, STRETCH_COLORONCOLOR);
    CheckFlips(6, 4, 32, STRETCH_HALFTONE);
    CheckFlips(7, 5, 8, STRETCH_COLORONCOLOR);
    CheckFlips(1, 1, 32, STRETCH_COLORONCOLOR);
}

TEST(Stretch, OverlappingCopyWithinOneSurfaceReadsSourceFirst) {
    for (int mode : {STRETCH_COLORONCOLOR, STRETCH_HALFTONE}) {
        Surface* img = MakeSurface(20, 16, 32);
        Surface* copy = MakeSurface(20, 16, 32);
        FillRandom(img, 11);
        memcpy(copy->pixels, img->pixels, (size_t)img->stride * img->height);
        std::vector<uint32_t> expected = mode == STRETCH_HALFTONE ? ReferenceArea(img, 2, 3, 15, 12, copy, 0, 0, 10, 8)
                                                                  : ReferenceNearest(img, 2, 3, 15, 12, copy, 0, 0, 10, 8);
        DrawContext* dc = PlatCreateMemoryContext(img);
        PlatSetStretchMode(dc, mode);
        ASSERT_EQ(PlatStretchCopy(dc, 2, 3, 15, 12, dc, 0, 0, 10, 8), 0);
        EXPECT_EQ(Pixels(img), expected);
        PlatDeleteContext(dc);
        PlatDestroySurface(img);
        PlatDestroySurface(copy);
    }
}

TEST(Stretch, IntoEightBitMapsToNearestEntry) {
    Surface* src = MakeSurface(4, 1, 32);
    Surface* dst = MakeSurface(4, 1, 8);
    for (int i = 0; i < 256; i++) dst->palette[i] = 0x808080;
    dst->palette[10] = 0xFF0000;
    dst->palette[20] = 0x00FF00;
    dst->palette[30] = 0x000000;
    uint32_t* p = (uint32_t*)src->pixels;
    p[0] = 0xF01010;
    p[1] = 0x10E010;
    p[2] = 0x101010;
    p[3] = 0x7F8081;
    DrawContext* d = PlatCreateMemoryContext(dst);
    DrawContext* s = PlatCreateMemoryContext(src);
    ASSERT_EQ(PlatStretchCopy(d, 0, 0, 4, 1, s, 0, 0, 4, 1), 0);
    EXPECT_EQ(dst->pixels[0], 10);
    EXPECT_EQ(dst->pixels[1], 20);
    EXPECT_EQ(dst->pixels[2], 30);
    EXPECT_EQ(dst->pixels[3], 0);   // equal distances: the lowest index
    // The area average is taken in colour and then mapped: black and white give index 128 of
    // a grey table.
    for (int i = 0; i < 256; i++) dst->palette[i] = (uint32_t)i * 0x010101u;
    p[0] = 0x000000;
    p[1] = 0xFFFFFF;
    PlatSetStretchMode(d, STRETCH_HALFTONE);
    ASSERT_EQ(PlatStretchCopy(d, 0, 0, 1, 1, s, 0, 0, 2, 1), 0);
    EXPECT_EQ(dst->pixels[0], 128);
    PlatDeleteContext(d);
    PlatDeleteContext(s);
    PlatDestroySurface(src);
    PlatDestroySurface(dst);
}

TEST(Stretch, BadExtentsChangeNothing) {
    Surface* src = MakeSurface(8, 8, 32);
    Surface* dst = MakeSurface(8, 8, 32);
    FillRandom(src, 1);
    FillRandom(dst, 2);
    std::vector<uint32_t> before = Pixels(dst);
    DrawContext* d = PlatCreateMemoryContext(dst);
    DrawContext* s = PlatCreateMemoryContext(src);
    EXPECT_EQ(PlatStretchCopy(d, 0, 0, 0, 8, s, 0, 0, 8, 8), 1);
    EXPECT_EQ(PlatStretchCopy(d, 0, 0, 8, 8, s, 0, 0, 8, 0), 1);
    EXPECT_EQ(PlatStretchCopy(d, 0, 0, 8, 8, s, 0, 0, 1 << 30, 8), 1);
    EXPECT_EQ(PlatStretchCopy(nullptr, 0, 0, 8, 8, s, 0, 0, 8, 8), 1);
    // Entirely outside either surface: done, nothing drawn.
    EXPECT_EQ(PlatStretchCopy(d, 100, 100, 8, 8, s, 0, 0, 8, 8), 0);
    EXPECT_EQ(PlatStretchCopy(d, 0, 0, 8, 8, s, -50, -50, 8, 8), 0);
    EXPECT_EQ(PlatStretchCopy(d, -2000000000, 0, 2000000, 8, s, 0, 0, 8, 8), 0);
    EXPECT_EQ(Pixels(dst), before);
    PlatSelectSurface(s, nullptr);
    EXPECT_EQ(PlatStretchCopy(d, 0, 0, 8, 8, s, 0, 0, 8, 8), 1);
    PlatDeleteContext(d);
    PlatDeleteContext(s);
    PlatDestroySurface(src);
    PlatDestroySurface(dst);
}

}  // namespace
