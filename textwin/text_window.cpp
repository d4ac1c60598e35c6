// The text window table: opening, closing, selecting and showing text windows, the colour
// stacks, the lookup by window handle, the rectangles for the window list, and the size and
// paint handling of the window procedure.
#include "textwin/text_window.h"

#include "platform/draw/draw.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/window.h"
#include "runtime/startup_state.h"
#include "runtime/window_rects.h"
#include "textwin/key_ring.h"
#include "textwin/text_history.h"
#include "textwin/text_window_proc.h"

#include <stdio.h>

TextWindowRecord pxk::text_windows[TEXT_WINDOW_COUNT];
std::atomic<int> current_text_window{0};
std::atomic<int> input_active{0};

static const uint32_t TEXT_WINDOW_STYLE = STYLE_VISIBLE | STYLE_CAPTION | STYLE_SYSMENU | STYLE_SIZEFRAME;

void ResetTextWindowTable(void) {
    for (TextWindowRecord& rec : text_windows) {
        std::lock_guard<LayerMutex> guard(rec.lock);
        DestroyTextStore(&rec);
        FreeTextHistory(&rec);
        rec.is_open.store(0);
        rec.hwnd.store(0);
        rec.width = rec.height = rec.cur_x = rec.cur_y = 0;
        rec.cell_w = rec.cell_h = 0;
        rec.text_color = 0xFFFFFF;
        rec.back_color = 0x000000;
        for (int i = 0; i < COLOR_STACK_DEPTH; i++) {
            rec.text_color_stack[i] = 0xFFFFFF;
            rec.back_color_stack[i] = 0x000000;
        }
        rec.win_dc = nullptr;
        rec.pending_paint = PlatRect{0, 0, 0, 0};
        ResetLogFields(&rec);
    }
    OpenLogFolder();
    current_text_window.store(0);
    input_active.store(0);
    ResetKeyRing();
    PlatSetInputHold(HoldTypedInput);
}

void ClearLineInput(void) { input_active.store(0, std::memory_order_release); }

TextWindowRecord* OpenTextWindowRecord(int id) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return nullptr;
    TextWindowRecord* rec = &text_windows[id];
    return rec->is_open.load(std::memory_order_acquire) ? rec : nullptr;
}

int PXK_TextWindowIndex(PXK_Window window) {
    if (!window) return -1;
    for (int id = 0; id < TEXT_WINDOW_COUNT; id++) {
        TextWindowRecord* rec = &text_windows[id];
        if (rec->is_open.load(std::memory_order_acquire) && rec->hwnd.load(std::memory_order_acquire) == window)
            return id;
    }
    return -1;
}

int AppendTextWindowRects(PlatRect* out, int max) {
    int n = 0;
    for (int id = 0; id < TEXT_WINDOW_COUNT && n < max; id++) {
        TextWindowRecord* rec = &text_windows[id];
        if (!rec->is_open.load(std::memory_order_acquire)) continue;
        PlatRect r;
        if (PlatGetWindowRect(rec->hwnd.load(std::memory_order_acquire), &r) == 0) out[n++] = r;
    }
    return n;
}

// ---- Opening and closing ----------------------------------------------------------------

// Fills a fresh record once its window exists: contexts, store, cursor, metrics, stacks.
static int SetUpOpenedRecord(TextWindowRecord* rec, WindowId window) {
    std::lock_guard<LayerMutex> guard(rec->lock);
    rec->hwnd.store(window, std::memory_order_release);
    rec->win_dc = PlatGetWindowContext(window);
    if (CreateTextStore(rec) != 0) return 3;
    rec->cur_x = rec->cur_y = 0;
    ApplyTextColors(rec);
    TextMetrics tm;
    PlatGetTextMetrics(rec->mem_dc, &tm);
    rec->cell_w = tm.ave_char_width;
    rec->cell_h = tm.height;
    for (int i = 0; i < COLOR_STACK_DEPTH; i++) {
        rec->text_color_stack[i] = rec->text_color;
        rec->back_color_stack[i] = rec->back_color;
    }
    // A log left from an earlier window of this id is closed whole, never written again.
    CloseLogLocked(rec);
    return 0;
}

int PXK_OpenTextWindow(int id, int x, int y, int width, int height) {
    if (id < 0 || id >= TEXT_WINDOW_COUNT) return 1;
    TextWindowRecord* rec = &text_windows[id];
    if (rec->is_open.load(std::memory_order_acquire)) {
        PlatSetForegroundWindow(rec->hwnd.load(std::memory_order_acquire));
        current_text_window.store(id);
        return 1;
    }
    if (width < 0) width = DEFAULT_TEXT_WIDTH;
    if (height < 0) height = DEFAULT_TEXT_HEIGHT;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        rec->width = width;
        rec->height = height;
        rec->text_color = 0xFFFFFF;
        rec->back_color = 0x000000;
    }

    char title[32];
    snprintf(title, sizeof title, "TextWindow %d", id);
    char16_t title_w[32];
    Utf8ToUtf16(title, -1, title_w, 32);
    PlatRect outer{0, 0, width, height};
    PlatAdjustWindowRect(&outer, TEXT_WINDOW_STYLE, 0, false);
    WindowCreate wc{};
    wc.class_name = "pxk_twi";
    wc.text = title_w;
    wc.style = TEXT_WINDOW_STYLE;
    wc.x = x < 0 ? POSITION_DEFAULT : x;
    wc.y = y < 0 ? POSITION_DEFAULT : y;
    wc.width = RectWidth(outer);
    wc.height = RectHeight(outer);
    wc.owner = main_window.load(std::memory_order_acquire);
    WindowId window = PlatCreateWindow(&wc);
    if (!window) return 2;
    if (SetUpOpenedRecord(rec, window) != 0) {
        {
            std::lock_guard<LayerMutex> guard(rec->lock);
            DestroyTextStore(rec);
            rec->hwnd.store(0);
        }
        PlatDestroyWindow(window);
        return 3;
    }
    rec->is_open.store(1, std::memory_order_release);
    // Only an open window becomes current: after a failed open, output still goes where it went.
    current_text_window.store(id);
    CollectWindowRects();
    PlatUpdateWindow(window);
    PlatSetForegroundWindow(window);
    return 0;
}

