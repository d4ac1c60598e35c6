// Small operations every part of the framework uses: window texts in UTF-8, the status line,
// menus built by position, colour splitting.
#pragma once

#include "platform/plat_types.h"
#include "pxk.h"

struct Menu;

enum { STATUS_FIELD = 64, STATUS_CENTRE = 18, WINDOW_TEXT_UNITS = 256 };

// Reads at most n (<= 256) units of the window's text into buf as UTF-8, at most n bytes
// with the terminator. 0 done; 1 bad arguments.
int PXK_GetWindowText(WindowId window, char* buf, int n);
// Sets the window's text; texts over 255 UTF-16 units are cut.
int PXK_SetWindowText(WindowId window, const char* text);
// The status line's current text (the centred field), whether or not the control exists.
void GetStatusText(char* buf, int size);
// Builds the centred field of the status line for a text (64 bytes with the terminator).
void FormatStatusField(const char* text, char field[STATUS_FIELD]);

// Menus built by position; state 0 enabled, 3 greyed, 8 checked. 0 done.
int InsertMenuText(Menu* menu, int position, int state, int id, const char* text);
int InsertMenuSeparator(Menu* menu, int position);
int InsertSubMenu(Menu* menu, int position, const char* text, Menu* submenu);

void SplitRGB(PXK_Color color, int* red, int* green, int* blue);
