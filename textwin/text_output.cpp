// Formatted output to the current text window: formatting in the "C" locale, the log copy,
// the walk that cuts the text into runs at line feeds and where a character would cross the
// right edge, and the invalidation and message pumping after each call (a pump skipped to
// keep bursts fast leaves its paint owed, never dropped).
#include "textwin/text_window.h"

#include "textwin/char_cells.h"
#include "textwin/owed_paint.h"
#include "textwin/text_history.h"

#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <locale.h>
#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <algorithm>

// Printing in a tight loop pumps the thread's messages at most this often, so windows stay
// alive while a burst of lines does not pay a full repaint for every line.
enum { PRINT_PUMP_INTERVAL_MS = 1 };

static locale_t CLocale(void) {
    static locale_t c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
    return c;
}

// Walks the units, drawing runs and starting lines. Returns the logical rectangle changed
// (meaningless when *scrolled comes back true: then everything changed).
static PlatRect WriteUnits(TextWindowRecord* rec, const char16_t* units, int count, bool* scrolled) {
    PlatRect dirty{0, 0, 0, 0};
    int px = rec->cur_x;
    int run = 0, run_len = 0;
    int i = 0;
    while (i < count) {
        if (units[i] == u'\n') {
            if (run_len > 0) dirty = RectUnion(dirty, DrawTextRun(rec, rec->cur_x, rec->cur_y, units + run, run_len));
            if (StartNewLine(rec)) *scrolled = true;
            i++;
            run = i;
            run_len = 0;
            px = 0;
            continue;
        }
        uint32_t cp = 0;
        int used = Utf16Decode(units + i, count - i, &cp);
        if (used < 1) used = 1;
        int w = ConsoleCharCells(cp) * rec->cell_w;
        if (px + w > rec->width) {
            if (run_len > 0) dirty = RectUnion(dirty, DrawTextRun(rec, rec->cur_x, rec->cur_y, units + run, run_len));
            if (StartNewLine(rec)) *scrolled = true;
            run = i;
            run_len = 0;
            px = 0;
        }
        run_len += used;
        px += w;
        i += used;
    }
    if (run_len > 0) {
        dirty = RectUnion(dirty, DrawTextRun(rec, rec->cur_x, rec->cur_y, units + run, run_len));
        rec->cur_x = px;
    }
    return dirty;
}

// Pumps unless this thread pumped less than the interval ago. The output's paint is noted as
// owed either way: a skipped pump, or a window that belongs to another thread, leaves it to be
// paid when no paint comes in time (owed_paint.h).
static void PumpAfterOutput(int id) {
    static thread_local uint32_t last_pump = 0;
    static thread_local bool pumped = false;
    uint32_t now = PlatGetTickMs();
    OwePaint(id, now);
    if (pumped && now - last_pump < (uint32_t)PRINT_PUMP_INTERVAL_MS) return;
    pumped = true;
    last_pump = now;
    PXK_PumpMessages();
}

// Shows (and logs) ready-formatted text in window id; colors, when given, are the text and
// background colours of this text alone, the window's own ones apply again afterwards.
static void OutputText(int id, const char* text, int len, const int* colors) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return;
    char16_t units[PRINT_BUFFER_BYTES + 1];
    int count = Utf8ToUtf16(text, len, units, PRINT_BUFFER_BYTES + 1);

    WindowId window = 0;
    bool scrolled = false;
    bool invalidate = false;
    bool log_failed = false;
    PlatRect dirty{0, 0, 0, 0};
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return;
        log_failed = WriteLogLocked(rec, text, (size_t)len, false);
        int own_text = rec->text_color, own_back = rec->back_color;
        if (colors) {
            rec->text_color = colors[0];
            rec->back_color = colors[1];
            ApplyTextColors(rec);
        }
        dirty = WriteUnits(rec, units, count, &scrolled);
        if (LeaveHistoryView(rec)) scrolled = true;   // the whole live window comes back
        if (colors) {
            rec->text_color = own_text;
            rec->back_color = own_back;
            ApplyTextColors(rec);
        }
        invalidate = NoteDamage(rec, scrolled ? nullptr : &dirty);
        window = rec->hwnd.load();
    }
    if (invalidate) PlatInvalidateRect(window, scrolled ? nullptr : &dirty, false);
    if (log_failed) ShowLogWriteError();
    PumpAfterOutput(id);
}

void PXK_Printf(const char* format, ...) {
    int id = current_text_window.load();
    if (!OpenTextWindowRecord(id) || !format) return;

    char text[PRINT_BUFFER_BYTES];
    va_list args;
    va_start(args, format);
    locale_t previous = uselocale(CLocale());
    int n = vsnprintf(text, sizeof text, format, args);
    uselocale(previous);
    va_end(args);
    if (n < 0) return;
    int len = n;
    if (len > PRINT_BUFFER_BYTES - 1) {
        // Longer output is cut, at a character boundary.
        len = Utf8CutLength(text, PRINT_BUFFER_BYTES - 1, PRINT_BUFFER_BYTES - 1);
        text[len] = 0;
    }
    OutputText(id, text, len, nullptr);
}

void PrintInColors(int id, const char* text, int text_color, int back_color) {
    int len = Utf8CutLength(text, (int)strnlen(text, PRINT_BUFFER_BYTES), PRINT_BUFFER_BYTES - 1);
    const int colors[2] = {text_color, back_color};
    OutputText(id, text, len, colors);
}
