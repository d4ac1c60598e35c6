// The colour test charts as pixel generators: each fills every pixel of a buffer with a
// synthetic picture of one colour model, the same picture for the same size whatever the
// buffer's pitch. An 8-bit buffer gets the low byte of each colour; the grey chart's ramp
// reads as grey only through a grey colour table, which is the caller's to set.
#pragma once

#include "raster/raster_image.h"

// Red rising to the right, green downward, blue falling along the diagonal.
void RasterRGBChart(const RasterImage& c);
// Hue across, saturation rising to the middle row and value falling below it. False, with
// nothing drawn, for a buffer one row high.
bool RasterHSVChart(const RasterImage& c);
// The colour planes of three colour-difference models: one difference across, the other
// upward, the luminance growing from the centre outward.
void RasterYCrCbChart(const RasterImage& c);
void RasterYuvChart(const RasterImage& c);
void RasterYIQChart(const RasterImage& c);
// Grey ramps across: rising in the upper half, falling in the lower half.
void RasterGreyChart(const RasterImage& c);
