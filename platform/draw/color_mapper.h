// Colours onto surfaces: the stored value of a colour on an 8-bit or 32-bit surface, the
// colour of a stored pixel, and the nearest-entry look-up that the copies into an 8-bit
// surface use for every pixel they write.
#pragma once

#include "platform/draw/surface.h"

#include <stdint.h>
#include <string.h>

// The colour-table entry nearest to rgb (squared distance in RGB; the lowest index wins ties).
int NearestColorIndex(const uint32_t* palette, uint32_t rgb);

// The colour of pixel (x, y) as 0x00RRGGBB (8-bit: through the colour table). No bounds check.
uint32_t SurfacePixelColor(const Surface* s, int x, int y);

// The stored value for a colour: the word itself on a 32-bit surface, the nearest colour-table
// entry on an 8-bit one.
uint32_t ColorToPixel(const Surface* s, uint32_t rgb);

// For an 8-bit to 8-bit copy between different colour tables: the destination index of every
// source index. Returns false when the tables are equal and indices copy unchanged.
bool BuildIndexMap(const Surface* src, const Surface* dst, uint8_t* map);

// Nearest-entry look-up with a small direct-mapped cache: images have far fewer distinct
// colours than pixels, and the full search costs 256 distances. About 5 KB: the copies keep
// one per band in a std::optional on their stack, made only when the destination is 8-bit.
struct ColorMapper {
    const uint32_t* palette;
    uint32_t keys[1024];
    uint8_t values[1024];

    explicit ColorMapper(const uint32_t* pal) : palette(pal) {
        // 0xFFFFFFFF is never a masked colour, so it marks an empty cache entry.
        memset(keys, 0xFF, sizeof keys);
    }
    uint8_t Map(uint32_t rgb) {
        rgb &= 0xFFFFFFu;
        uint32_t h = (rgb * 2654435761u) >> 22;
        if (keys[h] != rgb) {
            keys[h] = rgb;
            values[h] = (uint8_t)NearestColorIndex(palette, rgb);
        }
        return values[h];
    }
};
