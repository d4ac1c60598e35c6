// Independent reference renderings for the imaging and raster tests: each figure written out
// step by step, one bounds-checked pixel at a time, on a copy of the image bytes. The fast
// drawing code must produce exactly these bytes (and leave the pen where these leave it).
#pragma once

#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "raster/bitmap_font.h"

struct RefImage {
    int width = 0, height = 0, bits = 32;
    std::vector<uint8_t> bytes;
    int64_t pen_x = 0, pen_y = 0;

    RefImage(int w, int h, int b, const std::vector<uint8_t>& initial) : width(w), height(h), bits(b), bytes(initial) {}
    int Stride() const { return bits == 32 ? width * 4 : (width + 3) & ~3; }
    bool Inside(int64_t x, int64_t y) const { return x >= 0 && x < width && y >= 0 && y < height; }
    uint8_t* At(int64_t x, int64_t y) { return bytes.data() + y * Stride() + x * (bits / 8); }

    // Store and invert that leave the pen alone.
    void Store(int64_t x, int64_t y, uint32_t color) {
        if (!Inside(x, y)) return;
        if (bits == 32) memcpy(At(x, y), &color, 4);
        else *At(x, y) = (uint8_t)color;
    }
    void Invert(int64_t x, int64_t y) {
        if (!Inside(x, y)) return;
        if (bits == 32) {
            uint32_t v;
            memcpy(&v, At(x, y), 4);
            v ^= 0x00FFFFFFu;
            memcpy(At(x, y), &v, 4);
        } else {
            *At(x, y) ^= 0xFF;
        }
    }
    int64_t Read(int64_t x, int64_t y) {
        if (!Inside(x, y)) return -1;
        if (bits == 32) {
            uint32_t v;
            memcpy(&v, At(x, y), 4);
            return v;
        }
        return *At(x, y);
    }
    void Apply(bool xor_mode, int64_t x, int64_t y, uint32_t color) {
        if (xor_mode) Invert(x, y);
        else Store(x, y, color);
    }

    // The line walk, both ends included, from the left end; pen to (x2, y2) as passed.
    void Line(bool xor_mode, uint32_t color, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        pen_x = x2;
        pen_y = y2;
        if (x1 == x2) {
            for (int64_t y = std::min(y1, y2); y <= std::max(y1, y2); y++) Apply(xor_mode, x1, y, color);
            return;
        }
        if (y1 == y2) {
            for (int64_t x = std::min(x1, x2); x <= std::max(x1, x2); x++) Apply(xor_mode, x, y1, color);
            return;
        }
        if (x1 > x2) {
            std::swap(x1, x2);
            std::swap(y1, y2);
        }
        int64_t dx = x2 - x1, dy = y2 > y1 ? y2 - y1 : y1 - y2, sy = y2 > y1 ? 1 : -1;
        int64_t x = x1, y = y1;
        if (dx >= dy) {
            int64_t e = (dx + 1) / 2;
            Apply(xor_mode, x, y, color);
            while (x != x2) {
                e -= dy;
                x++;
                if (e <= 0) {
                    e += dx;
                    y += sy;
                }
                Apply(xor_mode, x, y, color);
            }
        } else {
            int64_t e = (dy + 1) / 2;
            Apply(xor_mode, x, y, color);
            while (y != y2) {
                e -= dx;
                y += sy;
                if (e <= 0) {
                    e += dy;
                    x++;
                }
                Apply(xor_mode, x, y, color);
            }
        }
    }

    void Box(uint32_t color, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        Line(false, color, x1, y1, x2, y1);
        Line(false, color, x2, y1, x2, y2);
        Line(false, color, x2, y2, x1, y2);
        Line(false, color, x1, y2, x1, y1);
    }

