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

TEST_F(TextWindows, UpAppendsTheLastLineToWhatWasTyped) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    DriverType("abc\n");
    EXPECT_EQ(FinishInput(job), "abc");
    job = StartInput(0);
    DriverType("x");
    ASSERT_TRUE(WaitCursor(0, Cursor{8, 16}));
    DriverKey(KEY_UP);
    ASSERT_TRUE(WaitCursor(0, Cursor{32, 16}));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "xabc");
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"xabc", 0xFFFFFF, 0x000000));
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

TEST_F(TextWindows, BackspaceAtTheStartOfAWrappedLineReturnsToTheEndOfThePreviousLine) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    std::string fifty = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWX";
    DriverType(fifty.c_str());
    // The fiftieth character fills the last cell: no room is left for the cursor after it.
    ASSERT_TRUE(WaitCursor(0, Cursor{0, 16}));
    DriverType("\b");
    ASSERT_TRUE(WaitCursor(0, Cursor{392, 0}));
    DriverType("Z");
    ASSERT_TRUE(WaitCursor(0, Cursor{0, 16}));
    DriverType("\n");
    std::string expected = fifty.substr(0, 49) + "Z";
    EXPECT_EQ(FinishInput(job), expected);
    std::u16string wide(expected.begin(), expected.end());
    EXPECT_SHOWS(0, 0, 0, ReferenceText(wide.c_str(), 0xFFFFFF, 0x000000));
}

TEST_F(TextWindows, BackspaceOverAWideCharacterThatWrappedGoesBackWhereItWasTyped) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    std::string narrow(49, 'n');
    DriverType(narrow.c_str());
    ASSERT_TRUE(WaitCursor(0, Cursor{392, 0}));
    DriverType("漢");
    ASSERT_TRUE(WaitCursor(0, Cursor{16, 16}));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"漢", 0xFFFFFF, 0x000000));
    DriverType("\b");
    ASSERT_TRUE(WaitCursor(0, Cursor{392, 0}));
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{0, 16, 32, 32}, 0x000000); }));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), narrow);
}

TEST_F(TextWindows, TypedCharactersTheConsoleFontDrawsFullWidthMoveTheCursorByTwoCells) {
    OpenWindow(0, 10, 400, 300);
    int job = StartInput(0);
    DriverType("a°");
    ASSERT_TRUE(WaitCursor(0, Cursor{24, 0}));
    DriverType("Ж");
    ASSERT_TRUE(WaitCursor(0, Cursor{40, 0}));
    DriverType("\b");
    ASSERT_TRUE(WaitCursor(0, Cursor{24, 0}));
    // Both cells of the removed letter are blank again.
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{32, 0, 40, 16}, 0x000000); }));
    DriverType("b\n");
    EXPECT_EQ(FinishInput(job), "a°b");
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"a", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 24, 0, ReferenceText(u"b", 0xFFFFFF, 0x000000));
}

TEST_F(TextWindows, AfterAPromptThatFillsTheLineTheFirstTypedCharacterStartsTheNextLine) {
    OpenWindow(0, 10, 400, 300);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("%s", "01234567890123456789012345678901234567890123456789"); }));
    ASSERT_EQ(CursorOf(0), (Cursor{400, 0}));
    int job = StartInput(0);
    DriverType("ab");
    ASSERT_TRUE(WaitCursor(0, Cursor{16, 16}));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"ab", 0xFFFFFF, 0x000000));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "ab");
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"01234567890123456789012345678901234567890123456789", 0xFFFFFF, 0x000000));
}

static const char* const ALPHABET45 = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRS";

static void TypeBackspaces(int n) {
    for (int i = 0; i < n; i++) DriverType("\b");
}

TEST_F(TextWindows, BackspaceAcrossMoreWrappedLinesThanTheWindowShowsBringsThemBack) {
    // Ten cells a line and two lines on screen: 45 characters take five lines.
    OpenWindow(0, 10, 80, 48);
    int job = StartInput(0);
    DriverType(ALPHABET45);
    ASSERT_TRUE(WaitCursor(0, Cursor{40, 16}));
    // Back over "OPQRS", "EFGHIJKLMN", "uvwxyzABCD" and "t": the cursor stays on screen.
    TypeBackspaces(26);
    ASSERT_TRUE(WaitCursor(0, Cursor{72, 0}));
    DriverType("XY");
    ASSERT_TRUE(WaitCursor(0, Cursor{8, 16}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"klmnopqrsX", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"Y", 0xFFFFFF, 0x000000));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "abcdefghijklmnopqrsXY");
    ASSERT_TRUE(OnWorker([] { PXK_Printf("after"); }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"Y", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"after", 0xFFFFFF, 0x000000));
}

