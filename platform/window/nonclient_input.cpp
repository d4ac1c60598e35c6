// What presses on the non-client area do, and the default window procedure. The close box
// and the menu bar's items act when the button is released over the part it went down on:
// while the button is held the part looks pressed as long as the pointer is over it, and a
// release anywhere else (or Esc) does nothing, so a user who changes their mind moves away
// before letting go, as on every desktop. A press on the caption or a sizing edge runs the
// move or size loop on the window's own thread, with MSG_MOVING and MSG_SIZING letting the
// procedure change the proposed rectangle.
#include "platform/draw/draw.h"
#include "platform/window/menu.h"
#include "platform/system.h"
#include "platform/window/window_core.h"

#include <string.h>

// ---- Presses on the close box and the menu bar --------------------------------------------

// A part being pressed: the close box or an item of the menu bar.
struct PressedPart {
    WindowId window;
    int hit;          // HIT_CLOSE or HIT_MENU
    int item;         // the menu-bar item, for HIT_MENU
    PlatRect rect;    // window coordinates
};

// Draws the part pressed or not; repaints only on a change.
static void ShowPressed(const PressedPart& part, bool pressed) {
    bool changed;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(part.window);
        if (!rec) return;
        bool close = pressed && part.hit == HIT_CLOSE;
        int hot = pressed && part.hit == HIT_MENU ? part.item : -1;
        changed = rec->close_pressed != close || rec->menu_hot != hot;
        rec->close_pressed = close;
        rec->menu_hot = hot;
    }
    if (changed) PaintNonClient(part.window);
}

static bool PointerOver(const PressedPart& part, const Message& m) {
    PlatRect wr;
    if (m.window != part.window || PlatGetWindowRect(part.window, &wr)) return false;
    return RectContains(part.rect, m.point.x - wr.left, m.point.y - wr.top);
}

static bool IsUserInput(int type) {
    return (type >= MSG_MOUSEMOVE && type <= MSG_MOUSEWHEEL) || (type >= MSG_NCLBUTTONDOWN && type <= MSG_NCMOUSEMOVE) ||
           type == MSG_KEYDOWN || type == MSG_KEYUP || type == MSG_SYSKEYDOWN || type == MSG_CHAR;
}

// Follows the pointer in a nested pump until the button is released (or Esc), showing the
// part pressed while the pointer is over it. Other windows keep being served; other input
// belongs to the press. True when the button was released over the part.
static bool TrackPress(const PressedPart& part) {
    PlatSetCapture(part.window);
    bool over = true, chosen = false;
    ShowPressed(part, true);
    Message m;
    while (PlatIsWindow(part.window)) {
        if (!PlatGetMessage(&m)) break;   // the quit stays posted for the outer loops
        if (m.type == MSG_MOUSEMOVE || m.type == MSG_LBUTTONUP) {
            bool now = PointerOver(part, m);
            if (now != over) ShowPressed(part, over = now);
            if (m.type == MSG_LBUTTONUP) {
                chosen = now;
                break;
            }
        } else if (m.type == MSG_KEYDOWN && m.wparam == KEY_ESCAPE) {
            break;
        } else if (!IsUserInput(m.type)) {
            PlatDispatchMessage(&m);
        }
    }
    if (PlatGetCapture() == part.window) PlatReleaseCapture();
    ShowPressed(part, false);
    return chosen;
}

static void PressCloseBox(WindowId window) {
    PressedPart part{window, HIT_CLOSE, -1, {}};
    if (CloseBoxRect(window, &part.rect) && TrackPress(part)) PlatPostMessage(window, MSG_CLOSE, 0, 0);
}

// A press on the menu bar: an enabled item under the pointer is tracked and its command
// posted on release; greyed items neither light up nor act.
static void PressMenuBar(WindowId window, PlatPoint screen) {
    PlatRect wr;
    if (PlatGetWindowRect(window, &wr)) return;
    PressedPart part{window, HIT_MENU, -1, {}};
    part.item = MenuBarItemAt(window, screen.x - wr.left, screen.y - wr.top, &part.rect);
    Menu* menu = PlatGetWindowMenu(window);
    int id, state;
    char16_t text[8];
    if (part.item < 0 || !menu || PlatGetMenuItem(menu, part.item, &id, &state, text, 8)) return;
    if ((state & MENU_GRAYED) == MENU_GRAYED) return;
    if (TrackPress(part)) PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0);
}

// ---- Mnemonics of the menu bar ---------------------------------------------------------------

