// Stretched copies on surfaces. Each axis is mapped once into a table (the source position
// of every destination pixel, or the source pixels and integer weights of its area), so the
// per-pixel work is a table look-up and, for the area average (stretch_area.cpp), integer
// multiply-adds. A rectangle mirrored onto itself is flipped in place.
#include "platform/draw/stretch.h"

#include "platform/draw/color_mapper.h"
#include "platform/draw/draw.h"
#include "platform/draw/pixel_copy.h"
#include "platform/draw/row_pool.h"
#include "platform/draw/stretch_area.h"
#include "platform/draw/stretch_axis.h"

#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <optional>
#include <vector>

// ---- Axis tables of the stretched copies ---------------------------------------------

static long long Gcd(long long a, long long b) {
    while (b) {
        long long t = a % b;
        a = b;
        b = t;
    }
    return a;
}

static void BuildAxis(AxisMap* a, int d, int dext, int s, int sext, int clip0, int clip1,
                      int src_size, bool area) {
    long long n = dext < 0 ? -(long long)dext : dext;
    long long m = sext < 0 ? -(long long)sext : sext;
    int dsign = dext < 0 ? -1 : 1, ssign = sext < 0 ? -1 : 1;
    long long lo = dsign > 0 ? d : (long long)d - n + 1;
    long long hi = lo + n;
    lo = std::max<long long>(lo, clip0);
    hi = std::min<long long>(hi, clip1);
    a->p0 = a->p1 = 0;
    if (hi <= lo) return;
    long long g = Gcd(n, m);
    a->total = (uint32_t)(m / g);
    bool started = false;
    for (long long p = lo; p < hi; p++) {
        long long i = dsign > 0 ? p - d : (long long)d - p;
        bool valid;
        if (!area) {
            long long pos = s + ssign * (i * m / n);
            valid = pos >= 0 && pos < src_size;
            if (valid) {
                if (!started) a->p0 = (int)p;
                a->src.push_back((int)pos);
            }
        } else {
            long long a_lo = i * m, a_hi = (i + 1) * m;   // covered source interval, in 1/n
            long long j0 = a_lo / n, j1 = (a_hi - 1) / n;
            long long e0 = s + ssign * j0, e1 = s + ssign * j1;
            valid = e0 >= 0 && e0 < src_size && e1 >= 0 && e1 < src_size;
            if (valid) {
                if (!started) a->p0 = (int)p;
                a->first.push_back((int)a->tap_pos.size());
                for (long long j = j0; j <= j1; j++) {
                    long long w = std::min((j + 1) * n, a_hi) - std::max(j * n, a_lo);
                    a->tap_pos.push_back((int)(s + ssign * j));
                    a->tap_w.push_back((uint32_t)(w / g));
                }
                a->smin = started ? std::min<int>(a->smin, (int)std::min(e0, e1)) : (int)std::min(e0, e1);
                a->smax = started ? std::max<int>(a->smax, (int)std::max(e0, e1)) : (int)std::max(e0, e1);
            }
        }
        if (valid) {
            started = true;
            a->p1 = (int)p + 1;
        } else if (started) {
            break;   // the mapping is monotonic: nothing further is inside the source
        }
    }
    if (area) a->first.push_back((int)a->tap_pos.size());
}

// ---- Nearest ---------------------------------------------------------------------------

// Destination rows [k0, k1) of a nearest stretch. Each band starts afresh (its own colour
// cache, no row carried over from another band), so bands can run on any thread.
struct NearestBandJob {
    Surface* dst;
    const AxisMap* ax;
    const AxisMap* ay;
    const Surface* src;
    const uint8_t* index_map;   // 8-bit to 8-bit between different colour tables, else null
};

