// The seam between the portable layer and a backend. A backend gives the layer native
// top-level windows, presents their pixels, reports the screen and carries the clipboard;
// it hands native input to the layer through the Input* functions of input.h. A backend
// never touches framework state. backend_template.cpp lists the functions to provide.
#pragma once

#include "plat_types.h"

struct Surface;

struct ScreenInfo {
    int width;
    int height;
    int bits;                 // bits per pixel of the screen's pixel format
    PlatRect work_area;       // usable area (without panels)
};

enum {
    NATIVE_POPUP = 0x01,      // override-redirect: menus, never decorated or managed
    NATIVE_TOPMOST = 0x02
};

// Clipboard formats the layer knows.
enum {
    CLIP_TEXT = 1,            // UTF-8 text
    CLIP_UNICODETEXT = 13,    // UTF-16 text
    CLIP_DIB = 8              // device-independent bitmap block (header, colour table, pixels)
};

struct Backend {
    const char* name;
    // 0 done; non-zero: the backend cannot run (no display).
    int (*init)(void);
    void (*shutdown)(void);
    // A native window for a top-level layer window; outer rectangle in screen coordinates.
    // The window is created hidden. 0 done.
    int (*create_window)(WindowId window, const PlatRect* outer, const char16_t* title,
                         uint32_t flags, WindowId owner, const char* class_name);
    void (*destroy_window)(WindowId window);
    void (*move_window)(WindowId window, const PlatRect* outer);
    void (*show_window)(WindowId window, int show);
    void (*set_title)(WindowId window, const char16_t* title);
    // Raise and give the keyboard focus.
    void (*raise_window)(WindowId window);
    // The window's pixels changed in rect (window coordinates): put them on screen.
    void (*present)(WindowId window, const PlatRect* rect);
    // The window's surface was replaced (new size): from now on present from this one.
    void (*set_surface)(WindowId window, Surface* surface);
    void (*get_screen)(ScreenInfo* info);
    // Pixel memory the backend can present without copying (shared memory); may return null,
    // then the layer allocates ordinary memory.
    void* (*alloc_pixels)(size_t bytes, void** token);
    void (*free_pixels)(void* pixels, void* token);
    // Clipboard: set replaces all formats; get returns malloc'ed bytes (caller frees) or null.
    int (*set_clipboard)(const int* formats, const uint8_t* const* data, const size_t* sizes, int count);
    uint8_t* (*get_clipboard)(int format, size_t* size);
    void (*set_accept_drops)(WindowId window, int accept);
    // Wakes the backend's own thread, if it has one (after commands were queued).
    void (*flush)(void);
};

// Chooses the backend from PIXKIT_BACKEND ("headless") or the display, and starts it.
// 0 done; 2 no backend can run (a clear line has been printed on stderr).
int PlatStartBackend(void);
void PlatStopBackend(void);
const Backend* PlatBackend(void);
// For tests: use the headless backend without looking at the environment.
int PlatStartHeadless(int width, int height, int bits);
