// Line input on the real program: typed lines and their echo, typing into another text
// window, recall with Up, paste with Ctrl+V, backspace across wraps and across rows that
// scrolled away, characters the console font draws full width, a prompt that fills the
// line, a resize during input, the 255-byte limit, abandonment by closing the window or by
// Exit, input read on a thread that does not own the window, the main window's keys
// forwarded from a text window, and the key ring itself.
#include "textwin_fixture.h"

#include "runtime/main_window.h"
#include "textwin/key_ring.h"

#include <string.h>

#include <thread>

static char input_result[256];

// Starts PXK_InputText on the worker and waits until it reads window id.
static int StartInput(int id) {
    int job = PostJob([] {
        strcpy(input_result, "unset");
        PXK_InputText(input_result);
    });
    EXPECT_TRUE(DriverWaitFor([id] { return input_active.load() == id + 1; }));
    return job;
}

static std::string FinishInput(int job) {
    EXPECT_TRUE(WaitJob(job));
    return JobDone(job) ? std::string(input_result) : std::string("not returned");
}

static bool WaitCursor(int id, Cursor want) {
    return DriverWaitFor([id, want] { return CursorOf(id) == want; });
}

static void OpenWindow(int id, int x, int width, int height) {
    ASSERT_TRUE(OnWorker([=] { PXK_OpenTextWindow(id, x, 10, width, height); }));
}

TEST_F(TextWindows, ATypedLineIsEchoedAndReturnedWithTabsAsSpacesAndEscapeKept) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    EXPECT_NE(StatusText().find("Input text"), std::string::npos);
    // The cursor cell blinks between "_" and a blank cell in the current colours.
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"_", 0xFFFFFF, 0x000000));
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{0, 0, 8, 16}, 0x000000); }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"_", 0xFFFFFF, 0x000000));
    DriverType("hello\tyou");
    DriverKey(KEY_ESCAPE);
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "hello you\x1b");
    EXPECT_EQ(CursorOf(0), (Cursor{0, 16}));
    EXPECT_EQ(input_active.load(), 0);
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"hello you", 0xFFFFFF, 0x000000));
    // The cursor cell after the line was blanked.
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{80, 0, 88, 16}, 0x000000); }));
    EXPECT_NE(StatusText().find("32-bit color"), std::string::npos);
}

TEST_F(TextWindows, TypingIntoAnotherTextWindowFeedsTheLineBeingRead) {
    OpenWindow(1, 600, 200, 100);
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    PlatRect other = DriverClientRectScreen(HandleOf(1));
    DriverClick(other.left + 20, other.top + 20);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetForegroundWindow() == HandleOf(1); }));
    DriverType("elsewhere\n");
    EXPECT_EQ(FinishInput(job), "elsewhere");
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"elsewhere", 0xFFFFFF, 0x000000));
    EXPECT_EQ(CursorOf(1), (Cursor{0, 0}));
}

TEST_F(TextWindows, CtrlVAppendsTheClipboardTextUpToItsFirstLineBreak) {
    OpenWindow(0, 10, 400, 300);
    DriverSetClipboardText("paste me\nnot this");
    int job = StartInput(0);
    DriverType("a");
    ASSERT_TRUE(WaitCursor(0, Cursor{8, 0}));
    DriverKeyDown('V', INPUT_MOD_CONTROL);
    bool pasted = WaitCursor(0, Cursor{72, 0});
    DriverKeyUp('V', INPUT_MOD_CONTROL);
    DriverSetModifiers(0);
    ASSERT_TRUE(pasted);
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "apaste me");
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"apaste me", 0xFFFFFF, 0x000000));
}

// ---- Typing, wrapping and backspacing, step by step ----------------------------------------
//
// A case opens window 0 (width x height) and goes through its steps: prints, starts the
// input, types and presses keys, waits for the cursor, expects text on screen or blank cells,
// resizes the window, and expects the line the input returns.

