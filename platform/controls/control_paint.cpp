// Off-screen painting shared by the standard controls.
#include "platform/controls/control_paint.h"

#include "platform/font/font.h"
#include "platform/window/window.h"

bool BeginControlPaint(WindowId window, ControlPaint* paint) {
    PlatRect invalid;
    PlatBeginPaint(window, &invalid);
    PlatRect client;
    PlatGetClientRect(window, &client);
    paint->window = window;
    paint->width = RectWidth(client);
    paint->height = RectHeight(client);
    paint->back = nullptr;
    paint->dc = nullptr;
    if (paint->width < 1 || paint->height < 1 ||
        PlatCreateSurface(&paint->back, paint->width, paint->height, 32) != 0) {
        PlatEndPaint(window);
        return false;
    }
    paint->dc = PlatCreateMemoryContext(paint->back);
    PlatSelectFont(paint->dc, PlatGetStockFont(STOCK_GUI_FONT));
    return true;
}

void EndControlPaint(ControlPaint* paint) {
    DrawContext* dc = PlatGetWindowContext(paint->window);
    if (dc) PlatCopyRect(dc, 0, 0, paint->width, paint->height, paint->dc, 0, 0);
    PlatDeleteContext(paint->dc);
    PlatDestroySurface(paint->back);
    PlatEndPaint(paint->window);
}
