// The real program run in the test's own process on the X11 display of DISPLAY, with a runtime
// folder of its own (so that its instance slot is never another run's), ended through Exit
// when the test ends, whatever failed in between.
#pragma once

#include <string>
#include <thread>

struct X11Program {
    // Starts PixkitMain on a thread of its own; false (with the reason as a test failure) when
    // no display is set or no runtime folder can be made.
    bool Start(const char* name);
    // Exit, then waits for the program's thread; the runtime folder is removed.
    void End();
    ~X11Program() { End(); }

    std::thread thread;
    std::string runtime_dir;
};