bool MenuBarMnemonic(WindowId window, int key) {
    Menu* menu = PlatGetWindowMenu(window);
    if (!menu) return false;
    int n = PlatGetMenuItemCount(menu);
    for (int i = 0; i < n; i++) {
        char16_t text[128];
        int id, state;
        PlatGetMenuItem(menu, i, &id, &state, text, 128);
        for (int j = 0; text[j]; j++) {
            if (text[j] == u'&' && text[j + 1] && text[j + 1] != u'&') {
                char16_t m = text[j + 1];
                if (m >= u'a' && m <= u'z') m = (char16_t)(m - 32);
                if (m == key && (state & MENU_GRAYED) != MENU_GRAYED) {
                    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0);
                    return true;
                }
                break;
            }
        }
    }
    return false;
}

// ---- The move and size loops ----------------------------------------------------------------

static int SizingEdge(int hit) {
    switch (hit) {
    case HIT_LEFT: return SIZING_LEFT;
    case HIT_RIGHT: return SIZING_RIGHT;
    case HIT_TOP: return SIZING_TOP;
    case HIT_TOPLEFT: return SIZING_TOPLEFT;
    case HIT_TOPRIGHT: return SIZING_TOPRIGHT;
    case HIT_BOTTOM: return SIZING_BOTTOM;
    case HIT_BOTTOMLEFT: return SIZING_BOTTOMLEFT;
    case HIT_BOTTOMRIGHT: return SIZING_BOTTOMRIGHT;
    default: return 0;
    }
}

// The rectangle a drag proposes: the start rectangle moved, or one edge or corner dragged
// (never smaller than the minimum window size).
static PlatRect ProposedRect(PlatRect start, int edge, int dx, int dy) {
    if (edge == 0) return RectOffset(start, dx, dy);
    PlatRect r = start;
    int minw = PlatGetSystemMetric(METRIC_CXMINTRACK), minh = PlatGetSystemMetric(METRIC_CYMINTRACK);
    bool left = edge == SIZING_LEFT || edge == SIZING_TOPLEFT || edge == SIZING_BOTTOMLEFT;
    bool right = edge == SIZING_RIGHT || edge == SIZING_TOPRIGHT || edge == SIZING_BOTTOMRIGHT;
    bool top = edge == SIZING_TOP || edge == SIZING_TOPLEFT || edge == SIZING_TOPRIGHT;
    bool bottom = edge == SIZING_BOTTOM || edge == SIZING_BOTTOMLEFT || edge == SIZING_BOTTOMRIGHT;
    if (left) r.left = r.right - minw < start.left + dx ? r.right - minw : start.left + dx;
    if (right) r.right = r.left + minw > start.right + dx ? r.left + minw : start.right + dx;
    if (top) r.top = r.bottom - minh < start.top + dy ? r.bottom - minh : start.top + dy;
    if (bottom) r.bottom = r.top + minh > start.bottom + dy ? r.top + minh : start.bottom + dy;
    return r;
}

static void ApplyLoopRect(WindowId window, int edge, PlatRect proposed) {
    CallWindowProcedure(window, edge ? MSG_SIZING : MSG_MOVING, (uintptr_t)edge, (intptr_t)&proposed);
    PlatRect now;
    if (PlatGetWindowRect(window, &now)) return;
    if (edge == 0)
        PlatSetWindowPos(window, proposed.left, proposed.top, 0, 0, MOVE_NOSIZE | MOVE_NOZORDER);
    else
        PlatSetWindowPos(window, proposed.left, proposed.top, RectWidth(proposed), RectHeight(proposed),
                         MOVE_NOZORDER);
}

// Runs the move or size loop for a press on the caption or a sizing edge.
static void RunMoveSizeLoop(WindowId window, int hit, PlatPoint start) {
    int edge = hit == HIT_CAPTION ? 0 : SizingEdge(hit);
    if (hit != HIT_CAPTION && edge == 0) return;
    PlatRect start_rect;
    if (PlatGetWindowRect(window, &start_rect)) return;
    PlatSetCapture(window);
    CallWindowProcedure(window, MSG_ENTERSIZEMOVE, 0, 0);
    Message m;
    while (PlatIsWindow(window)) {
        if (!PlatGetMessage(&m)) break;   // the quit stays posted for the outer loops
        if (m.type == MSG_MOUSEMOVE || m.type == MSG_LBUTTONUP) {
            if (m.window == window) {
                PlatRect proposed = ProposedRect(start_rect, edge, m.point.x - start.x, m.point.y - start.y);
                PlatRect now;
                PlatGetWindowRect(window, &now);
                if (memcmp(&proposed, &now, sizeof now) != 0 || m.type == MSG_LBUTTONUP)
                    ApplyLoopRect(window, edge, proposed);
            }
            if (m.type == MSG_LBUTTONUP) break;
        } else if (m.type == MSG_KEYDOWN && m.wparam == KEY_ESCAPE) {
            PlatSetWindowPos(window, start_rect.left, start_rect.top, RectWidth(start_rect),
                             RectHeight(start_rect), MOVE_NOZORDER);
            break;
        } else if ((m.type >= MSG_LBUTTONDOWN && m.type <= MSG_MOUSEWHEEL) || m.type == MSG_KEYDOWN ||
                   m.type == MSG_KEYUP || m.type == MSG_CHAR) {
            // Other input belongs to the drag.
        } else {
            PlatDispatchMessage(&m);
        }
    }
    if (PlatGetCapture() == window) PlatReleaseCapture();
    CallWindowProcedure(window, MSG_EXITSIZEMOVE, 0, 0);
}

