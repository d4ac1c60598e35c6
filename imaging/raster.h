// The raster core shared by the drawing primitives: a view of the current image (row base,
// size, stride), the two pixel operations (store and invert) for 32-bit words and 8-bit
// indices, and clipped spans and lines.
//
// Figures are defined pixel by pixel over their full extent with the outside pixels skipped;
// here the clipping is decided once per span or line instead, and the inside part is written
// through a pointer, so the result is the same pixels at a fraction of the cost. Coordinates
// are widened to 64 bits so that any 32-bit input is safe.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <algorithm>

#include "imagewin/image_table.h"

struct Canvas {
    uint8_t* pixels;
    int width;
    int height;
    int bits;           // 8 or 32
    ptrdiff_t pitch;    // row stride in pixels (32-bit: width; 8-bit: width padded to 4)
};

// Fills the view of the current image; false when the current slot is free.
static inline bool CurrentCanvas(Canvas* c) {
    int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return false;
    c->pixels = image_pixels[index];
    c->width = r->width;
    c->height = r->height;
    c->bits = r->bits;
    c->pitch = r->bits == 32 ? r->width : (r->width + 3) & ~3;
    return c->pixels != nullptr;
}

static inline bool Inside(const Canvas& c, int64_t x, int64_t y) {
    return (uint64_t)x < (uint64_t)c.width && (uint64_t)y < (uint64_t)c.height;
}

// Stores a value: a whole 32-bit colour, or the low byte of the colour as an 8-bit index.
template <class T>
struct StoreOp {
    T value;
    void Pixel(T* p) const { *p = value; }
    void Span(T* p, int64_t n) const { std::fill_n(p, n, value); }
};

// Inverts: the low 24 bits of a 32-bit pixel, all 8 bits of an 8-bit pixel.
template <class T>
struct XorOp {
    T mask;
    void Pixel(T* p) const { *p ^= mask; }
    void Span(T* p, int64_t n) const {
        for (int64_t i = 0; i < n; i++) p[i] ^= mask;
    }
};

enum RasterMode { RASTER_STORE, RASTER_XOR };

// Calls fn(typed row base, op) with the pixel type and operation of the canvas and mode, so
// that each figure is compiled once per combination and its inner loops have no branches on
// either.
template <class Fn>
static inline void WithRaster(const Canvas& c, RasterMode mode, uint32_t color, Fn&& fn) {
    if (c.bits == 32) {
        uint32_t* base = reinterpret_cast<uint32_t*>(c.pixels);
        if (mode == RASTER_STORE) fn(base, StoreOp<uint32_t>{color});
        else fn(base, XorOp<uint32_t>{0x00FFFFFFu});
    } else {
        if (mode == RASTER_STORE) fn(c.pixels, StoreOp<uint8_t>{(uint8_t)color});
        else fn(c.pixels, XorOp<uint8_t>{0xFF});
    }
}

template <class T, class Op>
static inline void RasterPoint(const Canvas& c, T* base, const Op& op, int64_t x, int64_t y) {
    if (Inside(c, x, y)) op.Pixel(base + y * c.pitch + x);
}

// Row y from xa to xb inclusive, in either order.
template <class T, class Op>
static inline void RasterHSpan(const Canvas& c, T* base, const Op& op, int64_t xa, int64_t xb, int64_t y) {
    if ((uint64_t)y >= (uint64_t)c.height) return;
    if (xa > xb) std::swap(xa, xb);
    if (xa < 0) xa = 0;
    if (xb > c.width - 1) xb = c.width - 1;
    if (xa > xb) return;
    op.Span(base + y * c.pitch + xa, xb - xa + 1);
}

// Column x from ya to yb inclusive, in either order.
template <class T, class Op>
static inline void RasterVSpan(const Canvas& c, T* base, const Op& op, int64_t x, int64_t ya, int64_t yb) {
    if ((uint64_t)x >= (uint64_t)c.width) return;
    if (ya > yb) std::swap(ya, yb);
    if (ya < 0) ya = 0;
    if (yb > c.height - 1) yb = c.height - 1;
    if (ya > yb) return;
    T* p = base + ya * c.pitch + x;
    for (int64_t n = yb - ya + 1; n > 0; n--, p += c.pitch) op.Pixel(p);
}

// Smallest k >= 0 with k * den >= num (den > 0).
static inline __int128 CeilDivNonNeg(__int128 num, __int128 den) {
    if (num <= 0) return 0;
    return (num + den - 1) / den;
}

