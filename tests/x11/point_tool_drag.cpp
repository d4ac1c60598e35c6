// A rectangle picked with the real pointer of an X display: the program runs in this process
// on the X11 backend, its UserMain opens an image at 200% and waits in the rectangle tool, and
// xdotool clicks the two corners as a person would. The corners come back in image pixels,
// ordered.
#include "framework/startup.h"
#include "imagewin/image_table.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"

#include "support/x11_program.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <atomic>
#include <string>
#include <thread>

namespace {

std::atomic<WindowId> image_window{0};
std::atomic<int> tool_result{-1};
std::atomic<int> corners[4];

}  // namespace

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    PXK_CreateImage(0, "drag", 100, 100, 200, 150, 200);
    image_window.store(image_table[0].window);
    int c[4] = {-1, -1, -1, -1};
    const int result = PXK_GetRectangle(0, &c[0], &c[1], &c[2], &c[3]);
    for (int i = 0; i < 4; i++) corners[i].store(c[i]);
    tool_result.store(result);
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}

TEST(PointToolOnX11, RectangleClickedWithTheRealPointerOnAZoomedWindow) {
    X11Program program;
    ASSERT_TRUE(program.Start("pixkit-x11-tool"));

    ASSERT_TRUE(DriverWaitFor([] { return point_tool_active.load() == 1; }, 20000)) << "the tool did not start";
    ASSERT_FALSE(RunCommand("xdotool search --sync --onlyvisible --name '^drag\\(200%\\)$'").empty());
    PlatPoint origin{0, 0};
    PlatClientToScreen(image_window.load(), &origin);
    auto at = [&](int x, int y) {
        return std::to_string(origin.x + x) + " " + std::to_string(origin.y + y);
    };
    // First corner at client (151, 111), then the pointer travels up and left to (41, 21).
    RunCommand("xdotool mousemove --sync " + at(151, 111) + " click 1");
    RunCommand("xdotool mousemove --sync " + at(100, 60) + " mousemove --sync " + at(41, 21) + " click 1");
    EXPECT_TRUE(DriverWaitFor([] { return tool_result.load() != -1; }, 20000));
    EXPECT_EQ(tool_result.load(), PXK_TOOL_DONE);
    EXPECT_EQ(corners[0].load(), 20);
    EXPECT_EQ(corners[1].load(), 10);
    EXPECT_EQ(corners[2].load(), 75);
    EXPECT_EQ(corners[3].load(), 55);
}
