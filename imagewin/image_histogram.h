// Histograms of whole images: how many pixels take each value of the luminance, red, green
// and blue channels (for an 8-bit image: of the colour index, and of its table colour's
// channels). PXK_GetHistogram is the public form; the inspector counts the four channels in
// one pass through the same code, so a user's exercise and the inspector always agree.
#pragma once

#include <stdint.h>

enum { HISTOGRAM_CHANNELS = 4 };

// Counts the channels whose bits are set in mask (bit c for channel c; channel 0 of a 32-bit
// pixel is Y = (19595 R + 38470 G + 7471 B + 32768) >> 16) of the image in slot
// index into counts[c]; the other rows are left alone. 0 done; 1 index outside 0..255 or a
// free slot. Runs on the thread that owns the images; large images are shared out over the
// drawing layer's row pool.
int CountImageChannels(int index, unsigned mask, uint32_t counts[HISTOGRAM_CHANNELS][256]);
