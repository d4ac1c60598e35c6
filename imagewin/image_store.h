// Creation and destruction of images: a slot of the image table gets its pixel buffer, its
// two drawing contexts and its window together, and gives them up together.
#pragma once

#include "platform/plat_types.h"

// The image window's style: visible, caption, close box and sizing border; no menu.
enum : uint32_t { IMAGE_WINDOW_STYLE = 0x10CC0000u };

// Outer size of an image window whose client area is view_width x view_height.
PlatSize ImageWindowOuterSize(int view_width, int view_height);
// The outer rectangles of the windows of the slots in use, in slot order, at most max;
// returns how many were written (for the window rectangle list).
int AppendImageWindowRects(PlatRect* out, int max);
