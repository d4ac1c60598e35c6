// The enlarging area average in two passes. The horizontal pass weighs each destination
// column's pair of source pixels (their bytes interleaved into 16-bit pairs, one multiply-add
// per channel) for one source row; enlarging reads every source row for one or two
// destination rows in turn, so the last two such rows are kept. The vertical pass weighs the
// two rows under a destination row and divides each channel by the total weight, rounding
// half up: floor((sum + floor(total / 2)) / total), which is the rounding of draw.h. Every
// sum stays below 2^32 (the totals are limited to 2^24), so the quotient is estimated in
// floats and corrected by the remainder, which 32-bit lanes hold exactly.
#include "platform/draw/area_enlarge.h"

#include "platform/draw/area_average.h"

#include <string.h>

#include <algorithm>

#if defined(__SSE2__)
#include <immintrin.h>

namespace {

// The scalar form of both passes, for the last column of an odd count.
inline uint32_t PairSum(const uint32_t* colors, int left, uint32_t weights, int ch) {
    return (weights & 0xFFFFu) * ((colors[left] >> (8 * ch)) & 255u) +
           (weights >> 16) * ((colors[left + 1] >> (8 * ch)) & 255u);
}

__attribute__((target("avx2"))) void PairRowAvx2(const uint32_t* colors, const EnlargeColumns& columns, int n,
                                                 uint32_t* sums) {
    // The two pixels of a pair, channel by channel: b0 b1 g0 g1 r0 r1 a0 a1.
    const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    const int* left = columns.left.data();
    const uint32_t* weights = columns.weights.data();
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        __m128i a = _mm_loadl_epi64((const __m128i*)(colors + left[i]));
        __m128i b = _mm_loadl_epi64((const __m128i*)(colors + left[i + 1]));
        __m128i pairs = _mm_shuffle_epi8(_mm_unpacklo_epi64(a, b), interleave);
        __m256i w = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64((const __m128i*)(weights + i))),
                                                spread);
        _mm256_storeu_si256((__m256i*)(sums + 4 * i), _mm256_madd_epi16(_mm256_cvtepu8_epi16(pairs), w));
    }
    for (; i < n; i++)
        for (int ch = 0; ch < 4; ch++) sums[4 * i + ch] = PairSum(colors, left[i], weights[i], ch);
}

// Rounded quotients of the two destination pixels from column i: the channels of the two
// rows weighed and added, then divided by the total weight.
struct PairDivider {
    __m256i wa, wb, half, den, den_less;
    __m256 scale;
};

__attribute__((target("avx2"))) inline __m256i DividePairs(const PairDivider& d, const uint32_t* top,
                                                           const uint32_t* bottom, int i) {
    __m256i s = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_loadu_si256((const __m256i*)(top + 4 * i)), d.wa),
                                 _mm256_mullo_epi32(_mm256_loadu_si256((const __m256i*)(bottom + 4 * i)), d.wb));
    __m256i num = _mm256_add_epi32(s, d.half);
    // Halved, so the lanes read as signed; the lost bit is within the estimate's one step.
    __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(num, 1)), d.scale));
    __m256i r = _mm256_sub_epi32(num, _mm256_mullo_epi32(q, d.den));
    q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), r));
    return _mm256_sub_epi32(q, _mm256_cmpgt_epi32(r, d.den_less));
}

// out[i] from the pair sums of the two source rows under the destination row: eight pixels
// at a time packed to bytes and stored whole, then two at a time, then one.
__attribute__((target("avx2"))) void ResolvePairsAvx2(const uint32_t* top, uint32_t w_top, const uint32_t* bottom,
                                                      uint32_t w_bottom, uint32_t total, int n, uint32_t* out) {
    PairDivider d;
    d.wa = _mm256_set1_epi32((int)w_top);
    d.wb = _mm256_set1_epi32((int)w_bottom);
    d.half = _mm256_set1_epi32((int)(total / 2));
    d.den = _mm256_set1_epi32((int)total);
    d.den_less = _mm256_set1_epi32((int)total - 1);
    d.scale = _mm256_set1_ps(2.0f / (float)total);
    const __m256i zero = _mm256_setzero_si256(), rgb = _mm256_set1_epi32(0xFFFFFF);
    // The packs work within 128-bit halves and leave the pixels in the order 0 2 4 6 1 3 5 7.
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    int i = 0;
    for (; i + 8 <= n; i += 8) {
        __m256i q01 = _mm256_packus_epi32(DividePairs(d, top, bottom, i), DividePairs(d, top, bottom, i + 2));
        __m256i q23 = _mm256_packus_epi32(DividePairs(d, top, bottom, i + 4), DividePairs(d, top, bottom, i + 6));
        __m256i bytes = _mm256_permutevar8x32_epi32(_mm256_packus_epi16(q01, q23), order);
        _mm256_storeu_si256((__m256i*)(out + i), _mm256_and_si256(bytes, rgb));
    }
    for (; i + 2 <= n; i += 2) {
        __m256i q = DividePairs(d, top, bottom, i);
        __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(q, q), zero);
        out[i] = (uint32_t)_mm256_cvtsi256_si32(bytes) & 0xFFFFFFu;
        out[i + 1] = (uint32_t)_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)) & 0xFFFFFFu;
    }
    for (; i < n; i++) {
        uint32_t color = 0;
        for (int ch = 0; ch < 3; ch++) {
            uint64_t s = (uint64_t)top[4 * i + ch] * w_top + (uint64_t)bottom[4 * i + ch] * w_bottom;
            color |= (uint32_t)((s + total / 2) / total) << (8 * ch);
        }
        out[i] = color;
    }
}

