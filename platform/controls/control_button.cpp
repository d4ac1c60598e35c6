// The "BUTTON" control: a push button with its text centred, broken into lines at line ends
// and, when it does not fit, at spaces. It looks pressed while the left button is held over
// it (or Space is held while it has the focus) and tells its parent BN_CLICKED when the
// button is released over it.
#include "platform/controls/control_paint.h"
#include "platform/controls/controls.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"

void NotifyControlParent(WindowId control, int code);

enum { MAX_BUTTON_LINES = 16, BUTTON_PAD = 3 };

struct ButtonState {
    WindowId window;
    bool pressed;     // drawn pressed
    bool tracking;    // left button went down on the button and is still held
    bool space_down;
    bool focused;
};

static ButtonState* g_buttons[MAX_WINDOWS];

static ButtonState* StateOf(WindowId window) {
    ButtonState* s = g_buttons[WindowIndex(window)];
    return s && s->window == window ? s : nullptr;
}

// ---- Text layout ---------------------------------------------------------------------------

struct TextLine {
    int start;
    int count;
};

// Breaks the text into lines no wider than `width`: at line ends always, at the last space
// that fits otherwise; a word longer than the width stands alone on its line.
static int BreakLines(DrawContext* dc, const char16_t* text, int length, int width, bool wrap,
                      TextLine* lines, int max_lines) {
    int n = 0;
    int i = 0;
    while (i <= length && n < max_lines) {
        int end = i;
        while (end < length && text[end] != u'\n' && text[end] != u'\r') end++;
        // The paragraph [i, end) is broken at spaces.
        int start = i;
        do {
            int cut = end;
            if (wrap && PlatGetTextExtent(dc, text + start, end - start).cx > width) {
                int last_space = -1;
                for (int k = start; k < end; k++) {
                    if (text[k] == u' ' && PlatGetTextExtent(dc, text + start, k - start).cx <= width) last_space = k;
                }
                if (last_space > start) cut = last_space;
            }
            lines[n].start = start;
            lines[n].count = cut - start;
            n++;
            start = cut;
            while (start < end && text[start] == u' ') start++;
        } while (start < end && n < max_lines);
        if (end < length && text[end] == u'\r' && end + 1 < length && text[end + 1] == u'\n') end++;
        i = end + 1;
    }
    return n;
}

static void DrawFrame(DrawContext* dc, int w, int h, uint32_t color) {
    PlatRect top{0, 0, w, 1}, bottom{0, h - 1, w, h}, left{0, 0, 1, h}, right{w - 1, 0, w, h};
    PlatFillRect(dc, &top, color);
    PlatFillRect(dc, &bottom, color);
    PlatFillRect(dc, &left, color);
    PlatFillRect(dc, &right, color);
}

static intptr_t OnButtonPaint(WindowId window) {
    ButtonState* s = StateOf(window);
    if (!s) return PlatDefWindowProc(window, MSG_PAINT, 0, 0);   // only validates
    ControlPaint paint;
    if (!BeginControlPaint(window, &paint)) return 0;
    DrawContext* mem = paint.dc;
    int w = paint.width, h = paint.height;
    PlatRect client{0, 0, w, h};
    PlatFillRect(mem, &client, SysColor(s->pressed ? SYS_COLOR_BUTTON_PRESSED : SYS_COLOR_BUTTON));
    SysColorId edge = s->pressed ? SYS_COLOR_BUTTON_EDGE_PRESSED : s->focused ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_BUTTON_EDGE;
    DrawFrame(mem, w, h, SysColor(edge));
    char16_t text[256];
    int length = PlatGetWindowText(window, text, 256);
    TextLine lines[MAX_BUTTON_LINES];
    bool wrap = (PlatGetStyle(window) & BUTTON_MULTILINE) != 0;
    int n = BreakLines(mem, text, length, w - 2 * BUTTON_PAD, wrap, lines, MAX_BUTTON_LINES);
    TextMetrics tm;
    PlatGetTextMetrics(mem, &tm);
    int shift = s->pressed ? 1 : 0;
    int y = (h - n * tm.height) / 2 + shift;
    PlatSetBackMode(mem, BACK_TRANSPARENT);
    PlatSetTextColor(mem, SysColor(SYS_COLOR_WINDOW_TEXT));
    for (int i = 0; i < n; i++) {
        int lw = PlatGetTextExtent(mem, text + lines[i].start, lines[i].count).cx;
        PlatTextOut(mem, (w - lw) / 2 + shift, y, text + lines[i].start, lines[i].count);
        y += tm.height;
    }
    EndControlPaint(&paint);
    return 0;
}

