// The whole decoder behind format sniffing, with a low pixel cap and a memory budget: whatever
// the bytes, a success is a picture within the cap whose every buffer can be read, and a
// failure leaves nothing allocated. A second decode that keeps only a rectangle (chosen by the
// first bytes) succeeds whenever the whole one did and gives exactly that part of it; when
// the whole picture is refused as damaged, so is the part.
#include "codec/codec.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>

enum { FUZZ_PIXEL_CAP = 1 << 16 };
static const uint64_t FUZZ_MEMORY = 64u << 20;

static void CheckWhole(const DecodedImage& d) {
    const uint64_t n = (uint64_t)d.width * (uint64_t)d.height;
    if (d.width < 1 || d.height < 1 || n > FUZZ_PIXEL_CAP) abort();
    if (d.width != d.picture_width || d.height != d.picture_height || d.left || d.top) abort();
    if (!d.pixels == !d.indices || d.palette_count < 0 || d.palette_count > 256) abort();
    uint32_t sum = 0;
    for (uint64_t i = 0; i < n; i++) sum += d.pixels ? d.pixels[i] : d.indices[i] + (d.mask ? d.mask[i] : 0);
    volatile uint32_t keep = sum;
    (void)keep;
}

// The part's pixels, written marks, palette and alpha against the same place of the whole.
static void CheckPart(const DecodedImage& whole, const DecodedImage& part, const CodecKeep& keep) {
    if (part.picture_width != whole.width || part.picture_height != whole.height) abort();
    if (part.has_alpha != whole.has_alpha || part.palette_count != whole.palette_count) abort();
    if (memcmp(part.palette, whole.palette, sizeof part.palette) != 0) abort();
    const int64_t right = keep.right < whole.width ? keep.right : whole.width;
    const int64_t bottom = keep.bottom < whole.height ? keep.bottom : whole.height;
    const int64_t want_w = right - keep.left, want_h = bottom - keep.top;
    if (want_w <= 0 || want_h <= 0) {
        if (part.width || part.height || part.pixels || part.indices) abort();
        return;
    }
    if (part.width != want_w || part.height != want_h || part.left != keep.left || part.top != keep.top) abort();
    for (int j = 0; j < part.height; j++)
        for (int i = 0; i < part.width; i++) {
            const size_t a = (size_t)j * part.width + i, b = (size_t)(j + part.top) * whole.width + i + part.left;
            const bool written_a = !part.mask || part.mask[a], written_b = !whole.mask || whole.mask[b];
            if (written_a != written_b) abort();
            if (!written_a) continue;
            if (part.pixels ? part.pixels[a] != whole.pixels[b] : part.indices[a] != whole.indices[b]) abort();
        }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage d;
    const CodecLimits limits{FUZZ_PIXEL_CAP, FUZZ_MEMORY, CodecKeep{}};
    const int code = CodecDecodeBytes(data, size, limits, &d);
    const int reason = errno;
    if (code) {
        if (d.pixels || d.indices || d.mask || d.width) abort();
    } else {
        CheckWhole(d);
    }
    if (size < 16) {
        CodecFreeImage(&d);
        return 0;
    }
    // The rectangle from bytes deep in the file, where most formats keep pixel data.
    const uint8_t* k = data + size - 4;
    CodecLimits part_limits = limits;
    part_limits.keep = CodecKeep{k[0] % 40, k[1] % 40, k[0] % 40 + k[2] % 64, k[1] % 40 + k[3] % 64};
    DecodedImage part;
    const int part_code = CodecDecodeBytes(data, size, part_limits, &part);
    if (code == 0 && part_code != 0) abort();
    if (code != 0 && reason != ENOMEM && part_code == 0) abort();
    if (code == 0) CheckPart(d, part, part_limits.keep);
    CodecFreeImage(&part);
    CodecFreeImage(&d);
    return 0;
}
