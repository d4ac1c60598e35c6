/* The image table, the image store and image windows (part of pxk.h; compiles on its own). */

#ifndef PXK_IMAGE_H
#define PXK_IMAGE_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The results of the operations on one image (selection, destruction, palettes, rectangles,
 * windows); each operation says which it returns. */
enum {
    PXK_IMAGE_DONE = 0,
    PXK_IMAGE_NO_IMAGE = 1,     /* index outside 0..255 or a free slot (or the current one is free) */
    PXK_IMAGE_NO_ZOOM = 2,      /* PXK_SetZoom: the zoom cannot fit the screen */
    PXK_IMAGE_NOT_8BIT = 2      /* PXK_GetPalette, PXK_SetPalette: the current image is not 8-bit */
};

/* ---- Image table: the current image and its history ----
 * Every pixel, drawing, text and chart operation acts on the current image.
 * PXK_SelectImage makes an in-use slot current and pushes the previous current index on an
 * eight-deep history; PXK_SelectPreviousImage pops it back. Both return 0 when done and 1
 * (nothing changes) for an index outside 0..255 or a free slot. */
int PXK_SelectImage(int index);
int PXK_SelectPreviousImage(void);

/* ---- Image store: creation and destruction ----
 * PXK_CreateImage makes image `index` (0..255) of width x height pixels (each raised to 1 when
 * below) in a window of its own whose outer top-left corner is at (x, y) (-1: let the system
 * place it), shown at the requested zoom in percent or at the nearest zoom the screen allows
 * (the caption shows the zoom used). The new image is black (8-bit: colour index 0, with a
 * grey-ramp colour table) and becomes the current image. The 8 variants make 8-bit images;
 * the FL variants let the window grow to twice the screen instead of fitting on it.
 * Results: 0 done; 1 the slot is in use; 2 no zoom fits the window on the screen; 3 bits other
 * than 8 or 32, or no memory for the pixels; 4 index outside 0..255. */
enum {
    PXK_CREATE_DONE = 0,
    PXK_CREATE_SLOT_IN_USE = 1,
    PXK_CREATE_NO_ZOOM = 2,     /* no zoom fits the window on the screen */
    PXK_CREATE_NO_PIXELS = 3,   /* bits other than 8 or 32, or no memory for the pixels */
    PXK_CREATE_BAD_INDEX = 4    /* index outside 0..255 */
};
int PXK_CreateImage(int index, const char* title, int x, int y, int width, int height, int zoom);
int PXK_CreateImage8(int index, const char* title, int x, int y, int width, int height, int zoom);
int PXK_CreateImageFL(int index, const char* title, int x, int y, int width, int height, int zoom);
int PXK_CreateImage8FL(int index, const char* title, int x, int y, int width, int height, int zoom);
int PXK_CreateImageEx(int index, const char* title, int x, int y, int width, int height, int zoom,
                      int bits, int fit_screen);
/* Frees the image and closes its window. 0 done; 1 index outside 0..255 or a free slot.
 * The current image and the history are left as they are. */
int PXK_DestroyImage(int index);

/* Colour table of the current 8-bit image: 256 entries 0x00RRGGBB. PXK_SetPalette writes
 * entries 0..count-1 (at most 256) and repaints the window. 0 done; 1 the current slot is
 * free; 2 the current image is not 8-bit. */
int PXK_GetPalette(PXK_Color* palette);
int PXK_SetPalette(const PXK_Color* palette, int count);
/* Copies the width x height rectangle at (x, y) of the current image into buffer, rows packed
 * (32-bit: width words per row; 8-bit: width bytes per row); pixels outside the image read 0.
 * 0 done; 1 the current slot is free (nothing copied). */
int PXK_ReadImageRect(void* buffer, int x, int y, int width, int height);
/* The size and depth (8 or 32) of image `index`, any slot. 0 done; 1 index outside 0..255 or a
 * free slot (the outputs are then 0). Null outputs are allowed. */
int PXK_GetImageSize(int index, int* width, int* height, int* bits);
/* The in-use image shown in this window, or -1. The Select variant also makes it current. */
int PXK_FindImageByWindow(PXK_Window window);
int PXK_SelectImageByWindow(PXK_Window window);

/* ---- Image windows ----
 * PXK_RedrawImage copies the image to its window now (the window also repaints by itself).
 * PXK_SetZoom shows the image at another zoom and resizes its window: 0 done; 1 index outside
 * 0..255 or free slot; 2 the zoom cannot fit the screen (nothing changes).
 * Stretch modes: PXK_STRETCH_NEAREST (3, the default), PXK_STRETCH_HALFTONE (4, the area
 * average, "*" in the caption);
 * PXK_GetStretchMode returns 0 for a missing image; PXK_SetStretchMode ignores other modes
 * but still repaints and recaptions.
 * PXK_ResizeImage makes the image again at a new size in the same place (its pixels start
 * black; an 8-bit image keeps its colour table): 0 done; 1 missing image; otherwise the code
 * of the failed creation, and the image is then gone. */
enum { PXK_STRETCH_NEAREST = 3, PXK_STRETCH_HALFTONE = 4 };
int PXK_RedrawImage(int index);
int PXK_SetZoom(int zoom, int index);
int PXK_GetStretchMode(int index);
int PXK_SetStretchMode(int mode, int index);
void PXK_UpdateImageCaption(int index);
int PXK_ResizeImage(int index, int width, int height);

/* ---- Inspection ----
 * PXK_GetHistogram counts the pixels of image `index` by value into counts[0..255] (all 256
 * entries are written). Channel 0: for a 32-bit image the luminance
 * Y = (19595 R + 38470 G + 7471 B + 32768) >> 16, for an 8-bit image the colour index;
 * channels 1, 2, 3: R, G, B (for an 8-bit image the channel of each pixel's table colour).
 * 0 done; 1 index outside 0..255 or a free slot; 2 channel outside 0..3; 3 null counts.
 * PXK_OpenInspector and PXK_CloseInspector show and close the inspector window, which follows
 * the image window under the mouse: the pixel there, a loupe around it, and the histogram
 * and statistics of the whole image. Both do nothing when it is already so. */
int PXK_GetHistogram(int index, int channel, unsigned int counts[256]);
void PXK_OpenInspector(void);
void PXK_CloseInspector(void);

#ifdef __cplusplus
}
#endif

#endif
