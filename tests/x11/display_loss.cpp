// The real pixkit program on an X server of its own that goes away under it: the program
// ends with exit status 1 and says why in one line on stderr, instead of hanging. Once as the
// application, and in rounds as a program whose worker prints into a logged text window
// without pause, so that the display goes while a window's pixels are being painted (the
// worker holds the window and waits for the display thread, which holds the pixels): the end
// must wait for neither, and the log keeps whole lines.
#include "x11_fixture.h"

#include "framework/startup.h"
#include "platform/driver/driver.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/run_control.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

// The printing program (only in the child process that ChildProcessRun starts).
extern "C" void UserSetup(void) { StartRequested.store(1); }
extern "C" void UserMain(void) {
    PXK_OpenTextWindow(0, 10, 10, 400, 300);
    PXK_StartLog(0);
    for (int i = 0;; i++) PXK_Printf("line %d\n", i);
}

TEST(X11DisplayLoss, ChildProcessRun) {
    if (!getenv("PIXKIT_TEST_CHILD")) GTEST_SKIP() << "runs only as a child process";
    static char name[] = "printer";
    char* argv[] = {name, nullptr};
    _exit(PixkitMain(1, argv));
}

namespace {

// Starts a private Xvfb; returns its display number ("" when it could not start).
std::string StartServer(pid_t* server) {
    int fds[2];
    if (pipe(fds) != 0) return "";
    *server = fork();
    if (*server == 0) {
        dup2(fds[1], 1);
        close(fds[0]);
        int null_fd = open("/dev/null", O_WRONLY);
        dup2(null_fd, 2);
        execlp("Xvfb", "Xvfb", "-displayfd", "1", "-screen", "0", "800x600x24", "-nolisten", "tcp", (char*)nullptr);
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number.push_back(c);
    close(fds[0]);
    return number;
}

// Waits for a child to end, at most timeout_ms; its wait status, or -1 on timeout.
int WaitForExit(pid_t child, int timeout_ms) {
    int fd = (int)syscall(SYS_pidfd_open, child, 0);
    if (fd < 0) return -1;
    pollfd p{fd, POLLIN, 0};
    int ready = poll(&p, 1, timeout_ms);
    close(fd);
    int status = -1;
    if (ready != 1 || waitpid(child, &status, 0) != child) return -1;
    return status;
}

// Runs a program on a fresh server, in a fresh folder that is its start folder and its
// runtime folder; waits until ready(display, folder) holds, kills the server and waits for
// the program to end.
struct LossRun {
    int status = -1;      // wait status, -1 when it did not end within 10 s
    std::string err;      // what it wrote on stderr
    std::string log;      // its text window 0's log
};

using Ready = std::function<bool(const std::string& display, const std::string& folder)>;

LossRun RunAndLoseDisplay(const char* program, const char* filter, const Ready& ready) {
    LossRun run;
    pid_t server = -1;
    std::string number = StartServer(&server);
    EXPECT_FALSE(number.empty()) << "Xvfb could not start";
    if (number.empty()) return run;
    std::string display = ":" + number;
    char folder[] = "/tmp/pixkit-x11-lost-XXXXXX";
    if (!mkdtemp(folder)) return run;
    std::string err_path = std::string(folder) + "/stderr";

    pid_t child = fork();
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", folder, 1);
        setenv("PIXKIT_TEST_CHILD", "1", 1);
        unsetenv("PIXKIT_BACKEND");
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        if (chdir(folder) != 0) _exit(127);
        execl(program, "pixkit", filter, (char*)nullptr);
        _exit(127);
    }
    EXPECT_TRUE(DriverWaitFor([&] { return ready(display, folder); }, 20000)) << "the program did not get going";

    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    run.status = WaitForExit(child, 10000);
    if (run.status == -1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    run.err = ReadFileBytes(err_path);
    run.log = ReadFileBytes(std::string(folder) + "/PIXKIT00.LOG");
    RunCommand(std::string("rm -rf '") + folder + "'");
    return run;
}

void ExpectEndedWithOneLine(const LossRun& run) {
    ASSERT_NE(run.status, -1) << "the program did not end when its display went away";
    ASSERT_TRUE(WIFEXITED(run.status)) << "ended by signal " << WTERMSIG(run.status);
    EXPECT_EQ(WEXITSTATUS(run.status), 1);
    EXPECT_EQ(run.err, "pixkit: the connection to the X display was lost\n");
}

off_t FileSize(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

}  // namespace

TEST(X11DisplayLoss, ProgramEndsWithStatusOneAndOneLine) {
    LossRun run = RunAndLoseDisplay(PIXKIT_BINARY_DIR "/pixkit", nullptr, [](const std::string& display, const std::string&) {
        // xdotool waits for the window itself (--sync), bounded by timeout.
        return !RunCommand("DISPLAY=" + display + " timeout 20 xdotool search --sync --onlyvisible --name '^TextWindow 0$'")
                    .empty();
    });
    ExpectEndedWithOneLine(run);
}

TEST(X11DisplayLoss, AWorkerPrintingIntoALoggedWindowNeverHoldsTheEndUp) {
    enum { ROUNDS = 3, LOGGED_BYTES = 8 * 1024 };
    for (int round = 0; round < ROUNDS; round++) {
        SCOPED_TRACE("round " + std::to_string(round));
        // Going for a while: output, paints and log flushes all run when the display goes.
        LossRun run = RunAndLoseDisplay("/proc/self/exe", "--gtest_filter=X11DisplayLoss.ChildProcessRun",
                                        [](const std::string&, const std::string& folder) {
                                            return FileSize(folder + "/PIXKIT00.LOG") >= LOGGED_BYTES;
                                        });
        ExpectEndedWithOneLine(run);
        // The log holds whole lines 0, 1, 2 ... in order, everything that was printed.
        std::string expected;
        for (int i = 0; expected.size() < run.log.size(); i++) expected += "line " + std::to_string(i) + "\n";
        EXPECT_EQ(run.log.size(), expected.size());
        EXPECT_TRUE(run.log == expected) << "the log is not the printed lines";
        EXPECT_GE(run.log.size(), (size_t)LOGGED_BYTES);
    }
}
