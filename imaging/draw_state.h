// The process-wide drawing state: the drawing colour, the pen, the bitmap-font text cursor
// with its margin, and the text colour pxk_tc. The TrueType text of the image windows shares
// the cursor and margin; the profile graphs continue polylines from the pen.
#pragma once

#include <stdint.h>

#include "pxk.h"

struct DrawState {
    PXK_Color draw_color;   // white at start
    int pen_x;
    int pen_y;
    int text_x;             // left column of the next glyph cell
    int text_y;             // the row just below the cell
    int text_margin;        // x to which a line break returns
    int tt_char_width;      // TrueType text: character width of the last size change (8 at start)
    int tt_line_height;     // TrueType text: cell height of the last size change and line step (16)
};

namespace pxk {
extern DrawState draw_state;
extern PXK_Color pxk_tc;    // bitmap-font text colour, black at start
extern PXK_Color pxk_tttc;  // TrueType text colour, white at start
}  // namespace pxk
using pxk::draw_state, pxk::pxk_tc, pxk::pxk_tttc;

// Start-up values: white drawing colour, pen, cursor and margin at 0, black text, white
// TrueType text in 8 x 16 cells.
void ResetDrawState();

// Stores a 64-bit position into the 32-bit pen the way 32-bit arithmetic would wrap it.
static inline void SetPen(int64_t x, int64_t y) {
    draw_state.pen_x = (int)(uint32_t)(uint64_t)x;
    draw_state.pen_y = (int)(uint32_t)(uint64_t)y;
}
