// Nearest colour-table entry: a cache of recent answers before a search among the candidates
// of the colour's cell.
#include "imagewin/nearest_color.h"

#include <string.h>

void InitNearestColor(NearestColor* map, const uint32_t* table) {
    for (int i = 0; i < 256; i++) map->table[i] = table[i] & 0xFFFFFF;
    for (int i = 0; i < 32768; i++) map->cell_start[i] = -1;
    memset(map->cell_count, 0, sizeof map->cell_count);
    map->candidates.clear();
    memset(map->keys, 0, sizeof map->keys);
}

static int32_t Channel(uint32_t c, int shift) { return (int32_t)(c >> shift & 0xFF); }

// An entry can be nearest to some colour of the cell only when its least distance to the
// cell is within the smallest greatest distance any entry has to it.
static void BuildCell(NearestColor* m, int cell) {
    const int32_t lo[3] = {(cell >> 10) * 8, (cell >> 5 & 31) * 8, (cell & 31) * 8};
    int32_t least[256], limit = INT32_MAX;
    for (int i = 0; i < 256; i++) {
        int32_t near = 0, far = 0;
        for (int k = 0; k < 3; k++) {
            const int32_t v = Channel(m->table[i], 16 - 8 * k), a = lo[k], b = lo[k] + 7;
            const int32_t dn = v < a ? a - v : v > b ? v - b : 0;
            const int32_t df = v - a > b - v ? v - a : b - v;
            near += dn * dn;
            far += df * df;
        }
        least[i] = near;
        if (far < limit) limit = far;
    }
    m->cell_start[cell] = (int32_t)m->candidates.size();
    for (int i = 0; i < 256; i++)
        if (least[i] <= limit) m->candidates.push_back((uint8_t)i);
    m->cell_count[cell] = (uint16_t)(m->candidates.size() - (size_t)m->cell_start[cell]);
}

static uint8_t SearchCell(NearestColor* m, uint32_t c) {
    const int cell = (int)((c >> 19 & 31) << 10 | (c >> 11 & 31) << 5 | (c >> 3 & 31));
    if (m->cell_start[cell] < 0) BuildCell(m, cell);
    const int32_t r = Channel(c, 16), g = Channel(c, 8), b = Channel(c, 0);
    const uint8_t* list = m->candidates.data() + m->cell_start[cell];
    int32_t best = INT32_MAX;
    uint8_t best_index = 0;
    for (int k = 0; k < m->cell_count[cell]; k++) {
        const uint32_t e = m->table[list[k]];
        const int32_t dr = Channel(e, 16) - r, dg = Channel(e, 8) - g, db = Channel(e, 0) - b;
        const int32_t d = dr * dr + dg * dg + db * db;
        if (d < best) best = d, best_index = list[k];
    }
    return best_index;
}

uint8_t NearestIndex(NearestColor* map, uint32_t color) {
    color &= 0xFFFFFF;
    const uint32_t slot = (color * 2654435761u) >> 20;
    if (map->keys[slot] == (color | 1u << 24)) return map->answers[slot];
    const uint8_t answer = SearchCell(map, color);
    map->keys[slot] = color | 1u << 24;
    map->answers[slot] = answer;
    return answer;
}
