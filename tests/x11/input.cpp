// Real input through the X server (xdotool's synthetic keyboard and pointer): typed text as
// MSG_CHAR without control characters, key codes with modifiers, keypad keys in both Num
// Lock states and the main keyboard's plus and minus, the wheel, and a Ctrl+drag on the
// caption running the layer's move loop.
#include "x11_fixture.h"

#include <X11/keysym.h>

#include <algorithm>
#include <atomic>
#include <thread>

using namespace x11test;
using X11Input = X11Test;

static std::u16string Chars() {
    std::lock_guard<std::mutex> g(Record().lock);
    return Record().chars;
}

static std::vector<int> Keys() {
    std::lock_guard<std::mutex> g(Record().lock);
    return Record().keys_down;
}

static bool HasKey(int key) {
    for (int k : Keys())
        if (k == key) return true;
    return false;
}

// A keyboard that types what xdotool asks, however loaded the machine, for as long as it
// lives. It binds a keysym to a key that has none, as a layout with that character would:
// xdotool types a character the keymap lacks by binding it to a spare key for the one press
// and unbinding it at once, and a client that looks the key up after the unbinding (its event
// loop a few milliseconds behind) finds no symbol and gets no character ("got 14 units"). And
// it turns the server's key repeat off: a press whose release xdotool sends late (stalled
// for longer than the repeat delay) repeats the character ("got 16 units"). No client can
// tell either from what a user typed.
struct SteadyKeyboard {
    Display* dpy = XOpenDisplay(nullptr);
    int code = 0;
    bool repeat_was_on = false;
    SteadyKeyboard(KeySym lower, KeySym upper) {
        int min = 0, max = 0, per = 0;
        if (dpy) XDisplayKeycodes(dpy, &min, &max);
        KeySym* map = dpy ? XGetKeyboardMapping(dpy, (KeyCode)min, max - min + 1, &per) : nullptr;
        for (int c = max; map && c >= min && !code; c--)
            if (std::all_of(map + (c - min) * per, map + (c - min + 1) * per, [](KeySym k) { return k == NoSymbol; })) code = c;
        if (map) XFree(map);
        KeySym syms[2] = {lower, upper};
        if (code) XChangeKeyboardMapping(dpy, code, 2, syms, 1);
        XKeyboardState state{};
        if (dpy) XGetKeyboardControl(dpy, &state);
        repeat_was_on = state.global_auto_repeat == AutoRepeatModeOn;
        if (dpy) XAutoRepeatOff(dpy);
        if (dpy) XSync(dpy, False);
    }
    ~SteadyKeyboard() {
        KeySym none[2] = {NoSymbol, NoSymbol};
        if (code) XChangeKeyboardMapping(dpy, code, 2, none, 1);
        if (dpy && repeat_was_on) XAutoRepeatOn(dpy);
        if (dpy) XCloseDisplay(dpy);
    }
};

TEST_F(X11Input, TypedTextArrivesAsCharsInTheFocusedWindow) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(200, 150, 300, 200, u"typing");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(FocusAndWait(w));
    SteadyKeyboard keyboard(XK_odiaeresis, XK_Odiaeresis);
    ASSERT_NE(keyboard.code, 0);
    RunCommand("xdotool type --delay 20 'Hello, w\xc3\xb6rld 42'");
    std::u16string want = u"Hello, w\u00f6rld 42";
    EXPECT_TRUE(PumpUntil([&] { return Chars() == want; })) << "got " << Chars().size() << " units";
    EXPECT_TRUE(HasKey('H'));
    EXPECT_TRUE(HasKey('4'));
    EXPECT_TRUE(HasKey(KEY_SPACE));

    // Return, Tab, Backspace and Escape are keys; their characters come only from the layer's
    // translation (once each); so does Ctrl+A's control character.
    {
        std::lock_guard<std::mutex> g(Record().lock);
        Record().chars.clear();
        Record().keys_down.clear();
        Record().key_mods.clear();
    }
    RunCommand("xdotool key --delay 20 Return Tab BackSpace Escape ctrl+a Delete Left F5 Home");
    EXPECT_TRUE(PumpUntil([&] { return HasKey(KEY_HOME); }));
    EXPECT_EQ(Chars(), std::u16string(u"\r\t\b\x1b\x01"));
    std::vector<int> keys = Keys();
    std::vector<int> without_ctrl;
    bool ctrl_a = false;
    {
        std::lock_guard<std::mutex> g(Record().lock);
        for (size_t i = 0; i < keys.size(); i++) {
            if (keys[i] == 'A') ctrl_a = (Record().key_mods[i] & 1) != 0;
            if (keys[i] != KEY_CONTROL) without_ctrl.push_back(keys[i]);
        }
    }
    EXPECT_TRUE(ctrl_a);
    std::vector<int> want_keys{KEY_RETURN, KEY_TAB, KEY_BACK, KEY_ESCAPE, 'A', KEY_DELETE, KEY_LEFT, KEY_F1 + 4, KEY_HOME};
    EXPECT_EQ(without_ctrl, want_keys);
    EXPECT_EQ(PlatGetKeyState(KEY_CONTROL), 0);
}

