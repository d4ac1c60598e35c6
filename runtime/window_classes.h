// The framework's window classes: the main window's own class, named after the instance
// slot, and the classes of the registered window kinds (window_kinds.h) in table order.
#pragma once

// Registers the main window's class and then every kind's class; 0 done, 1 a registration
// failed.
int RegisterWindowClasses(void);
// Removes them again at shutdown, so a program can be started again in the same process.
void UnregisterWindowClasses(void);
