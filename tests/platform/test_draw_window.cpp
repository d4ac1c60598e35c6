// Window drawing contexts on the headless backend: one context per window, drawing lands in
// the client area only (a child's drawing stays inside its parent), is presented at once, and
// copies from and to windows work like those between surfaces.
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/driver/driver.h"
#include "platform/window/window.h"

#include <gtest/gtest.h>

namespace {

intptr_t QuietProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_PAINT) {
        PlatRect r;
        PlatBeginPaint(w, &r);
        PlatEndPaint(w);
        return 0;
    }
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

class WindowDraw : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
        WindowClassDesc desc{"test_draw", QuietProc, 0, BACKGROUND_NONE};
        ASSERT_EQ(PlatRegisterClass(&desc), 0);
    }

    static WindowId MakeTop(int cw, int ch) {
        uint32_t style = STYLE_CAPTION | STYLE_SYSMENU | STYLE_VISIBLE;
        PlatRect r{0, 0, cw, ch};
        PlatAdjustWindowRect(&r, style, 0, false);
        WindowCreate c{};
        c.class_name = "test_draw";
        c.text = u"draw";
        c.style = style;
        c.x = 100;
        c.y = 100;
        c.width = RectWidth(r);
        c.height = RectHeight(r);
        return PlatCreateWindow(&c);
    }

    static WindowId MakeChild(WindowId parent, int x, int y, int w, int h) {
        WindowCreate c{};
        c.class_name = "test_draw";
        c.style = STYLE_CHILD | STYLE_VISIBLE;
        c.x = x;
        c.y = y;
        c.width = w;
        c.height = h;
        c.parent = parent;
        c.id = 7;
        return PlatCreateWindow(&c);
    }

    static void Settle() {
        Message m;
        while (PlatPeekMessage(&m, 1)) PlatDispatchMessage(&m);
    }
};

TEST_F(WindowDraw, FillsTheClientAreaOnlyAndPresentsAtOnce) {
    WindowId w = MakeTop(60, 40);
    ASSERT_NE(w, 0u);
    Settle();
    DrawContext* dc = PlatGetWindowContext(w);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(PlatGetWindowContext(w), dc);
    PlatSize size = PlatGetContextSize(dc);
    EXPECT_EQ(size.cx, 60);
    EXPECT_EQ(size.cy, 40);

    int ww = 0, wh = 0;
    std::vector<uint32_t> outer_before = DriverWindowPixels(w, &ww, &wh);
    uint64_t presents = DriverPresentCount();
    PlatRect huge{-100, -100, 1000, 1000};
    PlatFillRect(dc, &huge, 0x336699);
    EXPECT_GT(DriverPresentCount(), presents);
    int cw = 0, ch = 0;
    std::vector<uint32_t> client = DriverClientPixels(w, &cw, &ch);
    ASSERT_EQ(cw, 60);
    ASSERT_EQ(ch, 40);
    for (uint32_t p : client) ASSERT_EQ(p & 0xFFFFFF, 0x336699u);
    // The frame and caption around the client area are as they were.
    std::vector<uint32_t> outer = DriverWindowPixels(w, &ww, &wh);
    PlatRect cr = DriverClientRectScreen(w), wr = DriverWindowRect(w);
    int changed_outside = 0;
    for (int y = 0; y < wh; y++) {
        for (int x = 0; x < ww; x++) {
            bool in_client = RectContains(cr, wr.left + x, wr.top + y);
            if (!in_client && outer[(size_t)y * ww + x] != outer_before[(size_t)y * ww + x]) changed_outside++;
        }
    }
    EXPECT_EQ(changed_outside, 0);

    PlatRect px{5, 6, 6, 7};
    PlatInvertRect(dc, &px);
    EXPECT_EQ(DriverClientPixel(w, 5, 6) & 0xFFFFFF, 0xCC9966u);
    EXPECT_EQ(PlatGetPixel(dc, 5, 6), 0xCC9966);
    EXPECT_EQ(PlatGetPixel(dc, 60, 0), -1);
    PlatDestroyWindow(w);
    EXPECT_EQ(PlatGetWindowContext(w), nullptr);
}

TEST_F(WindowDraw, ChildDrawingStaysInsideItsParent) {
    WindowId top = MakeTop(50, 30);
    ASSERT_NE(top, 0u);
    WindowId child = MakeChild(top, 30, 10, 40, 40);   // sticks out right and below
    ASSERT_NE(child, 0u);
    Settle();
    DrawContext* tdc = PlatGetWindowContext(top);
    PlatRect all{0, 0, 50, 30};
    PlatFillRect(tdc, &all, 0x000000);
    DrawContext* cdc = PlatGetWindowContext(child);
    ASSERT_NE(cdc, tdc);
    PlatRect c_all{0, 0, 40, 40};
    PlatFillRect(cdc, &c_all, 0xFFFFFF);
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(top, &w, &h);
    ASSERT_EQ(w, 50);
    for (int y = 0; y < 30; y++)
        for (int x = 0; x < 50; x++)
            ASSERT_EQ(px[(size_t)y * 50 + x] & 0xFFFFFF, (x >= 30 && y >= 10) ? 0xFFFFFFu : 0u) << x << "," << y;
    PlatDestroyWindow(top);
}

TEST_F(WindowDraw, CopiesAndTextBetweenWindowsAndSurfaces) {
    WindowId w = MakeTop(40, 20);
    ASSERT_NE(w, 0u);
    Settle();
    DrawContext* dc = PlatGetWindowContext(w);
    Surface* s = nullptr;
    ASSERT_EQ(PlatCreateSurface(&s, 2, 1, 32), 0);
    ((uint32_t*)s->pixels)[0] = 0xFF0000;
    ((uint32_t*)s->pixels)[1] = 0x0000FF;
    DrawContext* mem = PlatCreateMemoryContext(s);
    // A 2 x 1 picture stretched onto the whole client area: left half red, right half blue.
    ASSERT_EQ(PlatStretchCopy(dc, 0, 0, 40, 20, mem, 0, 0, 2, 1), 0);
    EXPECT_EQ(DriverClientPixel(w, 19, 10) & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(DriverClientPixel(w, 20, 0) & 0xFFFFFF, 0x0000FFu);
    // Window to window within one window (a scroll) and back into a surface.
    ASSERT_EQ(PlatCopyRect(dc, 0, 0, 20, 20, dc, 20, 0), 0);
    EXPECT_EQ(DriverClientPixel(w, 0, 0) & 0xFFFFFF, 0x0000FFu);
    ASSERT_EQ(PlatCopyRect(mem, 0, 0, 2, 1, dc, 19, 3), 0);
    EXPECT_EQ(((uint32_t*)s->pixels)[0] & 0xFFFFFF, 0x0000FFu);
    // Console text in the window: the cells are exactly the two colours.
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(dc, 0xFFFFFF);
    PlatSetBackColor(dc, 0x000000);
    ASSERT_EQ(PlatTextOut(dc, 0, 0, u"OK", 2), 0);
    int ink = 0;
    for (int y = 0; y < 16; y++) {
        for (int x = 0; x < 16; x++) {
            uint32_t p = DriverClientPixel(w, x, y) & 0xFFFFFF;
            ASSERT_TRUE(p == 0xFFFFFFu || p == 0u);
            ink += p != 0;
        }
    }
    EXPECT_GT(ink, 20);
    EXPECT_EQ(DriverClientPixel(w, 16, 0) & 0xFFFFFF, 0x0000FFu);
    PlatDeleteContext(mem);
    PlatDestroySurface(s);
    PlatDestroyWindow(w);
}

}  // namespace
