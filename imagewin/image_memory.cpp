// Memory for image pixels: the bytes of a buffer and of the buffers already live, which
// creation tests against the limits together with a new one.
#include "imagewin/image_memory.h"

#include "imagewin/image_table.h"

uint64_t ImageBufferBytes(int width, int height, int bits) {
    if (width < 1) width = 1;
    if (height < 1) height = 1;
    const uint64_t stride = bits == 32 ? (uint64_t)width * 4 : ((uint64_t)width + 3) & ~(uint64_t)3;
    return stride * (uint64_t)height;
}

uint64_t LiveImageBytes(void) {
    uint64_t total = 0;
    for (int i = 0; i < IMAGE_SLOTS; i++) {
        const ImageRecord& r = image_table[i];
        if (r.in_use.load(std::memory_order_acquire)) total += ImageBufferBytes(r.width, r.height, r.bits);
    }
    return total;
}
