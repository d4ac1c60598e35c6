// What the message queues ask of painting: which window of a thread paints next, and the
// delivery of its paint message. Not for use outside platform/window.
#pragma once

#include "platform/window/window_core.h"

// A window of this thread with an invalid area, a parent before its children; 0 when none.
WindowId NextWindowToPaint(ThreadQueue* q);
// Calls the window's procedure with MSG_PAINT and validates the window when the procedure
// did not paint, so the same paint message never comes back for ever.
intptr_t SendPaintMessage(WindowId window);
