// Invert, flips, quarter turns and size steps on the pixel buffer of one slot. The in-place
// operations walk the rows directly; the turns and size steps make the image again and keep
// the old pixel buffer alive until they have read it into the new one.
#include "imagewin/image_transforms.h"

#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <climits>

#include "imagewin/image_store.h"
#include "imagewin/image_table.h"
#include "imagewin/image_view.h"
#include "imagewin/view_fit.h"
#include "platform/draw/draw.h"
#include "platform/draw/surface.h"
#include "platform/window/window.h"
#include "pxk.h"

static ImageRecord* UsedSlot(int index) {
    if ((unsigned)index >= IMAGE_SLOTS) return nullptr;
    ImageRecord* r = &image_table[index];
    return r->in_use.load(std::memory_order_acquire) ? r : nullptr;
}

static uint8_t* Row(int index, int y) {
    return image_pixels[index] + (size_t)y * (size_t)ImageStride(&image_table[index]);
}

// Both inversions are an XOR with a fixed byte pattern (255 - i == i ^ 255), done sixteen
// bytes at a time where SSE2 is there, then eight, with the row's tail byte by byte.
static void XorRow(uint8_t* row, size_t bytes, uint64_t pattern) {
    size_t i = 0;
#if defined(__SSE2__)
    const __m128i wide = _mm_set1_epi64x((long long)pattern);
    for (; i + 16 <= bytes; i += 16) {
        __m128i* at = (__m128i*)(row + i);
        _mm_storeu_si128(at, _mm_xor_si128(_mm_loadu_si128(at), wide));
    }
#endif
    for (; i + 8 <= bytes; i += 8) {
        uint64_t word;
        memcpy(&word, row + i, 8);
        word ^= pattern;
        memcpy(row + i, &word, 8);
    }
    for (; i < bytes; i++) row[i] ^= (uint8_t)(pattern >> (8 * (i % 8)));
}

int InvertImage(int index) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    const uint64_t pattern = r->bits == 32 ? 0x00FFFFFF00FFFFFFull : ~0ull;
    const size_t bytes = (size_t)r->width * (size_t)(r->bits / 8);
    for (int y = 0; y < r->height; y++) XorRow(Row(index, y), bytes, pattern);
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}

// Reverses n pixels: four from each end at a time, their order turned in a register, while
// the two blocks do not meet; the middle one by one.
static void ReversePixels(uint32_t* p, int n) {
    int i = 0, j = n;
#if defined(__SSE2__)
    for (; j - i >= 8; i += 4, j -= 4) {
        const __m128i a = _mm_loadu_si128((const __m128i*)(p + i));
        const __m128i b = _mm_loadu_si128((const __m128i*)(p + j - 4));
        _mm_storeu_si128((__m128i*)(p + i), _mm_shuffle_epi32(b, _MM_SHUFFLE(0, 1, 2, 3)));
        _mm_storeu_si128((__m128i*)(p + j - 4), _mm_shuffle_epi32(a, _MM_SHUFFLE(0, 1, 2, 3)));
    }
#endif
    std::reverse(p + i, p + j);
}

int FlipImage(int index, bool horizontal) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    if (horizontal) {
        for (int y = 0; y < r->height; y++) {
            uint8_t* row = Row(index, y);
            if (r->bits == 32)
                ReversePixels((uint32_t*)row, r->width);
            else
                std::reverse(row, row + r->width);
        }
    } else {
        // Rows trade places through a spare block on the stack, three block copies at a time.
        const size_t bytes = (size_t)ImageStride(r);
        uint8_t spare[4096];
        for (int top = 0, bottom = r->height - 1; top < bottom; top++, bottom--) {
            uint8_t *up = Row(index, top), *down = Row(index, bottom);
            for (size_t i = 0; i < bytes; i += sizeof spare) {
                const size_t n = std::min(sizeof spare, bytes - i);
                memcpy(spare, up + i, n);
                memcpy(up + i, down + i, n);
                memcpy(down + i, spare, n);
            }
        }
    }
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}

// The old pixel a quarter turn puts at new (x, y): its offset in old rows of stride pixels.
static size_t TurnSource(int x, int y, size_t stride, int w, int h, bool clockwise) {
    return clockwise ? (size_t)(h - 1 - x) * stride + (size_t)y : (size_t)x * stride + (size_t)(w - 1 - y);
}

// Fills the turned image in square tiles, so that the old rows one tile reads and the new
// rows it writes stay in the first-level cache together instead of every new pixel reading a
// new cache line of a column far away.
template <typename Pixel>
static void FillTurned(int index, const Surface* old, bool clockwise) {
    const Pixel* src = (const Pixel*)old->pixels;
    const size_t stride = (size_t)old->stride / sizeof(Pixel);
    const int w = old->width, h = old->height;
    const int tile = sizeof(Pixel) == 1 ? 128 : 64;
    for (int y0 = 0; y0 < w; y0 += tile) {
        const int y1 = std::min(y0 + tile, w);
        for (int x0 = 0; x0 < h; x0 += tile) {
            const int x1 = std::min(x0 + tile, h);
            for (int y = y0; y < y1; y++) {
                Pixel* row = (Pixel*)Row(index, y);
                for (int x = x0; x < x1; x++) row[x] = src[TurnSource(x, y, stride, w, h, clockwise)];
            }
        }
    }
}

