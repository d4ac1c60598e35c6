// Locked access to a window's pixels for drawing, and presentation of damaged rectangles:
// the backend gets the pixels while the layer holds them locked.
#include "platform/backend.h"
#include "platform/window/window_core.h"
#include "platform/window/window_pixels.h"

// The pixel locks this thread holds, innermost last, so that unlocking never depends on a
// window that may have gone meanwhile.
static thread_local WindowId tl_locked[8];
static thread_local int tl_locked_depth = 0;

int CreateWindowSurface(Surface** out, int width, int height) {
    const Backend* be = PlatBackend();
    const int stride = SurfaceStride(width, 32);
    if (be && be->alloc_window_pixels && be->free_window_pixels && stride > 0 && height > 0) {
        void* lent = nullptr;
        uint8_t* pixels = be->alloc_window_pixels((size_t)stride * (size_t)height, &lent);
        if (pixels) {
            if (PlatCreateSurfaceOn(out, width, height, pixels, be->free_window_pixels, lent) == 0) return 0;
            be->free_window_pixels(pixels, lent);
        }
    }
    return PlatCreateSurface(out, width, height, 32);
}

Surface* LockWindowPixels(WindowId window, PlatRect* client_in_surface, PlatRect* clip) {
    WindowId top = PlatGetTopLevel(window);
    if (!top || tl_locked_depth >= 8) return nullptr;
    LayerMutex& lock = PixelLock(WindowIndex(top));
    lock.lock();
    std::lock_guard<LayerMutex> guard(g_table_lock);
    WindowRecord* rec = LookupWindow(window);
    WindowRecord* top_rec = LookupWindow(top);
    if (!rec || !top_rec || !top_rec->surface) {
        lock.unlock();
        return nullptr;
    }
    // Client rectangle of the window in its top-level window's coordinates, clipped by
    // each parent's client area on the way up.
    PlatRect c = ClientRectOnScreen(rec);
    PlatRect visible = c;
    WindowRecord* p = rec;
    while (p && (p->style & STYLE_CHILD)) {
        p = LookupWindow(p->parent);
        if (p) visible = RectIntersect(visible, ClientRectOnScreen(p));
    }
    int ox = top_rec->rect.left, oy = top_rec->rect.top;
    PlatRect cs = RectOffset(c, -ox, -oy);
    PlatRect vs = RectOffset(visible, -ox, -oy);
    vs = RectIntersect(vs, PlatRect{0, 0, top_rec->surface->width, top_rec->surface->height});
    if (client_in_surface) *client_in_surface = cs;
    if (clip) *clip = vs;
    tl_locked[tl_locked_depth++] = top;
    return top_rec->surface;
}

// Hands the damaged rectangle (null: all) of a visible native window to the backend. The
// caller holds the window's pixel lock, so the backend sees the pixels whole and the surface
// cannot be replaced or freed while it reads them.
static void PresentLocked(WindowId top, const PlatRect* rect) {
    PixelView view;
    {
        std::lock_guard<LayerMutex> guard(g_table_lock);
        WindowRecord* rec = LookupWindow(top);
        if (!rec || !rec->native || !rec->visible || !rec->surface || rec->surface->bits != 32) return;
        const Surface* s = rec->surface;
        view = PixelView{s->pixels, s->width, s->height, s->stride, s->lent};
    }
    PlatRect all{0, 0, view.width, view.height};
    const Backend* be = PlatBackend();
    if (be && be->present) be->present(top, &view, rect ? rect : &all);
}

void UnlockWindowPixels(WindowId window, const PlatRect* damaged) {
    (void)window;
    if (tl_locked_depth <= 0) return;
    WindowId top = tl_locked[--tl_locked_depth];
    if (damaged && !RectIsEmpty(*damaged)) PresentLocked(top, damaged);
    PixelLock(WindowIndex(top)).unlock();
}

void PresentWindowRect(WindowId top, const PlatRect* rect) {
    std::lock_guard<LayerMutex> pixels(PixelLock(WindowIndex(top)));
    PresentLocked(top, rect);
}
