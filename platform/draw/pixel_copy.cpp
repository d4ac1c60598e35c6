// Plain pixel operations (see pixel_copy.h): the unscaled copy, with its conversions between
// 8-bit and 32-bit surfaces row by row, fills and inversion.
#include "platform/draw/pixel_copy.h"

#include "platform/draw/color_mapper.h"
#include "platform/draw/draw.h"

#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <optional>

PlatRect ClipToSurface(const Surface* s, const PlatRect& clip) {
    PlatRect r = clip;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > s->width) r.right = s->width;
    if (r.bottom > s->height) r.bottom = s->height;
    return r;
}

void AddDamage(PlatRect* damaged, int left, int top, int right, int bottom) {
    if (!damaged || right <= left || bottom <= top) return;
    if (RectIsEmpty(*damaged)) {
        *damaged = PlatRect{left, top, right, bottom};
        return;
    }
    damaged->left = std::min(damaged->left, left);
    damaged->top = std::min(damaged->top, top);
    damaged->right = std::max(damaged->right, right);
    damaged->bottom = std::max(damaged->bottom, bottom);
}

static inline uint32_t* Row32(Surface* s, int y) { return (uint32_t*)SurfaceRow(s, y); }

// ---- Plain copy ------------------------------------------------------------------------

// Converts n pixels of a source row into a destination row (no overlap).
static void ConvertRow(const Surface* src, const uint8_t* s, Surface* dst, uint8_t* d, int n,
                       const uint8_t* index_map, ColorMapper* mapper) {
    if (src->bits == 32 && dst->bits == 32) {
        memcpy(d, s, (size_t)n * 4);
    } else if (src->bits == 8 && dst->bits == 32) {
        uint32_t* dd = (uint32_t*)d;
        for (int i = 0; i < n; i++) dd[i] = src->palette[s[i]] & 0xFFFFFFu;
    } else if (src->bits == 8) {
        if (index_map) {
            for (int i = 0; i < n; i++) d[i] = index_map[s[i]];
        } else {
            memcpy(d, s, (size_t)n);
        }
    } else {
        const uint32_t* ss = (const uint32_t*)s;
        for (int i = 0; i < n; i++) d[i] = mapper->Map(ss[i]);
    }
}

void CopyPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int w, int h,
                const Surface* src, int sx, int sy, PlatRect* damaged) {
    if (!dst || !src || w <= 0 || h <= 0) return;
    PlatRect c = ClipToSurface(dst, clip);
    // Work in 64 bits: the caller's coordinates may be anywhere in the int range.
    long long x0 = std::max<long long>(dx, c.left), y0 = std::max<long long>(dy, c.top);
    long long x1 = std::min<long long>((long long)dx + w, c.right);
    long long y1 = std::min<long long>((long long)dy + h, c.bottom);
    // Cut to the source surface, expressed in destination coordinates.
    x0 = std::max<long long>(x0, (long long)dx - sx);
    y0 = std::max<long long>(y0, (long long)dy - sy);
    x1 = std::min<long long>(x1, (long long)dx - sx + src->width);
    y1 = std::min<long long>(y1, (long long)dy - sy + src->height);
    if (x1 <= x0 || y1 <= y0) return;
    int n = (int)(x1 - x0);
    int rows = (int)(y1 - y0);
    int src_x = (int)(x0 - dx + sx), src_y = (int)(y0 - dy + sy);
    int dst_x = (int)x0, dst_y = (int)y0;

    uint8_t index_map[256];
    bool use_map = src->bits == 8 && dst->bits == 8 && BuildIndexMap(src, dst, index_map);
    std::optional<ColorMapper> mapper;
    if (src->bits == 32 && dst->bits == 8) mapper.emplace(dst->palette);

    int sbpp = src->bits / 8, dbpp = dst->bits / 8;
    if (src == dst) {
        // Overlapping rows of one surface: the formats are equal, so rows move as bytes, in
        // the order that reads every source row before it is overwritten.
        bool upward = dst_y <= src_y;
        for (int k = 0; k < rows; k++) {
            int r = upward ? k : rows - 1 - k;
            memmove(SurfaceRow(dst, dst_y + r) + (size_t)dst_x * dbpp,
                    SurfaceRow(src, src_y + r) + (size_t)src_x * sbpp, (size_t)n * dbpp);
        }
    } else {
        for (int r = 0; r < rows; r++) {
            ConvertRow(src, SurfaceRow(src, src_y + r) + (size_t)src_x * sbpp, dst,
                       SurfaceRow(dst, dst_y + r) + (size_t)dst_x * dbpp, n,
                       use_map ? index_map : nullptr, mapper ? &*mapper : nullptr);
        }
    }
    AddDamage(damaged, dst_x, dst_y, dst_x + n, dst_y + rows);
}

// ---- Fill and inversion ----------------------------------------------------------------

// Fills n words with non-temporal stores: a fill much larger than the caches would
// otherwise read every destination line before writing it, and evict everything else.
static void StreamFillRow32(uint32_t* p, int n, uint32_t value) {
#if defined(__SSE2__)
    int i = 0;
    while (i < n && ((uintptr_t)(p + i) & 15u) != 0) p[i++] = value;
    __m128i v = _mm_set1_epi32((int)value);
    for (; i + 4 <= n; i += 4) _mm_stream_si128((__m128i*)(p + i), v);
    for (; i < n; i++) p[i] = value;
#else
    std::fill_n(p, n, value);
#endif
}

void FillPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, uint32_t value, PlatRect* damaged) {
    if (!dst) return;
    PlatRect r = ClipToSurface(dst, RectIntersect(clip, rect));
    if (RectIsEmpty(r)) return;
    int n = r.right - r.left;
    // Past a few megabytes the written pixels cannot stay in the caches anyway.
    bool stream = dst->bits == 32 && (size_t)n * (size_t)(r.bottom - r.top) * 4u >= ((size_t)8 << 20);
    for (int y = r.top; y < r.bottom; y++) {
        if (stream) {
            StreamFillRow32(Row32(dst, y) + r.left, n, value);
        } else if (dst->bits == 32) {
            std::fill_n(Row32(dst, y) + r.left, n, value);
        } else {
            memset(SurfaceRow(dst, y) + r.left, (int)(value & 255u), (size_t)n);
        }
    }
#if defined(__SSE2__)
    if (stream) _mm_sfence();   // the streamed stores are visible before anyone reads them
#endif
    AddDamage(damaged, r.left, r.top, r.right, r.bottom);
}

void InvertPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, PlatRect* damaged) {
    if (!dst) return;
    PlatRect r = ClipToSurface(dst, RectIntersect(clip, rect));
    if (RectIsEmpty(r)) return;
    // Whole 64-bit words where possible: the bit flip does not care about pixel boundaries.
    size_t bytes = (size_t)(r.right - r.left) * (size_t)(dst->bits / 8);
    size_t offset = (size_t)r.left * (size_t)(dst->bits / 8);
    for (int y = r.top; y < r.bottom; y++) {
        uint8_t* p = SurfaceRow(dst, y) + offset;
        size_t i = 0;
        for (; i + 8 <= bytes; i += 8) {
            uint64_t v;
            memcpy(&v, p + i, 8);
            v = ~v;
            memcpy(p + i, &v, 8);
        }
        for (; i < bytes; i++) p[i] = (uint8_t)~p[i];
    }
    AddDamage(damaged, r.left, r.top, r.right, r.bottom);
}
