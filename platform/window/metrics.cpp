// System metrics in one place. The sizes are chosen so that the framework's layouts work
// out as on a classic desktop: a 23-pixel caption, a 4-pixel sizing frame, a 20-pixel menu
// bar, and a minimum window of 136 x 39 pixels (a minimum image view 128 pixels wide).
#include "platform/backend.h"
#include "platform/window/window.h"

enum {
    CAPTION_HEIGHT = 23,
    FRAME_WIDTH = 4,
    MENU_HEIGHT = 20,
    MIN_WINDOW_WIDTH = 136,
    MIN_WINDOW_HEIGHT = 39,
    DOUBLE_CLICK_MS = 500,
    DOUBLE_CLICK_SIZE = 4
};

int PlatGetSystemMetric(int which) {
    ScreenInfo screen{1920, 1080, 32, {0, 0, 1920, 1080}};
    const Backend* be = PlatBackend();
    if (be && be->get_screen) be->get_screen(&screen);
    switch (which) {
    case METRIC_CXSCREEN: return screen.width;
    case METRIC_CYSCREEN: return screen.height;
    case METRIC_CXFULLSCREEN: return RectWidth(screen.work_area);
    case METRIC_CYFULLSCREEN: return RectHeight(screen.work_area) - CAPTION_HEIGHT;
    case METRIC_CYCAPTION: return CAPTION_HEIGHT;
    case METRIC_CXFRAME: return FRAME_WIDTH;
    case METRIC_CYMENU: return MENU_HEIGHT;
    case METRIC_CXMINTRACK: return MIN_WINDOW_WIDTH;
    case METRIC_CYMINTRACK: return MIN_WINDOW_HEIGHT;
    case METRIC_CXDOUBLECLK: return DOUBLE_CLICK_SIZE;
    case METRIC_CYDOUBLECLK: return DOUBLE_CLICK_SIZE;
    case METRIC_XWORKAREA: return screen.work_area.left;
    case METRIC_YWORKAREA: return screen.work_area.top;
    case METRIC_SCREENBITS: return screen.bits;
    case METRIC_DOUBLECLICKMS: return DOUBLE_CLICK_MS;
    default: return 0;
    }
}
