// Popup menus, drawn and tracked by the layer. A popup is an override-redirect STYLE_POPUP
// window per open level (the menu and its open submenus), drawn with the GUI font: a check
// mark column, the item text with its & mnemonic underlined, the shortcut text after '\t'
// right-aligned, an arrow for submenus, greyed text for disabled items, thin separators.
//
// Tracking runs on the calling thread in a nested pump, with the pointer captured by the
// first level: moving highlights (and opens a submenu), releasing a button on an enabled
// item or pressing Enter chooses it, Esc or a press outside every level dismisses the menu.
// The chosen id is posted to the owner as MSG_COMMAND. A quit posted meanwhile ends the
// tracking and stays posted for the loops outside.
#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/window/menu.h"
#include "platform/window/menu_data.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <atomic>
#include <mutex>
#include <string.h>

enum {
    MAX_LEVELS = 8,
    ITEM_HEIGHT = 22,
    SEPARATOR_HEIGHT = 7,
    CHECK_COLUMN = 24,
    ARROW_COLUMN = 20,
    SHORTCUT_GAP = 24,
    MENU_BORDER = 1,
    MIN_MENU_WIDTH = 80
};

static const char* const POPUP_CLASS = "plat_popup";

struct Level {
    Menu* menu;
    WindowId window;
    PlatRect rect;           // screen
    int hot;                 // highlighted item or -1
};

struct Tracking {
    Level levels[MAX_LEVELS];
    int depth;
    int chosen;              // item id, 0 when dismissed
    bool done;
};

static std::atomic<WindowId> g_tracked{0};
static thread_local Tracking* tl_tracking = nullptr;

WindowId PlatGetTrackedMenuWindow(void) { return g_tracked.load(std::memory_order_acquire); }

static const MenuItem& ItemOf(const Menu* menu, int i) { return menu->items[i]; }

static int ItemHeight(const MenuItem& item) { return item.separator ? SEPARATOR_HEIGHT : ITEM_HEIGHT; }

static bool ItemGreyed(const MenuItem& item) { return (item.state & MENU_GRAYED) == MENU_GRAYED; }

// The item's text without the shortcut part and without '&' markers; the mnemonic's index in
// the result goes to *mnemonic (-1 for none). Returns the length.
static int ShownText(const char16_t* text, char16_t* out, int* mnemonic, const char16_t** shortcut) {
    int k = 0;
    *mnemonic = -1;
    *shortcut = nullptr;
    for (int j = 0; text[j]; j++) {
        if (text[j] == u'\t') {
            *shortcut = &text[j + 1];
            break;
        }
        if (text[j] == u'&' && text[j + 1] && text[j + 1] != u'&') {
            *mnemonic = k;
            continue;
        }
        if (text[j] == u'&' && text[j + 1] == u'&') j++;
        out[k++] = text[j];
    }
    out[k] = 0;
    return k;
}

// Size of a menu's window for its items.
static PlatSize MeasureMenu(const Menu* menu) {
    ContextPtr owned(PlatCreateMemoryContext(nullptr));
    DrawContext* dc = owned.get();
    int text_w = 0, short_w = 0, h = 2 * MENU_BORDER + 2;
    if (dc) PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
    for (int i = 0; i < menu->count; i++) {
        const MenuItem& item = ItemOf(menu, i);
        h += ItemHeight(item);
        if (item.separator || !dc) continue;
        char16_t shown[MAX_MENU_TEXT];
        int mn;
        const char16_t* sc;
        int n = ShownText(item.text, shown, &mn, &sc);
        PlatSize ext = PlatGetTextExtent(dc, shown, n);
        if (ext.cx > text_w) text_w = ext.cx;
        if (sc) {
            int sw = PlatGetTextExtent(dc, sc, Utf16Length(sc)).cx;
            if (sw > short_w) short_w = sw;
        }
    }
    int w = 2 * MENU_BORDER + CHECK_COLUMN + text_w + (short_w ? SHORTCUT_GAP + short_w : 0) + ARROW_COLUMN;
    if (w < MIN_MENU_WIDTH) w = MIN_MENU_WIDTH;
    return PlatSize{w, h};
}

// The item's rectangle in the menu window's client coordinates.
static PlatRect ItemRect(const Menu* menu, int index, int width) {
    int y = MENU_BORDER + 1;
    for (int i = 0; i < index; i++) y += ItemHeight(ItemOf(menu, i));
    return PlatRect{MENU_BORDER, y, width - MENU_BORDER, y + ItemHeight(ItemOf(menu, index))};
}

