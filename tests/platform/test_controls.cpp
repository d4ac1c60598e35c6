// The standard controls on the headless layer alone: a dialog-like window with two edit
// fields, a push button and a label, served by a thread of its own that pumps through the
// dialog keyboard handling. The test thread types, clicks and reads back texts, selections,
// the clipboard and the notifications the parent received.
#include "platform/backend.h"
#include "support/top_window.h"
#include "platform/clipboard.h"
#include "platform/controls/controls.h"
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

enum { ID_EDIT1 = 10, ID_EDIT2 = 11, ID_BUTTON = 12, ID_LABEL = 13 };

struct Received {
    int msg;
    int id;
    int code;
    intptr_t lparam;
};

std::mutex g_lock;
std::vector<Received> g_received;
std::atomic<WindowId> g_dialog{0}, g_edit1{0}, g_edit2{0}, g_button{0}, g_label{0};
std::atomic<bool> g_stop{false};

intptr_t DialogProc(WindowId w, int msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == MSG_COMMAND || msg == MSG_LBUTTONDOWN || msg == MSG_LBUTTONDBLCLK) {
        std::lock_guard<std::mutex> guard(g_lock);
        if (msg == MSG_COMMAND)
            g_received.push_back(Received{msg, ParamLow((intptr_t)wparam), ParamHigh((intptr_t)wparam), lparam});
        else
            g_received.push_back(Received{msg, ParamX(lparam), ParamY(lparam), 0});
        return 0;
    }
    return PlatDefWindowProc(w, msg, wparam, lparam);
}

std::vector<Received> ReceivedOf(int msg, int code = -1) {
    std::lock_guard<std::mutex> guard(g_lock);
    std::vector<Received> out;
    for (const Received& r : g_received)
        if (r.msg == msg && (code < 0 || r.code == code)) out.push_back(r);
    return out;
}

WindowId MakeChild(WindowId parent, const char* cls, const char16_t* text, uint32_t style, uint32_t ex,
                   int x, int y, int w, int h, int id) {
    WindowCreate c{};
    c.class_name = cls;
    c.text = text;
    c.style = (uint32_t)STYLE_CHILD | (uint32_t)STYLE_VISIBLE | style;
    c.ex_style = ex;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.parent = parent;
    c.id = id;
    return PlatCreateWindow(&c);
}

void DialogThread() {
    WindowClassDesc desc{"ctl_test_dlg", DialogProc, CLASS_DBLCLKS, COLOR_BUTTON_FACE};
    PlatRegisterClass(&desc);
    WindowId dlg = MakeTopWindow("ctl_test_dlg", 100, 100, 320, 200, STYLE_CAPTION | STYLE_SYSMENU, u"Controls");
    g_edit1 = MakeChild(dlg, "EDIT", u"", STYLE_TABSTOP | STYLE_GROUP | EDIT_AUTOHSCROLL, EXSTYLE_CLIENTEDGE,
                        80, 10, 120, 24, ID_EDIT1);
    g_edit2 = MakeChild(dlg, "EDIT", u"second", STYLE_TABSTOP | STYLE_GROUP | EDIT_AUTOHSCROLL,
                        EXSTYLE_CLIENTEDGE, 80, 40, 120, 24, ID_EDIT2);
    g_button = MakeChild(dlg, "BUTTON", u"Press me", (uint32_t)STYLE_TABSTOP | BUTTON_MULTILINE, 0, 80, 80, 100, 30,
                         ID_BUTTON);
    g_label = MakeChild(dlg, "STATIC", u"Label", STATIC_SIMPLE, 0, 4, 13, 70, 24, ID_LABEL);
    PlatShowWindow(dlg, SHOW_NORMAL);
    PlatSetFocus(g_edit1);
    g_dialog = dlg;
    while (!g_stop.load()) {
        PlatWaitMessage(10);
        Message m;
        while (PlatPeekMessage(&m, PEEK_REMOVE) && m.type != MSG_QUIT) {
            if (!PlatIsDialogMessage(dlg, &m)) {
                PlatTranslateMessage(&m);
                PlatDispatchMessage(&m);
            }
        }
    }
    PlatDestroyWindow(dlg);
}

// A key pressed with modifiers held until the control has handled it (the layer reports the
// modifier state of the moment a message is handled, as a keyboard held down would).
void KeyWith(int key, int mods) {
    DriverSetModifiers(mods);
    DriverKey(key, mods);
    DriverWaitIdle();
    DriverSetModifiers(0);
}

