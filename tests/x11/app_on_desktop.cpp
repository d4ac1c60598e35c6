// The real pixkit executable on an X display, used as a person would: its windows appear
// where the application puts them, a click on "go" (xdotool) opens the picture at (0, 300),
// and what the screen shows of the picture equals the pattern's rendering pixel for pixel.
#include "support/pattern_reference.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {

long NowMs() {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

// Polls until cond() holds; false after timeout_ms.
template <typename F>
bool WaitUntil(F cond, long timeout_ms) {
    long start = NowMs();
    for (;;) {
        if (cond()) return true;
        if (NowMs() - start > timeout_ms) return false;
        usleep(50000);
    }
}

// The window whose name is exactly `name`, or an empty string.
std::string FindWindow(const std::string& name) {
    std::string out = RunCommand("xdotool search --onlyvisible --name '^" + name + "$' 2>/dev/null");
    size_t end = out.find('\n');
    return end == std::string::npos ? std::string() : out.substr(0, end);
}

struct Geometry {
    int x = -1, y = -1, width = 0, height = 0;
};

// Where xwininfo says a window is ("-root" for the screen itself).
Geometry WindowGeometry(const std::string& id) {
    Geometry g;
    std::string info = RunCommand("xwininfo " + (id == "-root" ? id : "-id " + id) + " 2>/dev/null");
    auto field = [&](const char* key) {
        const char* at = strstr(info.c_str(), key);
        return at ? atoi(at + strlen(key)) : -1;
    };
    g.x = field("Absolute upper-left X:");
    g.y = field("Absolute upper-left Y:");
    g.width = field("Width:");
    g.height = field("Height:");
    return g;
}

std::vector<uint32_t> Screenshot(int x, int y, int w, int h) {
    char cmd[256];
    snprintf(cmd, sizeof cmd, "import -window root -crop %dx%d+%d+%d +repage -depth 8 rgb:- 2>/dev/null", w, h, x, y);
    std::string raw = RunCommand(cmd);
    std::vector<uint32_t> px;
    if (raw.size() != (size_t)w * (size_t)h * 3) return px;
    px.resize((size_t)w * (size_t)h);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = (uint32_t)(uint8_t)raw[i * 3] << 16 | (uint32_t)(uint8_t)raw[i * 3 + 1] << 8 | (uint8_t)raw[i * 3 + 2];
    return px;
}

class AppOnDesktop : public ::testing::Test {
protected:
    pid_t child = -1;
    int screen_w = 0, screen_h = 0;
    char runtime_dir[64] = "/tmp/pixkit-x11-app-XXXXXX";

    void SetUp() override {
        const char* display = getenv("DISPLAY");
        ASSERT_TRUE(display && *display) << "DISPLAY is not set: run the X11 tests through scripts/test.sh (Xvfb)";
        Geometry root = WindowGeometry("-root");
        screen_w = root.width;
        screen_h = root.height;
        ASSERT_GT(screen_h, 0) << "cannot reach the X display \"" << display << "\" (is Xvfb running?)";
        ASSERT_TRUE(mkdtemp(runtime_dir));
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // A private runtime folder gives the program instance slot 0 whatever else runs.
            setenv("XDG_RUNTIME_DIR", runtime_dir, 1);
            unsetenv("PIXKIT_BACKEND");
            execl(PIXKIT_BINARY_DIR "/pixkit", "pixkit", (char*)nullptr);
            _exit(127);
        }
    }
    void TearDown() override {
        if (child > 0) {
            kill(child, SIGKILL);
            waitpid(child, nullptr, 0);
        }
        RunCommand(std::string("rm -rf ") + runtime_dir);
    }
};

}  // namespace

