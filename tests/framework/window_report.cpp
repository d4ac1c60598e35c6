// The window report on the real program: the exact report with its colours and the exact
// source on the clipboard for small layouts; escaping in the generator and windows moved
// partly off the screen; the round trip that compiles the clipboard text as C and as C++ into a program
// of its own and compares every window it makes with the original; a very large layout whose
// report stays in its window while another window asks for a report of its own; and
// PXK_SetForeground.
#include "textwin/textwin_fixture.h"

#include "round_trip/layout_description.h"

#include "boxes/button_box.h"
#include "imagewin/image_table.h"
#include "runtime/startup_state.h"
#include "runtime/window_description.h"
#include "textwin/text_commands.h"

#include <algorithm>

#include <stdlib.h>

static const std::string SAVED = "クリップボードにレイアウト作成ソースリストを保存しました．\n";
static const std::string STARS = "******* Window information *******\n";
static const std::string END_STARS = "**********************************\n";
static const std::string GENERATOR = "\t// PIXKIT --- Automatic Source Generator\n";
static const std::string FOREGROUND = "\tPXK_SetForeground(PXKMAINWINDOW);\n";

class WindowInfo : public TextWindowsInFolder {
protected:
    std::string LogText(int id) {
        return ReadFileBytes(folder + "/PIXKIT" + std::to_string(instance_slot) + std::to_string(id) + ".LOG");
    }
    // Runs the report as the window's menu item and Ctrl+W do.
    void Report(int id) {
        ASSERT_TRUE(OnWorker([id] { RunTextCommand(id, CMD_TEXT_WINDOW_INFO); }));
    }
};

TEST_F(WindowInfo, ImagesAndATextWindowAreReportedInTheirColoursAndTheWindowKeepsItsOwn) {
    const uint32_t FG = 0xFFFF00, BG = 0x0000C0;
    ASSERT_TRUE(OnWorker([=] {
        PXK_OpenTextWindow(0, 500, 400, 600, 300);
        PXK_CreateImage(0, "one", 10, 20, 64, 48, 200);
        PXK_CreateImage8FL(3, "eight", 200, 20, 32, 32, 200);
        PXK_StartLog(0);
        PXK_SelectTextWindow(0);
        PXK_PushTextColor(BG, FG);
    }));
    Report(0);
    const std::string report = STARS + "[Image Window]\n 0 32 1  'one' X:10 Y:20 W:64 H:48 ZM:200%\n" +
                               " 3 8 0  'eight' X:200 Y:20 W:32 H:32 ZM:200%\n[Text Window]\n" +
                               " 0 X:500 Y:400 W:600 H:300\n" + END_STARS + SAVED;
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(0) == report; })) << LogText(0);
    EXPECT_EQ(DriverClipboardText(), GENERATOR + "\t// [Image Window]\n\tPXK_CreateImage(0,\"one\",10,20,64,48,200);\n" +
                                         "\tPXK_CreateImage8FL(3,\"eight\",200,20,32,32,200);\n" +
                                         "\t// [Text Window]\n\tPXK_OpenTextWindow(0,500,400,600,300);\n" + FOREGROUND);

    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"******* Window information *******", 0xFFFF00, 0));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"[Image Window]", 0x00FF00, 0));
    EXPECT_SHOWS(0, 0, 48, ReferenceText(u" 3 ", 0xFFFFFF, 0));
    EXPECT_SHOWS(0, 24, 48, ReferenceText(u"8 ", 0x0080FF, 0));
    EXPECT_SHOWS(0, 40, 48, ReferenceText(u"0 ", 0xFF00FF, 0));
    EXPECT_SHOWS(0, 56, 48, ReferenceText(u" 'eight'", 0xFFFFFF, 0));
    EXPECT_SHOWS(0, 0, 112, ReferenceText(u"クリップボードにレイアウト作成ソースリストを保存しました．", 0xFFFF00, 0x000080));
    ASSERT_TRUE(OnWorker([] { PXK_Printf("b"); }));
    EXPECT_SHOWS(0, 0, 128, ReferenceText(u"b", FG, BG));
}

