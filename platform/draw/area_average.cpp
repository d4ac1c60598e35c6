// The area average by rows with vector instructions. A destination row is made in two passes:
// the vertical pass adds the weighted source rows under it into per-column sums (two rows at a
// time: their bytes are interleaved into 16-bit pairs and one multiply-add applies both
// weights), the horizontal pass weighs those sums with the column taps in 64-bit lanes, and
// each channel is divided by the total weight once, rounding half up. The division runs in
// doubles, which hold every numerator exactly, and is corrected by one whole step either way,
// so the quotient is exact. SSE2 is part of x86-64; AVX2 is chosen at run time when the CPU has
// it. Other machines keep the plain path of stretch.cpp.
#include "platform/draw/area_average.h"

#include <stdlib.h>
#include <string.h>

#if defined(__SSE2__)
#include <immintrin.h>
#endif

#if defined(__SSE2__)

namespace {

// Four source pixels from column x of a row, as 32-bit words (8-bit rows through the table).
template <int kBits>
inline __m128i Load4(const uint8_t* row, const uint32_t* palette, int x) {
    if (kBits == 32) return _mm_loadu_si128((const __m128i*)(row + (size_t)x * 4));
    const uint8_t* r = row + x;
    return _mm_setr_epi32((int)palette[r[0]], (int)palette[r[1]], (int)palette[r[2]], (int)palette[r[3]]);
}

template <int kBits>
inline uint32_t Load1(const uint8_t* row, const uint32_t* palette, int x) {
    return kBits == 32 ? ((const uint32_t*)row)[x] : palette[row[x]];
}

// The columns the vector loop left over, one channel at a time.
template <int kBits>
void AccumulateTail(uint32_t* acc, const uint8_t* a, const uint8_t* b, const uint32_t* palette, uint32_t wa,
                    uint32_t wb, int c, int cols) {
    for (; c < cols; c++) {
        uint32_t pa = Load1<kBits>(a, palette, c), pb = Load1<kBits>(b, palette, c);
        for (int ch = 0; ch < 4; ch++)
            acc[4 * c + ch] += wa * ((pa >> (8 * ch)) & 255u) + wb * ((pb >> (8 * ch)) & 255u);
    }
}

// acc[4 c + ch] += wa * a[c].ch + wb * b[c].ch for cols columns; weights below 2^15.
template <int kBits>
void AccumulateSse2(uint32_t* acc, const uint8_t* a, const uint8_t* b, const uint32_t* palette, uint32_t wa,
                    uint32_t wb, int cols) {
    const __m128i w = _mm_set1_epi32((int)(wb << 16 | wa));
    const __m128i zero = _mm_setzero_si128();
    int c = 0;
    for (; c + 4 <= cols; c += 4) {
        __m128i pa = Load4<kBits>(a, palette, c), pb = Load4<kBits>(b, palette, c);
        __m128i lo = _mm_unpacklo_epi8(pa, pb), hi = _mm_unpackhi_epi8(pa, pb);
        __m128i* q = (__m128i*)(acc + 4 * c);
        __m128i s0 = _mm_madd_epi16(_mm_unpacklo_epi8(lo, zero), w);
        __m128i s1 = _mm_madd_epi16(_mm_unpackhi_epi8(lo, zero), w);
        __m128i s2 = _mm_madd_epi16(_mm_unpacklo_epi8(hi, zero), w);
        __m128i s3 = _mm_madd_epi16(_mm_unpackhi_epi8(hi, zero), w);
        _mm_storeu_si128(q + 0, _mm_add_epi32(_mm_loadu_si128(q + 0), s0));
        _mm_storeu_si128(q + 1, _mm_add_epi32(_mm_loadu_si128(q + 1), s1));
        _mm_storeu_si128(q + 2, _mm_add_epi32(_mm_loadu_si128(q + 2), s2));
        _mm_storeu_si128(q + 3, _mm_add_epi32(_mm_loadu_si128(q + 3), s3));
    }
    AccumulateTail<kBits>(acc, a, b, palette, wa, wb, c, cols);
}

// The same with 256-bit lanes: two pixels' channel pairs widen to 16 bits in one step.
template <int kBits>
__attribute__((target("avx2"))) void AccumulateAvx2(uint32_t* acc, const uint8_t* a, const uint8_t* b,
                                                    const uint32_t* palette, uint32_t wa, uint32_t wb, int cols) {
    const __m256i w = _mm256_set1_epi32((int)(wb << 16 | wa));
    int c = 0;
    for (; c + 4 <= cols; c += 4) {
        __m128i pa = Load4<kBits>(a, palette, c), pb = Load4<kBits>(b, palette, c);
        __m256i lo = _mm256_cvtepu8_epi16(_mm_unpacklo_epi8(pa, pb));
        __m256i hi = _mm256_cvtepu8_epi16(_mm_unpackhi_epi8(pa, pb));
        __m256i* q = (__m256i*)(acc + 4 * c);
        _mm256_storeu_si256(q + 0, _mm256_add_epi32(_mm256_loadu_si256(q + 0), _mm256_madd_epi16(lo, w)));
        _mm256_storeu_si256(q + 1, _mm256_add_epi32(_mm256_loadu_si256(q + 1), _mm256_madd_epi16(hi, w)));
    }
    AccumulateTail<kBits>(acc, a, b, palette, wa, wb, c, cols);
}

using AccumulateFn = void (*)(uint32_t*, const uint8_t*, const uint8_t*, const uint32_t*, uint32_t, uint32_t, int);

struct Kernels {
    AccumulateFn rows32, rows8;
    bool avx2;
};

const Kernels& PickKernels() {
    static const Kernels kernels = [] {
        __builtin_cpu_init();
        // PIXKIT_NO_AVX2 keeps the layer to SSE2 (for machines where AVX2 slows the clock, and
        // to run the SSE2 path on a CPU that has both).
        const char* no_avx2 = getenv("PIXKIT_NO_AVX2");
        const bool avx2_allowed = !no_avx2 || !*no_avx2 || strcmp(no_avx2, "0") == 0;
        if (avx2_allowed && __builtin_cpu_supports("avx2"))
            return Kernels{AccumulateAvx2<32>, AccumulateAvx2<8>, true};
        return Kernels{AccumulateSse2<32>, AccumulateSse2<8>, false};
    }();
    return kernels;
}

// Rounds two 64-bit sums (below 2^52) to floor((2 sum + total) / (2 total)), as 32-bit lanes 0
// and 1. Every operand and product is an integer below 2^53, so only the first quotient is
// approximate, and it is off by at most one.
struct RoundingDivider2 {
    __m128d total, den, inv;
    explicit RoundingDivider2(double t) : total(_mm_set1_pd(t)), den(_mm_set1_pd(2 * t)), inv(_mm_set1_pd(0.5 / t)) {}
    inline __m128i Div(__m128i sum) const {
        const __m128d two52 = _mm_set1_pd(4503599627370496.0);
        __m128d s = _mm_sub_pd(_mm_castsi128_pd(_mm_or_si128(sum, _mm_castpd_si128(two52))), two52);
        __m128d num = _mm_add_pd(_mm_add_pd(s, s), total);
        __m128d q = _mm_cvtepi32_pd(_mm_cvttpd_epi32(_mm_mul_pd(num, inv)));
        __m128d r = _mm_sub_pd(num, _mm_mul_pd(q, den));
        const __m128d one = _mm_set1_pd(1.0);
        q = _mm_add_pd(q, _mm_and_pd(_mm_cmpge_pd(r, den), one));
        q = _mm_sub_pd(q, _mm_and_pd(_mm_cmplt_pd(r, _mm_setzero_pd()), one));
        return _mm_cvttpd_epi32(q);
    }
};

// The horizontal pass: out[i] from the column sums under destination column i.
void ResolveRow(const AxisMap& ax, const uint32_t* acc, double total, uint32_t* out) {
    RoundingDivider2 div(total);
    const int* first = ax.first.data();
    const int* pos = ax.tap_pos.data();
    const uint32_t* tap_w = ax.tap_w.data();
    int smin = ax.smin;
    int n = ax.p1 - ax.p0;
    for (int i = 0; i < n; i++) {
        // Blue and red in the even lanes, green (and the unused byte) in the odd ones.
        __m128i even = _mm_setzero_si128(), odd = _mm_setzero_si128();
        for (int t = first[i]; t < first[i + 1]; t++) {
            __m128i a = _mm_loadu_si128((const __m128i*)(acc + 4 * (pos[t] - smin)));
            __m128i w = _mm_set1_epi32((int)tap_w[t]);
            even = _mm_add_epi64(even, _mm_mul_epu32(a, w));
            odd = _mm_add_epi64(odd, _mm_mul_epu32(_mm_srli_epi64(a, 32), w));
        }
        __m128i br = div.Div(even), g = div.Div(odd);
        uint32_t blue = (uint32_t)_mm_cvtsi128_si32(br), red = (uint32_t)_mm_cvtsi128_si32(_mm_srli_si128(br, 4));
        out[i] = red << 16 | (uint32_t)_mm_cvtsi128_si32(g) << 8 | blue;
    }
}

// The horizontal pass when every sum fits 32 bits (total * 511 below 2^33), with AVX2: the
// column sums are weighed in 32-bit lanes, then the division runs on two pixels at a time as
// floor((sum + floor(total / 2)) / total), which equals the rounding above. A float estimate
// of the quotient is off by at most one, and the remainder, exact in 32-bit lanes, corrects it.
__attribute__((target("avx2"))) void ResolveRowAvx2(const AxisMap& ax, const uint32_t* acc, uint32_t total,
                                                    uint32_t* sums, uint32_t* out) {
    const int* first = ax.first.data();
    const int* pos = ax.tap_pos.data();
    const uint32_t* tap_w = ax.tap_w.data();
    int smin = ax.smin;
    int n = ax.p1 - ax.p0;
    for (int i = 0; i < n; i++) {
        __m128i sum = _mm_setzero_si128();
        for (int t = first[i]; t < first[i + 1]; t++) {
            __m128i a = _mm_loadu_si128((const __m128i*)(acc + 4 * (pos[t] - smin)));
            sum = _mm_add_epi32(sum, _mm_mullo_epi32(a, _mm_set1_epi32((int)tap_w[t])));
        }
        _mm_storeu_si128((__m128i*)(sums + 4 * i), sum);
    }
    const __m256i half = _mm256_set1_epi32((int)(total / 2)), den = _mm256_set1_epi32((int)total);
    const __m256i den_less = _mm256_set1_epi32((int)total - 1), zero = _mm256_setzero_si256();
    const __m256 scale = _mm256_set1_ps(2.0f / (float)total);
    // An odd last pixel is divided with the one before it once more (a lone pixel with the
    // scratch word after it).
    for (int i = 0; i < n; i += 2) {
        int at = i + 2 <= n ? i : n - 2;
        if (at < 0) at = 0;
        __m256i num = _mm256_add_epi32(_mm256_loadu_si256((const __m256i*)(sums + 4 * at)), half);
        // Halved, so the lanes read as signed; the lost bit is within the estimate's one step.
        __m256i q = _mm256_cvttps_epi32(_mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_srli_epi32(num, 1)), scale));
        __m256i r = _mm256_sub_epi32(num, _mm256_mullo_epi32(q, den));
        q = _mm256_add_epi32(q, _mm256_cmpgt_epi32(zero, r));
        q = _mm256_sub_epi32(q, _mm256_cmpgt_epi32(r, den_less));
        __m256i bytes = _mm256_packus_epi16(_mm256_packus_epi32(q, q), zero);
        out[at] = (uint32_t)_mm256_cvtsi256_si32(bytes) & 0xFFFFFFu;
        if (n > 1) out[at + 1] = (uint32_t)_mm_cvtsi128_si32(_mm256_extracti128_si256(bytes, 1)) & 0xFFFFFFu;
    }
}

}  // namespace

