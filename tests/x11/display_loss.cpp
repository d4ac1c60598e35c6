// The real pixkit program on an X server of its own that goes away under it: the program
// ends with exit status 1 and says why in one line on stderr, instead of hanging.
#include "x11_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>


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

}  // namespace

TEST(X11DisplayLoss, ProgramEndsWithStatusOneAndOneLine) {
    pid_t server = -1;
    std::string number = StartServer(&server);
    ASSERT_FALSE(number.empty()) << "Xvfb could not start";
    std::string display = ":" + number;
    char runtime_dir[] = "/tmp/pixkit-x11-lost-XXXXXX";
    ASSERT_TRUE(mkdtemp(runtime_dir));
    std::string err_path = std::string(runtime_dir) + "/stderr";

    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("DISPLAY", display.c_str(), 1);
        setenv("XDG_RUNTIME_DIR", runtime_dir, 1);
        unsetenv("PIXKIT_BACKEND");
        int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(err, 2);
        execl(PIXKIT_BINARY_DIR "/pixkit", "pixkit", (char*)nullptr);
        _exit(127);
    }
    // xdotool waits for the window itself (--sync), bounded by timeout.
    std::string found =
        RunCommand("DISPLAY=" + display + " timeout 20 xdotool search --sync --onlyvisible --name '^TextWindow 0$'");
    EXPECT_FALSE(found.empty()) << "the program's text window did not appear";

    kill(server, SIGKILL);
    waitpid(server, nullptr, 0);
    int status = WaitForExit(child, 10000);
    if (status == -1) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    ASSERT_NE(status, -1) << "the program did not end when its display went away";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(ReadFileBytes(err_path), "pixkit: the connection to the X display was lost\n");
    RunCommand(std::string("rm -rf ") + runtime_dir);
}
