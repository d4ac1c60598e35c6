/* A text window that greets the user by name: formatted output, colours and line input.
 * Written in C, to show that pxk.h serves C programs as well as C++ ones. */
#include <pxk.h>

void UserSetup(void) {
    PXK_OpenTextWindow(0, 100, 100, 480, 240);
    StartRequested = 1;
}

void UserMain(void) {
    char name[256];
    PXK_Printf("What is your name? ");
    PXK_InputText(name);
    PXK_PushTextColor(0x000080, 0xFFFF00);
    PXK_Printf("Hello, %s!\n", name[0] ? name : "stranger");
    PXK_PopTextColor();
    PXK_Printf("Press Stop (C) or Exit (X) in the main window.\n");
    for (;;) {                 /* keep the window working without spinning a core */
        PXK_WaitForMessages(1000);
        PXK_PumpMessages();
    }
}
