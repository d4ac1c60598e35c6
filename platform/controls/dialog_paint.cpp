// Drawing pieces shared by the colour and font dialogs.
#include "platform/controls/dialog_paint.h"

#include "platform/draw/draw.h"
#include "platform/draw/system_colors.h"
#include "platform/font/font.h"
#include "platform/text.h"
#include "platform/window/window.h"

#include <stdio.h>

void DialogFill(DrawContext* dc, PlatRect r, uint32_t color) { PlatFillRect(dc, &r, color); }

void DialogFrame(DrawContext* dc, PlatRect r, uint32_t color) {
    DialogFill(dc, PlatRect{r.left, r.top, r.right, r.top + 1}, color);
    DialogFill(dc, PlatRect{r.left, r.bottom - 1, r.right, r.bottom}, color);
    DialogFill(dc, PlatRect{r.left, r.top, r.left + 1, r.bottom}, color);
    DialogFill(dc, PlatRect{r.right - 1, r.top, r.right, r.bottom}, color);
}

void DialogLabel(DrawContext* dc, int x, int y, const char16_t* text) {
    char16_t shown[64] = {};
    int n = 0, mark = -1;
    for (int i = 0; text[i] && n < 63; i++) {
        if (text[i] == u'&' && mark < 0) {
            mark = n;
            continue;
        }
        shown[n++] = text[i];
    }
    PlatTextOut(dc, x, y, shown, n);
    if (mark < 0) return;
    int before = PlatGetTextExtent(dc, shown, mark).cx, width = PlatGetTextExtent(dc, shown + mark, 1).cx;
    TextMetrics tm;
    PlatGetTextMetrics(dc, &tm);
    DialogFill(dc, PlatRect{x + before, y + tm.ascent + 1, x + before + width, y + tm.ascent + 2},
               SysColor(SYS_COLOR_WINDOW_TEXT));
}

void DialogFace(WindowId window, DrawContext* dc) {
    PlatRect client;
    PlatGetClientRect(window, &client);
    DialogFill(dc, client, SysColor(SYS_COLOR_FACE));
    PlatSelectFont(dc, PlatGetStockFont(STOCK_GUI_FONT));
    PlatSetBackMode(dc, BACK_TRANSPARENT);
    PlatSetTextColor(dc, SysColor(SYS_COLOR_WINDOW_TEXT));
}

void DialogNumber(DrawContext* dc, int x, int y, int value) {
    char bytes[16];
    char16_t digits[16];
    int n = snprintf(bytes, sizeof bytes, "%d", value);
    for (int k = 0; k < n; k++) digits[k] = (char16_t)bytes[k];
    PlatTextOut(dc, x, y, digits, n);
}

void DialogButton(DrawContext* dc, PlatRect r, const char16_t* text, bool focused) {
    DialogFill(dc, r, SysColor(focused ? SYS_COLOR_FOCUS_EDGE : SYS_COLOR_BUTTON_EDGE));
    DialogFill(dc, PlatRect{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, SysColor(SYS_COLOR_BUTTON));
    PlatSize ext = PlatGetTextExtent(dc, text, Utf16Length(text));
    DialogLabel(dc, r.left + (RectWidth(r) - ext.cx) / 2, r.top + (RectHeight(r) - ext.cy) / 2, text);
}
