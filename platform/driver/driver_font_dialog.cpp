// Test driver support for the font dialog: finding the open dialog and reading what it shows.
// Keys and clicks reach it through the ordinary input functions of the driver.
#include "platform/controls/font_dialog.h"
#include "platform/driver/driver.h"

WindowId DriverWaitFontDialog(int timeout_ms) { return DriverWaitDialog(PlatGetOpenFontDialog, timeout_ms); }

bool DriverReadFontDialog(FontDialogView* view) { return PlatReadFontDialog(view); }

bool DriverWaitFontDialogView(const std::function<bool(const FontDialogView&)>& cond, int timeout_ms) {
    return DriverWaitDialogView(PlatReadFontDialog, cond, timeout_ms);
}
