// The layer's font dialog. One window draws all of its parts itself: the list of faces, the
// size field, four check boxes, a sample and the OK and Cancel buttons. The keyboard works
// it whole: Tab and Shift+Tab move the focus between the parts; in the face list the arrows,
// Page Up/Down, Home and End move the selection and typed characters pick the first face
// that starts with what was typed since the last move or change of focus; in the size field
// digits replace the size (once it has the focus) and Up/Down step it; Space toggles a check
// box or presses a button; Alt+F and Alt+S go to the faces and the size, Alt+B, Alt+I, Alt+U
// and Alt+K toggle bold, italic, underline and strike-out; Enter is OK and Esc is Cancel.
#include "platform/controls/dialog.h"
#include "platform/layer_mutex.h"
#include "platform/controls/dialog_paint.h"
#include "platform/controls/dialog_window.h"
#include "platform/controls/font_dialog.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/text.h"
#include "platform/window/input.h"
#include "platform/window/window.h"

#include <stdio.h>
#include <string.h>

#include <atomic>
#include <mutex>

enum {
    MARGIN = 12,
    LIST_TOP = 28,
    LIST_WIDTH = 220,
    ROW_HEIGHT = 17,
    LIST_ROWS = 12,
    COLUMN_X = MARGIN + LIST_WIDTH + 14,
    COLUMN_WIDTH = 176,
    CHECK_SIZE = 13,
    CHECK_STEP = 22,
    BUTTON_WIDTH = 75,
    BUTTON_HEIGHT = 23,
    MAX_POINTS = 720,   // 960 pixels: within the layer's 1000-pixel font limit
    SAMPLE_MAX_PIXELS = 56
};

enum Part { PART_FACES, PART_SIZE, PART_BOLD, PART_ITALIC, PART_UNDERLINE, PART_STRIKE, PART_OK, PART_CANCEL, PARTS };

static const char* const DIALOG_CLASS = "plat_fontdlg";
static const char16_t* const CHECK_LABELS[4] = {u"&Bold", u"&Italic", u"&Underline", u"Stri&ke-out"};

struct FontDialogState {
    std::vector<std::u16string> faces;
    int selected;          // index into faces
    int first_row;         // first visible row of the list
    int points;            // 0 while the size field is empty
    bool fresh_size;       // the next digit replaces the size
    bool size_changed;
    bool checks[4];        // bold, italic, underline, strike-out
    int focus;             // a Part
    std::u16string typed;  // the face list's type-ahead
    FontDesc start;
    FontPtr sample;        // deleted with the state, whichever way the dialog ends
    int answer;            // 0 while open
};

// What the dialog shows, for the test driver.
static DialogView<FontDialogView> view;

static FontDialogState* StateOf(WindowId window) { return (FontDialogState*)PlatGetWindowData(window); }

// ---- Layout --------------------------------------------------------------------------------

static PlatRect ListRect() { return PlatRect{MARGIN, LIST_TOP, MARGIN + LIST_WIDTH, LIST_TOP + LIST_ROWS * ROW_HEIGHT + 4}; }
static PlatRect SizeRect() { return PlatRect{COLUMN_X, LIST_TOP, COLUMN_X + 64, LIST_TOP + 22}; }
static PlatRect CheckRect(int i) {
    int top = LIST_TOP + 34 + i * CHECK_STEP;
    return PlatRect{COLUMN_X, top, COLUMN_X + COLUMN_WIDTH, top + CHECK_SIZE + 4};
}
static PlatRect SampleRect() {
    int top = CheckRect(3).bottom + 10;
    return PlatRect{COLUMN_X, top, COLUMN_X + COLUMN_WIDTH, ListRect().bottom};
}
static PlatRect ButtonRect(int which) {
    int top = ListRect().bottom + 12, right = COLUMN_X + COLUMN_WIDTH - which * (BUTTON_WIDTH + 10);
    return PlatRect{right - BUTTON_WIDTH, top, right, top + BUTTON_HEIGHT};
}
static PlatSize ClientSize() { return PlatSize{COLUMN_X + COLUMN_WIDTH + MARGIN, ButtonRect(0).bottom + MARGIN}; }

