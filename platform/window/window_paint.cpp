// Painting and invalidation: the invalid rectangle each window keeps (in client
// coordinates, children invalidated with the area of their parent they cover), the choice
// of the next window to paint, and the paint message with its Begin/End pair.
//
// Lock order as in the queues: the table lock may be taken before a queue lock.
#include "platform/window/window_paint.h"
#include "platform/layer_mutex.h"

// ---- Paint messages ---------------------------------------------------------------------

// Finds a window of this thread that needs painting: a parent before its children.
WindowId NextWindowToPaint(ThreadQueue* q) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowId found = 0;
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* r = &g_windows[i];
        if (!r->in_use || r->queue != q || !r->has_invalid) continue;
        WindowRecord* p = (r->style & STYLE_CHILD) ? LookupWindow(r->parent) : nullptr;
        if (p && p->has_invalid && p->queue == q) continue;
        found = MakeWindowId(i);
        break;
    }
    return found;
}

// Set by PlatBeginPaint while a paint message is being handled on this thread.
static thread_local bool tl_begin_paint_called = false;

// Sends a paint message. A procedure that did not paint must not get the same paint message
// forever, so its window is validated afterwards; one that called PlatBeginPaint is not,
// because another thread may have invalidated the window again meanwhile, and that newer
// damage must be painted by the next paint message.
intptr_t SendPaintMessage(WindowId window) {
    bool outer = tl_begin_paint_called;
    tl_begin_paint_called = false;
    intptr_t r = CallWindowProcedure(window, MSG_PAINT, 0, 0);
    if (!tl_begin_paint_called) PlatValidateRect(window, nullptr);
    tl_begin_paint_called = outer;
    return r;
}

// ---- Invalid rectangles ---------------------------------------------------------------

static bool VisibleChain(WindowRecord* rec) {
    while (rec) {
        if (!rec->visible) return false;
        if (!(rec->style & STYLE_CHILD)) return true;
        rec = LookupWindow(rec->parent);
    }
    return false;
}

static void InvalidateLocked(WindowId window, PlatRect r, bool erase, ThreadQueue** wake) {
    WindowRecord* rec = LookupWindow(window);
    if (!rec || !VisibleChain(rec)) return;
    PlatRect c = ClientAreaOf(rec);
    PlatRect full{0, 0, RectWidth(c), RectHeight(c)};
    r = RectIntersect(r, full);
    if (RectIsEmpty(r)) return;
    rec->invalid = rec->has_invalid ? RectUnion(rec->invalid, r) : r;
    rec->erase = rec->erase || erase;
    if (!rec->has_invalid) {
        rec->has_invalid = true;
        std::lock_guard<LayerMutex> guard(rec->queue->lock);
        rec->queue->paint_count++;
    }
    *wake = rec->queue;
    // Children drawn in this area must paint again over the parent.
    for (int i = 1; i < MAX_WINDOWS; i++) {
        WindowRecord* ch = &g_windows[i];
        if (!ch->in_use || !(ch->style & STYLE_CHILD) || ch->parent != window || !ch->visible) continue;
        PlatRect cr = RectIntersect(ch->rect, r);
        if (RectIsEmpty(cr)) continue;
        PlatRect cc = ClientAreaOf(ch);
        PlatRect local = RectOffset(cr, -ch->rect.left - cc.left, -ch->rect.top - cc.top);
        ThreadQueue* other = nullptr;
        InvalidateLocked(MakeWindowId(i), local, erase, &other);
        if (other && other != *wake) other->wake.notify_all();
    }
}

int PlatInvalidateRect(WindowId window, const PlatRect* rect, bool erase) {
    ThreadQueue* wake = nullptr;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        PlatRect r = rect ? *rect : PlatRect{-100000, -100000, 100000, 100000};
        InvalidateLocked(window, r, erase, &wake);
    }
    if (wake) wake->wake.notify_all();
    return 0;
}

int PlatValidateRect(WindowId window, const PlatRect* rect) {
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    if (!rec) return 1;
    if (!rec->has_invalid) return 0;
    if (rect) {
        // Only a rectangle that covers the whole invalid one validates it.
        PlatRect inter = RectIntersect(*rect, rec->invalid);
        if (inter.left != rec->invalid.left || inter.top != rec->invalid.top ||
            inter.right != rec->invalid.right || inter.bottom != rec->invalid.bottom)
            return 0;
    }
    rec->has_invalid = false;
    rec->erase = false;
    std::lock_guard<LayerMutex> q(rec->queue->lock);
    rec->queue->paint_count--;
    return 0;
}

int PlatUpdateWindow(WindowId window) {
    bool invalid;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        invalid = rec->has_invalid;
    }
    if (invalid && WindowQueue(window) == CurrentThreadQueue()) SendPaintMessage(window);
    return 0;
}

int PlatBeginPaint(WindowId window, PlatRect* invalid) {
    tl_begin_paint_called = true;
    PlatRect r{};
    bool erase = false;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(window);
        if (!rec) return 1;
        if (rec->has_invalid) {
            r = rec->invalid;
            erase = rec->erase;
            rec->has_invalid = false;
            rec->erase = false;
            std::lock_guard<LayerMutex> q(rec->queue->lock);
            rec->queue->paint_count--;
        }
    }
    if (erase) CallWindowProcedure(window, MSG_ERASEBKGND, 0, (intptr_t)&r);
    if (invalid) *invalid = r;
    return 0;
}

void PlatEndPaint(WindowId window) { (void)window; }
