// The area average when the destination is larger than the source on both axes (zooms above
// 100 %, enlarging size steps): each destination pixel then covers at most two source pixels
// per axis, so it is two weighted pairs, one per axis, instead of a general sum of taps.
// The sums are the same exact integers as the general path's and each channel is rounded
// once in the same way, so the pixels are bit for bit the same.
#pragma once

#include "platform/draw/stretch_axis.h"
#include "platform/draw/surface.h"

#include <stdint.h>

#include <vector>

// Per destination column: the left source column of its pair (counted from ax.smin) and the
// pair's weights, left in the low 16 bits and right in the high 16 bits.
struct EnlargeColumns {
    std::vector<int> left;
    std::vector<uint32_t> weights;
};

// Whether the pair kernels take this stretch: at most two taps per destination pixel on both
// axes, horizontal weights that fit 16-bit lanes, sums that fit 32 bits, and a CPU with AVX2.
bool AreaEnlargeFits(const AxisMap& ax, const AxisMap& ay);

void BuildEnlargeColumns(const AxisMap& ax, EnlargeColumns* columns);

// The working rows of one thread: the horizontal pair sums (blue, green and red per
// destination column, 32 bits each) of the last two source rows used.
struct EnlargeRows {
    std::vector<uint32_t> sums[2];
    int source_row[2] = {-1, -1};
    std::vector<uint32_t> colors;   // an 8-bit (or one pixel wide) source row as words
};

// Destination row k (counted from ay.p0) as 0x00RRGGBB words into out[0 .. ax.p1 - ax.p0).
void AreaEnlargeRow(const AxisMap& ax, const AxisMap& ay, const EnlargeColumns& columns, const Surface* src,
                    int k, EnlargeRows* rows, uint32_t* out);
