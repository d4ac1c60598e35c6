// The image window's open and save dialogs (PXK_OpenImageFileDialog, PXK_SaveImageFileDialog)
// and what they remember for the process: each dialog's folder (open_dir, save_dir) and the
// filter index last chosen in each.
#pragma once

#include "platform/plat_types.h"

// The dialogs with an owner window, which stays disabled while the dialog runs (the image
// window's Load and Save commands pass their window). Results as the public operations.
int RunOpenImageDialog(WindowId owner, char* path, int size);
int RunSaveImageDialog(WindowId owner, char* path, int size);
// The format index 0..5 (BMP, JPEG, GIF, PNG, TIFF, WebP) of the path the save dialog last
// returned: the format its typed extension names, otherwise the filter's ("All Files" and
// "BMP" save BMP).
int SaveDialogFormat(void);
