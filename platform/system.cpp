// Time, threads and folders. Threads carry exit codes as the framework expects. POSIX threads
// cannot be killed alone, so a thread that must be ended from outside is parked instead: a
// signal stops it where it runs and its handler never returns. It must not stop while it
// holds a lock that the threads going on will need, so the signal parks only in the
// program's own code outside every lock of the framework; elsewhere the stop is owed, and
// paid when the last lock is released or when the signal, sent again, finds a fitting point.
#include "system.h"
#include "platform/window/window_core.h"

#include <atomic>
#include <mutex>
#include <pthread.h>
#include <signal.h>
#include <ucontext.h>
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

void PlatSleepUntil(uint64_t counter) {
    struct timespec ts;
    ts.tv_sec = (time_t)(counter / 1000000000ull);
    ts.tv_nsec = (long)(counter % 1000000000ull);
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
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
// The framework's locks this thread holds, and a stop that waits for their release. The
// park signal's handler reads both, so they are plain thread-locals of the executable.
[[gnu::tls_model("initial-exec")]] static thread_local int tl_locks_held = 0;
[[gnu::tls_model("initial-exec")]] static thread_local volatile sig_atomic_t tl_park_owed = 0;

// Blocks the calling thread for good. Every signal is masked first, so no handler of the
// program ever runs on it again; only signals that end the whole process still act.
[[noreturn]] static void ParkForever(void) {
    sigset_t all;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, nullptr);
    if (tl_thread) tl_thread->parked.store(true, std::memory_order_release);
    for (;;) sigsuspend(&all);
}

void PlatNoteLockTaken(void) { tl_locks_held++; }

void PlatNoteLockReleased(void) {
    if (--tl_locks_held == 0 && tl_park_owed) ParkForever();
}

// A real-time signal that nothing else in the process uses stops a terminated thread.
static int ParkSignal(void) { return SIGRTMAX - 3; }

// True when the interrupted instruction is in the executable (the framework and the user
// program), not in a shared library such as the C library, whose locks we cannot see.
extern "C" char __executable_start[], etext[];
static bool InProgramCode(void* context) {
    const ucontext_t* uc = (const ucontext_t*)context;
#if defined(__x86_64__)
    uintptr_t pc = (uintptr_t)uc->uc_mcontext.gregs[REG_RIP];
#elif defined(__aarch64__)
    uintptr_t pc = (uintptr_t)uc->uc_mcontext.pc;
#else
    (void)uc;
    return true;
#endif
    return pc >= (uintptr_t)__executable_start && pc < (uintptr_t)etext;
}

static void OnParkSignal(int, siginfo_t*, void* context) {
    if (tl_locks_held > 0 || !InProgramCode(context)) {
        tl_park_owed = 1;
        return;
    }
    ParkForever();
}

static void InstallParkHandler(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction sa;
        memset(&sa, 0, sizeof sa);
        sa.sa_sigaction = OnParkSignal;
        // The signal may come again while the stop is owed: calls it interrupts go on.
        sa.sa_flags = SA_SIGINFO | SA_RESTART;
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

enum { PARK_WAIT_MS = 1000, PARK_SIGNAL_EVERY_US = 500 };

int PlatTerminateThread(PlatThread* thread, int exit_code) {
    if (!thread) return 1;
    int expected = THREAD_STILL_ACTIVE;
    bool stop_here = thread->exit_code.compare_exchange_strong(expected, exit_code);
    // Ended by itself, unless it stopped itself and is being parked.
    if (!stop_here && !thread->fenced.load(std::memory_order_acquire)) return 1;
    thread->fenced.store(true, std::memory_order_release);
    const uint64_t t0 = PlatGetCounter();
    uint64_t signalled = 0;
    bool sent = false;
    while (!thread->parked.load(std::memory_order_acquire)) {
        if (thread->finished.load(std::memory_order_acquire)) return 1;
        uint64_t now = PlatGetCounter();
        if (now - t0 > (uint64_t)PARK_WAIT_MS * 1000000ull) return 2;
        // Again and again: each signal that finds the thread in a library or holding a lock
        // only notes the stop as owed.
        if (stop_here && (!sent || now - signalled >= (uint64_t)PARK_SIGNAL_EVERY_US * 1000ull)) {
            pthread_kill(thread->handle, ParkSignal());
            signalled = now;
            sent = true;
        }
        PlatYield();
    }
    return 0;
}

void PlatStopCurrentThread(int exit_code) {
    if (tl_thread) {
        // Fenced before the exit code shows, so that whoever reads the code waits for the park.
        tl_thread->fenced.store(true, std::memory_order_release);
        int expected = THREAD_STILL_ACTIVE;
        tl_thread->exit_code.compare_exchange_strong(expected, exit_code);
    }
    ParkForever();
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
        std::lock_guard<LayerMutex> guard(q->lock);
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
    // A caller that holds a lock of the framework parks when it releases the last one.
    if (!PlatThreadFenced()) return;
    if (tl_locks_held > 0) tl_park_owed = 1;
    else ParkForever();
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
