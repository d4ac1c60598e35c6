// Line input in the current text window: a loop that pumps the thread's messages, takes
// typed units from the key ring, serves the recall and paste requests, echoes characters
// with wrapping, undoes wraps on backspace (bringing back rows that scrolled away), echoes
// the line again after a resize, blinks the cursor, and ends on Enter or when the input is
// abandoned (the window closed or the program exiting).
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

#include <algorithm>
#include <vector>

// A line holds at most 255 bytes in the system code page, so that what was echoed is what
// the caller's 256-byte buffer receives.
enum { CURSOR_BLINK_MS = 200, LINE_MAX_UNITS = LINE_UNITS - 1, LINE_MAX_BYTES = LINE_UNITS - 1 };

// Where a character of the line was drawn and where the cursor stood before it was typed.
// Rows count the lines started since the input began, so they stay right when the window
// scrolls; a backspace puts the cursor back where it stood, undoing any wrap.
struct CharPlace {
    int x, row;
    int before_x, before_row;
};

struct LineInput {
    int id;
    char16_t line[LINE_UNITS];
    int length;                    // units in line
    int bytes;                     // the line's length in the system code page (UTF-8)
    CharPlace place[LINE_UNITS];   // by the index of each character's first unit
    int row;                       // the cursor's row
    unsigned store_generation;     // the backing store the places belong to
    char16_t pending_high;         // first half of a surrogate pair, waiting for the second
    bool cursor_on;
    bool redraw_due;
    uint32_t last_blink;
    // The prompt: the pixels left of where the line started on its first row, so that the
    // row comes back whole when a backspace scrolls it into view again.
    std::vector<uint32_t> prompt;
    int prompt_w, prompt_h;
};

// Draws units at the cursor in the current colours and invalidates `cells` cells there.
static void DrawAtCursor(LineInput* in, const char16_t* units, int count, int cells) {
    TextWindowRecord* rec = &text_windows[in->id];
    WindowId window = 0;
    PlatRect cell;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
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
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return;
        scrolled = StartNewLine(rec);
        if (scrolled && NoteDamage(rec, nullptr)) window = rec->hwnd.load();
    }
    in->row++;
    if (window) PlatInvalidateRect(window, nullptr, false);
}

// Reads cursor and geometry under the lock.
static void CursorState(LineInput* in, int* x, int* width, int* cell_w) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    *x = rec->cur_x;
    *width = rec->width;
    *cell_w = rec->cell_w;
}

static bool IsSurrogatePair(const char16_t* units, int count) {
    return count >= 2 && units[0] >= 0xD800 && units[0] <= 0xDBFF && units[1] >= 0xDC00 && units[1] <= 0xDFFF;
}

// Draws again the characters of the line placed on rows [row, row + rows), the first of them
// at the top of the window. Called with the record's lock held.
static void RedrawRows(LineInput* in, TextWindowRecord* rec, int row, int rows) {
    for (int i = 0; i < in->length;) {
        int count = IsSurrogatePair(in->line + i, in->length - i) ? 2 : 1;
        const CharPlace& p = in->place[i];
        if (p.row >= row && p.row < row + rows) DrawTextRun(rec, p.x, (p.row - row) * rec->cell_h, in->line + i, count);
        i += count;
    }
}

// Keeps the pixels of the line's first row left of the cursor (the prompt).
static void KeepPrompt(LineInput* in) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    in->prompt_w = std::max(0, std::min(rec->cur_x, rec->width));
    in->prompt_h = std::max(0, std::min(rec->cell_h, rec->height - rec->cur_y));
    in->prompt.assign((size_t)in->prompt_w * (size_t)in->prompt_h, 0);
    if (!in->prompt.empty())
        CopyStoreRect(rec, PlatRect{0, rec->cur_y, in->prompt_w, rec->cur_y + in->prompt_h}, in->prompt.data());
}

// Puts the kept prompt back at the top of the window (its first row has come back there).
// Called with the record's lock held.
static void RestorePrompt(const LineInput* in, TextWindowRecord* rec) {
    if (in->prompt.empty() || in->prompt_w > rec->width || in->prompt_h > rec->height) return;
    PutStoreRect(rec, PlatRect{0, 0, in->prompt_w, in->prompt_h}, in->prompt.data());
}

