// The button box's window procedure: press counting by click and by the digit keys, keys
// handed on to the main window, Ctrl+Q, the Destroy and Rename popup menus, renaming through
// the text window, resizing with the buttons stretched to fill the box, snapping while
// moving, and closing.
#include "button_box.h"

#include "platform/window/menu.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "pxk.h"
#include "runtime/shared_ops.h"
#include "runtime/startup_state.h"
#include "runtime/window_classes.h"
#include "runtime/window_rects.h"

void LayOutButtonBox(void);

static int rename_target = 0;

void RenameButton(int i) {
    if (!button_box.load(std::memory_order_acquire) || i < 0 || i >= button_count.load()) return;
    // While a line is being read, a prompt printed now would land inside the user's line.
    if (input_active.load(std::memory_order_acquire) != 0) return;
    char16_t wide[512];
    int units = PlatGetWindowText(button_hwnd[i], wide, 512);
    char text[1024];
    Utf16ToUtf8(wide, units, text, (int)sizeof text);
    PXK_ShowTextWindow();
    PXK_Printf("%d '%s' ->", i, text);
    char line[256] = "";
    PXK_InputText(line);
    // The box may have gone while the line was typed.
    if (line[0] && button_box.load(std::memory_order_acquire) && i < button_count.load() && button_hwnd[i])
        PXK_SetWindowText(button_hwnd[i], line);
}

// The button whose cell holds a client point; points in the margins belong to the nearest
// cell of the last row or column.
static int ButtonAt(intptr_t lparam) {
    int nx = button_nx.load(), ny = button_ny.load();
    if (nx <= 0 || ny <= 0) return -1;
    int x = ParamX(lparam), y = ParamY(lparam);
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    int col = x / (button_w.load() + 4), row = y / (button_h.load() + 4);
    if (col > nx - 1) col = nx - 1;
    if (row > ny - 1) row = ny - 1;
    return row * nx + col;
}

static void ShowPopup(WindowId box, int x, int y, int id, const char* text) {
    Menu* menu = PlatCreatePopupMenu();
    if (!menu) return;
    InsertMenuText(menu, 0, MENU_ENABLED, id, text);
    // The chosen item comes back as a command message.
    PlatTrackPopupMenu(menu, x, y, box);
    PlatDestroyMenu(menu);
}

static intptr_t OnButtonBoxCommand(WindowId box, uintptr_t wparam) {
    int id = ParamLow((intptr_t)wparam), code = ParamHigh((intptr_t)wparam);
    if (code != 0) return 0;
    PlatSetFocus(box);
    int i = id - BUTTON_ID_BASE;
    if (i >= 0 && i < button_count.load()) press_count[i]++;
    if (id == CMD_BUTTON_BOX_DESTROY) PXK_CloseButtonBox();
    else if (id == CMD_BUTTON_BOX_RENAME) RenameButton(rename_target);
    return 0;
}

static intptr_t OnButtonBoxKeyDown(WindowId box, uintptr_t key, intptr_t lparam) {
    if (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) {
        if (key == 'Q') PlatPostMessage(box, MSG_CLOSE, 0, 0);
        return 0;
    }
    int digit = -1;
    if (key >= '0' && key <= '9') digit = (int)key - '0';
    else if (key >= KEY_NUMPAD0 && key <= KEY_NUMPAD0 + 9) digit = (int)key - KEY_NUMPAD0;
    if (digit >= 0) {
        if (digit < button_count.load()) press_count[digit]++;
        return 0;
    }
    if (key == KEY_ESCAPE || key == 'C' || key == 'S' || key == 'X') {
        WindowId main = main_window.load(std::memory_order_acquire);
        if (main) PlatPostMessage(main, MSG_KEYDOWN, key, lparam);
    }
    return 0;
}

static intptr_t OnButtonBoxSize(WindowId box, intptr_t lparam) {
    (void)box;
    int nx = button_nx.load(), ny = button_ny.load();
    if (nx <= 0 || ny <= 0) return 0;
    int wn = ParamLow(lparam) - 4 * nx - 4, hn = ParamHigh(lparam) - 4 * ny - 4;
    button_w.store((wn > 0 ? wn : 1) / nx);
    button_h.store((hn > 0 ? hn : 1) / ny);
    LayOutButtonBox();
    return 0;
}

static intptr_t OnButtonBoxNcRightButton(WindowId box, intptr_t lparam) {
    ShowPopup(box, ParamX(lparam), ParamY(lparam), CMD_BUTTON_BOX_DESTROY, "&Destroy\tCtrl+Q");
    return 0;
}

static intptr_t OnButtonBoxRightButton(WindowId box, intptr_t lparam) {
    int i = ButtonAt(lparam);
    if (i < 0) return 0;
    rename_target = i;
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    PlatClientToScreen(box, &p);
    ShowPopup(box, p.x, p.y, CMD_BUTTON_BOX_RENAME, "Rename");
    return 0;
}

static intptr_t OnButtonBoxDoubleClick(WindowId box, intptr_t lparam) {
    (void)box;
    int i = ButtonAt(lparam);
    if (i >= 0) RenameButton(i);
    return 0;
}

static void OnButtonBoxClose(WindowId box) {
    (void)box;
    PXK_CloseButtonBox();
}

static void OnButtonBoxDestroy(WindowId box) {
    // Destroyed with its owner: nothing may keep pointing at it.
    if (button_box.load(std::memory_order_acquire) == box) {
        for (int i = 0; i < BUTTON_BOX_MAX; i++) button_hwnd[i] = 0;
        button_box.store(0, std::memory_order_release);
    }
}

static const KindWindowHandlers BUTTON_BOX_HANDLERS{nullptr, OnButtonBoxClose, OnButtonBoxDestroy};

intptr_t ButtonBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_COMMAND: return OnButtonBoxCommand(window, wparam);
    case MSG_KEYDOWN: return OnButtonBoxKeyDown(window, wparam, lparam);
    case MSG_SIZE: return OnButtonBoxSize(window, lparam);
    case MSG_NCRBUTTONDOWN: return OnButtonBoxNcRightButton(window, lparam);
    case MSG_RBUTTONDOWN: return OnButtonBoxRightButton(window, lparam);
    case MSG_LBUTTONDBLCLK: return OnButtonBoxDoubleClick(window, lparam);
    case MSG_MOVE:
    case MSG_MOVING:
    case MSG_CLOSE:
    case MSG_DESTROY: return KindWindowDefault(window, msg, wparam, lparam, BUTTON_BOX_HANDLERS);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
