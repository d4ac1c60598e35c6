// The non-client area on the headless backend: captions, the close box and the menu bar
// painted from the system palette (exact pixels), and the close box and menu-bar items acting
// on release over the part pressed, with the pressed look following the pointer meanwhile.
// The windows live on a thread of their own with its own message loop, as the framework's do.
#include "platform/backend.h"
#include "support/top_window.h"
#include "platform/draw/system_colors.h"
#include "platform/driver/driver.h"
#include "platform/window/input.h"
#include "platform/system.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

namespace {

enum { ID_RUN = 101, ID_GREY = 102, ID_EXIT = 103, MSG_MARK = MSG_USER + 1 };
enum { ITEM_RUN = 0, ITEM_GREY = 1, ITEM_EXIT = 2, OUTSIDE = -1 };

struct Seen {
    int msg;
    uintptr_t wparam;
};

std::mutex g_seen_lock;
std::vector<Seen> g_seen;
std::atomic<int> g_live{0};

std::vector<Seen> SeenOf(int msg) {
    std::lock_guard<std::mutex> guard(g_seen_lock);
    std::vector<Seen> out;
    for (const Seen& s : g_seen)
        if (s.msg == msg) out.push_back(s);
    return out;
}

intptr_t FrameProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_COMMAND || msg == MSG_CLOSE || msg == MSG_MARK) {
        std::lock_guard<std::mutex> guard(g_seen_lock);
        g_seen.push_back(Seen{msg, wparam});
    }
    // The thread's loop ends with its last window.
    if (msg == MSG_DESTROY && --g_live == 0) PlatPostQuitMessage(0);
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

WindowId MakeFrame(int x, int y) {
    Menu* menu = PlatCreateMenu();
    PlatInsertMenuItem(menu, -1, MENU_ENABLED, ID_RUN, u"&Run");
    PlatInsertMenuItem(menu, -1, MENU_GRAYED, ID_GREY, u"&Grey");
    PlatInsertMenuItem(menu, -1, MENU_ENABLED, ID_EXIT, u"E&xit");
    return MakeTopWindow("test_frame", x, y, 320, 200, STYLE_CAPTION | STYLE_SYSMENU | STYLE_VISIBLE, u"A", menu);
}

class NonClient : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
        WindowClassDesc desc{"test_frame", FrameProc, 0, 0x00808080};
        ASSERT_EQ(PlatRegisterClass(&desc), 0);
    }

    // Starts the windows' thread with `count` windows side by side; the last one is active.
    void Start(int count) {
        g_live = count;
        pump = std::thread([this, count] {
            for (int i = 0; i < count; i++) windows[i] = MakeFrame(100 + 400 * i, 100);
            Message m;
            while (PlatGetMessage(&m)) {
                PlatTranslateMessage(&m);
                PlatDispatchMessage(&m);
            }
        });
        ASSERT_TRUE(DriverWaitFor([this, count] { return windows[count - 1].load() != 0; }));
    }
    void TearDown() override {
        for (auto& w : windows)
            if (PlatIsWindow(w)) PlatDestroyWindow(w);
        if (pump.joinable()) pump.join();
        std::lock_guard<std::mutex> guard(g_seen_lock);
        g_seen.clear();
    }

    static uint32_t Pixel(WindowId w, PlatPoint p) {
        int width = 0, height = 0;
        std::vector<uint32_t> px = DriverWindowPixels(w, &width, &height);
        if (p.x < 0 || p.y < 0 || p.x >= width || p.y >= height) return 0xFFFFFFFFu;
        return px[(size_t)p.y * width + p.x];
    }
    static bool WaitPixel(WindowId w, PlatPoint p, SysColorId color) {
        return DriverWaitFor([&] { return Pixel(w, p) == SysColor(color); });
    }
    // Counts the pixels of a window-coordinate rectangle that are exactly `color`.
    static int CountExactly(WindowId w, PlatRect r, uint32_t color) {
        int width = 0, height = 0, n = 0;
        std::vector<uint32_t> px = DriverWindowPixels(w, &width, &height);
        for (int y = r.top; y < r.bottom; y++)
            for (int x = r.left; x < r.right; x++) n += px[(size_t)y * width + x] == color;
        return n;
    }
    static PlatRect Item(WindowId w, int item) {
        PlatRect r{};
        for (int x = 0; x < 320 && MenuBarItemAt(w, x, MenuTop() + 2, &r) != item; x++) {}
        return r;
    }
    static int MenuTop() { return PlatGetSystemMetric(METRIC_CXFRAME) + PlatGetSystemMetric(METRIC_CYCAPTION); }
    static PlatRect CloseBox(WindowId w) {
        PlatRect r{};
        CloseBoxRect(w, &r);
        return r;
    }
    static PlatPoint Centre(PlatRect r) { return PlatPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }
    // A window point on the screen.
    static PlatPoint OnScreen(WindowId w, PlatPoint p) {
        PlatRect wr = DriverWindowRect(w);
        return PlatPoint{wr.left + p.x, wr.top + p.y};
    }
    static void Button(WindowId w, PlatPoint p, bool down) {
        PlatPoint s = OnScreen(w, p);
        DriverMovePointer(s.x, s.y);
        DriverButton(s.x, s.y, BUTTON_LEFT, down);
    }
    static void MoveTo(WindowId w, PlatPoint p) {
        PlatPoint s = OnScreen(w, p);
        DriverMovePointer(s.x, s.y);
    }
    // Returns once everything the window's thread was given so far has been handled: a
    // marker posted behind the input, then a second one behind anything the first
    // handling posted in turn (a command posted on release queues behind the first marker).
    static void Settle(WindowId w) {
        for (int round = 1; round <= 2; round++) {
            size_t before = SeenOf(MSG_MARK).size();
            PlatPostMessage(w, MSG_MARK, 0, 0);
            ASSERT_TRUE(DriverWaitFor([before] { return SeenOf(MSG_MARK).size() > before; }));
        }
    }

    std::atomic<WindowId> windows[2] = {0, 0};
    std::thread pump;
};

}  // namespace

