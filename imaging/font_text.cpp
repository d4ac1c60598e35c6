// Bitmap-font text on the current image: one glyph at the text cursor in pxk_tc, strings
// byte by byte, and formatted text. Only the set bits of a glyph are drawn, so the picture
// shows through. The cursor moves to the next cell after each glyph and breaks the line
// (back to the margin, 16 rows down) when the next cell would not fit the image.
#include <stdarg.h>
#include <stdio.h>

#include "imaging/bitmap_font.h"
#include "imaging/draw_state.h"
#include "imaging/raster.h"

namespace {

// Keeps the cursor a 32-bit value when it is pushed past the end of the range.
int SaturatingAdd(int v, int add) {
    int64_t s = (int64_t)v + add;
    if (s > INT32_MAX) return INT32_MAX;
    if (s < INT32_MIN) return INT32_MIN;
    return (int)s;
}

void LineBreak() {
    draw_state.text_x = draw_state.text_margin;
    draw_state.text_y = SaturatingAdd(draw_state.text_y, GLYPH_LINE_STEP);
}

// Draws the glyph with its top-left at (x, top); the whole cell is tested once, and only a
// glyph that touches the border goes pixel by pixel. The pen ends on the last set pixel.
template <class T>
void DrawGlyph(const Canvas& c, T* base, T value, const uint8_t* glyph, int64_t x, int64_t top) {
    const bool whole = x >= 0 && x + GLYPH_WIDTH <= c.width && top >= 0 && top + GLYPH_HEIGHT <= c.height;
    int64_t last_x = 0, last_y = 0;
    bool any = false;
    for (int r = 0; r < GLYPH_HEIGHT; r++) {
        unsigned bits = glyph[r];
        if (!bits) continue;
        const int64_t y = top + r;
        if (whole) {
            T* row = base + y * c.pitch + x;
            for (int col = 0; col < GLYPH_WIDTH; col++)
                if (bits & (0x80u >> col)) row[col] = value;
        } else {
            for (int col = 0; col < GLYPH_WIDTH; col++)
                if ((bits & (0x80u >> col)) && Inside(c, x + col, y)) base[y * c.pitch + x + col] = value;
        }
        last_x = x + (7 - __builtin_ctz(bits));
        last_y = y;
        any = true;
    }
    if (any) SetPen(last_x, last_y);
}

}  // namespace

extern "C" void PXK_PutChar(int ch) {
    Canvas c;
    if (!CurrentCanvas(&c)) return;
    const unsigned code = (unsigned)ch & 0xFFu;
    if (code == '\n') {
        LineBreak();
        return;
    }
    if (code < GLYPH_FIRST || code > 0x7F) return;
    const uint8_t* glyph = bitmap_font[code - GLYPH_FIRST];
    const int64_t x = draw_state.text_x;
    const int64_t top = (int64_t)draw_state.text_y - GLYPH_HEIGHT;
    if (c.bits == 32) DrawGlyph(c, reinterpret_cast<uint32_t*>(c.pixels), (uint32_t)pxk_tc, glyph, x, top);
    else DrawGlyph(c, c.pixels, (uint8_t)pxk_tc, glyph, x, top);
    const int64_t next = x + GLYPH_WIDTH;
    if (next > (int64_t)c.width - GLYPH_WIDTH) LineBreak();
    else draw_state.text_x = (int)next;
}

extern "C" void PXK_PutString(const char* text) {
    if (!text) return;
    for (; *text; text++) PXK_PutChar((unsigned char)*text);
}

// Text longer than the 4096-byte buffer is cut at 4095 bytes.
extern "C" void PXK_PrintText(const char* format, ...) {
    if (!format) return;
    char buffer[4096];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) return;
    PXK_PutString(buffer);
}
