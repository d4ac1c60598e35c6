// The system palette: every colour the layer paints its own parts with (frames, captions,
// menus, message boxes and the standard controls), in one table of named entries, so that a
// caption, a menu and a button that should match are drawn from the same entry and a
// change of look is made in one place. Colours are 0x00RRGGBB words, as surfaces hold them.
#pragma once

#include <stdint.h>

enum SysColorId {
    SYS_COLOR_FRAME,                  // the frame around captioned and sizeable windows
    SYS_COLOR_FRAME_EDGE,             // the outermost line of that frame
    SYS_COLOR_CAPTION_ACTIVE,         // caption of the window that has the user's attention
    SYS_COLOR_CAPTION_INACTIVE,
    SYS_COLOR_CAPTION_TEXT_ACTIVE,    // caption text and the close box's cross
    SYS_COLOR_CAPTION_TEXT_INACTIVE,
    SYS_COLOR_CLOSE_PRESSED,          // the close box while the button is held over it
    SYS_COLOR_CLOSE_PRESSED_TEXT,     // its cross meanwhile
    SYS_COLOR_FACE,                   // dialog and main-window background, the menu bar
    SYS_COLOR_MENU,                   // popup menu background
    SYS_COLOR_MENU_FRAME,             // popup menu border
    SYS_COLOR_MENU_HOT,               // the highlighted item of a menu or menu bar
    SYS_COLOR_MENU_TEXT,
    SYS_COLOR_MENU_SEPARATOR,
    SYS_COLOR_GRAY_TEXT,              // greyed (disabled) items
    SYS_COLOR_WINDOW_TEXT,            // text of message boxes and controls
    SYS_COLOR_BUTTON,                 // push-button face
    SYS_COLOR_BUTTON_PRESSED,
    SYS_COLOR_BUTTON_EDGE,
    SYS_COLOR_BUTTON_EDGE_PRESSED,
    SYS_COLOR_FOCUS_EDGE,             // the edge of the focused or default button
    SYS_COLOR_EDIT_BACK,              // edit fields
    SYS_COLOR_HIGHLIGHT,              // selected text's background
    SYS_COLOR_HIGHLIGHT_TEXT,
    SYS_COLOR_SHADOW,                 // sunken client edge: outer shadow
    SYS_COLOR_DARK_SHADOW,            // sunken client edge: inner shadow
    SYS_COLOR_LIGHT_EDGE,             // sunken client edge: the lit bottom and right lines
    SYS_COLOR_ERROR_ICON,             // the message box's error disc
    SYS_COLOR_ICON_INK,               // the cross on it
    SYS_COLOR_COUNT
};

namespace pxk {
inline constexpr uint32_t system_palette[SYS_COLOR_COUNT] = {
    0x00A0A0A0,   // SYS_COLOR_FRAME
    0x00707070,   // SYS_COLOR_FRAME_EDGE
    0x002B579A,   // SYS_COLOR_CAPTION_ACTIVE
    0x00C8D3E0,   // SYS_COLOR_CAPTION_INACTIVE
    0x00FFFFFF,   // SYS_COLOR_CAPTION_TEXT_ACTIVE
    0x00404040,   // SYS_COLOR_CAPTION_TEXT_INACTIVE
    0x00E81123,   // SYS_COLOR_CLOSE_PRESSED
    0x00FFFFFF,   // SYS_COLOR_CLOSE_PRESSED_TEXT
    0x00F0F0F0,   // SYS_COLOR_FACE
    0x00F2F2F2,   // SYS_COLOR_MENU
    0x00979797,   // SYS_COLOR_MENU_FRAME
    0x00CCE8FF,   // SYS_COLOR_MENU_HOT
    0x00000000,   // SYS_COLOR_MENU_TEXT
    0x00D7D7D7,   // SYS_COLOR_MENU_SEPARATOR
    0x00A0A0A0,   // SYS_COLOR_GRAY_TEXT
    0x00000000,   // SYS_COLOR_WINDOW_TEXT
    0x00E1E1E1,   // SYS_COLOR_BUTTON
    0x00CCE4F7,   // SYS_COLOR_BUTTON_PRESSED
    0x00ADADAD,   // SYS_COLOR_BUTTON_EDGE
    0x00005499,   // SYS_COLOR_BUTTON_EDGE_PRESSED
    0x000078D7,   // SYS_COLOR_FOCUS_EDGE
    0x00FFFFFF,   // SYS_COLOR_EDIT_BACK
    0x000078D7,   // SYS_COLOR_HIGHLIGHT
    0x00FFFFFF,   // SYS_COLOR_HIGHLIGHT_TEXT
    0x00A0A0A0,   // SYS_COLOR_SHADOW
    0x00696969,   // SYS_COLOR_DARK_SHADOW
    0x00FFFFFF,   // SYS_COLOR_LIGHT_EDGE
    0x00E81123,   // SYS_COLOR_ERROR_ICON
    0x00FFFFFF,   // SYS_COLOR_ICON_INK
};
}  // namespace pxk
using pxk::system_palette;

// The colour of one entry of the system palette.
constexpr uint32_t SysColor(SysColorId id) { return system_palette[id]; }
