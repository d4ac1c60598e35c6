// The layer's font dialog: a face from fontconfig's scalable text faces, a size in points
// (at 96 dots per inch), bold, italic, underline and strike-out, with a live sample. Modal on
// the caller's thread with a nested pump, like the message box.
#pragma once

#include "platform/font/font.h"
#include "platform/plat_types.h"

// Opens the dialog owned by owner, started from *desc (its face preselected as the family it
// resolves to). On OK *desc takes the choice: the face, weight 700 or 400, italic, underline,
// strike-out and, when the size was changed, the height of that many points as an em
// (negative) with the face's own width; an unchanged size keeps height and width as they
// were. Returns IDOK, or IDCANCEL with *desc untouched (Esc, Cancel, the close box, a quit).
int PlatChooseFont(WindowId owner, FontDesc* desc);

// What the open dialog shows, for the test driver.
struct FontDialogView {
    char face[FONT_FACE_UNITS * 3];   // the selected family, UTF-8
    int points;                       // the size field (0 while empty)
    bool bold, italic, underline, strike_out;
    int face_count;                   // families listed
};
// The font dialog on screen now, or 0.
WindowId PlatGetOpenFontDialog(void);
// Copies what the open dialog shows; false when none is open.
bool PlatReadFontDialog(FontDialogView* view);