#if defined(__SSE2__)
// Transposes the 4 x 4 block of pixels in rows r[0..3]: out[j] holds the pixels j of r[0..3].
static inline void Transpose4(const __m128i r[4], __m128i out[4]) {
    const __m128i t0 = _mm_unpacklo_epi32(r[0], r[1]), t1 = _mm_unpacklo_epi32(r[2], r[3]);
    const __m128i t2 = _mm_unpackhi_epi32(r[0], r[1]), t3 = _mm_unpackhi_epi32(r[2], r[3]);
    out[0] = _mm_unpacklo_epi64(t0, t1);
    out[1] = _mm_unpackhi_epi64(t0, t1);
    out[2] = _mm_unpacklo_epi64(t2, t3);
    out[3] = _mm_unpackhi_epi64(t2, t3);
}

// Turns the 4 x 4 block whose new top-left is (x, y) through registers. Clockwise, new row
// y + j is old column y + j read upwards from old row h - 1 - x, so the four old rows are
// loaded bottom first; anticlockwise, new row y + j is old column w - 1 - y - j read
// downwards from old row x, so the transposed rows are stored last first.
template <bool stream>
static inline void TurnBlock32(int index, const uint32_t* src, size_t stride, int x, int y, int w, int h,
                               bool clockwise) {
    __m128i rows[4], cols[4];
    for (int k = 0; k < 4; k++) {
        const size_t at = clockwise ? (size_t)(h - 1 - x - k) * stride + (size_t)y
                                    : (size_t)(x + k) * stride + (size_t)(w - 4 - y);
        rows[k] = _mm_loadu_si128((const __m128i*)(src + at));
    }
    Transpose4(rows, cols);
    for (int j = 0; j < 4; j++) {
        __m128i* at = (__m128i*)((uint32_t*)Row(index, y + j) + x);
        if (stream)
            _mm_stream_si128(at, cols[clockwise ? j : 3 - j]);
        else
            _mm_storeu_si128(at, cols[clockwise ? j : 3 - j]);
    }
}

// The whole 4 x 4 blocks of one tile.
template <bool stream>
static void TurnTile32(int index, const uint32_t* src, size_t stride, int x0, int x1, int y0, int y1, int w,
                       int h, bool clockwise) {
    for (int y = y0; y < y1; y += 4)
        for (int x = x0; x < x1; x += 4) TurnBlock32<stream>(index, src, stride, x, y, w, h, clockwise);
}

// The 32-bit turn in tiles of 4 x 4 blocks; the strips past the last whole block, at the
// right and bottom of the new image, go pixel by pixel. Where every new row starts on 16
// bytes the blocks are written around the caches: the new image is far larger than they
// are, and a plain store would first read each line it writes.
static void FillTurned32(int index, const Surface* old, bool clockwise) {
    const uint32_t* src = (const uint32_t*)old->pixels;
    const size_t stride = (size_t)old->stride / 4;
    const int w = old->width, h = old->height, tile = 64;
    const int w4 = w & ~3, h4 = h & ~3;
    const bool stream = ((uintptr_t)Row(index, 0) & 15) == 0 && (h & 3) == 0;
    for (int y0 = 0; y0 < w4; y0 += tile) {
        const int y1 = std::min(y0 + tile, w4);
        for (int x0 = 0; x0 < h4; x0 += tile) {
            const int x1 = std::min(x0 + tile, h4);
            if (stream)
                TurnTile32<true>(index, src, stride, x0, x1, y0, y1, w, h, clockwise);
            else
                TurnTile32<false>(index, src, stride, x0, x1, y0, y1, w, h, clockwise);
        }
    }
    _mm_sfence();
    for (int y = 0; y < w; y++) {
        uint32_t* row = (uint32_t*)Row(index, y);
        for (int x = y < w4 ? h4 : 0; x < h; x++) row[x] = src[TurnSource(x, y, stride, w, h, clockwise)];
    }
}

// Transposes the 8 x 8 block of bytes in the low halves of r[0..7]: the low half of
// out[j / 2] (j even) or its high half (j odd) holds the bytes j of r[0..7].
static inline void Transpose8x8(const __m128i r[8], __m128i out[4]) {
    const __m128i t0 = _mm_unpacklo_epi8(r[0], r[1]), t1 = _mm_unpacklo_epi8(r[2], r[3]);
    const __m128i t2 = _mm_unpacklo_epi8(r[4], r[5]), t3 = _mm_unpacklo_epi8(r[6], r[7]);
    const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
    const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
    out[0] = _mm_unpacklo_epi32(u0, u2);
    out[1] = _mm_unpackhi_epi32(u0, u2);
    out[2] = _mm_unpacklo_epi32(u1, u3);
    out[3] = _mm_unpackhi_epi32(u1, u3);
}

