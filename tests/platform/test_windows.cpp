// The window layer on the headless backend: queues across threads, sent messages, the sticky
// quit through nested loops, paint coalescing, geometry, the move and size loops, focus and
// activation order, and text conversion at buffer limits.
#include "platform/backend.h"
#include "platform/driver/driver.h"
#include "platform/window/input.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Logged {
    WindowId window;
    int msg;
    uintptr_t wparam;
    intptr_t lparam;
    std::thread::id thread;
};

std::mutex g_log_lock;
std::vector<Logged> g_log;
std::atomic<int> g_moving_grid{0};   // non-zero: MSG_MOVING rounds the left edge to this grid

std::vector<Logged> LogOf(int msg) {
    std::lock_guard<std::mutex> guard(g_log_lock);
    std::vector<Logged> out;
    for (const Logged& l : g_log)
        if (l.msg == msg) out.push_back(l);
    return out;
}

int CountOf(int msg, WindowId w) {
    int n = 0;
    for (const Logged& l : LogOf(msg))
        if (l.window == w) n++;
    return n;
}

intptr_t LoggingProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    {
        std::lock_guard<std::mutex> guard(g_log_lock);
        g_log.push_back(Logged{w, msg, wparam, lparam, std::this_thread::get_id()});
    }
    switch (msg) {
    case MSG_USER + 2: return (intptr_t)(wparam * 3 + 1);   // a computed answer for sends
    case MSG_USER + 9: PlatPostQuitMessage(0); return 0;
    case MSG_MOVING: {
        int grid = g_moving_grid.load();
        if (grid) {
            PlatRect* r = (PlatRect*)lparam;
            int left = (r->left + grid / 2) / grid * grid;
            *r = PlatRect{left, r->top, left + RectWidth(*r), r->bottom};
        }
        return 0;
    }
    case MSG_PAINT: {
        PlatRect r;
        PlatBeginPaint(w, &r);
        PlatEndPaint(w);
        std::lock_guard<std::mutex> guard(g_log_lock);
        g_log.back().lparam = MakeParam(r.left, r.top);
        g_log.back().wparam = (uintptr_t)MakeParam(r.right, r.bottom);
        return 0;
    }
    default: return PlatDefWindowProc(w, msg, wparam, lparam);
    }
}

class WindowLayer : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
        WindowClassDesc desc{"test_logging", LoggingProc, CLASS_OWN_DC | CLASS_DBLCLKS, 0x00808080};
        ASSERT_EQ(PlatRegisterClass(&desc), 0);
    }
    void SetUp() override {
        std::lock_guard<std::mutex> guard(g_log_lock);
        g_log.clear();
        g_moving_grid = 0;
    }

    static WindowId MakeWindow(int x, int y, int cw, int ch, uint32_t style, const char16_t* text = u"T") {
        PlatRect r{0, 0, cw, ch};
        PlatAdjustWindowRect(&r, style, 0, false);
        WindowCreate c{};
        c.class_name = "test_logging";
        c.text = text;
        c.style = style;
        c.x = x;
        c.y = y;
        c.width = RectWidth(r);
        c.height = RectHeight(r);
        return PlatCreateWindow(&c);
    }
};

// A thread with its own window and message loop, like the framework's worker.
struct PumpThread {
    std::thread thread;
    std::atomic<WindowId> window{0};
    std::atomic<bool> ended{false};
    std::thread::id id;

    void Start(int x, int y) {
        thread = std::thread([this, x, y] {
            id = std::this_thread::get_id();
            PlatRect r{0, 0, 200, 100};
            uint32_t style = STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME | STYLE_VISIBLE;
            PlatAdjustWindowRect(&r, style, 0, false);
            WindowCreate c{};
            c.class_name = "test_logging";
            c.text = u"worker";
            c.style = style;
            c.x = x;
            c.y = y;
            c.width = RectWidth(r);
            c.height = RectHeight(r);
            window = PlatCreateWindow(&c);
            Message m;
            while (PlatGetMessage(&m)) {
                PlatTranslateMessage(&m);
                PlatDispatchMessage(&m);
            }
            ended = true;
        });
        ASSERT_TRUE(DriverWaitFor([this] { return window.load() != 0; }));
    }
    void Quit() {
        PlatPostMessage(window, MSG_USER + 9, 0, 0);
        thread.join();
    }
};

}  // namespace

