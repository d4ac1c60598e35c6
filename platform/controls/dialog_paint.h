// Drawing pieces the layer's dialogs paint with: the face under everything, filled and framed
// rectangles, labels whose '&' marks the letter of their Alt shortcut, numbers and buttons.
#pragma once

#include "platform/plat_types.h"

#include <stdint.h>

struct DrawContext;

void DialogFill(DrawContext* dc, PlatRect r, uint32_t color);
// A one-pixel frame just inside r.
void DialogFrame(DrawContext* dc, PlatRect r, uint32_t color);
// The text at (x, y) with its first '&' dropped and the letter after it underlined; at most
// 63 units are shown.
void DialogLabel(DrawContext* dc, int x, int y, const char16_t* text);
// Fills the client with the face colour and readies dc for the dialog's text: the GUI font,
// drawn without background in the window text colour.
void DialogFace(WindowId window, DrawContext* dc);
// A whole number in decimal at (x, y).
void DialogNumber(DrawContext* dc, int x, int y, int value);
// A push button: its edge (the focus colour when focused), its face and its label centred
// (measured with any '&' it has).
void DialogButton(DrawContext* dc, PlatRect r, const char16_t* text, bool focused);
