// Line input in the current text window: a loop that pumps the thread's messages, takes
// typed units from the key ring, serves the recall and paste requests, echoes characters
// with wrapping, undoes wraps on backspace, blinks the cursor, and ends on Enter or when the
// input is abandoned (the window closed or the program exiting).
#include "textwin/text_window.h"

#include "textwin/char_cells.h"

#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "runtime/startup_state.h"
#include "textwin/key_ring.h"
#include "textwin/text_window_proc.h"

#include <stdio.h>
#include <string.h>

// A line holds at most 255 bytes in the system code page, so that what was echoed is what
// the caller's 256-byte buffer receives.
enum { CURSOR_BLINK_MS = 200, LINE_MAX_UNITS = LINE_UNITS - 1, LINE_MAX_BYTES = LINE_UNITS - 1 };

struct LineInput {
    int id;
    char16_t line[LINE_UNITS];
    int length;                    // units in line
    int bytes;                     // the line's length in the system code page (UTF-8)
    // Cursor x positions to go back to when a backspace undoes a wrap. A wide character can
    // wrap before and after itself, so two entries per character at most.
    int wrap_stack[2 * LINE_UNITS];
    int wraps;
    char16_t pending_high;         // first half of a surrogate pair, waiting for the second
    bool cursor_on;
    bool redraw_due;
    uint32_t last_blink;
};

// Draws units at the cursor in the current colours and invalidates `cells` cells there.
static void DrawAtCursor(LineInput* in, const char16_t* units, int count, int cells) {
    TextWindowRecord* rec = &text_windows[in->id];
    WindowId window = 0;
    PlatRect cell;
    {
        std::lock_guard<std::mutex> guard(rec->lock);
        if (!rec->is_open.load() || !rec->bitmap) return;
        DrawTextRun(rec, rec->cur_x, rec->cur_y, units, count);
        cell = PlatRect{rec->cur_x, rec->cur_y, rec->cur_x + cells * rec->cell_w, rec->cur_y + rec->cell_h};
        if (NoteDamage(rec, &cell)) window = rec->hwnd.load();
    }
    if (window) PlatInvalidateRect(window, &cell, false);
}

static void DrawCursor(LineInput* in) {
    DrawAtCursor(in, in->cursor_on ? u"_" : u" ", 1, 1);
    in->redraw_due = false;
}

static void BlankCursorCell(LineInput* in) { DrawAtCursor(in, u" ", 1, 1); }

static void NewLineAndInvalidate(LineInput* in) {
    TextWindowRecord* rec = &text_windows[in->id];
    WindowId window = 0;
    bool scrolled = false;
    {
        std::lock_guard<std::mutex> guard(rec->lock);
        if (!rec->is_open.load()) return;
        scrolled = StartNewLine(rec);
        if (scrolled && NoteDamage(rec, nullptr)) window = rec->hwnd.load();
    }
    if (window) PlatInvalidateRect(window, nullptr, false);
}

// Reads cursor and geometry under the lock.
static void CursorState(LineInput* in, int* x, int* width, int* cell_w) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<std::mutex> guard(rec->lock);
    *x = rec->cur_x;
    *width = rec->width;
    *cell_w = rec->cell_w;
}

static void MoveCursor(LineInput* in, int dx, int dy, bool absolute_x, int x) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<std::mutex> guard(rec->lock);
    rec->cur_x = absolute_x ? x : rec->cur_x + dx;
    rec->cur_y += dy * rec->cell_h;
}

static void PushWrap(LineInput* in, int x) {
    if (in->wraps < (int)(sizeof in->wrap_stack / sizeof in->wrap_stack[0])) in->wrap_stack[in->wraps++] = x;
}

static int CellsOf(const char16_t* units, int count) {
    uint32_t cp = 0;
    Utf16Decode(units, count, &cp);
    return ConsoleCharCells(cp);
}

// Bytes a character takes in UTF-8; a lone surrogate is converted to U+FFFD, three bytes.
static int Utf8Bytes(const char16_t* units, int count) {
    if (count == 2) return 4;
    return units[0] < 0x80 ? 1 : units[0] < 0x800 ? 2 : 3;
}

// Echoes one character (one unit, or a surrogate pair) and appends it to the line.
static void InsertCharacter(LineInput* in, const char16_t* units, int count) {
    int u = CellsOf(units, count);
    int x, width, cw;
    CursorState(in, &x, &width, &cw);
    if (u == 2 && x > width - 2 * cw) {
        // A wide character that finds one cell moves to the next line whole.
        BlankCursorCell(in);
        PushWrap(in, x + 2 * cw);
        NewLineAndInvalidate(in);
    }
    DrawAtCursor(in, units, count, u);
    CursorState(in, &x, &width, &cw);
    if (x + u * cw > width - cw) {
        // No room for the cursor cell after it.
        PushWrap(in, x);
        NewLineAndInvalidate(in);
    } else {
        MoveCursor(in, u * cw, 0, false, 0);
    }
    for (int i = 0; i < count; i++) in->line[in->length++] = units[i];
    in->bytes += Utf8Bytes(units, count);
    DrawCursor(in);
}

