// How an image window shows its image (image_view.cpp): besides the whole-window redraw of
// PXK_RedrawImage, the redraw of one area for figures that change a few pixels at a time, and
// the remaking of an image at a new size.
#pragma once

struct Surface;

// Redraws the part of the window that shows image pixels left..right x top..bottom
// (inclusive, image coordinates, clipped to the image). The window then shows exactly what a
// whole redraw would show there: a stretched view is redrawn in whole blocks of the zoom's
// ratio, whose pixels depend on their own source block only. 1 for a free slot.
int RedrawImageArea(int index, int left, int top, int right, int bottom);
// PXK_ResizeImage: makes the slot's image again at width x height with its title, place,
// zoom, stretch mode and colour table; the new pixels are all zero. With old_pixels, the old
// pixel buffer is not freed but handed over there (null when the image was not given up), and
// counts as live memory in the check that the new size fits. With pixels (a surface of the new
// size and the image's bits, filled by the caller), the new image is made around them
// instead; the caller keeps them when the code is not 0. 0, or PXK_ResizeImage's codes.
int RemakeImage(int index, int width, int height, Surface** old_pixels, Surface* pixels = nullptr);