class Controls : public ::testing::Test {
protected:
    std::thread ui;
    void SetUp() override {
        static bool started = false;
        if (!started) {
            ASSERT_EQ(PlatStartHeadless(1920, 1080, 32), 0);
        }
        started = true;
        g_stop = false;
        g_dialog = 0;
        {
            std::lock_guard<std::mutex> guard(g_lock);
            g_received.clear();
        }
        ui = std::thread(DialogThread);
        ASSERT_TRUE(DriverWaitFor([] { return g_dialog.load() != 0; }));
        ASSERT_TRUE(DriverWaitIdle());
    }
    void TearDown() override {
        g_stop = true;
        if (ui.joinable()) ui.join();
        DriverSetClipboardText("");
    }
    static std::string Text(WindowId w) { return DriverWindowText(w); }
    static bool TextIs(WindowId w, const std::string& want) {
        return DriverWaitFor([&] { return DriverWindowText(w) == want; }, 3000);
    }
    static std::pair<int, int> Selection(WindowId w) {
        intptr_t r = PlatSendMessage(w, EM_GETSEL, 0, 0);
        return {ParamLow(r), ParamHigh(r)};
    }
    static PlatPoint Centre(WindowId w) {
        PlatRect r = DriverWindowRect(w);
        return PlatPoint{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
};

TEST_F(Controls, TypingAndCaretKeysEditTheText) {
    DriverType("hello");
    ASSERT_TRUE(TextIs(g_edit1, "hello"));
    DriverKey(KEY_LEFT);
    DriverKey(KEY_LEFT);
    DriverType("X");
    ASSERT_TRUE(TextIs(g_edit1, "helXlo"));
    DriverKey(KEY_HOME);
    DriverKey(KEY_DELETE);
    ASSERT_TRUE(TextIs(g_edit1, "elXlo"));
    DriverKey(KEY_END);
    DriverKey(KEY_BACK);
    ASSERT_TRUE(TextIs(g_edit1, "elXl"));
    DriverKey(KEY_RIGHT);   // at the end already: nothing moves
    DriverType("!");
    ASSERT_TRUE(TextIs(g_edit1, "elXl!"));
    // Shift+Home selects back to the start; typing replaces the selection.
    DriverKey(KEY_LEFT);
    KeyWith(KEY_HOME, INPUT_MOD_SHIFT);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Selection(g_edit1), std::make_pair(0, 4));
    DriverType("Z");
    ASSERT_TRUE(TextIs(g_edit1, "Z!"));
    // Shift+Right extends by one character each, Backspace removes the selection only.
    DriverKey(KEY_HOME);
    KeyWith(KEY_RIGHT, INPUT_MOD_SHIFT);
    DriverKey(KEY_BACK);
    ASSERT_TRUE(TextIs(g_edit1, "!"));
    // Non-ASCII text counts whole characters, surrogate pairs included.
    DriverKey(KEY_END);
    DriverType("é😀");
    ASSERT_TRUE(TextIs(g_edit1, "!é😀"));
    DriverKey(KEY_BACK);
    ASSERT_TRUE(TextIs(g_edit1, "!é"));
}

TEST_F(Controls, SetTextPutsCaretAtStartAndSetSelSelects) {
    PlatSendMessage(g_edit1, EM_SETSEL, 0, -1);
    ASSERT_EQ(PlatSetWindowText(g_edit1, u"12345"), 0);   // from another thread: text only
    PlatSendMessage(g_edit1, EM_SETSEL, 1, 3);
    EXPECT_EQ(Selection(g_edit1), std::make_pair(1, 3));
    DriverType("x");
    ASSERT_TRUE(TextIs(g_edit1, "1x45"));
    PlatSendMessage(g_edit1, EM_SETSEL, 0, -1);
    EXPECT_EQ(Selection(g_edit1), std::make_pair(0, 4));
    PlatSendMessage(g_edit1, EM_SETSEL, 2, 99);   // the end is clamped
    EXPECT_EQ(Selection(g_edit1), std::make_pair(2, 4));
}

TEST_F(Controls, CopyCutAndPasteUseTheClipboard) {
    DriverType("abc def");
    ASSERT_TRUE(TextIs(g_edit1, "abc def"));
    KeyWith('A', INPUT_MOD_CONTROL);
    KeyWith('C', INPUT_MOD_CONTROL);
    ASSERT_TRUE(DriverWaitFor([] { return DriverClipboardText() == "abc def"; }));
    std::vector<uint8_t> wide = DriverClipboard(CLIP_UNICODETEXT);
    ASSERT_EQ(wide.size(), 8 * sizeof(char16_t));
    EXPECT_EQ(((const char16_t*)wide.data())[6], u'f');
    EXPECT_EQ(Text(g_edit1), "abc def");   // copying leaves the text alone
    DriverKey(KEY_HOME);
    for (int i = 0; i < 3; i++) KeyWith(KEY_RIGHT, INPUT_MOD_SHIFT);
    KeyWith('X', INPUT_MOD_CONTROL);
    ASSERT_TRUE(TextIs(g_edit1, " def"));
    EXPECT_EQ(DriverClipboardText(), "abc");
    // Paste takes the first line only, at the caret.
    DriverKey(KEY_END);
    DriverSetClipboardText("12\n34");
    KeyWith('V', INPUT_MOD_CONTROL);
    ASSERT_TRUE(TextIs(g_edit1, " def12"));
    // Text offered only as UTF-8 pastes as well.
    DriverSetClipboard(CLIP_TEXT, std::vector<uint8_t>{'o', 'k', 0});
    KeyWith('V', INPUT_MOD_CONTROL);
    ASSERT_TRUE(TextIs(g_edit1, " def12ok"));
}

TEST_F(Controls, PastedTextBeyondTheFieldSizeIsCut) {
    std::string line(400, '7');
    DriverSetClipboardText(line.c_str());
    KeyWith('V', INPUT_MOD_CONTROL);
    ASSERT_TRUE(TextIs(g_edit1, std::string(255, '7')));
    DriverType("8");   // full: nothing more goes in
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Text(g_edit1), std::string(255, '7'));
    // The caret stays in view: the last characters are drawn near the right edge.
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(g_edit1, &w, &h);
    ASSERT_GT(w, 20);
    bool ink_right = false;
    for (int y = 0; y < h; y++)
        for (int x = w - 12; x < w; x++)
            if (px[(size_t)y * w + x] != 0xFFFFFF) ink_right = true;
    EXPECT_TRUE(ink_right);
}

