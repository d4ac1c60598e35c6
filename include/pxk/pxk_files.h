/* (part of pxk.h; include pxk.h) */

/* ---- Image files: the open and save dialogs ----
 * Both run the layer's file dialog modally on the calling thread (other windows of the thread
 * keep working) and put the chosen full path, UTF-8, into path, a buffer of size bytes (the
 * image window's commands pass 260). A path that does not fit is refused inside the dialog,
 * which stays open: it is never cut. Results: 0 a path was chosen; 1 cancelled (also for a null
 * buffer or a size below 1).
 * PXK_OpenImageFileDialog ("Load image file") opens in the folder of the last file loaded
 * (at first the start folder) with the filter last chosen (at first BMP), and takes only an
 * existing file. PXK_SaveImageFileDialog ("Save as") opens in the folder of the last file
 * saved with the filter last chosen; the path it returns already carries the chosen format's
 * extension, and an existing file is replaced only when the user answers Yes. */
int PXK_OpenImageFileDialog(char* path, int size);
int PXK_SaveImageFileDialog(char* path, int size);
