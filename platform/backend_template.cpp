// The starting point of a new backend: copy this file into a folder of its own, rename the
// functions and fill each one in as its line says. It is compiled with the layer so that it
// always matches the Backend table, but nothing refers to it: PlatStartBackend never
// chooses it, and a program never links it.
//
// A backend calls into the layer only through these (platform/window/input.h), from its own
// thread if it has one; they never block on a framework thread:
//   InputPointerMove, InputButton, InputWheel   pointer at a screen point over a native window
//   InputKey, InputText, InputSetModifiers      keys, typed text, the modifiers as they are now
//   InputDrop                                   files dropped at a screen point
//   InputActivate, InputClose                   the window manager activated or closes a window
//   InputMoved                                  the window manager moved a window
// and, when its display is gone for good, PlatDisplayLost (platform/backend.h).
#include "backend.h"

// Connect to the display and start any thread of the backend's own; non-zero when it cannot.
static int TemplateInit(void) { return 1; }

// Close every native window and the connection; stop the backend's thread.
static void TemplateShutdown(void) {}

// Make a hidden native window at the outer rectangle, undecorated, showing the background
// colour until the first present; flags are NATIVE_*; 0 done.
static int TemplateCreateWindow(WindowId, const PlatRect*, const char16_t*, uint32_t, WindowId, const char*,
                                uint32_t) {
    return 1;
}

// Destroy the native window and forget its pixels.
static void TemplateDestroyWindow(WindowId) {}

// Move and resize the native window to the outer rectangle, and keep it there against the
// window manager's own placement.
static void TemplateMoveWindow(WindowId, const PlatRect*) {}

// Map (show != 0) or unmap the native window.
static void TemplateShowWindow(WindowId, int) {}

// Set the title the window manager and task lists show.
static void TemplateSetTitle(WindowId, const char16_t*) {}

// Raise the window and give it the keyboard focus.
static void TemplateRaiseWindow(WindowId) {}

// Copy (or put at once) the rectangle of the pixel view; keep no pointer into the view.
static void TemplatePresent(WindowId, const PixelView*, const PlatRect*) {}

// Report the screen's size, bits per pixel and work area.
static void TemplateGetScreen(ScreenInfo* info) { *info = ScreenInfo{}; }

// Own the desktop clipboard with these typed representations (clipboard.h); 0 done.
static int TemplateOfferClipboard(const ClipOffer*, int) { return 1; }

// A malloc'ed copy of the first of the types the desktop clipboard offers, and the type
// the owner answered with, or null. Ask the owner which types it has before asking for one.
static uint8_t* TemplateReadClipboard(const char* const*, int, char*, size_t*) { return nullptr; }

// Announce (or withdraw) the top-level window as a target for dropped files.
static void TemplateAcceptDrops(WindowId, int) {}

// Wake the backend's thread so that it runs what was queued.
static void TemplateFlush(void) {}

// Zeroed memory for a window's pixels that the display reads where it is (null: the layer
// uses its own and present copies), and its return.
static uint8_t* TemplateAllocWindowPixels(size_t, void**) { return nullptr; }
static void TemplateFreeWindowPixels(uint8_t*, void*) {}

static const Backend g_template = {
    "template",
    TemplateInit,
    TemplateShutdown,
    TemplateCreateWindow,
    TemplateDestroyWindow,
    TemplateMoveWindow,
    TemplateShowWindow,
    TemplateSetTitle,
    TemplateRaiseWindow,
    TemplatePresent,
    TemplateGetScreen,
    TemplateOfferClipboard,
    TemplateReadClipboard,
    TemplateAcceptDrops,
    TemplateFlush,
    TemplateAllocWindowPixels,
    TemplateFreeWindowPixels,
};

// The table of the template; never chosen at start.
const Backend* TemplateBackend(void) { return &g_template; }
