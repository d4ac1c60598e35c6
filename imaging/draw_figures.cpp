// The public figure operations on the current image: lines and their XOR twins, the
// rectangles, circles and discs, and the flood fill. Each builds the raster view of the
// current image once, lets raster/ draw, and then moves the pen the way the operation
// defines; an operation on a free slot does nothing, pen included.
#include <algorithm>

#include "imaging/image_raster.h"
#include "raster/circles.h"
#include "raster/flood_fill.h"
#include "raster/lines.h"

extern "C" void PXK_DrawLine(PXK_Color color, int x1, int y1, int x2, int y2) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    SetPen(x2, y2);
    RasterLineOn(c, RASTER_STORE, (uint32_t)color, x1, y1, x2, y2);
}

extern "C" void PXK_XorLine(int x1, int y1, int x2, int y2) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    SetPen(x2, y2);
    RasterLineOn(c, RASTER_XOR, 0, x1, y1, x2, y2);
}

// Four lines around the corners as given (not reordered); the pen ends where the last line
// ends, at (x1, y1).
extern "C" void PXK_DrawBox(int x1, int y1, int x2, int y2) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    RasterBoxOutline(c, (uint32_t)draw_state.draw_color, x1, y1, x2, y2);
    SetPen(x1, y1);
}

extern "C" void PXK_DrawFilledBox(int x1, int y1, int x2, int y2, PXK_Color border, PXK_Color fill) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    const int64_t l = std::min(x1, x2), r = std::max(x1, x2);
    const int64_t t = std::min(y1, y2), b = std::max(y1, y2);
    RasterFilledBox(c, l, t, r, b, (uint32_t)border, (uint32_t)fill);
    SetPen(l, t);
    // The interior exists only when both sides are at least 3 pixels long.
    if (r - l >= 2 && b - t >= 2) SetPen(r - 1, b - 1);
}

extern "C" void PXK_XorBox(int x1, int y1, int x2, int y2) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    const int64_t l = std::min(x1, x2), r = std::max(x1, x2);
    const int64_t t = std::min(y1, y2), b = std::max(y1, y2);
    RasterXorBox(c, l, t, r, b);
    if (b - t > 1) SetPen(r, b - 1);
    else SetPen(r, b);
}

extern "C" void PXK_XorFillBox(int x1, int y1, int x2, int y2) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    const int64_t l = std::min(x1, x2), r = std::max(x1, x2);
    const int64_t t = std::min(y1, y2), b = std::max(y1, y2);
    RasterXorFillBox(c, l, t, r, b);
    SetPen(r, b);
}

extern "C" void PXK_DrawCircle(PXK_Color color, int cx, int cy, int r) {
    RasterImage c;
    if (CurrentRaster(&c)) SetPen(RasterCircle(c, RASTER_STORE, (uint32_t)color, cx, cy, r));
}

extern "C" void PXK_XorCircle(int cx, int cy, int r) {
    RasterImage c;
    if (CurrentRaster(&c)) SetPen(RasterCircle(c, RASTER_XOR, 0, cx, cy, r));
}

// The spans, then the outline over them in the same colour.
extern "C" void PXK_FillCircle(int cx, int cy, int r) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    const uint32_t color = (uint32_t)draw_state.draw_color;
    RasterDisc(c, RASTER_STORE, color, cx, cy, r);
    SetPen(RasterCircle(c, RASTER_STORE, color, cx, cy, r));
}

extern "C" void PXK_XorFillCircle(int cx, int cy, int r) {
    RasterImage c;
    if (CurrentRaster(&c)) SetPen(RasterDisc(c, RASTER_XOR, 0, cx, cy, r));
}

extern "C" void PXK_Paint(int x, int y) {
    RasterImage c;
    RasterPen pen;
    if (CurrentRaster(&c) && RasterFloodFill(c, (uint32_t)draw_state.draw_color, x, y, &pen)) SetPen(pen);
}
