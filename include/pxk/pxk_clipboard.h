/* Clipboard pictures and bitmaps (part of pxk.h; compiles on its own). */

#ifndef PXK_CLIPBOARD_H
#define PXK_CLIPBOARD_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Clipboard pictures ----
 * Images travel to and from other programs through the desktop's clipboard. A copy offers the
 * image as a BMP (a 40-byte information header, for 8-bit images their 256-entry colour table,
 * bottom-up rows of 24 or 8 bits padded to 4 bytes) and as a PNG; a paste takes a BMP, PNG,
 * JPEG, TIFF or GIF picture, whichever the clipboard's owner offers first in that order.
 *
 * PXK_CopyImageToClipboard puts image `index` on the clipboard. The content is built whole
 * before the clipboard is replaced, so a copy that fails leaves the clipboard as it was. 0 done;
 * 1 index outside 0..255 or a free slot; 2 the clipboard refused the content; 3 no memory for
 * the copy, or an image beyond the format's 32-bit sizes (the box "No enough memory for copy"
 * has been shown).
 *
 * PXK_ReadClipboardBitmap returns a new bitmap of the clipboard's picture, or null when the
 * clipboard holds none that can be read. A picture of 8 bits or fewer per pixel becomes an
 * 8-bit bitmap whose colour table (at most 256 entries) is copied into colors, its entry count
 * into *count; for other pictures *count is 0. colors (256 entries) and count may be null. The
 * caller owns the bitmap and frees it with PXK_DeleteBitmap.
 *
 * PXK_PasteFromClipboard copies the clipboard's picture into image `index` with its top-left
 * corner at (x, y); parts outside the image are cut off and the image keeps its size. x or y
 * of -1 lets the user place the picture with PXK_GetPlacement: it lands centred on the clicked
 * point. A picture with a colour table writes it into the first entries of an 8-bit image's
 * table and keeps its indices; other colours go to the nearest entries of the table. 0 done;
 * 1 index outside 0..255 or a free slot; 2 no picture on the clipboard; 3 the placement was
 * cancelled; 4 the picture is too large for the memory that remains (errno ENOMEM; nothing
 * was allocated for it, and PXK_ReadClipboardBitmap returns null for it likewise). */
enum {
    PXK_COPY_DONE = 0,
    PXK_COPY_NO_IMAGE = 1,      /* index outside 0..255 or a free slot */
    PXK_COPY_REFUSED = 2,       /* the clipboard refused the content */
    PXK_COPY_NO_MEMORY = 3      /* no memory for the copy, or beyond the format's sizes */
};
enum {
    PXK_PASTE_DONE = 0,
    PXK_PASTE_NO_IMAGE = 1,     /* index outside 0..255 or a free slot */
    PXK_PASTE_NO_PICTURE = 2,   /* no picture on the clipboard */
    PXK_PASTE_CANCELLED = 3,    /* the placement was cancelled */
    PXK_PASTE_TOO_LARGE = 4     /* the picture does not fit in the memory that remains */
};
typedef struct Surface PXK_Bitmap;
int PXK_CopyImageToClipboard(int index);
PXK_Bitmap* PXK_ReadClipboardBitmap(PXK_Color* colors, int* count);
int PXK_PasteFromClipboard(int x, int index, int y);
/* The size and depth (8 or 32) of a bitmap; 1 for a null bitmap, else 0. */
int PXK_GetBitmapSize(const PXK_Bitmap* bitmap, int* width, int* height, int* bits);
void PXK_DeleteBitmap(PXK_Bitmap* bitmap);

#ifdef __cplusplus
}
#endif

#endif
