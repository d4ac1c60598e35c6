// Nearest entry of a 256-colour table, for drawing true colours into an 8-bit image. Pictures
// repeat their colours, so answers are kept in a small direct-mapped cache. On a miss only the
// candidates of the colour's cell are searched: the colour cube is cut into 32 x 32 x 32
// cells, and a cell's candidates (built the first time the cell is met) are the entries that
// can be nearest to some colour in it.
#pragma once

#include <stdint.h>

#include <vector>

struct NearestColor {
    uint32_t table[256];              // 0x00RRGGBB
    int32_t cell_start[32768];        // into candidates; -1 while the cell is not built
    uint16_t cell_count[32768];
    std::vector<uint8_t> candidates;  // table indices, ascending within a cell
    uint32_t keys[4096];              // colour | 1 << 24 once the slot holds an answer
    uint8_t answers[4096];
};

void InitNearestColor(NearestColor* map, const uint32_t* table);
// The lowest index among the entries nearest to the colour (squared RGB distance).
uint8_t NearestIndex(NearestColor* map, uint32_t color);
