// The text window's popup menu and keys on the real program, driven like a user: the eleven
// items with their texts, check marks and the log file's name; every item chosen from the
// menu and every Ctrl shortcut with what it does; the about line in its own colours in the
// window that received it; Space and the Command item prompting for a console command, and
// the main window's keys; and no menu or shortcut while a line is read or a point tool waits
// for clicks.
#include "textwin_fixture.h"

#include "imagewin/image_table.h"
#include "runtime/run_control.h"
#include "platform/window/menu.h"
#include "support/tracked_menu.h"

static PlatPoint ClientPoint(int id, int x, int y) {
    PlatRect c = DriverClientRectScreen(HandleOf(id));
    return PlatPoint{c.left + x, c.top + y};
}

// Right-clicks the window's client area; true when a menu opened.
static bool RightClick(int id) {
    PlatPoint p = ClientPoint(id, 200, 150);
    DriverClick(p.x, p.y, BUTTON_RIGHT);
    if (!DriverWaitIdle()) return false;
    return PlatGetTrackedMenuWindow() != 0;
}

static void ChooseRow(int position) {
    ASSERT_TRUE(ChooseTrackedRow(position));
    ASSERT_TRUE(DriverWaitIdle());
}

static void DismissMenu(void) { ASSERT_TRUE(DismissTrackedMenu()); }

// A key typed into the window after a left click has given it the focus (a left click does
// nothing else in a text window); the modifiers are held until the key has been handled.
static void KeyIn(int id, int key, int mods) {
    PlatPoint p = ClientPoint(id, 200, 150);
    DriverClick(p.x, p.y);
    ASSERT_TRUE(DriverWaitIdle());
    DriverSetModifiers(mods);
    DriverKey(key, mods);
    ASSERT_TRUE(DriverWaitIdle());
    DriverSetModifiers(0);
}

static std::vector<MenuRow> ExpectedRows(int id, int select, int start, int stop) {
    std::string copy = "&Copy PIXKIT" + std::to_string(instance_slot) + std::to_string(id) + ".LOG\tCtrl+C";
    return {{"&Select\tCtrl+S", 1069, select}, {"&Window Info.\tCtrl+W", 1045, 0}, {"Command", 1029, 0},
            {"", 0, 0},                          {"Start Log", 1024, start},          {"Stop Log", 1025, stop},
            {copy, 1030, 0},                     {"", 0, 0},                          {"&About PIXKIT\tCtrl+A", 1020, 0},
            {"", 0, 0},                          {"&Destroy\tCtrl+Q", 1006, 0}};
}

class TextWindowMenu : public TextWindowsInFolder {
protected:
    void SetUp() override {
        TextWindowsInFolder::SetUp();
        ASSERT_TRUE(OnWorker([] {
            PXK_OpenTextWindow(0, 10, 10, 400, 300);
            PXK_OpenTextWindow(3, 500, 10, 400, 300);
        }));
        ASSERT_TRUE(DriverWaitIdle());
    }
};

TEST_F(TextWindowMenu, ItemsMarkTheCurrentWindowAndTheLogStateAndNameTheLogFile) {
    ASSERT_EQ(current_text_window.load(), 3);
    ASSERT_TRUE(RightClick(0));
    EXPECT_EQ(TrackedMenuRows(), ExpectedRows(0, 0, 0, 0));
    DismissMenu();
    ASSERT_TRUE(RightClick(3));
    EXPECT_EQ(TrackedMenuRows(), ExpectedRows(3, MENU_CHECKED, 0, 0));
    DismissMenu();

    // After Ctrl+S in window 0 that one is marked; logging marks Start, pausing marks Stop.
    KeyIn(0, 'S', INPUT_MOD_CONTROL);
    EXPECT_EQ(current_text_window.load(), 0);
    EXPECT_EQ(Ask<int>([] { return PXK_StartLog(0); }), 0);
    ASSERT_TRUE(RightClick(0));
    EXPECT_EQ(TrackedMenuRows(), ExpectedRows(0, MENU_CHECKED, MENU_CHECKED, 0));
    DismissMenu();
    EXPECT_EQ(Ask<int>([] { return PXK_StopLog(0); }), 0);
    ASSERT_TRUE(RightClick(0));
    EXPECT_EQ(TrackedMenuRows(), ExpectedRows(0, MENU_CHECKED, 0, MENU_CHECKED));
    DismissMenu();
    ASSERT_TRUE(RightClick(3));
    EXPECT_EQ(TrackedMenuRows(), ExpectedRows(3, 0, 0, 0));
    DismissMenu();
}

// What one command did to window 0, with window 3 current before it.
struct CommandCase {
    int position;     // of the menu item
    int key;          // of the Ctrl shortcut, 0 for none
    const char* what;
    std::function<bool()> done;
};

static const std::vector<CommandCase>& CommandCases() {
    static const std::vector<CommandCase> cases = {
        {0, 'S', "Select makes it current", [] { return current_text_window.load() == 0; }},
        {1, 'W', "Window Info. makes it current and prints the report there",
         [] { return current_text_window.load() == 0 && CursorOf(0).y > 0; }},
        {2, 0, "Command leaves the current window and prompts there",
         [] { return current_text_window.load() == 3 && CursorOf(0) == Cursor{0, 0} && input_active.load() == 4; }},
        {4, 0, "Start Log logs", [] { return LogStateOf(0) == LOG_ON; }},
        {8, 'A', "About prints a line and leaves the current window",
         [] { return current_text_window.load() == 3 && CursorOf(0) == Cursor{0, 16}; }},
        {10, 'Q', "Destroy closes it", [] { return !text_windows[0].is_open.load() && current_text_window.load() == 3; }},
    };
    return cases;
}

