// What a script names, found on screen: windows (by title, class or the framework's own
// slots), controls by the text they show, keys by name, items of the open popup menu.
//
// A window is named as
//   main          the main window
//   text:N        text window N
//   image:N       the window of image slot N
//   inspector     the inspector window
//   class:NAME    the first shown top-level window of this window class
//   anything else the shown top-level window with exactly this title
#pragma once

#include "platform/plat_types.h"

#include <string>

// The window, or 0 while it does not exist or is hidden.
WindowId ScriptWindow(const std::string& target);
// The control a click on TEXT means: the edit field of the input box item labelled TEXT, a
// button of the button box titled TEXT, or any other shown control showing TEXT; 0 if none.
WindowId ScriptControl(const std::string& text);
// The edit field of the input box item labelled TEXT, or 0.
WindowId ScriptInputField(const std::string& label);
// A key name with modifiers ("ctrl+shift+a", "tab", "f5"); false when unknown.
bool ScriptKeyCode(const std::string& name, int* key, int* mods);
// Modifiers alone, as a pointer step takes them ("ctrl", "shift+alt"): INPUT_MOD_ flags;
// false when a part is not ctrl, shift or alt.
bool ScriptModifiers(const std::string& word, int* mods);
// Screen point of client point (x, y) of the window.
PlatPoint ScriptClientToScreen(WindowId window, int x, int y);
// The item of the innermost open popup menu whose text (without '&' and the shortcut) is
// TEXT: its screen rectangle and whether it opens a submenu; false when no menu is open or it
// has no such item.
bool ScriptMenuItemRect(const std::string& text, PlatRect* rect, bool* opens_submenu);