static void Fill(DrawContext* dc, int l, int t, int r, int b, uint32_t color) {
    PlatRect rect{l, t, r, b};
    PlatFillRect(dc, &rect, color);
}

static void DrawCheck(DrawContext* dc, int x, int y, uint32_t ink) {
    // A check mark: a short stroke down and a long one up.
    for (int i = 0; i < 3; i++) Fill(dc, x + i, y + i, x + i + 2, y + i + 2, ink);
    for (int i = 0; i < 6; i++) Fill(dc, x + 3 + i, y + 1 - i, x + 5 + i, y + 3 - i, ink);
}

static void DrawArrow(DrawContext* dc, int x, int y, uint32_t ink) {
    for (int i = 0; i < 4; i++) Fill(dc, x + i, y - 3 + i, x + i + 1, y + 4 - i, ink);
}

static void PaintItem(DrawContext* dc, const Menu* menu, int i, int width, bool hot) {
    const MenuItem& item = ItemOf(menu, i);
    PlatRect r = ItemRect(menu, i, width);
    if (item.separator) {
        int y = (r.top + r.bottom) / 2;
        Fill(dc, r.left + CHECK_COLUMN, y, r.right - 2, y + 1, SysColor(SYS_COLOR_MENU_SEPARATOR));
        return;
    }
    if (hot) Fill(dc, r.left + 1, r.top, r.right - 1, r.bottom, SysColor(SYS_COLOR_MENU_HOT));
    uint32_t ink = SysColor(ItemGreyed(item) ? SYS_COLOR_GRAY_TEXT : SYS_COLOR_MENU_TEXT);
    PlatSetTextColor(dc, ink);
    TextMetrics tm;
    PlatGetTextMetrics(dc, &tm);
    int ty = r.top + (ITEM_HEIGHT - tm.height) / 2;
    char16_t shown[MAX_MENU_TEXT];
    int mn;
    const char16_t* sc;
    int n = ShownText(item.text, shown, &mn, &sc);
    int x = r.left + CHECK_COLUMN;
    PlatTextOut(dc, x, ty, shown, n);
    if (mn >= 0 && mn < n) {
        int ux = x + PlatGetTextExtent(dc, shown, mn).cx;
        int uw = PlatGetTextExtent(dc, &shown[mn], 1).cx;
        Fill(dc, ux, ty + tm.ascent + 1, ux + uw, ty + tm.ascent + 2, ink);
    }
    if (sc) {
        int len = Utf16Length(sc);
        int sw = PlatGetTextExtent(dc, sc, len).cx;
        PlatTextOut(dc, r.right - ARROW_COLUMN - sw, ty, sc, len);
    }
    if (item.state & MENU_CHECKED) DrawCheck(dc, r.left + 7, r.top + ITEM_HEIGHT / 2 - 1, ink);
    if (item.submenu) DrawArrow(dc, r.right - 12, r.top + ITEM_HEIGHT / 2, ink);
}

static Level* LevelOfWindow(WindowId window) {
    Tracking* t = tl_tracking;
    if (!t) return nullptr;
    for (int i = 0; i < t->depth; i++)
        if (t->levels[i].window == window) return &t->levels[i];
    return nullptr;
}

static intptr_t OnPopupPaint(WindowId window) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    Level* level = LevelOfWindow(window);
    DrawContext* dc = PlatGetWindowContext(window);
    if (level && dc) {
        int w = RectWidth(level->rect), h = RectHeight(level->rect);
        Fill(dc, 0, 0, w, h, SysColor(SYS_COLOR_MENU_FRAME));
        Fill(dc, MENU_BORDER, MENU_BORDER, w - MENU_BORDER, h - MENU_BORDER, SysColor(SYS_COLOR_MENU));
        PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
        PlatSetBackMode(dc, BACK_TRANSPARENT);
        for (int i = 0; i < level->menu->count; i++) PaintItem(dc, level->menu, i, w, i == level->hot);
    }
    PlatEndPaint(window);
    return 0;
}

static intptr_t PopupProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    switch (msg) {
    case MSG_PAINT: return OnPopupPaint(window);
    case MSG_ERASEBKGND: return 1;
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}

static void RegisterPopupClass(void) {
    static std::once_flag once;
    std::call_once(once, [] {
        WindowClassDesc d{POPUP_CLASS, PopupProc, 0, BACKGROUND_NONE};
        PlatRegisterClass(&d);
    });
}

