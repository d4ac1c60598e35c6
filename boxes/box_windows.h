// The windows of the input box and the button box, read by the message pumps of both
// threads (dialog keys) and written by the boxes on the worker thread.
#pragma once

#include "platform/plat_types.h"

#include <atomic>

namespace pxk {
extern std::atomic<WindowId> input_box;    // the input box, or 0 when there is none
extern std::atomic<WindowId> button_box;   // the button box, or 0 when there is none
}  // namespace pxk
using pxk::input_box, pxk::button_box;

// The window procedures of the two box classes ("pxk_ib", "pxk_bb").
intptr_t InputBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
intptr_t ButtonBoxProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
