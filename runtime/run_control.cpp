// The worker thread and run control. The worker runs the application's set-up entry, then an
// idle loop that keeps its windows working and serves requests, then the application's main
// entry. Start, Stop and Exit are the main window's commands; Exit ends the worker (by itself
// from the idle loop, by termination otherwise) before the main window goes. A terminated
// worker is stopped where it stands and the process ends at once, because the worker may
// hold anything the rest of the program would need. A user program that waits in the
// framework while Exit is pending is stopped right there, as a terminated one, so that Exit
// does not wait for a program that will never return to the idle loop.
#include "run_control.h"
#include "entry.h"
#include "main_window.h"
#include "request_channel.h"
#include "startup_state.h"
#include "window_kinds.h"
#include "window_rects.h"
#include "worker_calls.h"

#include "platform/system.h"
#include "platform/window/window.h"

#include <stdio.h>
#include <unistd.h>

extern "C" {
std::atomic<int> StartRequested{0};
std::atomic<int> Running{0};
std::atomic<int> StopRequested{0};
std::atomic<int> ExitState{0};
}
// A C program sees these flags as _Atomic int (PXK_ATOMIC_INT, include/pxk/pxk_types.h), so
// both languages must agree on the object: an int's size and alignment, lock-free.
static_assert(sizeof(PXK_ATOMIC_INT) == sizeof(int) && alignof(PXK_ATOMIC_INT) == alignof(int),
              "the shared flags must have the layout of the C program's _Atomic int");
static_assert(std::atomic<int>::is_always_lock_free, "the shared flags must be lock-free");

std::atomic<int> pxk::worker_stage{WORKER_NOT_STARTED};
std::atomic<int> pxk::point_tool_active{0};
std::atomic<int> pxk::main_command_depth{0};
PlatThread* pxk::worker_thread = nullptr;
static std::atomic<bool> g_worker_terminated{false};
// Set on the worker thread itself, so that the framework's waits can tell it from the main
// thread (which runs line input and pumps of its own).
static thread_local bool tl_on_worker = false;

enum { EXIT_WAIT_MS = 2000 };

void ResetRunControl(void) {
    StartRequested.store(0);
    Running.store(0);
    StopRequested.store(0);
    ExitState.store(PXK_EXIT_NONE);
    worker_stage.store(WORKER_NOT_STARTED);
    point_tool_active.store(0);
    main_command_depth.store(0);
    g_worker_terminated.store(false);
    ResetRequestChannel();
    worker_thread = nullptr;
}

bool WorkerWasTerminated(void) { return g_worker_terminated.load(); }

