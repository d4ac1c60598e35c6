// The window rectangle list and snapping: four walls just outside the usable screen and the
// outer rectangles of all framework windows. A window dragged with Ctrl held snaps to them.
//
// Both threads rebuild and read the list. Every entry and the count are atomics, so a reader
// racing a rebuild sees a mix of old and new entries at worst, never a torn value, and the
// count never exceeds the arrays.
#pragma once

#include "platform/plat_types.h"

#include <atomic>

enum { WINDOW_RECT_MAX = 260, SNAP_DISTANCE = 8 };

struct WindowRectList {
    std::atomic<int> count;
    std::atomic<int> left[WINDOW_RECT_MAX];
    std::atomic<int> top[WINDOW_RECT_MAX];
    std::atomic<int> right[WINDOW_RECT_MAX];
    std::atomic<int> bottom[WINDOW_RECT_MAX];
};
namespace pxk {
extern WindowRectList window_rect_list;
}  // namespace pxk
using pxk::window_rect_list;

// Rebuilds the list: walls, the windows of each registered window kind in table order
// (image windows, text windows, input box, button box), then the main window; entries
// beyond 260 are left out.
void CollectWindowRects(void);
// Called while a window is dragged: with Ctrl held, shifts the proposed outer rectangle so
// that it snaps to the list's rectangles.
void SnapMovingRect(WindowId window, PlatRect* rect);
// The same step on a given list snapshot and window rectangle (the pure part, for tests).
PlatRect SnapRect(const PlatRect* entries, int count, PlatRect own, PlatRect proposed);
