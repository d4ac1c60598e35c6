// The backends this build carries, each reached through one factory function that returns
// its entry table. The choice among them is made once at start (backend.cpp); the
// backends include this header too, so that a definition that drifts from what the chooser
// calls fails to compile instead of failing to link.
#pragma once

struct Backend;

// The backend without a display: windows live in memory, for tests and scripted runs.
const Backend* HeadlessBackend(void);
// The headless screen's size and depth, set before the backend starts.
void HeadlessConfigure(int width, int height, int bits);

// The X11 backend (built when the X11 libraries were found); its init fails when no display
// can be opened.
const Backend* X11Backend(void);
