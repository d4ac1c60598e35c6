// Menus: a window's menu bar and popup menus built item by item by position. Item states:
// 0 enabled, 3 greyed and disabled, 8 checked. '&' marks the mnemonic, '\t' starts the
// shortcut text shown at the right.
#pragma once

#include "platform/plat_types.h"

enum { MENU_ENABLED = 0, MENU_GRAYED = 3, MENU_CHECKED = 8 };

struct Menu;

Menu* PlatCreateMenu(void);        // a menu bar
Menu* PlatCreatePopupMenu(void);
// Destroys the menu and its submenus.
void PlatDestroyMenu(Menu* menu);
// Position -1 or past the end appends. text is UTF-16. 0 done.
int PlatInsertMenuItem(Menu* menu, int position, int state, int id, const char16_t* text);
int PlatInsertMenuSeparator(Menu* menu, int position);
int PlatInsertSubMenu(Menu* menu, int position, const char16_t* text, Menu* submenu);
int PlatGetMenuItemCount(const Menu* menu);
// Text and state of an item, for tests and the menu bar.
int PlatGetMenuItem(const Menu* menu, int position, int* id, int* state, char16_t* text, int size);
// Shows the popup with its top-left at the screen point, tracks it on the calling thread
// (a nested pump) and posts the chosen item's id as MSG_COMMAND to owner. Returns the
// chosen id or 0 when dismissed.
int PlatTrackPopupMenu(Menu* menu, int x, int y, WindowId owner);
// The popup menu being tracked now, if any (for the test driver).
WindowId PlatGetTrackedMenuWindow(void);
// Screen rectangle of an item of the innermost menu being tracked (for the test driver).
bool PlatGetTrackedMenuItemRect(int position, PlatRect* rect);
Menu* PlatGetWindowMenu(WindowId window);
void PlatDrawMenuBar(WindowId window);
