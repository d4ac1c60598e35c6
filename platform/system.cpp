// Time, threads and folders. Threads carry exit codes as the framework expects. POSIX threads
// cannot be killed alone, so a thread that must be ended from outside is parked instead: a
// signal stops it where it runs and its handler never returns.
#include "system.h"
#include "platform/window/window_core.h"

#include <atomic>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <string.h>
#include <vector>

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
    pthread_t handle;
    std::atomic<int> exit_code{THREAD_STILL_ACTIVE};
    std::atomic<bool> fenced{false};
    std::atomic<bool> parked{false};     // stopped for good in ParkForever
    std::atomic<bool> finished{false};   // its procedure returned and it is ending
    std::atomic<bool> joined{false};
    std::atomic<ThreadQueue*> queue{nullptr};
};

static thread_local PlatThread* tl_thread = nullptr;

// Blocks the calling thread for good. Every signal is masked first, so no handler of the
// program ever runs on it again; only signals that end the whole process still act.
[[noreturn]] static void ParkForever(void) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    if (tl_thread) tl_thread->parked.store(true, std::memory_order_release);
    for (;;) sigsuspend(&all);
}

// A real-time signal that nothing else in the process uses stops a terminated thread.
static int ParkSignal(void) { return SIGRTMAX - 3; }

static void OnParkSignal(int) { ParkForever(); }

static void InstallParkHandler(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa;
        memset(&sa, 0, sizeof sa);
        sa.sa_handler = OnParkSignal;
        sigfillset(&sa.sa_mask);
        sigaction(ParkSignal(), &sa, nullptr);
    });
}

static void* ThreadStart(void* arg) {
    PlatThread* t = (PlatThread*)arg;
    tl_thread = t;
    t->queue.store(CurrentThreadQueue(), std::memory_order_release);
    int code = t->fn(t->arg);
    // A thread's windows end with it: nobody would serve them any more, and a message sent
    // to one (for example when its owner is destroyed) would wait for ever. They go before
    // the exit code is published, so whoever waits for the thread finds them gone.
    if (t->exit_code.load(std::memory_order_acquire) == THREAD_STILL_ACTIVE) DestroyThreadWindows(t->queue.load());
    PlatParkIfFenced();
    t->finished.store(true, std::memory_order_release);
    int expected = THREAD_STILL_ACTIVE;
    t->exit_code.compare_exchange_strong(expected, code);
    return nullptr;
}

// Thread records are never freed (a parked thread holds its own, and a handle may be asked
// for its exit code after it was closed); the first ones stay listed here so that they
// remain reachable for leak checkers, which would otherwise report every program restart.
static std::atomic<PlatThread*> g_thread_records[64];
static std::atomic<int> g_thread_record_count{0};

PlatThread* PlatCreateThread(int (*fn)(void*), void* arg) {
    InstallParkHandler();
    PlatThread* t = new PlatThread;
    t->fn = fn;
    t->arg = arg;
    int slot = g_thread_record_count.fetch_add(1);
    if (slot < 64) g_thread_records[slot].store(t);
    // The thread stays joinable (it is joined when its handle is closed), so that its id
    // remains valid for the park signal until then.
    if (pthread_create(&t->handle, nullptr, ThreadStart, t) != 0) {
        t->finished.store(true);
        t->joined.store(true);
        t->exit_code.store(0);
    }
    return t;
}

void LiveThreadQueues(std::vector<ThreadQueue*>* out) {
    int count = g_thread_record_count.load();
    for (int i = 0; i < count && i < 64; i++) {
        const PlatThread* t = g_thread_records[i].load();
        if (!t || t->finished.load() || t->parked.load() || t->fenced.load()) continue;
        ThreadQueue* q = t->queue.load(std::memory_order_acquire);
        if (q) out->push_back(q);
    }
}

static std::atomic<bool (*)(void)> g_pending_checks[4];

void PlatAddPendingWorkCheck(bool (*pending)(void)) {
    for (auto& slot : g_pending_checks) {
        bool (*none)(void) = nullptr;
        if (slot.load() == pending || slot.compare_exchange_strong(none, pending)) return;
    }
}

bool PlatWorkPending(void) {
    for (auto& slot : g_pending_checks) {
        bool (*pending)(void) = slot.load();
        if (pending && pending()) return true;
    }
    return false;
}

int PlatGetThreadExitCode(PlatThread* thread) {
    return thread ? thread->exit_code.load(std::memory_order_acquire) : 0;
}

enum { PARK_WAIT_MS = 1000 };

int PlatTerminateThread(PlatThread* thread, int exit_code) {
    if (!thread) return 1;
    int expected = THREAD_STILL_ACTIVE;
    if (!thread->exit_code.compare_exchange_strong(expected, exit_code)) return 1;
    thread->fenced.store(true, std::memory_order_release);
    if (thread->finished.load(std::memory_order_acquire)) return 1;
    pthread_kill(thread->handle, ParkSignal());
    uint64_t t0 = PlatGetCounter();
    while (!thread->parked.load(std::memory_order_acquire)) {
        if (thread->finished.load(std::memory_order_acquire)) return 1;
        if (PlatGetCounter() - t0 > (uint64_t)PARK_WAIT_MS * 1000000ull) return 2;
        PlatYield();
    }
    return 0;
}

void PlatDestroyThreadWindows(PlatThread* thread) {
    if (!thread) return;
    ThreadQueue* q = thread->queue.load(std::memory_order_acquire);
    if (q) DestroyThreadWindows(q);
}

void PlatWakeThread(PlatThread* thread) {
    ThreadQueue* q = thread ? thread->queue.load(std::memory_order_acquire) : nullptr;
    if (!q) return;
    Message m{};
    m.type = MSG_NULL;
    m.time = PlatGetTickMs();
    {
        std::lock_guard<std::mutex> guard(q->lock);
        q->posted.push_back(m);
    }
    q->wake.notify_all();
}

void PlatCloseThread(PlatThread* thread) {
    // The record stays: a parked thread still holds it.
    if (!thread || thread->parked.load(std::memory_order_acquire)) return;
    if (!thread->finished.load(std::memory_order_acquire)) return;
    bool was = false;
    if (thread->joined.compare_exchange_strong(was, true)) pthread_join(thread->handle, nullptr);
}

bool PlatThreadFenced(void) {
    return tl_thread && tl_thread->fenced.load(std::memory_order_acquire);
}

void PlatParkIfFenced(void) {
    // Terminated from outside: never return into the program. The process ends around us.
    if (PlatThreadFenced()) ParkForever();
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
