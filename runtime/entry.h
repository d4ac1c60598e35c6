// The program's run on the main thread. The executable's entry (main, at the top of the
// framework) registers the window kinds and calls RunProgram, so that tests and other hosts
// can run the whole program on a thread of their own.
#pragma once

// Runs the program: backend, instance slot, framework state, window classes, main window,
// main loop, shutdown. Returns 0 after a normal run; 2 when no backend can run; 1 at the
// instance limit ("Over instance limit!" in a box), when a window class cannot be registered
// (silently), and when the lock folder or the current folder cannot be used or the main
// window cannot be created (each said in a line on stderr and in a box).
int RunProgram(int argc, char** argv);

namespace pxk {
// When the Exit command had to terminate the worker, the process ends at once (exit status
// 0): the stopped worker may hold locks and memory that the rest of a shutdown would need.
// A host that must go on (the test harness, whose programs stop calling the framework once
// Exit is chosen) switches this off; the worker's windows are then destroyed and RunProgram
// returns.
extern bool exit_process_after_termination;
}  // namespace pxk
using pxk::exit_process_after_termination;