// Opens a level for the menu with its top-left at (x, y), kept on the screen.
static bool OpenLevel(Tracking* t, Menu* menu, int x, int y, int avoid_left) {
    if (t->depth >= MAX_LEVELS || !menu) return false;
    PlatSize size = MeasureMenu(menu);
    int sx = PlatGetSystemMetric(METRIC_CXSCREEN), sy = PlatGetSystemMetric(METRIC_CYSCREEN);
    if (x + size.cx > sx) x = avoid_left >= 0 ? avoid_left - size.cx : sx - size.cx;
    if (y + size.cy > sy) y = sy - size.cy;
    if (x < 0) x = 0;
    if (y < 0) y = 0;
    WindowCreate c{};
    c.class_name = POPUP_CLASS;
    c.style = STYLE_POPUP;
    c.ex_style = EXSTYLE_TOPMOST;
    c.x = x;
    c.y = y;
    c.width = size.cx;
    c.height = size.cy;
    Level& level = t->levels[t->depth];
    level = Level{menu, 0, PlatRect{x, y, x + size.cx, y + size.cy}, -1};
    t->depth++;
    level.window = PlatCreateWindow(&c);
    if (!level.window) {
        t->depth--;
        return false;
    }
    PlatSetWindowData(level.window, (intptr_t)menu);
    PlatShowWindow(level.window, SHOW_NOACTIVATE);
    PlatInvalidateRect(level.window, nullptr, false);
    g_tracked.store(level.window, std::memory_order_release);
    return true;
}

static void CloseLevelsFrom(Tracking* t, int depth) {
    while (t->depth > depth) {
        t->depth--;
        PlatDestroyWindow(t->levels[t->depth].window);
    }
    g_tracked.store(t->depth > 0 ? t->levels[t->depth - 1].window : 0, std::memory_order_release);
}

// The level and item under a screen point; false when the point is on no level.
static bool HitItem(Tracking* t, PlatPoint p, int* level, int* item) {
    for (int d = t->depth - 1; d >= 0; d--) {
        const Level& lv = t->levels[d];
        if (!RectContains(lv.rect, p.x, p.y)) continue;
        *level = d;
        *item = -1;
        for (int i = 0; i < lv.menu->count; i++) {
            PlatRect r = RectOffset(ItemRect(lv.menu, i, RectWidth(lv.rect)), lv.rect.left, lv.rect.top);
            if (RectContains(r, p.x, p.y) && !ItemOf(lv.menu, i).separator) *item = i;
        }
        return true;
    }
    return false;
}

static void SetHot(Tracking* t, int d, int item) {
    Level& lv = t->levels[d];
    if (lv.hot == item) return;
    lv.hot = item;
    PlatInvalidateRect(lv.window, nullptr, false);
}

// Highlights an item; a submenu item opens its submenu beside it.
static void HoverItem(Tracking* t, int d, int item) {
    if (d + 1 < t->depth && t->levels[d].hot == item) return;
    SetHot(t, d, item);
    CloseLevelsFrom(t, d + 1);
    Level& lv = t->levels[d];
    if (item >= 0 && ItemOf(lv.menu, item).submenu && !ItemGreyed(ItemOf(lv.menu, item))) {
        PlatRect r = RectOffset(ItemRect(lv.menu, item, RectWidth(lv.rect)), lv.rect.left, lv.rect.top);
        OpenLevel(t, ItemOf(lv.menu, item).submenu, lv.rect.right - 2, r.top - MENU_BORDER - 1, lv.rect.left);
    }
}

static void ChooseItem(Tracking* t, int d, int item) {
    if (item < 0) return;
    const MenuItem& it = ItemOf(t->levels[d].menu, item);
    if (it.separator || ItemGreyed(it)) return;
    if (it.submenu) {
        HoverItem(t, d, item);
        if (t->depth > d + 1) {
            Level& sub = t->levels[d + 1];
            for (int i = 0; i < sub.menu->count; i++)
                if (!ItemOf(sub.menu, i).separator) {
                    SetHot(t, d + 1, i);
                    break;
                }
        }
        return;
    }
    t->chosen = it.id;
    t->done = true;
}

