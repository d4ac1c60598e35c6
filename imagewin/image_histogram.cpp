// Histograms of whole images. The rows are shared out in bands over the drawing layer's row
// pool; each band counts into tables of its own on its stack and adds them to the result at
// its end, so the outcome does not depend on which thread counted which band. A single
// channel is counted into four interleaved tables, so that runs of equal pixels do not wait
// on one counter's previous increment.
#include "image_histogram.h"
#include "image_table.h"

#include "platform/draw/draw.h"
#include "platform/draw/row_pool.h"
#include "pxk.h"

#include <atomic>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Below this many pixels the bands would cost more to share out than to count.
enum { POOL_MIN_PIXELS = 1 << 18 };

struct CountJob {
    const uint8_t* pixels;
    int width;
    int stride;
    int bits;
    unsigned mask;                                         // 32-bit: channels to count
    std::atomic<uint32_t> totals[HISTOGRAM_CHANNELS][256]; // the bands' sums
};

// The luminance's three products by table: three loads in place of three multiplications
// make the luminance count about a third faster. The rounding half is in the green table.
struct LuminanceTables {
    uint32_t r[256], g[256], b[256];
    constexpr LuminanceTables() : r(), g(), b() {
        for (uint32_t v = 0; v < 256; v++) {
            r[v] = 19595u * v;
            g[v] = 38470u * v + 32768u;
            b[v] = 7471u * v;
        }
    }
};
constexpr LuminanceTables LUMINANCE;

inline uint32_t TableLuminance(uint32_t p) {
    return (LUMINANCE.r[(p >> 16) & 0xFFu] + LUMINANCE.g[(p >> 8) & 0xFFu] + LUMINANCE.b[p & 0xFFu]) >> 16;
}

uint32_t ChannelOf(uint32_t p, int channel) {
    return channel == 0 ? TableLuminance(p) : (p >> (8 * (3 - channel))) & 0xFFu;
}

void AddBand(CountJob* job, int channel, const uint32_t* counts) {
    for (int v = 0; v < 256; v++)
        if (counts[v]) job->totals[channel][v].fetch_add(counts[v], std::memory_order_relaxed);
}

#if defined(__SSE2__)
// The luminance of four pixels at once, exactly: the bytes widened to 16 bits and multiplied
// in pairs, (B, G) by (7471, 38470 - 65536) and (R, top) by (19595, 0); the 65536 G taken out
// of green's weight comes back as G shifted left by 16, and the rounding half is added.
inline __m128i FourLuminances(const uint32_t* p) {
    const __m128i weights = _mm_set_epi16(0, 19595, (short)(38470 - 65536), 7471, 0, 19595, (short)(38470 - 65536), 7471);
    const __m128i v = _mm_loadu_si128((const __m128i*)p), zero = _mm_setzero_si128();
    const __m128 lo = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpacklo_epi8(v, zero), weights));
    const __m128 hi = _mm_castsi128_ps(_mm_madd_epi16(_mm_unpackhi_epi8(v, zero), weights));
    const __m128i sums = _mm_add_epi32(_mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(2, 0, 2, 0))),
                                       _mm_castps_si128(_mm_shuffle_ps(lo, hi, _MM_SHUFFLE(3, 1, 3, 1))));
    const __m128i green = _mm_slli_epi32(_mm_and_si128(v, _mm_set1_epi32(0xFF00)), 8);
    return _mm_srli_epi32(_mm_add_epi32(_mm_add_epi32(sums, green), _mm_set1_epi32(32768)), 16);
}
#endif

// One channel of 32-bit rows (or the indices of 8-bit rows when channel is -1).
template <int CHANNEL>
void CountOne(CountJob* job, int y0, int y1) {
    uint32_t t[4][256];
    memset(t, 0, sizeof t);
    const int w = job->width;
    for (int y = y0; y < y1; y++) {
        const uint8_t* row = job->pixels + (size_t)y * (size_t)job->stride;
        int x = 0;
        if (CHANNEL < 0) {
            for (; x + 4 <= w; x += 4) {
                t[0][row[x]]++;
                t[1][row[x + 1]]++;
                t[2][row[x + 2]]++;
                t[3][row[x + 3]]++;
            }
            for (; x < w; x++) t[0][row[x]]++;
        } else {
            const uint32_t* p = (const uint32_t*)row;
#if defined(__SSE2__)
            if (CHANNEL == 0)
                for (; x + 4 <= w; x += 4) {
                    alignas(16) uint32_t lum[4];
                    _mm_store_si128((__m128i*)lum, FourLuminances(p + x));
                    t[0][lum[0]]++;
                    t[1][lum[1]]++;
                    t[2][lum[2]]++;
                    t[3][lum[3]]++;
                }
#endif
            for (; x + 4 <= w; x += 4) {
                t[0][ChannelOf(p[x], CHANNEL)]++;
                t[1][ChannelOf(p[x + 1], CHANNEL)]++;
                t[2][ChannelOf(p[x + 2], CHANNEL)]++;
                t[3][ChannelOf(p[x + 3], CHANNEL)]++;
            }
            for (; x < w; x++) t[0][ChannelOf(p[x], CHANNEL)]++;
        }
    }
    for (int v = 0; v < 256; v++) t[0][v] += t[1][v] + t[2][v] + t[3][v];
    AddBand(job, CHANNEL < 0 ? 0 : CHANNEL, t[0]);
}

