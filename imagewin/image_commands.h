// The image window's commands: one table of command ids (menu items and Ctrl shortcuts)
// with their handlers, and what the window hands on besides: the popup menus of the right and
// middle buttons and dropped files. Commands whose handler is not built yet are listed in
// the table without one and do nothing.
#pragma once

#include "platform/plat_types.h"

struct DropList;

enum {
    CMD_IMAGE_LOAD = 1004,
    CMD_IMAGE_DESTROY = 1005,
    CMD_IMAGE_ZOOM_50 = 1007,
    CMD_IMAGE_ZOOM_100 = 1008,
    CMD_IMAGE_ZOOM_200 = 1009,
    CMD_IMAGE_SAVE = 1010,
    CMD_IMAGE_CUT = 1011,
    CMD_IMAGE_COPY = 1012,
    CMD_IMAGE_PASTE = 1014,
    CMD_IMAGE_CLIPPING = 1019
};

struct ImageCommand {
    int id;
    const char* name;
    void (*run)(WindowId window, int index);   // null: not built yet, the command does nothing
};

// The table entry of a command id, or null for an id no menu or shortcut uses.
const ImageCommand* FindImageCommand(int id);
// Gives the command id its handler; the folders above this one register theirs at start.
// 0 done; 1 no row has that id.
int SetImageCommandHandler(int id, void (*run)(WindowId window, int index));
// A command for the image in this window (slot index given, in use).
void RunImageCommand(WindowId window, int index, int command);
// Whether slot index is still in use and shown in this window. A command that waited for the
// user (a dialog, a prompt, a point tool) asks before it goes on: meanwhile the image may have
// been destroyed, or its slot given to an image in another window.
bool ImageStillShownIn(WindowId window, int index);
// The right or middle button went down with no point tool active: the processing menu
// (processing true) or the edit menu at the cursor, unless a text window reads a line.
// Defined with the menus (image_menus.cpp).
void OpenImagePopupMenu(WindowId window, int index, bool processing);
// Files were dropped on the window; the list is owned here and freed. The first file is
// loaded into the window's image at its top-left corner; the others are ignored.
void DropFilesOnImage(WindowId window, int index, DropList* list);
