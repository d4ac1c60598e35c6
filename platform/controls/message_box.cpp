// The layer's message box: caption, text, an OK button (or Yes and No) and an optional error
// icon, centred on the screen. It is modal on the caller's thread: a nested pump serves every
// window of that thread until Enter, Esc, Space, a click on a button or the close box
// dismisses it. Enter and Space choose the first button, Esc and the close box the last. A
// quit posted meanwhile ends the box and stays posted for the enclosing loops.
//
// On the headless backend with PIXKIT_HEADLESS_AUTOANSWER=1 (a program run without a user or
// a test driver) the box is not shown: its caption and text go to stderr and it returns at
// once, so such a run can never hang on a question.
#include "platform/backend.h"
#include "platform/controls/dialog.h"
#include "platform/controls/dialog_window.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <atomic>
#include <mutex>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

enum {
    BOX_MARGIN = 12,
    BOX_MIN_CLIENT_WIDTH = 180,
    ICON_SIZE = 32,
    OK_WIDTH = 75,
    OK_HEIGHT = 23,
    MAX_LINES = 64
};

static const char* const BOX_CLASS = "plat_msgbox";

struct MessageBoxState {
    const char16_t* text;
    bool error_icon;
    int done;                // non-zero once answered
    int button_count;        // 1: OK; 2: Yes and No
    PlatRect buttons[2];     // client coordinates
    int line_height;
    int result;
};

static const char16_t* const BUTTON_TEXT[2][2] = {{u"OK", u""}, {u"Yes", u"No"}};
static const int BUTTON_RESULT[2][2] = {{IDOK, IDOK}, {IDYES, IDNO}};

static std::atomic<WindowId> g_open_box{0};

WindowId PlatGetOpenMessageBox(void) { return g_open_box.load(std::memory_order_acquire); }

static MessageBoxState* StateOf(WindowId window) { return (MessageBoxState*)PlatGetWindowData(window); }

// Splits the text into lines at '\n' (a "\r\n" pair counts as one break).
static int SplitLines(const char16_t* text, int* starts, int* lengths, int max) {
    int n = 0, i = 0, start = 0;
    for (;; i++) {
        if (text[i] == u'\n' || text[i] == 0) {
            if (n < max) {
                int len = i - start;
                if (len > 0 && text[start + len - 1] == u'\r') len--;
                starts[n] = start;
                lengths[n] = len;
                n++;
            }
            if (text[i] == 0) break;
            start = i + 1;
        }
    }
    return n;
}

static void FillBox(DrawContext* dc, int l, int t, int r, int b, uint32_t color) {
    PlatRect rect{l, t, r, b};
    PlatFillRect(dc, &rect, color);
}

static void DrawErrorIcon(DrawContext* dc, int x, int y) {
    // A red disc with a white cross.
    int c = ICON_SIZE / 2;
    for (int dy = 0; dy < ICON_SIZE; dy++)
        for (int dx = 0; dx < ICON_SIZE; dx++) {
            int ex = 2 * dx + 1 - ICON_SIZE, ey = 2 * dy + 1 - ICON_SIZE;
            if (ex * ex + ey * ey <= ICON_SIZE * ICON_SIZE) FillBox(dc, x + dx, y + dy, x + dx + 1, y + dy + 1, SysColor(SYS_COLOR_ERROR_ICON));
        }
    for (int d = -7; d <= 7; d++) {
        FillBox(dc, x + c + d - 1, y + c + d - 1, x + c + d + 1, y + c + d + 1, SysColor(SYS_COLOR_ICON_INK));
        FillBox(dc, x + c + d - 1, y + c - d - 1, x + c + d + 1, y + c - d + 1, SysColor(SYS_COLOR_ICON_INK));
    }
}

static intptr_t OnBoxPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    MessageBoxState* st = StateOf(window);
    DrawContext* dc = PlatGetWindowContext(window);
    if (st && dc) {
        PlatRect client;
        PlatGetClientRect(window, &client);
        PlatFillRect(dc, &client, SysColor(SYS_COLOR_FACE));
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
        int x = BOX_MARGIN;
        if (st->error_icon) {
            DrawErrorIcon(dc, BOX_MARGIN, BOX_MARGIN);
            x += ICON_SIZE + BOX_MARGIN;
        }
        int starts[MAX_LINES], lengths[MAX_LINES];
        int n = SplitLines(st->text, starts, lengths, MAX_LINES);
        for (int i = 0; i < n; i++)
            PlatTextOut(dc, x, BOX_MARGIN + i * st->line_height, st->text + starts[i], lengths[i]);
        for (int i = 0; i < st->button_count; i++) {
            const PlatRect& b = st->buttons[i];
            const char16_t* label = BUTTON_TEXT[st->button_count - 1][i];
            int len = Utf16Length(label);
            FillBox(dc, b.left, b.top, b.right, b.bottom, SysColor(i == 0 ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_BUTTON_EDGE));
            FillBox(dc, b.left + 1, b.top + 1, b.right - 1, b.bottom - 1, SysColor(SYS_COLOR_BUTTON));
            PlatSize ext = PlatGetTextExtent(dc, label, len);
            PlatTextOut(dc, b.left + (RectWidth(b) - ext.cx) / 2, b.top + (RectHeight(b) - ext.cy) / 2, label, len);
        }
    }
    PlatEndPaint(window);
    return 0;
}

// Ends the box with the answer of button i.
static intptr_t Dismiss(WindowId window, int i) {
    if (MessageBoxState* st = StateOf(window)) {
        st->result = BUTTON_RESULT[st->button_count - 1][i];
        st->done = 1;
    }
    return 0;
}

