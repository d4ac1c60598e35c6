// Registration of the window classes: the main window's class is named after the instance
// slot; the others come from the window kinds the start-up code registered.
#include "window_classes.h"
#include "main_window.h"
#include "window_kinds.h"
#include "window_rects.h"

#include "platform/window/window.h"

int RegisterWindowClasses(void) {
    char main_name[32];
    MainWindowClassName(main_name, sizeof main_name);
    const WindowClassDesc main_class{main_name, MainWindowProc, CLASS_CLASS_DC, COLOR_BUTTON_FACE};
    if (PlatRegisterClass(&main_class) != 0) return 1;
    return RegisterWindowKindClasses();
}

void UnregisterWindowClasses(void) {
    char main_name[32];
    MainWindowClassName(main_name, sizeof main_name);
    PlatUnregisterClass(main_name);
    UnregisterWindowKindClasses();
}

intptr_t KindWindowDefault(WindowId window, int msg, uintptr_t wparam, intptr_t lparam,
                           const KindWindowHandlers& kind) {
    switch (msg) {
    case MSG_MOVE:
        if (kind.moved) kind.moved(window);
        CollectWindowRects();
        return 0;
    case MSG_MOVING:
        if (lparam) SnapMovingRect(window, (PlatRect*)lparam);
        return 0;
    case MSG_CLOSE:
        if (kind.close) kind.close(window);
        return 0;
    case MSG_DESTROY:
        if (kind.destroyed) kind.destroyed(window);
        return 0;
    default: return PlatDefWindowProc(window, msg, wparam, lparam);
    }
}
