// The input box's public operations: opening with its labels and edit fields, closing,
// titles, values written and read as numbers, and the widths of labels and fields.
// All of them run on the worker thread, which owns the box.
#include "input_box.h"
#include "box_values.h"

#include "platform/controls/controls.h"
#include "platform/controls/dialog.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/shared_ops.h"
#include "runtime/startup_state.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

std::atomic<int> pxk::item_count{0};
WindowId pxk::item_label[INPUT_BOX_MAX_ITEMS];
WindowId pxk::item_edit[INPUT_BOX_MAX_ITEMS];
char* pxk::item_value[INPUT_BOX_MAX_ITEMS];
std::atomic<int> pxk::isize{80};
std::atomic<int> pxk::esize{70};
WindowId pxk::focused_edit = 0;
int pxk::sizing_edge = 0;

static const uint32_t BOX_STYLE = STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME;
static const char BLANK_LABEL[] = "                    ";   // 20 spaces

static bool ValidItem(int i) {
    return input_box.load(std::memory_order_acquire) != 0 && i >= 0 && i < item_count.load() &&
           item_value[i] != nullptr;
}

static WindowId CreateControl(WindowId box, const char* cls, const char* text, uint32_t style,
                              uint32_t ex_style, int x, int y, int w, int h) {
    char16_t wide[256];
    Utf8ToUtf16(text, -1, wide, 256);
    WindowCreate c{};
    c.class_name = cls;
    c.text = wide;
    c.style = (uint32_t)STYLE_CHILD | (uint32_t)STYLE_VISIBLE | style;
    c.ex_style = ex_style;
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    c.parent = box;
    return PlatCreateWindow(&c);
}

void PXK_OpenInputBox(int x, int y, int items) {
    if (input_box.load(std::memory_order_acquire)) return;
    if (items < 1) items = 1;
    if (items >= INPUT_BOX_MAX_ITEMS) items = INPUT_BOX_MAX_ITEMS;
    item_count.store(items);
    int lw = isize.load(), ew = esize.load();
    PlatRect r{0, 0, lw + ew + 12, INPUT_BOX_ROW * items + 2};
    PlatAdjustWindowRect(&r, BOX_STYLE, 0, false);
    WindowCreate c{};
    c.class_name = "pxk_ib";
    c.text = u"InputBox";
    c.style = BOX_STYLE;   // shown once its items exist
    c.x = x;
    c.y = y;
    c.width = RectWidth(r);
    c.height = RectHeight(r);
    c.owner = main_window.load(std::memory_order_acquire);
    focused_edit = 0;
    WindowId box = PlatCreateWindow(&c);
    if (!box) return;
    input_box.store(box, std::memory_order_release);
    for (int i = 0; i < items; i++) {
        char label[32];
        snprintf(label, sizeof label, "Item %d", i);
        item_label[i] = CreateControl(box, "STATIC", label, STATIC_SIMPLE, 0, 4, 4 + INPUT_BOX_ROW * i + 3, lw, 24);
        item_value[i] = (char*)malloc(BOX_VALUE_BYTES);
        if (item_value[i]) strcpy(item_value[i], "0");
        item_edit[i] = CreateControl(box, "EDIT", "0",
                                     (uint32_t)STYLE_GROUP | (uint32_t)STYLE_TABSTOP | EDIT_AUTOHSCROLL,
                                     EXSTYLE_CLIENTEDGE, lw + 8, 4 + INPUT_BOX_ROW * i, ew, 24);
    }
    PlatShowWindow(box, SHOW_NORMAL);
    PlatUpdateWindow(box);
    PlatSetForegroundWindow(box);
    PlatSetFocus(item_edit[0]);
}

// Frees the values and forgets the box (also when the box went with its owner).
void ForgetInputBox(void) {
    for (int i = 0; i < INPUT_BOX_MAX_ITEMS; i++) {
        free(item_value[i]);
        item_value[i] = nullptr;
        item_label[i] = 0;
        item_edit[i] = 0;
    }
    focused_edit = 0;
    input_box.store(0, std::memory_order_release);
}

void PXK_CloseInputBox(void) {
    WindowId box = input_box.load(std::memory_order_acquire);
    if (!box) return;
    if (PlatDestroyWindow(box) != 0)
        PlatMessageBox(main_window.load(std::memory_order_acquire), u"DestroyWindow[IB] Error", u"PIXKIT Error!",
                       MBOX_ICONERROR);
    ForgetInputBox();
}

void PXK_SetInputBoxTitle(int i, const char* text) {
    if (!ValidItem(i)) return;
    // The blank text first wipes a longer old label from the screen.
    PXK_SetWindowText(item_label[i], BLANK_LABEL);
    PXK_SetWindowText(item_label[i], text ? text : "");
}

static void SetItemText(int i) {
    char16_t wide[BOX_VALUE_BYTES];
    Utf8ToUtf16(item_value[i], -1, wide, BOX_VALUE_BYTES);
    PlatSetWindowText(item_edit[i], wide);
}

void PXK_SetInputBoxValue(int i, double v) {
    if (!ValidItem(i)) return;
    FormatBoxValue(v, item_value[i], BOX_VALUE_BYTES);
    SetItemText(i);
}

void PXK_SetInputBoxInt(int i, int v) {
    if (!ValidItem(i)) return;
    FormatBoxInt(v, item_value[i], BOX_VALUE_BYTES);
    SetItemText(i);
}

double PXK_GetInputBoxValue(int i) { return ValidItem(i) ? ParseBoxValue(item_value[i]) : 0.0; }

int PXK_GetInputBoxInt(int i) { return ValidItem(i) ? ParseBoxInt(item_value[i]) : 0; }

// Places every label and edit field for the current widths.
void LayOutInputBox(void) {
    int lw = isize.load(), ew = esize.load();
    int n = item_count.load();
    for (int i = 0; i < n; i++) {
        if (item_label[i]) PlatSetWindowPos(item_label[i], 0, 0, lw, 24, MOVE_NOMOVE | MOVE_NOZORDER);
        if (item_edit[i]) PlatMoveWindow(item_edit[i], lw + 8, 4 + INPUT_BOX_ROW * i, ew, 24);
    }
}

void PXK_ResizeInputBox(int label_width, int edit_width) {
    isize.store(label_width < 1 ? 1 : label_width);
    esize.store(edit_width < 1 ? 1 : edit_width);
    WindowId box = input_box.load(std::memory_order_acquire);
    if (!box) return;
    PlatRect r{0, 0, isize.load() + esize.load() + 12, INPUT_BOX_ROW * item_count.load() + 2};
    PlatAdjustWindowRect(&r, BOX_STYLE, 0, false);
    // The size message that follows keeps both widths (the client width is their sum).
    PlatSetWindowPos(box, 0, 0, RectWidth(r), RectHeight(r), MOVE_NOMOVE | MOVE_NOZORDER);
    LayOutInputBox();
}
