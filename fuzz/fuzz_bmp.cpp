// BMP files and the clipboard's DIB blocks, read by our own parser: no read outside the
// bytes, and a success is a picture within the cap.
#include "codec/codec_bmp.h"

#include <stdlib.h>

static void Check(int code, DecodedImage* d) {
    if (code == 0) {
        const uint64_t n = (uint64_t)d->width * (uint64_t)d->height;
        if (d->width < 1 || d->height < 1 || n > (1u << 16)) abort();
        uint32_t sum = 0;
        for (uint64_t i = 0; i < n; i++) sum += d->pixels ? d->pixels[i] : d->indices[i];
        volatile uint32_t keep = sum;
        (void)keep;
    }
    CodecFreeImage(d);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage d;
    const CodecLimits limits{1u << 16, 64u << 20, CodecKeep{}};
    Check(DecodeBmpFile(data, size, limits, &d), &d);
    Check(DecodeDib(data, size, 0, limits, &d), &d);
    if (size > 2) Check(DecodeDib(data, size, data[0] | data[1] << 8, limits, &d), &d);
    return 0;
}
