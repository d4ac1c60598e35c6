// Input from a backend into the layer. The backend calls these from its own thread (or the
// test driver from a test thread); the layer turns them into messages on the queue of the
// thread that owns the target window, runs hit testing for the non-client area and keeps
// the key state and cursor position that PlatGetKeyState and PlatGetCursorPos report.
#pragma once

#include "platform/plat_types.h"

enum {
    INPUT_MOD_SHIFT = 0x01,
    INPUT_MOD_CONTROL = 0x02,
    INPUT_MOD_ALT = 0x04
};

enum { BUTTON_LEFT = 1, BUTTON_RIGHT = 2, BUTTON_MIDDLE = 3 };

// Pointer at a screen position, over (or captured by) the native window of `top`
// (0: let the layer find the window under the point).
void InputPointerMove(WindowId top, int screen_x, int screen_y, int mods);
void InputButton(WindowId top, int screen_x, int screen_y, int button, bool down, int mods);
void InputWheel(WindowId top, int screen_x, int screen_y, int delta, int mods);
// A key went down or up in the focused window of `top` (0: the foreground window).
void InputKey(WindowId top, int key, bool down, int mods);
// Typed text (already through the input method), as UTF-16 units.
void InputText(WindowId top, const char16_t* text, int count);
// Files dropped at a screen point on `top`; paths are UTF-8.
void InputDrop(WindowId top, int screen_x, int screen_y, const char* const* paths, int count);
// The native window was activated or lost activation by the window manager.
void InputActivate(WindowId top, bool active);
// The window manager asks the window to close.
void InputClose(WindowId top);
// The window manager moved the native window, whose rectangle the backend last had from the
// layer as `from`, to the outer top-left `to` (screen coordinates). A window the layer has
// moved or sized anew since (its request is on its way to the backend) keeps the layer's
// rectangle: that decision is newer than the manager's.
void InputMoved(WindowId top, const PlatRect& from, PlatPoint to);
// The modifier keys as the backend sees them now (keeps the key state right when a key
// went down or up while another application had the focus).
void InputSetModifiers(int mods);