// ---- State ---------------------------------------------------------------------------------

static int PointsToPixels(int points) { return (points * 96 + 36) / 72; }

static void Publish(const FontDialogState* st) {
    FontDialogView now{};
    if (st) {
        if (st->selected >= 0 && st->selected < (int)st->faces.size()) {
            const std::u16string& f = st->faces[st->selected];
            Utf16ToUtf8(f.c_str(), (int)f.size(), now.face, (int)sizeof now.face);
        }
        now.points = st->points;
        now.bold = st->checks[0];
        now.italic = st->checks[1];
        now.underline = st->checks[2];
        now.strike_out = st->checks[3];
        now.face_count = (int)st->faces.size();
    }
    PublishDialogView(&view, now);
}

// The description the dialog shows now.
static FontDesc ChosenDesc(const FontDialogState* st) {
    FontDesc d = st->start;
    if (st->selected >= 0 && st->selected < (int)st->faces.size()) {
        memset(d.face, 0, sizeof d.face);
        const std::u16string& f = st->faces[st->selected];
        memcpy(d.face, f.data(), f.size() * sizeof(char16_t));
    }
    d.weight = st->checks[0] ? 700 : 400;
    d.italic = st->checks[1];
    d.underline = st->checks[2];
    d.strike_out = st->checks[3];
    if (st->size_changed && st->points > 0) {
        d.height = -PointsToPixels(st->points);
        d.width = 0;
    }
    return d;
}

// Makes the sample font for the state (its size kept to what the sample box shows).
static void RemakeSample(FontDialogState* st) {
    FontDesc d = ChosenDesc(st);
    int pixels = d.height < 0 ? -d.height : d.height;
    if (pixels > SAMPLE_MAX_PIXELS) {
        d.height = -SAMPLE_MAX_PIXELS;
        d.width = 0;
    }
    st->sample.reset(PlatCreateFont(&d));
}

static void Changed(WindowId window, FontDialogState* st, bool font_changed) {
    if (font_changed) RemakeSample(st);
    Publish(st);
    PlatInvalidateRect(window, nullptr, true);
}

static void KeepSelectionVisible(FontDialogState* st) {
    if (st->selected < st->first_row) st->first_row = st->selected;
    if (st->selected >= st->first_row + LIST_ROWS) st->first_row = st->selected - LIST_ROWS + 1;
    if (st->first_row < 0) st->first_row = 0;
}

static void Select(WindowId window, FontDialogState* st, int index) {
    int last = (int)st->faces.size() - 1;
    if (last < 0) return;
    st->selected = index < 0 ? 0 : index > last ? last : index;
    KeepSelectionVisible(st);
    Changed(window, st, true);
}

static void ToggleCheck(WindowId window, FontDialogState* st, int which) {
    st->checks[which] = !st->checks[which];
    Changed(window, st, true);
}

static void SetFocusPart(WindowId window, FontDialogState* st, int part) {
    st->focus = (part + PARTS) % PARTS;
    st->typed.clear();
    if (st->focus == PART_SIZE) st->fresh_size = true;
    Changed(window, st, false);
}

static void SetPoints(WindowId window, FontDialogState* st, int points) {
    st->points = points < 0 ? 0 : points > MAX_POINTS ? MAX_POINTS : points;
    st->size_changed = true;
    Changed(window, st, st->points > 0);
}

static bool StartsWithNoCase(const std::u16string& name, const std::u16string& prefix) {
    if (prefix.size() > name.size()) return false;
    for (size_t i = 0; i < prefix.size(); i++) {
        char16_t a = name[i] >= u'A' && name[i] <= u'Z' ? name[i] + 32 : name[i];
        char16_t b = prefix[i] >= u'A' && prefix[i] <= u'Z' ? prefix[i] + 32 : prefix[i];
        if (a != b) return false;
    }
    return true;
}

