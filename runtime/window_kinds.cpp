// The table of window kinds and the walks over it. The table is written on the main thread
// before the worker thread is created and only read afterwards, so it needs no lock.
#include "window_kinds.h"

#include "platform/controls/controls.h"

static WindowKind g_kinds[WINDOW_KINDS_MAX];
static int g_kind_count = 0;

int RegisterWindowKind(const WindowKind& kind) {
    if (g_kind_count >= WINDOW_KINDS_MAX) return 1;
    g_kinds[g_kind_count++] = kind;
    return 0;
}

void ClearWindowKinds(void) { g_kind_count = 0; }

int WindowKindCount(void) { return g_kind_count; }

void ResetWindowKinds(void) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].reset) g_kinds[i].reset();
}

int RegisterWindowKindClasses(void) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].window_class.name && PlatRegisterClass(&g_kinds[i].window_class) != 0) return 1;
    return 0;
}

void UnregisterWindowKindClasses(void) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].window_class.name) PlatUnregisterClass(g_kinds[i].window_class.name);
}

int AppendWindowKindRects(PlatRect* list, int count, int max) {
    for (int i = 0; i < g_kind_count && count < max; i++)
        if (g_kinds[i].append_rects) count += g_kinds[i].append_rects(list + count, max - count);
    return count < max ? count : max;
}

bool IsWindowKindWindow(WindowId window) {
    if (!window || PlatGetTopLevel(window) != window) return false;
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].window_class.name && PlatIsWindowOfClass(window, g_kinds[i].window_class.name)) return true;
    return false;
}

bool HandleWindowKindDialogKeys(const Message* msg) {
    for (int i = 0; i < g_kind_count; i++) {
        if (!g_kinds[i].dialog_window) continue;
        WindowId box = g_kinds[i].dialog_window();
        if (box && PlatIsDialogMessage(box, msg)) return true;
    }
    return false;
}

void AbandonWindowKindInput(void) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].abandon_input) g_kinds[i].abandon_input();
}

void CloseWindowKindLogs(void) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].close_logs) g_kinds[i].close_logs();
}

void DescribeWindowKinds(WindowDescription* out) {
    for (int i = 0; i < g_kind_count; i++)
        if (g_kinds[i].describe) g_kinds[i].describe(out);
}
