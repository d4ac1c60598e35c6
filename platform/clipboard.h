// The clipboard: formats held as bytes (text as UTF-8 or UTF-16, bitmaps as the DIB block).
#pragma once

#include "plat_types.h"

// Clipboard formats the layer knows.
enum {
    CLIP_TEXT = 1,            // UTF-8 text
    CLIP_UNICODETEXT = 13,    // UTF-16 text
    CLIP_DIB = 8              // device-independent bitmap block (header, colour table, pixels)
};

// Replaces the clipboard's content with one format. 0 done.
int PlatSetClipboard(int format, const void* data, size_t size);
// malloc'ed copy of a format (caller frees), or null when the clipboard has none.
uint8_t* PlatGetClipboard(int format, size_t* size);
