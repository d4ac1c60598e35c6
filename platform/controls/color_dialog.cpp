// The layer's colour dialog. One window draws all of its parts itself: the basic and custom
// swatch grids, six number fields, the preview and three buttons. The keyboard works it
// whole: Tab and Shift+Tab move the focus; in a grid the arrows move the marked swatch and
// its colour becomes the dialog's colour; in a field digits replace the number (once it has
// the focus, then append), Backspace drops a digit and Up/Down step it; Space presses a
// button; Alt+B, Alt+C, Alt+E, Alt+S, Alt+V, Alt+R, Alt+G, Alt+U go to the basic grid, the
// custom grid and the hue, saturation, value, red, green and blue fields, Alt+A adds the
// colour to the custom colours; Enter is OK and Esc is Cancel.
//
// Hue, saturation and value are the framework's: hue 0..359 in whole degrees, value the
// largest component, saturation the largest minus the smallest (not divided by the value).
#include "platform/controls/color_dialog.h"
#include "platform/layer_mutex.h"
#include "platform/controls/dialog.h"
#include "platform/controls/dialog_paint.h"
#include "platform/controls/dialog_window.h"
#include "raster/color_hsv.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/input.h"
#include "platform/window/window.h"

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <mutex>

enum {
    MARGIN = 10,
    CELL_W = 22,
    CELL_H = 18,
    GRID_COLUMNS = 8,
    BASIC_TOP = 26,
    CUSTOM_TOP = BASIC_TOP + 6 * CELL_H + 26,
    RIGHT_X = MARGIN + GRID_COLUMNS * CELL_W + 14,
    FIELD_W = 40,
    FIELD_H = 20,
    FIELD_TOP = BASIC_TOP + 70,
    FIELD_STEP = 26,
    BUTTON_W = 75,
    BUTTON_H = 23,
    RIGHT_W = 2 * (BUTTON_W + 5),   // the right-hand side at least: preview, Add, OK and Cancel
    LABEL_GAP = 4,                  // between a field's label and its box
    COLUMN_GAP = 8                  // between the two columns of fields
};

// The basic swatches, row by row (8 to a row).
static const uint32_t COLOR_BASIC_SWATCHES[COLOR_BASIC_COUNT] = {
    0xFF8080, 0xFFFF80, 0x80FF80, 0x00FF80, 0x80FFFF, 0x0080FF, 0xFF80C0, 0xFF80FF,
    0xFF0000, 0xFFFF00, 0x80FF00, 0x00FF40, 0x00FFFF, 0x0080C0, 0x8080C0, 0xFF00FF,
    0x804040, 0xFF8040, 0x00FF00, 0x008080, 0x004080, 0x8080FF, 0x800040, 0xFF0080,
    0x800000, 0xFF8000, 0x008000, 0x008040, 0x0000FF, 0x0000A0, 0x800080, 0x8000FF,
    0x400000, 0x804000, 0x004000, 0x004040, 0x000080, 0x000040, 0x400040, 0x400080,
    0x000000, 0x808000, 0x808040, 0x808080, 0x408080, 0xC0C0C0, 0x404040, 0xFFFFFF,
};

static const char* const DIALOG_CLASS = "plat_colordlg";
static const char16_t* const FIELD_LABELS[6] = {u"Hu&e:", u"&Sat:", u"&Val:", u"&Red:", u"&Green:", u"Bl&ue:"};
static const int FIELD_MAX[6] = {359, 255, 255, 255, 255, 255};

struct ColorDialogState {
    uint32_t color;
    int fields[6];        // hue, sat, val, red, green, blue
    int basic_selected;   // -1 when the colour is none of them
    int custom_selected;
    uint32_t custom[COLOR_CUSTOM_COUNT];
    int focus;
    bool fresh_field;     // the next digit replaces the focused field
    int answer;           // 0 while open
};

// What the dialog shows, for the test driver.
static DialogView<ColorDialogView> view;

static ColorDialogState* StateOf(WindowId window) { return (ColorDialogState*)PlatGetWindowData(window); }

// ---- Layout --------------------------------------------------------------------------------

