// The non-client area, drawn by the layer on every backend: frame, caption with the window's
// text and a close box, the menu bar and the sunken client edge. This file knows where each
// part lies (hit testing, the close box, the menu bar's items) and paints them from the
// system palette; what a press on a part does is in nonclient_input.cpp.
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/menu.h"
#include "platform/window/window_core.h"

enum {
    CLOSE_BOX_WIDTH = 30,
    CLOSE_CROSS_ARM = 4,       // the close box's cross reaches this far from its centre
    CAPTION_TEXT_INDENT = 6,   // from the frame to the caption text
    CAPTION_TEXT_GAP = 2,      // kept free between the caption text and the close box
    SIZE_CORNER = 16,          // how far along an edge a press still drags the corner
    MENU_ITEM_PAD = 7,         // space left and right of a menu-bar item's text
    MAX_BAR_ITEMS = 32,
    MAX_ITEM_TEXT = 128
};

static bool HasCaption(uint32_t style) { return (style & STYLE_CAPTION) == STYLE_CAPTION; }

// The close box in window coordinates; empty for windows without one.
static PlatRect CloseBoxOf(const WindowRecord* rec) {
    if (!HasCaption(rec->style) || !(rec->style & STYLE_SYSMENU)) return PlatRect{};
    int w = RectWidth(rec->rect);
    int f = FrameWidth(rec->style), cap = PlatGetSystemMetric(METRIC_CYCAPTION);
    return PlatRect{w - f - CLOSE_BOX_WIDTH, f, w - f, f + cap};
}

bool CloseBoxRect(WindowId window, PlatRect* rect) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return false;
    *rect = CloseBoxOf(rec);
    return !RectIsEmpty(*rect);
}

// Which edge or corner of a sizing frame a point on the frame takes.
static int FrameHit(int w, int h, int f, int wx, int wy) {
    bool left = wx < f, right = wx >= w - f, top = wy < f, bottom = wy >= h - f;
    if ((top || bottom) && wx < SIZE_CORNER) return top ? HIT_TOPLEFT : HIT_BOTTOMLEFT;
    if ((top || bottom) && wx >= w - SIZE_CORNER) return top ? HIT_TOPRIGHT : HIT_BOTTOMRIGHT;
    if ((left || right) && wy < SIZE_CORNER) return left ? HIT_TOPLEFT : HIT_TOPRIGHT;
    if ((left || right) && wy >= h - SIZE_CORNER) return left ? HIT_BOTTOMLEFT : HIT_BOTTOMRIGHT;
    if (left) return HIT_LEFT;
    if (right) return HIT_RIGHT;
    if (top) return HIT_TOP;
    return HIT_BOTTOM;
}

int HitTestWindow(const WindowRecord* rec, int wx, int wy) {
    int w = RectWidth(rec->rect), h = RectHeight(rec->rect);
    if (wx < 0 || wy < 0 || wx >= w || wy >= h) return HIT_NOWHERE;
    PlatRect c = ClientAreaOf(rec);
    if (rec->ex_style & EXSTYLE_CLIENTEDGE)
        c = PlatRect{c.left - CLIENT_EDGE, c.top - CLIENT_EDGE, c.right + CLIENT_EDGE, c.bottom + CLIENT_EDGE};
    if (RectContains(c, wx, wy)) return HIT_CLIENT;
    if (rec->style & STYLE_CHILD) return HIT_BORDER;
    int f = PlatGetSystemMetric(METRIC_CXFRAME);
    bool has_frame = (rec->style & (STYLE_CAPTION | STYLE_SIZEFRAME)) != 0;
    if (has_frame && (wx < f || wy < f || wx >= w - f || wy >= h - f))
        return (rec->style & STYLE_SIZEFRAME) ? FrameHit(w, h, f, wx, wy) : HIT_BORDER;
    if (HasCaption(rec->style) && wy < f + PlatGetSystemMetric(METRIC_CYCAPTION))
        return RectContains(CloseBoxOf(rec), wx, wy) ? HIT_CLOSE : HIT_CAPTION;
    if (rec->menu) return HIT_MENU;
    return HIT_BORDER;
}

// ---- The menu bar's items ------------------------------------------------------------------

