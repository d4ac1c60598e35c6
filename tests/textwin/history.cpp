// Text window history on the real program: a window of three rows is filled with wrapped,
// coloured and wide text while every screen it shows is kept; scrolled back by the wheel and
// Shift+PageUp/PageDown it must show exactly those screens again (the marker column aside),
// and new output or a typed key brings the live window back. Also the bound of the history
// and its release with the window.
#include "textwin_fixture.h"

#include "platform/window/input.h"
#include "textwin/text_history.h"

namespace {

enum { W = 200, H = 48, ROW = 16, MARK = W - HISTORY_MARKER_WIDTH };

struct Shown {
    Screen screen;
    int final_rows;   // rows above the cursor line: they never change afterwards
    int kept;         // lines in the history then
};

// Lines in the history, and how far back the view shows, read under the window's lock.
int Kept(int id) {
    std::lock_guard<LayerMutex> guard(text_windows[id].lock);
    return HistoryLineCount(&text_windows[id]);
}
int Back(int id) {
    std::lock_guard<LayerMutex> guard(text_windows[id].lock);
    return HistoryViewBack(&text_windows[id]);
}

Shown Snapshot(int id) {
    EXPECT_TRUE(DriverWaitSettled());
    return Shown{ScreenOf(id), CursorOf(id).y, Kept(id)};
}

// Empty when the screen shows the kept screen's final rows and a marker column; else where not.
std::string CompareWithShown(const Screen& now, const Shown& then) {
    for (int y = 0; y < then.final_rows; y++)
        for (int x = 0; x < MARK; x++)
            if (now.at(x, y) != then.screen.at(x, y))
                return "differs at (" + std::to_string(x) + ", " + std::to_string(y) + ")";
    bool thumb = false;
    for (int y = 0; y < H; y++)
        for (int x = MARK; x < W; x++) {
            if (now.at(x, y) == HISTORY_MARKER_THUMB) thumb = true;
            else if (now.at(x, y) != HISTORY_MARKER_TRACK) return "no marker at y " + std::to_string(y);
        }
    return thumb ? "" : "no thumb";
}

bool ShowsLive(int id) {
    std::vector<uint32_t> store((size_t)W * H);
    if (CopyTextWindowStore(id, store.data(), store.size()) != 0) return false;
    const Screen s = ScreenOf(id);
    for (int i = 0; i < W * H; i++)
        if (s.at(i % W, i / W) != (store[i] & 0xFFFFFFu)) return false;
    return true;
}

TEST_F(TextWindows, ScrollingBackShowsEveryLineAsTheWindowShowedIt) {
    ASSERT_TRUE(OnWorker([] { PXK_OpenTextWindow(0, 10, 10, W, H); }));
    const char* outputs[] = {"first line\n", "a line of thirty-one characters\n", "漢字 wide, ", "then more\n",
                             "coloured\n", "no line feed, wrapped over two rows", "\n\n", "last 漢\n", "end"};
    const int colors[][2] = {{0x000000, 0xFFFFFF}, {0x203040, 0xFFFF00}, {0x000000, 0x00FF00}};
    std::vector<Shown> shown;
    int n = 0;
    for (const char* text : outputs) {
        const int* c = colors[n++ % 3];
        ASSERT_TRUE(OnWorker([&] {
            PXK_PushTextColor(c[0], c[1]);
            PXK_Printf("%s", text);
            PXK_PopTextColor();
        }));
        shown.push_back(Snapshot(0));
    }
    const int kept = Kept(0);
    ASSERT_GE(kept, 6);
    const PlatRect client = DriverClientRectScreen(HandleOf(0));
    // Wheel notches back three lines, Shift+PageUp/PageDown a page of two; never past the
    // oldest line or the live bottom.
    struct Step { int wheel, key, back; };
    for (const Step& step : {Step{120, 0, 3}, {0, KEY_PRIOR, 5}, {120, 0, kept}, {0, KEY_NEXT, kept - 2},
                             {-120, 0, kept - 5}, {0, KEY_NEXT, kept - 7}}) {
        if (step.wheel) DriverWheel(client.left + 20, client.top + 20, step.wheel);
        else DriverKey(step.key, INPUT_MOD_SHIFT);
        const int back = std::max(0, std::min(step.back, kept));
        ASSERT_TRUE(DriverWaitFor([&] { return Back(0) == back; })) << Back(0) << " instead of " << back;
        ASSERT_TRUE(DriverWaitSettled());
        if (back == 0) continue;
        // The last screen shown with that many lines kept.
        const auto then =
            std::find_if(shown.rbegin(), shown.rend(), [&](const Shown& s) { return s.kept == kept - back; });
        ASSERT_NE(then, shown.rend()) << "back " << back;
        EXPECT_EQ(CompareWithShown(ScreenOf(0), *then), "") << "back " << back;
    }
    // New output brings the live window back at once.
    ASSERT_TRUE(OnWorker([] { PXK_Printf("!"); }));
    EXPECT_EQ(Back(0), 0);
    EXPECT_TRUE(DriverWaitFor([] { return ShowsLive(0); }));
    // So does a typed key, while a lone Shift does not.
    DriverWheel(client.left + 20, client.top + 20, 120);
    ASSERT_TRUE(DriverWaitFor([] { return Back(0) == 3; }));
    DriverKey(KEY_SHIFT);
    ASSERT_TRUE(DriverWaitSettled());
    EXPECT_EQ(Back(0), 3);
    DriverKey('A');
    ASSERT_TRUE(DriverWaitFor([] { return Back(0) == 0; }));
    EXPECT_TRUE(DriverWaitFor([] { return ShowsLive(0); }));
}

TEST_F(TextWindows, HistoryKeepsTheNewestLinesAndGoesWithTheWindow) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 10, 10, W, H);
        // Many lines to a call, so that the run takes no longer than the lines' drawing.
        std::string text;
        for (int i = 0; i < HISTORY_LINES + 52; i++) {
            text += "line " + std::to_string(i) + "\n";
            if (text.size() > PRINT_BUFFER_BYTES - 16) {
                PXK_Printf("%s", text.c_str());
                text.clear();
            }
        }
        PXK_Printf("%s", text.c_str());
    }));
    // Three rows: the last line printed and the cursor line are on screen (the cursor line never
    // touches the bottom edge), the rest kept.
    EXPECT_EQ(Kept(0), HISTORY_LINES);
    ASSERT_TRUE(OnWorker([] {
        TextWindowRecord* rec = &text_windows[0];
        std::lock_guard<LayerMutex> guard(rec->lock);
        ScrollHistoryView(rec, HISTORY_LINES * 2);
        NoteDamage(rec, nullptr);
        PlatInvalidateRect(rec->hwnd.load(), nullptr, false);
    }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"line 51", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, ROW, ReferenceText(u"line 52", 0xFFFFFF, 0x000000));
    ASSERT_TRUE(OnWorker([] { PXK_CloseTextWindow(0); }));
    EXPECT_EQ(text_windows[0].history, nullptr);
}

}  // namespace