// Also the main keyboard's "=" (with or without Shift) and "-", which zoom like the keypad's.
TEST_F(X11Input, KeypadDigitsInBothNumLockStatesAndMainKeyboardPlusAndMinus) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(200, 150, 300, 200, u"keypad");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(FocusAndWait(w));
    RunCommand("xdotool key --delay 20 KP_End KP_Add KP_Subtract ctrl+equal ctrl+minus ctrl+plus");
    EXPECT_TRUE(PumpUntil([&] { return HasKey(KEY_SUBTRACT); }));
    RunCommand("xdotool key Num_Lock");
    RunCommand("xdotool key --delay 20 KP_1 KP_7 KP_Enter");
    EXPECT_TRUE(PumpUntil([&] { return HasKey(KEY_RETURN); }));
    RunCommand("xdotool key Num_Lock");
    std::vector<int> keys = Keys();
    std::vector<int> want{KEY_NUMPAD0 + 1, KEY_ADD,         KEY_SUBTRACT,    KEY_OEM_PLUS, KEY_OEM_MINUS,
                          KEY_OEM_PLUS,    KEY_NUMPAD0 + 1, KEY_NUMPAD0 + 7, KEY_RETURN};
    std::vector<int> got;
    for (int k : keys)
        if (k != KEY_SHIFT && k != KEY_CONTROL) got.push_back(k);
    EXPECT_EQ(got, want);
}

TEST_F(X11Input, WheelTurnsArriveWithTheirDirection) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(200, 150, 300, 200, u"wheel");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(FocusAndWait(w));
    RunCommand("xdotool mousemove 350 260 click 4 click 4 click 5");
    auto wheel = [] {
        std::lock_guard<std::mutex> g(Record().lock);
        return Record().wheel;
    };
    EXPECT_TRUE(PumpUntil([&] { return wheel().size() >= 3; }));
    EXPECT_EQ(wheel(), (std::vector<int>{120, 120, -120}));
}

TEST_F(X11Input, CtrlDragOnTheCaptionRunsTheMoveLoopWithCtrlSeen) {
    ASSERT_NO_FATAL_FAILURE(StartX11());
    WindowId w = CreateTestWindow(300, 200, 320, 240, u"drag me");
    ASSERT_NE(w, 0u);
    ASSERT_TRUE(FocusAndWait(w));
    PlatPoint offset{};
    PlatGetClientOffset(w, &offset);
    int gx = 300 + 100, gy = 200 + offset.y / 2 + 1;
    std::atomic<bool> done{false};
    std::thread user([&] {
        char cmd[512];
        snprintf(cmd, sizeof cmd,
                 "xdotool mousemove --sync %d %d keydown ctrl sleep 0.1 mousedown 1 sleep 0.2 "
                 "mousemove --sync %d %d sleep 0.2 mousemove --sync %d %d sleep 0.2 mouseup 1 sleep 0.1 keyup ctrl",
                 gx, gy, gx + 30, gy + 20, gx + 80, gy + 50);
        RunCommand(cmd);
        done = true;
    });
    bool finished = PumpUntil([&] { return done.load(); }, 10000);
    user.join();
    ASSERT_TRUE(finished);
    {
        std::lock_guard<std::mutex> g(Record().lock);
        EXPECT_GT(Record().moving, 0);
        EXPECT_TRUE(Record().ctrl_while_moving);
    }
    PlatRect r;
    PlatGetWindowRect(w, &r);
    EXPECT_EQ(r.left, 380);
    EXPECT_EQ(r.top, 250);
    int x = 0, y = 0;
    EXPECT_TRUE(PumpUntil([&] { return NativeTopLeft(X11NativeWindow(w), &x, &y) && x == 380 && y == 250; }))
        << x << "," << y;
}
