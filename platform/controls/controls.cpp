// The standard controls' registration, the helpers their procedures share, and the dialog
// keyboard handling of box windows: Tab and Shift+Tab walk the tab-stop controls, Enter posts
// the default command 1, and every other message of the box's windows is translated and
// dispatched here, the way the system's dialog handling serves a dialog's windows.
#include "platform/controls/controls.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/window.h"
#include "platform/window/window_core.h"

intptr_t StaticControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t EditControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t ButtonControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

void PlatRegisterControls(void) {
    // A second backend start finds the classes registered already, which is fine.
    // Static text passes double clicks through to its parent, so it asks for them.
    WindowClassDesc statics{"STATIC", StaticControlProc, CLASS_DBLCLKS, SysColor(SYS_COLOR_FACE)};
    WindowClassDesc edits{"EDIT", EditControlProc, CLASS_DBLCLKS, SysColor(SYS_COLOR_EDIT_BACK)};
    // Buttons count every press as a click: quick presses must not turn into double clicks.
    WindowClassDesc buttons{"BUTTON", ButtonControlProc, 0, SysColor(SYS_COLOR_FACE)};
    PlatRegisterClass(&statics);
    PlatRegisterClass(&edits);
    PlatRegisterClass(&buttons);
}

// Sends a control notification to the control's parent, as MSG_COMMAND with the control id
// and the code, and the control itself as lparam.
void NotifyControlParent(WindowId control, int code) {
    WindowId parent = PlatGetParent(control);
    if (!parent) return;
    PlatSendMessage(parent, MSG_COMMAND, (uintptr_t)MakeParam(PlatGetControlId(control), code),
                    (intptr_t)control);
}

// True when the window's class asked for double-click messages.
bool WindowWantsDoubleClicks(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec && (g_classes[rec->class_index].style & CLASS_DBLCLKS);
}

// ---- Dialog keyboard handling -------------------------------------------------------------

struct TabStops {
    WindowId list[256];
    int count;
};

static int CollectTabStop(WindowId child, void* data) {
    TabStops* stops = (TabStops*)data;
    uint32_t style = PlatGetStyle(child);
    if ((style & STYLE_TABSTOP) && (style & STYLE_VISIBLE) && !(style & STYLE_DISABLED) &&
        stops->count < 256)
        stops->list[stops->count++] = child;
    return 0;
}

static bool BelongsToBox(WindowId box, WindowId window) {
    return window != 0 && PlatGetTopLevel(window) == box;
}

// Moves the focus to the next (or previous) tab stop of the box, wrapping around. An edit
// that receives the focus this way has its whole text selected.
static void MoveDialogFocus(WindowId box, bool backwards) {
    TabStops stops;
    stops.count = 0;
    PlatEnumChildren(box, CollectTabStop, &stops);
    if (stops.count == 0) return;
    WindowId focus = PlatGetFocus();
    int current = -1;
    for (int i = 0; i < stops.count; i++)
        if (stops.list[i] == focus) current = i;
    int next;
    if (current < 0) next = backwards ? stops.count - 1 : 0;
    else next = (current + (backwards ? stops.count - 1 : 1)) % stops.count;
    WindowId target = stops.list[next];
    // With a single tab stop Tab still leaves the control and comes back, so that an edit's
    // owner takes the typed text as it would on the way to another field.
    if (target == focus) PlatSetFocus(box);
    PlatSetFocus(target);
    if (PlatIsWindowOfClass(target, "EDIT")) PlatSendMessage(target, EM_SETSEL, 0, -1);
}

bool PlatIsDialogMessage(WindowId box, const Message* msg) {
    if (!box || !msg || !BelongsToBox(box, msg->window) || !PlatIsWindow(box)) return false;
    if (msg->type == MSG_KEYDOWN) {
        bool ctrl = (PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN) != 0;
        if (msg->wparam == KEY_TAB && !ctrl) {
            MoveDialogFocus(box, (PlatGetKeyState(KEY_SHIFT) & KEY_STATE_DOWN) != 0);
            return true;
        }
        if (msg->wparam == KEY_RETURN) {
            PlatPostMessage(box, MSG_COMMAND, (uintptr_t)MakeParam(1, 0), 0);
            return true;
        }
    }
    PlatTranslateMessage(msg);
    PlatDispatchMessage(msg);
    return true;
}
