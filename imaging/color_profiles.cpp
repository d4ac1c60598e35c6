// Colour profiles and chroma plots: the row reader, the profile plotter and the row and area
// chroma plots. Every source pixel is converted once, in integers, and nothing is allocated
// here: the callers own the buffers.
#include "imaging/color_profiles.h"

#include <string.h>

#include "imaging/image_raster.h"
#include "raster/color_models.h"
#include "raster/lines.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void ReadImageRow(void* buffer, int y, int count) {
    const int index = CurrentImageIndex();
    if ((unsigned)index >= IMAGE_SLOTS || !buffer || count <= 0) return;
    const ImageRecord& r = image_table[index];
    if (!r.in_use.load(std::memory_order_acquire) || !image_pixels[index]) return;
    const size_t entry = r.bits == 32 ? 4 : 1;
    // Columns past the image, or a row outside it, read as 0.
    size_t inside = 0;
    if ((unsigned)y < (unsigned)r.height) inside = (size_t)(count < r.width ? count : r.width);
    if (inside) memcpy(buffer, image_pixels[index] + (size_t)y * (size_t)ImageStride(&r), inside * entry);
    memset(static_cast<uint8_t*>(buffer) + inside * entry, 0, ((size_t)count - inside) * entry);
}

// ---- Profile plotter ---------------------------------------------------------------------

namespace {

enum Component { C_RED, C_GREEN, C_BLUE, C_HUE, C_SAT, C_VALUE, C_LUMA, C_CR, C_CB, C_BYTE, C_NONE };

// The component bits in the order they are tested, and the full scale of each.
struct ComponentBit {
    int bit;
    Component component;
    int scale;
};
const ComponentBit COMPONENT_BITS[] = {
    {PROFILE_RED, C_RED, 255},   {PROFILE_GREEN, C_GREEN, 255}, {PROFILE_BLUE, C_BLUE, 255},
    {PROFILE_HUE, C_HUE, 359},   {PROFILE_SATURATION, C_SAT, 255}, {PROFILE_VALUE, C_VALUE, 255},
    {PROFILE_LUMINANCE, C_LUMA, 255}, {PROFILE_CR, C_CR, 255},  {PROFILE_CB, C_CB, 255},
    {PROFILE_BYTE, C_BYTE, 255},
};

int ComponentOf(Component component, const void* buffer, int i) {
    if (component == C_BYTE) return static_cast<const uint8_t*>(buffer)[i];
    const uint32_t color = static_cast<const uint32_t*>(buffer)[i];
    const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
    switch (component) {
    case C_RED: return r;
    case C_GREEN: return g;
    case C_BLUE: return b;
    case C_HUE: return PXK_GetHue(color);
    case C_SAT: return PXK_GetSaturation(color);
    case C_VALUE: return PXK_GetValue(color);
    case C_LUMA: return ColorLuminance(r, g, b);
    case C_CR: return ColorCr(r, g, b) + 128;
    case C_CB: return ColorCb(r, g, b) + 128;
    default: return 0;
    }
}

}  // namespace

void PlotProfile(const void* buffer, int x_offset, int count, int selector, PXK_Color color) {
    if (!buffer || count <= 0) return;
    const ComponentBit* chosen = nullptr;
    for (const ComponentBit& c : COMPONENT_BITS) {
        if (selector & c.bit) {
            chosen = &c;
            break;
        }
    }
    const bool lines = selector & PROFILE_LINES;
    if (!chosen || !(lines || (selector & PROFILE_POINTS))) return;
    int last_x = 0, last_y = 0;
    for (int i = 0; i < count; i++) {
        const int val = ComponentOf(chosen->component, buffer, i);
        const int x = (int)((int64_t)x_offset + i);
        const int y = PROFILE_HEIGHT - 1 - val * (PROFILE_HEIGHT - 1) / chosen->scale;
        if (lines && i > 0) PXK_DrawLine(color, last_x, last_y, x, y);
        else PXK_PutPixel(x, y, color);
        last_x = x;
        last_y = y;
    }
}

// ---- Chroma plots ------------------------------------------------------------------------

ChromaPoint ChromaOf(uint32_t color) {
    const int r = ColorRed(color), g = ColorGreen(color), b = ColorBlue(color);
    return ChromaPoint{CHROMA_PLANE / 2 + ColorCb(r, g, b), CHROMA_PLANE / 2 - ColorCr(r, g, b)};
}