// One major-axis walk of the line: the major coordinate runs over k = 0..len, the minor one
// advances by the error term e, starting at e0 = (len + 1) / 2, taking away dminor per step
// and adding len whenever e drops to 0 or below. After k steps the minor axis has moved
// n(k) = (k * dminor + len - e0) / len times and e = e0 - k * dminor + n(k) * len, so the walk
// can start directly at the first step inside the image. [mlo, mhi] and the minor bounds
// are the visible ranges of k and n(k).
struct LineClip {
    int64_t k0, k1;   // first and last visible step
    int64_t n0;       // minor steps taken at k0
    int64_t e;        // error term after step k0
};

static inline bool ClipLineWalk(int64_t len, int64_t dminor, int64_t klo, int64_t khi,
                                int64_t nlo, int64_t nhi, LineClip* out) {
    if (klo < 0) klo = 0;
    if (khi > len) khi = len;
    if (nlo < 0) nlo = 0;
    if (klo > khi || nhi < nlo) return false;
    const int64_t e0 = (len + 1) / 2;
    // n(k) >= nlo  <=>  k * dminor >= (nlo - 1) * len + e0
    __int128 ka = CeilDivNonNeg((__int128)(nlo - 1) * len + e0, dminor);
    // n(k) <= nhi  <=>  k * dminor < nhi * len + e0
    __int128 kb = CeilDivNonNeg((__int128)nhi * len + e0, dminor) - 1;
    __int128 k0 = std::max<__int128>(klo, ka);
    __int128 k1 = std::min<__int128>(khi, kb);
    if (k0 > k1) return false;
    __int128 n0 = (k0 * dminor + len - e0) / len;
    out->k0 = (int64_t)k0;
    out->k1 = (int64_t)k1;
    out->n0 = (int64_t)n0;
    out->e = (int64_t)(e0 - k0 * dminor + n0 * len);
    return true;
}

// The line from (x1, y1) to (x2, y2), both ends included: vertical and horizontal lines as
// spans, others by the error-term walk along the major axis (45 degrees counts as x-major),
// always walked from the left end. The pen is not touched.
template <class T, class Op>
static void RasterLine(const Canvas& c, T* base, const Op& op, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
    if (x1 == x2) {
        RasterVSpan(c, base, op, x1, y1, y2);
        return;
    }
    if (y1 == y2) {
        RasterHSpan(c, base, op, x1, x2, y1);
        return;
    }
    if (x1 > x2) {
        std::swap(x1, x2);
        std::swap(y1, y2);
    }
    const int64_t dx = x2 - x1;
    const int64_t dy = y2 > y1 ? y2 - y1 : y1 - y2;
    const int sy = y2 > y1 ? 1 : -1;
    const int64_t w = c.width, h = c.height;
    // Range of minor steps n that keep y = y1 + sy * n inside the image.
    const int64_t ylo = sy > 0 ? -y1 : y1 - (h - 1);
    const int64_t yhi = sy > 0 ? h - 1 - y1 : y1;
    LineClip lc;
    if (dx >= dy) {
        if (!ClipLineWalk(dx, dy, -x1, w - 1 - x1, ylo, yhi, &lc)) return;
        const ptrdiff_t step = sy > 0 ? c.pitch : -c.pitch;
        T* p = base + (y1 + sy * lc.n0) * c.pitch + (x1 + lc.k0);
        int64_t e = lc.e;
        op.Pixel(p);
        for (int64_t k = lc.k1 - lc.k0; k > 0; k--) {
            e -= dy;
            p++;
            if (e <= 0) {
                e += dx;
                p += step;
            }
            op.Pixel(p);
        }
    } else {
        if (!ClipLineWalk(dy, dx, ylo, yhi, -x1, w - 1 - x1, &lc)) return;
        const ptrdiff_t step = sy > 0 ? c.pitch : -c.pitch;
        T* p = base + (y1 + sy * lc.k0) * c.pitch + (x1 + lc.n0);
        int64_t e = lc.e;
        op.Pixel(p);
        for (int64_t k = lc.k1 - lc.k0; k > 0; k--) {
            e -= dx;
            p += step;
            if (e <= 0) {
                e += dy;
                p++;
            }
            op.Pixel(p);
        }
    }
}

// A line in the given mode on the current canvas, without touching the pen.
void RasterLineOn(const Canvas& c, RasterMode mode, uint32_t color, int64_t x1, int64_t y1, int64_t x2, int64_t y2);