bool PairTaps(const AxisMap& a) {
    for (size_t i = 0; i + 1 < a.first.size(); i++)
        if (a.first[i + 1] - a.first[i] > 2) return false;
    return true;
}

// The colours of the source row's columns ax.smin .. ax.smax: the row itself on a 32-bit
// surface, a copy looked up in the colour table on an 8-bit one. A single column is copied
// too, so that every pair has a right pixel to read (at weight zero).
const uint32_t* RowColors(const AxisMap& ax, const Surface* src, int y, EnlargeRows* rows) {
    int cols = ax.smax - ax.smin + 1;
    if (src->bits == 32 && cols >= 2) return (const uint32_t*)SurfaceRow(src, y) + ax.smin;
    rows->colors.resize((size_t)cols + 1);
    uint32_t* c = rows->colors.data();
    if (src->bits == 32) {
        memcpy(c, (const uint32_t*)SurfaceRow(src, y) + ax.smin, (size_t)cols * 4);
    } else {
        const uint8_t* row = SurfaceRow(src, y) + ax.smin;
        for (int i = 0; i < cols; i++) c[i] = src->palette[row[i]];
    }
    c[cols] = 0;
    return c;
}

// The pair sums of source row y, made unless one of the two kept rows holds them; the row
// `keep` (the other one the destination row needs) is not replaced.
const uint32_t* PairRow(const AxisMap& ax, const EnlargeColumns& columns, const Surface* src, int y, int keep,
                        EnlargeRows* rows) {
    for (int b = 0; b < 2; b++)
        if (rows->source_row[b] == y) return rows->sums[b].data();
    int b = rows->source_row[0] == keep ? 1 : 0;
    PairRowAvx2(RowColors(ax, src, y, rows), columns, ax.p1 - ax.p0, rows->sums[b].data());
    rows->source_row[b] = y;
    return rows->sums[b].data();
}

}  // namespace

bool AreaEnlargeFits(const AxisMap& ax, const AxisMap& ay) {
    if (!AreaUsesAvx2()) return false;
    // Horizontal weights are signed 16-bit lanes; total * 256 must stay within 32 bits.
    if (ax.total > 0x7FFF || (uint64_t)ax.total * ay.total > (1u << 24)) return false;
    return PairTaps(ax) && PairTaps(ay);
}

void BuildEnlargeColumns(const AxisMap& ax, EnlargeColumns* columns) {
    int n = ax.p1 - ax.p0, cols = ax.smax - ax.smin + 1;
    columns->left.resize((size_t)n);
    columns->weights.resize((size_t)n);
    for (int i = 0; i < n; i++) {
        int t = ax.first[i];
        int p = ax.tap_pos[t] - ax.smin;
        uint32_t w = ax.tap_w[t];
        if (ax.first[i + 1] - t == 2) {
            // Mirrored axes list the pair right to left.
            int q = ax.tap_pos[t + 1] - ax.smin;
            uint32_t v = ax.tap_w[t + 1];
            if (q < p) {
                std::swap(p, q);
                std::swap(w, v);
            }
            columns->left[i] = p;
            columns->weights[i] = v << 16 | w;
        } else if (p + 1 < cols || cols == 1) {
            columns->left[i] = p;
            columns->weights[i] = w;
        } else {
            // The last column pairs with the one before it, at weight zero.
            columns->left[i] = p - 1;
            columns->weights[i] = w << 16;
        }
    }
}

void AreaEnlargeRow(const AxisMap& ax, const AxisMap& ay, const EnlargeColumns& columns, const Surface* src,
                    int k, EnlargeRows* rows, uint32_t* out) {
    int n = ax.p1 - ax.p0;
    if (rows->sums[0].size() != (size_t)n * 4) {
        for (int b = 0; b < 2; b++) {
            rows->sums[b].assign((size_t)n * 4, 0);
            rows->source_row[b] = -1;
        }
    }
    int t = ay.first[k];
    bool pair = ay.first[k + 1] - t == 2;
    int ya = ay.tap_pos[t], yb = pair ? ay.tap_pos[t + 1] : ya;
    const uint32_t* a = PairRow(ax, columns, src, ya, yb, rows);
    const uint32_t* b = pair ? PairRow(ax, columns, src, yb, ya, rows) : a;
    ResolvePairsAvx2(a, ay.tap_w[t], b, pair ? ay.tap_w[t + 1] : 0u, ax.total * ay.total, n, out);
}

#else

bool AreaEnlargeFits(const AxisMap&, const AxisMap&) { return false; }
void BuildEnlargeColumns(const AxisMap&, EnlargeColumns*) {}
void AreaEnlargeRow(const AxisMap&, const AxisMap&, const EnlargeColumns&, const Surface*, int, EnlargeRows*,
                    uint32_t*) {}

#endif
