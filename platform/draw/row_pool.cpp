// The drawing layer's row pool: a job is one function over bands of rows; the caller posts it,
// takes bands like any worker and waits until the last band is finished. One job runs at a
// time; a second caller meanwhile does its own work alone rather than wait.
#include "platform/draw/row_pool.h"
#include "platform/layer_mutex.h"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

struct RowPool {
    LayerMutex lock;   // guards the job fields
    std::condition_variable wake, finished;
    void (*fn)(void*, int, int) = nullptr;
    void* ctx = nullptr;
    int rows = 0, bands = 0, next = 0, unfinished = 0;
    LayerMutex busy;   // held by the one caller whose job the pool is running
    std::vector<std::thread> threads;

    RowPool();
};

// Takes and runs bands of the current job until none is left; `held` is locked on entry and
// on return.
void RunBands(RowPool* p, std::unique_lock<std::mutex>& held) {
    while (p->next < p->bands) {
        int b = p->next++;
        int k0 = (int)((long long)p->rows * b / p->bands), k1 = (int)((long long)p->rows * (b + 1) / p->bands);
        void (*fn)(void*, int, int) = p->fn;
        void* ctx = p->ctx;
        held.unlock();
        fn(ctx, k0, k1);
        held.lock();
        if (--p->unfinished == 0) p->finished.notify_all();
    }
}

void WorkerLoop(RowPool* p) {
    std::unique_lock<std::mutex> held(p->lock.raw());
    for (;;) {
        p->wake.wait(held, [p] { return p->next < p->bands; });
        RunBands(p, held);
    }
}

RowPool::RowPool() {
    unsigned cpus = std::thread::hardware_concurrency();
    int extra = (int)std::min(cpus > 1 ? cpus - 1 : 0u, 3u);
    for (int i = 0; i < extra; i++) threads.emplace_back(WorkerLoop, this);
    for (std::thread& t : threads) t.detach();
}

// The pool is never taken down: its threads wait for work until the process ends, so that no
// caller still inside RunRowBands during exit can find it destroyed.
RowPool& ThePool() {
    static RowPool* pool = new RowPool;
    return *pool;
}

}  // namespace

int RowPoolWidth() { return (int)ThePool().threads.size() + 1; }

int RowBandsFor(double work, int rows) {
    const double pool_min_work = 4e6;
    return work >= pool_min_work ? std::min(rows, 4 * RowPoolWidth()) : 1;
}

void RunRowBands(int rows, int bands, void (*fn)(void* ctx, int k0, int k1), void* ctx) {
    if (rows <= 0) return;
    RowPool& p = ThePool();
    if (bands <= 1 || p.threads.empty() || !p.busy.try_lock()) {
        fn(ctx, 0, rows);
        return;
    }
    // The caller holds `busy` throughout, so it is not parked inside the job.
    std::unique_lock<std::mutex> held(p.lock.raw());
    p.fn = fn;
    p.ctx = ctx;
    p.rows = rows;
    p.bands = bands;
    p.next = 0;
    p.unfinished = bands;
    p.wake.notify_all();
    RunBands(&p, held);
    p.finished.wait(held, [&p] { return p.unfinished == 0; });
    p.bands = p.next = 0;
    held.unlock();
    p.busy.unlock();
}
