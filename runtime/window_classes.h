// The five window classes of the framework and their procedures. The procedures live with
// their windows (image windows, text windows, boxes); the main window's is in main_window.h.
#pragma once

#include "platform/plat_types.h"

intptr_t ImageWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t TextWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t InputBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t ButtonBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

// Registers the five classes in order; 0 done, 1 a registration failed.
int RegisterWindowClasses(void);
// Removes them again at shutdown, so a program can be started again in the same process.
void UnregisterWindowClasses(void);
