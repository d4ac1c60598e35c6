// The nearest colour-table entry against a search of the whole table: random tables, grey
// ramps and tables with duplicate entries, where the lowest index of the nearest must win.
#include <stdint.h>

#include <random>

#include <gtest/gtest.h>

#include "imagewin/nearest_color.h"

namespace {

int BruteNearest(const uint32_t* table, uint32_t c) {
    int best = 0, best_distance = INT32_MAX;
    for (int i = 0; i < 256; i++) {
        int d = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            const int x = (int)(table[i] >> shift & 0xFF) - (int)(c >> shift & 0xFF);
            d += x * x;
        }
        if (d < best_distance) best_distance = d, best = i;
    }
    return best;
}

TEST(NearestColor, AgreesWithTheWholeTableSearch) {
    std::mt19937 rng(7);
    for (int kind = 0; kind < 3; kind++) {
        uint32_t table[256];
        for (int i = 0; i < 256; i++) {
            if (kind == 0) table[i] = rng() & 0xFFFFFF;
            else if (kind == 1) table[i] = (uint32_t)i * 0x010101u;
            else table[i] = (uint32_t)(i / 8) * 0x080808u;   // every colour eight times
        }
        NearestColor* map = new NearestColor;
        InitNearestColor(map, table);
        for (int n = 0; n < 200000; n++) {
            const uint32_t c = n % 3 ? rng() & 0xFFFFFF : table[rng() % 256] ^ (rng() & 0x030303);
            ASSERT_EQ(NearestIndex(map, c), BruteNearest(table, c)) << "table " << kind << " colour " << std::hex << c;
        }
        delete map;
    }
}

}  // namespace
