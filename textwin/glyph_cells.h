// Cached character cells for text windows: each character is drawn once per font and colour
// pair with the layer's own text output, and later drawn by copying its pixels. The cache
// belongs to the calling thread, so the threads that print never share it.
#pragma once

#include <stdint.h>
#include <vector>

struct Font;

struct GlyphCell {
    int advance;                  // pen advance in pixels
    bool inside;                  // every pixel the text output touches lies in the cell
    std::vector<uint32_t> pixels; // advance x cell_h words, 0x00RRGGBB, row after row
};

struct GlyphColorSet;

// The cache for a font, line height and colour pair, made current for the calling thread.
// Pointers from LookupGlyphCell stay valid until the next call of this function.
GlyphColorSet* UseGlyphColorSet(Font* font, int cell_h, uint32_t text_color, uint32_t back_color);
// The cell of one character (its code point and the one or two UTF-16 units that encode it).
const GlyphCell* LookupGlyphCell(GlyphColorSet* set, uint32_t code_point, const char16_t* units, int count);
