// The button box: one window holding a grid of push buttons whose presses a user program
// polls. Its state is process-wide; the box and its buttons belong to the worker thread.
// The window report reads the grid and sizes from the main thread, so those are atomics.
#pragma once

#include "box_windows.h"
#include "platform/plat_types.h"

#include <atomic>

enum {
    BUTTON_BOX_MAX = 256,
    BUTTON_ID_BASE = 3000,
    CMD_BUTTON_BOX_DESTROY = 1050,
    CMD_BUTTON_BOX_RENAME = 1057
};

namespace pxk {
extern std::atomic<int> button_count;   // NX x NY
extern std::atomic<int> button_nx;
extern std::atomic<int> button_ny;
extern std::atomic<int> button_w;       // default 98
extern std::atomic<int> button_h;       // default 26
extern WindowId button_hwnd[BUTTON_BOX_MAX];
extern int press_count[BUTTON_BOX_MAX];
}  // namespace pxk
using pxk::button_count, pxk::button_nx, pxk::button_ny, pxk::button_w, pxk::button_h, pxk::button_hwnd,
      pxk::press_count;

// Asks for button i's new text through the current text window.
void RenameButton(int i);