TEST_F(AppOnDesktop, WindowsAppearAndGoShowsThePattern) {
    std::string text, buttons, inputs;
    ASSERT_TRUE(WaitUntil([&] {
        text = FindWindow("TextWindow 0");
        buttons = FindWindow("ButtonBox");
        inputs = FindWindow("InputBox");
        return !text.empty() && !buttons.empty() && !inputs.empty();
    }, 20000)) << "the application's windows did not appear";
    Geometry t = WindowGeometry(text), b = WindowGeometry(buttons), i = WindowGeometry(inputs);
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(b.x, 206);
    EXPECT_EQ(b.y, 0);
    EXPECT_EQ(i.x, 422);
    EXPECT_EQ(i.y, 0);

    // The main window's drop-in animation ends centred, its bottom on the bottom of the screen
    // (no panels under Xvfb, so the work area is the whole screen).
    std::string main_window = RunCommand("xdotool search --class '^pixkit_mw0$' 2>/dev/null");
    main_window = main_window.substr(0, main_window.find('\n'));
    ASSERT_FALSE(main_window.empty());
    Geometry m;
    EXPECT_TRUE(WaitUntil([&] {
        m = WindowGeometry(main_window);
        return m.y + m.height == screen_h;
    }, 5000)) << "main window at y " << m.y << ", height " << m.height;
    EXPECT_EQ(m.x, (screen_w - m.width) / 2);

    // "go" fills the button box's client area below the caption, 4 pixels in.
    int gx = b.x + b.width / 2, gy = b.y + b.height - 4 - 13;
    std::string image;
    ASSERT_TRUE(WaitUntil([&] {
        RunCommand("xdotool mousemove " + std::to_string(gx) + " " + std::to_string(gy) + " click 1");
        return WaitUntil([&] { return !(image = FindWindow("test_pattern\\(100%\\)\\*")).empty(); }, 3000);
    }, 15000)) << "no image window after clicking go";
    Geometry g;
    ASSERT_TRUE(WaitUntil([&] {
        g = WindowGeometry(image);
        return g.x == 0 && g.y == 300;
    }, 5000)) << "image window at (" << g.x << ", " << g.y << ")";
    EXPECT_EQ(g.width, 1350 + 2 * 4);
    EXPECT_EQ(g.height, 1050 + 2 * 4 + 23);

    // The visible part of the client area, below the caption, against the rendering.
    Canvas want = Pattern(1350, 1050, 300, 300);
    int cx = g.x + 4, cy = g.y + 4 + 23;
    int rows = screen_h - cy < 1050 ? screen_h - cy : 1050;
    ASSERT_GT(rows, 0);
    long bad = -1;
    ASSERT_TRUE(WaitUntil([&] {
        std::vector<uint32_t> shot = Screenshot(cx, cy, 1350, rows);
        if (shot.empty()) return false;
        bad = 0;
        for (int y = 0; y < rows; y++)
            for (int x = 0; x < 1350; x++) bad += shot[(size_t)y * 1350 + x] != want.px[(size_t)y * 1350 + x];
        return bad == 0;
    }, 10000)) << bad << " pixels differ";
}

// The centre of the menu-bar item at this position (0 Start, 1 Stop, 2 Exit): the items are
// found as the runs of dark text pixels along the bar, which lies below the 4-pixel frame and
// the 23-pixel caption and is 20 pixels high.
static bool MenuBarItemCentre(const Geometry& m, int position, int* x, int* y) {
    const int top = m.y + 4 + 23, inner = m.width - 8;
    std::vector<uint32_t> bar = Screenshot(m.x + 4, top, inner, 20);
    if (bar.empty()) return false;
    std::vector<std::pair<int, int>> runs;   // first and last column of each item's text
    int gap = 100;
    for (int cx = 0; cx < inner; cx++) {
        bool dark = false;
        for (int cy = 0; cy < 20; cy++) {
            uint32_t p = bar[(size_t)cy * inner + cx];
            dark |= ((p >> 16) & 255) < 0x60 && ((p >> 8) & 255) < 0x60 && (p & 255) < 0x60;
        }
        if (dark && gap > 6) runs.push_back({cx, cx});
        if (dark) runs.back().second = cx;
        gap = dark ? 0 : gap + 1;
    }
    if ((int)runs.size() <= position) return false;
    *x = m.x + 4 + (runs[position].first + runs[position].second) / 2;
    *y = top + 10;
    return true;
}

TEST_F(AppOnDesktop, ExitFromTheMenuBarEndsTheProgramWithStatusZero) {
    std::string main_window;
    ASSERT_TRUE(WaitUntil([&] {
        main_window = RunCommand("xdotool search --onlyvisible --class '^pixkit_mw0$' 2>/dev/null");
        main_window = main_window.substr(0, main_window.find('\n'));
        return !main_window.empty() && !FindWindow("TextWindow 0").empty();
    }, 20000)) << "the program did not come up";
    Geometry m;
    ASSERT_TRUE(WaitUntil([&] {
        m = WindowGeometry(main_window);
        return m.y + m.height == screen_h;
    }, 5000));
    int x = 0, y = 0;
    ASSERT_TRUE(WaitUntil([&] { return MenuBarItemCentre(m, 2, &x, &y); }, 5000)) << "no Exit item on the menu bar";
    RunCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1");
    // UserMain never returns, so Exit waits its two seconds, stops the worker and ends the
    // process as after any Exit.
    int status = -1;
    ASSERT_TRUE(WaitUntil([&] { return waitpid(child, &status, WNOHANG) == child; }, 15000))
        << "the program is still running after Exit";
    child = -1;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(FindWindow("TextWindow 0").empty());
}
