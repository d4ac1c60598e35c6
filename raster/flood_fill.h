// Flood fill on a raster buffer: the four-connected region of the seed's value takes the
// colour, with the bounded seed stack described in flood_fill.cpp.
#pragma once

#include <stdint.h>

#include "raster/raster_image.h"

// Fills from (x, y). False, with nothing changed and *pen untouched, when the seed lies
// outside or already has the value the fill would store; otherwise *pen is the right end of
// the last span filled.
bool RasterFloodFill(const RasterImage& c, uint32_t color, int64_t x, int64_t y, RasterPen* pen);
