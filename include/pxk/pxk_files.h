/* Image files and the open and save dialogs (part of pxk.h; compiles on its own). */

#ifndef PXK_FILES_H
#define PXK_FILES_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Image files ----
 * PXK_LoadImageFile draws the picture of a BMP, JPEG, GIF, PNG, TIFF, ICO, WebP, HEIC or AVIF
 * file (pictures with an Exif orientation turned and mirrored as they are shown) into the
 * current image with its top-left corner at (x, y); the image keeps its size and depth, parts
 * outside it are cut off, and pixels the picture leaves uncovered or transparent keep their
 * values. Into an 8-bit image a file with a palette writes its colours into the first
 * entries of the colour table; other colours map to the nearest table entry. The window is
 * not repainted. 0 done; 1 the file cannot be read (missing, not a regular file, unknown,
 * corrupt or truncated: the image is then unchanged); 2 the current slot is free.
 *
 * PXK_SaveImageFile writes the width x height rectangle at the top-left of the current image
 * in a format (PXK_FILE_BMP .. PXK_FILE_WEBP); the format's extension is appended to path
 * unless it already ends with one of that format's extensions (any case). 32-bit images are
 * written as 24-bit colour, 8-bit images with their colour table (JPEG: quality 100; WebP is
 * always lossless, so the file reads back with the same pixels, and 8-bit images become colour). An
 * existing file is replaced whole or not at all. 0 done; 1 the file cannot be written
 * (write-protected, missing folder, full disk, size beyond the format, no file name); 2 width or
 * height is 0; 3 the current slot is free.
 *
 * When either returns 1, errno holds the reason for a message: the system's (ENOENT no such
 * file or folder or no file name, EACCES no permission or write-protected, EISDIR a folder,
 * ENOSPC full disk, EFBIG beyond the file-size limit or the format); ENOMEM a picture whose
 * decoding does not fit in the memory that remains; EINVAL a file that is no picture the
 * codec reads (unknown, corrupt, truncated, not a regular file). */
enum { PXK_FILE_BMP = 0, PXK_FILE_JPEG = 1, PXK_FILE_GIF = 2, PXK_FILE_PNG = 3, PXK_FILE_TIFF = 4,
       PXK_FILE_WEBP = 5 };
enum {
    PXK_LOAD_DONE = 0,
    PXK_LOAD_UNREADABLE = 1,    /* errno says why */
    PXK_LOAD_NO_IMAGE = 2       /* the current slot is free */
};
enum {
    PXK_SAVE_DONE = 0,
    PXK_SAVE_UNWRITABLE = 1,    /* errno says why */
    PXK_SAVE_EMPTY = 2,         /* width or height is 0 */
    PXK_SAVE_NO_IMAGE = 3       /* the current slot is free */
};
int PXK_LoadImageFile(const char* path, int x, int y);
int PXK_SaveImageFile(int height, int width, int format, const char* path);

/* ---- Image files: a picture as a new image ----
 * PXK_OpenImageFile makes a new image of the file's picture in the lowest free slot, at the
 * picture's own size as it is shown (after its Exif orientation), titled with the file's name
 * (cut at a character boundary to fit a title), at the default position and at the zoom that
 * fits the screen; it becomes the current image. The image is 8-bit with the picture's colour
 * table when its pixels index one (palette PNG, GIF, BMP of at most 8 bits, palette TIFF),
 * otherwise 32-bit. Returns the slot 0..255, or -1 the file cannot be read (errno as for
 * PXK_LoadImageFile), -2 no slot is free, -3 not enough memory or too large to show; on a
 * failure no image is made.
 * PXK_ImageFileInfo reads the same from the file's header alone, without decoding: the width
 * and height of the image PXK_OpenImageFile would make and its bits (8 or 32). 0 a picture of
 * a format that loads, BMP, JPEG, GIF, PNG, TIFF, ICO, WebP, HEIC or AVIF (the outputs are
 * set); 1 not (the outputs are left alone). */
int PXK_OpenImageFile(const char* path);
int PXK_ImageFileInfo(const char* path, int* width, int* height, int* bits);

/* ---- Image files: the open and save dialogs ----
 * Both run the layer's file dialog modally on the calling thread (other windows of the thread
 * keep working) and put the chosen full path, UTF-8, into path, a buffer of size bytes (the
 * image window's commands pass 260). A path that does not fit is refused inside the dialog,
 * which stays open: it is never cut. Results: 0 a path was chosen; 1 cancelled (also for a null
 * buffer or a size below 1).
 * PXK_OpenImageFileDialog ("Load image file") opens in the folder of the last file loaded
 * (at first the start folder) with the filter last chosen (at first "All pictures", every
 * format that loads), and takes only an existing file. PXK_SaveImageFileDialog ("Save as")
 * opens in the folder of the last file saved with the filter last chosen; a typed name ending
 * in an extension of a save format is kept and saved in that format (shot.png is a PNG
 * whatever the filter), any other gets the filter's extension. The path it returns already
 * carries its format's extension, and an existing file is replaced only when the user answers
 * Yes. */
enum { PXK_DIALOG_CHOSEN = 0, PXK_DIALOG_CANCELLED = 1 };
int PXK_OpenImageFileDialog(char* path, int size);
int PXK_SaveImageFileDialog(char* path, int size);

#ifdef __cplusplus
}
#endif

#endif