bool AreaRowsFit(const AxisMap& ax, const AxisMap& ay) {
    // Vertical weights are 16-bit lanes; 511 total stays below 2^53 for the exact division.
    double total = (double)ax.total * (double)ay.total;
    return ay.total < (1u << 15) && total * 511.0 < 9007199254740992.0;
}

bool AreaUsesAvx2() { return PickKernels().avx2; }

int AreaRowScratchWords(const AxisMap& ax) { return 4 * (ax.smax - ax.smin + 1) + 4 * (ax.p1 - ax.p0 + 1); }

void AreaAverageRow(const AxisMap& ax, const AxisMap& ay, const Surface* src, int k, uint32_t* scratch,
                    uint32_t* out) {
    int cols = ax.smax - ax.smin + 1;
    memset(scratch, 0, (size_t)cols * 16);
    const Kernels& kernels = PickKernels();
    AccumulateFn add = src->bits == 8 ? kernels.rows8 : kernels.rows32;
    size_t offset = (size_t)ax.smin * (size_t)(src->bits / 8);
    int t1 = ay.first[k + 1];
    for (int t = ay.first[k]; t < t1; t += 2) {
        // Rows go in pairs; an odd one out pairs with itself at weight zero.
        const uint8_t* a = SurfaceRow(src, ay.tap_pos[t]) + offset;
        bool pair = t + 1 < t1;
        const uint8_t* b = pair ? SurfaceRow(src, ay.tap_pos[t + 1]) + offset : a;
        add(scratch, a, b, src->palette, ay.tap_w[t], pair ? ay.tap_w[t + 1] : 0u, cols);
    }
    unsigned long long total = (unsigned long long)ax.total * ay.total;
    if (kernels.avx2 && total * 511 < (1ull << 33)) {
        ResolveRowAvx2(ax, scratch, (uint32_t)total, scratch + 4 * cols, out);
    } else {
        ResolveRow(ax, scratch, (double)total, out);
    }
}

#else

bool AreaRowsFit(const AxisMap&, const AxisMap&) { return false; }
bool AreaUsesAvx2() { return false; }
int AreaRowScratchWords(const AxisMap&) { return 0; }
void AreaAverageRow(const AxisMap&, const AxisMap&, const Surface*, int, uint32_t*, uint32_t*) {}

#endif
