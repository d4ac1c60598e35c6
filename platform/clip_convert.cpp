// Conversions between the clipboard's formats and the typed representations of other
// programs. Every length is checked against the bytes at hand: an answer from another
// program may be anything.
#include "clip_convert.h"
#include "clipboard.h"
#include "text.h"

#include <string.h>

static ClipBytes UpToNul(const uint8_t* data, size_t size) {
    size_t n = 0;
    while (n < size && data[n]) n++;
    return ClipBytes(data, data + n);
}

static ClipBytes Utf16ToUtf8Bytes(const uint8_t* data, size_t size) {
    size_t units = size / 2;
    std::vector<char16_t> wide(units + 1, 0);
    if (units) memcpy(wide.data(), data, units * 2);
    size_t n = 0;
    while (n < units && wide[n]) n++;
    std::vector<char> out(n * 3 + 1);
    int len = Utf16ToUtf8(wide.data(), (int)n, out.data(), (int)out.size());
    return ClipBytes(out.data(), out.data() + len);
}

ClipBytes ClipTextAsUtf8(int format, const uint8_t* data, size_t size) {
    return format == CLIP_UNICODETEXT ? Utf16ToUtf8Bytes(data, size) : UpToNul(data, size);
}

ClipBytes ClipUtf8ToLatin1(const ClipBytes& utf8) {
    ClipBytes latin;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp;
        int used = Utf8Decode((const char*)utf8.data() + i, (int)(utf8.size() - i), &cp);
        if (used <= 0) break;
        i += (size_t)used;
        latin.push_back(cp < 0x100 ? (uint8_t)cp : (uint8_t)'?');
    }
    return latin;
}

static ClipBytes Latin1ToUtf8(const ClipBytes& in) {
    ClipBytes out;
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

// UTF-8 text terminated as the format wants it.
static ClipBytes TerminatedAs(int format, const ClipBytes& utf8) {
    ClipBytes out = utf8;
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

static uint32_t ReadU32(const uint8_t* p) {
    return (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
}
static void PutU32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; i++) p[i] = (uint8_t)(v >> (8 * i));
}

ClipBytes ClipDibToBmpFile(const uint8_t* dib, size_t size) {
    ClipBytes file;
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

static bool BmpToDib(const uint8_t* data, size_t size, ClipBytes* out) {
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

// An answer to a text request that is not text (an owner that answers whatever it holds).
static bool IsTextType(const char* type) {
    return strncmp(type, "image/", 6) != 0 && strcmp(type, "ATOM") != 0 && strcmp(type, "TARGETS") != 0;
}

bool ClipFormatFromAnswer(int format, const char* type, const uint8_t* data, size_t size, ClipBytes* out) {
    if (format == CLIP_DIB) return BmpToDib(data, size, out);
    if ((format != CLIP_TEXT && format != CLIP_UNICODETEXT) || !IsTextType(type)) return false;
    ClipBytes utf8 = UpToNul(data, size);
    if (strcmp(type, "STRING") == 0) utf8 = Latin1ToUtf8(utf8);
    *out = TerminatedAs(format, utf8);
    return true;
}