// The layout of a menu bar's items: left edges and widths, from the GUI font.
static int LayoutMenuBar(Menu* menu, DrawContext* dc, int x0, int* lefts, int* widths, int max) {
    int n = PlatGetMenuItemCount(menu);
    if (n > max) n = max;
    int x = x0;
    for (int i = 0; i < n; i++) {
        char16_t text[MAX_ITEM_TEXT], shown[MAX_ITEM_TEXT];
        int id, state;
        PlatGetMenuItem(menu, i, &id, &state, text, MAX_ITEM_TEXT);
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

// The top of the menu bar in window coordinates.
static int MenuBarTop(uint32_t style) {
    return FrameWidth(style) + (HasCaption(style) ? PlatGetSystemMetric(METRIC_CYCAPTION) : 0);
}

int MenuBarItemAt(WindowId window, int wx, int wy, PlatRect* item_rect) {
    WindowRecord snap;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec || !rec->menu) return -1;
        snap = *rec;
    }
    int y = MenuBarTop(snap.style), bar = PlatGetSystemMetric(METRIC_CYMENU);
    if (wy < y || wy >= y + bar) return -1;
    ContextPtr dc(PlatCreateMemoryContext(nullptr));
    if (!dc) return -1;
    PlatSelectFont(dc.get(), PlatGetStockFont(STOCK_GUI_FONT));
    int lefts[MAX_BAR_ITEMS], widths[MAX_BAR_ITEMS];
    int n = LayoutMenuBar(snap.menu, dc.get(), FrameWidth(snap.style), lefts, widths, MAX_BAR_ITEMS);
    for (int i = 0; i < n; i++)
        if (wx >= lefts[i] && wx < lefts[i] + widths[i]) {
            if (item_rect) *item_rect = PlatRect{lefts[i], y, lefts[i] + widths[i], y + bar};
            return i;
        }
    return -1;
}

// ---- Painting ------------------------------------------------------------------------------

// What one paint of a window's non-client area works with.
struct NcPaint {
    const WindowRecord* rec;   // a snapshot of the record
    DrawContext* dc;           // on the window's whole pixels
    int w, h, f;
};

static void Fill(const NcPaint& p, PlatRect r, uint32_t color) { PlatFillRect(p.dc, &r, color); }

static void PaintFrame(const NcPaint& p) {
    int w = p.w, h = p.h, f = p.f;
    uint32_t frame = SysColor(SYS_COLOR_FRAME), edge = SysColor(SYS_COLOR_FRAME_EDGE);
    Fill(p, PlatRect{0, 0, w, f}, frame);
    Fill(p, PlatRect{0, h - f, w, h}, frame);
    Fill(p, PlatRect{0, 0, f, h}, frame);
    Fill(p, PlatRect{w - f, 0, w, h}, frame);
    Fill(p, PlatRect{0, 0, w, 1}, edge);
    Fill(p, PlatRect{0, h - 1, w, h}, edge);
    Fill(p, PlatRect{0, 0, 1, h}, edge);
    Fill(p, PlatRect{w - 1, 0, w, h}, edge);
}

// The caption text, cut where it would run into the close box.
static void PaintCaptionText(const NcPaint& p, int text_right, uint32_t ink) {
    const char16_t* text = p.rec->text;
    int left = p.f + CAPTION_TEXT_INDENT, cap = PlatGetSystemMetric(METRIC_CYCAPTION);
    int len = 0, width = 0;
    while (text[len]) {
        int cw = PlatGetTextExtent(p.dc, &text[len], 1).cx;
        if (left + width + cw > text_right - CAPTION_TEXT_GAP) break;
        width += cw;
        len++;
    }
    TextMetrics tm;
    PlatGetTextMetrics(p.dc, &tm);
    PlatSetTextColor(p.dc, ink);
    PlatTextOut(p.dc, left, p.f + (cap - tm.height) / 2, text, len);
}

// The close box: a cross of two diagonals, on its own colour while it is held down.
static void PaintCloseBox(const NcPaint& p, PlatRect box, uint32_t ink) {
    if (p.rec->close_pressed) {
        Fill(p, box, SysColor(SYS_COLOR_CLOSE_PRESSED));
        ink = SysColor(SYS_COLOR_CLOSE_PRESSED_TEXT);
    }
    int cx = (box.left + box.right) / 2, cy = (box.top + box.bottom) / 2;
    for (int d = -CLOSE_CROSS_ARM; d <= CLOSE_CROSS_ARM; d++) {
        Fill(p, PlatRect{cx + d, cy + d, cx + d + 1, cy + d + 1}, ink);
        Fill(p, PlatRect{cx + d, cy - d, cx + d + 1, cy - d + 1}, ink);
    }
}

static void PaintCaption(const NcPaint& p) {
    bool active = p.rec->active_caption;
    uint32_t back = SysColor(active ? SYS_COLOR_CAPTION_ACTIVE : SYS_COLOR_CAPTION_INACTIVE);
    uint32_t ink = SysColor(active ? SYS_COLOR_CAPTION_TEXT_ACTIVE : SYS_COLOR_CAPTION_TEXT_INACTIVE);
    Fill(p, PlatRect{p.f, p.f, p.w - p.f, p.f + PlatGetSystemMetric(METRIC_CYCAPTION)}, back);
    PlatRect box = CloseBoxOf(p.rec);
    PaintCaptionText(p, RectIsEmpty(box) ? p.w - p.f : box.left, ink);
    if (!RectIsEmpty(box)) PaintCloseBox(p, box, ink);
}

