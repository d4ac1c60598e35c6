// The clipboard. A copy offers one content in several typed representations at once (a
// MIME type or selection target name with its bytes: "image/png", "image/bmp",
// "UTF8_STRING" ...); a paste names the types it can use in the order it prefers them and
// gets the first one the clipboard offers, bytes and type exactly as the owner gave them.
// The older format interface (text as UTF-8 or UTF-16, bitmaps as the DIB block) is built
// on top of the typed one.
#pragma once

#include "plat_types.h"

// Clipboard formats of the format interface.
enum {
    CLIP_TEXT = 1,            // UTF-8 text
    CLIP_UNICODETEXT = 13,    // UTF-16 text
    CLIP_DIB = 8              // device-independent bitmap block (header, colour table, pixels)
};

// One representation of the clipboard's content. Offers of one copy may share bytes (the
// BMP aliases): the backend keeps shared bytes once.
struct ClipOffer {
    const char* type;
    const uint8_t* data;
    size_t size;
};

enum { CLIP_TYPE_MAX = 128 };   // room for a type name and its terminator

// Replaces the clipboard's content with these representations. 0 done.
int PlatOfferClipboard(const ClipOffer* offers, int count);
// The first of `types` (in the caller's order) that the clipboard offers: malloc'ed bytes
// (caller frees; two zero bytes follow them) and the name of the type the owner answered
// with in type_out (CLIP_TYPE_MAX bytes), or null when none of them can be had.
uint8_t* PlatReadClipboard(const char* const* types, int count, char* type_out, size_t* size);

// The format interface. Several formats set together are one content: the first text
// format and the first bitmap decide what is offered. 0 done.
int PlatSetClipboardFormats(const int* formats, const uint8_t* const* data, const size_t* sizes, int count);
int PlatSetClipboard(int format, const void* data, size_t size);
// malloc'ed copy of a format (caller frees), or null when the clipboard has none. Text
// comes terminated (the terminator counted in the size).
uint8_t* PlatGetClipboard(int format, size_t* size);
