// Plain and stretched copies, fills and inversion on surfaces. The stretched copies map each
// axis once into tables (the source position of every destination pixel, or the source pixels
// and integer weights of its area), so the per-pixel work is a table look-up and, for the area
// average, integer multiply-adds. Results are exact: the area average sums integer weights and
// rounds once per channel.
#include "platform/draw/stretch.h"

#include "platform/draw/area_average.h"
#include "platform/draw/area_enlarge.h"
#include "platform/draw/draw.h"
#include "platform/draw/row_pool.h"
#include "platform/draw/stretch_axis.h"

#include <stdlib.h>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <vector>

// ---- Small helpers -------------------------------------------------------------------

static PlatRect ClipToSurface(const Surface* s, const PlatRect& clip) {
    PlatRect r = clip;
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    if (r.right > s->width) r.right = s->width;
    if (r.bottom > s->height) r.bottom = s->height;
    return r;
}

static void AddDamage(PlatRect* damaged, int left, int top, int right, int bottom) {
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

static inline const uint32_t* Row32(const Surface* s, int y) { return (const uint32_t*)SurfaceRow(s, y); }
static inline uint32_t* Row32(Surface* s, int y) { return (uint32_t*)SurfaceRow(s, y); }

int NearestColorIndex(const uint32_t* palette, uint32_t rgb) {
    int r = (int)((rgb >> 16) & 255), g = (int)((rgb >> 8) & 255), b = (int)(rgb & 255);
    int best = 0;
    int best_d = 0x7FFFFFFF;
    for (int i = 0; i < 256; i++) {
        uint32_t p = palette[i];
        int dr = (int)((p >> 16) & 255) - r, dg = (int)((p >> 8) & 255) - g, db = (int)(p & 255) - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

// Nearest-entry look-up with a small direct-mapped cache: images have far fewer distinct
// colours than pixels, and the full search costs 256 distances.
struct ColorMapper {
    const uint32_t* palette;
    uint32_t keys[1024];
    uint8_t values[1024];

    explicit ColorMapper(const uint32_t* pal) : palette(pal) {
        // 0xFFFFFFFF is never a masked colour, so it marks an empty cache entry.
        memset(keys, 0xFF, sizeof keys);
    }
    uint8_t Map(uint32_t rgb) {
        rgb &= 0xFFFFFFu;
        uint32_t h = (rgb * 2654435761u) >> 22;
        if (keys[h] != rgb) {
            keys[h] = rgb;
            values[h] = (uint8_t)NearestColorIndex(palette, rgb);
        }
        return values[h];
    }
};

uint32_t SurfacePixelColor(const Surface* s, int x, int y) {
    if (s->bits == 8) return s->palette[SurfaceRow(s, y)[x]] & 0xFFFFFFu;
    return Row32(s, y)[x] & 0xFFFFFFu;
}

uint32_t ColorToPixel(const Surface* s, uint32_t rgb) {
    if (s->bits == 8) return (uint32_t)NearestColorIndex(s->palette, rgb & 0xFFFFFFu);
    return rgb & 0xFFFFFFu;
}

static bool SamePalette(const Surface* a, const Surface* b) {
    return a == b || memcmp(a->palette, b->palette, sizeof a->palette) == 0;
}

// ---- Row conversion shared by the plain copy -----------------------------------------

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

// For an 8-bit to 8-bit copy between different colour tables: the destination index of every
// source index. Returns false when the tables are equal and indices copy unchanged.
static bool BuildIndexMap(const Surface* src, const Surface* dst, uint8_t* map) {
    if (SamePalette(src, dst)) return false;
    for (int i = 0; i < 256; i++) map[i] = (uint8_t)NearestColorIndex(dst->palette, src->palette[i]);
    return true;
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
    ColorMapper* mapper = nullptr;
    if (src->bits == 32 && dst->bits == 8) mapper = new ColorMapper(dst->palette);

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
                       use_map ? index_map : nullptr, mapper);
        }
    }
    delete mapper;
    AddDamage(damaged, dst_x, dst_y, dst_x + n, dst_y + rows);
}

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
    ColorMapper* mapper = nullptr;
    if (src->bits == 32 && dst->bits == 8) mapper = new ColorMapper(dst->palette);
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
    delete mapper;
}