// Messages posted from another thread arrive in order on the window's own thread, and a
// send from another thread is answered by a procedure running on the owner's thread.
TEST_F(WindowLayer, PostAndSendAcrossThreads) {
    PumpThread worker;
    worker.Start(100, 100);
    for (int i = 0; i < 50; i++) ASSERT_EQ(PlatPostMessage(worker.window, MSG_USER + 1, i, -i), 0);
    // A sent message is served before posted ones, as soon as the owner looks at its queue.
    intptr_t answer = PlatSendMessage(worker.window, MSG_USER + 2, 14, 0);
    EXPECT_EQ(answer, 43);
    ASSERT_TRUE(DriverWaitFor([] { return LogOf(MSG_USER + 1).size() == 50; }));
    std::vector<Logged> posted = LogOf(MSG_USER + 1);
    for (int i = 0; i < 50; i++) {
        EXPECT_EQ(posted[i].wparam, (uintptr_t)i);
        EXPECT_EQ(posted[i].lparam, -i);
        EXPECT_EQ(posted[i].thread, worker.id);
    }
    std::vector<Logged> sent = LogOf(MSG_USER + 2);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].thread, worker.id);

    // Destroying from this thread runs MSG_DESTROY on the owner's thread; afterwards posts
    // fail and sends answer 0.
    WindowId w = worker.window;
    EXPECT_EQ(PlatDestroyWindow(w), 0);
    std::vector<Logged> destroyed = LogOf(MSG_DESTROY);
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(destroyed[0].thread, worker.id);
    EXPECT_FALSE(PlatIsWindow(w));
    EXPECT_EQ(PlatPostMessage(w, MSG_USER + 1, 0, 0), 1);
    EXPECT_EQ(PlatSendMessage(w, MSG_USER + 2, 1, 0), 0);
    worker.thread.detach();
}

// A message queued for a window that is destroyed before it is pumped is dropped.
TEST_F(WindowLayer, MessagesForDestroyedWindowsAreDropped) {
    WindowId a = MakeWindow(10, 10, 100, 50, STYLE_CAPTION | STYLE_VISIBLE);
    WindowId b = MakeWindow(300, 10, 100, 50, STYLE_CAPTION | STYLE_VISIBLE);
    PlatPostMessage(a, MSG_USER + 1, 1, 0);
    PlatPostMessage(b, MSG_USER + 1, 2, 0);
    PlatDestroyWindow(a);
    Message m;
    while (PlatPeekMessage(&m, PEEK_REMOVE)) PlatDispatchMessage(&m);
    std::vector<Logged> got = LogOf(MSG_USER + 1);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].window, b);
    PlatDestroyWindow(b);
}

// The quit posted inside the innermost of three loops ends all three.
TEST_F(WindowLayer, QuitPassesThroughNestedLoops) {
    std::atomic<int> loops_ended{0};
    std::thread t([&] {
        WindowId w = MakeWindow(10, 10, 50, 50, STYLE_CAPTION);
        std::function<void(int)> loop = [&](int depth) {
            if (depth < 2) PlatPostMessage(w, MSG_USER + 3, 0, 0);
            else PlatPostQuitMessage(7);
            Message m;
            while (PlatGetMessage(&m)) {
                if (m.type == MSG_USER + 3) loop(depth + 1);
                else PlatDispatchMessage(&m);
            }
            loops_ended++;
        };
        loop(0);
        EXPECT_TRUE(PlatQuitPosted());
        Message m;
        ASSERT_TRUE(PlatPeekMessage(&m, PEEK_NOREMOVE));
        EXPECT_EQ(m.type, MSG_QUIT);
        EXPECT_EQ(m.wparam, 7u);
    });
    t.join();
    EXPECT_EQ(loops_ended.load(), 3);
}

