// Colours onto surfaces (see color_mapper.h): the full nearest-entry search and the reads and
// writes of single colours.
#include "platform/draw/color_mapper.h"

int NearestColorIndex(const uint32_t* palette, uint32_t rgb) {
    int r = (int)((rgb >> 16) & 255), g = (int)((rgb >> 8) & 255), b = (int)(rgb & 255);
    int best = 0;
    int best_d = 0x7FFFFFFF;
    for (int i = 0; i < 256; i++) {
        uint32_t p = palette[i];
        int dr = (int)((p >> 16) & 255) - r, dg = (int)((p >> 8) & 255) - g, db = (int)(p & 255) - b;
        int d = dr * dr + dg * dg + db * db;
        if (d < best_d) {
            best_d = d;
            best = i;
            if (d == 0) break;
        }
    }
    return best;
}

uint32_t SurfacePixelColor(const Surface* s, int x, int y) {
    if (s->bits == 8) return s->palette[SurfaceRow(s, y)[x]] & 0xFFFFFFu;
    return ((const uint32_t*)SurfaceRow(s, y))[x] & 0xFFFFFFu;
}

uint32_t ColorToPixel(const Surface* s, uint32_t rgb) {
    if (s->bits == 8) return (uint32_t)NearestColorIndex(s->palette, rgb & 0xFFFFFFu);
    return rgb & 0xFFFFFFu;
}

static bool SamePalette(const Surface* a, const Surface* b) {
    return a == b || memcmp(a->palette, b->palette, sizeof a->palette) == 0;
}

bool BuildIndexMap(const Surface* src, const Surface* dst, uint8_t* map) {
    if (SamePalette(src, dst)) return false;
    for (int i = 0; i < 256; i++) map[i] = (uint8_t)NearestColorIndex(dst->palette, src->palette[i]);
    return true;
}