static void NearestBand(void* ctx, int k0, int k1) {
    const NearestBandJob& job = *(const NearestBandJob*)ctx;
    Surface* dst = job.dst;
    const Surface* src = job.src;
    const AxisMap& ax = *job.ax;
    const AxisMap& ay = *job.ay;
    int n = ax.p1 - ax.p0;
    const int* xs = ax.src.data();
    const uint8_t* index_map = job.index_map;
    std::optional<ColorMapper> mapper;
    if (src->bits == 32 && dst->bits == 8) mapper.emplace(dst->palette);
    int dbpp = dst->bits / 8;
    int prev_sy = -1;
    uint8_t* prev_row = nullptr;
    for (int k = k0; k < k1; k++) {
        int sy = ay.src[k];
        uint8_t* drow = SurfaceRow(dst, ay.p0 + k) + (size_t)ax.p0 * dbpp;
        if (sy == prev_sy) {
            // Enlarging repeats source rows: the row just written is the answer.
            memcpy(drow, prev_row, (size_t)n * dbpp);
            continue;
        }
        const uint8_t* srow = SurfaceRow(src, sy);
        if (src->bits == 32 && dst->bits == 32) {
            const uint32_t* s = (const uint32_t*)srow;
            uint32_t* d = (uint32_t*)drow;
            for (int i = 0; i < n; i++) d[i] = s[xs[i]];
        } else if (src->bits == 8 && dst->bits == 32) {
            uint32_t* d = (uint32_t*)drow;
            for (int i = 0; i < n; i++) d[i] = src->palette[srow[xs[i]]] & 0xFFFFFFu;
        } else if (src->bits == 8) {
            if (index_map) {
                for (int i = 0; i < n; i++) drow[i] = index_map[srow[xs[i]]];
            } else {
                for (int i = 0; i < n; i++) drow[i] = srow[xs[i]];
            }
        } else {
            const uint32_t* s = (const uint32_t*)srow;
            for (int i = 0; i < n; i++) drow[i] = mapper->Map(s[xs[i]]);
        }
        prev_sy = sy;
        prev_row = drow;
    }
}

static void StretchNearest(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    uint8_t index_map[256];
    bool use_map = src->bits == 8 && dst->bits == 8 && BuildIndexMap(src, dst, index_map);
    NearestBandJob job{dst, &ax, &ay, src, use_map ? index_map : nullptr};
    int rows = ay.p1 - ay.p0;
    RunRowBands(rows, RowBandsFor((double)(ax.p1 - ax.p0) * rows, rows), NearestBand, &job);
}

// ---- Stretched copy --------------------------------------------------------------------

// A copy of the part of src that a stretched copy may read, for copies within one surface.
static bool SnapshotSource(const Surface* src, int* sx, int* sy, int sw, int sh, Surface* copy) {
    long long x0 = sw < 0 ? (long long)*sx + sw + 1 : *sx, x1 = x0 + (sw < 0 ? -(long long)sw : sw);
    long long y0 = sh < 0 ? (long long)*sy + sh + 1 : *sy, y1 = y0 + (sh < 0 ? -(long long)sh : sh);
    x0 = std::max<long long>(x0, 0);
    y0 = std::max<long long>(y0, 0);
    x1 = std::min<long long>(x1, src->width);
    y1 = std::min<long long>(y1, src->height);
    if (x1 <= x0 || y1 <= y0) return false;
    *copy = Surface{};
    copy->width = (int)(x1 - x0);
    copy->height = (int)(y1 - y0);
    copy->bits = src->bits;
    copy->stride = SurfaceStride(copy->width, copy->bits);
    memcpy(copy->palette, src->palette, sizeof copy->palette);
    copy->pixels = (uint8_t*)malloc((size_t)copy->stride * (size_t)copy->height);
    if (!copy->pixels) return false;
    int bpp = src->bits / 8;
    for (int y = 0; y < copy->height; y++) {
        memcpy(SurfaceRow(copy, y), SurfaceRow(src, (int)y0 + y) + (size_t)x0 * bpp, (size_t)copy->width * bpp);
    }
    *sx -= (int)x0;
    *sy -= (int)y0;
    return true;
}