// Invalidations gather into one paint message with the union of the rectangles; a
// validated window gets none; the paint comes only when nothing else waits.
TEST_F(WindowLayer, PaintCoalescingAndValidation) {
    WindowId w = MakeWindow(50, 50, 300, 200, STYLE_CAPTION | STYLE_VISIBLE);
    Message m;
    while (PlatPeekMessage(&m, PEEK_REMOVE)) PlatDispatchMessage(&m);
    {
        std::lock_guard<std::mutex> guard(g_log_lock);
        g_log.clear();
    }
    PlatRect a{10, 20, 30, 40}, b{100, 5, 120, 15};
    PlatInvalidateRect(w, &a, false);
    PlatPostMessage(w, MSG_USER + 1, 0, 0);
    PlatInvalidateRect(w, &b, false);
    ASSERT_TRUE(PlatPeekMessage(&m, PEEK_REMOVE));
    EXPECT_EQ(m.type, MSG_USER + 1);
    ASSERT_TRUE(PlatPeekMessage(&m, PEEK_REMOVE));
    EXPECT_EQ(m.type, MSG_PAINT);
    PlatDispatchMessage(&m);
    EXPECT_FALSE(PlatPeekMessage(&m, PEEK_REMOVE));
    std::vector<Logged> paints = LogOf(MSG_PAINT);
    ASSERT_EQ(paints.size(), 1u);
    EXPECT_EQ(ParamLow(paints[0].lparam), 10);
    EXPECT_EQ(ParamHigh(paints[0].lparam), 5);
    EXPECT_EQ(ParamLow((intptr_t)paints[0].wparam), 120);
    EXPECT_EQ(ParamHigh((intptr_t)paints[0].wparam), 40);

    PlatInvalidateRect(w, nullptr, true);
    PlatValidateRect(w, nullptr);
    EXPECT_FALSE(PlatPeekMessage(&m, PEEK_REMOVE));

    // Erasing fills the invalid area with the class background.
    PlatInvalidateRect(w, nullptr, true);
    while (PlatPeekMessage(&m, PEEK_REMOVE)) PlatDispatchMessage(&m);
    EXPECT_EQ(DriverClientPixel(w, 0, 0), 0x00808080u);
    EXPECT_EQ(DriverClientPixel(w, 299, 199), 0x00808080u);
    PlatDestroyWindow(w);
}

// Outer size from a client size: frame on every side, the caption (and menu bar) on top.
TEST_F(WindowLayer, ClientSizeGivesOuterSize) {
    int f = PlatGetSystemMetric(METRIC_CXFRAME), cap = PlatGetSystemMetric(METRIC_CYCAPTION);
    uint32_t style = STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME | STYLE_VISIBLE;
    WindowId w = MakeWindow(100, 200, 400, 300, style);
    PlatRect outer, client;
    PlatGetWindowRect(w, &outer);
    PlatGetClientRect(w, &client);
    EXPECT_EQ(outer.left, 100);
    EXPECT_EQ(outer.top, 200);
    EXPECT_EQ(RectWidth(outer), 400 + 2 * f);
    EXPECT_EQ(RectHeight(outer), 300 + 2 * f + cap);
    EXPECT_EQ(RectWidth(client), 400);
    EXPECT_EQ(RectHeight(client), 300);
    PlatPoint p{0, 0};
    PlatClientToScreen(w, &p);
    EXPECT_EQ(p.x, 100 + f);
    EXPECT_EQ(p.y, 200 + f + cap);
    PlatRect with_menu{0, 0, 240, 52};
    PlatAdjustWindowRect(&with_menu, STYLE_CAPTION, 0, true);
    EXPECT_EQ(RectHeight(with_menu), 52 + 2 * f + cap + PlatGetSystemMetric(METRIC_CYMENU));
    // The minimum view of an image window is 128 pixels wide.
    EXPECT_EQ(PlatGetSystemMetric(METRIC_CXMINTRACK) - 2 * f, 128);
    PlatDestroyWindow(w);
}

