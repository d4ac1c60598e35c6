// The raster core shared by the drawing primitives: the two pixel operations (store and
// invert) for 32-bit words and 8-bit indices, and clipped spans and lines on a RasterImage.
//
// Figures are defined pixel by pixel over their full extent with the outside pixels skipped;
// here the clipping is decided once per span or line instead, and the inside part is written
// through a pointer, so the result is the same pixels at a fraction of the cost. Coordinates
// are widened to 64 bits so that any 32-bit input is safe.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <algorithm>
#include <type_traits>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "raster/raster_image.h"

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

// How many pixels ahead the walks along columns and steep lines fetch their memory.
const int kPrefetchAhead = 16;

// Calls fn(typed row base, op) with the pixel type and operation of the buffer and mode, so
// that each figure is compiled once per combination and its inner loops have no branches on
// either.
template <class Fn>
static inline void WithRaster(const RasterImage& c, RasterMode mode, uint32_t color, Fn&& fn) {
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
static inline void RasterPoint(const RasterImage& c, T* base, const Op& op, int64_t x, int64_t y) {
    if (Inside(c, x, y)) op.Pixel(base + y * c.pitch + x);
}

// Stores n copies of value with non-temporal stores: a box of many megabytes or a long line
// across a large image cannot stay in the caches anyway, and plain stores would first read
// every line they write and push out everything else.
template <class T>
static inline void StreamSpan(T* p, int64_t n, T value) {
#if defined(__SSE2__)
    for (; n > 0 && ((uintptr_t)p & 15u) != 0; n--) *p++ = value;
    const __m128i v = sizeof(T) == 4 ? _mm_set1_epi32((int)value) : _mm_set1_epi8((char)value);
    const int64_t per = 16 / (int64_t)sizeof(T);
    for (; n >= per; n -= per, p += per) _mm_stream_si128((__m128i*)p, v);
#endif
    for (; n > 0; n--) *p++ = value;
}

// Orders streamed stores before whatever follows (they bypass the usual ordering of stores).
static inline void StreamFence() {
#if defined(__SSE2__)
    _mm_sfence();
#endif
}

// Spans at least this long (in bytes) are streamed when they store a value.
const int64_t kStreamSpanBytes = 4096;

// Row y from xa to xb inclusive, in either order.
template <class T, class Op>
static inline void RasterHSpan(const RasterImage& c, T* base, const Op& op, int64_t xa, int64_t xb, int64_t y) {
    if ((uint64_t)y >= (uint64_t)c.height) return;
    if (xa > xb) std::swap(xa, xb);
    if (xa < 0) xa = 0;
    if (xb > c.width - 1) xb = c.width - 1;
    if (xa > xb) return;
    if constexpr (std::is_same_v<Op, StoreOp<T>>) {
        if ((xb - xa + 1) * (int64_t)sizeof(T) >= kStreamSpanBytes) {
            StreamSpan(base + y * c.pitch + xa, xb - xa + 1, op.value);
            StreamFence();
            return;
        }
    }
    op.Span(base + y * c.pitch + xa, xb - xa + 1);
}

// Column x from ya to yb inclusive, in either order.
template <class T, class Op>
static inline void RasterVSpan(const RasterImage& c, T* base, const Op& op, int64_t x, int64_t ya, int64_t yb) {
    if ((uint64_t)x >= (uint64_t)c.width) return;
    if (ya > yb) std::swap(ya, yb);
    if (ya < 0) ya = 0;
    if (yb > c.height - 1) yb = c.height - 1;
    if (ya > yb) return;
    T* p = base + ya * c.pitch + x;
    // Each pixel of a column is on another row, usually another page: fetching a few rows
    // ahead keeps several misses in flight instead of one.
    const uintptr_t ahead = (uintptr_t)(c.pitch * (ptrdiff_t)sizeof(T) * kPrefetchAhead);
    for (int64_t n = yb - ya + 1; n > 0; n--, p += c.pitch) {
        __builtin_prefetch((const void*)((uintptr_t)p + ahead), 1);
        op.Pixel(p);
    }
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
// can start directly at the first step inside the image. [klo, khi] and [nlo, nhi] are the
// ranges of k and n(k) that keep the major and the minor coordinate inside the image.
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
    // Below 2^31 every product fits in 64 bits; the 128-bit path serves the extreme inputs.
    if (len < ((int64_t)1 << 31) && nhi < ((int64_t)1 << 31) && klo < ((int64_t)1 << 31)) {
        int64_t num_a = (nlo - 1) * len + e0, num_b = nhi * len + e0;
        int64_t ka = num_a <= 0 ? 0 : (num_a + dminor - 1) / dminor;
        int64_t kb = (num_b + dminor - 1) / dminor - 1;
        int64_t k0 = std::max(klo, ka), k1 = std::min(khi, kb);
        if (k0 > k1) return false;
        int64_t n0 = (k0 * dminor + len - e0) / len;
        out->k0 = k0;
        out->k1 = k1;
        out->n0 = n0;
        out->e = e0 - k0 * dminor + n0 * len;
        return true;
    }
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

// One step of the walk, without a branch: the minor step of a line of random slope is as
// good as random, and a mispredicted branch per pixel would also stop the memory accesses
// of later pixels from overlapping.
template <class T>
static inline void LineStep(T*& p, int64_t& e, int64_t dminor, int64_t len, ptrdiff_t major_step, ptrdiff_t minor_step) {
    e -= dminor;
    const int64_t mask = -(int64_t)(e <= 0);
    e += len & mask;
    p += major_step + (minor_step & mask);
}

// Stores the first pixel at p and then count more, each one major step on and one minor
// step more whenever the error term e drops to 0 or below. Long walks run a second walker
// kPrefetchAhead pixels ahead that only fetches memory, because steep lines touch a new row
// (and often a new page) at every pixel.
template <class T, class Op>
static inline void WalkLine(const Op& op, T* p, int64_t e, int64_t count, int64_t dminor, int64_t len,
                            ptrdiff_t major_step, ptrdiff_t minor_step) {
    op.Pixel(p);
    if (count > 4 * kPrefetchAhead) {
        T* q = p;
        int64_t f = e;
        for (int i = 0; i < kPrefetchAhead; i++) LineStep(q, f, dminor, len, major_step, minor_step);
        for (int64_t k = count - kPrefetchAhead; k > 0; k--) {
            __builtin_prefetch(q, 1);
            LineStep(q, f, dminor, len, major_step, minor_step);
            LineStep(p, e, dminor, len, major_step, minor_step);
            op.Pixel(p);
        }
        count = kPrefetchAhead;
    }
    for (; count > 0; count--) {
        LineStep(p, e, dminor, len, major_step, minor_step);
        op.Pixel(p);
    }
}

// The line from (x1, y1) to (x2, y2), both ends included: vertical and horizontal lines as
// spans, others by the error-term walk along the major axis (45 degrees counts as x-major),
// always walked from the left end. The pen is not touched.
template <class T, class Op>
static void RasterLine(const RasterImage& c, T* base, const Op& op, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
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
    const bool inside = x1 >= 0 && x2 < w && std::min(y1, y2) >= 0 && std::max(y1, y2) < h;
    LineClip lc;
    if (dx >= dy) {
        if (inside) lc = LineClip{0, dx, 0, (dx + 1) / 2};
        else if (!ClipLineWalk(dx, dy, -x1, w - 1 - x1, ylo, yhi, &lc)) return;
        T* p = base + (y1 + sy * lc.n0) * c.pitch + (x1 + lc.k0);
        WalkLine(op, p, lc.e, lc.k1 - lc.k0, dy, dx, 1, sy > 0 ? c.pitch : -c.pitch);
    } else {
        if (inside) lc = LineClip{0, dy, 0, (dy + 1) / 2};
        else if (!ClipLineWalk(dy, dx, ylo, yhi, -x1, w - 1 - x1, &lc)) return;
        T* p = base + (y1 + sy * lc.k0) * c.pitch + (x1 + lc.n0);
        WalkLine(op, p, lc.e, lc.k1 - lc.k0, dx, dy, sy > 0 ? c.pitch : -c.pitch, 1);
    }
}
