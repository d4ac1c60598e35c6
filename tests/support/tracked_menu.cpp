// Reading and driving the tracked popup menu through the layer and the headless driver.
#include "tracked_menu.h"

#include "platform/driver/driver.h"
#include "platform/text.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

bool operator==(const MenuRow& a, const MenuRow& b) { return a.text == b.text && a.id == b.id && a.state == b.state; }

std::ostream& operator<<(std::ostream& os, const MenuRow& r) {
    return os << "{\"" << r.text << "\", " << r.id << ", " << r.state << "}";
}

std::vector<MenuRow> TrackedMenuRows(void) {
    std::vector<MenuRow> rows;
    Menu* menu = (Menu*)PlatGetWindowData(PlatGetTrackedMenuWindow());
    for (int i = 0; menu && i < PlatGetMenuItemCount(menu); i++) {
        int id = 0, state = 0;
        char16_t text[128] = {0};
        PlatGetMenuItem(menu, i, &id, &state, text, 128);
        char utf8[256];
        Utf16ToUtf8(text, -1, utf8, sizeof utf8);
        rows.push_back(MenuRow{utf8, id, state});
    }
    return rows;
}

bool RightClickForMenu(int x, int y) { return ClickForMenu(x, y, BUTTON_RIGHT); }

bool ClickForMenu(int x, int y, int button) {
    DriverClick(x, y, button);
    return DriverWaitFor([] { return PlatGetTrackedMenuWindow() != 0; }) && DriverWaitIdle();
}

bool OpenTrackedSubmenu(int position) {
    const WindowId outer = PlatGetTrackedMenuWindow();
    PlatRect r;
    if (!outer || !PlatGetTrackedMenuItemRect(position, &r)) return false;
    DriverClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return DriverWaitFor([outer] {
        const WindowId w = PlatGetTrackedMenuWindow();
        return w != 0 && w != outer;
    }) && DriverWaitIdle();
}

bool ChooseTrackedRow(int position) {
    PlatRect r;
    if (!PlatGetTrackedMenuItemRect(position, &r)) return false;
    DriverClick((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    return DriverWaitFor([] { return PlatGetTrackedMenuWindow() == 0; });
}

bool DismissTrackedMenu(void) {
    DriverKey(KEY_ESCAPE);
    return DriverWaitFor([] { return PlatGetTrackedMenuWindow() == 0; });
}