// A drag on the caption runs the move loop on the window's thread: MSG_MOVING proposes,
// the procedure's change wins, MSG_MOVE follows.
TEST_F(WindowLayer, MoveLoopAndProcedureChange) {
    PumpThread worker;
    worker.Start(100, 100);
    PlatRect r = DriverWindowRect(worker.window);
    EXPECT_EQ(r.left, 100);
    int gx = r.left + 40, gy = r.top + 10;   // a point on the caption
    DriverDrag(gx, gy, gx + 50, gy + 30);
    ASSERT_TRUE(DriverWaitFor([&] { return DriverWindowRect(worker.window).left == 150; }));
    r = DriverWindowRect(worker.window);
    EXPECT_EQ(r.top, 130);
    EXPECT_GE(CountOf(MSG_MOVING, worker.window), 1);
    EXPECT_GE(CountOf(MSG_MOVE, worker.window), 1);

    g_moving_grid = 100;
    DriverDrag(r.left + 40, r.top + 10, r.left + 40 + 37, r.top + 10 + 5);
    ASSERT_TRUE(DriverWaitFor([&] { return DriverWindowRect(worker.window).top == 135; }));
    EXPECT_EQ(DriverWindowRect(worker.window).left, 200);   // 187 rounded to the grid
    EXPECT_EQ(RectWidth(DriverWindowRect(worker.window)), RectWidth(r));
    worker.Quit();
}

// A drag on the frame runs the size loop: MSG_SIZING carries the dragged edge.
TEST_F(WindowLayer, SizeLoopReportsTheEdge) {
    PumpThread worker;
    worker.Start(300, 300);
    PlatRect r = DriverWindowRect(worker.window);
    int mid_y = (r.top + r.bottom) / 2;
    DriverDrag(r.right - 2, mid_y, r.right + 28, mid_y);
    ASSERT_TRUE(DriverWaitFor([&] { return RectWidth(DriverWindowRect(worker.window)) == RectWidth(r) + 30; }));
    std::vector<Logged> sizing = LogOf(MSG_SIZING);
    ASSERT_FALSE(sizing.empty());
    EXPECT_EQ(sizing.back().wparam, (uintptr_t)SIZING_RIGHT);
    PlatRect now = DriverWindowRect(worker.window);
    EXPECT_EQ(now.left, r.left);
    EXPECT_EQ(RectHeight(now), RectHeight(r));
    PlatRect client;
    PlatGetClientRect(worker.window, &client);
    EXPECT_EQ(RectWidth(client), 230);
    // The rectangle is there before the loop has taken the release and given up the capture;
    // a second press routed meanwhile would go to the first drag.
    ASSERT_TRUE(DriverWaitIdle());

    DriverDrag(now.right - 1, now.bottom - 1, now.right - 11, now.bottom + 19);
    // The rectangle changes before MSG_SIZE reports it: wait for the report itself.
    ASSERT_TRUE(DriverWaitFor([&] {
        std::vector<Logged> sizes = LogOf(MSG_SIZE);
        return !sizes.empty() && ParamLow(sizes.back().lparam) == 220 && ParamHigh(sizes.back().lparam) == 120;
    }));
    EXPECT_EQ(RectHeight(DriverWindowRect(worker.window)), RectHeight(r) + 20);
    EXPECT_EQ(LogOf(MSG_SIZING).back().wparam, (uintptr_t)SIZING_BOTTOMRIGHT);
    worker.Quit();
}

// Focus moving to another top-level window deactivates the old one before activating the
// new one, and kills the old focus before setting the new.
TEST_F(WindowLayer, FocusAndActivationOrder) {
    WindowId a = MakeWindow(10, 10, 100, 50, STYLE_CAPTION | STYLE_VISIBLE);
    WindowId b = MakeWindow(300, 10, 100, 50, STYLE_CAPTION | STYLE_VISIBLE);
    PlatSetForegroundWindow(a);
    EXPECT_EQ(PlatGetFocus(), a);
    {
        std::lock_guard<std::mutex> guard(g_log_lock);
        g_log.clear();
    }
    PlatSetForegroundWindow(b);
    EXPECT_EQ(PlatGetForegroundWindow(), b);
    EXPECT_EQ(PlatGetFocus(), b);
    std::vector<std::pair<WindowId, int>> seq;
    {
        std::lock_guard<std::mutex> guard(g_log_lock);
        for (const Logged& l : g_log)
            if (l.msg == MSG_ACTIVATE || l.msg == MSG_SETFOCUS || l.msg == MSG_KILLFOCUS)
                seq.push_back({l.window, l.msg * 10 + (int)(l.msg == MSG_ACTIVATE ? (l.wparam & 0xFF) : 0)});
    }
    std::vector<std::pair<WindowId, int>> want = {
        {a, MSG_ACTIVATE * 10 + ACTIVE_NONE},
        {b, MSG_ACTIVATE * 10 + ACTIVE_ACTIVE},
        {a, MSG_KILLFOCUS * 10},
        {b, MSG_SETFOCUS * 10},
    };
    EXPECT_EQ(seq, want);
    PlatDestroyWindow(a);
    PlatDestroyWindow(b);
    EXPECT_EQ(PlatGetFocus(), 0u);
}

