// Pixel-level copies between surfaces, used by the drawing contexts: the stretched copies
// (nearest and area average) here, and through the two headers below the plain copy, fills,
// inversion and the mapping of colours onto an 8-bit surface's colour table. All coordinates
// are surface coordinates; every operation writes only inside the clip rectangle given and
// reports what it changed in *damaged (may be null).
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/color_mapper.h"
#include "platform/draw/pixel_copy.h"
#include "platform/draw/surface.h"

// The largest extent a stretched copy accepts on either axis; larger ones are refused, which
// keeps every weight and sum of the area average inside 64 bits.
enum { STRETCH_MAX_EXTENT = 1 << 24 };

// Stretched copy with mode STRETCH_COLORONCOLOR or STRETCH_HALFTONE (the rules are in draw.h).
// Destination pixels whose source pixel (or any pixel of their source area) lies outside src
// are left unchanged. src may be dst. Returns 0, or 1 for a zero or too large extent.
int StretchPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int dw, int dh,
                  const Surface* src, int sx, int sy, int sw, int sh, int mode, PlatRect* damaged);
