// Time, threads and folders.
#pragma once

#include "plat_types.h"

// A monotonic high-resolution counter and its frequency in counts per second.
uint64_t PlatGetCounter(void);
uint64_t PlatGetCounterFrequency(void);
// Milliseconds of the monotonic clock (for message times and double clicks).
uint32_t PlatGetTickMs(void);
void PlatSleepMs(int ms);
// Sleeps until the counter reads at least `counter` (an absolute deadline, so that a series
// of steps does not drift by the time each step itself takes).
void PlatSleepUntil(uint64_t counter);
void PlatYield(void);

// Threads with exit codes. A thread that has not ended reports THREAD_STILL_ACTIVE.
enum { THREAD_STILL_ACTIVE = 259 };
struct PlatThread;
PlatThread* PlatCreateThread(int (*fn)(void*), void* arg);
int PlatGetThreadExitCode(PlatThread* thread);
// Stops a thread that did not end by itself, where it stands: a signal interrupts it and its
// handler blocks for good with every signal masked, so from the return of this call the
// thread executes nothing more, not even the layer's code. Its exit code reads as given.
// Returns 0 once it is parked, 1 when it had ended already, 2 when it did not park within
// a second (it is fenced then and parks at its next call into the layer).
// The thread is parked only where it holds no lock of the framework (see PlatNoteLockTaken)
// and runs the program's own code, not a library's, which may hold locks of its own (the
// allocator's): until then the stop is owed and the signal is sent again. The parked thread
// keeps memory it was using, so a caller that goes on must not free what it still uses.
// A thread that stopped itself (PlatStopCurrentThread) is waited for until it is parked, and
// 0 is returned as for one stopped here.
int PlatTerminateThread(PlatThread* thread, int exit_code);
// Stops the calling thread for good with this exit code, as PlatTerminateThread stops
// another; for a thread that holds no lock of the framework.
[[noreturn]] void PlatStopCurrentThread(int exit_code);
// Every lock of the framework is taken and released through these (LayerMutex), so that a
// thread is never parked while it holds one: a stop that comes meanwhile is carried out when
// the last one is released.
void PlatNoteLockTaken(void);
void PlatNoteLockReleased(void);
// Destroys the windows of a thread that ended or was terminated, and answers what was sent
// to it. Only for a host that goes on after terminating a thread.
void PlatDestroyThreadWindows(PlatThread* thread);
// Posts an empty message to the thread's queue, so that a wait for messages there returns.
void PlatWakeThread(PlatThread* thread);
// Releases the handle: a thread that ended is joined; a parked one is left as it is.
void PlatCloseThread(PlatThread* thread);
// A fenced thread parks at its next call into the layer and never comes back.
bool PlatThreadFenced(void);
void PlatParkIfFenced(void);

// A framework thread that waits on something other than a message queue (the thread that pays
// text windows' owed paints) registers here how to tell that it still has work: a program is
// settled only once none has. PlatWorkPending asks every registered check.
void PlatAddPendingWorkCheck(bool (*pending)(void));
bool PlatWorkPending(void);

// What the program does when the display goes away for good (the backend has printed one
// line on stderr by then): close what must be closed and end the process. The handler must
// not return; without one the process ends with exit status 1.
void PlatSetDisplayLostHandler(void (*handler)(void));

// The current folder (UTF-8), at most size - 1 bytes.
int PlatGetCurrentFolder(char* buf, int size);
