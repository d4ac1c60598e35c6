// The inspector window (class pxk_inspector, title "Inspector"): one tool window that
// follows the image window under the mouse and shows its pixel, a loupe and the histogram
// with statistics (pixel_panel_view.h). It is opened and closed by I in an image window, by
// Ctrl+I in the main window and by PXK_OpenInspector / PXK_CloseInspector; it snaps like
// the other framework windows and opens again where it was last closed.
//
// Threads: the window belongs to the worker thread, like the images it reads, so it reads
// their pixels where no one else writes them. The main window's Ctrl+I reaches it as a
// posted worker call (runtime/worker_calls.h).
#pragma once

#include "platform/plat_types.h"

// For the window-kind table.
intptr_t InspectorWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam);
int AppendInspectorRect(PlatRect* out, int max);
void ResetInspector(void);
// Registers the image windows' handlers and the main window's Ctrl+I (at start).
void RegisterInspector(void);

// The open inspector window, or 0 (any thread).
WindowId InspectorWindow(void);
// Any thread: has the worker open or close it at its next pump (the main window's Ctrl+I).
void PostInspectorToggle(void);
// Opens or closes it (worker thread).
void ToggleInspector(void);
// Where the loupe is and what it follows: the image slot (-1 none) and the pixel.
struct InspectorFocus {
    int image;
    bool has_point;
    int x, y;
    bool log_scale;
};
InspectorFocus InspectorFocusNow(void);
