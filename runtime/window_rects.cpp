// The window rectangle list and the snapping step of dragged windows.
#include "window_rects.h"
#include "startup_state.h"
#include "window_kinds.h"

#include "platform/window/window.h"

WindowRectList pxk::window_rect_list{};

enum { WALL = 1000 };

static void StoreEntry(int i, const PlatRect& r) {
    window_rect_list.left[i].store(r.left, std::memory_order_relaxed);
    window_rect_list.top[i].store(r.top, std::memory_order_relaxed);
    window_rect_list.right[i].store(r.right, std::memory_order_relaxed);
    window_rect_list.bottom[i].store(r.bottom, std::memory_order_relaxed);
}

static int AppendWindow(PlatRect* list, int n, WindowId window) {
    if (!window || n >= WINDOW_RECT_MAX) return n;
    PlatRect r;
    if (PlatGetWindowRect(window, &r) == 0) list[n++] = r;
    return n;
}

void CollectWindowRects(void) {
    PlatRect list[WINDOW_RECT_MAX];
    int cx = PlatGetSystemMetric(METRIC_CXFULLSCREEN);
    int h = PlatGetSystemMetric(METRIC_CYFULLSCREEN) + PlatGetSystemMetric(METRIC_CYCAPTION);
    int n = 0;
    list[n++] = PlatRect{-WALL, 0, 0, h};
    list[n++] = PlatRect{0, -WALL, cx, 0};
    list[n++] = PlatRect{cx, 0, cx + WALL, h};
    list[n++] = PlatRect{0, h, cx, h + WALL};
    // Every window could be open at once (512 slots, two boxes, the main window): the list
    // keeps the first 260 and leaves the rest out.
    n = AppendWindowKindRects(list, n, WINDOW_RECT_MAX);
    n = AppendWindow(list, n, main_window.load(std::memory_order_acquire));
    // Entries first, then the count: a reader never counts entries that were not written.
    int old = window_rect_list.count.load(std::memory_order_relaxed);
    if (n < old) window_rect_list.count.store(n, std::memory_order_release);
    for (int i = 0; i < n; i++) StoreEntry(i, list[i]);
    window_rect_list.count.store(n, std::memory_order_release);
}

static int Abs(int v) { return v < 0 ? -v : v; }

// Distances are measured from the proposed edges, but overlap is judged where the window
// is after the shifts made so far: a window docked beside another touches it and so may then
// align its top with it (taken literally from the proposed edges, a window dropped a few
// pixels beside another would never align, and one docked below would never align sides).
static bool Overlaps(int a0, int a1, int b0, int b1) { return a0 <= b1 && a1 >= b0; }

PlatRect SnapRect(const PlatRect* entries, int count, PlatRect own, PlatRect proposed) {
    const int L = proposed.left, T = proposed.top, R = proposed.right, B = proposed.bottom;
    PlatRect out = proposed;
    bool x_done = false, y_done = false;
    auto shift_x = [&](int dx) { out.left += dx, out.right += dx, x_done = true; };
    auto shift_y = [&](int dy) { out.top += dy, out.bottom += dy, y_done = true; };
    for (int i = 0; i < count; i++) {
        const PlatRect& e = entries[i];
        if (e.left == own.left && e.top == own.top && e.right == own.right && e.bottom == own.bottom) continue;
        // Side docking: its left edge onto E's right edge, or its right edge onto E's left.
        if (!x_done && Overlaps(e.top, e.bottom, out.top, out.bottom)) {
            if (Abs(e.right - L) < SNAP_DISTANCE) shift_x(e.right - L);
            else if (Abs(e.left - R) < SNAP_DISTANCE) shift_x(e.left - R);
        }
        // Top or bottom edges aligned with E's, once docked beside it.
        if (!y_done && x_done && Overlaps(e.left, e.right, out.left, out.right)) {
            if (Abs(e.top - T) < SNAP_DISTANCE) shift_y(e.top - T);
            else if (Abs(e.bottom - B) < SNAP_DISTANCE) shift_y(e.bottom - B);
        }
        // Top or bottom docking: its top onto E's bottom, or its bottom onto E's top.
        if (!y_done && Overlaps(e.left, e.right, out.left, out.right)) {
            if (Abs(e.bottom - T) < SNAP_DISTANCE) shift_y(e.bottom - T);
            else if (Abs(e.top - B) < SNAP_DISTANCE) shift_y(e.top - B);
        }
        // Left or right edges aligned with E's, once docked above or below it.
        if (!x_done && y_done && Overlaps(e.top, e.bottom, out.top, out.bottom)) {
            if (Abs(e.left - L) < SNAP_DISTANCE) shift_x(e.left - L);
            else if (Abs(e.right - R) < SNAP_DISTANCE) shift_x(e.right - R);
        }
        if (x_done && y_done) break;
    }
    return out;
}

void SnapMovingRect(WindowId window, PlatRect* rect) {
    if (!rect || !(PlatGetKeyState(KEY_CONTROL) & KEY_STATE_DOWN)) return;
    PlatRect own;
    if (PlatGetWindowRect(window, &own) != 0) return;
    PlatRect entries[WINDOW_RECT_MAX];
    int n = window_rect_list.count.load(std::memory_order_acquire);
    if (n < 0) n = 0;
    if (n > WINDOW_RECT_MAX) n = WINDOW_RECT_MAX;
    for (int i = 0; i < n; i++)
        entries[i] = PlatRect{window_rect_list.left[i].load(std::memory_order_relaxed),
                              window_rect_list.top[i].load(std::memory_order_relaxed),
                              window_rect_list.right[i].load(std::memory_order_relaxed),
                              window_rect_list.bottom[i].load(std::memory_order_relaxed)};
    *rect = SnapRect(entries, n, own, *rect);
}
