// The area average of the halftone stretch (see stretch_area.h). Four ways to the same
// exact sums: the pair kernels when enlarging, the vector row kernels, a packed form that
// weighs three channels in one multiply-add, and the plain one for sums too large for those.
// Each channel is rounded once, so every way gives the same pixels.
#include "platform/draw/stretch_area.h"

#include "platform/draw/area_average.h"
#include "platform/draw/area_enlarge.h"
#include "platform/draw/color_mapper.h"
#include "platform/draw/row_pool.h"

#include <algorithm>
#include <optional>
#include <vector>

static inline const uint32_t* Row32(const Surface* s, int y) { return (const uint32_t*)SurfaceRow(s, y); }

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
    std::optional<ColorMapper> mapper;
    if (dst->bits == 8) mapper.emplace(dst->palette);
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
    std::optional<ColorMapper> mapper;
    if (to8) mapper.emplace(job.dst->palette);
    for (int k = k0; k < k1; k++) {
        uint8_t* drow = SurfaceRow(job.dst, job.ay->p0 + k) + (size_t)ax.p0 * (size_t)(job.dst->bits / 8);
        AreaAverageRow(ax, *job.ay, job.src, k, scratch.data(), to8 ? row.data() : (uint32_t*)drow);
        for (int i = 0; to8 && i < n; i++) drow[i] = mapper->Map(row[i]);
    }
}

static void StretchAreaRows(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    AreaBandJob job{dst, &ax, &ay, src};
    int rows = ay.p1 - ay.p0;
    // Source pixels read plus destination pixels written.
    double work = (double)(ax.smax - ax.smin + 1) * (double)ay.tap_pos.size() + (double)(ax.p1 - ax.p0) * rows;
    RunRowBands(rows, RowBandsFor(work, rows), AreaBand, &job);
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
    std::optional<ColorMapper> mapper;
    if (to8) mapper.emplace(job.dst->palette);
    for (int k = k0; k < k1; k++) {
        uint8_t* drow = SurfaceRow(job.dst, job.ay->p0 + k) + (size_t)ax.p0 * (size_t)(job.dst->bits / 8);
        AreaEnlargeRow(ax, *job.ay, *job.columns, job.src, k, &rows, to8 ? row.data() : (uint32_t*)drow);
        for (int i = 0; to8 && i < n; i++) drow[i] = mapper->Map(row[i]);
    }
}

static void StretchEnlargeRows(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
    EnlargeColumns columns;
    BuildEnlargeColumns(ax, &columns);
    EnlargeBandJob job{dst, &ax, &ay, &columns, src};
    int rows = ay.p1 - ay.p0;
    RunRowBands(rows, RowBandsFor((double)(ax.p1 - ax.p0) * rows, rows), EnlargeBand, &job);
}

void StretchArea(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src) {
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
    std::optional<ColorMapper> mapper;
    if (dst->bits == 8) mapper.emplace(dst->palette);
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
}

