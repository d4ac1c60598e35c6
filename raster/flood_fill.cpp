// Flood fill: a scan-line fill with a bounded seed stack of 4000 seeds on the caller's stack.
//
// From a seed the fill extends a span left and right over the target value, pushes one seed
// for the start of each run of target pixels in the row above and the row below (above before
// below at the same x, in x order), fills the span, and continues with the newest seed that
// still has the target value. When the stack is full further seeds are dropped, so a region
// with very many separate runs may be left partly unfilled; the order of seeds is therefore
// part of the result and is kept exactly.
//
// The runs are found with word-at-a-time comparisons over row pointers. Points outside the
// image never belong to the region.
#include "raster/flood_fill.h"

#include "raster/raster.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

const int kMaxSeeds = 4000;

// First i in [i, end) with p[i] != t (want_equal false) or p[i] == t (want_equal true);
// end when there is none.
template <class T>
inline int64_t FindRun(const T* p, int64_t i, int64_t end, T t, bool want_equal) {
#if defined(__SSE2__)
    const int lanes = 16 / sizeof(T);
    const __m128i tv = sizeof(T) == 4 ? _mm_set1_epi32((int)t) : _mm_set1_epi8((char)t);
    const int all = 0xFFFF;
    while (i + lanes <= end) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
        __m128i eq = sizeof(T) == 4 ? _mm_cmpeq_epi32(v, tv) : _mm_cmpeq_epi8(v, tv);
        int m = _mm_movemask_epi8(eq);
        if (!want_equal) m = ~m & all;
        if (m) return i + __builtin_ctz((unsigned)m) / (int)sizeof(T);
        i += lanes;
    }
#endif
    while (i < end && (p[i] == t) != want_equal) i++;
    return i;
}

// Last i in [begin, i] with p[i] != t, or begin - 1 when all equal t.
template <class T>
inline int64_t FindDifferentBack(const T* p, int64_t i, int64_t begin, T t) {
#if defined(__SSE2__)
    const int lanes = 16 / sizeof(T);
    const __m128i tv = sizeof(T) == 4 ? _mm_set1_epi32((int)t) : _mm_set1_epi8((char)t);
    while (i - lanes + 1 >= begin) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - lanes + 1));
        __m128i eq = sizeof(T) == 4 ? _mm_cmpeq_epi32(v, tv) : _mm_cmpeq_epi8(v, tv);
        int m = ~_mm_movemask_epi8(eq) & 0xFFFF;
        if (m) return i - lanes + 1 + (31 - __builtin_clz((unsigned)m)) / (int)sizeof(T);
        i -= lanes;
    }
#endif
    while (i >= begin && p[i] == t) i--;
    return i;
}

// Walks the starts of target runs of one neighbour row within [left, right).
template <class T>
struct RunStarts {
    const T* row;   // null when the neighbour row is outside the image
    int64_t right;
    T target;
    int64_t next;   // the next run start, or right when there is none

    void Begin(const T* r, int64_t left, int64_t end, T t) {
        row = r;
        right = end;
        target = t;
        next = r ? FindRun(r, left, end, t, true) : end;
    }
    void Advance() {
        int64_t stop = FindRun(row, next + 1, right, target, false);
        next = stop < right ? FindRun(row, stop + 1, right, target, true) : right;
    }
};

template <class T>
bool FloodFill(const RasterImage& c, T* base, T fill, int64_t x, int64_t y, RasterPen* pen) {
    const T target = base[y * c.pitch + x];
    if (target == fill) return false;
    int32_t seed_x[kMaxSeeds];
    int32_t seed_y[kMaxSeeds];
    int seeds = 0;
    int64_t pen_x = x, pen_y = y;
    for (;;) {
        T* row = base + y * c.pitch;
        const int64_t left = FindDifferentBack(row, x - 1, 0, target) + 1;
        const int64_t right = FindRun(row, x + 1, c.width, target, false);   // exclusive
        RunStarts<T> above, below;
        above.Begin(y > 0 ? row - c.pitch : nullptr, left, right, target);
        below.Begin(y + 1 < c.height ? row + c.pitch : nullptr, left, right, target);
        while (seeds < kMaxSeeds && (above.next < right || below.next < right)) {
            if (above.next <= below.next) {
                seed_x[seeds] = (int32_t)above.next;
                seed_y[seeds] = (int32_t)(y - 1);
                above.Advance();
            } else {
                seed_x[seeds] = (int32_t)below.next;
                seed_y[seeds] = (int32_t)(y + 1);
                below.Advance();
            }
            seeds++;
        }
        std::fill(row + left, row + right, fill);
        pen_x = right - 1;
        pen_y = y;
        // The newest seed that still has the target value continues the fill.
        for (;;) {
            if (seeds == 0) {
                *pen = RasterPen{pen_x, pen_y};
                return true;
            }
            seeds--;
            x = seed_x[seeds];
            y = seed_y[seeds];
            if (base[y * c.pitch + x] == target) break;
        }
    }
}

}  // namespace

bool RasterFloodFill(const RasterImage& c, uint32_t color, int64_t x, int64_t y, RasterPen* pen) {
    if (!Inside(c, x, y)) return false;
    // The comparison with the colour is made with the value the fill would store, so on an
    // 8-bit buffer a colour whose low byte equals the target index changes nothing.
    if (c.bits == 32) return FloodFill(c, reinterpret_cast<uint32_t*>(c.pixels), color, x, y, pen);
    return FloodFill(c, c.pixels, (uint8_t)color, x, y, pen);
}
