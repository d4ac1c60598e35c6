// Lines and rectangles on a raster buffer: the line of either mode, the outline of four
// spans, the bordered and filled box and the two inverting boxes. Corners may lie anywhere;
// what falls outside the buffer is skipped. The pen is the caller's: these leave no trace
// but the pixels.
#pragma once

#include <stdint.h>

#include "raster/raster_image.h"

// The line from (x1, y1) to (x2, y2), both ends included.
void RasterLineOn(const RasterImage& c, RasterMode mode, uint32_t color, int64_t x1, int64_t y1, int64_t x2,
                  int64_t y2);
// Top, right, bottom and left side around the corners as given (not reordered).
void RasterBoxOutline(const RasterImage& c, uint32_t color, int64_t x1, int64_t y1, int64_t x2, int64_t y2);
// The box from (l, t) to (r, b) (l <= r, t <= b): a border of one pixel and the fill inside.
void RasterFilledBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b, uint32_t border,
                     uint32_t fill);
// The outline of the box from (l, t) to (r, b) inverted, each pixel once.
void RasterXorBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b);
// Every pixel of the box from (l, t) to (r, b) inverted.
void RasterXorFillBox(const RasterImage& c, int64_t l, int64_t t, int64_t r, int64_t b);