// All four channels of 32-bit rows in one pass (what the inspector shows).
void CountAll(CountJob* job, int y0, int y1) {
    uint32_t t[HISTOGRAM_CHANNELS][256];
    memset(t, 0, sizeof t);
    for (int y = y0; y < y1; y++) {
        const uint32_t* p = (const uint32_t*)(job->pixels + (size_t)y * (size_t)job->stride);
        int x = 0;
#if defined(__SSE2__)
        for (; x + 4 <= job->width; x += 4) {
            alignas(16) uint32_t lum[4];
            _mm_store_si128((__m128i*)lum, FourLuminances(p + x));
            for (int k = 0; k < 4; k++) {
                const uint32_t v = p[x + k];
                t[0][lum[k]]++;
                t[1][(v >> 16) & 0xFFu]++;
                t[2][(v >> 8) & 0xFFu]++;
                t[3][v & 0xFFu]++;
            }
        }
#endif
        for (; x < job->width; x++) {
            const uint32_t v = p[x];
            t[0][TableLuminance(v)]++;
            t[1][(v >> 16) & 0xFFu]++;
            t[2][(v >> 8) & 0xFFu]++;
            t[3][v & 0xFFu]++;
        }
    }
    for (int c = 0; c < HISTOGRAM_CHANNELS; c++) AddBand(job, c, t[c]);
}

void CountBand(void* ctx, int y0, int y1) {
    CountJob* job = (CountJob*)ctx;
    if (job->bits == 8) return CountOne<-1>(job, y0, y1);
    switch (job->mask) {
    case 1u: return CountOne<0>(job, y0, y1);
    case 2u: return CountOne<1>(job, y0, y1);
    case 4u: return CountOne<2>(job, y0, y1);
    case 8u: return CountOne<3>(job, y0, y1);
    default: return CountAll(job, y0, y1);
    }
}

}  // namespace

int CountImageChannels(int index, unsigned mask, uint32_t counts[HISTOGRAM_CHANNELS][256]) {
    if (index < 0 || index >= IMAGE_SLOTS) return 1;
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return 1;
    mask &= 0xFu;
    if (!mask) return 0;
    CountJob job;
    job.pixels = image_pixels[index];
    job.width = r->width;
    job.stride = ImageStride(r);
    job.bits = r->bits;
    job.mask = mask;
    for (auto& channel : job.totals)
        for (auto& v : channel) v.store(0, std::memory_order_relaxed);
    const long long pixels = (long long)r->width * r->height;
    const int bands = pixels >= POOL_MIN_PIXELS ? 4 * RowPoolWidth() : 1;
    RunRowBands(r->height, bands < r->height ? bands : r->height, CountBand, &job);
    if (r->bits == 32) {
        for (int c = 0; c < HISTOGRAM_CHANNELS; c++)
            if (mask & (1u << c))
                for (int v = 0; v < 256; v++) counts[c][v] = job.totals[c][v].load(std::memory_order_relaxed);
        return 0;
    }
    // 8 bits: the index counts, and each table colour's channels gather the counts of the
    // indices that show them.
    uint32_t table[256];
    PlatGetColorTable(r->memory_dc, 0, 256, table);
    uint32_t by_index[256];
    for (int v = 0; v < 256; v++) by_index[v] = job.totals[0][v].load(std::memory_order_relaxed);
    for (int c = 0; c < HISTOGRAM_CHANNELS; c++) {
        if (!(mask & (1u << c))) continue;
        if (c == 0) {
            memcpy(counts[0], by_index, sizeof by_index);
            continue;
        }
        memset(counts[c], 0, sizeof counts[c]);
        for (int i = 0; i < 256; i++) counts[c][(table[i] >> (8 * (3 - c))) & 0xFFu] += by_index[i];
    }
    return 0;
}

extern "C" int PXK_GetHistogram(int index, int channel, unsigned int counts[256]) {
    if (index < 0 || index >= IMAGE_SLOTS || !image_table[index].in_use.load(std::memory_order_acquire)) return 1;
    if (channel < 0 || channel >= HISTOGRAM_CHANNELS) return 2;
    if (!counts) return 3;
    uint32_t all[HISTOGRAM_CHANNELS][256];
    const int code = CountImageChannels(index, 1u << channel, all);
    if (code == 0) memcpy(counts, all[channel], sizeof all[channel]);
    return code;
}
