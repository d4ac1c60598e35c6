// The whole decoder behind format sniffing, with a low pixel cap: whatever the bytes, a
// success is a picture within the cap whose every buffer can be read, and a failure leaves
// nothing allocated.
#include "platform/codec/codec.h"

#include <stdlib.h>

enum { FUZZ_PIXEL_CAP = 1 << 16 };

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage d;
    if (CodecDecodeBytes(data, size, FUZZ_PIXEL_CAP, &d)) {
        if (d.pixels || d.indices || d.mask || d.width) abort();
        return 0;
    }
    const uint64_t n = (uint64_t)d.width * (uint64_t)d.height;
    if (d.width < 1 || d.height < 1 || n > FUZZ_PIXEL_CAP) abort();
    if (!d.pixels == !d.indices || d.palette_count < 0 || d.palette_count > 256) abort();
    uint32_t sum = 0;
    for (uint64_t i = 0; i < n; i++) sum += d.pixels ? d.pixels[i] : d.indices[i] + (d.mask ? d.mask[i] : 0);
    volatile uint32_t keep = sum;
    (void)keep;
    CodecFreeImage(&d);
    return 0;
}
