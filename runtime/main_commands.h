// The main window's commands beyond run control: its right-click menu, the Ctrl shortcuts and
// the commands and drops that build windows through the request channel. The commands
// themselves are registered from above (MainWindowCommands, main_window.h); this file decides
// when each may run: not while the user program runs, not while a line input waits, and not
// while another of them is still in progress, where only Stop and Exit act.
#pragma once

#include "platform/plat_types.h"

struct DropList;

// Shows the right-click menu at the cursor (nothing while a point tool waits for clicks).
void OpenMainMenu(WindowId window);
// Runs a command by id; false when the id is not one of these commands.
bool RunMainCommand(int id);
// Ctrl+V and Ctrl+W: post Paste and Window Info to the window.
void OnMainControlKey(WindowId window, uintptr_t key);
// Opens the pictures of a drop; the list is always released.
void OnMainDrop(DropList* drop);
