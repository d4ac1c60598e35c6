// Other programs' clipboard answers: each conversion stays within the bytes it was given and
// yields what its format promises (terminated UTF-8, whole terminated UTF-16 units, a bitmap
// block no larger than the answer, a BMP file whose pixel offset points inside itself). A
// picture read from an answer has at most 256 table entries, none when it is 32-bit, and
// comes back pixel for pixel through the block a copy of it would put on the clipboard.
#include "platform/clip_convert.h"
#include "platform/clip_picture.h"
#include "platform/clipboard.h"
#include "platform/draw/surface.h"

#include <stdlib.h>
#include <string.h>

#include <vector>

// What a decode may take: a picture beyond it is refused before anything is allocated.
static const uint64_t FUZZ_MEMORY = 256u << 20;

static bool SamePixels(const Surface* a, const Surface* b) {
    if (a->width != b->width || a->height != b->height || a->bits != b->bits) return false;
    const size_t used = (size_t)a->width * (a->bits / 8);
    for (int y = 0; y < a->height; y++)
        if (memcmp(SurfaceRow(a, y), SurfaceRow(b, y), used) != 0) return false;
    return a->bits == 32 || memcmp(a->palette, b->palette, sizeof a->palette) == 0;
}

static void CheckPicture(const char* type, const uint8_t* data, size_t size) {
    Surface* s = nullptr;
    int colors = -1;
    if (ClipAnswerToSurface(type, data, size, FUZZ_MEMORY, &s, &colors) != 0) {
        if (s) abort();
        return;
    }
    if (!s || colors < 0 || colors > 256 || (s->bits == 32 && colors != 0)) abort();
    if ((uint64_t)s->width * s->height > (1u << 22)) {   // the copy below would only be slow
        PlatDestroySurface(s);
        return;
    }
    std::vector<uint8_t> block(ClipBlockSize(s->width, s->height, s->bits));
    ClipFillBlock(CodecPicture{s->width, s->height, s->bits, s->stride, s->pixels, s->palette}, block.data());
    Surface* again = nullptr;
    int again_colors = 0;
    if (ClipBlockToSurface(block.data(), block.size(), FUZZ_MEMORY, &again, &again_colors) != 0) abort();
    if (!SamePixels(s, again) || again_colors != (s->bits == 8 ? 256 : 0)) abort();
    PlatDestroySurface(again);
    PlatDestroySurface(s);
}

static void CheckAnswer(int format, const char* type, const uint8_t* data, size_t size) {
    ClipBytes out;
    if (!ClipFormatFromAnswer(format, type, data, size, &out)) return;
    size_t n = out.size();
    if (format == CLIP_TEXT && (n == 0 || out[n - 1] != 0)) abort();
    if (format == CLIP_UNICODETEXT && (n < 2 || n % 2 != 0 || out[n - 1] != 0 || out[n - 2] != 0)) abort();
    if (format == CLIP_DIB && n > size) abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const char* const types[] = {"UTF8_STRING", "STRING", "TEXT", "image/bmp", "image/png"};
    for (int format : {CLIP_TEXT, CLIP_UNICODETEXT, CLIP_DIB})
        for (const char* type : types) CheckAnswer(format, type, data, size);
    ClipBytes file = ClipDibToBmpFile(data, size);
    if (!file.empty()) {
        uint32_t offset = file[10] | file[11] << 8 | file[12] << 16 | (uint32_t)file[13] << 24;
        if (file.size() != size + 14 || offset > file.size()) abort();
    }
    if (ClipUtf8ToLatin1(ClipTextAsUtf8(CLIP_UNICODETEXT, data, size)).size() > size) abort();
    // The first byte picks the type the answer came under.
    if (size > 0) CheckPicture(kClipPictureTypes[data[0] % CLIP_PICTURE_TYPE_COUNT], data + 1, size - 1);
    return 0;
}