// Type-ahead: the first face that starts with everything typed so far.
static void TypeFaceChar(WindowId window, FontDialogState* st, char16_t ch) {
    st->typed.push_back(ch);
    for (size_t i = 0; i < st->faces.size(); i++) {
        if (StartsWithNoCase(st->faces[i], st->typed)) {
            Select(window, st, (int)i);
            return;
        }
    }
}

static void TypeSizeChar(WindowId window, FontDialogState* st, char16_t ch) {
    if (ch < u'0' || ch > u'9') return;
    int base = st->fresh_size ? 0 : st->points;
    st->fresh_size = false;
    SetPoints(window, st, base * 10 + (ch - u'0'));
}

// ---- Painting ------------------------------------------------------------------------------

static void PaintList(DrawContext* dc, const FontDialogState* st) {
    PlatRect box = ListRect();
    DialogFill(dc, box, SysColor(SYS_COLOR_EDIT_BACK));
    DialogFrame(dc, box, SysColor(st->focus == PART_FACES ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_SHADOW));
    for (int row = 0; row < LIST_ROWS; row++) {
        int i = st->first_row + row;
        if (i >= (int)st->faces.size()) break;
        PlatRect r{box.left + 2, box.top + 2 + row * ROW_HEIGHT, box.right - 2, box.top + 2 + (row + 1) * ROW_HEIGHT};
        bool sel = i == st->selected;
        if (sel) DialogFill(dc, r, SysColor(SYS_COLOR_HIGHLIGHT));
        PlatSetTextColor(dc, SysColor(sel ? SYS_COLOR_HIGHLIGHT_TEXT : SYS_COLOR_WINDOW_TEXT));
        PlatTextOut(dc, r.left + 2, r.top + 1, st->faces[i].c_str(), (int)st->faces[i].size());
    }
    PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
}

static void PaintSize(DrawContext* dc, const FontDialogState* st) {
    PlatRect box = SizeRect();
    DialogFill(dc, box, SysColor(SYS_COLOR_EDIT_BACK));
    DialogFrame(dc, box, SysColor(st->focus == PART_SIZE ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_SHADOW));
    if (st->points > 0) DialogNumber(dc, box.left + 4, box.top + 3, st->points);
    PlatTextOut(dc, box.right + 6, box.top + 3, u"pt", 2);
}

static void PaintChecks(DrawContext* dc, const FontDialogState* st) {
    for (int i = 0; i < 4; i++) {
        PlatRect r = CheckRect(i);
        PlatRect box{r.left, r.top + 2, r.left + CHECK_SIZE, r.top + 2 + CHECK_SIZE};
        DialogFill(dc, box, SysColor(SYS_COLOR_EDIT_BACK));
        DialogFrame(dc, box, SysColor(SYS_COLOR_SHADOW));
        if (st->checks[i]) DialogFill(dc, PlatRect{box.left + 3, box.top + 3, box.right - 3, box.bottom - 3}, SysColor(SYS_COLOR_WINDOW_TEXT));
        DialogLabel(dc, box.right + 6, r.top + 1, CHECK_LABELS[i]);
        if (st->focus == PART_BOLD + i) DialogFrame(dc, PlatRect{box.right + 3, r.top, r.right, r.bottom}, SysColor(SYS_COLOR_FOCUS_EDGE));
    }
}

static void PaintSample(DrawContext* dc, const FontDialogState* st) {
    PlatRect box = SampleRect();
    DialogFill(dc, box, SysColor(SYS_COLOR_EDIT_BACK));
    DialogFrame(dc, box, SysColor(SYS_COLOR_SHADOW));
    if (!st->sample) return;
    PlatSelectFont(dc, st->sample.get());
    TextMetrics tm;
    PlatGetTextMetrics(dc, &tm);
    PlatTextOut(dc, box.left + 6, box.top + (RectHeight(box) - tm.height) / 2, u"AaBbYyZz", 8);
    PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
}

