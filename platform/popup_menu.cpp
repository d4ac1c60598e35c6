// Popup menus: tracking on the calling thread (being written).
#include "menu.h"

int PlatTrackPopupMenu(Menu* menu, int x, int y, WindowId owner) {
    (void)menu;
    (void)x;
    (void)y;
    (void)owner;
    return 0;
}

WindowId PlatGetTrackedMenuWindow(void) { return 0; }
