// Drawing pieces the layer's dialogs paint with: filled and framed rectangles and labels whose
// '&' marks the letter of their Alt shortcut.
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
