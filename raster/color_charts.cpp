// Colour test charts: each fills a whole buffer with a synthetic picture of one colour model,
// computed pixel by pixel in the integer arithmetic of the colour models. An 8-bit buffer
// stores the low byte of each colour, so the colour charts show there as grey levels of their
// blue part.
#include "raster/color_charts.h"

#include <math.h>

#include "pxk.h"
#include "raster/raster.h"

namespace {

// Calls color(x, y) for every pixel, row by row, and stores the result.
template <class Fn>
void FillChart(const RasterImage& c, Fn&& color) {
    for (int y = 0; y < c.height; y++) {
        if (c.bits == 32) {
            uint32_t* row = reinterpret_cast<uint32_t*>(c.pixels) + (ptrdiff_t)y * c.pitch;
            for (int x = 0; x < c.width; x++) row[x] = (uint32_t)color(x, y);
        } else {
            uint8_t* row = c.pixels + (ptrdiff_t)y * c.pitch;
            for (int x = 0; x < c.width; x++) row[x] = (uint8_t)color(x, y);
        }
    }
}

int Clamp255(int64_t v) { return v < 0 ? 0 : v > 255 ? 255 : (int)v; }

// The model-to-RGB weights of one colour plane, times 65536: R, G and B each get
// Y plus rc * c + ra * a (and so on), where a runs to the right and c upward.
struct PlaneWeights {
    int64_t rc, ra, gc, ga, bc, ba;
};

void Plane(const RasterImage& c, const PlaneWeights& k) {
    const int64_t w = c.width, h = c.height;
    FillChart(c, [&](int x, int y) {
        const int64_t a = (x - w / 2) * 255 / w;
        const int64_t cv = -((y - h / 2) * 255 / h);
        const int64_t lum = (int64_t)sqrt(5.0 * (double)(a * a + cv * cv));
        const int64_t base = lum * 65536 + 32768;
        const int r = Clamp255((base + k.rc * cv + k.ra * a) / 65536);
        const int g = Clamp255((base + k.gc * cv + k.ga * a) / 65536);
        const int b = Clamp255((base + k.bc * cv + k.ba * a) / 65536);
        return (PXK_Color)(r << 16 | g << 8 | b);
    });
}

}  // namespace

void RasterRGBChart(const RasterImage& c) {
    const int64_t w = c.width, h = c.height;
    FillChart(c, [&](int x, int y) {
        const int64_t r = 255 * x / w, g = 255 * y / h, b = 255 - 255 * ((int64_t)x + y) / (w + h);
        return (PXK_Color)(r << 16 | g << 8 | b);
    });
}

// White at the top, the saturated hues in the middle row, darker toward the bottom. The
// halves divide by H / 2, so a buffer one pixel high has no chart and is left as it is.
bool RasterHSVChart(const RasterImage& c) {
    const int64_t w = c.width, n = c.height / 2;
    if (n == 0) return false;
    FillChart(c, [&](int x, int y) {
        const int hue = (int)(359 * x / w);
        int s, v;
        if (y < n) {
            s = (int)(255 * y / n);
            v = 255;
        } else {
            s = 255;
            v = (int)(255 - (y - n) * 255 / n);
        }
        return PXK_HSVtoRGB(v, s, hue);
    });
    return true;
}

void RasterYCrCbChart(const RasterImage& c) { Plane(c, PlaneWeights{91881, 0, -46793, -22544, 0, 116130}); }
void RasterYuvChart(const RasterImage& c) { Plane(c, PlaneWeights{74711, 0, -38076, -25952, 0, 132973}); }
void RasterYIQChart(const RasterImage& c) { Plane(c, PlaneWeights{62187, 42998, -17334, -44872, -73859, 118292}); }

// Each column: black to white in the upper half, white to black in the lower half.
void RasterGreyChart(const RasterImage& c) {
    const int64_t w = c.width, h = c.height;
    for (int64_t x = 0; x < w; x++) {
        const uint32_t g = (uint32_t)(255 * x / w) * 0x010101u;
        WithRaster(c, RASTER_STORE, g, [&](auto* base, auto op) { RasterVSpan(c, base, op, x, 0, h / 2 - 1); });
        WithRaster(c, RASTER_STORE, 0xFFFFFFu - g,
                   [&](auto* base, auto op) { RasterVSpan(c, base, op, x, h / 2, h - 1); });
    }
}
