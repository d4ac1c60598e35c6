// The main window: menu bar Start / Stop / Exit, the status line, the drop-in animation and
// the run-control keys. Runs on the main thread.
#pragma once

#include "platform/plat_types.h"

enum {
    CMD_START = 1001,
    CMD_EXIT = 1002,
    CMD_STOP = 1003,
    STATUS_LINE_ID = 2001
};

intptr_t MainWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// The main window's class name for this instance slot ("pixkit_mw%d").
void MainWindowClassName(char* buf, int size);
// Creates the menu bar and the main window (its creation starts the worker). 0 on failure.
WindowId CreateMainWindow(void);
