// A text window's log copied to the clipboard on an X display, read back by another client
// (xclip): the program runs in this process on the X11 backend, logs a few megabytes into
// text window 0 (so the copy travels by INCR) and copies the log; xclip must read exactly the
// bytes of the log file, with LF line ends.
#include "framework/startup.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <string>
#include <thread>
#include <unistd.h>

static std::atomic<int> copy_result{-1};

static std::string LogText(void) {
    std::string text;
    for (int i = 0; i < 40000; i++) text += "log line " + std::to_string(i) + " \xc3\xa9t\xc3\xa9\n";
    return text;
}

void UserSetup(void) { StartRequested.store(1); }

void UserMain(void) {
    PXK_OpenTextWindow(0, 10, 10, 400, 300);
    PXK_StartLog(0);
    std::string text = LogText();
    // Printed in pieces below the output limit of one call.
    for (size_t at = 0; at < text.size(); at += 2000) PXK_Printf("%s", text.substr(at, 2000).c_str());
    copy_result.store(PXK_CopyLog(0));
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_PumpMessages();
        PXK_WaitForMessages(20);
    }
}

TEST(X11LogClipboard, ACopiedLogReadsBackWithXclipByteForByte) {
    const char* display = getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "DISPLAY is not set: run the X11 tests through scripts/test.sh (Xvfb)";
    char folder[] = "/tmp/pixkit-x11-log-XXXXXX";
    ASSERT_TRUE(mkdtemp(folder));
    ASSERT_EQ(chdir(folder), 0);
    setenv("XDG_RUNTIME_DIR", folder, 1);   // instance slot 0 whatever else runs
    unsetenv("PIXKIT_BACKEND");
    exit_process_after_termination = false;
    std::atomic<int> result{-1};
    std::thread program([&] {
        static char name[] = "pixkit-log-test";
        char* argv[] = {name, nullptr};
        result.store(PixkitMain(1, argv));
    });
    EXPECT_TRUE(DriverWaitFor([] { return copy_result.load() >= 0; }, 30000));
    EXPECT_EQ(copy_result.load(), 0);
    std::string expected = LogText();
    std::string file = ReadFileBytes(std::string(folder) + "/PIXKIT00.LOG");
    EXPECT_TRUE(file == expected) << file.size() << " bytes in the file, " << expected.size() << " printed";
    std::string copied = RunCommand("timeout 20 xclip -o -selection clipboard -t UTF8_STRING");
    EXPECT_EQ(copied.size(), expected.size());
    EXPECT_TRUE(copied == expected);
    WindowId mw = main_window.load();
    if (mw) PlatPostMessage(mw, MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    program.join();
    EXPECT_EQ(result.load(), 0);
    RunCommand(std::string("rm -rf ") + folder);
}
