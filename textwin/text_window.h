// The text window table and the operations the text window code shares internally: the
// record of each of the 256 windows, the backing store with its ring of rows, run drawing,
// new lines and scrolling.
//
// Threads: a text window belongs to the thread that opened it, but the main thread prints
// into it too (the main window's prompts). `is_open` and `hwnd` are atomics, read without a
// lock by anyone; everything else in a record, the backing store included, is read and
// written only under the record's `lock`, which is never held while messages are pumped,
// except the log fields, which have a lock of their own (see the record).
#pragma once

#include "platform/plat_types.h"
#include "platform/layer_mutex.h"
#include "platform/draw/surface.h"
#include "pxk.h"

#include <atomic>
#include <mutex>
#include <stdio.h>
#include <sys/types.h>

struct DrawContext;
struct Font;
struct TextHistory;

enum {
    TEXT_WINDOW_COUNT = 256,
    COLOR_STACK_DEPTH = 8,
    PRINT_BUFFER_BYTES = 4096,
    LINE_UNITS = 256,            // a typed line: 255 units and a terminator
    DEFAULT_TEXT_WIDTH = 400,
    DEFAULT_TEXT_HEIGHT = 300
};

// Log states (the log file code keeps them).
enum { LOG_NONE = 0, LOG_ON = 1, LOG_PAUSED = 2 };

struct TextWindowRecord {
    std::atomic<int> is_open;
    int width;                   // client width = backing store width
    int height;                  // client height = backing store height
    int cur_x;                   // left edge of the next cell
    int cur_y;                   // top of the cursor line
    int cell_w;                  // narrow cell width: the font's average character width
    int cell_h;                  // line height: the font's character height
    int text_color;              // 0xRRGGBB
    int back_color;              // 0xRRGGBB, background of character cells
    int text_color_stack[COLOR_STACK_DEPTH];   // entry 0 = most recent
    int back_color_stack[COLOR_STACK_DEPTH];
    std::atomic<WindowId> hwnd;
    DrawContext* mem_dc;         // draws into `bitmap`
    DrawContext* win_dc;         // the window's own context
    // The backing store. Its rows form a ring: logical row y (what the window shows at y) is
    // physical row (y + store_top) mod height, so that scrolling by a line moves no pixels.
    Surface* bitmap;
    int store_top;
    unsigned store_generation;   // counts the stores made: a resize makes a new one
    // One flag per physical row: 1 while the row is known to be all black, so that clearing
    // the band freed by a scroll skips rows that hold nothing.
    uint8_t* row_black;
    // Damage already handed to the layer and not yet painted (logical rectangle). Output that
    // falls inside it needs no new invalidation, which keeps printing in a loop cheap.
    PlatRect pending_paint;
    // The lines scrolled off the top, and the scrolled-back view (text_history.h).
    TextHistory* history;
    // The log. Its fields are written under `log_lock` alone, which is taken inside `lock`
    // or on its own and never held while anything else is waited for (only the file is
    // written or flushed under it): so the thread that flushes logs in the background and
    // the end of the program after a lost display reach every log without `lock`, which a
    // painting thread may hold while it waits for the display.
    std::atomic<int> log_state;  // LOG_NONE, LOG_ON, LOG_PAUSED
    FILE* log_file;
    uint32_t log_flushed_at;     // millisecond clock of the log's last flush
    std::atomic<bool> log_dirty; // written since that flush
    bool log_failed_unshown;     // a background flush failed and paused the log: no box yet
    // The file this window's log made in this program run (device and inode), so that a copy
    // never reads what an earlier run left under the same name.
    bool log_made;
    dev_t log_dev;
    ino_t log_ino;
    LayerMutex log_lock;
    LayerMutex lock;
};

namespace pxk {
extern TextWindowRecord text_windows[TEXT_WINDOW_COUNT];
}  // namespace pxk
using pxk::text_windows;

// Clears the table and the shared input state; the runtime calls it at start-up.
void ResetTextWindowTable(void);
// Abandons a running line input (the Exit command): it returns an empty line.
void ClearLineInput(void);
// The outer rectangles of the open text windows, in slot order, at most max; returns how
// many were written (for the window rectangle list).
int AppendTextWindowRects(PlatRect* out, int max);
// The open record with this id, or null (id out of range or slot closed).
TextWindowRecord* OpenTextWindowRecord(int id);

