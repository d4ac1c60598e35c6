// Registration of the five window classes: the main window's class is named after the
// instance slot; the others are shared names of the image window, text window, input box
// and button box.
#include "window_classes.h"
#include "main_window.h"

#include "platform/window/window.h"

static const char* const FRAMEWORK_CLASSES[] = {"pxk_iw", "pxk_twi", "pxk_ib", "pxk_bb"};

int RegisterWindowClasses(void) {
    char main_name[32];
    MainWindowClassName(main_name, sizeof main_name);
    const WindowClassDesc classes[] = {
        {main_name, MainWindowProc, CLASS_CLASS_DC, COLOR_BUTTON_FACE},
        {"pxk_iw", ImageWindowProc, CLASS_OWN_DC, 0x00000000},
        {"pxk_twi", TextWindowProc, CLASS_OWN_DC, 0x00000000},
        {"pxk_ib", InputBoxProc, CLASS_OWN_DC | CLASS_DBLCLKS, COLOR_BUTTON_FACE},
        {"pxk_bb", ButtonBoxProc, CLASS_OWN_DC | CLASS_DBLCLKS, COLOR_BUTTON_FACE},
    };
    for (const WindowClassDesc& c : classes)
        if (PlatRegisterClass(&c) != 0) return 1;
    return 0;
}

void UnregisterWindowClasses(void) {
    char main_name[32];
    MainWindowClassName(main_name, sizeof main_name);
    PlatUnregisterClass(main_name);
    for (const char* name : FRAMEWORK_CLASSES) PlatUnregisterClass(name);
}
