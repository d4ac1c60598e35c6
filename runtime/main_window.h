// The main window: menu bar Start / Stop / Exit, the status line, the drop-in animation and
// the run-control keys. Runs on the main thread.
#pragma once

#include "platform/plat_types.h"

enum {
    CMD_START = 1001,
    CMD_EXIT = 1002,
    CMD_STOP = 1003,
    CMD_PASTE = 1026,
    CMD_IMAGE_WINDOW = 1027,
    CMD_TEXT_WINDOW = 1028,
    CMD_INPUT_BOX = 1044,
    CMD_WINDOW_INFO = 1045,
    CMD_BUTTON_BOX = 1051,
    STATUS_LINE_ID = 2001
};

struct DropList;

// The main window's commands that build windows: they prompt in text windows and post
// requests, so they live above the runtime and are registered at start. A null member makes
// its command unavailable: its menu item stays greyed and the command is ignored.
struct MainWindowCommands {
    int (*line_input_active)(void);     // non-zero while a line input waits
    void (*paste)(void);
    void (*image_window)(void);
    void (*text_window)(void);
    void (*input_box)(void);
    void (*button_box)(void);
    void (*window_info)(void);
    void (*drop)(const DropList* drop);
    void (*inspector)(void);            // Ctrl+I: opens or closes the inspector
};
void RegisterMainWindowCommands(const MainWindowCommands& commands);

intptr_t MainWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// The main window's class name for this instance slot ("pixkit_mw%d").
void MainWindowClassName(char* buf, int size);
// Creates the menu bar and the main window (its creation starts the worker). 0 on failure.
WindowId CreateMainWindow(void);
