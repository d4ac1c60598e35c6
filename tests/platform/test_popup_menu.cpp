// Popup menus of the layer: tracked on the owner's thread, chosen by click or keys, dismissed
// by Esc or a press outside, drawn with check marks, greyed text, shortcuts and mnemonics.
#include "platform/backend.h"
#include "support/top_window.h"
#include "platform/driver/driver.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::atomic<int> commands_seen{0};
std::atomic<int> last_command{0};

intptr_t OwnerProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_COMMAND) {
        last_command.store(ParamLow((intptr_t)wparam));
        commands_seen.fetch_add(1);
        return 0;
    }
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

struct MenuRun {
    std::thread thread;
    std::atomic<int> result{-1};
    std::atomic<WindowId> owner{0};
};

Menu* BuildMenu(void) {
    Menu* sub = PlatCreatePopupMenu();
    PlatInsertMenuItem(sub, 0, MENU_ENABLED, 201, u"Inner");
    Menu* m = PlatCreatePopupMenu();
    PlatInsertMenuItem(m, 0, MENU_ENABLED, 101, u"&Paste\tCtrl+V");
    PlatInsertMenuSeparator(m, 1);
    PlatInsertMenuItem(m, 2, MENU_GRAYED, 102, u"Greyed");
    PlatInsertMenuItem(m, 3, MENU_CHECKED, 103, u"Checked");
    PlatInsertSubMenu(m, 4, u"More", sub);
    return m;
}

// Tracks the menu at (300, 200) on a thread of its own that owns the owner window, then
// serves that thread's queue briefly so that the posted command arrives.
void StartTracking(MenuRun* run) {
    run->thread = std::thread([run] {
        static std::once_flag once;
        std::call_once(once, [] {
            WindowClassDesc d{"test_menu_owner", OwnerProc, 0, 0x00FFFFFF};
            PlatRegisterClass(&d);
        });
        WindowId owner = MakeTopWindow("test_menu_owner", 50, 50, 200, 100);
        PlatSetForegroundWindow(owner);
        run->owner.store(owner);
        Menu* m = BuildMenu();
        run->result.store(PlatTrackPopupMenu(m, 300, 200, owner));
        PlatDestroyMenu(m);
        Message msg;
        while (PlatPeekMessage(&msg, PEEK_REMOVE)) PlatDispatchMessage(&msg);
        PlatDestroyWindow(owner);
    });
}

class PopupMenu : public ::testing::Test {
protected:
    void SetUp() override {
        PlatStartHeadless(1920, 1080, 32);
        commands_seen.store(0);
        last_command.store(0);
        StartTracking(&run);
        ASSERT_TRUE(DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }));
        menu_window = PlatGetTrackedMenuWindow();
        ASSERT_TRUE(DriverWaitIdle());
    }
    void TearDown() override {
        if (run.thread.joinable()) {
            if (PlatGetTrackedMenuWindow()) DriverKey(KEY_ESCAPE);
            run.thread.join();
        }
    }
    PlatPoint ItemCentre(int position) {
        PlatRect r{};
        EXPECT_TRUE(PlatGetTrackedMenuItemRect(position, &r));
        return PlatPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    int Finish() {
        run.thread.join();
        return run.result.load();
    }
    MenuRun run;
    WindowId menu_window = 0;
};

TEST_F(PopupMenu, OpensAtThePointAndAClickOnAnItemPostsItsIdToTheOwner) {
    PlatRect wr = DriverWindowRect(menu_window);
    EXPECT_EQ(wr.left, 300);
    EXPECT_EQ(wr.top, 200);
    EXPECT_TRUE(PlatGetStyle(menu_window) & STYLE_POPUP);
    PlatPoint p = ItemCentre(0);
    DriverClick(p.x, p.y);
    EXPECT_EQ(Finish(), 101);
    EXPECT_EQ(commands_seen.load(), 1);
    EXPECT_EQ(last_command.load(), 101);
    EXPECT_FALSE(PlatIsWindow(menu_window));
    EXPECT_EQ(PlatGetTrackedMenuWindow(), 0u);
}

