// The worker thread and run control. The worker runs the application's set-up entry, then an
// idle loop that keeps its windows working and serves requests, then the application's main
// entry. Start, Stop and Exit are the main window's commands; Exit ends the worker (by itself
// from the idle loop, by termination otherwise) before the main window goes.
#include "run_control.h"
#include "main_window.h"
#include "request_channel.h"
#include "startup_state.h"
#include "window_rects.h"

#include "boxes/box_windows.h"
#include "platform/controls/controls.h"
#include "platform/system.h"
#include "platform/window/window.h"

extern "C" {
std::atomic<int> StartRequested{0};
std::atomic<int> Running{0};
std::atomic<int> StopRequested{0};
std::atomic<int> ExitState{0};
}

std::atomic<int> worker_stage{WORKER_NOT_STARTED};
PlatThread* worker_thread = nullptr;
static std::atomic<bool> g_worker_terminated{false};

// Text windows' line input; cleared by Exit so that a waiting input returns empty. The text
// window store owns it and replaces this definition.
void ClearLineInput(void);
// Log files; closed by Exit before the worker may be terminated.

enum { EXIT_WAIT_MS = 2000 };

void ResetRunControl(void) {
    StartRequested.store(0);
    Running.store(0);
    StopRequested.store(0);
    ExitState.store(0);
    worker_stage.store(WORKER_NOT_STARTED);
    g_worker_terminated.store(false);
    request_channel.code.store(REQ_NONE);
    worker_thread = nullptr;
}

bool WorkerWasTerminated(void) { return g_worker_terminated.load(); }

void PXK_PumpMessages(void) {
    Message m;
    while (PlatPeekMessage(&m, PEEK_NOREMOVE)) {
        // The quit stays posted for the loop that owns it: leave it where it is.
        if (m.type == MSG_QUIT) return;
        if (!PlatGetMessage(&m)) return;
        WindowId box = input_box.load(std::memory_order_acquire);
        if (box && PlatIsDialogMessage(box, &m)) continue;
        box = button_box.load(std::memory_order_acquire);
        if (box && PlatIsDialogMessage(box, &m)) continue;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}

// One pass of the idle loop.
static void IdlePass(void) {
    PlatSleepMs(1);
    PXK_PumpMessages();
    if (request_channel.code.load(std::memory_order_acquire) != REQ_NONE) DispatchRequest();
}

static void EnterUserMain(void) {
    // Drops post requests that only the idle loop carries out, so they end here.
    WindowId mw = main_window.load(std::memory_order_acquire);
    if (mw) PlatDragAcceptFiles(mw, false);
    Running.store(1);
    StartRequested.store(0);
    StopRequested.store(0);
    worker_stage.store(WORKER_MAIN);
    UserMain();
}

int WorkerThreadMain(void* unused) {
    (void)unused;
    worker_stage.store(WORKER_SETUP);
    UserSetup();
    CollectWindowRects();
    worker_stage.store(WORKER_IDLE);
    while (ExitState.load() == 0) {
        IdlePass();
        if (StartRequested.load() != 0 && Running.load() == 0) {
            EnterUserMain();
            // A main entry that returns gets its windows served on: the worker goes back to
            // the idle loop with Running left at 1. Ending the thread instead would leave the
            // program's windows without a thread to paint and answer them, and Exit then
            // finds a worker that ends at once by itself. Start stays refused, since the main
            // entry runs once.
            worker_stage.store(WORKER_MAIN_RETURNED);
        }
    }
    ExitState.store(2);
    PXK_PumpMessages();
    worker_stage.store(WORKER_ENDED);
    return 0;
}

void StartWorkerThread(void) { worker_thread = PlatCreateThread(WorkerThreadMain, nullptr); }

void StartCommand(void) {
    if (Running.load() == 0) StartRequested.store(1);
}

void StopCommand(void) { StopRequested.store(1); }

void ExitCommand(void) {
    ClearLineInput();
    StopRequested.store(1);
    ExitState.store(1);
    PXK_CloseAllLogs();
    // The worker ends by itself within an idle pass; a running main entry never looks, so
    // the wait is bounded. No messages are pumped here.
    uint32_t t0 = PXK_GetTimeMs();
    while (PlatGetThreadExitCode(worker_thread) == THREAD_STILL_ACTIVE) {
        if ((uint32_t)(PXK_GetTimeMs() - t0) > EXIT_WAIT_MS) break;
        PlatSleepMs(0);
    }
    if (worker_thread && PlatGetThreadExitCode(worker_thread) == THREAD_STILL_ACTIVE) {
        // Fences the worker and destroys its windows now, before the main window goes.
        PlatTerminateThread(worker_thread, 1);
        g_worker_terminated.store(true);
    }
    int acknowledged = 1;
    ExitState.compare_exchange_strong(acknowledged, 2);
    PlatCloseThread(worker_thread);
    WindowId mw = main_window.load(std::memory_order_acquire);
    if (mw) PlatDestroyWindow(mw);
}
