// Instance slots across real processes: each child is this test binary running the program
// on its main thread with a private runtime folder. Children take the lowest free slot, a
// slot comes free when its process ends (however it ends), and the eleventh program says
// "Over instance limit!" on stderr and exits with 1, also where no one could answer a box.
#include "support/harness.h"
#include "support/outside_io.h"

#include "framework/startup.h"
#include "runtime/entry.h"
#include "platform/backend.h"
#include "platform/window/window.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <poll.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

static intptr_t FillerProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

// Takes every free place of the layer's window table, so that no further window can be made.
static void FillWindowTable(void) {
    if (PlatStartBackend() != 0) return;
    WindowClassDesc d{"test_filler", FillerProc, 0, 0x00000000};
    PlatRegisterClass(&d);
    WindowCreate c{};
    c.class_name = "test_filler";
    c.width = 1;
    c.height = 1;
    while (PlatCreateWindow(&c) != 0) {
    }
}

// Child side: reports its slot once the worker is idle, then runs until it is killed.
TEST(InstanceSlots, ChildProcessRun) {
    if (!getenv("PIXKIT_TEST_CHILD")) GTEST_SKIP() << "runs only as a child process";
    if (getenv("PIXKIT_TEST_FILL_WINDOWS")) FillWindowTable();
    std::thread reporter([] {
        if (DriverWaitFor([] { return worker_stage.load() >= WORKER_IDLE; }, 20000)) {
            printf("slot %d\n", instance_slot);
            fflush(stdout);
        }
    });
    reporter.detach();
    static char name[] = "child";
    char* argv[] = {name, nullptr};
    int rc = PixkitMain(1, argv);
    printf("entry returned %d\n", rc);
    fflush(stdout);
    _exit(rc);
}

namespace {

struct Child {
    pid_t pid = -1;
    int out = -1;   // read end of the child's stdout
};

std::string g_dir;

// answer_boxes: boxes are printed and answered at once; without it a box waits for a user.
Child Spawn(const std::string& err_path, bool fill_windows = false, bool answer_boxes = true) {
    Child c;
    int fds[2];
    if (pipe(fds) != 0) return c;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fds[1], 1);
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) dup2(err, 2);
        close(fds[0]);
        setenv("PIXKIT_TEST_CHILD", "1", 1);
        setenv("PIXKIT_BACKEND", "headless", 1);
        if (answer_boxes) setenv("PIXKIT_HEADLESS_AUTOANSWER", "1", 1);
        else unsetenv("PIXKIT_HEADLESS_AUTOANSWER");
        setenv("XDG_RUNTIME_DIR", g_dir.c_str(), 1);
        if (fill_windows) setenv("PIXKIT_TEST_FILL_WINDOWS", "1", 1);
        execl("/proc/self/exe", "child", "--gtest_filter=InstanceSlots.ChildProcessRun", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    c.pid = pid;
    c.out = fds[0];
    return c;
}

// Reads one line of the child's output, waiting at most timeout_ms.
std::string ReadLine(const Child& c, int timeout_ms = 20000) {
    std::string line;
    char ch;
    while (true) {
        struct pollfd p{c.out, POLLIN, 0};
        if (poll(&p, 1, timeout_ms) <= 0) return line;
        if (read(c.out, &ch, 1) != 1) return line;
        if (ch == '\n') return line;
        line += ch;
    }
}

// The child's report line ("slot N" or "entry returned N"), skipping the test runner's own.
std::string ReadReport(const Child& c) {
    for (;;) {
        std::string line = ReadLine(c);
        if (line.empty() || line.rfind("slot ", 0) == 0 || line.rfind("entry returned", 0) == 0) return line;
    }
}

int SlotOf(const Child& c) {
    std::string line = ReadReport(c);
    int slot = -1;
    if (sscanf(line.c_str(), "slot %d", &slot) != 1) return -1;
    return slot;
}