static intptr_t OnPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    FontDialogState* st = StateOf(window);
    DrawContext* dc = PlatGetWindowContext(window);
    if (st && dc) {
        DialogFace(window, dc);
        DialogLabel(dc, MARGIN, 8, u"&Font:");
        DialogLabel(dc, COLUMN_X, 8, u"&Size:");
        PaintList(dc, st);
        PaintSize(dc, st);
        PaintChecks(dc, st);
        PaintSample(dc, st);
        DialogButton(dc, ButtonRect(1), u"OK", st->focus == PART_OK);
        DialogButton(dc, ButtonRect(0), u"Cancel", st->focus == PART_CANCEL);
    }
    PlatEndPaint(window);
    return 0;
}

// ---- Input ---------------------------------------------------------------------------------

static intptr_t Finish(FontDialogState* st, int answer) {
    if (st) st->answer = answer;
    return 0;
}

static void ListKey(WindowId window, FontDialogState* st, uintptr_t key) {
    switch (key) {
    case KEY_UP: Select(window, st, st->selected - 1); break;
    case KEY_DOWN: Select(window, st, st->selected + 1); break;
    case KEY_PRIOR: Select(window, st, st->selected - (LIST_ROWS - 1)); break;
    case KEY_NEXT: Select(window, st, st->selected + (LIST_ROWS - 1)); break;
    case KEY_HOME: Select(window, st, 0); break;
    case KEY_END: Select(window, st, (int)st->faces.size() - 1); break;
    case KEY_BACK:
        if (!st->typed.empty()) st->typed.pop_back();
        return;
    default: return;   // the keys of typed characters: the characters follow
    }
    st->typed.clear();
}

static void SizeKey(WindowId window, FontDialogState* st, uintptr_t key) {
    switch (key) {
    case KEY_UP: SetPoints(window, st, st->points + 1); break;
    case KEY_DOWN: SetPoints(window, st, st->points > 1 ? st->points - 1 : 1); break;
    case KEY_BACK:
        st->fresh_size = false;
        SetPoints(window, st, st->points / 10);
        break;
    default: break;
    }
}

static intptr_t OnKey(WindowId window, uintptr_t key) {
    FontDialogState* st = StateOf(window);
    if (!st) return 0;
    bool shift = (PlatGetKeyState(KEY_SHIFT) & KEY_STATE_DOWN) != 0;
    if (key == KEY_RETURN) return Finish(st, st->focus == PART_CANCEL ? IDCANCEL : IDOK);
    if (key == KEY_ESCAPE) return Finish(st, IDCANCEL);
    if (key == KEY_TAB) {
        SetFocusPart(window, st, st->focus + (shift ? -1 : 1));
        return 0;
    }
    if (st->focus == PART_FACES) ListKey(window, st, key);
    else if (st->focus == PART_SIZE) SizeKey(window, st, key);
    else if (key == KEY_SPACE && st->focus == PART_OK) Finish(st, IDOK);
    else if (key == KEY_SPACE && st->focus == PART_CANCEL) Finish(st, IDCANCEL);
    else if (key == KEY_SPACE) ToggleCheck(window, st, st->focus - PART_BOLD);
    return 0;
}

static intptr_t OnChar(WindowId window, uintptr_t ch) {
    FontDialogState* st = StateOf(window);
    if (!st || ch < 0x20 || ch == 0x7F) return 0;
    if (st->focus == PART_FACES) TypeFaceChar(window, st, (char16_t)ch);
    else if (st->focus == PART_SIZE) TypeSizeChar(window, st, (char16_t)ch);
    return 0;
}

// Alt with a letter: the mnemonics of the labels.
static intptr_t OnSysKey(WindowId window, uintptr_t key) {
    FontDialogState* st = StateOf(window);
    if (!st) return 0;
    switch (key) {
    case 'F': SetFocusPart(window, st, PART_FACES); break;
    case 'S': SetFocusPart(window, st, PART_SIZE); break;
    case 'B': ToggleCheck(window, st, 0); break;
    case 'I': ToggleCheck(window, st, 1); break;
    case 'U': ToggleCheck(window, st, 2); break;
    case 'K': ToggleCheck(window, st, 3); break;
    default: break;
    }
    return 0;
}