// ---- Default procedure -----------------------------------------------------------------

static intptr_t OnDefaultErase(WindowId window, const PlatRect* rect) {
    uint32_t background;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 0;
        background = g_classes[rec->class_index].background;
    }
    if (background == BACKGROUND_NONE) return 0;
    DrawContext* dc = PlatGetWindowContext(window);
    if (!dc) return 0;
    PlatRect r = rect ? *rect : PlatRect{0, 0, 100000, 100000};
    PlatFillRect(dc, &r, background);
    return 1;
}

// A window that does not paint only validates what was invalid.
static intptr_t OnDefaultPaint(WindowId window) {
    PlatRect r;
    PlatBeginPaint(window, &r);
    PlatEndPaint(window);
    return 0;
}

static intptr_t OnDefaultNcButton(WindowId window, int hit, intptr_t lparam) {
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    switch (hit) {
    case HIT_CAPTION:
        PlatSetForegroundWindow(window);
        RunMoveSizeLoop(window, hit, p);
        return 0;
    case HIT_CLOSE:
        PressCloseBox(window);
        return 0;
    case HIT_MENU:
        PressMenuBar(window, p);
        return 0;
    default:
        if (SizingEdge(hit)) {
            PlatSetForegroundWindow(window);
            RunMoveSizeLoop(window, hit, p);
        }
        return 0;
    }
}

// A second press soon after the first is a press like any other on the parts that act on
// release, so a quick second click on a menu-bar item or the close box is not lost.
static intptr_t OnDefaultNcDoubleClick(WindowId window, int hit, intptr_t lparam) {
    if (hit == HIT_CLOSE || hit == HIT_MENU) return OnDefaultNcButton(window, hit, lparam);
    return 0;
}

static intptr_t OnDefaultActivate(WindowId window, uintptr_t wparam) {
    if ((wparam & ACTIVE_STATE_MASK) == ACTIVE_NONE || (wparam & ACTIVE_BY_FOCUS)) return 0;
    WindowId focus = PlatGetFocus();
    if (PlatGetTopLevel(focus) != window) PlatSetFocus(window);
    return 0;
}

static intptr_t OnDefaultSysKey(WindowId window, uintptr_t key) {
    if (key == KEY_F4) {   // Alt+F4
        PlatPostMessage(PlatGetTopLevel(window), MSG_CLOSE, 0, 0);
        return 0;
    }
    MenuBarMnemonic(PlatGetTopLevel(window), (int)key);
    return 0;
}

static intptr_t OnDefaultWheel(WindowId window, uintptr_t wparam, intptr_t lparam) {
    WindowId parent = PlatGetParent(window);
    if (parent) return PlatSendMessage(parent, MSG_MOUSEWHEEL, wparam, lparam);
    return 0;
}

intptr_t PlatDefWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_ERASEBKGND: return OnDefaultErase(window, (const PlatRect*)lparam);
    case MSG_PAINT: return OnDefaultPaint(window);
    case MSG_CLOSE: PlatDestroyWindow(window); return 0;
    case MSG_NCLBUTTONDOWN: return OnDefaultNcButton(window, (int)wparam, lparam);
    case MSG_NCLBUTTONDBLCLK: return OnDefaultNcDoubleClick(window, (int)wparam, lparam);
    case MSG_ACTIVATE: return OnDefaultActivate(window, wparam);
    case MSG_SYSKEYDOWN: return OnDefaultSysKey(window, wparam);
    case MSG_MOUSEWHEEL: return OnDefaultWheel(window, wparam, lparam);
    default: return 0;
    }
}
