// Single-pixel access on the current image and the clearing of an image. These are the
// hottest calls of user programs that compute pixel by pixel, so each is one record look-up,
// one unsigned bounds test and one load or store.
#include <string.h>

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"

extern "C" void PXK_PutPixel(int x, int y, PXK_Color color) {
    int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return;
    draw_state.pen_x = x;
    draw_state.pen_y = y;
    if ((unsigned)x >= (unsigned)r->width || (unsigned)y >= (unsigned)r->height) return;
    uint8_t* pixels = image_pixels[index];
    if (r->bits == 32)
        reinterpret_cast<uint32_t*>(pixels)[(size_t)y * (size_t)r->width + (size_t)x] = (uint32_t)color;
    else
        pixels[(size_t)y * (size_t)((r->width + 3) & ~3) + (size_t)x] = (uint8_t)color;
}

extern "C" PXK_Color PXK_GetPixel(int x, int y) {
    int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return 0;
    if ((unsigned)x >= (unsigned)r->width || (unsigned)y >= (unsigned)r->height) return 0;
    const uint8_t* pixels = image_pixels[index];
    if (r->bits == 32)
        return (PXK_Color)reinterpret_cast<const uint32_t*>(pixels)[(size_t)y * (size_t)r->width + (size_t)x];
    return pixels[(size_t)y * (size_t)((r->width + 3) & ~3) + (size_t)x];
}

extern "C" void PXK_XorPixel(int x, int y) {
    int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return;
    draw_state.pen_x = x;
    draw_state.pen_y = y;
    if ((unsigned)x >= (unsigned)r->width || (unsigned)y >= (unsigned)r->height) return;
    uint8_t* pixels = image_pixels[index];
    if (r->bits == 32)
        reinterpret_cast<uint32_t*>(pixels)[(size_t)y * (size_t)r->width + (size_t)x] ^= 0x00FFFFFFu;
    else
        pixels[(size_t)y * (size_t)((r->width + 3) & ~3) + (size_t)x] ^= 0xFFu;
}

extern "C" void PXK_ClearImage(int index) {
    if ((unsigned)index >= IMAGE_SLOTS) return;
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire) || !image_pixels[index]) return;
    memset(image_pixels[index], 0, (size_t)ImageStride(r) * (size_t)r->height);
}
