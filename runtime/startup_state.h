// Process-wide state prepared by the program entry before the worker thread starts: the
// instance slot, the start folders, the image text font, the screen depth and the main
// window's handles. Everything here is written on the main thread before the worker exists
// (or, for the windows, published through atomics) and only read afterwards.
#pragma once

#include "platform/plat_types.h"

#include <atomic>

struct Font;
struct Menu;
struct PlatThread;

// Buffers of paths that other code fills (dialogs, file names).
enum { PATH_UNITS = 260 };

namespace pxk {
// The current folder at start, whole however deep, for the open and save dialogs and the log
// files. The UTF-16 copies are what the layer's dialogs take; the 8-bit copies are UTF-8.
// start_dir ends in '/'. Null until the program has read them.
extern char16_t* open_dir_w;
extern char* open_dir;
extern char16_t* save_dir_w;
extern char* save_dir;
extern char16_t* start_dir_w;
extern char* start_dir;

// TrueType text drawn into images: "ＭＳ ゴシック", 16 pixels high, 8 wide.
extern Font* image_text_font;
// Bits per pixel of the screen, shown in the status line.
extern int screen_bits;
// The main window, its status line (0 until the STATIC control exists) and its menu bar.
extern std::atomic<WindowId> main_window;
extern std::atomic<WindowId> status_line;
extern Menu* main_menu;
// True while the main thread is in its message loop (start-up done, shutdown not begun).
extern std::atomic<bool> main_loop_running;
}  // namespace pxk
using pxk::open_dir_w, pxk::open_dir, pxk::save_dir_w, pxk::save_dir, pxk::start_dir_w, pxk::start_dir,
      pxk::image_text_font, pxk::screen_bits, pxk::main_window, pxk::status_line, pxk::main_menu,
      pxk::main_loop_running;

// Reads the current folder into the three start folders (start_dir gets a trailing '/').
// 0 done, or the error number of why the folder cannot be had (it was deleted, or memory).
int ReadStartFolders(void);
