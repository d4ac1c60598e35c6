// Shared helpers for tests that run the real program on the headless backend.
//
// A test file is a small user program: it defines UserSetup and UserMain if it needs them
// (the harness supplies empty weak ones otherwise: UserSetup does nothing, UserMain pumps
// messages until the program ends). StartProgram() runs the program entry on a thread of
// its own, as the process's main thread would, and returns once the main loop runs
// and the worker has finished UserSetup; StopProgram() chooses Exit and waits for the
// entry to return. Everything else is read and driven through the test driver
// (platform/driver/driver.h) and the framework's own state.
//
//   TEST(Run, Something) {
//       ASSERT_TRUE(StartProgram());
//       PressMenuBarItem(0);                     // Start
//       ASSERT_TRUE(DriverWaitFor([] { return Running.load() == 1; }));
//       EXPECT_EQ(StopProgram(), 0);
//   }
//
// A test that runs the program in a child process (instance slots, the end of the process
// after a terminated worker) starts this test binary again with a --gtest_filter for a
// child-side test, PIXKIT_BACKEND=headless, a private XDG_RUNTIME_DIR (slot locks) and
// PIXKIT_HEADLESS_AUTOANSWER=1: without a test driver, message boxes then print
// "caption: text" on stderr and return at once instead of waiting for a user.
#pragma once

#include "platform/driver/driver.h"
#include "platform/window/input.h"
#include "platform/plat_types.h"
#include "support/top_window.h"
#include "pxk.h"

#include <string>

enum { HARNESS_TIMEOUT_MS = 10000 };

// Starts the headless backend (screen width x height x bits) and the program. False when
// the program did not come up within the timeout (or ended at once).
bool StartProgram(int width = 1920, int height = 1080, int bits = 32);
// Chooses Exit on the main window and waits for the program entry to return. Returns its
// result, or -1 when it did not return within the timeout.
int StopProgram(int timeout_ms = HARNESS_TIMEOUT_MS);
// Waits for the program entry to return by itself (after Exit was chosen some other way).
int WaitProgramEnd(int timeout_ms = HARNESS_TIMEOUT_MS);
// True while the program entry runs.
bool ProgramRunning(void);

// The main window, or 0.
WindowId MainWindow(void);
// Clicks the item at this position of the main window's menu bar (0 Start, 1 Stop, 2 Exit).
bool PressMenuBarItem(int position);
// The screen rectangle of a menu-bar item of a window.
bool MenuBarItemRect(WindowId window, int position, PlatRect* rect);
// The status line's text, as shown, and without the blanks around it.
std::string StatusText(void);
std::string StatusWords(void);
// Sends a key press to the main window (plain, or with INPUT_MOD_ flags).
void PressMainWindowKey(int key, int mods = 0);

// Every file that includes this header links the harness, and with it the weak UserSetup
// and UserMain, even when it calls nothing else of it.
[[gnu::used]] static bool (*const harness_link_anchor)(int, int, int) = StartProgram;