// ---- Backing store (text_store.cpp); callers hold the record's lock --------------------

// Replaces the backing store by a black one of the record's width x height; 0 done, 3 no memory.
int CreateTextStore(TextWindowRecord* rec);
void DestroyTextStore(TextWindowRecord* rec);
// Draws a run of UTF-16 units at logical (x, y) in the record's colours on opaque cells, each
// character at the left edge of its one or two cells (ConsoleCharCells). Returns the logical
// rectangle it may have changed.
PlatRect DrawTextRun(TextWindowRecord* rec, int x, int y, const char16_t* units, int count);
// Fills logical rows [y0, y1) with black.
void FillStoreRowsBlack(TextWindowRecord* rec, int y0, int y1);
// Moves the content down by `rows` rows; the rows freed at the top are black.
void ScrollDownLocked(TextWindowRecord* rec, int rows);
// Copies the logical rectangle r (inside the store) out to words, row after row, or back in
// from them; `words` holds RectWidth(r) x RectHeight(r).
void CopyStoreRect(TextWindowRecord* rec, PlatRect r, uint32_t* words);
void PutStoreRect(TextWindowRecord* rec, PlatRect r, const uint32_t* words);
// Scrolls by one line when the cursor line does not fit; true if it did.
bool ScrollIfNeededLocked(TextWindowRecord* rec);
// cur_y += cell_h, cur_x = 0, then scrolls if needed; true if it scrolled.
bool StartNewLine(TextWindowRecord* rec);
// Copies the logical rectangle r of the store to (r.left, r.top) of dc (for painting).
void CopyStoreToContext(TextWindowRecord* rec, const PlatRect* r, DrawContext* dc);
// Records damage (null: the whole window); true when the window must be invalidated for it,
// false when damage waiting for the next paint covers it already.
bool NoteDamage(TextWindowRecord* rec, const PlatRect* r);
// Applies text_color and back_color to mem_dc.
void ApplyTextColors(TextWindowRecord* rec);

// ---- Reading the pixels -----------------------------------------------------------------

// The store's pixel at logical (x, y) as 0x00RRGGBB; -1 outside or for a closed window.
int64_t TextWindowStorePixel(int id, int x, int y);
// Copies the whole store in logical order into out (width x height words, row after row);
// 0 done, 1 closed window or out too small.
int CopyTextWindowStore(int id, uint32_t* out, size_t out_words);

// ---- Output (text_output.cpp) ------------------------------------------------------------

// Prints text into window id (not necessarily the current one) in these colours, 0xRRGGBB;
// the window's own colours stay as they were for later output.
void PrintInColors(int id, const char* text, int text_color, int back_color);

// ---- Log files (text_log.cpp) ------------------------------------------------------------

namespace pxk {
// A copy of every window's output, as the log would hold it, for scripted runs that save a
// text window as text; null unless a scripted run set it before the program started. Called
// with the record's lock held: window id, the UTF-8 text, and whether a line feed follows.
extern void (*text_output_copy)(int id, const char* text, size_t len, bool line_end);
}  // namespace pxk
using pxk::text_output_copy;

// Opens the current folder as the folder log files are made in; the runtime's reset at
// start-up calls it, before anything can change the folder.
void OpenLogFolder(void);
// Writes text to the record's log while logging runs, and a line feed after it when
// line_end; the caller holds the record's lock. True when the write failed and paused the
// log: the caller then calls ShowLogWriteError once it has released the lock.
bool WriteLogLocked(TextWindowRecord* rec, const char* text, size_t len, bool line_end);
void ShowLogWriteError(void);
// Flushes and closes the record's log (window closed or opened again); lock held.
void CloseLogLocked(TextWindowRecord* rec);
// Clears the log fields of a record at program start (no file is open then).
void ResetLogFields(TextWindowRecord* rec);

// ---- Window procedure helpers (text_window.cpp) -----------------------------------------

// The size message: recreates and clears the store of the window's record.
void ResizeTextWindow(WindowId window, int width, int height);
// The paint message.
void PaintTextWindow(WindowId window);
