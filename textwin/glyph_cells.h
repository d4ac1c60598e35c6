// Cached character cells for text windows: each character is drawn once per font and colour
// pair with the layer's own text output, and later drawn by copying its pixels. A cell is as
// wide as the character's cells in the console font (one or two narrow cells), whatever
// advance the font's grid gives it. The cache belongs to the calling thread, so the threads
// that print never share it.
#pragma once

#include <stdint.h>
#include <vector>

struct Font;

struct GlyphCell {
    int advance;                  // cell width in pixels: cells x narrow cell width
    bool inside;                  // every pixel the text output touches lies in the cell
    std::vector<uint32_t> pixels; // advance x cell_h words, 0x00RRGGBB, row after row
};

struct GlyphColorSet;

// The cache for a font, cell size and colour pair, made current for the calling thread.
// Pointers from LookupGlyphCell stay valid until the next call of this function.
GlyphColorSet* UseGlyphColorSet(Font* font, int cell_w, int cell_h, uint32_t text_color, uint32_t back_color);
// The cell of one character (its code point and the one or two UTF-16 units that encode it).
// Its glyph is drawn at the cell's left edge on the background colour filling the cell.
const GlyphCell* LookupGlyphCell(GlyphColorSet* set, uint32_t code_point, const char16_t* units, int count);
