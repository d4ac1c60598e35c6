// Weak defaults of the image window's hand-overs; the image commands replace them.
#include "imagewin/image_window_hooks.h"

#include "platform/window/window.h"

__attribute__((weak)) void RunImageCommand(WindowId, int, int) {}
__attribute__((weak)) void OpenImagePopupMenu(WindowId, int, bool) {}
__attribute__((weak)) void DropFilesOnImage(WindowId, int, DropList* list) { PlatDragFinish(list); }