// Next selectable item from `from` in direction step, wrapping; -1 when there is none.
static int StepItem(const Menu* menu, int from, int step) {
    int n = menu->count;
    int start = from >= 0 ? from : (step > 0 ? n - 1 : 0);
    for (int k = 1; k <= n; k++) {
        int i = ((start + step * k) % n + n) % n;
        if (!ItemOf(menu, i).separator) return i;
    }
    return -1;
}

static void OnTrackKey(Tracking* t, int key) {
    int d = t->depth - 1;
    Level& lv = t->levels[d];
    switch (key) {
    case KEY_ESCAPE: t->done = true; break;
    case KEY_UP: SetHot(t, d, StepItem(lv.menu, lv.hot, -1)); break;
    case KEY_DOWN: SetHot(t, d, StepItem(lv.menu, lv.hot, 1)); break;
    case KEY_RIGHT:
        if (lv.hot >= 0 && ItemOf(lv.menu, lv.hot).submenu) ChooseItem(t, d, lv.hot);
        break;
    case KEY_LEFT:
        if (d > 0) CloseLevelsFrom(t, d);
        break;
    case KEY_RETURN: ChooseItem(t, d, lv.hot); break;
    default: break;
    }
}

static bool IsPress(int type) {
    return type == MSG_LBUTTONDOWN || type == MSG_RBUTTONDOWN || type == MSG_MBUTTONDOWN ||
           type == MSG_LBUTTONDBLCLK || type == MSG_RBUTTONDBLCLK || type == MSG_NCLBUTTONDOWN ||
           type == MSG_NCRBUTTONDOWN || type == MSG_NCLBUTTONDBLCLK;
}

// Handles one message of the tracking loop; false for messages that are not the menu's.
static bool TrackMessage(Tracking* t, const Message& m, bool* moved) {
    int d, item;
    switch (m.type) {
    case MSG_MOUSEMOVE:
    case MSG_NCMOUSEMOVE:
        *moved = true;
        if (HitItem(t, m.point, &d, &item)) HoverItem(t, d, item);
        return true;
    case MSG_LBUTTONUP:
    case MSG_RBUTTONUP:
        // The release of the press that opened the menu chooses nothing unless the pointer moved.
        if (*moved && HitItem(t, m.point, &d, &item)) ChooseItem(t, d, item);
        return true;
    case MSG_KEYDOWN:
    case MSG_SYSKEYDOWN: OnTrackKey(t, (int)m.wparam); return true;
    case MSG_KEYUP:
    case MSG_CHAR:
    case MSG_MOUSEWHEEL: return true;
    default:
        if (IsPress(m.type)) {
            *moved = true;
            if (!HitItem(t, m.point, &d, &item)) t->done = true;
            return true;
        }
        return false;
    }
}

int PlatTrackPopupMenu(Menu* menu, int x, int y, WindowId owner) {
    if (!menu || menu->count == 0 || tl_tracking) return 0;
    RegisterPopupClass();
    Tracking t{};
    tl_tracking = &t;
    if (!OpenLevel(&t, menu, x, y, -1)) {
        tl_tracking = nullptr;
        return 0;
    }
    WindowId root = t.levels[0].window;
    WindowId old_capture = PlatSetCapture(root);
    (void)old_capture;
    bool moved = false;
    Message m;
    while (!t.done && PlatIsWindow(root)) {
        if (!PlatGetMessage(&m)) break;   // the quit stays posted for the loops outside
        if (TrackMessage(&t, m, &moved)) continue;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
    if (PlatGetCapture() == root) PlatReleaseCapture();
    // The choice is queued before the menu is seen to close: input that arrives once it has
    // closed (a click that a script or a quick hand sends next) comes after the command.
    if (t.chosen && owner) PlatPostMessage(owner, MSG_COMMAND, (uintptr_t)MakeParam(t.chosen, 0), 0);
    CloseLevelsFrom(&t, 0);
    tl_tracking = nullptr;
    return t.chosen;
}

bool PlatGetTrackedMenuItemRect(int position, PlatRect* rect) {
    WindowId w = PlatGetTrackedMenuWindow();
    if (!w || !rect) return false;
    // Recomputed from the window's rectangle and the menu it shows (kept with the window),
    // so any thread may ask.
    Menu* menu = (Menu*)PlatGetWindowData(w);
    if (!menu || position < 0 || position >= menu->count) return false;
    PlatRect wr;
    if (PlatGetWindowRect(w, &wr) != 0) return false;
    *rect = RectOffset(ItemRect(menu, position, RectWidth(wr)), wr.left, wr.top);
    return true;
}
