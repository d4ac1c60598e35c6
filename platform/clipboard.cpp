// The clipboard, carried by the backend as typed representations (a desktop selection on
// X11, memory when headless). The format interface lives here, on the portable side: text
// goes out under the usual text targets (UTF-8, and Latin-1 for old clients) and the DIB
// block as a BMP file under image/bmp and its aliases; reading converts back from whichever
// type the owner answered with.
#include "clipboard.h"
#include "backend.h"
#include "text.h"

#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

using Bytes = std::vector<uint8_t>;

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

// ---- Text --------------------------------------------------------------------------------

static Bytes UpToNul(const uint8_t* data, size_t size) {
    size_t n = 0;
    while (n < size && data[n]) n++;
    return Bytes(data, data + n);
}

static Bytes Utf16ToUtf8Bytes(const uint8_t* data, size_t size) {
    size_t units = size / 2;
    std::vector<char16_t> wide(units + 1, 0);
    if (units) memcpy(wide.data(), data, units * 2);
    size_t n = 0;
    while (n < units && wide[n]) n++;
    std::vector<char> out(n * 3 + 1);
    int len = Utf16ToUtf8(wide.data(), (int)n, out.data(), (int)out.size());
    return Bytes(out.data(), out.data() + len);
}

// Latin-1 for clients that ask for the old types, '?' for what it lacks.
static Bytes Utf8ToLatin1(const Bytes& utf8) {
    Bytes latin;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp;
        int used = Utf8Decode((const char*)utf8.data() + i, (int)(utf8.size() - i), &cp);
        if (used <= 0) break;
        i += (size_t)used;
        latin.push_back(cp < 0x100 ? (uint8_t)cp : (uint8_t)'?');
    }
    return latin;
}

static Bytes Latin1ToUtf8(const Bytes& in) {
    Bytes out;
    for (uint8_t c : in) {
        if (c < 0x80) {
            out.push_back(c);
        } else {
            out.push_back((uint8_t)(0xC0 | (c >> 6)));
            out.push_back((uint8_t)(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

// An answer to a text request that is not text (an owner that answers whatever it holds).
static bool IsTextType(const char* type) {
    return strncmp(type, "image/", 6) != 0 && strcmp(type, "ATOM") != 0 && strcmp(type, "TARGETS") != 0;
}

static Bytes TerminatedAs(int format, const Bytes& utf8) {
    Bytes out = utf8;
    if (format == CLIP_TEXT) {
        out.push_back(0);
        return out;
    }
    std::vector<char16_t> wide(utf8.size() + 1);
    int n = Utf8ToUtf16((const char*)utf8.data(), (int)utf8.size(), wide.data(), (int)wide.size());
    out.assign((size_t)(n + 1) * 2, 0);
    memcpy(out.data(), wide.data(), (size_t)n * 2);
    return out;
}

// ---- Bitmaps -----------------------------------------------------------------------------

static uint32_t ReadU32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
static void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (8 * i));
}

// A BMP file is the DIB block behind a 14-byte file header that says where the pixels start.
static Bytes DibToBmpFile(const uint8_t* dib, size_t size) {
    Bytes file;
    if (size < 40 || size > 0xFFFFFFFFu - 14) return file;
    uint32_t header = ReadU32(dib);
    if (header < 12 || header > size) return file;
    uint64_t colours = 0, masks = 0;
    if (header >= 40) {
        int bitcount = dib[14] | dib[15] << 8;
        uint32_t compression = ReadU32(dib + 16);
        uint32_t used = ReadU32(dib + 32);
        colours = used ? used : (bitcount <= 8 ? 1u << bitcount : 0);
        if (header == 40 && (compression == 3 || compression == 6)) masks = compression == 3 ? 12 : 16;
    }
    uint64_t offset = 14 + (uint64_t)header + masks + colours * 4;
    if (offset > 14 + size) offset = 14 + size;
    file.resize(14 + size);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(&file[2], (uint32_t)file.size());
    PutU32(&file[10], (uint32_t)offset);
    memcpy(&file[14], dib, size);
    return file;
}

static bool BmpToDib(const uint8_t* data, size_t size, Bytes* out) {
    if (size > 14 + 12 && data[0] == 'B' && data[1] == 'M') {
        out->assign(data + 14, data + size);
        return true;
    }
    // A bare DIB block, as some clients offer under the bitmap types.
    uint32_t header = size >= 40 ? ReadU32(data) : 0;
    if (header != 40 && header != 108 && header != 124) return false;
    out->assign(data, data + size);
    return true;
}

// ---- The format interface ----------------------------------------------------------------

static int FirstOf(const int* formats, int count, int a, int b) {
    for (int i = 0; i < count; i++)
        if (formats[i] == a || formats[i] == b) return i;
    return -1;
}

int PlatSetClipboardFormats(const int* formats, const uint8_t* const* data, const size_t* sizes, int count) {
    std::vector<ClipOffer> offers;
    Bytes utf8, latin, bmp;
    int text = FirstOf(formats, count, CLIP_TEXT, CLIP_UNICODETEXT);
    if (text >= 0) {
        bool narrow = formats[text] == CLIP_TEXT;
        utf8 = narrow ? UpToNul(data[text], sizes[text]) : Utf16ToUtf8Bytes(data[text], sizes[text]);
        latin = Utf8ToLatin1(utf8);
        for (const char* type : {"UTF8_STRING", "text/plain;charset=utf-8", "TEXT"})
            offers.push_back(ClipOffer{type, utf8.data(), utf8.size()});
        for (const char* type : {"STRING", "text/plain"}) offers.push_back(ClipOffer{type, latin.data(), latin.size()});
    }
    int dib = FirstOf(formats, count, CLIP_DIB, CLIP_DIB);
    if (dib >= 0) {
        bmp = DibToBmpFile(data[dib], sizes[dib]);
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
    Bytes out;
    bool ok = true;
    if (text) {
        ok = IsTextType(type);
        Bytes utf8 = UpToNul(raw, got);
        if (strcmp(type, "STRING") == 0) utf8 = Latin1ToUtf8(utf8);
        out = TerminatedAs(format, utf8);
    } else {
        ok = BmpToDib(raw, got, &out);
    }
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
