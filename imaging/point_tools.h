// The interactive point tools (PXK_GetPoint and its siblings in pxk_tools.h): the sizes they
// compute from pointer positions, in 64 bits so that no distance across any image overflows.
#pragma once

#include <stdint.h>

// The rounded distance of a point (dx, dy) from the centre: floor(sqrt(dx² + dy²) + 0.5),
// at most the largest int.
int CircleRadius(int64_t dx, int64_t dy);

// The box of a placement of bw x bh centred on (x, y): left = x - bw / 2, right = left + bw - 1,
// top = y - bh / 2, bottom = top + bh - 1.
struct PlacementBox {
    int64_t left, top, right, bottom;
};
PlacementBox PlacementAt(int64_t x, int64_t y, int64_t bw, int64_t bh);
