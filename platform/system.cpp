// Time, threads and folders. Threads carry exit codes as the framework expects; a thread
// that must be ended from outside is fenced: it parks at its next call into the layer,
// because POSIX threads cannot be killed safely.
#include "system.h"
#include "platform/window/window_core.h"

#include <atomic>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <string.h>

uint64_t PlatGetCounter(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000000000ull + (uint64_t)ts.tv_nsec;
}

uint64_t PlatGetCounterFrequency(void) { return 1000000000ull; }

uint32_t PlatGetTickMs(void) { return (uint32_t)(PlatGetCounter() / 1000000ull); }

void PlatSleepMs(int ms) {
    if (ms <= 0) {
        std::this_thread::yield();
        return;
    }
    struct timespec ts;
    ts.tv_sec = ms / 1000;
    ts.tv_nsec = (long)(ms % 1000) * 1000000L;
    while (nanosleep(&ts, &ts) != 0) {
    }
}

void PlatYield(void) { std::this_thread::yield(); }

struct PlatThread {
    int (*fn)(void*);
    void* arg;
    std::atomic<int> exit_code{THREAD_STILL_ACTIVE};
    std::atomic<bool> fenced{false};
    std::atomic<ThreadQueue*> queue{nullptr};
};

static thread_local PlatThread* tl_thread = nullptr;

static void ThreadStart(PlatThread* t) {
    tl_thread = t;
    t->queue.store(CurrentThreadQueue(), std::memory_order_release);
    int code = t->fn(t->arg);
    // A thread's windows end with it: nobody would serve them any more, and a message sent
    // to one (for example when its owner is destroyed) would wait for ever. They go before
    // the exit code is published, so whoever waits for the thread finds them gone.
    if (t->exit_code.load(std::memory_order_acquire) == THREAD_STILL_ACTIVE) DestroyThreadWindows(t->queue.load());
    int expected = THREAD_STILL_ACTIVE;
    t->exit_code.compare_exchange_strong(expected, code);
}

// Thread records are never freed (a fenced thread parks holding its own, and a handle may be
// asked for its exit code after it was closed); the first ones stay listed here so that they
// remain reachable for leak checkers, which would otherwise report every program restart.
static std::atomic<PlatThread*> g_thread_records[64];
static std::atomic<int> g_thread_record_count{0};

PlatThread* PlatCreateThread(int (*fn)(void*), void* arg) {
    PlatThread* t = new PlatThread;
    t->fn = fn;
    t->arg = arg;
    int slot = g_thread_record_count.fetch_add(1);
    if (slot < 64) g_thread_records[slot].store(t);
    std::thread th(ThreadStart, t);
    th.detach();
    return t;
}

int PlatGetThreadExitCode(PlatThread* thread) {
    return thread ? thread->exit_code.load(std::memory_order_acquire) : 0;
}

void PlatTerminateThread(PlatThread* thread, int exit_code) {
    if (!thread) return;
    int expected = THREAD_STILL_ACTIVE;
    if (!thread->exit_code.compare_exchange_strong(expected, exit_code)) return;
    thread->fenced.store(true, std::memory_order_release);
    ThreadQueue* q = thread->queue.load(std::memory_order_acquire);
    if (q) DestroyThreadWindows(q);
}

void PlatCloseThread(PlatThread* thread) {
    // The record stays: a fenced thread may still look at it while it parks.
    (void)thread;
}

bool PlatThreadFenced(void) {
    return tl_thread && tl_thread->fenced.load(std::memory_order_acquire);
}

void PlatParkIfFenced(void) {
    if (!PlatThreadFenced()) return;
    // Terminated from outside: never return into the program. The process ends around us.
    for (;;) pause();
}

int PlatGetCurrentFolder(char* buf, int size) {
    if (!buf || size <= 0) return 1;
    char tmp[4096];
    if (!getcwd(tmp, sizeof tmp)) {
        buf[0] = 0;
        return 1;
    }
    int n = (int)strlen(tmp);
    if (n > size - 1) n = size - 1;
    memcpy(buf, tmp, (size_t)n);
    buf[n] = 0;
    return 0;
}