// Puts the cursor at x on an earlier row of the line. A row that has scrolled off the top
// comes back: the content moves down and the row is drawn again (the prompt on the first
// row, then the line's characters), so the cursor never leaves the window.
static void MoveCursorBack(LineInput* in, int row, int x) {
    TextWindowRecord* rec = &text_windows[in->id];
    WindowId window = 0;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return;
        int y = rec->cur_y - (in->row - row) * rec->cell_h;
        if (y < 0 && rec->cell_h > 0) {
            int hidden = (-y + rec->cell_h - 1) / rec->cell_h;
            ScrollDownLocked(rec, hidden * rec->cell_h);
            if (row == 0) RestorePrompt(in, rec);
            RedrawRows(in, rec, row, hidden);
            y = 0;
            if (NoteDamage(rec, nullptr)) window = rec->hwnd.load();
        }
        rec->cur_x = x;
        rec->cur_y = y;
    }
    in->row = row;
    if (window) PlatInvalidateRect(window, nullptr, false);
}

static void MoveCursorRight(LineInput* in, int dx) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    rec->cur_x += dx;
}

static unsigned StoreGeneration(const LineInput* in) {
    TextWindowRecord* rec = &text_windows[in->id];
    std::lock_guard<LayerMutex> guard(rec->lock);
    return rec->store_generation;
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
    CharPlace& p = in->place[in->length];
    int u = CellsOf(units, count);
    int x, width, cw;
    CursorState(in, &x, &width, &cw);
    p.before_x = x;
    p.before_row = in->row;
    // A wide character that finds one cell moves to the next line whole; so does a narrow one
    // that finds none (after a prompt that filled the line).
    bool no_room = u == 2 ? x > width - 2 * cw : x > 0 && x > width - cw;
    if (no_room) {
        BlankCursorCell(in);
        NewLineAndInvalidate(in);
        CursorState(in, &x, &width, &cw);
    }
    p.x = x;
    p.row = in->row;
    DrawAtCursor(in, units, count, u);
    if (x + u * cw > width - cw) {
        // No room for the cursor cell after it.
        NewLineAndInvalidate(in);
    } else {
        MoveCursorRight(in, u * cw);
    }
    for (int i = 0; i < count; i++) in->line[in->length++] = units[i];
    in->bytes += Utf8Bytes(units, count);
    DrawCursor(in);
}

// Removes the last character: the cursor goes back to where it was drawn (a wide one is
// blanked there) and then to where the cursor stood before it was typed.
static void Backspace(LineInput* in) {
    BlankCursorCell(in);
    int count = in->length >= 2 && IsSurrogatePair(in->line + in->length - 2, 2) ? 2 : 1;
    int start = in->length - count;
    int u = CellsOf(in->line + start, count);
    in->bytes -= Utf8Bytes(in->line + start, count);
    in->length = start;
    const CharPlace p = in->place[start];
    MoveCursorBack(in, p.row, p.x);
    if (u == 2) DrawAtCursor(in, u"\u3000", 1, 2);
    MoveCursorBack(in, p.before_row, p.before_x);
    if (in->redraw_due) DrawCursor(in);
}

// The window was resized, which cleared it and put the cursor home: the line typed so far is
// echoed again from there, so that its places match the new window.
static void EchoAgain(LineInput* in, unsigned generation) {
    in->store_generation = generation;
    in->prompt.clear();   // the resize cleared it from the window
    char16_t typed[LINE_UNITS];
    int n = in->length;
    memcpy(typed, in->line, (size_t)n * sizeof(char16_t));
    in->length = 0;
    in->bytes = 0;
    in->row = 0;
    for (int i = 0; i < n;) {
        int count = IsSurrogatePair(typed + i, n - i) ? 2 : 1;
        InsertCharacter(in, typed + i, count);
        i += count;
    }
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
    bool log_failed = false;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (rec->is_open.load()) log_failed = WriteLogLocked(rec, buffer, strlen(buffer), true);
    }
    if (log_failed) ShowLogWriteError();
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
        in.store_generation = StoreGeneration(&in);
        KeepPrompt(&in);
        for (;;) {
            PXK_PumpMessages();
            unsigned generation = StoreGeneration(&in);
            if (generation != in.store_generation) EchoAgain(&in, generation);
            char16_t unit = TakeKeyUnit();
            if (unit == u'\t') unit = u' ';
            if (unit == u'\r') {
                EndLine(&in, buffer);
                break;
            }
            ServePasteRequest(&in);
            // Abandoned; Exit abandons an input even when it began after Exit cleared the flag.
            if (input_active.load(std::memory_order_acquire) == 0 || ExitState.load() != PXK_EXIT_NONE) break;
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
