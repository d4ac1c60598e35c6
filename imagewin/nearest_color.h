// Nearest entry of a 256-colour table, for drawing true colours into an 8-bit image. Pictures
// repeat their colours, so answers are kept in a small direct-mapped cache and the table is
// searched only on a miss.
#pragma once

#include <stdint.h>

struct NearestColor {
    uint32_t table[256];      // 0x00RRGGBB
    uint32_t keys[4096];      // colour | 1 << 24 once the slot holds an answer
    uint8_t answers[4096];
};

void InitNearestColor(NearestColor* map, const uint32_t* table);
// The lowest index among the entries nearest to the colour (squared RGB distance).
uint8_t NearestIndex(NearestColor* map, uint32_t color);
