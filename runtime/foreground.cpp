// Bringing a window of the framework forward by its handle, the call the generated layout
// source ends with. Only the main window (named by the constant PXKMAINWINDOW) and the
// windows of the registered kinds qualify, so a handle of a dialog, a control or a window
// long gone is refused rather than raised. The layer raises and focuses from any thread, so
// the worker never waits for the main thread here.
#include "runtime/startup_state.h"
#include "runtime/window_kinds.h"

#include "platform/window/window.h"

#include <pxk.h>

int PXK_SetForeground(PXK_Window window) {
    WindowId target = 0;
    if (window == PXKMAINWINDOW) target = main_window.load(std::memory_order_acquire);
    else if (IsWindowKindWindow(window)) target = window;
    if (!target) return 1;
    return PlatSetForegroundWindow(target) == 0 ? 0 : 1;
}
