// How an image window shows its image (image_view.cpp): besides the whole-window redraw of
// PXK_RedrawImage, the redraw of one area for figures that change a few pixels at a time.
#pragma once

// Redraws the part of the window that shows image pixels left..right x top..bottom
// (inclusive, image coordinates, clipped to the image). The window then shows exactly what a
// whole redraw would show there: a stretched view is redrawn in whole blocks of the zoom's
// ratio, whose pixels depend on their own source block only. 1 for a free slot.
int RedrawImageArea(int index, int left, int top, int right, int bottom);
