// The window rectangle list and the snapping step of dragged windows.
#include "window_rects.h"
#include "startup_state.h"

#include "boxes/box_windows.h"
#include "platform/window.h"

WindowRectList window_rect_list{};

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
    n += AppendImageWindowRects(list + n, WINDOW_RECT_MAX - n);
    if (n > WINDOW_RECT_MAX) n = WINDOW_RECT_MAX;
    n += AppendTextWindowRects(list + n, WINDOW_RECT_MAX - n);
    if (n > WINDOW_RECT_MAX) n = WINDOW_RECT_MAX;
    n = AppendWindow(list, n, input_box.load(std::memory_order_acquire));
    n = AppendWindow(list, n, button_box.load(std::memory_order_acquire));
    n = AppendWindow(list, n, main_window.load(std::memory_order_acquire));
    // Entries first, then the count: a reader never counts entries that were not written.
    int old = window_rect_list.count.load(std::memory_order_relaxed);
    if (n < old) window_rect_list.count.store(n, std::memory_order_release);
    for (int i = 0; i < n; i++) StoreEntry(i, list[i]);
    window_rect_list.count.store(n, std::memory_order_release);
}

static int Abs(int v) { return v < 0 ? -v : v; }

PlatRect SnapRect(const PlatRect* entries, int count, PlatRect own, PlatRect proposed) {
    const int L = proposed.left, T = proposed.top, R = proposed.right, B = proposed.bottom;
    PlatRect out = proposed;
    bool x_done = false, y_done = false;
    for (int i = 0; i < count; i++) {
        const PlatRect& e = entries[i];
        if (e.left == own.left && e.top == own.top && e.right == own.right && e.bottom == own.bottom) continue;
        bool hov = e.left <= R && e.right >= L;
        bool vov = e.top <= B && e.bottom >= T;
        int dx = 0, dy = 0;
        if (!x_done && vov) {   // side docking
            if (Abs(e.right - L) < SNAP_DISTANCE) dx = e.right - L, x_done = true;
            else if (Abs(e.left - R) < SNAP_DISTANCE) dx = e.left - R, x_done = true;
            out.left += dx, out.right += dx;
        }
        if (!y_done && x_done && hov) {   // top or bottom edges aligned
            if (Abs(e.top - T) < SNAP_DISTANCE) dy = e.top - T, y_done = true;
            else if (Abs(e.bottom - B) < SNAP_DISTANCE) dy = e.bottom - B, y_done = true;
            out.top += dy, out.bottom += dy;
        }
        if (!y_done && hov) {   // top or bottom docking
            dy = 0;
            if (Abs(e.bottom - T) < SNAP_DISTANCE) dy = e.bottom - T, y_done = true;
            else if (Abs(e.top - B) < SNAP_DISTANCE) dy = e.top - B, y_done = true;
            out.top += dy, out.bottom += dy;
        }
        if (!x_done && y_done && vov) {   // side edges aligned
            dx = 0;
            if (Abs(e.left - L) < SNAP_DISTANCE) dx = e.left - L, x_done = true;
            else if (Abs(e.right - R) < SNAP_DISTANCE) dx = e.right - R, x_done = true;
            out.left += dx, out.right += dx;
        }
        if (x_done && y_done) break;
    }
    return out;
}

void SnapMovingRect(WindowId window, PlatRect* rect) {
    if (!rect || !(PlatGetKeyState(KEY_CONTROL) & 0x8000)) return;
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
