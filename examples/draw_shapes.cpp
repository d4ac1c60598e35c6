// An image window with the drawing primitives: boxes, lines, circles, a flood fill and
// bitmap-font text, redrawn into the window once.
#include <pxk.h>

void UserSetup(void) { StartRequested = 1; }

void UserMain(void) {
    PXK_CreateImage(0, "shapes", 100, 100, 320, 240, 200);
    PXK_DrawFilledBox(10, 10, 150, 100, 0xFFFFFF, 0x2040A0);
    PXK_DrawLine(0xFF0000, 0, 239, 319, 0);
    PXK_DrawCircle(0x00FF00, 230, 160, 50);
    PXK_SetDrawColor(0xFFFF00);
    PXK_Paint(230, 160);
    // The text position is the row just below the glyph cells (14 rows high), so the text
    // takes rows 46..59, inside the box.
    PXK_SetTextColor(0xFFFFFF);
    PXK_SetTextPos(20, 60);
    PXK_PrintText("pixkit");
    PXK_RedrawImage(0);
    // Returning leaves the worker in its idle loop, which keeps the window working.
}
