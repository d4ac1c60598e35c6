// The test driver's reach into the file dialogs: finding the dialog and its parts, reading
// the list as shown, and the clicks a user makes on list entries and on the filter menu.
#include "platform/driver/driver.h"
#include "platform/controls/file_dialog.h"
#include "platform/window/input.h"
#include "platform/window/menu.h"
#include "platform/window/window.h"

WindowId DriverFileDialog(void) { return PlatGetOpenFileDialog(); }

WindowId DriverFileDialogPart(int id) {
    WindowId dialog = PlatGetOpenFileDialog();
    return dialog ? PlatGetControl(dialog, id) : 0;
}

std::vector<std::string> DriverListEntries(WindowId list) {
    std::vector<std::string> out;
    int count = (int)PlatSendMessage(list, LB_GETCOUNT, 0, 0);
    for (int i = 0; i < count; i++) {
        std::string text;
        PlatSendMessage(list, LB_GETTEXT, (uintptr_t)i, (intptr_t)&text);
        out.push_back(text);
    }
    return out;
}

bool DriverClickListEntry(WindowId list, const char* shown, bool twice) {
    std::vector<std::string> entries = DriverListEntries(list);
    for (size_t i = 0; i < entries.size(); i++) {
        PlatRect r{};
        if (entries[i] != shown || !PlatSendMessage(list, LB_GETITEMRECT, i, (intptr_t)&r)) continue;
        PlatPoint p{r.left + 10, (r.top + r.bottom) / 2};
        PlatClientToScreen(list, &p);
        if (twice) DriverDoubleClick(p.x, p.y);
        else DriverClick(p.x, p.y);
        return true;
    }
    return false;
}

bool DriverTypeFileName(const char* text) {
    WindowId field = DriverFileDialogPart(FILEDLG_NAME);
    if (!field) return false;
    PlatRect r = DriverWindowRect(field);
    DriverClick(r.left + 5, (r.top + r.bottom) / 2);
    // Keys go to the window that has the focus when they are typed.
    if (!DriverWaitFor([field] { return PlatGetFocus() == field; })) return false;
    DriverKey('A', INPUT_MOD_CONTROL);
    DriverType(text);
    return true;
}

bool DriverChooseFilter(int index) {
    WindowId button = DriverFileDialogPart(FILEDLG_FILTER);
    if (!button) return false;
    PlatRect b = DriverWindowRect(button);
    DriverClick((b.left + b.right) / 2, (b.top + b.bottom) / 2);
    PlatRect item{};
    if (!DriverWaitFor([&] { return PlatGetTrackedMenuWindow() != 0 && PlatGetTrackedMenuItemRect(index - 1, &item); }))
        return false;
    DriverClick(item.left + 10, (item.top + item.bottom) / 2);
    return DriverWaitFor([] { return PlatGetTrackedMenuWindow() == 0; });
}
