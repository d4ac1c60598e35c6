// Run control on the real program: Start, Stop and Exit from the menu bar and the keys, the
// worker's stages, the exit codes, and Exit chosen inside a nested pump of the main thread.
// The user program waits in UserSetup's idle state until the test starts it.
#include "support/harness.h"

#include "platform/system.h"
#include "platform/window/window.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"

#include <gtest/gtest.h>

static std::atomic<int> main_entries{0};
static std::atomic<int> stop_seen_at_entry{-1};
static std::atomic<bool> return_from_main{false};

void UserSetup(void) {}

void UserMain(void) {
    stop_seen_at_entry.store(StopRequested.load());
    main_entries.fetch_add(1);
    while (!return_from_main.load()) {
        // After Exit it computes on without the framework, until it is terminated.
        if (ExitState.load() != PXK_EXIT_NONE) continue;
        PXK_PumpMessages();
        PXK_WaitForMessages(5);
    }
}

static bool WaitStage(int stage) {
    return DriverWaitFor([stage] { return worker_stage.load() == stage; }, HARNESS_TIMEOUT_MS);
}

TEST(RunControl, StartFromTheMenuBarEntersUserMainOnceEvenWhenPressedTwice) {
    ASSERT_TRUE(StartProgram());
    EXPECT_EQ(worker_stage.load(), WORKER_IDLE);
    EXPECT_EQ(Running.load(), 0);
    ASSERT_TRUE(PressMenuBarItem(0));
    ASSERT_TRUE(WaitStage(WORKER_MAIN));
    EXPECT_EQ(Running.load(), 1);
    EXPECT_EQ(StartRequested.load(), 0);
    ASSERT_TRUE(PressMenuBarItem(0));
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(StartRequested.load(), 0);
    EXPECT_EQ(main_entries.load(), 1);
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_TRUE(WorkerWasTerminated());
    EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 1);
}

TEST(RunControl, StopBeforeStartIsClearedWhenUserMainBegins) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(PressMenuBarItem(1));
    ASSERT_TRUE(DriverWaitFor([] { return StopRequested.load() == 1; }));
    EXPECT_EQ(Running.load(), 0);
    PressMainWindowKey('S');
    ASSERT_TRUE(WaitStage(WORKER_MAIN));
    EXPECT_EQ(stop_seen_at_entry.load(), 0);
    EXPECT_EQ(StopRequested.load(), 0);
    PressMainWindowKey('C');
    EXPECT_TRUE(DriverWaitFor([] { return StopRequested.load() == 1; }));
    EXPECT_EQ(StopProgram(), 0);
}

TEST(RunControl, ExitBeforeStartEndsTheWorkerByItself) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(PressMenuBarItem(2));
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_EQ(ExitState.load(), 2);
    EXPECT_EQ(worker_stage.load(), WORKER_ENDED);
    EXPECT_FALSE(WorkerWasTerminated());
    EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 0);
    EXPECT_EQ(main_entries.load(), 0);
}

TEST(RunControl, TheKeysXAndEscapeExitAndCtrlXDoesNot) {
    ASSERT_TRUE(StartProgram());
    PressMainWindowKey('X', INPUT_MOD_CONTROL);
    PressMainWindowKey('S', INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_TRUE(ProgramRunning());
    EXPECT_EQ(StartRequested.load(), 0);
    PressMainWindowKey(KEY_ESCAPE);
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_EQ(ExitState.load(), 2);

    ASSERT_TRUE(StartProgram());
    PressMainWindowKey('X');
    EXPECT_EQ(WaitProgramEnd(), 0);
}

TEST(RunControl, AUserMainThatReturnsLeavesTheWorkerServingAndExitEndsItAtOnce) {
    return_from_main.store(true);
    ASSERT_TRUE(StartProgram());
    PressMainWindowKey('S');
    ASSERT_TRUE(WaitStage(WORKER_MAIN_RETURNED));
    EXPECT_EQ(Running.load(), 1);
    // Start stays refused: the main entry runs once.
    PressMainWindowKey('S');
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(main_entries.load(), 1);
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_FALSE(WorkerWasTerminated());
    EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 0);
    EXPECT_EQ(worker_stage.load(), WORKER_ENDED);
}

TEST(RunControl, ExitChosenInsideANestedPumpStillEndsTheMainLoop) {
    ASSERT_TRUE(StartProgram());
    WindowId mw = MainWindow();
    PlatRect r = DriverWindowRect(mw);
    // Holding the button on the caption keeps the main thread in the layer's move loop.
    int x = r.left + 40, y = r.top + 10;
    DriverMovePointer(x, y);
    DriverButton(x, y, BUTTON_LEFT, true);
    DriverMovePointer(x + 5, y - 5);
    ASSERT_TRUE(DriverWaitFor([mw] { return PlatGetCapture() == mw; }));
    PlatPostMessage(mw, MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_FALSE(PlatIsWindow(mw));
    DriverButton(x + 5, y - 5, BUTTON_LEFT, false);
}
