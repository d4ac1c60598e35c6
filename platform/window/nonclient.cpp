// The non-client area, drawn by the layer on every backend: frame, caption with the window's
// text and a close box, and the menu bar. Hit testing, the move and size loops (run on the
// window's own thread, with MSG_MOVING and MSG_SIZING letting the procedure change the
// proposed rectangle), menu-bar clicks and mnemonics, and the default window procedure.
#include "platform/backend.h"
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/menu.h"
#include "platform/system.h"
#include "platform/window/window_core.h"

#include <string.h>

enum {
    CLOSE_BOX_WIDTH = 30,
    MENU_ITEM_PAD = 7
};

int HitTestWindow(const WindowRecord* rec, int wx, int wy) {
    int w = RectWidth(rec->rect), h = RectHeight(rec->rect);
    if (wx < 0 || wy < 0 || wx >= w || wy >= h) return HIT_NOWHERE;
    PlatRect c = ClientAreaOf(rec);
    if (rec->ex_style & EXSTYLE_CLIENTEDGE) c = PlatRect{c.left - 2, c.top - 2, c.right + 2, c.bottom + 2};
    if (RectContains(c, wx, wy)) return HIT_CLIENT;
    if (rec->style & STYLE_CHILD) return HIT_BORDER;
    int f = PlatGetSystemMetric(METRIC_CXFRAME);
    bool has_frame = (rec->style & (STYLE_CAPTION | STYLE_SIZEFRAME)) != 0;
    if (has_frame && (wx < f || wy < f || wx >= w - f || wy >= h - f)) {
        if (!(rec->style & STYLE_SIZEFRAME)) return HIT_BORDER;
        const int corner = 16;
        bool left = wx < f, right = wx >= w - f, top = wy < f, bottom = wy >= h - f;
        if ((top || bottom) && wx < corner) return top ? HIT_TOPLEFT : HIT_BOTTOMLEFT;
        if ((top || bottom) && wx >= w - corner) return top ? HIT_TOPRIGHT : HIT_BOTTOMRIGHT;
        if ((left || right) && wy < corner) return left ? HIT_TOPLEFT : HIT_TOPRIGHT;
        if ((left || right) && wy >= h - corner) return left ? HIT_BOTTOMLEFT : HIT_BOTTOMRIGHT;
        if (left) return HIT_LEFT;
        if (right) return HIT_RIGHT;
        if (top) return HIT_TOP;
        return HIT_BOTTOM;
    }
    int cap = PlatGetSystemMetric(METRIC_CYCAPTION);
    if ((rec->style & STYLE_CAPTION) == STYLE_CAPTION && wy < f + cap) {
        if ((rec->style & STYLE_SYSMENU) && wx >= w - f - CLOSE_BOX_WIDTH) return HIT_CLOSE;
        return HIT_CAPTION;
    }
    if (rec->menu) return HIT_MENU;
    return HIT_BORDER;
}

static void FillSurface(Surface* s, PlatRect r, uint32_t color) {
    r = RectIntersect(r, PlatRect{0, 0, s->width, s->height});
    for (int y = r.top; y < r.bottom; y++) {
        uint32_t* row = (uint32_t*)SurfaceRow(s, y);
        for (int x = r.left; x < r.right; x++) row[x] = color;
    }
}

// The layout of a menu bar's items: left edges and widths, from the GUI font.
static int LayoutMenuBar(Menu* menu, DrawContext* dc, int x0, int* lefts, int* widths, int max) {
    int n = PlatGetMenuItemCount(menu);
    if (n > max) n = max;
    int x = x0;
    for (int i = 0; i < n; i++) {
        char16_t text[128], shown[128];
        int id, state;
        PlatGetMenuItem(menu, i, &id, &state, text, 128);
        int k = 0;
        for (int j = 0; text[j] && text[j] != u'\t'; j++)
            if (text[j] != u'&' || text[j + 1] == u'&') shown[k++] = text[j];
        PlatSize ext = PlatGetTextExtent(dc, shown, k);
        lefts[i] = x;
        widths[i] = ext.cx + 2 * MENU_ITEM_PAD;
        x += widths[i];
    }
    return n;
}

// Draws one menu-bar item's text with its mnemonic underlined.
static void DrawMenuText(DrawContext* dc, Surface* s, int x, int y, const char16_t* text, uint32_t color) {
    PlatSetTextColor(dc, color);
    int pen = x;
    for (int j = 0; text[j] && text[j] != u'\t'; j++) {
        if (text[j] == u'&' && text[j + 1] != u'&' && text[j + 1]) {
            PlatSize ext = PlatGetTextExtent(dc, &text[j + 1], 1);
            TextMetrics tm;
            PlatGetTextMetrics(dc, &tm);
            FillSurface(s, PlatRect{pen, y + tm.ascent + 1, pen + ext.cx, y + tm.ascent + 2}, color);
            continue;
        }
        if (text[j] == u'&') j++;
        PlatTextOut(dc, pen, y, &text[j], 1);
        pen += PlatGetTextExtent(dc, &text[j], 1).cx;
    }
}

