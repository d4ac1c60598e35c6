// The "EDIT" control: one line of text on white, with a blinking caret, a selection made by
// mouse or by Shift with the arrow keys, horizontal scrolling that keeps the caret in view,
// and cut, copy and paste through the clipboard. The text itself is the window text (at most
// 255 UTF-16 units); the control keeps only its caret, selection and scroll position.
//
// Keys are handled on key-down (arrows, Home, End, Delete, Backspace, Ctrl+A/C/X/V), so the
// control works the same whether or not the pump translates keys into characters; character
// messages insert printable text only. The parent learns of focus changes through
// EN_SETFOCUS and EN_KILLFOCUS and of edits through EN_CHANGE.
#include "platform/clipboard.h"
#include "platform/controls/control_paint.h"
#include "platform/controls/controls.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"

#include <stdlib.h>
#include <string.h>

void NotifyControlParent(WindowId control, int code);

enum { CARET_TIMER = 1, CARET_BLINK_MS = 530, EDIT_MARGIN = 1, MAX_EDIT_TEXT = 255 };


struct EditState {
    WindowId window;
    int anchor;           // selection: from anchor to caret (units)
    int caret;
    int scroll;           // pixels of text hidden at the left
    int limit;            // most units the text may hold
    bool focused;
    bool caret_on;        // blink phase
    bool selecting;       // left button held after a press in the control
    bool self_update;     // the control is setting its own text
};

// Control state by window slot. Only the window's own thread touches its entry.
static EditState* g_edits[MAX_WINDOWS];

static EditState* StateOf(WindowId window) {
    EditState* s = g_edits[WindowIndex(window)];
    return s && s->window == window ? s : nullptr;
}

// ---- Text and measurement ----------------------------------------------------------------

struct EditText {
    char16_t units[MAX_EDIT_TEXT + 1];
    int length;
};

static void ReadText(WindowId window, EditText* t) { t->length = PlatGetWindowText(window, t->units, MAX_EDIT_TEXT + 1); }

static ContextPtr MeasureContext(void) {
    ContextPtr dc(PlatCreateMemoryContext(nullptr));
    PlatSelectFont(dc.get(), PlatGetStockFont(STOCK_GUI_FONT));
    return dc;
}

// x offset of every caret position 0..length of the text (pixels from the text's start).
static void CaretOffsets(const EditText* t, int* xs) {
    ContextPtr dc = MeasureContext();
    xs[0] = 0;
    int i = 0;
    while (i < t->length) {
        uint32_t cp;
        int used = Utf16Decode(t->units + i, t->length - i, &cp);
        if (used < 1) used = 1;
        int w = PlatGetTextExtent(dc.get(), t->units + i, used).cx;
        for (int k = 1; k <= used; k++) xs[i + k] = xs[i] + (k == used ? w : 0);
        i += used;
    }
}

