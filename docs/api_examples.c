/* The short examples of the API page (docs/api.md), one per family of the public header.
 * scripts/docs.sh copies the body of each function into the page and compiles this file as C
 * and as C++ against the header, so an example can never name an operation that is gone. */
#include <pxk.h>
#include <stddef.h>

/* example: pxk_run.h */
static void RunControl(void) {
    while (!StopRequested) { PXK_WaitForMessages(100); PXK_PumpMessages(); }
    PXK_SetStatusText("stopped");
}
/* end */

/* example: pxk_text.h */
static void TextWindows(void) {
    char line[256];
    PXK_OpenTextWindow(1, -1, -1, 400, 300);
    PXK_StartLog(1);
    PXK_Printf("Your name? ");
    PXK_InputText(line);
    PXK_PushTextColor(0x000000, 0x00FF00);
    PXK_Printf("Hello, %s\n", line);
    PXK_PopTextColor();
}
/* end */

/* example: pxk_boxes.h */
static void Boxes(void) {
    PXK_OpenInputBox(500, 0, 2);
    PXK_SetInputBoxTitle(0, "Threshold");
    PXK_SetInputBoxInt(0, 128);
    PXK_OpenButtonBox(500, 100, 2, 1);
    PXK_SetButtonBoxTitle(0, "Apply");
    if (PXK_GetButtonPress(0) > 0) PXK_Printf("threshold %d\n", PXK_GetInputBoxInt(0));
}
/* end */

/* example: pxk_image.h */
static void Images(void) {
    unsigned int counts[256];
    PXK_CreateImage(0, "result", -1, -1, 320, 240, 200);   /* shown at 200 % */
    PXK_CreateImage8(1, "grey", -1, -1, 320, 240, 100);    /* 8 bits, a grey ramp table */
    PXK_SelectImage(0);                                     /* drawing goes to image 0 */
    PXK_SetStretchMode(PXK_STRETCH_HALFTONE, 0);
    if (PXK_GetHistogram(0, 0, counts) == 0) PXK_Printf("%u black pixels\n", counts[0]);
    PXK_OpenInspector();                                    /* the pixel under the mouse */
}
/* end */

/* example: pxk_draw.h */
static void Drawing(void) {
    int h, s, v;
    PXK_SetDrawColor(0xFF0000);
    PXK_DrawBox(10, 10, 100, 60);
    PXK_DrawLine(0x00FF00, 0, 0, 319, 239);
    PXK_RGBtoHSV(PXK_GetPixel(20, 20), &h, &s, &v);
    PXK_SetTextPos(10, 100);
    PXK_PrintText("hue %d", h);
}
/* end */

/* example: pxk_tools.h */
static void PointTools(void) {
    int x1, y1, x2, y2;
    if (PXK_GetRectangle(0, &x1, &y1, &x2, &y2) == PXK_TOOL_DONE)
        PXK_Printf("%d x %d pixels\n", x2 - x1 + 1, y2 - y1 + 1);
}
/* end */

/* example: pxk_files.h */
static void ImageFiles(void) {
    char path[260];
    if (PXK_OpenImageFileDialog(path, (int)sizeof path) == 0 && PXK_LoadImageFile(path, 0, 0) == 0)
        PXK_RedrawImage(0);
    PXK_SaveImageFile(240, 320, PXK_FILE_PNG, "result");   /* height, width: writes result.png */
}
/* end */

/* example: pxk_clipboard.h */
static void Clipboard(void) {
    int width, height, bits;
    PXK_Bitmap* picture = PXK_ReadClipboardBitmap(NULL, NULL);
    if (picture && PXK_GetBitmapSize(picture, &width, &height, &bits) == 0)
        PXK_Printf("the clipboard holds %d x %d, %d bits\n", width, height, bits);
    PXK_DeleteBitmap(picture);
    PXK_CopyImageToClipboard(0);
}
/* end */

/* Every example is used, so that the compiler checks them without warnings. */
void (*const pxk_api_examples[])(void) = {RunControl, TextWindows, Boxes, Images, Drawing, PointTools,
                                          ImageFiles, Clipboard};
