// Creation and destruction of images: a slot of the image table gets its pixel buffer, its
// two drawing contexts and its window together, and gives them up together.
#pragma once

#include "platform/plat_types.h"

struct Surface;
struct ViewFit;

// The image window's style: visible, caption, close box and sizing border; no menu.
enum : uint32_t { IMAGE_WINDOW_STYLE = 0x10CC0000u };

// Outer size of an image window whose client area is view_width x view_height.
PlatSize ImageWindowOuterSize(int view_width, int view_height);
// The outer rectangles of the windows of the slots in use, in slot order, at most max;
// returns how many were written (for the window rectangle list).
int AppendImageWindowRects(PlatRect* out, int max);

// Whether a width x height image of bits per pixel, asked for at zoom, can be made now: 0 with
// its view in fit, 2 when no zoom meets the screen limits, 3 when memory cannot hold its pixels
// together with the live images, less freed_bytes of an image the new one replaces.
int CheckImageCreation(int width, int height, int zoom, int bits, int fit_screen, uint64_t freed_bytes,
                       ViewFit* fit);
// PXK_CreateImageEx, with the image's pixel buffer made beforehand (pixels: a surface of the
// image's size and bits, its colour table included) instead of a zeroed one; null makes a
// zeroed one. The image owns pixels only when it returns 0.
int CreateImageAround(int index, const char* title, int x, int y, int width, int height, int zoom, int bits,
                      int fit_screen, Surface* pixels);
// Destroys the slot's image like PXK_DestroyImage but hands its pixel buffer (colour table
// included) to the caller, who frees it with PlatDestroySurface; null for a free slot. Lets a
// command that remakes an image read the old pixels straight into the new ones.
Surface* DestroyImageKeepingPixels(int index);
