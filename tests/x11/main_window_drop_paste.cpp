// The main window on an X display: the program runs in this process on the X11 backend before
// Start (its set-up does not start the main entry, so the main window takes drops and Paste),
// other X clients play the desktop: an XDND source drags two ImageMagick pictures onto the main
// window, and xclip offers a PNG that Ctrl+V (xdotool) pastes. Every new image window is checked
// by its caption and by what the screen shows of its client area.
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

#include <stdio.h>
#include <stdlib.h>
#include <string>
#include <thread>
#include <vector>

extern "C" void UserSetup(void) {}
extern "C" void UserMain(void) {}

namespace {

// The program on its own thread, ended by Exit when the test ends.
class MainWindowOnX11 : public ::testing::Test {
protected:
    X11Program program;
    std::string dir;

    void SetUp() override {
        dir = FreshFolder("x11_main_drop_paste");
        ASSERT_TRUE(program.Start("pixkit-x11-main"));
        ASSERT_TRUE(DriverWaitFor([] { return main_window.load() != 0; }, 20000));
    }
    void TearDown() override {
        program.End();
        RunCommand("rm -rf '" + dir + "'");
    }
};

std::string Caption(unsigned long xid) {
    std::string out = RunCommand("xprop -id " + std::to_string(xid) + " WM_NAME 2>/dev/null");
    size_t open = out.find('"'), close = out.rfind('"');
    return open == std::string::npos || close <= open ? std::string() : out.substr(open + 1, close - open - 1);
}

// What the screen shows of the window's client area (raised first, so nothing covers it).
std::vector<uint32_t> ClientOnScreen(WindowId window, int width, int height) {
    RunCommand("xdotool windowraise " + std::to_string(X11NativeWindow(window)));
    PlatPoint origin{0, 0};
    PlatClientToScreen(window, &origin);
    char cmd[200];
    snprintf(cmd, sizeof cmd, "import -window root -crop %dx%d+%d+%d +repage -depth 8 rgb:- 2>/dev/null", width,
             height, origin.x, origin.y);
    const std::string raw = RunCommand(cmd);
    std::vector<uint32_t> px;
    if (raw.size() != (size_t)width * height * 3) return px;
    for (size_t i = 0; i < raw.size(); i += 3)
        px.push_back((uint32_t)(uint8_t)raw[i] << 16 | (uint32_t)(uint8_t)raw[i + 1] << 8 | (uint8_t)raw[i + 2]);
    return px;
}

std::vector<uint32_t> Pattern(int width, int height) {
    std::vector<uint32_t> out;
    for (int y = 0; y < height; y++)
        for (int x = 0; x < width; x++) out.push_back(PatternColor(x, y) & 0xFFFFFF);
    return out;
}

// Slot `slot` holds an image of this size whose window is captioned `caption` and shows `want`.
void ExpectImageWindow(int slot, int width, int height, const std::string& caption, const std::vector<uint32_t>& want) {
    SCOPED_TRACE(caption);
    ASSERT_TRUE(DriverWaitFor([=] { return image_table[slot].in_use.load() != 0; }, 20000));
    const WindowId window = image_table[slot].window;
    EXPECT_EQ(image_table[slot].width, width);
    EXPECT_EQ(image_table[slot].height, height);
    PlatRect client{};
    PlatGetClientRect(window, &client);
    EXPECT_EQ(client.right - client.left, width);
    EXPECT_EQ(client.bottom - client.top, height);
    std::string seen_caption;
    EXPECT_TRUE(DriverWaitFor([&] { return (seen_caption = Caption(X11NativeWindow(window))) == caption; }, 20000))
        << seen_caption;
    std::vector<uint32_t> shown;
    EXPECT_TRUE(DriverWaitFor([&] { return (shown = ClientOnScreen(window, width, height)) == want; }, 20000))
        << shown.size() << " pixels read, first " << std::hex << (shown.empty() ? 0u : shown[0]);
}

TEST_F(MainWindowOnX11, TwoDraggedPicturesOpenInSlotsZeroAndOne) {
    ASSERT_TRUE(WritePpm(dir + "/p.ppm", 160, 100));
    RunCommand("convert " + dir + "/p.ppm PNG24:" + dir + "/pattern.png && convert -size 136x80 xc:'#2080c0' " + dir +
               "/blue.bmp");
    const unsigned long xid = X11NativeWindow(main_window.load());
    ASSERT_TRUE(DriverWaitFor([&] {
        return RunCommand("xprop -id " + std::to_string(xid) + " XdndAware").find("XdndAware(ATOM) = ") != std::string::npos;
    }, 20000));
    PlatPoint origin{10, 10};
    PlatClientToScreen(main_window.load(), &origin);
    const DragResult result =
        DragFiles(xid, origin.x, origin.y, "file://" + dir + "/pattern.png\r\nfile://" + dir + "/blue.bmp\r\n");
    EXPECT_TRUE(result.finished_accepted);
    ExpectImageWindow(0, 160, 100, "000 pattern.png(100%)", Pattern(160, 100));
    ExpectImageWindow(1, 136, 80, "001 blue.bmp(100%)", std::vector<uint32_t>(136 * 80, 0x2080c0));
}

TEST_F(MainWindowOnX11, CtrlVPastesAPngOfferedByXclip) {
    ASSERT_TRUE(WritePpm(dir + "/c.ppm", 150, 90));
    RunCommand("convert " + dir + "/c.ppm PNG24:" + dir + "/c.png");
    ASSERT_EQ(system(("timeout 30 xclip -quiet -selection clipboard -t image/png -i " + dir +
                      "/c.png >/dev/null 2>&1 &").c_str()), 0);
    ASSERT_TRUE(DriverWaitFor([] {
        return RunCommand("timeout 5 xclip -selection clipboard -t TARGETS -o").find("image/png") != std::string::npos;
    }, 20000));
    const std::string xid = std::to_string(X11NativeWindow(main_window.load()));
    // Keys go where the focus is: the press repeats until the focus has reached the window.
    EXPECT_TRUE(DriverWaitFor([&] {
        RunCommand("xdotool windowactivate --sync " + xid + " windowfocus --sync " + xid + " key ctrl+v");
        return DriverWaitFor([] { return image_table[0].in_use.load() != 0; }, 3000);
    }, 20000));
    ExpectImageWindow(0, 150, 90, "000(100%)", Pattern(150, 90));
}

}  // namespace
