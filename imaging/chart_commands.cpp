// The colour test charts on the current image: raster/ computes the pictures; here they are
// given the current image, the grey chart its colour table, and the pen its place on the last
// pixel, (W - 1, H - 1).
#include "imaging/image_raster.h"
#include "raster/color_charts.h"

namespace {

void PenOnLastPixel(const RasterImage& c) { SetPen(c.width - 1, c.height - 1); }

// The charts that draw on every image: the view, the chart, the pen.
void Chart(void (*draw)(const RasterImage&)) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    draw(c);
    PenOnLastPixel(c);
}

}  // namespace

extern "C" void PXK_DrawRGBChart(void) { Chart(RasterRGBChart); }
extern "C" void PXK_DrawYCrCbChart(void) { Chart(RasterYCrCbChart); }
extern "C" void PXK_DrawYuvChart(void) { Chart(RasterYuvChart); }
extern "C" void PXK_DrawYIQChart(void) { Chart(RasterYIQChart); }

// An image one pixel high has no HSV chart and keeps its pen.
extern "C" void PXK_DrawHSVChart(void) {
    RasterImage c;
    if (CurrentRaster(&c) && RasterHSVChart(c)) PenOnLastPixel(c);
}

// An 8-bit image first gets the grey ramp as its colour table through PXK_SetPalette, which
// also has its window repaint with the new colours.
extern "C" void PXK_DrawGreyChart(void) {
    RasterImage c;
    if (!CurrentRaster(&c)) return;
    if (c.bits == 8) {
        PXK_Color ramp[256];
        for (int i = 0; i < 256; i++) ramp[i] = (PXK_Color)(i * 0x010101);
        PXK_SetPalette(ramp, 256);
    }
    RasterGreyChart(c);
    PenOnLastPixel(c);
}
