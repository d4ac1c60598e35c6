// Shared helpers of the X11 tests: a display check that fails loudly, a test window class
// that records what its procedure receives, a pump that waits for a condition with a
// timeout, and the outside tools (xwininfo, xprop, xdotool, import, xclip).
#pragma once

#include "platform/backend.h"
#include "support/top_window.h"
#include "platform/draw/draw.h"
#include "platform/window/input.h"
#include "platform/system.h"
#include "platform/window/window.h"
#include "platform/window/window_pixels.h"
#include "platform/x11/x11_backend.h"
#include "support/outside_io.h"

#include <gtest/gtest.h>

// Xlib names its font handle Font, as the layer names its font description: rename the
// Xlib one in the tests, which use Xlib only as another client of the display.
#define Font XlibFont
#include <X11/Xlib.h>
#undef Font
#include <functional>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

namespace x11test {

// What the test window's procedure saw.
struct Seen {
    std::mutex lock;
    std::u16string chars;
    std::vector<int> keys_down;
    std::vector<int> key_mods;   // MOUSE_CONTROL etc. read from the key state at each key
    int moving = 0;
    bool ctrl_while_moving = false;
    std::vector<int> wheel;
    int drops = 0;
    std::vector<std::string> dropped;
};

inline Seen& Record() {
    static Seen seen;
    return seen;
}

inline intptr_t TestProc(WindowId w, int msg, uintptr_t wp, intptr_t lp) {
    Seen& s = Record();
    switch (msg) {
    case MSG_CHAR: {
        std::lock_guard<std::mutex> g(s.lock);
        s.chars.push_back((char16_t)wp);
        return 0;
    }
    case MSG_KEYDOWN:
    case MSG_SYSKEYDOWN: {
        std::lock_guard<std::mutex> g(s.lock);
        s.keys_down.push_back((int)wp);
        s.key_mods.push_back((PlatGetKeyState(KEY_CONTROL) ? 1 : 0) | (PlatGetKeyState(KEY_SHIFT) ? 2 : 0));
        return 0;
    }
    case MSG_MOVING: {
        std::lock_guard<std::mutex> g(s.lock);
        s.moving++;
        if (PlatGetKeyState(KEY_CONTROL) & 0x8000) s.ctrl_while_moving = true;
        break;
    }
    case MSG_MOUSEWHEEL: {
        std::lock_guard<std::mutex> g(s.lock);
        s.wheel.push_back((int)(int16_t)ParamHigh((intptr_t)wp));
        return 0;
    }
    case MSG_DROPFILES: {
        DropList* list = (DropList*)wp;
        {
            std::lock_guard<std::mutex> g(s.lock);
            s.drops++;
            for (int i = 0; i < list->count; i++) s.dropped.push_back(list->paths[i]);
        }
        PlatDragFinish(list);
        return 0;
    }
    default:
        break;
    }
    return PlatDefWindowProc(w, msg, wp, lp);
}

// Every X11 test starts here: without a reachable display the test fails with a clear
// message instead of passing quietly.
inline void StartX11() {
    const char* display = getenv("DISPLAY");
    ASSERT_TRUE(display && *display) << "DISPLAY is not set: run the X11 tests through scripts/test.sh (Xvfb)";
    Display* probe = XOpenDisplay(nullptr);
    ASSERT_TRUE(probe) << "cannot reach the X display \"" << display << "\" (is Xvfb running?)";
    XCloseDisplay(probe);
    unsetenv("PIXKIT_BACKEND");
    ASSERT_EQ(PlatStartBackend(), 0);
    ASSERT_STREQ(PlatBackend()->name, "x11");
    WindowClassDesc desc{"pxk_x11test", TestProc, CLASS_OWN_DC, 0x00FFFFFF};
    PlatRegisterClass(&desc);
}

// Pumps the calling thread's messages until cond() holds; false after timeout_ms.
inline bool PumpUntil(const std::function<bool()>& cond, int timeout_ms = 5000) {
    uint32_t start = PlatGetTickMs();
    for (;;) {
        Message m;
        while (PlatPeekMessage(&m, PEEK_REMOVE)) {
            if (m.type == MSG_QUIT) break;
            PlatTranslateMessage(&m);
            PlatDispatchMessage(&m);
        }
        if (cond()) return true;
        if (PlatGetTickMs() - start > (uint32_t)timeout_ms) return false;
        PlatWaitMessage(20);
    }
}

// Windows the test made, destroyed when it ends.
inline std::vector<WindowId>& Created() {
    static std::vector<WindowId> windows;
    return windows;
}

inline WindowId CreateTestWindow(int x, int y, int w, int h, const char16_t* title,
                                 uint32_t style = STYLE_CAPTION | STYLE_SYSMENU | STYLE_VISIBLE, WindowId owner = 0) {
    WindowCreate c{};
    c.class_name = "pxk_x11test";
    c.text = title;
    c.style = style;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.owner = owner;
    WindowId made = PlatCreateWindow(&c);
    if (made) Created().push_back(made);
    return made;
}

// Every X11 test ends by destroying its windows and stopping the backend, so that each run
// also goes through the backend's orderly stop.
class X11Test : public ::testing::Test {
protected:
    void TearDown() override {
        for (WindowId w : Created()) PlatDestroyWindow(w);
        Created().clear();
        PlatStopBackend();
    }
};

// Outer top-left of a native window as the server reports it.
inline bool NativeTopLeft(unsigned long xid, int* x, int* y) {
    std::string info = RunCommand("xwininfo -id " + std::to_string(xid) + " 2>/dev/null");
    const char* ax = strstr(info.c_str(), "Absolute upper-left X:");
    const char* ay = strstr(info.c_str(), "Absolute upper-left Y:");
    if (!ax || !ay) return false;
    *x = atoi(ax + 22);
    *y = atoi(ay + 22);
    return strstr(info.c_str(), "IsViewable") != nullptr;
}

// The screen's pixels in a rectangle as 0x00RRGGBB words.
inline std::vector<uint32_t> Screenshot(int x, int y, int w, int h) {
    char cmd[256];
    snprintf(cmd, sizeof cmd, "import -window root -crop %dx%d+%d+%d +repage -depth 8 rgb:- 2>/dev/null", w, h, x,
             y);
    std::string raw = RunCommand(cmd);
    std::vector<uint32_t> px;
    if (raw.size() != (size_t)w * (size_t)h * 3) return px;
    px.resize((size_t)w * (size_t)h);
    for (size_t i = 0; i < px.size(); i++)
        px[i] = (uint32_t)(uint8_t)raw[i * 3] << 16 | (uint32_t)(uint8_t)raw[i * 3 + 1] << 8 | (uint8_t)raw[i * 3 + 2];
    return px;
}

// A copy of a top-level window's pixels as the layer holds them.
inline std::vector<uint32_t> LayerPixels(WindowId w, int* width, int* height) {
    std::vector<uint32_t> px;
    PlatRect client, clip;
    Surface* s = LockWindowPixels(w, &client, &clip);
    if (!s) return px;
    *width = s->width;
    *height = s->height;
    px.resize((size_t)s->width * (size_t)s->height);
    for (int y = 0; y < s->height; y++) memcpy(&px[(size_t)y * s->width], SurfaceRow(s, y), (size_t)s->width * 4);
    UnlockWindowPixels(w, nullptr);
    return px;
}

// Brings a window to the front and waits until the server gives it the keyboard.
inline bool FocusAndWait(WindowId w) {
    PlatSetForegroundWindow(w);
    std::string want = std::to_string(X11NativeWindow(w)) + "\n";
    return PumpUntil([&] { return RunCommand("xdotool getwindowfocus") == want; });
}

inline void FillClient(WindowId w, const PlatRect& r, uint32_t rgb) {
    DrawContext* dc = PlatGetWindowContext(w);
    PlatFillRect(dc, &r, rgb);
}

}  // namespace x11test