static bool IsLowSurrogate(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Moves a position off the middle of a surrogate pair.
static int SnapPosition(const EditText* t, int pos) {
    if (pos < 0) pos = 0;
    if (pos > t->length) pos = t->length;
    if (pos > 0 && pos < t->length && IsLowSurrogate(t->units[pos])) pos--;
    return pos;
}

static int NextPosition(const EditText* t, int pos) {
    if (pos >= t->length) return t->length;
    return SnapPosition(t, pos + 1 + (pos + 1 < t->length && IsLowSurrogate(t->units[pos + 1]) ? 1 : 0));
}

static int PrevPosition(const EditText* t, int pos) {
    if (pos <= 0) return 0;
    return SnapPosition(t, pos - 1);
}

static int ClientWidth(WindowId window) {
    PlatRect c;
    PlatGetClientRect(window, &c);
    return RectWidth(c);
}

// The caret position nearest to a client x coordinate.
static int PositionFromX(EditState* s, const EditText* t, int x) {
    int xs[MAX_EDIT_TEXT + 1];
    CaretOffsets(t, xs);
    int tx = x + s->scroll - EDIT_MARGIN;
    int best = 0;
    for (int i = 0; i <= t->length; i++) {
        if (i > 0 && i < t->length && IsLowSurrogate(t->units[i])) continue;
        if (abs(xs[i] - tx) < abs(xs[best] - tx)) best = i;
    }
    return best;
}

// Scrolls so that the caret lies inside the client area.
static void KeepCaretVisible(EditState* s, const EditText* t) {
    int xs[MAX_EDIT_TEXT + 1];
    CaretOffsets(t, xs);
    int visible = ClientWidth(s->window) - 2 * EDIT_MARGIN - 1;
    if (visible < 1) visible = 1;
    int cx = xs[s->caret];
    if (cx - s->scroll > visible) s->scroll = cx - visible;
    if (cx < s->scroll) s->scroll = cx;
    // Never leave empty space at the right while text is hidden at the left.
    int slack = visible - (xs[t->length] - s->scroll);
    if (slack > 0 && s->scroll > 0) s->scroll = s->scroll > slack ? s->scroll - slack : 0;
    if (s->scroll < 0) s->scroll = 0;
}

static void Refresh(EditState* s) {
    EditText t;
    ReadText(s->window, &t);
    s->caret = SnapPosition(&t, s->caret);
    s->anchor = SnapPosition(&t, s->anchor);
    KeepCaretVisible(s, &t);
    s->caret_on = true;
    if (s->focused) PlatSetTimer(s->window, CARET_TIMER, CARET_BLINK_MS);
    PlatInvalidateRect(s->window, nullptr, false);
}

// ---- Painting ------------------------------------------------------------------------------

static intptr_t OnEditPaint(WindowId window) {
    EditState* s = StateOf(window);
    if (!s) return PlatDefWindowProc(window, MSG_PAINT, 0, 0);   // only validates
    ControlPaint paint;
    if (!BeginControlPaint(window, &paint)) return 0;
    int h = paint.height;
    PlatRect client{0, 0, paint.width, h};
    EditText t;
    ReadText(window, &t);
    int caret = SnapPosition(&t, s->caret), anchor = SnapPosition(&t, s->anchor);
    int xs[MAX_EDIT_TEXT + 1];
    CaretOffsets(&t, xs);
    DrawContext* mem = paint.dc;
    TextMetrics tm;
    PlatGetTextMetrics(mem, &tm);
    PlatFillRect(mem, &client, SysColor(SYS_COLOR_EDIT_BACK));
    int x0 = EDIT_MARGIN - s->scroll;
    int y0 = (h - tm.height) / 2;
    if (y0 < 0) y0 = 0;
    PlatSetBackMode(mem, BACK_TRANSPARENT);
    PlatSetTextColor(mem, SysColor(SYS_COLOR_WINDOW_TEXT));
    PlatTextOut(mem, x0, y0, t.units, t.length);
    int lo = caret < anchor ? caret : anchor, hi = caret < anchor ? anchor : caret;
    if (s->focused && lo < hi) {
        PlatRect sel{x0 + xs[lo], y0, x0 + xs[hi], y0 + tm.height};
        PlatFillRect(mem, &sel, SysColor(SYS_COLOR_HIGHLIGHT));
        PlatSetTextColor(mem, SysColor(SYS_COLOR_HIGHLIGHT_TEXT));
        PlatTextOut(mem, x0 + xs[lo], y0, t.units + lo, hi - lo);
    }
    if (s->focused && s->caret_on) {
        PlatRect bar{x0 + xs[caret], y0, x0 + xs[caret] + 1, y0 + tm.height};
        PlatInvertRect(mem, &bar);
    }
    EndControlPaint(&paint);
    return 0;
}

// ---- Editing -------------------------------------------------------------------------------

// Replaces the selection by `ins` (count units), within the limit; the caret follows the
// inserted text. Returns true when the text changed.
static bool ReplaceSelection(EditState* s, const char16_t* ins, int count) {
    EditText t;
    ReadText(s->window, &t);
    int lo = SnapPosition(&t, s->caret < s->anchor ? s->caret : s->anchor);
    int hi = SnapPosition(&t, s->caret < s->anchor ? s->anchor : s->caret);
    int room = s->limit - (t.length - (hi - lo));
    if (room < 0) room = 0;
    if (count > room) {
        count = room;
        if (count > 0 && ins[count - 1] >= 0xD800 && ins[count - 1] <= 0xDBFF) count--;
    }
    if (lo == hi && count == 0) return false;
    char16_t out[MAX_EDIT_TEXT + 1];
    int n = 0;
    for (int i = 0; i < lo; i++) out[n++] = t.units[i];
    for (int i = 0; i < count; i++) out[n++] = ins[i];
    for (int i = hi; i < t.length && n < MAX_EDIT_TEXT; i++) out[n++] = t.units[i];
    out[n] = 0;
    s->self_update = true;
    PlatSetWindowText(s->window, out);
    s->self_update = false;
    s->caret = s->anchor = lo + count;
    Refresh(s);
    NotifyControlParent(s->window, EN_CHANGE);
    return true;
}

static void CopySelection(EditState* s) {
    EditText t;
    ReadText(s->window, &t);
    int lo = s->caret < s->anchor ? s->caret : s->anchor;
    int hi = s->caret < s->anchor ? s->anchor : s->caret;
    if (lo >= hi) return;
    char16_t wide[MAX_EDIT_TEXT + 1];
    memcpy(wide, t.units + lo, (size_t)(hi - lo) * sizeof(char16_t));
    wide[hi - lo] = 0;
    char narrow[4 * MAX_EDIT_TEXT + 1];
    int bytes = Utf16ToUtf8(wide, hi - lo, narrow, (int)sizeof narrow);
    // Desktops offer text in both forms; the layer's clipboard keeps them together.
    int formats[2] = {CLIP_UNICODETEXT, CLIP_TEXT};
    const uint8_t* data[2] = {(const uint8_t*)wide, (const uint8_t*)narrow};
    size_t sizes[2] = {(size_t)(hi - lo + 1) * sizeof(char16_t), (size_t)bytes + 1};
    PlatSetClipboardFormats(formats, data, sizes, 2);
}

// The clipboard's text as UTF-16, cut at the first line end (a single-line field takes one
// line) and at the field's size.
static int ClipboardLine(char16_t* out, int size) {
    size_t bytes = 0;
    int n = 0;
    if (uint8_t* wide = PlatGetClipboard(CLIP_UNICODETEXT, &bytes)) {
        const char16_t* src = (const char16_t*)wide;
        size_t units = bytes / sizeof(char16_t);
        while ((size_t)n < units && n < size - 1 && src[n]) {
            out[n] = src[n];
            n++;
        }
        free(wide);
    } else if (uint8_t* narrow = PlatGetClipboard(CLIP_TEXT, &bytes)) {
        n = Utf8ToUtf16((const char*)narrow, (int)strnlen((const char*)narrow, bytes), out, size);
        free(narrow);
    }
    out[n] = 0;
    for (int i = 0; i < n; i++)
        if (out[i] == u'\r' || out[i] == u'\n') {
            n = i;
            break;
        }
    if (n > 0 && out[n - 1] >= 0xD800 && out[n - 1] <= 0xDBFF) n--;
    return n;
}

static void Paste(EditState* s) {
    char16_t line[MAX_EDIT_TEXT + 1];
    int n = ClipboardLine(line, MAX_EDIT_TEXT + 1);
    // Tabs and other control characters do not belong in a one-line field.
    int k = 0;
    for (int i = 0; i < n; i++)
        if (line[i] >= 0x20) line[k++] = line[i];
    if (k > 0) ReplaceSelection(s, line, k);
}

static void MoveCaret(EditState* s, int pos, bool extend) {
    s->caret = pos;
    if (!extend) s->anchor = pos;
    Refresh(s);
}

// ---- Messages ------------------------------------------------------------------------------

static intptr_t OnEditCreate(WindowId window) {
    int index = WindowIndex(window);
    EditState* s = g_edits[index];
    if (!s) s = g_edits[index] = new EditState;
    *s = EditState{};
    s->window = window;
    s->limit = MAX_EDIT_TEXT;
    return 0;
}

static intptr_t OnEditDestroy(WindowId window) {
    int index = WindowIndex(window);
    if (StateOf(window)) {
        delete g_edits[index];
        g_edits[index] = nullptr;
    }
    PlatKillTimer(window, CARET_TIMER);
    return 0;
}

static intptr_t OnEditKeyDown(WindowId window, int key) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    bool shift = (PlatGetKeyState(KEY_SHIFT) & KEY_STATE_DOWN) != 0;
    bool ctrl = (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) != 0;
    EditText t;
    ReadText(window, &t);
    bool has_sel = s->caret != s->anchor;
    switch (key) {
    case KEY_LEFT:
        if (has_sel && !shift) MoveCaret(s, s->caret < s->anchor ? s->caret : s->anchor, false);
        else MoveCaret(s, PrevPosition(&t, s->caret), shift);
        break;
    case KEY_RIGHT:
        if (has_sel && !shift) MoveCaret(s, s->caret > s->anchor ? s->caret : s->anchor, false);
        else MoveCaret(s, NextPosition(&t, s->caret), shift);
        break;
    case KEY_HOME: MoveCaret(s, 0, shift); break;
    case KEY_END: MoveCaret(s, t.length, shift); break;
    case KEY_DELETE:
        if (!has_sel) s->anchor = NextPosition(&t, s->caret);
        if (shift && has_sel) CopySelection(s);   // Shift+Delete cuts
        ReplaceSelection(s, u"", 0);
        break;
    case KEY_BACK:
        if (!has_sel) s->anchor = PrevPosition(&t, s->caret);
        ReplaceSelection(s, u"", 0);
        break;
    case 'A':
        if (ctrl) {
            s->anchor = 0;
            MoveCaret(s, t.length, true);
        }
        break;
    case 'C':
        if (ctrl) CopySelection(s);
        break;
    case 'X':
        if (ctrl && has_sel) {
            CopySelection(s);
            ReplaceSelection(s, u"", 0);
        }
        break;
    case 'V':
        if (ctrl) Paste(s);
        break;
    case KEY_INSERT:
        if (ctrl) CopySelection(s);
        else if (shift) Paste(s);
        break;
    default: break;
    }
    return 0;
}