TEST_F(TextWindowMenu, EveryItemAndItsShortcutRunTheirCommand) {
    for (bool by_key : {false, true}) {
        for (const CommandCase& c : CommandCases()) {
            if (by_key && !c.key) continue;
            SCOPED_TRACE(std::string(c.what) + (by_key ? " (shortcut)" : " (menu)"));
            ASSERT_TRUE(OnWorker([] {
                PXK_CloseTextWindow(0);
                PXK_OpenTextWindow(0, 10, 10, 400, 300);
                PXK_SelectTextWindow(3);
            }));
            ASSERT_TRUE(DriverWaitIdle());
            if (by_key) {
                KeyIn(0, c.key, INPUT_MOD_CONTROL);
            } else {
                ASSERT_TRUE(RightClick(0));
                ChooseRow(c.position);
            }
            EXPECT_TRUE(DriverWaitFor(c.done));
            if (input_active.load() != 0) {   // the console's line: an empty one ends it
                DriverType("\n");
                EXPECT_TRUE(DriverWaitFor([] { return input_active.load() == 0; }));
            }
        }
    }
}

TEST_F(TextWindowMenu, StopAndCopyFromTheMenuAndCtrlCPauseAndCopyTheLog) {
    ASSERT_TRUE(OnWorker([] {
        PXK_StartLog(0);
        PXK_SelectTextWindow(0);
        PXK_Printf("logged\n");
    }));
    ASSERT_TRUE(RightClick(0));
    ChooseRow(6);   // Copy
    EXPECT_EQ(DriverClipboardText(), "logged\n");
    ASSERT_TRUE(RightClick(0));
    ChooseRow(5);   // Stop Log
    EXPECT_EQ(LogStateOf(0), LOG_PAUSED);
    ASSERT_TRUE(OnWorker([] {
        PXK_StartLog(0);
        PXK_Printf("more\n");
    }));
    KeyIn(0, 'C', INPUT_MOD_CONTROL);
    EXPECT_EQ(DriverClipboardText(), "logged\nmore\n");
}

TEST_F(TextWindowMenu, TheAboutLineHasItsOwnColoursAndLaterOutputTheWindowsOwn) {
    const uint32_t FG = 0xFFFF00, BG = 0x0000C0;
    ASSERT_TRUE(OnWorker([=] {
        PXK_SelectTextWindow(0);
        PXK_PushTextColor(BG, FG);
        PXK_Printf("a\n");
        PXK_SelectTextWindow(3);
    }));
    KeyIn(0, 'A', INPUT_MOD_CONTROL);
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"PIXKIT version " PIXKIT_VERSION, 0x80FF80, 0x404040));
    EXPECT_EQ(current_text_window.load(), 3);
    EXPECT_EQ(CursorOf(0), (Cursor{0, 32}));
    ASSERT_TRUE(OnWorker([] {
        PXK_SelectTextWindow(0);
        PXK_Printf("b");
    }));
    EXPECT_SHOWS(0, 0, 32, ReferenceText(u"b", FG, BG));
}

TEST_F(TextWindowMenu, WhileALineIsReadOrAPointToolWaitsThereIsNoMenuAndNoShortcut) {
    static char line[256];
    int job = PostJob([] {
        PXK_SelectTextWindow(3);
        PXK_InputText(line);
    });
    ASSERT_TRUE(DriverWaitFor([] { return input_active.load() == 4; }));
    EXPECT_FALSE(RightClick(0));
    KeyIn(0, 'S', INPUT_MOD_CONTROL);
    KeyIn(0, 'Q', INPUT_MOD_CONTROL);
    EXPECT_EQ(current_text_window.load(), 3);
    EXPECT_TRUE(text_windows[0].is_open.load());
    // Up still acts: it recalls the last line (empty here), and Enter ends the input.
    KeyIn(0, KEY_UP, 0);
    DriverType("ok\n");
    ASSERT_TRUE(WaitJob(job));
    EXPECT_STREQ(line, "ok");

    // A point tool waits for a click in image 0; a click there ends it.
    job = PostJob([] {
        int x = 0, y = 0;
        if (PXK_CreateImage(0, "tool", 600, 400, 100, 100, 100) == 0) PXK_GetPoint(0, &x, &y);
    });
    ASSERT_TRUE(DriverWaitFor([] { return point_tool_active.load() == 1; }));
    EXPECT_FALSE(RightClick(0));
    const PlatRect image = DriverClientRectScreen(image_table[0].window);
    DriverClick(image.left + 10, image.top + 10);
    ASSERT_TRUE(WaitJob(job));
    EXPECT_EQ(point_tool_active.load(), 0);
    EXPECT_TRUE(RightClick(0));
    DismissMenu();
}

TEST_F(TextWindowMenu, SpaceMakesTheWindowCurrentAndPromptsThereAndXExitsAsInTheMainWindow) {
    KeyIn(0, KEY_SPACE, 0);
    EXPECT_EQ(current_text_window.load(), 0);
    EXPECT_TRUE(DriverWaitFor([] { return input_active.load() == 1 && CursorOf(0) == Cursor{32, 0}; }));
    DriverType("\n");
    EXPECT_TRUE(DriverWaitFor([] { return input_active.load() == 0 && CursorOf(0) == Cursor{0, 32}; }));
    KeyIn(3, 'X', 0);
    EXPECT_EQ(WaitProgramEnd(), 0);
}
