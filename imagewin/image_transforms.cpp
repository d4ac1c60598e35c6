// Invert, flips, quarter turns and size steps on the pixel buffer of one slot. The in-place
// operations walk the rows directly; the turns keep a packed copy of the old pixels and the
// size steps a surface of them, both taken before the image is made again.
#include "imagewin/image_transforms.h"

#include <stdint.h>
#include <string.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <climits>
#include <memory>
#include <new>

#include "imagewin/image_table.h"
#include "platform/draw/draw.h"
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

// The old pixel a quarter turn puts at new (x, y) of the new width nw (the old height).
static size_t TurnSource(int x, int y, int w, int h, bool clockwise) {
    return clockwise ? (size_t)(h - 1 - x) * (size_t)w + (size_t)y
                     : (size_t)x * (size_t)w + (size_t)(w - 1 - y);
}

// Fills the turned image in square tiles, so that the old rows one tile reads and the new
// rows it writes stay in the first-level cache together instead of every new pixel reading a
// new cache line of a column far away.
template <typename Pixel>
static void FillTurned(int index, const uint8_t* old, int w, int h, bool clockwise) {
    const Pixel* src = (const Pixel*)old;
    const int tile = sizeof(Pixel) == 1 ? 128 : 64;
    for (int y0 = 0; y0 < w; y0 += tile) {
        const int y1 = std::min(y0 + tile, w);
        for (int x0 = 0; x0 < h; x0 += tile) {
            const int x1 = std::min(x0 + tile, h);
            for (int y = y0; y < y1; y++) {
                Pixel* row = (Pixel*)Row(index, y);
                for (int x = x0; x < x1; x++) row[x] = src[TurnSource(x, y, w, h, clockwise)];
            }
        }
    }
}

int RotateImage(int index, bool clockwise) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    const int w = r->width, h = r->height, bytes = r->bits / 8;
    const uint64_t size = (uint64_t)w * (uint64_t)h * (uint64_t)bytes;
    if (size > SIZE_MAX) return TRANSFORM_NO_MEMORY;
    std::unique_ptr<uint8_t[]> old(new (std::nothrow) uint8_t[(size_t)size]);
    if (!old) return TRANSFORM_NO_MEMORY;
    for (int y = 0; y < h; y++) memcpy(old.get() + (size_t)y * (size_t)w * bytes, Row(index, y), (size_t)w * bytes);
    const int code = PXK_ResizeImage(index, h, w);
    if (code) return code;
    if (r->bits == 32)
        FillTurned<uint32_t>(index, old.get(), w, h, clockwise);
    else
        FillTurned<uint8_t>(index, old.get(), w, h, clockwise);
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}

// A surface holding a copy of the slot's picture, colour table included, with its context.
struct SavedPicture {
    Surface* surface = nullptr;
    DrawContext* dc = nullptr;
    ~SavedPicture() {
        if (dc) PlatDeleteContext(dc);
        if (surface) PlatDestroySurface(surface);
    }
};

static bool SavePicture(const ImageRecord* r, SavedPicture* saved) {
    if (PlatCreateSurface(&saved->surface, r->width, r->height, r->bits) != 0) return false;
    saved->dc = PlatCreateMemoryContext(saved->surface);
    if (!saved->dc) return false;
    if (r->bits == 8) {
        uint32_t colors[256];
        PlatGetColorTable(r->memory_dc, 0, 256, colors);
        PlatSetColorTable(saved->dc, 0, 256, colors);
    }
    PlatCopyRect(saved->dc, 0, 0, r->width, r->height, r->memory_dc, 0, 0);
    return true;
}

int ScaleImage(int index, int per_mille) {
    ImageRecord* r = UsedSlot(index);
    if (!r) return TRANSFORM_NO_IMAGE;
    const int64_t nw = ((int64_t)r->width * per_mille + 500) / 1000;
    const int64_t nh = ((int64_t)r->height * per_mille + 500) / 1000;
    if (nw < 1 || nh < 1 || nw > INT_MAX || nh > INT_MAX) return TRANSFORM_NO_FIT;
    SavedPicture saved;
    if (!SavePicture(r, &saved)) return TRANSFORM_NO_MEMORY;
    const int code = PXK_ResizeImage(index, (int)nw, (int)nh);
    if (code) return code;
    PlatStretchCopy(r->memory_dc, 0, 0, (int)nw, (int)nh, saved.dc, 0, 0, saved.surface->width,
                    saved.surface->height);
    PlatInvalidateRect(r->window, nullptr, false);
    return TRANSFORM_DONE;
}