namespace {

struct Step {
    enum Kind { PRINT, START, TYPE, KEY, CURSOR, SHOWS, BLANK, RESIZE, RETURNS } kind;
    std::string text;   // UTF-8
    int x = 0, y = 0, right = 0, bottom = 0;
};
Step Print(const std::string& t) { return {Step::PRINT, t}; }
Step Start() { return {Step::START, ""}; }
Step Type(const std::string& t) { return {Step::TYPE, t}; }
Step Key(int key) { return {Step::KEY, "", key}; }
Step At(int x, int y) { return {Step::CURSOR, "", x, y}; }
Step Shows(int x, int y, const std::string& t) { return {Step::SHOWS, t, x, y}; }
Step Blank(int l, int t, int r, int b) { return {Step::BLANK, "", l, t, r, b}; }
Step Resize(int width, int height) { return {Step::RESIZE, "", width, height}; }
Step Returns(const std::string& t) { return {Step::RETURNS, t}; }

std::string Times(int n, const std::string& s) {
    std::string out;
    for (int i = 0; i < n; i++) out += s;
    return out;
}

const std::string FIFTY = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";
const std::string ALPHABET45 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS";

struct StepCase {
    const char* name;
    int width, height;
    std::vector<Step> steps;
};
[[maybe_unused]] void PrintTo(const StepCase& c, std::ostream* os) { *os << c.name; }

const StepCase STEP_CASES[] = {
    {"UpAppendsTheLastLineToWhatWasTyped", 400, 300,
     {Start(), Type("abc\n"), Returns("abc"), Start(), Type("x"), At(8, 16), Key(KEY_UP), At(32, 16), Type("\n"),
      Returns("xabc"), Shows(0, 16, "xabc")}},
    // The fiftieth character fills the last cell: no room is left for the cursor after it.
    {"BackspaceAtTheStartOfAWrappedLineReturnsToTheEndOfThePreviousLine", 400, 300,
     {Start(), Type(FIFTY), At(0, 16), Type("\b"), At(392, 0), Type("Z"), At(0, 16), Type("\n"),
      Returns(FIFTY.substr(0, 49) + "Z"), Shows(0, 0, FIFTY.substr(0, 49) + "Z")}},
    {"BackspaceOverAWideCharacterThatWrappedGoesBackWhereItWasTyped", 400, 300,
     {Start(), Type(Times(49, "n")), At(392, 0), Type("漢"), At(16, 16), Shows(0, 16, "漢"), Type("\b"), At(392, 0),
      Blank(0, 16, 32, 32), Type("\n"), Returns(Times(49, "n"))}},
    // Both cells of the removed letter are blank again.
    {"TypedCharactersTheConsoleFontDrawsFullWidthMoveTheCursorByTwoCells", 400, 300,
     {Start(), Type("a°"), At(24, 0), Type("Ж"), At(40, 0), Type("\b"), At(24, 0), Blank(32, 0, 40, 16),
      Type("b\n"), Returns("a°b"), Shows(0, 0, "a"), Shows(24, 0, "b")}},
    {"AfterAPromptThatFillsTheLineTheFirstTypedCharacterStartsTheNextLine", 400, 300,
     {Print(Times(5, "0123456789")), At(400, 0), Start(), Type("ab"), At(16, 16), Shows(0, 16, "ab"), Type("\n"),
      Returns("ab"), Shows(0, 0, Times(5, "0123456789"))}},
    // Ten cells a line and two lines on screen: 45 characters take five lines. Back over
    // "OPQRS", "EFGHIJKLMN", "uvwxyzABCD" and "t": the cursor stays on screen.
    {"BackspaceAcrossMoreWrappedLinesThanTheWindowShowsBringsThemBack", 80, 48,
     {Start(), Type(ALPHABET45), At(40, 16), Type(Times(26, "\b")), At(72, 0), Type("XY"), At(8, 16),
      Shows(0, 0, "klmnopqrsX"), Shows(0, 16, "Y"), Type("\n"), Returns("abcdefghijklmnopqrsXY"), Print("after"),
      Shows(0, 0, "Y"), Shows(0, 16, "after")}},
    // Five rows: the prompt's row scrolled away.
    {"BackspaceBackToTheFirstRowAfterItScrolledAwayBringsThePromptBackAsItWas", 80, 48,
     {Print("ab>"), Start(), Type(ALPHABET45), At(64, 16), Type(Times(45, "\b")), At(24, 0), Shows(0, 0, "ab>"),
      Type("\n"), Returns("")}},
    // Fifteen cells a line and three lines on screen: the line is echoed again from the top.
    {"AResizeDuringInputEchoesTheLineAgainAndBackspaceStaysInTheWindow", 80, 48,
     {Start(), Type(ALPHABET45), At(40, 16), Resize(120, 64), At(0, 32), Shows(0, 0, "pqrstuvwxyzABCD"),
      Shows(0, 16, "EFGHIJKLMNOPQRS"), Type(Times(35, "\b")), At(80, 0), Shows(0, 0, "abcdefghij"), Type("Z\n"),
      Returns("abcdefghijZ"), Print("after"), Shows(0, 0, "abcdefghijZ"), Shows(0, 16, "after")}},
    // 254 bytes of "é"; three more bytes would make 257.
    {"ALineLongerThan255BytesIsCutAtACharacterBoundary", 800, 300,
     {Start(), Type(Times(127, "é") + "漢\n"), Returns(Times(127, "é"))}},
    // 50 characters fill the first line, 35 more go on the second; the other 15 are refused.
    // Recalling the line echoes and returns the same 85 characters.
    {"ALineTakesNoMoreCharactersThanFit255BytesAndEchoesWhatItReturns", 800, 300,
     {Start(), Type(Times(100, "漢")), At(560, 16), Type("\n"), Returns(Times(85, "漢")), Shows(0, 0, Times(50, "漢")),
      Shows(0, 16, Times(35, "漢")), Blank(560, 16, 800, 32), Start(), Key(KEY_UP), At(560, 48), Type("\n"),
      Returns(Times(85, "漢")), Shows(0, 48, Times(35, "漢"))}},
};

Reference ReferenceUtf8(const std::string& text) {
    char16_t wide[1024] = {0};
    Utf8ToUtf16(text.c_str(), -1, wide, 1024);
    return ReferenceText(wide, 0xFFFFFF, 0x000000);
}

struct LineSteps : TextWindows, ::testing::WithParamInterface<StepCase> {};

TEST_P(LineSteps, ShowAndReturnWhatWasTyped) {
    const StepCase& c = GetParam();
    OpenWindow(0, 10, c.width, c.height);
    int job = 0;
    for (const Step& s : c.steps) {
        SCOPED_TRACE("step " + std::to_string(&s - c.steps.data()));
        switch (s.kind) {
        case Step::PRINT: ASSERT_TRUE(OnWorker([&] { PXK_Printf("%s", s.text.c_str()); })); break;
        case Step::START: job = StartInput(0); break;
        case Step::TYPE: DriverType(s.text.c_str()); break;
        case Step::KEY: DriverKey(s.x); break;
        case Step::CURSOR: ASSERT_TRUE(WaitCursor(0, Cursor{s.x, s.y})) << CursorOf(0); break;
        case Step::SHOWS: EXPECT_SHOWS(0, s.x, s.y, ReferenceUtf8(s.text)); break;
        case Step::BLANK:
            EXPECT_TRUE(DriverWaitFor([&] { return AllColor(ScreenOf(0), PlatRect{s.x, s.y, s.right, s.bottom}, 0); }));
            break;
        case Step::RESIZE: {
            PlatRect r{0, 0, s.x, s.y};
            PlatAdjustWindowRect(&r, STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME, 0, false);
            PlatSetWindowPos(HandleOf(0), 0, 0, RectWidth(r), RectHeight(r), MOVE_NOMOVE | MOVE_NOZORDER);
            break;
        }
        case Step::RETURNS: EXPECT_EQ(FinishInput(job), s.text); break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Typing, LineSteps, ::testing::ValuesIn(STEP_CASES),
                         [](const ::testing::TestParamInfo<StepCase>& p) { return std::string(p.param.name); });

}  // namespace

TEST_F(TextWindows, ClosingTheWindowDuringInputReturnsAnEmptyLine) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    DriverType("abc");
    ASSERT_TRUE(WaitCursor(0, Cursor{24, 0}));
    InputClose(HandleOf(0));
    EXPECT_EQ(FinishInput(job), "");
    EXPECT_EQ(text_windows[0].is_open.load(), 0);
    EXPECT_EQ(input_active.load(), 0);
}

TEST_F(TextWindows, ExitDuringInputReturnsAtOnceAndTheWorkerEndsByItself) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    DriverType("abc");
    ASSERT_TRUE(WaitCursor(0, Cursor{24, 0}));
    EXPECT_EQ(StopProgram(), 0);
    EXPECT_TRUE(JobDone(job));
    EXPECT_STREQ(input_result, "");
    EXPECT_FALSE(WorkerWasTerminated());
}

