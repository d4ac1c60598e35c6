/* The input box and the button box (part of pxk.h; compiles on its own).
 *
 * The input box holds up to 30 labelled edit fields. A value the user types reaches the
 * program when the field loses the focus (Tab, a click elsewhere) or Enter is pressed; the
 * program reads values by polling. The button box holds a grid of up to 256 push buttons;
 * each button counts its presses until the program reads them. Both boxes are opened, read
 * and changed on the worker thread (from UserSetup or UserMain). Out-of-range item and
 * button indexes are ignored and read as 0, as is everything after a box was closed.
 */

#ifndef PXK_BOXES_H
#define PXK_BOXES_H

#include "pxk_types.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Opens the input box at the screen position x, y with items edit fields (clamped to
 * 1..30), labelled "Item 0", "Item 1", ... with the value "0". Does nothing while a box
 * exists. */
void PXK_OpenInputBox(int x, int y, int items);
void PXK_CloseInputBox(void);
/* Sets the label widths and the field widths in pixels (at least 1) and lays the box out. */
void PXK_ResizeInputBox(int isize, int esize);
void PXK_SetInputBoxTitle(int i, const char *text);
/* Item i's value as atof and atoi read it ("C" numeric rules); 0 for a bad index. */
double PXK_GetInputBoxValue(int i);
int PXK_GetInputBoxInt(int i);
/* Writes v into item i with 10 significant digits ("4.5", "0.3333333333"). */
void PXK_SetInputBoxValue(int i, double v);
void PXK_SetInputBoxInt(int i, int v);

/* Opens the button box at the screen position x, y with nx x ny buttons (at most 256 in
 * all), labelled with their index. Does nothing while a box exists or for a bad grid. */
void PXK_OpenButtonBox(int x, int y, int nx, int ny);
void PXK_CloseButtonBox(void);
/* Sets the box's client size; the buttons stretch to fill it. */
void PXK_ResizeButtonBox(int width, int height);
void PXK_SetButtonBoxTitle(int i, const char *text);
/* The presses of button i since the last read (then cleared); 0 for a bad index. */
int PXK_GetButtonPress(int i);

#ifdef __cplusplus
}
#endif

#endif
