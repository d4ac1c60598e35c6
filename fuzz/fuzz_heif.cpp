// The HEIC and AVIF decoder alone, with the real pixel cap and a memory budget a fuzzing
// process can hold: a success is a picture of the file's own size whose pixels can be read
// whole, the size the header probe reads from the boxes alone, and a failure leaves nothing
// allocated.
#include "codec/codec.h"
#include "codec/codec_heif.h"

#include <stdlib.h>

static const uint64_t FUZZ_MEMORY = 256u << 20;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const CodecLimits limits{CodecDefaultPixelCap(), FUZZ_MEMORY, CodecKeep{}};
    int shown_w = 0, shown_h = 0;
    const int probed = HeifShownSize(data, size, &shown_w, &shown_h);
    DecodedImage d;
    if (DecodeHeif(data, size, limits, &d)) {
        CodecFreeImage(&d);
        return 0;
    }
    if (d.width != d.picture_width || d.height != d.picture_height || !d.pixels) abort();
    if (probed || shown_w != d.picture_width || shown_h != d.picture_height) abort();
    uint32_t sum = 0;
    for (int y = 0; y < d.height; y++)
        for (int x = 0; x < d.width; x++) sum += ((const uint32_t*)((const uint8_t*)d.pixels + y * d.stride))[x];
    volatile uint32_t keep = sum;
    (void)keep;
    CodecFreeImage(&d);
    return 0;
}

// libheif 1.15's AV1 plugin hands dav1d a block of coded data and, when dav1d refuses it as
// damaged, never releases it: 40 bytes of the library's per broken file, not ours to free.
extern "C" const char* __lsan_default_suppressions(void) { return "leak:libdav1d.so\n"; }
