// Text window output on the real program: runs and line breaks, wrapping of narrow and wide
// characters (wide as the console font draws them), scrolling with its black band, the
// colour stacks, opening (a failed open included) and resizing, the output limit, the "C"
// number format, and output reaching the screen while the program computes. Glyphs are
// checked against the layer's own text output drawn into a separate surface, backgrounds by
// exact colour.
#include "textwin_fixture.h"

#include <clocale>
#include <string>

static const uint32_t WHITE = 0xFFFFFF, BLACK = 0x000000;

TEST_F(TextWindows, SameLettersTwiceStayOnOneLineAndLineFeedsMoveTheCursor) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        PXK_Printf("abc");
        PXK_Printf("abc");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{48, 0}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"abcabc", WHITE, BLACK));
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{48, 0, 400, 300}, BLACK));

    ASSERT_TRUE(OnWorker([] { PXK_Printf("x\n"); }));
    EXPECT_EQ(CursorOf(0), (Cursor{0, 16}));
    ASSERT_TRUE(OnWorker([] { PXK_Printf("\n\nyz"); }));
    EXPECT_EQ(CursorOf(0), (Cursor{16, 48}));
    EXPECT_SHOWS(0, 0, 48, ReferenceText(u"yz", WHITE, BLACK));
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{0, 16, 400, 48}, BLACK));
}

TEST_F(TextWindows, TheFiftyFirstCharacterOfA400PixelLineStartsTheNextLine) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        PXK_Printf("%s", "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx" "Q");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{8, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwx", WHITE, BLACK));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"Q", WHITE, BLACK));
}

TEST_F(TextWindows, AWideCharacterThatFindsOneCellMovesToTheNextLineWhole) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        PXK_PushTextColor(0x203040, 0xFFFF00);
        PXK_Printf("%s", "0123456789012345678901234567890123456789012345678");   // 49 cells
        PXK_Printf("漢");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{16, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"0123456789012345678901234567890123456789012345678", 0xFFFF00, 0x203040));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"漢", 0xFFFF00, 0x203040));
    // The last cell of the first line stays untouched.
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{392, 0, 400, 16}, BLACK));
}

// One character drawn alone at the left edge of a cell of `width` pixels on its background:
// what a text window must show for it when nothing overlaps it.
static Reference CellReference(const char16_t* ch, int width, uint32_t fg, uint32_t bg) {
    Reference glyph = ReferenceText(ch, fg, bg);
    Reference r;
    r.width = width;
    r.height = glyph.height;
    r.pixels.assign((size_t)width * glyph.height, bg);
    Surface* s = nullptr;
    if (PlatCreateSurface(&s, width, glyph.height, 32) != 0) return r;
    DrawContext* dc = PlatCreateMemoryContext(s);
    PlatRect all{0, 0, width, glyph.height};
    PlatFillRect(dc, &all, bg);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_CONSOLE_FONT));
    PlatSetTextColor(dc, fg);
    PlatSetBackMode(dc, BACK_TRANSPARENT);
    PlatTextOut(dc, 0, 0, ch, Utf16Length(ch));
    for (int y = 0; y < r.height; y++)
        for (int x = 0; x < width; x++) r.pixels[(size_t)y * width + x] = ((uint32_t*)SurfaceRow(s, y))[x] & 0xFFFFFFu;
    PlatDeleteContext(dc);
    PlatDestroySurface(s);
    return r;
}

