/* Exercise 6, region statistics: pick a rectangle on the picture with two clicks (left button;
 * the right button cancels) and read, for red, green, blue and the luminance Y, the mean, the
 * standard deviation, the smallest and the largest value of the pixels inside it, corners
 * included. Image 1 marks the last rectangle measured. Pick as many as you like until Stop.
 * The sums are kept in 64-bit integers, so the printed numbers are exact to their digits. */
#include <math.h>
#include <pxk.h>

#ifndef COURSE_DATA
#define COURSE_DATA "examples/data"   /* the build sets it; this suits a run from the source tree */
#endif

enum { W = 160, H = 120 };            /* the size of examples/data/course.png */

static uint32_t picture[W * H];       /* the picture's pixels, 0x00RRGGBB */

/* Value k of a pixel: 0 red, 1 green, 2 blue, 3 the luminance. */
static int Value(uint32_t c, int k) {
    int r = (c >> 16) & 255, g = (c >> 8) & 255, b = c & 255;
    if (k == 0) return r;
    if (k == 1) return g;
    if (k == 2) return b;
    return (19595 * r + 38470 * g + 7471 * b + 32768) / 65536;
}

/* Prints the statistics of the rectangle (x1, y1)-(x2, y2). */
static void Measure(int x1, int y1, int x2, int y2) {
    static const char* names[4] = {"R", "G", "B", "Y"};
    long long n = (long long)(x2 - x1 + 1) * (y2 - y1 + 1);
    PXK_Printf("(%d,%d)-(%d,%d): %lld pixels\n", x1, y1, x2, y2, n);
    for (int k = 0; k < 4; k++) {
        long long sum = 0, squares = 0;
        int lo = 255, hi = 0;
        for (int y = y1; y <= y2; y++)
            for (int x = x1; x <= x2; x++) {
                int v = Value(picture[y * W + x], k);
                sum += v;
                squares += (long long)v * v;
                if (v < lo) lo = v;
                if (v > hi) hi = v;
            }
        /* The variance is (n * sum of squares - sum * sum) / n^2: the numerator is exact. */
        double deviation = sqrt((double)(n * squares - sum * sum)) / (double)n;
        PXK_Printf("%s mean %.2f sd %.2f min %d max %d\n", names[k], (double)sum / n, deviation, lo, hi);
    }
}

/* Shows the picture with the rectangle outlined in white in image 1. */
static void Mark(int x1, int y1, int x2, int y2) {
    PXK_SelectImage(1);
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++) PXK_PutPixel(x, y, picture[y * W + x]);
    PXK_DrawLine(0xFFFFFF, x1, y1, x2, y1);
    PXK_DrawLine(0xFFFFFF, x2, y1, x2, y2);
    PXK_DrawLine(0xFFFFFF, x2, y2, x1, y2);
    PXK_DrawLine(0xFFFFFF, x1, y2, x1, y1);
    PXK_RedrawImage(1);
}

void UserSetup(void) {
    PXK_OpenTextWindow(0, 700, 20, 480, 300);
    StartRequested = 1;               /* run UserMain without waiting for Start */
}

void UserMain(void) {
    PXK_CreateImage(0, "pick a rectangle", 20, 20, W, H, 200);
    PXK_SelectImage(0);
    if (PXK_LoadImageFile(COURSE_DATA "/course.png", 0, 0) != 0) {
        PXK_Pause("examples/data/course.png cannot be read");
        return;
    }
    PXK_RedrawImage(0);
    PXK_ReadImageRect(picture, 0, 0, W, H);
    PXK_CreateImage(1, "measured", 360, 20, W, H, 200);

    PXK_Printf("Click two corners of a rectangle on the picture.\n");
    for (;;) {
        int x1, y1, x2, y2;
        /* The tool waits for the clicks, keeping every window working meanwhile. */
        int result = PXK_GetRectangle(0, &x1, &y1, &x2, &y2);
        if (result == PXK_TOOL_DONE) {
            Measure(x1, y1, x2, y2);
            Mark(x1, y1, x2, y2);
        } else if (result != PXK_TOOL_CANCELLED) {
            break;                    /* Stop, Exit or the window closed */
        }
    }
    PXK_Printf("stopped\n");
}
