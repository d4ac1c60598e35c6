// The image window: its procedure (class "pxk_iw") and the zoom steps of the keyboard and
// the wheel.
#pragma once

#include "platform/plat_types.h"

intptr_t ImageWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);

// One step up from zoom: (10 * zoom + 4) / 9, so 100 -> 111 -> 123 -> 137, and at least one
// more (1 -> 2 -> 3 -> 4 -> 5 -> 6).
int ZoomStepUp(int zoom);
// One step down: (9 * zoom + 5) / 10, so 100 -> 90 -> 81 -> 73, and at least one less, down
// to 1 (6 -> 5 -> 4 -> 3 -> 2 -> 1 -> 1).
int ZoomStepDown(int zoom);