TEST_F(Controls, TabWalksTabStopsAndNotifiesFocusChanges) {
    ASSERT_EQ(PlatGetFocus(), g_edit1.load());
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == g_edit2.load(); }));
    ASSERT_TRUE(DriverWaitIdle());
    // Tabbing into an edit selects its whole text.
    EXPECT_EQ(Selection(g_edit2), std::make_pair(0, 6));
    std::vector<Received> kill = ReceivedOf(MSG_COMMAND, EN_KILLFOCUS);
    std::vector<Received> set = ReceivedOf(MSG_COMMAND, EN_SETFOCUS);
    ASSERT_FALSE(kill.empty());
    ASSERT_FALSE(set.empty());
    EXPECT_EQ(kill.back().id, ID_EDIT1);
    EXPECT_EQ(kill.back().lparam, (intptr_t)g_edit1.load());
    EXPECT_EQ(set.back().id, ID_EDIT2);
    EXPECT_EQ(set.back().lparam, (intptr_t)g_edit2.load());
    DriverKey(KEY_TAB);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == g_button.load(); }));
    DriverKey(KEY_TAB);   // wraps around; the label is no tab stop
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == g_edit1.load(); }));
    KeyWith(KEY_TAB, INPUT_MOD_SHIFT);
    ASSERT_TRUE(DriverWaitFor([] { return PlatGetFocus() == g_button.load(); }));
    ASSERT_TRUE(DriverWaitIdle());
    // No tab character reached an edit.
    EXPECT_EQ(Text(g_edit1), "");
    EXPECT_EQ(Text(g_edit2), "second");
}

TEST_F(Controls, EnterPostsTheDefaultCommand) {
    DriverType("5\n");
    ASSERT_TRUE(DriverWaitFor([] {
        for (const Received& r : ReceivedOf(MSG_COMMAND, 0))
            if (r.id == 1 && r.lparam == 0) return true;
        return false;
    }));
    EXPECT_EQ(Text(g_edit1), "5");
    EXPECT_EQ(PlatGetFocus(), g_edit1.load());
}

