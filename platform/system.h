// Time, threads and folders.
#pragma once

#include "plat_types.h"

// A monotonic high-resolution counter and its frequency in counts per second.
uint64_t PlatGetCounter(void);
uint64_t PlatGetCounterFrequency(void);
// Milliseconds of the monotonic clock (for message times and double clicks).
uint32_t PlatGetTickMs(void);
void PlatSleepMs(int ms);
void PlatYield(void);

// Threads with exit codes. A thread that has not ended reports THREAD_STILL_ACTIVE.
enum { THREAD_STILL_ACTIVE = 259 };
struct PlatThread;
PlatThread* PlatCreateThread(int (*fn)(void*), void* arg);
int PlatGetThreadExitCode(PlatThread* thread);
// Marks a thread that did not end by itself as terminated with this code: it is fenced
// (see PlatFenceThread), its windows are destroyed, and its exit code reads as given.
void PlatTerminateThread(PlatThread* thread, int exit_code);
void PlatCloseThread(PlatThread* thread);
// A fenced thread parks at its next call into the layer and never comes back.
bool PlatThreadFenced(void);
void PlatParkIfFenced(void);

// What the program does when the display goes away for good (the backend has printed one
// line on stderr by then): close what must be closed and end the process. The handler must
// not return; without one the process ends with exit status 1.
void PlatSetDisplayLostHandler(void (*handler)(void));

// The current folder (UTF-8), at most size - 1 bytes.
int PlatGetCurrentFolder(char* buf, int size);
