// The window-information command: a coloured report of where the framework's windows are,
// printed into the current text window, and the PXK_ calls that recreate them, put on the
// clipboard as text. The text window's menu and Ctrl+W run it after making their window
// current; the main window's Window Info runs it for the current text window. Each window
// kind writes its own part (the describe entries of runtime/window_kinds.h); the report walks
// the kinds and owns the frame, the colours and the clipboard.
#pragma once

// Runs on the thread that owns the text windows. The report goes whole into the window that
// is current when it starts, whatever is selected or closed while it prints; a second report
// asked for while one prints is ignored.
void ShowWindowInfo(void);