TEST_F(TextWindows, CharactersTheConsoleFontDrawsFullWidthTakeTwoCellsWithoutOverlap) {
    const uint32_t FG = 0xFFFF00, BG = 0x203040;
    ASSERT_TRUE(OnWorker([=] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        PXK_PushTextColor(BG, FG);
        PXK_Printf("a°b±c×dαЖ─①\uFFFD");
    }));
    // Narrow, wide, narrow ... : each wide character fills 16 pixels, the next starts after it.
    struct Cell {
        const char16_t* ch;
        int x, width;
    };
    static const Cell cells[] = {{u"a", 0, 8},     {u"°", 8, 16},   {u"b", 24, 8},   {u"±", 32, 16},
                                 {u"c", 48, 8},    {u"×", 56, 16},  {u"d", 72, 8},   {u"α", 80, 16},
                                 {u"Ж", 96, 16},   {u"─", 112, 16}, {u"①", 128, 16}, {u"\uFFFD", 144, 16}};
    EXPECT_EQ(CursorOf(0), (Cursor{160, 0}));
    for (const Cell& c : cells) EXPECT_SHOWS(0, c.x, 0, CellReference(c.ch, c.width, FG, BG));
    // The box-drawing line runs through both of its cells.
    EXPECT_EQ(ScreenOf(0).at(112, 8), FG);
    EXPECT_EQ(ScreenOf(0).at(127, 8), FG);
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{160, 0, 400, 16}, BLACK));

    // Wrapping counts the same: after 49 narrow cells, ± finds one cell and moves on whole,
    // and 25 Greek letters fill a 400-pixel line exactly.
    ASSERT_TRUE(OnWorker([] {
        PXK_Printf("\n%s", "0123456789012345678901234567890123456789012345678");
        PXK_Printf("±");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{16, 32}));
    EXPECT_SHOWS(0, 0, 32, CellReference(u"±", 16, FG, BG));
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{392, 16, 400, 32}, BLACK));
    ASSERT_TRUE(OnWorker([] {
        PXK_Printf("\n");
        for (int i = 0; i < 25; i++) PXK_Printf("α");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{400, 48}));
    ASSERT_TRUE(OnWorker([] { PXK_Printf("β"); }));
    EXPECT_EQ(CursorOf(0), (Cursor{16, 64}));
    EXPECT_SHOWS(0, 384, 48, CellReference(u"α", 16, FG, BG));
}

TEST_F(TextWindows, AWindowNarrowerThanACellPrintsEachCharacterOnItsOwnLine) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 6, 200);
        PXK_Printf("abc");
    }));
    // The first character already finds no room on the first line.
    EXPECT_EQ(CursorOf(0), (Cursor{8, 48}));
}

TEST_F(TextWindows, ScrollsWhenTheCursorLineWouldEndOnTheBottomEdgeWithABlackBand) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 200, 48);
        PXK_PushTextColor(0xC00000, 0xFFFFFF);
        PXK_Printf("one\n");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{0, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"one", WHITE, 0xC00000));
    ASSERT_TRUE(OnWorker([] { PXK_Printf("two\n"); }));
    // Line 2 would end exactly on the bottom edge: the content moved up by a line.
    EXPECT_EQ(CursorOf(0), (Cursor{0, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"two", WHITE, 0xC00000));
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{0, 16, 200, 48}, BLACK); }));
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{24, 0, 200, 16}, BLACK));

    // Many more lines: the ring of rows keeps showing the last two in order.
    ASSERT_TRUE(OnWorker([] {
        for (int i = 0; i < 100; i++) PXK_Printf("line %d\n", i);
        PXK_Printf("last");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{32, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"line 99", WHITE, 0xC00000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"last", WHITE, 0xC00000));
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{0, 32, 200, 48}, BLACK); }));
}

TEST_F(TextWindows, ScrollingAWindowWhoseHeightIsNoMultipleOfTheLineKeepsRowsInOrder) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 120, 70);   // 4 lines and 6 rows
        for (int i = 0; i < 13; i++) PXK_Printf("n%d\n", i);
        PXK_Printf("end");
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{24, 48}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"n10", WHITE, BLACK));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"n11", WHITE, BLACK));
    EXPECT_SHOWS(0, 0, 32, ReferenceText(u"n12", WHITE, BLACK));
    EXPECT_SHOWS(0, 0, 48, ReferenceText(u"end", WHITE, BLACK));
    EXPECT_TRUE(AllColor(ScreenOf(0), PlatRect{0, 64, 120, 70}, BLACK));
    // Reading the store composes the ring the same way painting does.
    std::vector<uint32_t> store(120 * 70);
    ASSERT_EQ(CopyTextWindowStore(0, store.data(), store.size()), 0);
    Screen screen = ScreenOf(0);
    ASSERT_EQ(screen.width, 120);
    ASSERT_EQ(screen.height, 70);
    for (int y = 0; y < 70; y++)
        for (int x = 0; x < 120; x++) ASSERT_EQ(store[(size_t)y * 120 + x], screen.at(x, y)) << x << ", " << y;
    EXPECT_EQ(TextWindowStorePixel(0, 0, 0), (int64_t)screen.at(0, 0));
    EXPECT_EQ(TextWindowStorePixel(0, 120, 0), -1);
}

