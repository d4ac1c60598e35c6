// Window geometry, showing, stacking, activation, keyboard focus and mouse capture.
// A top-level window's pixels follow its size: a new surface is made and the old pixels
// that still fit are kept, so a resized window never shows garbage before it repaints.
#include "platform/backend.h"
#include "platform/system.h"
#include "platform/window/window_core.h"
#include "platform/window/window_pixels.h"

#include <atomic>
#include <string.h>

WindowId pxk::g_focus = 0;
WindowId pxk::g_active = 0;
WindowId pxk::g_capture = 0;

int PlatGetWindowRect(WindowId window, PlatRect* rect) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !rect) return 1;
    *rect = OuterRectOnScreen(rec);
    return 0;
}

int PlatGetClientRect(WindowId window, PlatRect* rect) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !rect) return 1;
    PlatRect c = ClientAreaOf(rec);
    *rect = PlatRect{0, 0, RectWidth(c), RectHeight(c)};
    return 0;
}

int PlatGetClientOffset(WindowId window, PlatPoint* offset) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !offset) return 1;
    PlatRect c = ClientAreaOf(rec);
    *offset = PlatPoint{c.left, c.top};
    return 0;
}

void PlatClientToScreen(WindowId window, PlatPoint* point) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !point) return;
    PlatRect c = ClientRectOnScreen(rec);
    point->x += c.left;
    point->y += c.top;
}

void PlatScreenToClient(WindowId window, PlatPoint* point) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !point) return;
    PlatRect c = ClientRectOnScreen(rec);
    point->x -= c.left;
    point->y -= c.top;
}

// The part of a grown surface the old pixels do not cover gets the class background, so
// that what the screen shows there before the window repaints is never garbage.
static void FillUncovered(Surface* fresh, int kept_w, int kept_h, uint32_t background) {
    if (background == BACKGROUND_NONE) return;
    for (int y = 0; y < fresh->height; y++) {
        uint32_t* row = (uint32_t*)SurfaceRow(fresh, y);
        for (int x = y < kept_h ? kept_w : 0; x < fresh->width; x++) row[x] = background;
    }
}

// Replaces a top-level window's surface by one of the new size, keeping what fits.
static void ResizeSurface(WindowId window, int w, int h) {
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    Surface* raw = nullptr;
    if (CreateWindowSurface(&raw, w, h) != 0) return;
    // Whichever surface is left over goes after the locks are released.
    SurfacePtr fresh(raw), old;
    {
        std::lock_guard<LayerMutex> pixels(PixelLock(WindowIndex(window)));
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return;
        old.reset(rec->surface);
        int cw = 0, ch = 0;
        if (old) {
            cw = old->width < w ? old->width : w;
            ch = old->height < h ? old->height : h;
            for (int y = 0; y < ch; y++) memcpy(SurfaceRow(fresh.get(), y), SurfaceRow(old.get(), y), (size_t)cw * 4);
        }
        FillUncovered(fresh.get(), cw, ch, g_classes[rec->class_index].background);
        rec->surface = fresh.release();
    }
}

int PlatSetWindowPos(WindowId window, int x, int y, int width, int height, uint32_t flags) {
    PlatParkIfFenced();
    bool moved = false, sized = false, top = false, visible = false;
    PlatRect outer, before;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        PlatRect r = rec->rect;
        if (!(flags & MOVE_NOMOVE)) {
            moved = (x != r.left || y != r.top);
            r = RectOffset(r, x - r.left, y - r.top);
        }
        if (!(flags & MOVE_NOSIZE)) {
            if (width < 0) width = 0;
            if (height < 0) height = 0;
            sized = (width != RectWidth(r) || height != RectHeight(r));
            r.right = r.left + width;
            r.bottom = r.top + height;
        }
        before = rec->rect;
        rec->rect = r;
        top = !(rec->style & STYLE_CHILD);
        visible = rec->visible;
        if (!(flags & MOVE_NOZORDER) && top) rec->z = NextStackingStamp();
        outer = r;
    }
    if (!top && visible && (moved || sized)) {
        // The parent repaints where the child was and where it is now.
        WindowId parent = PlatGetParent(window);
        PlatInvalidateRect(parent, &before, true);
        PlatInvalidateRect(parent, &outer, true);
    }
    if (top && sized) ResizeSurface(window, RectWidth(outer), RectHeight(outer));
    if (top && (moved || sized)) {
        const Backend* be = PlatBackend();
        if (be && be->move_window) be->move_window(window, &outer);
    }
    if (sized) {
        if (top) PaintNonClient(window);
        PlatInvalidateRect(window, nullptr, true);
        PlatRect c{};
        PlatGetClientRect(window, &c);
        NotifyWindow(window, MSG_SIZE, SIZE_RESTORED, MakeParam(RectWidth(c), RectHeight(c)));
    }
    if (moved) {
        PlatPoint p{0, 0};
        PlatClientToScreen(window, &p);
        NotifyWindow(window, MSG_MOVE, 0, MakeParam(p.x, p.y));
    }
    if (flags & MOVE_SHOW) PlatShowWindow(window, SHOW_NOACTIVATE);
    return 0;
}

