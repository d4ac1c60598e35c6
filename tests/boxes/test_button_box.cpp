// The button box in the running program: grid limits, press counting by click and by digit
// keys, reads that clear the count, resizing with the buttons stretched, clicks in the
// margins, renaming through the text window, Ctrl+Q and bad indexes.
#include "box_fixture.h"

#include "boxes/button_box.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

#include <atomic>

using namespace box_test;

namespace {

class ButtonBox : public BoxTest {
protected:
    WindowId Open(int nx, int ny) {
        OnWorker([nx, ny] { PXK_OpenButtonBox(300, 200, nx, ny); });
        EXPECT_TRUE(DriverWaitIdle());
        return button_box.load();
    }
    static int Presses(int i) {
        return Ask<int>([i] { return PXK_GetButtonPress(i); });
    }
};

int CountButtons(WindowId box) {
    int n = 0;
    PlatEnumChildren(box, [](WindowId child, void* data) {
        if (PlatIsWindowOfClass(child, "BUTTON")) (*(int*)data)++;
        return 0;
    }, &n);
    return n;
}

TEST_F(ButtonBox, BadGridsOpenNothingAndSixteenBySixteenOpensAll) {
    EXPECT_EQ(Open(16, 17), 0u);
    EXPECT_EQ(Open(0, 4), 0u);
    EXPECT_EQ(Open(3, -1), 0u);
    EXPECT_EQ(DriverFindWindowByClass("pxk_bb"), 0u);
    WindowId box = Open(16, 16);
    ASSERT_NE(box, 0u);
    EXPECT_EQ(button_count.load(), 256);
    EXPECT_EQ(CountButtons(box), 256);
    EXPECT_EQ(DriverWindowText(box), "ButtonBox");
    EXPECT_EQ(DriverWindowText(button_hwnd[0]), "0");
    EXPECT_EQ(DriverWindowText(button_hwnd[255]), "255");
    EXPECT_EQ(PlatGetControlId(button_hwnd[255]), 3255);
    // Layout: 4-pixel margins and gaps around 98 x 26 buttons.
    PlatRect client = DriverClientRectScreen(box);
    EXPECT_EQ(RectWidth(client), 16 * 102 + 4);
    EXPECT_EQ(RectHeight(client), 16 * 30 + 4);
    PlatRect last = DriverWindowRect(button_hwnd[255]);
    EXPECT_EQ(last.left - client.left, 15 * 102 + 4);
    EXPECT_EQ(last.top - client.top, 15 * 30 + 4);
    EXPECT_EQ(RectWidth(last), 98);
    EXPECT_EQ(RectHeight(last), 26);
}

TEST_F(ButtonBox, ClicksCountUntilTheProgramReads) {
    ASSERT_NE(Open(2, 1), 0u);
    PlatPoint c = CentreOf(button_hwnd[0]);
    for (int i = 0; i < 3; i++) DriverClick(c.x, c.y);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Presses(0), 3);
    EXPECT_EQ(Presses(0), 0);
    EXPECT_EQ(Presses(1), 0);
    // A press released outside the button is no click.
    DriverDrag(c.x, c.y, c.x, c.y + 200);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Presses(0), 0);
    // After a click the box has the keyboard again.
    DriverClick(c.x, c.y);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(PlatGetFocus(), button_box.load());
}

// A program that sleeps in PXK_WaitForMessages with a timeout of an hour until "go" is
// pressed is woken by the click itself: the job ends with the press counted.
TEST_F(ButtonBox, ClickWakesAWorkerWaitingForThePress) {
    ASSERT_NE(Open(1, 1), 0u);
    // Static: a job that never ends must not outlive what it counts into.
    static std::atomic<int> waits{0}, presses{0};
    const int job = PostJob([] {
        while (presses.load() == 0) {
            waits++;
            PXK_WaitForMessages(3600 * 1000);
            PXK_PumpMessages();
            presses += PXK_GetButtonPress(0);
        }
    });
    // The worker has gone to sleep: it entered the wait and nothing is left to serve.
    ASSERT_TRUE(DriverWaitFor([] { return waits.load() > 0; }));
    ASSERT_TRUE(DriverWaitIdle());
    PlatPoint c = CentreOf(button_hwnd[0]);
    DriverClick(c.x, c.y);
    ASSERT_TRUE(WaitJob(job)) << "the click did not wake the wait";
    EXPECT_EQ(presses.load(), 1);
}

