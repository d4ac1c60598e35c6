// The window and the nested pump of the layer's modal dialogs (see dialog_window.h).
#include "platform/controls/dialog_window.h"

#include "platform/window/window.h"

WindowId CreateCenteredDialog(const char* class_name, const char16_t* title, PlatSize client, WindowId owner,
                              intptr_t data) {
    const uint32_t style = STYLE_CAPTION | STYLE_SYSMENU;
    PlatRect outer{0, 0, client.cx, client.cy};
    PlatAdjustWindowRect(&outer, style, 0, false);
    int w = RectWidth(outer), h = RectHeight(outer);
    WindowCreate c{};
    c.class_name = class_name;
    c.text = title;
    c.style = style;
    c.ex_style = EXSTYLE_TOPMOST;
    c.x = PlatGetSystemMetric(METRIC_XWORKAREA) + (PlatGetSystemMetric(METRIC_CXFULLSCREEN) - w) / 2;
    c.y = PlatGetSystemMetric(METRIC_YWORKAREA) + (PlatGetSystemMetric(METRIC_CYFULLSCREEN) - h) / 2;
    c.width = w;
    c.height = h;
    c.owner = owner;
    WindowId window = PlatCreateWindow(&c);
    if (window) PlatSetWindowData(window, data);
    return window;
}

void ServeDialog(WindowId window, const int* answer) {
    Message m;
    while (!*answer && PlatIsWindow(window)) {
        if (!PlatGetMessage(&m)) break;
        PlatTranslateMessage(&m);
        PlatDispatchMessage(&m);
    }
}