static intptr_t OnEditChar(WindowId window, uintptr_t unit) {
    EditState* s = StateOf(window);
    // Control characters are keys, handled on key-down (Backspace, Ctrl+letters, Tab, Enter).
    if (!s || unit < 0x20 || unit == 0x7F) return 0;
    if (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) {
        if (!(PlatGetKeyState(KEY_MENU) & KEY_STATE_DOWN)) return 0;   // Ctrl+key is a command; AltGr types
    }
    char16_t c = (char16_t)unit;
    ReplaceSelection(s, &c, 1);
    return 0;
}

static intptr_t OnEditSetFocus(WindowId window) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    s->focused = true;
    Refresh(s);
    NotifyControlParent(window, EN_SETFOCUS);
    return 0;
}

static intptr_t OnEditKillFocus(WindowId window) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    s->focused = false;
    s->selecting = false;
    PlatKillTimer(window, CARET_TIMER);
    PlatInvalidateRect(window, nullptr, false);
    NotifyControlParent(window, EN_KILLFOCUS);
    return 0;
}

static intptr_t OnEditTimer(WindowId window, uintptr_t id) {
    EditState* s = StateOf(window);
    if (!s || id != CARET_TIMER) return 0;
    s->caret_on = s->focused && !s->caret_on;
    PlatInvalidateRect(window, nullptr, false);
    return 0;
}

