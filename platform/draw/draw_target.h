// What a drawing context draws on while one operation runs: the surface, where the context's
// (0, 0) lies on it, the clip rectangle in surface coordinates, and the rectangle the
// operation changed (presented when a window context ends its operation).
#pragma once

#include "platform/draw/draw.h"

struct DrawTarget {
    Surface* surface;
    WindowId window;          // non-zero: the window's pixels are locked until EndDraw
    int origin_x;
    int origin_y;
    int width;                // size of the context's drawing area
    int height;
    PlatRect clip;            // surface coordinates
    PlatRect damaged;         // surface coordinates
};

// Resolves the context; false (nothing locked) when it has nothing to draw on.
bool BeginDraw(DrawContext* dc, DrawTarget* t);
// Unlocks a window's pixels and presents the damaged rectangle.
void EndDraw(DrawTarget* t);
