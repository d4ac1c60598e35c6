// Modal dialogs of the layer. Each runs a nested pump on the caller's thread, so other
// windows keep working while it waits.
#pragma once

#include "platform/plat_types.h"

enum { MBOX_OK = 0, MBOX_YESNO = 0x04, MBOX_ICONERROR = 0x10 };
enum { IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7 };

// A message box: caption, text (UTF-16), an OK button (MBOX_YESNO: Yes and No), optional
// error icon. Returns IDOK, or IDYES or IDNO for a question.
int PlatMessageBox(WindowId owner, const char16_t* text, const char16_t* caption, int flags);
// The message box on screen now, or 0 (for the test driver).
WindowId PlatGetOpenMessageBox(void);