// The grey axes through the origin (128, 128), "Cr" at the top left of the vertical axis and
// "Cb" at the right end below the horizontal one. The text colour stays the last one used.
static void DrawChromaFrame() {
    const int mid = CHROMA_PLANE / 2;
    PXK_DrawLine(0x808080, 0, mid, CHROMA_PLANE, mid);
    PXK_DrawLine(0x808080, mid, 0, mid, CHROMA_PLANE);
    PXK_SetTextPos(110, 16);
    PXK_SetTextColor(0xFF8888);
    PXK_PutString("Cr");
    PXK_SetTextPos(238, 144);
    PXK_SetTextColor(0x8888FF);
    PXK_PutString("Cb");
}

void PlotRowChroma(const uint32_t* buffer, int count) {
    DrawChromaFrame();
    if (!buffer || count <= 0) return;
    uint32_t color = 0xFFFFFF;
    ChromaPoint last = ChromaOf(buffer[0]);
    PXK_PutPixel(last.x, last.y, color);
    for (int i = 1; i < count; i++) {
        color ^= 0x00FF00;
        const ChromaPoint p = ChromaOf(buffer[i]);
        PXK_DrawLine(color, last.x, last.y, p.x, p.y);
        last = p;
    }
}

// A rectangle can hold millions of pixels, so the plot is one pass built for that. Each row is
// converted in chunks, four colours at a time where the processor allows. The polylines are
// then drawn on the canvas directly, and most segments of real images need no line drawing
// at all: every segment is white and depends only on its two ends, so a short one that was
// drawn once is remembered per start point and skipped when it comes again; a segment from a
// point to itself only stores that point again; and one to a neighbouring point is its far
// end alone, since the near end is already white.
namespace {

enum { CHUNK = 256, REACH = 3, REACH_SPAN = 2 * REACH + 1 };

// The chroma points cover x 1..256 and y 0..255; one bit per short step from each point.
// Cleared at the start of every plot. Drawing belongs to the one thread that owns the images,
// so one table serves every plot.
static_assert(REACH_SPAN * REACH_SPAN <= 64, "the steps of one point fit a 64-bit word");
uint64_t drawn_steps[(CHROMA_PLANE + 1) * (CHROMA_PLANE + 1)];

// The chroma point of n colours, packed as x | y << 16 (x = 128 + Cb and y = 128 - Cr are
// never negative), in 32-bit arithmetic (every sum fits); the division by 65536 truncates
// toward zero as everywhere else.
static inline int TruncShift16(int32_t sum) { return (sum + ((sum >> 31) & 0xFFFF)) >> 16; }

void ChromaChunk(const uint32_t* colors, int n, uint32_t* keys) {
    int k = 0;
#if defined(__SSE2__)
    // Four colours at a time with multiply-adds of 16-bit pairs. 32768 does not fit a 16-bit
    // factor, so it is split as 16384 + 16384 over two pairs.
    auto pair = [](int lo, int hi) { return _mm_set1_epi32((int)((uint32_t)hi << 16 | ((uint32_t)lo & 0xFFFF))); };
    const __m128i byte = _mm_set1_epi32(0xFF), round = _mm_set1_epi32(32768), low16 = _mm_set1_epi32(0xFFFF);
    const __m128i mid = _mm_set1_epi32(CHROMA_PLANE / 2);
    const __m128i cb_br = pair(16384, -11076), cb_bg = pair(16384, -21692);
    const __m128i cr_br = pair(-5308, 16384), cr_rg = pair(16384, -27460);
    auto trunc16 = [&](__m128i s) {
        return _mm_srai_epi32(_mm_add_epi32(s, _mm_and_si128(_mm_srai_epi32(s, 31), low16)), 16);
    };
    for (; k + 4 <= n; k += 4) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colors + k));
        const __m128i b = _mm_and_si128(v, byte);
        const __m128i g = _mm_and_si128(_mm_srli_epi32(v, 8), byte);
        const __m128i r = _mm_and_si128(_mm_srli_epi32(v, 16), byte);
        const __m128i br = _mm_or_si128(b, _mm_slli_epi32(r, 16));
        const __m128i bg = _mm_or_si128(b, _mm_slli_epi32(g, 16));
        const __m128i rg = _mm_or_si128(r, _mm_slli_epi32(g, 16));
        const __m128i cb = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(br, cb_br), _mm_madd_epi16(bg, cb_bg)), round);
        const __m128i cr = _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(br, cr_br), _mm_madd_epi16(rg, cr_rg)), round);
        const __m128i x = _mm_add_epi32(mid, trunc16(cb)), y = _mm_sub_epi32(mid, trunc16(cr));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(keys + k), _mm_or_si128(x, _mm_slli_epi32(y, 16)));
    }
