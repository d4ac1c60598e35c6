// The history of a text window: the lines that scrolled off its top, kept as the pixels the
// window showed, so that the wheel and Shift+PageUp / Shift+PageDown can show them again
// exactly (text, colours, wide characters, glyphs that reach into the next line). Each line
// is kept in as few bits per pixel as its colours need (one bit for plain text on one
// background), and the oldest lines go once the window holds HISTORY_LINES of them or their
// bytes pass HISTORY_BYTES. While the view is scrolled back a thin bar at the right edge
// shows where it is; new output or a typed key brings the live window back.
//
// Threads: the history belongs to the record and is read and written under its lock, like
// the backing store; the handlers at the bottom take the lock themselves.
#pragma once

#include "platform/plat_types.h"

struct DrawContext;
struct TextWindowRecord;

enum {
    HISTORY_LINES = 10000,
    HISTORY_BYTES = 64 << 20,
    HISTORY_WHEEL_LINES = 3,      // lines per notch of the wheel
    HISTORY_MARKER_WIDTH = 2,     // the bar at the right edge while scrolled back
    HISTORY_MARKER_TRACK = 0x404040,
    HISTORY_MARKER_THUMB = 0xC0C0C0
};

// ---- With the record's lock held --------------------------------------------------------

// Keeps the top line of the store (logical rows 0 .. cell_h) before a scroll drops it.
void KeepTopLine(TextWindowRecord* rec);
// The newest `lines` lines came back into the store (the content moved down): forget them.
void ForgetNewestLines(TextWindowRecord* rec, int lines);
// Frees the history (the window closes, or its slot is reset).
void FreeTextHistory(TextWindowRecord* rec);
// How many lines the history holds, and how many the view is scrolled back (0: live).
int HistoryLineCount(const TextWindowRecord* rec);
int HistoryViewBack(const TextWindowRecord* rec);
// Scrolls the view back by `lines` (negative: toward the live bottom), within the history.
// True when the view changed; the caller invalidates the window.
bool ScrollHistoryView(TextWindowRecord* rec, int lines);
// Shows the live window again; true when the view was scrolled back.
bool LeaveHistoryView(TextWindowRecord* rec);
// Copies the logical rectangle r of the scrolled view, marker included, to dc; false (and
// nothing drawn) when the view is live.
bool CopyHistoryView(TextWindowRecord* rec, const PlatRect* r, DrawContext* dc);

// ---- Window procedure handlers (no lock held) -------------------------------------------

// The wheel over a text window: away from the user scrolls back.
void OnTextHistoryWheel(WindowId window, uintptr_t wparam);
// A key down: Shift+PageUp and Shift+PageDown scroll and return true. Any other key but a
// lone modifier is typing: this window and the one whose line is being read go live again,
// and the key goes on to the window's own handling (false).
bool OnTextHistoryKey(WindowId window, uintptr_t key);
