// The TrueType Draw and Font Change commands of the image window.
#include "imaging/truetype_commands.h"

#include "imaging/draw_state.h"
#include "imaging/truetype_text.h"
#include "platform/controls/dialog.h"
#include "platform/controls/font_dialog.h"
#include "platform/font/font.h"
#include "pxk.h"
#include "runtime/startup_state.h"

void TrueTypeDrawCommand(WindowId, int index) {
    int left = 0, top = 0, right = 0, bottom = 0;
    if (PXK_GetRectangle(index, &left, &top, &right, &bottom) != PXK_TOOL_DONE) return;
    PXK_ShowTextWindow();
    PXK_Printf("Text>");
    char line[256] = {0};
    PXK_InputText(line);
    draw_state.text_y = bottom;
    draw_state.text_x = left;
    draw_state.text_margin = left;
    // The result is not looked at: without a new font the text is drawn with the old one.
    PXK_SetTextFontSize(right - left + 1, bottom - top + 1);
    PXK_DrawTrueTypeText(line);
    PXK_RedrawImage(index);
}

// True while Font Change's dialog is open: its pump serves the image windows, and a second
// dialog on top of the first would answer for a description that the first then overwrites.
static bool font_dialog_open = false;

void TrueTypeFontChangeCommand(WindowId window, int) {
    if (font_dialog_open || !image_text_font) return;
    FontDesc desc;
    PlatGetFontDesc(image_text_font, &desc);
    font_dialog_open = true;
    const int answer = PlatChooseFont(window, &desc);
    font_dialog_open = false;
    if (answer == IDOK) SetImageTextFont(&desc);
}
