// Jobs for the worker thread: one slot guarded by a lock, and two counters that tell the
// test thread how far the worker has come.
#include "worker_jobs.h"

#include "harness.h"
#include "platform/window/window.h"

#include <atomic>
#include <mutex>

static std::mutex job_mutex;
static std::function<void()> pending_job;
static std::atomic<int> jobs_posted{0};
static std::atomic<int> jobs_done{0};

int PostJob(std::function<void()> job) {
    DriverWaitFor([] { return jobs_done.load() == jobs_posted.load(); }, HARNESS_TIMEOUT_MS);
    std::lock_guard<std::mutex> guard(job_mutex);
    pending_job = std::move(job);
    return jobs_posted.fetch_add(1) + 1;
}

bool JobDone(int number) { return jobs_done.load() >= number; }

bool WaitJob(int number) {
    return DriverWaitFor([number] { return JobDone(number); }, HARNESS_TIMEOUT_MS);
}

bool OnWorker(std::function<void()> job) {
    if (!DriverWaitFor([] { return Running.load() == 1; }, HARNESS_TIMEOUT_MS)) return false;
    return WaitJob(PostJob(std::move(job)));
}

void ServeJobs(void) {
    std::function<void()> job;
    {
        std::lock_guard<std::mutex> guard(job_mutex);
        job.swap(pending_job);
    }
    if (!job) return;
    job();
    jobs_done.fetch_add(1);
}

void ServeJobsUntilExit(void) {
    while (ExitState.load() == 0) {
        ServeJobs();
        PXK_PumpMessages();
        PlatWaitMessage(1);
    }
}
