// Calls that another thread hands to the worker: the main window's commands that act on the
// worker's own windows (the inspector's Ctrl+I) must run where those windows live, whatever
// the worker is doing, without waiting for it. A call is a registered function; posting it
// sets its flag and wakes the worker, whose next pump runs it once (posting twice before
// then runs it once).
#pragma once

enum { WORKER_CALLS_MAX = 4 };

// Registers fn (at start, before the worker runs); its id, or -1 when the table is full.
int RegisterWorkerCall(void (*fn)(void));
// Empties the table (the start-up code fills it again for each program run).
void ClearWorkerCalls(void);
// Any thread: the worker runs call `id` at its next pump.
void PostWorkerCall(int id);
// The worker's pump: runs the calls posted since the last time. Does nothing on other threads.
void RunPostedWorkerCalls(void);
// Marks the calling thread as the worker (its thread procedure does so first).
void MarkWorkerThread(void);