TEST_F(WindowInfo, WithoutImagesThereIsNoImageSectionAndTheBoxesAreReportedInTheWindowThatAsked) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 0, 0, 400, 300);
        PXK_OpenTextWindow(2, 500, 0, 600, 300);
        PXK_OpenInputBox(10, 600, 2);
        PXK_ResizeInputBox(90, 60);
        PXK_SetInputBoxTitle(1, "size");
        PXK_OpenButtonBox(400, 600, 2, 1);
        PXK_ResizeButtonBox(200, 60);
        PXK_SetButtonBoxTitle(0, "x\ny");
        PXK_StartLog(2);
        PXK_SelectTextWindow(0);
    }));
    Report(2);
    EXPECT_EQ(current_text_window.load(), 2);
    const std::string report = STARS + "[Text Window]\n 0 X:0 Y:0 W:400 H:300\n 2 X:500 Y:0 W:600 H:300\n" +
                               "[Input Box]\n X:10 Y:600 ITEM:2 ISIZE:90 ESIZE:60\n" +
                               "[Button Box]\n X:400 Y:600 NX:2 NY:1 SIZE:200x60\n" + END_STARS + SAVED;
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(2) == report; })) << LogText(2);
    EXPECT_EQ(CursorOf(0), (Cursor{0, 0}));
    EXPECT_EQ(DriverClipboardText(),
              GENERATOR + "\t// [Text Window]\n\tPXK_OpenTextWindow(0,0,0,400,300);\n" +
                  "\tPXK_OpenTextWindow(2,500,0,600,300);\n\t// [Input Box]\n\tPXK_OpenInputBox(10,600,2);\n" +
                  "\tPXK_ResizeInputBox(90,60);\n\tPXK_SetInputBoxTitle(0,\"Item 0\");\n" +
                  "\tPXK_SetInputBoxTitle(1,\"size\");\n\t// [Button Box]\n\tPXK_OpenButtonBox(400,600,2,1);\n" +
                  "\tPXK_ResizeButtonBox(200,60);\n\tPXK_SetButtonBoxTitle(0,\"x\\ny\");\n" +
                  "\tPXK_SetButtonBoxTitle(1,\"1\");\n" + FOREGROUND);
}

// ---- The generator alone -----------------------------------------------------------------

static std::string Escaped(const char* bytes) {
    WindowDescription description{};
    DescribeSourceString(&description, bytes);
    std::string s = description.source.data ? description.source.data : "";
    FreeWindowDescription(&description);
    return s;
}

TEST(LayoutSource, TextsBecomeCStringLiterals) {
    const struct {
        const char *in, *out;
    } cases[] = {
        {"a\"b\\c", "a\\\"b\\\\c"},   {"x\ny\r\tz", "x\\ny\\r\\tz"}, {"\x01" "7", "\\0017"},
        {"\x7f", "\\177"},            {"?\?=", "?\\?="},              {"???", "?\\?\\?"},
        {"日本 é", "日本 é"},           {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(Escaped(c.in), c.out) << c.in;
}

// A window partly off the screen to the left or top is reported where it is and generated at
// 0, where the create call puts it at the screen's edge.
TEST_F(WindowInfo, WindowsPartlyOffTheScreenAreGeneratedAt0) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(4, 300, 40, 100, 50);
        PXK_CreateImage8(7, "t", 300, 300, 50, 40, 300);
        PXK_StartLog(4);
        PlatSetWindowPos(image_table[7].window, -30, -10, 0, 0, MOVE_NOSIZE | MOVE_NOZORDER);
        PlatSetWindowPos(text_windows[4].hwnd.load(), -5, 40, 0, 0, MOVE_NOSIZE | MOVE_NOZORDER);
    }));
    Report(4);
    const std::string report = STARS + "[Image Window]\n 7 8 1  't' X:-30 Y:-10 W:50 H:40 ZM:300%\n" +
                               "[Text Window]\n 4 X:-5 Y:40 W:100 H:50\n" + END_STARS + SAVED;
    EXPECT_TRUE(DriverWaitFor([&] { return LogText(4) == report; })) << LogText(4);
    EXPECT_EQ(DriverClipboardText(), GENERATOR + "\t// [Image Window]\n\tPXK_CreateImage8(7,\"t\",0,0,50,40,300);\n" +
                                         "\t// [Text Window]\n\tPXK_OpenTextWindow(4,0,40,100,50);\n" + FOREGROUND);
}

// ---- The round trip ----------------------------------------------------------------------

