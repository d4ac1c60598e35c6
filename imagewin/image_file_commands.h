// The image window's Load and Save commands: the open or save dialog owned by the window, then
// the load into or the save of the window's image.
#pragma once

#include "platform/plat_types.h"

// Load image file: the window's image becomes current (pushing the history); the open dialog;
// on OK the chosen file is drawn into the image at (0, 0) and the window repaints; a file
// that cannot be read is named in an error box with the reason. Cancel changes nothing and
// repaints nothing.
void LoadImageCommand(WindowId window, int index);
// Save as: the window's image becomes current; the save dialog; on OK the whole image is
// written in the format of the filter chosen ("All Files" and "BMP" save BMP). A save that
// fails is named in an error box with the reason.
void SaveImageCommand(WindowId window, int index);
