// The test-pattern application's picture, rendered from the pattern's rules written out
// here from scratch (boxes, the two line sweeps, the hue-by-saturation chart), for tests
// that compare it with what the program shows headless or on an X display.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include <vector>

namespace pattern_reference {

struct Canvas {
    int w, h;
    std::vector<uint32_t> px;
    void Put(int x, int y, uint32_t c) {
        if (x >= 0 && y >= 0 && x < w && y < h) px[(size_t)y * w + x] = c;
    }
};

inline void Box(Canvas& c, int l, int t, int r, int b, uint32_t border, uint32_t fill) {
    for (int y = t; y <= b; y++)
        for (int x = l; x <= r; x++) c.Put(x, y, (x == l || x == r || y == t || y == b) ? border : fill);
}

inline uint32_t Hsv(int v, int s, int h) {
    int m = v - s < 0 ? 0 : v - s, span = v - m, r, g, b;
    if (h < 60) r = v, g = span * h / 60 + m, b = m;
    else if (h < 120) r = span * (120 - h) / 60 + m, g = v, b = m;
    else if (h < 180) r = m, g = v, b = span * (h - 120) / 60 + m;
    else if (h < 240) r = m, g = span * (240 - h) / 60 + m, b = v;
    else if (h < 300) r = span * (h - 240) / 60 + m, g = m, b = v;
    else r = v, g = m, b = span * (360 - h) / 60 + m;
    return (uint32_t)(r * 65536 + g * 256 + b);
}

// Positions of a sweep's lines: groups of spacing 2, 3, 4, ... each about q wide.
inline std::vector<int> SweepPositions(int start, int limit) {
    std::vector<int> at;
    int q = (limit - start - 1) / 4;
    for (int cur = start, s = 2;; cur += q + s, s++) {
        for (int m = 0; m == 0 || m * s <= q; m++) {
            if (cur + m * s > limit - 1) return at;
            at.push_back(cur + m * s);
        }
    }
}

inline Canvas Pattern(int pw, int ph, int dpiw, int dpih) {
    Canvas c{pw, ph, std::vector<uint32_t>((size_t)pw * ph, 0)};
    int mw = pw / 100, mh = ph / 100;
    Box(c, 0, 0, pw - 1, ph - 1, 0, 0xA0A0A0);
    Box(c, mw, mh, pw - mw - 1, ph - mh - 1, 0, 0xE0E0E0);
    Box(c, 2 * mw, 2 * mh, 2 * mw + dpiw - 1, 2 * mh + dpih - 1, 0, 0x808080);
    int x0 = 3 * mw + dpiw, r = pw - 2 * mw, y0 = 3 * mh + dpih, bt = ph - 2 * mh;
    for (int x : SweepPositions(x0, r))
        for (int y = 2 * mh; y <= 2 * mh + dpih - 1; y++) c.Put(x, y, 0);
    for (int y : SweepPositions(y0, bt))
        for (int x = 2 * mw; x <= 2 * mw + dpiw - 1; x++) c.Put(x, y, 0);
    // A chart row is a line between two end points, in either order: on a sheet too narrow
    // for the chart the column width is negative and the lines run right to left.
    int cw = (r - x0 - 1) / 11, n = bt - 1 - y0;
    for (int col = 0; col <= 10 && n > 0; col++) {
        int a = x0 + col * cw, b = x0 + col * cw + cw - 1;
        for (int row = 0; row < n; row++)
            for (int x = a < b ? a : b; x <= (a < b ? b : a); x++)
                c.Put(x, y0 + row, Hsv(255, 255 * col / 10, 360 * row / n));
    }
    return c;
}

}  // namespace pattern_reference

using pattern_reference::Canvas;
using pattern_reference::Pattern;