// Stretches that touch more than this many pixels (read plus written) are shared out over the
// layer's row pool; below it the hand-off costs more than it saves.
static const double pool_min_work = 4e6;

static int BandsFor(double work, int rows) { return work >= pool_min_work ? std::min(rows, 4 * RowPoolWidth()) : 1; }

static void StretchNearest(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    uint8_t index_map[256];
    bool use_map = src->bits == 8 && dst->bits == 8 && BuildIndexMap(src, dst, index_map);
    NearestBandJob job{dst, &ax, &ay, src, use_map ? index_map : nullptr};
    int rows = ay.p1 - ay.p0;
    RunRowBands(rows, BandsFor((double)(ax.p1 - ax.p0) * rows, rows), NearestBand, &job);
}

// ---- Area average ----------------------------------------------------------------------

// Rounds sum / total to nearest, halves up, exactly: floor((2 sum + total) / (2 total)).
// The division goes through a double reciprocal and is then corrected by whole steps.
struct RoundingDivider {
    unsigned long long den;
    double inv;
    explicit RoundingDivider(unsigned long long total) : den(2 * total), inv(1.0 / (double)(2 * total)) {}
    inline uint32_t Div(unsigned long long sum) const {
        unsigned long long num = 2 * sum + den / 2;
        unsigned long long q = (unsigned long long)((double)num * inv);
        while (q * den > num) q--;
        while ((q + 1) * den <= num) q++;
        return (uint32_t)q;
    }
};

// The same rounding by one multiplication: with m = ceil(2^64 / den), floor(num * m / 2^64)
// equals floor(num / den) whenever num * den < 2^64, which the packed path guarantees
// (sums below 2^32, totals below 2^24).
struct FastRoundingDivider {
    unsigned long long den;
    unsigned long long m;
    explicit FastRoundingDivider(unsigned long long total)
        : den(2 * total), m((unsigned long long)(((unsigned __int128)1 << 64) / den) + 1) {}
    inline uint32_t Div(unsigned long long sum) const {
        unsigned long long num = 2 * sum + den / 2;
        return (uint32_t)(((unsigned __int128)num * m) >> 64);
    }
};

// Packs a colour's channels into 21-bit fields of one word (red at 42, green at 21, blue at
// 0), so that one multiply-add weighs all three at once while no field can overflow.
// The colours of cols source pixels of row y from column x0: the row itself on a 32-bit
// surface, the row looked up in the colour table (into conv) on an 8-bit one.
static inline const uint32_t* SourceColors(const Surface* src, int y, int x0, int cols, uint32_t* conv) {
    if (src->bits == 32) return Row32(src, y) + x0;
    const uint8_t* row = SurfaceRow(src, y) + x0;
    for (int c = 0; c < cols; c++) conv[c] = src->palette[row[c]];
    return conv;
}

static inline uint64_t Spread21(uint32_t p) {
    return ((uint64_t)(p & 0xFF0000u) << 26) | ((uint64_t)(p & 0xFF00u) << 13) | (uint64_t)(p & 0xFFu);
}

