// The worker thread and run control: the worker's life (set-up entry, idle loop, main entry),
// the Start, Stop and Exit commands of the main window, and the worker's stage for anyone who
// must wait for it (the test harness).
#pragma once

#include "pxk.h"

struct PlatThread;

// What the worker is doing, in the order it goes through.
enum {
    WORKER_NOT_STARTED = 0,
    WORKER_SETUP = 1,        // running UserSetup
    WORKER_IDLE = 2,         // idle loop, before UserMain
    WORKER_MAIN = 3,         // running UserMain
    WORKER_MAIN_RETURNED = 4,// UserMain came back; serving its windows in the idle loop
    WORKER_ENDED = 5         // left through an exit request
};
namespace pxk {
extern std::atomic<int> worker_stage;
// 1 while an interactive point tool waits for the user on the worker thread. The main thread
// reads it (the main window keeps its popup menu closed meanwhile), so it is an atomic here,
// below the image code that sets it.
extern std::atomic<int> point_tool_active;
extern PlatThread* worker_thread;
// How many main-window commands are in progress on the main thread (prompting, or waiting for
// their requests); they nest. Start is ignored and the main entry does not begin meanwhile.
extern std::atomic<int> main_command_depth;
}  // namespace pxk
using pxk::worker_stage, pxk::point_tool_active, pxk::worker_thread, pxk::main_command_depth;

// The thread procedure of the worker; returns 0 when it leaves through an exit request.
int WorkerThreadMain(void* unused);
// Starts the worker thread (from the main window's creation).
void StartWorkerThread(void);

// The run-control commands, on the main thread. Exit waits up to 2 s for the worker to end
// by itself; otherwise the worker is terminated and the process ends (exit status 0) unless
// the host asked to go on (exit_process_after_termination, entry.h).
void StartCommand(void);
void StopCommand(void);
void ExitCommand(void);
// Waits until a message arrives for the calling thread, the thread is woken (Stop, Exit) or
// timeout_ms pass; the caller then pumps. Returns at once when a message waits already.
void WaitForMessages(int timeout_ms);
// True once the Exit command had to terminate the worker.
bool WorkerWasTerminated(void);
// Ends the process at once with status, without destructors or exit handlers: after the
// worker was stopped it may hold any lock, so nothing may wait for one. Hosts that went on
// after the stop (scripted runs) end this way too.
[[noreturn]] void EndProcessAfterStoppedWorker(int status);
// Clears the run-control flags and the worker's record (program start).
void ResetRunControl(void);
