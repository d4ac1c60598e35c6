// The program entry. main() (entry_main.cpp) only calls PixkitMain, so that tests and other
// hosts can run the whole program on a thread of their own.
#pragma once

// Runs the program: backend, instance slot, framework state, window classes, main window,
// main loop, shutdown. Returns 0 after a normal run, 1 at the instance limit or when a
// window class cannot be registered, 2 when no backend can run.
int PixkitMain(int argc, char** argv);

// When the Exit command had to terminate the worker, PixkitMain ends the process itself
// (stdio flushed, no destructors run under the parked worker). A host that must go on
// after PixkitMain returns (the test harness) switches this off.
extern bool exit_process_after_termination;
