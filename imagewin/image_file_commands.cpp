// The Load and Save commands of the image window, over the file dialogs and the image files.
// The dialogs take the 260-byte path buffer every caller of the dialogs has used; a longer
// path is refused inside the dialog, so the buffer never holds a cut name.
#include "imagewin/image_file_commands.h"

#include "imagewin/file_dialogs.h"
#include "imagewin/image_table.h"
#include "platform/window/window.h"
#include "pxk.h"

enum { COMMAND_PATH_BYTES = 260 };

void LoadImageCommand(WindowId window, int) {
    if (PXK_SelectImageByWindow((PXK_Window)window) < 0) return;
    char path[COMMAND_PATH_BYTES];
    if (RunOpenImageDialog(window, path, (int)sizeof path) != 0) return;
    PXK_LoadImageFile(path, 0, 0);
    PlatInvalidateRect(window, nullptr, false);
}

void SaveImageCommand(WindowId window, int) {
    if (PXK_SelectImageByWindow((PXK_Window)window) < 0) return;
    char path[COMMAND_PATH_BYTES];
    if (RunSaveImageDialog(window, path, (int)sizeof path) != 0) return;
    const ImageRecord* r = CurrentImageRecord();
    PXK_SaveImageFile(r->height, r->width, SaveDialogFormat(), path);
}
