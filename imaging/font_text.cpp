// Bitmap-font text on the current image: one glyph at the text cursor in pxk_tc, strings
// byte by byte, and formatted text. Only the set bits of a glyph are drawn, so the picture
// shows through. The cursor moves to the next cell after each glyph and breaks the line
// (back to the margin, 16 rows down) when the next cell would not fit the image.
#include <stdarg.h>
#include <stdio.h>

#include "imaging/image_raster.h"
#include "raster/bitmap_font.h"

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

}  // namespace

extern "C" void PXK_PutChar(int ch) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    const unsigned code = (unsigned)ch & 0xFFu;
    if (code == '\n') {
        LineBreak();
        return;
    }
    if (code < GLYPH_FIRST || code > 0x7F) return;
    const uint8_t* glyph = bitmap_font[code - GLYPH_FIRST];
    const int64_t x = draw_state.text_x;
    const int64_t top = (int64_t)draw_state.text_y - GLYPH_HEIGHT;
    // The pen ends on the glyph's last set pixel; a blank glyph leaves it.
    RasterPen pen;
    if (RasterGlyph(c, (uint32_t)pxk_tc, glyph, x, top, &pen)) SetPen(pen);
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
