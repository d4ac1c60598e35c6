// Other programs' clipboard answers: each conversion stays within the bytes it was given and
// yields what its format promises (terminated UTF-8, whole terminated UTF-16 units, a bitmap
// block no larger than the answer, a BMP file whose pixel offset points inside itself).
#include "platform/clip_convert.h"
#include "platform/clipboard.h"

#include <stdlib.h>

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
    return 0;
}