void PXK_PumpMessages(void) {
    Message m;
    while (PlatPeekMessage(&m, PEEK_NOREMOVE)) {
        // The quit stays posted for the loop that owns it: leave it where it is.
        if (m.type == MSG_QUIT) return;
        if (!PlatGetMessage(&m)) return;
        if (HandleWindowKindDialogKeys(&m)) continue;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
    RunPostedWorkerCalls();
}

// One pass of the idle loop. Its pause is a wait for messages, which ends early when one comes.
static void IdlePass(void) {
    PlatWaitMessage(1);
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
    tl_on_worker = true;
    MarkWorkerThread();
    worker_stage.store(WORKER_SETUP);
    UserSetup();
    CollectWindowRects();
    worker_stage.store(WORKER_IDLE);
    while (ExitState.load() == PXK_EXIT_NONE) {
        IdlePass();
        // A command of the main window still has requests to post, which only the idle loop
        // serves: the main entry waits until it has finished.
        if (StartRequested.load() != 0 && Running.load() == 0 && main_command_depth.load() == 0) {
            EnterUserMain();
            // A main entry that returns gets its windows served on: the worker goes back to
            // the idle loop with Running left at 1. Ending the thread instead would leave the
            // program's windows without a thread to paint and answer them, and Exit then
            // finds a worker that ends at once by itself. Start stays refused, since the main
            // entry runs once.
            worker_stage.store(WORKER_MAIN_RETURNED);
        }
    }
    ExitState.store(PXK_EXIT_ACKNOWLEDGED);
    PXK_PumpMessages();
    worker_stage.store(WORKER_ENDED);
    return 0;
}

void StartWorkerThread(void) { worker_thread = PlatCreateThread(WorkerThreadMain, nullptr); }

void StartCommand(void) {
    // While a main-window command prompts or waits for its requests, Start would take the
    // worker away from the idle loop those need.
    if (main_command_depth.load() != 0) return;
    if (Running.load() == 0) StartRequested.store(1);
}

void StopCommand(void) {
    StopRequested.store(1);
    // A program waiting for messages looks at the flag at once.
    PlatWakeThread(worker_thread);
}

// A user program that is about to wait while Exit waits for it would only be terminated when
// the wait of Exit runs out: it is stopped here instead, at once, holding nothing. The idle
// loop is left alone, since it ends by itself; so is a program that leaves its wait when Exit
// wakes it, so that a program that looks at ExitState still ends by itself.
static void StopWorkerIfExitWaits(void) {
    if (!tl_on_worker || ExitState.load() != PXK_EXIT_REQUESTED) return;
    int stage = worker_stage.load();
    if (stage == WORKER_SETUP || stage == WORKER_MAIN) PlatStopCurrentThread(1);
}

void WaitForMessages(int timeout_ms) {
    StopWorkerIfExitWaits();
    PlatWaitMessage(timeout_ms);
}

void PXK_WaitForMessages(int timeout_ms) { WaitForMessages(timeout_ms < 0 ? 0 : timeout_ms); }

// The parked worker may hold any lock of the layer or of the C library, and memory it was
// using: nothing here may wait for one or free anything. The logs were closed before the
// worker was stopped; the native windows go with the display connection as the process
// ends; standard output is flushed only when nobody holds it.
[[noreturn]] void EndProcessAfterStoppedWorker(int status) {
    for (FILE* f : {stdout, stderr}) {
        if (ftrylockfile(f) != 0) continue;
        fflush_unlocked(f);
        funlockfile(f);
    }
    _exit(status);
}

// From here on the worker executes nothing: it is stopped where it stands (or where it
// stopped itself, in a wait of the framework). Nothing happens to a worker that ended.
static void TerminateWorker(void) {
    if (PlatTerminateThread(worker_thread, 1) == 1) return;
    g_worker_terminated.store(true);
    if (exit_process_after_termination) EndProcessAfterStoppedWorker(0);
    // A host that goes on (the test harness) gets the worker's windows destroyed now,
    // before the main window goes; its programs stop calling the framework after Exit.
    PlatDestroyThreadWindows(worker_thread);
}

void ExitCommand(void) {
    AbandonWindowKindInput();
    StopRequested.store(1);
    ExitState.store(PXK_EXIT_REQUESTED);
    CloseWindowKindLogs();
    PlatWakeThread(worker_thread);
    // The worker ends by itself within an idle pass, or stops in its next wait of the
    // framework; a main entry that computes never looks, so the wait is bounded. No messages
    // are pumped here.
    uint32_t t0 = PXK_GetTimeMs();
    while (PlatGetThreadExitCode(worker_thread) == THREAD_STILL_ACTIVE) {
        if ((uint32_t)(PXK_GetTimeMs() - t0) > EXIT_WAIT_MS) break;
        PlatSleepMs(0);
    }
    if (worker_thread) TerminateWorker();
    int requested = PXK_EXIT_REQUESTED;
    ExitState.compare_exchange_strong(requested, PXK_EXIT_ACKNOWLEDGED);
    PlatCloseThread(worker_thread);
    WindowId mw = main_window.load(std::memory_order_acquire);
    if (mw) PlatDestroyWindow(mw);
}
