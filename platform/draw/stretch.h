// Pixel-level copies between surfaces, used by the drawing contexts: plain copies, stretched
// copies (nearest and area average), fills, inversion and the mapping of colours onto an 8-bit
// surface's colour table. All coordinates are surface coordinates; every operation writes only
// inside the clip rectangle given and reports what it changed in *damaged (may be null).
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/surface.h"

// The largest extent a stretched copy accepts on either axis; larger ones are refused, which
// keeps every weight and sum of the area average inside 64 bits.
enum { STRETCH_MAX_EXTENT = 1 << 24 };

// The colour-table entry nearest to rgb (squared distance in RGB; the lowest index wins ties).
int NearestColorIndex(const uint32_t* palette, uint32_t rgb);

// The colour of pixel (x, y) as 0x00RRGGBB (8-bit: through the colour table). No bounds check.
uint32_t SurfacePixelColor(const Surface* s, int x, int y);

// Plain copy of w x h pixels from (sx, sy) of src to (dx, dy) of dst, cut to both surfaces and
// to clip. src may be dst (overlapping rectangles are handled). Colours are converted when
// the formats differ; into an 8-bit surface they map to the nearest colour-table entry, except
// that indices are copied unchanged between 8-bit surfaces whose colour tables are equal.
void CopyPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int w, int h,
                const Surface* src, int sx, int sy, PlatRect* damaged);

// Stretched copy with mode STRETCH_COLORONCOLOR or STRETCH_HALFTONE (the rules are in draw.h).
// Destination pixels whose source pixel (or any pixel of their source area) lies outside src
// are left unchanged. src may be dst. Returns 0, or 1 for a zero or too large extent.
int StretchPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int dw, int dh,
                  const Surface* src, int sx, int sy, int sw, int sh, int mode, PlatRect* damaged);

// Fills rect (cut to clip and the surface) with a stored pixel value (a word or an index).
void FillPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, uint32_t value, PlatRect* damaged);

// Flips every bit of every pixel of rect (cut to clip and the surface).
void InvertPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, PlatRect* damaged);

// The stored value for a colour: the word itself on a 32-bit surface, the nearest colour-table
// entry on an 8-bit one.
uint32_t ColorToPixel(const Surface* s, uint32_t rgb);
