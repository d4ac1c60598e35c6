/* (part of pxk.h; include pxk.h) */

/* ---- Image table: the current image and its history ----
 * Every pixel, drawing, text and chart operation acts on the current image.
 * PXK_SelectImage makes an in-use slot current and pushes the previous current index on an
 * eight-deep history; PXK_SelectPreviousImage pops it back. Both return 0 when done and 1
 * (nothing changes) for an index outside 0..255 or a free slot. */
int PXK_SelectImage(int index);
int PXK_SelectPreviousImage(void);