// A mirror (or identity) of a rectangle onto itself: each destination row reads one row of
// the same rectangle and rows pair up, so pixels are swapped in place, each read and written
// once.
template <typename T>
static void FlipRows(Surface* s, int x0, int y0, int w, int h, bool mirror_x, bool mirror_y) {
    if (mirror_y) {
        for (int k = 0; k < h / 2; k++) {
            T* a = (T*)SurfaceRow(s, y0 + k) + x0;
            T* b = (T*)SurfaceRow(s, y0 + h - 1 - k) + x0;
            if (mirror_x) {
                for (int i = 0; i < w; i++) {
                    T t = a[i];
                    a[i] = b[w - 1 - i];
                    b[w - 1 - i] = t;
                }
            } else {
                std::swap_ranges(a, a + w, b);
            }
        }
        // The middle row of an odd height pairs with itself.
        if ((h & 1) && mirror_x) {
            T* m = (T*)SurfaceRow(s, y0 + h / 2) + x0;
            std::reverse(m, m + w);
        }
    } else if (mirror_x) {
        for (int y = y0; y < y0 + h; y++) {
            T* m = (T*)SurfaceRow(s, y) + x0;
            std::reverse(m, m + w);
        }
    }
}

static void FlipInPlace(Surface* s, int x0, int y0, int w, int h, bool mirror_x, bool mirror_y) {
    if (s->bits == 32) {
        FlipRows<uint32_t>(s, x0, y0, w, h, mirror_x, mirror_y);
    } else {
        FlipRows<uint8_t>(s, x0, y0, w, h, mirror_x, mirror_y);
    }
}

int StretchPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int dw, int dh,
                  const Surface* src, int sx, int sy, int sw, int sh, int mode, PlatRect* damaged) {
    if (!dst || !src) return 1;
    if (dw == 0 || dh == 0 || sw == 0 || sh == 0) return 1;
    long long adw = dw < 0 ? -(long long)dw : dw, adh = dh < 0 ? -(long long)dh : dh;
    long long asw = sw < 0 ? -(long long)sw : sw, ash = sh < 0 ? -(long long)sh : sh;
    if (adw > STRETCH_MAX_EXTENT || adh > STRETCH_MAX_EXTENT || asw > STRETCH_MAX_EXTENT ||
        ash > STRETCH_MAX_EXTENT)
        return 1;
    PlatRect c = ClipToSurface(dst, clip);
    if (RectIsEmpty(c)) return 0;

    // Destination rectangle as a set of pixels, and the source rectangle likewise.
    long long dx0 = dw < 0 ? (long long)dx + dw + 1 : dx, dy0 = dh < 0 ? (long long)dy + dh + 1 : dy;
    long long sx0 = sw < 0 ? (long long)sx + sw + 1 : sx, sy0 = sh < 0 ? (long long)sy + sh + 1 : sy;
    if (src == dst && adw == asw && adh == ash && dx0 == sx0 && dy0 == sy0 && dx0 >= c.left &&
        dy0 >= c.top && dx0 + adw <= c.right && dy0 + adh <= c.bottom) {
        // A rectangle mirrored onto itself (the flips): no scaling, nothing to average.
        FlipInPlace(dst, (int)dx0, (int)dy0, (int)adw, (int)adh, (dw < 0) != (sw < 0), (dh < 0) != (sh < 0));
        AddDamage(damaged, (int)dx0, (int)dy0, (int)(dx0 + adw), (int)(dy0 + adh));
        return 0;
    }

    Surface snapshot{};
    const Surface* from = src;
    if (src == dst) {
        if (!SnapshotSource(src, &sx, &sy, sw, sh, &snapshot)) {
            // Nothing of the source lies inside the surface (or no memory for the copy).
            return snapshot.width > 0 && !snapshot.pixels ? 1 : 0;
        }
        from = &snapshot;
    }
    bool area = mode == STRETCH_HALFTONE;
    AxisMap ax, ay;
    BuildAxis(&ax, dx, dw, sx, sw, c.left, c.right, from->width, area);
    BuildAxis(&ay, dy, dh, sy, sh, c.top, c.bottom, from->height, area);
    if (ax.p1 > ax.p0 && ay.p1 > ay.p0) {
        if (area) {
            StretchArea(dst, ax, ay, from);
        } else {
            StretchNearest(dst, ax, ay, from);
        }
        AddDamage(damaged, ax.p0, ay.p0, ax.p1, ay.p1);
    }
    free(snapshot.pixels);
    return 0;
}