// Reads a line from window 0 on a thread of its own while `typed` is typed; the line, or
// "not returned" when it did not return.
static std::string ReadOnOtherThread(const std::string& typed) {
    char line[256] = "unset";
    std::atomic<bool> done{false};
    std::thread reader([&] {
        PXK_InputText(line);
        done.store(true);
    });
    EXPECT_TRUE(DriverWaitFor([] { return input_active.load() == 1; }));
    DriverType(typed.c_str());
    bool returned = DriverWaitFor([&] { return done.load(); });
    if (!returned) ClearLineInput();
    reader.join();
    return returned ? std::string(line) : std::string("not returned");
}

TEST_F(TextWindows, ALineCanBeReadOnAThreadThatDoesNotOwnTheWindow) {
    OpenWindow(0, 10, 400, 300);
    EXPECT_EQ(ReadOnOtherThread("cross\n"), "cross");
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"cross", 0xFFFFFF, 0x000000));
}

// A burst longer than the key ring, as a script or a barcode scanner types it: nothing is
// lost, whether the line is read on the window's own thread or on another one. The line
// refuses what it cannot hold, and the backspaces and Enter after that still act.
TEST_F(TextWindows, ABurstLongerThanTheKeyRingLosesNothingWhicheverThreadReads) {
    OpenWindow(0, 10, 800, 300);
    const std::string burst = std::string(300, 'x') + std::string(60, '\b') + "yz\n";
    const std::string want = std::string(195, 'x') + "yz";
    int job = StartInput(0);
    DriverType(burst.c_str());
    EXPECT_EQ(FinishInput(job), want);
    EXPECT_EQ(ReadOnOtherThread(burst), want);
    EXPECT_EQ(KeyRingCount(), 0);
}