TEST_F(PopupMenu, GreyedItemsAndSeparatorsChooseNothing) {
    PlatPoint grey = ItemCentre(2);
    DriverClick(grey.x, grey.y);
    PlatRect sep{};
    ASSERT_TRUE(PlatGetTrackedMenuItemRect(1, &sep));
    DriverClick(sep.left + 30, (sep.top + sep.bottom) / 2);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_TRUE(PlatIsWindow(menu_window));
    PlatPoint checked = ItemCentre(3);
    DriverClick(checked.x, checked.y);
    EXPECT_EQ(Finish(), 103);
}

TEST_F(PopupMenu, EscapeDismissesWithoutACommand) {
    DriverKey(KEY_ESCAPE);
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(commands_seen.load(), 0);
    EXPECT_FALSE(PlatIsWindow(menu_window));
}

TEST_F(PopupMenu, APressOutsideDismisses) {
    DriverClick(1500, 900);
    EXPECT_EQ(Finish(), 0);
    EXPECT_EQ(commands_seen.load(), 0);
}

TEST_F(PopupMenu, ArrowKeysSkipSeparatorsAndEnterChooses) {
    DriverKey(KEY_DOWN);   // Paste
    DriverKey(KEY_DOWN);   // Greyed (the separator is skipped)
    DriverKey(KEY_DOWN);   // Checked
    DriverKey(KEY_RETURN);
    EXPECT_EQ(Finish(), 103);
}

TEST_F(PopupMenu, HoveringASubmenuItemOpensItAndItsItemsCanBeChosen) {
    PlatPoint more = ItemCentre(4);
    DriverMovePointer(more.x, more.y);
    ASSERT_TRUE(DriverWaitFor([this] { return PlatGetTrackedMenuWindow() != menu_window; }));
    WindowId sub = PlatGetTrackedMenuWindow();
    PlatRect outer = DriverWindowRect(menu_window), inner = DriverWindowRect(sub);
    EXPECT_GE(inner.left, outer.right - 4);
    PlatPoint p = ItemCentre(0);
    DriverClick(p.x, p.y);
    EXPECT_EQ(Finish(), 201);
    EXPECT_FALSE(PlatIsWindow(sub));
}

TEST_F(PopupMenu, DrawsCheckMarkGreyTextShortcutAndMnemonic) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverWindowPixels(menu_window, &w, &h);
    PlatRect wr = DriverWindowRect(menu_window);
    auto count = [&](int position, int x0, int x1, uint32_t colour) {
        PlatRect r{};
        PlatGetTrackedMenuItemRect(position, &r);
        r = RectOffset(r, -wr.left, -wr.top);
        int n = 0;
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left + x0; x < r.left + x1 && x < w; x++)
                if (px[(size_t)y * (size_t)w + (size_t)x] == colour) n++;
        return n;
    };
    // Black ink in the check column only for the checked item.
    EXPECT_GT(count(3, 0, 24, 0x000000), 0);
    EXPECT_EQ(count(0, 0, 24, 0x000000), 0);
    // The greyed item is drawn in grey, never in black.
    EXPECT_GT(count(2, 24, w, 0xA0A0A0), 0);
    EXPECT_EQ(count(2, 24, w, 0x000000), 0);
    // The shortcut text sits at the right: ink in the right half of the Paste row.
    EXPECT_GT(count(0, w / 2, w - 20, 0x000000), 0);
    // The mnemonic of "&Paste" is underlined: a run of ink below the text baseline.
    PlatRect r0{};
    PlatGetTrackedMenuItemRect(0, &r0);
    r0 = RectOffset(r0, -wr.left, -wr.top);
    int longest = 0;
    for (int y = r0.top; y < r0.bottom; y++) {
        int run = 0;
        for (int x = r0.left + 24; x < r0.left + 40; x++) {
            run = px[(size_t)y * (size_t)w + (size_t)x] == 0 ? run + 1 : 0;
            if (run > longest) longest = run;
        }
    }
    EXPECT_GE(longest, 5);
}

}  // namespace
