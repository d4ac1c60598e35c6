// Plain pixel operations on surfaces: the unscaled copy, fills and inversion, and the clip and
// damage bookkeeping that the stretched copies share with them. All coordinates are surface
// coordinates; every operation writes only inside the clip rectangle given and reports what
// it changed in *damaged (may be null).
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/surface.h"

// The clip cut to the surface.
PlatRect ClipToSurface(const Surface* s, const PlatRect& clip);

// Grows *damaged (null: nothing) to take in [left, right) x [top, bottom); empty spans add nothing.
void AddDamage(PlatRect* damaged, int left, int top, int right, int bottom);

// Plain copy of w x h pixels from (sx, sy) of src to (dx, dy) of dst, cut to both surfaces and
// to clip. src may be dst (overlapping rectangles are handled). Colours are converted when
// the formats differ; into an 8-bit surface they map to the nearest colour-table entry, except
// that indices are copied unchanged between 8-bit surfaces whose colour tables are equal.
void CopyPixels(Surface* dst, const PlatRect& clip, int dx, int dy, int w, int h,
                const Surface* src, int sx, int sy, PlatRect* damaged);

// Fills rect (cut to clip and the surface) with a stored pixel value (a word or an index).
void FillPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, uint32_t value, PlatRect* damaged);

// Flips every bit of every pixel of rect (cut to clip and the surface).
void InvertPixels(Surface* dst, const PlatRect& clip, const PlatRect& rect, PlatRect* damaged);
