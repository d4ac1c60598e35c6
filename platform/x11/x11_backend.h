// Extra entry points of the X11 backend for tests and benchmarks. The framework itself only
// uses the Backend table returned by X11Backend().
#pragma once

#include "../backend.h"
#include "../backends.h"
#include "../plat_types.h"

#include <string>
#include <vector>

// True when presents go through MIT-SHM segments.
bool X11UsesShm(void);
// Presents with XPutImage even from shared segments (for comparing the two paths).
void X11ForcePutImage(bool force);
// Waits until every present queued so far has reached the server. false on timeout.
bool X11WaitPresented(int timeout_ms);
// The X window id of a top-level layer window, or 0.
unsigned long X11NativeWindow(WindowId window);
// Decodes a text/uri-list into local file paths (declared in uri_list.h).
#include "uri_list.h"