static PlatRect CellRect(int top, int index) {
    int x = MARGIN + (index % GRID_COLUMNS) * CELL_W, y = top + (index / GRID_COLUMNS) * CELL_H;
    return PlatRect{x, y, x + CELL_W, y + CELL_H};
}
// A label as DialogLabel shows it: without the '&' of its Alt shortcut.
static PlatSize ShownLabelSize(DrawContext* dc, const char16_t* label) {
    char16_t shown[64];
    int n = 0;
    for (int i = 0; label[i] && n < 63; i++)
        if (label[i] != u'&') shown[n++] = label[i];
    return PlatGetTextExtent(dc, shown, n);
}

// Calls measure with a context holding the dialog's font.
template <typename Measure>
static void WithDialogFont(Measure measure) {
    ContextPtr dc(PlatCreateMemoryContext(nullptr));
    if (!dc) return;
    PlatSelectFont(dc.get(), PlatGetStockFont(STOCK_GUI_FONT));
    measure(dc.get());
}

// The number fields' label column is as wide as the widest label in the dialog's font, so
// that no label runs under its field whatever the font makes of "Green:". Measured once.
static int LabelColumnWidth() {
    static const int width = [] {
        int widest = 0;
        WithDialogFont([&](DrawContext* dc) {
            for (const char16_t* label : FIELD_LABELS) widest = std::max(widest, (int)ShownLabelSize(dc, label).cx);
        });
        return widest;
    }();
    return width;
}
static int ColumnWidth() { return LabelColumnWidth() + LABEL_GAP + FIELD_W + COLUMN_GAP; }
static int RightWidth() { return std::max<int>(RIGHT_W, 2 * ColumnWidth() - COLUMN_GAP); }

static PlatRect PreviewRect() { return PlatRect{RIGHT_X, BASIC_TOP, RIGHT_X + RightWidth(), BASIC_TOP + 60}; }
static PlatRect FieldRect(int field) {
    int x = RIGHT_X + (field / 3) * ColumnWidth() + LabelColumnWidth() + LABEL_GAP;
    int y = FIELD_TOP + (field % 3) * FIELD_STEP;
    return PlatRect{x, y, x + FIELD_W, y + FIELD_H};
}
// Where a field's label starts: the left edge of its column, level with the field's text.
static PlatPoint LabelOrigin(int field) {
    PlatRect box = FieldRect(field);
    return PlatPoint{box.left - LABEL_GAP - LabelColumnWidth(), box.top + 3};
}
static PlatRect AddRect() {
    int top = FIELD_TOP + 3 * FIELD_STEP + 4;
    return PlatRect{RIGHT_X, top, RIGHT_X + RightWidth(), top + BUTTON_H};
}
static PlatRect ButtonRect(int which) {   // 0 OK, 1 Cancel
    int top = CUSTOM_TOP + 2 * CELL_H + 14, left = RIGHT_X + which * (BUTTON_W + 10);
    return PlatRect{left, top, left + BUTTON_W, top + BUTTON_H};
}
static PlatSize ClientSize() { return PlatSize{RIGHT_X + RightWidth() + 10 + MARGIN, ButtonRect(0).bottom + MARGIN}; }

bool PlatColorDialogPartRect(int part, int index, PlatRect* rect) {
    PlatRect r{};
    if (part == COLORDLG_BASIC && index >= 0 && index < COLOR_BASIC_COUNT) r = CellRect(BASIC_TOP, index);
    else if (part == COLORDLG_CUSTOM && index >= 0 && index < COLOR_CUSTOM_COUNT) r = CellRect(CUSTOM_TOP, index);
    else if (part >= COLORDLG_HUE && part <= COLORDLG_BLUE) r = FieldRect(part - COLORDLG_HUE);
    else if (part == COLORDLG_ADD) r = AddRect();
    else if (part == COLORDLG_OK || part == COLORDLG_CANCEL) r = ButtonRect(part - COLORDLG_OK);
    else return false;
    if (rect) *rect = r;
    return true;
}

bool PlatColorDialogLabelRect(int part, PlatRect* rect) {
    if (part < COLORDLG_HUE || part > COLORDLG_BLUE) return false;
    PlatSize size{0, 0};
    WithDialogFont([&](DrawContext* dc) { size = ShownLabelSize(dc, FIELD_LABELS[part - COLORDLG_HUE]); });
    PlatPoint at = LabelOrigin(part - COLORDLG_HUE);
    if (rect) *rect = PlatRect{at.x, at.y, at.x + size.cx, at.y + size.cy};
    return true;
}

