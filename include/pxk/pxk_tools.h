/* Interactive point tools (part of pxk.h; compiles on its own).
 *
 * A tool lets the user pick positions on the window of image `index` with the mouse. It runs
 * on the worker thread and returns only when the user has finished, cancelled, or the wait
 * was ended: meanwhile it keeps pumping the worker's messages, so every window stays alive.
 * It makes the image current (the history is pushed and not popped), shows its prompt in the
 * main window's status line and draws its preview with XOR into the image itself, so that
 * the pixels are exactly as before when it returns, whatever the result. Positions are image
 * pixels. The outputs are set to 0 at the start and carry meaning only with PXK_TOOL_DONE;
 * callers treat every other result as "do nothing". Null output pointers are allowed.
 *
 * The left button picks a point; the right or middle button cancels (in the second stage of
 * a two-point tool it goes back to the first point). Stop and Exit end the wait. */

#ifndef PXK_TOOLS_H
#define PXK_TOOLS_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif
enum {
    PXK_TOOL_DONE = 0,        /* the points were chosen */
    PXK_TOOL_CANCELLED = 1,   /* the user cancelled with the right or middle button */
    PXK_TOOL_NO_IMAGE = 2,    /* index of 256 or more, or a free slot: nothing happened */
    PXK_TOOL_STOPPED = 3,     /* Stop or Exit was chosen while the tool waited */
    PXK_TOOL_CLOSED = 4,      /* the image's window went away while the tool waited */
    PXK_TOOL_BUSY = 5         /* another tool is running: tools do not nest */
};

/* One click. Prompt "Click a point"; no preview. */
int PXK_GetPoint(int index, int* x, int* y);
/* One click; the preview is the image row under the mouse. */
int PXK_GetRowPoint(int index, int* x, int* y);
/* One click; the preview is the image column under the mouse. */
int PXK_GetColumnPoint(int index, int* x, int* y);
/* Two clicks; corners come back ordered (x1 <= x2, y1 <= y2). Preview: PXK_XorBox. */
int PXK_GetRectangle(int index, int* x1, int* y1, int* x2, int* y2);
/* Two clicks, returned in click order. Preview: PXK_XorLine. */
int PXK_GetLinePoints(int index, int* x1, int* y1, int* x2, int* y2);
/* The centre, then a point on the circle: r = floor(sqrt(dx * dx + dy * dy) + 0.5).
 * Preview: PXK_XorCircle. */
int PXK_GetCircle(int index, int* cx, int* cy, int* r);
/* The centre of a bw x bh box (a bitmap to be placed with its top-left corner at
 * x - bw / 2, y - bh / 2). Preview: the box outline, with its diagonals when bw and bh are
 * both at least 9. */
int PXK_GetPlacement(int index, int bw, int bh, int* x, int* y);

#ifdef __cplusplus
}
#endif

#endif
