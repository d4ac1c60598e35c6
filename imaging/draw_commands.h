// The image window's colour and drawing commands, as free functions of (window, image index)
// for the command table: Color Change and Pick, the lines, boxes and circles, Draw Text and
// Paint. Each drawing command lets the user pick its points on the window's image with a
// point tool (the right button cancels and nothing changes), then draws in the current
// drawing colour and repaints the window. A command whose window lost its image while it
// waited (destroyed, or its slot now holds another window's image) does nothing more.
#pragma once

#include "platform/plat_types.h"

// The colour dialog owned by the window, started from the drawing colour and the custom
// colours kept for the process. OK makes the chosen colour the drawing colour, the bitmap
// text colour and the TrueType text colour; Cancel changes nothing. While the dialog is open
// a second Color Change does nothing.
void ColorChangeCommand(WindowId window, int index);
// One click on the image: its pixel becomes the drawing colour and the TrueType text colour
// (for an 8-bit image the pixel is an index: the drawing colour takes the index, the TrueType
// colour its colour-table entry). The current image stays what it was.
void ColorPickCommand(WindowId window, int index);
void DrawLineCommand(WindowId window, int index);        // two clicks: the line between them
void DrawRowLineCommand(WindowId window, int index);     // the whole row of one click
void DrawColumnLineCommand(WindowId window, int index);  // the whole column of one click
void DrawBoxCommand(WindowId window, int index);         // two corners: the outline
void FillBoxCommand(WindowId window, int index);         // two corners: outline and inside
void XorFillBoxCommand(WindowId window, int index);      // two corners: every pixel inverted
void DrawCircleCommand(WindowId window, int index);      // centre and a point on it: the outline
void FillCircleCommand(WindowId window, int index);
void XorFillCircleCommand(WindowId window, int index);
// One click, then "Text>" and a line typed in the current text window: the line in bitmap
// font from the point (which is also the margin), in the drawing colour. An empty line draws
// nothing and changes no text state.
void DrawTextCommand(WindowId window, int index);
// One click: flood fill from the point with the drawing colour.
void PaintCommand(WindowId window, int index);

// Puts the commands above into the image window's command table (at start).
void RegisterDrawCommands(void);