// ---- Messages ------------------------------------------------------------------------------

static void SetPressed(ButtonState* s, bool pressed) {
    if (s->pressed == pressed) return;
    s->pressed = pressed;
    PlatInvalidateRect(s->window, nullptr, false);
}

static bool PointInside(WindowId window, intptr_t lparam) {
    PlatRect c;
    PlatGetClientRect(window, &c);
    return RectContains(c, ParamX(lparam), ParamY(lparam));
}

static intptr_t OnButtonCreate(WindowId window) {
    int index = WindowIndex(window);
    ButtonState* s = g_buttons[index];
    if (!s) s = g_buttons[index] = new ButtonState;
    *s = ButtonState{};
    s->window = window;
    return 0;
}

static intptr_t OnButtonDestroy(WindowId window) {
    if (StateOf(window)) {
        delete g_buttons[WindowIndex(window)];
        g_buttons[WindowIndex(window)] = nullptr;
    }
    return 0;
}

static intptr_t OnButtonDown(WindowId window) {
    if (!StateOf(window)) return 0;
    PlatSetFocus(window);
    ButtonState* s = StateOf(window);
    if (!s) return 0;
    s->tracking = true;
    PlatSetCapture(window);
    SetPressed(s, true);
    return 0;
}

static intptr_t OnButtonMouseMove(WindowId window, intptr_t lparam) {
    ButtonState* s = StateOf(window);
    if (s && s->tracking) SetPressed(s, PointInside(window, lparam));
    return 0;
}

static intptr_t OnButtonUp(WindowId window, intptr_t lparam) {
    ButtonState* s = StateOf(window);
    if (!s || !s->tracking) return 0;
    bool inside = PointInside(window, lparam);
    s->tracking = false;
    SetPressed(s, false);
    if (PlatGetCapture() == window) PlatReleaseCapture();
    // The parent may destroy the button while it handles the click: nothing follows.
    if (inside) NotifyControlParent(window, BN_CLICKED);
    return 0;
}

static intptr_t OnButtonKeyDown(WindowId window, uintptr_t key) {
    ButtonState* s = StateOf(window);
    if (s && key == KEY_SPACE) {
        s->space_down = true;
        SetPressed(s, true);
    }
    return 0;
}

static intptr_t OnButtonKeyUp(WindowId window, uintptr_t key) {
    ButtonState* s = StateOf(window);
    if (!s || key != KEY_SPACE || !s->space_down) return 0;
    s->space_down = false;
    SetPressed(s, false);
    NotifyControlParent(window, BN_CLICKED);
    return 0;
}

static intptr_t OnButtonFocus(WindowId window, bool focused) {
    ButtonState* s = StateOf(window);
    if (!s) return 0;
    s->focused = focused;
    if (!focused) {
        s->space_down = false;
        if (!s->tracking) SetPressed(s, false);
    }
    PlatInvalidateRect(window, nullptr, false);
    return 0;
}

static intptr_t OnButtonClick(WindowId window) {
    if (StateOf(window)) NotifyControlParent(window, BN_CLICKED);
    return 0;
}

static intptr_t OnButtonSetState(WindowId window, uintptr_t pressed) {
    ButtonState* s = StateOf(window);
    if (s) SetPressed(s, pressed != 0);
    return 0;
}

static intptr_t OnButtonCaptureChanged(WindowId window) {
    ButtonState* s = StateOf(window);
    if (s && s->tracking) {
        s->tracking = false;
        SetPressed(s, false);
    }
    return 0;
}

intptr_t ButtonControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return OnButtonCreate(window);
    case MSG_DESTROY: return OnButtonDestroy(window);
    case MSG_PAINT: return OnButtonPaint(window);
    case MSG_LBUTTONDOWN: return OnButtonDown(window);
    case MSG_MOUSEMOVE: return OnButtonMouseMove(window, lparam);
    case MSG_LBUTTONUP: return OnButtonUp(window, lparam);
    case MSG_KEYDOWN: return OnButtonKeyDown(window, wparam);
    case MSG_KEYUP: return OnButtonKeyUp(window, wparam);
    case MSG_SETFOCUS: return OnButtonFocus(window, true);
    case MSG_KILLFOCUS: return OnButtonFocus(window, false);
    case MSG_CAPTURECHANGED: return OnButtonCaptureChanged(window);
    case BM_CLICK: return OnButtonClick(window);
    case BM_SETSTATE: return OnButtonSetState(window, wparam);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