static intptr_t OnClick(WindowId window, intptr_t lparam) {
    FontDialogState* st = StateOf(window);
    if (!st) return 0;
    int x = ParamX(lparam), y = ParamY(lparam);
    PlatRect list = ListRect();
    if (RectContains(list, x, y)) {
        SetFocusPart(window, st, PART_FACES);
        Select(window, st, st->first_row + (y - list.top - 2) / ROW_HEIGHT);
    } else if (RectContains(SizeRect(), x, y)) {
        SetFocusPart(window, st, PART_SIZE);
    } else if (RectContains(ButtonRect(1), x, y)) {
        Finish(st, IDOK);
    } else if (RectContains(ButtonRect(0), x, y)) {
        Finish(st, IDCANCEL);
    } else {
        for (int i = 0; i < 4; i++)
            if (RectContains(CheckRect(i), x, y)) ToggleCheck(window, st, i);
    }
    return 0;
}

static intptr_t OnWheel(WindowId window, uintptr_t wparam) {
    FontDialogState* st = StateOf(window);
    if (!st) return 0;
    int delta = (int16_t)ParamHigh((intptr_t)wparam);
    st->first_row += delta > 0 ? -3 : 3;
    int last_first = (int)st->faces.size() - LIST_ROWS;
    if (st->first_row > last_first) st->first_row = last_first;
    if (st->first_row < 0) st->first_row = 0;
    PlatInvalidateRect(window, nullptr, true);
    return 0;
}

static intptr_t FontDialogProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnPaint(window);
    case MSG_KEYDOWN: return OnKey(window, wparam);
    case MSG_CHAR: return OnChar(window, wparam);
    case MSG_SYSKEYDOWN: return OnSysKey(window, wparam);
    case MSG_LBUTTONDOWN: return OnClick(window, lparam);
    case MSG_MOUSEWHEEL: return OnWheel(window, wparam);
    case MSG_CLOSE: return Finish(StateOf(window), IDCANCEL);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

// ---- Running the dialog --------------------------------------------------------------------

static bool SameNameNoCase(const std::u16string& a, const char16_t* b) {
    return Utf16Length(b) == (int)a.size() && StartsWithNoCase(a, std::u16string(b));
}

// The face list with the description's family selected (what its face name resolves to),
// its size in points, and its styles.
static void InitState(FontDialogState* st, const FontDesc& desc) {
    st->faces = PlatListFontFamilies();
    st->start = desc;
    char16_t family[FONT_FACE_UNITS];
    PlatGetFontFamily(FontPtr(PlatCreateFont(&desc)).get(), family, FONT_FACE_UNITS);
    for (size_t i = 0; i < st->faces.size(); i++)
        if (SameNameNoCase(st->faces[i], family) || SameNameNoCase(st->faces[i], desc.face)) st->selected = (int)i;
    KeepSelectionVisible(st);
    int pixels = desc.height < 0 ? -desc.height : desc.height;
    st->points = pixels > 0 ? (pixels * 72 + 48) / 96 : 12;
    st->checks[0] = desc.weight >= 600;
    st->checks[1] = desc.italic != 0;
    st->checks[2] = desc.underline != 0;
    st->checks[3] = desc.strike_out != 0;
    RemakeSample(st);
}

static void PublishState(const void* state) { Publish((const FontDialogState*)state); }

int PlatChooseFont(WindowId owner, FontDesc* desc) {
    if (!desc) return IDCANCEL;
    FontDialogState st{};
    InitState(&st, *desc);
    RunDrawnDialog(DrawnDialog{DIALOG_CLASS, FontDialogProc, u"Font", ClientSize(), owner, &st, &st.answer, &view.open,
                               PublishState});
    if (st.answer != IDOK) return IDCANCEL;
    *desc = ChosenDesc(&st);
    return IDOK;
}

WindowId PlatGetOpenFontDialog(void) { return view.open.load(std::memory_order_acquire); }

bool PlatReadFontDialog(FontDialogView* out) { return ReadDialogView(&view, out); }
