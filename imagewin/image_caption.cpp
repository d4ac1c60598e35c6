// Image window captions: formatting (with titles cut to fit) and rewriting a window's caption
// from its image record.
#include "imagewin/image_caption.h"

#include <stdio.h>
#include <string.h>

#include "imagewin/image_table.h"
#include "platform/draw/draw.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"

int FormatImageCaption(const char* title, int zoom, int bits, bool halftone, char* out, int size) {
    if (!out || size <= 0) return 0;
    if (!title) title = "";
    char suffix[48];
    int suffix_len = snprintf(suffix, sizeof suffix, bits == 8 ? "(%d%%)[8bit]%s" : "(%d%%)%s", zoom,
                              halftone ? "*" : "");
    if (suffix_len < 0) suffix_len = 0;
    int limit = size - 1 < IMAGE_CAPTION_MAX ? size - 1 : IMAGE_CAPTION_MAX;
    if (suffix_len > limit) suffix_len = limit;
    const int title_len = Utf8CutLength(title, (int)strlen(title), limit - suffix_len);
    memcpy(out, title, (size_t)title_len);
    memcpy(out + title_len, suffix, (size_t)suffix_len);
    out[title_len + suffix_len] = 0;
    return title_len + suffix_len;
}

extern "C" void PXK_UpdateImageCaption(int index) {
    if ((unsigned)index >= IMAGE_SLOTS) return;
    const ImageRecord& r = image_table[index];
    char caption[IMAGE_CAPTION_MAX + 1];
    const bool halftone = r.memory_dc && PlatGetStretchMode(r.memory_dc) == STRETCH_HALFTONE;
    FormatImageCaption(r.title, r.zoom, r.bits, halftone, caption, sizeof caption);
    char16_t text[IMAGE_CAPTION_MAX + 1];
    Utf8ToUtf16(caption, -1, text, IMAGE_CAPTION_MAX + 1);
    PlatSetWindowText(r.window, text);
}
