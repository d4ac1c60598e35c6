// The image window's two TrueType commands, as free functions of (window, image index) for
// the command table: Draw fits the font to a rectangle the user drags and draws a typed line
// into it; Font Change lets the user pick the face and style in the font dialog.
#pragma once

#include "platform/plat_types.h"

// Rectangle on the window's image (cancel ends the command), "Text>" in the current text
// window and a typed line, then the line drawn with cells as high as the rectangle and half
// as wide, from its bottom-left; the window repaints.
void TrueTypeDrawCommand(WindowId window, int index);
// The font dialog owned by the window, started from the image text font; OK makes the chosen
// font the image text font (the character width and line height of the last size change
// stay), Cancel changes nothing. The font is swapped only after the dialog, so a Draw run
// inside the dialog's pump meanwhile draws with a live font. While the dialog is open a
// second Font Change does nothing.
void TrueTypeFontChangeCommand(WindowId window, int index);