// The area average when the sums fit the packed forms: vertical sums of a column below 2^21
// per channel (three in one word), and whole sums below 2^32 (red and blue in one word,
// green in another). This covers every reduction by up to about 30 times per axis.
static bool StretchAreaPacked(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    unsigned long long total = (unsigned long long)ax.total * ay.total;
    if ((unsigned long long)ay.total * 255 >= (1u << 21) || total * 255 >= (1ull << 32)) return false;
    int n = ax.p1 - ax.p0;
    int cols = ax.smax - ax.smin + 1;
    std::vector<uint64_t> acc((size_t)cols), rb((size_t)cols), gg((size_t)cols);
    std::vector<uint32_t> conv;
    if (src->bits == 8) conv.resize((size_t)cols);
    ColorMapper* mapper = dst->bits == 8 ? new ColorMapper(dst->palette) : nullptr;
    FastRoundingDivider div(total);
    int dbpp = dst->bits / 8;
    const int* tap_pos = ax.tap_pos.data();
    const uint32_t* tap_w = ax.tap_w.data();
    const int* first = ax.first.data();
    for (int k = 0; k < ay.p1 - ay.p0; k++) {
        uint64_t* __restrict a = acc.data();
        std::fill(acc.begin(), acc.end(), 0);
        for (int t = ay.first[k]; t < ay.first[k + 1]; t++) {
            uint64_t w = ay.tap_w[t];
            const uint32_t* __restrict s = SourceColors(src, ay.tap_pos[t], ax.smin, cols, conv.data());
            for (int c = 0; c < cols; c++) a[c] += w * Spread21(s[c]);
        }
        // Red and blue 32 bits apart, green alone: the horizontal sums fit 32 bits each.
        uint64_t* __restrict prb = rb.data();
        uint64_t* __restrict pg = gg.data();
        for (int c = 0; c < cols; c++) {
            uint64_t v = a[c];
            prb[c] = ((v >> 42) << 32) | (v & 0x1FFFFFu);
            pg[c] = (v >> 21) & 0x1FFFFFu;
        }
        uint8_t* drow = SurfaceRow(dst, ay.p0 + k) + (size_t)ax.p0 * dbpp;
        for (int i = 0; i < n; i++) {
            uint64_t srb = 0, sg = 0;
            for (int t = first[i]; t < first[i + 1]; t++) {
                int c = tap_pos[t] - ax.smin;
                uint64_t w = tap_w[t];
                srb += w * prb[c];
                sg += w * pg[c];
            }
            uint32_t rgb = (div.Div(srb >> 32) << 16) | (div.Div(sg) << 8) | div.Div(srb & 0xFFFFFFFFu);
            if (dbpp == 4) {
                ((uint32_t*)drow)[i] = rgb;
            } else {
                drow[i] = mapper->Map(rgb);
            }
        }
    }
    delete mapper;
    return true;
}

// The area average by whole destination rows (area_average.h), shared out in bands over the
// layer's row pool when the stretch reads many megapixels.
struct AreaBandJob {
    Surface* dst;
    const AxisMap* ax;
    const AxisMap* ay;
    const Surface* src;
};

static void AreaBand(void* ctx, int k0, int k1) {
    const AreaBandJob& job = *(const AreaBandJob*)ctx;
    const AxisMap& ax = *job.ax;
    int n = ax.p1 - ax.p0;
    bool to8 = job.dst->bits == 8;
    std::vector<uint32_t> scratch((size_t)AreaRowScratchWords(ax)), row(to8 ? (size_t)n : 0);
    ColorMapper* mapper = to8 ? new ColorMapper(job.dst->palette) : nullptr;
    for (int k = k0; k < k1; k++) {
        uint8_t* drow = SurfaceRow(job.dst, job.ay->p0 + k) + (size_t)ax.p0 * (size_t)(job.dst->bits / 8);
        AreaAverageRow(ax, *job.ay, job.src, k, scratch.data(), to8 ? row.data() : (uint32_t*)drow);
        for (int i = 0; to8 && i < n; i++) drow[i] = mapper->Map(row[i]);
    }
    delete mapper;
}

static void StretchAreaRows(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    AreaBandJob job{dst, &ax, &ay, src};
    int rows = ay.p1 - ay.p0;
    // Source pixels read plus destination pixels written.
    double work = (double)(ax.smax - ax.smin + 1) * (double)ay.tap_pos.size() + (double)(ax.p1 - ax.p0) * rows;
    RunRowBands(rows, BandsFor(work, rows), AreaBand, &job);
}

// The enlarging area average (area_enlarge.h), by bands of destination rows like the above.
struct EnlargeBandJob {
    Surface* dst;
    const AxisMap* ax;
    const AxisMap* ay;
    const EnlargeColumns* columns;
    const Surface* src;
};