static intptr_t OnEditButtonDown(WindowId window, intptr_t lparam, uintptr_t flags) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    if (PlatGetFocus() != window) PlatSetFocus(window);
    s = StateOf(window);   // the focus change may have run the parent's code
    if (!s) return 0;
    EditText t;
    ReadText(window, &t);
    s->selecting = true;
    PlatSetCapture(window);
    MoveCaret(s, PositionFromX(s, &t, ParamX(lparam)), (flags & MOUSE_SHIFT) != 0);
    return 0;
}

static intptr_t OnEditMouseMove(WindowId window, intptr_t lparam) {
    EditState* s = StateOf(window);
    if (!s || !s->selecting) return 0;
    EditText t;
    ReadText(window, &t);
    int pos = PositionFromX(s, &t, ParamX(lparam));
    if (pos != s->caret) MoveCaret(s, pos, true);
    return 0;
}

static intptr_t OnEditButtonUp(WindowId window) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    s->selecting = false;
    if (PlatGetCapture() == window) PlatReleaseCapture();
    return 0;
}

static intptr_t OnEditDoubleClick(WindowId window) {
    // The first click of the pair may have gone to another window: take the focus as well.
    if (StateOf(window) && PlatGetFocus() != window) PlatSetFocus(window);
    EditState* s = StateOf(window);
    if (!s) return 0;
    EditText t;
    ReadText(window, &t);
    s->anchor = 0;
    MoveCaret(s, t.length, true);
    return 0;
}

