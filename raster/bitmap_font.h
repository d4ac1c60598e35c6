// The built-in 8 x 14 bitmap font: 96 glyphs for the character codes 0x20..0x7F in code
// order, 14 bytes each, one per row from the top; bit 7 (0x80) is the leftmost column.
// Capitals and digits stand on rows 2..10, descenders reach row 13.
#pragma once

#include <stdint.h>

#include "raster/raster_image.h"

enum { GLYPH_FIRST = 0x20, GLYPH_COUNT = 96, GLYPH_WIDTH = 8, GLYPH_HEIGHT = 14, GLYPH_LINE_STEP = 16 };

namespace pxk {
extern const uint8_t bitmap_font[GLYPH_COUNT][GLYPH_HEIGHT];
}  // namespace pxk
using pxk::bitmap_font;

// Draws the set bits of one glyph in color with the glyph's top-left at (x, top); the rest of
// the cell is left as it is, and bits outside the buffer are skipped. False when the glyph has
// no set bit; otherwise *pen is its last set pixel (the rightmost of its lowest row), inside
// the buffer or not.
bool RasterGlyph(const RasterImage& c, uint32_t color, const uint8_t* glyph, int64_t x, int64_t top, RasterPen* pen);
