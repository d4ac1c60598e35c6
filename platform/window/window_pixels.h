// Access to the pixels of a window for drawing contexts. A top-level window owns one 32-bit
// surface for its whole outer area (the layer draws its non-client area there too); child
// windows draw into their top-level window's surface. The pixels are locked while drawn,
// because the backend may present them from its own thread.
#pragma once

#include "platform/plat_types.h"
#include "platform/draw/surface.h"

// A top-level window's surface: in memory the backend lends when it can show pixels from
// where they are (the display then reads them without a copy), else in the layer's own.
// Codes as PlatCreateSurface.
int CreateWindowSurface(Surface** out, int width, int height);
// Locks the pixels of the window's top-level window and returns its surface, with the
// window's client rectangle and its visible part (client clipped by its parents) in surface
// coordinates. Returns null (nothing locked) when the window does not exist.
Surface* LockWindowPixels(WindowId window, PlatRect* client_in_surface, PlatRect* clip);
// Unlocks; when damaged is not null and not empty (surface coordinates) the rectangle is
// presented on screen.
void UnlockWindowPixels(WindowId window, const PlatRect* damaged);
