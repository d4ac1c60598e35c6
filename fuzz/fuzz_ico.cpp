// Icons: a directory that points anywhere, BMP entries with AND masks and PNG entries.
#include "codec/codec_ico.h"

#include <stdlib.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage d;
    if (DecodeIco(data, size, CodecLimits{1u << 16, 64u << 20, CodecKeep{}}, &d) == 0) {
        const uint64_t n = (uint64_t)d.width * (uint64_t)d.height;
        if (n == 0 || n > (1u << 16)) abort();
        uint32_t sum = 0;
        for (uint64_t i = 0; i < n; i++) sum += d.pixels ? d.pixels[i] : d.indices[i] + (d.mask ? d.mask[i] : 0);
        volatile uint32_t keep = sum;
        (void)keep;
    }
    CodecFreeImage(&d);
    return 0;
}