static void EnlargeBand(void* ctx, int k0, int k1) {
    const EnlargeBandJob& job = *(const EnlargeBandJob*)ctx;
    const AxisMap& ax = *job.ax;
    int n = ax.p1 - ax.p0;
    bool to8 = job.dst->bits == 8;
    EnlargeRows rows;
    std::vector<uint32_t> row(to8 ? (size_t)n : 0);
    ColorMapper* mapper = to8 ? new ColorMapper(job.dst->palette) : nullptr;
    for (int k = k0; k < k1; k++) {
        uint8_t* drow = SurfaceRow(job.dst, job.ay->p0 + k) + (size_t)ax.p0 * (size_t)(job.dst->bits / 8);
        AreaEnlargeRow(ax, *job.ay, *job.columns, job.src, k, &rows, to8 ? row.data() : (uint32_t*)drow);
        for (int i = 0; to8 && i < n; i++) drow[i] = mapper->Map(row[i]);
    }
    delete mapper;
}

static void StretchEnlargeRows(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    EnlargeColumns columns;
    BuildEnlargeColumns(ax, &columns);
    EnlargeBandJob job{dst, &ax, &ay, &columns, src};
    int rows = ay.p1 - ay.p0;
    RunRowBands(rows, BandsFor((double)(ax.p1 - ax.p0) * rows, rows), EnlargeBand, &job);
}

static void StretchArea(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    int n = ax.p1 - ax.p0;
    int cols = ax.smax - ax.smin + 1;
    if (n <= 0 || cols <= 0) return;
    if (AreaEnlargeFits(ax, ay)) {
        StretchEnlargeRows(dst, ax, ay, src);
        return;
    }
    if (AreaRowsFit(ax, ay)) {
        StretchAreaRows(dst, ax, ay, src);
        return;
    }
    if (StretchAreaPacked(dst, ax, ay, src)) return;
    // Vertical sums of one destination row, per source column. Each is at most
    // ay.total * 255 < 2^32 because extents are limited to 2^24.
    std::vector<uint32_t> acc_r((size_t)cols), acc_g((size_t)cols), acc_b((size_t)cols);
    // Colours of an 8-bit source row through its table.
    std::vector<uint32_t> conv;
    if (src->bits == 8) conv.resize((size_t)cols);
    ColorMapper* mapper = dst->bits == 8 ? new ColorMapper(dst->palette) : nullptr;
    RoundingDivider div((unsigned long long)ax.total * ay.total);
    int dbpp = dst->bits / 8;
    for (int k = 0; k < ay.p1 - ay.p0; k++) {
        std::fill(acc_r.begin(), acc_r.end(), 0u);
        std::fill(acc_g.begin(), acc_g.end(), 0u);
        std::fill(acc_b.begin(), acc_b.end(), 0u);
        for (int t = ay.first[k]; t < ay.first[k + 1]; t++) {
            uint32_t w = ay.tap_w[t];
            const uint32_t* s = SourceColors(src, ay.tap_pos[t], ax.smin, cols, conv.data());
            uint32_t* ar = acc_r.data();
            uint32_t* ag = acc_g.data();
            uint32_t* ab = acc_b.data();
            for (int c = 0; c < cols; c++) {
                uint32_t p = s[c];
                ar[c] += w * ((p >> 16) & 255u);
                ag[c] += w * ((p >> 8) & 255u);
                ab[c] += w * (p & 255u);
            }
        }
        uint8_t* drow = SurfaceRow(dst, ay.p0 + k) + (size_t)ax.p0 * dbpp;
        for (int i = 0; i < n; i++) {
            unsigned long long r = 0, g = 0, b = 0;
            for (int t = ax.first[i]; t < ax.first[i + 1]; t++) {
                int c = ax.tap_pos[t] - ax.smin;
                unsigned long long w = ax.tap_w[t];
                r += w * acc_r[c];
                g += w * acc_g[c];
                b += w * acc_b[c];
            }
            uint32_t rgb = (div.Div(r) << 16) | (div.Div(g) << 8) | div.Div(b);
            if (dbpp == 4) {
                ((uint32_t*)drow)[i] = rgb;
            } else {
                drow[i] = mapper->Map(rgb);
            }
        }
    }
    delete mapper;
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
