// Runs pieces of a test on the program's worker thread, where images are made and their
// windows served: the test file's UserMain calls ServeWorkerJobs(), and the test hands it
// jobs with OnWorker() or Read() and waits for each to be done.
#pragma once

#include <atomic>
#include <functional>

#include <gtest/gtest.h>

#include "platform/window/window.h"
#include "support/harness.h"

namespace worker_jobs {

inline std::function<void()> job;
inline std::atomic<int> job_state{0};   // 0 none, 1 waiting for the worker, 2 done

}  // namespace worker_jobs

// The body of a UserMain: pumps the worker's messages and runs the jobs handed to it.
inline void ServeWorkerJobs() {
    while (ExitState.load() == 0) {
        PXK_PumpMessages();
        if (worker_jobs::job_state.load(std::memory_order_acquire) == 1) {
            worker_jobs::job();
            worker_jobs::job_state.store(2, std::memory_order_release);
        }
        PlatWaitMessage(2);
    }
}

// Runs fn on the worker thread and waits for it.
inline bool OnWorker(std::function<void()> fn) {
    if (!DriverWaitFor([] { return Running.load() == 1; })) return false;
    worker_jobs::job = std::move(fn);
    worker_jobs::job_state.store(1, std::memory_order_release);
    const bool done =
        DriverWaitFor([] { return worker_jobs::job_state.load(std::memory_order_acquire) == 2; });
    worker_jobs::job_state.store(0);
    return done;
}

template <class T>
T Read(std::function<T()> fn) {
    T value{};
    EXPECT_TRUE(OnWorker([&] { value = fn(); }));
    return value;
}
