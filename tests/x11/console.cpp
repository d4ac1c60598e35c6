// The command console on an X display, typed with xdotool as a person types: Space and the
// command in one quick burst, several times. A keyboard reports Space's key before its
// character, so the character arrives while the console already reads its line; it must not
// become part of the command, and the letters typed while the prompt is printed must not be
// lost.
#include "platform/driver/driver.h"
#include "platform/x11/x11_backend.h"
#include "pxk.h"
#include "support/outside_io.h"
#include "support/x11_program.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

void UserSetup(void) {
    PXK_OpenTextWindow(0, 10, 10, 400, 300);
    PXK_StartLog(0);
}
void UserMain(void) {}

TEST(X11Console, SpaceAndTheCommandTypedInOneBurstRunTheCommandEveryTime) {
    char folder[] = "/tmp/pixkit-x11-console-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    ASSERT_EQ(chdir(folder), 0);   // the log is made in the start folder
    X11Program program;
    ASSERT_TRUE(program.Start("pixkit-console"));
    ASSERT_TRUE(DriverWaitFor([] { return text_windows[0].is_open.load() == 1; }, 20000));
    const std::string native = std::to_string(X11NativeWindow(text_windows[0].hwnd.load())) + "\n";
    RunCommand("xdotool windowactivate --sync " + native);
    ASSERT_TRUE(DriverWaitFor([&] { return RunCommand("xdotool getwindowfocus") == native; }));
    std::string expected;
    for (int i = 0; i < 8; i++) {
        RunCommand("xdotool type --delay 1 ' ver'");
        RunCommand("xdotool key Return");
        expected += "Cmd>ver\nPIXKIT version " PIXKIT_VERSION "\n";
        const std::string log = std::string(folder) + "/PIXKIT00.LOG";
        EXPECT_TRUE(DriverWaitFor([&] { return ReadFileBytes(log) == expected; })) << ReadFileBytes(log);
    }
    program.End();
    RunCommand(std::string("rm -rf ") + folder);
}
