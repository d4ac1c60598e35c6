// The user program of the box tests: UserSetup starts UserMain at once, and UserMain runs the
// jobs the test thread hands it between pumps, so every PXK_ call of a test runs on the
// worker thread as in a real program, while the test drives the mouse and keyboard.
#pragma once

#include "support/harness.h"
#include "support/worker_jobs.h"

#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <functional>
#include <mutex>

namespace box_test {

using ::Ask;
using ::OnWorker;

// A key pressed with modifiers held until the program has handled it.
inline void KeyWith(int key, int mods) {
    DriverSetModifiers(mods);
    DriverKey(key, mods);
    DriverWaitIdle();
    DriverSetModifiers(0);
}

inline PlatPoint CentreOf(WindowId w) {
    PlatRect r = DriverWindowRect(w);
    return PlatPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

class BoxTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(StartProgram()); }
    void TearDown() override { EXPECT_GE(StopProgram(), 0); }
};

}  // namespace box_test

// The program: no windows of its own; UserMain serves the test's jobs.
void UserSetup(void) { StartRequested.store(1); }

void UserMain(void) { ServeJobsUntilExit(); }