TEST_F(ButtonBox, DigitKeysOfBothRowsPressButtons) {
    ASSERT_NE(Open(3, 2), 0u);
    DriverKey(KEY_NUMPAD0 + 2);
    DriverKey('5');
    DriverKey('5');
    DriverKey('9');   // no button 9: nothing
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Presses(2), 1);
    EXPECT_EQ(Presses(5), 2);
    EXPECT_EQ(Presses(9), 0);
    // With Ctrl held digits count nothing; Ctrl+Q closes the box.
    KeyWith('1', INPUT_MOD_CONTROL);
    EXPECT_EQ(Presses(1), 0);
    KeyWith('Q', INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitFor([] { return button_box.load() == 0 && DriverFindWindowByClass("pxk_bb") == 0; }));
}

TEST_F(ButtonBox, ResizingStretchesTheButtons) {
    WindowId box = Open(1, 2);
    ASSERT_NE(box, 0u);
    OnWorker([] { PXK_ResizeButtonBox(204, 100); });
    EXPECT_EQ(RectWidth(DriverClientRectScreen(box)), 204);
    EXPECT_EQ(button_w.load(), 196);
    EXPECT_EQ(button_h.load(), (100 - 8 - 4) / 2);
    EXPECT_EQ(RectWidth(DriverWindowRect(button_hwnd[1])), 196);
    EXPECT_EQ(DriverWindowRect(button_hwnd[1]).top - DriverClientRectScreen(box).top, 4 + 44 + 4);
    // Dragging the bottom-right corner grows both ways; a new box keeps the size.
    PlatRect r = DriverWindowRect(box);
    DriverDrag(r.right - 1, r.bottom - 1, r.right + 19, r.bottom + 39);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(button_w.load(), 216);
    EXPECT_EQ(button_h.load(), 64);
    OnWorker([] { PXK_CloseButtonBox(); });
    box = Open(2, 1);
    EXPECT_EQ(RectWidth(DriverWindowRect(button_hwnd[1])), 216);
    EXPECT_EQ(RectWidth(DriverClientRectScreen(box)), 2 * 220 + 4);
}

TEST_F(ButtonBox, MarginClickRenamesTheLastButtonAndEmptyAnswerKeepsIt) {
    WindowId box = Open(3, 2);
    ASSERT_NE(box, 0u);
    OnWorker([] { PXK_SetButtonBoxTitle(5, "go"); });
    EXPECT_EQ(DriverWindowText(button_hwnd[5]), "go");
    PlatRect client = DriverClientRectScreen(box);
    DriverDoubleClick(client.right - 2, client.bottom - 2);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("\n");
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 0; }));
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverWindowText(button_hwnd[5]), "go");
    DriverDoubleClick(client.right - 2, client.bottom - 2);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("stop now\n");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(button_hwnd[5]) == "stop now"; }));
    // The gap left of the first button belongs to button 0: Rename from its menu.
    DriverClick(client.left + 1, client.top + 1, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }));
    PlatRect menu = DriverWindowRect(PlatGetTrackedMenuWindow());
    DriverClick(menu.left + 10, menu.top + 8);
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() != 0; }));
    DriverType("first\n");
    ASSERT_TRUE(DriverWaitFor([] { return DriverWindowText(button_hwnd[0]) == "first"; }));
}

TEST_F(ButtonBox, BadIndexesAndClosedBoxReadZero) {
    ASSERT_NE(Open(2, 2), 0u);
    DriverKey('3');
    ASSERT_TRUE(DriverWaitIdle());
    OnWorker([] { PXK_SetButtonBoxTitle(4, "x"); PXK_SetButtonBoxTitle(-1, "x"); });
    EXPECT_EQ(Presses(-1), 0);
    EXPECT_EQ(Presses(4), 0);
    EXPECT_EQ(Presses(256), 0);
    // Destroy from the caption's menu; the pending press is not read any more.
    PlatRect r = DriverWindowRect(button_box.load());
    DriverClick(r.left + 20, r.top + 8, BUTTON_RIGHT);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }));
    PlatRect menu = DriverWindowRect(PlatGetTrackedMenuWindow());
    DriverClick(menu.left + 10, menu.top + 8);
    ASSERT_TRUE(DriverWaitFor([] { return button_box.load() == 0; }));
    EXPECT_EQ(Presses(3), 0);
    // A new box starts with cleared counters.
    ASSERT_NE(Open(2, 2), 0u);
    EXPECT_EQ(Presses(3), 0);
}

}  // namespace
