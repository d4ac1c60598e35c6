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

// The pair sums of a row are kept by blocks of eight destination columns: eight blue sums,
// eight green, eight red, each in the column order 0 2 4 6 1 3 5 7 that the 128-bit halves
// of the vector instructions leave; the vertical pass works lane by lane and restores the
// order when it stores. Columns past the end of the row have weight zero.
enum { BLOCK = 8, BLOCK_WORDS = 3 * BLOCK };

__attribute__((target("avx2"))) inline __m256i PairSums2(const uint32_t* colors, const int* left,
                                                         const uint32_t* weights, int i) {
    // The two pixels of a pair, channel by channel: b0 b1 g0 g1 r0 r1 a0 a1.
    const __m128i interleave = _mm_setr_epi8(0, 4, 1, 5, 2, 6, 3, 7, 8, 12, 9, 13, 10, 14, 11, 15);
    const __m256i spread = _mm256_setr_epi32(0, 0, 0, 0, 1, 1, 1, 1);
    __m128i a = _mm_loadl_epi64((const __m128i*)(colors + left[i]));
    __m128i b = _mm_loadl_epi64((const __m128i*)(colors + left[i + 1]));
    __m128i pairs = _mm_shuffle_epi8(_mm_unpacklo_epi64(a, b), interleave);
    __m256i w = _mm256_permutevar8x32_epi32(_mm256_castsi128_si256(_mm_loadl_epi64((const __m128i*)(weights + i))),
                                            spread);
    return _mm256_madd_epi16(_mm256_cvtepu8_epi16(pairs), w);
}

__attribute__((target("avx2"))) void PairRowAvx2(const uint32_t* colors, const EnlargeColumns& columns, int blocks,
                                                 uint32_t* sums) {
    const int* left = columns.left.data();
    const uint32_t* weights = columns.weights.data();
    for (int k = 0; k < blocks; k++) {
        int i = k * BLOCK;
        // Four vectors of two columns' b g r a sums, transposed into channel vectors.
        __m256i v0 = PairSums2(colors, left, weights, i), v1 = PairSums2(colors, left, weights, i + 2);
        __m256i v2 = PairSums2(colors, left, weights, i + 4), v3 = PairSums2(colors, left, weights, i + 6);
        __m256i bg01 = _mm256_unpacklo_epi32(v0, v1), ra01 = _mm256_unpackhi_epi32(v0, v1);
        __m256i bg23 = _mm256_unpacklo_epi32(v2, v3), ra23 = _mm256_unpackhi_epi32(v2, v3);
        __m256i* out = (__m256i*)(sums + (size_t)k * BLOCK_WORDS);
        _mm256_storeu_si256(out + 0, _mm256_unpacklo_epi64(bg01, bg23));
        _mm256_storeu_si256(out + 1, _mm256_unpackhi_epi64(bg01, bg23));
        _mm256_storeu_si256(out + 2, _mm256_unpacklo_epi64(ra01, ra23));
    }
}

// The rounded quotients of one channel of eight columns: the two rows weighed and added, then
// divided by the total weight.
struct PairDivider {
    __m256i wa, wb, half, den, den_less;
    __m256 scale;
};

__attribute__((target("avx2"))) inline __m256i DividePairs(const PairDivider& d, const uint32_t* top,
                                                           const uint32_t* bottom) {
    __m256i s = _mm256_add_epi32(_mm256_mullo_epi32(_mm256_loadu_si256((const __m256i*)top), d.wa),
                                 _mm256_mullo_epi32(_mm256_loadu_si256((const __m256i*)bottom), d.wb));
    __m256i num = _mm256_add_epi32(s, d.half);
    // Halved, so the lanes read as signed; the lost bit is within the estimate's one step.
    __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(num, 1)), d.scale));
    __m256i r = _mm256_sub_epi32(num, _mm256_mullo_epi32(q, d.den));
    q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(_mm256_setzero_si256(), r));
    return _mm256_sub_epi32(q, _mm256_cmpgt_epi32(r, d.den_less));
}

// out[i] from the pair sums of the two source rows under the destination row.
__attribute__((target("avx2"))) void ResolvePairsAvx2(const uint32_t* top, uint32_t w_top, const uint32_t* bottom,
                                                      uint32_t w_bottom, uint32_t total, int n, uint32_t* out) {
    PairDivider d;
    d.wa = _mm256_set1_epi32((int)w_top);
    d.wb = _mm256_set1_epi32((int)w_bottom);
    d.half = _mm256_set1_epi32((int)(total / 2));
    d.den = _mm256_set1_epi32((int)total);
    d.den_less = _mm256_set1_epi32((int)total - 1);
    d.scale = _mm256_set1_ps(2.0f / (float)total);
    const __m256i order = _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7);
    for (int i = 0; i < n; i += BLOCK) {
        const uint32_t* a = top + (size_t)(i / BLOCK) * BLOCK_WORDS;
        const uint32_t* b = bottom + (size_t)(i / BLOCK) * BLOCK_WORDS;
        __m256i blue = DividePairs(d, a, b);
        __m256i green = DividePairs(d, a + BLOCK, b + BLOCK);
        __m256i red = DividePairs(d, a + 2 * BLOCK, b + 2 * BLOCK);
        __m256i px = _mm256_or_si256(_mm256_or_si256(_mm256_slli_epi32(red, 16), _mm256_slli_epi32(green, 8)), blue);
        px = _mm256_permutevar8x32_epi32(px, order);
        if (i + BLOCK <= n) {
            _mm256_storeu_si256((__m256i*)(out + i), px);
        } else {
            alignas(32) uint32_t last[BLOCK];
            _mm256_store_si256((__m256i*)last, px);
            memcpy(out + i, last, (size_t)(n - i) * 4);
        }
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
    PairRowAvx2(RowColors(ax, src, y, rows), columns, (ax.p1 - ax.p0 + BLOCK - 1) / BLOCK, rows->sums[b].data());
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
    // Whole blocks: the columns past the end read the first pair at weight zero.
    size_t padded = (size_t)(n + BLOCK - 1) / BLOCK * BLOCK;
    columns->left.assign(padded, 0);
    columns->weights.assign(padded, 0);
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
    size_t words = (size_t)(n + BLOCK - 1) / BLOCK * BLOCK_WORDS;
    if (rows->sums[0].size() != words) {
        for (int b = 0; b < 2; b++) {
            rows->sums[b].assign(words, 0);
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
