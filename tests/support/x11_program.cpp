// The real program on the X11 display, run in the test's own process (see x11_program.h).
#include "x11_program.h"

#include "framework/startup.h"
#include "platform/window/window.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

#include <stdlib.h>

bool X11Program::Start(const char* name) {
    const char* display = getenv("DISPLAY");
    if (!display || !*display) {
        ADD_FAILURE() << "DISPLAY is not set: run the X11 tests through scripts/test.sh (Xvfb)";
        return false;
    }
    unsetenv("PIXKIT_BACKEND");
    char dir[] = "/tmp/pixkit-x11-XXXXXX";
    if (!mkdtemp(dir)) {
        ADD_FAILURE() << "no runtime folder";
        return false;
    }
    runtime_dir = dir;
    setenv("XDG_RUNTIME_DIR", dir, 1);
    // The test goes on after the program has ended, even when Exit had to stop the worker.
    exit_process_after_termination = false;
    static std::string program_name;
    program_name = name;
    thread = std::thread([] {
        char* argv[] = {program_name.data(), nullptr};
        PixkitMain(1, argv);
    });
    return true;
}

void X11Program::End() {
    if (thread.joinable()) {
        const WindowId mw = main_window.load();
        if (mw) PlatPostMessage(mw, MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
        thread.join();
    }
    if (!runtime_dir.empty()) RunCommand("rm -rf '" + runtime_dir + "'");
    runtime_dir.clear();
}
