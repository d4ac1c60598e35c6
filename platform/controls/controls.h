// The standard controls: "STATIC" (simple text), "EDIT" (single line) and "BUTTON" (push
// button with multi-line centred text). They are child windows of the layer's own classes,
// registered by PlatRegisterControls, drawn by the layer with the GUI font.
#pragma once

#include "platform/plat_types.h"

void PlatRegisterControls(void);

// Class styles (low 16 bits of the window style).
enum {
    STATIC_SIMPLE = 0x000B,
    EDIT_AUTOHSCROLL = 0x0080,
    BUTTON_PUSH = 0x0000,
    BUTTON_DEFPUSH = 0x0001,
    BUTTON_MULTILINE = 0x2000
};

// Notifications in the high half of MSG_COMMAND's wparam.
enum {
    EN_SETFOCUS = 0x0100,
    EN_KILLFOCUS = 0x0200,
    EN_CHANGE = 0x0300,
    BN_CLICKED = 0
};

// Control messages.
enum {
    EM_SETSEL = MSG_CONTROL_FIRST + 1,     // wparam = start, lparam = end (-1: to the end)
    EM_GETSEL = MSG_CONTROL_FIRST + 2,     // returns MakeParam(start, end)
    EM_LIMITTEXT = MSG_CONTROL_FIRST + 3,  // wparam = max units
    BM_CLICK = MSG_CONTROL_FIRST + 10,
    BM_SETSTATE = MSG_CONTROL_FIRST + 11
};

// Dialog keyboard handling for a box window (Tab and Shift+Tab between tab-stop controls,
// Enter posts the default command id 1 to the box). Returns true when msg was for the box
// (one of its windows) and has been handled.
bool PlatIsDialogMessage(WindowId box, const Message* msg);
