// The one thing the raster code knows about a picture: a pixel buffer and its format. The
// caller owns the memory and builds this view of it (the images of the framework build it from
// their table); everything in raster/ draws into such a view and nothing else, so it can be
// run and tested on any buffer without a window.
//
// Drawing operations that move a pen report where the pen ends in a RasterPen instead of
// keeping one of their own: the pen is the caller's state.
#pragma once

#include <stddef.h>
#include <stdint.h>

struct RasterImage {
    uint8_t* pixels;          // first byte of row 0
    int width;                // pixels per row, at least 1
    int height;               // rows, at least 1
    int bits;                 // 8 (colour indices) or 32 (0x00RRGGBB words)
    ptrdiff_t pitch;          // row stride in pixels, not bytes; at least width
    const uint32_t* colors;   // the 256 colours of an 8-bit buffer's indices; null when unknown
};

// A pen position in 64 bits: figures may end far outside a buffer when their input does.
struct RasterPen {
    int64_t x, y;
};

// Whether a figure stores its colour or inverts the pixels it covers.
enum RasterMode { RASTER_STORE, RASTER_XOR };

static inline bool Inside(const RasterImage& c, int64_t x, int64_t y) {
    return (uint64_t)x < (uint64_t)c.width && (uint64_t)y < (uint64_t)c.height;
}
