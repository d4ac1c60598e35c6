// The fixture of tests that run the program afresh for each case: started before the case,
// and after it any menu left open dismissed and Exit chosen (which must end the program).
#pragma once

#include "support/harness.h"
#include "support/tracked_menu.h"

#include "platform/window/menu.h"

#include <gtest/gtest.h>

struct ProgramTest : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(StartProgram()); }
    void TearDown() override {
        if (PlatGetTrackedMenuWindow()) DismissTrackedMenu();
        if (ProgramRunning()) {
            EXPECT_EQ(StopProgram(), 0);
        }
    }
};
