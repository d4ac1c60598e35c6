// Flicker-free painting of the standard controls: each paint draws the whole control into an
// off-screen surface with the GUI font selected, then copies it to the window in one piece.
#pragma once

#include "platform/draw/draw.h"
#include "platform/draw/surface.h"

struct ControlPaint {
    WindowId window;
    int width;
    int height;
    Surface* back;
    DrawContext* dc;           // draws into `back`, GUI font selected
};

// Starts a paint (validating the window). False when there is nothing to draw on: the
// paint has then been ended already.
bool BeginControlPaint(WindowId window, ControlPaint* paint);
// Puts the drawing on screen and ends the paint.
void EndControlPaint(ControlPaint* paint);
