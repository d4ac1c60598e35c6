// A user program whose set-up entry opens a window and asks to start at once: UserMain runs
// without Start and computes without ever pumping, so Exit has to terminate the worker. From
// then on the worker runs no more code (its count stops), its window is gone, its exit code
// reads 1; a child process shows that the program then ends the process itself, with status
// 0, without returning from the entry.
#include "support/harness.h"

#include "platform/system.h"
#include "platform/window/window.h"
#include "framework/startup.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

static std::atomic<WindowId> worker_window{0};
static std::atomic<long> count{0};

static intptr_t WorkerWindowProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

void UserSetup(void) {
    WindowClassDesc d{"test_worker_window", WorkerWindowProc, 0, 0x00000000};
    PlatRegisterClass(&d);
    worker_window.store(MakeTopWindow("test_worker_window", 100, 100, 200, 150));
    StartRequested.store(1);
}

// A program that computes for ever and never calls the framework.
void UserMain(void) {
    for (;;) count.fetch_add(1, std::memory_order_relaxed);
}

TEST(AutoStart, TheSetUpEntryStartsUserMainWithoutStartAndDropsAreSwitchedOff) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }));
    EXPECT_EQ(Running.load(), 1);
    EXPECT_EQ(StartRequested.load(), 0);
    EXPECT_FALSE(PlatAcceptsFiles(MainWindow()));
    EXPECT_TRUE(PlatIsWindow(worker_window.load()));
    EXPECT_EQ(StopProgram(), 0);
}

TEST(AutoStart, ExitWhileUserMainComputesStopsTheWorkerWhereItStands) {
    ASSERT_TRUE(StartProgram());
    ASSERT_TRUE(DriverWaitFor([] { return count.load() > 0; }));
    ASSERT_TRUE(PressMenuBarItem(2));
    EXPECT_EQ(WaitProgramEnd(), 0);
    EXPECT_TRUE(WorkerWasTerminated());
    EXPECT_EQ(PlatGetThreadExitCode(worker_thread), 1);
    EXPECT_FALSE(PlatIsWindow(worker_window.load()));
    EXPECT_EQ(ExitState.load(), PXK_EXIT_ACKNOWLEDGED);
    EXPECT_EQ(StopRequested.load(), 1);
    EXPECT_EQ(worker_stage.load(), WORKER_MAIN);
    // The worker ran on while Exit waited; from the termination on it counts no more.
    const long stopped_at = count.load();
    EXPECT_FALSE(DriverWaitFor([stopped_at] { return count.load() != stopped_at; }, 300));
}

// Child side: runs the program as a real process would, chooses Exit once UserMain runs,
// and reports through stdout. Skipped unless started by the test below.
TEST(AutoStart, ChildProcessRun) {
    if (!getenv("PIXKIT_TEST_CHILD")) GTEST_SKIP() << "runs only as a child process";
    std::thread exit_chooser([] {
        DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN && main_window.load() != 0; }, 10000);
        PlatPostMessage(main_window.load(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    });
    exit_chooser.detach();
    static char name[] = "child";
    char* argv[] = {name, nullptr};
    int rc = PixkitMain(1, argv);
    printf("entry returned %d\n", rc);
    fflush(stdout);
    _exit(3);
}

TEST(AutoStart, AfterTerminatingTheWorkerTheProcessEndsWithoutReturningFromTheEntry) {
    char dir[] = "/tmp/pixkit-test-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char out_path[128];
    snprintf(out_path, sizeof out_path, "%s/out.txt", dir);
    pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        FILE* f = freopen(out_path, "w", stdout);
        (void)f;
        setenv("PIXKIT_TEST_CHILD", "1", 1);
        setenv("PIXKIT_BACKEND", "headless", 1);
        setenv("XDG_RUNTIME_DIR", dir, 1);
        execl("/proc/self/exe", "child", "--gtest_filter=AutoStart.ChildProcessRun", (char*)nullptr);
        _exit(127);
    }
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    char text[4096] = {0};
    FILE* f = fopen(out_path, "r");
    ASSERT_NE(f, nullptr);
    size_t n = fread(text, 1, sizeof text - 1, f);
    text[n] = 0;
    fclose(f);
    EXPECT_EQ(strstr(text, "entry returned"), nullptr) << text;
    unlink(out_path);
    char lock[160];
    for (int i = 0; i < 10; i++) {
        snprintf(lock, sizeof lock, "%s/pixkit_mw%d-headless", dir, i);
        unlink(lock);
    }
    rmdir(dir);
}