// ---- State ---------------------------------------------------------------------------------

static void Publish(const ColorDialogState* st) {
    ColorDialogView now{};
    if (st) {
        now.color = st->color;
        memcpy(now.fields, st->fields, sizeof st->fields);
        now.focus = st->focus;
        now.basic_selected = st->basic_selected;
        now.custom_selected = st->custom_selected;
        memcpy(now.custom, st->custom, sizeof st->custom);
    }
    PublishDialogView(&view, now);
}

static void Changed(WindowId window, ColorDialogState* st) {
    Publish(st);
    PlatInvalidateRect(window, nullptr, true);
}

// A new colour from outside the HSV fields: every field follows it.
static void SetColor(ColorDialogState* st, uint32_t color) {
    st->color = color & 0xFFFFFF;
    const Hsv hsv = RgbToHsv(st->color);
    st->fields[0] = hsv.h, st->fields[1] = hsv.s, st->fields[2] = hsv.v;
    st->fields[3] = (st->color >> 16) & 0xFF;
    st->fields[4] = (st->color >> 8) & 0xFF;
    st->fields[5] = st->color & 0xFF;
}

// A field typed or stepped: the other model follows, the edited one keeps what was typed.
static void SetField(WindowId window, ColorDialogState* st, int field, int value) {
    st->fields[field] = value < 0 ? 0 : value > FIELD_MAX[field] ? FIELD_MAX[field] : value;
    if (field < 3) {
        int hsv[3] = {st->fields[0], st->fields[1], st->fields[2]};
        SetColor(st, HsvToRgb(hsv[0], hsv[1], hsv[2]));
        memcpy(st->fields, hsv, sizeof hsv);
    } else {
        SetColor(st, (uint32_t)(st->fields[3] << 16 | st->fields[4] << 8 | st->fields[5]));
    }
    st->basic_selected = -1;
    Changed(window, st);
}

static void SelectBasic(WindowId window, ColorDialogState* st, int index) {
    st->basic_selected = (index + COLOR_BASIC_COUNT) % COLOR_BASIC_COUNT;
    SetColor(st, COLOR_BASIC_SWATCHES[st->basic_selected]);
    Changed(window, st);
}

static void SelectCustom(WindowId window, ColorDialogState* st, int index) {
    st->custom_selected = (index + COLOR_CUSTOM_COUNT) % COLOR_CUSTOM_COUNT;
    st->basic_selected = -1;
    SetColor(st, st->custom[st->custom_selected]);
    Changed(window, st);
}

// The colour goes into the marked custom swatch and the mark moves on to the next one.
static void AddCustom(WindowId window, ColorDialogState* st) {
    st->custom[st->custom_selected] = st->color;
    st->custom_selected = (st->custom_selected + 1) % COLOR_CUSTOM_COUNT;
    Changed(window, st);
}

static void SetFocusPart(WindowId window, ColorDialogState* st, int part) {
    st->focus = (part + COLORDLG_PARTS) % COLORDLG_PARTS;
    st->fresh_field = true;
    Changed(window, st);
}

// ---- Painting ------------------------------------------------------------------------------

// A swatch: its colour inside a thin shadow frame, with a focus frame around it when marked.
static void PaintSwatch(DrawContext* dc, PlatRect cell, uint32_t color, bool marked, bool focused) {
    PlatRect box{cell.left + 3, cell.top + 3, cell.right - 3, cell.bottom - 3};
    DialogFill(dc, box, color);
    DialogFrame(dc, box, SysColor(SYS_COLOR_SHADOW));
    if (marked) DialogFrame(dc, PlatRect{cell.left + 1, cell.top + 1, cell.right - 1, cell.bottom - 1},
                      SysColor(focused ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_WINDOW_TEXT));
}

