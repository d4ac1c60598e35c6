// Circle outlines and filled discs on a raster buffer, stored or inverted, for any centre and
// radius: what falls outside the buffer is skipped, however large the circle. Each returns
// where its walk leaves the pen: the last outline point, or the right end of the last span.
#pragma once

#include <stdint.h>

#include "raster/raster_image.h"

// Eight mirrored points per step of the octant walk; an inverted outline flips each pixel once.
RasterPen RasterCircle(const RasterImage& c, RasterMode mode, uint32_t color, int64_t cx, int64_t cy, int64_t r);
// Horizontal spans of the same walk, each row once. The stored filled circle of the drawing
// commands is this disc with its outline drawn over it.
RasterPen RasterDisc(const RasterImage& c, RasterMode mode, uint32_t color, int64_t cx, int64_t cy, int64_t r);
