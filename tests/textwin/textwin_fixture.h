// Shared helpers of the text window tests: a user program whose UserMain runs jobs the test
// hands it on the worker thread, readers of a text window's cursor and client pixels, and
// reference pixels drawn by the layer's own text output into a separate surface.
#pragma once

#include "support/harness.h"
#include "support/worker_jobs.h"
#include "support/outside_io.h"

#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/draw/surface.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "runtime/run_control.h"
#include "textwin/text_window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include <stdlib.h>
#include <unistd.h>

// ---- The program: UserMain serves the jobs the test hands it ---------------------------

void UserSetup(void) { StartRequested.store(1); }
void UserMain(void) { ServeJobsUntilExit(); }

// ---- Reading a text window --------------------------------------------------------------

struct Cursor {
    int x, y;
};
[[maybe_unused]] static bool operator==(const Cursor& a, const Cursor& b) { return a.x == b.x && a.y == b.y; }
[[maybe_unused]] static std::ostream& operator<<(std::ostream& os, const Cursor& c) { return os << "(" << c.x << ", " << c.y << ")"; }

[[maybe_unused]] static Cursor CursorOf(int id) {
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    return Cursor{rec->cur_x, rec->cur_y};
}

static WindowId HandleOf(int id) { return text_windows[id].hwnd.load(); }

[[maybe_unused]] static int LogStateOf(int id) {
    TextWindowRecord* rec = &text_windows[id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    return rec->log_state;
}

// Pixels drawn by the layer's text output: the text on opaque cells at (0, 0), console font.
struct Reference {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
};

static Reference ReferenceText(const char16_t* text, uint32_t fg, uint32_t bg) {
    Reference r;
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    int count = Utf16Length(text);
    PlatSize size = PlatGetTextExtent(dc, text, count);
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, size.cx > 0 ? size.cx : 1, size.cy, 32) == 0) {
        PlatSelectSurface(dc, s);
        PlatSetTextColor(dc, fg);
        PlatSetBackColor(dc, bg);
        PlatSetBackMode(dc, BACK_OPAQUE);
        PlatTextOut(dc, 0, 0, text, count);
        r.width = size.cx;
        r.height = size.cy;
        for (int y = 0; y < r.height; y++)
            for (int x = 0; x < r.width; x++) r.pixels.push_back(((uint32_t*)SurfaceRow(s, y))[x] & 0xFFFFFFu);
        PlatDestroySurface(s);
    }
    PlatDeleteContext(dc);
    return r;
}

// The client pixels of a window as the screen shows them.
struct Screen {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t at(int x, int y) const { return pixels[(size_t)y * width + x] & 0xFFFFFFu; }
};

static Screen ScreenOf(int id) {
    Screen s;
    s.pixels = DriverClientPixels(HandleOf(id), &s.width, &s.height);
    return s;
}

// Compares the reference cell by cell (8-pixel columns) with the screen at (x, y); an empty
// string when they match, else where the first cell differs.
static std::string CompareCells(const Screen& s, int x, int y, const Reference& r) {
    if (r.width == 0) return "empty reference";
    if (x + r.width > s.width || y + r.height > s.height) return "reference outside the window";
    for (int cx = 0; cx < r.width; cx += 8)
        for (int yy = 0; yy < r.height; yy++)
            for (int xx = cx; xx < cx + 8 && xx < r.width; xx++)
                if (s.at(x + xx, y + yy) != r.pixels[(size_t)yy * r.width + xx])
                    return "cell at x " + std::to_string(x + cx) + " differs at (" + std::to_string(x + xx) + ", " +
                           std::to_string(y + yy) + ")";
    return "";
}

static bool ShowsText(int id, int x, int y, const Reference& r) { return CompareCells(ScreenOf(id), x, y, r).empty(); }

// True when every pixel of the rectangle has this colour.
[[maybe_unused]] static bool AllColor(const Screen& s, PlatRect r, uint32_t color) {
    for (int y = r.top; y < r.bottom; y++)
        for (int x = r.left; x < r.right; x++)
            if (s.at(x, y) != color) return false;
    return true;
}

// Waits until the screen shows the reference at (x, y), and reports the difference if not.
#define EXPECT_SHOWS(id, x, y, ref)                                                               \
    do {                                                                                         \
        bool shown_ = DriverWaitFor([&] { return ShowsText((id), (x), (y), (ref)); }, 5000);     \
        EXPECT_TRUE(shown_) << CompareCells(ScreenOf(id), (x), (y), (ref));                      \
    } while (0)

// The program started in a fresh folder of its own (where log files go), removed afterwards.
class TextWindowsInFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/pixkit-textwin-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        ASSERT_EQ(chdir(folder.c_str()), 0);
        ASSERT_TRUE(StartProgram());
        ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }, HARNESS_TIMEOUT_MS));
    }
    void TearDown() override {
        if (ProgramRunning()) StopProgram();
        if (!folder.empty()) RunCommand("rm -rf '" + folder + "'");
    }
    std::string folder;
};

class TextWindows : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(StartProgram());
        ASSERT_TRUE(DriverWaitFor([] { return worker_stage.load() == WORKER_MAIN; }, HARNESS_TIMEOUT_MS));
    }
    void TearDown() override {
        if (ProgramRunning()) StopProgram();
    }
};