TEST_F(TextWindows, InputWithNoOpenWindowLeavesTheBufferUntouched) {
    char line[256] = "untouched";
    PXK_InputText(line);
    EXPECT_STREQ(line, "untouched");
}

TEST_F(TextWindows, XInATextWindowActsAsInTheMainWindow) {
    OpenWindow(0, 10, 400, 300);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetForegroundWindow() == HandleOf(0); }));
    DriverKey('X');
    // X is the main window's Exit key: the program ends.
    EXPECT_EQ(WaitProgramEnd(), 0);
}

TEST(KeyRing, HoldsTwoHundredFiftySixUnitsInOrderAndDropsTheRest) {
    ResetKeyRing();
    for (int i = 0; i < KEY_RING_UNITS; i++) EXPECT_TRUE(PutKeyUnit((char16_t)(0x100 + i)));
    EXPECT_FALSE(PutKeyUnit(u'x'));
    EXPECT_EQ(KeyRingCount(), KEY_RING_UNITS);
    for (int i = 0; i < 10; i++) EXPECT_EQ(TakeKeyUnit(), (char16_t)(0x100 + i));
    for (int i = 0; i < 10; i++) EXPECT_TRUE(PutKeyUnit((char16_t)(0x200 + i)));
    EXPECT_FALSE(PutKeyUnit(u'y'));
    for (int i = 10; i < KEY_RING_UNITS; i++) EXPECT_EQ(TakeKeyUnit(), (char16_t)(0x100 + i));
    for (int i = 0; i < 10; i++) EXPECT_EQ(TakeKeyUnit(), (char16_t)(0x200 + i));
    EXPECT_EQ(TakeKeyUnit(), 0);
}