void PaintNonClient(WindowId window) {
    WindowId top = PlatGetTopLevel(window);
    if (!top) return;
    int index = WindowIndex(top);
    PlatRect damaged{};
    {
        std::lock_guard<std::mutex> pixels(PixelLock(index));
        WindowRecord snap;
        Surface* s;
        {
            std::lock_guard<std::mutex> guard(g_table_lock);
            WindowRecord* rec = LookupWindow(top);
            if (!rec || !rec->surface) return;
            snap = *rec;
            s = rec->surface;
        }
        int w = s->width, h = s->height;
        int f = (snap.style & (STYLE_CAPTION | STYLE_SIZEFRAME)) ? PlatGetSystemMetric(METRIC_CXFRAME)
                : (snap.style & STYLE_BORDER) ? 1 : 0;
        if (f == 0 && !snap.menu) return;
        PlatRect c = ClientAreaOf(&snap);
        DrawContext* dc = PlatCreateMemoryContext(s);
        if (!dc) return;
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        if (f > 0) {
            FillSurface(s, PlatRect{0, 0, w, f}, SysColor(SYS_COLOR_FRAME));
            FillSurface(s, PlatRect{0, h - f, w, h}, SysColor(SYS_COLOR_FRAME));
            FillSurface(s, PlatRect{0, 0, f, h}, SysColor(SYS_COLOR_FRAME));
            FillSurface(s, PlatRect{w - f, 0, w, h}, SysColor(SYS_COLOR_FRAME));
            FillSurface(s, PlatRect{0, 0, w, 1}, SysColor(SYS_COLOR_FRAME_EDGE));
            FillSurface(s, PlatRect{0, h - 1, w, h}, SysColor(SYS_COLOR_FRAME_EDGE));
            FillSurface(s, PlatRect{0, 0, 1, h}, SysColor(SYS_COLOR_FRAME_EDGE));
            FillSurface(s, PlatRect{w - 1, 0, w, h}, SysColor(SYS_COLOR_FRAME_EDGE));
        }
        int cap = PlatGetSystemMetric(METRIC_CYCAPTION);
        int y = f;
        if ((snap.style & STYLE_CAPTION) == STYLE_CAPTION) {
            bool active = snap.active_caption;
            uint32_t back = SysColor(active ? SYS_COLOR_CAPTION_ACTIVE : SYS_COLOR_CAPTION_INACTIVE);
            uint32_t ink = SysColor(active ? SYS_COLOR_CAPTION_TEXT_ACTIVE : SYS_COLOR_CAPTION_TEXT_INACTIVE);
            FillSurface(s, PlatRect{f, f, w - f, f + cap}, back);
            TextMetrics tm;
            PlatGetTextMetrics(dc, &tm);
            PlatSetTextColor(dc, ink);
            int text_right = (snap.style & STYLE_SYSMENU) ? w - f - CLOSE_BOX_WIDTH : w - f;
            // Cut the caption text where it would run into the close box.
            int len = 0, width = 0;
            while (snap.text[len]) {
                int cw = PlatGetTextExtent(dc, &snap.text[len], 1).cx;
                if (f + 6 + width + cw > text_right - 2) break;
                width += cw;
                len++;
            }
            PlatTextOut(dc, f + 6, f + (cap - tm.height) / 2, snap.text, len);
            if (snap.style & STYLE_SYSMENU) {
                // A close box: an X of two diagonals.
                int cx = w - f - CLOSE_BOX_WIDTH / 2, cy = f + cap / 2;
                for (int d = -4; d <= 4; d++) {
                    FillSurface(s, PlatRect{cx + d, cy + d, cx + d + 1, cy + d + 1}, ink);
                    FillSurface(s, PlatRect{cx + d, cy - d, cx + d + 1, cy - d + 1}, ink);
                }
            }
            y += cap;
        }
        if (snap.menu) {
            int bar = PlatGetSystemMetric(METRIC_CYMENU);
            FillSurface(s, PlatRect{f, y, w - f, y + bar}, SysColor(SYS_COLOR_FACE));
            int lefts[32], widths[32];
            int n = LayoutMenuBar(snap.menu, dc, f, lefts, widths, 32);
            TextMetrics tm;
            PlatGetTextMetrics(dc, &tm);
            for (int i = 0; i < n; i++) {
                char16_t text[128];
                int id, state;
                PlatGetMenuItem(snap.menu, i, &id, &state, text, 128);
                if (i == snap.menu_hot)
                    FillSurface(s, PlatRect{lefts[i], y, lefts[i] + widths[i], y + bar}, SysColor(SYS_COLOR_MENU_HOT));
                DrawMenuText(dc, s, lefts[i] + MENU_ITEM_PAD, y + (bar - tm.height) / 2, text,
                             SysColor((state & MENU_GRAYED) == MENU_GRAYED ? SYS_COLOR_GRAY_TEXT : SYS_COLOR_MENU_TEXT));
            }
        }
        if (snap.ex_style & EXSTYLE_CLIENTEDGE) {
            FillSurface(s, PlatRect{c.left - 2, c.top - 2, c.right + 2, c.top - 1}, SysColor(SYS_COLOR_SHADOW));
            FillSurface(s, PlatRect{c.left - 2, c.top - 2, c.left - 1, c.bottom + 2}, SysColor(SYS_COLOR_SHADOW));
            FillSurface(s, PlatRect{c.left - 1, c.top - 1, c.right + 1, c.top}, SysColor(SYS_COLOR_DARK_SHADOW));
            FillSurface(s, PlatRect{c.left - 1, c.top - 1, c.left, c.bottom + 1}, SysColor(SYS_COLOR_DARK_SHADOW));
            FillSurface(s, PlatRect{c.left - 2, c.bottom + 1, c.right + 2, c.bottom + 2}, SysColor(SYS_COLOR_LIGHT_EDGE));
            FillSurface(s, PlatRect{c.right + 1, c.top - 2, c.right + 2, c.bottom + 2}, SysColor(SYS_COLOR_LIGHT_EDGE));
        }
        PlatDeleteContext(dc);
        damaged = PlatRect{0, 0, w, h};
    }
    PresentWindowRect(top, &damaged);
}

