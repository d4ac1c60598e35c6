// Nearest colour-table entry with a cache of recent answers.
#include "imagewin/nearest_color.h"

#include <string.h>

void InitNearestColor(NearestColor* map, const uint32_t* table) {
    for (int i = 0; i < 256; i++) map->table[i] = table[i] & 0xFFFFFF;
    memset(map->keys, 0, sizeof map->keys);
}

static uint8_t SearchTable(const uint32_t* table, uint32_t c) {
    const int r = c >> 16 & 0xFF, g = c >> 8 & 0xFF, b = c & 0xFF;
    int best = 0, best_distance = 1 << 30;
    for (int i = 0; i < 256; i++) {
        const int dr = (int)(table[i] >> 16 & 0xFF) - r, dg = (int)(table[i] >> 8 & 0xFF) - g,
                  db = (int)(table[i] & 0xFF) - b;
        const int d = dr * dr + dg * dg + db * db;
        if (d < best_distance) best_distance = d, best = i;
    }
    return (uint8_t)best;
}

uint8_t NearestIndex(NearestColor* map, uint32_t color) {
    color &= 0xFFFFFF;
    const uint32_t slot = (color * 2654435761u) >> 20;
    if (map->keys[slot] == (color | 1u << 24)) return map->answers[slot];
    const uint8_t answer = SearchTable(map->table, color);
    map->keys[slot] = color | 1u << 24;
    map->answers[slot] = answer;
    return answer;
}
