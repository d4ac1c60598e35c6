// The built-in 8 x 14 bitmap font: 96 glyphs for the character codes 0x20..0x7F in code
// order, 14 bytes each, one per row from the top; bit 7 (0x80) is the leftmost column.
// Capitals and digits stand on rows 2..10, descenders reach row 13.
#pragma once

#include <stdint.h>

enum { GLYPH_FIRST = 0x20, GLYPH_COUNT = 96, GLYPH_WIDTH = 8, GLYPH_HEIGHT = 14, GLYPH_LINE_STEP = 16 };

namespace pxk {
extern const uint8_t bitmap_font[GLYPH_COUNT][GLYPH_HEIGHT];
}  // namespace pxk
using pxk::bitmap_font;
