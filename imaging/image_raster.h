// The raster view of the current image: the drawing commands build it from the image table
// and hand it to raster/, which knows pixel buffers only. The view is made once per command,
// so the figures' loops run on plain pointers exactly as they would on any buffer.
#pragma once

#include "imagewin/image_table.h"
#include "imaging/draw_state.h"
#include "platform/draw/surface.h"
#include "raster/raster_image.h"

// Fills the view of the current image; false when the current slot is free or has no pixels.
static inline bool CurrentRaster(RasterImage* c) {
    const int index = CurrentImageIndex() & (IMAGE_SLOTS - 1);
    const ImageRecord* r = &image_table[index];
    if (!r->in_use.load(std::memory_order_acquire)) return false;
    c->pixels = image_pixels[index];
    c->width = r->width;
    c->height = r->height;
    c->bits = r->bits;
    c->pitch = r->bits == 32 ? r->width : (r->width + 3) & ~3;
    c->colors = r->bits == 8 && r->dib ? r->dib->palette : nullptr;
    return c->pixels != nullptr;
}

// Moves the pen to where a raster figure left it.
static inline void SetPen(const RasterPen& pen) { SetPen(pen.x, pen.y); }
