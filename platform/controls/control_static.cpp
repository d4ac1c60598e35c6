// The "STATIC" control: one line of text, left-aligned, in the GUI font on the button-face
// colour, cut at the control's right edge. Simple static text takes no mouse input of its
// own: clicks, double clicks and moves over it go on to its parent in the parent's client
// coordinates, so a box window sees clicks on its labels as clicks on itself.
#include "platform/controls/controls.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/window.h"

bool WindowWantsDoubleClicks(WindowId window);

static intptr_t OnStaticPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    DrawContext* dc = PlatGetWindowContext(window);
    if (dc) {
        PlatRect client;
        PlatGetClientRect(window, &client);
        PlatFillRect(dc, &client, SysColor(SYS_COLOR_FACE));
        char16_t text[256];
        int n = PlatGetWindowText(window, text, 256);
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        PlatTextOut(dc, 0, 0, text, n);
    }
    PlatEndPaint(window);
    return 0;
}

// Hands a mouse message on to the parent with the point in the parent's client coordinates.
static intptr_t ForwardMouse(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    WindowId parent = PlatGetParent(window);
    if (!parent) return 0;
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    PlatClientToScreen(window, &p);
    PlatScreenToClient(parent, &p);
    if (!WindowWantsDoubleClicks(parent)) {
        if (msg == MSG_LBUTTONDBLCLK) msg = MSG_LBUTTONDOWN;
        if (msg == MSG_RBUTTONDBLCLK) msg = MSG_RBUTTONDOWN;
    }
    return PlatSendMessage(parent, msg, wparam, MakeParam(p.x, p.y));
}

intptr_t StaticControlProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnStaticPaint(window);
    case MSG_MOUSEMOVE:
    case MSG_LBUTTONDOWN:
    case MSG_LBUTTONUP:
    case MSG_LBUTTONDBLCLK:
    case MSG_RBUTTONDOWN:
    case MSG_RBUTTONUP:
    case MSG_RBUTTONDBLCLK:
    case MSG_MBUTTONDOWN:
    case MSG_MBUTTONUP: return ForwardMouse(window, msg, wparam, lparam);
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
