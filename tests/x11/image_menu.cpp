// The image window's edit menu on X11: the program runs in this process on the X11 backend
// with one image window; xdotool right-clicks the window, the menu opens at the pointer, and
// a left click on "Zoom:200%" shows the image at 200%.
#include "framework/startup.h"
#include "imagewin/image_table.h"
#include "platform/driver/driver.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"
#include "support/tracked_menu.h"

#include "support/x11_program.h"

#include <gtest/gtest.h>

#include <stdlib.h>
#include <atomic>
#include <string>
#include <thread>

namespace {

std::atomic<WindowId> image_window{0};
std::atomic<int> shown_zoom{0};

std::string Click(int x, int y, int button) {
    return RunCommand("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click " +
                      std::to_string(button));
}

}  // namespace

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    PXK_CreateImage(0, "menu", 100, 100, 400, 300, 100);
    image_window.store(image_table[0].window);
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
        shown_zoom.store(image_table[0].zoom);
    }
}

TEST(ImageMenuOnX11, RightClickOpensTheEditMenuAndItsItemZooms) {
    X11Program program;
    ASSERT_TRUE(program.Start("pixkit-x11-menu"));

    ASSERT_TRUE(DriverWaitFor([] { return image_window.load() != 0 && shown_zoom.load() == 100; }, 20000));
    PlatPoint at{50, 50};
    PlatClientToScreen(image_window.load(), &at);
    Click(at.x, at.y, 3);
    ASSERT_TRUE(DriverWaitFor([] { return TrackedMenuRows().size() == 14; }, 20000));
    EXPECT_EQ(TrackedMenuRows()[8], (MenuRow{"Zoom:100%\tCtrl+0", 1008, MENU_CHECKED}));
    PlatRect item;
    ASSERT_TRUE(PlatGetTrackedMenuItemRect(9, &item));
    Click((item.left + item.right) / 2, (item.top + item.bottom) / 2, 1);
    EXPECT_TRUE(DriverWaitFor([] { return shown_zoom.load() == 200; }, 20000)) << shown_zoom.load();
    EXPECT_EQ(PlatGetTrackedMenuWindow(), 0u);
}
