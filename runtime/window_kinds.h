// The kinds of framework windows the runtime serves without knowing them. The runtime is the
// lowest framework folder: image windows, text windows and the boxes live above it, so each
// of them is described here by a record of plain function pointers, and the start-up code at
// the top of the framework registers the records before the program runs. The runtime then
// walks the table where it needs every kind: resetting their tables at start, registering
// their window classes, collecting their window rectangles, giving the boxes their dialog
// keys, abandoning input and closing logs on Exit, and describing their windows for the
// window report.
#pragma once

#include "platform/window/window.h"

struct WindowDescription;

struct WindowKind {
    const char* name;               // for messages: "image windows", "input box" ...
    WindowClassDesc window_class;   // name null: the kind has no class of its own
    // Appends the outer rectangles of its open windows (in slot order), at most max;
    // returns how many were written.
    int (*append_rects)(PlatRect* out, int max);
    // The window that takes the layer's dialog keys (Tab, Enter) in the pumps, or 0.
    WindowId (*dialog_window)(void);
    void (*reset)(void);            // clears its table at program start
    void (*abandon_input)(void);    // Exit: a waiting input returns at once
    void (*close_logs)(void);       // Exit: its log files are flushed and closed
    // The window report: appends its section of report lines and source lines for its open
    // windows (runtime/window_description.h). Runs on the thread that owns the text windows.
    void (*describe)(WindowDescription* out);
};

enum { WINDOW_KINDS_MAX = 8 };

// Adds a kind at the end of the table (registration order is the order of every walk).
// 0 done; 1 the table is full. Called on the main thread before the worker starts.
int RegisterWindowKind(const WindowKind& kind);
// Empties the table (the start-up code fills it again for each program run).
void ClearWindowKinds(void);
int WindowKindCount(void);

// The walks.
void ResetWindowKinds(void);
// Registers every kind's class in table order; 0 done, 1 a registration failed.
int RegisterWindowKindClasses(void);
void UnregisterWindowKindClasses(void);
// Appends every kind's rectangles in table order; returns the new count (at most max).
int AppendWindowKindRects(PlatRect* list, int count, int max);
// True when the message was a dialog key of one of the kinds' dialog windows.
bool HandleWindowKindDialogKeys(const Message* msg);
void AbandonWindowKindInput(void);
// True when the window is a top-level window of one of the kinds' classes.
bool IsWindowKindWindow(WindowId window);
void CloseWindowKindLogs(void);
// Every kind's description in table order.
void DescribeWindowKinds(WindowDescription* out);