static void PaintGrids(DrawContext* dc, const ColorDialogState* st) {
    DialogLabel(dc, MARGIN, BASIC_TOP - 18, u"&Basic colours:");
    for (int i = 0; i < COLOR_BASIC_COUNT; i++)
        PaintSwatch(dc, CellRect(BASIC_TOP, i), COLOR_BASIC_SWATCHES[i], i == st->basic_selected, st->focus == COLORDLG_BASIC);
    DialogLabel(dc, MARGIN, CUSTOM_TOP - 18, u"&Custom colours:");
    for (int i = 0; i < COLOR_CUSTOM_COUNT; i++)
        PaintSwatch(dc, CellRect(CUSTOM_TOP, i), st->custom[i], i == st->custom_selected, st->focus == COLORDLG_CUSTOM);
}

static void PaintFields(DrawContext* dc, const ColorDialogState* st) {
    for (int i = 0; i < 6; i++) {
        PlatRect box = FieldRect(i);
        PlatPoint label = LabelOrigin(i);
        DialogLabel(dc, label.x, label.y, FIELD_LABELS[i]);
        DialogFill(dc, box, SysColor(SYS_COLOR_EDIT_BACK));
        DialogFrame(dc, box, SysColor(st->focus == COLORDLG_HUE + i ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_SHADOW));
        DialogNumber(dc, box.left + 4, box.top + 3, st->fields[i]);
    }
}

static intptr_t OnPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    ColorDialogState* st = StateOf(window);
    DrawContext* dc = PlatGetWindowContext(window);
    if (st && dc) {
        DialogFace(window, dc);
        PaintGrids(dc, st);
        DialogFill(dc, PreviewRect(), st->color);
        DialogFrame(dc, PreviewRect(), SysColor(SYS_COLOR_SHADOW));
        PaintFields(dc, st);
        DialogButton(dc, AddRect(), u"&Add to custom colours", st->focus == COLORDLG_ADD);
        DialogButton(dc, ButtonRect(0), u"OK", st->focus == COLORDLG_OK);
        DialogButton(dc, ButtonRect(1), u"Cancel", st->focus == COLORDLG_CANCEL);
    }
    PlatEndPaint(window);
    return 0;
}

// ---- Input ---------------------------------------------------------------------------------

static intptr_t Finish(ColorDialogState* st, int answer) {
    if (st) st->answer = answer;
    return 0;
}

// Arrows in a grid of `count` swatches, 8 to a row, wrapping around its ends.
static int GridStep(uintptr_t key, int count) {
    switch (key) {
    case KEY_LEFT: return -1;
    case KEY_RIGHT: return 1;
    case KEY_UP: return count - GRID_COLUMNS;
    case KEY_DOWN: return GRID_COLUMNS;
    default: return 0;
    }
}

static void FieldKey(WindowId window, ColorDialogState* st, int field, uintptr_t key) {
    switch (key) {
    case KEY_UP: SetField(window, st, field, st->fields[field] + 1); break;
    case KEY_DOWN: SetField(window, st, field, st->fields[field] - 1); break;
    case KEY_BACK:
        st->fresh_field = false;
        SetField(window, st, field, st->fields[field] / 10);
        break;
    default: break;
    }
}

static void Press(WindowId window, ColorDialogState* st, int part) {
    if (part == COLORDLG_ADD) AddCustom(window, st);
    else if (part == COLORDLG_OK) Finish(st, IDOK);
    else if (part == COLORDLG_CANCEL) Finish(st, IDCANCEL);
}

static intptr_t OnKey(WindowId window, uintptr_t key) {
    ColorDialogState* st = StateOf(window);
    if (!st) return 0;
    bool shift = (PlatGetKeyState(KEY_SHIFT) & KEY_STATE_DOWN) != 0;
    if (key == KEY_RETURN) return Finish(st, st->focus == COLORDLG_CANCEL ? IDCANCEL : IDOK);
    if (key == KEY_ESCAPE) return Finish(st, IDCANCEL);
    if (key == KEY_TAB) {
        SetFocusPart(window, st, st->focus + (shift ? -1 : 1));
        return 0;
    }
    int step;
    if (st->focus == COLORDLG_BASIC && (step = GridStep(key, COLOR_BASIC_COUNT)) != 0)
        SelectBasic(window, st, (st->basic_selected < 0 ? 0 : st->basic_selected + step) % COLOR_BASIC_COUNT);
    else if (st->focus == COLORDLG_CUSTOM && (step = GridStep(key, COLOR_CUSTOM_COUNT)) != 0)
        SelectCustom(window, st, (st->custom_selected + step) % COLOR_CUSTOM_COUNT);
    else if (st->focus >= COLORDLG_HUE && st->focus <= COLORDLG_BLUE) FieldKey(window, st, st->focus - COLORDLG_HUE, key);
    else if (key == KEY_SPACE) Press(window, st, st->focus);
    return 0;
}