// Window texts are cut at 255 units, never overrun; sizes below zero become empty windows.
TEST_F(WindowLayer, BadInputIsCut) {
    std::u16string long_text(400, u'x');
    WindowId w = MakeWindow(10, 10, 100, 50, STYLE_CAPTION | STYLE_VISIBLE, long_text.c_str());
    ASSERT_NE(w, 0u);
    char16_t buf[300];
    EXPECT_EQ(PlatGetWindowText(w, buf, 300), 255);
    EXPECT_EQ(PlatGetWindowText(w, buf, 10), 9);
    EXPECT_EQ(buf[9], 0);
    PlatDestroyWindow(w);
    WindowCreate c{};
    c.class_name = "test_logging";
    c.x = 0;
    c.y = 0;
    c.width = -5;
    c.height = -7;
    WindowId z = PlatCreateWindow(&c);
    ASSERT_NE(z, 0u);
    PlatRect r;
    PlatGetWindowRect(z, &r);
    EXPECT_EQ(RectWidth(r), 0);
    PlatDestroyWindow(z);
    c.class_name = "no such class";
    EXPECT_EQ(PlatCreateWindow(&c), 0u);
}

// Conversions stop before a character that would not fit and always terminate.
TEST(TextConversion, BufferLimitsAndCharacterBoundaries) {
    const char* s = "a\xC3\xA9\xE6\xBC\xA2\xF0\x9F\x98\x80z";   // a é 漢 😀 z
    char16_t w[16];
    EXPECT_EQ(Utf8ToUtf16(s, -1, w, 16), 6);
    EXPECT_EQ(w[3], 0xD83D);
    EXPECT_EQ(w[4], 0xDE00);
    EXPECT_EQ(Utf8ToUtf16(s, -1, w, 5), 3);   // the surrogate pair does not fit in 4 units
    EXPECT_EQ(w[3], 0);
    EXPECT_EQ(Utf8ToUtf16(s, -1, w, 1), 0);
    EXPECT_EQ(w[0], 0);
    char back[32];
    char16_t src[] = {u'a', 0x00E9, 0x6F22, 0xD83D, 0xDE00, u'z', 0};
    EXPECT_EQ(Utf16ToUtf8(src, -1, back, 32), 11);
    EXPECT_STREQ(back, s);
    EXPECT_EQ(Utf16ToUtf8(src, -1, back, 6), 3);   // "aé", 漢 needs three more bytes
    EXPECT_STREQ(back, "a\xC3\xA9");
    EXPECT_EQ(Utf16ToUtf8(src, -1, back, 10), 6);  // the emoji's four bytes do not fit
    // Cutting a byte string keeps whole characters only.
    EXPECT_EQ(Utf8CutLength(s, 11, 4), 3);
    EXPECT_EQ(Utf8CutLength(s, 11, 6), 6);
    EXPECT_EQ(Utf8CutLength(s, 2, 100), 1);   // an incomplete sequence at the end is dropped
    // Ill-formed bytes become U+FFFD, never skipped silently or overrun.
    EXPECT_EQ(Utf8ToUtf16("\xFF" "b", -1, w, 16), 2);
    EXPECT_EQ(w[0], 0xFFFD);
    EXPECT_EQ(CharCellWidth(0x6F22), 2);
    EXPECT_EQ(CharCellWidth(0xFF21), 2);
    EXPECT_EQ(CharCellWidth(0x00E9), 1);
    EXPECT_EQ(CharCellWidth(0xFF61), 1);   // halfwidth katakana stays narrow
}