static void BuildRoundTripLayout(void) {
    PXK_OpenTextWindow(0, 1000, 500, 400, 300);
    PXK_OpenTextWindow(4, 1200, 100, 300, 200);
    PXK_CreateImage(0, "quote \" back \\ new\nline", 40, 30, 64, 48, 200);
    PXK_CreateImage8FL(1, "eight ?\?= FL", 400, 30, 100, 80, 100);
    PXK_CreateImageFL(2, "wide FL", 700, 30, 3000, 1000, 100);
    PXK_CreateImage8(5, "fitted 8", 60, 500, 2500, 1500, 100);
    PXK_OpenInputBox(10, 800, 3);
    PXK_ResizeInputBox(90, 60);
    PXK_SetInputBoxTitle(0, "a\"b\\c");
    PXK_SetInputBoxTitle(2, "日本");
    PXK_OpenButtonBox(700, 800, 2, 2);
    PXK_ResizeButtonBox(260, 80);
    PXK_SetButtonBoxTitle(0, "x\ny");
    PXK_SetButtonBoxTitle(3, "tab\there ?\?/");
}

// Compiles the source as C or C++ with warnings as errors, links it with the framework and
// runs it; the output of all three steps and the exit status of the last.
static std::string BuildAndRun(const std::string& dir, const std::string& setup, bool as_cxx) {
    if (!WriteFileBytes(dir + "/setup.c", "#include <pxk.h>\n\nvoid UserSetup(void) {\n" + setup +
                                               "\tStartRequested = 1;\n}\n"))
        return "cannot write the source";
    std::string compile = as_cxx ? std::string(ROUND_TRIP_CXX) + " -std=c++20 -x c++" : std::string(ROUND_TRIP_CC) + " -std=c11";
    std::string flags = " -Wall -Wextra -Werror " ROUND_TRIP_SANITIZE " -I" ROUND_TRIP_INCLUDE;
    return RunCommand("cd '" + dir + "' && " + compile + flags + " -c setup.c -o setup.o 2>&1 && " ROUND_TRIP_CXX +
                      " setup.o -Wl,--start-group " ROUND_TRIP_LIBS " -Wl,--end-group " ROUND_TRIP_SANITIZE
                      " -lpthread -o generated 2>&1 && PIXKIT_BACKEND=headless PIXKIT_HEADLESS_AUTOANSWER=1 "
                      "PIXKIT_LAYOUT_OUT=layout.txt ./generated 2>&1; echo \"exit $?\"");
}

class RoundTrip : public WindowInfo, public ::testing::WithParamInterface<bool> {};

TEST_P(RoundTrip, TheClipboardSourceCompilesAndMakesEveryWindowAgain) {
    ASSERT_TRUE(OnWorker([] { BuildRoundTripLayout(); }));
    ASSERT_TRUE(DriverWaitIdle());
    const std::string original = Ask<std::string>([] { return DescribeLayout(); });
    ASSERT_NE(original.find("image 5 bits 8 fit 1"), std::string::npos) << original;
    Report(0);
    const std::string source = DriverClipboardText();
    ASSERT_NE(source.find(FOREGROUND), std::string::npos) << source;

    std::string output = BuildAndRun(folder, source, GetParam());
    ASSERT_TRUE(output.size() >= 7 && output.compare(output.size() - 7, 7, "exit 0\n") == 0) << output;
    EXPECT_EQ(ReadFileBytes(folder + "/layout.txt"), original) << source;
}

INSTANTIATE_TEST_SUITE_P(AsCAndCxx, RoundTrip, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& p) { return p.param ? "Cxx" : "C"; });

// ---- A very large layout -----------------------------------------------------------------

static int CountLines(const std::string& s) { return (int)std::count(s.begin(), s.end(), '\n'); }

