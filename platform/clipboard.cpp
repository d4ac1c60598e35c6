// The clipboard, carried by the backend as typed representations (a desktop selection on
// X11, memory when headless). The format interface lives here, on the portable side: text
// goes out under the usual text targets (UTF-8, and Latin-1 for old clients) and the DIB
// block as a BMP file under image/bmp and its aliases; reading converts back from whichever
// type the owner answered with.
#include "clipboard.h"
#include "backend.h"
#include "clip_convert.h"

#include <stdlib.h>
#include <string.h>
#include <vector>

static const char* const kTextTypes[] = {"UTF8_STRING", "text/plain;charset=utf-8", "STRING", "TEXT", "text/plain"};
static const char* const kBmpTypes[] = {"image/bmp", "image/x-bmp", "image/x-MS-bmp"};
enum { TEXT_TYPES = 5, BMP_TYPES = 3 };

int PlatOfferClipboard(const ClipOffer* offers, int count) {
    const Backend* be = PlatBackend();
    if (!be || !be->offer_clipboard || count < 0) return 1;
    return be->offer_clipboard(offers, count);
}

uint8_t* PlatReadClipboard(const char* const* types, int count, char* type_out, size_t* size) {
    const Backend* be = PlatBackend();
    if (!be || !be->read_clipboard || count <= 0) return nullptr;
    char type[CLIP_TYPE_MAX] = {0};
    uint8_t* bytes = be->read_clipboard(types, count, type, size);
    if (bytes && type_out) memcpy(type_out, type, CLIP_TYPE_MAX);
    return bytes;
}

// ---- The format interface ----------------------------------------------------------------

static int FirstOf(const int* formats, int count, int a, int b) {
    for (int i = 0; i < count; i++)
        if (formats[i] == a || formats[i] == b) return i;
    return -1;
}

int PlatSetClipboardFormats(const int* formats, const uint8_t* const* data, const size_t* sizes, int count) {
    std::vector<ClipOffer> offers;
    ClipBytes utf8, latin, bmp;
    int text = FirstOf(formats, count, CLIP_TEXT, CLIP_UNICODETEXT);
    if (text >= 0) {
        utf8 = ClipTextAsUtf8(formats[text], data[text], sizes[text]);
        latin = ClipUtf8ToLatin1(utf8);
        for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "TEXT"})
            offers.push_back(ClipOffer{type, utf8.data(), utf8.size()});
        for (const char* type : {"STRING", "text/plain"}) offers.push_back(ClipOffer{type, latin.data(), latin.size()});
    }
    int dib = FirstOf(formats, count, CLIP_DIB, CLIP_DIB);
    if (dib >= 0) {
        bmp = ClipDibToBmpFile(data[dib], sizes[dib]);
        if (bmp.empty()) return 1;
        for (const char* type : kBmpTypes) offers.push_back(ClipOffer{type, bmp.data(), bmp.size()});
    }
    if (offers.empty()) return 1;
    return PlatOfferClipboard(offers.data(), (int)offers.size());
}

int PlatSetClipboard(int format, const void* data, size_t size) {
    const uint8_t* bytes = (const uint8_t*)data;
    return PlatSetClipboardFormats(&format, &bytes, &size, 1);
}

uint8_t* PlatGetClipboard(int format, size_t* size) {
    bool text = format == CLIP_TEXT || format == CLIP_UNICODETEXT;
    if (!text && format != CLIP_DIB) return nullptr;
    char type[CLIP_TYPE_MAX];
    size_t got = 0;
    uint8_t* raw = text ? PlatReadClipboard(kTextTypes, TEXT_TYPES, type, &got)
                        : PlatReadClipboard(kBmpTypes, BMP_TYPES, type, &got);
    if (!raw) return nullptr;
    ClipBytes out;
    bool ok = ClipFormatFromAnswer(format, type, raw, got, &out);
    free(raw);
    if (!ok) return nullptr;
    uint8_t* copy = (uint8_t*)malloc(out.size() + 2);
    if (!copy) return nullptr;
    if (!out.empty()) memcpy(copy, out.data(), out.size());
    copy[out.size()] = 0;
    copy[out.size() + 1] = 0;
    if (size) *size = out.size();
    return copy;
}