TEST_F(TextWindows, NinePushesAndNinePopsEndWithTheColoursOfTheFirstPush) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        for (int i = 1; i <= 9; i++) PXK_PushTextColor(0x010000 * i, 0x000100 * (20 * i));
        for (int i = 0; i < 9; i++) PXK_PopTextColor();
        PXK_Printf("Pop");
    }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"Pop", 0x000100 * 20, 0x010000));
    ASSERT_TRUE(OnWorker([] {
        // The bottom entry stays: popping once more still gives the first push's colours.
        PXK_PopTextColor();
        PXK_Printf("!");
    }));
    EXPECT_SHOWS(0, 24, 0, ReferenceText(u"!", 0x000100 * 20, 0x010000));
}

TEST_F(TextWindows, APopWithoutAPushLeavesWhiteOnBlackAndColoursAffectOnlyLaterText) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 400, 300);
        PXK_PopTextColor();
        PXK_Printf("a");
        PXK_PushTextColor(0x0000FF, 0x00FF00);
        PXK_Printf("b");
        PXK_PopTextColor();
        PXK_Printf("c");
    }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"a", WHITE, BLACK));
    EXPECT_SHOWS(0, 8, 0, ReferenceText(u"b", 0x00FF00, 0x0000FF));
    EXPECT_SHOWS(0, 16, 0, ReferenceText(u"c", WHITE, BLACK));
}

TEST_F(TextWindows, OpeningAnOpenIdOnlyBringsItForwardAndNegativeSizesGiveTheDefault) {
    std::atomic<int> first{-1}, again{-1}, other{-1};
    ASSERT_TRUE(OnWorker([&] {
        first = PXK_OpenTextWindow(3, 10, 10, -1, -1);
        PXK_Printf("kept");
        other = PXK_OpenTextWindow(4, 500, 10, 200, 100);
        again = PXK_OpenTextWindow(3, 700, 700, 50, 50);
    }));
    EXPECT_EQ(first.load(), 0);
    EXPECT_EQ(other.load(), 0);
    EXPECT_EQ(again.load(), 1);
    EXPECT_EQ(current_text_window.load(), 3);
    EXPECT_EQ(PlatGetForegroundWindow(), HandleOf(3));
    PlatRect client;
    PlatGetClientRect(HandleOf(3), &client);
    EXPECT_EQ(RectWidth(client), 400);
    EXPECT_EQ(RectHeight(client), 300);
    EXPECT_EQ(CursorOf(3), (Cursor{32, 0}));
    PlatRect outer;
    PlatGetWindowRect(HandleOf(3), &outer);
    EXPECT_EQ(outer.left, 10);
    EXPECT_EQ(DriverWindowText(HandleOf(3)), "TextWindow 3");
}

TEST_F(TextWindows, CloseAndSelectRefuseClosedSlotsAndClosingTheCurrentPicksTheLowestOpen) {
    std::atomic<int> r1{-1}, r2{-1}, r3{-1}, r4{-1};
    ASSERT_TRUE(OnWorker([&] {
        PXK_OpenTextWindow(7, 10, 10, 200, 100);
        PXK_OpenTextWindow(5, 300, 10, 200, 100);
        PXK_OpenTextWindow(9, 600, 10, 200, 100);
        r1 = PXK_SelectTextWindow(6);
        r2 = PXK_CloseTextWindow(256);
        r3 = PXK_CloseTextWindow(9);
        r4 = PXK_SelectTextWindow(9);
    }));
    EXPECT_EQ(r1.load(), 1);
    EXPECT_EQ(r2.load(), 1);
    EXPECT_EQ(r3.load(), 0);
    EXPECT_EQ(r4.load(), 1);
    EXPECT_EQ(current_text_window.load(), 5);
    EXPECT_EQ(DriverFindWindow("TextWindow 9"), 0u);
    EXPECT_EQ(PXK_TextWindowIndex(HandleOf(7)), 7);
    // Printing into a closed current window does nothing.
    ASSERT_TRUE(OnWorker([] {
        PXK_CloseTextWindow(5);
        PXK_CloseTextWindow(7);
        PXK_Printf("nowhere");
    }));
    EXPECT_EQ(current_text_window.load(), 7);
    EXPECT_EQ(PXK_OpenTextWindow(256, 0, 0, 10, 10), 1);
}

