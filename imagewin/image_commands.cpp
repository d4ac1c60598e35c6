// The dispatch of the image window's commands. Every command id of the edit and processing
// menus and of the shortcuts has its row here. Commands whose bodies live in the folders above
// this one (information, drawing, colour, TrueType, test charts) get their handlers at start
// through SetImageCommandHandler; a row still without one would do nothing. Files dropped on
// the window load the first of them into its image.
#include "imagewin/image_commands.h"

#include <string>

#include "imagewin/file_failures.h"
#include "imagewin/image_clipboard.h"
#include "imagewin/image_edit_commands.h"
#include "imagewin/image_file_commands.h"
#include "imagewin/image_table.h"
#include "platform/window/window.h"
#include "pxk.h"

static void Destroy(WindowId, int index) { PXK_DestroyImage(index); }
static void Zoom50(WindowId, int index) { PXK_SetZoom(50, index); }
static void Zoom100(WindowId, int index) { PXK_SetZoom(100, index); }
static void Zoom200(WindowId, int index) { PXK_SetZoom(200, index); }

// Not const: the layers above fill in the handlers they build at start (SetImageCommandHandler).
static ImageCommand IMAGE_COMMANDS[] = {
    {CMD_IMAGE_LOAD, "Load image file", LoadImageCommand},
    {CMD_IMAGE_DESTROY, "Destroy", Destroy},
    {CMD_IMAGE_ZOOM_50, "Zoom 50%", Zoom50},
    {CMD_IMAGE_ZOOM_100, "Zoom 100%", Zoom100},
    {CMD_IMAGE_ZOOM_200, "Zoom 200%", Zoom200},
    {CMD_IMAGE_SAVE, "Save as", SaveImageCommand},
    {CMD_IMAGE_CUT, "Cut", CutImageCommand},
    {CMD_IMAGE_COPY, "Copy", CopyImageCommand},
    {1013, "Paste at a point", PasteAtPointCommand},
    {CMD_IMAGE_PASTE, "Paste", PasteAtCornerCommand},
    {1015, "Pixel", nullptr},
    {1016, "Line(RGB)", nullptr},
    {1017, "Line(HSV)", nullptr},
    {1018, "Line(YCrCb)", nullptr},
    {CMD_IMAGE_CLIPPING, "Clipping", ClippingCommand},
    {1021, "Line(CrCb)", nullptr},
    {1022, "Area(CrCb)", nullptr},
    {1031, "Color, Change", nullptr},
    {1032, "Draw Line, Normal", nullptr},
    {1034, "Draw Line, Horz.", nullptr},
    {1035, "Draw Line, Vert.", nullptr},
    {1036, "Draw Box, Normal", nullptr},
    {1037, "Draw Box, Fill", nullptr},
    {1038, "Draw Box, Fill XOR", nullptr},
    {1039, "Draw Circle, Normal", nullptr},
    {1040, "Draw Circle, Fill", nullptr},
    {1041, "Draw Circle, Fill XOR", nullptr},
    {1042, "Draw Text", nullptr},
    {1043, "Paint", nullptr},
    {1046, "Zoom...", ZoomPromptCommand},
    {1047, "Resize...", ResizePromptCommand},
    {1048, "TrueType, Draw", nullptr},
    {1049, "TrueType, Font Change", nullptr},
    {1052, "Color, Pick", nullptr},
    {1053, "Test Pattern RGB", nullptr},
    {1054, "Test Pattern HSV", nullptr},
    {1055, "Test Pattern YCrCb", nullptr},
    {1058, "Invert", InvertCommand},
    {1059, "Horz. Flip", HorizontalFlipCommand},
    {1060, "Vert. Flip", VerticalFlipCommand},
    {1061, "R. Rotate", RightRotateCommand},
    {1062, "L. Rotate", LeftRotateCommand},
    {1063, "Size 50.0%", Size50Command},
    {1064, "Size 70.7%", Size71Command},
    {1065, "Size 141.4%", Size141Command},
    {1066, "Size 200.0%", Size200Command},
    {1067, "Test Pattern Yuv", nullptr},
    {1068, "Test Pattern YIQ", nullptr},
    {1070, "Line(Lumi)", nullptr},
    {1071, "Test Pattern Grey", nullptr},
};

const ImageCommand* FindImageCommand(int id) {
    for (const ImageCommand& c : IMAGE_COMMANDS)
        if (c.id == id) return &c;
    return nullptr;
}

int SetImageCommandHandler(int id, void (*run)(WindowId window, int index)) {
    for (ImageCommand& c : IMAGE_COMMANDS)
        if (c.id == id) {
            c.run = run;
            return 0;
        }
    return 1;
}

bool ImageStillShownIn(WindowId window, int index) {
    if ((unsigned)index >= IMAGE_SLOTS) return false;
    const ImageRecord& r = image_table[index];
    return r.in_use.load(std::memory_order_acquire) && r.window == window;
}

void RunImageCommand(WindowId window, int index, int command) {
    const ImageCommand* c = FindImageCommand(command);
    if (c && c->run) c->run(window, index);
}

// The first dropped file only is loaded into the window's image; the window then repaints,
// the previous current image comes back and the window comes to the front. A file that
// cannot be read is named in an error box once the drop is finished.
void DropFilesOnImage(WindowId window, int index, DropList* list) {
    std::string failed;
    if (list && list->count > 0 && list->paths[0] && PXK_SelectImage(index) == 0) {
        if (PXK_LoadImageFile(list->paths[0], 0, 0) == 1) failed = list->paths[0];
        PlatInvalidateRect(window, nullptr, false);
        PXK_SelectPreviousImage();
    }
    PlatDragFinish(list);
    PlatSetForegroundWindow(window);
    if (!failed.empty()) ShowLoadFailure(window, failed.c_str());
}
