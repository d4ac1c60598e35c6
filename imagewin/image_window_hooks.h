// What the image window hands on to the image commands: command messages (menu items and the
// Ctrl shortcuts), the popup menus of the right and middle buttons, and dropped files. The
// commands, menus and file loading live in their own files, which supply these; until then
// the weak defaults below do nothing (the drop default still frees the list).
#pragma once

#include "platform/plat_types.h"

struct DropList;

// A command for the image in this window (slot index given, in use).
void RunImageCommand(WindowId window, int index, int command);
// The right or middle button went down with no point tool active: open the processing menu
// (processing true) or the edit menu at the cursor, unless a text window waits for input.
void OpenImagePopupMenu(WindowId window, int index, bool processing);
// Files were dropped on the window; the handler owns the list and frees it.
void DropFilesOnImage(WindowId window, int index, DropList* list);
