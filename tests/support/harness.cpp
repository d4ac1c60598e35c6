// Shared helpers for tests that run the real program on the headless backend: the program
// entry on its own thread, start and stop with bounded waits, and small readers and drivers
// of the main window.
#include "harness.h"

#include "platform/backend.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"
#include "framework/startup.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"
#include "runtime/shared_ops.h"
#include "runtime/startup_state.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdlib.h>
#include <thread>

// Test files that are not interested in the user program leave these out.
__attribute__((weak)) void UserSetup(void) {}
__attribute__((weak)) void UserMain(void) {
    while (ExitState.load() == 0) {
        PXK_PumpMessages();
        PlatWaitMessage(5);
    }
}

static std::thread g_program;
static std::atomic<bool> g_running{false};
static std::atomic<int> g_result{-1};

// A test that leaves the program running gets it stopped when the process ends, instead of
// a std::thread destroyed while joinable.
static struct ProgramGuard {
    ~ProgramGuard() {
        if (g_running.load()) StopProgram();
        if (g_program.joinable()) g_program.detach();
    }
} g_guard;

// A worker that Exit had to stop stays parked wherever it was, perhaps holding a lock of the
// allocator; the static destructors that run when the test process ends could then wait for
// it for ever. The program itself ends with _exit after such a stop; a test process that saw
// one ends the same way, with the tests' verdict as its status, as soon as the results are
// printed. The atexit handler only backs that up: any function-local static first built
// while a program ran registers its destructor after it, and such a destructor runs first.
static std::atomic<bool> g_worker_was_stopped{false};

static void EndWithoutDestructorsAfterAStoppedWorker(void) {
    if (!g_worker_was_stopped.load()) return;
    EndProcessAfterStoppedWorker(::testing::UnitTest::GetInstance()->Passed() ? 0 : 1);
}

class EndAfterResults : public ::testing::EmptyTestEventListener {
    void OnTestProgramEnd(const ::testing::UnitTest&) override { EndWithoutDestructorsAfterAStoppedWorker(); }
};

// The end of the test program reaches the listeners last to first, so ours goes in before the
// result printer and runs once the printer has printed everything.
static bool RegisterEndOfProcess(void) {
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    ::testing::TestEventListener* printer = listeners.Release(listeners.default_result_printer());
    listeners.Append(new EndAfterResults);
    if (printer) listeners.Append(printer);
    return atexit(EndWithoutDestructorsAfterAStoppedWorker) == 0;
}

static void ProgramThread(void) {
    static char name[] = "pixkit-test";
    char* argv[] = {name, nullptr};
    g_result.store(PixkitMain(1, argv));
    if (WorkerWasTerminated()) g_worker_was_stopped.store(true);
    g_running.store(false);
}

bool StartProgram(int width, int height, int bits) {
    if (g_running.load()) return false;
    if (g_program.joinable()) g_program.join();
    static bool registered = RegisterEndOfProcess();
    (void)registered;
    PlatStartHeadless(width, height, bits);
    // The harness goes on after the program ends, so the entry must return even when it
    // had to terminate the worker.
    exit_process_after_termination = false;
    g_result.store(-1);
    g_running.store(true);
    g_program = std::thread(ProgramThread);
    return DriverWaitFor([] {
        return !g_running.load() ||
               (main_loop_running.load() && worker_stage.load() >= WORKER_IDLE);
    }, HARNESS_TIMEOUT_MS) && g_running.load();
}

int WaitProgramEnd(int timeout_ms) {
    if (!DriverWaitFor([] { return !g_running.load(); }, timeout_ms)) return -1;
    if (g_program.joinable()) g_program.join();
    return g_result.load();
}

int StopProgram(int timeout_ms) {
    WindowId mw = MainWindow();
    if (mw) PlatPostMessage(mw, MSG_COMMAND, (uintptr_t)MakeParam(CMD_EXIT, 0), 0);
    return WaitProgramEnd(timeout_ms);
}

bool ProgramRunning(void) { return g_running.load(); }

WindowId MainWindow(void) {
    WindowId w = main_window.load();
    return PlatIsWindow(w) ? w : 0;
}

bool MenuBarItemRect(WindowId window, int position, PlatRect* rect) {
    PlatRect wr;
    if (PlatGetWindowRect(window, &wr) != 0) return false;
    // Walk across the bar's row until the item at this position is found.
    int y = PlatGetSystemMetric(METRIC_CXFRAME) + PlatGetSystemMetric(METRIC_CYCAPTION) + 2;
    for (int x = 0; x < RectWidth(wr); x++) {
        PlatRect item;
        if (MenuBarItemAt(window, x, y, &item) == position) {
            *rect = RectOffset(item, wr.left, wr.top);
            return true;
        }
    }
    return false;
}

bool PressMenuBarItem(int position) {
    WindowId mw = MainWindow();
    PlatRect r;
    if (!mw || !MenuBarItemRect(mw, position, &r)) return false;
    DriverClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return true;
}

std::string StatusText(void) {
    char buf[256];
    GetStatusText(buf, sizeof buf);
    return buf;
}

std::string StatusWords(void) {
    const std::string s = StatusText();
    const size_t first = s.find_first_not_of(' ');
    return first == std::string::npos ? "" : s.substr(first, s.find_last_not_of(' ') - first + 1);
}

void PressMainWindowKey(int key, int mods) {
    WindowId mw = MainWindow();
    if (!mw) return;
    PlatSetForegroundWindow(mw);
    DriverKey(key, mods);
}
