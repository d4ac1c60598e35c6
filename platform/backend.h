// The seam between the portable layer and a backend. A backend gives the layer native
// top-level windows, puts the pixels the layer hands it on screen, reports the screen and
// carries the clipboard; it hands native input to the layer through the Input* functions of
// platform/window/input.h and reports a lost display through PlatDisplayLost. A backend
// never reads the layer's window table or takes the layer's locks: everything it needs comes
// in through these entries. backend_template.cpp is the commented copy to start a new one.
#pragma once

#include "plat_types.h"

struct ClipOffer;

struct ScreenInfo {
    int width;
    int height;
    int bits;                 // bits per pixel of the screen's pixel format
    PlatRect work_area;       // usable area (without panels)
};

// Flags of a native window.
enum {
    NATIVE_POPUP = 0x01,      // override-redirect: menus, never decorated or managed
    NATIVE_TOPMOST = 0x02,    // kept above ordinary windows
    NATIVE_FIXED_SIZE = 0x04  // the user may not resize it through the window manager
};

// A top-level window's pixels as the layer holds them: 0x00RRGGBB words, rows top first.
struct PixelView {
    const uint8_t* pixels;
    int width;
    int height;
    int stride;               // bytes per row
    void* lent;               // the handle when the pixels are memory the backend lent
                              // (alloc_window_pixels), else null
};

// A window handle's slot (see WindowId): backends may index fixed tables by it. The layer's
// window table asserts that its ids keep the slot in exactly these low bits.
enum { BACKEND_WINDOW_SLOT_BITS = 12, BACKEND_MAX_WINDOWS = 1 << BACKEND_WINDOW_SLOT_BITS };
static inline int BackendWindowSlot(WindowId window) {
    return (int)(window & ((1u << BACKEND_WINDOW_SLOT_BITS) - 1));
}

struct Backend {
    const char* name;
    // 0 done; non-zero: the backend cannot run (no display).
    int (*init)(void);
    void (*shutdown)(void);
    // A native window for a top-level layer window; outer rectangle in screen coordinates.
    // The window is created hidden, where the rectangle says; until the layer presents
    // pixels the screen shows the background colour (0x00RRGGBB) there. 0 done.
    int (*create_window)(WindowId window, const PlatRect* outer, const char16_t* title, uint32_t flags,
                         WindowId owner, const char* class_name, uint32_t background);
    void (*destroy_window)(WindowId window);
    // The layer moved or resized the window: the native window follows, and the backend keeps
    // it there against the window manager's own placement.
    void (*move_window)(WindowId window, const PlatRect* outer);
    void (*show_window)(WindowId window, int show);
    void (*set_title)(WindowId window, const char16_t* title);
    // Raise and give the keyboard focus.
    void (*raise_window)(WindowId window);
    // The pixels in rect (window coordinates) changed: put them on screen. The caller holds
    // the window's pixels locked only for the call, so the backend reads (or copies) the view
    // before it returns and never keeps the pointer, unless the pixels are its own lent memory
    // (pixels->lent), which it may read until free_window_pixels takes them back.
    void (*present)(WindowId window, const PixelView* pixels, const PlatRect* rect);
    void (*get_screen)(ScreenInfo* info);
    // Clipboard (see clipboard.h): offer replaces the content with typed representations
    // (0 done); read returns malloc'ed bytes (caller frees, two zero bytes behind them) of the
    // first of `types` the clipboard offers and the answer's type name in type_out
    // (CLIP_TYPE_MAX bytes), or null. A read may wait for another program as long as it
    // keeps sending.
    int (*offer_clipboard)(const ClipOffer* offers, int count);
    uint8_t* (*read_clipboard)(const char* const* types, int count, char* type_out, size_t* size);
    // Files may (or may no longer) be dropped on this top-level window.
    void (*set_accept_drops)(WindowId window, int accept);
    // Wakes the backend's own thread, if it has one (after commands were queued).
    void (*flush)(void);
    // Optional (null, or a null answer: the layer keeps a window's pixels in its own memory).
    // Zeroed memory of `bytes` for a top-level window's pixels that the display can read
    // where they are, so that a present copies nothing; *handle receives what the backend
    // needs to find the memory again (it comes back as PixelView::lent). Any thread.
    uint8_t* (*alloc_window_pixels)(size_t bytes, void** handle);
    // Takes lent memory back once the layer no longer draws into it. Any thread.
    void (*free_window_pixels)(uint8_t* pixels, void* handle);
};

// Chooses the backend from PIXKIT_BACKEND ("headless") or the display, and starts it.
// 0 done; 2 no backend can run (a clear line has been printed on stderr).
int PlatStartBackend(void);
void PlatStopBackend(void);
const Backend* PlatBackend(void);
// True when the running backend is the headless one: nobody looks at its screen.
bool PlatBackendIsHeadless(void);
// For tests: use the headless backend without looking at the environment.
int PlatStartHeadless(int width, int height, int bits);

// Called by a backend whose display went away for good: prints one line on stderr (what
// was lost) and ends the program through the handler the program registered with
// PlatSetDisplayLostHandler, or with exit status 1. Never returns.
[[noreturn]] void PlatDisplayLost(const char* what);
