// The figures of raster/ on bare buffers, no window and no image table: every figure of both
// modes and depths, with random corners, centres and radii partly or wholly outside, drawn on a
// view whose pitch is wider than its width inside random guard pixels, and compared byte for
// byte (guards included) and pen for pen with the per-pixel reference.
#include <stdint.h>

#include <random>

#include <gtest/gtest.h>

#include "raster/bitmap_font.h"
#include "raster/circles.h"
#include "raster/flood_fill.h"
#include "raster/lines.h"
#include "support/guarded_raster.h"

namespace {

// What a figure says about the pen: nothing (lines and boxes leave it to the caller), or
// whether it moved and where to.
struct Drawn {
    bool reports_pen;
    bool moved;
    RasterPen pen;
};

struct Rng {
    std::mt19937& gen;
    int64_t Below(int64_t n) { return (int64_t)(gen() % (uint64_t)n); }
    // A coordinate from well before to well after an axis of this size.
    int64_t Coord(int size) { return Below(3 * (int64_t)size + 21) - size - 10; }
    uint32_t Color() { return gen() & 0x00FFFFFFu; }
    // Mostly small radii; one in eight at least 256, where the circle walks skip, with the
    // centre placed so that the arc may cross the view.
    int64_t Radius(int64_t* centre, int size, int64_t large_limit) {
        if (Below(8)) return Below(2 * (int64_t)size + 6);
        const int64_t r = 256 + Below(large_limit - 256);
        *centre += Below(2) ? r : -r;
        return r;
    }
};

Drawn NoPen() { return Drawn{false, false, {0, 0}}; }

using DrawFn = Drawn (*)(const RasterImage& c, RefImage& ref, Rng& rng);

Drawn Line(const RasterImage& c, RefImage& ref, Rng& rng, RasterMode mode) {
    const int64_t x1 = rng.Coord(c.width), y1 = rng.Coord(c.height);
    const int64_t x2 = rng.Coord(c.width), y2 = rng.Coord(c.height);
    const uint32_t color = rng.Color();
    RasterLineOn(c, mode, color, x1, y1, x2, y2);
    ref.Line(mode == RASTER_XOR, color, x1, y1, x2, y2);
    return NoPen();
}

// Corners in order for the boxes that take them so.
void Corners(const RasterImage& c, Rng& rng, int64_t* l, int64_t* t, int64_t* r, int64_t* b) {
    *l = rng.Coord(c.width), *r = rng.Coord(c.width), *t = rng.Coord(c.height), *b = rng.Coord(c.height);
    if (*l > *r) std::swap(*l, *r);
    if (*t > *b) std::swap(*t, *b);
}

Drawn Circle(const RasterImage& c, RefImage& ref, Rng& rng, RasterMode mode, bool disc) {
    int64_t cx = rng.Coord(c.width), cy = rng.Coord(c.height);
    const int64_t r = rng.Radius(&cy, c.height, disc ? 700 : 3000);
    const uint32_t color = rng.Color();
    RasterPen pen;
    if (!disc) {
        pen = RasterCircle(c, mode, color, cx, cy, r);
        ref.Circle(mode == RASTER_XOR, color, cx, cy, r);
    } else {
        // The stored filled circle is the disc with its outline over it, as the reference has it.
        pen = RasterDisc(c, mode, color, cx, cy, r);
        if (mode == RASTER_STORE) pen = RasterCircle(c, mode, color, cx, cy, r);
        ref.Disc(mode == RASTER_XOR, color, cx, cy, r);
    }
    return Drawn{true, true, pen};
}

struct Figure {
    const char* name;
    DrawFn draw;
};

const Figure FIGURES[] = {
    {"line", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Line(c, ref, rng, RASTER_STORE); }},
    {"xor line", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Line(c, ref, rng, RASTER_XOR); }},
    {"box outline",
     [](const RasterImage& c, RefImage& ref, Rng& rng) {
         const int64_t x1 = rng.Coord(c.width), y1 = rng.Coord(c.height);
         const int64_t x2 = rng.Coord(c.width), y2 = rng.Coord(c.height);
         const uint32_t color = rng.Color();
         RasterBoxOutline(c, color, x1, y1, x2, y2);
         ref.Box(color, x1, y1, x2, y2);
         return NoPen();
     }},
    {"filled box",
     [](const RasterImage& c, RefImage& ref, Rng& rng) {
         int64_t l, t, r, b;
         Corners(c, rng, &l, &t, &r, &b);
         // One in four is all one colour, which fills the box as one rectangle.
         const uint32_t border = rng.Color(), fill = rng.Below(4) ? rng.Color() : border;
         RasterFilledBox(c, l, t, r, b, border, fill);
         ref.FilledBox(l, t, r, b, border, fill);
         return NoPen();
     }},
    {"xor box",
     [](const RasterImage& c, RefImage& ref, Rng& rng) {
         int64_t l, t, r, b;
         Corners(c, rng, &l, &t, &r, &b);
         RasterXorBox(c, l, t, r, b);
         ref.XorBox(l, t, r, b);
         return NoPen();
     }},
    {"xor filled box",
     [](const RasterImage& c, RefImage& ref, Rng& rng) {
         int64_t l, t, r, b;
         Corners(c, rng, &l, &t, &r, &b);
         RasterXorFillBox(c, l, t, r, b);
         ref.XorFillBox(l, t, r, b);
         return NoPen();
     }},
    {"circle", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Circle(c, ref, rng, RASTER_STORE, false); }},
    {"xor circle", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Circle(c, ref, rng, RASTER_XOR, false); }},
    {"filled circle", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Circle(c, ref, rng, RASTER_STORE, true); }},
    {"xor disc", [](const RasterImage& c, RefImage& ref, Rng& rng) { return Circle(c, ref, rng, RASTER_XOR, true); }},
    {"glyph",
     [](const RasterImage& c, RefImage& ref, Rng& rng) {
         const unsigned code = 0x20 + (unsigned)rng.Below(96);
         int64_t x = rng.Coord(c.width), baseline = rng.Coord(c.height);
         const uint32_t color = rng.Color();
         Drawn d{true, false, {0, 0}};
         d.moved = RasterGlyph(c, color, bitmap_font[code - 0x20], x, baseline - GLYPH_HEIGHT, &d.pen);
         ref.PutChar(code, &x, &baseline, 0, color);
         return d;
     }},
};

