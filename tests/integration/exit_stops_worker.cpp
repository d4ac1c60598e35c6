// Exit and a user program that never returns to the idle loop. One that draws and shows its
// image without ever waiting is terminated after the wait of Exit, wherever it stands but
// never holding the window's pixels (or destroying its windows would wait for them for ever);
// one that waits in the framework is stopped in its next wait at once. Either way the worker
// ends as a terminated one: exit code 1, its windows gone, the program's entry returns 0.
#include "support/harness.h"

#include "imagewin/image_table.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "runtime/run_control.h"

#include <gtest/gtest.h>

enum { DRAWS, WAITS };
static std::atomic<int> mode{DRAWS};
static std::atomic<long> rounds{0};
static std::atomic<long> rounds_after_exit{0};

void UserSetup(void) {
    PXK_CreateImage(0, "drawn", 10, 10, 320, 240, 300);
    StartRequested = 1;
}

void UserMain(void) {
    for (long i = 0;; i++) {
        if (mode.load() == DRAWS) {
            PXK_DrawFilledBox(0, 0, 319, 239, 0xFFFFFF, (PXK_Color)(i * 0x010203));
            PXK_RedrawImage(0);
        } else {
            PXK_WaitForMessages(5);
        }
        rounds.fetch_add(1);
        if (ExitState.load() != PXK_EXIT_NONE) rounds_after_exit.fetch_add(1);
    }
}

TEST(ExitStopsWorker, ADrawingOrWaitingProgramEndsAsTerminatedEveryTime) {
    for (int m : {DRAWS, WAITS}) {
        mode.store(m);
        // The drawing case hung in a third of the runs while the stop could land under the
        // window's pixel lock.
        for (int run = 0; run < 3; run++) {
            SCOPED_TRACE(testing::Message() << (m == DRAWS ? "drawing" : "waiting") << " run " << run);
            rounds.store(0);
            rounds_after_exit.store(0);
            ASSERT_TRUE(StartProgram());
            ASSERT_TRUE(DriverWaitFor([] { return rounds.load() > 20; }));
            const WindowId image_window = image_table[0].window;
            ASSERT_TRUE(PlatIsWindow(image_window));
            EXPECT_EQ(StopProgram(), 0);
            EXPECT_TRUE(WorkerWasTerminated());
            EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 1);
            EXPECT_FALSE(PlatIsWindow(image_window));
            EXPECT_EQ(ExitState.load(), PXK_EXIT_ACKNOWLEDGED);
            // Woken by Exit, the waiting program gets back at most the wait it was in.
            if (m == WAITS) {
                EXPECT_LE(rounds_after_exit.load(), 1);
            }
        }
    }
}
