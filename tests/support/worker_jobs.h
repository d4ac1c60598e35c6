// Jobs for the worker thread. A test file's UserMain calls ServeJobsUntilExit(), and the test
// thread hands it jobs: every PXK_ call of a test then runs on the worker as in a real
// program, while the test drives the mouse and keyboard from its own thread. One job waits
// at a time; jobs are numbered in the order they were posted.
#pragma once

#include <functional>

#include <gtest/gtest.h>

// Hands a job to the worker without waiting for it to run (but after the previous one has
// run); returns its number.
int PostJob(std::function<void()> job);
// True once the job with this number has run.
bool JobDone(int number);
// Waits until the job with this number has run; false after the harness timeout.
bool WaitJob(int number);
// Runs a job on the worker and waits for it; false when the worker is not running UserMain
// or the job did not finish within the harness timeout.
bool OnWorker(std::function<void()> job);

// Runs fn on the worker and returns its result; a job that did not run fails the test and
// gives a value-initialised T.
template <typename T>
T Ask(const std::function<T()>& fn) {
    T result{};
    EXPECT_TRUE(OnWorker([&] { result = fn(); })) << "the job did not run on the worker";
    return result;
}

// Runs the job that waits, if any (from the worker thread).
void ServeJobs(void);
// The body of a serving UserMain: pumps and serves jobs until Exit is chosen.
void ServeJobsUntilExit(void);