// Turns the 8 x 8 block of an 8-bit image whose new top-left is (x, y), as TurnBlock32 does
// with four words.
static inline void TurnBlock8(int index, const uint8_t* src, size_t stride, int x, int y, int w, int h,
                              bool clockwise) {
    __m128i rows[8], cols[4];
    for (int k = 0; k < 8; k++) {
        const size_t at = clockwise ? (size_t)(h - 1 - x - k) * stride + (size_t)y
                                    : (size_t)(x + k) * stride + (size_t)(w - 8 - y);
        rows[k] = _mm_loadl_epi64((const __m128i*)(src + at));
    }
    Transpose8x8(rows, cols);
    for (int j = 0; j < 8; j++) {
        const int c = clockwise ? j : 7 - j;
        const __m128i v = (c & 1) ? _mm_srli_si128(cols[c / 2], 8) : cols[c / 2];
        _mm_storel_epi64((__m128i*)((uint8_t*)Row(index, y + j) + x), v);
    }
}

// The 8-bit turn in tiles of 8 x 8 blocks, the strips past the last whole block pixel by
// pixel: a byte at a time, each new pixel would cost a load of its own.
static void FillTurned8(int index, const Surface* old, bool clockwise) {
    const uint8_t* src = (const uint8_t*)old->pixels;
    const size_t stride = (size_t)old->stride;
    const int w = old->width, h = old->height, tile = 64;
    const int w8 = w & ~7, h8 = h & ~7;
    for (int y0 = 0; y0 < w8; y0 += tile) {
        const int y1 = std::min(y0 + tile, w8);
        for (int x0 = 0; x0 < h8; x0 += tile) {
            const int x1 = std::min(x0 + tile, h8);
            for (int y = y0; y < y1; y += 8)
                for (int x = x0; x < x1; x += 8) TurnBlock8(index, src, stride, x, y, w, h, clockwise);
        }
    }
    for (int y = 0; y < w; y++) {
        uint8_t* row = (uint8_t*)Row(index, y);
        for (int x = y < w8 ? h8 : 0; x < h; x++) row[x] = src[TurnSource(x, y, stride, w, h, clockwise)];
    }
}
#endif

// The turn reads the old pixels straight into the new image, whose pages are first touched
// by those writes; the old buffer lives until the new one is filled.
int RotateImage(int index, bool clockwise) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    Surface* old = nullptr;
    const int code = RemakeImage(index, r->height, r->width, &old);
    SurfacePtr owned_old(old);   // the old pixels go once the turn has read them, or at once
    if (code) return code;
    if (r->bits == 32)
#if defined(__SSE2__)
        FillTurned32(index, old, clockwise);
#else
        FillTurned<uint32_t>(index, old, clockwise);
#endif
    else
#if defined(__SSE2__)
        FillTurned8(index, old, clockwise);
#else
        FillTurned<uint8_t>(index, old, clockwise);
#endif
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}

// The size step stretches the old pixels (their colour table included) with the image's
// stretch mode into the new pixel buffer before the image is made again around it, so that
// nothing ever sees the new image half made. Since the stretch writes every new pixel, the
// buffer may be memory a freed image left (PlatCreateSurfaceToOverwrite): for a large image
// the system then clears no fresh pages, which would cost about as much as the stretch.
int ScaleImage(int index, int per_mille) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    const int64_t nw = ((int64_t)r->width * per_mille + 500) / 1000;
    const int64_t nh = ((int64_t)r->height * per_mille + 500) / 1000;
    if (nw < 1 || nh < 1 || nw > INT_MAX || nh > INT_MAX) return TRANSFORM_NO_FIT;
    ViewFit fit;
    int code = CheckImageCreation((int)nw, (int)nh, r->zoom, r->bits, 1, 0, &fit);
    if (code) return code;
    Surface* raw = nullptr;
    if (PlatCreateSurfaceToOverwrite(&raw, (int)nw, (int)nh, r->bits) != 0) return TRANSFORM_NO_MEMORY;
    SurfacePtr fresh(raw);
    memcpy(fresh->palette, r->dib->palette, sizeof fresh->palette);
    bool stretched;
    {
        ContextPtr to(PlatCreateMemoryContext(fresh.get()));
        ContextPtr from(PlatCreateMemoryContext(r->dib));
        PlatSetStretchMode(to.get(), PlatGetStretchMode(r->window_dc));
        stretched = to && from &&
                    PlatStretchCopy(to.get(), 0, 0, (int)nw, (int)nh, from.get(), 0, 0, r->width, r->height) == 0;
    }
    Surface* old = nullptr;
    code = stretched ? RemakeImage(index, (int)nw, (int)nh, &old, fresh.get()) : TRANSFORM_NO_MEMORY;
    SurfacePtr owned_old(old);
    if (code) return code;
    (void)fresh.release();   // the image holds the new pixels now
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}
