// Test driver support for the colour dialog: finding the open dialog, reading what it shows and
// clicking its parts where they are on screen. Keys reach it through the ordinary input
// functions of the driver.
#include "platform/controls/color_dialog.h"
#include "platform/driver/driver.h"

WindowId DriverWaitColorDialog(int timeout_ms) { return DriverWaitDialog(PlatGetOpenColorDialog, timeout_ms); }

bool DriverReadColorDialog(ColorDialogView* view) { return PlatReadColorDialog(view); }

bool DriverWaitColorDialogView(const std::function<bool(const ColorDialogView&)>& cond, int timeout_ms) {
    return DriverWaitDialogView(PlatReadColorDialog, cond, timeout_ms);
}

bool DriverClickColorDialog(int part, int index) {
    WindowId dialog = PlatGetOpenColorDialog();
    PlatRect r;
    if (!dialog || !PlatColorDialogPartRect(part, index, &r)) return false;
    PlatRect client = DriverClientRectScreen(dialog);
    DriverClick(client.left + (r.left + r.right) / 2, client.top + (r.top + r.bottom) / 2);
    return true;
}
