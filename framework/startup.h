// The top of the framework: the one place that knows every subsystem. It registers the
// window kinds of the text windows, the boxes and the image windows (and the drawing state
// that is reset with them) with the runtime, which sits below them all, and then runs the
// program.
#pragma once

// Fills the runtime's table of window kinds, in the order of every walk over it: image
// windows, text windows, input box, button box, drawing state. Registers the request channel's
// executors, the main window's commands and the text windows' console and report as well.
// Safe to call again.
void RegisterFrameworkKinds(void);
// The program: RegisterFrameworkKinds, then the runtime's RunProgram (runtime/entry.h).
int PixkitMain(int argc, char** argv);