void Kill(Child& c) {
    if (c.pid <= 0) return;
    kill(c.pid, SIGKILL);
    int status;
    waitpid(c.pid, &status, 0);
    close(c.out);
    c.pid = -1;
}

class InstanceSlotRun : public ::testing::Test {
protected:
    void SetUp() override {
        char dir[] = "/tmp/pixkit-slots-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        g_dir = dir;
    }
    void TearDown() override {
        for (Child& c : children) Kill(c);
        std::string cmd = "rm -rf '" + g_dir + "'";
        if (system(cmd.c_str()) != 0) {
        }
    }
    std::string ErrPath(int i) { return g_dir + "/err" + std::to_string(i) + ".txt"; }
    std::vector<Child> children;
};

TEST_F(InstanceSlotRun, ProgramsTakeTheLowestFreeSlotAndAFreedSlotIsTakenAgain) {
    for (int i = 0; i < 3; i++) {
        children.push_back(Spawn(ErrPath(i)));
        EXPECT_EQ(SlotOf(children.back()), i);
    }
    Kill(children[0]);
    children.push_back(Spawn(ErrPath(3)));
    EXPECT_EQ(SlotOf(children.back()), 0);
}

TEST_F(InstanceSlotRun, ProgramsStartedTogetherNeverShareASlotAndTheEleventhIsRefused) {
    for (int i = 0; i < 10; i++) children.push_back(Spawn(ErrPath(i)));
    std::set<int> slots;
    for (Child& c : children) slots.insert(SlotOf(c));
    EXPECT_EQ(slots, (std::set<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    // Run as a script would, with no one to answer a box: it says so on stderr and ends.
    Child last = Spawn(ErrPath(10), false, false);
    EXPECT_EQ(ReadReport(last), "entry returned 1");
    int status = 0;
    ASSERT_EQ(waitpid(last.pid, &status, 0), last.pid);
    close(last.out);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(ErrPath(10)), "PIXKIT: Over instance limit!\n");
}

}  // namespace

// The child's exit status once it has ended by itself (-1 if it did not end normally).
static int ExitStatus(Child& c) {
    int status = 0;
    if (waitpid(c.pid, &status, 0) != c.pid) return -1;
    close(c.out);
    c.pid = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST_F(InstanceSlotRun, SlotsAreLockedPerDesktopInTheUsersOwnFolder) {
    children.push_back(Spawn(ErrPath(0)));
    ASSERT_EQ(SlotOf(children.back()), 0);
    // The headless screen is a desktop of its own, beside the X displays.
    EXPECT_EQ(access((g_dir + "/pixkit_mw0-headless").c_str(), F_OK), 0);
    EXPECT_NE(access((g_dir + "/pixkit_mw0").c_str(), F_OK), 0);
}

TEST_F(InstanceSlotRun, AFolderOthersMayWriteIsRefusedWithTheReason) {
    ASSERT_EQ(chmod(g_dir.c_str(), 0777), 0);
    Child c = Spawn(ErrPath(0));
    EXPECT_EQ(ReadReport(c), "entry returned 1");
    EXPECT_EQ(ExitStatus(c), 1);
    const std::string err = ReadFileBytes(ErrPath(0));
    EXPECT_NE(err.find("PIXKIT: the lock folder " + g_dir + " is writable by others\n"), std::string::npos) << err;
    EXPECT_EQ(err.find("Over instance limit!"), std::string::npos) << err;
    chmod(g_dir.c_str(), 0700);
}

TEST_F(InstanceSlotRun, AMainWindowThatCannotBeMadeEndsTheProgramWithStatusOne) {
    Child c = Spawn(ErrPath(0), true);
    EXPECT_EQ(ReadReport(c), "entry returned 1");
    EXPECT_EQ(ExitStatus(c), 1);
    const std::string err = ReadFileBytes(ErrPath(0));
    EXPECT_NE(err.find("PIXKIT: the main window could not be created\n"), std::string::npos) << err;
}
