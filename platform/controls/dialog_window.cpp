// The window and the modal run of the layer's dialogs (see dialog_window.h).
#include "platform/controls/dialog_window.h"

#include "platform/draw/system_colors.h"
#include "platform/window/window.h"

WindowId CreateCenteredDialog(const char* class_name, const char16_t* title, PlatSize client, WindowId owner,
                              intptr_t data, DialogCentre centre) {
    const uint32_t style = STYLE_CAPTION | STYLE_SYSMENU;
    PlatRect outer{0, 0, client.cx, client.cy};
    PlatAdjustWindowRect(&outer, style, 0, false);
    int w = RectWidth(outer), h = RectHeight(outer);
    int area_h = PlatGetSystemMetric(METRIC_CYFULLSCREEN);
    if (centre == CENTRE_ON_WORK_AREA) area_h += PlatGetSystemMetric(METRIC_CYCAPTION);
    WindowCreate c{};
    c.class_name = class_name;
    c.text = title;
    c.style = style;
    c.ex_style = EXSTYLE_TOPMOST;
    c.x = PlatGetSystemMetric(METRIC_XWORKAREA) + (PlatGetSystemMetric(METRIC_CXFULLSCREEN) - w) / 2;
    c.y = PlatGetSystemMetric(METRIC_YWORKAREA) + (area_h - h) / 2;
    c.width = w;
    c.height = h;
    c.owner = owner;
    WindowId window = PlatCreateWindow(&c);
    if (window) PlatSetWindowData(window, data);
    return window;
}

// The nested pump: serves the thread's messages until the dialog is answered, its window is
// gone, or a quit arrives.
static void ServeDialog(const ModalDialog& dialog) {
    Message m;
    while (!*dialog.answer && PlatIsWindow(dialog.window)) {
        if (!PlatGetMessage(&m)) break;
        if (dialog.intercept && dialog.intercept(dialog.window, dialog.data, &m)) continue;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}

void RunModalDialog(const ModalDialog& dialog) {
    bool owner_enabled = dialog.owner && PlatIsEnabled(dialog.owner);
    if (owner_enabled) PlatEnableWindow(dialog.owner, false);
    PlatShowWindow(dialog.window, SHOW_NORMAL);
    PlatSetForegroundWindow(dialog.window);
    if (dialog.shown) dialog.shown(dialog.window, dialog.data);
    // Published only once it is shown and has the focus: keys the driver sends from then on
    // reach it, where a key sent before would go nowhere.
    WindowId previous = dialog.open->exchange(dialog.window, std::memory_order_acq_rel);
    ServeDialog(dialog);
    dialog.open->store(previous, std::memory_order_release);
    if (owner_enabled) PlatEnableWindow(dialog.owner, true);
    if (PlatIsWindow(dialog.window)) {
        PlatSetWindowData(dialog.window, 0);
        PlatDestroyWindow(dialog.window);
    }
    if (dialog.owner && PlatIsWindow(dialog.owner)) PlatSetForegroundWindow(dialog.owner);
}

static void OnDrawnDialogShown(WindowId window, void* data) {
    const DrawnDialog& dialog = *(const DrawnDialog*)data;
    PlatSetFocus(window);
    PlatInvalidateRect(window, nullptr, true);
    dialog.publish(dialog.state);
}

bool RunDrawnDialog(const DrawnDialog& dialog) {
    // A second registration of the same class answers 1 and changes nothing.
    WindowClassDesc d{dialog.class_name, dialog.proc, 0, SysColor(SYS_COLOR_FACE)};
    PlatRegisterClass(&d);
    WindowId window =
        CreateCenteredDialog(dialog.class_name, dialog.title, dialog.client, dialog.owner, (intptr_t)dialog.state);
    if (!window) return false;
    RunModalDialog(ModalDialog{window, dialog.owner, dialog.answer, dialog.open, (void*)&dialog, OnDrawnDialogShown,
                               nullptr});
    // Run from the pump of another dialog of its kind, that one is open again: its view stays.
    if (!dialog.open->load(std::memory_order_acquire)) dialog.publish(nullptr);
    return true;
}
