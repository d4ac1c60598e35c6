// The per-axis tables of a stretched copy: which destination positions are written and, for
// each, its source position (nearest) or its source pixels and integer weights (area average).
#pragma once

#include <stdint.h>

#include <vector>

// One axis of a stretched copy, cut to the destination clip and to the source size.
// Destination positions [p0, p1) are written; for nearest, src[k] is the source position of
// destination position p0 + k; for the area average, the taps of p0 + k are
// tap_pos/tap_w[first[k] .. first[k + 1]), with weights summing to total.
struct AxisMap {
    int p0 = 0, p1 = 0;
    std::vector<int> src;
    std::vector<int> first;
    std::vector<int> tap_pos;
    std::vector<uint32_t> tap_w;
    uint32_t total = 1;
    int smin = 0, smax = -1;
};