static intptr_t OnBoxKey(WindowId window, uintptr_t key) {
    MessageBoxState* st = StateOf(window);
    if (!st) return 0;
    if (key == KEY_RETURN || key == KEY_SPACE) return Dismiss(window, 0);
    if (key == KEY_ESCAPE) return Dismiss(window, st->button_count - 1);
    return 0;
}

static intptr_t OnBoxClick(WindowId window, intptr_t lparam) {
    MessageBoxState* st = StateOf(window);
    for (int i = 0; st && i < st->button_count; i++)
        if (RectContains(st->buttons[i], ParamX(lparam), ParamY(lparam))) return Dismiss(window, i);
    return 0;
}

static intptr_t OnBoxClose(WindowId window) {
    MessageBoxState* st = StateOf(window);
    return st ? Dismiss(window, st->button_count - 1) : 0;
}

static intptr_t MessageBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnBoxPaint(window);
    case MSG_KEYDOWN: return OnBoxKey(window, wparam);
    case MSG_LBUTTONUP: return OnBoxClick(window, lparam);
    case MSG_CLOSE: return OnBoxClose(window);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

static void RegisterBoxClass(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        WindowClassDesc d{BOX_CLASS, MessageBoxProc, 0, SysColor(SYS_COLOR_FACE)};
        PlatRegisterClass(&d);
    });
}

static bool AutoAnswer(void) {
    const Backend* be = PlatBackend();
    const char* env = getenv("PIXKIT_HEADLESS_AUTOANSWER");
    return be && strcmp(be->name, "headless") == 0 && env && strcmp(env, "1") == 0;
}

// Measures the text and places the buttons; returns the client size.
static PlatSize LayoutBox(MessageBoxState* st) {
    ContextPtr owned(PlatCreateMemoryContext(nullptr));
    DrawContext* dc = owned.get();
    int text_w = 0, lines = 1;
    st->line_height = 16;
    if (dc) {
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        TextMetrics tm;
        PlatGetTextMetrics(dc, &tm);
        st->line_height = tm.height > 0 ? tm.height : 16;
        int starts[MAX_LINES], lengths[MAX_LINES];
        lines = SplitLines(st->text, starts, lengths, MAX_LINES);
        for (int i = 0; i < lines; i++) {
            PlatSize ext = PlatGetTextExtent(dc, st->text + starts[i], lengths[i]);
            if (ext.cx > text_w) text_w = ext.cx;
        }
    }
    int content_w = text_w + (st->error_icon ? ICON_SIZE + BOX_MARGIN : 0);
    int content_h = lines * st->line_height;
    if (st->error_icon && content_h < ICON_SIZE) content_h = ICON_SIZE;
    int w = content_w + 2 * BOX_MARGIN;
    if (w < BOX_MIN_CLIENT_WIDTH) w = BOX_MIN_CLIENT_WIDTH;
    int max_w = PlatGetSystemMetric(METRIC_CXFULLSCREEN) - 40;
    if (w > max_w && max_w > BOX_MIN_CLIENT_WIDTH) w = max_w;
    int ok_top = BOX_MARGIN + content_h + BOX_MARGIN;
    int row = st->button_count * OK_WIDTH + (st->button_count - 1) * BOX_MARGIN;
    for (int i = 0; i < st->button_count; i++) {
        int left = (w - row) / 2 + i * (OK_WIDTH + BOX_MARGIN);
        st->buttons[i] = PlatRect{left, ok_top, left + OK_WIDTH, ok_top + OK_HEIGHT};
    }
    return PlatSize{w, ok_top + OK_HEIGHT + BOX_MARGIN};
}

// A run without a user prints the box instead of showing it; true when it did.
static bool PrintInsteadOfShowing(const char16_t* text, const char16_t* caption) {
    if (!AutoAnswer()) return false;
    char t8[1024], c8[256];
    Utf16ToUtf8(text, -1, t8, sizeof t8);
    Utf16ToUtf8(caption, -1, c8, sizeof c8);
    fprintf(stderr, "%s: %s\n", c8, t8);
    fflush(stderr);
    return true;
}

// Before the box is published: its first paint.
static void OnBoxShown(WindowId box, void*) { PlatInvalidateRect(box, nullptr, true); }

int PlatMessageBox(WindowId owner, const char16_t* text, const char16_t* caption, int flags) {
    if (!text) text = u"";
    if (!caption) caption = u"Error";
    int buttons = (flags & MBOX_YESNO) ? 2 : 1;
    // Without anyone to ask, the answer is the first button's.
    if (PrintInsteadOfShowing(text, caption)) return BUTTON_RESULT[buttons - 1][0];
    RegisterBoxClass();
    MessageBoxState st{text, (flags & MBOX_ICONERROR) != 0, 0, buttons, {}, 16, IDOK};
    PlatSize client = LayoutBox(&st);
    WindowId box = CreateCenteredDialog(BOX_CLASS, caption, client, owner, (intptr_t)&st, CENTRE_ON_WORK_AREA);
    if (!box) return BUTTON_RESULT[buttons - 1][buttons - 1];
    RunModalDialog(ModalDialog{box, owner, &st.done, &g_open_box, &st, OnBoxShown, nullptr});
    // A box that ends unanswered (a quit, its window destroyed) answers with the last button.
    return st.done ? st.result : BUTTON_RESULT[buttons - 1][buttons - 1];
}