int PXK_CloseTextWindow(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 1;
    WindowId window;
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (!rec->is_open.load()) return 1;
        rec->is_open.store(0, std::memory_order_release);
        window = rec->hwnd.load();
    }
    if (current_text_window.load() == id) {
        for (int i = 0; i < TEXT_WINDOW_COUNT; i++)
            if (text_windows[i].is_open.load(std::memory_order_acquire)) {
                current_text_window.store(i);
                break;
            }
    }
    // Ends a line input that reads this window: it returns an empty line.
    int reading = id + 1;
    input_active.compare_exchange_strong(reading, 0);
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        // Everything written reaches the file now; a later open of this id starts a new log.
        CloseLogLocked(rec);
        DestroyTextStore(rec);
        FreeTextHistory(rec);
        rec->win_dc = nullptr;
        rec->hwnd.store(0, std::memory_order_release);
    }
    PlatDestroyWindow(window);
    return 0;
}

int PXK_SelectTextWindow(int id) {
    if (!OpenTextWindowRecord(id)) return 1;
    current_text_window.store(id);
    return 0;
}

void PXK_ShowTextWindow(void) {
    TextWindowRecord* rec = OpenTextWindowRecord(current_text_window.load());
    if (rec) {
        PlatSetForegroundWindow(rec->hwnd.load(std::memory_order_acquire));
        return;
    }
    int w = PlatGetSystemMetric(METRIC_CXFULLSCREEN), h = PlatGetSystemMetric(METRIC_CYFULLSCREEN);
    PXK_OpenTextWindow(0, w / 2 - 200, h / 2 - 150, 400, 300);
}

// ---- Colour stacks ----------------------------------------------------------------------

void PXK_PushTextColor(int background, int foreground) {
    TextWindowRecord* rec = OpenTextWindowRecord(current_text_window.load());
    if (!rec) return;
    std::lock_guard<LayerMutex> guard(rec->lock);
    for (int i = COLOR_STACK_DEPTH - 1; i > 0; i--) {
        rec->text_color_stack[i] = rec->text_color_stack[i - 1];
        rec->back_color_stack[i] = rec->back_color_stack[i - 1];
    }
    rec->text_color_stack[0] = rec->text_color;
    rec->back_color_stack[0] = rec->back_color;
    rec->text_color = foreground;
    rec->back_color = background;
    ApplyTextColors(rec);
}

void PXK_PopTextColor(void) {
    TextWindowRecord* rec = OpenTextWindowRecord(current_text_window.load());
    if (!rec) return;
    std::lock_guard<LayerMutex> guard(rec->lock);
    rec->text_color = rec->text_color_stack[0];
    rec->back_color = rec->back_color_stack[0];
    // The bottom entry stays, so popping more often than pushing keeps returning it.
    for (int i = 0; i < COLOR_STACK_DEPTH - 1; i++) {
        rec->text_color_stack[i] = rec->text_color_stack[i + 1];
        rec->back_color_stack[i] = rec->back_color_stack[i + 1];
    }
    ApplyTextColors(rec);
}

int PXK_ScrollIfNeeded(int id) {
    TextWindowRecord* rec = OpenTextWindowRecord(id);
    if (!rec) return 0;
    std::lock_guard<LayerMutex> guard(rec->lock);
    return ScrollIfNeededLocked(rec) ? 1 : 0;
}

// ---- Size and paint ---------------------------------------------------------------------

void ResizeTextWindow(WindowId window, int width, int height) {
    int id = PXK_TextWindowIndex(window);
    if (id < 0) return;   // the size message sent while the window is being created
    TextWindowRecord* rec = &text_windows[id];
    {
        std::lock_guard<LayerMutex> guard(rec->lock);
        rec->width = width;
        rec->height = height;
        DestroyTextStore(rec);
        LeaveHistoryView(rec);   // the kept lines stay, shown again at the new width
        rec->win_dc = PlatGetWindowContext(window);
        CreateTextStore(rec);   // a new store is black
        rec->cur_x = rec->cur_y = 0;
        ApplyTextColors(rec);
        NoteDamage(rec, nullptr);
    }
    CollectWindowRects();
    PlatInvalidateRect(window, nullptr, false);
}

void PaintTextWindow(WindowId window) {
    int id = PXK_TextWindowIndex(window);
    PlatRect invalid{0, 0, 0, 0};
    PlatBeginPaint(window, &invalid);
    if (id >= 0) {
        TextWindowRecord* rec = &text_windows[id];
        std::lock_guard<LayerMutex> guard(rec->lock);
        if (rec->is_open.load() && rec->win_dc) CopyStoreToContext(rec, &invalid, rec->win_dc);
        // Output noted before this copy either lies in what was copied or has invalidated
        // the window again; output after it must invalidate anew. Clearing the note any
        // earlier (before the invalid rectangle was taken) would let output whose damage this
        // paint had already taken but not yet copied go unpainted.
        rec->pending_paint = PlatRect{0, 0, 0, 0};
    }
    PlatEndPaint(window);
}
