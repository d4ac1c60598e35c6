/* Exercise 5, colour models: a colour picture split into its luminance Y and the two colour
 * differences Cr (red minus luminance) and Cb (blue minus luminance), each shown as a grey
 * image. The formulas are the framework's own, those of the image window's "Pixel" report:
 * the usual weights times 65536, so everything is integer arithmetic and exact.
 *     Y  = ( 19595 R + 38470 G +  7471 B + 32768) / 65536      0..255
 *     Cr = ( 32768 R - 27460 G -  5308 B + 32768) / 65536   -127..128
 *     Cb = (-11076 R - 21692 G + 32768 B + 32768) / 65536   -127..128
 * (C's division truncates toward zero.) Cr and Cb are shown plus 128, so grey means "no
 * colour", as the framework's profiles show them. */
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */

static int Clamp(int v, int lo, int hi) { return v < lo ? lo : v > hi ? hi : v; }

void UserSetup(void) { StartRequested = 1; }   /* run UserMain without waiting for Start */

void UserMain(void) {
    PXK_CreateImage(0, "picture (R,G,B)", 20, 20, W, H, 200);
    PXK_SelectImage(0);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);
    PXK_ReadImageRect(picture, 0, 0, W, H);

    /* Three 8-bit images, one per component. */
    PXK_CreateImage8(1, "Y", 20, 300, W, H, 200);
    PXK_CreateImage8(2, "Cr + 128", 360, 300, W, H, 200);
    PXK_CreateImage8(3, "Cb + 128", 700, 300, W, H, 200);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) {
            uint32_t c = picture[y * W + x];
            int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
            int lum = (19595 * r + 38470 * g + 7471 * b + 32768) / 65536;
            int cr = (32768 * r - 27460 * g - 5308 * b + 32768) / 65536;
            int cb = (-11076 * r - 21692 * g + 32768 * b + 32768) / 65536;
            PXK_SelectImage(1);
            PXK_PutPixel(x, y, lum);
            PXK_SelectImage(2);
            PXK_PutPixel(x, y, Clamp(cr + 128, 0, 255));   /* pure red's 128 would be 256 */
            PXK_SelectImage(3);
            PXK_PutPixel(x, y, Clamp(cb + 128, 0, 255));
        }
    for (int i = 1; i <= 3; i++) PXK_RedrawImage(i);

    while (!StopRequested) {          /* keep the windows working until Stop */
        PXK_WaitForMessages(1000);
        PXK_PumpMessages();
    }
}