// Every part is painted with its palette entry: the frame, the caption of the active and of
// an inactive window, the close box's cross on each, the item held down on the menu bar and
// the others, and a greyed item's text (its mnemonic underline is drawn in the exact ink).
TEST_F(NonClient, PartsArePaintedFromThePalette) {
    Start(2);
    WindowId back = windows[0], front = windows[1];
    PlatRect box = CloseBox(front);
    PlatPoint cross = Centre(box);
    PlatPoint caption{box.left - 4, box.top + 1};
    ASSERT_TRUE(WaitPixel(back, caption, SYS_COLOR_CAPTION_INACTIVE));
    ASSERT_TRUE(WaitPixel(front, caption, SYS_COLOR_CAPTION_ACTIVE));
    PlatRect run = Item(front, ITEM_RUN), exit = Item(front, ITEM_EXIT), grey = Item(front, ITEM_GREY);
    Button(front, Centre(run), true);
    ASSERT_TRUE(WaitPixel(front, PlatPoint{run.left, run.top}, SYS_COLOR_MENU_HOT));
    struct Probe {
        const char* what;
        WindowId window;
        PlatPoint at;
        SysColorId color;
    } probes[] = {
        {"frame edge", front, {0, 0}, SYS_COLOR_FRAME_EDGE},
        {"frame", front, {1, 1}, SYS_COLOR_FRAME},
        {"active caption", front, caption, SYS_COLOR_CAPTION_ACTIVE},
        {"inactive caption", back, caption, SYS_COLOR_CAPTION_INACTIVE},
        {"active cross centre", front, cross, SYS_COLOR_CAPTION_TEXT_ACTIVE},
        {"active cross arm", front, {cross.x + 4, cross.y - 4}, SYS_COLOR_CAPTION_TEXT_ACTIVE},
        {"beside the active cross", front, {cross.x + 1, cross.y}, SYS_COLOR_CAPTION_ACTIVE},
        {"inactive cross arm", back, {cross.x - 4, cross.y + 4}, SYS_COLOR_CAPTION_TEXT_INACTIVE},
        {"beside the inactive cross", back, {cross.x, cross.y + 1}, SYS_COLOR_CAPTION_INACTIVE},
        {"item held down", front, {run.right - 1, run.bottom - 1}, SYS_COLOR_MENU_HOT},
        {"item not held", front, {exit.left, exit.top}, SYS_COLOR_FACE},
        {"menu bar after the items", front, {exit.right + 1, exit.top}, SYS_COLOR_FACE},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(Pixel(p.window, p.at), SysColor(p.color)) << p.what;
    EXPECT_GT(CountExactly(front, grey, SysColor(SYS_COLOR_GRAY_TEXT)), 3);
    EXPECT_EQ(CountExactly(front, grey, SysColor(SYS_COLOR_MENU_TEXT)), 0);
    EXPECT_GT(CountExactly(front, exit, SysColor(SYS_COLOR_MENU_TEXT)), 3);
    EXPECT_EQ(CountExactly(front, exit, SysColor(SYS_COLOR_GRAY_TEXT)), 0);
    Button(front, PlatPoint{160, 150}, false);
    Settle(front);
}

// The close box looks pressed only while the held pointer is over it, closes nothing when the
// button is let go elsewhere, and closes the window when it is let go over it.
TEST_F(NonClient, CloseBoxActsOnReleaseOverIt) {
    Start(1);
    WindowId w = windows[0];
    PlatRect box = CloseBox(w);
    PlatPoint corner{box.left + 1, box.top + 1}, away{160, 150};
    ASSERT_TRUE(WaitPixel(w, corner, SYS_COLOR_CAPTION_ACTIVE));
    Button(w, Centre(box), true);
    ASSERT_TRUE(WaitPixel(w, corner, SYS_COLOR_CLOSE_PRESSED));
    EXPECT_EQ(Pixel(w, Centre(box)), SysColor(SYS_COLOR_CLOSE_PRESSED_TEXT));
    MoveTo(w, away);
    ASSERT_TRUE(WaitPixel(w, corner, SYS_COLOR_CAPTION_ACTIVE));
    MoveTo(w, Centre(box));
    ASSERT_TRUE(WaitPixel(w, corner, SYS_COLOR_CLOSE_PRESSED));
    MoveTo(w, away);
    Button(w, away, false);
    Settle(w);
    EXPECT_TRUE(PlatIsWindow(w));
    EXPECT_TRUE(SeenOf(MSG_CLOSE).empty());
    EXPECT_EQ(Pixel(w, corner), SysColor(SYS_COLOR_CAPTION_ACTIVE));
    Button(w, Centre(box), true);
    Button(w, Centre(box), false);
    ASSERT_TRUE(DriverWaitFor([w] { return !PlatIsWindow(w); }));
    EXPECT_EQ(SeenOf(MSG_CLOSE).size(), 1u);
}

// A menu-bar item posts its command only when the button is let go over that same item;
// letting go over another item or outside the window, or Esc while it is held, posts nothing,
// and a greyed item neither lights up nor acts.
TEST_F(NonClient, MenuBarItemsActOnReleaseOverThem) {
    Start(1);
    WindowId w = windows[0];
    struct Case {
        int press, release;
        bool escape;
        int command;   // 0: none
    } cases[] = {
        {ITEM_RUN, ITEM_RUN, false, ID_RUN},     {ITEM_EXIT, ITEM_EXIT, false, ID_EXIT},
        {ITEM_RUN, ITEM_EXIT, false, 0},         {ITEM_EXIT, OUTSIDE, false, 0},
        {ITEM_RUN, ITEM_RUN, true, 0},           {ITEM_GREY, ITEM_GREY, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "press " << c.press << " release " << c.release << " escape " << c.escape);
        PlatRect pressed = Item(w, c.press);
        PlatPoint corner{pressed.left, pressed.top};
        Button(w, Centre(pressed), true);
        if (c.press == ITEM_GREY) Settle(w);
        else ASSERT_TRUE(WaitPixel(w, corner, SYS_COLOR_MENU_HOT));
        EXPECT_EQ(Pixel(w, corner), SysColor(c.press == ITEM_GREY ? SYS_COLOR_FACE : SYS_COLOR_MENU_HOT));
        if (c.escape) DriverKey(KEY_ESCAPE);
        PlatPoint release = c.release == OUTSIDE ? PlatPoint{-20, -20} : Centre(Item(w, c.release));
        Button(w, release, false);
        Settle(w);
        std::vector<Seen> commands = SeenOf(MSG_COMMAND);
        ASSERT_EQ(commands.size(), c.command ? 1u : 0u);
        if (c.command) {
            EXPECT_EQ(ParamLow((intptr_t)commands[0].wparam), c.command);
        }
        EXPECT_EQ(Pixel(w, corner), SysColor(SYS_COLOR_FACE));
        std::lock_guard<std::mutex> guard(g_seen_lock);
        g_seen.clear();
    }
}
