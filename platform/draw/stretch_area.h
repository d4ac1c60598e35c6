// The area average (halftone) of a stretched copy, from the axis tables that the stretch
// built (stretch_axis.h): each destination pixel averages the source area it covers with
// exact integer weights, each channel rounded once to nearest, halves up. Large stretches are
// shared out in bands of rows over the layer's row pool, with the same pixels.
#pragma once

#include "platform/draw/stretch_axis.h"
#include "platform/draw/surface.h"

// Writes destination rows [ay.p0, ay.p1) x columns [ax.p0, ax.p1) of dst from src. Into an
// 8-bit destination each average takes the nearest colour-table entry.
void StretchArea(Surface* dst, const AxisMap& ax, const AxisMap& ay, const Surface* src);