int PlatMoveWindow(WindowId window, int x, int y, int width, int height) {
    return PlatSetWindowPos(window, x, y, width, height, MOVE_NOZORDER);
}

int PlatShowWindow(WindowId window, int how) {
    PlatParkIfFenced();
    bool top, change;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        bool show = how != SHOW_HIDE;
        change = rec->visible != show;
        rec->visible = show;
        top = !(rec->style & STYLE_CHILD);
        if (show && top) rec->z = NextStackingStamp();
    }
    if (!change) return 0;
    if (top) {
        if (how != SHOW_HIDE) {
            PaintNonClient(window);
            PlatInvalidateRect(window, nullptr, true);
            // The backend has all the pixels before the window appears, so the first thing on
            // screen is what the layer holds (the class background where nothing was drawn).
            PresentWindowRect(window, nullptr);
        }
        const Backend* be = PlatBackend();
        if (be && be->show_window) be->show_window(window, how != SHOW_HIDE);
        if (how == SHOW_NORMAL) ActivateTopLevel(window, ACTIVE_ACTIVE);
    } else {
        PlatRect r;
        {
            std::lock_guard<LayerMutex> guard(g_table_lock);
            WindowRecord* rec = LookupWindow(window);
            r = rec ? rec->rect : PlatRect{};
        }
        PlatInvalidateRect(PlatGetParent(window), &r, true);
        if (how != SHOW_HIDE) PlatInvalidateRect(window, nullptr, true);
    }
    NotifyWindow(window, MSG_SHOWWINDOW, how != SHOW_HIDE, 0);
    return 0;
}

bool PlatIsVisible(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    while (rec) {
        if (!rec->visible) return false;
        if (!(rec->style & STYLE_CHILD)) return true;
        rec = LookupWindow(rec->parent);
    }
    return false;
}

// Makes `top` the active top-level window, with MSG_ACTIVATE to the old and the new one.
void ActivateTopLevel(WindowId top, int how) {
    WindowId old;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(top);
        if (!rec || (rec->style & STYLE_POPUP)) return;
        old = g_active;
        if (old == top) return;
        g_active = top;
        rec->active_caption = true;
        if (WindowRecord* o = LookupWindow(old)) o->active_caption = false;
    }
    if (old) {
        PaintNonClient(old);
        NotifyWindow(old, MSG_ACTIVATE, ACTIVE_NONE, (intptr_t)top);
    }
    PaintNonClient(top);
    NotifyWindow(top, MSG_ACTIVATE, (uintptr_t)how, (intptr_t)old);
}

void ActivateFromInput(WindowId top) {
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(top);
        if (!rec) return;
        rec->z = NextStackingStamp();
    }
    ActivateTopLevel(top, ACTIVE_CLICK);
}

int PlatSetForegroundWindow(WindowId window) {
    PlatParkIfFenced();
    WindowId top = PlatGetTopLevel(window);
    if (!top) return 1;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        if (WindowRecord* rec = LookupWindow(top)) rec->z = NextStackingStamp();
    }
    const Backend* be = PlatBackend();
    if (be && be->raise_window) be->raise_window(top);
    WindowId was_active;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        was_active = g_active;
    }
    if (was_active == top) {
        // Already active: make sure the keyboard goes there.
        WindowId focus = PlatGetFocus();
        if (PlatGetTopLevel(focus) != top) PlatSetFocus(top);
    } else {
        ActivateTopLevel(top, ACTIVE_ACTIVE);
    }
    return 0;
}

WindowId PlatGetForegroundWindow(void) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    return g_active;
}

WindowId PlatGetActiveWindow(void) { return PlatGetForegroundWindow(); }

// A move counts as begun when the focus changes and as finished once both windows have
// handled their notifications, which is when an edit's owner has taken its text.
static std::atomic<uint64_t> g_focus_moves_begun{0};
static std::atomic<uint64_t> g_focus_moves_finished{0};

