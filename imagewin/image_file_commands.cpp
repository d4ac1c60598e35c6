// The Load and Save commands of the image window, over the file dialogs and the image files.
// The dialogs take the 260-byte path buffer every caller of the dialogs has used; a longer
// path is refused inside the dialog, so the buffer never holds a cut name. A load or save
// that fails shows a box with the file and the reason.
#include "imagewin/image_file_commands.h"

#include <errno.h>

#include "imagewin/file_dialogs.h"
#include "imagewin/file_failures.h"
#include "imagewin/image_commands.h"
#include "imagewin/image_table.h"
#include "codec/codec_names.h"
#include "platform/window/window.h"
#include "pxk.h"

enum { COMMAND_PATH_BYTES = 260 };

// The dialog pumps messages, and another command may meanwhile have made a different image
// current or given this slot to another window: the window's image is selected again after it.
static bool SelectAgain(WindowId window, int index) {
    return ImageStillShownIn(window, index) && PXK_SelectImage(index) == 0;
}

void LoadImageCommand(WindowId window, int index) {
    if (PXK_SelectImageByWindow((PXK_Window)window) < 0) return;
    char path[COMMAND_PATH_BYTES];
    if (RunOpenImageDialog(window, path, (int)sizeof path) != 0) return;
    if (!SelectAgain(window, index)) return;
    const int code = PXK_LoadImageFile(path, 0, 0);
    PlatInvalidateRect(window, nullptr, false);
    if (code == 1) ShowLoadFailure(window, path);
}

void SaveImageCommand(WindowId window, int index) {
    if (PXK_SelectImageByWindow((PXK_Window)window) < 0) return;
    char path[COMMAND_PATH_BYTES];
    if (RunSaveImageDialog(window, path, (int)sizeof path) != 0) return;
    if (!SelectAgain(window, index)) return;
    const ImageRecord* r = CurrentImageRecord();
    const int format = SaveDialogFormat();
    errno = 0;
    const int code = PXK_SaveImageFile(r->height, r->width, format, path);
    const int saved_errno = errno;
    // The box names the file the save wrote, with the extension it appended.
    if (code == 1) ShowSaveFailure(window, CodecPathWithExtension(path, (CodecFormat)format).c_str(), saved_errno);
}
