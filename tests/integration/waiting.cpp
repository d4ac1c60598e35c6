// Waiting for messages on the worker: PXK_WaitForMessages sleeps until a message for the
// worker's windows comes, Stop or Exit is chosen, or the time is over, so a waiting program
// keeps its windows working without spinning and Stop ends its wait at once.
#include "support/harness.h"

#include "platform/window/window.h"
#include "platform/system.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"

#include <gtest/gtest.h>

static std::atomic<WindowId> worker_window{0};
static std::atomic<int> wakes{0};
static std::atomic<int> user_messages{0};

static intptr_t WorkerWindowProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_USER) user_messages.fetch_add(1);
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

void UserSetup(void) {
    WindowClassDesc d{"test_waiting_window", WorkerWindowProc, 0, 0x00000000};
    PlatRegisterClass(&d);
    worker_window.store(MakeTopWindow("test_waiting_window", 100, 100, 200, 150));
    StartRequested.store(1);
}

// Waits a minute at a time: only a wake-up ends a wait within a test's patience.
void UserMain(void) {
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_WaitForMessages(60000);
        wakes.fetch_add(1);
        PXK_PumpMessages();
        StopRequested.store(0);
    }
}

TEST(Waiting, MessagesStopAndExitEndTheWaitAndNothingElseDoes) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }));
    ASSERT_TRUE(DriverWaitIdle());
    const int idle = wakes.load();
    EXPECT_FALSE(DriverWaitFor([idle] { return wakes.load() != idle; }, 300));

    // A message for one of the worker's windows is served at once.
    PlatPostMessage(worker_window.load(), MSG_USER, 0, 0);
    ASSERT_TRUE(DriverWaitFor([] { return user_messages.load() == 1; }, 5000));
    EXPECT_GT(wakes.load(), idle);

    // Stop wakes the waiting program (the command alone: a click would also move the focus,
    // which tells the worker's window by a message of its own).
    ASSERT_TRUE(DriverWaitIdle());
    const int before_stop = wakes.load();
    PlatPostMessage(MainWindow(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_STOP, 0), 0);
    ASSERT_TRUE(DriverWaitFor([before_stop] { return wakes.load() > before_stop; }, 5000));

    // So does Exit: the program leaves its loop and the worker ends by itself.
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_FALSE(WorkerWasTerminated());
    EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 0);
}
