// Stand-in used only until its owner's definition exists: this library is linked after the
// framework library, so a real definition anywhere in the framework always wins, and this
// weak one only fills the gap. Delete it once the real one has landed.
#include "runtime/window_classes.h"
#include "platform/window.h"

__attribute__((weak)) intptr_t ImageWindowProc(WindowId window, int msg, uintptr_t wparam, intptr_t lparam) {
    return PlatDefWindowProc(window, msg, wparam, lparam);
}