// The text was set from outside: the caret goes to the start, nothing selected.
static intptr_t OnEditSetText(WindowId window) {
    EditState* s = StateOf(window);
    if (!s || s->self_update) return 0;
    s->caret = s->anchor = 0;
    s->scroll = 0;
    Refresh(s);
    return 0;
}

static intptr_t OnEditSetSel(WindowId window, uintptr_t wparam, intptr_t lparam) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    EditText t;
    ReadText(window, &t);
    intptr_t start = (intptr_t)wparam, end = lparam;
    if (start < 0) {
        // A start of -1 removes the selection and leaves the caret where it is.
        s->anchor = s->caret;
    } else {
        if (end < 0 || end > t.length) end = t.length;
        if (start > t.length) start = t.length;
        s->anchor = (int)start;
        s->caret = (int)end;
    }
    Refresh(s);
    return 0;
}

static intptr_t OnEditGetSel(WindowId window) {
    EditState* s = StateOf(window);
    if (!s) return 0;
    int lo = s->caret < s->anchor ? s->caret : s->anchor;
    int hi = s->caret < s->anchor ? s->anchor : s->caret;
    return MakeParam(lo, hi);
}

static intptr_t OnEditLimitText(WindowId window, uintptr_t limit) {
    EditState* s = StateOf(window);
    if (s) s->limit = limit == 0 || limit > MAX_EDIT_TEXT ? MAX_EDIT_TEXT : (int)limit;
    return 0;
}

intptr_t EditControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_CREATE: return OnEditCreate(window);
    case MSG_DESTROY: return OnEditDestroy(window);
    case MSG_PAINT: return OnEditPaint(window);
    case MSG_KEYDOWN: return OnEditKeyDown(window, (int)wparam);
    case MSG_CHAR: return OnEditChar(window, wparam);
    case MSG_SETFOCUS: return OnEditSetFocus(window);
    case MSG_KILLFOCUS: return OnEditKillFocus(window);
    case MSG_TIMER: return OnEditTimer(window, wparam);
    case MSG_LBUTTONDOWN: return OnEditButtonDown(window, lparam, wparam);
    case MSG_LBUTTONDBLCLK: return OnEditDoubleClick(window);
    case MSG_MOUSEMOVE: return OnEditMouseMove(window, lparam);
    case MSG_LBUTTONUP: return OnEditButtonUp(window);
    case MSG_SETTEXT: return OnEditSetText(window);
    case EM_SETSEL: return OnEditSetSel(window, wparam, lparam);
    case EM_GETSEL: return OnEditGetSel(window);
    case EM_LIMITTEXT: return OnEditLimitText(window, wparam);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