void PlatFocusMoves(uint64_t* begun, uint64_t* finished) {
    // Finished first: read the other way round, a move could finish between the two reads
    // and look finished without having begun.
    *finished = g_focus_moves_finished.load(std::memory_order_acquire);
    *begun = g_focus_moves_begun.load(std::memory_order_acquire);
}

static void NotifyFocusMove(WindowId old, WindowId window);

WindowId PlatSetFocus(WindowId window) {
    PlatParkIfFenced();
    WindowId old;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        if (window && !LookupWindow(window)) return 0;
        old = g_focus;
        if (old == window) return old;
        g_focus = window;
        g_focus_moves_begun.fetch_add(1, std::memory_order_acq_rel);
    }
    NotifyFocusMove(old, window);
    g_focus_moves_finished.fetch_add(1, std::memory_order_acq_rel);
    return old;
}

static void NotifyFocusMove(WindowId old, WindowId window) {
    if (old) NotifyWindow(old, MSG_KILLFOCUS, window, 0);
    if (window) {
        WindowId top = PlatGetTopLevel(window);
        WindowId active = PlatGetActiveWindow();
        if (top != active) {
            // Focus into another top-level window activates it first.
            {
                std::lock_guard<LayerMutex> guard(g_table_lock);
                WindowRecord* rec = LookupWindow(top);
                WindowRecord* o = LookupWindow(active);
                if (rec && !(rec->style & STYLE_POPUP)) {
                    g_active = top;
                    rec->active_caption = true;
                    if (o) o->active_caption = false;
                } else {
                    active = top;   // popups never take activation
                }
            }
            if (top != active) {
                if (active) {
                    PaintNonClient(active);
                    NotifyWindow(active, MSG_ACTIVATE, ACTIVE_NONE, (intptr_t)top);
                }
                PaintNonClient(top);
                NotifyWindow(top, MSG_ACTIVATE, ACTIVE_ACTIVE | ACTIVE_BY_FOCUS, (intptr_t)active);
            }
        }
        NotifyWindow(window, MSG_SETFOCUS, old, 0);
    }
}

WindowId PlatGetFocus(void) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    return g_focus;
}

int PlatEnableWindow(WindowId window, bool enable) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return 1;
    if (enable) rec->style &= ~STYLE_DISABLED;
    else rec->style |= STYLE_DISABLED;
    return 0;
}

bool PlatIsEnabled(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    return rec && !(rec->style & STYLE_DISABLED);
}

WindowId PlatSetCapture(WindowId window) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowId old = g_capture;
    g_capture = LookupWindow(window) ? window : 0;
    return old;
}

void PlatReleaseCapture(void) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    g_capture = 0;
}

WindowId PlatGetCapture(void) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    return g_capture;
}

// Deepest visible, enabled child of `window` under a screen point (the lock is held).
static WindowId ChildAt(WindowId window, PlatPoint p) {
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return 0;
    PlatRect client = ClientRectOnScreen(rec);
    if (!RectContains(client, p.x, p.y)) return window;
    WindowId best = 0;
    uint64_t best_z = 0;
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* c = &g_windows[i];
        if (!c->in_use || c->destroying || !(c->style & STYLE_CHILD) || c->parent != window || !c->visible)
            continue;
        if (c->style & STYLE_DISABLED) continue;
        PlatRect r = OuterRectOnScreen(c);
        if (RectContains(r, p.x, p.y) && c->z >= best_z) {
            best = MakeWindowId(i);
            best_z = c->z;
        }
    }
    return best ? ChildAt(best, p) : window;
}

// The top-level window under a screen point, by stacking (topmost windows first).
WindowId TopLevelAt(PlatPoint p) {
    WindowId best = 0;
    uint64_t best_key = 0;
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->destroying || (r->style & STYLE_CHILD) || !r->visible) continue;
        if (!RectContains(r->rect, p.x, p.y)) continue;
        uint64_t key = r->z + ((r->style & STYLE_POPUP) || (r->ex_style & EXSTYLE_TOPMOST) ? (1ull << 62) : 0);
        if (key > best_key) {
            best_key = key;
            best = MakeWindowId(i);
        }
    }
    return best;
}

WindowId ChildWindowAt(WindowId top, PlatPoint p) { return ChildAt(top, p); }

WindowId PlatWindowFromPoint(PlatPoint screen) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowId top = TopLevelAt(screen);
    return top ? ChildAt(top, screen) : 0;
}