TEST_F(TextWindows, BackspaceBackToTheFirstRowAfterItScrolledAwayBringsThePromptBackAsItWas) {
    OpenWindow(0, 10, 80, 48);
    ASSERT_TRUE(OnWorker([] { PXK_Printf("ab>"); }));
    int job = StartInput(0);
    DriverType(ALPHABET45);
    ASSERT_TRUE(WaitCursor(0, Cursor{64, 16}));   // five rows: the prompt's row scrolled away
    TypeBackspaces(45);
    ASSERT_TRUE(WaitCursor(0, Cursor{24, 0}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"ab>", 0xFFFFFF, 0x000000));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), "");
}

TEST_F(TextWindows, AResizeDuringInputEchoesTheLineAgainAndBackspaceStaysInTheWindow) {
    OpenWindow(0, 10, 80, 48);
    int job = StartInput(0);
    DriverType(ALPHABET45);
    ASSERT_TRUE(WaitCursor(0, Cursor{40, 16}));
    // Fifteen cells a line and three lines on screen: the line is echoed again from the top.
    PlatRect r{0, 0, 120, 64};
    PlatAdjustWindowRect(&r, STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME, 0, false);
    PlatSetWindowPos(HandleOf(0), 0, 0, RectWidth(r), RectHeight(r), MOVE_NOMOVE | MOVE_NOZORDER);
    ASSERT_TRUE(WaitCursor(0, Cursor{0, 32}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"pqrstuvwxyzABCD", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"EFGHIJKLMNOPQRS", 0xFFFFFF, 0x000000));
    TypeBackspaces(35);
    ASSERT_TRUE(WaitCursor(0, Cursor{80, 0}));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"abcdefghij", 0xFFFFFF, 0x000000));
    DriverType("Z\n");
    EXPECT_EQ(FinishInput(job), "abcdefghijZ");
    ASSERT_TRUE(OnWorker([] { PXK_Printf("after"); }));
    EXPECT_SHOWS(0, 0, 0, ReferenceText(u"abcdefghijZ", 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(u"after", 0xFFFFFF, 0x000000));
}

TEST_F(TextWindows, ALineLongerThan255BytesIsCutAtACharacterBoundary) {
    OpenWindow(0, 10, 800, 300);
    int job = StartInput(0);
    std::string typed;
    for (int i = 0; i < 127; i++) typed += "é";   // 254 bytes
    typed += "漢";                                // three more bytes would make 257
    DriverType(typed.c_str());
    DriverType("\n");
    std::string result = FinishInput(job);
    EXPECT_EQ(result.size(), 254u);
    EXPECT_EQ(result, typed.substr(0, 254));
}

TEST_F(TextWindows, ALineTakesNoMoreCharactersThanFit255BytesAndEchoesWhatItReturns) {
    OpenWindow(0, 10, 800, 300);
    std::string hundred, kept;
    for (int i = 0; i < 100; i++) hundred += "漢";   // three bytes each
    for (int i = 0; i < 85; i++) kept += "漢";
    std::u16string line1(50, u'漢'), line2(35, u'漢');
    int job = StartInput(0);
    DriverType(hundred.c_str());
    // 50 characters fill the first line, 35 more go on the second; the other 15 are refused.
    ASSERT_TRUE(WaitCursor(0, Cursor{560, 16}));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), kept);
    EXPECT_SHOWS(0, 0, 0, ReferenceText(line1.c_str(), 0xFFFFFF, 0x000000));
    EXPECT_SHOWS(0, 0, 16, ReferenceText(line2.c_str(), 0xFFFFFF, 0x000000));
    EXPECT_TRUE(DriverWaitFor([] { return AllColor(ScreenOf(0), PlatRect{560, 16, 800, 32}, 0x000000); }));
    // Recalling the line echoes and returns the same 85 characters.
    job = StartInput(0);
    DriverKey(KEY_UP);
    ASSERT_TRUE(WaitCursor(0, Cursor{560, 48}));
    DriverType("\n");
    EXPECT_EQ(FinishInput(job), kept);
    EXPECT_SHOWS(0, 0, 48, ReferenceText(line2.c_str(), 0xFFFFFF, 0x000000));
}

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