// One figure at a time over random views of both depths; a failure names the figure, the
// view and the iteration, so that it can be run again alone.
TEST(RasterFigures, MatchThePerPixelReferenceInsideGuards) {
    for (const Figure& figure : FIGURES) {
        std::mt19937 gen(1234);
        Rng rng{gen};
        for (int i = 0; i < 400; i++) {
            const int bits = i % 2 ? 8 : 32;
            const int w = 1 + (int)rng.Below(40), h = 1 + (int)rng.Below(40);
            GuardedRaster g(w, h, bits, (int)rng.Below(6), gen);
            const std::vector<uint8_t> initial = g.bytes;
            RefImage ref = g.Reference();
            ref.pen_x = ref.pen_y = INT64_MIN;
            const Drawn d = figure.draw(g.View(), ref, rng);
            const std::vector<uint8_t> want = g.Expected(initial, ref);
            ASSERT_EQ(g.FirstDifference(want), "") << figure.name << " on " << w << "x" << h << "x" << bits << ", #" << i;
            if (!d.reports_pen) continue;
            const bool ref_moved = ref.pen_x != INT64_MIN;
            ASSERT_EQ(d.moved, ref_moved) << figure.name << " #" << i;
            if (d.moved) {
                ASSERT_EQ(d.pen.x, ref.pen_x) << figure.name << " #" << i;
                ASSERT_EQ(d.pen.y, ref.pen_y) << figure.name << " #" << i;
            }
        }
    }
}

// Rows of more than 4096 bytes are stored with streaming stores, and a box of 8 MiB or more
// row by row that way: these must stop at the row's end as the short ones do.
TEST(RasterFigures, LongRowsAndLargeBoxesStayInsideTheView) {
    std::mt19937 gen(99);
    GuardedRaster g(1500, 1450, 32, 3, gen);
    const std::vector<uint8_t> initial = g.bytes;
    RefImage ref = g.Reference();
    const RasterImage c = g.View();
    RasterLineOn(c, RASTER_STORE, 0x123456, -5, 7, 1600, 7);
    ref.Line(false, 0x123456, -5, 7, 1600, 7);
    RasterFilledBox(c, -3, 20, 1504, 1460, 0xABCDEF, 0xABCDEF);
    ref.FilledBox(-3, 20, 1504, 1460, 0xABCDEF, 0xABCDEF);
    RasterFilledBox(c, 1, 30, 1499, 1440, 0x010203, 0x040506);
    ref.FilledBox(1, 30, 1499, 1440, 0x010203, 0x040506);
    EXPECT_EQ(g.FirstDifference(g.Expected(initial, ref)), "");
}

// Mazes of two values, seeds inside and outside, fill colours that are the target, the other
// value, or new; on an 8-bit view a colour counts by its low byte. The region ends at the
// view's edges however the guard pixels around it look.
TEST(RasterFloodFill, MatchesTheReferenceFillInsideGuards) {
    std::mt19937 gen(4321);
    Rng rng{gen};
    for (int i = 0; i < 600; i++) {
        const int bits = i % 2 ? 8 : 32;
        const int w = 1 + (int)rng.Below(40), h = 1 + (int)rng.Below(40);
        GuardedRaster g(w, h, bits, (int)rng.Below(6), gen);
        const int64_t density = 1 + rng.Below(4);
        g.FillView([&](int, int) { return rng.Below(density + 2) < density ? 0u : 1u; });
        const std::vector<uint8_t> initial = g.bytes;
        RefImage ref = g.Reference();
        ref.pen_x = ref.pen_y = INT64_MIN;
        const uint32_t colors[] = {0, 1, rng.Color(), 0x12345600u | (uint32_t)rng.Below(2)};
        const uint32_t color = colors[rng.Below(4)];
        const int64_t x = rng.Coord(w) / 2, y = rng.Coord(h) / 2;
        RasterPen pen{INT64_MIN, INT64_MIN};
        const bool filled = RasterFloodFill(g.View(), color, x, y, &pen);
        ref.Paint(x, y, color);
        ASSERT_EQ(g.FirstDifference(g.Expected(initial, ref)), "") << w << "x" << h << "x" << bits << ", #" << i;
        ASSERT_EQ(filled, ref.pen_x != INT64_MIN) << "#" << i;
        ASSERT_EQ(pen.x, ref.pen_x) << "#" << i;
        ASSERT_EQ(pen.y, ref.pen_y) << "#" << i;
    }
}

}  // namespace