TEST_F(WindowInfo, AVeryLargeLayoutComesOutWholeAndItsReportStaysInItsWindow) {
    static const std::string LONG = std::string(150, 'T') + " \"quoted\" ";
    ASSERT_TRUE(OnWorker([] {
        for (int id = 0; id < TEXT_WINDOW_COUNT; id++) PXK_OpenTextWindow(id, id * 3, id * 2, 160, 64);
        PXK_StartLog(0);
        for (int i = 0; i < IMAGE_SLOTS; i++)
            PXK_CreateImage(i, (LONG + std::to_string(i)).c_str(), 600 + i, 300 + i, 160, 40, 100);
        PXK_OpenButtonBox(1000, 0, 16, 16);
        for (int b = 0; b < BUTTON_BOX_MAX; b++) PXK_SetButtonBoxTitle(b, ("b\n" + std::to_string(b)).c_str());
    }));
    // Window 3 asks for a report of its own while window 0's report prints: it becomes the
    // current window, its report is ignored, and window 0's report goes on where it was.
    int current_after = -1;
    ASSERT_TRUE(OnWorker([&] {
        PlatPostMessage(text_windows[3].hwnd.load(), MSG_COMMAND, (uintptr_t)MakeParam(CMD_TEXT_WINDOW_INFO, 0), 0);
        RunTextCommand(0, CMD_TEXT_WINDOW_INFO);
        current_after = current_text_window.load();
    }));
    EXPECT_EQ(current_after, 3) << "window 3's command was not served while the report printed";
    EXPECT_EQ(CursorOf(3), (Cursor{0, 0}));

    const int report_lines = 1 + 1 + IMAGE_SLOTS + 1 + TEXT_WINDOW_COUNT + 2 + 1 + 1;
    EXPECT_TRUE(DriverWaitFor([&] { return CountLines(LogText(0)) == report_lines; })) << CountLines(LogText(0));
    const std::string log = LogText(0);
    EXPECT_EQ(log.substr(log.size() - SAVED.size()), SAVED);
    EXPECT_NE(log.find(" 255 32 1  '" + LONG + "255' X:855 Y:555 W:160 H:40 ZM:100%\n"), std::string::npos);

    const std::string source = DriverClipboardText();
    EXPECT_GT(source.size(), 60000u);
    EXPECT_EQ(CountLines(source), 1 + 1 + IMAGE_SLOTS + 1 + TEXT_WINDOW_COUNT + 3 + BUTTON_BOX_MAX + 1);
    EXPECT_NE(source.find("\tPXK_CreateImage(255,\"" + std::string(150, 'T') + " \\\"quoted\\\" 255\",855,555,160,40,100);\n"),
              std::string::npos);
    EXPECT_NE(source.find("\tPXK_OpenTextWindow(255,765,510,160,64);\n"), std::string::npos);
    const std::string tail = "\tPXK_SetButtonBoxTitle(255,\"b\\n255\");\n" + FOREGROUND;
    EXPECT_EQ(source.substr(source.size() - tail.size()), tail);
}

// ---- Bringing windows forward ------------------------------------------------------------

TEST_F(WindowInfo, SetForegroundRaisesTheMainWindowAndFrameworkWindowsOnly) {
    ASSERT_TRUE(OnWorker([] {
        PXK_OpenTextWindow(0, 0, 0, 400, 300);
        PXK_OpenTextWindow(3, 500, 0, 400, 300);
        PXK_CreateImage(0, "i", 100, 400, 32, 32, 100);
        PXK_OpenButtonBox(600, 400, 1, 1);
    }));
    struct Case {
        const char* what;
        std::function<PXK_Window()> handle;
        int result;
    };
    const Case cases[] = {
        {"main window", [] { return (PXK_Window)PXKMAINWINDOW; }, 0},
        {"text window", [] { return (PXK_Window)text_windows[3].hwnd.load(); }, 0},
        {"image window", [] { return (PXK_Window)image_table[0].window; }, 0},
        {"button box", [] { return (PXK_Window)button_box.load(); }, 0},
        {"a button inside the box", [] { return (PXK_Window)button_hwnd[0]; }, 1},
        {"no window", [] { return (PXK_Window)0; }, 1},
        {"a closed window", [] {
             WindowId w = text_windows[0].hwnd.load();
             PXK_CloseTextWindow(0);
             return (PXK_Window)w;
         }, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(OnWorker([] { PlatSetForegroundWindow(text_windows[3].hwnd.load()); }));
        PXK_Window handle = Ask<PXK_Window>(c.handle);
        EXPECT_EQ(Ask<int>([&] { return PXK_SetForeground(handle); }), c.result);
        WindowId expected = c.result ? text_windows[3].hwnd.load()
                                     : handle == PXKMAINWINDOW ? main_window.load() : (WindowId)handle;
        EXPECT_EQ(PlatGetForegroundWindow(), expected);
    }
}