    void FilledBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2, uint32_t border, uint32_t fill) {
        int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
        Line(false, border, l, t, r, t);
        Line(false, border, r, t, r, b);
        Line(false, border, r, b, l, b);
        Line(false, border, l, b, l, t);
        if (r - l >= 2 && b - t >= 2)
            for (int64_t y = t + 1; y <= b - 1; y++) Line(false, fill, l + 1, y, r - 1, y);
    }

    void XorBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
        for (int64_t x = l; x <= r; x++) Invert(x, t);
        if (b != t)
            for (int64_t x = l; x <= r; x++) Invert(x, b);
        if (b - t > 1)
            for (int64_t y = t + 1; y <= b - 1; y++) {
                Invert(l, y);
                Invert(r, y);
            }
    }

    void XorFillBox(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
        int64_t l = std::min(x1, x2), r = std::max(x1, x2), t = std::min(y1, y2), b = std::max(y1, y2);
        for (int64_t y = t; y <= b; y++)
            for (int64_t x = l; x <= r; x++) Invert(x, y);
    }

    // Plots move the pen, like the public pixel operations.
    void Plot(bool xor_mode, uint32_t color, int64_t x, int64_t y) {
        pen_x = x;
        pen_y = y;
        Apply(xor_mode, x, y, color);
    }

    void Circle(bool xor_mode, uint32_t color, int64_t cx, int64_t cy, int64_t r) {
        int64_t lim = (5 * r) / 7, u = r, d = r, j = 0;
        for (;;) {
            Plot(xor_mode, color, cx - j, cy + u);
            Plot(xor_mode, color, cx + j, cy - u);
            if (j != 0 && j != u) {
                Plot(xor_mode, color, cx + j, cy + u);
                Plot(xor_mode, color, cx - j, cy - u);
                Plot(xor_mode, color, cx + u, cy - j);
                Plot(xor_mode, color, cx - u, cy + j);
            }
            Plot(xor_mode, color, cx + u, cy + j);
            Plot(xor_mode, color, cx - u, cy - j);
            d -= 2 * j + 1;
            if (d <= 0) {
                d += 2 * u - 2;
                u--;
            }
            j++;
            if (j > lim || j > u) break;
        }
    }

    void Disc(bool xor_mode, uint32_t color, int64_t cx, int64_t cy, int64_t r) {
        int64_t lim = (5 * r) / 7, u = r, d = r, j = 0;
        bool dec = false;
        for (;;) {
            if (u != j) {
                Line(xor_mode, color, cx - u, cy + j, cx + u, cy + j);
                if (j > 0) Line(xor_mode, color, cx - u, cy - j, cx + u, cy - j);
            }
            d -= 2 * j + 1;
            dec = false;
            if (d <= 0) {
                Line(xor_mode, color, cx - j, cy + u, cx + j, cy + u);
                Line(xor_mode, color, cx - j, cy - u, cx + j, cy - u);
                d += 2 * u - 2;
                u--;
                dec = true;
            }
            if (j + 1 > lim || u < j + 1) break;
            j++;
        }
        if (!dec) {
            Line(xor_mode, color, cx - j, cy + u, cx + j, cy + u);
            Line(xor_mode, color, cx - j, cy - u, cx + j, cy - u);
        }
        if (!xor_mode) Circle(false, color, cx, cy, r);
    }

    // The scan-line fill with its 4000-seed stack; points outside never match the target.
    void Paint(int64_t x, int64_t y, uint32_t color) {
        if (!Inside(x, y)) return;
        int64_t target = Read(x, y);
        int64_t fill = bits == 32 ? (int64_t)color : (int64_t)(color & 0xFF);
        if (target == fill) return;
        auto is_target = [&](int64_t px, int64_t py) { return Inside(px, py) && Read(px, py) == target; };
        std::vector<std::pair<int64_t, int64_t>> seeds;
        for (;;) {
            while (is_target(x - 1, y)) x--;
            bool up = true, down = true;
            int64_t left = x;
            while (is_target(x, y)) {
                if (up && is_target(x, y - 1) && seeds.size() < 4000) {
                    seeds.push_back({x, y - 1});
                    up = false;
                }
                if (!up && !is_target(x, y - 1)) up = true;
                if (down && is_target(x, y + 1) && seeds.size() < 4000) {
                    seeds.push_back({x, y + 1});
                    down = false;
                }
                if (!down && !is_target(x, y + 1)) down = true;
                x++;
            }
            Line(false, color, left, y, x - 1, y);
            bool found = false;
            while (!seeds.empty()) {
                auto s = seeds.back();
                seeds.pop_back();
                if (is_target(s.first, s.second)) {
                    x = s.first;
                    y = s.second;
                    found = true;
                    break;
                }
            }
            if (!found) return;
        }
    }

    // One glyph of the bitmap font at the cursor, then the advance and the wrap.
    void PutChar(unsigned ch, int64_t* cx, int64_t* cy, int64_t margin, uint32_t color) {
        if (ch == '\n') {
            *cx = margin;
            *cy += 16;
            return;
        }
        if (ch < 0x20 || ch > 0x7F) return;
        const uint8_t* glyph = bitmap_font[ch - 0x20];
        for (int r = 0; r < 14; r++)
            for (int c = 0; c < 8; c++)
                if (glyph[r] & (0x80 >> c)) Plot(false, color, *cx + c, *cy - 14 + r);
        *cx += 8;
        if (*cx > width - 8) {
            *cx = margin;
            *cy += 16;
        }
    }
};
