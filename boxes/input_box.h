// The input box: one window of labelled edit fields through which a user program takes
// numbers. Its state is process-wide; the box and its controls belong to the worker thread.
// The window report reads the sizes from the main thread, so those are atomics.
#pragma once

#include "box_windows.h"
#include "platform/plat_types.h"

#include <atomic>

enum {
    INPUT_BOX_MAX_ITEMS = 30,
    INPUT_BOX_ROW = 28,
    CMD_INPUT_BOX_DESTROY = 1023,
    CMD_INPUT_BOX_RENAME = 1056
};

namespace pxk {
extern std::atomic<int> item_count;                 // 1..30 while a box exists
extern WindowId item_label[INPUT_BOX_MAX_ITEMS];
extern WindowId item_edit[INPUT_BOX_MAX_ITEMS];
extern char* item_value[INPUT_BOX_MAX_ITEMS];       // 256 bytes each while the box exists
extern std::atomic<int> isize;                      // label width, default 80
extern std::atomic<int> esize;                      // edit width, default 70
extern WindowId focused_edit;
extern int sizing_edge;
}  // namespace pxk
using pxk::item_count, pxk::item_label, pxk::item_edit, pxk::item_value, pxk::isize, pxk::esize,
      pxk::focused_edit, pxk::sizing_edge;

// Asks for item i's new label through the current text window.
void RenameInputBoxItem(int i);
