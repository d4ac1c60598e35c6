/* A program that waits for Start, so the main window's own tools can be tried first: its
 * right-click menu makes image windows, text windows, an input box and a button box, Paste
 * (Ctrl+V) turns a picture copied in another program into an image window, and pictures
 * dropped on it open as image windows. All of that is refused once the program runs, which
 * is why the other examples, which start at once, grey it. Start (the menu bar, or S) then
 * runs UserMain, which lists the image windows made by hand. */
#include <pxk.h>

void UserSetup(void) {
    PXK_OpenTextWindow(0, 100, 100, 560, 260);
    PXK_Printf("Before Start, right-click the main window: Image Window, Text Window,\n"
               "Input Box, Button Box, Paste. Drop picture files on it to open them.\n"
               "Press Start (or S) when done.\n");
    /* StartRequested stays 0: UserMain waits for Start. */
}

void UserMain(void) {
    int found = 0;
    PXK_SelectTextWindow(0);
    PXK_Printf("Started. Image windows:\n");
    for (int i = 0; i < 256; i++) {
        int width, height, bits;
        if (PXK_GetImageSize(i, &width, &height, &bits) == 0) {
            PXK_Printf("image %d: %d x %d, %d bits\n", i, width, height, bits);
            found++;
        }
    }
    PXK_Printf("%d in all. Stop, then Exit (or X) ends the program.\n", found);
    while (!StopRequested) {          /* keep the windows working until Stop */
        PXK_WaitForMessages(1000);
        PXK_PumpMessages();
    }
}