// Draws one menu-bar item's text with its mnemonic underlined.
static void DrawMenuText(const NcPaint& p, int x, int y, const char16_t* text, uint32_t color) {
    PlatSetTextColor(p.dc, color);
    TextMetrics tm;
    PlatGetTextMetrics(p.dc, &tm);
    int pen = x;
    for (int j = 0; text[j] && text[j] != u'\t'; j++) {
        if (text[j] == u'&' && text[j + 1] != u'&' && text[j + 1]) {
            PlatSize ext = PlatGetTextExtent(p.dc, &text[j + 1], 1);
            Fill(p, PlatRect{pen, y + tm.ascent + 1, pen + ext.cx, y + tm.ascent + 2}, color);
            continue;
        }
        if (text[j] == u'&') j++;
        PlatTextOut(p.dc, pen, y, &text[j], 1);
        pen += PlatGetTextExtent(p.dc, &text[j], 1).cx;
    }
}

// The menu bar: its items in a row, the one held down on the highlight colour, greyed
// items in grey.
static void PaintMenuBar(const NcPaint& p) {
    int y = MenuBarTop(p.rec->style), bar = PlatGetSystemMetric(METRIC_CYMENU);
    Fill(p, PlatRect{p.f, y, p.w - p.f, y + bar}, SysColor(SYS_COLOR_FACE));
    int lefts[MAX_BAR_ITEMS], widths[MAX_BAR_ITEMS];
    int n = LayoutMenuBar(p.rec->menu, p.dc, p.f, lefts, widths, MAX_BAR_ITEMS);
    TextMetrics tm;
    PlatGetTextMetrics(p.dc, &tm);
    for (int i = 0; i < n; i++) {
        char16_t text[MAX_ITEM_TEXT];
        int id, state;
        PlatGetMenuItem(p.rec->menu, i, &id, &state, text, MAX_ITEM_TEXT);
        if (i == p.rec->menu_hot)
            Fill(p, PlatRect{lefts[i], y, lefts[i] + widths[i], y + bar}, SysColor(SYS_COLOR_MENU_HOT));
        bool greyed = (state & MENU_GRAYED) == MENU_GRAYED;
        DrawMenuText(p, lefts[i] + MENU_ITEM_PAD, y + (bar - tm.height) / 2, text,
                     SysColor(greyed ? SYS_COLOR_GRAY_TEXT : SYS_COLOR_MENU_TEXT));
    }
}

// The sunken edge around the client area: shadows above and left, light below and right.
static void PaintClientEdge(const NcPaint& p) {
    PlatRect c = ClientAreaOf(p.rec);
    uint32_t shadow = SysColor(SYS_COLOR_SHADOW), dark = SysColor(SYS_COLOR_DARK_SHADOW);
    uint32_t light = SysColor(SYS_COLOR_LIGHT_EDGE);
    Fill(p, PlatRect{c.left - 2, c.top - 2, c.right + 2, c.top - 1}, shadow);
    Fill(p, PlatRect{c.left - 2, c.top - 2, c.left - 1, c.bottom + 2}, shadow);
    Fill(p, PlatRect{c.left - 1, c.top - 1, c.right + 1, c.top}, dark);
    Fill(p, PlatRect{c.left - 1, c.top - 1, c.left, c.bottom + 1}, dark);
    Fill(p, PlatRect{c.left - 2, c.bottom + 1, c.right + 2, c.bottom + 2}, light);
    Fill(p, PlatRect{c.right + 1, c.top - 2, c.right + 2, c.bottom + 2}, light);
}

// Paints every part the snapshot has into its surface; false when it has none.
static bool PaintParts(const WindowRecord* snap) {
    Surface* s = snap->surface;
    int f = FrameWidth(snap->style);
    if (f == 0 && !snap->menu) return false;
    ContextPtr dc(PlatCreateMemoryContext(s));
    if (!dc) return false;
    PlatSelectFont(dc.get(), PlatGetStockFont(STOCK_GUI_FONT));
    PlatSetBackMode(dc.get(), BACK_TRANSPARENT);
    NcPaint p{snap, dc.get(), s->width, s->height, f};
    if (f > 0) PaintFrame(p);
    if (HasCaption(snap->style)) PaintCaption(p);
    if (snap->menu) PaintMenuBar(p);
    if (snap->ex_style & EXSTYLE_CLIENTEDGE) PaintClientEdge(p);
    return true;
}

void PaintNonClient(WindowId window) {
    WindowId top = PlatGetTopLevel(window);
    if (!top) return;
    PlatRect damaged{};
    {
        std::lock_guard<LayerMutex> pixels(PixelLock(WindowIndex(top)));
        WindowRecord snap;
        {
            std::lock_guard<LayerMutex> guard(g_table_lock);
            WindowRecord* rec = LookupWindow(top);
            if (!rec || !rec->surface) return;
            snap = *rec;
        }
        if (!PaintParts(&snap)) return;
        damaged = PlatRect{0, 0, snap.surface->width, snap.surface->height};
    }
    PresentWindowRect(top, &damaged);
}
