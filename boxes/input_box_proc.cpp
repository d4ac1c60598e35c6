// The input box's window procedure: values taken from an edit field when it loses the focus
// or Enter is pressed, the focus and selection on activation, horizontal sizing of labels or
// fields, the Destroy and Rename popup menus, renaming through the text window, snapping
// while moving, and closing.
#include "input_box.h"
#include "box_values.h"

#include "platform/controls/controls.h"
#include "platform/window/menu.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/shared_ops.h"
#include "runtime/window_classes.h"
#include "runtime/window_rects.h"

#include <string.h>

void ForgetInputBox(void);
void LayOutInputBox(void);

static int rename_target = 0;

// Copies an item's edit text into its value (at most 256 bytes, cut at a character boundary).
static void TakeValue(WindowId edit) {
    if (!edit) return;
    int n = item_count.load();
    for (int i = 0; i < n; i++) {
        if (item_edit[i] != edit || !item_value[i]) continue;
        char16_t wide[256];
        int units = PlatGetWindowText(edit, wide, 256);
        Utf16ToUtf8(wide, units, item_value[i], BOX_VALUE_BYTES);
        return;
    }
}

void RenameInputBoxItem(int i) {
    if (!input_box.load(std::memory_order_acquire) || i < 0 || i >= item_count.load()) return;
    // While a line is being read, a prompt printed now would land inside the user's line.
    if (input_active.load(std::memory_order_acquire) != 0) return;
    char label[256];
    PXK_GetWindowText(item_label[i], label, 256);
    PXK_ShowTextWindow();
    PXK_Printf("%d '%s' ->", i, label);
    char line[256] = "";
    PXK_InputText(line);
    // The box may have gone while the line was typed.
    if (line[0] && input_box.load(std::memory_order_acquire) && i < item_count.load() && item_label[i]) {
        PXK_SetWindowText(item_label[i], "                    ");
        PXK_SetWindowText(item_label[i], line);
    }
}

static void ShowPopup(WindowId box, int x, int y, int id, const char* text) {
    Menu* menu = PlatCreatePopupMenu();
    if (!menu) return;
    InsertMenuText(menu, 0, MENU_ENABLED, id, text);
    // The chosen item comes back as a command message.
    PlatTrackPopupMenu(menu, x, y, box);
    PlatDestroyMenu(menu);
}

static int RowAt(intptr_t lparam) {
    int y = ParamY(lparam);
    return y < 0 ? -1 : y / INPUT_BOX_ROW;
}

static intptr_t OnInputBoxCommand(WindowId box, uintptr_t wparam, intptr_t lparam) {
    (void)box;
    int id = ParamLow((intptr_t)wparam), code = ParamHigh((intptr_t)wparam);
    WindowId control = (WindowId)lparam;
    if (code == EN_SETFOCUS) focused_edit = control;
    else if (code == EN_KILLFOCUS) TakeValue(control);
    else if (id == 1 && code == 0 && control == 0) TakeValue(focused_edit);
    if (code == 0 && control == 0) {
        if (id == CMD_INPUT_BOX_DESTROY) PXK_CloseInputBox();
        else if (id == CMD_INPUT_BOX_RENAME) RenameInputBoxItem(rename_target);
    }
    return 0;
}

static intptr_t OnInputBoxActivate(WindowId box, uintptr_t wparam) {
    (void)box;
    if ((wparam & 0xFF) == ACTIVE_NONE || !item_edit[0]) return 0;
    if (!focused_edit) focused_edit = item_edit[0];
    // A focus change that activated the box puts the focus where it wants it already.
    if (!(wparam & 0x100)) PlatSetFocus(focused_edit);
    char text[256];
    PXK_GetWindowText(item_edit[0], text, 256);
    PlatPostMessage(item_edit[0], EM_SETSEL, 0, (intptr_t)strlen(text));
    return 0;
}

static intptr_t OnInputBoxSizing(WindowId box, uintptr_t edge, intptr_t lparam) {
    PlatRect* proposed = (PlatRect*)lparam;
    PlatRect now;
    if (proposed && PlatGetWindowRect(box, &now) == 0) {
        proposed->top = now.top;
        proposed->bottom = now.bottom;
    }
    sizing_edge = (int)edge;
    return 0;
}

static intptr_t OnInputBoxSize(WindowId box, intptr_t lparam) {
    (void)box;
    int width = ParamLow(lparam);
    if (sizing_edge == SIZING_LEFT || sizing_edge == SIZING_TOPLEFT || sizing_edge == SIZING_BOTTOMLEFT) {
        int w = width - esize.load() - 12;
        isize.store(w < 1 ? 1 : w);
    } else {
        int w = width - isize.load() - 12;
        esize.store(w < 1 ? 1 : w);
    }
    LayOutInputBox();
    return 0;
}

static intptr_t OnInputBoxNcRightButton(WindowId box, intptr_t lparam) {
    ShowPopup(box, ParamX(lparam), ParamY(lparam), CMD_INPUT_BOX_DESTROY, "Destroy");
    return 0;
}

static intptr_t OnInputBoxRightButton(WindowId box, intptr_t lparam) {
    int row = RowAt(lparam);
    if (row < 0 || row >= item_count.load()) return 0;
    rename_target = row;
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    PlatClientToScreen(box, &p);
    ShowPopup(box, p.x, p.y, CMD_INPUT_BOX_RENAME, "Rename");
    return 0;
}

static intptr_t OnInputBoxDoubleClick(WindowId box, intptr_t lparam) {
    (void)box;
    int row = RowAt(lparam);
    if (row >= 0 && row < item_count.load()) RenameInputBoxItem(row);
    return 0;
}

static void OnInputBoxClose(WindowId box) {
    (void)box;
    PXK_CloseInputBox();
}

static void OnInputBoxDestroy(WindowId box) {
    // Destroyed with its owner: nothing may keep pointing at it.
    if (input_box.load(std::memory_order_acquire) == box) ForgetInputBox();
}

static const KindWindowHandlers INPUT_BOX_HANDLERS{nullptr, OnInputBoxClose, OnInputBoxDestroy};

intptr_t InputBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_COMMAND: return OnInputBoxCommand(window, wparam, lparam);
    case MSG_ACTIVATE: return OnInputBoxActivate(window, wparam);
    case MSG_SIZING: return OnInputBoxSizing(window, wparam, lparam);
    case MSG_SIZE: return OnInputBoxSize(window, lparam);
    case MSG_NCRBUTTONDOWN: return OnInputBoxNcRightButton(window, lparam);
    case MSG_RBUTTONDOWN: return OnInputBoxRightButton(window, lparam);
    case MSG_LBUTTONDBLCLK: return OnInputBoxDoubleClick(window, lparam);
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, INPUT_BOX_HANDLERS);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