#endif
    for (; k < n; k++) {
        const int32_t r = (int32_t)(colors[k] >> 16 & 0xFF), g = (int32_t)(colors[k] >> 8 & 0xFF),
                      b = (int32_t)(colors[k] & 0xFF);
        const int x = CHROMA_PLANE / 2 + TruncShift16(32768 * b - 11076 * r - 21692 * g + 32768);
        const int y = CHROMA_PLANE / 2 - TruncShift16(32768 * r - 27460 * g - 5308 * b + 32768);
        keys[k] = (uint32_t)x | (uint32_t)y << 16;
    }
}

struct AreaPlot {
    RasterImage c;
    ChromaPoint last;
};

void StoreWhite(const RasterImage& c, int x, int y) {
    if (Inside(c, x, y)) {
        if (c.bits == 32) reinterpret_cast<uint32_t*>(c.pixels)[(ptrdiff_t)y * c.pitch + x] = 0xFFFFFF;
        else c.pixels[(ptrdiff_t)y * c.pitch + x] = 0xFF;
    }
}

const uint64_t NO_STEP = (uint64_t)1 << (REACH * REACH_SPAN + REACH);

// The segment from the last point to (x, y). A step to the point itself counts as drawn
// from the start; a step to a neighbour is its far end alone.
inline void Segment(AreaPlot* plot, uint32_t key) {
    const int x = (int)(key & 0xFFFF), y = (int)(key >> 16);
    const int dx = x - plot->last.x, dy = y - plot->last.y;
    const ChromaPoint from = plot->last;
    plot->last = ChromaPoint{x, y};
    if ((unsigned)(dx + REACH) < REACH_SPAN && (unsigned)(dy + REACH) < REACH_SPAN) {
        uint64_t& steps = drawn_steps[from.y * (CHROMA_PLANE + 1) + from.x];
        const uint64_t bit = (uint64_t)1 << ((dy + REACH) * REACH_SPAN + dx + REACH);
        if ((steps | NO_STEP) & bit) return;
        steps |= bit;
        if (dx >= -1 && dx <= 1 && dy >= -1 && dy <= 1) StoreWhite(plot->c, x, y);
        else RasterLineOn(plot->c, RASTER_STORE, 0xFFFFFF, from.x, from.y, x, y);
        return;
    }
    RasterLineOn(plot->c, RASTER_STORE, 0xFFFFFF, from.x, from.y, x, y);
}

}  // namespace

// True when the four keys from k on are all the last point: a flat area, skipped at once.
static inline bool FourRepeats(const uint32_t* keys, const AreaPlot& plot) {
#if defined(__SSE2__)
    const __m128i last = _mm_set1_epi32((int)((uint32_t)plot.last.x | (uint32_t)plot.last.y << 16));
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(keys));
    return _mm_movemask_epi8(_mm_cmpeq_epi32(v, last)) == 0xFFFF;
#else
    (void)keys;
    (void)plot;
    return false;
#endif
}

void PlotAreaChroma(int h, const uint32_t* buffer, int w) {
    DrawChromaFrame();
    AreaPlot plot;
    if (!buffer || w <= 0 || h <= 0 || !CurrentRaster(&plot.c)) return;
    memset(drawn_steps, 0, sizeof drawn_steps);
    uint32_t keys[CHUNK];
    for (int j = 0; j < h; j++) {
        const uint32_t* row = buffer + (size_t)j * (size_t)w;
        for (int at = 0; at < w; at += CHUNK) {
            const int n = w - at < CHUNK ? w - at : CHUNK;
            ChromaChunk(row + at, n, keys);
            int k = 0;
            if (at == 0) {
                plot.last = ChromaPoint{(int)(keys[0] & 0xFFFF), (int)(keys[0] >> 16)};
                StoreWhite(plot.c, plot.last.x, plot.last.y);
                k = 1;
            }
            // Groups of four: a flat stretch costs one comparison per group. Otherwise every
            // point goes through Segment, whose repeated and already drawn steps are one
            // predictable branch even on noisy rows.
            for (; k + 4 <= n; k += 4) {
                if (FourRepeats(keys + k, plot)) continue;
                for (int e = k; e < k + 4; e++) Segment(&plot, keys[e]);
            }
            for (; k < n; k++) Segment(&plot, keys[k]);
        }
    }
    SetPen(plot.last.x, plot.last.y);
}
