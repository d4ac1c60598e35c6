// Vector kernels of the area average (the halftone stretch): one destination row at a time,
// from the axis tables of stretch_axis.h. Each row is computed on its own, so rows can be
// shared out among threads with identical results. The sums are the same exact integers as
// the plain path's and each channel is rounded once, so the pixels are bit for bit the same.
#pragma once

#include "platform/draw/stretch_axis.h"
#include "platform/draw/surface.h"

#include <stdint.h>

// Whether the vector kernels can take this stretch: an x86-64 build, vertical weights that fit
// 16-bit lanes and whole sums that a double holds exactly.
bool AreaRowsFit(const AxisMap& ax, const AxisMap& ay);

// Whether the layer uses AVX2: the CPU has it and PIXKIT_NO_AVX2 does not turn it off.
bool AreaUsesAvx2();

// Words of working memory that AreaAverageRow needs for this stretch.
int AreaRowScratchWords(const AxisMap& ax);

// Destination row k (counted from ay.p0) as 0x00RRGGBB words into out[0 .. ax.p1 - ax.p0).
// scratch holds AreaRowScratchWords(ax) words; only AreaRowsFit stretches are accepted.
void AreaAverageRow(const AxisMap& ax, const AxisMap& ay, const Surface* src, int k, uint32_t* scratch,
                    uint32_t* out);
