// A file dropped on an image window through XDND: the program runs in this process on the
// X11 backend with one image window, another X client drags a PNG and a second file onto it,
// and the image takes the first file's pixels.
#include "framework/startup.h"
#include "imagewin/image_table.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"
#include "platform/x11/x11_backend.h"
#include "pxk.h"
#include "runtime/entry.h"
#include "runtime/main_window.h"
#include "runtime/startup_state.h"
#include "support/outside_io.h"
#include "support/picture_files.h"

#include "support/x11_program.h"

#include <gtest/gtest.h>

// Xlib after gtest: its macros (None) would break gtest's names.
#include "xdnd_source.h"

#include <stdlib.h>
#include <atomic>
#include <string>
#include <thread>

namespace {

std::atomic<WindowId> image_window{0};

uint32_t FirstPixel() {
    uint32_t v = 0;
    PXK_SelectImage(0);
    PXK_ReadImageRect(&v, 3, 2, 1, 1);
    PXK_SelectPreviousImage();
    return v;
}

std::atomic<uint32_t> seen_pixel{0};

}  // namespace

extern "C" void UserSetup(void) { StartRequested.store(1); }

extern "C" void UserMain(void) {
    PXK_CreateImage(0, "dropzone", 100, 100, 120, 90, 100);
    image_window.store(image_table[0].window);
    while (ExitState.load() == PXK_EXIT_NONE) {
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
        seen_pixel.store(FirstPixel());
    }
}

TEST(ImageDropOnX11, FirstDroppedFileLoadsIntoTheImage) {
    const std::string dir = FreshFolder("x11_drop");
    ASSERT_TRUE(WritePpm(dir + "/p.ppm", 20, 10));
    RunCommand("convert " + dir + "/p.ppm PNG24:" + dir + "/p.png && convert -size 5x5 xc:red " + dir + "/r.bmp");
    X11Program program;
    ASSERT_TRUE(program.Start("pixkit-x11-drop"));

    ASSERT_TRUE(DriverWaitFor([] { return image_window.load() != 0; }, 20000));
    const unsigned long xid = X11NativeWindow(image_window.load());
    ASSERT_TRUE(DriverWaitFor([&] {
        return RunCommand("xprop -id " + std::to_string(xid) + " XdndAware").find("XdndAware(ATOM) = ") != std::string::npos;
    }, 20000));
    PlatPoint origin{10, 10};
    PlatClientToScreen(image_window.load(), &origin);
    const DragResult result = DragFiles(xid, origin.x, origin.y, "file://" + dir + "/p.png\r\nfile://" + dir + "/r.bmp\r\n");
    EXPECT_TRUE(result.finished_accepted);
    EXPECT_TRUE(DriverWaitFor([] { return seen_pixel.load() == PatternColor(3, 2); }, 20000))
        << std::hex << seen_pixel.load();
    RunCommand("rm -rf '" + dir + "'");
}
