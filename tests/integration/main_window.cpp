// The main window on the real program: where it lands after the drop-in animation, its
// menu bar and status line, the refused resize, and snapping while dragged with Ctrl held.
#include "support/harness.h"

#include "platform/window/menu.h"
#include "platform/window/window.h"
#include "runtime/main_window.h"
#include "runtime/run_control.h"
#include "runtime/shared_ops.h"
#include "runtime/startup_state.h"
#include "runtime/window_rects.h"

#include <gtest/gtest.h>

#include <string>

static std::string Blanks(int n) { return std::string((size_t)n, ' '); }

TEST(MainWindow, LandsCentredOnTheBottomOfTheScreenWithMenuAndStatusLine) {
    ASSERT_TRUE(StartProgram(1280, 720, 32));
    WindowId mw = MainWindow();
    PlatRect r = DriverWindowRect(mw);
    int w = RectWidth(r);
    EXPECT_EQ(r.left, (PlatGetSystemMetric(METRIC_CXFULLSCREEN) - w) / 2);
    EXPECT_EQ(r.bottom, PlatGetSystemMetric(METRIC_CYFULLSCREEN) + PlatGetSystemMetric(METRIC_CYCAPTION));
    EXPECT_EQ(r.bottom, 720);
    PlatRect client;
    PlatGetClientRect(mw, &client);
    EXPECT_EQ(RectWidth(client), 240);
    EXPECT_EQ(RectHeight(client), 32);
    EXPECT_EQ(DriverWindowText(mw), "PIXKIT");
    EXPECT_EQ(StatusText(), Blanks(12) + "32-bit color");
    Menu* bar = PlatGetWindowMenu(mw);
    ASSERT_NE(bar, nullptr);
    const char16_t* texts[] = {u"Start(&S)", u"Stop(&C)", u"Exit(&X)"};
    const int ids[] = {CMD_START, CMD_STOP, CMD_EXIT};
    ASSERT_EQ(PlatGetMenuItemCount(bar), 3);
    for (int i = 0; i < 3; i++) {
        int id = 0, state = -1;
        char16_t text[64];
        PlatGetMenuItem(bar, i, &id, &state, text, 64);
        EXPECT_EQ(std::u16string(text), std::u16string(texts[i]));
        EXPECT_EQ(id, ids[i]);
        EXPECT_EQ(state, MENU_ENABLED);
    }
    EXPECT_TRUE(PlatAcceptsFiles(mw));
    EXPECT_EQ(StopProgram(), 0);
}

TEST(MainWindow, StatusLineShowsTheScreenDepthAndCentresOrCutsTexts) {
    ASSERT_TRUE(StartProgram(1920, 1080, 16));
    EXPECT_EQ(screen_bits, 16);
    EXPECT_EQ(StatusText(), Blanks(12) + "16-bit color");
    PXK_SetStatusText("");
    EXPECT_EQ(StatusText(), Blanks(18));
    std::string forty(40, 'x');
    PXK_SetStatusText(forty.c_str());
    EXPECT_EQ(StatusText(), forty);
    PXK_SetStatusText("abc");
    EXPECT_EQ(StatusText(), Blanks(17) + "abc");
    // Too long for the 63-byte field: cut, never overrun.
    PXK_SetStatusText(std::string(100, 'y').c_str());
    EXPECT_EQ(StatusText(), std::string(63, 'y'));
    // Cut at a character boundary: 31 two-byte characters fit in 63 bytes, 32 do not.
    std::string accents;
    for (int i = 0; i < 40; i++) accents += "\xC3\xA9";
    PXK_SetStatusText(accents.c_str());
    EXPECT_EQ(StatusText(), accents.substr(0, 62));
    EXPECT_EQ(StopProgram(), 0);
}

TEST(MainWindow, WindowTextsLongerThan255UnitsAreCut) {
    ASSERT_TRUE(StartProgram());
    WindowId mw = MainWindow();
    std::string long_text(300, 'b');
    PXK_SetWindowText(mw, long_text.c_str());
    char buf[256];
    PXK_GetWindowText(mw, buf, 256);
    EXPECT_EQ(std::string(buf), std::string(255, 'b'));
    // A short buffer gets at most its size, terminator included.
    char small[8];
    PXK_GetWindowText(mw, small, 8);
    EXPECT_EQ(std::string(small), std::string(7, 'b'));
    EXPECT_EQ(StopProgram(), 0);
}

TEST(MainWindow, ResizingIsRefused) {
    ASSERT_TRUE(StartProgram());
    WindowId mw = MainWindow();
    PlatRect now = DriverWindowRect(mw);
    PlatRect proposed{now.left - 30, now.top - 40, now.right + 50, now.bottom};
    PlatSendMessage(mw, MSG_SIZING, SIZING_TOPLEFT, (intptr_t)&proposed);
    EXPECT_EQ(proposed.left, now.left);
    EXPECT_EQ(proposed.top, now.top);
    EXPECT_EQ(proposed.right, now.right);
    EXPECT_EQ(proposed.bottom, now.bottom);
    EXPECT_EQ(StopProgram(), 0);
}

// Drags the main window by its caption so that its top-left lands at (x, y).
static PlatRect DragMainWindowTo(int x, int y, int mods) {
    WindowId mw = MainWindow();
    PlatRect r = DriverWindowRect(mw);
    int gx = r.left + 60, gy = r.top + 10;
    DriverSetModifiers(mods);
    DriverDrag(gx, gy, gx + (x - r.left), gy + (y - r.top));
    DriverSetModifiers(0);
    DriverWaitIdle();
    return DriverWindowRect(mw);
}

TEST(MainWindow, SnapsToTheScreenEdgesOnlyWithCtrlHeld) {
    ASSERT_TRUE(StartProgram());
    PlatRect r = DragMainWindowTo(5, 300, 0);
    EXPECT_EQ(r.left, 5);
    EXPECT_EQ(r.top, 300);
    r = DragMainWindowTo(5, 300, INPUT_MOD_CONTROL);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 300);
    r = DragMainWindowTo(8, 300, INPUT_MOD_CONTROL);
    EXPECT_EQ(r.left, 8);
    // Near the top-right corner both axes snap: right edge onto the right wall, top onto 0.
    int w = RectWidth(r);
    r = DragMainWindowTo(1920 - w - 6, 4, INPUT_MOD_CONTROL);
    EXPECT_EQ(r.right, 1920);
    EXPECT_EQ(r.top, 0);
    // The bottom wall: the bottom edge lands on the bottom of the usable screen.
    int h = RectHeight(r);
    r = DragMainWindowTo(600, 1080 - h + 7, INPUT_MOD_CONTROL);
    EXPECT_EQ(r.bottom, 1080);
    EXPECT_EQ(r.left, 600);
    // After each move the list holds the walls and the window as it is now.
    int n = window_rect_list.count.load();
    ASSERT_GE(n, 5);
    EXPECT_EQ(window_rect_list.left[n - 1].load(), r.left);
    EXPECT_EQ(window_rect_list.top[n - 1].load(), r.top);
    EXPECT_EQ(window_rect_list.right[0].load(), 0);
    EXPECT_EQ(window_rect_list.top[3].load(), 1080);
    EXPECT_EQ(StopProgram(), 0);
}
