// The command console on the real program, typed into like a user: Space in a text window,
// a line, and what the window's log shows afterwards. The program does not start by itself,
// so "start" has something to start; "exit" ends the whole program.
#include "support/harness.h"
#include "support/outside_io.h"
#include "support/worker_jobs.h"

#include "runtime/run_control.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

void UserSetup(void) {
    PXK_OpenTextWindow(0, 10, 10, 600, 400);
    PXK_StartLog(0);
}
void UserMain(void) { ServeJobsUntilExit(); }

class Console : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixkit-console-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_TRUE(StartProgram());
    }
    void TearDown() override {
        if (ProgramRunning()) StopProgram();
        RunCommand("rm -rf '" + folder + "'");
    }
    std::string LogText(void) { return ReadFileBytes(folder + "/PIXKIT" + std::to_string(instance_slot) + "0.LOG"); }

    // Space in window 0, then the line typed and Enter; waits until the log has grown by
    // what the console is expected to print. At once: Space is typed as a keyboard sends it
    // (its key, then its character), and the line follows without waiting for the prompt.
    void Type(const std::string& line, const std::string& printed, bool at_once = false) {
        expected += "Cmd>" + line + "\n" + printed;
        PlatRect client = DriverClientRectScreen(text_windows[0].hwnd.load());
        DriverClick(client.left + 300, client.top + 300);
        ASSERT_TRUE(DriverWaitIdle());
        if (at_once) {
            DriverType((" " + line + "\n").c_str());
            EXPECT_TRUE(DriverWaitFor([&] { return LogText() == expected; })) << LogText();
            return;
        }
        DriverKey(KEY_SPACE);
        ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 1; }));
        DriverType((line + "\n").c_str());
        EXPECT_TRUE(DriverWaitFor([&] { return LogText() == expected; })) << LogText();
    }

    std::string folder, expected;
};

static const char INVALID[] = "Invalid command\n";

TEST_F(Console, EveryCommandWordAndWhatIsNotOne) {
    const std::vector<std::pair<std::string, std::string>> lines = {
        {"color", "Red  :255\nGreen:255\nBlue :255\npxk_tttc=ffffff\npxk_tc=000000\n"},
        {"help", "Command list:exit help start ver color\n"},
        {"ver", "PIXKIT version " PIXKIT_VERSION "\n"},
        {"Help", INVALID}, {" help", INVALID}, {"help ", INVALID}, {"", INVALID}, {"colour", INVALID},
    };
    for (const auto& l : lines) Type(l.first, l.second);
    EXPECT_EQ(Running.load(), 0);

    Type("start", "");
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }));
    ASSERT_TRUE(OnWorker([] {
        PXK_SetDrawColor(0x12AB05);
        PXK_SetTextColor(0x0A0B0C);
    }));
    Type("color", "Red  : 18\nGreen:171\nBlue :  5\npxk_tttc=ffffff\npxk_tc=0a0b0c\n");
}

TEST_F(Console, StartTwiceStartsOnceAndExitEndsTheProgramWithTheWorkerLeavingByItself) {
    Type("start", "");
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }));
    const std::string status = StatusText();
    Type("start", "");
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(worker_stage.load(), WORKER_MAIN);
    EXPECT_EQ(StatusText(), status);

    Type("exit", "");
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_EQ(worker_stage.load(), WORKER_ENDED);
}

// The Space that opens the console never reaches the line, and what is typed before the
// prompt is up is kept for it.
TEST_F(Console, SpaceAndTheCommandTypedInOneBurstRunTheCommand) {
    Type("ver", "PIXKIT version " PIXKIT_VERSION "\n", true);
    Type("help", "Command list:exit help start ver color\n", true);
    Type(" help", INVALID, true);
}