TEST_F(Controls, ButtonClicksOnReleaseInsideOnly) {
    PlatPoint c = Centre(g_button);
    int w = 0, h = 0;
    std::vector<uint32_t> up = DriverClientPixels(g_button, &w, &h);
    DriverMovePointer(c.x, c.y);
    DriverButton(c.x, c.y, BUTTON_LEFT, true);
    ASSERT_TRUE(DriverWaitIdle());
    const int face = 3 * w + w / 2;
    EXPECT_EQ(up[face], 0xE1E1E1u);
    EXPECT_EQ(DriverClientPixels(g_button, &w, &h)[face], 0xCCE4F7u);   // pressed look
    EXPECT_TRUE(ReceivedOf(MSG_COMMAND, BN_CLICKED).empty());
    DriverButton(c.x, c.y, BUTTON_LEFT, false);
    ASSERT_TRUE(DriverWaitFor([] { return ReceivedOf(MSG_COMMAND, BN_CLICKED).size() == 1; }));
    Received r = ReceivedOf(MSG_COMMAND, BN_CLICKED)[0];
    EXPECT_EQ(r.id, ID_BUTTON);
    EXPECT_EQ(r.lparam, (intptr_t)g_button.load());
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(DriverClientPixels(g_button, &w, &h)[face], 0xE1E1E1u);
    // Pressed inside, released outside: no click.
    DriverDrag(c.x, c.y, c.x + 150, c.y);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(ReceivedOf(MSG_COMMAND, BN_CLICKED).size(), 1u);
    // Quick clicks are each a click.
    for (int i = 0; i < 3; i++) DriverClick(c.x, c.y);
    ASSERT_TRUE(DriverWaitFor([] { return ReceivedOf(MSG_COMMAND, BN_CLICKED).size() == 4; }));
}

TEST_F(Controls, MouseDragSelectsAndShiftClickExtends) {
    PlatSetWindowText(g_edit2, u"drag me");
    PlatRect r = DriverWindowRect(g_edit2);
    int y = (r.top + r.bottom) / 2;
    DriverDrag(r.left + 3, y, r.right + 40, y);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(PlatGetFocus(), g_edit2.load());
    EXPECT_EQ(Selection(g_edit2), std::make_pair(0, 7));
    // A click away from the drag's start places the caret (a click on the same spot would
    // be the second half of a double click, which selects everything).
    DriverClick(r.left + 30, y);
    ASSERT_TRUE(DriverWaitIdle());
    std::pair<int, int> caret = Selection(g_edit2);
    EXPECT_EQ(caret.first, caret.second);
    EXPECT_GT(caret.first, 0);
    EXPECT_LT(caret.first, 7);
    DriverKey(KEY_HOME);
    DriverSetModifiers(INPUT_MOD_SHIFT);
    DriverClick(r.right - 4, y);
    DriverSetModifiers(0);
    ASSERT_TRUE(DriverWaitIdle());
    EXPECT_EQ(Selection(g_edit2), std::make_pair(0, 7));
}

TEST_F(Controls, StaticTextPassesClicksToItsParent) {
    PlatRect lr = DriverWindowRect(g_label);
    DriverClick(lr.left + 5, lr.top + 6);
    ASSERT_TRUE(DriverWaitFor([] { return !ReceivedOf(MSG_LBUTTONDOWN).empty(); }));
    Received r = ReceivedOf(MSG_LBUTTONDOWN)[0];
    EXPECT_EQ(r.id, 4 + 5);    // parent client x
    EXPECT_EQ(r.code, 13 + 6); // parent client y
    DriverClick(lr.left + 5, lr.top + 6);
    ASSERT_TRUE(DriverWaitFor([] { return !ReceivedOf(MSG_LBUTTONDBLCLK).empty(); }));
}

TEST_F(Controls, EditDrawsTextOnWhiteAndTheCaretBlinks) {
    int w = 0, h = 0;
    std::vector<uint32_t> px = DriverClientPixels(g_edit2, &w, &h);
    ASSERT_EQ(w, 116);
    ASSERT_EQ(h, 20);
    EXPECT_EQ(px[(size_t)(h - 1) * w + (w - 1)], 0xFFFFFFu);
    int dark = 0;
    for (uint32_t p : px)
        if ((p & 0xFF) < 0x80) dark++;
    EXPECT_GT(dark, 10);   // "second" is drawn
    // The focused empty edit shows a caret that comes and goes.
    auto caret_column_dark = [] {
        int cw = 0, ch = 0;
        std::vector<uint32_t> e = DriverClientPixels(g_edit1, &cw, &ch);
        return e.size() > (size_t)(ch / 2) * cw + 1 && e[(size_t)(ch / 2) * cw + 1] == 0x000000u;
    };
    EXPECT_TRUE(DriverWaitFor(caret_column_dark, 3000));
    EXPECT_TRUE(DriverWaitFor([&] { return !caret_column_dark(); }, 3000));
}

}  // namespace
