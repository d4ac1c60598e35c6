// The worker's posted calls: one bit per registered call in an atomic word, taken whole by
// the worker's pump, so a post never waits and never allocates.
#include "runtime/worker_calls.h"
#include "runtime/run_control.h"

#include "platform/system.h"

#include <atomic>

static void (*g_calls[WORKER_CALLS_MAX])(void);
static int g_call_count = 0;
static std::atomic<unsigned> g_posted{0};
static thread_local bool tl_worker = false;

int RegisterWorkerCall(void (*fn)(void)) {
    if (g_call_count >= WORKER_CALLS_MAX) return -1;
    g_calls[g_call_count] = fn;
    return g_call_count++;
}

void ClearWorkerCalls(void) {
    g_call_count = 0;
    g_posted.store(0);
}

void PostWorkerCall(int id) {
    if (id < 0 || id >= g_call_count) return;
    g_posted.fetch_or(1u << id, std::memory_order_acq_rel);
    PlatWakeThread(worker_thread);
}

void RunPostedWorkerCalls(void) {
    if (!tl_worker || g_posted.load(std::memory_order_acquire) == 0) return;
    const unsigned posted = g_posted.exchange(0, std::memory_order_acq_rel);
    for (int i = 0; i < g_call_count; i++)
        if (posted & (1u << i)) g_calls[i]();
}

void MarkWorkerThread(void) { tl_worker = true; }
