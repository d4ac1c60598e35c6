// The small shared operations: the millisecond clock, window texts between UTF-8 and the
// layer's UTF-16, the centred status line, the "Pause" box, menus by position, SplitRGB.
#include "shared_ops.h"
#include "platform/layer_mutex.h"
#include "startup_state.h"

#include "platform/controls/dialog.h"
#include "platform/window/menu.h"
#include "platform/system.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <mutex>
#include <string.h>

double ms_per_tick = 1.0e-6;

uint64_t PXK_GetTicks(void) { return PlatGetCounter(); }

uint32_t PXK_GetTimeMs(void) {
    double ms = (double)PlatGetCounter() * ms_per_tick;
    return (uint32_t)(uint64_t)ms;
}

int PXK_GetWindowText(WindowId window, char* buf, int n) {
    if (!buf || n <= 0) return 1;
    if (n > WINDOW_TEXT_UNITS) n = WINDOW_TEXT_UNITS;
    char16_t wide[WINDOW_TEXT_UNITS];
    PlatGetWindowText(window, wide, n);
    Utf16ToUtf8(wide, -1, buf, n);
    return 0;
}

int PXK_SetWindowText(WindowId window, const char* text) {
    char16_t wide[WINDOW_TEXT_UNITS];
    Utf8ToUtf16(text ? text : "", -1, wide, WINDOW_TEXT_UNITS);
    return PlatSetWindowText(window, wide);
}

// The status text is kept here as well as in the control, so that it is known even before
// (or without) the control, and so that both threads can set it.
static LayerMutex g_status_lock;
static char g_status_field[STATUS_FIELD];

void FormatStatusField(const char* text, char field[STATUS_FIELD]) {
    if (!text) text = "";
    memset(field, ' ', STATUS_FIELD - 1);
    field[STATUS_FIELD - 1] = 0;
    int len = (int)strlen(text);
    int p = STATUS_CENTRE - len / 2;
    if (p < 0) p = 0;
    if (p > STATUS_FIELD - 1) p = STATUS_FIELD - 1;
    // A text that does not fit is cut at a character boundary instead of running past the field.
    int keep = Utf8CutLength(text, len, STATUS_FIELD - 1 - p);
    memcpy(field + p, text, (size_t)keep);
    field[p + keep] = 0;
}

void PXK_SetStatusText(const char* text) {
    char field[STATUS_FIELD];
    FormatStatusField(text, field);
    {
        std::lock_guard<LayerMutex> guard(g_status_lock);
        memcpy(g_status_field, field, sizeof field);
    }
    WindowId line = status_line.load(std::memory_order_acquire);
    if (line) PXK_SetWindowText(line, field);
}

void GetStatusText(char* buf, int size) {
    if (!buf || size <= 0) return;
    WindowId line = status_line.load(std::memory_order_acquire);
    if (line && PlatIsWindow(line)) {
        PXK_GetWindowText(line, buf, size < WINDOW_TEXT_UNITS ? size : WINDOW_TEXT_UNITS);
        return;
    }
    std::lock_guard<LayerMutex> guard(g_status_lock);
    int n = (int)strnlen(g_status_field, STATUS_FIELD);
    n = Utf8CutLength(g_status_field, n, size - 1);
    memcpy(buf, g_status_field, (size_t)n);
    buf[n] = 0;
}

void PXK_Pause(const char* text) {
    char16_t wide[WINDOW_TEXT_UNITS];
    Utf8ToUtf16(text ? text : "", -1, wide, WINDOW_TEXT_UNITS);
    PlatMessageBox(0, wide, u"Pause", MBOX_OK);
}

int InsertMenuText(Menu* menu, int position, int state, int id, const char* text) {
    char16_t wide[WINDOW_TEXT_UNITS];
    Utf8ToUtf16(text ? text : "", -1, wide, WINDOW_TEXT_UNITS);
    return PlatInsertMenuItem(menu, position, state, id, wide);
}

int InsertMenuSeparator(Menu* menu, int position) { return PlatInsertMenuSeparator(menu, position); }

int InsertSubMenu(Menu* menu, int position, const char* text, Menu* submenu) {
    char16_t wide[WINDOW_TEXT_UNITS];
    Utf8ToUtf16(text ? text : "", -1, wide, WINDOW_TEXT_UNITS);
    return PlatInsertSubMenu(menu, position, wide, submenu);
}

void SplitRGB(PXK_Color color, int* red, int* green, int* blue) {
    if (red) *red = (color >> 16) & 0xFF;
    if (green) *green = (color >> 8) & 0xFF;
    if (blue) *blue = color & 0xFF;
}