static intptr_t OnChar(WindowId window, uintptr_t ch) {
    ColorDialogState* st = StateOf(window);
    if (!st || ch < '0' || ch > '9' || st->focus < COLORDLG_HUE || st->focus > COLORDLG_BLUE) return 0;
    int field = st->focus - COLORDLG_HUE;
    int base = st->fresh_field ? 0 : st->fields[field];
    st->fresh_field = false;
    SetField(window, st, field, base * 10 + (int)(ch - '0'));
    return 0;
}

// Alt with a letter: the mnemonics of the labels.
static intptr_t OnSysKey(WindowId window, uintptr_t key) {
    static const char KEYS[] = "BCESVRGU";
    ColorDialogState* st = StateOf(window);
    if (!st) return 0;
    if (key == 'A') AddCustom(window, st);
    for (int i = 0; KEYS[i]; i++)
        if (key == (uintptr_t)KEYS[i]) SetFocusPart(window, st, COLORDLG_BASIC + i);
    return 0;
}

static intptr_t OnClick(WindowId window, intptr_t lparam) {
    ColorDialogState* st = StateOf(window);
    if (!st) return 0;
    int x = ParamX(lparam), y = ParamY(lparam);
    for (int part = 0; part < COLORDLG_PARTS; part++) {
        int count = part == COLORDLG_BASIC ? COLOR_BASIC_COUNT : part == COLORDLG_CUSTOM ? COLOR_CUSTOM_COUNT : 1;
        for (int i = 0; i < count; i++) {
            PlatRect r;
            if (!PlatColorDialogPartRect(part, i, &r) || !RectContains(r, x, y)) continue;
            if (part != COLORDLG_OK && part != COLORDLG_CANCEL) SetFocusPart(window, st, part);
            if (part == COLORDLG_BASIC) SelectBasic(window, st, i);
            else if (part == COLORDLG_CUSTOM) SelectCustom(window, st, i);
            else Press(window, st, part);
            return 0;
        }
    }
    return 0;
}

static intptr_t ColorDialogProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnPaint(window);
    case MSG_KEYDOWN: return OnKey(window, wparam);
    case MSG_CHAR: return OnChar(window, wparam);
    case MSG_SYSKEYDOWN: return OnSysKey(window, wparam);
    case MSG_LBUTTONDOWN: return OnClick(window, lparam);
    case MSG_CLOSE: return Finish(StateOf(window), IDCANCEL);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

// ---- Running the dialog --------------------------------------------------------------------

static void InitState(ColorDialogState* st, uint32_t color, const uint32_t* custom) {
    SetColor(st, color);
    st->basic_selected = -1;
    for (int i = 0; i < COLOR_BASIC_COUNT; i++)
        if (COLOR_BASIC_SWATCHES[i] == st->color) st->basic_selected = i;
    for (int i = 0; i < COLOR_CUSTOM_COUNT; i++) st->custom[i] = custom ? custom[i] & 0xFFFFFF : 0;
    st->focus = COLORDLG_BASIC;
    st->fresh_field = true;
}

static void PublishState(const void* state) { Publish((const ColorDialogState*)state); }

int PlatChooseColor(WindowId owner, uint32_t* color, uint32_t* custom) {
    if (!color) return IDCANCEL;
    ColorDialogState st{};
    InitState(&st, *color, custom);
    RunDrawnDialog(DrawnDialog{DIALOG_CLASS, ColorDialogProc, u"Color", ClientSize(), owner, &st, &st.answer, &view.open,
                               PublishState});
    if (st.answer != IDOK) return IDCANCEL;
    *color = st.color;
    if (custom) memcpy(custom, st.custom, sizeof st.custom);
    return IDOK;
}

WindowId PlatGetOpenColorDialog(void) { return view.open.load(std::memory_order_acquire); }

bool PlatReadColorDialog(ColorDialogView* out) { return ReadDialogView(&view, out); }