static void Backspace(LineInput* in) {
    BlankCursorCell(in);
    int count = 1;
    if (in->length >= 2 && in->line[in->length - 1] >= 0xDC00 && in->line[in->length - 1] <= 0xDFFF &&
        in->line[in->length - 2] >= 0xD800 && in->line[in->length - 2] <= 0xDBFF)
        count = 2;
    int u = CellsOf(in->line + in->length - count, count);
    in->bytes -= Utf8Bytes(in->line + in->length - count, count);
    in->length -= count;
    int x, width, cw;
    CursorState(in, &x, &width, &cw);
    if (in->wraps > 0 && x == 0) {
        MoveCursor(in, 0, -1, true, in->wrap_stack[--in->wraps]);
    } else {
        MoveCursor(in, -u * cw, 0, false, 0);
    }
    if (u == 2) {
        DrawAtCursor(in, u"\u3000", 1, 2);
        CursorState(in, &x, &width, &cw);
        if (in->wraps > 0 && x == 0 && in->wrap_stack[in->wraps - 1] >= width) {
            MoveCursor(in, 0, -1, true, in->wrap_stack[in->wraps - 1] - 2 * cw);
            in->wraps--;
        }
    }
    if (in->redraw_due) DrawCursor(in);
}

// Takes a character only while the line still has room for it; a refused one is not echoed.
static void OfferCharacter(LineInput* in, const char16_t* units, int count) {
    if (in->length + count <= LINE_MAX_UNITS && in->bytes + Utf8Bytes(units, count) <= LINE_MAX_BYTES)
        InsertCharacter(in, units, count);
    else if (in->redraw_due)
        DrawCursor(in);
}

// A typed unit other than Enter and backspace. Surrogate pairs arrive as two units and are
// echoed as one character.
static void TypeUnit(LineInput* in, char16_t unit) {
    if (unit >= 0xD800 && unit <= 0xDBFF) {
        in->pending_high = unit;
        return;
    }
    if (unit >= 0xDC00 && unit <= 0xDFFF && in->pending_high) {
        char16_t pair[2] = {in->pending_high, unit};
        in->pending_high = 0;
        OfferCharacter(in, pair, 2);
        return;
    }
    in->pending_high = 0;
    OfferCharacter(in, &unit, 1);
}

static WindowId PasteTarget(const LineInput* in) {
    TextWindowRecord* rec = OpenTextWindowRecord(current_text_window.load());
    if (!rec) rec = OpenTextWindowRecord(in->id);
    return rec ? rec->hwnd.load(std::memory_order_acquire) : 0;
}

// Up recalls the last line as if it were typed; Ctrl+V puts the clipboard's first line into
// the ring. Both go through the window's own thread, the ring's only writer.
static void ServePasteRequest(const LineInput* in) {
    int request = paste_request.load(std::memory_order_acquire);
    if (request == PASTE_NONE) return;
    WindowId target = PasteTarget(in);
    if (request == PASTE_RECALL && target) {
        for (int i = 0; i < LINE_MAX_UNITS && last_line[i]; i++)
            PlatSendMessage(target, MSG_CHAR, (uintptr_t)last_line[i], 1);
    } else if (request == PASTE_CLIPBOARD && target) {
        char16_t units[KEY_RING_UNITS];
        int n = ReadClipboardLine(units, KEY_RING_UNITS);
        if (n > 0) PlatSendMessage(target, TWM_PUSH_UNITS, (uintptr_t)units, n);
    }
    paste_request.store(PASTE_NONE, std::memory_order_release);
}

static void EndLine(LineInput* in, char* buffer) {
    in->line[in->length] = 0;
    memcpy(last_line, in->line, (size_t)(in->length + 1) * sizeof(char16_t));
    Utf16ToUtf8(in->line, in->length, buffer, LINE_UNITS);
    input_active.store(0, std::memory_order_release);
    BlankCursorCell(in);
    NewLineAndInvalidate(in);
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<std::mutex> guard(rec->lock);
    if (rec->is_open.load() && rec->log_state == LOG_ON && rec->log_file) {
        fputs(buffer, rec->log_file);
        fputc('\n', rec->log_file);
    }
}

void PXK_InputText(char* buffer) {
    int id = current_text_window.load();
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec || !buffer) return;
    PlatSetForegroundWindow(rec->hwnd.load(std::memory_order_acquire));
    buffer[0] = 0;
    PXK_SetStatusText("Input text");
    int idle = 0;
    // Only one line input runs at a time; the exchange also makes the previous input's last
    // line visible to this one.
    if (input_active.compare_exchange_strong(idle, id + 1, std::memory_order_acq_rel)) {
        LineInput in{};
        in.id = id;
        in.cursor_on = true;
        in.redraw_due = true;
        in.last_blink = PXK_GetTimeMs();
        for (;;) {
            PXK_PumpMessages();
            char16_t unit = TakeKeyUnit();
            if (unit == u'\t') unit = u' ';
            if (unit == u'\r') {
                EndLine(&in, buffer);
                break;
            }
            ServePasteRequest(&in);
            if (input_active.load(std::memory_order_acquire) == 0) break;   // abandoned
            if (unit == u'\b') {
                if (in.length > 0) Backspace(&in);
                else if (in.redraw_due) DrawCursor(&in);
            } else if (unit != 0) {
                TypeUnit(&in, unit);
            } else if (in.redraw_due) {
                DrawCursor(&in);
            }
            uint32_t now = PXK_GetTimeMs();
            if (now - in.last_blink > CURSOR_BLINK_MS) {
                in.last_blink = now;
                in.cursor_on = !in.cursor_on;
                in.redraw_due = true;
            }
            // Nothing typed: wait for this thread's next message, at most a millisecond, so
            // that a waiting input does not keep a processor busy.
            if (unit == 0) PlatWaitMessage(1);
        }
    }
    char status[32];
    snprintf(status, sizeof status, "%d-bit color", screen_bits);
    PXK_SetStatusText(status);
}
