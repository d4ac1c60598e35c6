// Text conversion on arbitrary bytes: converting into buffers of every small size never
// writes past the buffer, always terminates it, cuts only at character boundaries, and
// well-formed text survives the round trip UTF-8 -> UTF-16 -> UTF-8.
#include "platform/text.h"

#include <stdlib.h>
#include <string.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    int dst_size = data[0] % 64;   // from no room at all to some room
    const char* text = (const char*)data + 1;
    int len = (int)size - 1;

    // Exactly sized heap buffers, so AddressSanitizer sees any write past them.
    char16_t* wide = (char16_t*)malloc(((size_t)dst_size + 1) * sizeof(char16_t));
    int units = Utf8ToUtf16(text, len, wide, dst_size);
    if (dst_size > 0) {
        if (units < 0 || units > dst_size - 1 || wide[units] != 0) abort();
        // A cut never leaves half of a surrogate pair at the end.
        if (units > 0 && wide[units - 1] >= 0xD800 && wide[units - 1] <= 0xDBFF) abort();
    }
    free(wide);

    int cut = Utf8CutLength(text, len, dst_size);
    if (cut < 0 || cut > dst_size || cut > len) abort();
    // The cut ends where a character of the whole text ends.
    uint32_t cp;
    int at = 0;
    while (at < cut) {
        int used = Utf8Decode(text + at, len - at, &cp);
        if (used <= 0) abort();
        at += used;
    }
    if (at != cut) abort();

    // Round trip of the whole input with enough room.
    char16_t* all = (char16_t*)malloc(((size_t)len + 1) * sizeof(char16_t));
    int n = Utf8ToUtf16(text, len, all, len + 1);
    char* back = (char*)malloc((size_t)len * 3 + 4);
    int m = Utf16ToUtf8(all, n, back, len * 3 + 4);
    if (m < 0 || back[m] != 0) abort();
    // Text without ill-formed bytes comes back unchanged (up to an incomplete tail).
    bool well_formed = true;
    for (int i = 0; i < len && well_formed;) {
        int used = Utf8Decode(text + i, len - i, &cp);
        if (used == 0) break;
        if (cp == 0xFFFD && !(used == 3 && (unsigned char)text[i] == 0xEF)) well_formed = false;
        if (cp == 0) well_formed = false;
        i += used;
    }
    if (well_formed) {
        int valid = Utf8CutLength(text, len, len);
        if (m != valid || memcmp(back, text, (size_t)valid) != 0) abort();
    }
    free(all);
    free(back);
    return 0;
}
