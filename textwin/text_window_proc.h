// The window procedure of text windows (class "pxk_twi") and the private message it
// understands besides the layer's own.
#pragma once

#include "platform/plat_types.h"

enum {
    // Puts UTF-16 units into the key ring on the window's thread: wparam = const char16_t*,
    // lparam = count. Sent by a line input running on another thread (clipboard paste).
    TWM_PUSH_UNITS = MSG_USER + 0x0201
};

intptr_t TextWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
// The layer's input hold for text windows (PlatSetInputHold): typed input waits in the queue
// while the key ring is full and a line reads it, so that a burst longer than the ring loses
// nothing; the line takes one unit each pass and makes room.
bool HoldTypedInput(WindowId window);