TEST_F(TextWindows, AFailedOpenLeavesTheCurrentTextWindowAsItWas) {
    static std::atomic<int> result{-1};
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(2, 10, 10, 200, 100);
        // More pixels than a surface may hold: the window or its store cannot be made.
        result = PXK_OpenTextWindow(6, 300, 10, 1 << 20, 1 << 20);
        PXK_Printf("still here");
    }));
    EXPECT_NE(result.load(), 0);
    EXPECT_EQ(text_windows[6].is_open.load(), 0);
    EXPECT_EQ(current_text_window.load(), 2);
    EXPECT_EQ(CursorOf(2), (Cursor{80, 0}));
    EXPECT_SHOWS(2, 0, 0, ReferenceText(u"still here", WHITE, BLACK));
}

TEST_F(TextWindows, ResizingClearsTheWindowAndPutsTheCursorHome) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, 300, 200);
        PXK_Printf("before\nresize");
    }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"before", WHITE, BLACK));
    ASSERT_TRUE(OnWorker([] {
        PlatRect r{0, 0, 320, 240};
        PlatAdjustWindowRect(&r, STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME, 0, false);
        PlatSetWindowPos(HandleOf(0), 0, 0, RectWidth(r), RectHeight(r), MOVE_NOMOVE | MOVE_NOZORDER);
    }));
    EXPECT_EQ(CursorOf(0), (Cursor{0, 0}));
    EXPECT_TRUE(DriverWaitFor([] {
        Screen s = ScreenOf(0);
        return s.width == 320 && AllColor(s, PlatRect{0, 0, 320, 240}, BLACK);
    }));
    ASSERT_TRUE(OnWorker([] { PXK_Printf("after"); }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"after", WHITE, BLACK));
}

TEST_F(TextWindows, OutputOverTheLimitIsCutAtACharacterBoundary) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 0, 0, 1600, 400);
        // 4,094 narrow bytes and a two-byte character: the character does not fit in 4,095.
        std::string text(4094, 'a');
        text += "é";
        PXK_Printf("%s", text.c_str());
    }));
    // 4,094 cells on 200-cell lines: 20 full lines (scrolled) and 94 cells.
    EXPECT_EQ(CursorOf(0).x, 94 * 8);
}

TEST_F(TextWindows, NumbersAreFormattedInTheCLocaleWhateverTheProgramsLocale) {
    const char* set = std::setlocale(LC_NUMERIC, "de_DE.UTF-8");
    if (!set) set = std::setlocale(LC_NUMERIC, "fr_FR.UTF-8");
    if (!set) GTEST_SKIP() << "no locale with a decimal comma is installed";
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 0, 0, 300, 100);
        PXK_Printf("%.1f", 4.5);
    }));
    std::setlocale(LC_NUMERIC, "C");
    EXPECT_EQ(CursorOf(0), (Cursor{24, 0}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"4.5", WHITE, BLACK));
}

TEST_F(TextWindows, OutputReachesTheScreenWhileTheProgramComputesWithoutPumping) {
    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(0, 10, 10, 400, 300); }));
    static std::atomic<bool> release;
    release.store(false);
    int job = PostJob([] {
        // Six full lines of digits in 300 calls: printing this fast pumps about once a
        // millisecond, so the calls that follow find the pump just made and skip it.
        for (int i = 0; i < 300; i++) PXK_Printf("%d", i % 10);
        PXK_Printf("\nfirst\n");
        PXK_Printf("second\n");
        while (!release.load()) {
        }
    });
    bool shown = DriverWaitFor([] {
        return ShowsText(0, 0, 96, ReferenceText(u"first", WHITE, BLACK)) &&
               ShowsText(0, 0, 112, ReferenceText(u"second", WHITE, BLACK));
    });
    // Output from this thread, which does not own the window, reaches the screen too.
    bool other_shown = false;
    if (shown) {
        PXK_Printf("third");
        other_shown = DriverWaitFor([] { return ShowsText(0, 0, 128, ReferenceText(u"third", WHITE, BLACK)); });
    }
    release.store(true);
    EXPECT_TRUE(WaitJob(job));
    EXPECT_TRUE(shown) << CompareCells(ScreenOf(0), 0, 112, ReferenceText(u"second", WHITE, BLACK));
    EXPECT_TRUE(other_shown);
    EXPECT_EQ(CursorOf(0), (Cursor{40, 128}));
}

TEST_F(TextWindows, AnotherThreadPrintsIntoAWorkerWindow) {
    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(0, 0, 0, 200, 64); }));
    // This thread is not the window's: output draws into the store and the worker paints it.
    for (int i = 0; i < 40; i++) PXK_Printf("t%d\n", i);
    EXPECT_EQ(CursorOf(0), (Cursor{0, 32}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"t38", WHITE, BLACK));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"t39", WHITE, BLACK));
}
