/* Exercise 1, thresholding: every pixel whose brightness reaches the threshold becomes white,
 * every other pixel black. The threshold is typed into the input box; the result is redrawn
 * as soon as the value arrives (Tab or Enter), so you can watch what each value keeps; a
 * second field, "invert", swaps black and white when it is 1.
 * Brightness is the luminance Y = 0.299 R + 0.587 G + 0.114 B, in the framework's integer
 * form (the weights times 65536), so the result is exact on every machine. */
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */

/* Luminance 0..255 of a packed colour. */
static int Luminance(uint32_t c) {
    int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    return (19595 * r + 38470 * g + 7471 * b + 32768) / 65536;
}

/* Writes the black-and-white result into the 8-bit image 1 and shows it. */
static void Threshold(int t, int invert) {
    int above = invert ? 0 : 255, below = 255 - above;
    PXK_SelectImage(1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            PXK_PutPixel(x, y, Luminance(picture[y * W + x]) >= t ? above : below);
    PXK_RedrawImage(1);
}

void UserSetup(void) {
    PXK_OpenInputBox(700, 20, 2);
    PXK_SetInputBoxTitle(0, "threshold");
    PXK_SetInputBoxInt(0, 128);
    PXK_SetInputBoxTitle(1, "invert");
    StartRequested = 1;               /* run UserMain without waiting for Start */
}

void UserMain(void) {
    /* Image 0 shows the picture; ReadImageRect copies its pixels into our array. */
    PXK_CreateImage(0, "picture", 20, 20, W, H, 200);
    PXK_SelectImage(0);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);
    PXK_ReadImageRect(picture, 0, 0, W, H);

    /* Image 1 is 8-bit: one byte per pixel, shown through a grey colour table. */
    PXK_CreateImage8(1, "threshold", 360, 20, W, H, 200);
    int shown_t = -1, shown_invert = -1;
    while (!StopRequested) {
        int t = PXK_GetInputBoxInt(0), invert = PXK_GetInputBoxInt(1) != 0;
        if (t != shown_t || invert != shown_invert) {   /* a new value: compute again */
            Threshold(t, invert);
            shown_t = t;
            shown_invert = invert;
        }
        /* Sleep until something happens (at most 100 ms), then let the windows work. */
        PXK_WaitForMessages(100);
        PXK_PumpMessages();
    }
}