int MenuBarItemAt(WindowId window, int wx, int wy, PlatRect* item_rect) {
    WindowRecord snap;
    {
        std::lock_guard<std::mutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec || !rec->menu) return -1;
        snap = *rec;
    }
    int f = PlatGetSystemMetric(METRIC_CXFRAME);
    int y = f + ((snap.style & STYLE_CAPTION) == STYLE_CAPTION ? PlatGetSystemMetric(METRIC_CYCAPTION) : 0);
    int bar = PlatGetSystemMetric(METRIC_CYMENU);
    if (wy < y || wy >= y + bar) return -1;
    DrawContext* dc = PlatCreateMemoryContext(nullptr);
    if (!dc) return -1;
    PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
    int lefts[32], widths[32];
    int n = LayoutMenuBar(snap.menu, dc, f, lefts, widths, 32);
    PlatDeleteContext(dc);
    for (int i = 0; i < n; i++)
        if (wx >= lefts[i] && wx < lefts[i] + widths[i]) {
            if (item_rect) *item_rect = PlatRect{lefts[i], y, lefts[i] + widths[i], y + bar};
            return i;
        }
    return -1;
}

bool MenuBarClick(WindowId window, PlatPoint screen) {
    PlatRect wr;
    if (PlatGetWindowRect(window, &wr)) return false;
    int item = MenuBarItemAt(window, screen.x - wr.left, screen.y - wr.top, nullptr);
    if (item < 0) return false;
    Menu* menu = PlatGetWindowMenu(window);
    int id, state;
    char16_t text[8];
    if (!menu || PlatGetMenuItem(menu, item, &id, &state, text, 8)) return false;
    if ((state & MENU_GRAYED) == MENU_GRAYED) return true;
    PlatPostMessage(window, MSG_COMMAND, (uintptr_t)MakeParam(id, 0), 0);
    return true;
}

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

void RunMoveSizeLoop(WindowId window, int hit, PlatPoint start) {
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
        std::lock_guard<std::mutex> guard(g_table_lock);
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

static intptr_t OnDefaultNcButton(WindowId window, int hit, intptr_t lparam) {
    PlatPoint p{ParamX(lparam), ParamY(lparam)};
    switch (hit) {
    case HIT_CAPTION:
        PlatSetForegroundWindow(window);
        RunMoveSizeLoop(window, hit, p);
        return 0;
    case HIT_CLOSE:
        PlatPostMessage(window, MSG_CLOSE, 0, 0);
        return 0;
    case HIT_MENU:
        MenuBarClick(window, p);
        return 0;
    default:
        if (SizingEdge(hit)) {
            PlatSetForegroundWindow(window);
            RunMoveSizeLoop(window, hit, p);
        }
        return 0;
    }
}

static intptr_t OnDefaultActivate(WindowId window, uintptr_t wparam) {
    if ((wparam & 0xFF) == ACTIVE_NONE || (wparam & 0x100)) return 0;
    WindowId focus = PlatGetFocus();
    if (PlatGetTopLevel(focus) != window) PlatSetFocus(window);
    return 0;
}

static intptr_t OnDefaultSysKey(WindowId window, uintptr_t key) {
    if (key == (uintptr_t)KEY_F1 + 3) {   // Alt+F4
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
    case MSG_PAINT: {
        PlatRect r;
        PlatBeginPaint(window, &r);
        PlatEndPaint(window);
        return 0;
    }
    case MSG_CLOSE: PlatDestroyWindow(window); return 0;
    case MSG_NCLBUTTONDOWN: return OnDefaultNcButton(window, (int)wparam, lparam);
    case MSG_ACTIVATE: return OnDefaultActivate(window, wparam);
    case MSG_SYSKEYDOWN: return OnDefaultSysKey(window, wparam);
    case MSG_MOUSEWHEEL: return OnDefaultWheel(window, wparam, lparam);
    default: return 0;
    }
}
