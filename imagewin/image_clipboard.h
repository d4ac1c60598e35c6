// The image window's clipboard commands: Cut, Copy, Paste at a point chosen with the
// placement tool (the menu's Paste) and Paste at the top-left corner (Ctrl+V). They run on
// the worker thread, as every command of the image window, and act on the window's image.
#pragma once

#include "platform/plat_types.h"

// Copies the image; only when the copy was made is the image cleared and repainted.
void CutImageCommand(WindowId window, int index);
void CopyImageCommand(WindowId window, int index);
void PasteAtPointCommand(WindowId window, int index);
void PasteAtCornerCommand(WindowId window, int index);
