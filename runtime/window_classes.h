// The framework's window classes: the main window's own class, named after the instance
// slot, and the classes of the registered window kinds (window_kinds.h) in table order; and
// the messages that every one of their window procedures answers alike.
#pragma once

#include "platform/window/window.h"

// Registers the main window's class and then every kind's class; 0 done, 1 a registration
// failed.
int RegisterWindowClasses(void);
// Removes them again at shutdown, so a program can be started again in the same process.
void UnregisterWindowClasses(void);

// What a kind of window does itself for the messages every framework window answers alike.
struct KindWindowHandlers {
    void (*moved)(WindowId window);       // after a move, before the rectangles are collected (may be null)
    void (*close)(WindowId window);       // the close box (may be null: nothing happens)
    void (*destroyed)(WindowId window);   // the window is being destroyed (may be null)
};

// The shared cases of the framework's window procedures: MSG_MOVE runs the kind's moved and
// collects every window's rectangle again, MSG_MOVING snaps the proposed rectangle to the
// other windows, MSG_CLOSE and MSG_DESTROY run the kind's close and destroyed. Any other
// message goes to PlatDefWindowProc. Returns 0 for the four.
intptr_t KindWindowDefault(WindowId window, int msg, uintptr_t wparam, intptr_t lparam,
                           const KindWindowHandlers& kind);
